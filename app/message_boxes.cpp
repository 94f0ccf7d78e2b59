#include "app/message_boxes.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace app {

namespace {

IMessageBoxes* installed = nullptr;

constexpr unsigned kButtonsMask = 0xF;
constexpr unsigned kIconMask = 0xF0;
constexpr unsigned kDefaultButtonMask = 0xF00;

}  // namespace

bool InteractiveMessageBoxes() {
  const char* mode = std::getenv("UPDATER_MESSAGES");
  if (mode && std::strcmp(mode, "stderr") == 0) return false;
  if (mode && std::strcmp(mode, "window") == 0) return true;
  const QString platform = QGuiApplication::platformName();
  return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

IMessageBoxes& MessageBoxes() {
  if (installed) return *installed;
  static StderrMessageBoxes printed;
  static QtMessageBoxes shown;
  if (InteractiveMessageBoxes()) return shown;
  return printed;
}

void SetMessageBoxes(IMessageBoxes* boxes) { installed = boxes; }

void ShowErrorBox(QWidget* owner, const QString& text) {
  MessageBoxes().Show(owner, text, kErrorCaption, MB_OK | MB_ICONERROR);
}

void ShowInformationBox(QWidget* owner, const QString& text) {
  MessageBoxes().Show(owner, text, kInformationCaption, MB_OK | MB_ICONINFORMATION);
}

int DefaultAnswer(unsigned style) {
  const bool second = (style & kDefaultButtonMask) == MB_DEFBUTTON2;
  switch (style & kButtonsMask) {
    case MB_OKCANCEL:
      return second ? IDCANCEL : IDOK;
    case MB_YESNO:
      return second ? IDNO : IDYES;
    default:
      return IDOK;
  }
}

int StderrMessageBoxes::Show(QWidget* owner, const QString& text, const QString& caption,
                             unsigned style) {
  Notify(owner, text, caption, style);
  return DefaultAnswer(style);
}

QWidget* StderrMessageBoxes::Notify(QWidget*, const QString& text, const QString& caption,
                                    unsigned) {
  QString plain = text;
  plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  const QByteArray line = (caption + QStringLiteral(": ") + plain + QLatin1Char('\n')).toUtf8();
  std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
  std::fflush(stderr);
  return nullptr;
}

namespace {

void SetUpBox(QMessageBox& box, const QString& text, const QString& caption, unsigned style) {
  box.setWindowTitle(caption);
  box.setText(text);
  switch (style & kIconMask) {
    case MB_ICONERROR: box.setIcon(QMessageBox::Critical); break;
    case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
    case MB_ICONWARNING: box.setIcon(QMessageBox::Warning); break;
    case MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
    default: break;
  }
}

}  // namespace

QWidget* QtMessageBoxes::Notify(QWidget* owner, const QString& text, const QString& caption,
                                unsigned style) {
  auto* box = new QMessageBox(owner);
  SetUpBox(*box, text, caption, style);
  box->setStandardButtons(QMessageBox::Ok);
  box->setWindowModality(Qt::NonModal);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->show();
  return box;
}

int QtMessageBoxes::Show(QWidget* owner, const QString& text, const QString& caption,
                         unsigned style) {
  QMessageBox box(owner);
  SetUpBox(box, text, caption, style);
  QMessageBox::StandardButton first = QMessageBox::Ok;
  QMessageBox::StandardButton second = QMessageBox::NoButton;
  switch (style & kButtonsMask) {
    case MB_OKCANCEL: second = QMessageBox::Cancel; break;
    case MB_YESNO: first = QMessageBox::Yes; second = QMessageBox::No; break;
    default: break;
  }
  box.setStandardButtons(first | second);
  const bool second_default = (style & kDefaultButtonMask) == MB_DEFBUTTON2;
  box.setDefaultButton(second_default && second != QMessageBox::NoButton ? second : first);
  switch (box.exec()) {
    case QMessageBox::Cancel: return IDCANCEL;
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    case QMessageBox::Ok: return IDOK;
    default:  // closed from its title bar
      return second != QMessageBox::NoButton ? (second == QMessageBox::No ? IDNO : IDCANCEL) : IDOK;
  }
}

}  // namespace app
