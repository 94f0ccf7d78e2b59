// 100 000 rows of six columns (NUMBER(18), NUMBER(10,2), VARCHAR2(100),
// CHAR(10), DATE, RAW(16)) fetched through a TOraQuery whose session has
// Direct set, from a replay server on the loopback that answers each
// request with prebuilt replies; the query's loop reads every value of every
// row through its field in the field's type. Two peers send the requests the
// query's session sent (recorded once: the same round trips and the same
// FetchRows):
//   BM_FetchDecodePeer: decodes every value of the replies' rows into
//     machine types in a straight loop and keeps the rows in a vector (the
//     floor of any client; checked to give the values the query gives);
//   BM_FetchReplayPeer: reads and drops the replies (the transport's floor).
// Each iteration is a whole session on all sides: connect and log on,
// describe, execute, the fetches to the end, close and log off, the rows'
// release. Blocks of 100 and of 1000 rows.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "classlib/field.h"
#include "classlib/fields.h"
#include "oracle/query_ora_dataset.h"
#include "oracle/session_ora_session.h"
#include "oranet/bench/bench_replay_server.h"
#include "oranet/bench/bench_row_decode.h"
#include "oranet/oci_install.h"
#include "oranet/tests/fake_server_stmt.h"
#include "testing/bench_counted.h"
#include "testing/bench_field_reader.h"

