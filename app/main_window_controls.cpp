// The window's controls with their captions and starting states; their
// places are the layout's (main_window_layout.cpp).
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
#include "app/main_window_captions.h"
#include "app/main_window.h"
#include "app/star_password_style.h"
#include "app/state_images.h"
#include "app/update_options.h"

namespace app {

namespace {

QLabel* MakeLabel(QWidget* page, const char* caption) {
  return new QLabel(QString::fromUtf8(caption), page);
}

QPushButton* MakeButton(QWidget* page, const char* caption) {
  return new QPushButton(QString::fromUtf8(caption), page);
}

void MakePasswordEdit(QLineEdit* edit) {
  edit->setEchoMode(QLineEdit::Password);
  edit->setStyle(StarPasswordStyle());
}

}  // namespace

void TfrmUpdate::CreateBaseSelectPage() {
  QWidget* page = tsBaseSelect;
  lDBType = MakeLabel(page, "Тип базы данных:");
  cbDBType = new QComboBox(page);
  cbForDB = new QCheckBox(kLocalServerCaption, page);
  lUserName = MakeLabel(page, "Имя пользователя:");
  eUserName = new QLineEdit(page);
  lPassword = MakeLabel(page, "Пароль:");
  ePassword = new QLineEdit(page);
  MakePasswordEdit(ePassword);
  lServerName = MakeLabel(page, "Имя сервера:");
  cbServerName = new TDropDownComboBox(page);
  lForDB = new QLabel(kDatabaseFileCaption, page);
  eForDB = new QLineEdit(page);
  btnFileDB = MakeButton(page, "Обзор...");
  btnConfigConnection = MakeButton(page, "Дополнительно...");
  btnCheckConnection = MakeButton(page, "Выбрать");

  cbDBType->setEditable(false);
  cbServerName->setEditable(true);
  for (QWidget* control : std::initializer_list<QWidget*>{
           cbForDB, lUserName, eUserName, lPassword, ePassword, lServerName, cbServerName, lForDB,
           eForDB, btnFileDB})
    control->setEnabled(false);
  btnFileDB->setVisible(false);
}

void TfrmUpdate::CreateUserPage() {
  QWidget* page = tsUsrParams;
  Label2 = MakeLabel(page, "Имя пользователя :");
  ComboBoxUser = new QComboBox(page);
  Label1 = MakeLabel(page, "Группа пользователей :");
  ComboBoxGroup = new QComboBox(page);
  LabeledEditParolLabel = MakeLabel(page, "Пароль :");
  LabeledEditParol = new QLineEdit(page);
  LabeledEditParolLabel->setBuddy(LabeledEditParol);
  MakePasswordEdit(LabeledEditParol);
  ButtonOK = MakeButton(page, "OK");
  ButtonCancel = MakeButton(page, "Отмена");
  ButtonOK->setDefault(true);
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
  lCurOperation = MakeLabel(page, "Состояние:");
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
}

}  // namespace app
