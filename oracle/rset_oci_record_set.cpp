// TOCIRecordSet: life cycle, properties, the description of the select
// list and the value objects of its records.
#include "oracle/rset_oci_record_set.h"

#include <cstring>

#include "classlib/exceptions.h"
#include "classlib/unaligned.h"
#include "dacore/driver_props.h"
#include "dacore/field_expand.h"
#include "dacore/messages.h"
#include "oracle/call_state.h"
#include "oracle/conn_oci_connection.h"
#include "oracle/cursor_ora_cursor.h"
#include "oracle/cursor_tables_info.h"
#include "oracle/error_messages.h"
#include "oracle/error_raise.h"
#include "oracle/lob_ora_file.h"
#include "oracle/lob_ora_lob.h"
#include "oracle/object_ora_array.h"
#include "oracle/object_ora_object.h"
#include "oracle/object_ora_ref.h"
#include "oracle/object_ora_type.h"
#include "oracle/object_ora_xml.h"
#include "oracle/value_data_types.h"
#include "oracle/value_interval.h"
#include "oracle/value_number.h"
#include "oracle/value_timestamp.h"

namespace oracle {

using namespace dacore;

namespace {

bool IsTimeStampType(TDataType t) { return t == dtTimeStamp || t == dtTimeStampTZ || t == dtTimeStampLTZ; }
bool IsIntervalType(TDataType t) { return t == dtIntervalYM || t == dtIntervalDS; }
// Values copied by value, not shared, when a record is copied.
bool IsCopiedByValue(TDataType t) {
  return IsTimeStampType(t) || IsIntervalType(t) || t == dtNumber || t == dtObject || t == dtReference;
}
// VARRAYs and nested tables: changed in place through a nested data set.
bool IsCollectionType(TDataType t) { return t == dtArray || t == dtTable; }

}  // namespace

TOCIRecordSet::TOCIRecordSet() : number_scratch_(new TOraNumber) { RegisterLiveRecordSet(this, true); }

// Closed here, while the overrides still run: a background fetch stops and
// the fetch buffer goes before the command.
TOCIRecordSet::~TOCIRecordSet() {
  RegisterLiveRecordSet(this, false);
  try {
    Close();
    UnPrepare();
  } catch (const classlib::Exception&) {
    // The session may be gone; what the record set holds is freed below.
  }
  Command().OnStopBackground = nullptr;  // the command outlives this part of the object
  ReleaseShared(number_scratch_);
}

// A connection that disconnects or goes stops the record set's background
// runs through its command, as Close does.
std::unique_ptr<TCRCommand> TOCIRecordSet::CreateCommand() {
  auto command = std::make_unique<TOCICommand>();
  command->OnStopBackground = [this] { StopBackground(); };
  return command;
}

void TOCIRecordSet::StopBackground() {
  StopExecute();
  StopFetchAll();
}

TTableInfoClass TOCIRecordSet::GetTableInfoClass() {
  return [](TCRTablesInfo* owner) -> std::unique_ptr<TCRTableInfo> { return std::make_unique<TOCITableInfo>(owner); };
}

TOCIConnection* TOCIRecordSet::Connection() { return Command().OCIConnection(); }

bool TOCIRecordSet::CanReopen() { return Command().GetCursorState() == csIdle || UsesRefCursor(); }

void TOCIRecordSet::Reopen() {
  TOCICommand& command = Command();
  if (command.GetCursorState() == csIdle) {
    TCRRecordSet::Reopen();
    return;
  }
  if (UsesRefCursor()) {
    StopExecute();
    StopFetchAll();
    FreeFetchBuffer();  // its cells point into the rows that go
    FreeData();
    InitData();
    InternalOpen();
    return;
  }
  // A statement of no known kind: a cursor handed in, which cannot run again.
  if (command.GetSQLType() == SQL_UNKNOWN) RaiseOraException(messages::kReopenNotAllowed);
  TCRRecordSet::Reopen();
}

// ---- Life cycle -----------------------------------------------------------------

// A cursor handed in (a nested cursor of another record set's row) comes
// executed: it is only described and fetched.
namespace {

// Counts a prepare or describe under way for as long as it lives.
class TDescribing {
 public:
  explicit TDescribing(int& count) : count_(count) { ++count_; }
  ~TDescribing() { --count_; }
  TDescribing(const TDescribing&) = delete;
  TDescribing& operator=(const TDescribing&) = delete;

