// The extended data set where its features meet, on the embedded engine:
// every kind of column carried by generated statements through appends,
// NULL to value and back, edits and cancelled second edits, plain, under
// cached updates and after a local sort, in both cache models; Refresh and
// Delete in both models. What the server holds is read through another
// attachment.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "classlib/datetime.h"
#include "classlib/field.h"
#include "classlib/variant.h"
#include "fib/statements/auto_update_options.h"
#include "fib/statements/fib_transaction.h"
#include "fib/zod/zod_dataset.h"
#include "fib_query_fixture.h"

namespace fib {
namespace {

using classlib::TField;
using classlib::Variant;

constexpr const char* kNull = "<null>";

// One kind of column: three values (A, B, C) as the server prints them and
// as the application writes them.
struct Kind {
  const char* column;
  const char* declaration;
  std::string server_text;  // a select expression printing the column
  std::function<void(TField&, int)> set;
  std::function<std::string(TField&)> shows;
  std::vector<std::string> texts;
};

std::string Printed(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

std::string Joined(const Variant& array) {
  if (!classlib::VarIsArray(array)) return kNull;
  std::string text;
  for (int i = classlib::VarArrayLowBound(array, 1); i <= classlib::VarArrayHighBound(array, 1); ++i)
    text += (text.empty() ? "" : ",") + classlib::VarArrayGet(array, {i}).AsString();
  return text;
}

std::vector<Kind> Kinds() {
  auto text = [](TField& f) { return f.AsString(); };
  const std::vector<std::string> words = {"alpha", "beta", "gamma"};
  const int numbers[] = {1, 4, 7};
  return {
      {"N", "integer", "cast(N as varchar(20))",
       [](TField& f, int v) { f.SetAsInteger(11 * (v + 1)); }, text, {"11", "22", "33"}},
      {"T", "varchar(20)", "T", [=](TField& f, int v) { f.SetAsString(words[v]); }, text, words},
      {"NUM", "numeric(10, 2)", "cast(NUM as varchar(20))",
       [](TField& f, int v) { f.SetAsFloat(1.25 + 21.25 * v); },
       [](TField& f) { return Printed(f.AsFloat()); }, {"1.25", "22.50", "43.75"}},
      {"D", "date", "cast(D as varchar(10))",
       [](TField& f, int v) { f.SetAsDateTime(classlib::EncodeDate(2020 + v, 1 + v, 28)); },
       [](TField& f) { return classlib::FormatDateTime("yyyy-mm-dd", f.AsDateTime()); },
       {"2020-01-28", "2021-02-28", "2022-03-28"}},
      {"B", "boolean", "cast(B as varchar(5))", [](TField& f, int v) { f.SetAsBoolean(v == 1); },
       [](TField& f) { return std::string(f.AsBoolean() ? "TRUE" : "FALSE"); },
       {"FALSE", "TRUE", "FALSE"}},
      {"TB", "blob sub_type 1", "cast(TB as varchar(100))",
       [](TField& f, int v) { f.SetAsString("note" + std::to_string(v + 1) + std::string(v, '!')); },
       text, {"note1", "note2!", "note3!!"}},
      {"BB", "blob sub_type 0", "cast(BB as varchar(100))",
       [](TField& f, int v) { f.SetAsString(std::string(v + 1, 'b')); }, text, {"b", "bb", "bbb"}},
      {"A", "integer[1:3]",
       "cast(A[1] as varchar(5)) || ',' || cast(A[2] as varchar(5)) || ',' || "
       "cast(A[3] as varchar(5))",
       [=](TField& f, int v) {
         const int n = numbers[v];
         f.SetAsVariant(classlib::VarArrayOf({Variant(n), Variant(n + 1), Variant(n + 2)}));
       },
       [](TField& f) { return f.IsNull() ? std::string(kNull) : Joined(f.AsVariant()); },
       {"1,2,3", "4,5,6", "7,8,9"}},
  };
}

// The ways a value travels; each case has a row of its own.
enum Travel {
  kNullToValue = 1,
  kValueToNull,
  kValueToValue,
  kCancelledChange,  // a posted edit, then a second edit changed and cancelled
  kAppend,
  kCancelledNothing,  // a posted edit, then a second edit cancelled unchanged
};
constexpr Travel kTravels[] = {kNullToValue, kValueToNull,  kValueToValue,
                               kCancelledChange, kAppend, kCancelledNothing};

int RowOf(size_t kind, Travel travel) { return 10 * static_cast<int>(kind + 1) + travel; }

std::string Expected(const Kind& kind, Travel travel) {
  return travel == kValueToNull ? std::string(kNull) : kind.texts[1];
}

class CrossingTest : public fib_test::QueryTest {
 protected:
  CrossingTest() : kinds_(Kinds()) {
    std::string columns = "ID integer not null primary key";
    for (const Kind& kind : kinds_) columns += std::string(", ") + kind.column + " " + kind.declaration;
    Run("create table KINDS (" + columns + ")");
  }

  // Rows of every case but the appended ones: NULL everywhere for the
  // NULL -> value cases, value A elsewhere.
  void InsertCaseRows() {
    std::string columns = "ID", params = ":ID";
    for (const Kind& kind : kinds_) {
      columns += std::string(", ") + kind.column;
      params += std::string(", :") + kind.column;
    }
    auto insert = NewQuery("Insert", "insert into KINDS (" + columns + ") values (" + params + ")");
    insert->Prepare();
    for (size_t k = 0; k < kinds_.size(); ++k) {
      for (Travel travel : kTravels) {
        if (travel == kAppend) continue;
        insert->ParamByName("ID").SetAsInteger(RowOf(k, travel));
        for (const Kind& kind : kinds_) {
          TFIBXSQLVAR& param = insert->ParamByName(kind.column);
          if (travel == kNullToValue) param.SetIsNull(true);
        }
        if (travel != kNullToValue) FillWithA(*insert);
        insert->ExecQuery();
      }
    }
    tr_->Commit();
  }

  void InsertPlainRows(int count) {
    for (int id = 1; id <= count; ++id)
      Run("insert into KINDS (ID, T) values (" + std::to_string(id) + ", 'row" +
          std::to_string(id) + "')");
  }

  // Value A of every column, written by a plain statement: the rows must
  // not depend on the data set under test.
  void FillWithA(TFIBQuery& insert) {
    insert.ParamByName("N").SetAsInteger(11);
    insert.ParamByName("T").SetAsString("alpha");
    insert.ParamByName("NUM").SetAsDouble(1.25);
    insert.ParamByName("D").SetAsDate(classlib::EncodeDate(2020, 1, 28));
    insert.ParamByName("B").SetAsBoolean(false);
    insert.ParamByName("TB").SetAsString("note1");
    insert.ParamByName("BB").SetAsString("b");
    insert.ParamByName("A").SetAsVariant(
        classlib::VarArrayOf({Variant(1), Variant(2), Variant(3)}));
  }

  TpZODDataSet& Open(bool limited, bool cached, bool only_modified) {
    ds_ = std::make_unique<TpZODDataSet>(&form_);
    ds_->SetName("DS");
    ds_->SetDatabase(db_.get());
    ds_->SetTransaction(tr_.get());
    // With cached updates AutoCommit would apply and commit each post.
    ds_->SetAutoCommit(!cached);
    ds_->SelectSQL().SetText("select * from KINDS order by ID");
    TAutoUpdateOptions& options = ds_->AutoUpdateOptions();
    options.SetUpdateTableName("KINDS");
    options.SetKeyFields("ID");
    options.SetAutoReWriteSqls(true);
    options.SetCanChangeSQLs(true);
    options.SetUpdateOnlyModifiedFields(only_modified);
    if (limited) {
      ds_->CacheModelOptions().SetCacheModelKind(cmkLimitedBufferSize);
      ds_->CacheModelOptions().SetBufferChunks(8);
    }
    ds_->SetCachedUpdates(cached);
    ds_->Open();
    return *ds_;
  }

  // What another attachment reads, committed.
  std::string Server(const std::string& expression, int id) {
    Variant value = observer_->QueryValue(
        "select " + expression + " from KINDS where ID = " + std::to_string(id), 0);
    return classlib::VarIsNull(value) ? std::string(kNull) : value.AsString();
  }
  int ServerCount() { return observer_->QueryValue("select count(*) from KINDS", 0).AsInteger(); }

  // A change made and committed by another attachment.
  void ChangeElsewhere(const std::string& sql) {
    fib_test::ExecuteSql(file_.Library(), file_.Handle(), sql);
  }

  int Id() { return ds_->FieldByName("ID")->AsInteger(); }

  std::vector<Kind> kinds_;
  std::unique_ptr<TpZODDataSet> ds_;
};

// ---- every column kind, every way a value travels ---------------------------

struct Mode {
  const char* name;
  bool limited;
  bool cached;
  bool sorted;
  bool only_modified;
};

class ValueTravelTest : public CrossingTest, public ::testing::WithParamInterface<Mode> {
 protected:
  void Travel(TpZODDataSet& ds, size_t k, fib::Travel travel) {
    const Kind& kind = kinds_[k];
    TField& field = *ds.FieldByName(kind.column);
    const int id = RowOf(k, travel);
    if (travel == kAppend) {
      ds.Append();
      ds.FieldByName("ID")->SetAsInteger(id);
    } else {
      ASSERT_TRUE(ds.Locate("ID", Variant(id), {})) << id;
      ds.Edit();
    }
    if (travel == kValueToNull)
      field.Clear();
    else
      kind.set(field, 1);
    ds.Post();
    if (travel == kCancelledChange || travel == kCancelledNothing) {
      ds.Edit();
      if (travel == kCancelledChange) kind.set(field, 2);
      ds.Cancel();
      // The server reads an array only by the id a row holds: a cached one
      // is read back after it was applied.
      if (!(ds.CachedUpdates() && kind.column == std::string("A"))) {
        EXPECT_EQ(kind.shows(field), kind.texts[1]) << kind.column << " after the cancel";
      }
    }
  }
};

TEST_P(ValueTravelTest, TheServerAndTheRecordHoldWhatWasPosted) {
  const Mode mode = GetParam();
  InsertCaseRows();
  TpZODDataSet& ds = Open(mode.limited, mode.cached, mode.only_modified);
  if (mode.sorted) ds.DoSort({Variant("ID")}, {false});
  for (size_t k = 0; k < kinds_.size(); ++k)
    for (fib::Travel travel : kTravels) {
      SCOPED_TRACE(std::string(kinds_[k].column) + " case " + std::to_string(travel));
      Travel(ds, k, travel);
    }
  if (mode.cached) {
    EXPECT_TRUE(ds.UpdatesPending());
    ds.ApplyUpdates();
    EXPECT_FALSE(ds.UpdatesPending());
    tr_->CommitRetaining();
  }
  for (size_t k = 0; k < kinds_.size(); ++k) {
    const Kind& kind = kinds_[k];
    for (fib::Travel travel : kTravels) {
      const int id = RowOf(k, travel);
      SCOPED_TRACE(std::string(kind.column) + " case " + std::to_string(travel));
      EXPECT_EQ(Server(kind.server_text, id), Expected(kind, travel));
      ASSERT_TRUE(ds.Locate("ID", Variant(id), {}));
      TField& field = *ds.FieldByName(kind.column);
      EXPECT_EQ(field.IsNull() ? std::string(kNull) : kind.shows(field), Expected(kind, travel));
      EXPECT_EQ(ds.UpdateStatus(), classlib::usUnmodified);
      // Other columns of the row were not touched.
      if (travel != kAppend && travel != kNullToValue) {
        const bool own = kind.column == std::string("T");
        EXPECT_EQ(Server("T", id), own ? Expected(kind, travel) : "alpha");
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ValueTravelTest,
    ::testing::Values(Mode{"Standard", false, false, false, false},
                      Mode{"StandardModifiedOnly", false, false, false, true},
                      Mode{"Cached", false, true, false, false},
                      Mode{"CachedModifiedOnly", false, true, false, true},
                      Mode{"CachedSorted", false, true, true, false},
                      Mode{"Limited", true, false, false, false},
                      Mode{"LimitedModifiedOnly", true, false, false, true}),
    [](const ::testing::TestParamInfo<Mode>& info) { return std::string(info.param.name); });

// A cached change of a blob lasts until it is applied or cancelled: a later
// edit's cancel leaves it, CancelUpdates takes it back.
TEST_F(CrossingTest, ACachedBlobChangeStaysUntilItIsAppliedOrCancelled) {
  InsertCaseRows();
  TpZODDataSet& ds = Open(false, true, false);
  const int id = RowOf(5, kValueToValue);
  ASSERT_TRUE(ds.Locate("ID", Variant(id), {}));
  TField& note = *ds.FieldByName("TB");
  EXPECT_EQ(note.AsString(), "note1");  // read before the edit
  ds.Edit();
  ds.FieldByName("T")->SetAsString("first");
  note.SetAsString("note2");
  ds.Post();
  ds.Edit();
  ds.Cancel();
  EXPECT_EQ(note.AsString(), "note2");
  EXPECT_EQ(ds.UpdateStatus(), classlib::usModified);
  ds.CancelUpdates();
  EXPECT_FALSE(ds.UpdatesPending());
  EXPECT_EQ(ds.FieldByName("T")->AsString(), "alpha");
  EXPECT_EQ(note.AsString(), "note1");
  ds.ApplyUpdates();
  tr_->CommitRetaining();
  EXPECT_EQ(Server("cast(TB as varchar(20))", id), "note1");

  // Changed again and applied, the blob reaches the server once.
  ds.Edit();
  note.SetAsString("note3");
  ds.Post();
  ds.ApplyUpdates();
  tr_->CommitRetaining();
  EXPECT_EQ(Server("cast(TB as varchar(20))", id), "note3");
  ds.Edit();
  ds.Cancel();
  EXPECT_EQ(note.AsString(), "note3");
}

// Cached records outlive their transaction with the blobs the data set read
// or wrote: another attachment replaced them before a hard Commit, or a
// RollbackRetaining took the blob an apply wrote. The server no longer holds
// those blobs under the ids the records keep, yet the records still show,
// give back and apply what they held.
TEST_F(CrossingTest, CachedBlobsOutliveTheTransactionThatReadOrWroteThem) {
  InsertPlainRows(3);
  Run("update KINDS set TB = 'note' || ID, BB = 'b'");
  TpZODDataSet& ds = Open(false, true, false);
  TField& note = *ds.FieldByName("TB");
  for (ds.First(); !ds.Eof(); ds.Next()) {  // shown as a grid shows them
    EXPECT_EQ(note.AsString(), "note" + std::to_string(Id()));
    EXPECT_EQ(ds.FieldByName("BB")->AsString(), "b");
  }
  ChangeElsewhere("update KINDS set TB = 'other', BB = 'o' where ID in (1, 2)");
  tr_->Commit();  // the records stay; the blobs they were read with may go
  EXPECT_EQ(Server("cast(TB as varchar(20))", 1), "other");

  ASSERT_TRUE(ds.Locate("ID", Variant(1), {}));
  ds.Edit();
  note.SetAsString("mine");
  ds.Post();
  ASSERT_TRUE(ds.Locate("ID", Variant(2), {}));
  ds.Delete();
  ds.CancelUpdates();
  ASSERT_TRUE(ds.Locate("ID", Variant(1), {}));
  EXPECT_EQ(note.AsString(), "note1");
  EXPECT_EQ(ds.FieldByName("BB")->AsString(), "b");
  ASSERT_TRUE(ds.Locate("ID", Variant(2), {}));
  EXPECT_EQ(note.AsString(), "note2");

  // Every column is written: the blobs the record shows reach the server.
  ds.Edit();
  ds.FieldByName("T")->SetAsString("edited");
  ds.Post();
  ds.ApplyUpdates();
  tr_->Commit();
  EXPECT_EQ(Server("cast(TB as varchar(20))", 2), "note2");
  EXPECT_EQ(Server("cast(BB as varchar(20))", 2), "b");
  ds.Refresh();
  EXPECT_EQ(note.AsString(), "note2");

  // A blob an apply wrote, taken by a rollback: the record still shows it.
  ds.Append();
  ds.FieldByName("ID")->SetAsInteger(100);
  note.SetAsString("fresh");
  ds.Post();
  ds.ApplyUpdates();
  ASSERT_TRUE(ds.Locate("ID", Variant(100), {}));
  ds.Delete();
  tr_->RollbackRetaining();
  ds.CancelUpdates();
  ASSERT_TRUE(ds.Locate("ID", Variant(100), {}));
  EXPECT_EQ(note.AsString(), "fresh");
  EXPECT_EQ(Server("count(*)", 100), "0");
}

// Memos and blobs that no cached record had read when the transaction
// ended hard go on being shown after another attachment deleted their
// rows; the server dropped them with the rows.
TEST_F(CrossingTest, CachedBlobsNeverReadOutliveTheRowsDeletedAfterTheEnd) {
  InsertPlainRows(3);
  Run("update KINDS set TB = 'note' || ID, BB = 'b' || ID");
  TpZODDataSet& ds = Open(false, true, false);
  tr_->Commit();  // no memo or blob was read yet
  ChangeElsewhere("delete from KINDS where ID in (2, 3)");
  EXPECT_EQ(ServerCount(), 1);
  int rows = 0;
  for (ds.First(); !ds.Eof(); ds.Next(), ++rows) {
    EXPECT_EQ(ds.FieldByName("TB")->AsString(), "note" + std::to_string(Id()));
    EXPECT_EQ(ds.FieldByName("BB")->AsString(), "b" + std::to_string(Id()));
  }
  EXPECT_EQ(rows, 3);
  // Given back by CancelUpdates, a deleted record shows its memo too.
  ASSERT_TRUE(ds.Locate("ID", Variant(3), {}));
  ds.Delete();
  ds.CancelUpdates();
  ASSERT_TRUE(ds.Locate("ID", Variant(3), {}));
  EXPECT_EQ(ds.FieldByName("TB")->AsString(), "note3");
}

// ---- Refresh and Delete in both cache models ---------------------------------

class ModelTest : public CrossingTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ModelTest, RefreshShowsTheServersRowAfterAPostAndAfterAnUndoneEdit) {
  InsertPlainRows(30);
  // Each statement sees what others committed before it.
  tr_->TRParams().SetText("write\nisc_tpb_nowait\nrec_version\nread_committed");
  TpZODDataSet& ds = Open(GetParam(), false, false);
  ds.SetAutoCommit(false);
  ASSERT_TRUE(ds.Locate("ID", Variant(15), {}));
  ds.Edit();
  ds.FieldByName("T")->SetAsString("mine");
  ds.Post();
  tr_->CommitRetaining();
  ChangeElsewhere("update KINDS set T = 'theirs' where ID = 15");
  ds.Refresh();
  EXPECT_EQ(Id(), 15);
  EXPECT_EQ(ds.FieldByName("T")->AsString(), "theirs");
  ds.Next();
  ds.Prior();
  EXPECT_EQ(Id(), 15);
  EXPECT_EQ(ds.FieldByName("T")->AsString(), "theirs");

  // An edit the transaction undid. The window moved since the first edit:
  // the second one must still name its own row.
  ASSERT_TRUE(ds.Locate("ID", Variant(20), {}));
  ds.Edit();
  ds.FieldByName("T")->SetAsString("undone");
  ds.Post();
  tr_->RollbackRetaining();
  EXPECT_EQ(Server("T", 15), "theirs");
  EXPECT_EQ(Server("T", 20), "row20");
  ChangeElsewhere("update KINDS set T = 'theirs too' where ID = 20");
  ds.Refresh();
  EXPECT_EQ(Id(), 20);
  EXPECT_EQ(ds.FieldByName("T")->AsString(), "theirs too");
  ds.Prior();
  ds.Next();
  EXPECT_EQ(ds.FieldByName("T")->AsString(), "theirs too");
}

TEST_P(ModelTest, ADeleteLeavesTheDataSetOnANeighbour) {
  InsertPlainRows(30);
  TpZODDataSet& ds = Open(GetParam(), false, false);
  ds.First();
  ds.Delete();  // the first row
  EXPECT_FALSE(ds.IsEmpty());
  EXPECT_EQ(Id(), 2);
  ASSERT_TRUE(ds.Locate("ID", Variant(15), {}));
  ds.Delete();  // a middle row: the next one takes its place
  EXPECT_EQ(Id(), 16);
  ds.Prior();
  EXPECT_EQ(Id(), 14);
  EXPECT_EQ(ServerCount(), 28);

  // From the last row down, through the last three, to nothing.
  std::vector<int> rows;
  for (int id = 2; id <= 30; ++id)
    if (id != 15) rows.push_back(id);
  ds.Last();
  while (!rows.empty()) {
    ASSERT_EQ(Id(), rows.back());
    ds.Delete();
    rows.pop_back();
    if (rows.empty()) break;
    SCOPED_TRACE(std::to_string(rows.size()) + " rows left");
    ASSERT_FALSE(ds.IsEmpty());
    EXPECT_FALSE(ds.Bof() && ds.Eof());
    EXPECT_EQ(Id(), rows.back());
    ds.Prior();
    ds.Next();
  }
  EXPECT_TRUE(ds.IsEmpty());
  EXPECT_EQ(ServerCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Models, ModelTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "Limited" : "Standard");
                         });

}  // namespace
}  // namespace fib
