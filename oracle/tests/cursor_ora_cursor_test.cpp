// The cursor's statement handle on the stand-in: allocation, prefetch
// settings per client version, release, and the call-style checks.
#include "oracle/cursor_ora_cursor.h"

#include "oracle/call_binding.h"
#include "oracle/call_state.h"
#include "testing/message_of.h"
#include "testing/standin_fixture.h"

namespace oracle::testing {
namespace {

using classlib::testing::MessageOf;
using ::testing::ElementsAre;

class CursorTest : public StandinTest {
 protected:
  void Init(int major, int minor, int update) {
    UseClient(major, minor, update);
    InitOciEnvironment();
    standin_->ClearLog();
  }
};

TEST_F(CursorTest, StatementAllocatedOnceWithPrefetchAndFreedWithTheLastReference) {
  Init(10, 2, 0);
  const int before = standin_->LiveHandles();
  auto* cursor = new TOraCursor;
  cursor->SetPrefetchRows(0);
  EXPECT_FALSE(cursor->HasStatement()) << "nothing is allocated before it is needed";
  OCIStmt* statement = cursor->GetOCIStmt();
  ASSERT_NE(statement, nullptr);
  EXPECT_EQ(cursor->GetOCIStmt(), statement);
  EXPECT_EQ(*cursor->GetOCIStmtPtr(), statement);
  EXPECT_EQ(standin_->LiveHandles(), before + 1);
  cursor->SetPrefetchRows(25);
  cursor->AddRef();
  cursor->Release();
  EXPECT_EQ(standin_->LiveHandles(), before + 1) << "still referenced";
  cursor->Release();
  EXPECT_EQ(standin_->LiveHandles(), before);
  EXPECT_THAT(standin_->Log(),
              ElementsAre("OCIHandleAlloc type=4",
                          // a new statement with no prefetch count: rows and memory 0
                          "OCIAttrSet htype=4 attr=11", "OCIAttrSet htype=4 attr=13",
                          "OCIAttrSet htype=4 attr=11", "OCIHandleFree type=4"));
}

TEST_F(CursorTest, EightOneSixClientGetsNoPrefetchAttribute) {
  Init(8, 1, 6);
  auto* cursor = new TOraCursor;
  cursor->SetPrefetchRows(10);
  cursor->GetOCIStmt();
  cursor->SetPrefetchRows(20);
  cursor->Release();
  EXPECT_TRUE(standin_->LogOf("OCIAttrSet").empty());
}

TEST_F(CursorTest, CallStylesAreChecked) {
  Init(10, 2, 0);
  auto* cursor = new TOraCursor;
  EXPECT_EQ(MessageOf([&] { cursor->GetCDA(); }), "Need Oracle 7.3 Call Interface");
  cursor->SetOCICallStyle(kOci7);
  EXPECT_NE(cursor->GetCDA(), nullptr);
  EXPECT_EQ(MessageOf([&] { cursor->GetOCIStmt(); }), "Need Oracle 8 Call Interface");
  cursor->SetOCICallStyle(0);
  EXPECT_EQ(MessageOf([&] { cursor->CheckOCI(); }), "OCI is not inizialized");
  cursor->Release();
}

}  // namespace
}  // namespace oracle::testing
