// Calculated and lookup fields, filters, and what data links hear.
#include <gtest/gtest.h>

#include "classlib/data_link.h"
#include "classlib/field_numeric.h"
#include "classlib/field_string.h"
#include "classlib/fields.h"
#include "testing/dataset_test_table.h"

namespace classlib::testing {
namespace {

void AddRow(TestTable& table, int id, const std::string& name) {
  table.Append();
  table.FieldByName("ID")->SetAsInteger(id);
  table.FieldByName("NAME")->SetAsString(name);
  table.Post();
}

// A table whose persistent fields are ID, NAME and the calculated DOUBLE.
struct CalcTable {
  TestTable table;
  TIntegerField* doubled;
  int calcs = 0;

  CalcTable() {
    table.AddColumn("ID", ftInteger);
    table.AddColumn("NAME", ftString, 10);
    auto* id = new TIntegerField(&table);
    id->SetFieldName("ID");
    id->SetDataSet(&table);
    auto* name = new TStringField(&table);
    name->SetSize(10);
    name->SetFieldName("NAME");
    name->SetDataSet(&table);
    doubled = new TIntegerField(&table);
    doubled->SetFieldName("DOUBLE");
    doubled->SetFieldKind(fkCalculated);
    doubled->SetDataSet(&table);
    table.SetOnCalcFields(TDataSetNotifyEvent::Function([this](TDataSet* ds) {
      ++calcs;
      EXPECT_EQ(ds->State(), dsCalcFields);
      TField* source = ds->FieldByName("ID");
      if (!source->IsNull()) doubled->SetAsInteger(source->AsInteger() * 2);
    }));
    table.Open();
  }
};

TEST(DataSetCalcFields, ComputedPerRecordAndAfterEachChange) {
  CalcTable t;
  AddRow(t.table, 1, "a");
  AddRow(t.table, 2, "b");
  t.table.First();
  EXPECT_EQ(t.doubled->AsInteger(), 2);
  t.table.Next();
  EXPECT_EQ(t.doubled->AsInteger(), 4);
  EXPECT_FALSE(t.table.DefaultFields());

  t.table.Edit();
  t.table.FieldByName("ID")->SetAsInteger(10);
  EXPECT_EQ(t.doubled->AsInteger(), 20);
  t.table.Cancel();
  EXPECT_EQ(t.doubled->AsInteger(), 4);

  // Without AutoCalcFields a change waits for the record to be read again.
  t.table.SetAutoCalcFields(false);
  t.table.Edit();
  t.table.FieldByName("ID")->SetAsInteger(10);
  EXPECT_EQ(t.doubled->AsInteger(), 4);
  t.table.Post();
  EXPECT_EQ(t.doubled->AsInteger(), 20);

  // Calculated fields cannot be written outside the calculation.
  t.table.Edit();
  EXPECT_THROW(t.doubled->SetAsInteger(1), EDatabaseError);
  t.table.Cancel();
}

TEST(DataSetCalcFields, LookupFieldsReadTheLookupDataSet) {
  TestTable cities;
  cities.AddColumn("CODE", ftInteger);
  cities.AddColumn("CITY", ftString, 20);
  cities.Open();
  for (auto [code, city] : {std::pair{1, "Omsk"}, std::pair{2, "Tver"}}) {
    cities.Append();
    cities.FieldByName("CODE")->SetAsInteger(code);
    cities.FieldByName("CITY")->SetAsString(city);
    cities.Post();
  }

  TestTable people;
  people.AddColumn("ID", ftInteger);
  people.AddColumn("NAME", ftString, 10);
  for (const char* name : {"ID", "NAME"}) {
    TField* field = name == std::string("ID") ? static_cast<TField*>(new TIntegerField(&people))
                                              : new TStringField(&people);
    field->SetFieldName(name);
    field->SetDataSet(&people);
  }
  auto* city = new TStringField(&people);
  city->SetFieldName("CITY_NAME");
  city->SetFieldKind(fkLookup);
  city->SetLookupDataSet(&cities);
  city->SetKeyFields("ID");
  city->SetLookupKeyFields("CODE");
  city->SetLookupResultField("CITY");
  city->SetDataSet(&people);
  cities.First();
  people.Open();
  AddRow(people, 2, "ann");
  AddRow(people, 3, "bob");
  people.First();
  EXPECT_EQ(city->AsString(), "Tver");
  people.Next();
  EXPECT_TRUE(city->IsNull());
  // Looking up never moves the lookup data set.
  EXPECT_EQ(cities.FieldByName("CODE")->AsInteger(), 1);

  // Several key fields are matched together.
  people.Close();
  city->SetKeyFields("ID;NAME");
  city->SetLookupKeyFields("CODE;CITY");
  city->SetLookupResultField("CODE");
  people.Open();
  people.Append();
  people.FieldByName("ID")->SetAsInteger(1);
  people.FieldByName("NAME")->SetAsString("Omsk");
  EXPECT_EQ(city->AsString(), "1");
  people.FieldByName("NAME")->SetAsString("Tver");
  EXPECT_TRUE(city->IsNull());
  people.Cancel();
  city->SetLookupResultField("CITY");

  // An incomplete lookup refuses to open.
  people.Close();
  city->SetLookupResultField("");
  try {
    people.Open();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Lookup information for field 'CITY_NAME' is incomplete");
  }
  EXPECT_FALSE(people.Active());
}

std::unique_ptr<TestTable> NumberTable(int rows) {
  auto table = std::make_unique<TestTable>();
  table->AddColumn("ID", ftInteger);
  table->AddColumn("NAME", ftString, 10);
  table->Open();
  for (int i = 1; i <= rows; ++i) AddRow(*table, i, "r" + std::to_string(i));
  table->First();
  return table;
}

std::vector<int> Ids(TestTable& table) {
  std::vector<int> ids;
  for (table.First(); !table.Eof(); table.Next()) ids.push_back(table.FieldByName("ID")->AsInteger());
  return ids;
}

TEST(DataSetFilter, OnFilterRecordRunsInTheFilterState) {
  auto table = NumberTable(6);
  std::vector<TDataSetState> states;
  table->SetOnFilterRecord(TFilterRecordEvent::Function([&](TDataSet* ds, bool& accept) {
    states.push_back(ds->State());
    accept = ds->FieldByName("ID")->AsInteger() % 2 == 0;
  }));
  EXPECT_EQ(Ids(*table), (std::vector<int>{1, 2, 3, 4, 5, 6}));
  EXPECT_TRUE(states.empty());

  table->SetFiltered(true);
  EXPECT_EQ(table->FieldByName("ID")->AsInteger(), 2);
  EXPECT_EQ(Ids(*table), (std::vector<int>{2, 4, 6}));
  EXPECT_EQ(table->RecordCount(), 3);
  ASSERT_FALSE(states.empty());
  for (TDataSetState s : states) EXPECT_EQ(s, dsFilter);
  EXPECT_EQ(table->State(), dsBrowse);

  table->Last();
  EXPECT_EQ(table->FieldByName("ID")->AsInteger(), 6);

  table->SetFiltered(false);
  EXPECT_EQ(Ids(*table), (std::vector<int>{1, 2, 3, 4, 5, 6}));
}

// Counts what a link hears.
class CountingLink : public TDataLink {
 public:
  int active_changes = 0, editing_changes = 0, data_set_changes = 0, scrolls = 0;
  int record_changes = 0, browse_checks = 0, updates = 0;
  TField* last_field = nullptr;