namespace {

using namespace oranet::testing;
using oranet::bench::TBenchRow;
using oranet::bench::TReplayServer;

constexpr int kRows = 100000;
constexpr const char* kQuery = "select id, amount, name, code, created, tag from bench_rows";

// The client takes packets of up to its SDU, 2048 bytes.
TBytes InDataPackets(const TBytes& message) {
  TBytes packets;
  for (size_t at = 0; at < message.size(); at += 2000) {
    const size_t n = std::min<size_t>(2000, message.size() - at);
    const TBytes packet = DataPacket(TBytes(message.begin() + static_cast<std::ptrdiff_t>(at),
                                            message.begin() + static_cast<std::ptrdiff_t>(at + n)));
    packets.insert(packets.end(), packet.begin(), packet.end());
  }
  return packets;
}

TBytes BenchRow(int n) {
  const std::string name = "name of row " + std::to_string(n);
  std::string code = "C" + std::to_string(n % 1000);
  code.resize(10, ' ');
  const TBytes date{120, 124, 12, static_cast<uint8_t>(1 + n % 28), static_cast<uint8_t>(1 + n % 24), 1, 1};
  TBytes tag(16);
  for (int i = 0; i < 16; ++i) tag[i] = static_cast<uint8_t>(n + i);
  return Row({Value(IntNumber(1000000000000LL + n)), Value(RealNumber(n * 0.25 + 0.01)), TextValue(name),
              TextValue(code), Value(date), Value(tag)});
}

// What the server says, request by request: the connect and logon, the
// describe, the cursor, the execute, the blocks (the last one ends with
// "no data"), the cursor's close and the log-off.
std::vector<TBytes> Answers(int fetchRows) {
  std::vector<TBytes> answers{AcceptPacket(), DataPacket(ProtocolReply(6)),
                              DataPacket(DataTypeReply()), DataPacket(Phase1Reply("0123456789ABCDEF")),
                              DataPacket(StatusMessage(0))};
  answers.push_back(InDataPackets(DescribeReply({{2, 22, 18, 0, false, "ID"},
                                                 {2, 22, 10, 2, true, "AMOUNT"},
                                                 {1, 100, 0, 0, true, "NAME"},
                                                 {96, 10, 0, 0, true, "CODE"},
                                                 {12, 7, 0, 0, true, "CREATED"},
                                                 {23, 16, 0, 0, true, "TAG"}})));
  answers.push_back(DataPacket(CursorOpened(5)));
  answers.push_back(DataPacket(Status({0, 0, "", 5, 0, 3})));
  for (int first = 0; first < kRows; first += fetchRows) {
    const int last = std::min(kRows, first + fetchRows);
    TBytes block = RowHeader();
    for (int n = first; n < last; ++n) {
      const TBytes row = BenchRow(n);
      block.insert(block.end(), row.begin(), row.end());
    }
    const TBytes end = last == kRows ? Status({static_cast<uint64_t>(last), 1403, "ORA-01403: no data found"})
                                     : Done(static_cast<uint64_t>(last));
    block.insert(block.end(), end.begin(), end.end());
    answers.push_back(InDataPackets(block));
  }
  answers.push_back(DataPacket(EndOfCall()));  // close cursor
  answers.push_back(DataPacket(EndOfCall()));  // log off
  return answers;
}

struct TBench {
  std::unique_ptr<TReplayServer> server;
  std::unique_ptr<oracle::TOraSession> session;
  std::vector<TBytes> requests;  // what the session sent, for the peer
};

// The current row as the decoding peer keeps it, read through the query's
// fields.
TBenchRow RowOf(bench::TFieldValueReader& reader) {
  const std::vector<classlib::TField*>& fields = reader.Fields();
  TBenchRow row;
  row.id = fields[0]->AsLargeInt();
  row.amount = fields[1]->AsFloat();
  row.name = fields[2]->AsString();
  row.code = fields[3]->AsString();
  row.created = fields[4]->AsDateTime();
  const std::span<const uint8_t> tag = reader.Bytes(*fields[5]);
  row.tag_size = static_cast<uint8_t>(std::min(tag.size(), row.tag.size()));
  std::memcpy(row.tag.data(), tag.data(), row.tag_size);
  for (int c = 0; c < 6; ++c)
    if (fields[static_cast<size_t>(c)]->IsNull()) row.nulls |= static_cast<uint8_t>(1 << c);
  return row;
}

// Connects, fetches every row through the query reading every value (or,
// with `rows`, keeping each row as the decoding peer does), disconnects;
// the rows seen, -1 for a field of an unexpected type.
int FetchThroughQuery(TBench& bench, int fetchRows, std::vector<TBenchRow>* rows = nullptr) {
  bench.session->SetConnected(true);
  int count = 0;
  double sum = 0;
  {
    oracle::TOraQuery query;
    query.SetSession(bench.session.get());
    query.SetSQL(kQuery);
    query.SetFetchRows(fetchRows);
    query.Open();
    bench::TFieldValueReader reader(query);
    for (; !query.Eof(); query.Next(), ++count) {
      if (rows != nullptr) rows->push_back(RowOf(reader));
      else if (!reader.ReadRow(sum)) count = -1;
      if (count < 0) break;
    }
  }
  bench.session->SetConnected(false);
  benchmark::DoNotOptimize(sum);
  return count;
}

TBench& BenchFor(int fetchRows) {
  // Kept to the process's end: the Oracle layer's own statics, which a
  // session leaves on destruction, may be gone before this map would be.
  static auto& benches = *new std::map<int, TBench>;
  auto found = benches.find(fetchRows);
  if (found != benches.end()) return found->second;
  oranet::RegisterNetClient();
  TBench& bench = benches[fetchRows];
  bench.server = std::make_unique<TReplayServer>(Answers(fetchRows));
  bench.session = std::make_unique<oracle::TOraSession>();
  bench.session->Options().SetDirect(true);
  bench.session->SetConnectString("scott/tiger@127.0.0.1:" + std::to_string(bench.server->Port()) + ":orcl");
  // One run records the requests the peer sends.
  if (FetchThroughQuery(bench, fetchRows) != kRows) throw std::runtime_error("rows lost");
  for (int wait = 0; wait < 100 && bench.requests.empty(); ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    bench.requests = bench.server->LastRequests();
  }
  return bench;
}

void SetRowRate(benchmark::State& state) {
  state.counters["ns_per_row"] =
      benchmark::Counter(static_cast<double>(kRows) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_FetchQueryDirect(benchmark::State& state) {
  const int fetchRows = static_cast<int>(state.range(0));
  TBench& bench = BenchFor(fetchRows);
  for (auto _ : state) {
    bench::TCountedSpan counted;
    if (FetchThroughQuery(bench, fetchRows) != kRows) state.SkipWithError("rows lost");
  }
  SetRowRate(state);
}

// The peers send what the query's session sent: false (the benchmark
// failed) when nothing was recorded.
bool HasRecording(benchmark::State& state, const TBench& bench) {
  if (bench.requests.size() >= bench.server->Answers().size()) return true;
  state.SkipWithError("no requests recorded");
  return false;
}

void BM_FetchReplayPeer(benchmark::State& state) {
  const int fetchRows = static_cast<int>(state.range(0));
  TBench& bench = BenchFor(fetchRows);
  if (!HasRecording(state, bench)) return;
  for (auto _ : state) {
    bench::TCountedSpan counted;
    if (!oranet::bench::ReplayRequests(bench.server->Port(), bench.requests, bench.server->Answers()))
      state.SkipWithError("the replay broke off");
  }
  SetRowRate(state);
}

// The replies of the fetch calls (those after the execute, before the
// cursor's close and the log-off) decoded into rows.
bool ReplayDecoding(TBench& bench, std::vector<TBenchRow>& rows) {
  const size_t first_block = 8, after_blocks = bench.server->Answers().size() - 2;
  oranet::bench::TRowBlockDecoder decoder;
  return oranet::bench::ReplayRequests(
      bench.server->Port(), bench.requests, bench.server->Answers(),
      [&](size_t n, std::span<const uint8_t> answer) {
        return n < first_block || n >= after_blocks || decoder.Decode(answer, rows);
      });
}

std::string Shown(const TBenchRow& row) {
  char numbers[96];
  std::snprintf(numbers, sizeof numbers, "%lld %.17g %.17g", static_cast<long long>(row.id), row.amount, row.created);
  std::string tag;
  for (size_t i = 0; i < row.tag_size; ++i) tag += std::to_string(row.tag[i]) + ".";
  return std::string(numbers) + " '" + row.name + "' '" + row.code + "' " + tag + " " + std::to_string(row.nulls);
}

bool SameRow(const TBenchRow& a, const TBenchRow& b) {
  return a.id == b.id && std::fabs(a.amount - b.amount) <= 1e-9 * std::fabs(b.amount) && a.name == b.name &&
         a.code == b.code && std::fabs(a.created - b.created) < 1e-8 && a.tag_size == b.tag_size &&
         std::memcmp(a.tag.data(), b.tag.data(), a.tag_size) == 0 && a.nulls == b.nulls;
}

// What the decoding peer keeps is what the query's fields give.
std::string PeerDifference(TBench& bench, int fetchRows) {
  std::vector<TBenchRow> ours, peers;
  if (FetchThroughQuery(bench, fetchRows, &ours) != kRows) return "the query lost rows";
  if (!ReplayDecoding(bench, peers)) return "the peer could not decode the replies";
  if (peers.size() != ours.size()) return "the peer decoded " + std::to_string(peers.size()) + " rows";
  for (size_t i = 0; i < ours.size(); ++i)
    if (!SameRow(ours[i], peers[i]))
      return "row " + std::to_string(i) + " differs: " + Shown(ours[i]) + " against " + Shown(peers[i]);
  return "";
}

void BM_FetchDecodePeer(benchmark::State& state) {
  const int fetchRows = static_cast<int>(state.range(0));
  TBench& bench = BenchFor(fetchRows);
  if (!HasRecording(state, bench)) return;
  if (const std::string difference = PeerDifference(bench, fetchRows); !difference.empty()) {
    state.SkipWithError(difference.c_str());
    return;
  }
  for (auto _ : state) {
    bench::TCountedSpan counted;
    std::vector<TBenchRow> rows;
    if (!ReplayDecoding(bench, rows) || rows.size() != static_cast<size_t>(kRows))
      state.SkipWithError("the replay broke off");
  }
  SetRowRate(state);
}

BENCHMARK(BM_FetchQueryDirect)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FetchDecodePeer)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FetchReplayPeer)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
