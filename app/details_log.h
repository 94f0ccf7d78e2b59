// The details list: every update step reports a failure as one block of it,
// and the run saves the list as the details log next to the product.
#pragma once

#include <string>
#include <vector>

#include "app/progress_view.h"

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

// "<LxDir>update_<today as yyyy-mm-dd>.log", whatever the date format of
// the system: the name must always be a valid file name.
std::string DetailsLogFileName();

// Writes the lines as a UTF-8 text with LF line ends, replacing the file; a
// file it creates is readable by its owner only (mode 0600).
// The file name is ANSI and may use '\'. Raises EFCreateError or EWriteError
// (the class library's stream errors) when the file cannot be written.
void SaveDetailsLog(const std::vector<std::string>& lines, const std::string& file_name);

}  // namespace app
