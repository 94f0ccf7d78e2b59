#include "app/drop_down_combo_box.h"

namespace app {

void TDropDownComboBox::showPopup() {
  emit dropDown();
  QComboBox::showPopup();
}

}  // namespace app
