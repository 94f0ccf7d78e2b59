#include <gtest/gtest.h>

#include "classlib/event.h"
#include "classlib/exceptions.h"

namespace classlib {
namespace {

TEST(Exceptions, ClassNamesFollowTheChain) {
  EReadError e("short read");
  EXPECT_EQ(e.ClassName(), "EReadError");
  EXPECT_TRUE(e.InheritsFromByName("estreamerror"));
  EXPECT_TRUE(e.InheritsFromByName("Exception"));
  EXPECT_TRUE(e.InheritsFromByName("TObject"));
  EXPECT_FALSE(e.InheritsFromByName("EConvertError"));
  EXPECT_STREQ(e.what(), "short read");
}

TEST(Exceptions, AssertionFailureNamesUnitAndLine) {
  try {
    Assert(false, "pFIBDataSet", 1234);
    FAIL() << "no exception";
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(e.Message(), "Assertion failure (pFIBDataSet, line 1234)");
    EXPECT_EQ(e.Line(), 1234);
  }
  EXPECT_NO_THROW(Assert(true, "x", 1));
  EXPECT_THROW(Abort(), EAbort);
}

struct Listener {
  int calls = 0;
  void OnChange(TObject*) { ++calls; }
  void OnOther(TObject*) { calls += 10; }
};

TEST(Events, CompareByObjectAndMethod) {
  Listener a, b;
  TNotifyEvent ea(&a, &Listener::OnChange);
  EXPECT_TRUE(ea == TNotifyEvent(&a, &Listener::OnChange));
  EXPECT_FALSE(ea == TNotifyEvent(&b, &Listener::OnChange));
  EXPECT_FALSE(ea == TNotifyEvent(&a, &Listener::OnOther));
  EXPECT_EQ(ea.Object(), &a);
  ea(nullptr);
  EXPECT_EQ(a.calls, 1);
  ea.Clear();
  EXPECT_FALSE(ea);
  EXPECT_TRUE(ea == TNotifyEvent());

  int hits = 0;
  auto f = TNotifyEvent::Function([&hits](TObject*) { ++hits; });
  auto copy = f;
  EXPECT_TRUE(copy == f);
  EXPECT_FALSE(f == TNotifyEvent::Function([&hits](TObject*) { ++hits; }));
  copy(nullptr);
  EXPECT_EQ(hits, 1);
}

}  // namespace
}  // namespace classlib
