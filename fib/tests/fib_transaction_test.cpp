// Transactions on the embedded engine: how their ends show through another
// connection, the checks, the handler lists and links, forced ends the
// server refuses, and transactions over two databases.
#include "fib/statements/fib_transaction.h"

#include <gtest/gtest.h>

#include <chrono>

#include "classlib/exceptions.h"
#include "database_fixture.h"
#include "fib/base/errors.h"
#include "fib/base/fib_timer.h"
#include "platform/clock.h"
#include "platform/plain_message_loop.h"
#include "testing/message_of.h"

namespace fib {
namespace {

using classlib::Variant;

using classlib::testing::MessageOf;

class TransactionTest : public fib_test::DatabaseTest {
 protected:
  TransactionTest() {
    form_.SetName("Form1");
    db_ = NewDatabase(&form_);
    db_->SetName("DB");
    db_->Connect();
  }

  // A transaction of the form on the test database.
  std::unique_ptr<TFIBTransaction> NewTransaction(const std::string& name) {
    auto tr = std::make_unique<TFIBTransaction>(&form_);
    tr->SetName(name);
    tr->SetDefaultDatabase(db_.get());
    return tr;
  }

  classlib::TComponent form_{nullptr};
  std::unique_ptr<TFIBDatabase> db_;
};

TEST_F(TransactionTest, EndsShowThroughAnotherConnection) {
  auto t1 = NewTransaction("T1");
  auto t2 = NewTransaction("T2");
  t1->StartTransaction();
  t2->StartTransaction();
  EXPECT_EQ(t1->State(), TransactionState::Active);
  Insert(*db_, *t1, 1);
  Insert(*db_, *t2, 2);
  EXPECT_EQ(CountCommitted(1), 0);

  t1->Commit();
  EXPECT_FALSE(t1->Active());
  EXPECT_EQ(t1->State(), TransactionState::Inactive);
  EXPECT_EQ(CountCommitted(1), 1);
  t2->Rollback();
  EXPECT_FALSE(t2->Active());
  EXPECT_EQ(CountCommitted(2), 0);

  // Retaining ends keep the transaction and its handle.
  t1->StartTransaction();
  isc_tr_handle handle = t1->Handle();
  int64_t id = t1->TransactionID();
  EXPECT_GT(id, 0);
  Insert(*db_, *t1, 3);
  t1->CommitRetaining();
  EXPECT_TRUE(t1->Active());
  EXPECT_EQ(t1->Handle(), handle);
  EXPECT_EQ(CountCommitted(3), 1);
  EXPECT_GT(t1->TransactionID(), 0);
  Insert(*db_, *t1, 4);
  t1->RollbackRetaining();
  EXPECT_TRUE(t1->Active());
  EXPECT_EQ(t1->Handle(), handle);
  Insert(*db_, *t1, 5);
  t1->SetActive(false);  // rolls back
  EXPECT_FALSE(t1->Active());
  EXPECT_EQ(CountCommitted(4), 0);
  EXPECT_EQ(CountCommitted(5), 0);
  EXPECT_EQ(t1->TransactionID(), 0);
}

TEST_F(TransactionTest, GuardsAgainstMisuse) {
  auto tr = NewTransaction("T1");
  EXPECT_EQ(MessageOf([&] { tr->Commit(); }), "Form1.T1 :Transaction is not active.");
  tr->TRParams().SetText("read\r\nconcurrency");
  tr->StartTransaction();
  EXPECT_EQ(MessageOf([&] { tr->StartTransaction(); }), "Form1.T1 :Transaction is active.");
  EXPECT_THROW(tr->TRParams().Add("nowait"), EFIBClientError);
  EXPECT_EQ(tr->TRParams().Count(), 2);
  EXPECT_THROW(tr->SetDefaultDatabase(nullptr), EFIBClientError);
  // A read-only transaction: the server refuses the insert.
  EXPECT_THROW(Insert(*db_, *tr, 1), EFIBInterBaseError);
  tr->Rollback();

  TFIBTransaction lonely(&form_);
  lonely.SetName("T2");
  EXPECT_EQ(MessageOf([&] { lonely.StartTransaction(); }),
            "Form1.T2 :No databases are listed in transaction component.");

  db_->Close();
  EXPECT_EQ(MessageOf([&] { tr->StartTransaction(); }),
            "Form1.DB: Cannot perform operation -- DB is not open.");
  EXPECT_FALSE(tr->Active());

  TFIBDatabase other(nullptr);
  other.SetLibraryName("libother.so");
  EXPECT_EQ(MessageOf([&] { tr->AddDatabase(&other); }),
            "Form1.T1.\r\nTransaction can't work with different client library.");
  EXPECT_EQ(tr->AddDatabase(nullptr), -1);
  EXPECT_EQ(tr->AddDatabase(db_.get()), 0);
}

TEST_F(TransactionTest, HandlersRunInTheirOrder) {
  auto tr = NewTransaction("T1");
  std::vector<std::string> calls;
  auto note = [&](std::string what) {
    return classlib::TNotifyEvent::Function([&calls, what](classlib::TObject*) {
      calls.push_back(what);
    });
  };
  classlib::TNotifyEvent first = note("before start 1");
  tr->AddHandler(kBeforeStart, first);
  tr->AddHandler(kBeforeStart, first);  // already there
  tr->AddHandler(kBeforeStart, note("before start 2"));
  tr->AddHandler(kAfterStart, note("after start"));
  auto end_note = [&](std::string what) {
    return TEndTransactionEvent::Function(
        [&calls, what](TFIBTransaction*, TTransactionAction action, bool force) {
          calls.push_back(what + " " + std::to_string(action) + (force ? " forced" : ""));
        });
  };
  TEndTransactionEvent end1 = end_note("end 1");
  tr->AddHandler(kBeforeEnd, end1);
  tr->AddHandler(kBeforeEnd, end_note("end 2"));
  tr->AddHandler(kAfterEnd, end_note("after end"));
  EXPECT_THROW(tr->AddHandler(7, first), classlib::EAssertionFailed);
  EXPECT_THROW(tr->AddHandler(kBeforeStart, end1), classlib::EAssertionFailed);

  tr->StartTransaction();
  tr->Commit();
  tr->RemoveHandler(kBeforeStart, first);
  tr->RemoveHandler(kBeforeEnd, end1);
  tr->StartTransaction();
  tr->EndTransaction(TARollback, true);
  EXPECT_EQ(calls, (std::vector<std::string>{
                       "before start 2", "before start 1", "after start", "end 1 2", "end 2 2",
                       "after end 2", "before start 2", "after start", "end 2 0 forced",
                       "after end 0 forced"}));
}

TEST_F(TransactionTest, LinksHearStartsEndsAndTheTransactionGoingAway) {
  auto tr = NewTransaction("T1");
  TFIBBase first(nullptr), second(nullptr);
  std::vector<std::string> calls;
  for (TFIBBase* link : {&first, &second}) {
    std::string name = link == &first ? "first" : "second";
    auto note = [&calls, name](const char* what) {
      return TFIBBaseEvent::Function(
          [&calls, name, what](TFIBBase*) { calls.push_back(name + " " + what); });
    };
    link->BeforeTransactionStart = note("before start");
    link->BeforeTransactionEnd = note("before end");
    link->OnTransactionFree = note("free");
    link->SetTransaction(tr.get());
    EXPECT_EQ(link->Database(), db_.get());  // the transaction's main database
  }
  tr->StartTransaction();
  EXPECT_NE(*first.TRHandle(), 0u);
  tr->Commit();
  // A freed place is reused by the next link.
  second.SetTransaction(nullptr);
  TFIBBase third(nullptr);
  third.SetTransaction(tr.get());
  tr.reset();
  EXPECT_EQ(first.Transaction(), nullptr);
  EXPECT_EQ(third.Transaction(), nullptr);
  EXPECT_EQ(calls, (std::vector<std::string>{"first before start", "second before start",
                                             "second before end", "first before end",
                                             "first free"}));
}

TEST_F(TransactionTest, LogsEndsWithTheTransactionId) {
  fib_test::RecordingLogger logger;
  db_->SetSQLLogger(&logger);
  auto tr = NewTransaction("T1");
  tr->TRParams().SetText("write\r\nconcurrency");
  tr->StartTransaction();
  int64_t id = tr->TransactionID();
  tr->Commit();
  ASSERT_EQ(logger.entries.size(), 2u);
  EXPECT_EQ(logger.entries[0].text, "StartTransaction(TransactionID=" + std::to_string(id) + ")");
  EXPECT_EQ(logger.entries[1].component, "Form1.T1");
  EXPECT_EQ(logger.entries[1].text, "Commit(TransactionID=" + std::to_string(id) + ") ");
  EXPECT_EQ(logger.entries[1].kind, kLogTransaction);
  EXPECT_EQ(logger.entries[1].further, "TransactionParams:\r\nwrite\r\nconcurrency\r\n");
  db_->SetSQLLogger(nullptr);
}

// Disconnecting ends the database's transactions hard, whatever their
// time-out action, so nothing runs on a handle the detach killed.
TEST_F(TransactionTest, DisconnectEndsTransactionsHard) {
  auto rollback_retaining = NewTransaction("T1");
  rollback_retaining->SetTimeoutAction(TARollbackRetaining);
  auto commit_retaining = NewTransaction("T2");
  commit_retaining->SetTimeoutAction(TACommitRetaining);
  rollback_retaining->StartTransaction();
  commit_retaining->StartTransaction();
  Insert(*db_, *rollback_retaining, 1);
  Insert(*db_, *commit_retaining, 2);
  db_->Close();
  EXPECT_FALSE(rollback_retaining->Active());
  EXPECT_FALSE(commit_retaining->Active());
  EXPECT_EQ(CountCommitted(1), 0);
  EXPECT_EQ(CountCommitted(2), 1);
  db_->Connect();
  rollback_retaining->StartTransaction();
  rollback_retaining->Commit();
}

// A commit trigger that refuses to commit a row holding 666.
class RefusedCommitTest : public TransactionTest {
 protected:
  RefusedCommitTest() {
    fib_test::ExecuteSql(file_.Library(), file_.Handle(),
                         "CREATE EXCEPTION E_REFUSE 'commit refused'");
    fib_test::ExecuteSql(file_.Library(), file_.Handle(),
                         "CREATE TRIGGER REFUSE_666 ON TRANSACTION COMMIT AS BEGIN "
                         "IF (EXISTS(SELECT 1 FROM T WHERE V = 666)) THEN EXCEPTION E_REFUSE; END");
    // Database triggers are read when a connection is made.
    db_->Close();
    db_->Connect();
  }

