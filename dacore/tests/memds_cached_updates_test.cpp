// Cached updates of the memory data set: changes kept in the store, applied
// through OnUpdateRecord (its answers), the statement hooks, OnUpdateError
// and LocalUpdate, then committed or cancelled.
#include <gtest/gtest.h>

#include <map>

#include "classlib/field.h"
#include "dacore/messages.h"
#include "memds_fixture.h"

namespace dacore::testing {
namespace {

using namespace classlib;

// Opens the people in cached mode and changes them: Ann renamed, Bob
// deleted, Dan appended.
std::unique_ptr<TTestMemDataSet> ChangedPeople() {
  auto ds = OpenPeople();
  ds->Close();
  ds->SetCachedUpdates(true);
  auto& store = ds->store();
  store.Open();
  AddRow(store, {Variant(1), Variant("Ann"), Variant("Oslo")});
  AddRow(store, {Variant(2), Variant("Bob"), Variant("Rome")});
  AddRow(store, {Variant(3), Variant("Cid"), Variant("Oslo")});
  ds->Open();
  ds->First();
  ds->Edit();
  ds->FieldByName("NAME")->SetAsString("Anna");
  ds->Post();
  ds->Next();
  ds->Delete();
  ds->Append();
  ds->FieldByName("ID")->SetAsInteger(4);
  ds->FieldByName("NAME")->SetAsString("Dan");
  ds->Post();
  return ds;
}

struct Recorder {
  std::vector<std::string> calls;  // "kind:name" in the order offered
  std::map<std::string, std::vector<TUpdateAction>> answers;  // by name, one per call
  void operator()(TDataSet* data_set, TUpdateKind kind, TUpdateAction& action) {
    const std::string name = data_set->FieldByName("NAME")->AsString();
    calls.push_back(std::to_string(static_cast<int>(kind)) + ":" + name);
    auto& queue = answers[name];
    if (!queue.empty()) {
      action = queue.front();
      queue.erase(queue.begin());
    } else {
      action = uaApplied;
    }
  }
};

TEST(MemDataSetCachedUpdates, ChangesStayInMemoryUntilApplied) {
  auto ds = ChangedPeople();
  EXPECT_EQ(ds->inserts + ds->updates + ds->deletes, 0);
  EXPECT_TRUE(ds->UpdatesPending());
  EXPECT_EQ(Names(*ds), "Anna;Cid;Dan;");
  ds->First();
  EXPECT_EQ(ds->UpdateStatus(), usModified);
  EXPECT_EQ(ds->FieldByName("NAME")->OldValue().AsString(), "Ann");
  ds->Next();
  EXPECT_EQ(ds->UpdateStatus(), usUnmodified);
  ds->Last();
  EXPECT_EQ(ds->UpdateStatus(), usInserted);
}

TEST(MemDataSetCachedUpdates, TheSwitchNeedsAClosedDataSet) {
  auto ds = OpenPeople();
  EXPECT_THROW(ds->SetCachedUpdates(true), EDatabaseError);
  try {
    ds->ApplyUpdates();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), SNotCachedUpdate);
  }
}

TEST(MemDataSetCachedUpdates, DefaultHandlingRunsTheStatementHooksOnce) {
  auto ds = ChangedPeople();
  ds->SetRecNo(2);
  ds->ApplyUpdates();
  EXPECT_EQ(ds->updates, 1);
  EXPECT_EQ(ds->deletes, 1);
  EXPECT_EQ(ds->inserts, 1);
  EXPECT_FALSE(ds->UpdatesPending());
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "Cid");
  ds->ApplyUpdates();
  EXPECT_EQ(ds->updates + ds->deletes + ds->inserts, 3);
  ds->CommitUpdates();
  EXPECT_EQ(Names(*ds), "Anna;Cid;Dan;");
  ds->First();
  EXPECT_EQ(ds->UpdateStatus(), usUnmodified);
  EXPECT_EQ(ds->store().GetRecordCount(), 3);
}

TEST(MemDataSetCachedUpdates, OnUpdateRecordSeesEachChangeWithItsOldValues) {
  auto ds = ChangedPeople();
  std::vector<std::string> seen;
  ds->SetOnUpdateRecord(TUpdateRecordEvent::Function([&](TDataSet* data_set, TUpdateKind kind, TUpdateAction& action) {
    TField* name = data_set->FieldByName("NAME");
    seen.push_back(std::to_string(static_cast<int>(kind)) + ":" + name->AsString() + "<-" +
                   VarToStr(name->OldValue()) + ":" + std::to_string(data_set->UpdateStatus()));
    action = uaApplied;
  }));
  ds->ApplyUpdates();
  EXPECT_EQ(seen, (std::vector<std::string>{"0:Anna<-Ann:1", "2:Bob<-Bob:3", "1:Dan<-Dan:2"}));
  EXPECT_EQ(ds->updates + ds->deletes + ds->inserts, 0);
  EXPECT_FALSE(ds->UpdatesPending());
}

