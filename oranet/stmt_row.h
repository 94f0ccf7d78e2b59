// The values of binds and defines on the wire: how an item is announced
// in a call, the bind rows the client sends, and the rows of defines and
// out-binds the server answers, decoded into the caller's buffers.
#pragma once

#include <cstdint>
#include <vector>

#include "oranet/stmt_statement.h"
#include "oranet/ttc_reader.h"
#include "oranet/ttc_writer.h"

namespace oranet {

// Flags of the server's bind vector.
constexpr uint8_t kBindSendsValue = 0x20;    // the server asks for the value
constexpr uint8_t kBindReturnsValue = 0x10;  // the server returns it

struct TWireShape {
  int wireType = 0;
  int length = 0;
};

// The wire type and the longest value an item is announced with.
TWireShape WireShapeOf(const TNetDataItem& item, const TStmtSession& session, bool bind);
// Sets the binds' announced lengths for a call of `iterations` rows.
void SizeBinds(TNetStatement& statement, ub4 iterations);
// One metadata record of a call.
void WriteItemMetadata(TTtcWriter& writer, const TNetDataItem& item, const TStmtSession& session);

// LONG and LONG RAW binds longer than the longest string go after the
// other values of their row, as one chunked string.
bool SentAfterRow(const TNetDataItem& bind, const TStmtSession& session);

// A bind row (message 7) of one iteration: every bind, or with a bind
// vector only those whose flag asks for the value.
void WriteBindRow(TTtcWriter& writer, TNetStatement& statement, const std::vector<uint8_t>* vector, ub4 iteration);

// One row of row data (after its code 7) into the defines, at the
// statement's current row.
void ReadDefineRow(TTtcReader& reader, TNetStatement& statement);
// One row of out-bind values: the binds whose flag in `vector` returns a
// value; the others keep their buffers.
void ReadOutBindRow(TTtcReader& reader, TNetStatement& statement, const std::vector<uint8_t>& vector);

}  // namespace oranet
