#include "zod_dataset_meeting_fixture.h"

#include "classlib/field.h"
#include "fib/statements/auto_update_options.h"

namespace fib_test {

std::string DataSetSetup::name() const {
  std::string text = limited ? "Limited" : "Standard";
  if (cached) text += "Cached";
  if (only_modified) text += "ModifiedOnly";
  if (auto_commit) text += "AutoCommit";
  if (own_update_tr) text += "OwnUpdateTransaction";
  return text;
}

MeetingTest::MeetingTest() {
  Run("create table ITEMS (ID integer not null primary key, I integer check (I is null or I >= 0), "
      "L varchar(20), D date, B boolean, TB blob sub_type 1, BB blob sub_type 0, "
      "AI integer[1:3], AV varchar(10)[1:2], AN numeric(10, 2)[1:2], "
      "AD double precision[1:2])");
}

void MeetingTest::InsertRows(int count) {
  for (int id = 1; id <= count; ++id) {
    const std::string n = std::to_string(id);
    auto insert = NewQuery("Insert", "insert into ITEMS (ID, I, L, TB, AI) values (" + n + ", " +
                                         n + ", 'row" + n + "', 'note" + n + "', :AI)");
    insert->Prepare();  // an array goes to a described ARRAY parameter
    insert->ParamByName("AI").SetAsVariant(
        classlib::VarArrayOf({classlib::Variant(id), classlib::Variant(id), classlib::Variant(id)}));
    insert->ExecQuery();
  }
  tr_->Commit();
}

fib::TpZODDataSet& MeetingTest::Open(const DataSetSetup& setup, const std::string& select) {
  ds_ = std::make_unique<fib::TpZODDataSet>(&form_);
  ds_->SetName("DS");
  ds_->SetDatabase(db_.get());
  ds_->SetTransaction(tr_.get());
  if (setup.own_update_tr) {
    update_tr_ = std::make_unique<fib::TFIBTransaction>(&form_);
    update_tr_->SetName("UTR");
    update_tr_->SetDefaultDatabase(db_.get());
    ds_->SetUpdateTransaction(update_tr_.get());
    // The refresh after a post sees what the post wrote, and the rows the
    // limited model reads again see what the update transaction committed.
    ds_->SetRefreshTransactionKind(fib::tkUpdateTransaction);
    if (!tr_->Active())
      tr_->TRParams().SetText("write\nisc_tpb_nowait\nrec_version\nread_committed");
  }
  ds_->SetAutoCommit(setup.auto_commit);
  ds_->SelectSQL().SetText(select);
  fib::TAutoUpdateOptions& options = ds_->AutoUpdateOptions();
  options.SetUpdateTableName("ITEMS");
  options.SetKeyFields("ID");
  options.SetAutoReWriteSqls(true);
  options.SetCanChangeSQLs(true);
  options.SetUpdateOnlyModifiedFields(setup.only_modified);
  if (setup.limited) {
    ds_->CacheModelOptions().SetCacheModelKind(fib::cmkLimitedBufferSize);
    ds_->CacheModelOptions().SetBufferChunks(8);
  }
  ds_->SetCachedUpdates(setup.cached);
  ds_->Open();
  return *ds_;
}

std::string MeetingTest::Server(const std::string& expression, int id) {
  classlib::Variant value = observer_->QueryValue(
      "select " + expression + " from ITEMS where ID = " + std::to_string(id), 0);
  return classlib::VarIsNull(value) ? std::string(kNullText) : value.AsString();
}

void MeetingTest::Go(int id) {
  ASSERT_TRUE(ds_->Locate("ID", classlib::Variant(id), {})) << id;
}

std::string Joined(const classlib::Variant& array) {
  if (!classlib::VarIsArray(array)) return kNullText;
  std::string text;
  for (int i = classlib::VarArrayLowBound(array, 1); i <= classlib::VarArrayHighBound(array, 1);
       ++i)
    text += (text.empty() ? "" : ",") + classlib::VarArrayGet(array, {i}).AsString();
  return text;
}

}  // namespace fib_test