  std::unique_ptr<TFIBTransaction> RefusingTransaction() {
    auto tr = NewTransaction("T1");
    tr->SetTimeoutAction(TACommit);
    tr->StartTransaction();
    Insert(*db_, *tr, 666);
    return tr;
  }
};

TEST_F(RefusedCommitTest, PlainCommitKeepsTheTransaction) {
  auto tr = RefusingTransaction();
  try {
    tr->Commit();
    FAIL() << "the commit went through";
  } catch (const EFIBInterBaseError& e) {
    EXPECT_NE(e.Message().find("E_REFUSE"), std::string::npos) << e.Message();
  }
  EXPECT_TRUE(tr->Active());
  tr->Rollback();
}

TEST_F(RefusedCommitTest, ForcedCommitRollsBackAndReports) {
  fib_test::RecordingLogger logger;
  db_->SetSQLLogger(&logger);
  auto tr = RefusingTransaction();
  int after_end = 0;
  tr->AddHandler(kAfterEnd, TEndTransactionEvent::Function(
                                [&](TFIBTransaction*, TTransactionAction, bool) { ++after_end; }));
  EXPECT_THROW(tr->EndTransaction(TACommit, true), EFIBInterBaseError);
  EXPECT_FALSE(tr->Active());
  EXPECT_EQ(tr->State(), TransactionState::Inactive);
  EXPECT_EQ(after_end, 1);
  EXPECT_EQ(CountCommitted(666), 0);
  bool traced = false;
  for (const auto& entry : logger.entries)
    traced |= entry.text.find("Commit refused; rolled back.") == 0;
  EXPECT_TRUE(traced);
  db_->SetSQLLogger(nullptr);
}

TEST_F(RefusedCommitTest, DisconnectFinishesThenReports) {
  auto tr = RefusingTransaction();
  EXPECT_THROW(db_->Disconnect(true), EFIBInterBaseError);
  EXPECT_FALSE(db_->Connected());
  EXPECT_FALSE(tr->Active());
  EXPECT_EQ(CountCommitted(666), 0);
}

TEST_F(RefusedCommitTest, DestructionStaysQuiet) {
  auto tr = RefusingTransaction();
  EXPECT_NO_THROW(tr.reset());
  EXPECT_EQ(CountCommitted(666), 0);
}

class TransactionTimeoutTest : public TransactionTest {
 protected:
  TransactionTimeoutTest() : loop_(&clock_) { platform::MessageLoop::SetCurrent(&loop_); }
  ~TransactionTimeoutTest() override { platform::MessageLoop::SetCurrent(nullptr); }
  void Pass(int ms) {
    clock_.Advance(std::chrono::milliseconds(ms));
    loop_.ProcessMessages();
  }
  platform::ManualClock clock_;
  platform::PlainMessageLoop loop_;
};

TEST_F(TransactionTimeoutTest, IdleTransactionEndsWithItsAction) {
  auto tr = NewTransaction("T1");
  tr->SetTimeoutAction(TACommit);
  tr->SetTimeout(1000);
  int timeouts = 0;
  tr->OnTimeout = classlib::TNotifyEvent::Function([&](classlib::TObject*) { ++timeouts; });
  tr->StartTransaction();
  Insert(*db_, *tr, 7);
  Pass(1000);
  Insert(*db_, *tr, 8);  // the statement clears the idle flag
  Pass(1000);
  EXPECT_TRUE(tr->Active());
  Pass(1000);
  EXPECT_FALSE(tr->Active());
  EXPECT_EQ(timeouts, 1);
  EXPECT_EQ(CountCommitted(7), 1);
  EXPECT_EQ(CountCommitted(8), 1);
}

TEST_F(TransactionTimeoutTest, RefusedTimeoutCommitIsReportedAfterOnTimeout) {
  fib_test::ExecuteSql(file_.Library(), file_.Handle(),
                       "CREATE EXCEPTION E_REFUSE 'commit refused'");
  fib_test::ExecuteSql(file_.Library(), file_.Handle(),
                       "CREATE TRIGGER REFUSE_666 ON TRANSACTION COMMIT AS BEGIN "
                       "IF (EXISTS(SELECT 1 FROM T WHERE V = 666)) THEN EXCEPTION E_REFUSE; END");
  db_->Close();
  db_->Connect();
  auto tr = NewTransaction("T1");
  tr->SetTimeoutAction(TACommit);
  tr->SetTimeout(500);
  int timeouts = 0;
  tr->OnTimeout = classlib::TNotifyEvent::Function([&](classlib::TObject*) { ++timeouts; });
  // The refusal reaches the application's error hook, not the loop.
  int refusals = 0;
  SetTimerErrorHook([&](const std::exception& error) {
    if (dynamic_cast<const EFIBInterBaseError*>(&error) != nullptr) ++refusals;
  });
  tr->StartTransaction();
  Insert(*db_, *tr, 666);
  Pass(500);
  EXPECT_NO_THROW(Pass(500));
  SetTimerErrorHook(nullptr);
  EXPECT_EQ(refusals, 1);
  EXPECT_EQ(timeouts, 1);
  EXPECT_FALSE(tr->Active());
}

TEST_F(TransactionTest, OneTransactionOverTwoDatabases) {
  fib_test::EmbeddedDatabase second_file;
  fib_test::ExecuteSql(second_file.Library(), second_file.Handle(), "CREATE TABLE T (V INTEGER)");
  TFIBDatabase second(nullptr);
  second.SetDBName(second_file.Path());
  fib_test::SetUpdaterParams(second);
  second.Connect();

  auto tr = NewTransaction("T1");
  EXPECT_EQ(tr->AddDatabase(&second), 1);
  EXPECT_EQ(tr->MainDatabase(), db_.get());
  tr->StartTransaction();
  Insert(*db_, *tr, 1);
  Insert(second, *tr, 2);
  tr->Commit();
  tr->StartTransaction();
  Insert(*db_, *tr, 3);
  Insert(second, *tr, 4);
  tr->Rollback();

  TFIBDatabase watcher(nullptr);
  watcher.SetDBName(second_file.Path());
  fib_test::SetUpdaterParams(watcher);
  watcher.Connect();
  EXPECT_EQ(CountCommitted(1), 1);
  EXPECT_EQ(CountCommitted(3), 0);
  EXPECT_EQ(watcher.QueryValue("select count(*) from T where V = 2", 0).AsInt64(), 1);
  EXPECT_EQ(watcher.QueryValue("select count(*) from T where V = 4", 0).AsInt64(), 0);

  // Leaving the database list drops the database.
  tr->RemoveDatabase(1);
  EXPECT_EQ(tr->DatabaseCount(), 1);
  for (int i = 0; i < second.TransactionCount(); ++i) EXPECT_NE(second.Transactions(i), tr.get());
}

}  // namespace
}  // namespace fib
