// The statement handle of direct mode: the SQL text and its kind, the
// binds the text names, the defines and described columns, the server's
// cursor, and what the last status message said of the statement.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "oranet/oci_item.h"
#include "oranet/tns_connection.h"
#include "oranet/ttc_codes.h"
#include "oranet/ttc_status.h"

namespace oranet {

class TNetServiceContext;

// Statement kinds (attribute 24).
enum StmtType : int {
  kStmtOther = 0,
  kStmtSelect = 1,
  kStmtUpdate = 2,
  kStmtDelete = 3,
  kStmtInsert = 4,
  kStmtBegin = 8,
  kStmtDeclare = 9,
  kStmtExplain = 10,
};

// What the calls of a statement need to know of its session.
struct TStmtSession {
  int serverVersion = kServer8100;
  int protocolVersion = 6;
  int serverCharsetId = 0;
  int clientCharsetId = 0;
  int longestString = 4000;

  bool From8000() const { return serverVersion >= 8000; }
  // The server speaks UTF8 (871 or 873).
  bool ServerUtf8() const;
  // Text travels in UTF8: the set the client announced (the server's when
  // it named none), which the server sends every character value in.
  bool WireUtf8() const;
};

class TNetStatement : public TNetHandle {
 public:
  using TNetHandle::TNetHandle;
  ~TNetStatement() override;
  ub4 HandleType() const override { return oracle::OCI_HTYPE_STMT; }

  // 24 type, 9 row count, 18 columns, 129 error position, 10 SQL function
  // code; 19 copies the last row's ROWID into the descriptor given.
  sword GetAttr(ub4 attr, void* value, ub4* size) override;
  // 11 and 13 (prefetch) are accepted and ignored.
  sword SetAttr(ub4 attr, void* value, ub4 size) override;
  // The n-th described column (1-based); beyond the last OCI_NO_DATA.
  sword GetParam(ub4 position, void** param) override;
  // A cursor received in a row is described by the server when first
  // asked for its columns, as the client library has it described.
  sword DescribeOnDemand(TNetError* error) override;

  // Takes the text (trailing blanks removed), finds its kind and its binds.
  void Prepare(const std::string& text);
  const std::string& Sql() const { return sql_; }
  int Type() const { return type_; }
  bool IsPlSql() const { return type_ == kStmtBegin || type_ == kStmtDeclare; }

  // The bind of that name (without regard to case) or position (1-based);
  // null when the text names none.
  TNetBind* BindByName(const std::string& name);
  TNetBind* BindAt(ub4 position);
  // The define at that position, made when it is new.
  TNetDefine& DefineAt(ub4 position);
  std::vector<std::unique_ptr<TNetBind>>& Binds() { return binds_; }
  std::vector<std::unique_ptr<TNetDefine>>& Defines() { return defines_; }
  std::vector<std::unique_ptr<TNetParam>>& Columns() { return columns_; }
  const std::vector<std::unique_ptr<TNetBind>>& Binds() const { return binds_; }
  const std::vector<std::unique_ptr<TNetDefine>>& Defines() const { return defines_; }
  const std::vector<std::unique_ptr<TNetParam>>& Columns() const { return columns_; }
  // Drops binds, defines and columns; the text must be parsed again.
  void ClearLists();

  // The context of the last execute and the connection it shares.
  void Attach(TNetServiceContext* context);
  TNetServiceContext* Context() const { return context_; }
  const std::shared_ptr<TTnsConnection>& Connection() const { return connection_; }
  TStmtSession& Session() { return session_; }
  const TStmtSession& Session() const { return session_; }
  // For callers (and tests) that run on a connection of their own.
  void UseConnection(std::shared_ptr<TTnsConnection> connection, const TStmtSession& session);

  // Kept from the status messages of the statement's calls.
  void ApplyStatus(const TTtcStatus& status);
  int64_t RowCount() const { return row_count_; }
  int StatementKind() const { return statement_kind_; }

  int cursorId = 0;
  bool parsed = false;  // the server has the text
  bool described = false;
  ub4 iterations = 0;  // of the current execute
  ub4 fetchSize = 0;   // of the current fetch
  ub4 rowIndex = 0;    // the row of the current call being read
  // The value being decoded; its room serves every value of every row.
  dacore::TBytes valueBytes;
  // Of the current call: a value was cut to its buffer; the first value
  // that could not be stored (the reply is read on to its end first).
  bool truncated = false;
  std::string valueError;
  // A cursor the server handed out in a row: described when first asked
  // for its columns.
  bool received = false;

 private:
  void ScanBinds(const std::string& text);

  std::string sql_;
  int type_ = kStmtOther;
  std::vector<std::unique_ptr<TNetBind>> binds_;
  std::vector<std::unique_ptr<TNetDefine>> defines_;
  std::vector<std::unique_ptr<TNetParam>> columns_;
  TNetServiceContext* context_ = nullptr;
  std::shared_ptr<TTnsConnection> connection_;
  TStmtSession session_;
  int64_t row_count_ = 0;
  int error_position_ = 0;
  int statement_kind_ = 0;
  TTtcRowid rowid_;
};

// The SQL function code a statement kind of the status message stands for.
int SqlFunctionCodeOf(int statementKind);

}  // namespace oranet
