// Binding a command's parameters: external types, buffer sizes, arrays,
// PL/SQL tables, dynamic LONG binds and the callbacks that feed them.
#include <algorithm>
#include <set>

#include "classlib/format.h"
#include "dacore/blob.h"
#include "dacore/data_types.h"
#include "oracle/call_entries.h"
#include "oracle/call_entries_statements.h"
#include "oracle/call_state.h"
#include "oracle/cmd_oci_command.h"
#include "oracle/conn_oci_connection.h"
#include "oracle/cursor_ora_cursor.h"
#include "oracle/error_messages.h"
#include "oracle/error_raise.h"
#include "oracle/lob_ora_lob.h"
#include "oracle/param_ora_desc.h"
#include "oracle/value_data_types.h"
#include "oracle/value_interval.h"
#include "oracle/value_number.h"
#include "oracle/value_timestamp.h"

namespace oracle {

using namespace dacore;

namespace {

[[noreturn]] void NotSupported() { RaiseOraException("Data type is not supported"); }

bool IsLongType(int type) { return type == dtBlob || type == dtMemo || type == dtWideMemo; }
bool IsWide(int type) { return type == dtWideString || type == dtFixedWideChar; }

}  // namespace

// The client library calls these while a statement with dynamic LONG binds
// runs; the context is the command.
struct TCommandCallbacks {
  static TOraParamDesc& ParamOf(void* context, OCIBind* bind) {
    TOraParamDesc* param = static_cast<TOCICommand*>(context)->FindParamByBind(bind);
    classlib::Assert(param != nullptr, "OraClasses", __LINE__);
    return *param;
  }

  static sb4 BindIn(void* context, OCIBind* bind, ub4, ub4, void** buffer, ub4* length, ub1* piece,
                    void** indicator) {
    TOraParamDesc& param = ParamOf(context, bind);
    auto& pieces = static_cast<TOCICommand*>(context)->in_pieces_;
    auto found = pieces.find(&param);
    if (found == pieces.end()) {
      auto* blob = dynamic_cast<TBlob*>(param.GetObject());
      found = pieces.emplace(&param, blob ? blob->FirstPiece() : nullptr).first;
      *piece = OCI_FIRST_PIECE;
    } else {
      *piece = OCI_NEXT_PIECE;
    }
    *indicator = param.IndicatorPtr();
    PieceHeader* next = found->second;
    if (!next) {
      // Every stored piece went over: an empty last piece ends the value.
      *buffer = nullptr;
      *length = 0;
      *piece = OCI_LAST_PIECE;
      pieces.erase(found);
      return OCI_CONTINUE;
    }
    *buffer = PieceData(next);
    *length = next->used;
    found->second = next->next;
    return OCI_CONTINUE;
  }

