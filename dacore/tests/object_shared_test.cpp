// Reference counting of shared values and object types.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "dacore/object_type.h"
#include "object_types_fixture.h"
#include "testing/message_of.h"

namespace dacore {
namespace {

using classlib::testing::MessageOf;

class Counted : public TSharedObject {
 public:
  explicit Counted(int* destroyed) : destroyed_(destroyed) {}
  void ForceRefCount(int count) { SetRefCount(count); }

 protected:
  ~Counted() override { ++*destroyed_; }

 private:
  int* destroyed_;
};

TEST(SharedObjectTest, TheLastReleaseDestroys) {
  int destroyed = 0;
  auto* obj = new Counted(&destroyed);
  EXPECT_EQ(obj->RefCount(), 1);
  obj->AddRef();
  obj->Free();
  EXPECT_EQ(destroyed, 0);
  EXPECT_EQ(obj->RefCount(), 1);
  obj->Free();
  EXPECT_EQ(destroyed, 1);
  ReleaseShared(nullptr);  // nil does nothing
}

TEST(SharedObjectTest, ACountBelowOneIsAnAssertionFailure) {
  int destroyed = 0;
  auto* obj = new Counted(&destroyed);
  obj->ForceRefCount(0);
  const std::string message = MessageOf<classlib::EAssertionFailed>([&] { obj->Release(); });
  EXPECT_EQ(message.rfind("TSharedObject.Free RefCount = 0 (", 0), 0u) << message;
  EXPECT_EQ(destroyed, 0);
  EXPECT_EQ(obj->RefCount(), 0);  // the failed release changed nothing
  obj->ForceRefCount(1);
  obj->Release();
  EXPECT_EQ(destroyed, 1);
}

TEST(SharedObjectTest, CountsSurviveConcurrentUse) {
  int destroyed = 0;
  auto* obj = new Counted(&destroyed);
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([obj] {
      for (int i = 0; i < 20000; ++i) {
        obj->AddRef();
        obj->Release();
      }
    });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(obj->RefCount(), 1);
  EXPECT_EQ(destroyed, 0);
  obj->Release();
  EXPECT_EQ(destroyed, 1);
}

TEST(SharedObjectTest, TheHandleIsTheObjectsAddress) {
  auto* value = new TVariantObject;
  value->SetValue(classlib::Variant(42));
  EXPECT_EQ(value->GetObjectHandle(), static_cast<void*>(value));
  EXPECT_EQ(value->Value().AsInteger(), 42);
  value->Release();
}

TEST(ObjectTypeTest, AttributesHoldTheirTypesButNotTheirOwnType) {
  testing::PersonTypes types;
  // ADDR holds ADDRESS; NEXT refers to PERSON itself and holds nothing.
  EXPECT_EQ(types.address->RefCount(), 2);
  EXPECT_EQ(types.item_list->RefCount(), 2);
  EXPECT_EQ(types.person->RefCount(), 1);
  EXPECT_EQ(types.person->GetAttributes(3)->ObjectType(), types.person);

  types.person->GetAttributes(1)->SetObjectType(types.item);  // ADDR now ITEM
  EXPECT_EQ(types.address->RefCount(), 1);
  EXPECT_EQ(types.item->RefCount(), 3);
  types.person->GetAttributes(1)->SetObjectType(types.item);  // the same again
  EXPECT_EQ(types.item->RefCount(), 3);
}

TEST(ObjectTypeTest, ATypeThatRefersToItselfIsFreedByItsLastOutsideReference) {
  int destroyed = 0;
  auto* list = new testing::CountedType(&destroyed);
  list->SetName("NODE");
  testing::AddAttribute(list, "NEXT", dtReference, list);
  auto* holder = new TDBObject;
  holder->SetObjectType(list);
  list->Release();
  EXPECT_EQ(destroyed, 0);
  holder->Release();  // the last outside reference
  EXPECT_EQ(destroyed, 1);
}

TEST(ObjectTypeTest, ClearingAttributesReleasesTheirTypes) {
  testing::PersonTypes types;
  types.person->ClearAttributes();
  EXPECT_EQ(types.person->GetAttributeCount(), 0);
  EXPECT_EQ(MessageOf<classlib::EListError>([&] { types.person->GetAttributes(0); }),
            "List index out of bounds (0)");
  EXPECT_EQ(types.address->RefCount(), 1);
  EXPECT_EQ(types.item_list->RefCount(), 1);
}

TEST(DBObjectTest, TheBaseReportsBlankAndHoldsItsType) {
  testing::PersonTypes types;
  auto* obj = new TDBObject;
  obj->SetObjectType(types.person);
  EXPECT_EQ(types.person->RefCount(), 2);
  bool blank = false;
  char dest[4] = {};
  obj->GetAttributeValue("NAME", dest, blank);
  EXPECT_TRUE(blank);
  obj->SetAttributeValue("NAME", "x");
  obj->SetObjectType(types.address);
  EXPECT_EQ(types.person->RefCount(), 1);
  EXPECT_EQ(types.address->RefCount(), 3);
  obj->Release();
  EXPECT_EQ(types.address->RefCount(), 2);
}

}  // namespace
}  // namespace dacore
