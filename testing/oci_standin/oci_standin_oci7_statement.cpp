// The stand-in's older-interface statement calls beyond the connection's:
// execute with an iteration count and piecewise LONG input, binds with
// actual lengths and PL/SQL tables, cancel, and the function code and row
// count in the cursor data area's header.
#include <cstring>
#include <string>

#include "testing/oci_standin/oci_standin_state.h"

using namespace standin;

namespace {

using Guard = std::lock_guard<std::mutex>;

std::string Text(const OraText* text, sword length) {
  if (!text) return "";
  if (length < 0) return reinterpret_cast<const char*>(text);
  return std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(length));
}

constexpr sword kNeedNextPiece = -3129;

// Piecewise binds carry this mode (obindps with operation 1).
bool IsPiecewise(const Bind& bind) { return (bind.mode & OCI_DATA_AT_EXEC) != 0; }

sword AddCursorBind(State& state, ub1* cda, const std::string& name, Bind bind) {
  auto cursor = state.world.cursors.find(cda);
  if (cursor == state.world.cursors.end()) return Failure(state, 1001, "ORA-01001: invalid cursor");
  std::string placeholder = name;
  if (!placeholder.empty() && placeholder[0] == ':') placeholder.erase(0, 1);
  bind.name = PlaceholderName(placeholder);
  AddBind(cursor->second.binds, bind);
  return 0;
}

TCdaHeader* HeaderOf(ub1* cda) { return reinterpret_cast<TCdaHeader*>(cda); }

}  // namespace

namespace standin {

void SetFunctionCode(void* cda, const std::string& sql) {
  const std::string upper = Upper(Trimmed(sql));
  const std::string word = upper.substr(0, upper.find_first_of(" \t\r\n("));
  ub1 code = 0;
  if (word == "INSERT") code = 3;
  else if (word == "SELECT" || word == "WITH") code = 4;
  else if (word == "UPDATE") code = 5;
  else if (word == "DELETE") code = 9;
  else if (word == "EXPLAIN") code = 27;
  else if (word == "BEGIN" || word == "DECLARE") code = 34;
  HeaderOf(static_cast<ub1*>(cda))->function_code = code;
}

}  // namespace standin

