#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <random>
#include <thread>
#include <vector>

#include "classlib/datetime.h"
#include "classlib/exceptions.h"
#include "classlib/format_settings.h"

#include "testing/message_of.h"

namespace classlib {
namespace {

using testing::MessageOf;

struct Ymd {
  int y, m, d;
  bool operator==(const Ymd&) const = default;
};
struct Hnsz {
  int h, n, s, z;
  bool operator==(const Hnsz&) const = default;
};

Ymd DateOf(TDateTime dt) {
  Ymd r{};
  DecodeDate(dt, r.y, r.m, r.d);
  return r;
}

Hnsz TimeOf(TDateTime dt) {
  Hnsz r{};
  DecodeTime(dt, r.h, r.n, r.s, r.z);
  return r;
}

TEST(DateCodec, LandmarkDays) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(DateOf(0), (Ymd{1899, 12, 30}));
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
  EXPECT_EQ(EncodeDate(1, 1, 1), 1.0 - kDateDelta);
  EXPECT_EQ(DateOf(1.0 - kDateDelta), (Ymd{1, 1, 1}));
  EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465.0);
  EXPECT_EQ(EncodeDate(2024, 2, 29), 45351.0);
}

TEST(DateCodec, EveryDayFromYear1To9999FollowsThePreviousOne) {
  TDateTime expected = EncodeDate(1, 1, 1);
  for (int y = 1; y <= 9999; ++y) {
    for (int m = 1; m <= 12; ++m) {
      for (int d = 1; d <= DaysInMonth(y, m); ++d) {
        ASSERT_EQ(EncodeDate(y, m, d), expected) << y << "-" << m << "-" << d;
        ASSERT_EQ(DateOf(expected), (Ymd{y, m, d}));
        expected += 1;
      }
    }
  }
}

TEST(DateCodec, LeapYears) {
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_TRUE(IsLeapYear(2024));
  EXPECT_FALSE(IsLeapYear(2023));
  EXPECT_EQ(DaysInMonth(1900, 2), 28);
  EXPECT_EQ(DaysInMonth(2000, 2), 29);
  EXPECT_EQ(DaysInMonth(2023, 4), 30);
  EXPECT_EQ(DaysInMonth(2023, 13), 0);
  TDateTime dt;
  EXPECT_FALSE(TryEncodeDate(1900, 2, 29, dt));
  EXPECT_TRUE(TryEncodeDate(2000, 2, 29, dt));
}

TEST(DateCodec, InvalidArgumentsRaise) {
  const std::string date_error = "Invalid argument to date encode";
  EXPECT_EQ(MessageOf<EConvertError>([] { EncodeDate(0, 1, 1); }), date_error);
  EXPECT_EQ(MessageOf<EConvertError>([] { EncodeDate(10000, 1, 1); }), date_error);
  EXPECT_EQ(MessageOf<EConvertError>([] { EncodeDate(2024, 13, 1); }), date_error);
  EXPECT_EQ(MessageOf<EConvertError>([] { EncodeDate(2024, 4, 31); }), date_error);
  EXPECT_EQ(MessageOf<EConvertError>([] { EncodeDate(2023, 2, 29); }), date_error);
  const std::string time_error = "Invalid argument to time encode";
  EXPECT_EQ(MessageOf<EConvertError>([] { EncodeTime(24, 0, 0, 0); }), time_error);
  EXPECT_EQ(MessageOf<EConvertError>([] { EncodeTime(0, 60, 0, 0); }), time_error);
  EXPECT_EQ(MessageOf<EConvertError>([] { EncodeTime(0, 0, 60, 0); }), time_error);
  EXPECT_EQ(MessageOf<EConvertError>([] { EncodeTime(0, 0, 0, 1000); }), time_error);
  EXPECT_EQ(MessageOf<EConvertError>([] { EncodeTime(-1, 0, 0, 0); }), time_error);
}

