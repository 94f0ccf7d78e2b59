// 100 000 rows of six columns (NUMBER(18), NUMBER(10,2), VARCHAR2(100),
// CHAR(10), DATE, RAW(16)) fetched through a TOraQuery whose session has
// Direct set, from a replay server on the loopback that answers each
// request with prebuilt replies, against a peer that sends the requests the
// query's session sent (recorded once, the same round trips and the same
// FetchRows) and reads and drops the replies. Each iteration is a whole
// session on both sides: connect and log on, describe, execute, the
// fetches to the end, close and log off. Blocks of 100 and of 1000 rows.
#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "oracle/query_ora_dataset.h"
#include "oracle/session_ora_session.h"
#include "oranet/bench/bench_replay_server.h"
#include "oranet/oci_install.h"
#include "oranet/tests/fake_server_stmt.h"

namespace {

using namespace oranet::testing;
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

// Connects, fetches every row through the query, disconnects; the rows seen.
int FetchThroughQuery(TBench& bench, int fetchRows) {
  bench.session->SetConnected(true);
  int rows = 0;
  {
    oracle::TOraQuery query;
    query.SetSession(bench.session.get());
    query.SetSQL(kQuery);
    query.SetFetchRows(fetchRows);
    query.Open();
    for (; !query.Eof(); query.Next()) ++rows;
  }
  bench.session->SetConnected(false);
  return rows;
}

TBench& BenchFor(int fetchRows) {
  static std::map<int, TBench> benches;
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
  for (auto _ : state)
    if (FetchThroughQuery(bench, fetchRows) != kRows) state.SkipWithError("rows lost");
  SetRowRate(state);
}

void BM_FetchReplayPeer(benchmark::State& state) {
  const int fetchRows = static_cast<int>(state.range(0));
  TBench& bench = BenchFor(fetchRows);
  if (bench.requests.size() < bench.server->Answers().size()) {
    state.SkipWithError("no requests recorded");
    return;
  }
  for (auto _ : state)
    if (!oranet::bench::ReplayRequests(bench.server->Port(), bench.requests, bench.server->Answers()))
      state.SkipWithError("the replay broke off");
  SetRowRate(state);
}

BENCHMARK(BM_FetchQueryDirect)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FetchReplayPeer)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
