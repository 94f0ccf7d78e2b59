// The third page as the update run sees it.
#include <QCoreApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextBlock>

#include "app/main_window.h"
#include "app/qt_text.h"
#include "app/state_images.h"

namespace app {

std::string TfrmUpdate::StatusText() const { return AnsiOf(lInfo->text()); }
void TfrmUpdate::SetStatusText(const std::string& text) {
  lInfo->setText(QStringOfAnsi(text));
  FitWindow();
}

int TfrmUpdate::ProgressMin() const { return pbCondition->minimum(); }
int TfrmUpdate::ProgressMax() const { return pbCondition->maximum(); }
void TfrmUpdate::SetProgressRange(int min, int max) { pbCondition->setRange(min, max); }
int TfrmUpdate::ProgressPosition() const { return pbCondition->value(); }
void TfrmUpdate::SetProgressPosition(int position) { pbCondition->setValue(position); }

void TfrmUpdate::AddDetailLine(const std::string& line) {
  mDetails->appendPlainText(QStringOfAnsi(line));
}

std::vector<std::string> TfrmUpdate::DetailLines() const {
  std::vector<std::string> lines;
  const QTextDocument* document = mDetails->document();
  if (document->isEmpty()) return lines;
  for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
    lines.push_back(AnsiOf(block.text()));
  return lines;
}

void TfrmUpdate::ClearDetails() { mDetails->clear(); }
bool TfrmUpdate::DetailsButtonEnabled() const { return sbDetails->isEnabled(); }
void TfrmUpdate::SetDetailsButtonEnabled(bool enabled) { sbDetails->setEnabled(enabled); }

QLabel* TfrmUpdate::StateImageLabel(TUpdatePhase part) const {
  switch (part) {
    case upDatabase: return imgUpdateDB;
    case upReferenceGroups: return imgUpdateXML;
    case upSettings: return imgUpdateConf;
  }
  return imgUpdateDB;
}

void TfrmUpdate::SetStateImage(TUpdatePhase part, TStateImage image) {
  state_images_[part] = image;
  QLabel* label = StateImageLabel(part);
  label->setPixmap(StateImagePicture(image));
  label->repaint();
}

TStateImage TfrmUpdate::StateImage(TUpdatePhase part) const { return state_images_[part]; }

void TfrmUpdate::ProcessMessages() { QCoreApplication::processEvents(); }

}  // namespace app
