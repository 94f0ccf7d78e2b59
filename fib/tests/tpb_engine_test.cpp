// Parameter blocks as the embedded Firebird engine receives them: every
// built-in transaction must start, and the blocks this layer refuses to send
// are the ones the engine would refuse.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/strings.h"
#include "embedded_database.h"
#include "fib/base/client_library.h"
#include "fib/base/param_blocks.h"

namespace fib {
namespace {

class EngineTest : public ::testing::Test {
 protected:
  fib::IIBClientLibrary& Library() { return db_.Library(); }
  isc_db_handle* Db() { return db_.Handle(); }

  bool Failed() const { return status_[0] == 1 && status_[1] != 0; }

  // Starts a transaction over `databases` with `tpb`; answers its handle,
  // 0 when the engine refused (status_ then says why).
  isc_tr_handle Start(const std::string& tpb, std::vector<isc_db_handle*> databases = {}) {
    if (databases.empty()) databases.push_back(Db());
    std::vector<TransactionExistenceBlock> teb = BuildTEB(databases, tpb);
    isc_tr_handle tr = 0;
    Library().isc_start_multiple(status_, &tr, static_cast<short>(teb.size()), teb.data());
    return Failed() ? 0 : tr;
  }

  // The isolation the engine reports for a running transaction, and for read
  // committed whether it reads record versions.
  std::vector<int> Isolation(isc_tr_handle& tr) {
    const char items[] = {isc_info_tra_isolation, isc_info_end};
    char buffer[32] = {};
    Library().isc_transaction_info(status_, &tr, sizeof items, items, sizeof buffer, buffer);
    if (Failed() || buffer[0] != isc_info_tra_isolation) return {};
    int length = Library().isc_vax_integer(buffer + 1, 2);
    std::vector<int> answer;
    for (int i = 0; i < length; ++i) answer.push_back(static_cast<unsigned char>(buffer[3 + i]));
    return answer;
  }

  void Commit(isc_tr_handle& tr) {
    Library().isc_commit_transaction(status_, &tr);
    EXPECT_FALSE(Failed());
  }

  static std::string TPBOf(std::span<const std::string_view> builtin,
                           TPBServer server = TPBServer::Firebird) {
    classlib::TStringList lines;
    SetTPBLines(lines, builtin);
    return BuildTPB(lines, server);
  }

  fib_test::EmbeddedDatabase db_;
  ISC_STATUS_ARRAY status_ = {};
};

TEST_F(EngineTest, BuiltInTransactionsStartWithTheirIsolation) {
  isc_tr_handle read_committed = Start(TPBOf(kReadCommittedTPBLines));
  ASSERT_NE(read_committed, 0u);
  EXPECT_EQ(Isolation(read_committed),
            std::vector<int>({isc_info_tra_read_committed, isc_info_tra_rec_version}));
  Commit(read_committed);

  isc_tr_handle repeatable = Start(TPBOf(kRepeatableReadTPBLines));
  ASSERT_NE(repeatable, 0u);
  EXPECT_EQ(Isolation(repeatable), std::vector<int>({isc_info_tra_concurrency}));
  Commit(repeatable);

  // No lines: an empty block, the server's default transaction.
  isc_tr_handle by_default = Start(std::string());
  ASSERT_NE(by_default, 0u);
  Commit(by_default);
}

TEST_F(EngineTest, TheBlocksLeftUnsentAreTheOnesTheEngineRefuses) {
  // rec_version without read_committed, the older spelling of repeatable read.
  std::string old_repeatable_read = "\x03\x09\x07\x11";
  EXPECT_EQ(Start(old_repeatable_read), 0u);
  EXPECT_EQ(status_[1], isc_bad_tpb_content);
  EXPECT_EQ(status_[3], isc_tpb_option_without_rc);

  // no_savepoint as InterBase knows it: Firebird reads lock_timeout and
  // misses its length.
  EXPECT_EQ(Start(TPBOf(std::array<std::string_view, 2>{"write", "no_savepoint"},
                        TPBServer::InterBase)),
            0u);
  EXPECT_EQ(status_[1], isc_bad_tpb_content);
  EXPECT_EQ(status_[3], isc_tpb_missing_len);
}

TEST_F(EngineTest, AttachesWithABuiltDPBAndStartsOverTwoAttachments) {
  classlib::TStringList params;
  for (const char* line : {"user_name=SYSDBA", "password=masterkey", "lc_ctype=WIN1251",
                           "sql_dialect=3", "num_buffers=200", "isc_dpb_connect_timeout=30"})
    params.Add(line);
  std::string dpb = BuildDPB(params);
  isc_db_handle second = 0;
  Library().isc_attach_database(status_, 0, db_.Path().c_str(), &second,
                                static_cast<short>(dpb.size()), dpb.data());
  ASSERT_FALSE(Failed());

  isc_tr_handle tr = Start(TPBOf(kReadCommittedTPBLines), {Db(), &second});
  ASSERT_NE(tr, 0u);
  Commit(tr);
  Library().isc_detach_database(status_, &second);
  EXPECT_FALSE(Failed());
}

}  // namespace
}  // namespace fib
