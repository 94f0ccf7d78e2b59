// Server replies through the whole receive path: TNS packets as the server
// sends them, through the DATA stream and the reply loop, into the row
// decoder and the caller's buffers. The defines are chosen by the input;
// every caller buffer is an allocation of its own of exactly its size, so
// that the sanitizers see a value written one byte past its buffer.
#include <cstring>
#include <memory>
#include <vector>

#include "classlib/exceptions.h"
#include "oranet/fuzz/fuzz_targets.h"
#include "oranet/lob_locator.h"
#include "oranet/oci_error.h"
#include "oranet/stmt_call.h"
#include "oranet/tests/scripted_transport.h"
#include "oranet/tests/test_packets.h"
#include "oranet/value_clob_counts.h"
#include "oranet/value_datetime.h"
#include "oranet/value_interval.h"

namespace oranet::fuzz {

namespace {

using namespace oracle;

// The kinds of define the input chooses from.
enum Kind {
  kInt, kReal, kString, kChars, kWideChars, kVarnum, kRaw, kLongPieces, kLongPlain,
  kTimestamp, kIntervalDs, kIntervalYm, kBlob, kClob, kCursor, kTimestampTz, kKinds
};

// One define's buffers, each allocated apart at its exact size.
struct TDefineBuffers {
  std::unique_ptr<uint8_t[]> values;
  std::unique_ptr<sb2[]> indicators;
  std::unique_ptr<ub2[]> lengths;
  std::unique_ptr<ub2[]> codes;
  std::vector<std::unique_ptr<TNetHandle>> handles;  // the descriptors the values point to
  std::unique_ptr<uint8_t[]> piece;                  // a LONG's piece
  ub4 pieceLength = 0;
  ub4 pieceSize = 0;
};

sb4 TakePiece(void* context, OCIDefine*, ub4, void** buffer, ub4** length, ub1*, void**, ub2**) {
  auto* b = static_cast<TDefineBuffers*>(context);
  b->pieceLength = b->pieceSize;
  *buffer = b->piece.get();
  *length = &b->pieceLength;
  return OCI_CONTINUE;
}

std::unique_ptr<TNetHandle> DescriptorOf(Kind kind) {
  switch (kind) {
    case kTimestamp: return std::make_unique<TNetDateTime>(nullptr, OCI_DTYPE_TIMESTAMP);
    case kTimestampTz: return std::make_unique<TNetDateTime>(nullptr, OCI_DTYPE_TIMESTAMP_TZ);
    case kIntervalDs: return std::make_unique<TNetIntervalDS>(nullptr);
    case kIntervalYm: return std::make_unique<TNetIntervalYM>(nullptr);
    case kBlob:
    case kClob: return std::make_unique<TNetLobLocator>(nullptr, OCI_DTYPE_LOB);
    default: return std::make_unique<TNetStatement>(nullptr);
  }
}

int ExternalTypeOf(Kind kind) {
  static const int kTypes[kKinds] = {SQLT_INT, SQLT_FLT, SQLT_STR, SQLT_CHR, SQLT_AFC, SQLT_VNU,
                                     SQLT_BIN, SQLT_LNG, SQLT_LBI, SQLT_TIMESTAMP, SQLT_INTERVAL_DS,
                                     SQLT_INTERVAL_YM, SQLT_BLOB, SQLT_CLOB, SQLT_RSET, SQLT_TIMESTAMP_TZ};
  return kTypes[kind];
}

// Sets up define `d` of `kind` with room for `rows` values of `size` bytes.
void Define(TNetDefine& d, TDefineBuffers& b, Kind kind, int size, ub4 rows) {
  d.externalType = ExternalTypeOf(kind);
  b.indicators.reset(new sb2[rows]);
  b.lengths.reset(new ub2[rows]);
  b.codes.reset(new ub2[rows]);
  d.indicator = b.indicators.get();
  d.length = b.lengths.get();
  d.returnCode = b.codes.get();
  if (kind >= kTimestamp) {
    auto* cells = new uint8_t[rows * sizeof(void*)];
    b.values.reset(cells);
    for (ub4 r = 0; r < rows; ++r) {
      b.handles.push_back(DescriptorOf(kind));
      void* handle = HandleOf(b.handles.back().get());
      std::memcpy(cells + r * sizeof(void*), &handle, sizeof handle);
    }
    if (kind == kClob)
      for (const auto& handle : b.handles) static_cast<TNetLobLocator*>(handle.get())->SetLobType(kLobClob);
    size = sizeof(void*);
  } else if (kind == kLongPieces) {
    b.piece.reset(new uint8_t[size]);
    b.pieceSize = static_cast<ub4>(size);
    d.callback = TakePiece;
    d.callbackContext = &b;
    size = 0;
  } else {
    b.values.reset(new uint8_t[static_cast<size_t>(size) * rows]);
  }
  d.value = b.values.get();
  d.valueSize = size;
  if (kind == kWideChars) d.charsetId = kCharsetUtf16;
}

}  // namespace

Reached RunRowPath(const uint8_t* data, size_t size) {
  if (size < 2) return Reached::kNothing;
  const uint8_t flags = data[0];
  const int defines = 1 + data[1] % 8;
  size_t at = 2;
  if (size < at + 2 * static_cast<size_t>(defines)) return Reached::kNothing;
  const ub4 rows = 1 + (flags & 3);

  auto transport = std::make_unique<testing::TScriptedTransport>();
  testing::TScriptedTransport* net = transport.get();
  auto tns = std::make_shared<TTnsConnection>(std::move(transport));
  net->Feed(testing::AcceptPacket());
  TStmtSession session;
  if (flags & 4) session.serverVersion = kServer7230;
  session.protocolVersion = flags & 4 ? 4 : 6;
  session.serverCharsetId = 873;
  session.clientCharsetId = 871;

  TNetStatement statement(nullptr);
  statement.Prepare("select * from t");
  std::vector<std::unique_ptr<TDefineBuffers>> buffers;
  for (int i = 0; i < defines; ++i, at += 2) {
    buffers.push_back(std::make_unique<TDefineBuffers>());
    Define(statement.DefineAt(static_cast<ub4>(i + 1)), *buffers.back(), static_cast<Kind>(data[at] % kKinds),
           data[at + 1] % 64, rows);
  }
  statement.UseConnection(tns, session);
  statement.cursorId = 1;
  statement.parsed = true;
  TNetError error(nullptr);
  Reached reached = Reached::kMessages;
  try {
    tns->Connect("db", 1521, 0, "orcl");
    tns->Representation().SetNegotiated();
    tns->SetByteStringMode(2);
    tns->SetConversionFlag(flags & 8);
    net->Feed(data + at, size - at);
    // Fetches go on while they answer rows; the cursors handed out then
    // describe themselves from what the input has left.
    for (int call = 0; call < 3; ++call) {
      const sword status = GuardedCall(tns.get(), &error, [&] { return StmtFetch(statement, &error, rows); });
      if (status != OCI_SUCCESS && status != OCI_SUCCESS_WITH_INFO) break;
      reached = Reached::kAccepted;
    }
    for (const auto& b : buffers)
      for (const auto& handle : b->handles)
        if (auto* cursor = dynamic_cast<TNetStatement*>(handle.get())) cursor->DescribeOnDemand(&error);
  } catch (const classlib::Exception&) {
    return Reached::kNothing;
  }
  return reached;
}

}  // namespace oranet::fuzz
