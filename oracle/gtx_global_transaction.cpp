#include "oracle/gtx_global_transaction.h"

#include <cstring>

#include "oracle/call_entries.h"
#include "oracle/conn_oci_connection.h"
#include "oracle/error_messages.h"
#include "oracle/error_ora.h"
#include "oracle/error_raise.h"

namespace oracle {

namespace {

// Success with a compilation error is a failure here; any other warning
// passes.
constexpr int32_t kSuccessWithCompilationError = 24344;

void Check(sword status, OCIError* error) {
  if (status == OCI_SUCCESS_WITH_INFO &&
      GetOciErrorCode(status, error) == kSuccessWithCompilationError)
    RaiseOraError(OCI_ERROR, error);
  CheckOciStatus(status, error);
}

}  // namespace

TOCIGlobalTransaction::TOCIGlobalTransaction(std::string global_id, long format_id)
    : global_id_(std::move(global_id)), format_id_(format_id) {
  if (global_id_.empty() || global_id_.size() > 64)
    RaiseOraException("A global transaction's identifier must have 1 to 64 bytes");
}

TOCIGlobalTransaction::~TOCIGlobalTransaction() {
  if (!active_) return;
  try {
    Rollback();
  } catch (...) {
    // A destructor cannot report; the server ends the branches with their sessions.
  }
}

XID TOCIGlobalTransaction::BranchId(size_t index) const {
  XID id{};
  id.formatID = format_id_;
  std::string branch = std::to_string(index + 1);
  id.gtrid_length = static_cast<long>(global_id_.size());
  id.bqual_length = static_cast<long>(branch.size());
  std::memcpy(id.data, global_id_.data(), global_id_.size());
  std::memcpy(id.data + global_id_.size(), branch.data(), branch.size());
  return id;
}

void TOCIGlobalTransaction::Enlist(TOCIConnection& connection, uword timeout) {
  if (connection.GlobalTransaction())
    RaiseOraException(messages::kTransactionActive);
  OCISvcCtx* context = connection.GetSvcCtx();
  OCIError* error = connection.GetErrorHandle();
  void* handle = nullptr;
  Check(OCIHandleAlloc(connection.GetEnvironment(), &handle, OCI_HTYPE_TRANS, 0, nullptr), error);
  auto* transaction = static_cast<OCITrans*>(handle);
  try {
    XID id = BranchId(branches_.size());
    Check(OCIAttrSet(transaction, OCI_HTYPE_TRANS, &id, sizeof id, OCI_ATTR_XID, error), error);
    Check(OCIAttrSet(context, OCI_HTYPE_SVCCTX, transaction, 0, OCI_ATTR_TRANS, error), error);
    Check(OCITransStart(context, error, timeout, OCI_TRANS_NEW), error);
  } catch (...) {
    OCIAttrSet(context, OCI_HTYPE_SVCCTX, nullptr, 0, OCI_ATTR_TRANS, error);
    OCIHandleFree(transaction, OCI_HTYPE_TRANS);
    throw;
  }
  branches_.push_back({&connection, gbsActive, transaction});
  connection.SetGlobalTransaction(this);
  active_ = true;
}

void TOCIGlobalTransaction::CheckActive(bool expected) const {
  if (active_ && !expected) RaiseOraException(messages::kTransactionActive);
  if (!active_ && expected) RaiseOraException(messages::kTransactionNotActive);
}

void TOCIGlobalTransaction::CloseOnDisconnect() {
  if (!active_) return;
  if (default_action_ == gdaCommit)
    Commit();
  else
    Rollback();
}

void TOCIGlobalTransaction::Commit() {
  CheckActive(true);
  try {
    CommitBranches();
  } catch (...) {
    // Branches already ended let their connections go; the rest stay for a rollback.
    ReleaseBranches();
    throw;
  }
  ReleaseBranches();
}

void TOCIGlobalTransaction::CommitBranches() {
  if (branches_.size() < 2) {
    for (TGlobalBranch& branch : branches_) {
      if (branch.State != gbsActive) continue;
      TOCIConnection& c = *branch.Connection;
      Check(OCITransCommit(c.GetSvcCtx(), c.GetErrorHandle(), OCI_DEFAULT), c.GetErrorHandle());
      branch.State = gbsEnded;
    }
    return;
  }
  for (TGlobalBranch& branch : branches_) {
    if (branch.State != gbsActive) continue;
    TOCIConnection& c = *branch.Connection;
    sword status = OCITransPrepare(c.GetSvcCtx(), c.GetErrorHandle(), OCI_DEFAULT);
    if (status == OCI_SUCCESS) {
      branch.State = gbsPrepared;
    } else if (status == OCI_SUCCESS_WITH_INFO) {
      branch.State = gbsEnded;  // nothing to commit on this branch
    } else {
      // The error is read before the rollback can overwrite it.
      std::string text;
      int32_t code = GetOciErrorText(status, text, c.GetErrorHandle());
      Rollback();
      throw EOraError(code, text);
    }
  }
  for (TGlobalBranch& branch : branches_) {
    if (branch.State != gbsPrepared) continue;
    TOCIConnection& c = *branch.Connection;
    Check(OCITransCommit(c.GetSvcCtx(), c.GetErrorHandle(), OCI_TRANS_TWOPHASE), c.GetErrorHandle());
    branch.State = gbsEnded;
  }
}

void TOCIGlobalTransaction::Rollback() {
  CheckActive(true);
  // Every branch is tried, so one that fails leaves no other one open; the
  // first failure is raised afterwards.
  std::exception_ptr first;
  for (TGlobalBranch& branch : branches_) {
    if (branch.State != gbsActive && branch.State != gbsPrepared) continue;
    TOCIConnection& c = *branch.Connection;
    try {
      Check(OCITransRollback(c.GetSvcCtx(), c.GetErrorHandle(), OCI_DEFAULT), c.GetErrorHandle());
    } catch (...) {
      if (!first) first = std::current_exception();
    }
    branch.State = gbsEnded;
  }
  ReleaseBranches();
  if (first) std::rethrow_exception(first);
}

void TOCIGlobalTransaction::ReleaseBranches() {
  for (TGlobalBranch& branch : branches_) {
    if (branch.State != gbsEnded) continue;
    TOCIConnection& c = *branch.Connection;
    OCIAttrSet(c.GetSvcCtx(), OCI_HTYPE_SVCCTX, nullptr, 0, OCI_ATTR_TRANS, c.GetErrorHandle());
    OCIHandleFree(branch.Transaction, OCI_HTYPE_TRANS);
    branch.Transaction = nullptr;
    branch.State = gbsNone;
    c.SetGlobalTransaction(nullptr);
  }
  std::erase_if(branches_, [](const TGlobalBranch& branch) { return branch.State == gbsNone; });
  active_ = !branches_.empty();
}

}  // namespace oracle
