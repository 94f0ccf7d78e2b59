#include "app/list_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "classlib/ansistr.h"
#include "classlib/exceptions.h"
#include "classlib/stream.h"

namespace app {

namespace {

[[noreturn]] void RaiseInOutError(const std::string& file_name, int error) {
  throw classlib::EInOutError("I/O error writing \"" + file_name + "\": " + std::strerror(error));
}

std::string ListLines(const std::string& list_text) {
  std::string text = classlib::Trim(list_text);
  std::string lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t separator = text.find(';', start);
    if (separator == std::string::npos) separator = text.size();
    lines.append(text, start, separator - start);
    lines += "\r\n";
    start = separator + 1;
  }
  return lines;
}

}  // namespace

bool WriteListFile(const std::string& file_name, const std::string& list_text) {
  const std::string lines = ListLines(list_text);
  errno = 0;
  std::ofstream file(classlib::NativeFileName(file_name), std::ios::binary | std::ios::trunc);
  if (!file) RaiseInOutError(file_name, errno ? errno : EIO);
  file.write(lines.data(), static_cast<std::streamsize>(lines.size()));
  file.close();
  if (!file) RaiseInOutError(file_name, errno ? errno : EIO);
  return true;
}

}  // namespace app
