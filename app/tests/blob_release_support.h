// A release that fills DOCS.BODY from data files through "Обновить", on
// either engine: first as shipped, with one data file missing and a row the
// server refuses to write, then repaired. Also the reading of the blocks the
// failed run leaves in the details and in the saved log.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/details_log.h"
#include "app/message_boxes.h"
#include "app/run_state.h"
#include "blob_transfer_test_support.h"
#include "classlib/codepage.h"
#include "product_environment.h"
#include "app/details_log.h"
#include "update_run_support.h"

namespace app::testing {

// Text as an XML element's content needs it.
inline std::string XmlText(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    if (c == '&') escaped += "&amp;";
    else if (c == '<') escaped += "&lt;";
    else if (c == '>') escaped += "&gt;";
    else escaped += c;
  }
  return escaped;
}

class BlobRelease {
 public:
  // `subd` is the server kind of the description's items; `docs` the
  // engine's statements that make and fill DOCS.
  BlobRelease(const ProductEnvironment& product, std::string subd, std::vector<std::string> docs)
      : product_(product), subd_(std::move(subd)), docs_(std::move(docs)) {}

  // The program's folder as the blocks name it.
  std::string Folder() const { return product_.ReleaseDir() + "/"; }
  std::string ScriptPath() const { return Folder() + "Scripts\\docs.xml"; }

  // DOCS made once and filled, then the move of its data files; every data
  // file but kMissingRow's.
  void WriteFirst() const {
    std::string script = "<SCRIPTS>\n  <CREATE_DOCS CONDITION=\"NOT_EXIST_TABLE(DOCS);\">\n";
    for (const std::string& statement : docs_) script += Statement(statement);
    script +=
        "  </CREATE_DOCS>\n"
        "  <DOCS_BLOBS MOVE_BLOB=\"1\" TABLE_NAME=\"DOCS\" BLOB_FIELD_1=\"BODY\" "
        "GUID_FIELD_1=\"GUID\">\n" +
        Statement("UPDATE DOCS SET NOTE = 'moved' WHERE ID = 1") + "  </DOCS_BLOBS>\n</SCRIPTS>\n";
    WriteReleaseFile(product_.ReleaseDir() + "/Scripts/docs.xml", script);
    product_.WriteDescription(Description(Item("Scripts\\docs.xml")));
    WriteDataFiles(Folder(), kMissingRow);
  }
  // The same release mended: a script ahead of the move takes the trigger
  // away, and the missing data file is there.
  void WriteRepaired() const {
    WriteReleaseFile(product_.ReleaseDir() + "/Scripts/repair.xml",
                     "<SCRIPTS>\n  <REPAIR>\n" + Statement("DROP TRIGGER DAMAGED") +
                         "  </REPAIR>\n</SCRIPTS>\n");
    product_.WriteDescription(
        Description(Item("Scripts\\repair.xml") + Item("Scripts\\docs.xml")));
    WriteDataFile(Folder(), KeyOf(kMissingRow), BodyOf(kMissingRow));
  }

 private:
  static std::string Statement(const std::string& text) {
    return "    <S STOP_ON_EXCEPTION=\"1\" LOG_ERROR=\"1\">" + XmlText(text) + "</S>\n";
  }
  std::string Item(const std::string& file) const {
    return "\n    <ITEM SUBD=\"" + subd_ + "\" TIME_PERCENT=\"50\" SOURCE=\"0\" FILENAME=\"" + file +
           "\"/>";
  }
  static std::string Description(const std::string& items) {
    return "<ROOT>\n  <VERSIONS START_BD_VERSION=\"3.1\" RESULT_BD_VERSION=\"3.2\"/>\n"
           "  <DB_UPDATE>" +
           items + "\n  </DB_UPDATE>\n</ROOT>\n";
  }

  const ProductEnvironment& product_;
  std::string subd_;
  std::vector<std::string> docs_;
};

