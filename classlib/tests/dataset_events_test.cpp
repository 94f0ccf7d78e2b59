#include <gtest/gtest.h>

#include <vector>

#include "classlib/data_link.h"
#include "classlib/field.h"
#include "classlib/fields.h"
#include "testing/dataset_test_table.h"

namespace classlib::testing {
namespace {

// A table that records the data events it is sent and answers direct text
// rules from options a test switches, counting how often they are asked.
class EventTable : public TestTable {
 public:
  std::vector<TDataEvent> events;
  bool trims_fixed = false;
  int rules_asked = 0;

 protected:
  void DataEvent(TDataEvent event, intptr_t info) override {
    events.push_back(event);
    TestTable::DataEvent(event, info);
  }
  TDirectTextRules CurrentDirectTextRules() const override {
    ++const_cast<EventTable*>(this)->rules_asked;
    return {true, trims_fixed, false};
  }
};

void Fill(EventTable& table, int rows) {
  table.AddColumn("ID", ftInteger);
  table.Open();
  for (int i = 1; i <= rows; ++i) {
    table.Append();
    table.FieldByName("ID")->SetAsInteger(i);
    table.Post();
  }
  table.First();
}

// A walk with nobody listening still sends an overriding data set every
// event, each step telling the end of an edit and the scroll.
TEST(DataSetEvents, AnOverrideHearsEveryEventOfAWalkWithoutDataSources) {
  EventTable table;
  Fill(table, 3);
  table.events.clear();
  table.Next();
  table.Next();
  EXPECT_EQ(table.events, (std::vector<TDataEvent>{deCheckBrowseMode, deDataSetScroll, deCheckBrowseMode,
                                                   deDataSetScroll}));
}

// A data source hears the walk's scrolls; while controls are disabled it
// hears nothing until EnableControls sends the change that sums them up.
TEST(DataSetEvents, DataSourcesHearScrollsAndDisabledControlsHoldThemBack) {
  EventTable table;
  Fill(table, 3);
  TDataSource source(nullptr);
  source.SetDataSet(&table);
  int scrolls = 0, changes = 0;
  struct CountingLink : TDataLink {
    int* scrolls = nullptr;
    int* changes = nullptr;
    void DataSetScrolled(int) override { ++*scrolls; }
    void DataSetChanged() override { ++*changes; }
  } link;
  link.scrolls = &scrolls;
  link.changes = &changes;
  link.SetDataSource(&source);
  table.Next();
  EXPECT_EQ(scrolls, 1);
  table.DisableControls();
  table.Next();
  EXPECT_EQ(scrolls, 1);
  EXPECT_EQ(changes, 0);
  table.EnableControls();
  EXPECT_EQ(changes, 1);
  link.SetDataSource(nullptr);
}

// The direct text rules are settled when the data set opens and at each
// state change, not at each read, and hold nothing while it is closed.
TEST(DataSetEvents, DirectTextRulesAreSettledAtEachStateChange) {
  EventTable table;
  bool trims = false;
  EXPECT_FALSE(table.DirectTextRules(true, trims));
  Fill(table, 2);
  ASSERT_TRUE(table.DirectTextRules(true, trims));
  EXPECT_FALSE(trims);
  const int asked = table.rules_asked;
  table.trims_fixed = true;
  table.Next();
  table.DirectTextRules(true, trims);
  EXPECT_FALSE(trims);  // a walk settles nothing
  EXPECT_EQ(table.rules_asked, asked);
  table.Edit();
  table.Cancel();
  ASSERT_TRUE(table.DirectTextRules(true, trims));
  EXPECT_TRUE(trims);
  ASSERT_TRUE(table.DirectTextRules(false, trims));
  EXPECT_FALSE(trims);
  table.trims_fixed = false;
  table.SettleDirectTextRules();
  table.DirectTextRules(true, trims);
  EXPECT_FALSE(trims);
  table.Close();
  EXPECT_FALSE(table.DirectTextRules(true, trims));
}

}  // namespace
}  // namespace classlib::testing
