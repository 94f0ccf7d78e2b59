// Session statements in both call styles.
#include "oracle/conn_session_command.h"

#include <cstring>

#include "oracle/call_entries.h"
#include "oracle/call_state.h"
#include "oracle/conn_oci_connection.h"

namespace oracle {

TSessionParam TSessionParam::InputString(std::string name, std::string text) {
  TSessionParam param;
  param.Name = std::move(name);
  param.Size = static_cast<int>(text.size()) + 1;
  param.Text = std::move(text);
  param.IsNull = false;
  return param;
}

TSessionParam TSessionParam::OutputString(std::string name, int size) {
  TSessionParam param;
  param.Name = std::move(name);
  param.IsOutput = true;
  param.Size = size;
  return param;
}

TSessionParam TSessionParam::OutputInteger(std::string name) {
  TSessionParam param;
  param.Name = std::move(name);
  param.IsInteger = true;
  param.IsOutput = true;
  param.Size = sizeof(int32_t);
  return param;
}

namespace {

// The bytes a parameter is bound to, and its indicator.
struct BindBuffer {
  std::vector<char> bytes;
  sb2 indicator = -1;
};

std::vector<BindBuffer> MakeBuffers(const std::vector<TSessionParam>& params) {
  std::vector<BindBuffer> buffers(params.size());
  for (size_t i = 0; i < params.size(); ++i) {
    const TSessionParam& param = params[i];
    BindBuffer& buffer = buffers[i];
    buffer.bytes.assign(static_cast<size_t>(param.IsInteger ? sizeof(int32_t) : param.Size), '\0');
    buffer.indicator = param.IsNull ? -1 : 0;
    if (param.IsNull) continue;
    if (param.IsInteger)
      std::memcpy(buffer.bytes.data(), &param.Integer, sizeof(int32_t));
    else
      std::memcpy(buffer.bytes.data(), param.Text.data(),
                  std::min(param.Text.size(), buffer.bytes.size() - 1));
  }
  return buffers;
}

void ReadOutputs(std::vector<TSessionParam>& params, const std::vector<BindBuffer>& buffers) {
  for (size_t i = 0; i < params.size(); ++i) {
    TSessionParam& param = params[i];
    if (!param.IsOutput) continue;
    const BindBuffer& buffer = buffers[i];
    param.IsNull = buffer.indicator == -1;
    if (param.IsInteger) {
      std::memcpy(&param.Integer, buffer.bytes.data(), sizeof(int32_t));
    } else {
      // The client writes a terminated string; never read past the buffer.
      param.Text.assign(buffer.bytes.data(), strnlen(buffer.bytes.data(), buffer.bytes.size()));
    }
  }
}

const OraText* TextOf(const std::string& text) { return reinterpret_cast<const OraText*>(text.c_str()); }

}  // namespace

void TOCISessionCommand::Execute(const std::string& sql) {
  std::vector<TSessionParam> none;
  Execute(sql, none);
}

void TOCISessionCommand::Execute(const std::string& sql, std::vector<TSessionParam>& params) {
  TConnectionLock lock(connection_);
  connection_.CheckOCI();
  if (connection_.GetOCICallStyle() == kOci7)
    ExecuteOci7(sql, params);
  else
    ExecuteOci8(sql, params);
}

void TOCISessionCommand::ExecuteOci8(const std::string& sql, std::vector<TSessionParam>& params) {
  OCIError* error = connection_.GetErrorHandle();
  void* statement = nullptr;
  connection_.Check(OCIHandleAlloc(connection_.GetEnvironment(), &statement, OCI_HTYPE_STMT, 0, nullptr));
  struct FreeStatement {
    void* handle;
    ~FreeStatement() { OCIHandleFree(handle, OCI_HTYPE_STMT); }
  } free_statement{statement};
  auto* stmt = static_cast<OCIStmt*>(statement);
  connection_.Check(OCIStmtPrepare(stmt, error, TextOf(sql), static_cast<ub4>(sql.size()),
                                   OCI_NTV_SYNTAX, OCI_DEFAULT));
  std::vector<BindBuffer> buffers = MakeBuffers(params);
  for (size_t i = 0; i < params.size(); ++i) {
    OCIBind* bind = nullptr;
    connection_.Check(OCIBindByName(
        stmt, &bind, error, TextOf(params[i].Name), static_cast<sb4>(params[i].Name.size()),
        buffers[i].bytes.data(), static_cast<sb4>(buffers[i].bytes.size()),
        params[i].IsInteger ? SQLT_INT : SQLT_STR, &buffers[i].indicator, nullptr, nullptr, 0,
        nullptr, OCI_DEFAULT));
  }
  connection_.Check(OCIStmtExecute(connection_.GetSvcCtx(), stmt, error, 1, 0, nullptr, nullptr,
                                   OCI_DEFAULT));
  ReadOutputs(params, buffers);
}

void TOCISessionCommand::ExecuteOci7(const std::string& sql, std::vector<TSessionParam>& params) {
  std::vector<ub1> cursor(kOci7CdaSize, 0);
  connection_.Check(oopen(cursor.data(), connection_.GetLDA(), nullptr, -1, -1, nullptr, -1));
  struct CloseCursor {
    ub1* cda;
    ~CloseCursor() { oclose(cda); }
  } close_cursor{cursor.data()};
  connection_.Check(oparse(cursor.data(), TextOf(sql), static_cast<sb4>(sql.size()), 0,
                           kOci7NativeSyntax));
  std::vector<BindBuffer> buffers = MakeBuffers(params);
  for (size_t i = 0; i < params.size(); ++i) {
    connection_.Check(obndrv(cursor.data(), TextOf(params[i].Name), -1,
                             reinterpret_cast<ub1*>(buffers[i].bytes.data()),
                             static_cast<sword>(buffers[i].bytes.size()),
                             params[i].IsInteger ? SQLT_INT : SQLT_STR, -1, &buffers[i].indicator,
                             nullptr, -1, -1));
  }
  connection_.Check(oexec(cursor.data()));
  ReadOutputs(params, buffers);
}

}  // namespace oracle
