// TCustomDASQL: finding parameter markers in the text, and moving
// parameters and their values between the component and the driver command.
#include "dacore/sql_component.h"

#include <array>

#include "dacore/data_types.h"

namespace dacore {

using classlib::TFieldType;

TDataType ParamDataType(TFieldType type) {
  using namespace classlib;
  switch (type) {
    case ftString: case ftFixedChar: return dtString;
    case ftSmallint: return dtInt16;
    case ftInteger: case ftAutoInc: return dtInt32;
    case ftWord: return dtUInt16;
    case ftBoolean: return dtBoolean;
    case ftFloat: return dtFloat;
    case ftCurrency: return dtCurrency;
    case ftBCD: return dtBcd;
    case ftFMTBcd: return dtFmtBcd;
    case ftDate: return dtDate;
    case ftTime: return dtTime;
    case ftDateTime: case ftTimeStamp: return dtDateTime;
    case ftBytes: return dtBytes;
    case ftVarBytes: return dtVarBytes;
    case ftBlob: case ftGraphic: case ftTypedBinary: case ftOraBlob: return dtBlob;
    case ftMemo: case ftFmtMemo: case ftOraClob: return dtMemo;
    case ftWideMemo: return dtWideMemo;
    case ftWideString: case ftFixedWideChar: return dtWideString;
    case ftLargeint: return dtInt64;
    case ftGuid: return dtGuid;
    case ftVariant: return dtVariant;
    case ftADT: return dtObject;
    case ftReference: return dtReference;
    case ftArray: return dtArray;
    case ftDataSet: return dtTable;
    default: return dtUnknown;
  }
}

std::unique_ptr<TParser> TCustomDASQL::CreateParser(const std::string& text) {
  return std::make_unique<TParser>(text);
}

bool TCustomDASQL::CommandScansParams() {
  if (!command_) return false;
  classlib::Variant scans;
  command_->GetProp(prCommandProp11, scans);
  return scans.AsBoolean();
}

// ---- Markers in the text ---------------------------------------------------------

std::string TCustomDASQL::ParseSQLParams(const std::string& text, TDAParams* params,
                                         const std::string& rename_prefix) {
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  std::unique_ptr<TParser> parser = CreateParser(text);
  parser->OmitComment = true;
  size_t copied = 0;
  std::string lexeme;
  for (int code = parser->GetNextToken(lexeme); code != lcEnd; code = parser->GetNextToken(lexeme)) {
    if (code <= 0 || lexeme != ":") continue;
    const auto colon = static_cast<size_t>(parser->GetPrevPos());
    out.append(text, copied, colon - copied);
    copied = ParseSQLParamsAt(*parser, colon, params, rename_prefix, out);
  }
  if (copied < text.size()) out.append(text, copied, std::string::npos);
  return out;
}

// What follows a ":" is a parameter name when it is an identifier, a number
// or a keyword, or a name in the quote characters; anything else (a second
// ":", "=") stays in the text with the colon, so "::" and ":=" pass through.
size_t TCustomDASQL::ParseSQLParamsAt(TParser& parser, size_t colon, TDAParams* params,
                                      const std::string& rename_prefix, std::string& out) {
  std::string lexeme;
  int code = parser.GetNextToken(lexeme);
  std::string name;
  if (code > 0 && lexeme == "@") {
    name = "@";
    code = parser.GetNextToken(lexeme);
  }
  const char first = parser.GetCharAt(parser.GetPrevPos());
  const bool word = code > 0 && !lexeme.empty() && (parser.IsAlpha(lexeme[0]) || lexeme[0] == '_');
  const bool quoted = (code == lcIdent || code == lcString) && first == LeftQuote() && first != '\'';
  if (code != lcIdent && code != lcNumber && !word && !quoted) return colon;
  if (quoted) {
    // The token's own text, whatever the lexer made of the quotes.
    lexeme = parser.TextBetween(parser.GetPrevPos(), parser.GetCurrPos());
    if (lexeme.size() >= 2 && lexeme.back() == RightQuote()) lexeme = lexeme.substr(1, lexeme.size() - 2);
  }
  name += lexeme;
  if (params) {
    params->CreateParam(classlib::ftUnknown, name, classlib::ptUnknown);
    out += "?";
  } else {
    out += ":" + rename_prefix + name;
  }
  return static_cast<size_t>(parser.GetCurrPos());
}

// ---- The parameter list ----------------------------------------------------------------

void TCustomDASQL::CarryValues(const TDAParams& from) {
  for (int i = 0; i < params_->Count(); ++i) {
    TDAParam* param = params_->Items(i);
    const TDAParam* old = from.FindParam(param->Name());
    if (!old) continue;
    const std::string name = param->Name();
    param->Assign(old);
    param->SetName(name);
  }
}

void TCustomDASQL::ScanParams() {
  final_sql_ = FinalSQL();
  if ((!param_check_ && !design_) || params_locked_) {
    if (command_) command_->SetSQL(final_sql_);
    return;
  }
  std::unique_ptr<TDAParams> old = CreateParamsObject();
  old->Assign(params_.get());
  if (CommandScansParams()) {
    command_->SetSQL(final_sql_);
    ReadParams();
    CarryValues(*old);
    return;
  }
  params_->Clear();
  const std::string text = ParseSQLParams(final_sql_, params_.get(), "");
  CarryValues(*old);
  if (command_) {
    command_->SetSQL(text);
    WriteParams(false);
  }
}

void TCustomDASQL::ReadParams() {
  params_->Clear();
  for (int i = 0; i < command_->GetParamCount(); ++i) {
    TParamDesc* desc = command_->GetParam(i);
    params_->CreateParam(DataTypeToFieldType(desc->GetDataType()), desc->GetName(),
                         static_cast<classlib::TParamType>(desc->GetParamType()));
  }
}

// A name used twice binds the value of its first parameter at each place.
void TCustomDASQL::WriteParams(bool with_values) {
  if (!command_) return;
  for (int i = 0; i < params_->Count(); ++i) {
    TDAParam* param = params_->Items(i);
    TParamDesc* desc = i < command_->GetParamCount() ? command_->GetParam(i) : command_->AddParam();
    desc->SetName(param->Name());
    desc->SetDataType(ParamDataType(param->DataType()));
    desc->SetParamType(static_cast<TParamDirection>(param->ParamType()));
    if (with_values) desc->SetValue(param->ParamRef()->Value());
  }
  while (command_->GetParamCount() > params_->Count()) command_->DeleteParam(command_->GetParamCount() - 1);
}

void TCustomDASQL::ReadParamValues() {
  if (!command_) return;
  const int count = std::min(params_->Count(), command_->GetParamCount());
  for (int i = 0; i < count; ++i) {
    TDAParam* param = params_->Items(i);
    if (param->ParamType() == classlib::ptInput || param->IsObjectDataType(param->DataType())) continue;
    param->SetValue(command_->GetParam(i)->GetValue());
  }
}

}  // namespace dacore
