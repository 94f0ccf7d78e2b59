// TFIBTransaction: one server transaction over one or more TFIBDatabase
// objects, started with the parameter block built from its TRParams lines
// and ended by commit or rollback, hard or retaining.
#pragma once

#include <ibase.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "classlib/component.h"
#include "classlib/event.h"
#include "classlib/strings.h"
#include "fib/statements/fib_base.h"
#include "fib/statements/fib_database.h"

namespace fib {

class TFIBTimer;

// What a transaction is doing; committing and rolling back last only while
// an end is in progress.
enum class TransactionState : uint8_t {
  Active = 0,
  Inactive = 1,
  RollingBack = 2,
  RollingBackRetaining = 3,
  Committing = 4,
  CommittingRetaining = 5,
};

// Handler kinds of AddHandler / RemoveHandler.
enum TransactionHandlerKind {
  kBeforeStart = 0,
  kAfterStart = 1,
  kBeforeEnd = 2,
  kAfterEnd = 3,
  kBeforeDestroy = 4,
};

using TEndTransactionEvent =
    classlib::Event<void(TFIBTransaction* transaction, TTransactionAction action, bool force)>;

class TFIBTransaction : public classlib::TComponent {
  CLASSLIB_CLASS(TFIBTransaction, classlib::TComponent)
 public:
  explicit TFIBTransaction(classlib::TComponent* owner);
  ~TFIBTransaction() override;

  // Ends the transaction. Forced, a refused commit is rolled back and the
  // handle cleared whatever the outcome; the refusal is still raised once
  // that is done.
  virtual void EndTransaction(TTransactionAction action, bool force);
  // Called around statement execution (kind 0 before, 1 after).
  virtual void DoSQLExecute(classlib::TObject* statement, uint8_t kind);
  // A statement's client call in this transaction was checked: the
  // transaction is not idle.
  void NoteStatementCall() { idle_ = false; }
  virtual void StartTransaction();
  virtual void Commit();
  virtual void CommitRetaining();
  virtual void Rollback();
  virtual void RollbackRetaining();

  bool Active() const { return handle_ != 0; }
  // true starts, false rolls back; while loading only remembered.
  void SetActive(bool active);
  TFIBDatabase* DefaultDatabase() const { return default_database_; }
  void SetDefaultDatabase(TFIBDatabase* database);
  uint32_t Timeout() const { return timeout_; }
  void SetTimeout(uint32_t timeout_ms);
  TTransactionAction TimeoutAction() const { return timeout_action_; }
  void SetTimeoutAction(TTransactionAction action) { timeout_action_ = action; }
  // Edits while active raise client error 16 and change nothing.
  classlib::TStringList& TRParams() { return tr_params_; }
  classlib::TNotifyEvent OnTimeout;

  isc_tr_handle Handle() const { return handle_; }
  isc_tr_handle* HandleAddress() { return &handle_; }
  TransactionState State() const { return state_; }
  // The server's id of the running transaction, 0 when inactive.
  int64_t TransactionID();
  // The next hard commit or rollback makes no server call: the connection
  // is gone.
  void SetEndLocally() { end_locally_ = true; }

  void CheckActive();
  void CheckInactive();

  // The database's index in the list; -1 for nullptr. A database with a
  // different client library than the first one is refused.
  int AddDatabase(TFIBDatabase* database);
  void RemoveDatabase(int index);
  int FindDatabase(const TFIBDatabase* database) const;
  int DatabaseCount() const { return static_cast<int>(databases_.size()); }
  TFIBDatabase* Databases(int index) const { return databases_[index]; }
  TFIBDatabase* MainDatabase() const;

  // Kinds kBeforeStart, kAfterStart, kBeforeDestroy take notify handlers;
  // kBeforeEnd and kAfterEnd take end handlers. Another kind is an
  // assertion failure.
  void AddHandler(int kind, const classlib::TNotifyEvent& handler);
  void RemoveHandler(int kind, const classlib::TNotifyEvent& handler);
  void AddHandler(int kind, const TEndTransactionEvent& handler);
  void RemoveHandler(int kind, const TEndTransactionEvent& handler);

  // Restores the floating-point unit, clears the idle flags of the
  // transaction and its databases, raises a server error when asked.
  ISC_STATUS CheckTransactionCall(ISC_STATUS status, bool raise_on_error);

 protected:
  void Loaded() override;
  void Notification(classlib::TComponent* component, classlib::TOperation operation) override;

 private:
  friend class TFIBBase;
  friend class TFIBDatabase;

  struct EndHandlers {
    std::mutex mutex;
    classlib::EventList<void(TFIBTransaction*, TTransactionAction, bool)> list;
  };

  void AddLink(TFIBBase* link);
  void RemoveLink(TFIBBase* link);
  TNotifyEventList& NotifyList(int kind);
  EndHandlers& EndList(int kind);
  void NotifyEnd(bool before, TTransactionAction action, bool force);
  void EndHard(TTransactionAction action, bool force);
  void FireLinks(TFIBBaseEvent TFIBBase::*event, bool last_first);
  void TimeoutTick(classlib::TObject* sender);
  void TraceRefusal(TTransactionAction action, const std::string& message);
  void Log(const std::string& text);
  void OnParamsChanging(classlib::TObject* sender);
  void OnParamsChanged(classlib::TObject* sender);

  isc_tr_handle handle_ = 0;
  std::vector<TFIBDatabase*> databases_;
  TFIBDatabase* default_database_ = nullptr;
  std::vector<TFIBBase*> links_;  // nullptr marks a free place
  classlib::TStringList tr_params_;
  std::string tpb_;
  bool tpb_needs_rebuild_ = true;
  int64_t transaction_id_ = 0;
  bool end_locally_ = false;
  TransactionState state_ = TransactionState::Inactive;
  uint32_t timeout_ = 0;
  TTransactionAction timeout_action_ = TARollback;
  bool idle_ = false;
  std::unique_ptr<TFIBTimer> timer_;
  bool streamed_active_ = false;
  TNotifyEventList before_start_;
  TNotifyEventList after_start_;
  TNotifyEventList before_destroy_;
  EndHandlers before_end_;
  EndHandlers after_end_;
};

}  // namespace fib
