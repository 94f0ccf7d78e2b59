// The two update parts that other programs carry out: the reference
// product's import tool transfers reference groups, the process-planning
// product's programs update its settings. Each item of the part's element
// in the update description starts one program and waits for it; the
// program reports back through the messages of aux_messages.h.
#pragma once

#include <QDomElement>
#include <string>

#include "app/progress_view.h"

namespace app {

// Registry key under HKEY_CURRENT_USER where settings programs leave their
// error text, and the value that holds it.
inline const std::string kChildMessagesKey = "Software\\KELVO\\Dravit\\Messages";
inline const std::string kChildMessageErrorValue = "ExecProcMessageError";

// Runs "<LxDir>Utils\ImportFromXML.exe" once per child element of
// ROOT/SCHEMA_UPDATE (attributes DATA_FILE, SCHEMA_FILE, OBJECTS), each
// item getting an equal whole share of a bar of 0..100. False when the
// element has no children, or when any item's program could not start or
// reported a failure; the later items still run. Once the application is
// told to quit (the window closed) no further program starts and the part
// fails.
bool ImportReferenceGroups(IProgressView& view, const QDomElement& node);

// Runs one program per child element of ROOT/CONFIG_UPDATE by its
// UPDATE_TYPE: "1" Pontarex, "0" PConfig after writing its list file,
// anything else the program it names; COMMAND gives the arguments and
// TIME_PERCENT the item's share of the bar. Before each program the error
// value is removed; a program that leaves it, or that reports a failure,
// fails its item with a block. False when any item failed, or when the
// application was told to quit (no further program starts then). A list file that
// cannot be written and a TIME_PERCENT that is no number raise.
bool UpdateSettings(IProgressView& view, const QDomElement& node);

// A TIME_PERCENT text as a number: commas count as the decimal separator
// whatever the system's is. Raises EConvertError for no number.
double ItemTimePercent(const std::string& text);

}  // namespace app
