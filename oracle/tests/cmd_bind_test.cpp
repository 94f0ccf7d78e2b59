// Binding on the stand-in: external types and buffer sizes per type, the
// caps of multi-byte sessions, arrays that are too short, untyped nulls.
#include "dacore/blob.h"
#include "oracle/cursor_ora_cursor.h"
#include "oracle/lob_ora_lob.h"
#include "oracle/param_ora_desc.h"
#include "oracle/tests/cmd_fixture.h"
#include "oracle/value_data_types.h"
#include "oracle/value_number.h"
#include "oracle/value_timestamp.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using classlib::Variant;
using classlib::testing::MessageOf;
using ::testing::ElementsAre;
using namespace dacore;

class BindTest : public CommandTest {
 protected:
  TOraParamDesc& Param(TOCICommand& command, int index, TDataType type, TParamDirection direction = pdInput) {
    TOraParamDesc& param = *command.ParamAt(index);
    param.SetDataType(type);
    param.SetParamType(direction);
    return param;
  }
  // A shared value object held by the parameter alone.
  template <class T>
  T* Hold(TOraParamDesc& param, T* object) {
    param.SetObject(object);
    object->Release();
    return object;
  }
};

TEST_F(BindTest, ExternalTypesAndBufferSizesPerType) {
  Connect();
  auto command = NewCommand(
      "begin p(:s, :w, :r, :i, :f, :d, :n, :t, :lr, :lo, :c, :b, :u); end;");
  Param(*command, 0, dtString).SetSize(10);
  command->ParamAt(0)->SetValue(Variant("abc"));
  Param(*command, 1, dtWideString).SetSize(10);
  command->ParamAt(1)->SetValue(Variant(std::u16string(u"wide")));
  Param(*command, 2, dtVarBytes).SetSize(4);
  command->ParamAt(2)->SetValue(Variant(std::string("\x01\x02\x03", 3)));
  Param(*command, 3, dtInt32).SetValue(Variant(7));
  Param(*command, 4, dtFloat).SetValue(Variant(2.5));
  Param(*command, 5, dtDateTime).SetValue(Variant::FromDate(classlib::EncodeDate(2005, 3, 15)));
  auto* number = Hold(Param(*command, 6, dtNumber), new TOraNumber);
  number->SetAsInteger(42);
  auto* stamp = Hold(Param(*command, 7, dtTimeStamp), new TOraTimeStamp(dtTimeStamp));
  stamp->Construct(2006, 1, 2, 3, 4, 5, 0, "");
  auto* long_raw = Hold(Param(*command, 8, dtBlob), new TBlob);
  long_raw->SetAsString("xyz");
  Hold(Param(*command, 9, dtMemo, pdOutput), new TBlob);
  Hold(Param(*command, 10, dtCursor, pdOutput), new TOraCursor);
  Hold(Param(*command, 11, dtOraClob, pdOutput), new TOraLob(nullptr));
  command->ParamAt(12)->SetNull(true);
  command->Execute(1);
  EXPECT_THAT(Calls("OCIBindByName"),
              ElementsAre("OCIBindByName name=s type=5 size=11 mode=0",
                          "OCIBindByName name=w type=5 size=22 mode=0",
                          // the data behind the length word, as much as the item holds
                          "OCIBindByName name=r type=23 size=4 mode=0",
                          "OCIBindByName name=i type=3 size=4 mode=0",
                          "OCIBindByName name=f type=4 size=8 mode=0",
                          "OCIBindByName name=d type=12 size=7 mode=0",
                          "OCIBindByName name=n type=6 size=22 mode=0",
                          "OCIBindByName name=t type=187 size=8 mode=0",
                          "OCIBindByName name=lr type=24 size=3 mode=2",
                          "OCIBindByName name=lo type=8 size=2147483647 mode=2",
                          "OCIBindByName name=c type=116 size=0 mode=0",
                          "OCIBindByName name=b type=112 size=8 mode=0",
                          "OCIBindByName name=u type=1 size=0 mode=0"));
  EXPECT_EQ(Calls("OCIBindDynamic").size(), 2u) << "both LONG parameters are fed by callbacks";
  const auto received = statements_->Received();
  EXPECT_THAT(received, ::testing::IsSupersetOf({"S[1]=abc", "R[1]=010203", "I[1]=7", "F[1]=2.5",
                                                 "D[1]=2005-03-15 00:00:00", "N[1]=42",
                                                 "T[1]=2006-01-02 03:04:05.000000000", "LR[1]=78797A",
                                                 "U[1]=NULL"}));
}

TEST_F(BindTest, MultiByteSessionCapsStringBuffers) {
  session_->SetCharLength(3);
  connection_ = NewConnection();
  connection_->SetProp(prCharLength, Variant(0));  // as the server says
  connection_->Connect("");
  standin_->ClearLog();
  auto command = NewCommand("insert into t values (:s)");
  Param(*command, 0, dtString).SetSize(6000);
  command->ParamAt(0)->SetValue(Variant("x"));
  command->Execute(1);
  EXPECT_THAT(Calls("OCIBindByName"), ElementsAre("OCIBindByName name=s type=5 size=4001 mode=0"));
  EXPECT_TRUE(InOrder(Calls(), {"OCIAttrSet htype=5 attr=33", "OCIAttrSet htype=5 attr=163"}));
}

