// Makes a sample installation to try the updater on, in the folder given as
// the only argument:
//   registry/     the registry hives (point UPDATER_REGISTRY here)
//   product.fdb   the product database on the embedded Firebird engine,
//                 at release 3.1, with the standard users
//   Lexarium/     the product's folder, where the run's log file goes
//   release/      the release (point UPDATER_RELEASE_DIR here): updcfg.xml
//                 from 3.1 to 3.2, two script files with conditions, a data
//                 file and an update library
// The update library is copied from the path of the second argument.
#include <QCoreApplication>
#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "classlib/codepage.h"
#include "testing/product_fixture.h"

namespace {

using app::testing::ProductDatabase;
using app::testing::ProductInstallation;

const char kDescription[] = R"(<ROOT>
  <UPDATES ALWAYS_UPDATE_DB="false" NO_UPDATE_CONF="true"/>
  <VERSIONS START_BD_VERSION="3.0;3.1" RESULT_BD_VERSION="3.2"/>
  <DB_UPDATE>
    <ITEM SUBD="FIREBIRD;INTRBASE;MSSQL" TIME_PERCENT="50" SOURCE="0" FILENAME="Scripts\structure.xml" INFO_STRING="Структура"/>
    <ITEM SUBD="FIREBIRD;INTRBASE;MSSQL" TIME_PERCENT="20" SOURCE="1" FILENAME="Upd\SampleUpdate.dll" INFO_STRING="Библиотека обновления"/>
    <ITEM SUBD="FIREBIRD;INTRBASE;MSSQL" TIME_PERCENT="30" SOURCE="0" FILENAME="Scripts\data.xml" INFO_STRING="Данные"/>
  </DB_UPDATE>
</ROOT>
)";

const char kStructureScript[] = R"(<SCRIPTS>
  <CREATE_BOOKS CONDITION="NOT_EXIST_TABLE(BOOKS);">
    <S STOP_ON_EXCEPTION="1" LOG_ERROR="1">CREATE TABLE BOOKS (ID INTEGER NOT NULL, TITLE VARCHAR(60), COVER BLOB)</S>
  </CREATE_BOOKS>
  <ADD_AUTHOR CONDITION="EXIST_TABLE(BOOKS);NOT_EXIST_FIELD(BOOKS, AUTHOR);">
    <S STOP_ON_EXCEPTION="1" LOG_ERROR="1">ALTER TABLE BOOKS ADD AUTHOR VARCHAR(60)</S>
  </ADD_AUTHOR>
</SCRIPTS>
)";

// The group with MOVE_BLOB adds the row a data file belongs to and the key
// column that names the file; once the file is in COVER the key column goes.
const char kDataScript[] = R"(<SCRIPTS>
  <BOOKS_ROWS CONDITION="EXIST_FIELD(BOOKS, AUTHOR);" MOVE_BLOB="1" TABLE_NAME="BOOKS" BLOB_FIELD_1="COVER" GUID_FIELD_1="COVER_FILE">
    <S STOP_ON_EXCEPTION="1" LOG_ERROR="1">ALTER TABLE BOOKS ADD COVER_FILE VARCHAR(40)</S>
    <S STOP_ON_EXCEPTION="0" LOG_ERROR="1">INSERT INTO BOOKS (ID, TITLE, AUTHOR, COVER_FILE) VALUES (1, 'Справочник материалов', 'Редакция', 'cover-1')</S>
  </BOOKS_ROWS>
</SCRIPTS>
)";

void WriteText(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

void WriteReleaseFile(const std::filesystem::path& path, const char* body_utf8) {
  WriteText(path, "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\r\n" +
                      classlib::Utf8ToCp1251(body_utf8));
}

void MakeSample(const std::filesystem::path& folder, const std::string& library) {
  std::filesystem::create_directories(folder / "registry");
  std::filesystem::create_directories(folder / "Lexarium");
  ::setenv("UPDATER_REGISTRY", (folder / "registry").c_str(), 1);

  const std::string database = (folder / "product.fdb").string();
  app::testing::CreateFirebirdProductDatabase(database, ProductDatabase::Standard({"3.0.0", "3.1"}));

  ProductInstallation installation;
  installation.lexarium_dir = (folder / "Lexarium").string();
  installation.connection_string = "Provider=LCPI.IBProvider.2;Location=" + database;
  app::testing::WriteProductRegistry(installation);

  const std::filesystem::path release = folder / "release";
  std::filesystem::create_directories(release);
  app::testing::WriteUpdateDescription(release.string(), kDescription);
  WriteReleaseFile(release / "Scripts" / "structure.xml", kStructureScript);
  WriteReleaseFile(release / "Scripts" / "data.xml", kDataScript);
  WriteText(release / "Data" / "cover-1.lob", std::string("\x89PNG sample cover\n", 18));
  std::filesystem::create_directories(release / "Upd");
  std::filesystem::copy_file(library, release / "Upd" / "SampleUpdate.dll",
                             std::filesystem::copy_options::overwrite_existing);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <sample folder> <update library>\n", argv[0]);
    return 2;
  }
  QCoreApplication application(argc, argv);
  try {
    MakeSample(argv[1], argv[2]);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "cannot make the sample: %s\n", error.what());
    return 1;
  }
  return 0;
}
