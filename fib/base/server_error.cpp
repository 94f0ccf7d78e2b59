// Turning the thread's status vector into an EFIBInterBaseError whose
// message holds the SQL message and the server's lines.
#include <vector>

#include "fib/base/client_library.h"
#include "fib/base/errors.h"

namespace fib {

namespace {

constexpr size_t kTextBufferSize = 20480;
// The SQL message is short; the client is told less than the buffer holds.
constexpr short kSQLMessageLimit = 512;

void CapitalizeFirst(std::string& text) {
  if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 32);
}

void RemoveAll(std::string& text, std::string_view what) {
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at))
    text.erase(at, what.size());
}

std::string SQLMessage(IIBClientLibrary& library, ISC_LONG sql_code, char* buffer) {
  buffer[0] = '\0';
  library.isc_sql_interprete(static_cast<short>(sql_code), buffer, kSQLMessageLimit);
  std::string text(buffer);
  // Some texts carry a written-out "\n" where a line ends.
  RemoveAll(text, "\\n");
  if (text.empty()) return text;
  CapitalizeFirst(text);
  // A text already ending with "." gets no line break.
  if (text.back() != '.') text += ".\r\n";
  return text;
}

// One line of the server's explanation into `buffer`; false after the last.
bool NextServerLine(IIBClientLibrary& library, char* buffer, const ISC_STATUS** cursor) {
  if (library.HasBoundedInterpret())
    return library.fb_interpret(buffer, kTextBufferSize, cursor) > 0;
  return library.isc_interprete(buffer, const_cast<ISC_STATUS**>(cursor)) > 0;
}

std::string ServerLines(IIBClientLibrary& library, const ISC_STATUS* status, char* buffer) {
  std::string lines;
  const ISC_STATUS* cursor = status;
  while (NextServerLine(library, buffer, &cursor)) {
    std::string line(buffer);
    if (line.empty()) continue;
    CapitalizeFirst(line);
    lines += line;
    if (lines.back() != '.') lines += '.';
    lines += "\r\n";
  }
  return lines;
}

void ReplaceAll(std::string& text, std::string_view what, std::string_view with) {
  if (what.empty() || what == with) return;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
    text.replace(at, what.size(), with);
}

}  // namespace

void RaiseServerError(IIBClientLibrary& library, const classlib::TObject* raiser,
                      std::string_view sent_name, std::string_view ansi_name) {
  unsigned options = GetErrorMessageOptions();
  const ISC_STATUS* status = StatusVector();
  ISC_LONG sql_code = library.isc_sqlcode(status);
  std::vector<char> buffer(kTextBufferSize, '\0');
  std::string sql_message;
  if (options & kMessageShowSQLMessage) sql_message = SQLMessage(library, sql_code, buffer.data());
  std::string server_lines;
  if (options & kMessageShowServerLines)
    server_lines = ServerLines(library, status, buffer.data());
  ReplaceAll(server_lines, sent_name, ansi_name);
  throw EFIBInterBaseError(sql_code, raiser, std::string(), std::move(sql_message),
                           std::move(server_lines));
}

}  // namespace fib
