// The memory data set driven through the class library's data-set protocol
// over a store filled by hand: browsing, field values both ways, editing,
// bookmarks, filters, searching, lookups, blobs and field definitions.
#include <gtest/gtest.h>

#include "classlib/field.h"
#include "classlib/field_blob.h"
#include "classlib/field_defs.h"
#include "classlib/field_string.h"
#include "classlib/fields.h"
#include "classlib/stream.h"
#include "dacore/messages.h"
#include "memds_fixture.h"
#include "object_types_fixture.h"

namespace dacore::testing {
namespace {

using namespace classlib;

TEST(MemDataSet, BrowsesTheStoreRowsWithTheirFieldTypes) {
  auto ds = OpenPeople();
  EXPECT_EQ(ds->RecordCount(), 3);
  EXPECT_EQ(ds->FieldByName("ID")->DataType(), ftInteger);
  EXPECT_EQ(ds->FieldByName("NAME")->DataType(), ftString);
  EXPECT_EQ(ds->FieldByName("NAME")->Size(), 20);
  EXPECT_EQ(ds->FieldByName("SMALL")->DataType(), ftSmallint);
  EXPECT_EQ(ds->FieldByName("BIG")->DataType(), ftLargeint);
  EXPECT_EQ(ds->FieldByName("NOTE")->DataType(), ftMemo);
  EXPECT_EQ(ds->FieldDefs().Find("ID")->Precision(), 9);

  EXPECT_EQ(Names(*ds), "Ann;Bob;Cid;");
  ds->Last();
  EXPECT_EQ(ds->RecNo(), 3);
  ds->Prior();
  EXPECT_EQ(ds->FieldByName("CITY")->AsString(), "Rome");
  EXPECT_EQ(ds->RecNo(), 2);
  EXPECT_TRUE(ds->FieldByName("NOTE")->IsNull());
  ds->SetRecNo(1);
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "Ann");
  EXPECT_DOUBLE_EQ(ds->FieldByName("AMOUNT")->AsFloat(), 10.5);
  EXPECT_EQ(ds->FieldByName("NOTE")->AsString(), "first note");
}

// A one-byte column widens with its sign and an unsigned 32-bit one without
// it; a value the column cannot hold is refused rather than cut to its low
// bytes.
TEST(MemDataSet, NarrowIntegerColumnsKeepTheirValuesAndRefuseOverflow) {
  auto ds = OpenPeople();
  ds->First();
  TField* small = ds->FieldByName("SMALL");
  TField* big = ds->FieldByName("BIG");
  EXPECT_EQ(small->AsInteger(), -5);
  EXPECT_EQ(big->AsLargeInt(), 4000000000LL);
  ds->Last();
  EXPECT_EQ(small->AsInteger(), 127);

  ds->Edit();
  EXPECT_NE(ErrorOf([&] { small->SetAsInteger(300); }), "no error");
  const int16_t raw = 300;
  EXPECT_NE(ErrorOf([&] { small->SetData(&raw); }).find("is not a valid value"), std::string::npos);
  const int64_t negative = -1;
  EXPECT_NE(ErrorOf([&] { big->SetData(&negative); }).find("is not a valid value"), std::string::npos);
  small->SetAsInteger(-128);
  big->SetAsLargeInt(4294967295LL);
  ds->Post();
  EXPECT_EQ(small->AsInteger(), -128);
  EXPECT_EQ(big->AsLargeInt(), 4294967295LL);
  Variant stored;
  ds->store().GetFieldAsVariant(4, ds->ActiveBuffer(), stored);
  EXPECT_EQ(stored.AsInteger(), -128);
}

// Values written through the fields land in the store in its own forms
// (dates as date-time numbers, BCD scaled, wide text as UTF-16) and read
// back unchanged.
TEST(MemDataSet, ValuesOfEveryKindTravelBetweenFieldAndStore) {
  auto store = std::make_unique<THandStore>(std::vector<TypedField>{
      {{"BORN", dtDate, 8}}, {{"SEEN", dtDateTime, 8}}, {{"OK", dtBoolean, 2}}, {{"PRICE", dtBcd, 8, 10, 2}},
      {{"WIDE", dtWideString, 22, 10}}, {{"HUGE", dtInt64, 8}}, {{"WORD", dtUInt16, 2}},
      {{"RAW", dtBytes, 3, 3}}, {{"VAR", dtVarBytes, 6, 4}}});
  store->Open();
  TTestMemDataSet ds(std::move(store));
  ds.Open();
  const TDateTime born = EncodeDate(1990, 5, 17);
  const TDateTime seen = EncodeDate(2024, 2, 29) + EncodeTime(13, 45, 10, 250);
  ds.Append();
  ds.FieldByName("BORN")->SetAsDateTime(born);
  ds.FieldByName("SEEN")->SetAsDateTime(seen);
  ds.FieldByName("OK")->SetAsBoolean(true);
  ds.FieldByName("PRICE")->SetAsCurrency(Currency::FromScaled(123400));
  ds.FieldByName("WIDE")->SetAsWideString(u"Привет, мир!");
  ds.FieldByName("HUGE")->SetAsLargeInt(-9000000000LL);
  ds.FieldByName("WORD")->SetAsInteger(65535);
  ds.FieldByName("RAW")->SetAsString("abc");
  ds.FieldByName("VAR")->SetAsString("xy");
  ds.Post();

  EXPECT_DOUBLE_EQ(ds.FieldByName("BORN")->AsDateTime(), born);
  EXPECT_NEAR(ds.FieldByName("SEEN")->AsDateTime(), seen, 1e-8);
  EXPECT_TRUE(ds.FieldByName("OK")->AsBoolean());
  EXPECT_EQ(ds.FieldByName("PRICE")->AsCurrency(), Currency::FromScaled(123400));
  EXPECT_EQ(ds.FieldByName("WIDE")->AsWideString(), u"Привет, ми");  // cut to 10 characters
  EXPECT_EQ(ds.FieldByName("HUGE")->AsLargeInt(), -9000000000LL);
  EXPECT_EQ(ds.FieldByName("WORD")->AsInteger(), 65535);
  EXPECT_EQ(ds.FieldByName("VAR")->AsString(), "xy");

  TRecBuf row = ItemRecord(ds.store().FirstItem());
  Variant value;
  ds.store().GetFieldAsVariant(1, row, value);
  EXPECT_DOUBLE_EQ(value.AsDate(), born);
  ds.store().GetFieldAsVariant(4, row, value);
  EXPECT_EQ(value.AsCurrency(), Currency::FromScaled(123400));
  ds.store().GetFieldAsVariant(5, row, value);
  EXPECT_EQ(VarToWideStr(value), u"Привет, ми");
  EXPECT_TRUE(ds.LocateEx({ds.FieldByName("BORN")}, Variant::FromDate(born), 0));
  EXPECT_TRUE(ds.Locate("WIDE", Variant(WideString(u"привет, МИ")), {loCaseInsensitive}));
  ds.Close();
}

TEST(MemDataSet, EditPostAndCancelChangeTheStoreOnlyOnPost) {
  auto ds = OpenPeople();
  ds->First();
  ds->Edit();
  ds->FieldByName("NAME")->SetAsString("Anna");
  EXPECT_EQ(ds->FieldByName("NAME")->OldValue().AsString(), "Ann");
  ds->Cancel();
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "Ann");

