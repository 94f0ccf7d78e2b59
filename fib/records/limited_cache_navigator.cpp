// Moving the window of a limited data set: steps, the two ends, refills.
#include "fib/records/limited_cache_navigator.h"

#include <exception>

#include "fib/statements/fib_base_params.h"
#include "fib/statements/fib_query.h"

namespace fib {

namespace {

bool IsEmptyWindow(int first, int last) { return first < 0 || last < first; }

}  // namespace

TLimitedCacheNavigator::TLimitedCacheNavigator(ILimitedCacheHost& host, LimitedCacheCursor cursor,
                                               LimitedCacheStatements statements,
                                               int buffer_chunks)
    : host_(host),
      statements_(statements),
      chunks_(buffer_chunks > 0 ? buffer_chunks : 32),
      first_(cursor.window.FirstIndex),
      last_(cursor.window.LastIndex),
      at_start_(cursor.window.AtStart),
      at_end_(cursor.window.AtEnd),
      feeder_(cursor.window.Statement),
      current_(cursor.current),
      record_count_(cursor.record_count) {}

void TLimitedCacheNavigator::Reset() {
  first_ = -1;
  last_ = -1;
  at_start_ = true;
  at_end_ = false;
  current_ = -1;
  record_count_ = 0;
  feeder_ = statements_.select;
}

// ---- steps ----------------------------------------------------------------

WindowStep TLimitedCacheNavigator::Next() {
  const bool empty = IsEmptyWindow(first_, last_);
  if (!empty && first_ - 1 <= current_ && current_ < last_) {
    ++current_;
    return WindowStep::kOK;
  }
  if (IsForward(feeder_, statements_)) {
    // A statement already at its end leaves the cursor where it is: after
    // a refill that ended at the last row (a delete of it) the cursor
    // stands after the last record, and a step back must reach that one.
    if (feeder_->Eof()) {
      at_end_ = true;
      return WindowStep::kEOF;
    }
    if (!feeder_->Next()) {
      // Never further than just after the last record.
      if (current_ > -1 && current_ <= last_) ++current_;
      at_end_ = true;
      return WindowStep::kEOF;
    }
    EnterAfter();
    record_count_ = last_ - first_ + 1;
    return WindowStep::kOK;
  }
  if (at_end_ || empty) return WindowStep::kEOF;
  Reopen(*statements_.part, host_.RecordValues(last_));
  feeder_ = statements_.part;
  if (!feeder_->Next()) {
    at_end_ = true;
    return WindowStep::kEOF;
  }
  EnterAfter();
  return WindowStep::kOK;
}

WindowStep TLimitedCacheNavigator::Prior() {
  const bool empty = IsEmptyWindow(first_, last_);
  if (!empty && first_ < current_ && current_ <= last_ + 1) {
    --current_;
    return WindowStep::kOK;
  }
  if (current_ == -1 || (empty && current_ <= first_)) {
    at_start_ = true;
    return WindowStep::kBOF;
  }
  if (current_ != first_) return WindowStep::kError;
  if (IsForward(feeder_, statements_)) {
    if (at_start_) return WindowStep::kBOF;
    Reopen(*statements_.part_desc, host_.RecordValues(first_));
    feeder_ = statements_.part_desc;
    if (!feeder_->Next()) {
      at_start_ = true;
      return WindowStep::kBOF;
    }
  } else if (!feeder_->Next()) {
    --current_;
    at_start_ = true;
    return WindowStep::kBOF;
  }
  EnterBefore();
  return WindowStep::kOK;
}

// The fetched row follows the window's last record whatever the cursor says,
// so no record of the window is overwritten out of turn. A full window gives
// up its first record, whose ring position the new one takes.
void TLimitedCacheNavigator::EnterAfter() {
  current_ = IsEmptyWindow(first_, last_) ? current_ + 1 : last_ + 1;
  if (first_ < 0) {
    first_ = current_;
  } else if (last_ - first_ >= chunks_ - 1) {
    ++first_;
    at_start_ = false;
  }
  last_ = current_;
  Store(current_);
}

// The fetched row comes before the window's first record. Only a full window
// gives up its last record; a window with room keeps it.
void TLimitedCacheNavigator::EnterBefore() {
  current_ = first_ - 1;
  if (current_ == -1) Shift();
  if (last_ - first_ >= chunks_ - 1) {
    --last_;
    at_end_ = false;
  }
  first_ = current_;
  Store(current_);
}

WindowStep TLimitedCacheNavigator::AtCursor() const {
  if (IsEmptyWindow(first_, last_) || current_ < first_)
    return at_start_ ? WindowStep::kBOF : WindowStep::kError;
  if (current_ > last_) return at_end_ ? WindowStep::kEOF : WindowStep::kError;
  return WindowStep::kOK;
}

// ---- the ends -------------------------------------------------------------

void TLimitedCacheNavigator::GoFirst() {
  if (feeder_ == statements_.select && first_ <= 0) {
    current_ = -1;
    return;
  }
  feeder_->Close();
  Execute(*statements_.select);
  Reset();
}

void TLimitedCacheNavigator::GoLast(bool inserting) {
  if (inserting || at_end_) {
    current_ = last_ + 1;
    return;
  }
  feeder_->Close();
  feeder_ = statements_.desc;
  Execute(*feeder_);
  first_ = kLastStart;
  last_ = first_ - 1;
  current_ = last_;
  record_count_ = 0;
  // The descending statement reads from the last record on, so the window
  // ends at the data's end whatever was read.
  auto close_window = [this] {
    current_ = last_ + 1;
    record_count_ = last_ - first_ + 1;
    at_start_ = false;
    at_end_ = true;
  };
  try {
    while (feeder_->Next()) {
      Store(current_);
      --current_;
      --first_;
      if (last_ - first_ >= chunks_ - 1) break;
    }
  } catch (...) {
    // A fetch that fails is reported, as the full data set reports it; the
    // rows read stay in the window.
    close_window();
    throw;
  }
  close_window();
}

// ---- refilling ------------------------------------------------------------

bool TLimitedCacheNavigator::FillAround(TFIBQuery& statement, int& target, bool give_up,
                                     bool execute) {
  bool found;
  if (execute) {
    Execute(statement);
    found = statement.Next();
  } else {
    found = statement.RecordCount() > 0;
  }
  if (!found && give_up) return false;
  const int half = chunks_ / 2;
  if (target < half) target = half;
  shifts_ = 0;
  ISQLObject* source = &host_.CurrentValues();
  if (found) {
    host_.StoreRow(statement, target);
    first_ = target;
    last_ = target;
    source = &statement;
  }
  at_start_ = false;
  at_end_ = false;
  Reopen(*statements_.part_desc, *source);
  Reopen(*statements_.part, *source);
  if (!found) {
    first_ = -1;
    last_ = -1;
  }
  Fill(*statements_.part_desc, target, half, true);
  if (!found) --target;
  Fill(*statements_.part, target, chunks_ - (last_ - first_ + 2), false);
  const int more = chunks_ - (last_ - first_ + 2);
  if (more > 0 && !at_start_) Fill(*statements_.part_desc, first_, more, true);
  statements_.part_desc->Close();
  target += shifts_ * chunks_;
  if (found)
    current_ = target;
  else
    current_ = IsEmptyWindow(first_, last_) ? -1 : target + 1;
  feeder_ = statements_.part;
  statement.Close();
  return found;
}

void TLimitedCacheNavigator::Fill(TFIBQuery& statement, int from, int limit, bool backward) {
  int index = from;
  for (int n = 0; n < limit; ++n) {
    if (!statement.Next()) {
      (backward ? at_start_ : at_end_) = true;
      return;
    }
    index += backward ? -1 : 1;
    if (index == -1) {
      Shift();
      index += chunks_;
    }
    host_.StoreRow(statement, index);
    if (backward) {
      first_ = index;
      if (last_ < 0) last_ = index;
    } else {
      last_ = index;
      if (first_ < 0) first_ = index;
    }
  }
}

void TLimitedCacheNavigator::Shift() {
  current_ += chunks_;
  if (first_ >= 0) first_ += chunks_;
  if (last_ >= 0) last_ += chunks_;
  host_.ShiftBufferIndexes(chunks_);
  ++shifts_;
}

// ---- statements -----------------------------------------------------------

void TLimitedCacheNavigator::Execute(TFIBQuery& statement) {
  statement.Close();
  TFIBQuery& select = *statements_.select;
  if (&statement != &select) {
    for (int i = 0; i < select.ParamCount(); ++i) {
      int index = 0;
      if (statement.ParamExist(select.ParamName(i), index))
        statement.SetParamValue(index, select.ParamValue(i));
    }
  }
  // The window fetches every row itself. The statement may be the data
  // set's own (the refresh statement): it keeps its setting for its other
  // work, or a later refresh of one record would read a row never fetched.
  const bool go_to_first = statement.GoToFirstRecordOnExecute();
  statement.SetGoToFirstRecordOnExecute(false);
  try {
    statement.ExecQuery();
  } catch (...) {
    statement.SetGoToFirstRecordOnExecute(go_to_first);
    throw;
  }
  statement.SetGoToFirstRecordOnExecute(go_to_first);
}

void TLimitedCacheNavigator::Reopen(TFIBQuery& statement, ISQLObject& source) {
  statement.Close();
  ISQLObject* sources[] = {&source};
  AssignSQLObjectParams(statement, sources);
  Execute(statement);
}

}  // namespace fib
