#include "fib/base/param_blocks.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "classlib/exceptions.h"
#include "classlib/strings.h"
#include "fib/base/client_library.h"
#include "fib/base/errors.h"

namespace fib {
namespace {

using Bytes = std::vector<int>;

Bytes ToBytes(const std::string& block) {
  Bytes bytes;
  for (char c : block) bytes.push_back(static_cast<unsigned char>(c));
  return bytes;
}

Bytes Append(Bytes bytes, const std::string& text) {
  for (char c : text) bytes.push_back(static_cast<unsigned char>(c));
  return bytes;
}

void SetLines(classlib::TStringList& list, std::initializer_list<std::string> lines) {
  list.Clear();
  for (const std::string& line : lines) list.Add(line);
}

Bytes DPB(std::initializer_list<std::string> lines) {
  classlib::TStringList list;
  SetLines(list, lines);
  return ToBytes(BuildDPB(list));
}

Bytes TPB(std::initializer_list<std::string> lines, TPBServer server = TPBServer::Firebird) {
  classlib::TStringList list;
  SetLines(list, lines);
  return ToBytes(BuildTPB(list, server));
}

// The client error a build raises: its table number (-1 for an explicit
// text) and message.
template <class Build>
EFIBClientError ClientErrorOf(Build build) {
  try {
    build();
  } catch (const EFIBClientError& e) {
    return e;
  }
  ADD_FAILURE() << "no EFIBClientError raised";
  return EFIBClientError(-2, nullptr, "");
}

// ---- database parameter blocks ---------------------------------------------

TEST(BuildDPB, StringItemsCarryTheirLength) {
  EXPECT_EQ(DPB({"user_name=SYSDBA"}), Append({1, 28, 6}, "SYSDBA"));
  EXPECT_EQ(DPB({"ISC_DPB_USER_NAME=SYSDBA"}), DPB({"user_name=SYSDBA"}));
  // The value keeps its case; the name does not matter.
  EXPECT_EQ(DPB({"Password=MasterKey"}), Append({1, 29, 9}, "MasterKey"));

  Bytes expected = {1, 28, 1, 'u', 29, 1, 'p', 48, 7, 'W', 'I', 'N', '1', '2', '5', '1'};
  EXPECT_EQ(DPB({"user_name=u", "password=p", "lc_ctype=WIN1251"}), expected);
  EXPECT_EQ(expected.size(), 16u);
}

TEST(BuildDPB, NumbersFlagsAndDialect) {
  EXPECT_EQ(DPB({"sql_dialect=3"}), Bytes({1, 63, 1, 3}));
  EXPECT_EQ(DPB({"sweep_interval=20000"}), Bytes({1, 22, 4, 32, 78, 0, 0}));
  EXPECT_EQ(DPB({"sweep_interval=-1"}), Bytes({1, 22, 4, 255, 255, 255, 255}));
  EXPECT_EQ(DPB({"num_buffers=255", "connect_timeout=0"}), Bytes({1, 5, 1, 255, 57, 1, 0}));
  // Flags ignore any value; sweep always asks for a sweep.
  EXPECT_EQ(DPB({"no_garbage_collect=yes", "sweep"}), Bytes({1, 16, 1, 0, 10, 1, 2}));
}

TEST(BuildDPB, LinesAreTrimmedInPlaceAndBlankOnesSkipped) {
  classlib::TStringList list;
  SetLines(list, {"  user_name=A \t", "", "\tlc_ctype=WIN1251"});
  EXPECT_EQ(ToBytes(BuildDPB(list)), Append({1, 28, 1, 'A', 48, 7}, "WIN1251"));
  EXPECT_EQ(list.Strings(0), "user_name=A");
  EXPECT_EQ(list.Strings(2), "lc_ctype=WIN1251");

  classlib::TStringList none;
  EXPECT_EQ(ToBytes(BuildDPB(none)), Bytes({1}));
}

TEST(BuildDPB, RefusesUnknownAndUnsupportedNames) {
  EFIBClientError unsupported = ClientErrorOf([] { DPB({"page_size=4096"}); });
  EXPECT_EQ(unsupported.SQLCode(), 8);
  EXPECT_EQ(unsupported.Message(), "DPB Constant (isc_dpb_page_size) is unsupported.");

  EFIBClientError unknown = ClientErrorOf([] { DPB({"ISC_DPB_Colour=red"}); });
  EXPECT_EQ(unknown.SQLCode(), 9);
  EXPECT_EQ(unknown.Message(), "DPB Constant (colour) is unknown.");
}

TEST(BuildDPB, RefusesValuesThatWouldTravelAsAnotherValue) {
  // One length byte: 255 fits, 256 would wrap to 0 and shift every later item.
  std::string longest(255, 'x');
  EXPECT_EQ(DPB({"password=" + longest}), Append({1, 29, 255}, longest));
  EFIBClientError too_long = ClientErrorOf([&] { DPB({"password=" + longest + "x"}); });
  EXPECT_EQ(too_long.SQLCode(), -1);
  EXPECT_NE(too_long.Message().find("isc_dpb_password"), std::string::npos);

  // One number byte: 300 would arrive as 44, -1 as 255.
  EFIBClientError big = ClientErrorOf([] { DPB({"num_buffers=300"}); });
  EXPECT_NE(big.Message().find("isc_dpb_num_buffers"), std::string::npos);
  EXPECT_NE(big.Message().find("300"), std::string::npos);
  ClientErrorOf([] { DPB({"connect_timeout=-1"}); });

  // The dialect is one digit; anything else is not a dialect.
  for (const char* bad : {"sql_dialect=", "sql_dialect=31", "sql_dialect=x", "sql_dialect"})
    EXPECT_THROW(DPB({bad}), classlib::EConvertError) << bad;

  // The whole block's length travels as a signed 16-bit count.
  classlib::TStringList many;
  for (int i = 0; i < 127; ++i) many.Add("password=" + longest);
  EXPECT_EQ(BuildDPB(many).size(), 1 + 127 * 257u);
  many.Add("password=" + longest);
  ClientErrorOf([&] { BuildDPB(many); });

  EXPECT_THROW(DPB({"num_buffers=many"}), classlib::EConvertError);
  EXPECT_THROW(DPB({"sweep_interval=99999999999"}), classlib::EConvertError);
}

TEST(BuildDPB, ARefusedListIsLeftTrimmedAndComplete) {
  classlib::TStringList list;
  SetLines(list, {" page_size=4096 ", " user_name=A "});
  EXPECT_THROW(BuildDPB(list), EFIBClientError);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Strings(0), "page_size=4096");
  EXPECT_EQ(list.Strings(1), "user_name=A");
}

// ---- transaction parameter blocks ------------------------------------------

TEST(BuildTPB, CodesAndTableReservations) {
  EXPECT_EQ(TPB({}), Bytes());
  EXPECT_EQ(TPB({"write", "", "nowait"}), Bytes({3, 9, 7}));
  EXPECT_EQ(TPB({"ISC_TPB_Read", "concurrency", "wait"}), Bytes({3, 8, 2, 6}));
  EXPECT_EQ(TPB({"lock_write=ORDERS"}), Append({3, 11, 6}, "ORDERS"));
  EXPECT_EQ(TPB({"lock_read="}), Bytes({3, 10, 0}));

  EFIBClientError too_long = ClientErrorOf([] { TPB({"lock_read=" + std::string(256, 'T')}); });
  EXPECT_NE(too_long.Message().find("isc_tpb_lock_read"), std::string::npos);
}

TEST(BuildTPB, RefusesUnknownAndUnsupportedNames) {
  for (const char* name : {"verb_time", "commit_time", "autocommit", "restart_requests"}) {
    EFIBClientError e = ClientErrorOf([&] { TPB({"write", name}); });
    EXPECT_EQ(e.SQLCode(), 10);
    EXPECT_EQ(e.Message(), std::string("TPB Constant (isc_tpb_") + name + ") is unsupported.");
  }
  EFIBClientError unknown = ClientErrorOf([] { TPB({"snapshot"}); });
  EXPECT_EQ(unknown.SQLCode(), 11);
  EXPECT_EQ(unknown.Message(), "TPB Constant (snapshot) is unknown.");
}

TEST(BuildTPB, NoSavepointOnlyGoesToInterBase) {
  // Firebird reads code 21 as lock_timeout and would refuse the whole block.
  EFIBClientError e = ClientErrorOf([] { TPB({"write", "no_savepoint"}); });
  EXPECT_EQ(e.SQLCode(), 10);
  EXPECT_EQ(e.Message(), "TPB Constant (isc_tpb_no_savepoint) is unsupported.");
  EXPECT_EQ(TPB({"write", "no_savepoint"}, TPBServer::InterBase), Bytes({3, 9, 21}));
}

TEST(BuildTPB, BuiltInSets) {
  classlib::TStringList list;
  list.Add("lock_write=T");
  SetTPBLines(list, kReadCommittedTPBLines);
  EXPECT_EQ(list.Count(), 4);
  EXPECT_EQ(ToBytes(BuildTPB(list)), Bytes({3, 9, 7, 17, 15}));
  SetTPBLines(list, kRepeatableReadTPBLines);
  EXPECT_EQ(ToBytes(BuildTPB(list)), Bytes({3, 9, 7, 2}));
}

// ---- looking lines up by name ------------------------------------------------

TEST(ParamLines, LookupMatchesWholeNames) {
  classlib::TStringList list;
  SetLines(list, {"password_enc=secret", " ISC_DPB_PASSWORD=plain", "lc_ctype"});
  EXPECT_EQ(IndexOfParamLine(list, "password", kDPBPrefix), 1);
  EXPECT_EQ(ParamLineValue(list, "password", kDPBPrefix), "plain");
  EXPECT_EQ(ParamLineValue(list, "isc_dpb_password_enc", kDPBPrefix), "secret");
  EXPECT_EQ(IndexOfParamLine(list, "LC_CTYPE", kDPBPrefix), 2);
  EXPECT_EQ(ParamLineValue(list, "lc_ctype", kDPBPrefix), "");
  EXPECT_EQ(IndexOfParamLine(list, "pass", kDPBPrefix), -1);
  EXPECT_EQ(IndexOfParamLine(list, "user_name", kDPBPrefix), -1);
}

TEST(ParamLines, SplitKeepsTheValueAsWritten) {
  ParamLine line = SplitParamLine("ISC_TPB_Lock_Write=Orders=1", kTPBPrefix);
  EXPECT_EQ(line.name, "lock_write");
  EXPECT_EQ(line.value, "Orders=1");
}

// ---- transaction existence blocks --------------------------------------------

TEST(BuildTEB, OneEntryPerDatabaseSharingTheTPB) {
  isc_db_handle first = 11, second = 22;
  std::vector<isc_db_handle*> databases = {&first, &second};
  std::string tpb = "\x03\x09\x07";
  std::vector<TransactionExistenceBlock> teb = BuildTEB(databases, tpb);
  ASSERT_EQ(teb.size(), 2u);
  EXPECT_EQ(teb[0].database, &first);
  EXPECT_EQ(teb[1].database, &second);
  for (const TransactionExistenceBlock& entry : teb) {
    EXPECT_EQ(entry.tpb_length, 3);
    EXPECT_EQ(entry.tpb, tpb.data());
  }
  // The client library reads the handle's address, the length and the TPB's
  // address at pointer-sized steps.
  EXPECT_EQ(offsetof(TransactionExistenceBlock, tpb_length), sizeof(void*));
  EXPECT_EQ(offsetof(TransactionExistenceBlock, tpb), 2 * sizeof(void*));
}

}  // namespace
}  // namespace fib