 private:
  int& count_;
};

}  // namespace

void TOCIRecordSet::InternalPrepare() {
  TDescribing describing(describing_);
  TOCICommand& command = Command();
  if (!command.IsOwnCursor()) {
    SetCommandType(ctCursor);
    return;
  }
  command.Prepare();
  // A block that opens a REF CURSOR parameter returns that cursor's rows.
  ref_cursor_ = FindRefCursorParam();
  SetCommandType(command.GetSQLType() == SQL_SELECT || ref_cursor_ ? ctCursor : ctStatement);
}

void TOCIRecordSet::InternalUnPrepare() {
  release_when_done_ = false;
  StopExecute();
  StopFetchAll();
  FreeFetchBuffer();
  planned_ = false;
  EndRefCursor();
  ref_cursor_ = nullptr;
  TOCICommand& command = Command();
  if (command.GetCursorState() != csIdle) command.Unprepare();
  SetCommandType(ctUnknown);
}

void TOCIRecordSet::InternalOpen() {
  ResetWindow();
  ReleaseIfDone();
  if (!Prepared()) Prepare();
  if (!IsFetching()) RaiseOraException(messages::kNoRowsReturned);
  TCRRecordSet::InternalOpen();
}

// The record set runs its statement in line even when the command is
// non-blocking: the rows it fetches right after need the execute done. A
// data set executing a statement without rows runs it as a plain command.
void TOCIRecordSet::InternalExecute() {
  TOCICommand& command = Command();
  ReleaseIfDone();
  if (!IsFetching()) {
    try {
      TCRRecordSet::InternalExecute();
    } catch (...) {
      ReleaseIfDone();
      throw;
    }
    ReleaseIfDone();
    return;
  }
  // The older interface has no define callback: LONG values come piece by
  // piece through the piece calls, one row at a time.
  staged_defines_ = nullptr;  // a new execute, or another cursor: define anew
  row_by_row_ = command.GetCursor()->Scrollable || (command.GetOCICallStyle() == kOci7 && HasPiecewiseLongs());
  if (row_by_row_ && OCIVersion < 9000) RaiseOraException("Need Oracle 9 Call Interface");
  if (UsesRefCursor()) EndRefCursor();  // the block runs again and opens it anew
  if (!command.IsOwnCursor()) {
    SetFetchDone(false);
    return;
  }
  try {
    command.DoExecute();
  } catch (const classlib::Exception& e) {
    command.EndExecute(&e);
    throw;
  }
  command.EndExecute(nullptr);
  if (ref_cursor_) command.SetCursor(ref_cursor_);
  SetFetchDone(false);
}

void TOCIRecordSet::InternalClose() {
  StopExecute();
  StopFetchAll();
  EndRefCursor();
  TOCICommand& command = Command();
  if (command.GetCursorState() > csPrepared) command.SetCursorState(csPrepared);
  FreeFetchBuffer();
  ResetWindow();
  TCRRecordSet::InternalClose();
  ReleaseIfDone();
}

// Not while the statement still runs in the background: its next use, or
// its close, lets it go then.
void TOCIRecordSet::ReleaseIfDone() {
  if (!release_when_done_ || Command().Executing() || ExecutingInBackground()) return;
  InternalUnPrepare();
  SetPrepared(false);
}

// ---- Description ----------------------------------------------------------------

// A query not yet executed is executed in describe-only mode, then taken
// back to its former state: describing must not fetch or lock anything.
void TOCIRecordSet::InternalInitFields() {
  TDescribing describing(describing_);
  TOCICommand& command = Command();
  planned_ = false;
  if (!command.GetPrepared()) command.Prepare();
  const uint8_t state = command.GetCursorState();
  // The older interface describes a parsed statement as it stands.
  const bool newer = command.GetOCICallStyle() == kOci8;
  // A block with a REF CURSOR parameter runs to open the cursor described.
  const bool via_ref_cursor = ref_cursor_ && command.IsOwnCursor();
  uint8_t restore_state = 0;
  if (via_ref_cursor) {
    restore_state = OpenRefCursorForDescribe();
  } else if (newer && command.IsOwnCursor() && command.GetSQLType() == SQL_SELECT && state < csExecuted) {
    if (state < csBound) command.BindParams();
    command.Exec(OCI_DESCRIBE_ONLY, 0);
  }
  try {
    TConnectionLock lock(*Connection());
    for (ub4 position = 1;; ++position) {
      std::unique_ptr<TFieldDesc> made = GetFieldDescType();
      auto& field = static_cast<TOCIFieldDesc&>(*made);
      if (!command.DescribeField(field, position, LongStrings, FlatBuffers)) break;
      field.SetFieldNo(static_cast<uint16_t>(position));
      Fields().Add(std::move(made));
    }
  } catch (...) {
    // A column that cannot be described leaves the command on its own cursor.
    if (via_ref_cursor) EndRefCursor();
    throw;
  }
  if (via_ref_cursor) {
    EndRefCursor();
    if (restore_state) command.SetCursorState(restore_state);
  }
  // The attributes of objects and the elements of VARRAYs become fields of
  // their own, after the columns.
  const int columns = GetFieldCount();
  for (int i = 0; i < columns; ++i) {
    auto* field = static_cast<TOCIFieldDesc*>(Fields().GetItems(i));
    if (field->DataType() != dtObject) continue;
    DescribeObjectType(*field);
    const TDataType kind = field->ObjectType()->DataType();
    if (kind != dtObject && kind != dtArray) continue;
    TFieldExpansion how;
    how.NewFieldDesc = [] { return std::make_unique<TOCIFieldDesc>(); };
    InitObjectFields(Fields(), field->ObjectType(), field, how);
  }
}

// ---- Properties -----------------------------------------------------------------

bool TOCIRecordSet::SetProp(int prop, const classlib::Variant& value) {
  switch (prop) {
    case prFetchRows: {
      // A background fetch reads the size and fills the buffers under the
      // command's lock, a block at a time: the change waits for the block
      // under way and takes effect from the next.
      TCommandLock command_lock(Command());
      FreeFetchBuffer();
      return TCRRecordSet::SetProp(prop, value);
    }
    case prAutoClose: AutoClose = value.AsBoolean(); return true;
    case prDeferredLobRead: DeferredLobRead = value.AsBoolean(); return true;
    default: return TCRRecordSet::SetProp(prop, value);
  }
}

bool TOCIRecordSet::GetProp(int prop, classlib::Variant& value) {
  if (prop != prHasObjectFields) return TCRRecordSet::GetProp(prop, value);
  value = HasFieldTypes({dtObject, dtReference, dtArray, dtTable, dtXML});
  return true;
}

// ---- Records --------------------------------------------------------------------

size_t TOCIRecordSet::IndicatorBase() const {
  const size_t after_nulls = static_cast<size_t>(DataSize() + GetFieldCount());
  return after_nulls + after_nulls % 2;
}

int TOCIRecordSet::GetIndicatorSize() {
  return static_cast<int>(IndicatorBase() - static_cast<size_t>(DataSize())) + 2 * GetFieldCount();
}

int16_t* TOCIRecordSet::IndicatorPtr(TRecBuf rec, int field_no) const {
  return reinterpret_cast<int16_t*>(static_cast<uint8_t*>(rec) + IndicatorBase() + 2 * (field_no - 1));
}

int16_t TOCIRecordSet::Indicator(TRecBuf rec, int field_no) const {
  int16_t value;
  std::memcpy(&value, IndicatorPtr(rec, field_no), sizeof value);
  return value;
}

bool TOCIRecordSet::IsBlobFieldType(TDataType t) const {
  return t == dtBlob || t == dtMemo || t == dtWideMemo || (t >= dtOraBlob && t <= dtCFile);
}

bool TOCIRecordSet::IsComplexFieldType(TDataType t) const {
  return TCRRecordSet::IsComplexFieldType(t) || IsBlobFieldType(t) || t == dtCursor ||
         (t >= dtTimeStamp && t <= dtIntervalDS) || t == dtNumber || t == dtXML || t == dtObject || t == dtReference;
}

void TOCIRecordSet::CreateComplexField(TRecBuf rec, const TFieldDesc& field, bool with_blob) {
  const TDataType t = field.DataType();
  TOCIConnection* connection = Connection();
  // The older call style has no service context: its values need none.
  OCISvcCtx* context = connection && connection->GetConnected() && connection->GetOCICallStyle() == kOci8
                           ? connection->GetSvcCtx()
                           : nullptr;
  if (t == dtOraBlob || t == dtOraClob) {
    if (!with_blob) return;
    auto* lob = new TOraLob(context, t == dtOraClob && connection && connection->UseUnicode);
    if (t == dtOraClob) {
      lob->SetLobType(static_cast<const TOCIFieldDesc&>(field).SubDataType == stNationalClob ? ltNClob : ltClob);
      lob->SetCharLength(connection ? connection->CharLength : 1);
    }
    lob->SetCached(Command().CacheLobs());
    lob->EnableRollback();
    SetSlot(rec, field, lob);
  } else if (t == dtBFile || t == dtCFile) {
    if (with_blob) SetSlot(rec, field, new TOraFile(context));
  } else if (IsTimeStampType(t)) {
    auto* stamp = new TOraTimeStamp(t);
    stamp->SetOCISvcCtx(context);
    SetSlot(rec, field, stamp);
  } else if (IsIntervalType(t)) {
    auto* interval = new TOraInterval(t);
    interval->SetOCISvcCtx(context);
    SetSlot(rec, field, interval);
  } else if (t == dtNumber) {
    auto* number = new TOraNumber;
    number->SetOCISvcCtx(context);
    SetSlot(rec, field, number);
  } else if (t == dtCursor) {
    auto* cursor = new TOraCursor;
    cursor->SetOCICallStyle(Command().GetOCICallStyle());
    if (connection) cursor->hOCIError = connection->GetErrorHandle();
    SetSlot(rec, field, cursor);
  } else if (t == dtObject) {
    if (!context) RaiseOraException("Unsupported Disconnected mode type");
    auto* type = static_cast<TOraType*>(field.ObjectType());
    if (!type) RaiseOraException("Data type is not supported");
    TOraObject* object = type->DataType() == dtArray   ? new TOraArray(type)
                         : type->DataType() == dtTable ? new TOraNestTable(type)
                         : type->DataType() == dtXML   ? new TOraXML(type)
                                                       : new TOraObject(type);
    SetSlot(rec, field, object);
    object->SetOCISvcCtx(context);
    object->AllocObject();
  } else if (t == dtReference) {
    CreateReferenceField(rec, field, context);
  } else {
    TCRRecordSet::CreateComplexField(rec, field, with_blob);
  }
}

void TOCIRecordSet::GetFieldAsVariant(int field_no, TRecBuf rec, classlib::Variant& value) {
  const TFieldDesc& field = *Fields().GetItems(field_no - 1);
  const TDataType t = field.DataType();
  if (t == dtLabel && !field.HasParent()) {
    // A label's bytes are the server's own form: no Variant shows them.
    value = classlib::Variant::Null();
    return;
  }
  const bool ours = t == dtOraBlob || t == dtOraClob || IsTimeStampType(t) || IsIntervalType(t) || t == dtNumber;
  if (!ours || field.HasParent()) {
    TCRRecordSet::GetFieldAsVariant(field_no, rec, value);
    return;
  }
  if (GetNull(field_no, rec)) {
    value = classlib::Variant::Null();
    return;
  }
  void* object = GetSlot(rec, field);
  if (t == dtOraBlob || t == dtOraClob) value = static_cast<TOraLob*>(object)->GetAsString();
  else if (IsTimeStampType(t)) value = classlib::Variant::FromDate(static_cast<TOraTimeStamp*>(object)->AsDateTime());
  else if (IsIntervalType(t)) value = static_cast<TOraInterval*>(object)->AsString();
  else value = static_cast<TOraNumber*>(object)->AsFloat();
}

void TOCIRecordSet::PutFieldAsVariant(int field_no, TRecBuf rec, const classlib::Variant& value) {
  const TFieldDesc& field = *Fields().GetItems(field_no - 1);
  if (field.DataType() != dtNumber || field.HasParent()) {
    TCRRecordSet::PutFieldAsVariant(field_no, rec, value);
    return;
  }
  if (classlib::VarIsNull(value) || classlib::VarIsEmpty(value)) {
    SetNull(field_no, rec, true);
    return;
  }
  auto* number = static_cast<TOraNumber*>(GetSlot(rec, field));
  const classlib::TVarType type = classlib::VarType(value);
  if (classlib::VarIsOrdinal(value) && type != classlib::varInt64 && type != classlib::varLongWord)
    number->SetAsInteger(value.AsInteger());
  else if (classlib::VarIsStr(value) || classlib::VarIsNumeric(value))
    number->SetAsString(classlib::VarIsStr(value) ? value.AsString() : classlib::VarToStr(value));
  else
    throw classlib::EConvertError(SCannotConvertType);
  *NullPtr(rec, field_no) = 0;
}

TSharedObject* TOCIRecordSet::ValueObject(int field_no, TRecBuf rec) {
  const TFieldDesc& field = *Fields().GetItems(field_no - 1);
  const TDataType t = field.DataType();
  if (field.HasParent() || !(IsTimeStampType(t) || IsIntervalType(t) || t == dtNumber)) return nullptr;
  return static_cast<TSharedObject*>(GetSlot(rec, field));
}

void TOCIRecordSet::SetNull(int field_no, TRecBuf rec, bool value) {
  TCRRecordSet::SetNull(field_no, rec, value);
  const TFieldDesc& field = *Fields().GetItems(field_no - 1);
  const TDataType t = field.DataType();
  if (field.HasParent()) return;
  void* object = GetSlot(rec, field);
  if (!object) return;
  if (IsTimeStampType(t)) static_cast<TOraTimeStamp*>(object)->SetIsNull(value);
  else if (IsIntervalType(t)) static_cast<TOraInterval*>(object)->SetIsNull(value);
  else if (t == dtNumber) static_cast<TOraNumber*>(object)->SetIsNull(value);
}

void TOCIRecordSet::TakeValueNulls(TRecBuf rec) {
  for (int i = 0; i < GetFieldCount(); ++i) {
    const TFieldDesc& field = *Fields().GetItems(i);
    const TDataType t = field.DataType();
    if (field.HasParent() || !IsCopiedByValue(t)) continue;
    void* object = GetSlot(rec, field);
    if (!object) continue;
    bool is_null = false;
    if (IsTimeStampType(t)) {
      is_null = static_cast<TOraTimeStamp*>(object)->IsNull();
    } else if (IsIntervalType(t)) {
      is_null = static_cast<TOraInterval*>(object)->IsNull();
    } else if (t == dtNumber) {
      is_null = static_cast<TOraNumber*>(object)->IsNull();
    } else {
      auto* value = static_cast<TOraObject*>(object);
      if (!value->Modified()) continue;
      is_null = value->GetIsNull();
    }
    SetNull(field.FieldNo(), rec, is_null);
  }
}

void TOCIRecordSet::NullNewValues(TRecBuf rec) {
  for (int i = 0; i < GetFieldCount(); ++i) {
    const TFieldDesc& field = *Fields().GetItems(i);
    if (field.HasParent() || field.DataType() != dtObject || !GetNull(field.FieldNo(), rec)) continue;
    auto* value = static_cast<TOraObject*>(GetSlot(rec, field));
    if (!value) continue;
    if (!value->GetIsNull()) value->SetIsNull(true);
    value->SetModified(false);
  }
}

bool TOCIRecordSet::PutValueObject(int field_no, TRecBuf rec, void* source, bool is_null) {
  const TFieldDesc& field = *Fields().GetItems(field_no - 1);
  const TDataType t = field.DataType();
  if (field.HasParent() || !IsCopiedByValue(t) || !source) return false;
  void* to = GetSlot(rec, field);
  if (!to) return false;
  if (IsTimeStampType(t)) {
    if (!is_null) static_cast<TOraTimeStamp*>(source)->AssignTo(*static_cast<TOraTimeStamp*>(to));
  } else if (IsIntervalType(t)) {
    if (!is_null) static_cast<TOraInterval*>(source)->AssignTo(*static_cast<TOraInterval*>(to));
  } else if (t == dtNumber) {
    if (!is_null) static_cast<TOraNumber*>(source)->AssignTo(*static_cast<TOraNumber*>(to));
  } else {
    auto* value = static_cast<TOraObject*>(to);
    if (is_null) value->SetIsNull(true);
    else value->Assign(*static_cast<TOraObject*>(source));
    value->SetModified(false);
  }
  SetNull(field_no, rec, is_null);
  return true;
}

void TOCIRecordSet::CopyComplexFields(TRecBuf source, TRecBuf dest, bool with_blob) {
  TCRRecordSet::CopyComplexFields(source, dest, with_blob);
  for (int i = 0; i < GetFieldCount(); ++i) {
    const TFieldDesc& field = *Fields().GetItems(i);
    if (field.HasParent() || !IsCopiedByValue(field.DataType())) continue;
    void* from = GetSlot(source, field);
    ReleaseShared(static_cast<TSharedObject*>(GetSlot(dest, field)));  // the reference the copy took
    SetSlot(dest, field, nullptr);
    if (from) CopyValueInto(field, from, dest);
  }
}

void* TOCIRecordSet::OwnEditedValue(const TFieldDesc& field, void* value) {
  if (!value || field.HasParent() || !(IsCopiedByValue(field.DataType()) || IsCollectionType(field.DataType())))
    return TCRRecordSet::OwnEditedValue(field, value);
  TRecBufHolder scratch(static_cast<size_t>(RecordSize()));
  std::memset(scratch.buf, 0, static_cast<size_t>(RecordSize()));
  return CopyValueInto(field, value, scratch.buf);
}

namespace {

// What a copied value would otherwise read from the server when first
// asked, read now: the object a REF leads to is pinned (a REF whose object
// is gone reads as null from then on), and the LOBs and BFILEs of an
// object's attributes, embedded objects' included, are read into the
// copy's own values. A VARRAY's or nested table's elements and an XML
// value's text are in the copy already.
void ReadCopyAgain(TOraObject& value) {
  if (auto* ref = dynamic_cast<TOraRef*>(&value)) {
    if (!ref->GetIsNull() && !ref->GetInstance()) ref->Pin();
    return;
  }
  if (dynamic_cast<TOraArray*>(&value) || dynamic_cast<TOraXML*>(&value) || !value.GetInstance() ||
      value.GetIsNull())
    return;
  const TOraType& type = *value.GetOraType();
  for (int i = 0; i < type.GetAttributeCount(); ++i) {
    const TAttribute& attribute = *type.GetAttributes(i);
    const int t = attribute.DataType();
    const bool lob = t == dtOraBlob || t == dtOraClob || t == dtBFile || t == dtCFile;
    if (!(lob || t == dtObject) || value.AttrIsNull(attribute.Name())) continue;
    if (lob) value.AttrAsLob(attribute.Name());
    else ReadCopyAgain(*value.AttrAsObject(attribute.Name()));
  }
}

}  // namespace

// In disconnected mode the session a copy was made on may end before the
// copy is used (the server's connection goes when no operation holds it),
// so the copy reads what it needs from the server while that session is
// there.
void* TOCIRecordSet::CopyValueInto(const TFieldDesc& field, void* from, TRecBuf rec) {
  const TDataType t = field.DataType();
  CreateComplexField(rec, field, true);
  void* to = GetSlot(rec, field);
  if (IsTimeStampType(t)) {
    static_cast<TOraTimeStamp*>(from)->AssignTo(*static_cast<TOraTimeStamp*>(to));
  } else if (IsIntervalType(t)) {
    static_cast<TOraInterval*>(from)->AssignTo(*static_cast<TOraInterval*>(to));
  } else if (t == dtObject || t == dtReference || IsCollectionType(t)) {
    auto* copy = static_cast<TOraObject*>(to);
    copy->Assign(*static_cast<TOraObject*>(from));
    TOCIConnection* connection = Connection();
    if (connection && connection->DisconnectedMode) ReadCopyAgain(*copy);
    // The copy holds the row's value: only what is written to it from now on counts.
    copy->SetModified(false);
  } else {
    static_cast<TOraNumber*>(from)->AssignTo(*static_cast<TOraNumber*>(to));
  }
  return to;
}

namespace {

// A search value of a date-time, interval or NUMBER field as a value object
// of the field's kind (a new one, released by the caller).
TSharedObject* MakeSearchValue(const void* value, TDataType value_type, TDataType field_type) {
  const bool text = value_type == dtString;
  if (IsTimeStampType(field_type)) {
    auto* stamp = new TOraTimeStamp(field_type);
    try {
      if (text) stamp->SetAsString(static_cast<const char*>(value));
      else if (value_type == dtDateTime) stamp->SetAsDateTime(classlib::LoadUnaligned<double>(value));
      else classlib::Assert(false, "OraClasses", __LINE__, "Unknown ValueType = " + std::to_string(value_type));
    } catch (...) {
      ReleaseShared(stamp);
      throw;
    }
    return stamp;
  }
  if (IsIntervalType(field_type)) {
    auto* interval = new TOraInterval(field_type);
    try {
      if (text) interval->SetAsString(static_cast<const char*>(value));
      else classlib::Assert(false, "OraClasses", __LINE__, "Unknown ValueType = " + std::to_string(value_type));
    } catch (...) {
      ReleaseShared(interval);
      throw;
    }
    return interval;
  }
  auto* number = new TOraNumber;
  try {
    switch (value_type) {
      case dtString: number->SetAsString(static_cast<const char*>(value)); break;
      case dtInt32: number->SetAsInteger(classlib::LoadUnaligned<int32_t>(value)); break;
      case dtInt64: number->SetAsLargeInt(classlib::LoadUnaligned<int64_t>(value)); break;
      case dtFloat: number->SetAsFloat(classlib::LoadUnaligned<double>(value)); break;
      default: classlib::Assert(false, "OraClasses", __LINE__, "Unknown ValueType = " + std::to_string(value_type));
    }
  } catch (...) {
    ReleaseShared(number);
    throw;
  }
  return number;
}

int CompareValueObjects(TDataType t, TSharedObject* a, TSharedObject* b) {
  int result;
  if (IsTimeStampType(t)) result = static_cast<TOraTimeStamp*>(a)->Compare(*static_cast<TOraTimeStamp*>(b));
  else if (IsIntervalType(t)) result = static_cast<TOraInterval*>(a)->Compare(*static_cast<TOraInterval*>(b));
  else result = static_cast<TOraNumber*>(a)->Compare(*static_cast<TOraNumber*>(b));
  return result < 0 ? -1 : result > 0 ? 1 : 0;
}

}  // namespace

int TOCIRecordSet::CompareFieldValue(const void* value, TDataType value_type, const TFieldDesc& field, TRecBuf rec,
                                     TCompareOptions options) {
  const TDataType t = field.DataType();
  if (field.HasParent() || !(IsTimeStampType(t) || IsIntervalType(t) || t == dtNumber))
    return TCRRecordSet::CompareFieldValue(value, value_type, field, rec, options);
  auto* stored = static_cast<TSharedObject*>(GetSlot(rec, field));
  classlib::Assert(stored != nullptr, "OraClasses", __LINE__);
  // A value object of the field's own kind is compared as it is.
  if (value_type == t) return CompareValueObjects(t, classlib::LoadUnaligned<TSharedObject*>(value), stored);
  TSharedObject* search = MakeSearchValue(value, value_type, t);
  try {
    const int result = CompareValueObjects(t, search, stored);
    ReleaseShared(search);
    return result;
  } catch (...) {
    ReleaseShared(search);
    throw;
  }
}

int TOCIRecordSet::CompareRecords(TRecBuf rec1, TRecBuf rec2, TCompareOptions options, const TFieldDesc& field) {
  const TDataType t = field.DataType();
  if (field.HasParent() || !(IsTimeStampType(t) || IsIntervalType(t) || t == dtNumber))
    return TCRRecordSet::CompareRecords(rec1, rec2, options, field);
  const bool null1 = GetNull(field.FieldNo(), rec1);
  const bool null2 = GetNull(field.FieldNo(), rec2);
  if (null1 || null2) return null1 == null2 ? 0 : (null1 ? -1 : 1);
  return CompareValueObjects(t, static_cast<TSharedObject*>(GetSlot(rec1, field)),
                             static_cast<TSharedObject*>(GetSlot(rec2, field)));
}

}  // namespace oracle
