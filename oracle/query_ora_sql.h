// TOraSQL: a statement without a result set (DML, DDL, PL/SQL blocks with
// output parameters) on a TOraSession. It scans its text with the Oracle
// lexer and keeps TOraParams, whose value objects (LOBs, cursors) it drops
// when the session goes.
#pragma once

#include <memory>
#include <string>

#include "dacore/sql_component.h"
#include "oracle/param_ora_param.h"

namespace oracle {

class TOraSession;

class TOraSQL : public dacore::TCustomDASQL {
  CLASSLIB_CLASS(TOraSQL, dacore::TCustomDASQL)
 public:
  explicit TOraSQL(classlib::TComponent* owner = nullptr, dacore::TDASQLOwner* data_set = nullptr);

  TOraSession* Session() const;
  void SetSession(TOraSession* session);
  TOraParams& Params() { return static_cast<TOraParams&>(TCustomDASQL::Params()); }
  bool StatementCache() const { return statement_cache_; }
  void SetStatementCache(bool value);
  void SetICommand(dacore::TCRCommand* command) override;
  // A text or binary parameter's buffer takes its whole value: at least the
  // value's length, or the parameter's own Size when that is larger. LOB, cursor
  // and file parameters pass their value objects.
  void WriteParams(bool with_values) override;

 protected:
  std::unique_ptr<dacore::TParser> CreateParser(const std::string& text) override;
  std::unique_ptr<dacore::TDAParams> CreateParamsObject() override { return std::make_unique<TOraParams>(this); }

 private:
  bool statement_cache_ = false;
};

}  // namespace oracle