  ds->Edit();
  ds->FieldByName("NAME")->SetAsString("Anna");
  ds->FieldByName("CITY")->Clear();
  ds->Post();
  EXPECT_EQ(ds->updates, 1);
  EXPECT_EQ(Names(*ds), "Anna;Bob;Cid;");
  ds->First();
  EXPECT_TRUE(ds->FieldByName("CITY")->IsNull());

  // Writing outside an edit, or a read-only field, is refused.
  EXPECT_EQ(ErrorOf([&] { ds->FieldByName("NAME")->SetAsString("x"); }), "Dataset not in edit or insert mode");
  ds->FieldByName("ID")->SetReadOnly(true);
  ds->Edit();
  EXPECT_EQ(ErrorOf([&] { ds->FieldByName("ID")->SetAsInteger(9); }), "Field 'ID' cannot be modified");
  ds->Cancel();
}

TEST(MemDataSet, InsertAppendAndDeleteKeepTheOrderAndCount) {
  auto ds = OpenPeople();
  ds->SetRecNo(2);
  ds->Insert();
  EXPECT_TRUE(VarIsNull(ds->FieldByName("NAME")->OldValue()));
  ds->FieldByName("ID")->SetAsInteger(4);
  ds->FieldByName("NAME")->SetAsString("Dan");
  ds->Post();
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "Dan");
  EXPECT_EQ(ds->RecNo(), 2);
  ds->Append();
  ds->FieldByName("NAME")->SetAsString("Eve");
  ds->FieldByName("NOTE")->SetAsString("appended");
  ds->Post();
  EXPECT_EQ(ds->inserts, 2);
  EXPECT_EQ(ds->RecordCount(), 5);
  EXPECT_EQ(Names(*ds), "Ann;Dan;Bob;Cid;Eve;");
  ds->Last();
  EXPECT_EQ(ds->FieldByName("NOTE")->AsString(), "appended");

  // A cancelled insert leaves nothing behind.
  ds->Insert();
  ds->FieldByName("NAME")->SetAsString("Gone");
  ds->FieldByName("NOTE")->SetAsString("gone too");
  ds->Cancel();
  EXPECT_EQ(ds->RecordCount(), 5);

  ds->SetRecNo(3);
  ds->Delete();
  EXPECT_EQ(ds->deletes, 1);
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "Cid");
  EXPECT_EQ(Names(*ds), "Ann;Dan;Cid;Eve;");
  while (!ds->IsEmpty()) ds->Delete();
  EXPECT_EQ(ds->RecordCount(), 0);
  ds->Insert();
  ds->FieldByName("NAME")->SetAsString("Only");
  ds->Post();
  EXPECT_EQ(Names(*ds), "Only;");
}

