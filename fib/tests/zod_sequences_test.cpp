// The Firebird data set under model-checked operation sequences on the
// embedded engine, in both cache models: a fixed set of seeds for every
// run, and the exploration scripts/sequences.sh runs for as long as it is
// asked (skipped otherwise).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <vector>

#include "testing/sequence_engine.h"
#include "zod_sequences_driver.h"

namespace fib_test {
namespace {

constexpr int kFixedSeeds = 20;
constexpr int kFixedLength = 50;

void RunFixed(bool limited) {
  ZodSequencesDriver driver(limited);
  std::vector<uint64_t> seeds;
  for (int i = 1; i <= kFixedSeeds; ++i) seeds.push_back(static_cast<uint64_t>(i));
  const sequences::Totals totals = sequences::RunSeeds(driver, seeds, kFixedLength);
  std::cout << totals.Summary(driver.Name()) << "\n";
  for (const sequences::Failure& failure : totals.failures) ADD_FAILURE() << failure.Report(driver);
}

TEST(FibDataSetSequences, StandardCacheFixedSeedsAgreeWithTheModel) { RunFixed(false); }
TEST(FibDataSetSequences, LimitedCacheFixedSeedsAgreeWithTheModel) { RunFixed(true); }

// ---- Shrunk failures of the sequences, kept as regular tests

// Under cached updates a cancelled edit left the record's earlier version
// in the log; a RefreshRecord then read the server's memo, and after a
// posted edit CancelUpdates gave back the version of the cancelled edit
// (the memo from before the refresh) instead of the refreshed one.
TEST(FibDataSetSequences, CancelUpdatesGivesBackTheRecordAsTheRefreshReadIt) {
  ZodSequencesDriver driver(false);
  EXPECT_EQ(sequences::Replay(driver, {
                                          {"cached", {1}},           // Close, CachedUpdates on, Open
                                          {"other_update", {1, 2, 0}},  // another attachment: ID 1, M := NULL
                                          {"edit_cancel", {0, 3, 9}},   // row 0: Edit, B := value #9, Cancel
                                          {"refresh", {}},              // Refresh
                                          {"edit_post", {0, 1, 4}},     // row 0: Edit, S := value #4, Post
                                          {"cancel_updates", {}},       // CancelUpdates
                                      }),
            "");
}

// Shrunk sequences of faults found where the first post, cached updates
// and the transaction's hard end meet: a BOOLEAN refused on the first post
// of a fresh data set ("Conversion error from string"); a cached data set
// whose statements did not start the transaction again after a hard
// Rollback ("Transaction is not active").
TEST(FibDataSetSequences, ShrunkFaultsOfTheFirstPostAndAHardEnd) {
  for (bool limited : {false, true}) {
    ZodSequencesDriver first_post(limited);
    EXPECT_EQ(sequences::Replay(first_post, {{"edit_post", {7, 3, 6}}}), "") << "limited cache: " << limited;
  }
  ZodSequencesDriver hard_end(false);  // the limited cache keeps no cached updates
  EXPECT_EQ(sequences::Replay(hard_end, {{"cached", {1}}, {"rollback", {}}, {"refresh", {}}}), "");
}

// Records kept across a hard end under cached updates read their arrays
// from the server: a read after the end found no active transaction, and
// an array whose row another attachment deleted (before or after the end)
// was gone ("BLOB not found").
TEST(FibDataSetSequences, ArraysOfRecordsKeptAcrossAHardEnd) {
  ZodSequencesDriver driver(false);
  EXPECT_EQ(sequences::Replay(driver, {{"cached", {1}}, {"commit", {}}}), "");
  EXPECT_EQ(sequences::Replay(driver, {
                                          {"cached", {1}},           // Close, CachedUpdates on, Open
                                          {"commit", {}},            // the transaction: Commit
                                          {"other_delete", {5}},     // another attachment deletes ID 5
                                      }),
            "");
  EXPECT_EQ(sequences::Replay(driver, {
                                          {"cached", {1}},           // Close, CachedUpdates on, Open
                                          {"other_delete", {6}},     // another attachment deletes ID 6
                                          {"rollback", {}},          // the transaction: Rollback
                                      }),
              "");
}

// Shrunk sequences of cached records whose memo or blob the server no
// longer holds under the id the record keeps: another attachment replaced
// it and the transaction that could still read the old one ended hard, or
// the transaction that an apply wrote it in was rolled back. A record a
// CancelUpdates gave back read it again ("BLOB not found"), and so did an
// apply that sent the old id again.
TEST(FibDataSetSequences, ShrunkFaultsOfBlobsHeldPastTheirTransaction) {
  ZodSequencesDriver replaced_then_commit(false);
  EXPECT_EQ(sequences::Replay(replaced_then_commit, {{"cached", {1}},
                                                     {"other_update", {3, 3, 2}},  // ID 3, B := value #2
                                                     {"commit", {}},
                                                     {"delete", {2}},
                                                     {"cancel_updates", {}}}),
            "");
  ZodSequencesDriver rollback_then_replaced(false);
  EXPECT_EQ(sequences::Replay(rollback_then_replaced, {{"cached", {1}},
                                                       {"rollback", {}},
                                                       {"delete", {3}},
                                                       {"other_update", {5, 3, 7}},  // ID 5, B := value #7
                                                       {"blob_stream", {3, 2, 1}},   // ID 5, M := value #1
                                                       {"apply", {}}}),
            "");
  ZodSequencesDriver applied_then_rolled_back(false);
  EXPECT_EQ(sequences::Replay(applied_then_rolled_back, {{"cached", {1}},
                                                         {"append_post", {0, 5}},
                                                         {"append_post", {2, 3}},  // M := value #3
                                                         {"apply", {}},
                                                         {"delete", {9}},
                                                         {"delete", {6}},
                                                         {"rollback_retaining", {}},
                                                         {"cancel_updates", {}}}),
            "");
}

// Shrunk sequences of memos, blobs and arrays whose transaction ended under
// the record that holds them: an array an apply wrote was taken by a
// retaining rollback ("BLOB not found"); a separate update transaction's
// commit left posted records with an id that named their memo only inside
// it (the next post sent it: "Invalid BLOB ID", or another blob's bytes
// were stored in its place); and a refresh reading in the read transaction
// made a written memo take the id of the version before the write.
TEST(FibDataSetSequences, ShrunkFaultsOfValuesWhoseTransactionEnded) {
  ZodSequencesDriver applied_array(false);
  EXPECT_EQ(sequences::Replay(applied_array, {{"cached", {1}},
                                              {"append_post", {7, 9}},  // A := value #9
                                              {"apply", {}},
                                              {"rollback_retaining", {}}}),
            "");
  ZodSequencesDriver stale_id(false);
  EXPECT_EQ(sequences::Replay(stale_id, {{"refresh_options", {0}},
                                         {"update_transaction", {1}},
                                         {"edit_post", {0, 2, 6}},    // row 0: M := value #6
                                         {"edit_post", {0, 3, 6}}}),  // row 0: B := value #6
            "");
  ZodSequencesDriver refused_retry(false);
  EXPECT_EQ(sequences::Replay(refused_retry, {{"update_transaction", {1}},
                                              {"refresh_options", {0}},
                                              {"blob_stream", {3, 2, 2}},
                                              {"refused_post", {3, 7, 3, 2}}}),
            "");
  ZodSequencesDriver read_elsewhere(false);
  EXPECT_EQ(sequences::Replay(read_elsewhere, {{"update_transaction", {1}},
                                               {"cached", {1}},
                                               {"blob_stream", {0, 2, 5}},
                                               {"apply", {}}}),
            "");
}

// Shrunk sequences of memos and blobs a cached record had not read when its
// transaction ended (the filter hid the record): the record read them by id
// afterwards and failed with "BLOB not found", because another attachment
// had deleted the row, or because a retaining rollback took the version an
// apply wrote and a reopen read.
TEST(FibDataSetSequences, BlobsUnreadWhenTheTransactionEndedStayWithTheRecord) {
  ZodSequencesDriver deleted_elsewhere(false);
  EXPECT_EQ(sequences::Replay(deleted_elsewhere, {{"filter", {1}},        // Filter I > 40 on
                                                  {"cached", {1}},
                                                  {"commit", {}},
                                                  {"other_delete", {6}},  // another attachment deletes ID 6
                                                  {"filter", {0}}}),
            "");
  ZodSequencesDriver rolled_back(false);
  EXPECT_EQ(sequences::Replay(rolled_back, {{"filter", {1}},
                                            {"cached", {1}},
                                            {"append_post", {2, 1}},  // M := value #1
                                            {"apply", {}},
                                            {"reopen", {}},
                                            {"rollback_retaining", {}},
                                            {"filter", {0}}}),
            "");
}

// Shrunk sequences of records read through the read transaction while a
// separate update transaction held the data set's writes: they show the
// versions those writes replaced, and once the update transaction
// committed the server dropped those versions' memos, blobs and arrays;
// reading one failed with "BLOB not found".
TEST(FibDataSetSequences, ValuesOfVersionsAnUpdateCommitReplacedStayWithTheRecord) {
  ZodSequencesDriver applied_array(false);
  EXPECT_EQ(sequences::Replay(applied_array, {{"update_transaction", {1}},
                                              {"cached", {1}},
                                              {"rollback", {}},
                                              {"edit_post", {0, 7, 9}},  // row 0: A := value #9
                                              {"apply", {}},
                                              {"update_commit", {}},
                                              {"sort", {0}},
                                              {"update_commit", {}}}),
            "");
}

// A blob set to NULL under cached updates kept its emptied stream when the
// apply's refresh, reading through the read transaction, gave the record
// the id of the blob from before the write: the record showed an empty
// blob instead of that one.
TEST(FibDataSetSequences, ABlobClearedAndAppliedShowsWhatTheRefreshRead) {
  ZodSequencesDriver driver(false);
  EXPECT_EQ(sequences::Replay(driver, {{"update_transaction", {1}},
                                       {"cached", {1}},
                                       {"delete", {2}},
                                       {"edit_post", {3, 3, 0}},  // row 3: B := NULL
                                       {"apply", {}}}),
            "");
}

// Shrunk sequences of arrays a retaining rollback took: a data set opened
// again after a cached apply (cached updates switched off) showed the
// applied row and read its array by an id the rollback had undone; and a
// record edited after the apply gave back, on CancelUpdates, the earlier
// version the log kept with that id ("BLOB not found" both times).
TEST(FibDataSetSequences, ArraysARetainingRollbackTookStayWithTheRecords) {
  ZodSequencesDriver reopened(false);
  EXPECT_EQ(sequences::Replay(reopened, {{"cached", {1}},
                                         {"insert_post", {8, 7, 1}},  // A := value #1
                                         {"apply", {}},
                                         {"cached", {0}},
                                         {"rollback_retaining", {}}}),
            "");
  ZodSequencesDriver given_back(false);
  EXPECT_EQ(sequences::Replay(given_back, {{"cached", {1}},
                                           {"insert_post", {1, 7, 4}},  // A := value #4
                                           {"apply", {}},
                                           {"edit_post", {1, 0, 5}},  // the same row: I := value #5
                                           {"rollback_retaining", {}},
                                           {"cancel_updates", {}}}),
            "");
}

// Sequences the model misread: an apply under a separate update
// transaction refreshes the applied record through the read transaction,
// which still shows the version before the edit; the filter the edit had
// failed lets it through again, and with no record shown before it becomes
// the current one.
TEST(FibDataSetSequences, ShrunkSequencesTheModelMisread) {
  ZodSequencesDriver driver(false);
  EXPECT_EQ(sequences::Replay(driver, {{"filter", {1}},
                                       {"update_transaction", {1}},
                                       {"refused_post", {1, 5, 4, 4}},
                                       {"cached", {1}},
                                       {"edit_post", {0, 0, 3}},  // row 0: I := value #3
                                       {"apply", {}}}),
            "");
}

// scripts/sequences.sh: new seeds for SEQUENCES_SECONDS seconds, half in
// each cache model.
TEST(FibDataSetSequences, Explore) {
  const char* seconds = std::getenv("SEQUENCES_SECONDS");
  if (seconds == nullptr) GTEST_SKIP() << "run by scripts/sequences.sh";
  const char* first = std::getenv("SEQUENCES_FIRST_SEED");
  const char* length = std::getenv("SEQUENCES_LENGTH");
  const uint64_t first_seed =
      first ? std::strtoull(first, nullptr, 10)
            : static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count() % 1000000007);
  bool failed = false;
  for (bool limited : {false, true}) {
    ZodSequencesDriver driver(limited);
    const sequences::Totals totals = sequences::RunFor(
        driver, first_seed, length ? std::atoi(length) : kFixedLength, std::atof(seconds) / 2,
        [&](const sequences::Failure& failure) { std::cout << failure.Report(driver) << std::flush; });
    std::cout << "seeds " << first_seed << ".." << first_seed + totals.seeds - 1 << "\n"
              << totals.Summary(driver.Name()) << "\n";
    failed = failed || !totals.failures.empty();
  }
  EXPECT_FALSE(failed);
}

}  // namespace
}  // namespace fib_test
