// The statement replies driven by arbitrary bytes: the reply loop of the
// all-in-one call with defines and binds of every kind of value, and the
// describe replies of both server generations.
#include <algorithm>
#include <memory>

#include "classlib/exceptions.h"
#include "oranet/fuzz/fuzz_targets.h"
#include "oranet/lob_locator.h"
#include "oranet/stmt_call.h"
#include "oranet/tests/scripted_transport.h"
#include "oranet/tests/test_packets.h"
#include "oranet/value_clob_counts.h"
#include "oranet/value_datetime.h"
#include "oranet/value_interval.h"

namespace oranet::fuzz {

namespace {

using namespace oracle;

// Room for the values of a few rows, with guards the decoder must leave.
struct TBuffers {
  int32_t ints[4] = {};
  double reals[4] = {};
  char texts[4][12] = {};
  uint8_t varnums[4][6] = {};
  uint8_t raws[4][5] = {};
  uint8_t varraws[4][5] = {};  // VARRAW: a length word, then three bytes
  sb2 indicators[4] = {};
  ub2 lengths[4] = {};
  ub4 count = 0;
  void* handles[4][4] = {};  // per kind of descriptor, one per row
  char longPiece[7] = {};
  ub4 longLength = 0;
};

sb4 TakeLongPiece(void* context, OCIDefine*, ub4, void** buffer, ub4** length, ub1*, void**, ub2**) {
  auto* b = static_cast<TBuffers*>(context);
  b->longLength = sizeof b->longPiece;
  *buffer = b->longPiece;
  *length = &b->longLength;
  return OCI_CONTINUE;
}

template <class Item>
void Set(Item& item, int type, void* value, int size, TBuffers& b) {
  item.externalType = type;
  item.value = value;
  item.valueSize = size;
  item.indicator = b.indicators;
  item.length = b.lengths;
}

// A query whose defines take every kind of value the decoder stores.
void DefineAll(TNetStatement& s, TBuffers& b) {
  s.Prepare("select * from t");
  int position = 1;
  auto next = [&]() -> TNetDefine& { return s.DefineAt(static_cast<ub4>(position++)); };
  Set(next(), SQLT_INT, b.ints, sizeof b.ints[0], b);
  Set(next(), SQLT_FLT, b.reals, sizeof b.reals[0], b);
  Set(next(), SQLT_STR, b.texts, sizeof b.texts[0], b);
  TNetDefine& wide = next();
  Set(wide, SQLT_AFC, b.texts, sizeof b.texts[0], b);
  wide.charsetId = kCharsetUtf16;
  Set(next(), SQLT_VNU, b.varnums, sizeof b.varnums[0], b);
  Set(next(), SQLT_BIN, b.raws, sizeof b.raws[0], b);
  TNetDefine& longValue = next();
  Set(longValue, SQLT_LNG, nullptr, 0, b);
  longValue.callbackContext = &b;
  longValue.callback = TakeLongPiece;
  const int handled[] = {SQLT_BLOB, SQLT_TIMESTAMP, SQLT_INTERVAL_DS, SQLT_RSET};
  for (int i = 0; i < 4; ++i) Set(next(), handled[i], b.handles[i], sizeof(void*), b);
  Set(next(), SQLT_VBI, b.varraws, sizeof b.varraws[0], b);
  s.fetchSize = 4;
}

// A block whose binds return an array, a number and a text.
void BindAll(TNetStatement& s, TBuffers& b) {
  s.Prepare("begin :a := :b; :c := :d; end;");
  auto& binds = s.Binds();
  Set(*binds[0], SQLT_INT, b.ints, sizeof b.ints[0], b);
  binds[0]->maxArray = 3;
  binds[0]->currentArray = &b.count;
  Set(*binds[1], SQLT_FLT, b.reals, sizeof b.reals[0], b);
  Set(*binds[2], SQLT_CHR, b.texts, sizeof b.texts[0], b);
  Set(*binds[3], SQLT_BLOB, b.handles[0], sizeof(void*), b);
  s.iterations = 1;
}

}  // namespace

Reached RunStatementReply(const uint8_t* data, size_t size) {
  if (size == 0) return Reached::kNothing;
  const uint8_t flags = data[0];
  auto transport = std::make_unique<testing::TScriptedTransport>();
  testing::TScriptedTransport* net = transport.get();
  auto tns = std::make_shared<TTnsConnection>(std::move(transport));
  net->Feed(testing::AcceptPacket());
  const size_t payload = 2048 - kTnsDataOffset;
  for (size_t at = 1; at < size; at += payload) {
    const size_t n = std::min(payload, size - at);
    net->Feed(testing::DataPacket(dacore::TBytes(data + at, data + at + n)));
  }
  TBuffers b;
  TNetLobLocator lob(nullptr, OCI_DTYPE_LOB);
  TNetDateTime stamp(nullptr, OCI_DTYPE_TIMESTAMP);
  TNetIntervalDS interval(nullptr);
  TNetStatement cursor(nullptr);
  TNetHandle* handles[] = {&lob, &stamp, &interval, &cursor};
  for (int kind = 0; kind < 4; ++kind)
    for (void*& cell : b.handles[kind]) cell = HandleOf(handles[kind]);

  TNetStatement statement(nullptr);
  TStmtSession session;
  if (flags & 4) session.serverVersion = kServer7230;
  session.protocolVersion = flags & 4 ? 4 : 6;
  session.serverCharsetId = 873;
  session.clientCharsetId = 871;
  statement.UseConnection(tns, session);
  TNetError error(nullptr);
  try {
    tns->Connect("db", 1521, 0, "orcl");
    tns->Representation().SetNegotiated();
    tns->SetByteStringMode(2);
    tns->SetConversionFlag(flags & 8);
    TTtcReader reader(*tns);
    TTtcWriter writer(*tns);
    switch (flags & 3) {
      case 0:
        DefineAll(statement, b);
        ReadCallReply(reader, writer, statement, &error);
        break;
      case 1:
        BindAll(statement, b);
        ReadCallReply(reader, writer, statement, &error);
        break;
      case 2:
        ReadDescribeReply(reader, statement, &error);
        break;
      default:
        ReadOldDescribeReply(reader, statement, &error);
        break;
    }
    return Reached::kAccepted;
  } catch (const classlib::Exception&) {
    return Reached::kMessages;
  }
}

}  // namespace oranet::fuzz
