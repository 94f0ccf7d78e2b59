#include "oracle/tests/query_sequences_driver.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <stdexcept>

#include "classlib/datetime.h"
#include "classlib/field.h"
#include "classlib/fields.h"
#include "classlib/stream.h"
#include "classlib/variant.h"
#include "oracle/error_ora.h"

namespace oracle::testing {

using classlib::TField;
using sequences::Operation;

namespace {

// ---- Values

constexpr const char* kColumnNames[kOraColumns] = {"I", "S", "M", "B", "F", "D", "TS"};
constexpr int kValues = 9;     // value numbers 1..9; 0 is NULL
constexpr int kRefusedI = 666;  // the CHECK constraint refuses it
constexpr int kFirstRows = 6;
constexpr int kDetailParents = 40;  // DT holds PID % 3 rows for each PID up to it

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

// Even numbers of S and M are longer than the store keeps inline.
std::string TextValue(OraColumn column, int v) {
  std::string text = std::string(column == kOS ? "s" : "memo ") + std::to_string(v);
  if (v % 2 == 0) {
    text += " long:";
    while (text.size() < (column == kOS ? 60u : 700u)) text += " text " + std::to_string(v);
  }
  if (column == kOM && v % 3 == 0) text += "\r\nsecond line";
  return text;
}

std::string BlobValue(int v) {
  std::string bytes(static_cast<size_t>(v) * 3, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 37 + static_cast<size_t>(v)) & 0xFF);
  if (v % 2 == 0) bytes.append(5000, static_cast<char>(v));
  return bytes;
}

double FloatValue(int v) { return v * 0.25 - 1.0; }
classlib::TDateTime DateValue(int v) {
  return classlib::EncodeDate(2024, 1 + v % 12, v) + classlib::EncodeTime(v, 30, v * 5, 0);
}

std::string FloatText(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.15g", value);
  return text;
}
// Whole seconds, which every path keeps.
std::string DateText(classlib::TDateTime value) { return std::to_string(std::llround(value * 86400.0)); }
// A TIMESTAMP keeps the milliseconds a DATE drops.
classlib::TDateTime StampValue(int v) {
  return classlib::EncodeDate(2023, 1 + (v * 5) % 12, 2 * v) + classlib::EncodeTime(23 - v, v * 6, v, v * 111);
}
std::string StampText(classlib::TDateTime value) { return std::to_string(std::llround(value * 86400000.0)); }

// The cell a value number gives, as its field reads it.
OraCell ValueCell(OraColumn column, int v) {
  if (v == 0) return std::nullopt;
  switch (column) {
    case kOI: return std::to_string(v * 10);
    case kOS:
    case kOM: return TextValue(column, v);
    case kOB: return Hex(BlobValue(v));
    case kOF: return FloatText(FloatValue(v));
    case kOD: return DateText(DateValue(v));
    case kOT: return StampText(StampValue(v));
    default: return std::nullopt;
  }
}

// The cell a value number gives when the query's field is given it: a
// TIMESTAMP field takes a date-time without its milliseconds (as the layer
// documents); SQL text keeps them.
OraCell WrittenCell(OraColumn column, int v) {
  if (column != kOT || v == 0) return ValueCell(column, v);
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
  classlib::DecodeDate(StampValue(v), y, mo, d);
  classlib::DecodeTime(StampValue(v), h, mi, s, ms);
  return StampText(classlib::EncodeDate(y, mo, d) + classlib::EncodeTime(h, mi, s, 0));
}

// The SQL literal of a value number.
std::string Literal(OraColumn column, int v) {
  if (v == 0) return "NULL";
  switch (column) {
    case kOI: return std::to_string(v * 10);
    case kOS:
    case kOM: {
      std::string out = "'";
      for (char c : TextValue(column, v)) out += c == '\'' ? std::string("''") : std::string(1, c);
      return out + "'";
    }
    case kOB: return "X'" + Hex(BlobValue(v)) + "'";
    case kOF: return FloatText(FloatValue(v));
    default: {
      const classlib::TDateTime value = column == kOT ? StampValue(v) : DateValue(v);
      int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
      classlib::DecodeDate(value, y, mo, d);
      classlib::DecodeTime(value, h, mi, s, ms);
      char text[48];
      if (column == kOT)
        std::snprintf(text, sizeof text, "'%04d-%02d-%02d %02d:%02d:%02d.%03d'", y, mo, d, h, mi, s, ms);
      else
        std::snprintf(text, sizeof text, "'%04d-%02d-%02d %02d:%02d:%02d'", y, mo, d, h, mi, s);
      return text;
    }
  }
}

OraCell FieldCell(TField& field, OraColumn column) {
  if (field.IsNull()) return std::nullopt;
  switch (column) {
    case kOB: return Hex(field.AsString());
    case kOF: return FloatText(field.AsFloat());
    case kOD: return DateText(field.AsDateTime());
    case kOT: return StampText(field.AsDateTime());
    default: return field.AsString();
  }
}

std::string CellText(const OraCell& cell) {
  if (!cell) return "NULL";
  return cell->size() > 24 ? cell->substr(0, 24) + "...(" + std::to_string(cell->size()) + ")" : *cell;
}

std::string RowText(const OraRow& row) {
  std::string out = "ID=" + std::to_string(row.id);
  for (int c = 0; c < kOraColumns; ++c) out += std::string(" ") + kColumnNames[c] + "=" + CellText(row.cells[c]);
  return out + " STAMP=" + CellText(row.stamp);
}

// The operation kinds.
const std::vector<std::string>& Kinds() {
  static const std::vector<std::string> kinds = {
      "edit_post", "edit_cancel", "append_post", "insert_post", "delete", "refresh", "refresh_record",
      "reopen", "locate_key", "locate_value", "lookup", "lookup_value", "filter", "index", "cached", "apply", "commit",
      "cancel_updates", "revert", "blob_stream", "refused_post", "other_update", "other_insert",
      "other_delete", "refresh_options", "detail"};
  return kinds;
}

// Text comparison as the model sorts: NULL first, then byte order.
int CompareCells(const OraCell& a, const OraCell& b, bool numeric) {
  if (!a || !b) return a ? 1 : (b ? -1 : 0);
  if (numeric) {
    const double x = std::stod(*a), y = std::stod(*b);
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  return a->compare(*b) < 0 ? -1 : (a->compare(*b) > 0 ? 1 : 0);
}

}  // namespace

OraQueryDriver::OraQueryDriver(standin_testing::StandinTier& tier, std::string service, std::string folder)
    : tier_(tier), service_(std::move(service)), folder_(std::move(folder)) {
  platform::MessageLoop::SetCurrent(&loop_);
}

OraQueryDriver::~OraQueryDriver() {
  ReleaseComponents();
  tier_.Attach(service_, "");
  platform::MessageLoop::SetCurrent(nullptr);
}

// ---- Setting up

void OraQueryDriver::ReleaseComponents() {
  detail_.reset();
  source_.reset();
  query_.reset();
  session_.reset();
  other_.reset();
  reader_.reset();
}

std::unique_ptr<TOraSession> OraQueryDriver::Connect() {
  auto session = std::make_unique<TOraSession>();
  session->SetUsername("scott");
  session->SetPassword("tiger");
  session->SetServer(service_);
  session->SetConnected(true);
  return session;
}

namespace {
// Runs a setup script on the tier's file; a failing one ends the run.
void Setup(standin_testing::StandinTier& tier, const std::string& service, const std::string& sql) {
  const std::string error = tier.Exec(service, sql);
  if (!error.empty()) throw std::runtime_error("setup failed: " + error + "\n" + sql);
}
}  // namespace

void OraQueryDriver::Reset() {
  ReleaseComponents();
  std::filesystem::create_directories(folder_);
  const std::string old_path = folder_ + "/sequences" + std::to_string(generation_) + ".sqlite";
  std::filesystem::remove(old_path);
  const std::string path = folder_ + "/sequences" + std::to_string(++generation_) + ".sqlite";
  std::filesystem::remove(path);
  tier_.Attach(service_, path);
  Setup(tier_, service_,
        "CREATE TABLE T (ID NUMBER(9) PRIMARY KEY, I NUMBER(9) CHECK (I IS NULL OR I <> 666), S VARCHAR2(100), "
        "M CLOB, B BLOB, F NUMBER, D DATE, TS TIMESTAMP, STAMP VARCHAR2(20))");
  // The server stamps each row with what it made of I: the refresh options
  // read it back.
  Setup(tier_, service_,
        "CREATE TRIGGER T_I AFTER INSERT ON T BEGIN "
        "UPDATE T SET STAMP = 'n' || ifnull(NEW.I, '-') WHERE ID = NEW.ID; END;\n/");
  Setup(tier_, service_,
        "CREATE TRIGGER T_U AFTER UPDATE OF I ON T WHEN NEW.I IS NOT OLD.I BEGIN "
        "UPDATE T SET STAMP = 'u' || ifnull(NEW.I, '-') WHERE ID = NEW.ID; END;\n/");
  std::string detail_rows = "CREATE TABLE DT (ID NUMBER(9) PRIMARY KEY, PID NUMBER(9), V VARCHAR2(20))";
  for (int pid = 1; pid <= kDetailParents; ++pid)
    for (int j = 1; j <= pid % 3; ++j)
      detail_rows += ";INSERT INTO DT VALUES (" + std::to_string(pid * 10 + j) + ", " + std::to_string(pid) + ", 'd" +
                     std::to_string(pid * 10 + j) + "')";
  Setup(tier_, service_, detail_rows);
  server_.clear();
  std::string rows;
  for (int id = 1; id <= kFirstRows; ++id) {
    OraRow row;
    row.id = id;
    std::string columns = "ID", values = std::to_string(id);
    for (int c = 0; c < kOraColumns; ++c) {
      const int v = (id * (c + 2)) % (kValues + 1);  // some NULLs among them
      row.cells[c] = ValueCell(static_cast<OraColumn>(c), v);
      columns += std::string(", ") + kColumnNames[c];
      values += ", " + Literal(static_cast<OraColumn>(c), v);
    }
    rows += (rows.empty() ? "" : ";") + std::string("INSERT INTO T (") + columns + ") VALUES (" + values + ")";
    server_[id] = ServerAfterWrite(row, true);
  }
  Setup(tier_, service_, rows);
  session_ = Connect();
  other_ = Connect();
  reader_ = Connect();
  next_id_ = kFirstRows + 1;
  filter_mode_ = 0;
  index_mode_ = 0;
  cached_ = false;
  refresh_after_post_ = false;
  current_open_ = false;
  model_answer_.clear();
  component_answer_.clear();

  query_ = std::make_unique<TOraQuery>();
  query_->SetSession(session_.get());
  query_->SetSQL("SELECT ID, I, S, M, B, F, D, TS, STAMP FROM T ORDER BY ID");
  query_->Open();
  ModelReadAll();
  source_ = std::make_unique<classlib::TDataSource>(nullptr);
  source_->SetDataSet(query_.get());
  detail_ = std::make_unique<TOraQuery>();
  detail_->SetSession(session_.get());
  detail_mode_ = 0;
}

// Links the detail anew: closed, its text and link set for the mode, opened.
void OraQueryDriver::LinkDetail(int mode) {
  TOraQuery& d = *detail_;
  d.Close();
  d.SetMasterSource(nullptr);
  d.SetMasterFields("");
  d.SetDetailFields("");
  d.Options().SetLocalMasterDetail(mode == 3);
  if (mode == 0) return;
  d.SetSQL(mode == 2 ? "SELECT ID, PID, V FROM DT WHERE PID = :ID ORDER BY ID" : "SELECT ID, PID, V FROM DT ORDER BY ID");
  d.SetMasterSource(source_.get());
  if (mode != 2) {
    d.SetMasterFields("ID");
    d.SetDetailFields("PID");
  }
  d.Open();
}

std::vector<int> OraQueryDriver::ExpectedDetailIds() const {
  std::vector<int> ids;
  if (!current_ || *current_ > kDetailParents) return ids;
  for (int j = 1; j <= *current_ % 3; ++j) ids.push_back(*current_ * 10 + j);
  return ids;
}

void OraQueryDriver::OtherSessionExec(const std::string& sql) {
  TOraQuery statement;
  statement.SetSession(other_.get());
  statement.SetSQL(sql);
  statement.Execute();
}

// ---- The model

OraRow OraQueryDriver::ServerAfterWrite(OraRow row, bool insert) const {
  const auto found = server_.find(row.id);
  const OraCell old_i = insert || found == server_.end() ? OraCell() : found->second.cells[kOI];
  if (insert)
    row.stamp = "n" + row.cells[kOI].value_or("-");
  else if (row.cells[kOI] != old_i)
    row.stamp = "u" + row.cells[kOI].value_or("-");
  else
    row.stamp = found->second.stamp;
  return row;
}

bool OraQueryDriver::Passes(const OraHeldRow& row) const {
  if (row.status == OraHeldRow::kDeleted) return false;
  switch (filter_mode_) {
    case 1: return row.shown.cells[kOI] && std::stoi(*row.shown.cells[kOI]) > 40;
    case 2: return row.shown.id % 2 == 1;
    default: return true;
  }
}

std::vector<int> OraQueryDriver::VisibleIds() const {
  std::vector<int> ids;
  for (const OraHeldRow& row : held_)
    if (Passes(row)) ids.push_back(row.shown.id);
  return ids;
}

std::vector<int> OraQueryDriver::HeldIds() const {
  std::vector<int> ids;
  for (const OraHeldRow& row : held_) ids.push_back(row.shown.id);
  return ids;
}

// A local sort orders the store itself: clearing it leaves the rows in the
// sorted order (IDs break ties, so the order is one).
void OraQueryDriver::SortHeld() {
  if (index_mode_ == 1) {
    std::stable_sort(held_.begin(), held_.end(), [](const OraHeldRow& a, const OraHeldRow& b) {
      const int c = CompareCells(a.shown.cells[kOI], b.shown.cells[kOI], true);
      return c != 0 ? c < 0 : a.shown.id < b.shown.id;
    });
  } else if (index_mode_ == 2) {
    std::stable_sort(held_.begin(), held_.end(), [](const OraHeldRow& a, const OraHeldRow& b) {
      const int c = CompareCells(a.shown.cells[kOS], b.shown.cells[kOS], false);
      return c != 0 ? c > 0 : a.shown.id < b.shown.id;
    });
  }
}

OraHeldRow* OraQueryDriver::Held(int id) {
  for (OraHeldRow& row : held_)
    if (row.shown.id == id) return &row;
  return nullptr;
}

int OraQueryDriver::IdAt(int pos) const {
  const std::vector<int> ids = VisibleIds();
  return ids.empty() ? -1 : ids[static_cast<size_t>(pos) % ids.size()];
}

bool OraQueryDriver::PendingUpdates() const {
  return std::any_of(held_.begin(), held_.end(), [](const OraHeldRow& r) { return r.status != OraHeldRow::kUnmodified; });
}

void OraQueryDriver::ModelReadAll() {
  held_.clear();
  for (const auto& [id, row] : server_) {
    OraHeldRow held;
    held.shown = held.original = row;
    held_.push_back(held);
  }
  SortHeld();
  applied_pending_ = false;
  const std::vector<int> ids = VisibleIds();
  current_ = ids.empty() ? std::nullopt : std::optional<int>(ids.front());
}

void OraQueryDriver::ModelKeepCurrentOrFirst() {
  const std::vector<int> ids = VisibleIds();
  if (current_ && std::find(ids.begin(), ids.end(), *current_) != ids.end()) return;
  current_ = ids.empty() ? std::nullopt : std::optional<int>(ids.front());
}

// The current record left the rows shown (removed, or hidden by the filter):
// the cursor takes the first shown record that came after it in `order`,
// or the last one shown.
void OraQueryDriver::ModelCurrentAfterRemoval(const std::vector<int>& order, int removed) {
  const std::vector<int> shown = VisibleIds();
  const auto is_shown = [&](int id) { return std::find(shown.begin(), shown.end(), id) != shown.end(); };
  if (is_shown(removed)) {
    current_ = removed;
    return;
  }
  if (shown.empty()) {
    current_.reset();
    return;
  }
  const auto at = std::find(order.begin(), order.end(), removed);
  for (auto next = at == order.end() ? order.end() : at + 1; next != order.end(); ++next)
    if (is_shown(*next)) {
      current_ = *next;
      return;
    }
  current_ = shown.back();
}

void OraQueryDriver::ModelKeepCurrentOrNeighbour() {
  if (!current_) {
    ModelKeepCurrentOrFirst();
    return;
  }
  ModelCurrentAfterRemoval(HeldIds(), *current_);
}

void OraQueryDriver::ModelApply() {
  for (OraHeldRow& row : held_) {
    if (row.status == OraHeldRow::kUnmodified) continue;
    const int id = row.shown.id;
    if (row.status == OraHeldRow::kDeleted) {
      server_.erase(id);
    } else if (row.status == OraHeldRow::kInserted) {
      server_[id] = ServerAfterWrite(row.shown, true);
    } else {
      // Only the columns this record changed go to the server.
      OraRow written = server_[id];
      for (int c = 0; c < kOraColumns; ++c)
        if (row.shown.cells[c] != row.original.cells[c]) written.cells[c] = row.shown.cells[c];
      server_[id] = ServerAfterWrite(written, false);
    }
    if (refresh_after_post_ && row.status != OraHeldRow::kDeleted) row.shown = server_[id];
  }
  // An apply that succeeds leaves nothing pending: CommitUpdates has no more to do.
  std::vector<OraHeldRow> kept;
  for (OraHeldRow& row : held_) {
    if (row.status == OraHeldRow::kDeleted) continue;
    row.status = OraHeldRow::kUnmodified;
    row.original = row.shown;
    kept.push_back(row);
  }
  held_ = kept;
}

// ---- Generating

Operation OraQueryDriver::Generate(sequences::Random& random) {
  for (;;) {
    Operation op;
    op.kind = applied_pending_ && random.Percent(60) ? "commit" : random.Pick(Kinds());
    const int rows = static_cast<int>(VisibleIds().size()) + 1;
    const int column = random.Below(kOraColumns);
    const int value = random.Percent(15) ? 0 : 1 + random.Below(kValues);
    if (op.kind == "edit_post" || op.kind == "edit_cancel") op.args = {random.Below(rows), column, value};
    else if (op.kind == "append_post") op.args = {column, value};
    else if (op.kind == "insert_post") op.args = {random.Below(rows), column, value};
    else if (op.kind == "delete" || op.kind == "refresh_record" || op.kind == "revert") op.args = {random.Below(rows)};
    else if (op.kind == "locate_key" || op.kind == "lookup" || op.kind == "other_delete") op.args = {1 + random.Below(next_id_)};
    else if (op.kind == "locate_value" || op.kind == "lookup_value") op.args = {random.Below(kValues + 1)};
    else if (op.kind == "filter") op.args = {random.Below(3)};
    else if (op.kind == "detail") op.args = {random.Below(4)};
    else if (op.kind == "index") op.args = {random.Below(3)};
    else if (op.kind == "cached" || op.kind == "refresh_options") op.args = {random.Below(2)};
    else if (op.kind == "blob_stream") op.args = {random.Below(rows), random.Percent(50) ? kOM : kOB, 1 + random.Below(kValues)};
    else if (op.kind == "refused_post") op.args = {random.Below(rows), column, value, 1 + random.Below(kValues)};
    else if (op.kind == "other_update") op.args = {1 + random.Below(next_id_), column, value};
    else if (op.kind == "other_insert") op.args = {column, value};
    if (Applicable(op)) return op;
  }
}

bool OraQueryDriver::Applicable(const Operation& op) {
  const bool has_rows = !VisibleIds().empty();
  const std::string& k = op.kind;
  // Between ApplyUpdates and CommitUpdates only reading, the local view and
  // the other connection (the model does not follow edits of applied records).
  if (applied_pending_ && k != "commit" && k != "locate_key" && k != "locate_value" && k != "lookup" && k != "lookup_value" &&
      k != "filter" && k != "index" && k != "other_insert" && k != "delete")
    return false;
  if (!has_rows && (k == "edit_post" || k == "edit_cancel" || k == "delete" || k == "blob_stream")) return false;
  if (k == "edit_post" || k == "edit_cancel" || k == "delete" || k == "blob_stream") return true;
  if (k == "insert_post") return true;
  if (k == "refresh") return !PendingUpdates();
  if (k == "refresh_record") {
    if (!has_rows) return false;
    const OraHeldRow* row = Held(IdAt(op.args[0]));
    return row->status == OraHeldRow::kUnmodified && server_.count(row->shown.id) > 0;
  }
  if (k == "apply" || k == "commit") {
    if (!cached_) return false;
    if (!PendingUpdates()) return k == "commit";
    // Every pending change meets its row on the server (the model does not
    // follow an apply that fails half-way).
    for (const OraHeldRow& row : held_) {
      if (row.status == OraHeldRow::kUnmodified) continue;
      const bool exists = server_.count(row.shown.id) > 0;
      if ((row.status == OraHeldRow::kInserted) == exists) return false;
    }
    return true;
  }
  if (k == "cancel_updates") return cached_;
  if (k == "revert") return cached_ && has_rows;
  if (k == "refused_post") return !cached_ && has_rows && op.args[1] != kOI;
  if (k == "other_update" || k == "other_delete") {
    // Rows the data set holds changes for are left alone (see apply).
    const OraHeldRow* row = Held(op.args[0]);
    return server_.count(op.args[0]) > 0 && (row == nullptr || row->status == OraHeldRow::kUnmodified);
  }
  return true;
}

// ---- The model's side

bool OraQueryDriver::ApplyToModel(const Operation& op) {
  const bool refused = ModelStep(op);
  SortHeld();
  return refused;
}

bool OraQueryDriver::ModelStep(const Operation& op) {
  const std::string& k = op.kind;
  const auto& a = op.args;
  model_answer_.clear();
  component_answer_.clear();
  if (k == "edit_post" || k == "blob_stream" || k == "refused_post") {
    const int id = IdAt(a[0]);
    OraHeldRow& row = *Held(id);
    current_ = id;
    OraRow after = row.shown;
    after.cells[a[1]] = WrittenCell(static_cast<OraColumn>(a[1]), a[2]);
    // The refused post's corrected retry writes I too.
    if (k == "refused_post") after.cells[kOI] = ValueCell(kOI, a[3]);
    if (cached_) {
      if (row.status == OraHeldRow::kUnmodified) row.status = OraHeldRow::kModified;
      row.shown = after;
    } else if (after.cells != row.shown.cells) {
      // Only the columns whose value the edit changed are written; an edit
      // that changed nothing writes (and refreshes) nothing.
      if (server_.count(id) == 0) return true;  // "Update failed. Found 0 records"
      OraRow written = server_[id];
      for (int c = 0; c < kOraColumns; ++c)
        if (after.cells[c] != row.shown.cells[c]) written.cells[c] = after.cells[c];
      server_[id] = ServerAfterWrite(written, false);
      row.shown = row.original = after;
      if (refresh_after_post_) row.shown = row.original = server_[id];
    }
    SortHeld();
    ModelKeepCurrentOrNeighbour();
    return false;
  }
  if (k == "edit_cancel") {
    current_ = IdAt(a[0]);
    return false;
  }
  if (k == "append_post" || k == "insert_post") {
    if (k == "insert_post") current_ = IdAt(a[0]) < 0 ? std::nullopt : std::optional<int>(IdAt(a[0]));
    const OraColumn column = static_cast<OraColumn>(k == "append_post" ? a[0] : a[1]);
    const int v = k == "append_post" ? a[1] : a[2];
    OraHeldRow row;
    row.shown.id = next_id_++;
    row.shown.cells[column] = WrittenCell(column, v);
    row.original = row.shown;
    if (cached_) {
      row.status = OraHeldRow::kInserted;
    } else {
      server_[row.shown.id] = ServerAfterWrite(row.shown, true);
      if (refresh_after_post_) row.shown = row.original = server_[row.shown.id];
    }
    // Insert puts the record before the current one (first when none is
    // shown), Append at the end; a local sort then places it.
    auto at = held_.end();
    if (k == "insert_post") {
      at = current_ ? std::find_if(held_.begin(), held_.end(), [&](const OraHeldRow& r) { return r.shown.id == *current_; })
                    : held_.begin();
    }
    held_.insert(at, row);
    current_ = row.shown.id;
    SortHeld();
    ModelKeepCurrentOrNeighbour();
    return false;
  }
  if (k == "delete") {
    const std::vector<int> before = HeldIds();
    const int id = IdAt(a[0]);
    current_ = id;
    OraHeldRow& row = *Held(id);
    if (cached_) {
      if (row.status == OraHeldRow::kInserted)
        held_.erase(held_.begin() + (&row - held_.data()));
      else
        row.status = OraHeldRow::kDeleted;
    } else {
      if (server_.count(id) == 0) return true;  // "Delete failed. Found 0 records"
      server_.erase(id);
      held_.erase(held_.begin() + (&row - held_.data()));
    }
    ModelCurrentAfterRemoval(before, id);
    return false;
  }
  if (k == "refresh") {
    const std::optional<int> keep = current_;
    ModelReadAll();
    current_ = keep;
    ModelKeepCurrentOrFirst();
    return false;
  }
  if (k == "refresh_record") {
    const int id = IdAt(a[0]);
    current_ = id;
    OraHeldRow& row = *Held(id);
    row.shown = row.original = server_[id];
    SortHeld();
    ModelKeepCurrentOrNeighbour();
    return false;
  }
  if (k == "reopen") {
    ModelReadAll();
    return false;
  }
  if (k == "cached") {
    cached_ = a[0] == 1;
    ModelReadAll();
    return false;
  }
  if (k == "locate_key" || k == "lookup") {
    const std::vector<int> ids = VisibleIds();
    const bool found = std::find(ids.begin(), ids.end(), a[0]) != ids.end();
    if (k == "locate_key") {
      if (found) current_ = a[0];
      model_answer_ = found ? "found" : "not found";
    } else {
      model_answer_ = found ? CellText(Held(a[0])->shown.cells[kOI]) : "NULL";
      if (found && !Held(a[0])->shown.cells[kOI]) model_answer_ = "NULL";
    }
    return false;
  }
  if (k == "lookup_value") {
    model_answer_ = "NULL";
    if (a[0] == 0) return false;
    for (int id : VisibleIds())
      if (Held(id)->shown.cells[kOI] == ValueCell(kOI, a[0])) {
        model_answer_ = std::to_string(id);
        break;
      }
    return false;
  }
  if (k == "locate_value") {
    model_answer_ = "not found";
    if (a[0] == 0) return false;  // NULL: not searched
    for (int id : VisibleIds())
      if (Held(id)->shown.cells[kOI] == ValueCell(kOI, a[0])) {
        current_ = id;
        model_answer_ = "found " + std::to_string(id);
        break;
      }
    return false;
  }
  if (k == "filter") {
    filter_mode_ = a[0];
    ModelKeepCurrentOrFirst();
    return false;
  }
  if (k == "index") {
    index_mode_ = a[0];
    SortHeld();
    ModelKeepCurrentOrNeighbour();
    return false;
  }
  if (k == "apply") {
    ModelApply();
    applied_pending_ = true;
    SortHeld();
    ModelKeepCurrentOrNeighbour();
    return false;
  }
  if (k == "commit") {
    // CommitUpdates applies what is still pending first.
    if (PendingUpdates()) ModelApply();
    applied_pending_ = false;
    SortHeld();
    ModelKeepCurrentOrNeighbour();
    return false;
  }
  if (k == "cancel_updates") {
    const std::vector<int> before = HeldIds();
    std::vector<OraHeldRow> kept;
    for (OraHeldRow& row : held_) {
      if (row.status == OraHeldRow::kInserted) continue;
      row.shown = row.original;
      row.status = OraHeldRow::kUnmodified;
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
    if (current_) ModelCurrentAfterRemoval(Held(*current_) ? HeldIds() : before, *current_);
    else ModelKeepCurrentOrFirst();
    return false;
  }
  if (k == "revert") {
    const std::vector<int> before = HeldIds();
    const int id = IdAt(a[0]);
    current_ = id;
    OraHeldRow& row = *Held(id);
    if (row.status == OraHeldRow::kInserted) {
      held_.erase(held_.begin() + (&row - held_.data()));
      ModelCurrentAfterRemoval(before, id);
    } else {
      row.shown = row.original;
      row.status = OraHeldRow::kUnmodified;
      SortHeld();
      ModelKeepCurrentOrNeighbour();
    }
    return false;
  }
  if (k == "other_update") {
    OraRow written = server_[a[0]];
    written.cells[a[1]] = ValueCell(static_cast<OraColumn>(a[1]), a[2]);
    server_[a[0]] = ServerAfterWrite(written, false);
    return false;
  }
  if (k == "other_insert") {
    OraRow row;
    row.id = next_id_++;
    row.cells[a[0]] = ValueCell(static_cast<OraColumn>(a[0]), a[1]);
    server_[row.id] = ServerAfterWrite(row, true);
    return false;
  }
  if (k == "other_delete") {
    server_.erase(a[0]);
    return false;
  }
  if (k == "refresh_options") {
    refresh_after_post_ = a[0] == 1;
    return false;
  }
  if (k == "detail") {
    detail_mode_ = a[0];
    return false;
  }
  throw std::logic_error("unknown operation " + k);
}

// ---- The component's side

void OraQueryDriver::GoTo(int pos) {
  TOraQuery& d = *query_;
  d.First();
  const int count = d.RecordCount();
  if (count > 0) d.MoveBy(pos % count);
}

void OraQueryDriver::WriteCell(TField& field, OraColumn column, int v) {
  if (v == 0) {
    field.Clear();
    return;
  }
  switch (column) {
    case kOI: field.SetAsInteger(v * 10); break;
    case kOS:
    case kOM: field.SetAsString(TextValue(column, v)); break;
    case kOB: field.SetAsString(BlobValue(v)); break;
    case kOF: field.SetAsFloat(FloatValue(v)); break;
    case kOD: field.SetAsDateTime(DateValue(v)); break;
    case kOT: field.SetAsDateTime(StampValue(v)); break;
    default: break;
  }
}

namespace {
// Posts; a refused post is cancelled, so that the data set browses again.
void PostOrCancel(TOraQuery& d) {
  try {
    d.Post();
  } catch (...) {
    d.Cancel();
    throw;
  }
}
}  // namespace

void OraQueryDriver::ApplyToComponent(const Operation& op) {
  TOraQuery& d = *query_;
  const std::string& k = op.kind;
  const auto& a = op.args;
  if (k == "edit_post" || k == "edit_cancel") {
    GoTo(a[0]);
    d.Edit();
    WriteCell(*d.FieldByName(kColumnNames[a[1]]), static_cast<OraColumn>(a[1]), a[2]);
    if (k == "edit_post") PostOrCancel(d);
    else d.Cancel();
  } else if (k == "append_post" || k == "insert_post") {
    if (k == "append_post") d.Append();
    else {
      GoTo(a[0]);
      d.Insert();
    }
    const int column = k == "append_post" ? a[0] : a[1];
    d.FieldByName("ID")->SetAsInteger(next_id_ - 1);
    WriteCell(*d.FieldByName(kColumnNames[column]), static_cast<OraColumn>(column), k == "append_post" ? a[1] : a[2]);
    PostOrCancel(d);
  } else if (k == "delete") {
    GoTo(a[0]);
    d.Delete();
  } else if (k == "refresh") {
    d.Refresh();
  } else if (k == "refresh_record") {
    GoTo(a[0]);
    d.RefreshRecord();
  } else if (k == "reopen") {
    d.Close();
    d.Open();
  } else if (k == "cached") {
    d.Close();
    d.SetCachedUpdates(a[0] == 1);
    d.Open();
  } else if (k == "locate_key") {
    component_answer_ = d.Locate("ID", classlib::Variant(a[0]), {}) ? "found" : "not found";
  } else if (k == "lookup") {
    const classlib::Variant v = d.Lookup("ID", classlib::Variant(a[0]), "I");
    component_answer_ = classlib::VarIsNull(v) ? "NULL" : std::to_string(v.AsInteger());
  } else if (k == "lookup_value") {
    if (a[0] == 0) {
      component_answer_ = "NULL";
    } else {
      const classlib::Variant v = d.Lookup("I", classlib::Variant(a[0] * 10), "ID");
      component_answer_ = classlib::VarIsNull(v) ? "NULL" : std::to_string(v.AsInteger());
    }
  } else if (k == "locate_value") {
    if (a[0] == 0) {
      component_answer_ = "not found";
    } else {
      const bool found = d.Locate("I", classlib::Variant(a[0] * 10), {});
      component_answer_ = found ? "found " + std::to_string(d.FieldByName("ID")->AsInteger()) : "not found";
    }
  } else if (k == "filter") {
    d.SetFiltered(false);
    if (a[0] == 1) {
      d.SetFilter("I > 40");
    } else {
      d.SetFilter("");
    }
    if (a[0] == 2) {
      d.SetOnFilterRecord(classlib::TFilterRecordEvent::Function([](classlib::TDataSet* ds, bool& accept) {
        accept = ds->FieldByName("ID")->AsInteger() % 2 == 1;
      }));
    } else {
      d.SetOnFilterRecord(nullptr);
    }
    d.SetFiltered(a[0] != 0);
  } else if (k == "index") {
    d.SetIndexFieldNames(a[0] == 0 ? "" : (a[0] == 1 ? "I;ID" : "S DESC;ID"));
  } else if (k == "apply") {
    d.ApplyUpdates();
  } else if (k == "commit") {
    d.CommitUpdates();
  } else if (k == "cancel_updates") {
    d.CancelUpdates();
  } else if (k == "revert") {
    GoTo(a[0]);
    d.RevertRecord();
  } else if (k == "blob_stream") {
    GoTo(a[0]);
    d.Edit();
    {
      const std::string bytes = a[1] == kOB ? BlobValue(a[2]) : TextValue(kOM, a[2]);
      auto stream = d.CreateBlobStream(d.FieldByName(kColumnNames[a[1]]), classlib::bmWrite);
      stream->Write(bytes.data(), static_cast<int>(bytes.size()));
    }
    PostOrCancel(d);
  } else if (k == "refused_post") {
    GoTo(a[0]);
    d.Edit();
    WriteCell(*d.FieldByName(kColumnNames[a[1]]), static_cast<OraColumn>(a[1]), a[2]);
    d.FieldByName("I")->SetAsInteger(kRefusedI);
    bool refused = false;
    try {
      d.Post();
    } catch (const EOraError& e) {
      // Only the server's check refuses it; any other refusal (a row gone)
      // is the step's own, which the model expects or not.
      if (e.ErrorCode() != 2290) {
        d.Cancel();
        throw;
      }
      refused = true;
    } catch (...) {
      d.Cancel();
      throw;
    }
    if (!refused) throw std::runtime_error("the post of I = 666 was not refused by the CHECK constraint");
    WriteCell(*d.FieldByName("I"), kOI, a[3]);
    PostOrCancel(d);
  } else if (k == "other_update") {
    OtherSessionExec(std::string("UPDATE T SET ") + kColumnNames[a[1]] + " = " + Literal(static_cast<OraColumn>(a[1]), a[2]) +
                     " WHERE ID = " + std::to_string(a[0]));
  } else if (k == "other_insert") {
    OtherSessionExec("INSERT INTO T (ID, " + std::string(kColumnNames[a[0]]) + ") VALUES (" +
                     std::to_string(next_id_ - 1) + ", " + Literal(static_cast<OraColumn>(a[0]), a[1]) + ")");
  } else if (k == "other_delete") {
    OtherSessionExec("DELETE FROM T WHERE ID = " + std::to_string(a[0]));
  } else if (k == "detail") {
    LinkDetail(a[0]);
  } else if (k == "refresh_options") {
    d.SetRefreshOptions(a[0] == 1 ? dacore::TRefreshOptions{dacore::roAfterInsert, dacore::roAfterUpdate} : dacore::TRefreshOptions{});
  }
}

// ---- Comparing

namespace {
OraRow ReadRow(classlib::TDataSet& d) {
  OraRow row;
  row.id = d.FieldByName("ID")->AsInteger();
  for (int c = 0; c < kOraColumns; ++c) row.cells[c] = FieldCell(*d.FieldByName(kColumnNames[c]), static_cast<OraColumn>(c));
  TField* stamp = d.FieldByName("STAMP");
  row.stamp = stamp->IsNull() ? OraCell() : OraCell(stamp->AsString());
  return row;
}
}  // namespace

std::vector<OraRow> OraQueryDriver::ReadShown() {
  TOraQuery& d = *query_;
  std::vector<OraRow> rows;
  if (d.IsEmpty()) return rows;
  const classlib::TBookmark mark = d.GetBookmark();
  d.DisableControls();
  d.First();
  while (!d.Eof()) {
    rows.push_back(ReadRow(d));
    d.Next();
  }
  d.GotoBookmark(mark);
  d.EnableControls();
  return rows;
}

std::vector<OraRow> OraQueryDriver::ReadServer() {
  TOraQuery reader;
  reader.SetSession(reader_.get());
  reader.SetSQL("SELECT ID, I, S, M, B, F, D, TS, STAMP FROM T ORDER BY ID");
  reader.Open();
  std::vector<OraRow> rows;
  while (!reader.Eof()) {
    rows.push_back(ReadRow(reader));
    reader.Next();
  }
  reader.Close();
  return rows;
}

std::string OraQueryDriver::Compare() {
  TOraQuery& d = *query_;
  std::ostringstream out;
  if (d.State() != classlib::dsBrowse) out << "the data set is not browsing (state " << static_cast<int>(d.State()) << ")\n";
  if (component_answer_ != model_answer_)
    out << "answered '" << component_answer_ << "', the model '" << model_answer_ << "'\n";

  const std::vector<int> ids = VisibleIds();
  const std::vector<OraRow> shown = ReadShown();
  std::vector<OraRow> expected;
  for (int id : ids) expected.push_back(Held(id)->shown);
  if (shown != expected) {
    out << "rows shown differ:\n";
    for (size_t i = 0; i < std::max(shown.size(), expected.size()); ++i) {
      const std::string got = i < shown.size() ? RowText(shown[i]) : "(none)";
      const std::string want = i < expected.size() ? RowText(expected[i]) : "(none)";
      if (got != want) out << "  row " << i + 1 << ": shown " << got << "\n         model " << want << "\n";
    }
  }
  const int current = d.IsEmpty() ? -1 : d.FieldByName("ID")->AsInteger();
  if (current_open_ && std::find(ids.begin(), ids.end(), current) != ids.end()) current_ = current;
  current_open_ = false;
  if (current != current_.value_or(-1))
    out << "current record ID " << current << ", the model " << current_.value_or(-1) << "\n";
  if (d.RecordCount() != static_cast<int>(ids.size()))
    out << "RecordCount " << d.RecordCount() << ", the model " << ids.size() << "\n";
  if (cached_ && d.UpdatesPending() != PendingUpdates())
    out << "UpdatesPending " << d.UpdatesPending() << ", the model " << PendingUpdates() << "\n";

  if (detail_mode_ != 0) {
    std::vector<int> detail_ids;
    if (!detail_->IsEmpty()) {
      const classlib::TBookmark mark = detail_->GetBookmark();
      for (detail_->First(); !detail_->Eof(); detail_->Next()) detail_ids.push_back(detail_->FieldByName("ID")->AsInteger());
      detail_->GotoBookmark(mark);
    }
    if (detail_ids != ExpectedDetailIds()) {
      out << "the detail shows";
      for (int id : detail_ids) out << " " << id;
      out << ", the model";
      for (int id : ExpectedDetailIds()) out << " " << id;
      out << "\n";
    }
  }
  const std::vector<OraRow> server = ReadServer();
  std::vector<OraRow> server_expected;
  for (const auto& [id, row] : server_) server_expected.push_back(row);
  if (server != server_expected) {
    out << "the server's rows differ:\n";
    for (size_t i = 0; i < std::max(server.size(), server_expected.size()); ++i) {
      const std::string got = i < server.size() ? RowText(server[i]) : "(none)";
      const std::string want = i < server_expected.size() ? RowText(server_expected[i]) : "(none)";
      if (got != want) out << "  row " << i + 1 << ": server " << got << "\n         model " << want << "\n";
    }
  }
  return out.str();
}

// ---- Describing

std::string OraQueryDriver::Describe(const Operation& op) const {
  const std::string& k = op.kind;
  const auto& a = op.args;
  const auto value = [](int column, int v) {
    if (v == 0) return std::string("NULL");
    return std::string(column == kOS || column == kOM ? (v % 2 == 0 ? "long text #" : "text #")
                                                    : (column == kOB ? (v % 2 == 0 ? "long blob #" : "blob #") : "value #")) +
           std::to_string(v);
  };
  const auto set = [&](int column, int v) { return std::string(kColumnNames[column]) + " := " + value(column, v); };
  if (k == "edit_post") return "row " + std::to_string(a[0]) + ": Edit, " + set(a[1], a[2]) + ", Post";
  if (k == "edit_cancel") return "row " + std::to_string(a[0]) + ": Edit, " + set(a[1], a[2]) + ", Cancel";
  if (k == "append_post") return "Append a new ID, " + set(a[0], a[1]) + ", Post";
  if (k == "insert_post") return "row " + std::to_string(a[0]) + ": Insert a new ID, " + set(a[1], a[2]) + ", Post";
  if (k == "delete") return "row " + std::to_string(a[0]) + ": Delete";
  if (k == "refresh") return "Refresh";
  if (k == "refresh_record") return "row " + std::to_string(a[0]) + ": RefreshRecord";
  if (k == "reopen") return "Close, Open";
  if (k == "cached") return std::string("Close, CachedUpdates ") + (a[0] ? "on" : "off") + ", Open";
  if (k == "locate_key") return "Locate ID = " + std::to_string(a[0]);
  if (k == "locate_value") return "Locate I = " + (a[0] ? std::to_string(a[0] * 10) : std::string("NULL"));
  if (k == "lookup") return "Lookup ID = " + std::to_string(a[0]) + " for I";
  if (k == "lookup_value") return "Lookup I = " + (a[0] ? std::to_string(a[0] * 10) : std::string("NULL")) + " for ID";
  if (k == "filter") return a[0] == 0 ? "Filtered off" : (a[0] == 1 ? "Filter 'I > 40' on" : "OnFilterRecord (odd IDs) on");
  if (k == "index") return a[0] == 0 ? "IndexFieldNames cleared" : (a[0] == 1 ? "IndexFieldNames 'I;ID'" : "IndexFieldNames 'S DESC;ID'");
  if (k == "apply") return "ApplyUpdates";
  if (k == "commit") return "CommitUpdates";
  if (k == "cancel_updates") return "CancelUpdates";
  if (k == "revert") return "row " + std::to_string(a[0]) + ": RevertRecord";
  if (k == "blob_stream")
    return "row " + std::to_string(a[0]) + ": Edit, " + kColumnNames[a[1]] + " := " + value(a[1], a[2]) +
           " through CreateBlobStream, Post";
  if (k == "refused_post")
    return "row " + std::to_string(a[0]) + ": Edit, " + set(a[1], a[2]) + ", I := 666, Post (refused), " + set(kOI, a[3]) +
           ", Post";
  if (k == "other_update") return "another session: ID " + std::to_string(a[0]) + ", " + set(a[1], a[2]);
  if (k == "other_insert") return "another session inserts a new ID, " + set(a[0], a[1]);
  if (k == "other_delete") return "another session deletes ID " + std::to_string(a[0]);
  if (k == "refresh_options") return a[0] ? "RefreshOptions after insert and update" : "RefreshOptions none";
  if (k == "detail")
    return a[0] == 0 ? "detail unlinked"
                     : (a[0] == 1 ? "detail linked by fields (ID -> PID), opened"
                                  : (a[0] == 2 ? "detail linked by the parameter :ID, opened" : "detail linked locally (ID -> PID), opened"));
  return k;
}

}  // namespace oracle::testing
