// What the third page offers for the prepared run state.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>

#include "app/run_state.h"
#include "app/update_description.h"
#include "app/update_options.h"
#include "classlib/codepage.h"
#include "testing/product_fixture.h"

namespace app::testing {
namespace {

TEST(ListedReleaseTest, WholeEntriesOfTheStartListCount) {
  EXPECT_TRUE(IsListedRelease("3.2", "3.1;3.2;"));
  EXPECT_TRUE(IsListedRelease("3.1", "3.1;3.2;"));
  EXPECT_TRUE(IsListedRelease("3.2", " 3.1 ; 3.2 ;"));
  EXPECT_FALSE(IsListedRelease("3.1", "13.1;"));
  EXPECT_FALSE(IsListedRelease("3.", "3.1;"));
  EXPECT_FALSE(IsListedRelease("3.1.1", "3.1;"));
  // An empty version table leaves the whole list as the current release.
  EXPECT_TRUE(IsListedRelease("3.1;3.2", "3.1;3.2;"));
  EXPECT_TRUE(IsListedRelease("", ";"));
  // Without VERSIONS nothing is listed.
  EXPECT_FALSE(IsListedRelease("", ""));
  EXPECT_FALSE(IsListedRelease("3.1", ""));
}

class UpdateOptionsTest : public ::testing::Test {
 protected:
  UpdateOptionsTest() {
    ResetRunState();
    execute.setEnabled(false);
    controls = {&db, &xml, &conf, &execute, nullptr};
  }
  ~UpdateOptionsTest() override {
    ResetRunState();
    UpdateDescription.reset();
  }

  void Describe(const std::string& body_utf8) {
    UpdateDescription = TUpdateDescription::LoadFromBytes(
        QByteArray::fromStdString("<?xml version=\"1.0\" encoding=\"windows-1251\"?>" +
                                  classlib::Utf8ToCp1251(body_utf8)));
    StartVersions = UpdateDescription->HasVersions ? UpdateDescription->StartBdVersion + ";" : "";
    ResultVersion = UpdateDescription->ResultBdVersion;
    AlwaysUpdateDB = UpdateDescription->AlwaysUpdateDB;
    NoUpdateConf = UpdateDescription->NoUpdateConf;
  }
  void Fill(const std::string& current) {
    CurrentDBVersion = classlib::Utf8ToCp1251(current);
    FillUpdateOptions(controls);
  }