TEST_F(BindTest, NationalParametersBindTheNationalForm) {
  Connect();
  auto command = NewCommand("insert into t values (:s)");
  Param(*command, 0, dtString).SetSize(5);
  command->ParamAt(0)->SetNational(true);
  command->ParamAt(0)->SetValue(Variant("x"));
  command->Execute(1);
  EXPECT_TRUE(InOrder(Calls(), {"OCIBindByName name=s type=5 size=6 mode=0", "OCIAttrSet htype=5 attr=32"}));
}

TEST_F(BindTest, ArrayShorterThanTheIterationsFailsBeforeSending) {
  Connect();
  auto command = NewCommand("insert into t values (:a, :b)");
  Param(*command, 0, dtInt32).SetArrayLength(3);
  Param(*command, 1, dtInt32).SetArrayLength(2);
  EXPECT_EQ(MessageOf([&] { command->Execute(3); }), "b parameter must be array with length 3");
  EXPECT_TRUE(Calls("OCIStmtExecute").empty());
  EXPECT_FALSE(command->GetPrepared());
}

TEST_F(BindTest, PreparedCommandRebindsOnlyWhatChanged) {
  Connect();
  auto command = NewCommand("insert into t values (:a)");
  TOraParamDesc& param = Param(*command, 0, dtInt32);
  param.SetArrayLength(2);
  param.SetItemAsInteger(1, 1);
  param.SetItemAsInteger(2, 2);
  command->Prepare();
  command->Execute(1);
  command->Execute(1);
  EXPECT_EQ(Calls("OCIBindByName").size(), 1u) << "the same buffer needs no second bind";
  command->Execute(2);
  EXPECT_EQ(Calls("OCIBindArrayOfStruct").size(), 1u) << "an array execute sets its skips";
  EXPECT_EQ(MessageOf([&] { command->Execute(3); }), "a parameter must be array with length 3")
      << "checked also when nothing is rebound";
  EXPECT_THAT(statements_->Received(), ElementsAre("A[1]=1", "A[1]=1", "A[1]=1", "A[2]=2"));
}

TEST_F(BindTest, PlSqlTableBindsEveryElement) {
  Connect();
  auto command = NewCommand("begin p(:tab); end;");
  TOraParamDesc& param = Param(*command, 0, dtInt32);
  param.SetTable(true);
  param.SetArrayLength(3);
  for (int i = 1; i <= 3; ++i) param.SetItemAsInteger(i, i * 10);
  param.SetItemNull(2, true);
  command->Execute(1);
  EXPECT_THAT(Calls("OCIBindByName"), ElementsAre("OCIBindByName name=tab type=3 size=4 mode=0 max=3"));
  EXPECT_THAT(Calls("OCIBindArrayOfStruct"), ElementsAre("OCIBindArrayOfStruct value=4 ind=2 len=0 rc=0"));
  EXPECT_THAT(statements_->Received(), ElementsAre("TAB[1]=[10,NULL,30]"));
}

TEST_F(BindTest, ArraysOfNumbersAndTimeStampsBindTheirItemsObjects) {
  Connect();
  auto command = NewCommand("insert into t values (:n, :t)");
  TOraParamDesc& numbers = Param(*command, 0, dtNumber);
  numbers.SetArrayLength(2);
  numbers.SetItemAsVariant(1, Variant(static_cast<long long>(12345678901LL)));
  TOraParamDesc& stamps = Param(*command, 1, dtTimeStamp);
  stamps.SetArrayLength(2);
  dynamic_cast<TOraTimeStamp*>(stamps.GetItemObject(2))->Construct(2007, 8, 9, 10, 11, 12, 5, "");
  stamps.SetItemNull(2, false);
  command->Execute(2);
  EXPECT_THAT(Calls("OCIBindByName"), ElementsAre("OCIBindByName name=n type=6 size=22 mode=0",
                                                  "OCIBindByName name=t type=187 size=8 mode=0"));
  EXPECT_THAT(statements_->Received(), ElementsAre("N[1]=12345678901", "N[2]=NULL", "T[1]=NULL",
                                                   "T[2]=2007-08-09 10:11:12.000000005"));
}

TEST_F(BindTest, UnsupportedTypesAreRefused) {
  Connect();
  auto command = NewCommand("begin p(:o); end;");
  Param(*command, 0, dtObject);
  EXPECT_EQ(MessageOf([&] { command->Execute(1); }), "Type of object must be defined")
      << "an object parameter needs its value, which carries the type";
  EXPECT_EQ(MessageOf([&] { command->GetOraType(9999, 0); }), "Data type is not supported");
  EXPECT_EQ(command->GetOraType(dtFloat, 0), SQLT_FLT);
  EXPECT_EQ(command->GetOraType(dtNumber, 0), SQLT_VNU);
}

}  // namespace
}  // namespace oracle::testing
