// An array field whose data set reads and writes the elements on the
// embedded engine through the field's own array object.
#include <gtest/gtest.h>

#include <memory>

#include "classlib/variant.h"
#include "embedded_database.h"
#include "fib/base/errors.h"
#include "fib/tests/fib_fields_table.h"
#include "test_statement.h"

namespace fib::testing {
namespace {

using classlib::Variant;

class EngineArrayTable : public FibFieldsTable {
 public:
  EngineArrayTable(fib_test::EmbeddedDatabase& db, isc_tr_handle* tr) : db_(db), tr_(tr) {}

  std::unique_ptr<TpZODArray> CreateArray(classlib::TField* field) override {
    ++arrays_made;
    return std::make_unique<TpZODArray>(db_.Library(), db_.Handle(), tr_, "A", field->FieldName());
  }
  Variant ArrayValues(classlib::TField* field) override {
    auto* array = static_cast<TFIBArrayField*>(field);
    ISC_QUAD id{};
    if (!array->GetArrayId(id)) return Variant(int32_t{0});
    return array->Array()->Read(id, tr_);
  }
  void SetArrayValues(classlib::TField* field, const Variant& values) override {
    auto* array = static_cast<TFIBArrayField*>(field);
    ISC_QUAD id{};
    array->Array()->Write(values, db_.Handle(), tr_, id);
    array->SetArrayId(id);
  }

 private:
  fib_test::EmbeddedDatabase& db_;
  isc_tr_handle* tr_;
};

TEST(ArrayFieldEngine, ElementsTravelThroughTheFieldsArrayObject) {
  fib_test::EmbeddedDatabase db;
  fib_test::ExecuteAndCommit(db, "CREATE TABLE A (ID INTEGER, AI INTEGER[1:3])");
  isc_tr_handle tr = db.StartTransaction();
  {
    EngineArrayTable table(db, &tr);
    table.AddColumn("AI", classlib::ftBytes, 8, TFIBColumnInfo{540, 0, 0, 8});
    table.Open();
    table.Append();
    auto* field = static_cast<TFIBArrayField*>(table.FieldByName("AI"));
    EXPECT_EQ(field->AsVariant().AsInteger(), 0);  // no array yet

    field->SetAsVariant(classlib::VarArrayOf({Variant(4), Variant(5), Variant(6)}));
    EXPECT_FALSE(field->IsNull());
    EXPECT_EQ(field->AsString(), "(ARRAY)");
    // The server reads an array by the id a row holds: post the row and
    // fetch it back, as the data set does.
    ISC_QUAD id{};
    ASSERT_TRUE(field->GetArrayId(id));
    fib_test::TestStatement insert(db, &tr);
    insert.Prepare("INSERT INTO A (ID, AI) VALUES (1, ?)");
    insert.Params()[0].SetAsQuad(id);
    insert.Execute();
    fib_test::TestStatement select(db, &tr);
    select.Prepare("SELECT AI FROM A WHERE ID = 1");
    select.Execute();
    ASSERT_TRUE(select.Fetch());
    field->SetArrayId(select.Column(0).AsQuad());
    Variant read = field->AsVariant();
    EXPECT_EQ(classlib::VarArrayHighBound(read, 1), 3);
    EXPECT_EQ(classlib::VarArrayGet(read, {1}).AsInteger(), 4);
    EXPECT_EQ(classlib::VarArrayGet(read, {3}).AsInteger(), 6);
    // One object serves every read and write of the column.
    EXPECT_EQ(table.arrays_made, 1);
    EXPECT_EQ(field->Array()->ElementCount(), 3);
  }
  db.Library().isc_commit_transaction(StatusVector(), &tr);
}

}  // namespace
}  // namespace fib::testing
