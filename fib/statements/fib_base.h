// TFIBBase: the link every statement and data set owns. It ties its owner to
// one database and one transaction, keeps itself registered in both, and
// carries the events by which the owner hears of connects, disconnects,
// transaction starts and ends, and of the database or transaction going away.
#pragma once

#include <ibase.h>

#include "classlib/event.h"
#include "classlib/object.h"

namespace fib {

class TFIBDatabase;
class TFIBTransaction;

// How a transaction ends; the values are stored in forms.
enum TTransactionAction {
  TARollback = 0,
  TARollbackRetaining = 1,
  TACommit = 2,
  TACommitRetaining = 3,
};

class TFIBBase;
using TFIBBaseEvent = classlib::Event<void(TFIBBase* link)>;

class TFIBBase : public classlib::TObject {
  CLASSLIB_CLASS(TFIBBase, classlib::TObject)
 public:
  // `owner` (not owned) is the statement or data set the link serves.
  explicit TFIBBase(classlib::TObject* owner);
  ~TFIBBase() override;
  TFIBBase(const TFIBBase&) = delete;
  TFIBBase& operator=(const TFIBBase&) = delete;

  classlib::TObject* Owner() const { return owner_; }
  TFIBDatabase* Database() const { return database_; }
  TFIBTransaction* Transaction() const { return transaction_; }

  // Leaves the old database's links and joins the new one's. A link with no
  // transaction takes the database's DefaultTransaction unless its owner (or
  // an owner of that) is being loaded from a form.
  void SetDatabase(TFIBDatabase* database);
  // Leaves the old transaction's links and joins the new one's. When the
  // transaction has databases and the link's database is not among them,
  // the link moves to the transaction's main database.
  void SetTransaction(TFIBTransaction* transaction);

  // Client errors 21 / 22 naming the owner when nothing is assigned, then
  // the database's / transaction's own activity check.
  virtual void CheckDatabase();
  virtual void CheckTransaction();
  // The handle addresses the client calls take, each after its check.
  isc_db_handle* DBHandle();
  isc_tr_handle* TRHandle();

  // The events, each called with this link.
  TFIBBaseEvent BeforeDatabaseConnect;
  TFIBBaseEvent AfterDatabaseConnect;
  TFIBBaseEvent BeforeDatabaseDisconnect;
  TFIBBaseEvent AfterDatabaseDisconnect;
  TFIBBaseEvent OnDatabaseFree;
  TFIBBaseEvent BeforeTransactionEnd;
  TFIBBaseEvent AfterTransactionEnd;
  TFIBBaseEvent BeforeTransactionStart;
  TFIBBaseEvent AfterTransactionStart;
  TFIBBaseEvent OnTransactionFree;

  // Calls `event` with this link when it is assigned.
  void Fire(const TFIBBaseEvent& event) {
    if (event) event(this);
  }

 private:
  friend class TFIBDatabase;
  friend class TFIBTransaction;

  bool OwnerIsLoading() const;
  std::string OwnerName() const;

  classlib::TObject* owner_;
  TFIBDatabase* database_ = nullptr;
  int database_index_ = -1;
  TFIBTransaction* transaction_ = nullptr;
  int transaction_index_ = -1;
};

}  // namespace fib