// The error texts of the blocks in the details (ANSI) and in the saved log
// file (UTF-8, turned to ANSI here); a run writes the same blocks to both.
inline std::vector<std::string> DetailErrors(const TfrmUpdate& window) {
  return ErrorTexts(window.DetailLines(), classlib::Utf8ToCp1251("Ошибка:"));
}
inline std::vector<std::string> LogErrors(const std::string& log_file) {
  std::vector<std::string> lines = FileLines(log_file);
  for (std::string& line : lines) line = classlib::Utf8ToCp1251(line);
  return ErrorTexts(lines, classlib::Utf8ToCp1251("Ошибка:"));
}

// Where Russian users install a product: a folder named with Cyrillic
// letters and a blank.
inline const std::string kCyrillicProductFolder = "Программы Лексариум";

// The first release's run and the repaired one on an engine whose fixture
// says how to log in and how to read DOCS and BO_VERSION.
class BlobUpdateRunTest : public UpdateRunTest {
 protected:
  explicit BlobUpdateRunTest(const std::string& product_folder = "")
      : UpdateRunTest(product_folder) {}

  virtual void LogIn(TfrmUpdate& window) = 0;
  // The filled binary values of DOCS by identifier.
  virtual std::map<int, std::string> Bodies() = 0;
  virtual bool HasKeyColumn() = 0;
  virtual int LastVersionId() = 0;
  // Lets go of the checking connection before the next run changes tables.
  virtual void Disconnect() {}

