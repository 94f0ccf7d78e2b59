// Behaviours of the buffered data set, on the embedded engine: default display formats of a plain data set,
// the master refreshed after its detail posted (dcForceMasterRefresh), text
// blobs converted by character set (psSupportUnicodeBlobs), a blob's
// previous content in the old-value view, and persistent fields made anew
// after their definitions were read again.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "classlib/codepage.h"
#include "classlib/data_link.h"
#include "classlib/field.h"
#include "classlib/field_blob.h"
#include "classlib/field_datetime.h"
#include "classlib/field_numeric.h"
#include "classlib/field_string.h"
#include "classlib/fields.h"
#include "classlib/variant.h"
#include "dataset_fixture.h"
#include "fib/base/errors.h"
#include "fib/dataset/fib_blob_fields.h"
#include "fib/dataset/fib_dataset.h"
#include "fib/statements/fib_query.h"
#include "fib/statements/fib_transaction.h"
#include "fib/statements/format_fields.h"

namespace fib {
namespace {

class CompletedPartsTest : public fib_test::DataSetTest {};

// ---- default display formats (poAutoFormatFields) ----

TEST_F(CompletedPartsTest, APlainDataSetGivesItsFieldsTheDefaultFormats) {
  Run("create table GOODS (ID integer, PRICE numeric(18,2), RATE numeric(9,3), "
      "WEIGHT double precision, BORN date, AT_TIME time, STAMP timestamp)");
  auto ds = NewDataSet("Goods", "select * from GOODS");
  ASSERT_TRUE(ds->Options().Contains(poAutoFormatFields));  // on by default
  ds->Open();
  auto numeric = [&](const char* name) {
    return dynamic_cast<classlib::TNumericField*>(ds->FieldByName(name));
  };
  ASSERT_NE(numeric("PRICE"), nullptr);
  EXPECT_EQ(numeric("PRICE")->DisplayFormat(), "#,##0.00");
  EXPECT_EQ(numeric("PRICE")->EditFormat(), "0.00");
  EXPECT_EQ(numeric("RATE")->DisplayFormat(), "#,##0.000");
  EXPECT_EQ(numeric("ID")->DisplayFormat(), "");      // no decimals: no format
  EXPECT_EQ(numeric("WEIGHT")->DisplayFormat(), "");  // no scale either
  auto date_time = [&](const char* name) {
    return dynamic_cast<classlib::TDateTimeField*>(ds->FieldByName(name))->DisplayFormat();
  };
  EXPECT_EQ(date_time("BORN"), "dd.mm.yyyy");
  EXPECT_EQ(date_time("AT_TIME"), "hh:mm AMPM");
  EXPECT_EQ(date_time("STAMP"), "dd.mm.yyyy hh:mm AMPM");
  ds->Close();

  // The process-wide defaults as they are at opening; a field's own format
  // stays.
  const std::string saved = DefaultFormat(TFormatField::DisplayDate);
  SetDefaultFormat(TFormatField::DisplayDate, "yyyy-mm-dd");
  auto other = NewDataSet("Other", "select BORN, STAMP from GOODS");
  other->Open();
  EXPECT_EQ(dynamic_cast<classlib::TDateTimeField*>(other->FieldByName("BORN"))->DisplayFormat(),
            "yyyy-mm-dd");
  other->Close();
  SetDefaultFormat(TFormatField::DisplayDate, saved);

  auto plain = NewDataSet("Plain", "select PRICE from GOODS");
  plain->SetOptions(TpZODDsOptions(plain->Options()).Exclude(poAutoFormatFields));
  plain->Open();
  EXPECT_EQ(dynamic_cast<classlib::TNumericField*>(plain->FieldByName("PRICE"))->DisplayFormat(),
            "");
}

// ---- dcForceMasterRefresh ----

TEST_F(CompletedPartsTest, AMasterRefreshesAfterItsDetailPosted) {
  Run("create table ORDERS (ID integer not null primary key, TOTAL integer default 0)");
  Run("create table LINES (ORDER_ID integer, AMOUNT integer)");
  Run("create trigger LINES_AI for LINES after insert as begin "
      "update ORDERS set TOTAL = TOTAL + new.AMOUNT where ID = new.ORDER_ID; end");
  Run("insert into ORDERS (ID) values (1)");
  auto master = NewDataSet("Orders", "select ID, TOTAL from ORDERS order by ID");
  master->RefreshSQL().SetText("select ID, TOTAL from ORDERS where ID = :OLD_ID");
  master->Open();
  classlib::TDataSource source(&form_);
  source.SetDataSet(master.get());
  auto detail =
      NewDataSet("Lines", "select ORDER_ID, AMOUNT from LINES where ORDER_ID = :MAS_ID");
  detail->InsertSQL().SetText("insert into LINES values (:ORDER_ID, :AMOUNT)");
  detail->SetDataSource(&source);
  detail->Open();
  auto add_line = [&](int amount) {
    detail->Append();
    detail->FieldByName("ORDER_ID")->SetAsInteger(1);
    detail->FieldByName("AMOUNT")->SetAsInteger(amount);
    detail->Post();
  };

  add_line(5);
  EXPECT_EQ(master->FieldByName("TOTAL")->AsInteger(), 0);  // not asked to refresh
  detail->SetDetailConditions({dcForceMasterRefresh});
  add_line(7);
  EXPECT_EQ(master->FieldByName("TOTAL")->AsInteger(), 12);
  EXPECT_TRUE(detail->Active());  // the master's key did not change
  EXPECT_EQ(detail->RecordCount(), 2);
  tr_->Rollback();
}

// ---- psSupportUnicodeBlobs ----

// A UNICODE_FSS text blob read on a connection the server does not convert
// for (character set NONE) arrives as UTF-8; with psSupportUnicodeBlobs the
// memo field gives and takes ANSI text, without it the bytes as they came.
TEST_F(CompletedPartsTest, TextBlobsAreConvertedByCharacterSet) {
  Run("create table NOTES (ID integer not null primary key, "
      "BODY blob sub_type text character set UNICODE_FSS)");
  const std::string ansi = "\xcf\xf0\xe8\xe2\xe5\xf2";  // "Привет" in code page 1251
  Run("insert into NOTES values (1, '" + ansi + "')");

  auto raw = NewDatabase(&form_);
  raw->SetName("Raw");
  raw->SetDBParamValue("lc_ctype", "NONE");
  raw->Connect();
  ASSERT_TRUE(raw->NoCharSetConversion());
  TFIBTransaction raw_tr(&form_);
  raw_tr.SetDefaultDatabase(raw.get());
  raw->SetDefaultTransaction(&raw_tr);

  auto open = [&](bool convert) {
    auto ds = std::make_unique<TFIBDataSet>(&form_);
    ds->SetDatabase(raw.get());
    ds->SelectSQL().SetText("select ID, BODY from NOTES");
    ds->UpdateSQL().SetText("update NOTES set BODY = :BODY where ID = :OLD_ID");
    TpPrepareOptions options = ds->PrepareOptions();
    ds->SetPrepareOptions(convert ? options.Include(psSupportUnicodeBlobs)
                                  : options.Exclude(psSupportUnicodeBlobs));
    ds->Open();
    return ds;
  };
  {
    auto ds = open(false);
    EXPECT_EQ(ds->FieldByName("BODY")->AsString(), classlib::Cp1251ToUtf8(ansi));
  }
  auto ds = open(true);
  auto* memo = dynamic_cast<TFIBMemoField*>(ds->FieldByName("BODY"));
  ASSERT_NE(memo, nullptr);
  EXPECT_TRUE(memo->ConvertsUtf8());
  EXPECT_EQ(memo->AsString(), ansi);
  EXPECT_EQ(memo->AsWideString(), classlib::Utf8ToUtf16(classlib::Cp1251ToUtf8(ansi)));

  // Written back as UTF-8: the WIN1251 connection reads the same letters.
  const std::string other = "\xc4\xee \xf1\xe2\xe8\xe4\xe0\xed\xe8\xff";  // "До свидания"
  ds->Edit();
  memo->SetAsString(other);
  ds->Post();
  raw_tr.Commit();
  EXPECT_EQ(db_->QueryValue("select BODY from NOTES where ID = 1", 0).AsString(), other);
}

// ---- a blob's previous content in the old-value view ----

TEST_F(CompletedPartsTest, TheOldValueOfABlobIsItsContentBeforeTheEdit) {
  Run("create table DOCS (ID integer not null primary key, BODY blob sub_type text)");
  Run("insert into DOCS values (1, 'first text')");
  auto ds = NewDataSet("Docs", "select ID, BODY from DOCS");
  ds->UpdateSQL().SetText("update DOCS set BODY = :BODY where ID = :OLD_ID");
  ds->Open();
  classlib::TField* body = ds->FieldByName("BODY");
  EXPECT_EQ(body->AsString(), "first text");
  ds->Edit();
  body->SetAsString("second text");
  EXPECT_EQ(body->AsString(), "second text");
  EXPECT_EQ(body->OldValue().AsString(), "first text");
  ds->Post();
  // Posted: the saved content is gone and the old value is the new one.
  EXPECT_EQ(body->OldValue().AsString(), "second text");
  ds->Edit();
  body->SetAsString("third text");
  EXPECT_EQ(body->OldValue().AsString(), "second text");
  ds->Cancel();
  EXPECT_EQ(body->AsString(), "second text");
  tr_->Rollback();
}

// ---- persistent fields after the definitions were read again ----

TEST_F(CompletedPartsTest, PersistentFieldsFollowDefinitionsReadAgain) {
  Run("create table THINGS (ID integer, CODE integer)");
  Run("insert into THINGS values (1, 42)");
  auto ds = NewDataSet("Things", "select ID, CODE from THINGS");
  auto* calc = new classlib::TIntegerField(&form_);
  calc->SetFieldName("TWICE");
  calc->SetFieldKind(classlib::fkCalculated);
  calc->SetDataSet(ds.get());
  auto* id = new classlib::TIntegerField(&form_);
  id->SetName("ThingsID");
  id->SetFieldName("ID");
  id->SetDataSet(ds.get());
  auto* code = new classlib::TIntegerField(&form_);
  code->SetName("ThingsCODE");
  code->SetFieldName("CODE");
  code->SetDisplayLabel("Code");
  code->SetDataSet(ds.get());
  ds->SetOnCalcFields(classlib::TDataSetNotifyEvent::Function([](classlib::TDataSet* set) {
    set->FieldByName("TWICE")->SetAsInteger(set->FieldByName("ID")->AsInteger() * 2);
  }));
  ds->Open();
  EXPECT_EQ(ds->FieldByName("CODE")->AsInteger(), 42);
  ds->Close();

  // CODE comes back as text now: its persistent field is made anew, under
  // its name and label, and the calculated field moves behind the data.
  ds->SelectSQL().SetText("select ID, cast(CODE as varchar(10)) as CODE from THINGS");
  ds->Open();
  classlib::TField* made = ds->FieldByName("CODE");
  EXPECT_EQ(made->DataType(), classlib::ftString);
  EXPECT_EQ(made->AsString(), "42");
  EXPECT_EQ(made->Name(), "ThingsCODE");
  EXPECT_EQ(made->DisplayLabel(), "Code");
  EXPECT_EQ(ds->FieldByName("ID"), id);  // unchanged fields stay as they are
  std::vector<std::string> order;
  for (classlib::TField* field : ds->Fields().List()) order.push_back(field->FieldName());
  EXPECT_EQ(order, (std::vector<std::string>{"ID", "CODE", "TWICE"}));
  EXPECT_EQ(ds->FieldByName("TWICE")->AsInteger(), 2);
  ds->Close();
}

}  // namespace
}  // namespace fib
