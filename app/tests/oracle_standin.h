// The stand-in Oracle client library under the updater: the registry's
// Oracle home points at its folder, so the Oracle layer finds and loads it
// as it would the real one, and the test reaches its control interface
// through the same library file (the loader hands back the same instance).
// Its call log and the statements it ran tell what the updater asked of the
// server.
#pragma once

#include <dlfcn.h>

#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "oracle/call_binding.h"
#include "oracle/session_ora_session.h"
#include "platform/registry.h"
#include "testing/oci_standin/oci_standin_tier.h"

namespace app::testing {

class OracleStandin {
 public:
  // Starts from a clean stand-in (no accounts, no scripts, an empty log).
  OracleStandin() : library_(dlopen(ORACLE_STANDIN_PATH, RTLD_NOW | RTLD_LOCAL)) {
    if (library_ == nullptr) throw std::runtime_error("cannot load " ORACLE_STANDIN_PATH);
    Call<void (*)()>("standin_reset")();
  }
  // Every session ends and the layer lets the library go, so the next test
  // loads it afresh under its own registry.
  ~OracleStandin() {
    oracle::DisconnectAllSessions();
    oracle::UnloadOci();
    dlclose(library_);
  }
  OracleStandin(const OracleStandin&) = delete;
  OracleStandin& operator=(const OracleStandin&) = delete;

  // The folder the stand-in lies in, as the Oracle home.
  static std::string Home() {
    return std::filesystem::path(ORACLE_STANDIN_PATH).parent_path().string();
  }
  // HKLM\Software\Oracle ORACLE_HOME := Home(), in the registry the test
  // uses now ($UPDATER_REGISTRY).
  static void WriteHomeToRegistry() {
    platform::TRegistry registry;
    registry.SetRootKey(platform::HKEY_LOCAL_MACHINE);
    if (!registry.OpenKey("\\Software\\Oracle", true))
      throw std::runtime_error("cannot write the Oracle key");
    registry.WriteString("ORACLE_HOME", Home());
  }

  void AddAccount(const std::string& user, const std::string& password) {
    Call<void (*)(const char*, const char*)>("standin_add_account")(user.c_str(), password.c_str());
  }
  // A query of typed columns ("NAME TYPE;...") and its rows ('\n' between
  // rows, '|' between values, "<null>").
  void ScriptQuery(const std::string& sql, const std::string& columns, const std::string& rows = "") {
    Call<void (*)(const char*, const char*)>("standin_script_query")(sql.c_str(), columns.c_str());
    if (!rows.empty())
      Call<void (*)(const char*, const char*)>("standin_add_rows")(sql.c_str(), rows.c_str());
  }
  // The answer to a statement ("rows=N", "error=CODE text=...").
  void ScriptStatement(const std::string& sql, const std::string& answer) {
    Call<void (*)(const char*, const char*)>("standin_script_statement")(sql.c_str(), answer.c_str());
  }

  // The nth call of `entry` from now on answers `status` with the error
  // `code` and `text` (standin_inject_fault).
  void InjectFault(const std::string& entry, int nth, int status, int code, const std::string& text) {
    Call<int (*)(const char*, int, int, int, const char*)>("standin_inject_fault")(
        entry.c_str(), nth, status, code, text.c_str());
  }

  std::vector<std::string> Log() { return Lines("standin_call_log"); }
  // The lines of the log for one entry.
  std::vector<std::string> LogOf(const std::string& entry) {
    std::vector<std::string> lines;
    for (const std::string& line : Log())
      if (line == entry || line.rfind(entry + " ", 0) == 0) lines.push_back(line);
    return lines;
  }
  void ClearLog() { Call<void (*)()>("standin_clear_log")(); }
  // Every logged-on session loses its server (ORA-03114 from then on).
  int LoseLink() { return Call<int (*)()>("standin_lose_link")(); }
  // The statements the server ran, in order.
  std::vector<std::string> Executed() { return Lines("standin_executed"); }
  int CommittedWork() { return Call<int (*)()>("standin_committed_work")(); }

 private:
  template <typename Function>
  Function Call(const char* name) {
    void* symbol = dlsym(library_, name);
    if (symbol == nullptr) throw std::runtime_error(std::string("the stand-in lacks ") + name);
    return reinterpret_cast<Function>(symbol);
  }
  std::vector<std::string> Lines(const char* reader) {
    auto read = Call<int (*)(char*, int)>(reader);
    std::string text(static_cast<size_t>(read(nullptr, 0)) + 1, '\0');
    read(text.data(), static_cast<int>(text.size()));
    std::vector<std::string> lines;
    std::stringstream stream(text.c_str());
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
  }

  void* library_;

 public:
  // Services mapped to SQLite files (the SQLite tier).
  standin_testing::StandinTier tier{ORACLE_STANDIN_PATH};
};

}  // namespace app::testing
