#include "app/details_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include "app/password_mask.h"
#include "app/run_state.h"
#include "classlib/codepage.h"
#include "classlib/datetime.h"
#include "classlib/stream.h"

namespace app {

namespace {

// The block's captions, in code page 1251 like every text of the list.
std::string Caption(const char* utf8) { return classlib::Utf8ToCp1251(utf8); }

// Every text of a block passes here, so no password reaches the list or the
// saved log in clear.
void AddText(IProgressView& view, const std::string& text) {
  for (const std::string& line : DetailLinesOf(HidePasswords(text))) view.AddDetailLine(line);
}

// A new log is readable by its owner only: it names accounts and servers.
// An existing file keeps the mode its owner gave it.
void CreatePrivately(const std::string& file_name) {
  const int fd = ::open(classlib::NativeFileName(file_name).c_str(),
                        O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd >= 0) ::close(fd);
}

}  // namespace

std::vector<std::string> DetailLinesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '\r' && c != '\n') {
      line += c;
      continue;
    }
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    lines.push_back(line);
    line.clear();
  }
  lines.push_back(line);
  return lines;
}

void AddDetailsLog(IProgressView& view, const std::string& source, const std::string& error_text,
                   const std::string& extra) {
  AddText(view, "/*");
  AddText(view, Caption("Операция:") + view.StatusText());
  AddText(view, Caption("Источник:") + source);
  AddText(view, Caption("Ошибка:") + "\r\n" + error_text);
  if (!extra.empty()) {
    AddText(view, "*/");
    AddText(view, extra);
    AddText(view, "/*");
  }
  AddText(view, std::string(48, '-'));
  AddText(view, "*/");
  view.SetDetailsButtonEnabled(true);
}

std::string DisplayPath(const std::string& ansi_path) {
  std::string path = ansi_path;
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

std::string DetailsLogFileName() {
  // A fixed numeric form: the short date format may hold "/" or any other
  // character a file name cannot, and this one also sorts by date.
  return LxDir + "update_" + classlib::FormatDateTime("yyyy-mm-dd", classlib::Date()) + ".log";
}

std::string RunLogHeading(classlib::TDateTime run_started) {
  return Caption("Обновление данных, начало: ") +
         classlib::FormatDateTime("yyyy-mm-dd hh:nn:ss", run_started);
}

void SaveDetailsLog(const std::vector<std::string>& lines, const std::string& file_name,
                    classlib::TDateTime run_started) {
  CreatePrivately(file_name);
  classlib::TFileStream file(file_name, classlib::fmOpenWrite);
  if (lines.empty()) return;
  std::string text = classlib::Cp1251ToUtf8(RunLogHeading(run_started)) + "\n";
  for (const std::string& line : lines) text += classlib::Cp1251ToUtf8(line) + "\n";
  file.Seek(0, classlib::soFromEnd);
  file.WriteBuffer(text.data(), static_cast<int>(text.size()));
}

}  // namespace app
