// The list file a settings program reads: the update description holds the
// list as one text with ";" between the entries, the program wants one entry
// per line.
#pragma once

#include <string>

namespace app {

// Trims the list text, then writes each part up to the next ";" as one
// CR LF ended line, the part after the last ";" as the last line: "a;b;c"
// gives a, b, c; "a;b;" gives a, b (no empty last line); "a;;b" gives a, an
// empty line, b. The bytes are written as they are (ANSI). The file name is
// ANSI and may use "\". Creates or replaces the file and returns true;
// raises EInOutError when it cannot be created or written.
bool WriteListFile(const std::string& file_name, const std::string& list_text);

}  // namespace app
