#include "testing/oci_standin/oci_standin_state.h"

#include <algorithm>
#include <cstring>

namespace standin {

State& TheState() {
  static State state;
  return state;
}

void Reset(State& state) {
  state.handles.clear();
  state.storage.clear();
  state.freed.clear();
  state.freed_handle_calls = 0;
  int version[5] = {10, 2, 0, 1, 0};
  std::copy(version, version + 5, state.client_version);
  state.banner = kDefaultBanner;
  state.accounts.clear();
  state.scripts.clear();
  state.faults.clear();
  ResetWorld(state.world);
  state.log.clear();
  state.logging = true;
  state.process_initialized = false;
  state.values = ValueStore{};
  state.statements = StatementWorld{};
  ResetObjects(state.objects);
  state.fetch = FetchWorld{};
  ResetTier(state.tier);
}

Handle* NewHandle(State& state, ub4 type, Handle* parent) {
  auto handle = std::make_unique<Handle>();
  handle->type = type;
  handle->parent = parent;
  Handle* raw = handle.get();
  state.storage.push_back(std::move(handle));
  state.handles.insert(raw);
  state.freed.erase(raw);
  return raw;
}

void FreeHandle(State& state, Handle* handle) {
  // Freeing a parent frees what was allocated under it.
  std::vector<Handle*> children;
  for (Handle* other : state.handles)
    if (other->parent == handle) children.push_back(other);
  for (Handle* child : children) FreeHandle(state, child);
  if (handle->type == OCI_HTYPE_STMT) ForgetCursor(state, handle);
  if (handle->type == OCI_HTYPE_SESSION) TierSessionEnd(state, handle);
  state.handles.erase(handle);
  state.freed.insert(handle);
  auto owned = std::find_if(state.storage.begin(), state.storage.end(),
                            [handle](const std::unique_ptr<Handle>& h) { return h.get() == handle; });
  if (owned != state.storage.end()) state.storage.erase(owned);
}

Handle* Live(State& state, const void* pointer, ub4 type) {
  auto found = state.handles.find(static_cast<Handle*>(const_cast<void*>(pointer)));
  if (found == state.handles.end()) {
    if (pointer && state.freed.count(pointer)) ++state.freed_handle_calls;
    return nullptr;
  }
  if (type != 0 && (*found)->type != type) return nullptr;
  return *found;
}

sword Fail(State& state, void* error, sb4 code, const std::string& text) {
  if (Handle* handle = Live(state, error, OCI_HTYPE_ERROR)) {
    handle->error_code = code;
    handle->error_text = text;
  }
  return OCI_ERROR;
}

namespace {

// A warning injected for the call this thread is making.
struct ArmedWarning {
  bool armed = false;
  void* error = nullptr;
  sb4 code = 0;
  std::string text;
};

thread_local ArmedWarning armed_warning;

// The entries whose work a warning may follow: the server round trips.
constexpr std::string_view kWarningEntries[] = {
    "OCIServerAttach", "OCISessionBegin", "OCISessionGet", "OCIStmtPrepare", "OCIStmtPrepare2",
    "OCIStmtExecute", "OCIStmtFetch", "OCIStmtFetch2", "OCITransCommit", "OCITransRollback",
    "OCIPing", "OCILobRead", "OCILobRead2", "OCILobWrite"};

}  // namespace

bool AnswersWarnings(std::string_view entry) {
  return std::find(std::begin(kWarningEntries), std::end(kWarningEntries), entry) != std::end(kWarningEntries);
}

sword InjectedStatus(State& state, std::string_view entry, void* error) {
  armed_warning.armed = false;
  if (state.faults.empty()) return OCI_SUCCESS;
  for (auto fault = state.faults.begin(); fault != state.faults.end(); ++fault) {
    if (fault->entry != entry || --fault->remaining > 0) continue;
    Fault fired = *fault;
    state.faults.erase(fault);
    if (fired.status == OCI_SUCCESS_WITH_INFO) {
      armed_warning = ArmedWarning{true, error, fired.code, fired.text};
      return OCI_SUCCESS;
    }
    if (fired.code != 0) Fail(state, error, fired.code, fired.text);
    return fired.status;
  }
  return OCI_SUCCESS;
}

sword Answered(State& state, sword status) {
  if (!armed_warning.armed) return status;
  armed_warning.armed = false;
  if (status != OCI_SUCCESS) return status;
  Fail(state, armed_warning.error, armed_warning.code, armed_warning.text);
  return OCI_SUCCESS_WITH_INFO;
}

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; });
  return text;
}

std::string Trimmed(const std::string& text) {
  size_t start = text.find_first_not_of(" \t\r\n");
  if (start == std::string::npos) return "";
  size_t end = text.find_last_not_of(" \t\r\n");
  return text.substr(start, end - start + 1);
}

void Log(State& state, const std::string& line) {
  if (state.logging) state.log.push_back(line);
}

sword Failure(State& state, int code, const std::string& text) {
  state.world.oci7_texts[code] = text;
  return -code;
}

int CopyOut(const std::string& text, char* buffer, int size) {
  if (buffer && size > 0) {
    const size_t count = std::min(text.size(), static_cast<size_t>(size - 1));
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
  }
  return static_cast<int>(text.size());
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

}  // namespace standin
