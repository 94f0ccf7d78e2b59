// Field values the memory data set lets its fields read straight from the
// browsed record, and the texts, byte strings and dates it copies from the
// record without the store's work copy: what they give must stay what the
// store gives, row after row, edit after edit, and inside cached-update
// handlers, whose record is not the browsed one.
#include <gtest/gtest.h>

#include "classlib/field.h"
#include "classlib/field_numeric.h"
#include "classlib/field_string.h"
#include "memds_fixture.h"

namespace dacore::testing {
namespace {

using namespace classlib;

TEST(MemDataSetDirectReads, ReadsFollowScrollsEditsAndNulls) {
  auto ds = OpenPeople();
  TField* id = ds->FieldByName("ID");
  TField* amount = ds->FieldByName("AMOUNT");
  EXPECT_GE(id->DirectSlot().offset, 0);
  EXPECT_GE(amount->DirectSlot().offset, 0);
  // Types the data set converts (the widened one-byte integer) keep its path.
  EXPECT_LT(ds->FieldByName("SMALL")->DirectSlot().offset, 0);

  ds->First();
  EXPECT_EQ(id->AsInteger(), 1);
  ds->Next();
  EXPECT_EQ(id->AsInteger(), 2);
  EXPECT_DOUBLE_EQ(amount->AsFloat(), 20.0);
  ds->Prior();
  EXPECT_DOUBLE_EQ(amount->AsFloat(), 10.5);

  // Read, then edited: the edit shows while editing, after a cancel the
  // stored value again, after the post the new one, also once scrolled back.
  ds->Edit();
  amount->SetAsFloat(99.25);
  EXPECT_DOUBLE_EQ(amount->AsFloat(), 99.25);
  ds->Cancel();
  EXPECT_DOUBLE_EQ(amount->AsFloat(), 10.5);
  ds->Edit();
  amount->Clear();
  ds->Post();
  EXPECT_TRUE(amount->IsNull());
  ds->Next();
  EXPECT_FALSE(amount->IsNull());
  ds->Prior();
  EXPECT_TRUE(amount->IsNull());
  EXPECT_EQ(id->AsInteger(), 1);

  // OnValidate reads the value being validated, also while a record is
  // browsed; after it the record's value again, also when it raised.
  ds->Next();
  double seen = 0;
  amount->SetOnValidate(TFieldNotifyEvent::Function([&](TField* field) {
    seen = field->AsFloat();
    if (seen < 0) throw EDatabaseError("negative");
  }));
  double value = 3.25;
  amount->Validate(&value);
  EXPECT_DOUBLE_EQ(seen, 3.25);
  EXPECT_DOUBLE_EQ(amount->AsFloat(), 20.0);
  value = -1;
  EXPECT_THROW(amount->Validate(&value), EDatabaseError);
  EXPECT_DOUBLE_EQ(amount->AsFloat(), 20.0);
  ds->Edit();
  amount->SetAsFloat(7.5);
  EXPECT_DOUBLE_EQ(seen, 7.5);
  ds->Post();
  EXPECT_DOUBLE_EQ(amount->AsFloat(), 7.5);
}

TEST(MemDataSetDirectReads, CachedUpdateHandlersReadTheRecordBeingApplied) {
  auto ds = OpenPeople();
  ds->Close();
  ds->SetCachedUpdates(true);
  ds->store().Open();
  AddRow(ds->store(), {Variant(1), Variant("Ann"), Variant("Oslo"), Null(), Null(), Null(), Variant(10.0)});
  AddRow(ds->store(), {Variant(2), Variant("Bob"), Variant("Rome"), Null(), Null(), Null(), Variant(20.0)});
  AddRow(ds->store(), {Variant(3), Variant("Cid"), Variant("Oslo"), Null(), Null(), Null(), Variant(30.0)});
  ds->Open();
  ds->First();
  ds->Edit();
  ds->FieldByName("AMOUNT")->SetAsFloat(11.0);
  ds->Post();
  ds->Next();
  ds->Delete();  // a delete is applied in browse state
  ds->Last();
  ds->Edit();
  ds->FieldByName("ID")->SetAsInteger(33);
  ds->Post();
  ds->First();  // browsing Ann while Bob's and Cid's changes are applied
  std::vector<std::string> seen;
  ds->SetOnUpdateRecord(TUpdateRecordEvent::Function([&](TDataSet* data_set, TUpdateKind, TUpdateAction& action) {
    seen.push_back(data_set->FieldByName("ID")->AsString() + "/" + data_set->FieldByName("AMOUNT")->AsString() + "/" +
                   data_set->FieldByName("NAME")->AsString() + "/" + data_set->FieldByName("TAG")->AsString());
    action = uaApplied;
  }));
  ds->ApplyUpdates();
  EXPECT_EQ(seen, (std::vector<std::string>{"1/11/Ann/", "2/20/Bob/", "33/30/Cid/"}));
  // The slots are back once the updates are applied.
  EXPECT_GE(ds->FieldByName("ID")->DirectSlot().offset, 0);
  ds->Last();
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 33);
}

// Texts, heap texts, byte strings and dates read from the record without the
// store's copy give what the store gives, cut to what the field holds.
TEST(MemDataSetDirectReads, CopiedValuesMatchTheStoresRead) {
  auto store = std::make_unique<THandStore>(std::vector<TypedField>{
      {{"NAME", dtString, 9, 8}}, {{"TAG", dtHeapString, sizeof(void*), 4}}, {{"VAR", dtVarBytes, 6, 4}},
      {{"SEEN", dtDateTime, 8}}, {{"BORN", dtDate, 8}}, {{"CODE", dtString, 7, 6}}});
  store->Open();
  store->Fields().GetItems(5)->SetFixed(true);
  const TDateTime seen = EncodeDate(2024, 2, 29) + EncodeTime(13, 45, 10, 250);
  AddRow(*store, {Variant("Ann  "), Variant("abcdef"), Null(), Variant::FromDate(seen),
                  Variant::FromDate(EncodeDate(1990, 5, 17)), Variant("ab    ")});
  AddRow(*store, {Variant("Bob"), Variant("q"), Null(), Null(), Null(), Variant("a c  d")});
  TTestMemDataSet ds(std::move(store));
  ds.Open();
  ds.First();
  ds.Edit();
  ds.FieldByName("VAR")->SetAsString("xy");
  ds.Post();
  EXPECT_EQ(ds.FieldByName("NAME")->AsString(), "Ann  ");
  EXPECT_EQ(ds.FieldByName("TAG")->AsString(), "abcd");  // no longer than the column's length
  EXPECT_EQ(ds.FieldByName("VAR")->AsString(), "xy");
  EXPECT_NEAR(ds.FieldByName("SEEN")->AsDateTime(), seen, 1e-8);
  EXPECT_DOUBLE_EQ(ds.FieldByName("BORN")->AsDateTime(), EncodeDate(1990, 5, 17));
  ds.Next();
  EXPECT_EQ(ds.FieldByName("NAME")->AsString(), "Bob");
  EXPECT_EQ(ds.FieldByName("TAG")->AsString(), "q");
  EXPECT_TRUE(ds.FieldByName("VAR")->IsNull());
  EXPECT_TRUE(ds.FieldByName("SEEN")->IsNull());
  EXPECT_EQ(ds.FieldByName("CODE")->AsString(), "a c  d");
  // Trimming is the store's, fixed and varying texts each by their setting.
  ds.First();
  EXPECT_EQ(ds.FieldByName("CODE")->AsString(), "ab    ");
  ds.store().SetTrimFixedChars(true);
  EXPECT_EQ(ds.FieldByName("CODE")->AsString(), "ab");
  EXPECT_EQ(ds.FieldByName("NAME")->AsString(), "Ann  ");
  ds.store().SetTrimVarChars(true);
  EXPECT_EQ(ds.FieldByName("NAME")->AsString(), "Ann");
  ds.Next();
  EXPECT_EQ(ds.FieldByName("CODE")->AsString(), "a c  d");
}

// Everything a field gives of the current record: null or not, its text,
// its bytes in both forms (a buffer prefilled, so that bytes written beyond
// the value show too) and, for a date-time, the value's bits.
std::string Reads(const TField& field) {
  std::string seen = field.IsNull() ? "null|" : "value|";
  seen += field.AsString() + "|";
  for (bool native : {true, false}) {
    std::vector<uint8_t> buffer(static_cast<std::size_t>(field.DataSize()) + 8, 0xA5);
    seen += field.GetData(buffer.data(), native) ? "+" : "-";
    seen.append(buffer.begin(), buffer.end());
  }
  if (field.DataType() == ftDateTime) {
    const double value = field.AsDateTime();
    seen.append(reinterpret_cast<const char*>(&value), sizeof value);
  }
  return seen;
}

// Reads every field of the current record straight from it and again with
// its slot taken away (the data set's own read): both must give the same.
void ExpectDirectReadsAsTheDataSets(TDataSet& ds, const std::string& where) {
  for (TField* field : ds.FieldList()) {
    const TField::TDirectSlot slot = field->DirectSlot();
    const std::string direct = Reads(*field);
    field->ClearDirectSlot();
    const std::string general = Reads(*field);
    field->SetDirectSlot(slot);
    EXPECT_EQ(direct, general) << field->FieldName() << " at " << where;
  }
}

// Texts (fixed and varying, inline and on the heap), byte strings and
// date-times read straight from the record give what the data set's read
// gives, whatever the trimming and line-end options, also switched while
// the data set is open, with null and empty texts and texts of the longest
// length, after scrolls, during an edit and after its cancel.
TEST(MemDataSetDirectReads, TextsBytesAndDatesReadAsTheDataSetReadsThem) {
  auto owned = std::make_unique<THandStore>(std::vector<TypedField>{
      {{"NAME", dtString, 9, 8}}, {{"TAG", dtHeapString, sizeof(void*), 4}}, {{"VAR", dtVarBytes, 6, 4}},
      {{"SEEN", dtDateTime, 8}}, {{"CODE", dtString, 7, 6}}});
  THandStore& store = *owned;
  store.Open();
  store.Fields().GetItems(4)->SetFixed(true);
  store.SetEmptyStrAsValue(true);
  const TDateTime seen = EncodeDate(2024, 2, 29) + EncodeTime(13, 45, 10, 250);
  AddRow(store, {Variant("Ann  "), Variant("abcdef"), Null(), Variant::FromDate(seen), Variant("ab    ")});
  AddRow(store, {Null(), Null(), Null(), Null(), Null()});
  AddRow(store, {Variant("12345678"), Variant("wxyz"), Null(), Variant::FromDate(EncodeDate(1, 1, 1)),
                 Variant("abcdef")});
  AddRow(store, {Variant("a\nb \n"), Variant("x\ny"), Null(), Variant::FromDate(-0.75), Variant("c\nd  ")});
  AddRow(store, {Variant(""), Variant(""), Null(), Variant::FromDate(seen), Variant("")});
  TTestMemDataSet ds(std::move(owned));
  ds.Open();
  EXPECT_EQ(ds.FieldByName("NAME")->DirectSlot().form, TField::TDirectSlot::kTextForm);
  EXPECT_EQ(ds.FieldByName("CODE")->DirectSlot().form, TField::TDirectSlot::kTextForm);
  EXPECT_EQ(ds.FieldByName("TAG")->DirectSlot().form, TField::TDirectSlot::kTextPointerForm);
  EXPECT_EQ(ds.FieldByName("VAR")->DirectSlot().form, TField::TDirectSlot::kCountedBytesForm);
  EXPECT_EQ(ds.FieldByName("SEEN")->DirectSlot().form, TField::TDirectSlot::kDateTimeDaysForm);
  ds.First();
  ds.Edit();
  ds.FieldByName("VAR")->SetAsString("xy");
  ds.Post();
  ds.Next();
  ds.Next();
  ds.Edit();
  ds.FieldByName("VAR")->SetAsString("1234");
  ds.Post();
  for (int options = 0; options < 8; ++options) {
    store.SetTrimFixedChars((options & 1) != 0);
    store.SetTrimVarChars((options & 2) != 0);
    store.connection_flag = (options & 4) != 0;
    ds.SettleDirectTextRules();  // as a connection does when its ConvertEOL changes
    const std::string where = "options " + std::to_string(options);
    for (ds.First(); !ds.Eof(); ds.Next()) ExpectDirectReadsAsTheDataSets(ds, where + ", row " + std::to_string(ds.RecNo()));
    for (ds.Last(); !ds.Bof(); ds.Prior()) ExpectDirectReadsAsTheDataSets(ds, where + " backwards");
  }
  // Options switched while a record is shown hold for its next read.
  ds.First();
  store.connection_flag = false;
  ds.SettleDirectTextRules();
  store.SetTrimFixedChars(false);
  EXPECT_EQ(ds.FieldByName("CODE")->AsString(), "ab    ");
  store.SetTrimFixedChars(true);
  EXPECT_EQ(ds.FieldByName("CODE")->AsString(), "ab");
  ds.MoveBy(3);
  EXPECT_EQ(ds.FieldByName("NAME")->AsString(), "a\nb \n");
  store.connection_flag = true;
  ds.SettleDirectTextRules();
  EXPECT_EQ(ds.FieldByName("NAME")->AsString(), "a\r\nb \r\n");
  EXPECT_EQ(ds.FieldByName("TAG")->AsString(), "x\ny");  // heap texts are read as they are
  // An edit shows its own values; a cancel the stored ones again.
  ds.Edit();
  ds.FieldByName("NAME")->SetAsString("edited");
  ds.FieldByName("TAG")->SetAsString("ed");
  EXPECT_EQ(ds.FieldByName("NAME")->AsString(), "edited");
  EXPECT_EQ(ds.FieldByName("TAG")->AsString(), "ed");
  ExpectDirectReadsAsTheDataSets(ds, "edit");
  ds.Cancel();
  EXPECT_EQ(ds.FieldByName("TAG")->AsString(), "x\ny");
  ExpectDirectReadsAsTheDataSets(ds, "after the cancel");
}

// A walk reads calculated fields of every record it passes, forwards and
// backwards, and again after an edit of what they are computed from; a data
// set without calculated fields runs no OnCalcFields at all.
TEST(MemDataSetDirectReads, CalculatedFieldsFollowTheWalk) {
  auto store = std::make_unique<THandStore>(PeopleFields());
  store->Open();
  AddRow(*store, {Variant(1), Variant("Ann")});
  AddRow(*store, {Variant(2), Variant("Bob")});
  AddRow(*store, {Variant(3), Variant("Cid")});
  TTestMemDataSet ds(std::move(store));
  auto* id = new TIntegerField(&ds);
  id->SetFieldName("ID");
  id->SetDataSet(&ds);
  auto* name = new TStringField(&ds);
  name->SetSize(20);
  name->SetFieldName("NAME");
  name->SetDataSet(&ds);
  auto* label = new TStringField(&ds);
  label->SetSize(30);
  label->SetFieldName("LABEL");
  label->SetFieldKind(classlib::fkCalculated);
  label->SetDataSet(&ds);
  int calcs = 0;
  ds.SetOnCalcFields(TDataSetNotifyEvent::Function([&](TDataSet*) {
    ++calcs;
    label->SetAsString(name->AsString() + "#" + id->AsString());
  }));
  ds.Open();
  std::string walked;
  for (ds.First(); !ds.Eof(); ds.Next()) walked += label->AsString() + ";";
  for (ds.Last(); !ds.Bof(); ds.Prior()) walked += label->AsString() + ";";
  EXPECT_EQ(walked, "Ann#1;Bob#2;Cid#3;Cid#3;Bob#2;Ann#1;");
  EXPECT_GE(calcs, 6);
  ds.First();
  ds.Edit();
  name->SetAsString("Zed");
  EXPECT_EQ(label->AsString(), "Zed#1");
  ds.Post();
  ds.Next();
  EXPECT_EQ(label->AsString(), "Bob#2");
  ds.Prior();
  EXPECT_EQ(label->AsString(), "Zed#1");

  auto plain = OpenPeople();
  int plain_calcs = 0;
  plain->SetOnCalcFields(TDataSetNotifyEvent::Function([&](TDataSet*) { ++plain_calcs; }));
  EXPECT_EQ(Names(*plain), "Ann;Bob;Cid;");
  EXPECT_EQ(plain_calcs, 0);
}

}  // namespace
}  // namespace dacore::testing
