#include "testing/dataset_sequence_model.h"

#include <algorithm>
#include <sstream>
#include <stdexcept>
#include <utility>

namespace sequences {

namespace {

// The operation kinds.
const std::vector<std::string>& Kinds() {
  static const std::vector<std::string> kinds = {
      "edit_post", "edit_cancel", "append_post", "insert_post", "delete", "refresh", "refresh_record",
      "reopen", "locate_key", "locate_value", "lookup", "lookup_value", "filter", "index", "cached", "apply", "commit",
      "cancel_updates", "revert", "blob_stream", "refused_post", "other_update", "other_insert",
      "other_delete", "refresh_options", "detail"};
  return kinds;
}

// Comparison as the model sorts: NULL first, then by number or byte order.
int CompareCells(const Cell& a, const Cell& b, bool numeric) {
  if (!a || !b) return a ? 1 : (b ? -1 : 0);
  if (numeric) {
    const double x = std::stod(*a), y = std::stod(*b);
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  return a->compare(*b) < 0 ? -1 : (a->compare(*b) > 0 ? 1 : 0);
}

std::string CellText(const Cell& cell) {
  if (!cell) return "NULL";
  return cell->size() > 24 ? cell->substr(0, 24) + "...(" + std::to_string(cell->size()) + ")" : *cell;
}

bool Contains(const std::vector<int>& ids, int id) { return std::find(ids.begin(), ids.end(), id) != ids.end(); }

}  // namespace

int FirstRowValue(int id, int column) { return (id * (column + 2)) % (kValues + 1); }

DataSetModel::DataSetModel(ModelTable table) : table_(std::move(table)) {}

void DataSetModel::Reset(const std::vector<ModelRow>& first_rows) {
  server_.clear();
  for (const ModelRow& row : first_rows) server_[row.id] = ServerAfterWrite(row, true);
  next_id_ = kFirstRows + 1;
  filter_mode_ = 0;
  index_mode_ = 0;
  detail_mode_ = 0;
  cached_ = false;
  refresh_after_post_ = false;
  current_open_ = false;
  answer_.clear();
  ReadAll();
}

// ---- The rows

// The stamp the server's triggers write: "n" and I on insert, "u" and I
// when an update changes I.
ModelRow DataSetModel::ServerAfterWrite(ModelRow row, bool insert) const {
  const auto found = server_.find(row.id);
  const Cell old_i = insert || found == server_.end() ? Cell() : found->second.cells[kColumnI];
  if (insert)
    row.stamp = "n" + row.cells[kColumnI].value_or("-");
  else if (row.cells[kColumnI] != old_i)
    row.stamp = "u" + row.cells[kColumnI].value_or("-");
  else
    row.stamp = found->second.stamp;
  return row;
}

bool DataSetModel::Passes(const HeldRow& row) const {
  if (row.status == HeldRow::kDeleted) return false;
  switch (filter_mode_) {
    case 1: return row.shown.cells[kColumnI] && std::stoi(*row.shown.cells[kColumnI]) > 40;
    case 2: return row.shown.id % 2 == 1;
    default: return true;
  }
}

std::vector<int> DataSetModel::VisibleIds() const {
  std::vector<int> ids;
  for (const HeldRow& row : held_)
    if (Passes(row)) ids.push_back(row.shown.id);
  return ids;
}

std::vector<int> DataSetModel::HeldIds() const {
  std::vector<int> ids;
  for (const HeldRow& row : held_) ids.push_back(row.shown.id);
  return ids;
}

// A local sort orders the store itself: clearing it leaves the rows in the
// sorted order (IDs break ties, so the order is one).
void DataSetModel::SortHeld() {
  if (index_mode_ == 1) {
    std::stable_sort(held_.begin(), held_.end(), [](const HeldRow& a, const HeldRow& b) {
      const int c = CompareCells(a.shown.cells[kColumnI], b.shown.cells[kColumnI], true);
      return c != 0 ? c < 0 : a.shown.id < b.shown.id;
    });
  } else if (index_mode_ == 2) {
    std::stable_sort(held_.begin(), held_.end(), [](const HeldRow& a, const HeldRow& b) {
      const int c = CompareCells(a.shown.cells[kColumnS], b.shown.cells[kColumnS], false);
      return c != 0 ? c > 0 : a.shown.id < b.shown.id;
    });
  }
}

HeldRow* DataSetModel::Held(int id) {
  for (HeldRow& row : held_)
    if (row.shown.id == id) return &row;
  return nullptr;
}

const HeldRow* DataSetModel::Held(int id) const { return const_cast<DataSetModel*>(this)->Held(id); }

int DataSetModel::IdAt(int pos) const {
  const std::vector<int> ids = VisibleIds();
  return ids.empty() ? -1 : ids[static_cast<size_t>(pos) % ids.size()];
}

bool DataSetModel::PendingUpdates() const {
  return std::any_of(held_.begin(), held_.end(), [](const HeldRow& r) { return r.status != HeldRow::kUnmodified; });
}

// ---- The current record

void DataSetModel::ReadAll() {
  held_.clear();
  for (const auto& [id, row] : server_) {
    HeldRow held;
    held.shown = held.original = row;
    held_.push_back(held);
  }
  SortHeld();
  applied_pending_ = false;
  const std::vector<int> ids = VisibleIds();
  current_ = ids.empty() ? std::nullopt : std::optional<int>(ids.front());
}

void DataSetModel::KeepCurrentOrFirst() {
  const std::vector<int> ids = VisibleIds();
  if (current_ && Contains(ids, *current_)) return;
  current_ = ids.empty() ? std::nullopt : std::optional<int>(ids.front());
}

// The current record left the rows shown (removed, or hidden by the filter):
// the cursor takes the first shown record that came after it in `order`,
// or the last one shown.
void DataSetModel::CurrentAfterRemoval(const std::vector<int>& order, int removed) {
  const std::vector<int> shown = VisibleIds();
  if (Contains(shown, removed)) {
    current_ = removed;
    return;
  }
  if (shown.empty()) {
    current_.reset();
    return;
  }
  const auto at = std::find(order.begin(), order.end(), removed);
  for (auto next = at == order.end() ? order.end() : at + 1; next != order.end(); ++next)
    if (Contains(shown, *next)) {
      current_ = *next;
      return;
    }
  current_ = shown.back();
}

void DataSetModel::KeepCurrentOrNeighbour() {
  if (!current_) {
    KeepCurrentOrFirst();
    return;
  }
  CurrentAfterRemoval(HeldIds(), *current_);
}

// ---- Cached updates

void DataSetModel::ApplyPending() {
  for (HeldRow& row : held_) {
    if (row.status == HeldRow::kUnmodified) continue;
    const int id = row.shown.id;
    if (row.status == HeldRow::kDeleted) {
      server_.erase(id);
    } else if (row.status == HeldRow::kInserted) {
      server_[id] = ServerAfterWrite(row.shown, true);
    } else if (row.shown.cells != row.original.cells) {
      // Only the columns this record changed go to the server.
      ModelRow written = server_[id];
      for (int c = 0; c < Columns(); ++c)
        if (row.shown.cells[c] != row.original.cells[c]) written.cells[c] = row.shown.cells[c];
      server_[id] = ServerAfterWrite(written, false);
    } else {
      // Edits that left every value as it was send no statement, so
      // nothing is read back either (as a post outside cached updates).
      continue;
    }
    if (refresh_after_post_ && row.status != HeldRow::kDeleted) row.shown = server_[id];
  }
  // An apply that succeeds leaves nothing pending: CommitUpdates has no more to do.
  std::vector<HeldRow> kept;
  for (HeldRow& row : held_) {
    if (row.status == HeldRow::kDeleted) continue;
    row.status = HeldRow::kUnmodified;
    row.original = row.shown;
    kept.push_back(row);
  }
  held_ = kept;
}

// ---- Generating

Operation DataSetModel::Candidate(Random& random) const {
  Operation op;
  op.kind = applied_pending_ && random.Percent(60) ? "commit" : random.Pick(Kinds());
  const int rows = static_cast<int>(VisibleIds().size()) + 1;
  const int column = random.Below(Columns());
  const int value = random.Percent(15) ? 0 : 1 + random.Below(kValues);
  const std::string& k = op.kind;
  if (k == "edit_post" || k == "edit_cancel") op.args = {random.Below(rows), column, value};
  else if (k == "append_post") op.args = {column, value};
  else if (k == "insert_post") op.args = {random.Below(rows), column, value};
  else if (k == "delete" || k == "refresh_record" || k == "revert") op.args = {random.Below(rows)};
  else if (k == "locate_key" || k == "lookup" || k == "other_delete") op.args = {1 + random.Below(next_id_)};
  else if (k == "locate_value" || k == "lookup_value") op.args = {random.Below(kValues + 1)};
  else if (k == "filter") op.args = {random.Below(3)};
  else if (k == "detail") op.args = {random.Below(4)};
  else if (k == "index") op.args = {random.Below(3)};
  else if (k == "cached" || k == "refresh_options") op.args = {random.Below(2)};
  else if (k == "blob_stream") op.args = {random.Below(rows), random.Percent(50) ? kColumnM : kColumnB, 1 + random.Below(kValues)};
  else if (k == "refused_post") op.args = {random.Below(rows), column, value, 1 + random.Below(kValues)};
  else if (k == "other_update") op.args = {1 + random.Below(next_id_), column, value};
  else if (k == "other_insert") op.args = {column, value};
  return op;
}

bool DataSetModel::Applicable(const Operation& op) const {
  const bool has_rows = !VisibleIds().empty();
  const std::string& k = op.kind;
  // Between ApplyUpdates and CommitUpdates only reading, the local view,
  // deleting and the other writer (the model does not follow edits of
  // applied records).
  if (applied_pending_ && k != "commit" && k != "locate_key" && k != "locate_value" && k != "lookup" && k != "lookup_value" &&
      k != "filter" && k != "index" && k != "other_insert" && k != "delete")
    return false;
  if (!has_rows && (k == "edit_post" || k == "edit_cancel" || k == "delete" || k == "blob_stream")) return false;
  if (k == "edit_post" || k == "edit_cancel" || k == "delete" || k == "blob_stream") return true;
  if (k == "insert_post") return true;
  if (k == "refresh") return !PendingUpdates();
  if (k == "refresh_record") {
    if (!has_rows) return false;
    const HeldRow* row = Held(IdAt(op.args[0]));
    return row->status == HeldRow::kUnmodified && server_.count(row->shown.id) > 0;
  }
  if (k == "apply" || k == "commit") {
    if (!cached_) return false;
    if (!PendingUpdates()) return k == "commit";
    // Every pending change meets its row on the server (the model does not
    // follow an apply that fails half-way).
    for (const HeldRow& row : held_) {
      if (row.status == HeldRow::kUnmodified) continue;
      const bool exists = server_.count(row.shown.id) > 0;
      if ((row.status == HeldRow::kInserted) == exists) return false;
    }
    return true;
  }
  if (k == "cancel_updates") return cached_;
  if (k == "revert") return cached_ && has_rows;
  if (k == "refused_post") return !cached_ && has_rows && op.args[1] != kColumnI;
  if (k == "other_update" || k == "other_delete") {
    // Rows the data set holds changes for are left alone (see apply).
    const HeldRow* row = Held(op.args[0]);
    return server_.count(op.args[0]) > 0 && (row == nullptr || row->status == HeldRow::kUnmodified);
  }
  return true;
}

// ---- The steps

bool DataSetModel::Step(const Operation& op) {
  const bool refused = ModelStep(op);
  SortHeld();
  return refused;
}

bool DataSetModel::ModelStep(const Operation& op) {
  const std::string& k = op.kind;
  const auto& a = op.args;
  answer_.clear();
  if (k == "edit_post" || k == "blob_stream" || k == "refused_post") return StepWrite(op);
  if (k == "edit_cancel") {
    current_ = IdAt(a[0]);
    return false;
  }
  if (k == "append_post" || k == "insert_post") return StepNewRecord(op);
  if (k == "delete") return StepDelete(op);
  if (k == "refresh") {
    const std::optional<int> keep = current_;
    ReadAll();
    current_ = keep;
    KeepCurrentOrFirst();
  } else if (k == "refresh_record") {
    const int id = IdAt(a[0]);
    current_ = id;
    HeldRow& row = *Held(id);
    row.shown = row.original = server_[id];
    SortHeld();
    KeepCurrentOrNeighbour();
  } else if (k == "reopen") {
    ReadAll();
  } else if (k == "cached") {
    cached_ = a[0] == 1;
    ReadAll();
  } else if (k == "locate_key" || k == "lookup" || k == "lookup_value" || k == "locate_value") {
    StepFind(op);
  } else if (k == "filter") {
    filter_mode_ = a[0];
    KeepCurrentOrFirst();
  } else if (k == "index") {
    index_mode_ = a[0];
    SortHeld();
    KeepCurrentOrNeighbour();
  } else if (k == "apply" || k == "commit") {
    // CommitUpdates applies what is still pending first.
    if (k == "apply" || PendingUpdates()) ApplyPending();
    applied_pending_ = k == "apply";
    SortHeld();
    KeepCurrentOrNeighbour();
  } else if (k == "cancel_updates") {
    StepCancelUpdates();
  } else if (k == "revert") {
    StepRevert(op);
  } else if (k == "other_update" || k == "other_insert" || k == "other_delete") {
    StepOtherWriter(op);
  } else if (k == "refresh_options") {
    refresh_after_post_ = a[0] == 1;
  } else if (k == "detail") {
    detail_mode_ = a[0];
  } else {
    throw std::logic_error("unknown operation " + k);
  }
  return false;
}

// An edit posted, a memo or blob written through a stream, or a post the
// CHECK constraint refuses followed by its corrected retry.
bool DataSetModel::StepWrite(const Operation& op) {
  const auto& a = op.args;
  const int id = IdAt(a[0]);
  HeldRow& row = *Held(id);
  current_ = id;
  ModelRow after = row.shown;
  after.cells[a[1]] = table_.written_cell(a[1], a[2]);
  // The refused post's corrected retry writes I too.
  if (op.kind == "refused_post") after.cells[kColumnI] = table_.value_cell(kColumnI, a[3]);
  if (cached_) {
    if (row.status == HeldRow::kUnmodified) row.status = HeldRow::kModified;
    row.shown = after;
  } else if (after.cells != row.shown.cells) {
    // Only the columns whose value the edit changed are written; an edit
    // that changed nothing writes (and refreshes) nothing.
    if (server_.count(id) == 0) return true;  // "Update failed. Found 0 records"
    ModelRow written = server_[id];
    for (int c = 0; c < Columns(); ++c)
      if (after.cells[c] != row.shown.cells[c]) written.cells[c] = after.cells[c];
    server_[id] = ServerAfterWrite(written, false);
    row.shown = row.original = after;
    if (refresh_after_post_) row.shown = row.original = server_[id];
  }
  SortHeld();
  KeepCurrentOrNeighbour();
  return false;
}

bool DataSetModel::StepNewRecord(const Operation& op) {
  const auto& a = op.args;
  const bool append = op.kind == "append_post";
  if (!append) current_ = IdAt(a[0]) < 0 ? std::nullopt : std::optional<int>(IdAt(a[0]));
  const int column = append ? a[0] : a[1];
  const int v = append ? a[1] : a[2];
  HeldRow row;
  row.shown.id = next_id_++;
  row.shown.cells[column] = table_.written_cell(column, v);
  row.original = row.shown;
  if (cached_) {
    row.status = HeldRow::kInserted;
  } else {
    server_[row.shown.id] = ServerAfterWrite(row.shown, true);
    if (refresh_after_post_) row.shown = row.original = server_[row.shown.id];
  }
  // Insert puts the record before the current one (first when none is
  // shown), Append at the end; a local sort then places it.
  auto at = held_.end();
  if (!append) {
    at = current_ ? std::find_if(held_.begin(), held_.end(), [&](const HeldRow& r) { return r.shown.id == *current_; })
                  : held_.begin();
  }
  held_.insert(at, row);
  current_ = row.shown.id;
  SortHeld();
  KeepCurrentOrNeighbour();
  return false;
}

bool DataSetModel::StepDelete(const Operation& op) {
  const std::vector<int> before = HeldIds();
  const int id = IdAt(op.args[0]);
  current_ = id;
  HeldRow& row = *Held(id);
  if (cached_) {
    if (row.status == HeldRow::kInserted)
      held_.erase(held_.begin() + (&row - held_.data()));
    else
      row.status = HeldRow::kDeleted;
  } else {
    if (server_.count(id) == 0) return true;  // "Delete failed. Found 0 records"
    server_.erase(id);
    held_.erase(held_.begin() + (&row - held_.data()));
  }
  CurrentAfterRemoval(before, id);
  return false;
}

// Locate and Lookup, by ID or by a value of I, among the records shown.
void DataSetModel::StepFind(const Operation& op) {
  const std::string& k = op.kind;
  const int wanted = op.args[0];
  if (k == "locate_key" || k == "lookup") {
    const bool found = Contains(VisibleIds(), wanted);
    if (k == "locate_key") {
      if (found) current_ = wanted;
      answer_ = found ? "found" : "not found";
    } else {
      answer_ = found ? CellText(Held(wanted)->shown.cells[kColumnI]) : "NULL";
      if (found && !Held(wanted)->shown.cells[kColumnI]) answer_ = "NULL";
    }
    return;
  }
  const bool locate = k == "locate_value";
  answer_ = locate ? "not found" : "NULL";
  if (wanted == 0) return;  // NULL: not searched
  for (int id : VisibleIds())
    if (Held(id)->shown.cells[kColumnI] == table_.value_cell(kColumnI, wanted)) {
      if (locate) current_ = id;
      answer_ = locate ? "found " + std::to_string(id) : std::to_string(id);
      break;
    }
}

void DataSetModel::StepCancelUpdates() {
  const std::vector<int> before = HeldIds();
  std::vector<HeldRow> kept;
  for (HeldRow& row : held_) {
    if (row.status == HeldRow::kInserted) continue;
    row.shown = row.original;
    row.status = HeldRow::kUnmodified;
    kept.push_back(row);
  }
  held_ = kept;
  SortHeld();
  // Where the cursor goes is left open when its record was a new one that
  // the cancel removed, and when no record was shown (the store's cursor
  // then stands wherever the last search or step left it): the comparison
  // takes the component's place, which must be a record shown.
  if (!current_ || !Held(*current_)) current_open_ = true;
  // A record given back its values moves by the local order first: a
  // filter that hides it then gives way to the record after its new place.
  if (current_) CurrentAfterRemoval(Held(*current_) ? HeldIds() : before, *current_);
  else KeepCurrentOrFirst();
}

void DataSetModel::StepRevert(const Operation& op) {
  const std::vector<int> before = HeldIds();
  const int id = IdAt(op.args[0]);
  current_ = id;
  HeldRow& row = *Held(id);
  if (row.status == HeldRow::kInserted) {
    held_.erase(held_.begin() + (&row - held_.data()));
    CurrentAfterRemoval(before, id);
  } else {
    row.shown = row.original;
    row.status = HeldRow::kUnmodified;
    SortHeld();
    KeepCurrentOrNeighbour();
  }
}

// Another connection writes the server's rows behind the data set.
void DataSetModel::StepOtherWriter(const Operation& op) {
  const auto& a = op.args;
  if (op.kind == "other_update") {
    ModelRow written = server_[a[0]];
    written.cells[a[1]] = table_.value_cell(a[1], a[2]);
    server_[a[0]] = ServerAfterWrite(written, false);
  } else if (op.kind == "other_insert") {
    ModelRow row;
    row.id = next_id_++;
    row.cells[a[0]] = table_.value_cell(a[0], a[1]);
    server_[row.id] = ServerAfterWrite(row, true);
  } else {
    server_.erase(a[0]);
  }
}

// ---- Comparing

std::vector<int> DataSetModel::ExpectedDetailIds() const {
  std::vector<int> ids;
  if (!current_ || *current_ > kDetailParents) return ids;
  for (int j = 1; j <= *current_ % 3; ++j) ids.push_back(*current_ * 10 + j);
  return ids;
}

std::string DataSetModel::RowText(const ModelRow& row) const {
  std::string out = "ID=" + std::to_string(row.id);
  for (int c = 0; c < Columns(); ++c) out += " " + ColumnName(c) + "=" + CellText(row.cells[c]);
  return out + " STAMP=" + CellText(row.stamp);
}

// The rows that differ, one pair of lines each.
void DataSetModel::CompareRows(std::ostream& out, const char* side, const std::vector<ModelRow>& got,
                               const std::vector<ModelRow>& want) const {
  for (size_t i = 0; i < std::max(got.size(), want.size()); ++i) {
    const std::string got_text = i < got.size() ? RowText(got[i]) : "(none)";
    const std::string want_text = i < want.size() ? RowText(want[i]) : "(none)";
    if (got_text != want_text) out << "  row " << i + 1 << ": " << side << " " << got_text << "\n         model " << want_text << "\n";
  }
}

std::string DataSetModel::Verdict(const Observed& seen) {
  std::ostringstream out;
  if (!seen.browsing) out << "the data set is not browsing (state " << seen.state << ")\n";
  if (seen.answer != answer_) out << "answered '" << seen.answer << "', the model '" << answer_ << "'\n";

  const std::vector<int> ids = VisibleIds();
  std::vector<ModelRow> expected;
  for (int id : ids) expected.push_back(Held(id)->shown);
  if (seen.shown != expected) {
    out << "rows shown differ:\n";
    CompareRows(out, "shown", seen.shown, expected);
  }
  if (current_open_ && Contains(ids, seen.current)) current_ = seen.current;
  current_open_ = false;
  if (seen.current != current_.value_or(-1))
    out << "current record ID " << seen.current << ", the model " << current_.value_or(-1) << "\n";
  if (seen.record_count != static_cast<int>(ids.size()))
    out << "RecordCount " << seen.record_count << ", the model " << ids.size() << "\n";
  if (cached_ && seen.updates_pending != PendingUpdates())
    out << "UpdatesPending " << seen.updates_pending << ", the model " << PendingUpdates() << "\n";

  if (detail_mode_ != 0 && seen.detail_ids != ExpectedDetailIds()) {
    out << "the detail shows";
    for (int id : seen.detail_ids) out << " " << id;
    out << ", the model";
    for (int id : ExpectedDetailIds()) out << " " << id;
    out << "\n";
  }
  std::vector<ModelRow> server_expected;
  for (const auto& [id, row] : server_) server_expected.push_back(row);
  if (seen.server != server_expected) {
    out << "the server's rows differ:\n";
    CompareRows(out, "server", seen.server, server_expected);
  }
  return out.str();
}

// ---- Describing

std::string DataSetModel::Describe(const Operation& op) const {
  const std::string& k = op.kind;
  const auto& a = op.args;
  const auto value = [](int column, int v) {
    if (v == 0) return std::string("NULL");
    const bool text = column == kColumnS || column == kColumnM;
    return std::string(text ? (v % 2 == 0 ? "long text #" : "text #")
                            : (column == kColumnB ? (v % 2 == 0 ? "long blob #" : "blob #") : "value #")) +
           std::to_string(v);
  };
  const auto set = [&](int column, int v) { return ColumnName(column) + " := " + value(column, v); };
  const auto row = [&] { return "row " + std::to_string(a[0]) + ": "; };
  const auto i_value = [&] { return a[0] ? std::to_string(a[0] * 10) : std::string("NULL"); };
  if (k == "edit_post") return row() + "Edit, " + set(a[1], a[2]) + ", Post";
  if (k == "edit_cancel") return row() + "Edit, " + set(a[1], a[2]) + ", Cancel";
  if (k == "append_post") return "Append a new ID, " + set(a[0], a[1]) + ", Post";
  if (k == "insert_post") return row() + "Insert a new ID, " + set(a[1], a[2]) + ", Post";
  if (k == "delete") return row() + "Delete";
  if (k == "refresh") return "Refresh";
  if (k == "refresh_record") return row() + "RefreshRecord";
  if (k == "reopen") return "Close, Open";
  if (k == "cached") return std::string("Close, CachedUpdates ") + (a[0] ? "on" : "off") + ", Open";
  if (k == "locate_key") return "Locate ID = " + std::to_string(a[0]);
  if (k == "locate_value") return "Locate I = " + i_value();
  if (k == "lookup") return "Lookup ID = " + std::to_string(a[0]) + " for I";
  if (k == "lookup_value") return "Lookup I = " + i_value() + " for ID";
  if (k == "filter") return a[0] == 0 ? "Filtered off" : (a[0] == 1 ? "Filter 'I > 40' on" : "OnFilterRecord (odd IDs) on");
  if (k == "index") return a[0] == 0 ? "IndexFieldNames cleared" : (a[0] == 1 ? "IndexFieldNames 'I;ID'" : "IndexFieldNames 'S DESC;ID'");
  if (k == "apply") return "ApplyUpdates";
  if (k == "commit") return "CommitUpdates";
  if (k == "cancel_updates") return "CancelUpdates";
  if (k == "revert") return row() + "RevertRecord";
  if (k == "blob_stream") return row() + "Edit, " + set(a[1], a[2]) + " through CreateBlobStream, Post";
  if (k == "refused_post")
    return row() + "Edit, " + set(a[1], a[2]) + ", I := 666, Post (refused), " + set(kColumnI, a[3]) + ", Post";
  const std::string& other = table_.other_writer;
  if (k == "other_update") return other + ": ID " + std::to_string(a[0]) + ", " + set(a[1], a[2]);
  if (k == "other_insert") return other + " inserts a new ID, " + set(a[0], a[1]);
  if (k == "other_delete") return other + " deletes ID " + std::to_string(a[0]);
  if (k == "refresh_options") return a[0] ? "RefreshOptions after insert and update" : "RefreshOptions none";
  if (k == "detail")
    return a[0] == 0 ? "detail unlinked"
                     : (a[0] == 1 ? "detail linked by fields (ID -> PID), opened"
                                  : (a[0] == 2 ? "detail linked by the parameter :ID, opened" : "detail linked locally (ID -> PID), opened"));
  return k;
}

}  // namespace sequences
