// Pictures of the three pages, rendered offscreen into the build folder
// (app/screenshots/) for a person to look at.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QPixmap>
#include <set>

#include "window_fixture.h"

namespace app::testing {
namespace {

TEST_F(WindowTest, EachPageIsRenderedToAPicture) {
  const QString folder = QStringLiteral(UPDATER_BINARY_DIR "/app/screenshots");
  ASSERT_TRUE(QDir().mkpath(folder));
  Choose("FIREBIRD");
  window.eUserName->setText("SYSDBA");
  window.ePassword->setText("masterkey");
  window.eForDB->setText("/var/lib/product/product.fdb");
  ShowAllPages();

  const char* names[] = {"page1-base-select.png", "page2-user.png", "page3-update.png"};
  for (int page = 0; page < 3; ++page) {
    window.pcMain->setCurrentIndex(page);
    const QImage image = window.grab().toImage();
    ASSERT_EQ(image.size(), QSize(kClientWidth, kClientHeight) * image.devicePixelRatio());
    // A page with controls on it has more than a background colour.
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3)
      for (int x = 0; x < image.width(); x += 3) colours.insert(image.pixel(x, y));
    EXPECT_GT(colours.size(), 4u) << names[page];
    const QString file = folder + QLatin1Char('/') + QLatin1String(names[page]);
    EXPECT_TRUE(image.save(file)) << file.toStdString();
    EXPECT_TRUE(QFile::exists(file));
  }
}

// The first page as each kind of server lays it out.
TEST_F(WindowTest, TheFirstPageOfEachKindIsRenderedToAPicture) {
  const QString folder = QStringLiteral(UPDATER_BINARY_DIR "/app/screenshots");
  ASSERT_TRUE(QDir().mkpath(folder));
  for (const char* kind : {"FIREBIRD", "MSSQL", "ORACLE"}) {
    Choose(kind);
    const QString file = folder + QStringLiteral("/page1-%1.png").arg(QString::fromLatin1(kind).toLower());
    EXPECT_TRUE(window.grab().save(file)) << file.toStdString();
  }
}

}  // namespace
}  // namespace app::testing
