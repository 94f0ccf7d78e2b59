// The stand-in's select lists held to the public call interface: values cut
// to their buffers, nulls, the NUMBER forms, CHAR padding, the end of the
// rows, executes that fetch, scrolling and the select list's description.
#include <cstring>
#include <string>

#include "oracle/tests/standin_conformance_fixture.h"

namespace oracle::testing::conformance {
namespace {

class FetchConformance : public ConformanceTest {};

TEST_F(FetchConformance, AValueLongerThanItsBufferIsCutWithItsLengthAndAWarning) {
  void* statement = Query("S VARCHAR2(20)", "abcdefghij");
  ASSERT_EQ(Execute(statement, 0), kSuccess);
  char text[5];
  sb2 indicator = 0;
  ub2 length = 0;
  ASSERT_EQ(Define(statement, 1, text, sizeof text, kStr, &indicator, &length), kSuccess);
  EXPECT_EQ(Fetch(statement, 1), kSuccessWithInfo);
  EXPECT_EQ(ErrorCode(), 1406) << "ORA-01406: fetched column value was truncated";
  EXPECT_STREQ(text, "abcd") << "four characters and the terminator";
  EXPECT_EQ(indicator, 10) << "the original length";
  EXPECT_EQ(length, 4);

  // With column-level return codes the fetch names the truncation or null
  // fetch error, and the column its own 1406.
  ASSERT_EQ(Execute(statement, 0), kSuccess);
  ub2 code = 0;
  ASSERT_EQ(Define(statement, 1, text, sizeof text, kStr, &indicator, &length, &code), kSuccess);
  EXPECT_EQ(Fetch(statement, 1), kSuccessWithInfo);
  EXPECT_EQ(ErrorCode(), 24345);
  EXPECT_EQ(code, 1406);
}

TEST_F(FetchConformance, AnOriginalLengthBeyondSixteenBitsIsMinusTwo) {
  void* statement = Query("L LONG", std::string(40000, 'x'));
  ASSERT_EQ(Execute(statement, 0), kSuccess);
  char text[100];
  sb2 indicator = 0;
  ub2 length = 0, code = 0;
  ASSERT_EQ(Define(statement, 1, text, sizeof text, kChr, &indicator, &length, &code), kSuccess);
  EXPECT_EQ(Fetch(statement, 1), kSuccessWithInfo);
  EXPECT_EQ(indicator, -2);
  EXPECT_EQ(length, 100);
  EXPECT_EQ(code, 1406);
}

TEST_F(FetchConformance, ANullNeedsAnIndicator) {
  void* statement = Query("S VARCHAR2(20)", "<null>");
  ASSERT_EQ(Execute(statement, 0), kSuccess);
  char text[21];
  ASSERT_EQ(Define(statement, 1, text, sizeof text, kStr, nullptr), kSuccess);
  EXPECT_EQ(Fetch(statement, 1), kError);
  EXPECT_EQ(ErrorCode(), 1405) << "ORA-01405: fetched column value is NULL";

  ASSERT_EQ(Execute(statement, 0), kSuccess);
  sb2 indicator = 0;
  ub2 code = 0;
  ASSERT_EQ(Define(statement, 1, text, sizeof text, kStr, &indicator, nullptr, &code), kSuccess);
  EXPECT_EQ(Fetch(statement, 1), kSuccess);
  EXPECT_EQ(indicator, -1);
  EXPECT_EQ(code, 1405) << "a null column's return code";
}

TEST_F(FetchConformance, NumberComesInItsInternalFormAndVarnumWithItsLengthByte) {
  void* statement = Query("N NUMBER", "12345\n-12.5");
  ASSERT_EQ(Execute(statement, 0), kSuccess);
  unsigned char number[21] = {};
  sb2 indicator = 0;
  ub2 length = 0;
  ASSERT_EQ(Define(statement, 1, number, sizeof number, kNum, &indicator, &length), kSuccess);
  ASSERT_EQ(Fetch(statement, 1), kSuccess);
  // 12345 = 1|23|45 in base 100: exponent byte 0xC3, digits plus one.
  EXPECT_EQ(length, 4);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(number), 4), std::string("\xC3\x02\x18\x2E", 4));
  ASSERT_EQ(Fetch(statement, 1), kSuccess);
  // A negative number: complemented exponent, 101 minus each digit, and 102.
  EXPECT_EQ(length, 4);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(number), 4), std::string("\x3E\x59\x33\x66", 4));

  ASSERT_EQ(Execute(statement, 0), kSuccess);
  unsigned char varnum[22] = {};
  ASSERT_EQ(Define(statement, 1, varnum, sizeof varnum, kVarNum, &indicator, &length), kSuccess);
  ASSERT_EQ(Fetch(statement, 1), kSuccess);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(varnum), 5), std::string("\x04\xC3\x02\x18\x2E", 5));
}

TEST_F(FetchConformance, FixedCharIsBlankPaddedToTheBuffer) {
  void* statement = Query("S VARCHAR2(6)", "ab");
  ASSERT_EQ(Execute(statement, 0), kSuccess);
  char text[8];
  std::memset(text, '#', sizeof text);
  sb2 indicator = 0;
  ub2 length = 0;
  ASSERT_EQ(Define(statement, 1, text, sizeof text, kAfc, &indicator, &length), kSuccess);
  ASSERT_EQ(Fetch(statement, 1), kSuccess);
  EXPECT_EQ(std::string(text, sizeof text), "ab      ");
  EXPECT_EQ(length, 8);
}

