#include "app/aux_programs.h"

#include <vector>

#include "app/aux_messages.h"
#include "app/details_log.h"
#include "app/list_file.h"
#include "app/macros.h"
#include "app/reg.h"
#include "app/run_process.h"
#include "app/qt_text.h"
#include "app/run_state.h"
#include "app/update_description.h"
#include "classlib/ansistr.h"
#include "classlib/codepage.h"
#include "classlib/currency.h"
#include "classlib/exceptions.h"
#include "classlib/format_settings.h"
#include "classlib/numconv.h"

namespace app {

namespace {

std::string Ansi(const char* utf8) { return classlib::Utf8ToCp1251(utf8); }

std::string Attribute(const QDomElement& element, const char* name) {
  return classlib::Utf8ToCp1251(element.attribute(QString::fromLatin1(name)).toStdString());
}

std::vector<QDomElement> Items(const QDomElement& node) {
  std::vector<QDomElement> items;
  for (QDomElement item = node.firstChildElement(); !item.isNull(); item = item.nextSiblingElement())
    items.push_back(item);
  return items;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// The import tool's seven arguments, macros not yet expanded.
std::string TransferArguments(const QDomElement& item) {
  return "LOGIN=" + Quoted("<USER>") + " PASSWORD=" + Quoted("<PASSWORD>") +
         " GROUP=" + Quoted("<GROUP>") +
         " XML_DATA=" + Quoted("<CURDIR>" + Attribute(item, "DATA_FILE")) +
         " REF_NAMES=" + Attribute(item, "OBJECTS") +
         " XML_SCHEMA=" + Quoted("<CURDIR>" + Attribute(item, "SCHEMA_FILE")) +
         " WNDHANDLE=<HANDLE>";
}

// Starts the program of a settings item; false when it did not run.
bool RunSettingsProgram(IProgressView& view, const QDomElement& item, const std::string& command) {
  const std::string type = Attribute(item, "UPDATE_TYPE");
  std::string program = type;
  if (type == "1") {
    program = PtxDir + "Bin\\Pontarex.exe";
  } else if (type == "0") {
    program = PtxDir + "Manager\\PConfig.exe";
    WriteListFile(ExpandMacros(Attribute(item, "INI_FILE_NAME")),
                  ExpandMacros(Attribute(item, "INI_FILE")));
  }
  program = DisplayPath(program);
  // Blocks from the program's messages name the program itself, with the
  // passwords of its command line hidden.
  ChildCommandLine = ChildProgramCommandLine(
      program, ExpandMacros(Attribute(item, "COMMAND"), {.hide_passwords = true}));
  return RunProcessAndWait(view, program, command);
}

// The error a settings program left in the registry, if any.
bool SettingsProgramError(std::string& text) {
  return ReadRegString(platform::HKEY_CURRENT_USER, kChildMessagesKey, kChildMessageErrorValue,
                       text) == platform::ERROR_SUCCESS;
}

// A settings item's share of the bar; one that is no number names the
// description and the item, as the database part's items do.
double SettingsItemPercent(const QDomElement& item) {
  const std::string text = Attribute(item, "TIME_PERCENT");
  try {
    return ItemTimePercent(text);
  } catch (const classlib::EConvertError&) {
    throw EUpdateDescriptionError(
        BadTimePercentMessage(text, AnsiOf(item.tagName()), item.lineNumber()));
  }
}

// Runs one settings item; false when it failed.
bool UpdateSettingsItem(IProgressView& view, const QDomElement& item, double& sum) {
  if (RegKeyExists(platform::HKEY_CURRENT_USER, kChildMessagesKey))
    DeleteRegKey(platform::HKEY_CURRENT_USER, kChildMessagesKey);
  const std::string command = ExpandMacros(Attribute(item, "COMMAND"));
  const double percent = SettingsItemPercent(item);
  ItemPercent = percent;
  ItemBasePosition = view.ProgressPosition();
  sum += percent;
  view.SetStatusText(Attribute(item, "INFO_STRING"));
  view.ProcessMessages();

  // Each item answers for itself: an earlier item's failure is no failure
  // of this one, so it is not logged again.
  ChildResultOk = true;
  bool ok = RunSettingsProgram(view, item, command);
  std::string error;
  if (SettingsProgramError(error)) {
    ok = false;
    AddDetailsLog(view, "", Ansi("Ошибка при обновлении настроек:\r\n") + error, "");
  }
  if (!ChildResultOk) {
    ok = false;
    AddDetailsLog(view, "", Ansi("Ошибка при обновлении настроек"), "");
  }
  MoveProgress(view, sum);
  return ok;
}

}  // namespace

double ItemTimePercent(const std::string& text) {
  const classlib::TFormatSettings& settings = classlib::FormatSettings();
  std::string number = text;
  if (settings.DecimalSeparator != ',')
    number = classlib::StringReplace(number, ",", std::string(1, settings.DecimalSeparator),
                                     classlib::rfReplaceAll);
  return classlib::StrToFloat(number);
}

bool ImportReferenceGroups(IProgressView& view, const QDomElement& node) {
  view.SetStatusText(Ansi("импорт справочников"));
  const std::vector<QDomElement> items = Items(node);
  if (items.empty()) return false;

  view.SetProgressRange(0, 100);
  view.SetProgressPosition(0);
  const int share = 100 / static_cast<int>(items.size());
  ItemPercent = share;
  bool result = true;
  const std::string program = DisplayPath(LxDir + "Utils\\ImportFromXML.exe");
  for (std::size_t i = 0; i < items.size(); ++i) {
    // Once the window is closed no further program starts.
    if (WaitAbandoned()) return false;
    ItemBasePosition = static_cast<double>(i) * share;
    const std::string arguments = ExpandMacros(TransferArguments(items[i]));
    // Only logs show the command line: its password stays out of it.
    ChildCommandLine = ChildProgramCommandLine(
        program, ExpandMacros(TransferArguments(items[i]), {.hide_passwords = true}));
    // The transfer fails when any item failed, not only the last.
    ChildResultOk = true;
    if (!RunProcessAndWait(view, program, arguments) || !ChildResultOk) result = false;
  }
  return result && !WaitAbandoned();
}

bool UpdateSettings(IProgressView& view, const QDomElement& node) {
  view.SetProgressPosition(0);
  ChildResultOk = true;
  const std::vector<QDomElement> items = Items(node);
  double total = 0;
  for (const QDomElement& item : items) total += SettingsItemPercent(item);
  view.SetProgressRange(view.ProgressMin(), static_cast<int>(classlib::Round(total)));

  bool result = true;
  double sum = 0;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (WaitAbandoned()) return false;
    SettingsItemNumber = static_cast<int32_t>(i + 1);
    if (!UpdateSettingsItem(view, items[i], sum)) result = false;
  }
  return result && !WaitAbandoned();
}

}  // namespace app
