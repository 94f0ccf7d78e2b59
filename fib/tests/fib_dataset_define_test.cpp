// Defining a buffered data set: its statements and their texts, Prepare
// and the field definitions it reads, the checked setters, the column
// information helpers and the options of older stored forms.
#include <gtest/gtest.h>

#include "classlib/field.h"
#include "classlib/field_defs.h"
#include "dataset_fixture.h"
#include "fib/base/errors.h"
#include "fib/base/sql_types.h"
#include "fib/statements/auto_update_options.h"
#include "fib/statements/fib_query.h"
#include "fib/statements/fib_transaction.h"
#include "testing/message_of.h"

namespace fib {
namespace {

using classlib::testing::MessageOf;

class DataSetDefineTest : public fib_test::DataSetTest {
 protected:
  DataSetDefineTest() {
    Run("create table GOODS (ID integer not null primary key, NAME varchar(40), "
        "CODE char(8), PRICE numeric(18,2), RATE numeric(18,6), QTY smallint, "
        "WEIGHT double precision, BORN date, AT_TIME time, STAMP timestamp, "
        "NOTE blob sub_type 1, PIC blob, BIG bigint, FLAG boolean)");
  }

  int ClientErrorCode(const std::function<void()>& action) {
    try {
      action();
    } catch (const EFIBClientError& e) {
      return e.SQLCode();
    }
    return 0;
  }
};

TEST_F(DataSetDefineTest, ConstructionMakesTheFiveNamedStatementsAndTheDefaults) {
  TFIBDataSet ds(&form_);
  ds.SetName("DS");
  EXPECT_EQ(ds.QSelect()->Name(), "SelectQuery");
  EXPECT_EQ(ds.QUpdate()->Name(), "UpdateQuery");
  EXPECT_EQ(ds.QInsert()->Name(), "InsertQuery");
  EXPECT_EQ(ds.QDelete()->Name(), "DeleteQuery");
  EXPECT_EQ(ds.QRefresh()->Name(), "RefreshQuery");
  EXPECT_EQ(ds.QSelect()->Owner(), &ds);
  EXPECT_TRUE(ds.QSelect()->ParamCheck());
  EXPECT_EQ(ds.Options(),
            (TpZODDsOptions{poTrimCharFields, poRefreshAfterPost, poStartTransaction,
                            poAutoFormatFields}));
  EXPECT_EQ(ds.PrepareOptions(), (TpPrepareOptions{pfImportDefaultValues, psUseBooleanField,
                                                   psGetOrderInfo, psSetEmptyStrToNull}));
  EXPECT_EQ(ds.UpdateRecordTypes(),
            (TFIBUpdateRecordTypes{cusUnmodified, cusModified, cusInserted}));
  EXPECT_EQ(ds.CacheModelOptions().BufferChunks(), 32);
  EXPECT_FALSE(ds.CachedUpdates());
  EXPECT_EQ(ds.RefreshTransactionKind(), tkReadTransaction);
  EXPECT_EQ(ds.FieldOriginRule(), forTableAndFieldName);
}

TEST_F(DataSetDefineTest, TheOwnerDatabaseOrTransactionIsTaken) {
  TFIBDataSet by_database(db_.get());
  EXPECT_EQ(by_database.Database(), db_.get());
  EXPECT_EQ(by_database.Transaction(), tr_.get());
  EXPECT_EQ(by_database.UpdateTransaction(), tr_.get());
  TFIBDataSet by_transaction(tr_.get());
  EXPECT_EQ(by_transaction.Transaction(), tr_.get());
}

TEST_F(DataSetDefineTest, ADataSetIsPreparedWithTheTextsAsWritten) {
  auto ds = NewDataSet("Goods", "select ID, NAME, PRICE from GOODS\nwhere ID > :MIN_ID\norder by NAME desc, ID");
  ds->UpdateSQL().SetText("update GOODS set NAME = :NAME where ID = :OLD_ID");
  ds->InsertSQL().SetText("insert into GOODS (ID, NAME) values (:ID, :NAME)");
  ds->DeleteSQL().SetText("delete from GOODS where ID = :OLD_ID");
  ds->RefreshSQL().SetText("select ID, NAME, PRICE from GOODS where ID = :ID");
  EXPECT_EQ(ds->Transaction(), tr_.get());
  EXPECT_EQ(ds->UpdateTransaction(), tr_.get());
  EXPECT_EQ(ds->QRefresh()->Transaction(), tr_.get());

  ds->Prepare();
  EXPECT_TRUE(ds->Prepared());
  EXPECT_TRUE(ds->QSelect()->Prepared());
  EXPECT_TRUE(tr_->Active());  // poStartTransaction started it
  EXPECT_EQ(ds->QSelect()->ServerText(),
            "select ID, NAME, PRICE from GOODS\r\nwhere ID > ?\r\norder by NAME desc, ID\r\n");
  EXPECT_EQ(ds->QUpdate()->ServerText(), "update GOODS set NAME = ? where ID = ?\r\n");
  EXPECT_EQ(ds->QInsert()->ServerText(), "insert into GOODS (ID, NAME) values (?, ?)\r\n");
  EXPECT_EQ(ds->QDelete()->ServerText(), "delete from GOODS where ID = ?\r\n");
  EXPECT_EQ(ds->QUpdate()->Params().Count(), 2);
  // Only the select statement is prepared at run time.
  EXPECT_FALSE(ds->QUpdate()->Prepared());

  ASSERT_EQ(ds->FieldDefs().Count(), 3);
  EXPECT_EQ(ds->FieldDefs()[0]->Name(), "ID");
  EXPECT_EQ(ds->FieldDefs()[1]->DataType(), classlib::ftString);
  EXPECT_EQ(ds->FieldDefs()[1]->Size(), 40);
  EXPECT_EQ(ds->FieldDefs()[2]->DataType(), classlib::ftBCD);
  EXPECT_EQ(ds->FieldDefs()[2]->Size(), 2);
  EXPECT_EQ(ds->FieldDefs()[2]->FieldNo(), 3);

  // psGetOrderInfo read the ORDER BY.
  EXPECT_EQ(ds->SortFieldsCount(), 2);
  EXPECT_EQ(ds->SortFieldsText(), "NAME;ID");
  EXPECT_FALSE(ds->SortFieldInfo(1).Ascending);
  EXPECT_TRUE(ds->SortFieldInfo(2).Ascending);
  EXPECT_EQ(ds->SortFieldInfo(2).Position, 2);
  EXPECT_EQ(ds->SortFieldInfo(3).FieldName, "Unknown");
  EXPECT_EQ(ds->SortFieldInfo(0).Position, -1);

  ds->Unprepare();
  EXPECT_FALSE(ds->Prepared());
  EXPECT_FALSE(ds->QSelect()->Prepared());
}

TEST_F(DataSetDefineTest, EveryColumnTypeGetsItsFieldDefinition) {
  auto ds = NewDataSet("All", "select * from GOODS");
  ds->Prepare();
  using namespace classlib;
  struct Expected {
    const char* name;
    TFieldType type;
    int size;
  };
  const Expected expected[] = {
      {"ID", ftInteger, 0},   {"NAME", ftString, 40},  {"CODE", ftString, 8},
      {"PRICE", ftBCD, 2},    {"RATE", ftFloat, 0},    {"QTY", ftSmallint, 0},
      {"WEIGHT", ftFloat, 0}, {"BORN", ftDate, 0},     {"AT_TIME", ftTime, 0},
      {"STAMP", ftDateTime, 0}, {"NOTE", ftMemo, 8}, {"PIC", ftBlob, 8},
      {"BIG", ftBCD, 0},      {"FLAG", ftBoolean, 0},
  };
  ASSERT_EQ(ds->FieldDefs().Count(), static_cast<int>(std::size(expected)));
  for (int i = 0; i < ds->FieldDefs().Count(); ++i) {
    SCOPED_TRACE(expected[i].name);
    EXPECT_EQ(ds->FieldDefs()[i]->Name(), expected[i].name);
    EXPECT_EQ(ds->FieldDefs()[i]->DataType(), expected[i].type);
    EXPECT_EQ(ds->FieldDefs()[i]->Size(), expected[i].size);
  }
  // The options change what the integer types become.
  ds->SetPrepareOptions(ds->PrepareOptions() + TpPrepareOptions{psUseLargeIntField,
                                                                 psSQLINT64ToBCD});
  EXPECT_EQ(ds->FieldDefs().Find("BIG")->DataType(), ftLargeint);
  EXPECT_EQ(ds->FieldDefs().Find("RATE")->DataType(), ftBCD);
  EXPECT_EQ(ds->FieldDefs().Find("RATE")->Size(), 6);
}

TEST_F(DataSetDefineTest, AnEmptySelectCannotBePrepared) {
  auto ds = NewDataSet("Empty");
  const std::string message = MessageOf<EFIBClientError>([&] { ds->Prepare(); });
  EXPECT_NE(message.find("Can't Prepare Form1.Empty , because  query is empty"), std::string::npos)
      << message;
  EXPECT_EQ(ClientErrorCode([&] { ds->Prepare(); }), 37);
  EXPECT_FALSE(ds->Prepared());
}

TEST_F(DataSetDefineTest, ChangingTheSelectTextUnprepares) {
  auto ds = NewDataSet("DS", "select ID from GOODS");
  ds->Prepare();
  ds->SelectSQL().SetText("select NAME from GOODS");
  EXPECT_FALSE(ds->Prepared());
  EXPECT_EQ(ds->FieldDefs().Count(), 0);
  ds->Prepare();
  EXPECT_EQ(ds->FieldDefs()[0]->Name(), "NAME");
}

TEST_F(DataSetDefineTest, ColumnInformationOfFieldsAndUnknownFields) {
  auto ds = NewDataSet("DS", "select G.ID, G.NAME as TITLE, G.PRICE, 1 + 1 as TWO from GOODS G");
  ds->Prepare();
  classlib::TField* id = ds->FieldDefs()[0]->CreateField(ds.get());
  classlib::TField* title = ds->FieldDefs()[1]->CreateField(ds.get());
  classlib::TField* price = ds->FieldDefs()[2]->CreateField(ds.get());
  classlib::TField* two = ds->FieldDefs()[3]->CreateField(ds.get());

  EXPECT_EQ(ds->GetRelationTableName(title), "GOODS");
  EXPECT_EQ(ds->GetRelationFieldName(title), "NAME");
  EXPECT_EQ(ds->GetFieldScale(price), -2);
  EXPECT_EQ(ds->GetFieldXSQLVAR(id).sqltype & ~1, kSQLLong);
  EXPECT_EQ(ds->GetRelationTableName(two), "");
  EXPECT_EQ(ds->GetFieldOrigin(title), "GOODS.NAME");
  EXPECT_EQ(ds->GetFieldOrigin(two), ds->GetRelationFieldName(two));
  ds->SetFieldOriginRule(forTableAliasAndFieldName);
  EXPECT_EQ(ds->GetFieldOrigin(title), "G.NAME");
  ds->SetFieldOriginRule(forClientFieldName);
  EXPECT_EQ(ds->GetFieldOrigin(title), "TITLE");
  ds->SetFieldOriginRule(forNoRule);
  EXPECT_EQ(ds->GetFieldOrigin(title), "");

  EXPECT_EQ(ds->FieldByOrigin("GOODS.NAME"), title);
  EXPECT_EQ(ds->FieldByOrigin("GOODS.PRICE"), price);
  EXPECT_EQ(ds->FieldByOrigin("GOODS.MISSING"), nullptr);

  // No field, or no column behind it: the unknown descriptor.
  EXPECT_EQ(static_cast<uint16_t>(ds->GetFieldXSQLVAR(nullptr).sqltype), 65535);
  EXPECT_EQ(ds->GetFieldScale(nullptr), 100);
  classlib::TField* calc = ds->FieldDefs()[0]->CreateField(ds.get(), nullptr, "CALC");
  calc->SetFieldKind(classlib::fkCalculated);
  EXPECT_EQ(static_cast<uint16_t>(ds->GetFieldXSQLVAR(calc).sqltype), 65535);
  EXPECT_EQ(ds->GetRelationTableName(calc), "CALCULATED");
  EXPECT_EQ(ds->GetRelationFieldName(calc), "CALC");
}

TEST_F(DataSetDefineTest, TheFieldNameCacheStripsQuotesAndForgetsFreedFields) {
  auto ds = NewDataSet("DS", "select ID, NAME from GOODS");
  ds->Prepare();
  classlib::TField* name = ds->FieldDefs()[1]->CreateField(ds.get());
  EXPECT_EQ(ds->FN("NAME"), name);
  EXPECT_EQ(ds->FN("\"NAME\""), name);
  EXPECT_EQ(ds->FN("\"NAME\""), name);  // now from the cache
  EXPECT_EQ(ds->FN("NOPE"), nullptr);
  EXPECT_THROW(ds->FBN("NOPE"), classlib::EDatabaseError);
  delete name;
  EXPECT_EQ(ds->FN("\"NAME\""), nullptr);
}

TEST_F(DataSetDefineTest, TransactionsMoveTheStatementsAndTheRelays) {
  auto ds = NewDataSet("DS", "select ID from GOODS");
  TFIBTransaction writer(&form_);
  writer.SetName("Writer");
  writer.SetDefaultDatabase(db_.get());
  ds->SetUpdateTransaction(&writer);
  EXPECT_EQ(ds->QUpdate()->Transaction(), &writer);
  EXPECT_EQ(ds->QDelete()->Transaction(), &writer);
  EXPECT_EQ(ds->QRefresh()->Transaction(), tr_.get());  // read kind
  ds->SetRefreshTransactionKind(tkUpdateTransaction);
  EXPECT_EQ(ds->QRefresh()->Transaction(), &writer);

  int read_starts = 0;
  int update_starts = 0;
  int update_ends = 0;
  ds->AfterStartTransaction = TTransactionNotifyEvent::Function([&](classlib::TObject*) { ++read_starts; });
  ds->AfterStartUpdateTransaction =
      TTransactionNotifyEvent::Function([&](classlib::TObject*) { ++update_starts; });
  ds->AfterEndUpdateTransaction = TTransactionEndEvent::Function(
      [&](TFIBTransaction* t, TTransactionAction action, bool) {
        EXPECT_EQ(t, &writer);
        EXPECT_EQ(action, TACommit);
        ++update_ends;
      });
  ds->StartUpdateTransaction();
  writer.Commit();
  tr_->StartTransaction();
  EXPECT_EQ(update_starts, 1);
  EXPECT_EQ(update_ends, 1);
  EXPECT_EQ(read_starts, 1);

  // A new read transaction keeps the separate update transaction.
  TFIBTransaction other(&form_);
  other.SetDefaultDatabase(db_.get());
  ds->SetTransaction(&other);
  EXPECT_EQ(ds->QSelect()->Transaction(), &other);
  EXPECT_EQ(ds->QUpdate()->Transaction(), &writer);
  other.StartTransaction();
  EXPECT_EQ(read_starts, 2);
  other.Commit();
  tr_->Commit();
}

TEST_F(DataSetDefineTest, NoUpdateTransactionIsClientError22) {
  TFIBDataSet ds(&form_);
  ds.SetName("Lonely");
  EXPECT_EQ(ClientErrorCode([&] { ds.StartUpdateTransaction(); }), 22);
}

TEST_F(DataSetDefineTest, DetailConditionsOwnTheWaitTimer) {
  auto ds = NewDataSet("DS");
  ds->SetDetailConditions({dcForceOpen, dcWaitEndMasterScroll});
  EXPECT_TRUE(ds->DetailConditions().Contains(dcWaitEndMasterScroll));
  EXPECT_TRUE(ds->DetailConditions().Contains(dcForceOpen));
  ds->SetDetailConditions({dcForceOpen});
  EXPECT_FALSE(ds->DetailConditions().Contains(dcWaitEndMasterScroll));
}

TEST_F(DataSetDefineTest, OldFormPropertiesFillTheSets) {
  TFIBDataSet ds(&form_);
  EXPECT_TRUE(ds.ReadStoredProperty("oFetchAll", classlib::Variant(true)));
  EXPECT_TRUE(ds.Options().Contains(poFetchAll));
  EXPECT_TRUE(ds.ReadStoredProperty("oTrimCharFields", classlib::Variant(false)));
  EXPECT_FALSE(ds.Options().Contains(poTrimCharFields));
  EXPECT_TRUE(ds.ReadStoredProperty("poEmptyStrToNull", classlib::Variant(false)));
  EXPECT_FALSE(ds.PrepareOptions().Contains(psSetEmptyStrToNull));
  EXPECT_TRUE(ds.ReadStoredProperty("poUseGuidField", classlib::Variant(true)));
  EXPECT_TRUE(ds.PrepareOptions().Contains(psUseGuidField));
  EXPECT_TRUE(ds.ReadStoredProperty("WaitEndMasterScroll", classlib::Variant(true)));
  EXPECT_TRUE(ds.DetailConditions().Contains(dcWaitEndMasterScroll));
  EXPECT_TRUE(ds.ReadStoredProperty("BufferChunks", classlib::Variant(int32_t{64})));
  EXPECT_EQ(ds.CacheModelOptions().BufferChunks(), 64);
  EXPECT_FALSE(ds.ReadStoredProperty("oNoSuchThing", classlib::Variant(true)));
}

TEST_F(DataSetDefineTest, CacheModelOptionsKeepTheirBounds) {
  auto ds = NewDataSet("DS", "select ID from GOODS");
  TCacheModelOptions& options = ds->CacheModelOptions();
  options.SetBufferChunks(0);
  EXPECT_EQ(options.BufferChunks(), 32);
  options.SetBufferChunks(-5);
  EXPECT_EQ(options.BufferChunks(), 32);
  // Without ORDER BY the limited model is refused and nothing changes.
  EXPECT_EQ(ClientErrorCode([&] { options.SetCacheModelKind(cmkLimitedBufferSize); }), 75);
  EXPECT_EQ(options.CacheModelKind(), cmkStandard);
  ds->SelectSQL().SetText("select ID from GOODS order by ID");
  options.SetCacheModelKind(cmkLimitedBufferSize);
  EXPECT_EQ(options.BufferChunks(), 100);
  options.SetBufferChunks(40);
  EXPECT_EQ(options.BufferChunks(), 100);
  options.SetCacheModelKind(cmkStandard);
  options.SetBufferChunks(40);
  EXPECT_EQ(options.BufferChunks(), 40);
  // A select parameter named NEW_ rules the limited model out.
  ds->SelectSQL().SetText("select ID from GOODS where ID > :NEW_ID order by ID");
  EXPECT_EQ(ClientErrorCode([&] { options.SetCacheModelKind(cmkLimitedBufferSize); }), 75);
}

TEST_F(DataSetDefineTest, ACircularMasterSourceIsRefused) {
  auto master = NewDataSet("Master", "select ID from GOODS");
  auto detail = NewDataSet("Detail", "select ID from GOODS where ID = :ID");
  classlib::TDataSource master_source(&form_);
  master_source.SetDataSet(master.get());
  classlib::TDataSource detail_source(&form_);
  detail_source.SetDataSet(detail.get());
  detail->SetDataSource(&master_source);
  EXPECT_EQ(detail->DataSource(), &master_source);
  EXPECT_EQ(ClientErrorCode([&] { master->SetDataSource(&detail_source); }), 50);
  EXPECT_EQ(master->DataSource(), nullptr);
}

}  // namespace
}  // namespace fib
