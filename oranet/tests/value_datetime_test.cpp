// Date, timestamp and interval values: their byte forms, shrinking,
// comparison, checks, zones and the calendar under them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/exceptions.h"
#include "oranet/tests/value_clock_fixture.h"
#include "oranet/value_calendar.h"
#include "oranet/value_datetime.h"
#include "oranet/value_interval.h"

namespace oranet {
namespace {

using oracle::OCI_DTYPE_TIMESTAMP;
using oracle::OCI_DTYPE_TIMESTAMP_LTZ;
using oracle::OCI_DTYPE_TIMESTAMP_TZ;
using Bytes = std::vector<uint8_t>;

Bytes BytesOf(const TNetDateTime& v) { return {v.Bytes(), v.Bytes() + v.Size()}; }
Bytes BytesOf(const TNetInterval& v) { return {v.Bytes(), v.Bytes() + v.Size()}; }

template <class Call>
void ExpectMessage(const std::string& message, Call call) {
  try {
    call();
    ADD_FAILURE() << "no error, wanted " << message;
  } catch (const classlib::Exception& e) {
    EXPECT_EQ(e.Message(), message);
  }
}

TEST(ValueCalendarTest, OneGregorianModelForLeapYearsDaysAndWeeks) {
  EXPECT_TRUE(IsLeapYearOf(2000));
  EXPECT_FALSE(IsLeapYearOf(1900));
  EXPECT_FALSE(IsLeapYearOf(2100));
  EXPECT_TRUE(IsLeapYearOf(-1));  // 1 BC
  EXPECT_EQ(DaysInMonthOf(1900, 2), 28);
  EXPECT_EQ(DaysInMonthOf(2024, 2), 29);
  EXPECT_EQ(DaysInMonthOf(2024, 13), 0);
  EXPECT_EQ(DayNumberOf(1899, 12, 30), 0);
  EXPECT_EQ(JulianDayOf(2000, 1, 1), 2451545);
  EXPECT_EQ(DayOfWeekOf(2026, 12, 7), 2);  // a Monday
  EXPECT_EQ(DayOfYearOf(2024, 12, 31), 366);
  // The day after 31 December 1 BC is 1 January AD 1, and back again.
  int y, m, d;
  DateOfDayNumber(DayNumberOf(-1, 12, 31) + 1, y, m, d);
  EXPECT_EQ((std::vector<int>{y, m, d}), (std::vector<int>{1, 1, 1}));
  for (int64_t n = -2000000; n < 3000000; n += 997) {
    DateOfDayNumber(n, y, m, d);
    ASSERT_EQ(DayNumberOf(y, m, d), n);
  }
  // Sunday weeks: a Sunday starts the next week, and 29 December 2024
  // (a Sunday) already belongs to week 1 of 2025.
  EXPECT_EQ(IsoWeekOf(2026, 12, 5), 49);
  EXPECT_EQ(IsoWeekOf(2026, 12, 6), 50);
  EXPECT_EQ(IsoWeekOf(2024, 12, 29), 1);
}

TEST(ValueCalendarTest, ShiftsCrossDaysMonthsAndYears) {
  int y = 2000, m = 1, d = 1, h = 1, mi = 30;
  ShiftByMinutes(y, m, d, h, mi, false, 120);
  EXPECT_EQ((std::vector<int>{y, m, d, h, mi}), (std::vector<int>{1999, 12, 31, 23, 30}));
  ShiftByMinutes(y, m, d, h, mi, true, 24 * 60 * 59 + 30);
  EXPECT_EQ((std::vector<int>{y, m, d, h, mi}), (std::vector<int>{2000, 2, 29, 0, 0}));
}

TEST(ValueDateTimeTest, DatesHaveTheDatabasesBytes) {
  TNetDateTime v(nullptr, OCI_DTYPE_TIMESTAMP);
  v.SetDate(1999, 12, 31);
  v.SetTime(23, 59, 58, 0);
  EXPECT_EQ(BytesOf(v), (Bytes{119, 199, 12, 31, 24, 60, 59}));
  v.SetDate(-1, 1, 2);
  EXPECT_EQ(BytesOf(v)[0], 100);
  EXPECT_EQ(BytesOf(v)[1], 99);
  int y, m, d;
  v.GetDate(y, m, d);
  EXPECT_EQ(y, -1);
  // A fraction needs 11 bytes; clearing it shrinks back to 7.
  v.SetTime(1, 2, 3, 500000000);
  EXPECT_EQ(BytesOf(v), (Bytes{100, 99, 1, 2, 2, 3, 4, 0x1D, 0xCD, 0x65, 0x00}));
  v.SetTime(1, 2, 3, 0);
  EXPECT_EQ(v.Size(), 7u);
  // A fifth digit of the year has no byte to go to.
  EXPECT_THROW(v.SetDate(10000, 1, 1), classlib::Exception);
  TNetDateTime zoned(nullptr, OCI_DTYPE_TIMESTAMP_TZ);
  EXPECT_THROW(zoned.Construct(9999, 12, 31, 23, 0, 0, 0, "-02:00"), classlib::Exception);
}

TEST(ValueDateTimeTest, ZonedValuesKeepUtcAndTheirZone) {
  TNetDateTime v(nullptr, OCI_DTYPE_TIMESTAMP_TZ);
  v.Construct(2000, 1, 1, 10, 30, 0, 0, "+02:00");
  // Stored in UTC, the zone + 20 and + 60 after it; 13 bytes even with no fraction.
  EXPECT_EQ(BytesOf(v), (Bytes{120, 100, 1, 1, 9, 31, 1, 0, 0, 0, 0, 22, 60}));
  const TDateTimeParts wall = v.WallParts();
  EXPECT_EQ(wall.hour, 10);
  EXPECT_EQ(v.GetTimeZoneName(), "+02:00");

  TNetDateTime utc(nullptr, OCI_DTYPE_TIMESTAMP_TZ);
  utc.Construct(2000, 1, 1, 0, 0, 0, 0, "");
  EXPECT_EQ(utc.Size(), 13u);
  EXPECT_EQ(utc.GetTimeZoneName(), "+00:00");

  TNetDateTime west(nullptr, OCI_DTYPE_TIMESTAMP_TZ);
  west.Construct(2000, 1, 1, 5, 0, 0, 0, "-03:30");
  EXPECT_EQ(west.GetTimeZoneName(), "-03:30");
  EXPECT_EQ(west.StoredParts().hour, 8);
  EXPECT_EQ(west.StoredParts().minute, 30);
  // The same instant written in two zones is equal.
  TNetDateTime same(nullptr, OCI_DTYPE_TIMESTAMP_TZ);
  same.Construct(2000, 1, 1, 10, 30, 0, 0, "+02:00");
  TNetDateTime later(nullptr, OCI_DTYPE_TIMESTAMP_TZ);
  later.Construct(2000, 1, 1, 8, 30, 0, 0, "+00:00");
  EXPECT_EQ(v.Compare(later), 0);

  ExpectMessage("ORA-01821 date format not recognized", [&] { v.Construct(2000, 1, 1, 0, 0, 0, 0, "+0200"); });
  ExpectMessage("ORA-01874 time zone hour must be between -12 and 13",
                [&] { v.Construct(2000, 1, 1, 0, 0, 0, 0, "+14:00"); });
  ExpectMessage("ORA-01875 time zone minute must be between -59 and 59",
                [&] { v.Construct(2000, 1, 1, 0, 0, 0, 0, "+01:75"); });
}

TEST(ValueDateTimeTest, LocalZoneValuesAreKeptInTheReferenceZone) {
  testing::TScopedClock clock({2026, 6, 1}, 3 * 60);
  TNetDateTime v(nullptr, OCI_DTYPE_TIMESTAMP_LTZ);
  v.Construct(2026, 6, 1, 12, 0, 0, 0, "+05:00");  // the zone text is ignored
  // 12:00 at +03:00 is 02:00 at the reference zone -07:00.
  EXPECT_EQ(v.StoredParts().hour, 2);
  EXPECT_EQ(v.WallParts().hour, 12);
  int h, m;
  v.GetTimeZoneOffset(h, m);
  EXPECT_EQ(h, 3);
  TNetDateTime plain(nullptr, OCI_DTYPE_TIMESTAMP);
  ExpectMessage("ORA-01878 specified field not found in datetime or interval", [&] { plain.GetTimeZoneOffset(h, m); });
}

TEST(ValueDateTimeTest, ComparisonCountsMissingBytesAsZero) {
  TNetDateTime a(nullptr, OCI_DTYPE_TIMESTAMP), b(nullptr, OCI_DTYPE_TIMESTAMP);
  a.Construct(2020, 5, 5, 1, 2, 3, 0, "");
  b.Construct(2020, 5, 5, 1, 2, 3, 1, "");
  EXPECT_EQ(a.Size(), 7u);
  EXPECT_EQ(b.Size(), 11u);
  EXPECT_EQ(a.Compare(b), -1);
  EXPECT_EQ(b.Compare(a), 1);
  TNetDateTime c(nullptr, OCI_DTYPE_TIMESTAMP);
  c.Assign(b);
  EXPECT_EQ(c.Compare(b), 0);
  TNetDateTime zoned(nullptr, OCI_DTYPE_TIMESTAMP_TZ), empty(nullptr, OCI_DTYPE_TIMESTAMP);
  zoned.Construct(2020, 5, 5, 1, 2, 3, 0, "");
  ExpectMessage("ORA-01870 the intervals or datetimes are not mutually comparable", [&] { a.Compare(zoned); });
  ExpectMessage("ORA-01870 the intervals or datetimes are not mutually comparable", [&] { a.Compare(empty); });
  TNetIntervalYM interval(nullptr);
  ExpectMessage("ORA-01870 the intervals or datetimes are not mutually comparable", [&] { a.Assign(interval); });
}

TEST(ValueDateTimeTest, CheckFlagsEachBadField) {
  TNetDateTime v(nullptr, OCI_DTYPE_TIMESTAMP);
  v.Construct(2024, 2, 29, 23, 59, 59, 0, "");
  EXPECT_EQ(v.Check(), 0u);
  v.SetDate(1900, 2, 29);  // no leap day in 1900
  EXPECT_EQ(v.Check(), kDtInvalidDay);
  v.SetDate(0, 0, 0);
  EXPECT_EQ(v.Check(), kDtYearZero | kDtInvalidMonth | kDtMonthBelowValid | kDtInvalidDay | kDtDayBelowValid);
  v.SetDate(-4713, 1, 1);
  EXPECT_EQ(v.Check(), kDtInvalidYear | kDtYearBelowValid);
  v.SetDate(2000, 1, 1);
  v.SetTime(24, 60, 60, 0);
  EXPECT_EQ(v.Check(), kDtInvalidHour | kDtInvalidMinute | kDtInvalidSecond);
  const uint8_t badZone[13] = {120, 100, 1, 1, 1, 1, 1, 0, 0, 0, 0, 20 + 2, 60 - 30};
  TNetDateTime zoned(nullptr, OCI_DTYPE_TIMESTAMP_TZ);
  zoned.SetBytes(badZone, sizeof badZone);
  EXPECT_EQ(zoned.Check(), kDtInvalidTimeZone);
}

TEST(ValueDateTimeTest, ByteSettersTakeOnlyTheFormsOfTheirKind) {
  const uint8_t bytes[14] = {120, 100, 1, 1, 1, 1, 1, 0, 0, 0, 0, 20, 60, 0};
  TNetDateTime v(nullptr, OCI_DTYPE_TIMESTAMP);
  for (size_t size : {0, 7, 11, 13}) {
    v.SetBytes(bytes, size);
    EXPECT_EQ(v.Size(), size);
  }
  for (size_t size : {1, 6, 8, 12, 14}) {
    EXPECT_THROW(v.SetBytes(bytes, size), classlib::Exception) << size;
  }
  TNetIntervalYM ym(nullptr);
  TNetIntervalDS ds(nullptr);
  ym.SetBytes(bytes, 5);
  ds.SetBytes(bytes, 11);
  EXPECT_THROW(ym.SetBytes(bytes, 11), classlib::Exception);
  EXPECT_THROW(ds.SetBytes(bytes, 5), classlib::Exception);
  EXPECT_THROW(ds.SetBytes(bytes, 13), classlib::Exception);
}

TEST(ValueIntervalTest, YearToMonthBytesAndTexts) {
  TNetIntervalYM v(nullptr);
  v.SetYearMonth(1, 2);
  EXPECT_EQ(BytesOf(v), (Bytes{0x80, 0, 0, 1, 62}));
  v.FromText("-1-6");
  EXPECT_EQ(BytesOf(v), (Bytes{0x7F, 0xFF, 0xFF, 0xFF, 54}));
  int32_t y, m;
  v.GetYearMonth(y, m);
  EXPECT_EQ(y, -1);
  EXPECT_EQ(m, -6);
  EXPECT_EQ(v.ToText(2, 6), "-01-06");
  EXPECT_EQ(v.Check(), 0u);
  v.SetLeadPrecision(3);
  v.FromText(" +123-11");
  EXPECT_EQ(v.Check(), 0u);
  EXPECT_EQ(v.ToText(2, 6), "+123-11");  // a longer number is written whole
  v.SetLeadPrecision(2);
  EXPECT_EQ(v.Check(), kIntervalInvalidYear);
  v.SetYearMonth(1, -3);
  EXPECT_EQ(v.Check(), kIntervalInvalidMonth);
  TNetIntervalYM empty(nullptr);
  EXPECT_EQ(empty.ToText(2, 6), "");
  ExpectMessage("ORA-01843: not a valid month", [&] { v.FromText("1-12"); });
  ExpectMessage("ORA-01867: the interval is invalid", [&] { v.FromText("1 6"); });
  v.SetLeadPrecision(2);
  ExpectMessage("ORA-01873: the leading pricision of interval is too small", [&] { v.FromText("100-1"); });
}

TEST(ValueIntervalTest, DayToSecondBytesAndTexts) {
  TNetIntervalDS v(nullptr);
  v.FromText("+3 04:05:06.5");
  EXPECT_EQ(BytesOf(v), (Bytes{0x80, 0, 0, 3, 64, 65, 66, 0x9D, 0xCD, 0x65, 0x00}));
  EXPECT_EQ(v.ToText(2, 6), "+03 04:05:06.500000");
  EXPECT_EQ(v.Check(), 0u);
  v.FromText("-1 02:03:04.000000007");
  EXPECT_EQ(v.ToText(3, 9), "-001 02:03:04.000000007");
  EXPECT_EQ(v.Check(), 0u);  // every field negative is a valid negative interval
  v.FromText("2 10:00:00");
  EXPECT_EQ(v.ToText(2, 2), "+02 10:00:00.00");
  v.SetDaySecond(1, -2, 0, 0, 0);
  EXPECT_EQ(v.Check(), kIntervalInvalidHour);
  ExpectMessage("ORA-01867: the interval is invalid", [&] { v.FromText("3 04 05:06"); });
  ExpectMessage("ORA-01867: the interval is invalid", [&] { v.FromText("3 04-05-06"); });
  ExpectMessage("ORA-01850 hour must be between 0 and 23", [&] { v.FromText("3 24:00:00"); });
  ExpectMessage("ORA-01851 minutes must be between 0 and 59", [&] { v.FromText("3 23:60:00"); });
  ExpectMessage("ORA-01852 seconds must be between 0 and 59", [&] { v.FromText("3 23:00:60.1"); });
  ExpectMessage("ORA-01867: the interval is invalid", [&] { v.FromText("x 23:00:00"); });
}

TEST(ValueIntervalTest, ComparisonFollowsTheValues) {
  TNetIntervalDS a(nullptr), b(nullptr), c(nullptr);
  a.FromText("-1 00:00:00");
  b.FromText("0 23:59:59.9");
  c.FromText("1 00:00:00");
  EXPECT_EQ(a.Compare(b), -1);
  EXPECT_EQ(b.Compare(c), -1);
  EXPECT_EQ(c.Compare(a), 1);
  TNetIntervalDS copy(nullptr);
  copy.Assign(b);
  EXPECT_EQ(copy.Compare(b), 0);
  TNetIntervalYM ym(nullptr);
  ym.SetYearMonth(1, 0);
  EXPECT_THROW(a.Compare(ym), classlib::Exception);
  EXPECT_THROW(ym.Assign(a), classlib::Exception);
}

}  // namespace
}  // namespace oranet
