// A shown main window whose dialogs, server list and message boxes are
// scripted.
#pragma once

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include "app/drop_down_combo_box.h"
#include "app/main_window.h"
#include "window_test_support.h"

namespace app::testing {

class WindowTest : public ::testing::Test {
 protected:
  WindowTest() {
    window.SetServerList(&servers);
    window.SetFileOpenDialog(&files);
    window.SetDataLinkDialog(&data_link);
    window.show();
  }

  void Choose(const QString& kind) {
    window.cbDBType->setCurrentIndex(window.cbDBType->findText(kind));
  }
  bool UserTabShown() const { return window.pcMain->isTabVisible(1); }
  bool UpdateTabShown() const { return window.pcMain->isTabVisible(2); }
  void ShowAllPages() {
    window.ShowUserPage();
    window.ShowUpdatePage();
  }

  ScriptedMessageBoxes boxes;
  ScriptedServerList servers;
  ScriptedFileDialog files;
  ScriptedDataLinkDialog data_link;
  TfrmUpdate window;
};

}  // namespace app::testing
