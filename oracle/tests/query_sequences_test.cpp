// TOraQuery under model-checked operation sequences on the stand-in's SQLite
// tier: a fixed set of seeds for every run, the shrunk sequences of faults
// they found, and the exploration that scripts/sequences.sh runs for as
// long as it is asked (skipped otherwise).
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "oracle/tests/query_sequences_driver.h"
#include "oracle/tests/query_sqlite_fixture.h"
#include "testing/sequence_engine.h"

namespace oracle::testing {
namespace {

// Seeds and length of the fixed run (about a minute under the sanitizers
// on two cores).
constexpr int kFixedSeeds = 12;
constexpr int kFixedLength = 50;

// The stand-in's call log is switched off: thousands of steps would fill it
// and no step reads it (the next test's reset switches it on again).
class OraQuerySequences : public SqliteTierTest {
 protected:
  void SetUp() override {
    SqliteTierTest::SetUp();
    void* standin = dlopen(ORACLE_STANDIN_PATH, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(standin, nullptr);
    auto set_logging = reinterpret_cast<void (*)(int)>(dlsym(standin, "standin_set_logging"));
    ASSERT_NE(set_logging, nullptr);
    set_logging(0);
    dlclose(standin);
  }
};

TEST_F(OraQuerySequences, FixedSeedsAgreeWithTheModel) {
  OraQueryDriver driver(*tier_, "seqdb", temp_ + "/sequences");
  std::vector<uint64_t> seeds;
  for (int i = 1; i <= kFixedSeeds; ++i) seeds.push_back(static_cast<uint64_t>(i));
  const sequences::Totals totals = sequences::RunSeeds(driver, seeds, kFixedLength);
  std::cout << totals.Summary(driver.Name()) << "\n";
  for (const sequences::Failure& failure : totals.failures) ADD_FAILURE() << failure.Report(driver);
}

// ---- Shrunk failures of the sequences, kept as regular tests

// A post that writes a CLOB into a row another session deleted (here the
// refused post's corrected retry): the UPDATE touched no row and handed
// back no locator, the write into it failed with a LOB error, and the
// session's work was left open, holding another session's DELETE off.
TEST_F(OraQuerySequences, ALobPostToARowDeletedElsewhereEndsItsStatement) {
  OraQueryDriver driver(*tier_, "seqdb", temp_ + "/sequences");
  EXPECT_EQ(sequences::Replay(driver, {
                                          {"other_insert", {4, 6}},  // another session inserts a new ID, F := value #6
                                          {"filter", {2}},           // OnFilterRecord (odd IDs) on
                                          {"other_delete", {3}},     // another session deletes ID 3
                                          {"append_post", {5, 2}},   // Append a new ID, D := value #2, Post
                                          {"delete", {0}},           // row 0: Delete
                                          {"refused_post", {2, 2, 9, 7}},  // row 2 (ID 3): Edit, M := text #9, I := 666,
                                                                           // Post (refused), I := value #7, Post
                                          {"other_delete", {8}},           // another session deletes ID 8
                                      }),
            "");
}

// A cached apply with a refresh after update reads back the other columns
// of a record whose CLOB changed: another session's F shows after it.
TEST_F(OraQuerySequences, ACachedClobApplyReadsTheOtherColumnsBack) {
  OraQueryDriver driver(*tier_, "seqdb", temp_ + "/sequences");
  EXPECT_EQ(sequences::Replay(driver, {
                                          {"refresh_options", {1}},     // RefreshOptions after insert and update
                                          {"cached", {1}},              // Close, CachedUpdates on, Open
                                          {"other_update", {1, 4, 3}},  // another session: ID 1, F := value #3
                                          {"edit_post", {0, 2, 5}},     // row 0: Edit, M := text #5, Post
                                          {"apply", {}},                // ApplyUpdates
                                          {"commit", {}},               // CommitUpdates
                                      }),
            "");
}

// Where the cursor stands after CancelUpdates gave back records while the
// filter showed none is the store's own choice (wherever its last step left
// it); the model once took the last record removed. And a cached edit that
// left every value as it was sends no UPDATE, so nothing is read back: the
// model once refreshed such a record, which showed only where the record
// differed from the server (a new record applied without a refresh).
TEST_F(OraQuerySequences, ShrunkSequencesTheModelMisread) {
  OraQueryDriver unchanged_edit(*tier_, "seqdb", temp_ + "/unchanged");
  EXPECT_EQ(sequences::Replay(unchanged_edit, {
                                                  {"index", {1}},              // IndexFieldNames 'I;ID'
                                                  {"cached", {1}},             // Close, CachedUpdates on, Open
                                                  {"insert_post", {5, 4, 6}},  // a new ID, F := value #6
                                                  {"commit", {}},              // CommitUpdates
                                                  {"edit_post", {1, 6, 0}},    // the new row: TS := NULL (it is)
                                                  {"refresh_options", {1}},    // after insert and update
                                                  {"commit", {}},              // CommitUpdates
                                              }),
            "");
  OraQueryDriver driver(*tier_, "seqdb", temp_ + "/sequences");
  EXPECT_EQ(sequences::Replay(driver, {
                                          {"other_delete", {3}},  // another session deletes ID 3
                                          {"cached", {1}},        // Close, CachedUpdates on, Open
                                          {"filter", {2}},        // OnFilterRecord (odd IDs) on
                                          {"delete", {0}},        // row 0: Delete
                                          {"delete", {0}},        // row 0: Delete
                                          {"cancel_updates", {}}, // CancelUpdates
                                      }),
            "");
}

// scripts/sequences.sh: new seeds for SEQUENCES_SECONDS seconds.
TEST_F(OraQuerySequences, Explore) {
  const char* seconds = std::getenv("SEQUENCES_SECONDS");
  if (seconds == nullptr) GTEST_SKIP() << "run by scripts/sequences.sh";
  const char* first = std::getenv("SEQUENCES_FIRST_SEED");
  const char* length = std::getenv("SEQUENCES_LENGTH");
  const uint64_t first_seed =
      first ? std::strtoull(first, nullptr, 10)
            : static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count() % 1000000007);
  OraQueryDriver driver(*tier_, "seqdb", temp_ + "/sequences");
  const sequences::Totals totals =
      sequences::RunFor(driver, first_seed, length ? std::atoi(length) : kFixedLength, std::atof(seconds),
                        [&](const sequences::Failure& failure) { std::cout << failure.Report(driver) << std::flush; });
  std::cout << "seeds " << first_seed << ".." << first_seed + totals.seeds - 1 << "\n" << totals.Summary(driver.Name()) << "\n";
  EXPECT_TRUE(totals.failures.empty());
}

}  // namespace
}  // namespace oracle::testing
