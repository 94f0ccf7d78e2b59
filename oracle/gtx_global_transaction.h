// A global transaction over several connections, ended through the call
// interface's own two-phase commit: each connection is one branch with a
// transaction handle on its service context. With two or more branches a
// commit prepares every branch first, and one that cannot prepare rolls
// every branch back, so either all commit or none does.
//
// Starting is this layer's own: Enlist gives a connection a branch of the
// transaction identifier (the global part shared, the branch part its
// index) and starts it on the server.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "oracle/oci_defs.h"

namespace oracle {

class TOCIConnection;

enum TGlobalBranchState : uint8_t { gbsNone = 0, gbsActive = 1, gbsPrepared = 2, gbsEnded = 3 };
enum TGlobalDefaultAction : uint8_t { gdaCommit = 0, gdaRollback = 1 };

struct TGlobalBranch {
  TOCIConnection* Connection = nullptr;
  TGlobalBranchState State = gbsNone;
  OCITrans* Transaction = nullptr;
};

class TOCIGlobalTransaction {
 public:
  // The global part of every branch's identifier (at most 64 bytes).
  explicit TOCIGlobalTransaction(std::string global_id, long format_id = 0x4F524147);
  // Rolls back a transaction still active: nothing is committed unasked.
  ~TOCIGlobalTransaction();
  TOCIGlobalTransaction(const TOCIGlobalTransaction&) = delete;
  TOCIGlobalTransaction& operator=(const TOCIGlobalTransaction&) = delete;

  bool Active() const { return active_; }
  TGlobalDefaultAction DefaultAction() const { return default_action_; }
  void SetDefaultAction(TGlobalDefaultAction action) { default_action_ = action; }
  const std::vector<TGlobalBranch>& Branches() const { return branches_; }

  // Starts a branch on a connected connection of the newer call style. A
  // connection takes part in one global transaction at a time.
  void Enlist(TOCIConnection& connection, uword timeout = 60);
  void Commit();
  void Rollback();
  // Ends an active transaction with the default action; a session calls it
  // before it disconnects.
  void CloseOnDisconnect();
  // Raises when the transaction is active (expected false) or is not
  // (expected true).
  void CheckActive(bool expected) const;

 private:
  void CommitBranches();
  void ReleaseBranches();
  XID BranchId(size_t index) const;

  std::vector<TGlobalBranch> branches_;
  bool active_ = false;
  TGlobalDefaultAction default_action_ = gdaCommit;
  std::string global_id_;
  long format_id_;
};

}  // namespace oracle
