#include "app/update_options.h"

#include <QCheckBox>
#include <QPushButton>
#include <set>

#include "app/prepare_update_native.h"
#include "app/progress_view.h"
#include "app/qt_text.h"
#include "app/run_state.h"
#include "app/update_description.h"
#include "classlib/ansistr.h"

namespace app {

namespace {

std::vector<std::string> Entries(const std::string& list) {
  std::vector<std::string> entries;
  std::string::size_type start = 0;
  while (true) {
    const auto end = list.find(';', start);
    entries.push_back(classlib::Trim(list.substr(start, end - start)));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return entries;
}

// The designed caption with this fill's suffix: never the caption as it
// stands, which an earlier login has already given a suffix.
void SetCaption(QCheckBox* box, const QString& designed, const QString& suffix = {}) {
  box->setText(designed + suffix);
}

// The value fills its place also when it is empty: no "%1" may show.
QString Suffix(const char* format_utf8, const std::string& value) {
  return QString::fromUtf8(format_utf8).arg(QStringOfAnsi(value));
}

const QString kNotUpdated = QStringLiteral(" (не обновляется)");
const QString kReleaseUnknown =
    QStringLiteral(" (версия базы данных не определена, обновление невозможно)");

}  // namespace

bool IsListedRelease(const std::string& current, const std::string& start_list) {
  // A description without VERSIONS lists nothing.
  if (start_list.empty()) return false;
  std::vector<std::string> listed = Entries(start_list);
  // The start list ends every entry with ";", which leaves one empty text
  // behind that is no release.
  if (!start_list.empty() && start_list.back() == ';') listed.pop_back();
  const std::set<std::string> known(listed.begin(), listed.end());
  for (const std::string& release : Entries(current))
    if (!known.contains(release)) return false;
  return true;
}

void FillUpdateOptions(const TUpdateOptionControls& c) {
  const TUpdateDescription empty;
  const TUpdateDescription& d = UpdateDescription ? *UpdateDescription : empty;
  const bool listed = IsListedRelease(CurrentDBVersion, StartVersions);
  const bool db_items = d.HasDbUpdate && !d.DbUpdate.empty();

  // A listed release whose section holds no items still gets its version
  // row when the part runs: that is what is offered, and said.
  const bool version_only = d.HasDbUpdate && !db_items && listed && !AlwaysUpdateDB;
  const bool db_enabled = ((listed || AlwaysUpdateDB) && db_items) || version_only;
  c.cbUpdateDB->setEnabled(db_enabled);
  if (version_only)
    SetCaption(c.cbUpdateDB, kUpdateDBCaption,
               Suffix(" (только запись версии %1)", ResultVersion));
  else if (db_enabled)
    SetCaption(c.cbUpdateDB, kUpdateDBCaption);
  else if (db_items && !listed && CurrentDBVersion == ResultVersion)
    SetCaption(c.cbUpdateDB, kUpdateDBCaption,
               Suffix(" (обновление версии %1 уже установлено)", ResultVersion));
  else if (db_items && !listed && CurrentDBVersion == UnknownReleaseText())
    // "с версии не определена" is no Russian: the unknown release gets a
    // sentence of its own.
    SetCaption(c.cbUpdateDB, kUpdateDBCaption, kReleaseUnknown);
  else if (db_items && !listed)
    SetCaption(c.cbUpdateDB, kUpdateDBCaption,
               Suffix(" (невозможно провести обновление с версии %1)", CurrentDBVersion));
  else
    SetCaption(c.cbUpdateDB, kUpdateDBCaption, kNotUpdated);
  // With nothing to run and no version row to write, the part would do
  // nothing: it is not run.
  c.cbUpdateDB->setChecked(d.HasDbUpdate && listed && (db_items || version_only));

  // A transfer without items could only fail: it is not offered.
  const bool xml_items = d.HasSchemaUpdate && !d.SchemaUpdate.empty();
  c.cbUpdateXML->setEnabled(xml_items);
  c.cbUpdateXML->setChecked(xml_items);
  SetCaption(c.cbUpdateXML, kUpdateXMLCaption, xml_items ? QString() : kNotUpdated);

  // Nor is a settings update whose release brings no settings.
  const bool conf_items = d.HasConfigUpdate && !d.ConfigUpdate.empty();
  const bool conf_enabled = PontarexInstalled && !NoUpdateConf && conf_items;
  c.cbUpdateConf->setEnabled(conf_enabled);
  c.cbUpdateConf->setChecked(conf_enabled && listed && c.cbUpdateDB->isChecked());
  if (!PontarexInstalled)
    SetCaption(c.cbUpdateConf, kUpdateConfCaption,
               QStringLiteral(" (ПОНТАРЕКС не установлена)"));
  else
    SetCaption(c.cbUpdateConf, kUpdateConfCaption, conf_enabled ? QString() : kNotUpdated);

  if (c.view != nullptr) {
    c.view->SetStateImage(upDatabase, siNotRun);
    c.view->SetStateImage(upReferenceGroups, siNotRun);
    c.view->SetStateImage(upSettings, siNotRun);
  }
  c.bbExecute->setEnabled(conf_enabled || db_enabled);
}

}  // namespace app
