// Which of the three update parts the third page offers, from the prepared
// run state: the database update only when the database stands at a release
// the update starts from (or the description says to update always), the
// settings update only when the process-planning product is installed.
#pragma once

#include <QString>
#include <string>

class QCheckBox;
class QPushButton;

namespace app {

class IProgressView;

// The options' captions as designed; each fill writes its suffix after them.
inline const QString kUpdateDBCaption = QStringLiteral("Обновление базы данных");
inline const QString kUpdateXMLCaption = QStringLiteral("Перенос групп справочников");
inline const QString kUpdateConfCaption = QStringLiteral("Обновление настроек ПОНТАРЕКС");

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

// Sets the check boxes' checked and enabled states and captions and the run
// button. A caption is the designed one with this fill's suffix, so a login
// repeated in the same run shows one suffix, not one per login. A transfer or
// settings update whose section is missing or empty is not offered; an empty
// database section of a listed release is offered as the version row alone
// (unless ALWAYS_UPDATE_DB, which writes no version row: then it is not).
void FillUpdateOptions(const TUpdateOptionControls& controls);

}  // namespace app
