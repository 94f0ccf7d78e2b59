// The window's controls with their captions, places and starting states.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>

#include "app/drop_down_combo_box.h"
#include "app/main_window.h"
#include "app/star_password_style.h"
#include "app/state_images.h"
#include "app/update_options.h"

namespace app {

namespace {

constexpr int kPageMargin = 8;
constexpr int kEditLeft = 140;
constexpr int kRowHeight = 21;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
// The bottom row of buttons, counted from the page's top.
constexpr int kButtonRowTop = 136;

template <typename Control>
Control* Place(Control* control, int left, int top, int width, int height) {
  control->setGeometry(left, top, width, height);
  return control;
}

QLabel* MakeLabel(QWidget* page, const char* caption, int left, int top) {
  auto* label = new QLabel(QString::fromUtf8(caption), page);
  label->move(left, top);
  label->adjustSize();
  return label;
}

// The designed width, or more when the caption needs it.
int ButtonWidth(QPushButton* button, int designed) {
  return std::max(designed, button->sizeHint().width());
}

QPushButton* MakeButton(QWidget* page, const char* caption, int left, int top, int width) {
  auto* button = new QPushButton(QString::fromUtf8(caption), page);
  return Place(button, left, top, ButtonWidth(button, width), kButtonHeight);
}

// A button whose right edge is at `right`.
QPushButton* MakeRightButton(QWidget* page, const char* caption, int right, int top) {
  QPushButton* button = MakeButton(page, caption, 0, top, kButtonWidth);
  button->move(right - button->width(), top);
  return button;
}

void MakePasswordEdit(QLineEdit* edit) {
  edit->setEchoMode(QLineEdit::Password);
  edit->setStyle(StarPasswordStyle());
}

}  // namespace

void TfrmUpdate::CreateBaseSelectPage() {
  QWidget* page = tsBaseSelect;
  const int right = kClientWidth - kPageMargin;
  lDBType = MakeLabel(page, "Тип базы данных:", kPageMargin, 12);
  cbDBType = Place(new QComboBox(page), kEditLeft, 8, 140, kRowHeight);
  cbForDB = Place(new QCheckBox(QStringLiteral("Локальный сервер базы данных"), page), 296, 10,
                  right - 296, 17);
  lUserName = MakeLabel(page, "Имя пользователя:", kPageMargin, 40);
  eUserName = Place(new QLineEdit(page), kEditLeft, 36, 140, kRowHeight);
  lPassword = MakeLabel(page, "Пароль:", 296, 40);
  ePassword = Place(new QLineEdit(page), 356, 36, right - 356, kRowHeight);
  MakePasswordEdit(ePassword);
  lServerName = MakeLabel(page, "Имя сервера:", kPageMargin, 68);
  cbServerName = Place(new TDropDownComboBox(page), kEditLeft, 64, 140, kRowHeight);
  lForDB = MakeLabel(page, "Файл базы данных:", kPageMargin, 96);
  btnFileDB = MakeRightButton(page, "Обзор...", right, 90);
  eForDB = Place(new QLineEdit(page), kEditLeft, 92, 0, kRowHeight);
  btnConfigConnection = MakeButton(page, "Дополнительно...", kPageMargin, kButtonRowTop, 120);
  btnCheckConnection = MakeRightButton(page, "Выбрать", right, kButtonRowTop);

  AnchorRight(cbForDB, true);
  AnchorRight(ePassword, true);
  AnchorRight(btnFileDB, false);
  AnchorRight(btnCheckConnection, false);
  cbDBType->setEditable(false);
  cbServerName->setEditable(true);
  for (QWidget* control : std::initializer_list<QWidget*>{
           cbForDB, lUserName, eUserName, lPassword, ePassword, lServerName, cbServerName, lForDB,
           eForDB, btnFileDB})
    control->setEnabled(false);
  LayOutKind(std::string());
}

void TfrmUpdate::CreateUserPage() {
  QWidget* page = tsUsrParams;
  constexpr int kLeft = 170;
  constexpr int kWidth = 220;
  Label2 = MakeLabel(page, "Имя пользователя :", kPageMargin, 12);
  ComboBoxUser = Place(new QComboBox(page), kLeft, 8, kWidth, kRowHeight);
  Label1 = MakeLabel(page, "Группа пользователей :", kPageMargin, 40);
  ComboBoxGroup = Place(new QComboBox(page), kLeft, 36, kWidth, kRowHeight);
  LabeledEditParolLabel = MakeLabel(page, "Пароль :", kPageMargin, 68);
  LabeledEditParol = Place(new QLineEdit(page), kLeft, 64, kWidth, kRowHeight);
  LabeledEditParolLabel->setBuddy(LabeledEditParol);
  MakePasswordEdit(LabeledEditParol);
  const int right = kClientWidth - kPageMargin;
  ButtonCancel = MakeRightButton(page, "Отмена", right, kButtonRowTop);
  ButtonOK = MakeRightButton(page, "OK", ButtonCancel->x() - kPageMargin, kButtonRowTop);
  ButtonOK->setDefault(true);
  AnchorRight(ButtonCancel, false);
  AnchorRight(ButtonOK, false);
}

void TfrmUpdate::CreateUpdatePage() {
  QWidget* page = tsUpdate;
  gnUpdOptions = new QGroupBox(page);
  const std::pair<QCheckBox**, QString> boxes[] = {{&cbUpdateDB, kUpdateDBCaption},
                                                    {&cbUpdateXML, kUpdateXMLCaption},
                                                    {&cbUpdateConf, kUpdateConfCaption}};
  QLabel** images[] = {&imgUpdateDB, &imgUpdateXML, &imgUpdateConf};
  for (int i = 0; i < 3; ++i) {
    *images[i] = new QLabel(gnUpdOptions);
    (*images[i])->setPixmap(StateImagePicture(siNotRun));
    *boxes[i].first = new QCheckBox(boxes[i].second, gnUpdOptions);
  }
  lCurOperation = MakeLabel(page, "Состояние:", 0, 8);
  lInfo = new QLabel(page);
  lInfo->setWordWrap(true);
  lInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  pbCondition = new QProgressBar(page);
  pbCondition->setRange(0, 100);
  pbCondition->setValue(0);
  pbCondition->setTextVisible(false);
  sbDetails = new QPushButton(QStringLiteral("Детали  >>"), page);
  sbDetails->setEnabled(false);
  sbDetails->setCheckable(true);
  bbOpenDir = new QPushButton(QStringLiteral("Проводник"), page);
  bbInstruction = new QPushButton(QStringLiteral("Инструкция"), page);
  bbOpenDir->setVisible(false);
  bbInstruction->setVisible(false);
  bbExecute = new QPushButton(QStringLiteral("Обновить"), page);
  mDetails = new QPlainTextEdit(page);
  mDetails->setReadOnly(true);
  mDetails->setGeometry(0, 0, 0, 0);  // shown by the details button only
  FitUpdatePage();
}

void TfrmUpdate::AnchorRight(QWidget* control, bool stretch) {
  right_anchors_.push_back({control, stretch});
}

// The update page as designed, widened and lengthened where its texts need
// it: the options box as wide as its longest caption, the status column
// right of it, the status text over as many lines as it has, the buttons
// below both. The window follows, never smaller than designed.
void TfrmUpdate::FitUpdatePage() {
  constexpr int kBoxRowHeight = 26;
  constexpr int kBoxTop = 4;
  constexpr int kColumnGap = 12;
  constexpr int kMinColumnWidth = 220;
  constexpr int kMinInfoHeight = 34;

  int box_width = 300;
  QCheckBox* const boxes[] = {cbUpdateDB, cbUpdateXML, cbUpdateConf};
  QLabel* const images[] = {imgUpdateDB, imgUpdateXML, imgUpdateConf};
  for (int i = 0; i < 3; ++i) {
    const int top = 14 + kBoxRowHeight * i;
    images[i]->setGeometry(10, top, kStateImageSize, kStateImageSize);
    const QSize hint = boxes[i]->sizeHint();
    boxes[i]->setGeometry(34, top, std::max(256, hint.width()), std::max(17, hint.height()));
    box_width = std::max(box_width, boxes[i]->geometry().right() + 1 + 10);
  }
  gnUpdOptions->setGeometry(kPageMargin, kBoxTop, box_width, 96);

  const int column = kPageMargin + box_width + kColumnGap;
  const int width = std::max(kClientWidth, column + kMinColumnWidth + kPageMargin);
  const int column_width = width - kPageMargin - column;
  lCurOperation->move(column, 8);
  const int info_height = std::max(kMinInfoHeight, lInfo->heightForWidth(column_width));
  lInfo->setGeometry(column, 28, column_width, info_height);
  pbCondition->setGeometry(column, std::max(70, 28 + info_height + 8), column_width, 17);

  const int row = std::max({kButtonRowTop, pbCondition->geometry().bottom() + 1 + 8,
                            gnUpdOptions->geometry().bottom() + 1 + 8});
  sbDetails->setGeometry(kPageMargin, row, ButtonWidth(sbDetails, 90), kButtonHeight);
  bbOpenDir->setGeometry(200, row, ButtonWidth(bbOpenDir, 90), kButtonHeight);
  bbInstruction->setGeometry(300, row, ButtonWidth(bbInstruction, 90), kButtonHeight);
  const int execute_width = ButtonWidth(bbExecute, kButtonWidth);
  bbExecute->setGeometry(width - kPageMargin - execute_width, row, execute_width, kButtonHeight);
  mDetails->setGeometry(kPageMargin, row + kButtonHeight + 4, width - 2 * kPageMargin,
                        mDetails->height());
  SizeWindow(width, row - kButtonRowTop);
}

// Moves the controls anchored to the right edge by the change of width.
void TfrmUpdate::FollowWidth(int width) {
  const int change = width - page_width_;
  if (change == 0) return;
  for (const TRightAnchor& anchor : right_anchors_) {
    QRect place = anchor.control->geometry();
    if (anchor.stretch)
      place.setWidth(place.width() + change);
    else
      place.moveLeft(place.left() + change);
    anchor.control->setGeometry(place);
  }
  page_width_ = width;
  LayOutKind(ChosenKind());
}

void TfrmUpdate::LayOutKind(const std::string& kind) {
  // The file edit ends short of the browse button when that button shows,
  // and takes the button's room otherwise.
  const bool browse = kind == "FIREBIRD";
  const int right = browse ? btnFileDB->x() - kFileButtonGap : btnFileDB->geometry().right() + 1;
  eForDB->setGeometry(kEditLeft, eForDB->y(), right - kEditLeft, eForDB->height());
  btnFileDB->setVisible(browse);
}

}  // namespace app
