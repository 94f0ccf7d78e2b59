#include "oracle/trace_ora_sql_monitor.h"

#include "classlib/field.h"
#include "oracle/lob_ora_file.h"
#include "oracle/lob_ora_lob.h"
#include "oracle/object_ora_array.h"
#include "oracle/param_ora_param.h"
#include "oracle/session_ora_session.h"

namespace oracle {

using classlib::TFieldType;

namespace {

TOraSQLMonitor* g_ora_monitor = nullptr;

bool IsCharType(TFieldType t) {
  return t == classlib::ftString || t == classlib::ftFixedChar || t == classlib::ftWideString ||
         t == ftOraFixedWideChar;
}

// The parameter's length for the type name: the text's for a scalar, the
// declared size for an array.
int CharLength(const TOraParam* ora, const dacore::TDAParam& param) {
  if (ora && ora->Length() >= 2) return param.Size();
  return param.IsNull() ? 0 : static_cast<int>(param.AsString().size());
}

// The name of the parameter's object type: its value carries it.
std::string TypeNameOf(const dacore::TDAParam& param) {
  const auto* ora = dynamic_cast<const TOraParam*>(&param);
  TOraObject* value = ora ? ora->AsObject() : nullptr;
  TOraType* type = value ? value->GetOraType() : nullptr;
  return type ? type->Name() : "unknown";
}

// The number of elements of a VARRAY or nested table parameter.
int32_t ElementCount(const dacore::TDAParam& param) {
  const auto* ora = dynamic_cast<const TOraParam*>(&param);
  auto* array = ora ? dynamic_cast<TOraArray*>(ora->AsObject()) : nullptr;
  return array ? array->GetSize() : 0;
}

}  // namespace

TOraSQLMonitor::TOraSQLMonitor(classlib::TComponent* owner) : TCustomDASQLMonitor(owner) {
  if (!g_ora_monitor) g_ora_monitor = this;
}

TOraSQLMonitor::~TOraSQLMonitor() {
  if (g_ora_monitor == this) g_ora_monitor = nullptr;
}

TOraSQLMonitor* TOraSQLMonitor::GetMonitor() { return g_ora_monitor; }

std::string TOraSQLMonitor::GetParamDataType(const dacore::TDAParam& param) const {
  const TFieldType t = param.DataType();
  const auto* ora = dynamic_cast<const TOraParam*>(&param);
  if (IsCharType(t)) {
    std::string name = t == classlib::ftString || t == classlib::ftWideString ? "VARCHAR" : "CHAR";
    int length = CharLength(ora, param);
    if (ora && ora->Length() >= 2 && length <= 0) return name;
    return name + "[" + std::to_string(length) + "]";
  }
  switch (static_cast<int>(t)) {
    case ftIntervalYM: return "INTERVAL_YM";
    case classlib::ftTimeStamp: return "TIMESTAMP";
    case ftIntervalDS: return "INTERVAL_DS";
    case ftTimeStampTZ: return "TIMESTAMP_TZ";
    case ftTimeStampLTZ: return "TIMESTAMP_LTZ";
    case ftNumber: return "NUMBER";
    case classlib::ftBlob: case classlib::ftOraBlob: return "BLOB";
    case classlib::ftMemo: case classlib::ftWideMemo: return "LONG";
    case classlib::ftCursor: return "CURSOR";
    case classlib::ftADT: return "OBJECT:" + TypeNameOf(param);
    case classlib::ftArray: return "ARRAY:" + TypeNameOf(param);
    case classlib::ftReference: return "Ref:" + TypeNameOf(param);
    case classlib::ftDataSet: return "TABLE:" + TypeNameOf(param);
    case classlib::ftOraClob: return "CLOB";
    case ftBFile: return "BFILE";
    case ftLabel: return "LABEL";
    default: break;
  }
  return static_cast<int>(t) < 38 ? TCustomDASQLMonitor::GetParamDataType(param) : "";
}

std::string TOraSQLMonitor::GetParamValue(const dacore::TDAParam& param) const {
  auto* ora = const_cast<TOraParam*>(dynamic_cast<const TOraParam*>(&param));
  if (ora && ora->Table()) return "<PL/SQL TABLE[" + std::to_string(ora->Length()) + "]>";
  if (ora && ora->Length() >= 2) return "<ARRAY[" + std::to_string(ora->Length()) + "]>";
  if (param.IsNull()) return "<NULL>";
  const TFieldType t = param.DataType();
  switch (static_cast<int>(t)) {
    case classlib::ftBlob: case classlib::ftMemo: case classlib::ftWideMemo:
      return "<BLOB:" + std::to_string(param.AsString().size()) + ">";
    case classlib::ftOraBlob:
      if (ora) return "<LOB:" + std::to_string(ora->AsOraBlob()->GetSize()) + ">";
      break;
    case classlib::ftOraClob:
      if (ora) return "<LOB:" + std::to_string(ora->AsOraClob()->GetSize()) + ">";
      break;
    case ftBFile:
      if (ora) return "<BFileName('" + ora->AsBFile()->FileDir() + "' ,'" + ora->AsBFile()->FileName() + "')>";
      break;
    case classlib::ftCursor: return "<CURSOR>";
    case classlib::ftADT: return "<OBJECT of " + TypeNameOf(param) + ">";
    case classlib::ftReference: return "<REF of " + TypeNameOf(param) + ">";
    case classlib::ftArray: return "<VARRAY[" + std::to_string(ElementCount(param)) + "]>";
    case classlib::ftDataSet: return "<TABLE[" + std::to_string(ElementCount(param)) + "]>";
    default: break;
  }
  if (IsCharType(t) || t == classlib::ftDate || t == classlib::ftTime || t == classlib::ftDateTime ||
      t == classlib::ftTimeStamp)
    return "'" + param.AsString() + "'";
  return TCustomDASQLMonitor::GetParamValue(param);
}

void TOraSQLMonitor::NotifySavepoint(TOraSession& session, const std::string& name, bool rollback) {
  TOraSQLMonitor* monitor = GetMonitor();
  if (!monitor || !monitor->Active()) return;
  const std::string text = std::string(rollback ? "Rollback to savepoint " : "Savepoint ") + name + ": " +
                           session.Username() + "@" + session.Server() + monitor->GetObjectDescription(&session);
  if (monitor->Options().Contains(dacore::moSQLMonitor) && monitor->TraceFlags().Contains(dacore::tfTransact))
    monitor->SendToLibraryMonitor(text);
  if (monitor->OnSQL) monitor->OnSQL(monitor, text, dacore::tfTransact);
}

}  // namespace oracle
