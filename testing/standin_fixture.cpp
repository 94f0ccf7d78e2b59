#include "testing/standin_fixture.h"

#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/registry.h"

namespace oracle::testing {

namespace fs = std::filesystem;

StandinControl::StandinControl(const std::string& path)
    : library_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
  if (!library_) throw std::runtime_error("cannot load the stand-in " + path);
}

StandinControl::~StandinControl() { dlclose(library_); }

void* StandinControl::Symbol(const char* name) {
  void* symbol = dlsym(library_, name);
  if (!symbol) throw std::runtime_error(std::string("the stand-in lacks ") + name);
  return symbol;
}

void StandinControl::Reset() { reinterpret_cast<void (*)()>(Symbol("standin_reset"))(); }

bool StandinControl::SetClientVersion(int major, int minor, int update, int patch, int port) {
  return reinterpret_cast<int (*)(int, int, int, int, int)>(Symbol("standin_set_client_version"))(
             major, minor, update, patch, port) == 0;
}

void StandinControl::SetBanner(const std::string& banner) {
  reinterpret_cast<void (*)(const char*)>(Symbol("standin_set_banner"))(banner.c_str());
}

void StandinControl::AddAccount(const std::string& user, const std::string& password) {
  reinterpret_cast<void (*)(const char*, const char*)>(Symbol("standin_add_account"))(
      user.c_str(), password.c_str());
}

void StandinControl::ScriptSelect(const std::string& sql, const std::string& columns) {
  reinterpret_cast<void (*)(const char*, const char*)>(Symbol("standin_script_select"))(
      sql.c_str(), columns.c_str());
}

void StandinControl::InjectFault(const std::string& entry, int nth, int status, int code,
                                 const std::string& text) {
  const int taken = reinterpret_cast<int (*)(const char*, int, int, int, const char*)>(
      Symbol("standin_inject_fault"))(entry.c_str(), nth, status, code, text.c_str());
  if (taken != 0) throw std::runtime_error("the stand-in takes no warning for " + entry);
}

std::vector<std::string> StandinControl::Log() { return Lines("standin_call_log"); }

