// Containers: chains of shared handlers, the refusal of circular chains,
// registration of data sets along the chain, and user events.
#include "fib/dataset/datasets_container.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "fib/dataset/fib_dataset.h"
#include "testing/message_of.h"

namespace fib {
namespace {

using classlib::testing::MessageOf;

// A data set that takes the user events it is told to.
class ReceivingDataSet : public TFIBDataSet, public IUserEventReceiver {
 public:
  using TFIBDataSet::TFIBDataSet;
  std::vector<std::string> wanted;
  std::vector<std::string> received;
  bool ReceivesEvent(const std::string& name) const override {
    return wanted.empty() || std::find(wanted.begin(), wanted.end(), name) != wanted.end();
  }
  void ReceiveUserEvent(classlib::TObject*, const std::string& name, std::string& info) override {
    received.push_back(name);
    info += Name() + ";";
  }
};

class ContainerTest : public ::testing::Test {
 protected:
  TDataSetsContainer* NewContainer(const std::string& name) {
    auto* container = new TDataSetsContainer(&form_);
    container->SetName(name);
    return container;
  }
  ReceivingDataSet* NewDataSet(const std::string& name) {
    auto* data_set = new ReceivingDataSet(&form_);
    data_set->SetName(name);
    return data_set;
  }
  static bool Holds(const TDataSetsContainer& container, classlib::TDataSet* data_set) {
    const auto& list = container.DataSets();
    return std::find(list.begin(), list.end(), data_set) != list.end();
  }

  classlib::TComponent form_{nullptr};
};

TEST_F(ContainerTest, ACircularChainIsRefusedAndNothingChanges) {
  TDataSetsContainer* a = NewContainer("A");
  TDataSetsContainer* b = NewContainer("B");
  TDataSetsContainer* c = NewContainer("C");
  EXPECT_EQ(MessageOf([&] { a->SetMasterContainer(a); }), "Circular link is not allowed.");
  EXPECT_EQ(a->MasterContainer(), nullptr);
  a->SetMasterContainer(b);
  b->SetMasterContainer(c);
  EXPECT_EQ(MessageOf([&] { c->SetMasterContainer(a); }), "Circular link is not allowed.");
  EXPECT_EQ(a->MasterContainer(), b);
  EXPECT_EQ(b->MasterContainer(), c);
  EXPECT_EQ(c->MasterContainer(), nullptr);
}

TEST_F(ContainerTest, EventsRunTheMastersHandlersFirstEvenWhenInactive) {
  TDataSetsContainer* general = NewContainer("General");
  TDataSetsContainer* specific = NewContainer("Specific");
  specific->SetMasterContainer(general);
  std::vector<std::string> calls;
  general->OnDataSetEvent = TOnDataSetEvent::Function(
      [&](classlib::TDataSet*, TKindDataSetEvent event) { calls.push_back("general " + std::to_string(event)); });
  specific->OnDataSetEvent = TOnDataSetEvent::Function(
      [&](classlib::TDataSet*, TKindDataSetEvent event) { calls.push_back("specific " + std::to_string(event)); });
  specific->DataSetEvent(nullptr, deAfterPost);
  EXPECT_EQ(calls, (std::vector<std::string>{"general 9", "specific 9"}));

  calls.clear();
  specific->SetActive(false);
  specific->DataSetEvent(nullptr, deBeforeOpen);
  EXPECT_EQ(calls, (std::vector<std::string>{"general 0"}));

  bool applied = false;
  int defaults = 0;
  general->OnApplyDefaultValue = TOnApplyDefaultValue::Function(
      [&](classlib::TDataSet*, classlib::TField*, bool& done) { ++defaults; done = true; });
  specific->ApplyDefaultValue(nullptr, nullptr, applied);
  EXPECT_TRUE(applied);
  EXPECT_EQ(defaults, 1);
}

TEST_F(ContainerTest, ComparingAsksOnlyThisContainer) {
  TDataSetsContainer* general = NewContainer("General");
  TDataSetsContainer* specific = NewContainer("Specific");
  specific->SetMasterContainer(general);
  general->OnCompareFieldValues = TOnCompareFieldValues::Function(
      [](classlib::TField*, const classlib::Variant&, const classlib::Variant&, bool& compared) {
        compared = true;
        return 1;
      });
  bool compared = true;
  EXPECT_EQ(specific->CompareFieldValues(nullptr, classlib::Variant(1), classlib::Variant(2), compared), 0);
  EXPECT_FALSE(compared);
  general->SetActive(false);  // Active does not matter here
  EXPECT_EQ(general->CompareFieldValues(nullptr, classlib::Variant(1), classlib::Variant(2), compared), 1);
  EXPECT_TRUE(compared);
}

TEST_F(ContainerTest, DataSetsFollowTheChainAndLeaveWhenFreed) {
  TDataSetsContainer* old_master = NewContainer("Old");
  TDataSetsContainer* new_master = NewContainer("New");
  TDataSetsContainer* own = NewContainer("Own");
  own->SetMasterContainer(old_master);
  ReceivingDataSet* first = NewDataSet("First");
  ReceivingDataSet* second = NewDataSet("Second");
  first->SetContainer(own);
  second->SetContainer(own);
  EXPECT_TRUE(Holds(*own, first));
  EXPECT_TRUE(Holds(*old_master, second));

  own->SetMasterContainer(new_master);
  EXPECT_TRUE(old_master->DataSets().empty());
  EXPECT_EQ(new_master->DataSets().size(), 2u);

  delete first;
  EXPECT_FALSE(Holds(*own, first));
  EXPECT_FALSE(Holds(*new_master, first));
  second->SetContainer(nullptr);
  EXPECT_TRUE(own->DataSets().empty());
  EXPECT_TRUE(new_master->DataSets().empty());

  second->SetContainer(own);
  delete own;
  EXPECT_EQ(second->Container(), nullptr);
  EXPECT_TRUE(new_master->DataSets().empty());
}

TEST_F(ContainerTest, FreeingTheMasterLeavesNoDanglingLink) {
  TDataSetsContainer* master = NewContainer("Master");
  TDataSetsContainer* own = NewContainer("Own");
  own->SetMasterContainer(master);
  delete master;
  EXPECT_EQ(own->MasterContainer(), nullptr);
  own->DataSetEvent(nullptr, deAfterOpen);  // must not reach the freed master
}

TEST_F(ContainerTest, UserEventsReachTheAddressedDataSetsIgnoringCase) {
  TDataSetsContainer* container = NewContainer("Box");
  ReceivingDataSet* orders = NewDataSet("Orders");
  ReceivingDataSet* lines = NewDataSet("Lines");
  orders->SetContainer(container);
  lines->SetContainer(container);
  lines->wanted = {"CLOSE"};

  std::string info;
  container->SendUserEvent(nullptr, "", "PING", info);
  EXPECT_EQ(orders->received, (std::vector<std::string>{"PING"}));
  EXPECT_TRUE(lines->received.empty());  // it takes only CLOSE

  info.clear();
  container->SendUserEvent(nullptr, "", "CLOSE", info);
  EXPECT_EQ(info, "Orders;Lines;");

  orders->received.clear();
  lines->received.clear();
  container->SendUserEvent(nullptr, "form1.orders", "PING", info);  // the owner is unnamed
  EXPECT_TRUE(orders->received.empty());
  form_.SetName("Form1");
  container->SendUserEvent(nullptr, "form1.orders", "PING", info);
  EXPECT_EQ(orders->received, (std::vector<std::string>{"PING"}));
  EXPECT_TRUE(lines->received.empty());
}

}  // namespace
}  // namespace fib
