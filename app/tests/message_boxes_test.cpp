#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPointer>
#include <QWidget>

#include "app/message_boxes.h"
#include "window_test_support.h"

namespace app {
namespace {

TEST(MessageBoxesTest, UnansweredBoxesTakeTheirDefaultButton) {
  EXPECT_EQ(DefaultAnswer(MB_OK | MB_ICONERROR), IDOK);
  EXPECT_EQ(DefaultAnswer(MB_YESNO | MB_ICONQUESTION), IDYES);
  EXPECT_EQ(DefaultAnswer(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2), IDNO);
  EXPECT_EQ(DefaultAnswer(MB_OKCANCEL | MB_DEFBUTTON2), IDCANCEL);
}

TEST(MessageBoxesTest, OffscreenRunsPrintTheirBoxes) {
  EXPECT_FALSE(InteractiveMessageBoxes());
  EXPECT_NE(dynamic_cast<StderrMessageBoxes*>(&MessageBoxes()), nullptr);

  ::testing::internal::CaptureStderr();
  StderrMessageBoxes printed;
  const int answer = printed.Show(nullptr, QStringLiteral("Строка 1\r\nСтрока 2"),
                                  kErrorCaption, MB_OK | MB_ICONERROR);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Ошибка: Строка 1\nСтрока 2\n");
  EXPECT_EQ(answer, IDOK);
}

// A box that does not wait: the caller goes on while it shows, and it goes
// away with its window when closed. "window" asks for the window system's
// boxes even where nobody can click.
TEST(MessageBoxesTest, ANoticeShowsWithoutWaitingAndGoesWhenClosed) {
  {
    app::testing::ScopedEnv real_boxes("UPDATER_MESSAGES", "window");
    EXPECT_TRUE(InteractiveMessageBoxes());
  }
  QWidget owner;
  owner.show();
  QtMessageBoxes shown;
  QPointer<QWidget> notice = shown.Notify(&owner, QStringLiteral("Идет работа"),
                                          kInformationCaption, MB_OK | MB_ICONINFORMATION);
  ASSERT_NE(notice, nullptr);
  EXPECT_TRUE(notice->isVisible());
  EXPECT_FALSE(notice->isModal());
  EXPECT_EQ(notice->windowTitle(), kInformationCaption);
  notice->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(notice, nullptr);
}

TEST(MessageBoxesTest, TheHelpersUseTheInstalledServiceWithTheirCaptions) {
  app::testing::ScriptedMessageBoxes boxes;
  EXPECT_EQ(&MessageBoxes(), &boxes);
  ShowErrorBox(nullptr, "bad");
  ShowInformationBox(nullptr, "done");
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("Ошибка"));
  EXPECT_EQ(boxes.shown[0].style, MB_OK | MB_ICONERROR);
  EXPECT_EQ(boxes.shown[1].caption, QStringLiteral("Информация"));
  EXPECT_EQ(boxes.shown[1].style, MB_OK | MB_ICONINFORMATION);
}

}  // namespace
}  // namespace app
