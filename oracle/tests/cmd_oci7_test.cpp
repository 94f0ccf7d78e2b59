// Commands in the older call style on the stand-in: the cursor data area's
// calls, the commit after the fact, binds with actual lengths, and LONG
// values in pieces matched to their parameters by order.
#include "dacore/blob.h"
#include "dacore/driver_props.h"
#include "oracle/call_state.h"
#include "oracle/param_ora_desc.h"
#include "oracle/tests/cmd_fixture.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using classlib::Variant;
using classlib::testing::MessageOf;
using ::testing::ElementsAre;
using namespace dacore;

class Oci7CommandTest : public CommandTest {
 protected:
  void SetUp() override {
    CommandTest::SetUp();
    Connect(kOci7);
  }
  TBlob* LongParam(TOCICommand& command, int index, TParamDirection direction, const std::string& text) {
    TOraParamDesc& param = *command.ParamAt(index);
    param.SetDataType(dtMemo);
    param.SetParamType(direction);
    auto* blob = new TBlob;
    blob->SetPieceSize(4);
    blob->SetAsString(text);
    param.SetObject(blob);
    blob->Release();
    return blob;
  }
};

TEST_F(Oci7CommandTest, InsertRunsOnACursorAreaAndCommitsAfterwards) {
  auto command = NewCommand("insert into t values (:a, :r)");
  command->ParamAt(0)->SetValue(Variant(5));
  command->ParamAt(1)->SetDataType(dtVarBytes);
  command->ParamAt(1)->SetSize(3);
  command->ParamAt(1)->SetValue(Variant(std::string("\xAB\xCD", 2)));
  command->Execute(1);
  EXPECT_TRUE(InOrder(Calls(), {"oopen", "oparse sql=insert into t values (:a, :r)  defer=0 syntax=2",
                                "obndrv name=:a type=3 size=4", "obndra name=:r type=23 size=3",
                                "oexn iters=1 offset=0", "ocom", "oclose"}));
  EXPECT_EQ(command->GetSQLType(), SQL_INSERT);
  EXPECT_EQ(command->RowsProcessed(), 1u);
  EXPECT_THAT(statements_->Received(), ElementsAre("A[1]=5", "R[1]=ABCD"));
  EXPECT_EQ(session_->CommittedWork(), 1);
}

TEST_F(Oci7CommandTest, LongInputGoesInPieces) {
  auto command = NewCommand("update t set l = :l");
  LongParam(*command, 0, pdInput, "0123456789");
  command->Execute(1);
  EXPECT_THAT(Calls("osetpi"), ElementsAre("osetpi piece=2 len=4", "osetpi piece=2 len=4", "osetpi piece=3 len=2"));
  EXPECT_THAT(statements_->Received(), ElementsAre("L[1]=0123456789"));
}

TEST_F(Oci7CommandTest, MoreLongRequestsThanInputParametersIsAnError) {
  // The server asks for both LONG values as input; the command has one
  // input: the other value would be taken from the wrong parameter.
  auto command = NewCommand("begin p(:a, :b); end;");
  LongParam(*command, 0, pdInput, "in");
  LongParam(*command, 1, pdOutput, "");
  EXPECT_EQ(MessageOf([&] { command->Execute(1); }), "Too many Input params");
  EXPECT_EQ(session_->CommittedWork(), 0) << "nothing reported as done";
}

TEST_F(Oci7CommandTest, TablesBindAllElementsAndCancelReachesTheCursor) {
  auto command = NewCommand("begin p(:tab); end;");
  TOraParamDesc& param = *command->ParamAt(0);
  param.SetDataType(dtInt32);
  param.SetTable(true);
  param.SetArrayLength(2);
  param.SetItemAsInteger(1, 4);
  param.SetItemAsInteger(2, 5);
  command->Prepare();
  EXPECT_EQ(command->GetSQLType(), SQL_PLSQL) << "the data area's function code";
  command->Execute(1);
  EXPECT_THAT(Calls("obindps"), ElementsAre("obindps op=0 name=:tab type=3 size=4"));
  EXPECT_THAT(statements_->Received(), ElementsAre("TAB[1]=[4,5]"));
  command->Cancel();
  EXPECT_EQ(command->GetCursorState(), csCancelled);
  EXPECT_THAT(Calls("ocan"), ElementsAre("ocan"));
  command->Unprepare();
  EXPECT_THAT(Calls("oclose"), ElementsAre("oclose"));
}

}  // namespace
}  // namespace oracle::testing
