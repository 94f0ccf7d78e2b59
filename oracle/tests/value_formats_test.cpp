// The format models made from the locale and from a number's text, the
// fix-up of the server's number texts, and the session's record-set helper.
#include "classlib/format_settings.h"
#include "oracle/oci_defs.h"
#include "oracle/value_classes_utils.h"
#include "oracle/value_formats.h"
#include "oracle/tests/standin_fixture_values.h"

namespace oracle::testing {
namespace {

class FormatTest : public ::testing::Test {
 protected:
  void SetUp() override { classlib::ResetFormatSettings(); }
  void TearDown() override {
    classlib::ResetFormatSettings();
    SetLocaleDefaults();
  }
  void Locale(const std::string& date, const std::string& time, char point = '.', char group = ',') {
    classlib::TFormatSettings& settings = classlib::FormatSettings();
    settings.ShortDateFormat = date;
    settings.LongTimeFormat = time;
    settings.DecimalSeparator = point;
    settings.ThousandSeparator = group;
    SetLocaleDefaults();
  }
};

TEST_F(FormatTest, DateTimeModelComesFromTheLocalePatterns) {
  Locale("dd.MM.yyyy", "H:mm:ss");
  EXPECT_EQ(MakeOraDateTimeFormat(OCI_DTYPE_TIMESTAMP), "DD.MM.YYYY fmHH24fm:MI:SS.FF");
  EXPECT_EQ(MakeOraDateTimeFormat(OCI_DTYPE_TIMESTAMP_TZ), "DD.MM.YYYY fmHH24fm:MI:SS.FF TZH:TZM");
  EXPECT_EQ(MakeOraDateTimeFormat(OCI_DTYPE_TIMESTAMP_LTZ), "DD.MM.YYYY fmHH24fm:MI:SS.FF");
  Locale("dd.MM.yyyy", "h:mm:ss tt");
  EXPECT_EQ(MakeOraDateTimeFormat(OCI_DTYPE_TIMESTAMP), "DD.MM.YYYY fmHH12fm:MI:SS.FF AM");
  Locale("d/m/yy", "hh:nn:ss", ',');
  EXPECT_EQ(MakeOraDateTimeFormat(OCI_DTYPE_TIMESTAMP), "fmDDfm/fmMMfm/YY HH24:MI:SS,FF")
      << "the fraction follows the locale's decimal separator";
}

TEST_F(FormatTest, DatePatternElements) {
  EXPECT_EQ(OraDatePattern("ddd, dddd mmm mmmm"), "DY, fmDAYfm MON MONTH");
  EXPECT_EQ(OraDatePattern("ddddd"), "fmDAYfmfmDDfm") << "a fifth d starts a new element";
  EXPECT_EQ(OraDatePattern("gg yyyy"), "EE YYYY");
  EXPECT_EQ(OraDatePattern("yyyy 'year' \"of\" x"), "YYYY \"year\" \"of\" X");
  EXPECT_EQ(OraDatePattern("dd 'open"), "DD \"open\"") << "an unterminated literal is closed";
}

TEST_F(FormatTest, TimePatternElements) {
  EXPECT_EQ(OraTimePattern("h:n:s"), "fmHH24fm:fmMIfm:fmSSfm.FF");
  EXPECT_EQ(OraTimePattern("hh:mm AMPM"), "HH12:MI AM");
  EXPECT_EQ(OraTimePattern("hh:mm ampm"), "HH24:MI AM") << "only AMPM in capitals selects 12 hours";
  EXPECT_EQ(OraTimePattern("hh:nn:ss.zzz"), "HH24:MI:SS.FF") << "a pattern with z shows FF itself";
  EXPECT_EQ(OraTimePattern("hh 'h'"), "HH24 \"h\"");
}

TEST_F(FormatTest, NumberModelFollowsTheText) {
  Locale("dd.MM.yyyy", "H:mm:ss", '.', ',');
  EXPECT_EQ(MakeOraNumberFormat("1,234.5"), "9G999D9");
  EXPECT_EQ(MakeOraNumberFormat("-12.5"), "S99D9");
  EXPECT_EQ(MakeOraNumberFormat(",5"), "99") << "a group separator before any digit is no group";
  EXPECT_EQ(MakeOraNumberFormat("1.2.3"), "9D999") << "only the first separator is the decimal one";
  EXPECT_EQ(MakeOraNumberFormat("-1.5E3"), "S9D" + std::string(41, '9') + "EEEE");
  EXPECT_EQ(MakeOraNumberFormat("2e5"), "9D" + std::string(41, '9') + "EEEE");
  EXPECT_EQ(MakeOraNumberFormat(std::string(70, '1')), std::string(63, '9'));
  EXPECT_EQ(MakeOraNumberFormat("-" + std::string(70, '1')), "S" + std::string(63, '9'));
  EXPECT_EQ(OraNumericCharacters(), "NLS_NUMERIC_CHARACTERS='.,'");
  Locale("dd.MM.yyyy", "H:mm:ss", ',', ' ');
  EXPECT_EQ(MakeOraNumberFormat("1 234,5"), "9G999D9");
  EXPECT_EQ(OraNumericCharacters(), "NLS_NUMERIC_CHARACTERS=', '");
}

TEST_F(FormatTest, NumberTextGetsALeadingZero) {
  EXPECT_EQ(FixOraNumberText(".5"), "0.5");
  EXPECT_EQ(FixOraNumberText("-.5"), "-0.5");
  EXPECT_EQ(FixOraNumberText("-5"), "-5");
  EXPECT_EQ(FixOraNumberText("-"), "-");
  EXPECT_EQ(FixOraNumberText(""), "");
}

}  // namespace
}  // namespace oracle::testing

namespace oracle::testing {
namespace {

class CountingRecordSet : public dacore::TCRRecordSet {
 public:
  int unprepared = 0;

 protected:
  std::unique_ptr<dacore::TCRCommand> CreateCommand() override { return nullptr; }
  void InternalUnPrepare() override { ++unprepared; }
};

TEST(ClassesUtils, UnPrepareReachesTheRecordSetsOwnOverride) {
  CountingRecordSet record_set;
  TOraClassesUtils::InternalUnPrepare(record_set);
  EXPECT_EQ(record_set.unprepared, 1);
}

}  // namespace
}  // namespace oracle::testing
