// Values of every kind of field on their way to the server and back, on the
// SQLite test driver: a new row, NULL to a value, a value to NULL and a value
// to another, stored by a plain post, by applied cached updates, by the data
// set's own statements and by an update object (its texts or its statement
// components), with and without a refresh after the post. Each case checks
// what a second session reads and what the record shows afterwards.
#include "dacore/dataset_component.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "classlib/datetime.h"
#include "classlib/field.h"
#include "classlib/fields.h"
#include "classlib/stream.h"
#include "dacore/blob.h"
#include "dacore/comp_connection.h"
#include "dacore/sql_update.h"
#include "dacore/sqlite_tests/sqlite_fixture.h"
#include "testing/sqlite_driver/sqlite_driver_dataset.h"

namespace dacore::sqlite_tests {
namespace {

using classlib::TField;

std::string Hex(const std::string& bytes) {
  std::string out;
  char digits[3];
  for (unsigned char c : bytes) {
    std::snprintf(digits, sizeof digits, "%02X", c);
    out += digits;
  }
  return out;
}

// One kind of field: its column, how a value is written into it, and the
// text that both the server and the record give for each of the two values.
struct FieldKind {
  const char* name;
  const char* column;
  const char* declared;
  std::function<void(TCustomDADataSet&, TField&, int)> write;
  std::function<std::string(TField&)> shown;
  std::vector<std::string> values;  // the texts of value 0 and value 1
  std::vector<std::string> literals;  // the same as SQL, as the server's quote() gives them
};

void WriteText(TCustomDADataSet&, TField& field, const std::string& text) { field.SetAsString(text); }

const std::vector<FieldKind>& Kinds() {
  static const std::vector<FieldKind> kinds = {
      {"Integer", "I", "INTEGER",
       [](TCustomDADataSet&, TField& f, int v) { f.SetAsInteger(v == 0 ? 7 : 8); },
       [](TField& f) { return f.AsString(); }, {"7", "8"}, {"7", "8"}},
      {"Text", "S", "VARCHAR(20)",
       [](TCustomDADataSet& d, TField& f, int v) { WriteText(d, f, v == 0 ? "seven" : "eight"); },
       [](TField& f) { return f.AsString(); }, {"seven", "eight"}, {"'seven'", "'eight'"}},
      {"Memo", "M", "TEXT",
       [](TCustomDADataSet& d, TField& f, int v) { WriteText(d, f, v == 0 ? "seven" : "eight"); },
       [](TField& f) { return f.AsString(); }, {"seven", "eight"}, {"'seven'", "'eight'"}},
      // The memo written through a stream of the data set's own.
      {"MemoStream", "M", "TEXT",
       [](TCustomDADataSet& d, TField& f, int v) {
         const std::string text = v == 0 ? "seven" : "eight";
         auto stream = d.CreateBlobStream(&f, classlib::bmWrite);
         stream->Write(text.data(), static_cast<int>(text.size()));
       },
       [](TField& f) { return f.AsString(); }, {"seven", "eight"}, {"'seven'", "'eight'"}},
      {"Blob", "B", "BLOB",
       [](TCustomDADataSet& d, TField& f, int v) { WriteText(d, f, v == 0 ? std::string("\0\7", 2) : std::string("\0\10\377", 3)); },
       [](TField& f) { return Hex(f.AsString()); }, {"0007", "0008FF"}, {"X'0007'", "X'0008FF'"}},
      // The blob object itself, as an application loads a file into it.
      {"BlobObject", "B", "BLOB",
       [](TCustomDADataSet& d, TField& f, int v) {
         classlib::TStringStream stream(v == 0 ? std::string("\0\7", 2) : std::string("\0\10\377", 3));
         d.GetBlob(&f)->LoadFromStream(stream);
       },
       [](TField& f) { return Hex(f.AsString()); }, {"0007", "0008FF"}, {"X'0007'", "X'0008FF'"}},
      {"Date", "D", "DATE",
       [](TCustomDADataSet&, TField& f, int v) { f.SetAsDateTime(classlib::EncodeDate(2024, 3, v == 0 ? 7 : 8)); },
       [](TField& f) {
         int y = 0, m = 0, d = 0;
         classlib::DecodeDate(f.AsDateTime(), y, m, d);
         char text[16];
         std::snprintf(text, sizeof text, "%04d-%02d-%02d", y, m, d);
         return std::string(text);
       },
       {"2024-03-07", "2024-03-08"}, {"'2024-03-07'", "'2024-03-08'"}},
      {"Float", "F", "REAL",
       [](TCustomDADataSet&, TField& f, int v) { f.SetAsFloat(v == 0 ? 7.5 : 8.25); },
       [](TField& f) { return f.AsString(); }, {"7.5", "8.25"}, {"7.5", "8.25"}},
  };
  return kinds;
}

// How the edit reaches the server.
enum class Way { kPost, kCached, kOwnStatements, kUpdateObject, kUpdateObjectStatements };

const char* WayName(Way way) {
  switch (way) {
    case Way::kPost: return "Post";
    case Way::kCached: return "Cached";
    case Way::kOwnStatements: return "OwnStatements";
    case Way::kUpdateObject: return "UpdateObject";
    case Way::kUpdateObjectStatements: return "UpdateObjectStatements";
  }
  return "?";
}

// Rows 1 to 3 as each case finds them: 1 holds NULL, 2 and 3 value 0; a new
// row gets the key 10.
struct Travel {
  const char* name;
  int id;
  bool append;
  int from;  // -1 NULL, else the value
  int to;    // -1 NULL, else the value
};

constexpr Travel kTravels[] = {
    {"appended row", 10, true, -1, 1},
    {"NULL to value", 1, false, -1, 1},
    {"value to NULL", 2, false, 0, -1},
    {"value to value", 3, false, 0, 1},
};

using Case = std::tuple<size_t, Way, bool>;

class ValuesTest : public SQLiteTest, public ::testing::WithParamInterface<Case> {
 protected:
  const FieldKind& Kind() const { return Kinds()[std::get<0>(GetParam())]; }
  Way TheWay() const { return std::get<1>(GetParam()); }
  bool Refresh() const { return std::get<2>(GetParam()); }