TEST(DateCodec, NegativeValuesCountTheTimeForward) {
  EXPECT_EQ(DateOf(-1.25), (Ymd{1899, 12, 29}));
  EXPECT_EQ(TimeOf(-1.25), (Hnsz{6, 0, 0, 0}));
  // Between -1 and 0 the day is 1899-12-30, as for positive fractions.
  EXPECT_EQ(DateOf(-0.5), (Ymd{1899, 12, 30}));
  EXPECT_EQ(TimeOf(-0.5), (Hnsz{12, 0, 0, 0}));
  const TDateTime first = EncodeDate(1, 1, 1);
  EXPECT_EQ(DateOf(first - 0.75), (Ymd{1, 1, 1}));
  EXPECT_EQ(TimeOf(first - 0.75), (Hnsz{18, 0, 0, 0}));
}

TEST(DateCodec, LastMillisecondOfYear9999) {
  const TDateTime dt = EncodeDate(9999, 12, 31) + EncodeTime(23, 59, 59, 999);
  EXPECT_EQ(DateOf(dt), (Ymd{9999, 12, 31}));
  EXPECT_EQ(TimeOf(dt), (Hnsz{23, 59, 59, 999}));
  const TTimeStamp ts = DateTimeToTimeStamp(dt);
  EXPECT_EQ(ts.Time, kMSecsPerDay - 1);
  EXPECT_EQ(TimeStampToDateTime(ts), dt);
}

TEST(DateCodec, TimeOfDayAndWeekday) {
  EXPECT_EQ(TimeOf(EncodeTime(13, 45, 30, 250)), (Hnsz{13, 45, 30, 250}));
  EXPECT_EQ(DayOfWeek(0), 7);                            // 1899-12-30, a Saturday
  EXPECT_EQ(DayOfWeek(-1.25), 6);                        // Friday
  EXPECT_EQ(DayOfWeek(EncodeDate(2024, 1, 1) + 0.9), 2);  // Monday
  EXPECT_EQ(DayOfWeek(EncodeDate(1, 1, 1)), 2);          // Monday
}

TEST(TimeStamps, DayOneIsTheFirstOfJanuaryOfYearOne) {
  TTimeStamp ts = DateTimeToTimeStamp(EncodeDate(1, 1, 1));
  EXPECT_EQ(ts.Date, 1);
  EXPECT_EQ(ts.Time, 0);
  ts = DateTimeToTimeStamp(0);
  EXPECT_EQ(ts.Date, kDateDelta);
  ts = DateTimeToTimeStamp(-1.25);
  EXPECT_EQ(ts.Date, kDateDelta - 1);
  EXPECT_EQ(ts.Time, kMSecsPerDay / 4);
  EXPECT_EQ(TimeStampToDateTime(ts), -1.25);
  EXPECT_EQ(TimeStampToDateTime(TTimeStamp{kMSecsPerDay / 2, kDateDelta + 2}), 2.5);
}

TEST(TimeStamps, RoundToTheNearestMillisecondAcrossMidnight) {
  const double half_ms = 0.5 / kMSecsPerDay;
  TTimeStamp ts = DateTimeToTimeStamp(10 - half_ms / 10);
  EXPECT_EQ(ts.Date, kDateDelta + 10);
  EXPECT_EQ(ts.Time, 0);
  ts = DateTimeToTimeStamp(9 + 1234.4 / kMSecsPerDay);
  EXPECT_EQ(ts.Time, 1234);
  ts = DateTimeToTimeStamp(9 + 1234.6 / kMSecsPerDay);
  EXPECT_EQ(ts.Time, 1235);
  // The last instant of 1899-12-29 rounds up to 1899-12-30, not 1899-12-28.
  ts = DateTimeToTimeStamp(-1 - (1 - half_ms / 10));
  EXPECT_EQ(ts.Date, kDateDelta);
  EXPECT_EQ(ts.Time, 0);
  ts = DateTimeToTimeStamp(-(1 + 1234.6 / kMSecsPerDay));
  EXPECT_EQ(ts.Date, kDateDelta - 1);
  EXPECT_EQ(ts.Time, 1235);
}

