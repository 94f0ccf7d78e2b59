#include "oracle/tests/standin_fixture_values.h"

#include <dlfcn.h>

#include <stdexcept>

#include "classlib/format_settings.h"
#include "oracle/call_entries.h"
#include "oracle/value_formats.h"

namespace oracle::testing {

StandinValues::StandinValues(const std::string& path)
    : library_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
  if (!library_) throw std::runtime_error("cannot load the stand-in " + path);
}

StandinValues::~StandinValues() { dlclose(library_); }

void* StandinValues::Symbol(const char* name) {
  void* symbol = dlsym(library_, name);
  if (!symbol) throw std::runtime_error(std::string("the stand-in lacks ") + name);
  return symbol;
}

void StandinValues::AttachLob(void* locator, int kind, const std::string& content) {
  auto attach = reinterpret_cast<int (*)(void*, int, const char*, int)>(Symbol("standin_lob_attach"));
  if (attach(locator, kind, content.data(), static_cast<int>(content.size())) != 0)
    throw std::runtime_error("the stand-in refused the locator");
}

std::string StandinValues::LobContent(void* locator) {
  auto read = reinterpret_cast<int (*)(void*, char*, int)>(Symbol("standin_lob_content"));
  int length = read(locator, nullptr, 0);
  if (length < 0) throw std::runtime_error("no LOB value behind the locator");
  std::string content(static_cast<size_t>(length), '\0');
  read(locator, content.data(), length);
  return content;
}

int StandinValues::LobCount() { return reinterpret_cast<int (*)()>(Symbol("standin_lob_count"))(); }

int StandinValues::TemporaryLobCount() {
  return reinterpret_cast<int (*)()>(Symbol("standin_temporary_lob_count"))();
}

void StandinValues::MapDirectory(const std::string& alias, const std::string& folder) {
  reinterpret_cast<void (*)(const char*, const char*)>(Symbol("standin_map_directory"))(alias.c_str(),
                                                                                        folder.c_str());
}

void StandinValues::SetCharsetWidth(int width) {
  reinterpret_cast<void (*)(int)>(Symbol("standin_set_charset_width"))(width);
}

void ValueTest::SetUp() {
  StandinTest::SetUp();
  WriteOracleValue("", "OCIDLL", ORACLE_STANDIN_PATH);
  values_ = new StandinValues(ORACLE_STANDIN_PATH);
  classlib::ResetFormatSettings();
}

void ValueTest::ControlsSwitched(const std::string& path) {
  delete values_;
  values_ = new StandinValues(path);
}

void ValueTest::TearDown() {
  if (svc_ctx_) OCIHandleFree(svc_ctx_, OCI_HTYPE_SVCCTX);
  svc_ctx_ = nullptr;
  classlib::ResetFormatSettings();
  SetLocaleDefaults();
  delete values_;
  StandinTest::TearDown();
}

void ValueTest::Start(int major, int minor) {
  UseClient(major, minor, 0, 1);
  InitOciEnvironment();
  void* handle = nullptr;
  ASSERT_EQ(OCIHandleAlloc(hOCIEnv, &handle, OCI_HTYPE_SVCCTX, 0, nullptr), OCI_SUCCESS);
  svc_ctx_ = static_cast<OCISvcCtx*>(handle);
  standin_->ClearLog();
}

std::vector<std::string> ValueTest::ArgumentsOf(const std::string& entry) {
  std::vector<std::string> arguments;
  for (const std::string& line : standin_->LogOf(entry))
    arguments.push_back(line.size() > entry.size() ? line.substr(entry.size() + 1) : "");
  return arguments;
}

}  // namespace oracle::testing
