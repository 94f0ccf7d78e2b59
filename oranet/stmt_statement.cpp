#include "oranet/stmt_statement.h"

#include <algorithm>

#include "classlib/ansistr.h"
#include "dacore/lexer_lexemes.h"
#include "oracle/lexer_ora_parser.h"
#include "oranet/logon_connect.h"
#include "oranet/oci_context.h"
#include "oranet/oci_error.h"
#include "oranet/stmt_call.h"
#include "oranet/value_rowid.h"

namespace oranet {

using namespace oracle;  // statuses, attributes and keyword codes

namespace {

constexpr int kKeywordExplain = 22;  // the lexer's code of EXPLAIN

int TypeOfKeyword(int code) {
  switch (code) {
    case lxSELECT:
    case lxWITH:
      return kStmtSelect;
    case lxUPDATE:
      return kStmtUpdate;
    case lxDELETE:
      return kStmtDelete;
    case lxINSERT:
      return kStmtInsert;
    case lxBEGIN:
      return kStmtBegin;
    case lxDECLARE:
      return kStmtDeclare;
    case kKeywordExplain:
      return kStmtExplain;
    default:
      return kStmtOther;
  }
}

bool IsKeyword(int code) { return code > lxSlash; }

std::string TrimRight(const std::string& text) {
  size_t end = text.size();
  while (end > 0 && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return text.substr(0, end);
}

bool HasKeyword(const std::string& text, int keyword) {
  TOraParser parser(text);
  parser.OmitComment = true;
  std::string lexeme;
  for (int code; (code = parser.GetNextToken(lexeme)) != dacore::lcEnd;)
    if (code == keyword) return true;
  return false;
}

}  // namespace

bool TStmtSession::ServerUtf8() const { return serverCharsetId == kCharsetUtf8 || serverCharsetId == kCharsetAl32Utf8; }

bool TStmtSession::WireUtf8() const {
  const int wire = clientCharsetId != 0 ? clientCharsetId : serverCharsetId;
  return wire == kCharsetUtf8 || wire == kCharsetAl32Utf8;
}

int SqlFunctionCodeOf(int statementKind) {
  switch (statementKind) {
    case 2:
      return 3;
    case 3:
      return 4;
    case 6:
      return 5;
    case 7:
      return 9;
    case 17:
      return 28;
    case 18:
      return 29;
    default:
      return 0;
  }
}

TNetStatement::~TNetStatement() {
  // A cursor left open is closed on the server, while the connection is
  // there; the handle goes anyway.
  if (cursorId != 0 && connection_ && connection_->Transport().Connected()) CloseCursorQuietly(*this);
}

void TNetStatement::Prepare(const std::string& text) {
  ClearLists();
  described = false;
  received = false;
  parsed = false;
  sql_ = TrimRight(text);
  type_ = kStmtOther;

  TOraParser parser(sql_);
  parser.OmitComment = true;
  std::string lexeme;
  int code = parser.GetNextToken(lexeme);
  while (code == dacore::lcSymbol && lexeme == "(") code = parser.GetNextToken(lexeme);
  type_ = TypeOfKeyword(code);
  // The server returns values of DML only to a block's binds.
  if ((type_ == kStmtUpdate || type_ == kStmtInsert) && HasKeyword(sql_, lxRETURNING)) {
    sql_ = "begin " + sql_ + "; end;";
    type_ = kStmtBegin;
  }
  ScanBinds(sql_);
}

// After each ":" an identifier, a number or a keyword is a bind name;
// CREATE and TRIGGER end the scan, as what follows them has no binds.
void TNetStatement::ScanBinds(const std::string& text) {
  TOraParser parser(text);
  parser.OmitComment = true;
  parser.Uppercase = false;
  std::string lexeme;
  bool afterColon = false;
  for (int code; (code = parser.GetNextToken(lexeme)) != dacore::lcEnd;) {
    if (code == lxCREATE || code == lxTRIGGER) break;
    if (afterColon && (code == dacore::lcIdent || code == dacore::lcNumber || IsKeyword(code))) {
      const std::string name = parser.Token();
      if (!IsPlSql() || !BindByName(name)) {
        auto bind = std::make_unique<TNetBind>(this);
        bind->name = name;
        bind->position = static_cast<int>(binds_.size()) + 1;
        binds_.push_back(std::move(bind));
      }
    }
    afterColon = code == lxColon;
  }
}

TNetBind* TNetStatement::BindByName(const std::string& name) {
  std::string wanted = name;
  if (!wanted.empty() && wanted[0] == ':') wanted.erase(0, 1);
  for (auto& bind : binds_)
    if (classlib::SameText(bind->name, wanted)) return bind.get();
  return nullptr;
}

TNetBind* TNetStatement::BindAt(ub4 position) {
  return position >= 1 && position <= binds_.size() ? binds_[position - 1].get() : nullptr;
}

TNetDefine& TNetStatement::DefineAt(ub4 position) {
  for (auto& define : defines_)
    if (define->position == static_cast<int>(position)) return *define;
  auto define = std::make_unique<TNetDefine>(this);
  define->position = static_cast<int>(position);
  // Defines are kept in column order: rows list the columns in that order.
  auto at = std::find_if(defines_.begin(), defines_.end(),
                         [&](const auto& d) { return d->position > static_cast<int>(position); });
  return **defines_.insert(at, std::move(define));
}

void TNetStatement::ClearLists() {
  binds_.clear();
  defines_.clear();
  columns_.clear();
  parsed = false;
}

void TNetStatement::Attach(TNetServiceContext* context) {
  context_ = context;
  if (!context) return;
  connection_ = context->Connection();
  const TLogonSession& logon = context->Logon();
  session_.serverVersion = logon.server.serverVersion;
  session_.protocolVersion = logon.server.protocolVersion;
  session_.serverCharsetId = logon.server.charsetId;
  session_.clientCharsetId = logon.clientCharsetId;
  session_.longestString = logon.longestString;
}

void TNetStatement::UseConnection(std::shared_ptr<TTnsConnection> connection, const TStmtSession& session) {
  connection_ = std::move(connection);
  session_ = session;
}

void TNetStatement::ApplyStatus(const TTtcStatus& status) {
  row_count_ = status.rowCount;
  error_position_ = status.errorPosition;
  statement_kind_ = status.statementKind;
  if (cursorId == 0) cursorId = status.cursorId;
  rowid_ = status.rowid;
}

sword TNetStatement::GetAttr(ub4 attr, void* value, ub4* size) {
  if (!value) return OCI_INVALID_HANDLE;
  int64_t scalar = 0;
  switch (attr) {
    case OCI_ATTR_STMT_TYPE:
      scalar = type_;
      break;
    case OCI_ATTR_ROW_COUNT:
      scalar = row_count_;
      break;
    case OCI_ATTR_PARAM_COUNT:
      scalar = static_cast<int64_t>(columns_.size());
      break;
    case OCI_ATTR_PARSE_ERROR_OFFSET:
      scalar = error_position_;
      break;
    case OCI_ATTR_SQLFNCODE:
      scalar = SqlFunctionCodeOf(statement_kind_);
      break;
    case OCI_ATTR_ROWID: {
      TNetRowid* rowid = NetHandleAs<TNetRowid>(value);
      if (!rowid) return OCI_INVALID_HANDLE;
      rowid->SetParts({rowid_.objectId, rowid_.file, rowid_.block, rowid_.slot});
      return OCI_SUCCESS;
    }
    default:
      return TNetHandle::GetAttr(attr, value, size);
  }
  PutScalar(value, ScalarWidth(attr), scalar);
  return OCI_SUCCESS;
}

sword TNetStatement::SetAttr(ub4 attr, void* value, ub4 size) {
  if (attr == OCI_ATTR_PREFETCH_ROWS || attr == OCI_ATTR_PREFETCH_MEMORY) return OCI_SUCCESS;
  return TNetHandle::SetAttr(attr, value, size);
}

sword TNetStatement::DescribeOnDemand(TNetError* error) {
  if (!received || described || !columns_.empty() || cursorId == 0 || !connection_) return OCI_SUCCESS;
  return GuardedCall(connection_.get(), error, [&] { return StmtDescribe(*this, error, false); });
}

sword TNetStatement::GetParam(ub4 position, void** param) {
  if (!param) return OCI_INVALID_HANDLE;
  if (position < 1 || position > columns_.size()) {
    *param = nullptr;
    return OCI_NO_DATA;
  }
  *param = HandleOf(columns_[position - 1].get());
  return OCI_SUCCESS;
}

}  // namespace oranet
