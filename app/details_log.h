// The details list: every update step reports a failure as one block of it,
// and the run saves the list as the details log next to the product.
#pragma once

#include <string>
#include <vector>

#include "app/progress_view.h"
#include "classlib/datetime.h"

namespace app {

// Appends one block, built as below, and enables the details button:
//   /*
//   Операция:<status text>
//   Источник:<source>
//   Ошибка:
//   <error text, over as many lines as it has>
//   */ <extra text> /*        (each on its own line, only for a non-empty extra)
//   ------------------------------------------------ (48 hyphens)
//   */
// The extra text (a failing statement) thus stands outside the comment.
// Passwords in any of the texts are hidden (HidePasswords).
void AddDetailsLog(IProgressView& view, const std::string& source, const std::string& error_text,
                   const std::string& extra);

// The lines a text makes in the details list: split at CR LF, LF or CR, and a
// text ending in a line break leaves an empty last line.
std::vector<std::string> DetailLinesOf(const std::string& text);

// A path as the details show it: with "/" only, whatever mix of "\" and "/"
// the release and the folders wrote.
std::string DisplayPath(const std::string& ansi_path);

// "<LxDir>update_<today as yyyy-mm-dd>.log", whatever the date format of
// the system: the name must always be a valid file name.
std::string DetailsLogFileName();

// The line that opens a run's part of the day's log.
std::string RunLogHeading(classlib::TDateTime run_started);

// Appends the lines of one run, under RunLogHeading, to the day's file as
// UTF-8 text with LF line ends, so every run of the day stays readable; a
// run with no lines adds nothing (the file is still created, readable by its
// owner only: mode 0600; an existing file keeps its mode). The file name is
// ANSI and may use '\'. Raises the class library's stream errors when the
// file cannot be written.
void SaveDetailsLog(const std::vector<std::string>& lines, const std::string& file_name,
                    classlib::TDateTime run_started);

}  // namespace app
