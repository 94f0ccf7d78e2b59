// The value entries of direct mode: descriptors by type, date-time,
// interval, NUMBER and ROWID calls through the caller's buffers, and
// failures as OCI_ERROR with the error handle's record.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>

#include "oranet/oci_error.h"
#include "oranet/oci_value_entries.h"
#include "oranet/tests/value_clock_fixture.h"
#include "oranet/value_datetime.h"
#include "oranet/value_number.h"
#include "oranet/value_rowid.h"

namespace oranet {
namespace {

using namespace oracle;

struct Descriptor {
  explicit Descriptor(ub4 type) { EXPECT_EQ(NetDescriptorAlloc(nullptr, &address, type, 0, nullptr), OCI_SUCCESS); }
  ~Descriptor() { NetDescriptorFree(address, 0); }
  OCIDateTime* DateTime() const { return static_cast<OCIDateTime*>(address); }
  OCIInterval* Interval() const { return static_cast<OCIInterval*>(address); }
  void* address = nullptr;
};

class OciValueEntriesTest : public ::testing::Test {
 protected:
  OCIError* Error() { return reinterpret_cast<OCIError*>(static_cast<TNetHandle*>(&error_)); }
  std::string ErrorText() {
    sb4 code = 0;
    OraText text[200] = {};
    NetErrorGet(&error_, 1, nullptr, &code, text, sizeof text, OCI_HTYPE_ERROR);
    return reinterpret_cast<char*>(text);
  }
  static const OraText* Text(const char* s) { return reinterpret_cast<const OraText*>(s); }

  testing::TScopedClock clock_{{2026, 12, 7}, 60};
  TNetError error_{nullptr};
};

TEST_F(OciValueEntriesTest, DescriptorsByType) {
  for (ub4 type : {OCI_DTYPE_ROWID, OCI_DTYPE_INTERVAL_YM, OCI_DTYPE_INTERVAL_DS, OCI_DTYPE_TIMESTAMP,
                   OCI_DTYPE_TIMESTAMP_TZ, OCI_DTYPE_TIMESTAMP_LTZ}) {
    Descriptor d(type);
    EXPECT_EQ(static_cast<TNetHandle*>(d.address)->HandleType(), type);
  }
  void* d = nullptr;
  EXPECT_EQ(NetDescriptorAlloc(nullptr, &d, OCI_DTYPE_PARAM, 0, nullptr), OCI_INVALID_HANDLE);
  EXPECT_EQ(d, nullptr);
  // A descriptor of the wrong kind is no date.
  Descriptor interval(OCI_DTYPE_INTERVAL_DS);
  ub4 valid = 0;
  EXPECT_EQ(NetDateTimeCheck(nullptr, Error(), static_cast<OCIDateTime*>(interval.address), &valid), OCI_INVALID_HANDLE);
}

TEST_F(OciValueEntriesTest, DateTimesThroughTheirEntries) {
  Descriptor d(OCI_DTYPE_TIMESTAMP_TZ);
  OraText zone[] = "+05:30";
  ASSERT_EQ(NetDateTimeConstruct(nullptr, Error(), d.DateTime(), 2024, 2, 29, 23, 15, 0, 500, zone, 6), OCI_SUCCESS);
  sb2 year = 0;
  ub1 month = 0, day = 0, hour = 0, minute = 0, second = 0;
  ub4 fraction = 0;
  NetDateTimeGetDate(nullptr, Error(), d.DateTime(), &year, &month, &day);
  NetDateTimeGetTime(nullptr, Error(), d.DateTime(), &hour, &minute, &second, &fraction);
  EXPECT_EQ((std::vector<int>{year, month, day, hour, minute, second, static_cast<int>(fraction)}),
            (std::vector<int>{2024, 2, 29, 23, 15, 0, 500}));
  sb1 zoneHour = 0, zoneMinute = 0;
  NetDateTimeGetTimeZoneOffset(nullptr, Error(), d.DateTime(), &zoneHour, &zoneMinute);
  EXPECT_EQ(zoneHour, 5);
  EXPECT_EQ(zoneMinute, 30);

  OraText buffer[64];
  ub4 size = sizeof buffer;
  const char* format = "DD.MM.YYYY HH24:MI:SS.FF TZR";
  ASSERT_EQ(NetDateTimeToText(nullptr, Error(), d.DateTime(), Text(format), static_cast<ub1>(std::strlen(format)), 3,
                              nullptr, 0, &size, buffer),
            OCI_SUCCESS);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), size), "29.02.2024 23:15:00.000 +05:30");
  ub4 tiny = 5;
  EXPECT_EQ(NetDateTimeToText(nullptr, Error(), d.DateTime(), Text(format), static_cast<ub1>(std::strlen(format)), 3,
                              nullptr, 0, &tiny, buffer),
            OCI_ERROR);

  Descriptor parsed(OCI_DTYPE_TIMESTAMP_TZ);
  const char* text = "29.02.2024 23:15:00.000 +05:30";
  ASSERT_EQ(NetDateTimeFromText(nullptr, Error(), Text(text), std::strlen(text), Text(format),
                                static_cast<ub1>(std::strlen(format)), nullptr, 0, parsed.DateTime()),
            OCI_SUCCESS);
  sword result = 9;
  EXPECT_EQ(NetDateTimeCompare(nullptr, Error(), d.DateTime(), parsed.DateTime(), &result), OCI_SUCCESS);
  EXPECT_EQ(result, 1);  // the constructed value has 500 ns more
  Descriptor copy(OCI_DTYPE_TIMESTAMP_TZ);
  EXPECT_EQ(NetDateTimeAssign(nullptr, Error(), d.DateTime(), copy.DateTime()), OCI_SUCCESS);
  EXPECT_EQ(NetDateTimeCompare(nullptr, Error(), d.DateTime(), copy.DateTime(), &result), OCI_SUCCESS);
  EXPECT_EQ(result, 0);
  ub1 name[8];
  ub4 nameLength = sizeof name;
  EXPECT_EQ(NetDateTimeGetTimeZoneName(nullptr, Error(), d.DateTime(), name, &nameLength), OCI_SUCCESS);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(name), nameLength), "+05:30");
}