  // A release with a step of every kind, run from the first page on: the
  // fixture's `items` (its scripts), the update library, a script whose
  // group fills DOCS.BODY (`blob_type`) from the release's data files, the
  // version row, the reference-group import, the settings tools and the log
  // file. Everything the run names a file by lies under the product's
  // folder; nothing may be missed on the way.
  void RunEveryKindOfStep(const std::string& subd, const std::string& items,
                          const std::string& blob_type) {
    const std::string folder = product.ReleaseDir() + "/";
    std::string script = "<SCRIPTS>\n  <CREATE_DOCS CONDITION=\"NOT_EXIST_TABLE(DOCS);\">\n";
    for (const std::string& statement :
         {"CREATE TABLE DOCS (ID INTEGER NOT NULL PRIMARY KEY, GUID VARCHAR(38), BODY " +
              blob_type + ", NOTE VARCHAR(10))",
          std::string("INSERT INTO DOCS VALUES (1, 'K0001', NULL, NULL)"),
          std::string("INSERT INTO DOCS VALUES (2, 'K0002', NULL, NULL)")})
      script += "    <S STOP_ON_EXCEPTION=\"1\" LOG_ERROR=\"1\">" + statement + "</S>\n";
    script +=
        "  </CREATE_DOCS>\n  <DOCS_BLOBS MOVE_BLOB=\"1\" TABLE_NAME=\"DOCS\" "
        "BLOB_FIELD_1=\"BODY\" GUID_FIELD_1=\"GUID\"/>\n</SCRIPTS>\n";
    WriteReleaseFile(folder + "Scripts/docs.xml", script);
    for (int row : {1, 2}) WriteDataFile(folder, KeyOf(row), BodyOf(row));
    product.WriteDescription(FullRunDescription(
        items + "\n    <ITEM SUBD=\"" + subd +
        "\" TIME_PERCENT=\"10\" SOURCE=\"1\" FILENAME=\"Upd\\UpdateFull.dll\" "
        "INFO_STRING=\"Перенос\"/>\n    <ITEM SUBD=\"" + subd +
        "\" TIME_PERCENT=\"10\" SOURCE=\"0\" FILENAME=\"Scripts\\docs.xml\"/>"));
    LogIn(window);
    ASSERT_TRUE(window.cbUpdateDB->isChecked()) << window.cbUpdateDB->text().toStdString();
    ASSERT_TRUE(window.cbUpdateXML->isChecked());
    ASSERT_TRUE(window.cbUpdateConf->isChecked());
    Execute();

    for (TUpdatePhase part : {upDatabase, upReferenceGroups, upSettings})
      EXPECT_EQ(window.StateImage(part), siSucceeded) << part << "\n" << FileText(LogFile());
    EXPECT_EQ(Bodies(), (std::map<int, std::string>{{1, BodyOf(1)}, {2, BodyOf(2)}}));
    EXPECT_FALSE(HasKeyColumn());
    EXPECT_EQ(LastVersionId(), 3);
    EXPECT_EQ(FileText(product.File("library.txt")), ProductConnectionString + "|" + DBType);
    const std::vector<ProgramRun> runs = ReadProgramRuns(product.File("aux-record.txt"));
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].args.at(3), "XML_DATA=" + folder + "Data\\groups.xml");
    EXPECT_EQ(runs[1].program, "Pontarex.exe");
    // The log lies in the product's folder and names folders as they are.
    const std::vector<std::string> log = FileLines(LogFile());
    ASSERT_GE(log.size(), 2u) << FileText(LogFile());
    EXPECT_EQ(log[log.size() - 2], "Сформирован файл с логом импорта настроек в " +
                                       product.File("ptx") + "/Doc/PFullImportSettings.log");
  }

  // The run ends in the error message with every row it could fill filled,
  // the missing file (named as the engine's block names it) and the refused
  // row (with `refusal` among the server's words) reported in the details
  // and in the log file, the key column kept and no version row.
  void RunFirstRelease(const BlobRelease& release, const std::string& missing_file,
                       const std::string& refusal) {
    release.WriteFirst();
    LogIn(window);
    window.cbUpdateConf->setChecked(false);
    Execute();
    EXPECT_EQ(window.StateImage(upDatabase), siFailed);
    ASSERT_FALSE(boxes.shown.empty());
    EXPECT_EQ(boxes.shown.back().caption, kErrorCaption);
    EXPECT_EQ(LastBoxText(), kRunFailedText);
    ExpectFirstRunReported(release, missing_file, refusal);
    EXPECT_EQ(WronglyFilledRows(Bodies(), {kMissingRow, kDamagedRow}), 0);
    EXPECT_TRUE(HasKeyColumn());
    EXPECT_EQ(LastVersionId(), 2);
    Disconnect();
  }
  // The next start of the updater on the repaired release fills the rest,
  // drops the key column and writes the version row.
  void RunRepairedRelease(const BlobRelease& release) {
    release.WriteRepaired();
    std::unique_ptr<TfrmUpdate> second = StartAgain();
    LogIn(*second);
    second->cbUpdateConf->setChecked(false);
    Execute(*second);
    second->ChildMessages.reset();
    EXPECT_EQ(LastBoxText(), QStringLiteral("Обновление данных завершено")) << FileText(LogFile());
    EXPECT_EQ(DetailErrors(*second), std::vector<std::string>{});
    EXPECT_EQ(WronglyFilledRows(Bodies(), {}), 0);
    EXPECT_FALSE(HasKeyColumn());
    EXPECT_EQ(LastVersionId(), 3);
  }

 private:
  void ExpectFirstRunReported(const BlobRelease& release, const std::string& missing_file,
                              const std::string& refusal) {
    const auto ansi = [](const char* utf8) { return classlib::Utf8ToCp1251(utf8); };
    const std::vector<std::string> errors = DetailErrors(window);
    ASSERT_EQ(errors.size(), 3u) << FileText(LogFile());
    EXPECT_EQ(errors[0], ansi("Не найден файл ") + release.Folder() + "Data\\" + missing_file +
                             ansi(" с данными из BLOB-поля"));
    EXPECT_EQ(errors[1].rfind(ansi("Ошибка заполнения BLOB-поля с идентификатором ") +
                                  KeyOf(kDamagedRow) + ansi(" в таблице DOCS\r\n"),
                              0),
              0u)
        << errors[1];
    EXPECT_NE(errors[1].find(refusal), std::string::npos) << errors[1];
    EXPECT_EQ(errors[2], ansi("Поле GUID таблицы DOCS не удалено: заполнены не все BLOB-поля, "
                              "обновление можно повторить"));
    EXPECT_TRUE(HasLine(window.DetailLines(), ansi("Источник:") + DisplayPath(release.ScriptPath())));
    EXPECT_EQ(LogErrors(LogFile()), errors);
  }
};

}  // namespace app::testing