TEST_F(FetchConformance, AFetchAfterTheEndIsOutOfSequence) {
  void* statement = Query("S VARCHAR2(6)", "a\nb");
  ASSERT_EQ(Execute(statement, 0), kSuccess);
  char text[5][7];
  sb2 indicators[5] = {};
  ASSERT_EQ(Define(statement, 1, text, 7, kStr, indicators), kSuccess);
  EXPECT_EQ(Fetch(statement, 5), kNoData);
  EXPECT_EQ(Fetch(statement, 5), kError);
  EXPECT_EQ(ErrorCode(), 1002) << "ORA-01002: fetch out of sequence";
  ASSERT_EQ(Execute(statement, 0), kSuccess);
  EXPECT_EQ(Fetch(statement, 1), kSuccess) << "an execute starts the rows again";
}

TEST_F(FetchConformance, AnExecuteThatFetchesNeedsDefines) {
  void* statement = Query("S VARCHAR2(6)", "a\nb");
  EXPECT_EQ(Execute(statement, 1), kError);
  EXPECT_EQ(ErrorCode(), 24374) << "ORA-24374: define not done before fetch or execute and fetch";
  EXPECT_EQ(Execute(statement, 1, kDescribeOnly), kSuccess) << "a describe fetches nothing";
  char text[7];
  sb2 indicator = 0;
  ASSERT_EQ(Define(statement, 1, text, sizeof text, kStr, &indicator), kSuccess);
  EXPECT_EQ(Execute(statement, 1), kSuccess);
  EXPECT_STREQ(text, "a");
}

TEST_F(FetchConformance, OnlyAScrollableCursorFetchesInOtherOrientations) {
  void* statement = Query("S VARCHAR2(6)", "a\nb\nc");
  ASSERT_EQ(Execute(statement, 0), kSuccess);
  char text[7];
  sb2 indicator = 0;
  ASSERT_EQ(Define(statement, 1, text, sizeof text, kStr, &indicator), kSuccess);
  EXPECT_EQ(Fetch2(statement, 1, kFetchFirst), kError);
  EXPECT_EQ(ErrorCode(), 24391) << "ORA-24391: invalid fetch operation under the current mode";
  EXPECT_EQ(Fetch2(statement, 1, kFetchNext), kSuccess);

  ASSERT_EQ(Execute(statement, 0, kScrollable), kSuccess);
  EXPECT_EQ(Fetch2(statement, 1, kFetchLast), kSuccess);
  EXPECT_STREQ(text, "c");
  EXPECT_EQ(Fetch2(statement, 1, kFetchAbsolute, 2), kSuccess);
  EXPECT_STREQ(text, "b");
  EXPECT_EQ(Fetch2(statement, 5, kFetchNext), kNoData);
  EXPECT_EQ(Fetch2(statement, 1, kFetchFirst), kSuccess) << "a scrollable cursor goes on after its end";
  EXPECT_STREQ(text, "a");
}

TEST_F(FetchConformance, TheSelectListIsDescribedOnlyAfterAnExecute) {
  void* statement = Query("S VARCHAR2(6)", "a");
  auto param_get = client_->Entry<sword(const void*, ub4, void*, void**, ub4)>("OCIParamGet");
  void* column = nullptr;
  EXPECT_EQ(param_get(statement, kStmt, error_, &column, 1), kError);
  EXPECT_EQ(ErrorCode(), 24338) << "ORA-24338: statement handle not executed";
  ASSERT_EQ(Execute(statement, 0, kDescribeOnly), kSuccess);
  EXPECT_EQ(param_get(statement, kStmt, error_, &column, 1), kSuccess);
}

TEST_F(FetchConformance, ADefineTakesOnlyTheAttributesOfADefine) {
  void* statement = Query("S VARCHAR2(6)", "a");
  ASSERT_EQ(Execute(statement, 0), kSuccess);
  char text[7];
  sb2 indicator = 0;
  void* define = nullptr;
  ASSERT_EQ(Define(statement, 1, text, sizeof text, kStr, &indicator, nullptr, nullptr, &define), kSuccess);
  auto set = client_->Entry<sword(void*, ub4, void*, ub4, ub4, void*)>("OCIAttrSet");
  ub4 rows = 10;
  EXPECT_EQ(set(define, kDefine, &rows, 0, kAttrPrefetchRows, error_), kError);
  EXPECT_EQ(ErrorCode(), 24315) << "ORA-24315: illegal attribute type";
  ub2 charset = 1000;
  EXPECT_EQ(set(define, kDefine, &charset, 0, kAttrCharsetId, error_), kSuccess);
}

TEST_F(FetchConformance, AWarningAtFetchComesWithTheRows) {
  void* statement = Query("S VARCHAR2(6)", "a\nb");
  ASSERT_EQ(Execute(statement, 0), kSuccess);
  char text[2][7];
  sb2 indicators[2] = {};
  ASSERT_EQ(Define(statement, 1, text, 7, kStr, indicators), kSuccess);
  ASSERT_EQ(InjectFault("OCIStmtFetch", 1, kSuccessWithInfo, 24347,
                        "ORA-24347: Warning of a NULL column in an aggregate function"),
            0);
  EXPECT_EQ(Fetch(statement, 2), kSuccessWithInfo);
  EXPECT_EQ(ErrorCode(), 24347);
  EXPECT_STREQ(text[0], "a");
  EXPECT_STREQ(text[1], "b");
}

}  // namespace
}  // namespace oracle::testing::conformance
