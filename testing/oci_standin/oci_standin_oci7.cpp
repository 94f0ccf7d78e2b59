// The stand-in's older call interface: logon on a caller's logon area,
// commit, rollback, break, message texts, and statements on cursor areas.
// A failure answers the negative error number and leaves its text for
// oerhms.
#include <cstring>
#include <string>

#include "testing/oci_standin/oci_standin_state.h"

using namespace standin;

namespace {

using Guard = std::lock_guard<std::mutex>;

std::string Text(const OraText* text, sword length) {
  if (!text) return "";
  if (length < 0) return reinterpret_cast<const char*>(text);
  return std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(length));
}

Handle* LoggedOn(State& state, const void* lda) {
  auto found = state.world.lda_sessions.find(lda);
  return found == state.world.lda_sessions.end() ? nullptr : found->second;
}

// An injected fault of an older-interface entry; its text goes where oerhms
// finds it.
sword Injected(State& state, const std::string& entry) {
  for (auto fault = state.faults.begin(); fault != state.faults.end(); ++fault) {
    if (fault->entry != entry || --fault->remaining > 0) continue;
    Fault fired = *fault;
    state.faults.erase(fault);
    if (fired.code != 0) state.world.oci7_texts[fired.code] = fired.text;
    return fired.status;
  }
  return 0;
}

constexpr int kNotLoggedOn = 1012;
constexpr const char* kNotLoggedOnText = "ORA-01012: not logged on";

}  // namespace

extern "C" {

sword olog(ub1* lda, ub1* hda, const OraText* user, sword user_length, const OraText* password,
           sword password_length, const OraText* link, sword link_length, ub4 mode) {
  State& state = TheState();
  Guard guard(state.lock);
  std::string name = Text(user, user_length);
  Log(state, "olog user=" + name + " link=" + Text(link, link_length) + " mode=" + std::to_string(mode));
  if (sword status = Injected(state, "olog")) return status;
  if (!lda || !hda) return Failure(state, 1001, "ORA-01001: invalid cursor");
  auto account = state.accounts.find(Upper(name));
  if (account == state.accounts.end() || account->second != Text(password, password_length))
    return Failure(state, 1017, "ORA-01017: invalid username/password; logon denied");
  Handle* server = NewHandle(state, OCI_HTYPE_SERVER, nullptr);
  server->attached = true;
  Handle* session = NewHandle(state, OCI_HTYPE_SESSION, server);
  session->values[OCI_ATTR_USERNAME] = name;
  session->logged_on = true;
  state.world.lda_sessions[lda] = session;
  return 0;
}

sword ologof(ub1* lda) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "ologof");
  Handle* session = LoggedOn(state, lda);
  if (!session) return Failure(state, kNotLoggedOn, kNotLoggedOnText);
  state.world.lda_sessions.erase(lda);
  FreeHandle(state, session->parent);
  return 0;
}

sword ocom(ub1* lda) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "ocom");
  if (sword status = Injected(state, "ocom")) return status;
  if (!LoggedOn(state, lda)) return Failure(state, kNotLoggedOn, kNotLoggedOnText);
  EndWork(state, lda, true);
  return 0;
}

sword orol(ub1* lda) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "orol");
  if (sword status = Injected(state, "orol")) return status;
  if (!LoggedOn(state, lda)) return Failure(state, kNotLoggedOn, kNotLoggedOnText);
  EndWork(state, lda, false);
  return 0;
}

sword obreak(ub1* lda) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "obreak");
  Handle* session = LoggedOn(state, lda);
  if (!session) return Failure(state, kNotLoggedOn, kNotLoggedOnText);
  if (session->extra.running_calls > 0) {
    session->extra.break_requested = true;
    NotifyBreak();
  }
  return 0;
}

sword oerhms(ub1* lda, sb2 code, OraText* buffer, sword buffer_size) {
  State& state = TheState();
  Guard guard(state.lock);
  int number = code < 0 ? -code : code;
  Log(state, "oerhms code=" + std::to_string(number));
  (void)lda;
  if (!buffer || buffer_size <= 0) return 0;
  auto found = state.world.oci7_texts.find(number);
  std::string text = found != state.world.oci7_texts.end()
                         ? found->second
                         : "ORA-" + std::to_string(number) + ": Message " + std::to_string(number) + " not found";
  size_t count = std::min(text.size(), static_cast<size_t>(buffer_size - 1));
  std::memcpy(buffer, text.data(), count);
  buffer[count] = '\0';
  return static_cast<sword>(count);
}

sword oopen(ub1* cda, ub1* lda, const OraText*, sword, sword, const OraText*, sword) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "oopen");
  if (sword status = Injected(state, "oopen")) return status;
  if (!cda || !LoggedOn(state, lda)) return Failure(state, kNotLoggedOn, kNotLoggedOnText);
  state.world.cursors[cda] = Oci7Cursor{lda, "", {}};
  return 0;
}

sword oparse(ub1* cda, const OraText* text, sb4 length, sword deferred, ub4 syntax) {
  State& state = TheState();
  Guard guard(state.lock);
  std::string sql = Text(text, static_cast<sword>(length));
  Log(state, "oparse sql=" + sql + " defer=" + std::to_string(deferred) + " syntax=" + std::to_string(syntax));
  if (sword status = Injected(state, "oparse")) return status;
  auto cursor = state.world.cursors.find(cda);
  if (cursor == state.world.cursors.end()) return Failure(state, 1001, "ORA-01001: invalid cursor");
  cursor->second.sql = sql;
  cursor->second.binds.clear();
  SetFunctionCode(cda, sql);
  return 0;
}

sword obndrv(ub1* cda, const OraText* name, sword name_length, ub1* value, sword value_size,
             sword type, sword, sb2* indicator, const OraText*, sword, sword) {
  State& state = TheState();
  Guard guard(state.lock);
  std::string placeholder = Text(name, name_length);
  Log(state, "obndrv name=" + placeholder + " type=" + std::to_string(type) +
                 " size=" + std::to_string(value_size));
  auto cursor = state.world.cursors.find(cda);
  if (cursor == state.world.cursors.end()) return Failure(state, 1001, "ORA-01001: invalid cursor");
  if (!placeholder.empty() && placeholder[0] == ':') placeholder.erase(0, 1);
  AddBind(cursor->second.binds, {Upper(placeholder), value, value_size, static_cast<ub2>(type), indicator});
  return 0;
}

sword oexec(ub1* cda) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "oexec");
  if (sword status = Injected(state, "oexec")) return status;
  auto cursor = state.world.cursors.find(cda);
  if (cursor == state.world.cursors.end()) return Failure(state, 1001, "ORA-01001: invalid cursor");
  Handle* session = LoggedOn(state, cursor->second.lda);
  if (!session) return Failure(state, kNotLoggedOn, kNotLoggedOnText);
  // The cursor's fields are copied: the wait inside may let its area change.
  std::string sql = cursor->second.sql;
  std::vector<Bind> binds = cursor->second.binds;
  std::string text;
  sb4 code = RunStatement(state, session, sql, binds, text);
  return code == 0 ? 0 : Failure(state, code, text);
}

sword oclose(ub1* cda) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "oclose");
  ForgetOci7Query(state, cda);
  if (state.world.cursors.erase(cda) == 0) return Failure(state, 1001, "ORA-01001: invalid cursor");
  return 0;
}

}