  QCheckBox db{QStringLiteral("Обновление базы данных")};
  QCheckBox xml{QStringLiteral("Перенос групп справочников")};
  QCheckBox conf{QStringLiteral("Обновление настроек ПОНТАРЕКС")};
  QPushButton execute;
  TUpdateOptionControls controls;
};

TEST_F(UpdateOptionsTest, AListedReleaseOffersAndChecksTheDatabaseUpdate) {
  Describe(FullUpdateDescription("3.1;3.2", "3.3"));
  Fill("3.2");
  EXPECT_TRUE(db.isEnabled());
  EXPECT_TRUE(db.isChecked());
  EXPECT_EQ(db.text(), QStringLiteral("Обновление базы данных"));
  EXPECT_TRUE(xml.isChecked());
  EXPECT_TRUE(xml.isEnabled());
  EXPECT_TRUE(execute.isEnabled());
}

TEST_F(UpdateOptionsTest, ReleasesNotListedGetTheSuffixThatSaysWhy) {
  Describe(FullUpdateDescription("3.1;3.2", "3.3"));
  Fill("3.3");
  EXPECT_FALSE(db.isEnabled());
  EXPECT_FALSE(db.isChecked());
  EXPECT_EQ(db.text(),
            QStringLiteral("Обновление базы данных (обновление версии 3.3 уже установлено)"));
  EXPECT_FALSE(execute.isEnabled());

  // A second login in the same run says why anew, in place of the first
  // reason; a third that may update shows the caption as designed.
  Fill("3.0");
  EXPECT_EQ(db.text(),
            QStringLiteral("Обновление базы данных (невозможно провести обновление с версии 3.0)"));
  Fill("3.2");
  EXPECT_EQ(db.text(), QStringLiteral("Обновление базы данных"));
}

// A database whose version row holds an empty text: the caption says so
// with nothing in the release's place, never with a "%1".
TEST_F(UpdateOptionsTest, AnEmptyCurrentReleaseLeavesNoPlaceholderInTheCaption) {
  Describe(FullUpdateDescription("3.1", "3.2"));
  Fill("");
  EXPECT_EQ(db.text(), QStringLiteral("Обновление базы данных (невозможно провести обновление с версии )"));
}

// A release that could not be read is not put where a release number
// stands ("с версии не определена" is no Russian): it gets its own words.
TEST_F(UpdateOptionsTest, AnUnknownReleaseIsSaidInASentenceOfItsOwn) {
  Describe(FullUpdateDescription("3.1", "3.2"));
  Fill("не определена");
  EXPECT_FALSE(db.isEnabled());
  EXPECT_EQ(db.text(), QStringLiteral("Обновление базы данных (версия базы данных не определена, "
                                      "обновление невозможно)"));
  // ALWAYS_UPDATE_DB still offers the part: the release does not matter.
  Describe("<ROOT><UPDATES ALWAYS_UPDATE_DB=\"TRUE\"/>"
           "<DB_UPDATE><I SUBD=\"FIREBIRD\"/></DB_UPDATE></ROOT>");
  Fill("не определена");
  EXPECT_TRUE(db.isEnabled());
  EXPECT_EQ(db.text(), QStringLiteral("Обновление базы данных"));
}

TEST_F(UpdateOptionsTest, AReleaseThatEndsAListedOneIsNotListed) {
  Describe(FullUpdateDescription("13.1", "13.2"));
  Fill("3.1");
  EXPECT_FALSE(db.isEnabled());
  EXPECT_FALSE(db.isChecked());
  EXPECT_TRUE(db.text().endsWith(QStringLiteral("(невозможно провести обновление с версии 3.1)")));
}

TEST_F(UpdateOptionsTest, AnEmptyVersionTableCountsAsListed) {
  Describe(FullUpdateDescription("3.1;3.2", "3.3"));
  Fill("3.1;3.2");
  EXPECT_TRUE(db.isEnabled());
  EXPECT_TRUE(db.isChecked());
}

TEST_F(UpdateOptionsTest, WithoutVersionsOnlyAlwaysUpdateOffersTheDatabaseUpdate) {
  Describe("<ROOT><UPDATES ALWAYS_UPDATE_DB='TRUE'/><DB_UPDATE><I TIME_PERCENT='1'/></DB_UPDATE>"
           "</ROOT>");
  Fill("3.1");
  EXPECT_TRUE(db.isEnabled());
  EXPECT_FALSE(db.isChecked());
  EXPECT_FALSE(xml.isChecked());
  EXPECT_TRUE(execute.isEnabled());
}

// An empty database section of a listed release: running the part writes
// the version row and nothing else, and the caption says so. Where no row
// would be written either, the part is not run at all.
TEST_F(UpdateOptionsTest, AnEmptyDatabasePartOffersTheVersionRowAlone) {
  Describe("<ROOT><VERSIONS START_BD_VERSION='3.1' RESULT_BD_VERSION='3.2'/><DB_UPDATE/></ROOT>");
  Fill("3.1");
  EXPECT_TRUE(db.isEnabled());
  EXPECT_TRUE(db.isChecked());
  EXPECT_EQ(db.text(), QStringLiteral("Обновление базы данных (только запись версии 3.2)"));
  EXPECT_TRUE(execute.isEnabled());
  Fill("не определена");
  EXPECT_FALSE(db.isEnabled());
  EXPECT_FALSE(db.isChecked());
  EXPECT_EQ(db.text(), QStringLiteral("Обновление базы данных (не обновляется)"));

  Describe("<ROOT><UPDATES ALWAYS_UPDATE_DB='TRUE'/><VERSIONS START_BD_VERSION='3.1'/>"
           "<DB_UPDATE/></ROOT>");
  Fill("3.1");
  EXPECT_FALSE(db.isEnabled());
  EXPECT_FALSE(db.isChecked());
  EXPECT_EQ(db.text(), QStringLiteral("Обновление базы данных (не обновляется)"));
}

TEST_F(UpdateOptionsTest, TheSettingsUpdateNeedsTheProcessPlanningProduct) {
  Describe(FullUpdateDescription("3.1", "3.2"));
  Fill("3.1");
  EXPECT_FALSE(conf.isEnabled());
  EXPECT_FALSE(conf.isChecked());
  EXPECT_EQ(conf.text(), QStringLiteral("Обновление настроек ПОНТАРЕКС (ПОНТАРЕКС не установлена)"));
}

TEST_F(UpdateOptionsTest, TheSettingsUpdateFollowsTheDatabaseUpdate) {
  Describe(FullUpdateDescription("3.1", "3.2"));
  PontarexInstalled = true;
  Fill("3.1");
  EXPECT_TRUE(conf.isEnabled());
  EXPECT_TRUE(conf.isChecked());
  EXPECT_EQ(conf.text(), QStringLiteral("Обновление настроек ПОНТАРЕКС"));

  Fill("3.0");
  EXPECT_TRUE(conf.isEnabled());
  EXPECT_FALSE(conf.isChecked());
  // The settings update alone is enough to run.
  EXPECT_TRUE(execute.isEnabled());
}

TEST_F(UpdateOptionsTest, NoUpdateConfTurnsTheSettingsUpdateOff) {
  Describe("<ROOT><UPDATES NO_UPDATE_CONF='true'/><VERSIONS START_BD_VERSION='3.1'/>"
           "<DB_UPDATE><I TIME_PERCENT='1'/></DB_UPDATE></ROOT>");
  PontarexInstalled = true;
  Fill("3.1");
  EXPECT_FALSE(conf.isEnabled());
  EXPECT_FALSE(conf.isChecked());
  EXPECT_EQ(conf.text(), QStringLiteral("Обновление настроек ПОНТАРЕКС (не обновляется)"));
  EXPECT_TRUE(execute.isEnabled());
}

// A part the description brings nothing for could only fail: it is shown,
// disabled, with the reason, and neither part keeps a checkmark.
TEST_F(UpdateOptionsTest, APartWhoseSectionIsMissingOrEmptyIsNotOffered) {
  PontarexInstalled = true;
  Describe("<ROOT><VERSIONS START_BD_VERSION='3.1'/><DB_UPDATE><I TIME_PERCENT='1'/></DB_UPDATE>"
           "</ROOT>");
  Fill("3.1");
  for (QCheckBox* box : {&xml, &conf}) {
    EXPECT_FALSE(box->isEnabled()) << box->text().toStdString();
    EXPECT_FALSE(box->isChecked()) << box->text().toStdString();
  }
  EXPECT_EQ(xml.text(), QStringLiteral("Перенос групп справочников (не обновляется)"));
  EXPECT_EQ(conf.text(), QStringLiteral("Обновление настроек ПОНТАРЕКС (не обновляется)"));
  EXPECT_TRUE(execute.isEnabled());  // the database update still runs

  Describe("<ROOT><VERSIONS START_BD_VERSION='3.1'/><SCHEMA_UPDATE/><CONFIG_UPDATE/></ROOT>");
  Fill("3.1");
  EXPECT_FALSE(xml.isEnabled());
  EXPECT_FALSE(conf.isEnabled());
  EXPECT_FALSE(execute.isEnabled());

  // A release that brings them offers them again, without the old reason.
  Describe(FullUpdateDescription("3.1", "3.2"));
  Fill("3.1");
  EXPECT_TRUE(xml.isEnabled());
  EXPECT_TRUE(xml.isChecked());
  EXPECT_EQ(xml.text(), QStringLiteral("Перенос групп справочников"));
  EXPECT_TRUE(conf.isEnabled());
  EXPECT_EQ(conf.text(), QStringLiteral("Обновление настроек ПОНТАРЕКС"));
}

}  // namespace
}  // namespace app::testing
