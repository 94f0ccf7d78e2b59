// The errors the layer detects itself: their exact texts, the codes they
// carry, and how a message is composed from its parts.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "classlib/component.h"
#include "fib/base/errors.h"

namespace fib {
namespace {

// Every test starts and ends with all message parts shown.
class ClientErrorTest : public ::testing::Test {
 protected:
  void SetUp() override { SetErrorMessageOptions(kMessageShowAll); }
  void TearDown() override { SetErrorMessageOptions(kMessageShowAll); }
};

EFIBClientError CaughtClientError(int code, std::initializer_list<classlib::FormatArg> args) {
  try {
    RaiseClientError(code, args);
  } catch (const EFIBClientError& e) {
    return e;
  }
  ADD_FAILURE() << "client error " << code << " was not raised";
  return EFIBClientError(0, nullptr, "");
}

TEST_F(ClientErrorTest, TextsWithoutArgumentsAreRaisedAsTheyStand) {
  EFIBClientError e = CaughtClientError(13, {});
  EXPECT_EQ(e.Message(), "Cannot perform operation -- DB is currently open.");
  EXPECT_EQ(e.SQLCode(), 13);
  EXPECT_EQ(e.Msg(), e.Message());
  EXPECT_EQ(e.Raiser(), nullptr);
  EXPECT_EQ(e.ClassName(), "EFIBClientError");
  EXPECT_TRUE(e.InheritsFromByName("EDatabaseError"));

  EXPECT_EQ(CaughtClientError(0, {}).Message(), "Unknown error.");
  EXPECT_EQ(CaughtClientError(38, {}).Message(),
            "Can't \"open\" a non-select statement. Use ExecQuery.");
  EXPECT_EQ(CaughtClientError(58, {}).Message(),
            "Can't end a shared transaction unless it is forced and equal to the transaction's "
            "TimeoutAction.");
  EXPECT_EQ(CaughtClientError(62, {}).Message(),
            "InterBase library gds32.dll not found in the path. Please install InterBase to use "
            "this functionality");
  EXPECT_EQ(CaughtClientError(71, {}).Message(),
            "Generic ServiceStart not applicable: Use Specific Procedures to set configuration "
            "params");
}

TEST_F(ClientErrorTest, TextsAreFilledWithTheirArguments) {
  EXPECT_EQ(CaughtClientError(8, {"lc_ctype"}).Message(),
            "DPB Constant (isc_dpb_lc_ctype) is unsupported.");
  EXPECT_EQ(CaughtClientError(12, {"frmUpdate.zodDB"}).Message(),
            "frmUpdate.zodDB: Cannot perform operation -- DB is not open.");
  EXPECT_EQ(CaughtClientError(15, {"zodTrans"}).Message(), "zodTrans :Transaction is not active.");
  EXPECT_EQ(CaughtClientError(28, {"close", "zodDS"}).Message(),
            "Can't close because zodDS dataset open.");
  EXPECT_EQ(CaughtClientError(30, {-7}).Message(), "Unknown SQL Data type (-7).");
  EXPECT_EQ(CaughtClientError(37, {"ExecQuery"}).Message(),
            "Can't ExecQuery , because  query is empty");
  EXPECT_EQ(CaughtClientError(45, {"zodDS"}).Message(), "Can't post. (zodDS) ");
  EXPECT_EQ(CaughtClientError(51, {"SELECT", "unexpected end"}).Message(),
            "SQL Parse Error in :SELECT \r\n\r\nunexpected end");
  EXPECT_EQ(CaughtClientError(55, {5, 5}).Message(),
            "Windows API error. (Windows error 5 [$00000005])");
  EXPECT_EQ(CaughtClientError(57, {2, 3}).Message(),
            "Column types don't match. (From index: 2, To index: 3)");
  EXPECT_EQ(CaughtClientError(60, {2, "ARR"}).Message(), "Dimension 2 don't exist in \"ARR\" ");
  EXPECT_EQ(CaughtClientError(74, {"T", "F"}).Message(), "Field Size too small. Field T.F");
  EXPECT_EQ(CaughtClientError(75, {"zodDS"}).Message(),
            "zodDS. Can't use limited cache. \r\nCachedUpdates must be False,\r\nSelect must have "
            "\"Order by\" clause ,\r\nAll order fields must exist in fields section\r\nSelect "
            "can't use params with prefix \"NEW_\"\r\nUpdateTransaction must be equel Transaction "
            "or AutoCommit=True ");
  EXPECT_EQ(CaughtClientError(77, {"zodDS", "ID"}).Message(), "zodDS can't use field \"ID\"");
  EXPECT_EQ(CaughtClientError(78, {"isc_dsql_x"}).Message(),
            "isc_dsql_x is an Firebird 2 function. Please upgrade to Firebird 2 to use this "
            "functonality");
}

TEST_F(ClientErrorTest, TheTableHasSeventyNineEntriesAndNothingBeyond) {
  EXPECT_EQ(ClientErrorText(78).substr(0, 2), "%s");
  EXPECT_EQ(ClientErrorText(79), "Unknown error.");
  EXPECT_EQ(ClientErrorText(-1), "Unknown error.");
}

TEST_F(ClientErrorTest, ArgumentsThatDoNotFitRaiseTheFormattingError) {
  EXPECT_THROW(RaiseClientError(30, {"text"}), classlib::EConvertError);
  EXPECT_THROW(RaiseClientError(12, {}), classlib::EConvertError);
}

TEST_F(ClientErrorTest, ExplicitTextsCarryCodeMinusOne) {
  try {
    RaiseClientErrorMsg("Field %s of %d", {"NAME", 3});
    FAIL();
  } catch (const EFIBClientError& e) {
    EXPECT_EQ(e.Message(), "Field NAME of 3");
    EXPECT_EQ(e.SQLCode(), -1);
  }
}

TEST_F(ClientErrorTest, ErrorCodeIsTheSecondWordOfTheThreadsStatusVector) {
  StatusVector()[0] = isc_arg_gds;
  StatusVector()[1] = isc_lock_conflict;
  StatusVector()[2] = isc_arg_end;
  EFIBClientError e = CaughtClientError(25, {});
  EXPECT_EQ(e.IBErrorCode(), isc_lock_conflict);
  StatusVector()[1] = 0;
}

// ---- composing the message from its parts ----

TEST_F(ClientErrorTest, AComponentRaiserIsNamedByItsDottedPath) {
  classlib::TComponent form(nullptr);
  form.SetName("frmUpdate");
  auto* db = new classlib::TComponent(&form);
  db->SetName("zodDB");
  EFIBClientError e(13, db, "text");
  EXPECT_EQ(e.RaiserName(), "frmUpdate.zodDB");
  EXPECT_EQ(e.Raiser(), db);
  EXPECT_EQ(e.Message(), "frmUpdate.zodDB:\r\ntext");

  SetErrorMessageOptions(kMessageShowSQLMessage | kMessageShowServerLines);
  e.SetMsg("other");
  EXPECT_EQ(e.Message(), "other");
}

TEST_F(ClientErrorTest, ShortOrMissingRaiserNamesGiveNoPrefix) {
  classlib::TComponent unnamed(nullptr);
  EXPECT_EQ(EFIBClientError(1, &unnamed, "x").Message(), "x");

  classlib::TComponent one_letter(nullptr);
  one_letter.SetName("Q");
  EFIBClientError short_name(1, &one_letter, "x");
  EXPECT_EQ(short_name.RaiserName(), "Q");
  EXPECT_EQ(short_name.Message(), "x");

  classlib::TObject not_a_component;
  EFIBClientError plain(1, &not_a_component, "x");
  EXPECT_EQ(plain.RaiserName(), "");
  EXPECT_EQ(plain.Message(), "x");
}

TEST_F(ClientErrorTest, ServerPartsFollowTheOptions) {
  classlib::TComponent db(nullptr);
  db.SetName("zodDB");
  EFIBInterBaseError all(-204, &db, "custom ", "SQL part.", "Line one.\r\n");
  EXPECT_EQ(all.Message(), "zodDB:\r\nSQL part.Line one.\r\ncustom ");
  EXPECT_EQ(all.Msg(), "");
  EXPECT_EQ(all.SQLCode(), -204);

  SetErrorMessageOptions(kMessageShowServerLines);
  EXPECT_EQ(EFIBInterBaseError(-204, &db, "", "SQL part.", "Line one.\r\n").Message(),
            "Line one.\r\n");
  SetErrorMessageOptions(kMessageShowSQLMessage);
  EXPECT_EQ(EFIBInterBaseError(-204, &db, "", "SQL part.", "Line one.\r\n").Message(),
            "SQL part.");
  EXPECT_EQ(GetErrorMessageOptions(), kMessageShowSQLMessage);
}

// ---- searching the status vector ----

void SetStatus(std::initializer_list<ISC_STATUS> words) {
  ISC_STATUS* v = StatusVector();
  std::fill(v, v + kStatusVectorLength, 0);
  std::copy(words.begin(), words.end(), v);
}

TEST_F(ClientErrorTest, StatusIsOneOfFindsErrorCodesAndNumbers) {
  static const char text[] = "LOCKED";
  SetStatus({isc_arg_gds, isc_deadlock, isc_arg_gds, isc_update_conflict, isc_arg_number, 77,
             isc_arg_end});
  EXPECT_TRUE(StatusIsOneOf({isc_update_conflict}));
  EXPECT_TRUE(StatusIsOneOf({1, 2, isc_deadlock}));
  EXPECT_TRUE(StatusIsOneOf({77}));
  EXPECT_FALSE(StatusIsOneOf({isc_lock_conflict}));

  // A string pointer or a counted string is stepped over, not compared.
  SetStatus({isc_arg_gds, isc_deadlock, isc_arg_cstring, isc_lock_conflict,
             reinterpret_cast<ISC_STATUS>(text), isc_arg_string, isc_lock_conflict,
             isc_arg_gds, isc_lock_timeout, isc_arg_end});
  EXPECT_FALSE(StatusIsOneOf({isc_lock_conflict}));
  EXPECT_TRUE(StatusIsOneOf({isc_lock_timeout}));

  SetStatus({isc_arg_end, isc_deadlock});
  EXPECT_FALSE(StatusIsOneOf({isc_deadlock}));
  SetStatus({});
}

TEST_F(ClientErrorTest, StatusIsOneOfStopsAtTheEndOfAnUnterminatedVector) {
  ISC_STATUS* v = StatusVector();
  for (int i = 0; i < kStatusVectorLength; ++i) v[i] = isc_arg_string;
  EXPECT_FALSE(StatusIsOneOf({isc_arg_string}));
  SetStatus({});
}

TEST_F(ClientErrorTest, EachThreadHasItsOwnStatusVector) {
  SetStatus({isc_arg_gds, isc_deadlock, isc_arg_end});
  ISC_STATUS seen_elsewhere = -1;
  bool found_elsewhere = true;
  std::thread other([&] {
    seen_elsewhere = StatusVector()[1];
    found_elsewhere = StatusIsOneOf({isc_deadlock});
  });
  other.join();
  EXPECT_EQ(seen_elsewhere, 0);
  EXPECT_FALSE(found_elsewhere);
  EXPECT_TRUE(StatusIsOneOf({isc_deadlock}));
  SetStatus({});
}

}  // namespace
}  // namespace fib
