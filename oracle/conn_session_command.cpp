// Session statements, run by a command of the connection's own.
#include "oracle/conn_session_command.h"

#include <algorithm>

#include "oracle/cmd_oci_command.h"
#include "oracle/conn_oci_connection.h"
#include "oracle/param_ora_desc.h"

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

void TOCISessionCommand::Execute(const std::string& sql) {
  std::vector<TSessionParam> none;
  Execute(sql, none);
}

// A command of the connection's own: its parameters are the caller's, not
// read from the text, and it never commits.
void TOCISessionCommand::Execute(const std::string& sql, std::vector<TSessionParam>& params) {
  TConnectionLock lock(connection_);
  connection_.CheckOCI();
  TOCICommand command;
  command.AutoCommit = false;
  command.SetProp(prParamCheck, classlib::Variant(false));
  command.SetConnection(&connection_);
  command.SetSQL(sql);
  for (const TSessionParam& param : params) {
    auto* desc = static_cast<TOraParamDesc*>(command.AddParam());
    desc->SetName(!param.Name.empty() && param.Name[0] == ':' ? param.Name.substr(1) : param.Name);
    desc->SetParamType(param.IsOutput ? dacore::pdOutput : dacore::pdInput);
    desc->SetDataType(param.IsInteger ? dacore::dtInt32 : dacore::dtString);
    if (!param.IsInteger) desc->SetSize(std::max(param.Size - 1, 0));
    if (param.IsNull) continue;
    if (param.IsInteger) desc->SetItemAsInteger(1, param.Integer);
    else desc->SetItemAsString(1, param.Text);
  }
  command.Execute(1);
  for (size_t i = 0; i < params.size(); ++i) {
    TSessionParam& param = params[i];
    if (!param.IsOutput) continue;
    TOraParamDesc* desc = command.ParamAt(static_cast<int>(i));
    param.IsNull = desc->GetNull();
    if (param.IsInteger) param.Integer = desc->GetItemAsInteger(1);
    else param.Text = desc->GetItemAsString(1);
  }
}

}  // namespace oracle