TEST(TimeStamps, MillisecondsAndValidation) {
  const TTimeStamp ts{5, 2};
  EXPECT_EQ(TimeStampToMSecs(ts), 2.0 * kMSecsPerDay + 5);
  const TTimeStamp back = MSecsToTimeStamp(2.0 * kMSecsPerDay + 5);
  EXPECT_EQ(back.Date, 2);
  EXPECT_EQ(back.Time, 5);
  EXPECT_EQ(MSecsToTimeStamp(TimeStampToMSecs(DateTimeToTimeStamp(45351.5))).Time,
            kMSecsPerDay / 2);
  EXPECT_EQ(MessageOf<EConvertError>([] { TimeStampToDateTime(TTimeStamp{0, 0}); }),
            "'0.0' is not a valid timestamp");
  EXPECT_THROW(TimeStampToDateTime(TTimeStamp{-1, 5}), EConvertError);
  EXPECT_THROW(TimeStampToMSecs(TTimeStamp{0, -3}), EConvertError);
  EXPECT_THROW(MSecsToTimeStamp(-1), EConvertError);
  EXPECT_THROW(DateTimeToTimeStamp(1e300), EConvertError);
}

// The direct conversion must give the very double the two-step one gives
// wherever that one succeeds, and leave every value it refuses to it.
TEST(TimeStamps, MillisecondsToDateTimeInOneStepMatchesTwoSteps) {
  const double day = kMSecsPerDay;
  std::vector<double> values = {
      0, 0.4, 0.5, day - 0.5, day - 0.6, day, day + 0.49999999999999994, day + 0.5,
      day * kDateDelta - 0.5, day * kDateDelta - 1, day * kDateDelta, day * kDateDelta + 0.5,
      day * (kDateDelta + 1) - 0.5, day * (kDateDelta - 1) + 1234.5,
      TimeStampToMSecs(DateTimeToTimeStamp(EncodeDate(9999, 12, 31) + EncodeTime(23, 59, 59, 999))) + 0.5,
      2147483648.0 * day - 1, 2147483648.0 * day, 1e300, -1,
      std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()};
  std::mt19937_64 random(7);
  for (int i = 0; i < 200000; ++i) {
    // Whole, half and arbitrary milliseconds over the whole calendar.
    const double ms = std::uniform_real_distribution<double>(0, day * 3652500)(random);
    values.push_back(ms);
    values.push_back(std::floor(ms) + 0.5);
    values.push_back(std::floor(ms));
  }
  for (double ms : values) {
    TDateTime one_step = -7;
    const bool direct = TryMSecsToDateTime(ms, one_step);
    bool raised = false;
    TDateTime two_steps = 0;
    try {
      two_steps = TimeStampToDateTime(MSecsToTimeStamp(ms));
    } catch (const EConvertError&) {
      raised = true;
    }
    if (direct) {
      ASSERT_FALSE(raised) << ms;
      ASSERT_EQ(std::memcmp(&one_step, &two_steps, sizeof one_step), 0) << ms;
    } else {
      EXPECT_EQ(one_step, -7) << ms;
      EXPECT_TRUE(raised || ms < day) << ms;
    }
  }
}

// The edge values, then random date-times below the bounds (in turn) with,
// for each, the half millisecond on and just under which rounding decides.
std::vector<double> DateTimesAboutHalfMSecs(std::vector<double> values, unsigned seed,
                                            std::initializer_list<double> bounds) {
  const double ms_day = 1.0 / kMSecsPerDay;
  std::mt19937_64 random(seed);
  for (int i = 0; i < 200000; ++i) {
    const double dt = std::uniform_real_distribution<double>(0, bounds.begin()[i % bounds.size()])(random);
    values.push_back(dt);
    const double whole = std::floor(dt);
    const double half = whole + (std::floor((dt - whole) * kMSecsPerDay) + 0.5) * ms_day;
    values.push_back(half);
    values.push_back(std::nextafter(half, 0.0));
  }
  return values;
}

// The one-step conversion of a date-time to milliseconds gives the two
// routines' result bit for bit wherever it answers, and answers from day 0 on.
TEST(DateTimeCodec, OneStepMSecsMatchTheTimeStampRoute) {
  const double ms_day = 1.0 / kMSecsPerDay;
  const std::vector<double> values = DateTimesAboutHalfMSecs(
      {0, ms_day * 0.5, ms_day * 0.49999, 1 - ms_day * 0.5, 1 - ms_day * 0.4, 45351.5729, 2958465.99999999,
       2147483647.0 - kDateDelta - 1.5, -0.5, -1, std::numeric_limits<double>::quiet_NaN(),
       std::numeric_limits<double>::infinity()},
      11, {2958466});
  for (double dt : values) {
    double one_step = -7;
    const bool direct = TryDateTimeToMSecs(dt, one_step);
    if (!direct) {
      EXPECT_EQ(one_step, -7) << dt;
      EXPECT_FALSE(dt >= 0 && dt < 2958466) << dt;
      continue;
    }
    const double two_steps = TimeStampToMSecs(DateTimeToTimeStamp(dt));
    ASSERT_EQ(std::memcmp(&one_step, &two_steps, sizeof one_step), 0) << dt;
  }
}