// Heap strings, Variants and blobs of an edited record belong to it until
// the post: a cancel leaves the row's values as they were, and an edit or
// insert that is never finished frees what it held (the leak checker
// watches).
TEST(MemDataSet, ComplexValuesOfAnEditComeBackOnCancelAndAreNeverLost) {
  auto ds = OpenPeople();
  ds->First();
  TField* tag = ds->FieldByName("TAG");
  TField* any = ds->FieldByName("ANY");
  TField* note = ds->FieldByName("NOTE");
  EXPECT_EQ(any->DataType(), ftVariant);
  ds->Edit();
  tag->SetAsString("red");
  any->SetAsInteger(42);
  ds->Post();
  ds->Edit();
  tag->SetAsString("blue");
  any->SetAsString("text");
  EXPECT_EQ(tag->OldValue().AsString(), "red");
  ds->Cancel();
  EXPECT_EQ(tag->AsString(), "red");
  EXPECT_EQ(any->AsInteger(), 42);

  // Clearing an edited record empties every field; a cancel brings them back.
  ds->Edit();
  ds->ClearFields();
  EXPECT_TRUE(tag->IsNull());
  EXPECT_TRUE(any->IsNull());
  EXPECT_TRUE(note->IsNull());
  ds->Cancel();
  EXPECT_EQ(note->AsString(), "first note");
  EXPECT_EQ(tag->AsString(), "red");
  ds->Edit();
  ds->ClearFields();
  ds->Post();
  EXPECT_TRUE(note->IsNull());
  EXPECT_TRUE(tag->IsNull());

  ds->Last();
  ds->Edit();
  tag->SetAsString("left open");
  note->SetAsString("left open too");
  auto other = OpenPeople();
  other->Append();
  other->FieldByName("TAG")->SetAsString("new");
  other->FieldByName("NOTE")->SetAsString("new note");
  other->FieldByName("ANY")->SetAsString("new value");
}

TEST(MemDataSet, LocalUpdateRunsNoStatementHooks) {
  auto ds = OpenPeople();
  ds->SetLocalUpdate(true);
  ds->First();
  ds->Edit();
  ds->FieldByName("NAME")->SetAsString("Al");
  ds->Post();
  ds->Append();
  ds->Post();
  ds->Delete();
  EXPECT_EQ(ds->inserts + ds->updates + ds->deletes, 0);
  EXPECT_EQ(Names(*ds), "Al;Bob;Cid;");
}

