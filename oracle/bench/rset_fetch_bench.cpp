// 100 000 rows of six columns (NUMBER(18), NUMBER(10,2), VARCHAR2(100),
// CHAR(10), DATE, RAW(16)) fetched through TOCIRecordSet into its record
// store, then every value of every row read back from the store in its
// type, against a raw loop of the call interface (prepare, execute, define
// the same external types into an array of structures of the same block
// size, fetch until the end) that reads every value of every row in its type
// and keeps the rows in a vector of structures, as the record set keeps
// them. Blocks of 100 and of 1000 rows; both sides are timed up to the rows'
// release. Both run on the stand-in client library, which serves prebuilt
// rows by copying them, so the difference is what the layer adds. A third
// side walks a TOraQuery over the same rows and reads every value through
// its fields' typed getters, as a program using the data set does, with
// its texts on the heap (the data set's default) and in the records
// (FlatBuffers, the record set's default), each its own benchmark.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <stdlib.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "classlib/unaligned.h"
#include "dacore/data_types.h"
#include "dacore/driver_props.h"
#include "oracle/call_entries.h"
#include "oracle/call_entries_fetch.h"
#include "oracle/conn_oci_connection.h"
#include "oracle/rset_oci_record_set.h"
#include "oracle/cursor_conversions.h"
#include "oracle/query_ora_dataset.h"
#include "oracle/rset_row_copy.h"
#include "oracle/session_ora_session.h"
#include "platform/registry.h"
#include "testing/bench_counted.h"
#include "testing/bench_field_reader.h"
#include "testing/scratch_dir.h"

