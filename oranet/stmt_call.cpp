#include "oranet/stmt_call.h"

#include <algorithm>

#include "oranet/net_errors.h"
#include "oranet/stmt_row.h"
#include "oranet/ttc_codes.h"
#include "oranet/ttc_writer.h"

namespace oranet {

using namespace oracle;  // statuses and modes

namespace {

constexpr uint32_t kCallDefines = 0x10;
constexpr uint32_t kCallBinds = 0x08;
constexpr uint32_t kCallPlSqlExecute = 0x400;
constexpr uint32_t kCallNotPlSql = 0x8000;
constexpr int kDescribeSubCode = 7;

TTnsConnection& ConnectionOf(const TNetStatement& statement) {
  if (!statement.Connection()) throw ENetError(kNetNotConnected);
  return *statement.Connection();
}

// Function 2: the server answers with a status that names the new cursor.
sword OpenCursor(TNetStatement& statement, TNetError* error) {
  TTnsConnection& tns = ConnectionOf(statement);
  TTtcWriter writer(tns);
  TTtcReader reader(tns);
  WriteFunctionHeader(writer, kTtcOpenCursor);
  writer.WriteBool(true);
  writer.WriteUB4(0);
  reader.ExpectCode(kTtcStatus);
  const TTtcStatus status = ReadStatusBody(reader);
  if (status.errorNumber == 0 && status.cursorId == 0) throw ENetUnknownError(1);
  statement.cursorId = 0;
  return StatementStatus(statement, status, error);
}

sword Commit(TNetStatement& statement, TNetError* error) {
  TTnsConnection& tns = ConnectionOf(statement);
  TTtcWriter writer(tns);
  TTtcReader reader(tns);
  WriteFunctionHeader(writer, kTtcCommit);
  const TTtcStatus status = ReadSimpleReply(reader);
  if (error) {
    error->Clear();
    if (status.errorNumber != 0) error->Set(status.errorNumber, status.errorText);
  }
  return status.Result();
}

void WriteAllInOne(TTtcWriter& writer, TNetStatement& statement, uint32_t base) {
  const bool executing = base & kCallExecute;
  const bool fetching = base & kCallFetch;
  const uint32_t options = AllInOneOptions(statement, base);
  const uint32_t defines = options & kCallDefines ? static_cast<uint32_t>(statement.Defines().size()) : 0;
  const uint32_t binds = options & kCallBinds ? static_cast<uint32_t>(statement.Binds().size()) : 0;
  const dacore::TBytes text =
      base & kCallParse ? writer.TextEncoding().GetBytesAnsi(statement.Sql()) : dacore::TBytes{};

  WriteFunctionHeader(writer, kTtcExecute);
  writer.WriteUB4(options);
  writer.WriteUB4(static_cast<uint32_t>(statement.cursorId));
  writer.WriteFlag(!text.empty());
  writer.WriteUB4(static_cast<uint32_t>(text.size()));
  for (int i = 0; i < 2; ++i) {
    writer.WriteFlag(false);
    writer.WriteUB4(0);
  }
  writer.WriteUB1(1);
  writer.WriteUB4(2);
  writer.WriteUB1(0);
  writer.WriteFlag(defines > 0);
  writer.WriteUB4(defines);
  writer.WriteFlag(binds > 0);
  writer.WriteUB4(binds);
  writer.WriteByteArray(text);
  const uint32_t rows = fetching ? statement.fetchSize : executing ? statement.iterations : 0;
  writer.WriteUB4Array({1, rows, 0, 0, 0, 0, 0});
  if (defines > 0)
    for (const auto& define : statement.Defines()) WriteItemMetadata(writer, *define, statement.Session());
  if (binds > 0) {
    for (const auto& bind : statement.Binds()) WriteItemMetadata(writer, *bind, statement.Session());
    // A block asks for its values through a bind vector.
    if (!statement.IsPlSql())
      for (ub4 it = 0; it < std::max<ub4>(statement.iterations, 1); ++it) WriteBindRow(writer, statement, nullptr, it);
  }
}

sword RunAllInOne(TNetStatement& statement, TNetError* error, uint32_t base) {
  TTnsConnection& tns = ConnectionOf(statement);
  TTtcWriter writer(tns);
  TTtcReader reader(tns);
  WriteAllInOne(writer, statement, base);
  statement.rowIndex = 0;
  return ReadCallReply(reader, writer, statement, error);
}

// Servers before 8.0 describe a parsed cursor: open one, parse the text
// alone, then ask for its columns.
sword DescribeOnOldServer(TNetStatement& statement, TNetError* error, bool withText) {
  if (statement.cursorId == 0) {
    const sword opened = OpenCursor(statement, error);
    if (opened != OCI_SUCCESS) return opened;
  }
  if (withText && !statement.parsed) {
    const sword parsed = RunAllInOne(statement, error, kCallParse);
    if (parsed != OCI_SUCCESS) return parsed;
    statement.parsed = true;
  }
  TTnsConnection& tns = ConnectionOf(statement);
  TTtcWriter writer(tns);
  TTtcReader reader(tns);
  WriteFunctionHeader(writer, kTtcDescribeOld);
  writer.WriteUB4(static_cast<uint32_t>(statement.cursorId));
  writer.WriteUB4(static_cast<uint32_t>(statement.Columns().size()));
  for (const uint32_t block : {32u, 960u}) {
    writer.WriteUB1(1);
    writer.WriteUB1(1);
    writer.WriteUB4(block);
  }
  writer.WriteUB1(1);
  return ReadOldDescribeReply(reader, statement, error);
}

}  // namespace

sword StatementStatus(TNetStatement& statement, const TTtcStatus& status, TNetError* error) {
  statement.ApplyStatus(status);
  if (error) {
    error->Clear();
    if (status.errorNumber != 0) error->Set(status.errorNumber, status.errorText);
    error->SetParseErrorOffset(status.errorPosition);
  }
  if (status.errorNumber == kNoDataError && !statement.IsPlSql()) return OCI_NO_DATA;
  return status.Result();
}

uint32_t AllInOneOptions(const TNetStatement& statement, uint32_t base) {
  uint32_t options = base;
  if (!statement.IsPlSql()) {
    options |= kCallNotPlSql;
  } else if (base & kCallExecute) {
    options |= kCallPlSqlExecute;
  }
  if ((base & kCallFetch) && !statement.Defines().empty()) options |= kCallDefines;
  if ((base & kCallExecute) && !statement.Binds().empty() && statement.Type() != kStmtExplain) options |= kCallBinds;
  return options;
}

sword StmtExecute(TNetStatement& statement, TNetError* error, ub4 iterations, ub4 mode) {
  if (mode & OCI_DESCRIBE_ONLY) return StmtDescribe(statement, error, true);
  if (statement.cursorId == 0) {
    const sword opened = OpenCursor(statement, error);
    if (opened != OCI_SUCCESS) return opened;
  }
  statement.iterations = iterations;
  SizeBinds(statement, iterations);
  const sword result = RunAllInOne(statement, error, statement.parsed ? kCallExecute : kCallExecute | kCallParse);
  // A text the server refused is sent again with the next execute.
  if (result != OCI_ERROR) statement.parsed = true;
  // A success "with info" keeps its answer (and its error record) when the
  // steps after it succeed.
  if (result != OCI_SUCCESS && result != OCI_SUCCESS_WITH_INFO) return result;
  sword next = OCI_SUCCESS;
  if (statement.StatementKind() == kStatementKindQuery && statement.Columns().empty())
    next = StmtDescribe(statement, error, false);
  if (next == OCI_SUCCESS && (mode & OCI_COMMIT_ON_SUCCESS)) next = Commit(statement, error);
  if (next != OCI_SUCCESS) return next;
  if (result == OCI_SUCCESS_WITH_INFO && error) error->Set(kTruncatedError, kTruncatedText);
  return result;
}

sword StmtFetch(TNetStatement& statement, TNetError* error, ub4 rows) {
  statement.fetchSize = rows;
  return RunAllInOne(statement, error, kCallFetch);
}

sword StmtDescribe(TNetStatement& statement, TNetError* error, bool withText) {
  TTnsConnection& tns = ConnectionOf(statement);
  TTtcWriter writer(tns);
  TTtcReader reader(tns);
  if (!statement.Session().From8000()) return DescribeOnOldServer(statement, error, withText);
  const dacore::TBytes text = withText ? writer.TextEncoding().GetBytesAnsi(statement.Sql()) : dacore::TBytes{};
  WriteFunctionHeader(writer, kTtcDescribeText);
  writer.WriteUB1(kDescribeSubCode);
  writer.WriteUB4(static_cast<uint32_t>(statement.cursorId));
  writer.WriteFlag(!text.empty());
  writer.WriteUB4(static_cast<uint32_t>(text.size()));
  writer.WriteUB4(2);
  writer.WriteUB1(1);
  writer.WriteUB1(1);
  writer.WriteByteArray(text);
  return ReadDescribeReply(reader, statement, error);
}

sword StmtClose(TNetStatement& statement, TNetError* error) {
  sword result = OCI_SUCCESS;
  if (statement.cursorId != 0) {
    TTnsConnection& tns = ConnectionOf(statement);
    TTtcWriter writer(tns);
    TTtcReader reader(tns);
    WriteFunctionHeader(writer, kTtcCloseCursor);
    writer.WriteUB4(static_cast<uint32_t>(statement.cursorId));
    switch (reader.ReadUB1()) {
      case kTtcEndOfCall:
        statement.cursorId = 0;
        break;
      case kTtcStatus:
        result = StatementStatus(statement, ReadStatusBody(reader), error);
        break;
      default:
        throw ENetUnknownError(1);
    }
  }
  statement.ClearLists();
  return result;
}

void CloseCursorQuietly(TNetStatement& statement) {
  try {
    StmtClose(statement, nullptr);
  } catch (...) {
    // The handle is going away; a connection that is gone has no cursor.
  }
}

}  // namespace oranet