TEST_F(OciValueEntriesTest, FailuresLeaveTheirTextInTheErrorHandle) {
  Descriptor d(OCI_DTYPE_TIMESTAMP);
  const char* format = "DD.MM.YYYY";
  EXPECT_EQ(NetDateTimeFromText(nullptr, Error(), Text("31.02.2000"), 10, Text(format), 10, nullptr, 0, d.DateTime()),
            OCI_ERROR);
  EXPECT_EQ(ErrorText(), "NET: ORA-01839 date not valid for month specified");
  EXPECT_EQ(NetDateTimeFromText(nullptr, Error(), Text("2"), 1, Text("Q"), 1, nullptr, 0, d.DateTime()), OCI_ERROR);
  EXPECT_EQ(ErrorText(), "NET: ORA-01821 date format not recognized");
  sb1 h, m;
  EXPECT_EQ(NetDateTimeGetTimeZoneOffset(nullptr, Error(), d.DateTime(), &h, &m), OCI_ERROR);
  EXPECT_EQ(ErrorText(), "NET: ORA-01878 specified field not found in datetime or interval");
  Descriptor interval(OCI_DTYPE_INTERVAL_DS);
  EXPECT_EQ(NetIntervalFromText(nullptr, Error(), Text("3 04-05:06"), 10, interval.Interval()), OCI_ERROR);
  EXPECT_EQ(ErrorText(), "NET: ORA-01867: the interval is invalid");
  OCINumber n{};
  EXPECT_EQ(NetNumberFromText(Error(), Text("abc"), 3, nullptr, 0, nullptr, 0, &n), OCI_ERROR);
  EXPECT_EQ(ErrorText(), "NET: 'abc' is not a valid Oracle Number value");
}

TEST_F(OciValueEntriesTest, IntervalsThroughTheirEntries) {
  Descriptor ym(OCI_DTYPE_INTERVAL_YM), ds(OCI_DTYPE_INTERVAL_DS);
  ASSERT_EQ(NetIntervalFromText(nullptr, Error(), Text("-1-6"), 4, ym.Interval()), OCI_SUCCESS);
  sb4 years = 0, months = 0;
  NetIntervalGetYearMonth(nullptr, Error(), &years, &months, ym.Interval());
  EXPECT_EQ(years, -1);
  EXPECT_EQ(months, -6);
  OraText buffer[40];
  size_t length = 0;
  ASSERT_EQ(NetIntervalToText(nullptr, Error(), ym.Interval(), 2, 6, buffer, sizeof buffer, &length), OCI_SUCCESS);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), length), "-01-06");

  ASSERT_EQ(NetIntervalSetDaySecond(nullptr, Error(), 3, 4, 5, 6, 500000000, ds.Interval()), OCI_SUCCESS);
  ASSERT_EQ(NetIntervalToText(nullptr, Error(), ds.Interval(), 2, 6, buffer, sizeof buffer, &length), OCI_SUCCESS);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), length), "+03 04:05:06.500000");
  ub4 valid = 1;
  EXPECT_EQ(NetIntervalCheck(nullptr, Error(), ds.Interval(), &valid), OCI_SUCCESS);
  EXPECT_EQ(valid, 0u);
  sword result = 9;
  EXPECT_EQ(NetIntervalCompare(nullptr, Error(), ds.Interval(), ym.Interval(), &result), OCI_ERROR);

  OCINumber number{};
  NumberFromText("1.5", number);
  ASSERT_EQ(NetIntervalFromNumber(nullptr, Error(), ym.Interval(), &number), OCI_SUCCESS);
  NetIntervalGetYearMonth(nullptr, Error(), &years, &months, ym.Interval());
  EXPECT_EQ(years, 1);
  EXPECT_EQ(months, 6);
  ASSERT_EQ(NetIntervalFromNumber(nullptr, Error(), ds.Interval(), &number), OCI_SUCCESS);
  sb4 days, hours, minutes, seconds, fraction;
  NetIntervalGetDaySecond(nullptr, Error(), &days, &hours, &minutes, &seconds, &fraction, ds.Interval());
  EXPECT_EQ((std::vector<int>{days, hours, minutes, seconds, fraction}), (std::vector<int>{1, 12, 0, 0, 0}));
}

