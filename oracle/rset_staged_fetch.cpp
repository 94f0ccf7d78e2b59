// Small blocks of plain rows go through a staging block: the columns are
// defined into it once, each block is fetched and finished there, and the
// rows it got are copied into a new block of the store's items. Defining a
// block costs the client about as much as copying a few hundred rows, so a
// block of few rows no longer pays it per fetch; large blocks are still
// fetched straight into their items. A plain row's heap texts go with it:
// the copy hands each text's heap buffer over to the item.
#include <algorithm>
#include <cstring>

#include "classlib/unaligned.h"
#include "oracle/call_entries_fetch.h"
#include "oracle/call_state.h"
#include "oracle/rset_oci_record_set.h"

namespace oracle {

using namespace dacore;

namespace {

// Blocks of at most this many rows are staged.
constexpr int kStagedBlockRows = 256;

}  // namespace

bool TOCIRecordSet::StagesBlock(int rows) {
  // A plain row's only complex values are its heap texts.
  return plain_rows_ && rows <= kStagedBlockRows && Command().GetOCICallStyle() == kOci8;
}

// The staging rows are laid out as items are (the same stride, the record
// after an unused header), so that the defines and the finishing of a
// block serve both.
ub4 TOCIRecordSet::FetchIntoStaging(uint16_t rows) {
  const size_t stride = block_man_.ItemStride();
  if (staging_.size() != stride * rows) {
    staging_.assign(stride * rows, 0);
    staged_defines_ = nullptr;
  }
  auto* first = reinterpret_cast<ItemHeader*>(staging_.data());
  if (staged_defines_ != staging_.data()) {
    DefineColumns(first, stride);
    staged_defines_ = staging_.data();
  }
  // The last block's texts went with its rows: every heap-text slot starts
  // empty, so that a null keeps it so and a failed block frees only the
  // texts it made.
  ClearStagedTexts(rows, false);
  ub4 received = 0;
  try {
    sword status = OCI_SUCCESS;
    received = std::min<ub4>(Command().InternalFetch(rows, OCI_FETCH_NEXT, 0, status), rows);
    FinishRows(first, stride, received);
  } catch (...) {
    ClearStagedTexts(rows, true);
    throw;
  }
  return received;
}

void TOCIRecordSet::ClearStagedTexts(uint16_t rows, bool free_texts) {
  if (heap_texts_.empty()) return;
  const size_t stride = block_man_.ItemStride();
  uint8_t* record = ItemRecord(reinterpret_cast<ItemHeader*>(staging_.data()));
  for (uint16_t i = 0; i < rows; ++i, record += stride) {
    for (const THeapTextStep& step : heap_texts_) {
      if (free_texts) StringHeap().DisposeBuf(classlib::LoadUnaligned<void*>(record + step.offset));
      classlib::StoreUnaligned<void*>(record + step.offset, nullptr);
    }
  }
}

// The staged rows into a new block of items, appended to the rows.
void TOCIRecordSet::TakeStagedRows(ub4 count) {
  if (count == 0) return;
  ItemHeader* first = nullptr;
  try {
    std::lock_guard<TRowsLock> rows_guard(RowsLock());
    first = block_man_.AllocItemsBlock(static_cast<uint16_t>(count));
  } catch (...) {
    ClearStagedTexts(static_cast<uint16_t>(count), true);  // no item took them
    throw;
  }
  const size_t stride = block_man_.ItemStride();
  const auto record_size = static_cast<size_t>(RecordSize());
  uint8_t* to = ItemRecord(first);
  const uint8_t* from = ItemRecord(reinterpret_cast<ItemHeader*>(staging_.data()));
  for (ub4 i = 0; i < count; ++i, to += stride, from += stride) std::memcpy(to, from, record_size);
  std::lock_guard<TRowsLock> rows_guard(RowsLock());
  AppendFilledItems(first, stride, static_cast<int>(count));
}

}  // namespace oracle
