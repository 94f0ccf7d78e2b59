// Date-times and intervals through the stand-in's descriptor calls: texts
// in the locale's model, platform date-times, copies and comparisons, and
// what a refused text leaves behind.
#include "classlib/datetime.h"
#include "classlib/format_settings.h"
#include "oracle/value_data_types.h"
#include "oracle/value_formats.h"
#include "oracle/value_interval.h"
#include "oracle/value_timestamp.h"
#include "oracle/tests/standin_fixture_values.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using classlib::testing::MessageOf;
using ::testing::ElementsAre;

class TimeStampTest : public ValueTest {
 protected:
  void SetUp() override {
    ValueTest::SetUp();
    classlib::FormatSettings().ShortDateFormat = "dd.MM.yyyy";
    classlib::FormatSettings().LongTimeFormat = "H:mm:ss";
    SetLocaleDefaults();
    Start();
  }
  template <class T>
  T* Keep(T* value) {
    kept_.push_back(value);
    return value;
  }
  void TearDown() override {
    for (dacore::TSharedObject* value : kept_) value->Release();
    ValueTest::TearDown();
  }
  std::vector<dacore::TSharedObject*> kept_;
};

TEST_F(TimeStampTest, TextRoundTripsThroughTheLocaleModel) {
  TOraTimeStamp* stamp = Keep(new TOraTimeStamp(dtTimeStamp));
  EXPECT_EQ(stamp->AsString(), "");
  stamp->SetAsString("07.03.2024 9:05:01.250000");
  EXPECT_EQ(stamp->Format(), "DD.MM.YYYY fmHH24fm:MI:SS.FF");
  EXPECT_EQ(stamp->AsString(), "07.03.2024 9:05:01.250000");
  stamp->SetPrecision(3);
  EXPECT_EQ(stamp->AsString(), "07.03.2024 9:05:01.250");
  EXPECT_THAT(ArgumentsOf("OCIDateTimeToText"), ElementsAre("fmt=DD.MM.YYYY fmHH24fm:MI:SS.FF prec=6",
                                                            "fmt=DD.MM.YYYY fmHH24fm:MI:SS.FF prec=3"));
  int year, month, day, hour, min, sec;
  uint32_t fsec;
  stamp->GetDate(year, month, day);
  stamp->GetTime(hour, min, sec, fsec);
  EXPECT_EQ(std::vector<int>({year, month, day, hour, min, sec}), std::vector<int>({2024, 3, 7, 9, 5, 1}));
  EXPECT_EQ(fsec, 250000000u);
  stamp->SetAsString("");
  EXPECT_TRUE(stamp->IsNull());
}

TEST_F(TimeStampTest, TwelveHourClockAndTimeZones) {
  classlib::FormatSettings().LongTimeFormat = "h:mm:ss tt";
  SetLocaleDefaults();
  TOraTimeStamp* stamp = Keep(new TOraTimeStamp(dtTimeStampTZ));
  stamp->Construct(2024, 12, 31, 23, 59, 58, 0, "+03:00");
  EXPECT_EQ(stamp->AsString(), "31.12.2024 11:59:58.000000 PM +03:00");
  TOraTimeStamp* utc = Keep(new TOraTimeStamp(dtTimeStampTZ));
  utc->Construct(2024, 12, 31, 20, 59, 58, 0, "+00:00");
  EXPECT_EQ(stamp->Compare(*utc), 0) << "the same instant in two zones";
  utc->Construct(2024, 12, 31, 21, 0, 0, 0, "");
  EXPECT_LT(stamp->Compare(*utc), 0);
}

TEST_F(TimeStampTest, RefusedTextLeavesThePreviousValue) {
  TOraTimeStamp* stamp = Keep(new TOraTimeStamp(dtTimeStamp));
  stamp->SetAsString("01.02.2003 4:05:06.000007");
  const int handles = standin_->LiveHandles();
  EXPECT_EQ(MessageOf([&] { stamp->SetAsString("31.02.2003 4:05:06.0"); }),
            "ORA-01847: day of month must be between 1 and last day of month");
  EXPECT_EQ(standin_->LiveHandles(), handles) << "the fresh descriptor is freed";
  EXPECT_FALSE(stamp->IsNull());
  EXPECT_EQ(stamp->AsString(), "01.02.2003 4:05:06.000007");
}