TEST(MemDataSet, AFailingStatementHookLeavesTheEditOpenAndTheRowUnchanged) {
  auto ds = OpenPeople();
  ds->First();
  ds->Edit();
  ds->FieldByName("NAME")->SetAsString("Al");
  ds->fail_hooks = 1;
  EXPECT_EQ(ErrorOf([&] { ds->Post(); }), "statement failed");
  EXPECT_EQ(ds->State(), dsEdit);
  Variant stored;
  ds->store().GetFieldAsVariant(2, ItemRecord(ds->store().FirstItem()), stored);
  EXPECT_EQ(stored.AsString(), "Ann");
  ds->Post();
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "Al");
}

TEST(MemDataSet, BookmarksReturnToTheirRows) {
  auto ds = OpenPeople();
  ds->SetRecNo(2);
  TBookmark bob = ds->GetBookmark();
  ds->Last();
  TBookmark cid = ds->GetBookmark();
  EXPECT_TRUE(ds->BookmarkValid(bob));
  EXPECT_EQ(ds->CompareBookmarks(bob, cid), -1);
  EXPECT_EQ(ds->CompareBookmarks(cid, bob), 1);
  EXPECT_EQ(ds->CompareBookmarks(bob, bob), 0);
  EXPECT_EQ(ds->CompareBookmarks({}, bob), 1);
  ds->GotoBookmark(bob);
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "Bob");
  // A row inserted before it does not move the bookmark off its row.
  ds->First();
  ds->Insert();
  ds->FieldByName("NAME")->SetAsString("Zed");
  ds->Post();
  ds->GotoBookmark(bob);
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "Bob");
  EXPECT_EQ(ds->RecNo(), 3);
}

TEST(MemDataSet, FiltersByTextAndByHandler) {
  auto ds = OpenPeople();
  ds->SetFilter("CITY = 'oslo'");
  ds->SetFilterOptions({foCaseInsensitive});
  EXPECT_EQ(ds->RecordCount(), 3);  // not yet filtered
  ds->SetFiltered(true);
  EXPECT_EQ(ds->RecordCount(), 2);
  EXPECT_EQ(Names(*ds), "Ann;Cid;");
  ds->SetFilterOptions({});
  EXPECT_EQ(ds->RecordCount(), 0);
  ds->SetFilter("");
  int calls = 0;
  ds->SetOnFilterRecord(TFilterRecordEvent::Function([&calls](TDataSet* data_set, bool& accept) {
    ++calls;
    accept = data_set->FieldByName("ID")->AsInteger() != 2;
  }));
  EXPECT_EQ(Names(*ds), "Ann;Cid;");
  EXPECT_GT(calls, 0);
  // Each row read carries its number among the rows shown, not in the store.
  ds->Last();
  EXPECT_EQ(ds->RecNo(), 2);
  ds->First();
  ds->Next();
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "Cid");
  EXPECT_EQ(ds->RecNo(), 2);
  ds->SetFiltered(false);
  EXPECT_EQ(Names(*ds), "Ann;Bob;Cid;");
}

// A posted row that leaves the filter leaves the view, and a row posted
// under a sort order takes its place in it.
TEST(MemDataSet, PostedRowsFollowTheFilterAndTheSortOrder) {
  auto ds = OpenPeople();
  ds->SetFilter("CITY = 'Oslo'");
  ds->SetFiltered(true);
  ds->First();
  ds->Edit();
  ds->FieldByName("CITY")->SetAsString("Rome");
  ds->Post();
  EXPECT_EQ(ds->RecordCount(), 1);
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "Cid");
  ds->SetFiltered(false);

  ds->SetIndexFieldNames("NAME DESC");
  EXPECT_EQ(Names(*ds), "Cid;Bob;Ann;");
  ds->Append();
  ds->FieldByName("NAME")->SetAsString("Bea");
  ds->Post();
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "Bea");
  EXPECT_EQ(ds->RecNo(), 3);
  ds->First();
  ds->Edit();
  ds->FieldByName("NAME")->SetAsString("Aaron");
  ds->Post();
  EXPECT_EQ(Names(*ds), "Bob;Bea;Ann;Aaron;");
}

