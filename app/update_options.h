// Which of the three update parts the third page offers, from the prepared
// run state: the database update only when the database stands at a release
// the update starts from (or the description says to update always), the
// settings update only when the process-planning product is installed.
#pragma once

#include <string>

class QCheckBox;
class QPushButton;

namespace app {

class IProgressView;

struct TUpdateOptionControls {
  QCheckBox* cbUpdateDB = nullptr;
  QCheckBox* cbUpdateXML = nullptr;
  QCheckBox* cbUpdateConf = nullptr;
  QPushButton* bbExecute = nullptr;
  IProgressView* view = nullptr;
};

// True when every release of `current` (one release, or a ";"-separated
// list as an empty version table leaves it) is a whole entry of `start_list`.
// Entries compare as texts after trimming blanks, so "3.1" is not listed by
// "13.1;".
bool IsListedRelease(const std::string& current, const std::string& start_list);

// Sets the check boxes' checked and enabled states and caption suffixes and
// the run button. Suffixes add to the current caption, so a second login in
// the same run adds another.
void FillUpdateOptions(const TUpdateOptionControls& controls);

}  // namespace app