TEST(MemDataSetCachedUpdates, RetryAndPendingAnswersOfferRecordsAgain) {
  auto ds = ChangedPeople();
  Recorder recorder;
  recorder.answers["Anna"] = {uaRetry, uaApplied};
  recorder.answers["Bob"] = {uaPending};
  ds->SetOnUpdateRecord(TUpdateRecordEvent::Function([&](TDataSet* d, TUpdateKind k, TUpdateAction& a) { recorder(d, k, a); }));
  ds->ApplyUpdates();
  EXPECT_EQ(recorder.calls, (std::vector<std::string>{"0:Anna", "0:Anna", "2:Bob", "1:Dan"}));
  // The pending delete took the answer of the insert after it.
  EXPECT_FALSE(ds->UpdatesPending());

  // A retry after a pending answer goes back to the pending record.
  auto again = ChangedPeople();
  Recorder second;
  second.answers["Anna"] = {uaPending};
  second.answers["Bob"] = {uaRetry};
  again->SetOnUpdateRecord(TUpdateRecordEvent::Function([&](TDataSet* d, TUpdateKind k, TUpdateAction& a) { second(d, k, a); }));
  again->ApplyUpdates();
  EXPECT_EQ(second.calls, (std::vector<std::string>{"0:Anna", "2:Bob", "0:Anna", "2:Bob", "1:Dan"}));
  EXPECT_FALSE(again->UpdatesPending());
}

TEST(MemDataSetCachedUpdates, SkippedRecordsStayPendingAndAbortStopsSilently) {
  auto ds = ChangedPeople();
  Recorder recorder;
  recorder.answers["Anna"] = {uaSkip, uaApplied};
  recorder.answers["Bob"] = {uaAbort};
  ds->SetOnUpdateRecord(TUpdateRecordEvent::Function([&](TDataSet* d, TUpdateKind k, TUpdateAction& a) { recorder(d, k, a); }));
  ds->SetRecNo(2);
  EXPECT_THROW(ds->ApplyUpdates(), EAbort);
  EXPECT_EQ(recorder.calls.size(), 2u);
  EXPECT_TRUE(ds->UpdatesPending());
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "Cid");
  // The next apply offers the skipped and the aborted records again.
  ds->CommitUpdates();
  EXPECT_EQ(recorder.calls.size(), 5u);
  EXPECT_FALSE(ds->UpdatesPending());
  EXPECT_EQ(ds->store().GetRecordCount(), 3);
}

TEST(MemDataSetCachedUpdates, OnUpdateErrorAnswersForAFailingHook) {
  // Without a handler the hook's error passes on and nothing is applied.
  auto ds = ChangedPeople();
  ds->fail_hooks = 1;
  EXPECT_THROW(ds->ApplyUpdates(), EDatabaseError);
  EXPECT_TRUE(ds->UpdatesPending());

  std::vector<std::string> errors;
  TUpdateAction reply = uaFail;
  ds->SetOnUpdateError(TUpdateErrorEvent::Function(
      [&](TDataSet*, EDatabaseError& error, TUpdateKind kind, TUpdateAction& action) {
        errors.push_back(std::to_string(static_cast<int>(kind)) + ":" + error.what());
        EXPECT_EQ(action, uaFail);
        action = reply;
      }));
  // The default answer raises again.
  ds->fail_hooks = 1;
  EXPECT_THROW(ds->ApplyUpdates(), EDatabaseError);
  // Abort stops silently.
  reply = uaAbort;
  ds->fail_hooks = 1;
  EXPECT_THROW(ds->ApplyUpdates(), EAbort);
  // Another answer becomes the action: skipped, the rest applied.
  reply = uaSkip;
  ds->fail_hooks = 1;
  ds->ApplyUpdates();
  EXPECT_TRUE(ds->UpdatesPending());
  reply = uaApplied;
  ds->fail_hooks = 1;
  ds->ApplyUpdates();
  EXPECT_FALSE(ds->UpdatesPending());
  EXPECT_EQ(errors.size(), 4u);
  EXPECT_EQ(errors.front(), "0:statement failed");
}

TEST(MemDataSetCachedUpdates, LocalUpdateAppliesWithoutHooks) {
  auto ds = ChangedPeople();
  ds->SetLocalUpdate(true);
  ds->CommitUpdates();
  EXPECT_EQ(ds->updates + ds->deletes + ds->inserts, 0);
  EXPECT_FALSE(ds->UpdatesPending());
  EXPECT_EQ(Names(*ds), "Anna;Cid;Dan;");
  EXPECT_EQ(ds->store().GetRecordCount(), 3);
}

TEST(MemDataSetCachedUpdates, CancelAndRevertTakeRowsBack) {
  auto ds = ChangedPeople();
  ds->First();
  ds->RevertRecord();
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "Ann");
  EXPECT_EQ(ds->UpdateStatus(), usUnmodified);
  ds->CancelUpdates();
  EXPECT_EQ(Names(*ds), "Ann;Bob;Cid;");
  EXPECT_FALSE(ds->UpdatesPending());
  EXPECT_EQ(ds->RecordCount(), 3);
}

}  // namespace
}  // namespace dacore::testing
