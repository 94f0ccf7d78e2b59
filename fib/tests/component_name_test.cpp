#include "fib/base/component_name.h"

#include <gtest/gtest.h>

#include <memory>

#include "classlib/component.h"

namespace fib {
namespace {

TEST(FullComponentName, OutermostOwnerFirstSkippingUnnamedLinks) {
  EXPECT_EQ(FullComponentName(nullptr), "");
  auto form = std::make_unique<classlib::TComponent>(nullptr);
  form->SetName("frmUpdate");
  auto* panel = new classlib::TComponent(form.get());  // unnamed, owned by the form
  auto* query = new classlib::TComponent(panel);
  EXPECT_EQ(FullComponentName(query), "frmUpdate");
  query->SetName("zodQ");
  EXPECT_EQ(FullComponentName(query), "frmUpdate.zodQ");
  panel->SetName("Panel1");
  EXPECT_EQ(FullComponentName(query), "frmUpdate.Panel1.zodQ");
  classlib::TComponent orphan(nullptr);
  EXPECT_EQ(FullComponentName(&orphan), "");
}

}  // namespace
}  // namespace fib