TEST(MemDataSet, AFilterSetBeforeOpeningHoldsFromTheFirstRecord) {
  auto store = std::make_unique<THandStore>(PeopleFields());
  store->Open();
  for (int id = 1; id <= 4; ++id) AddRow(*store, {Variant(id), Variant(std::string(1, static_cast<char>('A' + id)))});
  TTestMemDataSet ds(std::move(store));
  ds.SetOnFilterRecord(TFilterRecordEvent::Function(
      [](TDataSet* data_set, bool& accept) { accept = data_set->FieldByName("ID")->AsInteger() % 2 == 0; }));
  ds.SetFiltered(true);
  ds.Open();
  EXPECT_EQ(ds.RecordCount(), 2);
  EXPECT_EQ(Names(ds), "C;E;");
  ds.Close();
}

TEST(MemDataSet, LocateFindsByOneOrSeveralKeysAndStaysPutOtherwise) {
  auto ds = OpenPeople();
  EXPECT_TRUE(ds->Locate("NAME", Variant("Bob"), {}));
  EXPECT_EQ(ds->RecNo(), 2);
  EXPECT_TRUE(ds->Found());
  EXPECT_TRUE(ds->Locate("NAME", Variant("cid"), {loCaseInsensitive}));
  EXPECT_EQ(ds->RecNo(), 3);
  EXPECT_TRUE(ds->Locate("NAME", Variant("A"), {loPartialKey}));
  EXPECT_EQ(ds->RecNo(), 1);
  EXPECT_TRUE(ds->Locate("CITY;ID", VarArrayOf({Variant("Oslo"), Variant(3)}), {}));
  EXPECT_EQ(ds->RecNo(), 3);
  EXPECT_FALSE(ds->Locate("NAME", Variant("Nobody"), {}));
  EXPECT_EQ(ds->RecNo(), 3);
  EXPECT_FALSE(ds->Locate("NOSUCH;OTHER", Variant(1), {}));
  EXPECT_EQ(ds->RecNo(), 3);
  // The nearest record: the first whose value is not below the key.
  EXPECT_TRUE(ds->LocateEx({ds->FieldByName("AMOUNT")}, Variant(15.0), lxNearest));
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "Bob");
  // A Null key finds a null field only.
  EXPECT_TRUE(ds->Locate("NOTE", Null(), {}));
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "Bob");
}

// Keys that begin with the sort columns are searched by halving; the rest
// of the keys then decide within the run of equal sort keys.
TEST(MemDataSet, LocateOverTheSortOrderFindsTheFirstMatchInThatOrder) {
  auto store = std::make_unique<THandStore>(PeopleFields());
  store->Open();
  const char* rows[][2] = {{"Kim", "Rome"}, {"Ann", "Oslo"}, {"Kim", "Oslo"}, {"Bo", "Rome"}, {"Kim", "Pisa"},
                           {"Al", "Oslo"}};
  int id = 0;
  for (auto& row : rows) AddRow(*store, {Variant(++id), Variant(row[0]), Variant(row[1])});
  TTestMemDataSet ds(std::move(store));
  ds.SetIndexFieldNames("NAME");
  ds.Open();
  EXPECT_EQ(Names(ds), "Al;Ann;Bo;Kim;Kim;Kim;");
  EXPECT_TRUE(ds.Locate("NAME;CITY", VarArrayOf({Variant("Kim"), Variant("Oslo")}), {}));
  EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), 3);
  EXPECT_TRUE(ds.Locate("NAME;CITY", VarArrayOf({Variant("Al"), Variant("Oslo")}), {}));
  EXPECT_EQ(ds.RecNo(), 1);
  EXPECT_TRUE(ds.Locate("NAME", Variant("Kim"), {}));
  EXPECT_EQ(ds.RecNo(), 4);
  EXPECT_FALSE(ds.Locate("NAME;CITY", VarArrayOf({Variant("Kim"), Variant("Bonn")}), {}));
  EXPECT_FALSE(ds.Locate("NAME", Variant("Zoe"), {}));
  EXPECT_EQ(ds.RecNo(), 4);

  ds.Close();
}

