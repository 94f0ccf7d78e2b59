// Numbers kept exactly, converted by the stand-in's NUMBER calls.
#include <cstring>

#include "classlib/format_settings.h"
#include "oracle/call_state.h"
#include "oracle/value_number.h"
#include "oracle/tests/standin_fixture_values.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using classlib::testing::MessageOf;
using ::testing::ElementsAre;

class NumberTest : public ValueTest {
 protected:
  void SetUp() override {
    ValueTest::SetUp();
    Start();
    number_ = new TOraNumber();
  }
  void TearDown() override {
    number_->Release();
    ValueTest::TearDown();
  }
  TOraNumber* number_ = nullptr;
};

TEST_F(NumberTest, TextsReadBackWithALeadingZero) {
  EXPECT_TRUE(number_->IsNull());
  EXPECT_EQ(number_->AsString(), "");
  number_->SetAsString("-.5");
  EXPECT_FALSE(number_->IsNull());
  EXPECT_EQ(number_->AsString(), "-0.5");
  EXPECT_DOUBLE_EQ(number_->AsFloat(), -0.5);
  number_->SetAsString(".25");
  EXPECT_EQ(number_->AsString(), "0.25");
  EXPECT_THAT(ArgumentsOf("OCINumberToText"),
              ElementsAre("fmt=TM9 nls=NLS_NUMERIC_CHARACTERS='.,'", "fmt=TM9 nls=NLS_NUMERIC_CHARACTERS='.,'"));
  number_->SetAsString("");
  EXPECT_TRUE(number_->IsNull());
}

TEST_F(NumberTest, TextsAreParsedWithTheirOwnModel) {
  number_->SetAsString("1,234.5");
  EXPECT_EQ(number_->AsString(), "1234.5");
  number_->SetAsString("-1.5E3");
  EXPECT_EQ(number_->AsLargeInt(), -1500);
  EXPECT_THAT(ArgumentsOf("OCINumberFromText"),
              ElementsAre("text=1,234.5 fmt=9G999D9 nls=NLS_NUMERIC_CHARACTERS='.,'",
                          "text=-1.5E3 fmt=S9D" + std::string(41, '9') + "EEEE nls=NLS_NUMERIC_CHARACTERS='.,'"));
}

TEST_F(NumberTest, LocaleSeparatorsGoBothWays) {
  classlib::FormatSettings().DecimalSeparator = ',';
  classlib::FormatSettings().ThousandSeparator = '.';
  number_->SetAsString("-1.234,75");
  EXPECT_EQ(number_->AsString(), "-1234,75");
  EXPECT_DOUBLE_EQ(number_->AsFloat(), -1234.75);
}

TEST_F(NumberTest, RefusedTextLeavesTheValue) {
  number_->SetAsInteger(42);
  EXPECT_EQ(MessageOf([&] { number_->SetAsString("4x2"); }), "ORA-01722: invalid number");
  EXPECT_FALSE(number_->IsNull());
  EXPECT_EQ(number_->AsInteger(), 42);
}

TEST_F(NumberTest, IntegersFloatsComparisonAndCopies) {
  number_->SetAsLargeInt(-9007199254740993LL);
  EXPECT_EQ(number_->AsLargeInt(), -9007199254740993LL) << "kept exactly, beyond a double";
  EXPECT_EQ(number_->AsString(), "-9007199254740993");
  number_->SetAsInteger(-7);
  EXPECT_EQ(number_->AsLargeInt(), -7) << "sign-extended";
  number_->SetAsFloat(0.1);
  EXPECT_EQ(number_->AsString(), "0.1");
  // The buffer holds the call interface's form: length, exponent, digits.
  const uint8_t* bytes = number_->GetOCINumberPtr()->OCINumberPart;
  EXPECT_EQ(bytes[0], 2);
  EXPECT_EQ(bytes[1], 0xC0);
  EXPECT_EQ(bytes[2], 11);

  TOraNumber* other = new TOraNumber();
  number_->AssignTo(*other);
  EXPECT_EQ(other->Compare(*number_), 0);
  other->SetAsString("-3");
  EXPECT_LT(other->Compare(*number_), 0);
  EXPECT_GT(number_->Compare(*other), 0);
  TOraNumber* empty = new TOraNumber();
  empty->AssignTo(*other);
  EXPECT_TRUE(other->IsNull());
  EXPECT_EQ(other->AsLargeInt(), 0);
  empty->Release();
  other->Release();
}

TEST_F(NumberTest, OldClientsFormatTheFloat) {
  number_->SetAsString("2.5");
  OCIVersion = 8050;
  EXPECT_EQ(number_->AsString(), "2.5");
  EXPECT_TRUE(standin_->LogOf("OCINumberToText").empty());
}

}  // namespace
}  // namespace oracle::testing
