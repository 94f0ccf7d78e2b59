// The Oracle statement component.
#include "oracle/query_ora_sql.h"

#include <algorithm>

#include "oracle/cmd_oci_command.h"
#include "oracle/lexer_ora_parser.h"
#include "oracle/query_sql_text.h"
#include "oracle/session_ora_session.h"

namespace oracle {

TOraSQL::TOraSQL(classlib::TComponent* owner, dacore::TDASQLOwner* data_set) : TCustomDASQL(owner, data_set) {
  Macros().SetParserClass(OraParserClass());
  InitParamsObject();
}

TOraSession* TOraSQL::Session() const { return dynamic_cast<TOraSession*>(Connection()); }

void TOraSQL::SetSession(TOraSession* session) { SetConnection(session); }

void TOraSQL::SetStatementCache(bool value) {
  statement_cache_ = value;
  if (ICommand()) ICommand()->SetProp(prCommandStatementCache, value);
}

void TOraSQL::SetICommand(dacore::TCRCommand* command) {
  TCustomDASQL::SetICommand(command);
  if (!command) return;
  command->SetProp(prNonBlocking, NonBlocking());
  command->SetProp(prCommandStatementCache, statement_cache_);
}

namespace {
// Values that live on the server (LOB locators, cursors, files) are bound
// as their value objects, so that what the statement returns into them
// reaches the caller's parameter.
bool BindsValueObject(classlib::TFieldType type) {
  return type == classlib::ftOraBlob || type == classlib::ftOraClob || type == classlib::ftCursor || type == ftBFile;
}

bool IsText(classlib::TFieldType type) {
  return type == classlib::ftString || type == classlib::ftFixedChar || type == classlib::ftWideString ||
         type == classlib::ftFixedWideChar;
}
}  // namespace

void TOraSQL::WriteParams(bool with_values) {
  TCustomDASQL::WriteParams(false);
  if (!ICommand()) return;
  for (int i = 0; i < ParamCount() && i < ICommand()->GetParamCount(); ++i) {
    dacore::TDAParam* param = Params().Items(i);
    dacore::TParamDesc* desc = ICommand()->GetParam(i);
    const classlib::TFieldType type = param->DataType();
    if (BindsValueObject(type)) {
      desc->SetDataType(OraFieldTypeToDataType(type));
      if (with_values && param->ParamObject()) desc->SetValue(classlib::Variant::FromObject(param->ParamObject()));
      continue;
    }
    const classlib::Variant value = param->ParamRef()->Value();
    if (IsText(type)) {
      int needed = param->Size();
      if (classlib::VarIsStr(value)) needed = std::max(needed, static_cast<int>(value.AsString().size()));
      if (desc->GetSize() < needed) desc->SetSize(needed);
    }
    if (with_values) desc->SetValue(value);
  }
}

std::unique_ptr<dacore::TParser> TOraSQL::CreateParser(const std::string& text) {
  return std::make_unique<TOraParser>(text);
}

}  // namespace oracle