// The last row filtered out: record numbers and the search by halving over
// the sort order still reach every visible row.
TEST(MemDataSet, RecordNumbersAndLocateReachEveryRowWhenTheLastIsFilteredOut) {
  auto store = std::make_unique<THandStore>(std::vector<TypedField>{{{"V", dtInt32, 4, 9}}});
  store->Open();
  for (int v : {10, 20, 30, 40}) AddRow(*store, {Variant(v)});
  TTestMemDataSet ds(std::move(store));
  ds.SetIndexFieldNames("V");
  ds.SetFilter("V < 40");
  ds.SetFiltered(true);
  ds.Open();
  ASSERT_EQ(ds.RecordCount(), 3);
  ds.SetRecNo(3);
  EXPECT_EQ(ds.FieldByName("V")->AsInteger(), 30);
  for (int v : {10, 20, 30}) {
    EXPECT_TRUE(ds.Locate("V", Variant(v), {})) << v;
    EXPECT_EQ(ds.FieldByName("V")->AsInteger(), v);
  }
  EXPECT_FALSE(ds.Locate("V", Variant(40), {}));
  ds.Close();
}

TEST(MemDataSet, LookupAnswersWithoutMovingAndServesLookupFields) {
  auto cities = std::make_unique<THandStore>(
      std::vector<TypedField>{{{"CODE", dtString, 11, 10}}, {{"TITLE", dtString, 21, 20}}});
  cities->Open();
  AddRow(*cities, {Variant("Oslo"), Variant("Capital of Norway")});
  AddRow(*cities, {Variant("Rome"), Variant("Capital of Italy")});
  TTestMemDataSet city_set(std::move(cities));
  city_set.Open();
  city_set.Last();
  EXPECT_EQ(city_set.Lookup("CODE", Variant("Oslo"), "TITLE").AsString(), "Capital of Norway");
  EXPECT_TRUE(VarIsNull(city_set.Lookup("CODE", Variant("Paris"), "TITLE")));
  Variant both = city_set.Lookup("CODE", Variant("Rome"), "CODE;TITLE");
  EXPECT_EQ(VarArrayGet(both, {1}).AsString(), "Capital of Italy");
  EXPECT_EQ(city_set.RecNo(), 2);

  auto people = std::make_unique<THandStore>(PeopleFields());
  people->Open();
  AddRow(*people, {Variant(1), Variant("Ann"), Variant("Oslo")});
  AddRow(*people, {Variant(2), Variant("Bob"), Variant("Paris")});
  TTestMemDataSet ds(std::move(people));
  ds.FieldDefs().Update();
  for (int i = 0; i < ds.FieldDefs().Count(); ++i) ds.FieldDefs().Items(i)->CreateField(&ds);
  auto* title = new TStringField(&ds);
  title->SetFieldName("CITY_TITLE");
  title->SetSize(20);
  title->SetFieldKind(fkLookup);
  title->SetLookupDataSet(&city_set);
  title->SetKeyFields("CITY");
  title->SetLookupKeyFields("CODE");
  title->SetLookupResultField("TITLE");
  title->SetDataSet(&ds);
  ds.Open();
  ds.First();
  EXPECT_EQ(title->AsString(), "Capital of Norway");
  ds.Next();
  EXPECT_TRUE(title->IsNull());
  EXPECT_EQ(city_set.RecNo(), 2);
  ds.Close();
}

