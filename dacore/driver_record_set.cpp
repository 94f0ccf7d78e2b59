// TCRRecordSet: execution, fetch on demand and properties.
#include "dacore/driver_record_set.h"

#include <cstring>

#include "classlib/exceptions.h"

namespace dacore {

TCRRecordSet::TCRRecordSet() = default;

// The store closes before the command goes, while the overrides still exist.
TCRRecordSet::~TCRRecordSet() {
  Close();
  TData::UnPrepare();
}

TCRCommand* TCRRecordSet::GetCommand() {
  if (!command_) TCRRecordSet::SetCommand(CreateCommand());
  return command_.get();
}

// The connection flag is the command's connection's ConvertEOL: text reads
// follow it through the command, whatever connection it gets.
void TCRRecordSet::SetCommand(std::unique_ptr<TCRCommand> value) {
  command_ = std::move(value);
  SetConnectionFlagSource(command_ ? command_->ConvertEOLSource() : nullptr);
}

TCRTablesInfo& TCRRecordSet::TablesInfo() {
  if (!tables_info_) tables_info_ = std::make_unique<TCRTablesInfo>(GetTableInfoClass());
  return *tables_info_;
}

bool TCRRecordSet::GetConnectionFlag() {
  TCRConnection* connection = GetCommand()->GetConnection();
  return connection && connection->ConvertEOL;
}

// ---- Life cycle --------------------------------------------------------------

void TCRRecordSet::Prepare() {
  if (Prepared()) return;
  TMemData::Prepare();
  if (!IsFetching()) return;
  try {
    DescribeFields();
  } catch (...) {
    TData::UnPrepare();
    throw;
  }
}

// The next statement may be of another kind: it is learnt again.
void TCRRecordSet::UnPrepare() {
  TMemData::UnPrepare();
  command_type_ = ctUnknown;
  if (tables_info_) tables_info_->Clear();
}

void TCRRecordSet::InternalOpen() {
  TMemData::InternalOpen();
  eof_ = false;
  ExecCommand();
}

void TCRRecordSet::FreeResult() {
  InternalUnPrepare();
  SetPrepared(false);
}

void TCRRecordSet::InternalExecute() {
  GetCommand()->Execute(1);
  fetch_done_ = false;
}

// Fields described at prepare serve unless the statement only now turned
// out to return rows, a setting that shapes them changed, or the driver
// wants them described again.
void TCRRecordSet::ExecCommand() {
  const uint8_t kind_before = command_type_;
  InternalExecute();
  if (!IsFetching()) return;
  if (kind_before != ctCursor || fields_out_of_date_ || NeedInitFieldsAfterExecute()) DescribeFields();
  if (FetchAllRows) FetchAll();
  else Fetch();
}

void TCRRecordSet::FetchAll() {
  while (Fetch()) {
  }
}

bool TCRRecordSet::IsCommandIdle() {
  CLASSLIB_ASSERT(command_ != nullptr);
  const uint8_t state = command_->GetCursorState();
  return state == csIdle || state == csFinished;
}

void TCRRecordSet::DoBeforeFetch(bool& cancel) {
  cancel = fetch_done_;
  if (OnBeforeFetch) OnBeforeFetch(cancel);
  if (cancel && GetCommand()->GetCursorState() == csFetching) GetCommand()->SetCursorState(csFetchingPaused);
}

void TCRRecordSet::DoAfterFetch() {
  if (OnAfterFetch) OnAfterFetch();
}

void TCRRecordSet::ClearCache() {
  const bool eof = eof_;
  TMemData::ClearCache();
  eof_ = eof;
}

void TCRRecordSet::SortItems() {
  if (SortFetchesAll()) FetchAll();
  TMemData::SortItems();
}

bool TCRRecordSet::SortFetchesAll() {
  if (first_cache_) return true;
  return HasSortColumns() && !UniDirectional && !CanFetchBack();
}

// ---- Fetch on demand ---------------------------------------------------------

void TCRRecordSet::GetNextRecord(TRecBuf rec) {
  if (!StepToHeldNext(rec)) StepOrFetch(rec);
}

// Rows a background fetch left pending are tested before the walk reads
// them, those held and those a wait for the fetch brings.
void TCRRecordSet::StepOrFetch(TRecBuf rec) {
  if (eof_) return;
  if (!first_item_ && !Fetch()) {
    eof_ = true;
    current_item_ = nullptr;
    return;
  }
  SettlePendingRows();
  ItemHeader* it = bof_ || !current_item_ ? first_item_ : current_item_->next;
  for (;;) {
    while (it && IsHidden(it)) it = it->next;
    if (it) break;
    ItemHeader* last = last_item_;
    const bool fetched = Fetch();
    SettlePendingRows();
    if (!fetched) {
      eof_ = true;
      bof_ = false;
      current_item_ = nullptr;
      return;
    }
    it = !last || UniDirectional ? first_item_ : last->next;
  }
  bof_ = eof_ = false;
  current_item_ = it;
  if (rec) std::memcpy(rec, ItemRecord(it), record_size_);
}

void TCRRecordSet::GetPriorRecord(TRecBuf rec) {
  if (UniDirectional) {
    TRowsGuard rows(*this);
    bof_ = true;
    current_item_ = nullptr;
    return;
  }
  if (!CanFetchBack()) {
    TMemData::GetPriorRecord(rec);
    return;
  }
  if (bof_) return;
  if (!last_item_ && !FetchBack()) {
    bof_ = true;
    current_item_ = nullptr;
    return;
  }
  ItemHeader* it = eof_ || !current_item_ ? last_item_ : current_item_->prev;
  for (;;) {
    while (it && IsHidden(it)) it = it->prev;
    if (it) break;
    ItemHeader* first = first_item_;
    if (!FetchBack()) {
      bof_ = true;
      eof_ = false;
      current_item_ = nullptr;
      return;
    }
    it = first ? first->prev : last_item_;
  }
  bof_ = eof_ = false;
  current_item_ = it;
  if (rec) std::memcpy(rec, ItemRecord(it), record_size_);
}

void TCRRecordSet::SetRecordNo(int value) {
  if (!UniDirectional) {
    TMemData::SetRecordNo(value);
    return;
  }
  TRowsGuard rows(*this);
  for (ItemHeader* it = first_item_; it; it = it->next) {
    if (IsHidden(it) || RecordNoOf(it) != value) continue;
    current_item_ = it;
    bof_ = eof_ = false;
    return;
  }
}

// ---- Properties --------------------------------------------------------------

bool TCRRecordSet::SetProp(int prop, const classlib::Variant& value) {
  switch (prop) {
    case prUniDirectional: UniDirectional = value.AsBoolean(); return true;
    case prFetchRows: FetchRows = value.AsInteger(); return true;
    case prFetchAll: FetchAllRows = value.AsBoolean(); return true;
    case prLongStrings: LongStrings = value.AsBoolean(); return true;
    case prRecordSetProp26: Prop26 = value.AsBoolean(); return true;
    case prFlatBuffers: FlatBuffers = value.AsBoolean(); return true;
    case prSortFields: SetSortFields(value.AsString()); return true;
    case prRecordSetProp30: GetCommand()->RecordSetFlag = static_cast<uint8_t>(value.AsInteger()); return true;
    default: UnknownProperty(__FILE__, __LINE__, prop);
  }
}

bool TCRRecordSet::GetProp(int prop, classlib::Variant& value) {
  if (prop != prFetchAll) UnknownProperty(__FILE__, __LINE__, prop);
  value = FetchAllRows;
  return true;
}

}  // namespace dacore
