// Binding object, collection, REF and XML parameters: the value object
// carries its type; it is attached to the command's session, and its
// instance (a REF's cell for a REF) and null-indicator structure are the
// cells the client library reads and, for an output, writes.
#include "classlib/format.h"
#include "oracle/call_entries.h"
#include "oracle/call_entries_statements.h"
#include "oracle/cmd_oci_command.h"
#include "oracle/conn_oci_connection.h"
#include "oracle/cursor_ora_cursor.h"
#include "oracle/error_messages.h"
#include "oracle/error_raise.h"
#include "oracle/object_ora_array.h"
#include "oracle/object_ora_ref.h"
#include "oracle/object_ora_xml.h"
#include "oracle/param_ora_desc.h"
#include "oracle/value_data_types.h"

namespace oracle {

void TOCICommand::BindObjectParam(TOraParamDesc& param, ub2 type, const std::string& name) {
  auto* value = dynamic_cast<TOraObject*>(param.GetObject());
  if (!value || !value->GetOraType()) RaiseOraException(messages::kObjectTypeNotDefined);
  if (param.GetTable() || iterations_ > 1) RaiseOraException(messages::kTypeNotInDmlArray);
  TOCIConnection* connection = OCIConnection();
  OCIError* error = connection->GetErrorHandle();
  if (!value->GetOCISvcCtx()) value->SetOCISvcCtx(connection->GetSvcCtx());
  auto* ref = dynamic_cast<TOraRef*>(value);
  void** instance = nullptr;
  void** indicator = nullptr;
  if (ref) {
    // A REF without one is a null REF: nothing to allocate.
    instance = reinterpret_cast<void**>(ref->GetOCIRefCell());
  } else {
    // An output needs an instance to be written into; a null input is an
    // instance whose indicator says so.
    if (!value->GetInstance()) value->AllocObject();
    // An XML value's text is in its instance now; an output's is what the
    // server writes there, read when asked, not the text of a run before.
    if (auto* xml = dynamic_cast<TOraXML*>(value); xml && param.GetParamType() != dacore::pdInput) xml->ForgetText();
    // An object or collection going in takes its LOB attributes' data with
    // it, its elements' and embedded objects' too.
    if (param.GetParamType() != dacore::pdOutput) value->WriteLobs();
    instance = value->GetInstanceCell();
    // A collection's nullness is its own: only objects have an indicator structure.
    if (!dynamic_cast<TOraArray*>(value)) indicator = value->GetIndicatorPtr();
  }
  OCIBind** cell = param.BindCell();
  const auto name_text = reinterpret_cast<const OraText*>(name.data());
  Check(OCIBindByName(cursor_->GetOCIStmt(), cell, error, name_text, static_cast<sb4>(name.size()), nullptr, 0, type,
                      nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT));
  Check(OCIBindObject(*cell, error, value->GetOraType()->TDO(), instance, nullptr, indicator, nullptr));
  param.BoundHandle = nullptr;  // bound anew each time: the cells may change between executes
  param.BoundSize = 0;
}

}  // namespace oracle