namespace {

using namespace oracle;

constexpr int kRows = 100000;
constexpr const char* kQuery = "select id, amount, name, code, created, tag from bench_rows";

// The process's registry lives in a scratch folder of its own, removed when
// the process ends: a measuring session starts the program many times.
using platform::scratch::ScratchFolder;

// A connected session on the stand-in, with the query's rows prebuilt.
TOCIConnection& Session() {
  static ScratchFolder folder("oracle-bench");
  static TOCIConnection* connection = [] {
    setenv("UPDATER_REGISTRY", (folder.Path() + "/registry").c_str(), 1);
    platform::TRegistry registry;
    registry.SetRootKey(platform::HKEY_LOCAL_MACHINE);
    registry.OpenKey("\\SOFTWARE\\ORACLE", true);
    registry.WriteString("OCIDLL", ORACLE_STANDIN_PATH);
    void* standin = dlopen(ORACLE_STANDIN_PATH, RTLD_NOW | RTLD_LOCAL);
    if (!standin) throw std::runtime_error("cannot load the stand-in");
    reinterpret_cast<void (*)()>(dlsym(standin, "standin_reset"))();
    reinterpret_cast<void (*)(const char*, const char*)>(dlsym(standin, "standin_add_account"))("scott", "tiger");
    reinterpret_cast<void (*)(const char*, const char*)>(dlsym(standin, "standin_script_query"))(
        kQuery, "ID NUMBER(18); AMOUNT NUMBER(10,2); NAME VARCHAR2(100); CODE CHAR(10); CREATED DATE; TAG RAW(16)");
    reinterpret_cast<void (*)(const char*, int)>(dlsym(standin, "standin_generate_rows"))(kQuery, kRows);
    // Both sides run on the stand-in without its call log: a client library
    // does not format a line per call, and the record set makes more calls.
    reinterpret_cast<void (*)(int)>(dlsym(standin, "standin_set_logging"))(0);
    auto* made = new TOCIConnection;
    made->SetUsername("scott");
    made->SetPassword("tiger");
    made->SetServer("db1");
    made->Connect("");
    return made;
  }();
  return *connection;
}

void SetRowRate(benchmark::State& state) {
  state.counters["ns_per_row"] =
      benchmark::Counter(static_cast<double>(kRows) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void Check(sword status) {
  if (status != OCI_SUCCESS && status != OCI_NO_DATA) throw std::runtime_error("call failed: " + std::to_string(status));
}

// Reads every value of every row the record set holds, each in its type;
// the rows read, -1 at a field of a type the benchmark does not expect.
int ReadEveryValue(TOCIRecordSet& record_set, double& sum) {
  const int field_count = record_set.GetFieldCount();
  // The fields' types are known before the rows are read, as the raw
  // loop's are.
  size_t largest = 0;
  std::vector<dacore::TDataType> types;
  for (int f = 0; f < field_count; ++f) {
    largest = std::max<size_t>(largest, record_set.Fields().GetItems(f)->Size());
    types.push_back(record_set.Fields().GetItems(f)->DataType());
  }
  std::vector<uint8_t> value(largest + 2);
  std::string text;
  std::array<uint8_t, 16> bytes{};
  using classlib::LoadUnaligned;
  int rows = 0;
  record_set.SetToBegin();
  // Each row is read where the store keeps it, as the raw loop reads each
  // row where the client put it: no copy of the whole row first.
  for (record_set.GetNextRecord(nullptr); !record_set.GetEOF(); record_set.GetNextRecord(nullptr), ++rows) {
    dacore::TRecBuf rec = dacore::ItemRecord(record_set.CurrentItem());
    for (int f = 1; f <= field_count; ++f) {
      bool blank = false;
      record_set.GetFieldByNo(f, rec, value.data(), blank);
      if (blank) continue;
      switch (types[f - 1]) {
        case dacore::dtInt64: sum += static_cast<double>(LoadUnaligned<int64_t>(value.data())); break;
        case dacore::dtInt32: sum += LoadUnaligned<int32_t>(value.data()); break;
        case dacore::dtFloat:
        case dacore::dtDateTime: sum += LoadUnaligned<double>(value.data()); break;
        case dacore::dtString:
          text.assign(reinterpret_cast<const char*>(value.data()));
          sum += static_cast<double>(text.size());
          break;
        case dacore::dtVarBytes: {
          const size_t size = std::min<size_t>(LoadUnaligned<uint16_t>(value.data()), bytes.size());
          std::memcpy(bytes.data(), value.data() + 2, size);
          sum += static_cast<double>(size + bytes[0]);
          break;
        }
        default:
          return -1;
      }
    }
  }
  return rows;
}

// Opens `record_set` over the benchmark's rows, fetching all of them in
// blocks of `block_rows`.
void OpenRecordSet(TOCIRecordSet& record_set, TOCIConnection& connection, int64_t block_rows) {
  record_set.SetConnection(&connection);
  record_set.SetSQL(kQuery);
  record_set.SetProp(dacore::prFetchRows, static_cast<int>(block_rows));
  record_set.SetProp(dacore::prFetchAll, true);
  record_set.Open();
}

void BM_FetchRecordSet(benchmark::State& state) {
  TOCIConnection& connection = Session();
  double sum = 0;
  for (auto _ : state) {
    bench::TCountedSpan counted;
    TOCIRecordSet record_set;
    OpenRecordSet(record_set, connection, state.range(0));
    const int rows = ReadEveryValue(record_set, sum);
    if (rows != kRows) state.SkipWithError(rows < 0 ? "a field of an unexpected type" : "rows lost");
  }
  benchmark::DoNotOptimize(sum);
  SetRowRate(state);
}

// A session component on the stand-in, for the data set's sides.
TOraSession& DataSetSession() {
  Session();  // the stand-in, its rows and the registry's client entry
  static TOraSession& session = []() -> TOraSession& {
    auto* made = new TOraSession;
    made->SetConnectString("scott/tiger@db1");
    made->SetConnected(true);
    return *made;
  }();
  return session;
}

// Opens `query` over the benchmark's rows in blocks of `block_rows`, its
// texts kept in the records (FlatBuffers) or on the heap (the data set's
// default).
void OpenQuery(TOraQuery& query, int64_t block_rows, bool flat_buffers = false) {
  query.SetSession(&DataSetSession());
  query.SetSQL(kQuery);
  query.SetFetchRows(static_cast<int>(block_rows));
  query.Options().SetFlatBuffers(flat_buffers);
  query.Open();
}

// The six columns as a program that knows them reads them: each through
// its own typed getter, no switch over field types.
class TTypedRowReader {
 public:
  explicit TTypedRowReader(TOraQuery& query)
      : id_(query.FieldByName("ID")),
        amount_(query.FieldByName("AMOUNT")),
        name_(query.FieldByName("NAME")),
        code_(query.FieldByName("CODE")),
        created_(query.FieldByName("CREATED")),
        tag_(query.FieldByName("TAG")),
        bytes_(query) {}
  // Whether the fields are of the types the getters below read.
  bool Expected() const {
    using namespace classlib;
    return id_->DataType() == ftFloat && amount_->DataType() == ftFloat && name_->DataType() == ftString &&
           (code_->DataType() == ftFixedChar || code_->DataType() == ftString) &&
           created_->DataType() == ftDateTime && tag_->DataType() == ftVarBytes;
  }
  void ReadRow(double& sum) {
    sum += id_->AsFloat();
    sum += amount_->AsFloat();
    sum += static_cast<double>(name_->AsString().size());
    sum += static_cast<double>(code_->AsString().size());
    sum += created_->AsDateTime();
    sum += static_cast<double>(bytes_.Bytes(*tag_).size());
  }

 private:
  classlib::TField *id_, *amount_, *name_, *code_, *created_, *tag_;
  bench::TFieldValueReader bytes_;  // for its buffer of a bytes value
};

// The data set over the same rows: opened, walked reading every value
// through its fields' typed getters, closed.
void FetchDataSet(benchmark::State& state, bool flat_buffers) {
  DataSetSession();
  double sum = 0;
  for (auto _ : state) {
    bench::TCountedSpan counted;
    TOraQuery query;
    OpenQuery(query, state.range(0), flat_buffers);
    TTypedRowReader reader(query);
    if (!reader.Expected()) {
      state.SkipWithError("a field of an unexpected type");
      break;
    }
    int rows = 0;
    for (; !query.Eof(); query.Next(), ++rows) reader.ReadRow(sum);
    if (rows != kRows) state.SkipWithError("rows lost");
  }
  benchmark::DoNotOptimize(sum);
  SetRowRate(state);
}

// Texts on the heap: the data set's default.
void BM_FetchDataSet(benchmark::State& state) { FetchDataSet(state, false); }
// Texts in the records: the record set's default, which BM_FetchRecordSet reads.
void BM_FetchDataSetFlatBuffers(benchmark::State& state) { FetchDataSet(state, true); }

// One row of the raw loop's block, in the external types the record set
// defines: floats, zero-terminated texts, DATE bytes and a RAW with its
// length word.
struct RawRow {
  double id;
  double amount;
  char name[101];
  char code[11];
  uint8_t created[7];
  uint8_t tag[18];
  sb2 indicators[6];
};

// A row as the raw loop keeps it.
struct KeptRow {
  double id = 0;
  double amount = 0;
  std::string name;
  std::string code;
  double created = 0;
  std::array<uint8_t, 16> tag{};
  uint16_t tag_size = 0;
  uint8_t nulls = 0;  // bit c: column c is NULL
};

KeptRow Keep(const RawRow& row) {
  KeptRow kept;
  for (int c = 0; c < 6; ++c)
    if (row.indicators[c] == -1) kept.nulls |= static_cast<uint8_t>(1 << c);
  kept.id = row.id;
  kept.amount = row.amount;
  kept.name = row.name;
  kept.code = row.code;
  OraDateToDateTime(row.created, kept.created);
  kept.tag_size = BoundedVarLength(row.tag, 16);
  std::memcpy(kept.tag.data(), row.tag + 2, kept.tag_size);
  return kept;
}

// Allocates, prepares and executes the query's statement and defines its
// six columns into `block`, an array of structures.
OCIStmt* ExecuteIntoBlock(TOCIConnection& connection, std::vector<RawRow>& block) {
  OCIError* error = connection.GetErrorHandle();
  void* statement = nullptr;
  Check(OCIHandleAlloc(connection.GetEnvironment(), &statement, OCI_HTYPE_STMT, 0, nullptr));
  auto* stmt = static_cast<OCIStmt*>(statement);
  Check(OCIStmtPrepare(stmt, error, reinterpret_cast<const OraText*>(kQuery), std::strlen(kQuery), 1, 0));
  Check(OCIStmtExecute(connection.GetSvcCtx(), stmt, error, 0, 0, nullptr, nullptr, OCI_DEFAULT));
  RawRow& first = block[0];
  struct Column {
    void* value;
    sb4 size;
    ub2 type;
  } columns[6] = {{&first.id, 8, SQLT_FLT},       {&first.amount, 8, SQLT_FLT},
                  {first.name, 101, SQLT_STR},    {first.code, 11, SQLT_STR},
                  {first.created, 7, SQLT_DAT},   {first.tag, 18, SQLT_VBI}};
  for (ub4 i = 0; i < 6; ++i) {
    OCIDefine* define = nullptr;
    Check(OCIDefineByPos(stmt, &define, error, i + 1, columns[i].value, columns[i].size, columns[i].type,
                         &first.indicators[i], nullptr, nullptr, OCI_DEFAULT));
    Check(OCIDefineArrayOfStruct(define, error, sizeof(RawRow), sizeof(RawRow), 0, 0));
  }
  return stmt;
}

// The raw loop: fetches every row into `block` and keeps each one.
std::vector<KeptRow> FetchKeptRows(TOCIConnection& connection, std::vector<RawRow>& block) {
  OCIError* error = connection.GetErrorHandle();
  const auto block_rows = static_cast<ub4>(block.size());
  OCIStmt* stmt = ExecuteIntoBlock(connection, block);
  ub4 total = 0, seen = 0;
  sword status = OCI_SUCCESS;
  std::vector<KeptRow> rows;
  do {
    status = OCIStmtFetch(stmt, error, block_rows, OCI_FETCH_NEXT, OCI_DEFAULT);
    Check(status);
    Check(OCIAttrGet(stmt, OCI_HTYPE_STMT, &total, nullptr, OCI_ATTR_ROW_COUNT, error));
    for (ub4 r = 0; r < total - seen; ++r) rows.push_back(Keep(block[r]));
    seen = total;
  } while (status == OCI_SUCCESS);
  Check(OCIHandleFree(stmt, OCI_HTYPE_STMT));
  return rows;
}

void BM_FetchRaw(benchmark::State& state) {
  TOCIConnection& connection = Session();
  std::vector<RawRow> block(static_cast<size_t>(state.range(0)));
  double checksum = 0;
  for (auto _ : state) {
    bench::TCountedSpan counted;
    const std::vector<KeptRow> rows = FetchKeptRows(connection, block);
    if (rows.size() != static_cast<size_t>(kRows)) state.SkipWithError("rows lost");
    checksum += rows.back().id;
  }
  benchmark::DoNotOptimize(checksum);
  SetRowRate(state);
}

// The phases of the sides above, each alone, to tell where a side's time
// goes: the client's fetch into the raw loop's block, keeping nothing; the
// record set's fetch of every row into its store; the data set's open and
// fetch of every row (Last, no row copied out); its walk to the end
// without reading a value. A side's time less its next phase's is what that
// step adds.
void BM_PhaseClientFetch(benchmark::State& state) {
  TOCIConnection& connection = Session();
  OCIError* error = connection.GetErrorHandle();
  const auto block_rows = static_cast<ub4>(state.range(0));
  std::vector<RawRow> block(block_rows);
  for (auto _ : state) {
    bench::TCountedSpan counted;
    OCIStmt* stmt = ExecuteIntoBlock(connection, block);
    ub4 total = 0;
    sword status = OCI_SUCCESS;
    do {
      status = OCIStmtFetch(stmt, error, block_rows, OCI_FETCH_NEXT, OCI_DEFAULT);
      Check(status);
    } while (status == OCI_SUCCESS);
    Check(OCIAttrGet(stmt, OCI_HTYPE_STMT, &total, nullptr, OCI_ATTR_ROW_COUNT, error));
    Check(OCIHandleFree(stmt, OCI_HTYPE_STMT));
    if (total != static_cast<ub4>(kRows)) state.SkipWithError("rows lost");
  }
  SetRowRate(state);
}

void BM_PhaseRecordSetFetch(benchmark::State& state) {
  TOCIConnection& connection = Session();
  for (auto _ : state) {
    bench::TCountedSpan counted;
    TOCIRecordSet record_set;
    OpenRecordSet(record_set, connection, state.range(0));
    if (record_set.GetRecordCount() != kRows) state.SkipWithError("rows lost");
  }
  SetRowRate(state);
}

// The data set's fetch of every row without a walk (Last; range 1 is 0) or
// its walk to the end without reading a value (range 1 is 1).
void BM_PhaseDataSet(benchmark::State& state) {
  DataSetSession();
  const bool walk = state.range(1) != 0;
  for (auto _ : state) {
    bench::TCountedSpan counted;
    TOraQuery query;
    OpenQuery(query, state.range(0));
    int rows = 0;
    if (walk) {
      for (; !query.Eof(); query.Next()) ++rows;
    } else {
      query.Last();
      rows = query.RecordCount();
    }
    if (rows != kRows) state.SkipWithError("rows lost");
  }
  SetRowRate(state);
}

// The raw loop, then a second pass over its kept rows that takes every value
// out as the data set's fields give it: texts as new strings, the bytes
// copied out, numbers and dates as they are. A program reading its rows
// through a data set pays that second read by design (the store keeps the
// values, the fields hand out copies); this is its floor without fields.
void BM_PhaseRawReadBack(benchmark::State& state) {
  TOCIConnection& connection = Session();
  std::vector<RawRow> block(static_cast<size_t>(state.range(0)));
  double sum = 0;
  for (auto _ : state) {
    bench::TCountedSpan counted;
    const std::vector<KeptRow> rows = FetchKeptRows(connection, block);
    std::array<uint8_t, 16> bytes{};
    // A null value is skipped, as the fields' reader skips it.
    for (const KeptRow& row : rows) {
      auto present = [&row](int column) { return (row.nulls & (1 << column)) == 0; };
      if (present(0)) sum += row.id;
      if (present(1)) sum += row.amount;
      if (present(2)) {
        std::string name = row.name;
        benchmark::DoNotOptimize(name);
        sum += static_cast<double>(name.size());
      }
      if (present(3)) {
        std::string code = row.code;
        benchmark::DoNotOptimize(code);
        sum += static_cast<double>(code.size());
      }
      if (present(4)) sum += row.created;
      if (present(5)) {
        std::memcpy(bytes.data(), row.tag.data(), row.tag_size);
        sum += static_cast<double>(row.tag_size + bytes[0]);
      }
    }
    benchmark::DoNotOptimize(bytes);
    if (rows.size() != static_cast<size_t>(kRows)) state.SkipWithError("rows lost");
  }
  benchmark::DoNotOptimize(sum);
  SetRowRate(state);
}

// Blocks of 100 and of 1000 rows on both sides.
BENCHMARK(BM_FetchRecordSet)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FetchDataSet)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FetchDataSetFlatBuffers)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FetchRaw)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PhaseClientFetch)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PhaseRecordSetFetch)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PhaseDataSet)->ArgsProduct({{100, 1000}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PhaseRawReadBack)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
