// The sample installation that scripts/run.sh makes, updated through the
// window as a person would: it must log in and run clean.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QProcess>
#include <QTest>

#include "fib/zod/zod_database.h"
#include "product_environment.h"
#include "testing/scratch_folder.h"
#include "window_fixture.h"

namespace app::testing {
namespace {

class SampleReleaseTest : public WindowTest {
 protected:
  std::string Sample(const std::string& name) const { return product.File("sample/" + name); }

  ProductEnvironment product;
};

TEST_F(SampleReleaseTest, TheSampleUpdatesFromItsFirstReleaseToTheNext) {
  QProcess maker;
  maker.start(UPDATER_SAMPLE_PROGRAM,
              {QString::fromStdString(product.File("sample")), UPDATER_SAMPLE_LIBRARY});
  ASSERT_TRUE(maker.waitForFinished(120000));
  ASSERT_EQ(maker.exitCode(), 0) << maker.readAllStandardError().toStdString();
  platform::scratch::ScopedEnv registry("UPDATER_REGISTRY", Sample("registry"));
  platform::scratch::ScopedEnv release("UPDATER_RELEASE_DIR", Sample("release"));

  Choose("FIREBIRD");
  QTest::keyClicks(window.eUserName, "SYSDBA");
  QTest::keyClicks(window.ePassword, "masterkey");
  window.eForDB->setText(QString::fromStdString(Sample("product.fdb")));
  window.btnCheckConnection->click();
  window.ComboBoxUser->setCurrentIndex(window.ComboBoxUser->findText("admin"));
  window.LabeledEditParol->setText("secret");
  window.ButtonOK->click();
  ASSERT_EQ(window.pcMain->currentIndex(), 2);
  ASSERT_TRUE(window.cbUpdateDB->isChecked());
  EXPECT_FALSE(window.cbUpdateConf->isEnabled());
  boxes.answers = {IDYES};
  window.bbExecute->click();

  ASSERT_FALSE(boxes.shown.empty());
  EXPECT_EQ(boxes.shown.back().text, QStringLiteral("Обновление данных завершено"));
  EXPECT_FALSE(window.isVisible());  // nothing to report: the window closed
  fib::TpZODDatabase check(nullptr);
  check.SetDBName(Sample("product.fdb"));
  check.DBParams().SetText("user_name=SYSDBA\r\npassword=masterkey\r\nlc_ctype=WIN1251");
  check.Connect();
  EXPECT_EQ(check.QueryValue("SELECT BDVERSION FROM BO_VERSION WHERE ID = 3", 0).AsString(), "3.2");
  EXPECT_EQ(check.QueryValue("SELECT COUNT(*) FROM BOOKS WHERE AUTHOR IS NOT NULL", 0).AsInt64(), 1);
  // The data file went into the binary column and its key column is gone.
  EXPECT_EQ(check.QueryValue("SELECT OCTET_LENGTH(COVER) FROM BOOKS WHERE ID = 1", 0).AsInt64(), 18);
  EXPECT_EQ(check.QueryValue("SELECT COUNT(*) FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = "
                             "'BOOKS' AND RDB$FIELD_NAME = 'COVER_FILE'", 0).AsInt64(), 0);
  check.Close();
}

}  // namespace
}  // namespace app::testing