  static sb4 BindOut(void* context, OCIBind* bind, ub4, ub4, void** buffer, ub4** length, ub1* piece,
                     void** indicator, ub2** return_code) {
    auto* command = static_cast<TOCICommand*>(context);
    TOraParamDesc& param = ParamOf(context, bind);
    auto* blob = dynamic_cast<TBlob*>(param.GetObject());
    classlib::Assert(blob != nullptr, "OraClasses", __LINE__);
    if (command->out_started_.insert(&param).second) blob->Clear();
    PieceHeader* fresh = TBlob::AllocPiece(blob->PieceSize() ? blob->PieceSize() : DefaultPieceSize());
    fresh->used = fresh->size;
    blob->AppendPiece(fresh);
    *buffer = PieceData(fresh);
    *length = &fresh->used;
    *indicator = param.IndicatorPtr();
    *return_code = nullptr;
    *piece = OCI_NEXT_PIECE;
    return OCI_CONTINUE;
  }

};

ub2 TOCICommand::GetOraType(int data_type, int sub_type) const {
  TOCIConnection* connection = OCIConnection();
  if (call_style_ == kOci7) {
    switch (data_type) {
      case dtString: case dtHeapString: return SQLT_STR;
      case dtInt32: case dtBoolean: return SQLT_INT;
      case dtFloat: return SQLT_FLT;
      case dtDateTime: return SQLT_DAT;
      case dtBlob: return SQLT_LBI;
      case dtMemo: case dtWideMemo: return sub_type == 1 || sub_type == 120 ? SQLT_STR : SQLT_LNG;
      case dtBytes: case dtVarBytes: case dtHeapVarBytes: return SQLT_BIN;
      case dtRowId: return SQLT_RID;
      case dtCursor: return SQLT_CUR;
      case dtLabel: return 106;
      case dtFixedChar: return SQLT_AVC;
      default: NotSupported();
    }
  }
  switch (data_type) {
    case dtString: case dtHeapString: case dtWideString: case dtHeapWideString: return SQLT_STR;
    case dtInt32: case dtBoolean: return SQLT_INT;
    case dtFloat: {
      const bool binary = (sub_type == 118 || sub_type == 119) && OCIVersion >= 10000 && connection &&
                          connection->GetOracleVersion() >= 10000;
      return binary ? 22 : SQLT_FLT;
    }
    case dtDateTime: return SQLT_DAT;
    case dtInt64: case dtNumber: return SQLT_VNU;
    case dtBlob: return SQLT_LBI;
    case dtMemo: case dtWideMemo:
      return sub_type == 1 || sub_type == 25 || sub_type == 120 || sub_type == 121 ? SQLT_STR : SQLT_LNG;
    case dtObject: case dtArray: case dtTable: return SQLT_NTY;
    case dtReference: return SQLT_REF;
    case dtBytes: case dtVarBytes: case dtHeapVarBytes: return SQLT_BIN;
    case dtRowId: return SQLT_RDD;
    case dtCursor: return SQLT_RSET;
    case dtOraBlob: return SQLT_BLOB;
    case dtOraClob: return SQLT_CLOB;
    case dtBFile: return SQLT_BFILEE;
    case dtCFile: return SQLT_CFILEE;
    case dtLabel: return 106;
    case dtFixedChar: case dtFixedWideChar: return SQLT_AVC;
    case dtCharData: return SQLT_CHR;
    case dtTimeStamp: case dtTimeStampTZ: case dtTimeStampLTZ: case dtIntervalYM: case dtIntervalDS: {
      if (OCIVersion < 9000) NotSupported();
      static const ub2 types[] = {SQLT_TIMESTAMP, SQLT_TIMESTAMP_TZ, SQLT_TIMESTAMP_LTZ, SQLT_INTERVAL_YM,
                                  SQLT_INTERVAL_DS};
      return types[data_type - dtTimeStamp];
    }
    case dtXML:
      if (OCIVersion < 9200) NotSupported();
      return SQLT_NTY;
    default: NotSupported();
  }
}

void TOCICommand::BindParams() {
  TCommandLock command_lock(*this);
  TConnectionLock lock(*OCIConnection());
  in_pieces_.clear();
  out_started_.clear();
  for (int i = 0; i < GetParamCount(); ++i) BindParam(*ParamAt(i));
  SetCursorState(csBound);
}

void TOCICommand::BindParam(TOraParamDesc& param) {
  const int data_type = param.GetDataType();
  ub2 type;
  if (data_type == dtUnknown) {
    if (!param.GetNull()) RaiseOraException(classlib::Format("Unknown type of parameter %s", {param.GetName()}));
    type = SQLT_CHR;
  } else {
    type = GetOraType(data_type, param.SubDataType);
  }
  if (call_style_ == kOci7) return BindParamOci7(param, type);

  TOCIConnection* connection = OCIConnection();
  OCIError* error = connection->GetErrorHandle();
  OCIStmt* statement = cursor_->GetOCIStmt();
  const std::string name = param.IsQuoted ? "\"" + param.GetName() + "\"" : param.GetName();
  const auto direction = param.GetParamType();
  const bool input_like = direction == pdInput ||
                          (sql_type_ == SQL_SELECT && (direction == pdUnknown || direction == pdInputOutput));

  void* value = param.ValueBuffer();
  sb4 size = param.ItemSize();
  ub2* length = nullptr;
  void* indicator = param.IndicatorPtr();
  if (data_type == dtString || data_type == dtFixedChar || IsWide(data_type)) {
    const bool wide = IsWide(data_type);
    if (input_like && param.GetSize() > 0)
      size = wide ? 2 * param.GetSize() + (IsDirectMode() ? 1 : 2) : param.GetSize() + 1;
    if (connection->CharLength > 1) {
      const sb4 max = connection->GetMaxStringSize();
      const sb4 cap = wide ? (IsDirectMode() ? 2 * max - 1 : (2 * max + 2) & ~1) : (IsDirectMode() ? max : max + 1);
      size = std::min(size, cap);
    }
    // Never more than the item holds.
    size = std::min(size, param.ItemSize());
  } else if (data_type == dtBytes || data_type == dtVarBytes) {
    // The length word in front is the actual length; the data follows it.
    value = param.ValueBuffer() + 2;
    size = param.ItemSize() - 2;
    length = reinterpret_cast<ub2*>(param.ValueBuffer());
  } else if (IsLongType(data_type)) {
    auto* blob = dynamic_cast<TBlob*>(param.GetObject());
    size = direction == pdOutput || direction == pdInputOutput
               ? kMaxLongBindSize
               : std::max<sb4>(blob ? static_cast<sb4>(blob->GetSize()) : 0, 1);
    value = nullptr;
  } else if (data_type == dtCursor) {
    auto* cursor = dynamic_cast<TOraCursor*>(param.GetObject());
    classlib::Assert(cursor != nullptr, "OraClasses", __LINE__);
    cursor->SetOCICallStyle(call_style_);
    cursor->hOCIEnv = connection->GetEnvironment();
    cursor->hOCIError = error;
    cursor->GetOCIStmt();
    value = cursor->GetOCIStmtPtr();
    size = 0;
  } else if (data_type >= dtOraBlob && data_type <= dtCFile) {
    auto* lob = dynamic_cast<TOraLob*>(param.GetObject());
    if (!lob) NotSupported();
    lob->SetOCISvcCtx(connection->GetSvcCtx());
    // Only a LOB whose value the server gives goes uncached: an input
    // LOB's value is still to be written.
    if (direction == pdOutput) lob->SetCached(cache_lobs_);
    lob->GetOCILobLocator();
    value = lob->GetOCILobLocatorCell();
    size = sizeof(OCILobLocator*);
  } else if (data_type >= dtTimeStamp && data_type <= dtIntervalDS && param.GetArrayLength() < 2) {
    auto* object = param.GetObject();
    // Bound on this session, the value reports through its connection.
    if (auto* stamp = dynamic_cast<TOraTimeStamp*>(object)) {
      stamp->SetOCISvcCtx(connection->GetSvcCtx());
      stamp->AllocDateTime();
      value = stamp->GetOCIDateTimeCell();
      indicator = stamp->IndicatorCell();
    } else if (auto* interval = dynamic_cast<TOraInterval*>(object)) {
      interval->SetOCISvcCtx(connection->GetSvcCtx());
      interval->GetOCIInterval();
      value = interval->GetOCIIntervalCell();
      indicator = interval->IndicatorCell();
    } else {
      NotSupported();
    }
    size = sizeof(void*);
  } else if ((data_type == dtInt64 || data_type == dtNumber) && param.GetArrayLength() < 2) {
    auto* number = dynamic_cast<TOraNumber*>(param.GetObject());
    if (!number) NotSupported();
    number->SetOCISvcCtx(connection->GetSvcCtx());
    value = number->GetOCINumberPtr();
    indicator = number->IndicatorCell();
    size = sizeof(OCINumber);
  } else if (data_type == dtObject || data_type == dtArray || data_type == dtTable || data_type == dtReference ||
             data_type == dtXML) {
    return BindObjectParam(param, type, name);
  }
  param.ItemObjectsToBuffer();
  if (data_type != dtCursor) param.UpdateIndicator();

  if (iterations_ > 1 && !param.GetTable() && param.GetArrayLength() < static_cast<int32_t>(iterations_))
    RaiseOraException(classlib::Format(messages::kParamArrayLength,
                                       {param.GetName(), static_cast<int32_t>(iterations_)}));
  OCIBind** cell = param.BindCell();
  // Bound before with the same buffer: the client still reads the same place
  // (an array execute sets its skips anew).
  if (param.BoundHandle && param.BoundHandle == *cell && param.BoundSize == size && iterations_ <= 1) return;
  const auto name_text = reinterpret_cast<const OraText*>(name.data());
  const sb4 name_length = static_cast<sb4>(name.size());
  if (param.GetTable()) {
    param.TableLength = static_cast<ub4>(param.GetArrayLength());
    Check(OCIBindByName(statement, cell, error, name_text, name_length, value, size, type, indicator, length,
                        nullptr, static_cast<ub4>(param.GetArrayLength()), &param.TableLength, OCI_DEFAULT));
    Check(OCIBindArrayOfStruct(*cell, error, static_cast<ub4>(param.ItemSize()), sizeof(sb2), 0, 0));
  } else if (iterations_ > 1) {
    Check(OCIBindByName(statement, cell, error, name_text, name_length, value, size, type, indicator, length,
                        nullptr, 0, nullptr, OCI_DEFAULT));
    Check(OCIBindArrayOfStruct(*cell, error, static_cast<ub4>(param.ItemSize()), sizeof(sb2),
                               static_cast<ub4>(param.ItemSize()), 0));
  } else if (IsLongType(data_type) && type != SQLT_STR) {
    Check(OCIBindByName(statement, cell, error, name_text, name_length, nullptr, size, type, nullptr, nullptr,
                        nullptr, 0, nullptr, OCI_DATA_AT_EXEC));
    Check(OCIBindDynamic(*cell, error, this, &TCommandCallbacks::BindIn, this, &TCommandCallbacks::BindOut));
  } else {
    Check(OCIBindByName(statement, cell, error, name_text, name_length, value, size, type, indicator, length,
                        nullptr, 0, nullptr, OCI_DEFAULT));
  }
  // The network client announces the form with the bind as the client
  // library does: without it the server converts the value through the
  // database's own character set.
  if (param.GetNational()) {
    ub1 form = SQLCS_NCHAR;
    Check(OCIAttrSet(*cell, OCI_HTYPE_BIND, &form, 0, OCI_ATTR_CHARSET_FORM, error));
  }
  // Wide buffers hold UTF-16; narrow text is in the session's character set.
  ub2 charset = 0;
  if (IsWide(data_type) || data_type == dtWideMemo) charset = OCI_UTF16ID;
  else if (data_type == dtString || data_type == dtFixedChar || data_type == dtMemo) charset = connection->CharsetId;
  if (charset > 0) Check(OCIAttrSet(*cell, OCI_HTYPE_BIND, &charset, 0, OCI_ATTR_CHARSET_ID, error));
  if ((data_type == dtString || data_type == dtFixedChar || IsWide(data_type)) && OCIVersion >= 9000 &&
      param.GetSize() > 0) {
    sb4 max_data = size, max_chars = param.GetSize();
    Check(OCIAttrSet(*cell, OCI_HTYPE_BIND, &max_data, 0, OCI_ATTR_MAXDATA_SIZE, error));
    Check(OCIAttrSet(*cell, OCI_HTYPE_BIND, &max_chars, 0, OCI_ATTR_MAXCHAR_SIZE, error));
  }
  param.BoundHandle = *cell;
  param.BoundSize = size;
}

void TOCICommand::BindParamOci7(TOraParamDesc& param, ub2 type) {
  ub1* cda = cursor_->GetCDA();
  const std::string name = ":" + (param.IsQuoted ? "\"" + param.GetName() + "\"" : param.GetName());
  const auto name_text = reinterpret_cast<const OraText*>(name.data());
  const sword name_length = static_cast<sword>(name.size());
  const int data_type = param.GetDataType();
  param.UpdateIndicator();
  if (param.GetTable()) {
    param.TableLength = static_cast<ub4>(param.GetArrayLength());
    return Check(obindps(cda, 0, name_text, name_length, param.ValueBuffer(), param.ItemSize(), type, -1,
                         param.IndicatorPtr(), nullptr, nullptr, param.ItemSize(), sizeof(sb2), 0, 0,
                         static_cast<ub4>(param.GetArrayLength()), &param.TableLength, nullptr, 0, 0));
  }
  if (IsLongType(data_type) && type != SQLT_STR)
    // Piecewise: the pieces go over through ogetpi/osetpi during the execute.
    return Check(obindps(cda, 1, name_text, name_length, nullptr, kMaxLongBindSize, type, -1,
                         param.IndicatorPtr(), nullptr, nullptr, 0, 0, 0, 0, 0, nullptr, nullptr, 0, 0));
  if (data_type == dtBytes || data_type == dtVarBytes)
    return Check(obndra(cda, name_text, name_length, param.ValueBuffer() + 2, param.ItemSize() - 2, type, -1,
                        param.IndicatorPtr(), reinterpret_cast<ub2*>(param.ValueBuffer()), nullptr, 0, nullptr,
                        nullptr, -1, -1));
  ub1* value = param.ValueBuffer();
  sword size = param.ItemSize();
  if (data_type == dtCursor) {
    auto* cursor = dynamic_cast<TOraCursor*>(param.GetObject());
    classlib::Assert(cursor != nullptr, "OraClasses", __LINE__);
    cursor->SetOCICallStyle(kOci7);
    value = cursor->GetCDA();
    size = kOci7CdaSize;
  }
  Check(obndrv(cda, name_text, name_length, value, size, type, -1, param.IndicatorPtr(), nullptr, -1, -1));
}

}  // namespace oracle
