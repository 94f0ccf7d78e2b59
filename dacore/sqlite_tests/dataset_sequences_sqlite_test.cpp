// The generic data set under model-checked operation sequences on the
// SQLite test driver: a fixed set of seeds for every run, the engine's own
// check that it finds and shrinks a planted fault, and the exploration that
// scripts/sequences.sh runs for as long as it is asked (skipped otherwise).
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "dacore/sqlite_tests/dataset_sequences_driver.h"
#include "testing/sequence_engine.h"

namespace dacore::sqlite_tests {
namespace {

// Seeds and length of the fixed run (about a minute under the sanitizers
// on two cores).
constexpr int kFixedSeeds = 30;
constexpr int kFixedLength = 50;

std::string Folder() {
  return (std::filesystem::temp_directory_path() /
          ("dacore_sequences_" + std::to_string(::getpid()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name()))
      .string();
}

class DataSetSequences : public ::testing::Test {
 protected:
  void TearDown() override { std::filesystem::remove_all(folder_); }
  std::string folder_ = Folder();
};

TEST_F(DataSetSequences, FixedSeedsAgreeWithTheModel) {
  DataSetDriver driver(folder_);
  std::vector<uint64_t> seeds;
  for (int i = 1; i <= kFixedSeeds; ++i) seeds.push_back(static_cast<uint64_t>(i));
  const sequences::Totals totals = sequences::RunSeeds(driver, seeds, kFixedLength);
  std::cout << totals.Summary(driver.Name()) << "\n";
  for (const sequences::Failure& failure : totals.failures) ADD_FAILURE() << failure.Report(driver);
}

// The engine finds a fault planted in the driver (the second memo or blob a
// stream writes into a record is dropped) and shrinks it to a sequence a
// reader can follow; without the fault the same sequence passes.
TEST_F(DataSetSequences, APlantedDroppedBlobWriteIsFoundAndShrunk) {
  DataSetDriver driver(folder_);
  driver.PlantDroppedBlobWrite(true);
  sequences::Failure found;
  bool failed = false;
  for (uint64_t seed = 1; seed <= 50 && !failed; ++seed) {
    const sequences::Totals totals = sequences::RunSeeds(driver, {seed}, kFixedLength);
    if (!totals.failures.empty()) {
      found = totals.failures.front();
      failed = true;
    }
  }
  ASSERT_TRUE(failed) << "no seed found the planted fault";
  const std::string report = found.Report(driver);
  std::cout << report;
  EXPECT_LE(found.shrunk.size(), 10u) << report;
  EXPECT_GE(found.shrunk.size(), 2u) << "the fault needs two stream writes into one record\n" << report;
  EXPECT_NE(report.find("CreateBlobStream"), std::string::npos) << report;
  EXPECT_NE(sequences::Replay(driver, found.shrunk), "");
  driver.PlantDroppedBlobWrite(false);
  EXPECT_EQ(sequences::Replay(driver, found.shrunk), "");
}

// ---- Shrunk failures of the sequences, kept as regular tests

// CommitUpdates re-filters the rows while the cache's scratch buffer is the
// active record: an OnFilterRecord handler read that buffer instead of the
// row it was asked about, and every row left the data set.
TEST_F(DataSetSequences, CommitUpdatesKeepsTheRowsAFilterHandlerAccepts) {
  DataSetDriver driver(folder_);
  EXPECT_EQ(sequences::Replay(driver, {
                                          {"filter", {2}},  // OnFilterRecord (odd IDs) on
                                          {"cached", {1}},  // Close, CachedUpdates on, Open
                                          {"commit", {}},   // CommitUpdates
                                      }),
            "");
}

// Shrunk sequences of faults found where posts, blobs, filters, refreshes
// and cached applies meet: a memo another connection wrote overwritten by
// a later edit of another column; a new row deleted between ApplyUpdates
// and CommitUpdates left on the server; a new row the filter hides not read
// back by the refresh after insert; a cached memo that could not be undone
// after CancelUpdates gave it back.
TEST_F(DataSetSequences, ShrunkFaultsWhereBlobsFiltersAndCachedAppliesMeet) {
  const std::vector<std::vector<sequences::Operation>> cases{
      {{"blob_stream", {3, 2, 8}}, {"filter", {1}}, {"other_update", {4, 2, 1}}, {"edit_post", {1, 3, 6}}},
      {{"cached", {1}}, {"insert_post", {0, 4, 0}}, {"apply", {}}, {"delete", {0}}},
      {{"filter", {1}}, {"refresh_options", {1}}, {"insert_post", {0, 2, 9}}, {"filter", {0}}},
      {{"cached", {1}}, {"edit_post", {0, 3, 5}}, {"cancel_updates", {}}, {"edit_cancel", {0, 3, 0}}},
  };
  for (const auto& steps : cases) {
    DataSetDriver driver(folder_);
    EXPECT_EQ(sequences::Replay(driver, steps), "");
  }
}

// Shrunk sequences where the model, not the data set, was wrong: a cached
// record written with the memo it already held sends no UPDATE at the
// apply, so the refresh after update does not run (another connection's F
// stays unread, as after a post that changed nothing); where CancelUpdates
// puts the cursor when the filter showed no row is left open (the store's
// cursor stands where the last delete, insert or search left it), as when
// it removes the new record shown; a current record that CancelUpdates
// moves by the local order and the filter then hides gives way to the
// record after its new place, not after its old one.
TEST_F(DataSetSequences, ShrunkSequencesTheModelMisread) {
  const std::vector<std::vector<sequences::Operation>> cases{
      {{"cached", {1}}, {"refresh_options", {1}}, {"other_update", {1, 4, 5}}, {"blob_stream", {0, 2, 4}}, {"apply", {}}},
      {{"cached", {1}}, {"filter", {1}}, {"delete", {0}}, {"delete", {1}}, {"insert_post", {0, 3, 5}},
       {"locate_value", {3}}, {"cancel_updates", {}}},
      {{"cached", {1}}, {"delete", {0}}, {"filter", {2}}, {"delete", {0}}, {"delete", {1}}, {"cancel_updates", {}}},
      {{"cached", {1}}, {"filter", {1}}, {"delete", {0}}, {"delete", {1}}, {"cancel_updates", {}}},
      {{"other_insert", {4, 7}}, {"cached", {1}}, {"edit_post", {1, 0, 6}}, {"append_post", {2, 8}}, {"delete", {8}},
       {"index", {2}}, {"insert_post", {7, 5, 7}}, {"edit_post", {8, 0, 0}}, {"filter", {1}}, {"index", {1}},
       {"cancel_updates", {}}},
  };
  for (const auto& steps : cases) {
    DataSetDriver driver(folder_);
    EXPECT_EQ(sequences::Replay(driver, steps), "");
  }
}

// scripts/sequences.sh: new seeds for SEQUENCES_SECONDS seconds.
TEST_F(DataSetSequences, Explore) {
  const char* seconds = std::getenv("SEQUENCES_SECONDS");
  if (seconds == nullptr) GTEST_SKIP() << "run by scripts/sequences.sh";
  const char* first = std::getenv("SEQUENCES_FIRST_SEED");
  const char* length = std::getenv("SEQUENCES_LENGTH");
  const uint64_t first_seed =
      first ? std::strtoull(first, nullptr, 10)
            : static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count() % 1000000007);
  DataSetDriver driver(folder_);
  const sequences::Totals totals =
      sequences::RunFor(driver, first_seed, length ? std::atoi(length) : kFixedLength, std::atof(seconds),
                        [&](const sequences::Failure& failure) { std::cout << failure.Report(driver) << std::flush; });
  std::cout << "seeds " << first_seed << ".." << first_seed + totals.seeds - 1 << "\n" << totals.Summary(driver.Name()) << "\n";
  EXPECT_TRUE(totals.failures.empty());
}

}  // namespace
}  // namespace dacore::sqlite_tests
