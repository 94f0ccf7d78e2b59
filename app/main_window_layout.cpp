// Where the window's controls lie. The pages keep the designed places and
// the designed window size while their texts fit; a caption that needs more
// room (a longer caption for another kind of server, an option's suffix, a
// larger font or scale) moves the columns right of it and widens the window,
// so no text is cut and no control covers another.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

#include "app/drop_down_combo_box.h"
#include "app/main_window.h"
#include "app/state_images.h"

namespace app {

namespace {

constexpr int kPageMargin = 8;
// The designed columns of the first page: the edits, then the check box
// and the password on the right.
constexpr int kEditLeft = 140;
constexpr int kEditWidth = 140;
constexpr int kSecondColumn = 296;
constexpr int kPasswordEditLeft = 356;
// The designed column and width of the second page's lists.
constexpr int kUserListLeft = 170;
constexpr int kUserListWidth = 220;
constexpr int kLabelGap = 8;
constexpr int kColumnGap = 16;
// The narrowest a stretched edit gets before the window widens.
constexpr int kMinStretchWidth = 100;
constexpr int kRowTop = 8;
constexpr int kRowPitch = 28;
constexpr int kRowHeight = 21;
constexpr int kCheckBoxHeight = 17;
constexpr int kButtonWidth = 75;
constexpr int kWideButtonWidth = 120;
constexpr int kButtonHeight = 25;
// The bottom row of buttons, counted from the page's top.
constexpr int kButtonRowTop = 136;

int RowTop(int row) { return kRowTop + row * kRowPitch; }

// The designed width, or more when the caption needs it.
int ButtonWidth(const QPushButton* button, int designed) {
  return std::max(designed, button->sizeHint().width());
}

// Where the controls right of `labels` start: the designed column, or
// further right when a label is wider.
int LabelColumn(std::initializer_list<const QLabel*> labels, int designed) {
  int column = designed;
  for (const QLabel* label : labels)
    column = std::max(column, kPageMargin + label->sizeHint().width() + kLabelGap);
  return column;
}

void PlaceLabel(QLabel* label, int left, int row_top) {
  label->adjustSize();
  label->move(left, row_top + (kRowHeight - label->height()) / 2);
}

// A label and the control it names, on one row.
void PlaceRow(QLabel* label, QWidget* control, int column, int width, int row_top) {
  PlaceLabel(label, kPageMargin, row_top);
  control->setGeometry(column, row_top, width, kRowHeight);
}

void PlaceButton(QPushButton* button, int left, int top, int width) {
  button->setGeometry(left, top, width, kButtonHeight);
}

struct TBaseColumns {
  int edit;           // the edits under each other
  int second;         // the check box and the password's label
  int password_edit;  // the password's edit
};

TBaseColumns BaseColumns(const TfrmUpdate& w) {
  const int edit = LabelColumn({w.lDBType, w.lUserName, w.lServerName, w.lForDB}, kEditLeft);
  const int second = std::max(kSecondColumn, edit + kEditWidth + kColumnGap);
  const int password_edit =
      std::max(kPasswordEditLeft, second + w.lPassword->sizeHint().width() + kLabelGap);
  return {edit, second, password_edit};
}

}  // namespace

void TfrmUpdate::FitWindow() {
  constexpr int kStatusGap = 12;
  constexpr int kMinStatusWidth = 220;
  const int column = kPageMargin + LayOutUpdateOptions() + kStatusGap;
  const int width = std::max({kClientWidth, column + kMinStatusWidth + kPageMargin,
                              BaseSelectPageWidth(), UserPageWidth()});
  const int button_top = LayOutUpdateStatus(column, width);
  LayOutUpdateButtons(width, button_top);
  SizeWindow(width, button_top - kButtonRowTop);
}

int TfrmUpdate::BaseSelectPageWidth() const {
  const TBaseColumns c = BaseColumns(*this);
  return std::max({c.second + cbForDB->sizeHint().width() + kPageMargin,
                   c.password_edit + kMinStretchWidth + kPageMargin,
                   c.edit + kMinStretchWidth + kFileButtonGap +
                       ButtonWidth(btnFileDB, kButtonWidth) + kPageMargin,
                   kPageMargin + ButtonWidth(btnConfigConnection, kWideButtonWidth) + kColumnGap +
                       ButtonWidth(btnCheckConnection, kButtonWidth) + kPageMargin});
}

void TfrmUpdate::LayOutBaseSelectPage(int width) {
  const TBaseColumns c = BaseColumns(*this);
  const int right = width - kPageMargin;
  PlaceRow(lDBType, cbDBType, c.edit, kEditWidth, RowTop(0));
  cbForDB->setGeometry(c.second, RowTop(0) + (kRowHeight - kCheckBoxHeight) / 2, right - c.second,
                       std::max(kCheckBoxHeight, cbForDB->sizeHint().height()));
  PlaceRow(lUserName, eUserName, c.edit, kEditWidth, RowTop(1));
  PlaceLabel(lPassword, c.second, RowTop(1));
  ePassword->setGeometry(c.password_edit, RowTop(1), right - c.password_edit, kRowHeight);
  PlaceRow(lServerName, cbServerName, c.edit, kEditWidth, RowTop(2));

  // The file edit ends short of the browse button when that button shows,
  // and takes the button's room otherwise.
  const int browse_width = ButtonWidth(btnFileDB, kButtonWidth);
  PlaceButton(btnFileDB, right - browse_width, RowTop(3) - (kButtonHeight - kRowHeight) / 2,
              browse_width);
  const int file_right = btnFileDB->isHidden() ? right : btnFileDB->x() - kFileButtonGap;
  PlaceRow(lForDB, eForDB, c.edit, file_right - c.edit, RowTop(3));

  PlaceButton(btnConfigConnection, kPageMargin, kButtonRowTop,
              ButtonWidth(btnConfigConnection, kWideButtonWidth));
  const int check_width = ButtonWidth(btnCheckConnection, kButtonWidth);
  PlaceButton(btnCheckConnection, right - check_width, kButtonRowTop, check_width);
}

int TfrmUpdate::UserPageWidth() const {
  const int column = LabelColumn({Label2, Label1, LabeledEditParolLabel}, kUserListLeft);
  return std::max(column + kUserListWidth + kPageMargin,
                  kPageMargin + ButtonWidth(ButtonOK, kButtonWidth) + kPageMargin +
                      ButtonWidth(ButtonCancel, kButtonWidth) + kPageMargin);
}

void TfrmUpdate::LayOutUserPage(int width) {
  const int column = LabelColumn({Label2, Label1, LabeledEditParolLabel}, kUserListLeft);
  PlaceRow(Label2, ComboBoxUser, column, kUserListWidth, RowTop(0));
  PlaceRow(Label1, ComboBoxGroup, column, kUserListWidth, RowTop(1));
  PlaceRow(LabeledEditParolLabel, LabeledEditParol, column, kUserListWidth, RowTop(2));
  const int cancel_width = ButtonWidth(ButtonCancel, kButtonWidth);
  const int cancel_left = width - kPageMargin - cancel_width;
  PlaceButton(ButtonCancel, cancel_left, kButtonRowTop, cancel_width);
  const int ok_width = ButtonWidth(ButtonOK, kButtonWidth);
  PlaceButton(ButtonOK, cancel_left - kPageMargin - ok_width, kButtonRowTop, ok_width);
}

// The options box as designed, or as wide as its longest caption.
int TfrmUpdate::LayOutUpdateOptions() {
  constexpr int kBoxTop = 4;
  constexpr int kBoxRowHeight = 26;
  int box_width = 300;
  QCheckBox* const boxes[] = {cbUpdateDB, cbUpdateXML, cbUpdateConf};
  QLabel* const images[] = {imgUpdateDB, imgUpdateXML, imgUpdateConf};
  for (int i = 0; i < 3; ++i) {
    const int top = 14 + kBoxRowHeight * i;
    images[i]->setGeometry(10, top, kStateImageSize, kStateImageSize);
    const QSize hint = boxes[i]->sizeHint();
    boxes[i]->setGeometry(34, top, std::max(256, hint.width()),
                          std::max(kCheckBoxHeight, hint.height()));
    box_width = std::max(box_width, boxes[i]->geometry().right() + 1 + 10);
  }
  gnUpdOptions->setGeometry(kPageMargin, kBoxTop, box_width, 96);
  return box_width;
}

// The status column right of the options: its caption, the status text
// over as many lines as it has, the progress bar below.
int TfrmUpdate::LayOutUpdateStatus(int column, int width) {
  constexpr int kMinInfoHeight = 34;
  const int column_width = width - kPageMargin - column;
  lCurOperation->adjustSize();
  lCurOperation->move(column, 8);
  const int info_height = std::max(kMinInfoHeight, lInfo->heightForWidth(column_width));
  lInfo->setGeometry(column, 28, column_width, info_height);
  pbCondition->setGeometry(column, std::max(70, 28 + info_height + 8), column_width, 17);
  return std::max({kButtonRowTop, pbCondition->geometry().bottom() + 1 + 8,
                   gnUpdOptions->geometry().bottom() + 1 + 8});
}

void TfrmUpdate::LayOutUpdateButtons(int width, int button_top) {
  constexpr int kDetailsWidth = 90;
  PlaceButton(sbDetails, kPageMargin, button_top, ButtonWidth(sbDetails, kDetailsWidth));
  PlaceButton(bbOpenDir, 200, button_top, ButtonWidth(bbOpenDir, kDetailsWidth));
  PlaceButton(bbInstruction, 300, button_top, ButtonWidth(bbInstruction, kDetailsWidth));
  const int execute_width = ButtonWidth(bbExecute, kButtonWidth);
  PlaceButton(bbExecute, width - kPageMargin - execute_width, button_top, execute_width);
  mDetails->setGeometry(kPageMargin, button_top + kButtonHeight + 4, width - 2 * kPageMargin,
                        mDetails->height());
}

}  // namespace app