  void SetUp() override {
    SQLiteTest::SetUp();
    session_ = Session();
    const FieldKind& kind = Kind();
    const std::string column = kind.column;
    Exec(*session_, "CREATE TABLE V (ID INTEGER PRIMARY KEY, NAME VARCHAR(10), " + column + " " + kind.declared + ")");
    Exec(*session_, "INSERT INTO V (ID, NAME) VALUES (1, 'one')");
    for (int id : {2, 3})
      Exec(*session_, "INSERT INTO V (ID, NAME, " + column + ") VALUES (" + std::to_string(id) + ", 'row', " +
                          kind.literals[0] + ")");
    data_set_ = Query(*session_, "SELECT ID, NAME, " + column + " FROM V ORDER BY ID");
    switch (TheWay()) {
      case Way::kPost: break;
      case Way::kCached: data_set_->SetCachedUpdates(true); break;
      case Way::kOwnStatements:
        data_set_->SetSQLStatement(stInsert, "INSERT INTO V (ID, " + column + ") VALUES (:ID, :" + column + ")");
        data_set_->SetSQLStatement(stUpdate, "UPDATE V SET " + column + " = :" + column + " WHERE ID = :OLD_ID");
        break;
      case Way::kUpdateObject:
        update_.InsertSQL().SetText("INSERT INTO V (ID, " + column + ") VALUES (:ID, :" + column + ")");
        update_.ModifySQL().SetText("UPDATE V SET " + column + " = :" + column + " WHERE ID = :OLD_ID");
        data_set_->SetUpdateObject(&update_);
        break;
      case Way::kUpdateObjectStatements:
        // Statement components of the connection run the update object's
        // statements as they are, committing on their own.
        insert_ = session_->CreateSQL();
        insert_->SetAutoCommit(true);
        insert_->SetSQL("INSERT INTO V (ID, " + column + ") VALUES (:ID, :" + column + ")");
        modify_ = session_->CreateSQL();
        modify_->SetAutoCommit(true);
        modify_->SetSQL("UPDATE V SET " + column + " = :" + column + " WHERE ID = :OLD_ID");
        update_.SetStatementObject(stInsert, insert_.get());
        update_.SetStatementObject(stUpdate, modify_.get());
        data_set_->SetUpdateObject(&update_);
        break;
    }
    if (Refresh()) data_set_->SetRefreshOptions({roAfterInsert, roAfterUpdate});
    data_set_->Open();
  }

  void TearDown() override {
    data_set_.reset();
    insert_.reset();
    modify_.reset();
    session_.reset();
    SQLiteTest::TearDown();
  }

  TField& Column() { return *data_set_->FieldByName(Kind().column); }

  // Makes the edit of one travel (posted, and kept in the cache when cached).
  void Edit(const Travel& travel) {
    if (travel.append) {
      data_set_->Append();
      data_set_->FieldByName("ID")->SetAsInteger(travel.id);
    } else {
      ASSERT_TRUE(data_set_->Locate("ID", classlib::Variant(travel.id), {}));
      data_set_->Edit();
    }
    if (travel.to < 0) Column().Clear();
    else Kind().write(*data_set_, Column(), travel.to);
    data_set_->Post();
  }

