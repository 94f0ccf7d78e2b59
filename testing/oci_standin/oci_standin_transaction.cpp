// Global transactions in the stand-in: a transaction handle carries a
// branch identifier; set on a service context it is started, prepared (a
// branch without work answers success with information: nothing to
// commit) and committed in two phases only once prepared. Commit and
// rollback of the context end the branch (OCITransCommit checks the phase
// through TwoPhaseCommitStatus).
#include <cstring>
#include <string>

#include "testing/oci_standin/oci_standin_state.h"

using namespace standin;

namespace {

using Guard = std::lock_guard<std::mutex>;

// The transaction handle set on a live service context, or nullptr.
Handle* BranchOf(State& state, Handle* context) {
  auto found = context->pointers.find(OCI_ATTR_TRANS);
  return found == context->pointers.end() ? nullptr : Live(state, found->second, OCI_HTYPE_TRANS);
}

std::string BranchName(Handle* transaction) {
  auto found = transaction->values.find(OCI_ATTR_XID);
  if (found == transaction->values.end() || found->second.size() < sizeof(XID)) return "";
  XID id{};
  std::memcpy(&id, found->second.data(), sizeof id);
  if (id.gtrid_length < 0 || id.bqual_length < 0 || id.gtrid_length + id.bqual_length > XIDDATASIZE)
    return "";
  return std::string(id.data, static_cast<size_t>(id.gtrid_length)) + "." +
         std::string(id.data + id.gtrid_length, static_cast<size_t>(id.bqual_length));
}

}  // namespace

namespace standin {

sword TwoPhaseCommitStatus(State& state, const void* context, ub4 flags, void* error) {
  Handle* live = Live(state, context, OCI_HTYPE_SVCCTX);
  Handle* branch = live ? BranchOf(state, live) : nullptr;
  auto phase = branch ? state.world.branch_phases.find(branch) : state.world.branch_phases.end();
  bool prepared = phase != state.world.branch_phases.end() && phase->second == "prepared";
  if ((flags & OCI_TRANS_TWOPHASE) && !prepared)
    return Fail(state, error, 24756, "ORA-24756: transaction does not exist");
  if (branch) state.world.branch_phases.erase(branch);
  return OCI_SUCCESS;
}

void EndBranch(State& state, const void* context) {
  Handle* live = Live(state, context, OCI_HTYPE_SVCCTX);
  if (Handle* branch = live ? BranchOf(state, live) : nullptr) state.world.branch_phases.erase(branch);
}

}  // namespace standin

extern "C" {

sword OCITransStart(OCISvcCtx* context, OCIError* error, uword timeout, ub4 flags) {
  State& state = TheState();
  Guard guard(state.lock);
  Handle* live = Live(state, context, OCI_HTYPE_SVCCTX);
  Handle* branch = live ? BranchOf(state, live) : nullptr;
  std::string name = branch ? BranchName(branch) : "";
  state.log.push_back("OCITransStart xid=" + name + " timeout=" + std::to_string(timeout) +
                      " flags=" + std::to_string(flags));
  if (sword status = InjectedStatus(state, "OCITransStart", error)) return status;
  if (!live || !Live(state, error, OCI_HTYPE_ERROR)) return OCI_INVALID_HANDLE;
  if (!branch || name.empty()) return Fail(state, error, 24758, "ORA-24758: transaction identifier not set");
  Handle* session = SessionOf(state, context);
  if (!session || !session->logged_on) return Fail(state, error, 3114, "ORA-03114: not connected to ORACLE");
  if (state.world.branch_phases.count(branch))
    return Fail(state, error, 24757, "ORA-24757: duplicate transaction identifier");
  state.world.branch_phases[branch] = "active";
  return OCI_SUCCESS;
}

sword OCITransPrepare(OCISvcCtx* context, OCIError* error, ub4 flags) {
  State& state = TheState();
  Guard guard(state.lock);
  state.log.push_back("OCITransPrepare flags=" + std::to_string(flags));
  if (sword status = InjectedStatus(state, "OCITransPrepare", error)) return status;
  Handle* live = Live(state, context, OCI_HTYPE_SVCCTX);
  if (!live || !Live(state, error, OCI_HTYPE_ERROR)) return OCI_INVALID_HANDLE;
  Handle* branch = BranchOf(state, live);
  auto phase = branch ? state.world.branch_phases.find(branch) : state.world.branch_phases.end();
  if (phase == state.world.branch_phases.end() || phase->second != "active")
    return Fail(state, error, 24756, "ORA-24756: transaction does not exist");
  Handle* session = SessionOf(state, context);
  if (!session || session->extra.pending_work == 0) {
    // A read-only branch has nothing to commit and is over.
    state.world.branch_phases.erase(phase);
    Fail(state, error, 24767, "ORA-24767: transaction branch prepare returns read-only");
    return OCI_SUCCESS_WITH_INFO;
  }
  phase->second = "prepared";
  return OCI_SUCCESS;
}

}
