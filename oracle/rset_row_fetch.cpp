// Fetching one row at a time: for a scrollable cursor, whose record set
// holds a window of at most FetchRows rows and moves it back and forth, and
// for the light client, which fetches no blocks. LONG columns of such a row
// are read through the piece calls: the fetch asks for each piece, the
// record set hands it a new piece of the row's blob and fetches again.
#include <algorithm>
#include <cstring>

#include "classlib/exceptions.h"
#include "oracle/call_entries_fetch.h"
#include "oracle/call_entries_statements.h"
#include "oracle/call_state.h"
#include "oracle/conn_oci_connection.h"
#include "oracle/cursor_ora_cursor.h"
#include "oracle/rset_oci_record_set.h"

namespace oracle {

using namespace dacore;

bool TOCIRecordSet::RowByRow() const { return row_by_row_ || OCILite; }

bool TOCIRecordSet::Scrollable() { return Command().GetCursor()->Scrollable; }

// ---- One row ----------------------------------------------------------------------

bool TOCIRecordSet::RowFetch(TRowMove move) {
  TOCICommand& command = Command();
  TCommandLock command_lock(command);
  if (command.GetCursorState() < csBound) return false;
  if (!planned_) PlanColumns();
  const bool scrollable = Scrollable();
  ub2 orientation = OCI_FETCH_NEXT;
  sb4 offset = 0;
  if (scrollable) {
    if (move == TRowMove::kBackward && window_first_ <= 0) return false;
    if (move == TRowMove::kForward && end_row_ >= 0 && window_end_ >= end_row_) return false;
    orientation = move == TRowMove::kLast ? OCI_FETCH_LAST : OCI_FETCH_ABSOLUTE;
    // Absolute positions count from 1.
    offset = move == TRowMove::kBackward ? window_first_ : move == TRowMove::kForward ? window_end_ + 1 : 0;
    if (move == TRowMove::kLast) {
      std::lock_guard<TRowsLock> rows(RowsLock());
      DropWindow();
    }
  } else if (UniDirectional) {
    std::lock_guard<TRowsLock> rows(RowsLock());
    DropRows();
  }
  if (buffer_row_size_ > 0 && fetch_buffer_.size() < buffer_row_size_) fetch_buffer_.assign(buffer_row_size_, 0);
  ItemHeader* item = nullptr;
  {
    std::lock_guard<TRowsLock> rows(RowsLock());
    item = block_man_.AllocItem();
  }
  TRecBuf rec = ItemRecord(item);
  ub4 received = 0;
  try {
    std::memset(rec, 0, static_cast<size_t>(RecordSize()));
    if (HasComplexFields()) {
      CreateComplexFields(rec, true);
      if (buffer_row_size_ > 0) PrepareBufferRow(rec, fetch_buffer_.data());
    }
    DefineColumns(item, 0);
    sword status = OCI_SUCCESS;
    received = command.InternalFetch(1, orientation, offset, status);
    if (status == OCI_NEED_DATA) received += ReadPieces(rec, orientation, offset, status);
    if (received > 0) FinishRow(rec, fetch_buffer_.data());
  } catch (...) {
    ReleaseItems(item, 0, 0, 1);
    throw;
  }
  if (received == 0) ReleaseItems(item, 0, 0, 1);
  bool placed = false;
  {
    std::lock_guard<TRowsLock> rows(RowsLock());
    placed = PlaceRow(move, received > 0 ? item : nullptr);
  }
  const uint8_t state = command.GetCursorState();
  if (state == csIdle || state == csCancelled) FreeFetchBuffer();
  if (!placed) command.RaiseFetchFailure();  // else the next fetch raises it
  return placed;
}

// Links a fetched row into the list (nil: none came). A scrollable
// cursor's rows are numbered by their place in the result, so that record
// numbers and bookmarks survive the window's moves.
bool TOCIRecordSet::PlaceRow(TRowMove move, ItemHeader* item) {
  if (!Scrollable()) {
    if (!item) {
      SetFetchDone(true);
      return false;
    }
    AppendFilledItems(item, 0, 1);
    return true;
  }
  if (move == TRowMove::kLast) end_row_ = static_cast<int>(Command().FetchedRows);
  if (!item) {
    if (move == TRowMove::kForward) end_row_ = window_end_;
    if (move == TRowMove::kLast) window_first_ = window_end_ = end_row_ < 0 ? 0 : end_row_;
    record_count_ = std::max(record_count_, end_row_ < 0 ? window_end_ : end_row_);
    return false;
  }
  // A full window gives up the row at its far end.
  if (RowsHeld() >= WindowCapacity()) DropWindowItem(move == TRowMove::kBackward ? last_item_ : first_item_);
  int row = 0;
  switch (move) {
    case TRowMove::kForward:
      row = window_end_++;
      LinkBefore(item, nullptr);
      break;
    case TRowMove::kBackward:
      row = --window_first_;
      LinkBefore(item, first_item_);
      break;
    case TRowMove::kLast:
      row = end_row_ - 1;
      window_first_ = row, window_end_ = end_row_;
      LinkBefore(item, nullptr);
      break;
  }
  order_base_ = 0;
  item->order = row + 1;
  record_count_ = std::max(record_count_, end_row_ < 0 ? window_end_ : end_row_);
  record_no_cache_.clear();
  return true;
}

// The pieces of the row's LONG columns, as the fetch asks for them. A
// piece's length is known once the next fetch call has returned; one that
// came back empty is dropped, one not filled is trimmed with the row.
ub4 TOCIRecordSet::ReadPieces(TRecBuf rec, ub2 orientation, sb4 offset, sword& status) {
  TOCICommand& command = Command();
  if (command.GetOCICallStyle() == kOci7) return ReadPiecesOci7(rec, status);
  TOCIConnection* connection = Connection();
  OCIError* error = connection->GetErrorHandle();
  ub4 received = 0;
  while (status == OCI_NEED_DATA) {
    void* handle = nullptr;
    ub4 handle_type = 0, iteration = 0, index = 0;
    ub1 in_out = 0, piece = 0;
    {
      TConnectionLock lock(*connection);
      command.Check(OCIStmtGetPieceInfo(command.GetCursor()->GetOCIStmt(), error, &handle, &handle_type, &in_out,
                                        &iteration, &index, &piece));
    }
    const TColumnPlan* column = ColumnOfDefine(static_cast<OCIDefine*>(handle));
    classlib::Assert(column != nullptr && column->kind == TDefineKind::kPieces, "OraClasses", __LINE__);
    PieceHeader* fresh = AppendLongPiece(rec, *column);
    piece_length_ = fresh->size;
    {
      TConnectionLock lock(*connection);
      command.Check(OCIStmtSetPieceInfo(handle, OCI_HTYPE_DEFINE, error, PieceData(fresh), &piece_length_, piece,
                                        IndicatorPtr(rec, column->field->FieldNo()), nullptr));
    }
    received += command.InternalFetch(1, orientation, offset, status);
    FinishLongPiece(rec, *column, fresh, piece_length_);
  }
  return received;
}

// ---- The window -------------------------------------------------------------------

void TOCIRecordSet::DropWindowItem(ItemHeader* item) {
  if (!item) return;
  if (current_item_ == item) current_item_ = item->next ? item->next : item->prev;
  if (item == first_item_) ++window_first_;
  else --window_end_;
  Unlink(item);
  FreeItemWithValues(item);
  record_no_cache_.clear();
}

void TOCIRecordSet::DropWindow() {
  while (ItemHeader* item = first_item_) {
    Unlink(item);
    FreeItemWithValues(item);
  }
  current_item_ = nullptr;
  window_first_ = window_end_;
  record_no_cache_.clear();
}

void TOCIRecordSet::ResetWindow() {
  window_first_ = window_end_ = 0;
  end_row_ = -1;
}

ItemHeader* TOCIRecordSet::ItemOfRow(int row) const {
  for (ItemHeader* item = first_item_; item; item = item->next)
    if (item->order == row + 1) return item;
  return nullptr;
}

bool TOCIRecordSet::CanFetchBack() { return Scrollable(); }

bool TOCIRecordSet::FetchBack() {
  if (!Scrollable()) return false;
  const uint8_t state = Command().GetCursorState();
  if (state == csIdle || state == csCancelled) return false;
  return RowFetch(TRowMove::kBackward);
}

// The window moves on the main thread only, so a move there first lets a
// background execute fetch its first row.
void TOCIRecordSet::WaitForFirstRow() {
  if (exec_thread_ && !InThread() && Scrollable()) exec_ended_.WaitFor();
}

void TOCIRecordSet::GetPriorRecord(TRecBuf rec) {
  WaitForFirstRow();
  TCRRecordSet::GetPriorRecord(rec);
}

void TOCIRecordSet::SetToBegin() {
  WaitForFirstRow();
  TCRRecordSet::SetToBegin();
  if (!Scrollable() || window_first_ == 0) return;
  // Fetched again from the first row on demand.
  DropWindow();
  window_first_ = window_end_ = 0;
}

void TOCIRecordSet::SetToEnd() {
  TInsideStep inside(inside_step_);  // the data set's Last reads the rows itself
  if (exec_thread_ && !InThread()) WaitForExecute();
  const uint8_t state = Command().GetCursorState();
  const bool open = state >= csExecuted && state != csCancelled;
  if (!Scrollable()) {
    if (open && IsFetching()) {
      FetchAll();
      WaitForFetchAll();
    }
  } else if (open && !(end_row_ >= 0 && window_end_ == end_row_)) {
    RowFetch(TRowMove::kLast);
  }
  TCRRecordSet::SetToEnd();
}

void TOCIRecordSet::SetToBookmark(const TRecBookmark& bookmark) {
  if (!Scrollable()) {
    TCRRecordSet::SetToBookmark(bookmark);
    return;
  }
  WaitForFirstRow();
  bof_ = eof_ = false;
  auto* item = static_cast<ItemHeader*>(bookmark.item);
  if (item && bookmark.refresh_stamp == refresh_stamp_ && block_man_.IsLiveItem(item, bookmark.serial) &&
      item->order == bookmark.record_no) {
    current_item_ = item;
    return;
  }
  const int target = bookmark.record_no - 1;
  if (target < 0) return;
  const int reach = WindowCapacity() / 2;
  if (RowsHeld() > 0 && target >= window_first_ - reach && target < window_end_ + reach) {
    while (target < window_first_ && RowFetch(TRowMove::kBackward)) {
    }
    while (target >= window_end_ && RowFetch(TRowMove::kForward)) {
    }
  } else {
    DropWindow();
    window_first_ = window_end_ = target;
    RowFetch(TRowMove::kForward);
  }
  current_item_ = ItemOfRow(target);
  if (!current_item_) eof_ = true;
}

}  // namespace oracle
