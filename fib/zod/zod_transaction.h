// TpZODTransaction: the transaction component applications place on their
// forms. Beyond TFIBTransaction it applies a parameter preset at each
// start, fires its own and its database's events around start and end and
// around each statement, and can take its parameters from a transaction
// kind kept in the registry.
#pragma once

#include <string>

#include "classlib/event.h"
#include "fib/statements/fib_query.h"
#include "fib/statements/fib_transaction.h"
#include "fib/statements/zod_options.h"

namespace fib {

class TpZODDatabase;

using TOnSQLExecute = classlib::Event<void(TFIBQuery* query, TFIBSQLTypes sql_type)>;

class TpZODTransaction : public TFIBTransaction {
  CLASSLIB_CLASS(TpZODTransaction, TFIBTransaction)
 public:
  static constexpr const char* kNoUserKind = "NoUserKind";

  explicit TpZODTransaction(classlib::TComponent* owner);

  // Does nothing when active. The preset replaces TRParams first.
  void StartTransaction() override;
  void EndTransaction(TTransactionAction action, bool force) override;
  void DoSQLExecute(classlib::TObject* statement, uint8_t kind) override;

  TTPBMode TPBMode() const { return tpb_mode_; }
  void SetTPBMode(TTPBMode mode) { tpb_mode_ = mode; }
  // TRParams is worth storing only when no preset overwrites it.
  bool StoresTRParams() const { return tpb_mode_ == tpbDefault; }
  const std::string& UserKindTransaction() const { return user_kind_; }
  // At design time (not while loading) a kind found in the registry sets
  // TPBMode to tpbDefault and TRParams to the kind's parameters.
  void SetUserKindTransaction(const std::string& kind);
  bool StoresUserKindTransaction() const { return user_kind_ != kNoUserKind; }
  std::string About() const;

  classlib::TNotifyEvent BeforeStart;
  classlib::TNotifyEvent AfterStart;
  TEndTransactionEvent BeforeEnd;
  TEndTransactionEvent AfterEnd;
  TOnSQLExecute BeforeSQLExecute;
  TOnSQLExecute AfterSQLExecute;

 private:
  void ApplyPreset();
  TpZODDatabase* ZODDatabase() const;

  TTPBMode tpb_mode_ = tpbReadCommitted;
  std::string user_kind_ = kNoUserKind;
};

}  // namespace fib