  std::string Expected(int value) const { return value < 0 ? "(null)" : Kind().values[static_cast<size_t>(value)]; }
  // What another session reads: quote() tells NULL from an empty text or blob.
  std::string Stored(int id) {
    return ReadElsewhere("SELECT quote(" + std::string(Kind().column) + ") FROM V WHERE ID = " + std::to_string(id));
  }
  std::string ExpectedStored(int value) const {
    return value < 0 ? "NULL" : Kind().literals[static_cast<size_t>(value)];
  }

  std::string Shown() {
    TField& field = Column();
    return field.IsNull() ? "(null)" : Kind().shown(field);
  }

  std::unique_ptr<sqlite_driver::TSQLiteSession> session_;
  std::unique_ptr<TCustomDADataSet> data_set_;
  TCustomDAUpdateSQL update_{nullptr};
  std::unique_ptr<TCustomDASQL> insert_, modify_;
};

TEST_P(ValuesTest, TheServerAndTheRecordHoldWhatWasWritten) {
  // Rows as they were read: NULL in row 1, value 0 in rows 2 and 3.
  ASSERT_TRUE(data_set_->Locate("ID", classlib::Variant(1), {}));
  EXPECT_EQ(Shown(), "(null)");
  ASSERT_TRUE(data_set_->Locate("ID", classlib::Variant(2), {}));
  EXPECT_EQ(Shown(), Expected(0));

  for (const Travel& travel : kTravels) {
    SCOPED_TRACE(travel.name);
    Edit(travel);
    if (HasFatalFailure()) return;
  }
  if (TheWay() == Way::kCached) {
    data_set_->ApplyUpdates();
    data_set_->CommitUpdates();
  }
  for (const Travel& travel : kTravels) {
    SCOPED_TRACE(travel.name);
    EXPECT_EQ(Stored(travel.id), ExpectedStored(travel.to));
    ASSERT_TRUE(data_set_->Locate("ID", classlib::Variant(travel.id), {}));
    EXPECT_EQ(Shown(), Expected(travel.to));
  }
  // The records read anew show the same.
  data_set_->Close();
  data_set_->Open();
  for (const Travel& travel : kTravels) {
    SCOPED_TRACE(travel.name);
    ASSERT_TRUE(data_set_->Locate("ID", classlib::Variant(travel.id), {}));
    EXPECT_EQ(Shown(), Expected(travel.to));
  }
}

// A cancelled edit leaves the record and the server as they were, NULL or not.
TEST_P(ValuesTest, ACancelledEditLeavesTheValueAsItWas) {
  for (const Travel& travel : kTravels) {
    SCOPED_TRACE(travel.name);
    if (travel.append) {
      data_set_->Append();
      data_set_->FieldByName("ID")->SetAsInteger(travel.id);
    } else {
      ASSERT_TRUE(data_set_->Locate("ID", classlib::Variant(travel.id), {}));
      data_set_->Edit();
    }
    if (travel.to < 0) Column().Clear();
    else Kind().write(*data_set_, Column(), travel.to);
    EXPECT_EQ(Shown(), Expected(travel.to));
    data_set_->Cancel();
    if (travel.append) {
      EXPECT_FALSE(data_set_->Locate("ID", classlib::Variant(travel.id), {}));
      continue;
    }
    ASSERT_TRUE(data_set_->Locate("ID", classlib::Variant(travel.id), {}));
    EXPECT_EQ(Shown(), Expected(travel.from));
    EXPECT_EQ(Stored(travel.id), ExpectedStored(travel.from));
  }
  if (TheWay() == Way::kCached) {
    EXPECT_FALSE(data_set_->UpdatesPending());
  }
}

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
  return std::string(Kinds()[std::get<0>(info.param)].name) + "_" + WayName(std::get<1>(info.param)) +
         (std::get<2>(info.param) ? "_Refreshed" : "");
}

INSTANTIATE_TEST_SUITE_P(EveryKindEveryWay, ValuesTest,
                         ::testing::Combine(::testing::Range<size_t>(0, 8),
                                            ::testing::Values(Way::kPost, Way::kCached, Way::kOwnStatements,
                                                              Way::kUpdateObject, Way::kUpdateObjectStatements),
                                            ::testing::Bool()),
                         CaseName);

}  // namespace
}  // namespace dacore::sqlite_tests
