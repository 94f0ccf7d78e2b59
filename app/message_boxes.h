// Message boxes of the updater. Every box the program shows goes through the
// one installed service, so tests can answer them by script and a run with
// no screen can print them instead of waiting for a click nobody can give.
#pragma once

#include <QString>

class QWidget;

namespace app {

// Styles and answers as the platform numbers them, because callers combine
// and compare them that way.
inline constexpr unsigned MB_OK = 0x0;
inline constexpr unsigned MB_OKCANCEL = 0x1;
inline constexpr unsigned MB_YESNO = 0x4;
inline constexpr unsigned MB_ICONERROR = 0x10;
inline constexpr unsigned MB_ICONQUESTION = 0x20;
inline constexpr unsigned MB_ICONWARNING = 0x30;
inline constexpr unsigned MB_ICONINFORMATION = 0x40;
inline constexpr unsigned MB_DEFBUTTON2 = 0x100;

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

inline const QString kErrorCaption = QStringLiteral("Ошибка");
inline const QString kInformationCaption = QStringLiteral("Информация");

class IMessageBoxes {
 public:
  virtual ~IMessageBoxes() = default;
  // Shows text under caption with the buttons and icon of style; owner may be
  // null (a box of no window). Returns the button pressed (IDOK, IDYES, ...).
  virtual int Show(QWidget* owner, const QString& text, const QString& caption,
                   unsigned style) = 0;
  // Shows text without waiting for an answer: the caller goes on at once
  // (a box shown in the middle of a long step must not stop the step).
  // Returns the box while it stays on the screen, so the caller may close
  // it; null when nothing stays there.
  virtual QWidget* Notify(QWidget* owner, const QString& text, const QString& caption,
                          unsigned style) = 0;
};

// The installed service; until one is installed, the default for this run:
// printing when the run is not interactive, real boxes otherwise.
IMessageBoxes& MessageBoxes();
// Installs boxes (not owned); nullptr goes back to the default.
void SetMessageBoxes(IMessageBoxes* boxes);

// A run is not interactive when $UPDATER_MESSAGES is "stderr" or the window
// system is the offscreen or minimal one: no person can press a button.
// $UPDATER_MESSAGES "window" shows the window system's boxes in any case
// (a box that waits where nobody can answer it, as checks of the waiting
// program need).
bool InteractiveMessageBoxes();

// The two kinds of box the updater shows most.
void ShowErrorBox(QWidget* owner, const QString& text);
void ShowInformationBox(QWidget* owner, const QString& text);

// Writes "caption: text" (line breaks of the text as LF) to stderr and
// answers with the default button.
class StderrMessageBoxes : public IMessageBoxes {
 public:
  int Show(QWidget* owner, const QString& text, const QString& caption, unsigned style) override;
  QWidget* Notify(QWidget* owner, const QString& text, const QString& caption,
                  unsigned style) override;
};

// Modal boxes of the window system.
class QtMessageBoxes : public IMessageBoxes {
 public:
  int Show(QWidget* owner, const QString& text, const QString& caption, unsigned style) override;
  // A box of its own that goes away when closed.
  QWidget* Notify(QWidget* owner, const QString& text, const QString& caption,
                  unsigned style) override;
};

// The answer a box gives when nobody chooses: its default button.
int DefaultAnswer(unsigned style);

}  // namespace app
