// The control interface of the stand-in (oci_standin_control.h).
#include <algorithm>
#include <cstring>
#include <sstream>

#include "testing/oci_standin/oci_standin_control.h"
#include "testing/oci_standin/oci_standin_state.h"

using namespace standin;

extern "C" {

void standin_reset(void) {
  State& state = TheState();
  std::lock_guard<std::mutex> guard(state.lock);
  Reset(state);
}

void standin_set_banner(const char* banner) {
  State& state = TheState();
  std::lock_guard<std::mutex> guard(state.lock);
  state.banner = banner ? banner : "";
}

void standin_add_account(const char* user, const char* password) {
  State& state = TheState();
  std::lock_guard<std::mutex> guard(state.lock);
  state.accounts[Upper(user ? user : "")] = password ? password : "";
}

void standin_script_select(const char* sql, const char* columns) {
  State& state = TheState();
  std::lock_guard<std::mutex> guard(state.lock);
  std::vector<std::string> names;
  std::stringstream list(columns ? columns : "");
  for (std::string name; std::getline(list, name, ',');) names.push_back(Trimmed(name));
  state.scripts[Trimmed(sql ? sql : "")] = names;
}

int standin_inject_fault(const char* entry, int nth, int status, int code, const char* text) {
  State& state = TheState();
  std::lock_guard<std::mutex> guard(state.lock);
  const std::string name = entry ? entry : "";
  // A warning follows the call's work, which only some entries do.
  if (status == OCI_SUCCESS_WITH_INFO && !AnswersWarnings(name)) return -1;
  state.faults.push_back({name, nth, status, code, text ? text : ""});
  return 0;
}

int standin_call_log(char* buffer, int size) {
  State& state = TheState();
  std::lock_guard<std::mutex> guard(state.lock);
  return CopyOut(JoinLines(state.log), buffer, size);
}

void standin_clear_log(void) {
  State& state = TheState();
  std::lock_guard<std::mutex> guard(state.lock);
  state.log.clear();
}

void standin_set_logging(int on) {
  State& state = TheState();
  std::lock_guard<std::mutex> guard(state.lock);
  state.logging = on != 0;
}

int standin_live_handles(void) {
  State& state = TheState();
  std::lock_guard<std::mutex> guard(state.lock);
  return static_cast<int>(state.handles.size());
}

int standin_freed_handle_calls(void) {
  State& state = TheState();
  std::lock_guard<std::mutex> guard(state.lock);
  return state.freed_handle_calls;
}

}