// Rounding a date-time to the millisecond in one step gives what the two
// one-step conversions give in turn, bit for bit, over the whole calendar
// and far beyond it, and leaves the values it refuses to them.
TEST(DateTimeCodec, RoundingToMSecsMatchesTheTwoConversions) {
  const double ms_day = 1.0 / kMSecsPerDay;
  const double end = 100000000.0 - kDateDelta;
  const std::vector<double> values = DateTimesAboutHalfMSecs(
      {0, ms_day * 0.5, ms_day * 0.49999, 1 - ms_day * 0.5, 1 - ms_day * 0.4, 45351.5729, 2958465.99999999,
       std::nextafter(end, 0.0), end, end + 0.25, -0.5, -1, std::numeric_limits<double>::quiet_NaN(),
       std::numeric_limits<double>::infinity()},
      13, {end, 2958466});
  for (double dt : values) {
    TDateTime one_step = -7;
    const bool direct = TryRoundDateTimeToMSecs(dt, one_step);
    if (!direct) {
      EXPECT_EQ(one_step, -7) << dt;
      EXPECT_FALSE(dt >= 0 && dt < end) << dt;
      continue;
    }
    double msecs = 0;
    TDateTime two_steps = 0;
    ASSERT_TRUE(TryDateTimeToMSecs(dt, msecs) && TryMSecsToDateTime(msecs, two_steps)) << dt;
    ASSERT_EQ(std::memcmp(&one_step, &two_steps, sizeof one_step), 0) << dt;
  }
}

// A date-time judged already whole milliseconds is one that rounding to the
// millisecond gives back, bit for bit: whole-millisecond values of days at
// the ends of the judged range and at steps of the spacing of doubles, the
// doubles next to them (which rounding moves) and random ones. Nearly every
// whole-millisecond value of today's dates is recognised, so their reads
// skip the division.
TEST(DateTimeCodec, OnlyValuesTheRoundingKeepsAreJudgedWholeMSecs) {
  auto rounding_keeps = [](double dt) {
    double msecs = 0;
    TDateTime back = 0;
    return TryDateTimeToMSecs(dt, msecs) && TryMSecsToDateTime(msecs, back) &&
           std::memcmp(&back, &dt, sizeof dt) == 0;
  };
  for (double day : {0.0, 7.0, 8.0, 15.0, 16.0, 1000.0, 32767.0, 32768.0, 45351.0, 65536.0, 2958465.0, 4194303.0}) {
    int recognised = 0, values = 0;
    for (int ms = 0; ms < kMSecsPerDay; ms += 997, ++values) {
      const double value = day + static_cast<double>(ms) / kMSecsPerDay;
      recognised += IsRoundedToMSecs(value) ? 1 : 0;
      for (double dt : {value, std::nextafter(value, 0.0), std::nextafter(value, 1e9)}) {
        if (IsRoundedToMSecs(dt)) {
          ASSERT_TRUE(rounding_keeps(dt)) << day << " + " << ms << " ms: " << dt;
        }
      }
    }
    if (day < 8) {
      EXPECT_EQ(recognised, 0) << day;
    }
    if (day >= 32768) {
      EXPECT_GT(recognised, values * 999 / 1000) << day;
    }
  }
  std::mt19937_64 random(56);
  std::uniform_real_distribution<double> any(0, 5000000);
  for (int i = 0; i < 1000000; ++i) {
    const double dt = any(random);
    if (IsRoundedToMSecs(dt)) {
      ASSERT_TRUE(rounding_keeps(dt)) << dt;
    }
  }
  EXPECT_FALSE(IsRoundedToMSecs(4194304.0));
  EXPECT_FALSE(IsRoundedToMSecs(std::numeric_limits<double>::quiet_NaN()));
}

