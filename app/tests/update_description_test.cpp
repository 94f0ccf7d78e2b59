// Reading the update description: every element and attribute, the
// encodings release files use, and descriptions that must not be followed.
#include <gtest/gtest.h>

#include "app/run_state.h"
#include "app/update_description.h"
#include "classlib/codepage.h"
#include "testing/product_fixture.h"

namespace app::testing {
namespace {

std::string Ansi(const char* utf8) { return classlib::Utf8ToCp1251(utf8); }

std::unique_ptr<TUpdateDescription> Load(const std::string& body_utf8) {
  return TUpdateDescription::LoadFromBytes(
      QByteArray::fromStdString("<?xml version=\"1.0\" encoding=\"windows-1251\"?>" +
                                Ansi(body_utf8.c_str())));
}

std::string ErrorOf(const std::string& bytes) {
  try {
    TUpdateDescription::LoadFromBytes(QByteArray::fromStdString(bytes));
  } catch (const EUpdateDescriptionError& error) {
    return classlib::Cp1251ToUtf8(error.what());
  }
  return "no error";
}

TEST(UpdateDescriptionTest, AFullDescriptionGivesEveryElementAndAttribute) {
  const auto d = Load(FullUpdateDescription("3.0; 3.1", "3.2"));
  EXPECT_TRUE(d->HasUpdates);
  EXPECT_FALSE(d->AlwaysUpdateDB);
  EXPECT_FALSE(d->NoUpdateConf);
  EXPECT_TRUE(d->HasVersions);
  EXPECT_EQ(d->StartBdVersion, "3.0; 3.1");
  EXPECT_EQ(d->ResultBdVersion, "3.2");
  EXPECT_FALSE(d->HasForm);

  ASSERT_EQ(d->DbUpdate.size(), 2u);
  EXPECT_EQ(d->DbUpdate[0].Subd, "FIREBIRD;MSSQL");
  EXPECT_EQ(d->DbUpdate[0].Percent(), 60);
  EXPECT_EQ(d->DbUpdate[0].Source, "SCRIPT");
  EXPECT_EQ(d->DbUpdate[0].FileName, "Scripts\\update.sql");
  EXPECT_EQ(d->DbUpdate[0].InfoString, Ansi("Обновление структуры"));
  EXPECT_EQ(d->DbUpdate[1].TimePercent, "40,5");
  EXPECT_DOUBLE_EQ(d->DbUpdate[1].Percent(), 40.5);

  ASSERT_EQ(d->SchemaUpdate.size(), 1u);
  EXPECT_EQ(d->SchemaUpdate[0].DataFile, "Data\\groups.dat");
  EXPECT_EQ(d->SchemaUpdate[0].SchemaFile, "Data\\groups.xsd");
  EXPECT_EQ(d->SchemaUpdate[0].Objects, Ansi("Материалы"));

  ASSERT_EQ(d->ConfigUpdate.size(), 1u);
  const TConfigUpdateItem& c = d->ConfigUpdate[0];
  EXPECT_EQ(c.UpdateType, "INI");
  EXPECT_EQ(c.Command, "<PTXDIR>conf.exe");
  EXPECT_EQ(c.IniFile, "ptx.ini");
  EXPECT_EQ(c.IniFileName, Ansi("Настройки"));
  EXPECT_EQ(c.TimePercent, "100");
  EXPECT_EQ(c.InfoString, Ansi("Настройки"));
}

TEST(UpdateDescriptionTest, FlagsAreSetOnlyByTheWordTrue) {
  EXPECT_TRUE(Load("<ROOT><UPDATES ALWAYS_UPDATE_DB='True' NO_UPDATE_CONF='tRUE'/></ROOT>")
                  ->AlwaysUpdateDB);
  EXPECT_TRUE(Load("<ROOT><UPDATES NO_UPDATE_CONF='tRUE'/></ROOT>")->NoUpdateConf);
  const auto d = Load("<ROOT><UPDATES ALWAYS_UPDATE_DB='1' NO_UPDATE_CONF=' true'/></ROOT>");
  EXPECT_FALSE(d->AlwaysUpdateDB);
  EXPECT_FALSE(d->NoUpdateConf);
  // Names match in their letter case only.
  EXPECT_FALSE(Load("<ROOT><updates ALWAYS_UPDATE_DB='TRUE'/></ROOT>")->AlwaysUpdateDB);
  EXPECT_FALSE(Load("<ROOT><UPDATES always_update_db='TRUE'/></ROOT>")->AlwaysUpdateDB);
}

TEST(UpdateDescriptionTest, MissingPartsReadAsEmptyAndTheFirstOfANameCounts) {
  const auto d = Load(
      "<ROOT><FORM INFO_FILE='Справка\\readme.txt'/><VERSIONS RESULT_BD_VERSION='4.0'/>"
      "<VERSIONS START_BD_VERSION='9.9' RESULT_BD_VERSION='9.9'/><DB_UPDATE/></ROOT>");
  EXPECT_FALSE(d->HasUpdates);
  EXPECT_TRUE(d->HasVersions);
  EXPECT_EQ(d->StartBdVersion, "");
  EXPECT_EQ(d->ResultBdVersion, "4.0");
  EXPECT_TRUE(d->HasForm);
  EXPECT_EQ(d->InfoFile, Ansi("Справка\\readme.txt"));
  EXPECT_TRUE(d->HasDbUpdate);
  EXPECT_TRUE(d->DbUpdate.empty());
  EXPECT_FALSE(d->HasSchemaUpdate);
  EXPECT_FALSE(d->HasConfigUpdate);
}

TEST(UpdateDescriptionTest, UnicodeFilesAreReadToo) {
  const auto d = TUpdateDescription::LoadFromBytes(QByteArray(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><ROOT><FORM INFO_FILE=\"Инструкция.txt\"/></ROOT>"));
  EXPECT_EQ(d->InfoFile, Ansi("Инструкция.txt"));
}

TEST(UpdateDescriptionTest, DescriptionsThatCannotBeFollowedAreRefusedWithTheReason) {
  EXPECT_NE(ErrorOf("<ROOT><VERSIONS></ROOT>").find("строка 1"), std::string::npos);
  EXPECT_NE(ErrorOf("").find("строка"), std::string::npos);
  EXPECT_NE(ErrorOf("<CONFIG><UPDATES/></CONFIG>").find("корневой элемент \"CONFIG\""),
            std::string::npos);
  // Shares of the bar are not checked on loading: a step for another server
  // kind, or a part that is never offered, may leave them out.
  EXPECT_EQ(ErrorOf("<ROOT><CONFIG_UPDATE><I/></CONFIG_UPDATE></ROOT>"), "no error");
  EXPECT_EQ(ErrorOf("<ROOT><DB_UPDATE><I SUBD='ORACLE'/></DB_UPDATE></ROOT>"), "no error");
  // The transfer items have no share of the bar: nothing to check there.
  EXPECT_EQ(ErrorOf("<ROOT><SCHEMA_UPDATE><I/></SCHEMA_UPDATE></ROOT>"), "no error");
}

// A share is read where a run takes the step, and a bad one names the
// description file, the step's element and its line.
TEST(UpdateDescriptionTest, AShareThatIsNoNumberIsRefusedWhereItIsReadNamingFileAndItem) {
  ProgramDir = "/opt/release\\";
  const auto d = TUpdateDescription::LoadFromBytes(QByteArray(
      "<ROOT>\n<DB_UPDATE>\n<STEP TIME_PERCENT='10%'/><I TIME_PERCENT='-5'/><I/></DB_UPDATE></ROOT>"));
  ASSERT_EQ(d->DbUpdate.size(), 3u);
  for (const TDbUpdateItem& item : d->DbUpdate) EXPECT_THROW(item.Percent(), EUpdateDescriptionError);
  try {
    d->DbUpdate[0].Percent();
  } catch (const EUpdateDescriptionError& error) {
    EXPECT_EQ(classlib::Cp1251ToUtf8(error.what()),
              "файл \"/opt/release/updcfg.xml\": значение TIME_PERCENT \"10%\" элемента STEP "
              "(строка 3) не является числом");
  }
  ProgramDir.clear();
}

}  // namespace
}  // namespace app::testing
