// The server's replies to a statement's calls: the message loop of the
// all-in-one call and the column lists of the describe calls.
#include <algorithm>

#include "oranet/logon_connect.h"
#include "oranet/net_errors.h"
#include "oranet/stmt_call.h"
#include "oranet/stmt_row.h"
#include "oranet/ttc_codes.h"

namespace oranet {

using namespace oracle;  // external types and statuses

namespace {

constexpr int kRepeatedColumnsError = 40;
constexpr int kNamesBlockTooLong = 107;
constexpr int kNamesBlockMissing = 112;
constexpr int kNamesBlockEmpty = 210;
constexpr int kMaxNamesBlock = 960;


// Only its last field matters: a bit vector of repeated columns, which
// this client does not take.
void ReadRowHeader(TTtcReader& reader, const TStmtSession& session) {
  reader.ReadUB1();
  if (session.From8000()) {
    reader.ReadUB2();
  } else {
    reader.ReadUB1();
  }
  reader.ReadUB2();
  reader.ReadUB2();
  if (reader.ReadUB2() != 0) throw ENetUnknownError(kRepeatedColumnsError);
}

// A flag per bind; the count must be the statement's.
std::vector<uint8_t> ReadBindVector(TTtcReader& reader, const TNetStatement& statement) {
  reader.ReadUB1();
  const int count = statement.Session().From8000() ? reader.ReadUB2() : reader.ReadUB1();
  reader.ReadUB2();
  reader.ReadUB2();
  reader.ReadUB2();
  if (count != static_cast<int>(statement.Binds().size())) throw ENetUnknownError(1);
  std::vector<uint8_t> flags(static_cast<size_t>(count));
  for (uint8_t& flag : flags) {
    flag = reader.ReadUB1();
    if (flag == 0) throw ENetUnknownError(1);
  }
  return flags;
}

// The server either asks for values (a bind row per iteration) or returns
// them at once in the row that follows.
void AnswerBindVector(TTtcReader& reader, TTtcWriter& writer, TNetStatement& statement,
                      const std::vector<uint8_t>& flags) {
  if (flags.empty()) return;
  const bool asks = std::any_of(flags.begin(), flags.end(), [](uint8_t f) { return f & kBindSendsValue; });
  if (!asks) {
    reader.ExpectCode(kTtcRowData);
    ReadOutBindRow(reader, statement, flags);
    return;
  }
  for (ub4 it = 0; it < std::max<ub4>(statement.iterations, 1); ++it) WriteBindRow(writer, statement, &flags, it);
  reader.Connection().FlushData(0);
}

int OciTypeOfWire(int wire) {
  switch (wire) {
    case 180:
      return SQLT_TIMESTAMP;
    case 181:
      return SQLT_TIMESTAMP_TZ;
    case 182:
      return SQLT_INTERVAL_YM;
    case 183:
      return SQLT_INTERVAL_DS;
    case 231:
      return SQLT_TIMESTAMP_LTZ;
    default:
      return wire;
  }
}

std::unique_ptr<TNetParam> ReadColumnDescription(TTtcReader& reader, TNetStatement& statement) {
  auto column = std::make_unique<TNetParam>(&statement);
  const int type = OciTypeOfWire(reader.ReadUB1());
  column->dataType = type;
  reader.ReadUB1();
  column->precision = reader.ReadUB1();
  column->scale = type == SQLT_NUM ? reader.ReadUB2() : reader.ReadUB1();
  if ((type == SQLT_TIMESTAMP || type == SQLT_TIMESTAMP_TZ || type == SQLT_INTERVAL_DS || type == SQLT_TIMESTAMP_LTZ) &&
      column->scale != 0)
    column->fsPrecision = reader.ReadUB1();
  column->dataSize = static_cast<int>(std::clamp<int64_t>(reader.ReadUB4(), 0, 0xFFFF));
  reader.ReadUB4();
  reader.ReadUB4();
  if (statement.Session().From8000()) {
    reader.ReadChunkedBytes();
    reader.ReadUB2();
    reader.ReadUB2();
    // The column's character set form: 2 marks NCHAR, NVARCHAR2 and NCLOB.
    if (reader.ReadUB1() == SQLCS_NCHAR) column->charsetForm = SQLCS_NCHAR;
  }
  const TStmtSession& session = statement.Session();
  column->charsetId = session.clientCharsetId != 0 ? session.clientCharsetId : session.serverCharsetId;
  if (type == SQLT_CHR || type == SQLT_AFC) column->charSize = column->dataSize;
  column->position = static_cast<int>(statement.Columns().size()) + 1;
  return column;
}

// The names of an older server's describe: each followed by one separator.
void ReadNamesBlock(TTtcReader& reader, TNetStatement& statement, size_t first) {
  const int length = reader.ReadUB2();
  if (length > kMaxNamesBlock) throw ENetUnknownError(kNamesBlockTooLong);
  if (length <= 0) throw ENetUnknownError(kNamesBlockMissing);
  const dacore::TBytes block = reader.ReadCountedBytes(length);
  if (block.empty()) throw ENetUnknownError(kNamesBlockEmpty);
  auto& columns = statement.Columns();
  size_t at = 0;
  for (size_t i = first; i < columns.size() && at < block.size(); ++i) {
    size_t end = at;
    while (end < block.size() && block[end] != 0) ++end;
    columns[i]->name.assign(block.begin() + static_cast<std::ptrdiff_t>(at),
                            block.begin() + static_cast<std::ptrdiff_t>(end));
    at = end + 1;
  }
}

// The call's status, once its whole reply is read: a value that could not
// be stored fails it; a value cut to its buffer makes a success one "with
// info", as the client library answers.
sword EndCall(TNetStatement& statement, const TTtcStatus& status, TNetError* error) {
  sword result = StatementStatus(statement, status, error);
  if (!statement.valueError.empty()) {
    const std::string failure = std::move(statement.valueError);
    statement.valueError.clear();
    throw ENetCallError(failure);
  }
  if (statement.truncated && result == OCI_SUCCESS) {
    if (error) error->Set(kTruncatedError, kTruncatedText);
    result = OCI_SUCCESS_WITH_INFO;
  }
  return result;
}

}  // namespace

sword ReadCallReply(TTtcReader& reader, TTtcWriter& writer, TNetStatement& statement, TNetError* error) {
  statement.truncated = false;
  statement.valueError.clear();
  bool rowsMayCome = false;
  bool returnParameters = false;
  std::vector<uint8_t> flags;
  for (;;) {
    switch (reader.ReadUB1()) {
      case kTtcRowHeader:
        ReadRowHeader(reader, statement.Session());
        rowsMayCome = true;
        break;
      case kTtcRowData:
        if (!rowsMayCome) throw ENetUnknownError(1);
        if (!statement.Defines().empty()) {
          ReadDefineRow(reader, statement);
        } else if (!statement.Binds().empty()) {
          ReadOutBindRow(reader, statement, flags);
        } else {
          throw ENetUnknownError(1);
        }
        break;
      case kTtcReturnParameters: {
        if (returnParameters) throw ENetUnknownError(1);
        returnParameters = true;
        const int count = reader.ReadUB2();
        for (int i = 0; i < count; ++i) reader.ReadUB4();
        break;
      }
      case kTtcBindVector:
        flags = ReadBindVector(reader, statement);
        rowsMayCome = true;
        AnswerBindVector(reader, writer, statement, flags);
        break;
      case kTtcStatus:
        return EndCall(statement, ReadStatusBody(reader), error);
      default:
        throw ENetUnknownError(1);
    }
  }
}

sword ReadDescribeReply(TTtcReader& reader, TNetStatement& statement, TNetError* error) {
  auto& columns = statement.Columns();
  columns.clear();
  for (;;) {
    switch (reader.ReadUB1()) {
      case kTtcReturnParameters: {
        const int count = reader.ReadUB2();
        for (int i = 0; i < count; ++i) {
          auto column = ReadColumnDescription(reader, statement);
          column->nullAllowed = reader.ReadUB1() != 0;
          reader.ReadUB1();
          column->name = reader.ReadTtcString();
          columns.push_back(std::move(column));
        }
        break;
      }
      case kTtcEndOfCall:
        statement.described = true;
        return OCI_SUCCESS;
      case kTtcStatus:
        return StatementStatus(statement, ReadStatusBody(reader), error);
      default:
        throw ENetUnknownError(1);
    }
  }
}

sword ReadOldDescribeReply(TTtcReader& reader, TNetStatement& statement, TNetError* error) {
  auto& columns = statement.Columns();
  columns.clear();
  for (;;) {
    switch (reader.ReadUB1()) {
      case kTtcReturnParameters: {
        const int total = reader.ReadUB2();
        const int count = reader.ReadUB2();
        if (count < 0 || total < static_cast<int>(columns.size()) + count) throw ENetUnknownError(1);
        const size_t first = columns.size();
        for (int i = 0; i < count; ++i) {
          auto column = ReadColumnDescription(reader, statement);
          column->nullAllowed = reader.ReadUB1() != 0;
          columns.push_back(std::move(column));
        }
        if (count > 0) ReadNamesBlock(reader, statement, first);
        break;
      }
      case kTtcEndOfCall:
        statement.described = true;
        return OCI_SUCCESS;
      case kTtcStatus:
        return StatementStatus(statement, ReadStatusBody(reader), error);
      default:
        throw ENetUnknownError(1);
    }
  }
}

}  // namespace oranet
