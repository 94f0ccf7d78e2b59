// A stand-in update library. What DoIt does is read from the connection
// string it is given, as ';'-separated settings:
//   percent=N    report N percent through the progress callback (repeatable)
//   result=N     return N (0 when absent)
//   error=TEXT   the text GetErrorStr hands out
//   no_error=1   GetErrorStr leaves the text unset
//   throw=TEXT   throw std::runtime_error(TEXT) instead of returning
// When FAKE_UPDATE_SETTINGS is set, its value replaces the connection string
// as the settings (a run through the window hands over the product's real
// connection string). When FAKE_UPDATE_RECORD names a file, DoIt writes its two arguments there
// as "<connection string>|<database kind>". When FAKE_UPDATE_REFUSE_CALLBACK
// is set, SetCallBackPercent throws std::runtime_error with its text.
// Builds leave exports out with FAKE_UPDATE_NO_SET_CALLBACK,
// FAKE_UPDATE_NO_DO_IT and FAKE_UPDATE_NO_ERROR_STR.
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <string>

namespace {

using PercentCallback = void (*)(double);

PercentCallback callback = nullptr;
std::string error_text;
bool error_unset = false;

[[maybe_unused]] void Record(const char* connection_string, const char* database_kind) {
  const char* file = std::getenv("FAKE_UPDATE_RECORD");
  if (!file) return;
  if (FILE* out = std::fopen(file, "w")) {
    std::fprintf(out, "%s|%s", connection_string, database_kind);
    std::fclose(out);
  }
}

[[maybe_unused]] int Run(const std::string& settings) {
  std::istringstream in(settings);
  std::string item;
  int result = 0;
  while (std::getline(in, item, ';')) {
    size_t eq = item.find('=');
    if (eq == std::string::npos) continue;
    std::string key = item.substr(0, eq);
    std::string value = item.substr(eq + 1);
    if (key == "percent" && callback) callback(std::stod(value));
    if (key == "result") result = std::stoi(value);
    if (key == "error") error_text = value;
    if (key == "no_error") error_unset = true;
    if (key == "throw") throw std::runtime_error(value);
  }
  return result;
}

}  // namespace

extern "C" {

#ifndef FAKE_UPDATE_NO_SET_CALLBACK
__attribute__((visibility("default"))) void SetCallBackPercent(PercentCallback percent_callback) {
  if (const char* refusal = std::getenv("FAKE_UPDATE_REFUSE_CALLBACK"))
    throw std::runtime_error(refusal);
  callback = percent_callback;
}
#endif

#ifndef FAKE_UPDATE_NO_DO_IT
__attribute__((visibility("default"))) int DoIt(char* connection_string, char* database_kind) {
  Record(connection_string, database_kind);
  const char* settings = std::getenv("FAKE_UPDATE_SETTINGS");
  int result = Run(settings ? settings : connection_string);
  // The arguments are the library's own copies; writing into them is allowed.
  if (connection_string[0] != '\0') connection_string[0] = '#';
  return result;
}
#endif

#ifndef FAKE_UPDATE_NO_ERROR_STR
__attribute__((visibility("default"))) void GetErrorStr(char** message) {
  *message = error_unset ? nullptr : const_cast<char*>(error_text.c_str());
}
#endif
}