TEST_F(TimeStampTest, PlatformDateTimesDropTheirMilliseconds) {
  TOraTimeStamp* stamp = Keep(new TOraTimeStamp(dtTimeStamp));
  EXPECT_EQ(stamp->AsDateTime(), 0);
  stamp->SetAsDateTime(classlib::EncodeDate(1999, 12, 31) + classlib::EncodeTime(13, 14, 15, 678));
  EXPECT_THAT(ArgumentsOf("OCIDateTimeConstruct"), ElementsAre("1999-12-31 13:14:15.000000000 zone="));
  EXPECT_DOUBLE_EQ(stamp->AsDateTime(), classlib::EncodeDate(1999, 12, 31) + classlib::EncodeTime(13, 14, 15, 0));
  // Before 1899-12-30 the time of day is subtracted from the negative day.
  stamp->Construct(1899, 12, 29, 6, 0, 0, 0, "");
  EXPECT_DOUBLE_EQ(stamp->AsDateTime(), -1.25);
}

TEST_F(TimeStampTest, CopiesOwnTheirDescriptors) {
  TOraTimeStamp* stamp = Keep(new TOraTimeStamp(dtTimeStamp));
  stamp->Construct(2020, 2, 29, 0, 0, 0, 5, "");
  TOraTimeStamp* copy = Keep(new TOraTimeStamp(dtTimeStampLTZ));
  stamp->AssignTo(*copy);
  EXPECT_EQ(copy->DescriptorType(), OCI_DTYPE_TIMESTAMP);
  EXPECT_NE(copy->GetOCIDateTime(), stamp->GetOCIDateTime());
  EXPECT_EQ(copy->Compare(*stamp), 0);
  // A descriptor handed in is not freed by the value.
  TOraTimeStamp* borrower = Keep(new TOraTimeStamp(dtTimeStamp));
  borrower->SetOCIDateTime(stamp->GetOCIDateTime());
  EXPECT_FALSE(borrower->IsNull());
  borrower->FreeDateTime();
  EXPECT_TRUE(borrower->IsNull());
  EXPECT_EQ(stamp->AsString(), "29.02.2020 0:00:00.000000");
  EXPECT_EQ(MessageOf([] { new TOraTimeStamp(dtNumber); }).rfind("Assertion failure", 0), 0u);
}

TEST_F(TimeStampTest, IntervalsAsText) {
  TOraInterval* months = Keep(new TOraInterval(dtIntervalYM));
  EXPECT_EQ(months->AsString(), "");
  months->SetAsString("-3-7");
  EXPECT_EQ(months->AsString(), "-03-07");
  TOraInterval* span = Keep(new TOraInterval(dtIntervalDS));
  span->SetFracPrecision(3);
  span->SetAsString("1 02:03:04.5");
  EXPECT_EQ(span->AsString(), "+01 02:03:04.500");
  EXPECT_THAT(ArgumentsOf("OCIIntervalToText"), ElementsAre("lead=2 frac=6", "lead=2 frac=3"));
  TOraInterval* other = Keep(new TOraInterval(dtIntervalDS));
  span->AssignTo(*other);
  EXPECT_EQ(other->AsString(), "+01 02:03:04.500");
  other->SetAsString("1 02:03:05");
  EXPECT_LT(span->Compare(*other), 0);
  span->SetAsString("");
  EXPECT_TRUE(span->IsNull());
}

TEST_F(TimeStampTest, IntervalOutOfRangeIsInvalid) {
  TOraInterval* months = Keep(new TOraInterval(dtIntervalYM));
  EXPECT_EQ(MessageOf([&] { months->SetAsString("1-15"); }), "Invalid interval.");
  EXPECT_TRUE(months->IsNull()) << "a refused text does not make the value not null";
  months->SetAsString("1-2");
  const int handles = standin_->LiveHandles();
  EXPECT_EQ(MessageOf([&] { months->SetAsString("1-15"); }), "Invalid interval.");
  EXPECT_EQ(MessageOf([&] { months->SetAsString("a year"); }), "ORA-01867: the interval is invalid");
  EXPECT_EQ(months->AsString(), "+01-02") << "the value before the refused texts stays";
  EXPECT_EQ(standin_->LiveHandles(), handles);
}

}  // namespace
}  // namespace oracle::testing