class DateTimeText : public ::testing::Test {
 protected:
  void TearDown() override { ResetFormatSettings(); }
  TFormatSettings fs;
  // Tuesday 2024-03-05 14:07:09.045
  const TDateTime when = EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 45);
};

TEST_F(DateTimeText, NumbersAndNames) {
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", when, fs), "2024-03-05 14:07:09.045");
  EXPECT_EQ(FormatDateTime("d/m/yy h:n:s z", when, fs), "5/3/24 14:7:9 45");
  EXPECT_EQ(FormatDateTime("YYYY-MM-DD", when, fs), "2024-03-05");
  EXPECT_EQ(FormatDateTime("ddd dddd mmm mmmm", when, fs), "Tue Tuesday Mar March");
  EXPECT_EQ(FormatDateTime("yyyy", EncodeDate(1, 1, 1), fs), "0001");
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn", -1.25, fs), "1899-12-29 06:00");
}

TEST_F(DateTimeText, MinutesAfterAnHour) {
  EXPECT_EQ(FormatDateTime("hh:mm", when, fs), "14:07");
  EXPECT_EQ(FormatDateTime("mm hh", when, fs), "03 14");
  EXPECT_EQ(FormatDateTime("hh:mm dd.mm", when, fs), "14:07 05.03");
}

TEST_F(DateTimeText, TwelveHourClock) {
  EXPECT_EQ(FormatDateTime("h:mm:ss am/pm", when, fs), "2:07:09 pm");
  EXPECT_EQ(FormatDateTime("hh AM/PM", when, fs), "02 PM");
  EXPECT_EQ(FormatDateTime("h a/p", when, fs), "2 p");
  EXPECT_EQ(FormatDateTime("hh:nn ampm", when, fs), "02:07 PM");
  EXPECT_EQ(FormatDateTime("h am/pm", EncodeTime(0, 30, 0, 0), fs), "12 am");
  EXPECT_EQ(FormatDateTime("h A/P", EncodeTime(12, 0, 0, 0), fs), "12 P");
  // Without a marker the hour stays on the 24-hour clock.
  EXPECT_EQ(FormatDateTime("h", when, fs), "14");
}

TEST_F(DateTimeText, SeparatorsQuotesAndNestedFormats) {
  fs.DateSeparator = '.';
  fs.TimeSeparator = '-';
  EXPECT_EQ(FormatDateTime("dd/mm/yyyy hh:nn", when, fs), "05.03.2024 14-07");
  EXPECT_EQ(FormatDateTime("'yyyy' yyyy \"d:\"d", when, fs), "yyyy 2024 d:5");
  EXPECT_EQ(FormatDateTime("c", when, fs), "03.05.2024 14-07-09");
  EXPECT_EQ(FormatDateTime("c", EncodeDate(2024, 3, 5), fs), "03.05.2024");
  EXPECT_EQ(FormatDateTime("", EncodeDate(2024, 3, 5), fs), "03.05.2024");
  EXPECT_EQ(FormatDateTime("ddddd|dddddd", when, fs), "03.05.2024|Tuesday, March 5, 2024");
  EXPECT_EQ(FormatDateTime("t|tt", when, fs), "14-07|14-07-09");
  fs.ShortDateFormat = "ddddd";  // names itself: must end, not recurse
  EXPECT_EQ(FormatDateTime("c", EncodeDate(2024, 3, 5), fs), "");
}

TEST_F(DateTimeText, ToStrUsesTheProcessSettings) {
  FormatSettings().ShortDateFormat = "dd.mm.yyyy";
  FormatSettings().DateSeparator = '.';
  EXPECT_EQ(DateTimeToStr(when), "05.03.2024 14:07:09");
  EXPECT_EQ(DateToStr(when), "05.03.2024");
  EXPECT_EQ(TimeToStr(when), "14:07:09");
}

