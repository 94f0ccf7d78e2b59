// A combo box that says when its list is about to drop down, so the list
// can be filled only when someone looks at it.
#pragma once

#include <QComboBox>

namespace app {

class TDropDownComboBox : public QComboBox {
  Q_OBJECT

 public:
  using QComboBox::QComboBox;

  void showPopup() override;

 signals:
  void dropDown();
};

}  // namespace app
