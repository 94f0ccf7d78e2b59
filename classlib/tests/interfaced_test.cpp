#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "classlib/exceptions.h"
#include "classlib/interface_list.h"
#include "classlib/interfaced.h"

namespace classlib {
namespace {

class IReader : public virtual IInterface {
 public:
  virtual int Read() = 0;
};

class IWriter : public virtual IInterface {
 public:
  virtual void Write(int v) = 0;
};

std::atomic<int> g_destroyed{0};

class Cell : public TInterfacedObject, public IReader, public IWriter {
  CLASSLIB_CLASS(Cell, TInterfacedObject)
 public:
  ~Cell() override { ++g_destroyed; }
  int Read() override { return value_; }
  void Write(int v) override { value_ = v; }

 private:
  int value_ = 0;
};

class Counted : public ::testing::Test {
 protected:
  void SetUp() override { g_destroyed = 0; }
};

using InterfacedObject = Counted;
using InterfaceList = Counted;

TEST_F(InterfacedObject, LivesWhileAnyInterfaceHoldsIt) {
  Intf<IWriter> writer;
  {
    Intf<Cell> cell = MakeIntf<Cell>();
    EXPECT_EQ(cell->RefCount(), 1);
    writer = cell;
    Intf<IReader> reader = Supports<IReader>(writer);
    ASSERT_TRUE(reader);
    EXPECT_EQ(cell->RefCount(), 3);
    writer->Write(42);
    EXPECT_EQ(reader->Read(), 42);
    EXPECT_TRUE(reader == writer);  // the same object through two interfaces
  }
  EXPECT_EQ(g_destroyed, 0);
  Intf<IWriter> moved = std::move(writer);
  EXPECT_FALSE(writer);
  moved = moved;  // self-assignment keeps the reference
  EXPECT_EQ(g_destroyed, 0);
  moved.Reset();
  EXPECT_EQ(g_destroyed, 1);
  EXPECT_TRUE(moved == nullptr);
}

TEST_F(InterfacedObject, QueryForAMissingInterfaceGivesNothing) {
  class OnlyReader : public TInterfacedObject, public IReader {
   public:
    int Read() override { return 1; }
  };
  Intf<IReader> r = MakeIntf<OnlyReader>();
  EXPECT_FALSE(Supports<IWriter>(r));
  EXPECT_EQ(static_cast<TInterfacedObject*>(dynamic_cast<OnlyReader*>(r.Get()))->RefCount(), 1);
}

TEST_F(InterfacedObject, ConcurrentCopiesFreeTheObjectExactlyOnce) {
  for (int round = 0; round < 20; ++round) {
    Intf<IReader> shared = MakeIntf<Cell>();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
      threads.emplace_back([copy = shared]() mutable {
        for (int i = 0; i < 1000; ++i) {
          Intf<IReader> again = copy;
          again.Reset();
        }
      });
    shared.Reset();
    for (auto& th : threads) th.join();
  }
  EXPECT_EQ(g_destroyed, 20);
}

TEST_F(InterfaceList, HoldsOneReferencePerSlot) {
  auto list = MakeIntf<TInterfaceList>();
  Intf<Cell> a = MakeIntf<Cell>(), b = MakeIntf<Cell>();
  list->Add(Intf<IReader>(a));
  list->Add(Intf<IWriter>(b));
  list->Add(Intf<IWriter>(a));
  EXPECT_EQ(a->RefCount(), 3);
  EXPECT_EQ(list->IndexOf(Intf<IWriter>(a)), 0);  // found through another interface
  EXPECT_EQ(list->Remove(Intf<IReader>(a)), 0);
  EXPECT_EQ(list->Count(), 2);
  EXPECT_EQ(list->IndexOf(a), 1);
  list->Exchange(0, 1);
  EXPECT_TRUE(list->First() == a);
  EXPECT_TRUE(list->Last() == b);
  list->SetItems(1, a);
  EXPECT_EQ(b->RefCount(), 1);
  EXPECT_THROW(list->Items(2), EListError);
  EXPECT_THROW(list->Insert(3, a), EListError);
  list->Insert(0, nullptr);
  EXPECT_EQ(list->IndexOf(nullptr), 0);
  EXPECT_EQ(list->Remove(MakeIntf<Cell>()), -1);
  EXPECT_EQ(g_destroyed, 1);

  b.Reset();
  EXPECT_EQ(g_destroyed, 2);
  list->Delete(1);
  EXPECT_EQ(a->RefCount(), 2);
  a.Reset();
  list.Reset();  // the list's own last reference frees it and what it holds
  EXPECT_EQ(g_destroyed, 3);
}

}  // namespace
}  // namespace classlib