TEST(MemDataSet, BlobsAreReadAndWrittenThroughStreamsAndTBlob) {
  auto ds = OpenPeople();
  ds->First();
  auto* note = static_cast<TBlobField*>(ds->FieldByName("NOTE"));
  TBlob* blob = ds->GetBlob("NOTE");
  ASSERT_NE(blob, nullptr);
  EXPECT_EQ(blob->GetAsString(), "first note");
  EXPECT_EQ(ds->GetBlob(note), blob);
  EXPECT_EQ(ErrorOf([&] { ds->GetBlob("NAME"); }), SNeedBlobType);

  {
    std::unique_ptr<TStream> stream = ds->CreateBlobStream(note, bmRead);
    EXPECT_EQ(stream->Size(), 10);
    stream->Seek(6, soFromBeginning);
    char part[8] = {};
    EXPECT_EQ(stream->Read(part, 7), 4);
    EXPECT_STREQ(part, "note");
    EXPECT_EQ(ErrorOf([&] { ds->CreateBlobStream(note, bmWrite); }), "Dataset not in edit or insert mode");
  }

  // Written in an edit: a cancel takes the old content back, a post keeps it.
  ds->Edit();
  note->SetAsString("rewritten");
  EXPECT_EQ(note->OldValue().AsString(), "first note");
  ds->Cancel();
  EXPECT_EQ(note->AsString(), "first note");
  ds->Edit();
  {
    std::unique_ptr<TStream> stream = ds->CreateBlobStream(note, bmReadWrite);
    stream->Seek(0, soFromEnd);
    stream->WriteBuffer(", amended", 9);
    stream->Seek(0, soFromBeginning);
    stream->WriteBuffer("F", 1);
  }
  EXPECT_TRUE(note->Modified());
  ds->Post();
  EXPECT_EQ(note->AsString(), "First note, amended");
  {
    ds->Edit();
    std::unique_ptr<TStream> stream = ds->CreateBlobStream(note, bmReadWrite);
    stream->SetSize(5);
  }
  ds->Post();
  EXPECT_EQ(ds->GetBlob("NOTE")->GetAsString(), "First");
  ds->Edit();
  note->Clear();
  ds->Post();
  EXPECT_TRUE(note->IsNull());

  // No record, no blob.
  while (!ds->IsEmpty()) ds->Delete();
  EXPECT_EQ(ds->GetBlob("NOTE"), nullptr);
}

// Object and array columns become definitions with child definitions, one
// per attribute and element; a child whose qualified name is taken by a
// top-level definition gets a numbered name.
TEST(MemDataSet, FieldDefinitionsFollowTheDescriptions) {
  PersonTypes types;
  TObjectType* phones = new CountedType(&types.destroyed);
  phones->SetName("PHONES");
  phones->SetDataType(dtArray);
  phones->SetSize(3);
  AddAttribute(phones, "ELEMENT", dtString, nullptr, 12);
  auto store = std::make_unique<THandStore>(std::vector<TypedField>{
      {{"EMPTY", dtString, 1, 0}},
      {{"NUM", dtInt32, 4, 7}},
      {{"ADDR", dtObject, sizeof(void*)}, types.address},
      {{"TEL.0", dtString, 11, 10}},
      {{"TEL", dtArray, sizeof(void*)}, phones}});
  store->Open();
  store->FieldByName("NUM")->SetReadOnly(true);
  TTestMemDataSet ds(std::move(store));
  ds.FieldDefs().Update();
  EXPECT_EQ(ds.FieldDefs().Find("EMPTY")->Size(), 1);
  EXPECT_EQ(ds.FieldDefs().Find("NUM")->Size(), 0);
  EXPECT_EQ(ds.FieldDefs().Find("NUM")->Precision(), 7);
  EXPECT_TRUE(ds.FieldDefs().Find("NUM")->Attributes().Contains(faReadonly));
  TFieldDef* addr = ds.FieldDefs().Find("ADDR");
  EXPECT_EQ(addr->DataType(), ftADT);
  ASSERT_EQ(addr->ChildDefs().Count(), 2);
  EXPECT_EQ(addr->ChildDefs().Items(0)->Name(), "STREET");
  EXPECT_EQ(addr->ChildDefs().Items(0)->Size(), 40);
  TFieldDef* tel = ds.FieldDefs().Find("TEL");
  EXPECT_EQ(tel->DataType(), ftArray);
  ASSERT_EQ(tel->ChildDefs().Count(), 3);
  EXPECT_EQ(tel->ChildDefs().Items(0)->Name(), "0_1");
  EXPECT_EQ(tel->ChildDefs().Items(1)->Name(), "1");
  EXPECT_EQ(ds.FieldDefs().Count(), 5);

  // The child fields read their values through their own descriptions.
  ds.Open();
  ds.Append();
  ds.FieldByName("EMPTY")->SetAsString("");
  ds.Post();
  TField* street = ds.FindField("ADDR.STREET");
  ASSERT_NE(street, nullptr);
  EXPECT_EQ(ds.GetFieldDesc(street)->ActualName(), "ADDR.STREET");
  EXPECT_TRUE(street->IsNull());
  ds.Close();
  phones->Release();
}

}  // namespace
}  // namespace dacore::testing
