#include <gtest/gtest.h>

#include "classlib/field.h"
#include "classlib/params.h"
#include "testing/dataset_test_table.h"

namespace classlib::testing {
namespace {

std::unique_ptr<TestTable> OpenTable() {
  auto table = std::make_unique<TestTable>();
  table->SetName("Table");
  table->AddColumn("ID", ftInteger);
  table->AddColumn("PART", ftInteger);
  table->AddColumn("NAME", ftString, 10);
  table->Open();
  return table;
}

TEST(DataSetProvider, KeyFieldsAreTheFieldsFlaggedAsKeys) {
  auto table = OpenTable();
  EXPECT_EQ(table->PSGetKeyFields(), "");
  table->FieldByName("PART")->SetProviderFlags({pfInWhere, pfInKey});
  table->FieldByName("ID")->SetProviderFlags({pfInKey});
  EXPECT_EQ(table->PSGetKeyFields(), "ID;PART");
  EXPECT_EQ(table->PSGetDefaultOrder(), nullptr);
}

TEST(DataSetProvider, ADataSetWithoutSQLRefusesWhatWouldBeLost) {
  auto table = OpenTable();
  EXPECT_FALSE(table->PSIsSQLBased());
  TParams none;
  table->PSSetParams(none);
  TParams one;
  one.CreateParam(ftInteger, "ID", ptInput)->SetAsInteger(1);
  try {
    table->PSSetParams(one);
    FAIL();
  } catch (const EDatabaseError& error) {
    EXPECT_EQ(error.Message(), "Table: Parameters are not supported");
  }
  std::unique_ptr<TDataSet> rows;
  EXPECT_THROW(table->PSExecuteStatement("delete from T", none, &rows), EDatabaseError);
  EXPECT_EQ(rows, nullptr);
  // The provider writes the change itself.
  EXPECT_FALSE(table->PSUpdateRecord(ukModify, *table));
}

TEST(DataSetProvider, UpdateErrorsChainByTheirCodes) {
  auto table = OpenTable();
  std::unique_ptr<EUpdateError> first = table->PSGetUpdateException(EConvertError("bad"), nullptr);
  EXPECT_EQ(first->Message(), "bad");
  EXPECT_EQ(first->ErrorCode(), 0);
  EXPECT_EQ(first->PreviousError(), 0);

  EUpdateError coded("conflict", -913, 0);
  std::unique_ptr<EUpdateError> second = table->PSGetUpdateException(EDatabaseError("again"), &coded);
  EXPECT_EQ(second->PreviousError(), -913);
  // An update error is not wrapped a second time: its code stays.
  std::unique_ptr<EUpdateError> same = table->PSGetUpdateException(coded, first.get());
  EXPECT_EQ(same->ErrorCode(), -913);
  EXPECT_EQ(same->Message(), "conflict");
}

}  // namespace
}  // namespace classlib::testing