TEST_F(DateTimeText, ParsesInTheOrderOfTheShortDateFormat) {
  EXPECT_EQ(StrToDateTime("03/05/2024 14:07:09", fs), EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 0));
  EXPECT_EQ(StrToDateTime(" 3/5/2024 ", fs), EncodeDate(2024, 3, 5));
  EXPECT_EQ(StrToDateTime("3/5/2024 2:07:09.045 pm", fs), when);
  fs.ShortDateFormat = "dd.mm.yyyy";
  fs.DateSeparator = '.';
  EXPECT_EQ(StrToDateTime("05.03.2024", fs), EncodeDate(2024, 3, 5));
  fs.ShortDateFormat = "yyyy/mm/dd";
  fs.DateSeparator = '/';
  EXPECT_EQ(StrToDateTime("2024/03/05", fs), EncodeDate(2024, 3, 5));
  EXPECT_EQ(StrToDateTime("0099/01/02", fs), EncodeDate(99, 1, 2));
  EXPECT_EQ(StrToDateTime("12/29/1899 06:00", TFormatSettings()), -1.25);
}

TEST_F(DateTimeText, TimesAlone) {
  EXPECT_EQ(StrToDateTime("14:07", fs), EncodeTime(14, 7, 0, 0));
  EXPECT_EQ(StrToDateTime("12:00 AM", fs), 0.0);
  EXPECT_EQ(StrToDateTime("12:30 pm", fs), EncodeTime(12, 30, 0, 0));
  EXPECT_EQ(StrToDateTime("5 PM", fs), EncodeTime(17, 0, 0, 0));
  EXPECT_EQ(StrToTime("23:59:59.999"), EncodeTime(23, 59, 59, 999));
}

TEST_F(DateTimeText, ShortYearsAndTwoNumberDates) {
  EXPECT_EQ(ExpandTwoDigitYear(24, 2026), 2024);
  EXPECT_EQ(ExpandTwoDigitYear(76, 2026), 1976);
  EXPECT_EQ(ExpandTwoDigitYear(75, 2026), 2075);
  EXPECT_EQ(ExpandTwoDigitYear(0, 2000), 2000);
  EXPECT_EQ(ExpandTwoDigitYear(5, 2070), 2105);
  EXPECT_EQ(ExpandTwoDigitYear(100, 2026), 100);
  int year, month, day;
  DecodeDate(Date(), year, month, day);
  EXPECT_EQ(StrToDate("3/5/" + std::to_string(year % 100)), EncodeDate(year, 3, 5));
  EXPECT_EQ(StrToDate("3/5"), EncodeDate(year, 3, 5));
  fs.ShortDateFormat = "dd/mm/yyyy";
  EXPECT_EQ(StrToDateTime("3/5", fs), EncodeDate(year, 5, 3));
}

TEST_F(DateTimeText, MalformedTextRaises) {
  for (const char* bad : {"", "abc", "13/01/2024", "02/30/2024", "1/2/3/4", "3/5/2024 x",
                          "10:60", "25:00", "13:00 PM", "5", "1/2/12345", "3/5/2024 10"}) {
    TDateTime dt;
    EXPECT_FALSE(TryStrToDateTime(bad, dt)) << bad;
  }
  EXPECT_EQ(MessageOf<EConvertError>([] { StrToDateTime("abc"); }), "'abc' is not a valid date and time");
  EXPECT_EQ(MessageOf<EConvertError>([] { StrToDate("10:30"); }), "'10:30' is not a valid date");
  EXPECT_EQ(MessageOf<EConvertError>([] { StrToTime("3/5/2024"); }), "'3/5/2024' is not a valid time");
}

TEST_F(DateTimeText, FormatThenParseRoundTrip) {
  fs.ShortDateFormat = "dd.mm.yyyy";
  fs.DateSeparator = '.';
  for (TDateTime dt : {-693593.0 + 0.5, -1.25, 0.0, 45351.75, 2958465.5}) {
    const std::string text = FormatDateTime("ddddd hh:nn:ss", dt, fs);
    EXPECT_EQ(StrToDateTime(text, fs), dt) << text;
  }
}

TEST(TickCount, AdvancesInMilliseconds) {
  const uint32_t start = GetTickCount();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  const uint32_t elapsed = GetTickCount() - start;  // unsigned: right across the wrap
  EXPECT_GE(elapsed, 25u);
  EXPECT_LT(elapsed, 5000u);
}

}  // namespace
}  // namespace classlib
