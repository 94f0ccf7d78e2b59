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

QPushButton* MakeButton(QWidget* page, const char* caption, int left, int top, int width) {
  return Place(new QPushButton(QString::fromUtf8(caption), page), left, top, width, kButtonHeight);
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
  btnFileDB = MakeButton(page, "Обзор...", right - kButtonWidth, 90, kButtonWidth);
  eForDB = Place(new QLineEdit(page), kEditLeft, 92, 0, kRowHeight);
  btnConfigConnection = MakeButton(page, "Дополнительно...", kPageMargin, kButtonRowTop, 120);
  btnCheckConnection =
      MakeButton(page, "Выбрать", right - kButtonWidth, kButtonRowTop, kButtonWidth);

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
  ButtonCancel = MakeButton(page, "Отмена", right - kButtonWidth, kButtonRowTop, kButtonWidth);
  ButtonOK = MakeButton(page, "OK", right - 2 * kButtonWidth - kPageMargin, kButtonRowTop,
                        kButtonWidth);
  ButtonOK->setDefault(true);
}

void TfrmUpdate::CreateUpdatePage() {
  QWidget* page = tsUpdate;
  const int right = kClientWidth - kPageMargin;
  gnUpdOptions = Place(new QGroupBox(page), kPageMargin, 4, 300, 96);
  const std::pair<QCheckBox**, const char*> boxes[] = {
      {&cbUpdateDB, "Обновление базы данных"},
      {&cbUpdateXML, "Перенос групп справочников"},
      {&cbUpdateConf, "Обновление настроек ПОНТАРЕКС"}};
  QLabel** images[] = {&imgUpdateDB, &imgUpdateXML, &imgUpdateConf};
  for (int i = 0; i < 3; ++i) {
    const int top = 14 + 26 * i;
    *images[i] = Place(new QLabel(gnUpdOptions), 10, top, kStateImageSize, kStateImageSize);
    (*images[i])->setPixmap(StateImagePicture(siNotRun));
    *boxes[i].first =
        Place(new QCheckBox(QString::fromUtf8(boxes[i].second), gnUpdOptions), 34, top, 256, 17);
  }
  lCurOperation = MakeLabel(page, "Состояние:", 320, 8);
  lInfo = Place(new QLabel(page), 320, 28, right - 320, 34);
  lInfo->setWordWrap(true);
  pbCondition = Place(new QProgressBar(page), 320, 70, right - 320, 17);
  pbCondition->setRange(0, 100);
  pbCondition->setValue(0);
  pbCondition->setTextVisible(false);
  sbDetails = MakeButton(page, "Детали  >>", kPageMargin, kButtonRowTop, 90);
  sbDetails->setEnabled(false);
  sbDetails->setCheckable(true);
  bbOpenDir = MakeButton(page, "Проводник", 200, kButtonRowTop, 90);
  bbInstruction = MakeButton(page, "Инструкция", 300, kButtonRowTop, 90);
  bbOpenDir->setVisible(false);
  bbInstruction->setVisible(false);
  bbExecute = MakeButton(page, "Обновить", right - kButtonWidth, kButtonRowTop, kButtonWidth);
  mDetails = Place(new QPlainTextEdit(page), kPageMargin, kButtonRowTop + kButtonHeight + 4,
                   kClientWidth - 2 * kPageMargin, 0);
  mDetails->setReadOnly(true);
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