 protected:
  void ActiveChanged() override { ++active_changes; }
  void EditingChanged() override { ++editing_changes; }
  void DataSetChanged() override { ++data_set_changes; }
  void DataSetScrolled(int) override { ++scrolls; }
  void RecordChanged(TField* field) override {
    ++record_changes;
    last_field = field;
  }
  void CheckBrowseMode() override { ++browse_checks; }
  void UpdateData() override { ++updates; }
};

TEST(DataLinks, HearOpeningEditingAndChanges) {
  auto table = NumberTable(3);
  table->Close();
  TDataSource source(nullptr);
  source.SetDataSet(table.get());
  CountingLink link;
  link.SetDataSource(&source);
  EXPECT_FALSE(link.Active());

  table->Open();
  EXPECT_TRUE(link.Active());
  EXPECT_EQ(link.active_changes, 1);
  EXPECT_EQ(source.State(), dsBrowse);

  table->Next();
  EXPECT_EQ(link.scrolls, 1);

  EXPECT_TRUE(link.Edit());
  EXPECT_EQ(table->State(), dsEdit);
  EXPECT_EQ(link.editing_changes, 1);
  table->FieldByName("NAME")->SetAsString("x");
  EXPECT_EQ(link.last_field, table->FieldByName("NAME"));
  table->Post();
  EXPECT_GE(link.updates, 1);
  EXPECT_GE(link.browse_checks, 1);
  EXPECT_FALSE(link.Editing());

  source.SetEnabled(false);
  EXPECT_FALSE(link.Active());
  source.SetEnabled(true);
  EXPECT_TRUE(link.Active());
  table->Close();
  EXPECT_FALSE(link.Active());
  EXPECT_EQ(link.active_changes, 4);
}

TEST(DataLinks, DisableControlsHoldsEventsAndEnableSendsOne) {
  auto table = NumberTable(5);
  TDataSource source(nullptr);
  source.SetDataSet(table.get());
  CountingLink link;
  link.SetDataSource(&source);
  int data_changes = 0;
  source.SetOnDataChange(
      TDataChangeEvent::Function([&](TObject*, TField*) { ++data_changes; }));

  table->DisableControls();
  table->DisableControls();
  table->Next();
  table->Next();
  table->Last();
  table->EnableControls();
  EXPECT_TRUE(table->ControlsDisabled());
  EXPECT_EQ(link.scrolls + link.data_set_changes, 0);
  EXPECT_EQ(data_changes, 0);
  table->EnableControls();
  EXPECT_FALSE(table->ControlsDisabled());
  EXPECT_EQ(link.scrolls, 0);
  EXPECT_EQ(link.data_set_changes, 1);
  EXPECT_EQ(data_changes, 1);

  table->Prior();
  EXPECT_EQ(link.scrolls, 1);
}

TEST(DataLinks, BlockReadingIsSilent) {
  auto table = NumberTable(4);
  TDataSource source(nullptr);
  source.SetDataSet(table.get());
  CountingLink link;
  link.SetDataSource(&source);
  table->SetBlockReadSize(10);
  EXPECT_EQ(table->State(), dsBlockRead);
  std::vector<int> ids;
  for (; !table->Eof(); table->Next()) ids.push_back(table->FieldByName("ID")->AsInteger());
  EXPECT_EQ(ids, (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(link.scrolls, 0);
  table->SetBlockReadSize(0);
  EXPECT_EQ(table->State(), dsBrowse);
  table->Prior();
  EXPECT_EQ(link.scrolls, 1);
}

TEST(DataLinks, LargerRingForLinksThatShowSeveralRecords) {
  auto table = NumberTable(8);
  TDataSource source(nullptr);
  source.SetDataSet(table.get());
  CountingLink grid;
  grid.SetBufferCount(4);
  grid.SetDataSource(&source);
  EXPECT_EQ(table->BufferCount(), 4);
  EXPECT_EQ(table->BufferedRecords(), 4);
  std::vector<int> ids = Ids(*table);
  EXPECT_EQ(ids.size(), 8u);
  table->Last();
  EXPECT_EQ(table->ActiveRecord(), 3);
}

// A table that follows a master data source, as detail data sets do.
class DetailTable : public TestTable {
 public:
  class MasterLink : public TDetailDataLink {
   public:
    explicit MasterLink(TDataSet* owner) : owner_(owner) {}
    TDataSet* GetDetailDataSet() const override { return owner_; }

   private:
    TDataSet* owner_;
  };
  MasterLink link{this};

 protected:
  TDataSource* GetDataSource() const override { return link.DataSource(); }
};

TEST(DataLinks, CircularMasterDetailLinksAreRefused) {
  DetailTable master, detail;
  TDataSource master_source(nullptr), detail_source(nullptr);
  master_source.SetDataSet(&master);
  detail_source.SetDataSet(&detail);
  detail.link.SetDataSource(&master_source);

  EXPECT_TRUE(detail.IsLinkedTo(&detail_source));
  EXPECT_TRUE(master.IsLinkedTo(&detail_source));
  EXPECT_FALSE(detail.IsLinkedTo(&master_source));
  EXPECT_TRUE(master_source.IsLinkedTo(&detail));
  try {
    master.link.SetDataSource(&detail_source);
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Circular datalinks are not allowed");
  }
  EXPECT_EQ(master.DataSource(), nullptr);
  EXPECT_THROW(master_source.SetDataSet(&detail), EDatabaseError);
}

}  // namespace
}  // namespace classlib::testing
