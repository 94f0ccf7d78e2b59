// Datetime format models: texts read and written by a model, the RR and
// two-digit year rules under a fixed clock, 12-hour times, zones, fill mode
// and the letter case of names.
#include <gtest/gtest.h>

#include <string>

#include "classlib/exceptions.h"
#include "oranet/tests/value_clock_fixture.h"
#include "oranet/value_format.h"

namespace oranet {
namespace {

using oracle::OCI_DTYPE_TIMESTAMP;
using oracle::OCI_DTYPE_TIMESTAMP_LTZ;
using oracle::OCI_DTYPE_TIMESTAMP_TZ;
using testing::TScopedClock;

class ValueFormatTest : public ::testing::Test {
 protected:
  // Today is 7 December 2026; the machine's zone is +03:00.
  TScopedClock clock_{{2026, 12, 7}, 180};

  static std::string RoundTrip(const std::string& text, const std::string& format, ub4 type = OCI_DTYPE_TIMESTAMP) {
    TNetDateTime v(nullptr, type);
    ParseDateTimeFormat(v, text, format);
    return FormatOraDateTime(v, format, 9);
  }
  static TDateTimeParts Parse(const std::string& text, const std::string& format) {
    TNetDateTime v(nullptr, OCI_DTYPE_TIMESTAMP);
    ParseDateTimeFormat(v, text, format);
    return v.StoredParts();
  }
  static std::string Print(int y, int mo, int d, int h, int mi, int s, uint32_t fs, const std::string& format) {
    TNetDateTime v(nullptr, OCI_DTYPE_TIMESTAMP);
    v.Construct(y, mo, d, h, mi, s, fs, "");
    return FormatOraDateTime(v, format, 6);
  }
  static void ExpectParseError(const std::string& message, const std::string& text, const std::string& format) {
    TNetDateTime v(nullptr, OCI_DTYPE_TIMESTAMP);
    try {
      ParseDateTimeFormat(v, text, format);
      ADD_FAILURE() << "'" << text << "' by '" << format << "' parsed";
    } catch (const classlib::Exception& e) {
      EXPECT_EQ(e.Message(), message) << text << " / " << format;
    }
  }
};

TEST_F(ValueFormatTest, TextsComeBackThroughTheirModels) {
  EXPECT_EQ(RoundTrip("31.12.1999 23:59:58.123456789", "DD.MM.YYYY HH24:MI:SS.FF9"), "31.12.1999 23:59:58.123456789");
  EXPECT_EQ(RoundTrip("2024-02-29T07:08:09", "YYYY-MM-DD\"T\"HH24:MI:SS"), "2024-02-29T07:08:09");
  EXPECT_EQ(RoundTrip("05-MAR-49", "DD-MON-RR"), "05-MAR-49");
  EXPECT_EQ(RoundTrip("-0044", "SYYYY"), "-0044");
  EXPECT_EQ(RoundTrip(" 2000", "SYYYY"), " 2000");
  EXPECT_EQ(RoundTrip("2000-01-01 10:30 -03:30", "YYYY-MM-DD HH24:MI TZH:TZM", OCI_DTYPE_TIMESTAMP_TZ),
            "2000-01-01 10:30 -03:30");
  EXPECT_EQ(RoundTrip("2000-01-01 10:30 -00:30", "YYYY-MM-DD HH24:MI TZR", OCI_DTYPE_TIMESTAMP_TZ),
            "2000-01-01 10:30 -00:30");
  EXPECT_EQ(RoundTrip("Tuesday 01 January 2002", "fmDay DD Month YYYY"), "Tuesday 1 January 2002");
  EXPECT_EQ(RoundTrip("2000.060", "YYYY.DDD"), "2000.060");
}

TEST_F(ValueFormatTest, ZonesMoveTheStoredTimeIntoUtcOrTheReferenceZone) {
  TNetDateTime tz(nullptr, OCI_DTYPE_TIMESTAMP_TZ);
  ParseDateTimeFormat(tz, "2000-01-01 01:00 +02:00", "YYYY-MM-DD HH24:MI TZH:TZM");
  const TDateTimeParts utc = tz.StoredParts();
  EXPECT_EQ((std::vector<int>{utc.year, utc.month, utc.day, utc.hour}), (std::vector<int>{1999, 12, 31, 23}));
  // Without a zone in the text, the machine's zone (+03:00) is taken.
  ParseDateTimeFormat(tz, "2000-01-01 01:00", "YYYY-MM-DD HH24:MI");
  EXPECT_EQ(tz.GetTimeZoneName(), "+03:00");
  EXPECT_EQ(tz.StoredParts().hour, 22);
  // Local-zone values are stored at -07:00 and written in the machine's zone.
  TNetDateTime ltz(nullptr, OCI_DTYPE_TIMESTAMP_LTZ);
  ParseDateTimeFormat(ltz, "2000-01-01 12:00", "YYYY-MM-DD HH24:MI");
  EXPECT_EQ(ltz.StoredParts().hour, 2);
  EXPECT_EQ(FormatOraDateTime(ltz, "HH24:MI TZH:TZM", 0), "12:00 +03:00");
}

TEST_F(ValueFormatTest, TwoDigitYearsFollowTheClock) {
  EXPECT_EQ(Parse("49", "RR").year, 2049);
  EXPECT_EQ(Parse("50", "RR").year, 1950);
  EXPECT_EQ(Parse("0049", "RRRR").year, 49);
  EXPECT_EQ(Parse("1949", "RR").year, 1949);
  EXPECT_EQ(Parse("7", "Y").year, 2027);
  EXPECT_EQ(Parse("99", "YY").year, 2099);
  EXPECT_EQ(Parse("123", "YYY").year, 2123);
  {
    TScopedClock later({2060, 1, 1}, 0);
    EXPECT_EQ(Parse("49", "RR").year, 2149);
    EXPECT_EQ(Parse("50", "RR").year, 2050);
  }
  // What the text leaves out: this year and month, day 1, midnight.
  const TDateTimeParts p = Parse("15:30", "HH24:MI");
  EXPECT_EQ((std::vector<int>{p.year, p.month, p.day, p.hour, p.minute}), (std::vector<int>{2026, 12, 1, 15, 30}));
}

TEST_F(ValueFormatTest, TwelveOClockIsMidnightBeforeNoonAndNoonAfter) {
  EXPECT_EQ(Parse("12:00 AM", "HH:MI AM").hour, 0);
  EXPECT_EQ(Parse("12:00 PM", "HH:MI PM").hour, 12);
  EXPECT_EQ(Parse("01:15 P.M.", "HH12:MI A.M.").hour, 13);
  EXPECT_EQ(Parse("11 am", "HH AM").hour, 11);
  EXPECT_EQ(Print(2000, 1, 1, 0, 5, 0, 0, "HH:MI AM"), "12:05 AM");
  EXPECT_EQ(Print(2000, 1, 1, 12, 5, 0, 0, "HH12:MI PM"), "12:05 PM");
  EXPECT_EQ(Print(2000, 1, 1, 15, 5, 0, 0, "HH:MI pm"), "03:05 pm");
  EXPECT_EQ(Print(2000, 1, 1, 15, 5, 0, 0, "HH24 a.m."), "15 p.m.");
  ExpectParseError("ORA-01849 hour must be between 1 and 12", "00:00", "HH:MI");
  ExpectParseError("ORA-01849 hour must be between 1 and 12", "13:00", "HH12:MI");
  ExpectParseError("ORA-01818 'HH24' precludes use of meridian indicator", "13 PM", "HH24 AM");
  ExpectParseError("ORA-01818 'HH24' precludes use of meridian indicator", "1 13", "HH HH24");
  ExpectParseError("ORA-01855 AM/A.M. or PM/P.M. required", "1 XM", "HH AM");
}

TEST_F(ValueFormatTest, DatesMustExist) {
  EXPECT_EQ(Parse("31.12.1999", "DD.MM.YYYY").day, 31);
  ExpectParseError("ORA-01839 date not valid for month specified", "31.02.2000", "DD.MM.YYYY");
  // One calendar throughout: 1900 has no 29 February, 2000 has.
  ExpectParseError("ORA-01839 date not valid for month specified", "29.02.1900", "DD.MM.YYYY");
  EXPECT_EQ(Parse("29.02.2000", "DD.MM.YYYY").day, 29);
  ExpectParseError("ORA-01848 day of year must be between 1 and 365 (366 for leap year)", "1900 366", "YYYY DDD");
  const TDateTimeParts first = Parse("2001 1", "YYYY DDD");
  EXPECT_EQ((std::vector<int>{first.month, first.day}), (std::vector<int>{1, 1}));
  ExpectParseError("ORA-01833 month conflicts with Julian date", "2001 32 01", "YYYY DDD MM");
  ExpectParseError("ORA-01834 day of month conflicts with Julian date", "2001 32 02", "YYYY DDD DD");
  ExpectParseError("ORA-01835 day of week conflicts with Julian date", "MON 2026-12-08", "DY YYYY-MM-DD");
  EXPECT_EQ(Parse("TUE 2026-12-08", "DY YYYY-MM-DD").day, 8);
}

TEST_F(ValueFormatTest, BadTextsAndModelsAreNamed) {
  ExpectParseError("ORA-01821 date format not recognized", "2", "Q");
  ExpectParseError("ORA-01821 date format not recognized", "31.12.1999", "DD.MM.YYYY Q");
  ExpectParseError("ORA-01821 date format not recognized", "1", "DD BAD");
  ExpectParseError("ORA-01821 date format not recognized", "1", "DD \"open");
  ExpectParseError("ORA-01858 a non-numeric character was found where a numeric was expected", "xx", "DD");
  ExpectParseError("ORA-01843 not a valid month", "13", "MM");
  ExpectParseError("ORA-01843 not a valid month", "FOO", "MON");
  ExpectParseError("ORA-01843 not a valid month", "Z", "RM");
  ExpectParseError("ORA-01847 day of month must be between 1 and last day of month", "32", "DD");
  ExpectParseError("ORA-01851 minutes must be between 0 and 59", "60", "MI");
  ExpectParseError("ORA-01852 seconds must be between 0 and 59", "60", "SS");
  ExpectParseError("ORA-01880 the fractional seconds must be between 0 and 999999999", "1.1234", "SS.FF3");
  ExpectParseError("ORA-01861 literal does not match format string", "2000X01", "YYYY\"T\"MM");
  ExpectParseError("ORA-01830 date format picture ends before converting entire input string", "01.02.2003 04",
                   "DD.MM.YYYY");
  ExpectParseError("ORA-01819 signed year precludes use of BC/AD", "2000 AD", "SYYYY AD");
  ExpectParseError("ORA-01856 BC/B.C. or AD/A.D. required", "2000 XX", "YYYY AD");
  ExpectParseError("ORA-01841 (full) year must be between -4713 and +9999, and not be 0", "-4714", "SYYYY");
  ExpectParseError("ORA-01874 time zone hour must be between -12 and 13", "+14", "TZH");
  ExpectParseError("ORA-01821 date format not recognized", "1", "DD TZD");
  // 9999-12-31 22:00 at -03:00 is past 9999 in UTC: the value stays as it was.
  TNetDateTime zoned(nullptr, OCI_DTYPE_TIMESTAMP_TZ);
  ParseDateTimeFormat(zoned, "2000-01-01", "YYYY-MM-DD");
  EXPECT_THROW(ParseDateTimeFormat(zoned, "9999-12-31 22 -03", "YYYY-MM-DD HH24 TZH"), classlib::Exception);
  EXPECT_EQ(zoned.WallParts().year, 2000);
  EXPECT_EQ(Parse("0044 BC", "YYYY BC").year, -44);
  EXPECT_EQ(Parse("2000 b.c.", "YYYY A.D.").year, -2000);
}

TEST_F(ValueFormatTest, FillModeAndCaseShapeTheOutput) {
  EXPECT_EQ(Print(2026, 3, 5, 7, 8, 9, 0, "DD.MM.YYYY"), "05.03.2026");
  EXPECT_EQ(Print(2026, 3, 5, 7, 8, 9, 0, "fmDD.MM.YYYY"), "5.3.2026");
  EXPECT_EQ(Print(2026, 3, 5, 7, 8, 9, 0, "fmDD.fmMM"), "5.03");  // FM switches back
  EXPECT_EQ(Print(2026, 3, 5, 0, 0, 0, 0, "Month/MONTH/month/fmMonth/"), "March    /MARCH    /march    /March/");
  EXPECT_EQ(Print(2026, 3, 5, 0, 0, 0, 0, "Dy DY dy Day"), "Thu THU thu Thursday ");
  EXPECT_EQ(Print(2026, 3, 5, 0, 0, 0, 0, "rm RM Q W WW IW CC"), "iii III 1 1 10 10 21");
  EXPECT_EQ(Print(-44, 3, 15, 0, 0, 0, 0, "SYYYY BC b.c. YYYY"), "-0044 BC b.c. 0044");
  EXPECT_EQ(Print(2026, 12, 7, 1, 2, 3, 0, "Y,YYY YYY YY Y IYYY SSSSS"), "2,026 026 26 6 2026 03723");
  EXPECT_EQ(Print(2000, 1, 1, 0, 0, 0, 0, "J"), "2451545");
  EXPECT_EQ(Print(2000, 1, 1, 1, 2, 3, 120000000, "SS.FF SSXFF3 FF1"), "03.120000 03.120 1");
}

TEST_F(ValueFormatTest, EmptyValuesWriteNothing) {
  TNetDateTime v(nullptr, OCI_DTYPE_TIMESTAMP);
  EXPECT_EQ(FormatOraDateTime(v, "DD.MM.YYYY", 6), "");
  EXPECT_THROW(FormatOraDateTime(v, "DD.MM.BAD", 6), classlib::Exception);
}

}  // namespace
}  // namespace oranet