extern "C" {

sword obndra(ub1* cda, const OraText* name, sword name_length, ub1* value, sword value_size, sword type, sword,
             sb2* indicator, ub2* length, ub2*, ub4 max_array, ub4* current_array, const OraText*, sword, sword) {
  State& state = TheState();
  Guard guard(state.lock);
  const std::string placeholder = Text(name, name_length);
  Log(state, "obndra name=" + placeholder + " type=" + std::to_string(type) + " size=" + std::to_string(value_size));
  Bind bind{"", value, value_size, static_cast<ub2>(type), indicator};
  bind.length = length;
  bind.max_array = max_array;
  bind.current_array = current_array;
  return AddCursorBind(state, cda, placeholder, bind);
}

sword obindps(ub1* cda, ub1 operation, const OraText* name, sword name_length, ub1* value, sb4 value_size,
              sword type, sword, sb2* indicator, ub2* length, ub2*, sb4 value_skip, sb4 indicator_skip, sb4, sb4,
              ub4 max_array, ub4* current_array, const OraText*, sb4, sword) {
  State& state = TheState();
  Guard guard(state.lock);
  const std::string placeholder = Text(name, name_length);
  Log(state, "obindps op=" + std::to_string(operation) + " name=" + placeholder + " type=" + std::to_string(type) +
                 " size=" + std::to_string(value_size));
  Bind bind{"", value, value_size, static_cast<ub2>(type), indicator};
  bind.length = length;
  bind.value_skip = static_cast<ub4>(value_skip);
  bind.indicator_skip = static_cast<ub4>(indicator_skip);
  bind.max_array = max_array;
  bind.current_array = current_array;
  if (operation == 1) bind.mode = OCI_DATA_AT_EXEC;
  return AddCursorBind(state, cda, placeholder, bind);
}

sword oexn(ub1* cda, sword iterations, sword row_offset) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "oexn iters=" + std::to_string(iterations) + " offset=" + std::to_string(row_offset));
  auto cursor = state.world.cursors.find(cda);
  if (cursor == state.world.cursors.end()) return Failure(state, 1001, "ORA-01001: invalid cursor");
  auto found = state.world.lda_sessions.find(cursor->second.lda);
  if (found == state.world.lda_sessions.end()) return Failure(state, 1012, "ORA-01012: not logged on");
  // A scripted query starts its rows; the fetch calls deliver them.
  if (StartOci7Query(state, cda)) return 0;
  Oci7Transfer& transfer = state.statements.oci7_transfers[cda];
  std::vector<Bind>& binds = cursor->second.binds;
  if (transfer.active) {
    if (!transfer.given) return Failure(state, 3128, "ORA-03128: a piece was asked for and none given");
    if (transfer.buffer && transfer.length)
      transfer.data[transfer.bind].append(static_cast<const char*>(transfer.buffer), transfer.length);
    transfer.given = false;
    transfer.first = false;
    if (transfer.piece != OCI_LAST_PIECE && transfer.piece != OCI_ONE_PIECE) return kNeedNextPiece;
    transfer.active = false;
    transfer.data.emplace(transfer.bind, std::string());
  }
  for (size_t b = 0; b < binds.size(); ++b) {
    if (!IsPiecewise(binds[b]) || transfer.data.count(b)) continue;
    transfer.active = true;
    transfer.bind = b;
    transfer.first = true;
    return kNeedNextPiece;
  }
  for (size_t b = 0; b < binds.size(); ++b) {
    const Bind& bind = binds[b];
    if (bind.max_array > 0) {
      state.statements.received.push_back(bind.name + "[1]=" + RenderTable(state, bind));
      continue;
    }
    for (sword i = 0; i < std::max<sword>(iterations, 1); ++i) {
      const std::string value = IsPiecewise(bind)
                                    ? (bind.type == SQLT_LBI ? HexText(transfer.data[b]) : transfer.data[b])
                                    : RenderBindValue(state, bind, static_cast<ub4>(i));
      state.statements.received.push_back(bind.name + "[" + std::to_string(i + 1) + "]=" + value);
    }
  }
  state.statements.oci7_transfers.erase(cda);
  const std::string sql = cursor->second.sql;
  std::vector<Bind> copies = binds;
  std::string text;
  if (sb4 code = RunStatement(state, found->second, sql, copies, text)) return Failure(state, code, text);
  const ub1 function = HeaderOf(cda)->function_code;
  HeaderOf(cda)->rows_processed = function == 3 || function == 5 || function == 9 ? static_cast<ub4>(iterations) : 0;
  return 0;
}

sword ogetpi(ub1* cda, ub1* piece, void** context, ub4* iteration, ub4* index) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "ogetpi");
  if (WantedOci7FetchPiece(state, cda, piece, context)) {
    *iteration = 0;
    *index = 0;
    return 0;
  }
  auto transfer = state.statements.oci7_transfers.find(cda);
  auto cursor = state.world.cursors.find(cda);
  if (transfer == state.statements.oci7_transfers.end() || !transfer->second.active ||
      cursor == state.world.cursors.end())
    return Failure(state, 3128, "ORA-03128: no piece is wanted");
  *piece = transfer->second.first ? OCI_FIRST_PIECE : OCI_NEXT_PIECE;
  *context = cursor->second.binds[transfer->second.bind].value;
  *iteration = 0;
  *index = 0;
  return 0;
}

sword osetpi(ub1* cda, ub1 piece, void* buffer, ub4* length) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "osetpi piece=" + std::to_string(piece) + " len=" + std::to_string(length ? *length : 0));
  if (SetOci7FetchPiece(state, cda, buffer, length)) return 0;
  auto transfer = state.statements.oci7_transfers.find(cda);
  if (transfer == state.statements.oci7_transfers.end() || !transfer->second.active)
    return Failure(state, 3128, "ORA-03128: no piece is wanted");
  transfer->second.buffer = buffer;
  transfer->second.length = length ? *length : 0;
  transfer->second.piece = piece;
  transfer->second.given = true;
  return 0;
}

sword ocan(ub1* cda) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "ocan");
  state.statements.oci7_transfers.erase(cda);
  return state.world.cursors.count(cda) ? 0 : Failure(state, 1001, "ORA-01001: invalid cursor");
}

}