TEST_F(OciValueEntriesTest, NumbersThroughTheirEntries) {
  OCINumber n{}, m{};
  const int64_t big = std::numeric_limits<int64_t>::min();
  ASSERT_EQ(NetNumberFromInt(Error(), &big, 8, OCI_NUMBER_SIGNED, &n), OCI_SUCCESS);
  int64_t back = 0;
  ASSERT_EQ(NetNumberToInt(Error(), &n, 8, OCI_NUMBER_SIGNED, &back), OCI_SUCCESS);
  EXPECT_EQ(back, big);
  int16_t small = 0;
  EXPECT_EQ(NetNumberToInt(Error(), &n, 2, OCI_NUMBER_SIGNED, &small), OCI_ERROR);
  const uint32_t u = 4000000000u;
  ASSERT_EQ(NetNumberFromInt(Error(), &u, 4, 0, &m), OCI_SUCCESS);
  uint32_t uBack = 0;
  ASSERT_EQ(NetNumberToInt(Error(), &m, 4, 0, &uBack), OCI_SUCCESS);
  EXPECT_EQ(uBack, u);
  int32_t asSigned = 0;
  EXPECT_EQ(NetNumberToInt(Error(), &m, 4, OCI_NUMBER_SIGNED, &asSigned), OCI_ERROR);
  sword result = 9;
  ASSERT_EQ(NetNumberCmp(Error(), &n, &m, &result), OCI_SUCCESS);
  EXPECT_EQ(result, -1);

  const double d = 2.5e-7;
  ASSERT_EQ(NetNumberFromReal(Error(), &d, 8, &n), OCI_SUCCESS);
  float f = 0;
  ASSERT_EQ(NetNumberToReal(Error(), &n, 4, &f), OCI_SUCCESS);
  EXPECT_FLOAT_EQ(f, 2.5e-7f);
  OraText buffer[64];
  ub4 size = sizeof buffer;
  ASSERT_EQ(NetNumberToText(Error(), &n, Text("TM9"), 3, nullptr, 0, &size, buffer), OCI_SUCCESS);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), size), "0.00000025");
  size = 3;
  EXPECT_EQ(NetNumberToText(Error(), &n, Text("TM9"), 3, nullptr, 0, &size, buffer), OCI_ERROR);
  ASSERT_EQ(NetNumberAssign(Error(), &n, &m), OCI_SUCCESS);
  ASSERT_EQ(NetNumberCmp(Error(), &n, &m, &result), OCI_SUCCESS);
  EXPECT_EQ(result, 0);
  classlib::TBcd bcd;
  ASSERT_EQ(NetNumberToBCD(Error(), &n, &bcd), OCI_SUCCESS);
  ASSERT_EQ(NetNumberFromBCD(Error(), &bcd, &m), OCI_SUCCESS);
  ASSERT_EQ(NetNumberCmp(Error(), &n, &m, &result), OCI_SUCCESS);
  EXPECT_EQ(result, 0);
}

TEST_F(OciValueEntriesTest, RowidTextIntoTheCallersBuffer) {
  Descriptor d(OCI_DTYPE_ROWID);
  static_cast<TNetRowid*>(static_cast<TNetHandle*>(d.address))->SetParts({0, 1, 2, 3});
  OraText buffer[32];
  ub2 length = sizeof buffer;
  ASSERT_EQ(NetRowidToChar(static_cast<OCIRowid*>(d.address), buffer, &length, Error()), OCI_SUCCESS);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), length), "00000002.0003.0001");
  length = 10;
  EXPECT_EQ(NetRowidToChar(static_cast<OCIRowid*>(d.address), buffer, &length, Error()), OCI_ERROR);
}

}  // namespace
}  // namespace oranet
