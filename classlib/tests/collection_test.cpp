#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/collection.h"
#include "classlib/component.h"
#include "classlib/exceptions.h"

namespace classlib {
namespace {

class Column : public TCollectionItem {
  CLASSLIB_CLASS(Column, TCollectionItem)
 public:
  explicit Column(TCollection* collection) : TCollectionItem(collection) {}
  std::string title;

  std::string DisplayName() const override {
    return title.empty() ? TCollectionItem::DisplayName() : title;
  }
  void SetDisplayName(const std::string& name) override {
    title = name;
    TCollectionItem::SetDisplayName(name);
  }
  void Assign(const TPersistent* source) override {
    if (auto* c = dynamic_cast<const Column*>(source)) {
      title = c->title;
      return;
    }
    TCollectionItem::Assign(source);
  }
};

// Records the news the collection sends, as "+id", "-id" (deleting),
// "x id" (extracting), "U id" for an item update and "U*" for a whole one.
class Columns : public TCollection {
  CLASSLIB_CLASS(Columns, TCollection)
 public:
  explicit Columns(TPersistent* owner = nullptr)
      : TCollection(TCollectionItemClass::Of<Column>(), owner) {}
  std::vector<std::string> events;

  Column* At(int i) const { return static_cast<Column*>(Items(i)); }
  std::vector<int> Ids() const {
    std::vector<int> ids;
    for (int i = 0; i < Count(); ++i) ids.push_back(Items(i)->ID());
    return ids;
  }

 protected:
  void Update(TCollectionItem* item) override {
    events.push_back(item ? "U " + std::to_string(item->ID()) : "U*");
  }
  void Notify(TCollectionItem* item, TCollectionNotification action) override {
    static const char* const kinds[] = {"+", "x ", "-"};
    events.push_back(kinds[action] + std::to_string(item->ID()));
  }
};

TEST(Collection, IdsStayWithTheirItemsAndAreNeverReused) {
  Columns cols;
  for (int i = 0; i < 4; ++i) cols.Add();
  EXPECT_EQ(cols.Ids(), (std::vector<int>{0, 1, 2, 3}));
  cols.Delete(1);
  cols.Add();
  EXPECT_EQ(cols.Ids(), (std::vector<int>{0, 2, 3, 4}));
  EXPECT_EQ(cols.FindItemID(3), cols.Items(2));
  EXPECT_EQ(cols.FindItemID(1), nullptr);
  EXPECT_TRUE(cols.Add()->InheritsFromByName("Column"));
  EXPECT_EQ(cols.ItemClass().info->name, std::string("Column"));
}

TEST(Collection, SettingIndexMovesTheItem) {
  Columns cols;
  for (int i = 0; i < 4; ++i) cols.Add();
  TCollectionItem* first = cols.Items(0);
  cols.events.clear();
  first->SetIndex(2);
  EXPECT_EQ(cols.Ids(), (std::vector<int>{1, 2, 0, 3}));
  EXPECT_EQ(first->Index(), 2);
  EXPECT_EQ(cols.events, (std::vector<std::string>{"U*"}));
  cols.Items(3)->SetIndex(0);
  EXPECT_EQ(cols.Ids(), (std::vector<int>{3, 1, 2, 0}));
  EXPECT_THROW(first->SetIndex(4), EListError);
  EXPECT_THROW(first->SetIndex(-1), EListError);
  EXPECT_EQ(cols.Ids(), (std::vector<int>{3, 1, 2, 0}));
  TCollectionItem* inserted = cols.Insert(1);
  EXPECT_EQ(cols.Ids(), (std::vector<int>{3, 4, 1, 2, 0}));
  EXPECT_EQ(inserted->Index(), 1);
  EXPECT_THROW(cols.Insert(9), EListError);
}

TEST(Collection, ReportsAdditionsRemovalsAndUpdates) {
  Columns cols;
  cols.Add();
  cols.Add();
  cols.At(1)->SetDisplayName("Name");
  EXPECT_EQ(cols.events, (std::vector<std::string>{"+0", "U*", "+1", "U*", "U 1"}));

  cols.events.clear();
  cols.Delete(0);
  delete cols.At(0);  // an item deleted directly leaves its collection too
  EXPECT_EQ(cols.Count(), 0);
  EXPECT_EQ(cols.events, (std::vector<std::string>{"-0", "x 0", "U*", "x 1", "U*"}));

  cols.events.clear();
  cols.BeginUpdate();
  cols.BeginUpdate();
  cols.Add();
  cols.Add()->SetDisplayName("x");
  cols.EndUpdate();
  EXPECT_EQ(cols.events, (std::vector<std::string>{"+2", "+3"}));
  cols.EndUpdate();
  cols.EndUpdate();  // unbalanced: ignored
  EXPECT_EQ(cols.events, (std::vector<std::string>{"+2", "+3", "U*"}));

  cols.events.clear();
  cols.Clear();
  EXPECT_EQ(cols.events, (std::vector<std::string>{"x 3", "x 2", "U*"}));
}

TEST(Collection, ItemsMoveBetweenCollectionsAndCopyByAssign) {
  Columns a, b;
  a.Add()->SetDisplayName("one");
  a.Add()->SetDisplayName("two");
  TCollectionItem* two = a.Items(1);
  two->SetCollection(&b);
  EXPECT_EQ(a.Count(), 1);
  EXPECT_EQ(b.Count(), 1);
  EXPECT_EQ(two->Collection(), &b);
  EXPECT_EQ(two->ID(), 0);  // a new ID in its new collection

  b.Assign(&a);
  ASSERT_EQ(b.Count(), 1);
  EXPECT_EQ(b.At(0)->title, "one");
  EXPECT_NE(b.Items(0), a.Items(0));

  TComponent owner(nullptr);
  EXPECT_THROW(b.Assign(&owner), EConvertError);
}

TEST(Collection, DisplayNamesAndNamePaths) {
  TComponent form(nullptr);
  form.SetName("Form1");
  Columns cols(&form);
  Column* c = static_cast<Column*>(cols.Add());
  cols.Add();
  EXPECT_EQ(c->DisplayName(), "Column");
  c->SetDisplayName("Price");
  EXPECT_EQ(c->DisplayName(), "Price");
  EXPECT_EQ(cols.GetNamePath(), "Form1.Columns");
  EXPECT_EQ(cols.Items(1)->GetNamePath(), "Form1.Columns[1]");
  EXPECT_EQ(c->GetOwner(), &cols);
  EXPECT_EQ(cols.GetOwner(), &form);
}

}  // namespace
}  // namespace classlib
