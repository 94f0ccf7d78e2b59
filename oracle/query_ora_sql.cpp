// The Oracle statement component.
#include "oracle/query_ora_sql.h"

#include <algorithm>

#include "oracle/cmd_oci_command.h"
#include "oracle/lexer_ora_parser.h"
#include "oracle/param_ora_desc.h"
#include "oracle/query_sql_text.h"
#include "oracle/session_ora_session.h"

namespace oracle {

namespace {

bool IsText(classlib::TFieldType type) {
  return type == classlib::ftString || type == classlib::ftFixedChar || type == classlib::ftWideString ||
         type == classlib::ftFixedWideChar;
}

// The longest text of a value or of the items of an array value.
int LongestText(const classlib::Variant& value) {
  if (classlib::VarIsStr(value)) return static_cast<int>(value.AsString().size());
  if (!classlib::VarIsArray(value)) return 0;
  int longest = 0;
  for (int i = classlib::VarArrayLowBound(value, 1); i <= classlib::VarArrayHighBound(value, 1); ++i)
    longest = std::max(longest, LongestText(classlib::VarArrayGet(value, {i})));
  return longest;
}

bool IsBytes(classlib::TFieldType type) { return type == classlib::ftBytes || type == classlib::ftVarBytes; }

// The length of a byte-array value, or the longest of an array of them.
int LongestBytes(const classlib::Variant& value) {
  if (!classlib::VarIsArray(value)) return 0;
  const int low = classlib::VarArrayLowBound(value, 1), high = classlib::VarArrayHighBound(value, 1);
  if (value.VType() == (classlib::varArray | classlib::varByte)) return high - low + 1;
  int longest = 0;
  for (int i = low; i <= high; ++i) longest = std::max(longest, LongestBytes(classlib::VarArrayGet(value, {i})));
  return longest;
}

}  // namespace

TOraSQL::TOraSQL(classlib::TComponent* owner, dacore::TDASQLOwner* data_set) : TCustomDASQL(owner, data_set) {
  Macros().SetParserClass(OraParserClass());
  InitParamsObject();
  if (!data_set) CreateICommand();
}

TOraSession* TOraSQL::Session() const { return dynamic_cast<TOraSession*>(Connection()); }

void TOraSQL::SetSession(TOraSession* session) { SetConnection(session); }

dacore::TCustomDAConnection* TOraSQL::GetUsedConnection() const {
  if (dacore::TCustomDAConnection* connection = Connection()) return connection;
  if (dacore::TDASQLOwner* data_set = DataSetOwner()) return data_set->OwnerConnection();
  return UseDefaultSession ? TOraSession::DefaultSession() : nullptr;
}

void TOraSQL::CreateICommand() {
  TCustomDASQL::CreateICommand();
  if (!ICommand()) SetOwnICommand(std::make_unique<TOCICommand>());
}

void TOraSQL::Assign(const classlib::TPersistent* source) {
  TCustomDASQL::Assign(source);
  if (const auto* other = dynamic_cast<const TOraSQL*>(source)) SetNonBlocking(other->NonBlocking());
}

void TOraSQL::SetStatementCache(bool value) {
  statement_cache_ = value;
  if (ICommand()) ICommand()->SetProp(prCommandStatementCache, value);
}

void TOraSQL::SetNonBlocking(bool value) {
  TCustomDASQL::SetNonBlocking(value);
  if (ICommand()) ICommand()->SetProp(prNonBlocking, value);
}

void TOraSQL::SetICommand(dacore::TCRCommand* command) {
  TCustomDASQL::SetICommand(command);
  if (!command) return;
  command->SetProp(prNonBlocking, NonBlocking());
  command->SetProp(prCommandStatementCache, statement_cache_);
}

// What the values hold on the server (a cursor's statement, a LOB's
// locator or temporary LOB) goes while the session is still whole.
void TOraSQL::Disconnect() {
  Params().ClearObjects();
  TCustomDASQL::Disconnect();
}

void TOraSQL::SQLChanged(classlib::TObject* sender) {
  TCustomDASQL::SQLChanged(sender);
  if (auto* command = dynamic_cast<TOCICommand*>(ICommand())) command->SetSQLType(SQL_UNKNOWN);
}

// The driver's parameters take Oracle's own types, so that LOBs, cursors,
// date-times and NUMBERs reach the command as the value objects they are;
// a name used twice binds the value of its first parameter at each place.
void TOraSQL::WriteParams(bool with_values) {
  dacore::TCRCommand* command = ICommand();
  if (!command) return;
  for (int i = 0; i < ParamCount(); ++i) {
    TOraParam* param = Params().Items(i);
    dacore::TParamDesc* desc = i < command->GetParamCount() ? command->GetParam(i) : command->AddParam();
    desc->SetName(param->Name());
    desc->SetDataType(OraFieldTypeToDataType(param->DataType()));
    desc->SetParamType(static_cast<dacore::TParamDirection>(param->ParamType()));
    auto* source = dynamic_cast<TOraParam*>(param->ParamRef());
    if (!source) source = param;
    auto* ora = dynamic_cast<TOraParamDesc*>(desc);
    if (ora) {
      ora->SetNational(source->National());
      ora->SetTable(source->Table());
      ora->SetArrayLength(source->Length());
    }
    const classlib::Variant value = source->Value();
    if (IsText(param->DataType()) || IsBytes(param->DataType())) {
      // A text or binary parameter's buffer takes its whole value (each item of an array).
      const int length = IsText(param->DataType()) ? LongestText(value) : LongestBytes(value);
      const int needed = std::max(param->Size(), length);
      if (desc->GetSize() < needed) desc->SetSize(needed);
    }
    if (!with_values) continue;
    if (source->IsObjectDataType(source->DataType()) && source->ParamObject()) desc->SetObject(source->ParamObject());
    else desc->SetValue(value);
    if (ora) source->SetBoundDesc(ora);
  }
  while (command->GetParamCount() > ParamCount()) command->DeleteParam(command->GetParamCount() - 1);
}

std::unique_ptr<dacore::TParser> TOraSQL::CreateParser(const std::string& text) {
  return std::make_unique<TOraParser>(text);
}

}  // namespace oracle
