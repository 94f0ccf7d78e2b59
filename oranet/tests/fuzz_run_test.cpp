// A short fuzzing run of the server-byte readers inside the test run:
// random inputs and mutations of the seed corpus. Every input must end in a
// result or a library error; a crash or a foreign exception fails here
// (and under the sanitizers, any memory fault).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "oranet/fuzz/fuzz_targets.h"

namespace oranet::fuzz {
namespace {

using Input = std::vector<uint8_t>;
using Target = Reached (*)(const uint8_t*, size_t);

constexpr int kInputs = 100000;

std::vector<Input> Seeds(const std::string& harness) {
  std::vector<Input> seeds;
  for (const auto& entry : std::filesystem::directory_iterator(std::string(ORANET_FUZZ_CORPUS) + "/" + harness)) {
    std::ifstream in(entry.path(), std::ios::binary);
    seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return seeds;
}

// One to four random edits: flip, overwrite with a telling value, insert,
// delete, cut, or repeat a slice.
Input Mutate(Input input, std::mt19937& rng) {
  static const uint8_t kTelling[] = {0, 1, 2, 4, 5, 6, 11, 12, 0x7f, 0x80, 0x85, 0xfd, 0xfe, 0xff};
  const int edits = 1 + static_cast<int>(rng() % 4);
  for (int e = 0; e < edits; ++e) {
    if (input.empty()) input.push_back(static_cast<uint8_t>(rng()));
    const size_t at = rng() % input.size();
    switch (rng() % 6) {
      case 0: input[at] ^= static_cast<uint8_t>(1u << (rng() % 8)); break;
      case 1: input[at] = kTelling[rng() % sizeof kTelling]; break;
      case 2: input.insert(input.begin() + at, static_cast<uint8_t>(rng())); break;
      case 3: input.erase(input.begin() + at); break;
      case 4: input.resize(at); break;
      default: {
        const size_t n = std::min<size_t>(1 + rng() % 16, input.size() - at);
        const Input slice(input.begin() + at, input.begin() + at + n);
        input.insert(input.begin() + rng() % input.size(), slice.begin(), slice.end());
      }
    }
  }
  return input;
}

// Runs `inputs` inputs, half random and half mutated seeds; returns how
// many reached each stage.
std::vector<int> FuzzRun(Target target, const std::vector<Input>& seeds, int inputs = kInputs) {
  std::mt19937 rng(20261207);
  std::vector<int> reached(5, 0);
  for (int i = 0; i < inputs; ++i) {
    Input input;
    if (i % 2 == 0) {
      input.resize(rng() % 200);
      for (uint8_t& b : input) b = static_cast<uint8_t>(rng());
    } else {
      input = Mutate(seeds[rng() % seeds.size()], rng);
    }
    try {
      ++reached[static_cast<int>(target(input.data(), input.size()))];
    } catch (const std::exception& e) {
      ADD_FAILURE() << "input " << i << " raised " << e.what();
      return reached;
    }
  }
  return reached;
}

TEST(FuzzRunTest, PacketReaderEndsEveryInputInAResultOrAnError) {
  const std::vector<int> reached = FuzzRun(RunPacketReader, Seeds("tns_packet_fuzz"));
  // The mutations must get past the handshake often enough to mean something.
  EXPECT_GT(reached[static_cast<int>(Reached::kMessages)], kInputs / 50);
}

TEST(FuzzRunTest, TtcReaderEndsEveryInputInAResultOrAnError) {
  const std::vector<int> reached = FuzzRun(RunTtcReader, Seeds("ttc_reader_fuzz"));
  EXPECT_GT(reached[static_cast<int>(Reached::kNegotiated)] + reached[static_cast<int>(Reached::kMessages)],
            kInputs / 50);
}

// The seeds of whole logons are well formed: they run to their end.
TEST(FuzzRunTest, LogonSeedsOfWholeLogonsRunToTheEnd) {
  for (const char* name : {"connect_ok", "connect_wrong_password"}) {
    std::ifstream in(std::string(ORANET_FUZZ_CORPUS) + "/logon_reply_fuzz/" + name, std::ios::binary);
    const Input seed{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(RunLogonReader(seed.data(), seed.size()), Reached::kMessages) << name;
  }
}

TEST(FuzzRunTest, LogonReaderEndsEveryInputInAResultOrAnError) {
  const std::vector<int> reached = FuzzRun(RunLogonReader, Seeds("logon_reply_fuzz"));
  EXPECT_GT(reached[static_cast<int>(Reached::kMessages)], kInputs / 50);
}

// Every seed of `harness` reaches `wanted`.
void ExpectSeedsReach(const std::string& harness, Target target, Reached wanted) {
  for (const auto& entry : std::filesystem::directory_iterator(std::string(ORANET_FUZZ_CORPUS) + "/" + harness)) {
    std::ifstream in(entry.path(), std::ios::binary);
    const Input seed{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(target(seed.data(), seed.size()), wanted) << entry.path();
  }
}

// The statement seeds are whole replies: each runs to its end.
TEST(FuzzRunTest, StatementSeedsRunToTheEnd) { ExpectSeedsReach("stmt_reply_fuzz", RunStatementReply, Reached::kAccepted); }

TEST(FuzzRunTest, StatementReplyEndsEveryInputInAResultOrAnError) {
  const std::vector<int> reached = FuzzRun(RunStatementReply, Seeds("stmt_reply_fuzz"));
  EXPECT_GT(reached[static_cast<int>(Reached::kAccepted)], kInputs / 100);
}

// The seeds of the whole receive path are whole replies: each fetches.
TEST(FuzzRunTest, RowPathSeedsFetch) { ExpectSeedsReach("stmt_row_fuzz", RunRowPath, Reached::kAccepted); }

// Each input of the whole path costs a connection and its buffers: fewer.
TEST(FuzzRunTest, RowPathEndsEveryInputInAResultOrAnError) {
  const std::vector<int> reached = FuzzRun(RunRowPath, Seeds("stmt_row_fuzz"), kInputs / 5);
  EXPECT_GT(reached[static_cast<int>(Reached::kAccepted)], kInputs / 5 / 100);
}

// Every seed of the text readers but the model of print-only elements is
// accepted: the seeds stay meaningful.
TEST(FuzzRunTest, TextSeedsAreAccepted) {
  const std::pair<const char*, Target> kHarnesses[] = {{"value_number_text_fuzz", RunNumberText},
                                                       {"value_interval_text_fuzz", RunIntervalText},
                                                       {"value_date_text_fuzz", RunDateText}};
  for (const auto& [harness, target] : kHarnesses) {
    for (const auto& entry : std::filesystem::directory_iterator(std::string(ORANET_FUZZ_CORPUS) + "/" + harness)) {
      std::ifstream in(entry.path(), std::ios::binary);
      const Input seed{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
      const bool printOnly = entry.path().filename() == "print_only";
      EXPECT_EQ(target(seed.data(), seed.size()) == Reached::kAccepted, !printOnly) << entry.path();
    }
  }
}

TEST(FuzzRunTest, TextReadersEndEveryInputInAResultOrAnError) {
  const std::pair<const char*, Target> kHarnesses[] = {{"value_number_text_fuzz", RunNumberText},
                                                       {"value_interval_text_fuzz", RunIntervalText},
                                                       {"value_date_text_fuzz", RunDateText}};
  for (const auto& [harness, target] : kHarnesses) {
    const std::vector<int> reached = FuzzRun(target, Seeds(harness));
    EXPECT_GT(reached[static_cast<int>(Reached::kAccepted)], kInputs / 100) << harness;
  }
}

}  // namespace
}  // namespace oranet::fuzz