std::vector<std::string> StandinControl::Lines(const char* reader) {
  auto read = reinterpret_cast<int (*)(char*, int)>(Symbol(reader));
  std::string text(static_cast<size_t>(read(nullptr, 0)) + 1, '\0');
  read(text.data(), static_cast<int>(text.size()));
  std::vector<std::string> lines;
  std::stringstream stream(text.c_str());
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> StandinControl::LogOf(const std::string& entry) {
  std::vector<std::string> lines;
  for (const std::string& line : Log())
    if (line == entry || line.rfind(entry + " ", 0) == 0) lines.push_back(line);
  return lines;
}

void StandinControl::ClearLog() { reinterpret_cast<void (*)()>(Symbol("standin_clear_log"))(); }

int StandinControl::LiveHandles() {
  return reinterpret_cast<int (*)()>(Symbol("standin_live_handles"))();
}

int StandinControl::FreedHandleCalls() {
  return reinterpret_cast<int (*)()>(Symbol("standin_freed_handle_calls"))();
}

bool RunWithLoaderPath(const std::string& folder, const std::string& test) {
  const std::string filter = "--gtest_filter=" + test;
  pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    setenv("LD_LIBRARY_PATH", folder.c_str(), 1);
    setenv("ORACLE_TEST_LOADER_CHILD", "1", 1);
    execl("/proc/self/exe", "oracle_tests", filter.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void StandinTest::SetUp() {
  char pattern[] = "/tmp/oracle-test-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  temp_ = pattern;
  setenv("UPDATER_REGISTRY", (temp_ + "/registry").c_str(), 1);
  const char* path = std::getenv("PATH");
  saved_path_ = path ? path : "";
  unsetenv("ORACLE_HOME");
  UnloadOci();
  OracleHomeName.clear();
  standin_ = new StandinControl(ORACLE_STANDIN_PATH);
  control_path_ = ORACLE_STANDIN_PATH;
  standin_->Reset();
}

void StandinTest::TearDown() {
  UnloadOci();
  OracleHomeName.clear();
  delete standin_;
  setenv("PATH", saved_path_.c_str(), 1);
  unsetenv("UPDATER_REGISTRY");
  std::error_code ignored;
  fs::remove_all(temp_, ignored);
}

void StandinTest::WriteOracleValue(const std::string& sub_key, const std::string& name,
                                   const std::string& text) {
  platform::TRegistry registry;
  registry.SetRootKey(platform::HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(registry.OpenKey("\\SOFTWARE\\ORACLE" + (sub_key.empty() ? "" : "\\" + sub_key), true));
  registry.WriteString(name, text);
}

void StandinTest::DeleteOracleKey() {
  platform::TRegistry registry;
  registry.SetRootKey(platform::HKEY_LOCAL_MACHINE);
  registry.DeleteKey("\\SOFTWARE\\ORACLE");
}

std::string StandinTest::MakeFolder(const std::string& relative) {
  std::string path = temp_ + "/" + relative;
  fs::create_directories(path);
  return path;
}

namespace {

// The file name clients of a release have: 8.0 to 8.x kept libclntsh.so.8.0,
// 9.0 and 9.2 libclntsh.so.9.0; 10.1 is libclntsh.so.10.1. Older ones are
// named here by their release.
std::string ClientFileName(int major, int minor, int update, int patch) {
  if (major == 8) return "libclntsh.so.8.0";
  if (major == 9) return "libclntsh.so.9.0";
  if (major == 10) return "libclntsh.so.10.1";
  std::string release = std::to_string(major) + "." + std::to_string(minor);
  if (update != 0 || patch != 0) release += "." + std::to_string(update);
  if (patch != 0) release += "." + std::to_string(patch);
  return "libclntsh.so." + release;
}

// A copy of the build at `from` whose banner names `release` in full.
void CopyWithBanner(const std::string& from, const std::string& to, const std::string& release) {
  std::string bytes(static_cast<size_t>(fs::file_size(from)), '\0');
  std::ifstream in(from, std::ios::binary);
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!in) throw std::runtime_error("cannot read " + from);
  const std::string placeholder = "Release 00.00.00.00.00";
  const size_t at = bytes.find(placeholder);
  if (at == std::string::npos) throw std::runtime_error("the stand-in carries no banner: " + from);
  std::string named = "Release " + release;
  named.resize(placeholder.size(), ' ');
  bytes.replace(at, placeholder.size(), named);
  std::ofstream out(to, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + to);
}

}  // namespace

void StandinTest::UseClient(int major, int minor, int update, int patch, bool banner) {
  if (major > 10 || (major == 10 && minor >= 2)) {
    ControlStandin(ORACLE_STANDIN_PATH);
    WriteOracleValue("", "OCIDLL", ORACLE_STANDIN_PATH);
    ASSERT_TRUE(standin_->SetClientVersion(major, minor, update, patch, 0));
    return;
  }
  // The build shaped as a client of that release: it exports its calls and
  // none of a later release's.
  const char* build = major < 8                   ? ORACLE_STANDIN_73_PATH
                      : major == 8 && minor == 0  ? ORACLE_STANDIN_80_PATH
                      : major == 8                ? ORACLE_STANDIN_81_PATH
                      : major == 9 && minor < 2   ? ORACLE_STANDIN_90_PATH
                      : major == 9                ? ORACLE_STANDIN_92_PATH
                                                  : ORACLE_STANDIN_101_PATH;
  // Named as such a client is, carrying its release in its banner: a copy
  // in a folder of its own (a library still loaded is never written over).
  // The older interface's clients are found by their name alone: a link.
  static int copies = 0;
  const std::string path = MakeFolder("client" + std::to_string(++copies)) + "/" +
                           ClientFileName(major, minor, update, patch);
  if (major < 8) {
    fs::create_symlink(build, path);
    ControlStandin(build);
  } else {
    const std::string release = std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(update) +
                                "." + std::to_string(patch) + ".0";
    if (banner) CopyWithBanner(build, path, release);
    else fs::copy_file(build, path);
    ControlStandin(path);
  }
  WriteOracleValue("", "OCIDLL", path);
  // The library stands for that release where older clients differ.
  ASSERT_TRUE(standin_->SetClientVersion(major, minor, update, patch, 0));
}

void StandinTest::ControlStandin(const std::string& path) {
  if (path == control_path_) return;
  control_path_ = path;
  auto* control = new StandinControl(path);
  delete standin_;
  standin_ = control;
  standin_->Reset();
  ControlsSwitched(path);
}

void StandinTest::CopyStandin(const std::string& path) {
  fs::create_directories(fs::path(path).parent_path());
  fs::copy_file(ORACLE_STANDIN_PATH, path, fs::copy_options::overwrite_existing);
}

}  // namespace oracle::testing
