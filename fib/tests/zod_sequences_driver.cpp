#include "zod_sequences_driver.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <stdexcept>

#include "classlib/datetime.h"
#include "classlib/field.h"
#include "classlib/stream.h"
#include "classlib/variant.h"
#include "testing/sequence_values.h"
#include "database_fixture.h"
#include "fib/base/errors.h"
#include "fib/base/param_blocks.h"
#include "fib/metadata/metadata_cache.h"
#include "fib/statements/auto_update_options.h"
#include "fib/statements/fib_query.h"

namespace fib_test {

using classlib::TField;
using sequences::Operation;

namespace {

constexpr const char* kNames[kFibColumns] = {"I", "S", "M", "B", "F", "D", "L", "A"};
constexpr int kValues = 9;
constexpr int kRefusedI = 666;
constexpr int kFirstRows = 6;
constexpr int kDetailParents = 60;  // DT holds PID % 3 rows for each PID up to it

std::string Text(FibColumn column, int v) { return sequences::TextValue(column == kFS, v); }

std::string Bytes(int v) {
  std::string bytes(static_cast<size_t>(v) * 3 + (v % 2 == 0 ? 3000 : 0), '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 37 + static_cast<size_t>(v)) & 0xFF);
  return bytes;
}

using sequences::DateText;
using sequences::FloatText;
using sequences::Hex;
double Float(int v) { return sequences::FloatValue(v); }
classlib::TDateTime Date(int v) { return sequences::DateValue(v); }
std::vector<int> Elements(int v) { return {v, v + 1, v * 3}; }
classlib::Variant ArrayValue(int v) {
  std::vector<classlib::Variant> items;
  for (int item : Elements(v)) items.emplace_back(item);
  return classlib::VarArrayOf(items);
}
std::string ArrayText(const classlib::Variant& array) {
  std::string text;
  for (int i = classlib::VarArrayLowBound(array, 1); i <= classlib::VarArrayHighBound(array, 1); ++i)
    text += (text.empty() ? "" : ",") + classlib::VarArrayGet(array, {i}).AsString();
  return text;
}


FibCell Cell(FibColumn column, int v) {
  if (v == 0) return std::nullopt;
  switch (column) {
    case kFI: return std::to_string(v * 10);
    case kFS:
    case kFM: return Text(column, v);
    case kFB: return Hex(Bytes(v));
    case kFF: return FloatText(Float(v));
    case kFD: return DateText(Date(v));
    case kFL: return std::string(v % 2 == 1 ? "TRUE" : "FALSE");
    case kFA: return ArrayText(ArrayValue(v));
    default: return std::nullopt;
  }
}

std::string Literal(FibColumn column, int v) {
  if (v == 0) return "NULL";
  switch (column) {
    case kFI: return std::to_string(v * 10);
    case kFS:
    case kFM: return "'" + Text(column, v) + "'";
    case kFB: return "x'" + Hex(Bytes(v)) + "'";
    case kFF: return FloatText(Float(v));
    case kFL: return v % 2 == 1 ? "TRUE" : "FALSE";
    case kFA: throw std::logic_error("an array has no SQL literal");
    default: {
      int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
      classlib::DecodeDate(Date(v), y, mo, d);
      classlib::DecodeTime(Date(v), h, mi, s, ms);
      char text[48];
      std::snprintf(text, sizeof text, "timestamp '%04d-%02d-%02d %02d:%02d:%02d'", y, mo, d, h, mi, s);
      return text;
    }
  }
}

FibCell Read(TField& field, FibColumn column) {
  if (field.IsNull()) return std::nullopt;
  switch (column) {
    case kFB: return Hex(field.AsString());
    case kFF: return FloatText(field.AsFloat());
    case kFD: return DateText(field.AsDateTime());
    case kFL: return std::string(field.AsBoolean() ? "TRUE" : "FALSE");
    case kFA: return ArrayText(field.AsVariant());
    default: return field.AsString();
  }
}

void Write(TField& field, FibColumn column, int v) {
  if (v == 0) {
    field.Clear();
    return;
  }
  switch (column) {
    case kFI: field.SetAsInteger(v * 10); break;
    case kFS:
    case kFM: field.SetAsString(Text(column, v)); break;
    case kFB: field.SetAsString(Bytes(v)); break;
    case kFF: field.SetAsFloat(Float(v)); break;
    case kFD: field.SetAsDateTime(Date(v)); break;
    case kFL: field.SetAsBoolean(v % 2 == 1); break;
    case kFA: field.SetAsVariant(ArrayValue(v)); break;
    default: break;
  }
}

FibRow ReadRow(classlib::TDataSet& d) {
  FibRow row;
  row.id = d.FieldByName("ID")->AsInteger();
  for (int c = 0; c < kFibColumns; ++c) row.cells[c] = Read(*d.FieldByName(kNames[c]), static_cast<FibColumn>(c));
  TField& stamp = *d.FieldByName("T");
  row.stamp = stamp.IsNull() ? FibCell() : FibCell(stamp.AsString());
  return row;
}

std::string CellText(const FibCell& cell) {
  if (!cell) return "NULL";
  return cell->size() > 24 ? cell->substr(0, 24) + "...(" + std::to_string(cell->size()) + ")" : *cell;
}

std::string RowText(const FibRow& row) {
  std::string out = "ID=" + std::to_string(row.id);
  for (int c = 0; c < kFibColumns; ++c) out += std::string(" ") + kNames[c] + "=" + CellText(row.cells[c]);
  return out + " T=" + CellText(row.stamp);
}

const std::vector<std::string>& Kinds() {
  static const std::vector<std::string> kinds = {
      "edit_post", "edit_cancel", "append_post", "insert_post", "delete", "refresh", "refresh_record", "reopen",
      "locate_key", "locate_value", "lookup", "lookup_value", "filter", "sort", "refresh_options", "update_transaction",
      "update_commit", "update_rollback", "detail", "cached",
      "apply", "cancel_updates", "blob_stream", "refused_post", "other_update", "other_insert",
      "other_delete", "commit_retaining", "rollback_retaining", "commit", "rollback"};
  return kinds;
}

void PostOrCancel(classlib::TDataSet& d) {
  try {
    d.Post();
  } catch (...) {
    d.Cancel();
    throw;
  }
}

}  // namespace

ZodSequencesDriver::ZodSequencesDriver(bool limited_cache) : limited_(limited_cache) {
  form_.SetName("Form1");
  const auto connect = [&](const char* name) {
    auto db = std::make_unique<fib::TFIBDatabase>(&form_);
    db->SetName(name);
    db->SetDBName(file_.Path());
    SetUpdaterParams(*db);
    db->SetSQLDialect(3);
    db->SetSynchronizeTime(false);
    return db;
  };
  db_ = connect("DB");
  tr_ = std::make_unique<fib::TFIBTransaction>(&form_);
  tr_->SetName("TR");
  tr_->SetDefaultDatabase(db_.get());
  // Read committed: a refresh sees what another attachment committed.
  tr_->TRParams().SetText("write\nisc_tpb_nowait\nrec_version\nread_committed");
  db_->SetDefaultTransaction(tr_.get());
  update_tr_ = std::make_unique<fib::TFIBTransaction>(&form_);
  update_tr_->SetName("UpdateTR");
  update_tr_->SetDefaultDatabase(db_.get());
  update_tr_->TRParams().SetText("write\nisc_tpb_nowait\nrec_version\nread_committed");
  db_->Connect();
  reader_db_ = connect("ReaderDB");
  reader_tr_ = std::make_unique<fib::TFIBTransaction>(&form_);
  reader_tr_->SetName("ReaderTR");
  reader_tr_->SetDefaultDatabase(reader_db_.get());
  reader_db_->SetDefaultTransaction(reader_tr_.get());
  reader_db_->Connect();
  Elsewhere("create table KS (ID integer not null primary key, I integer check (I is null or I <> 666), "
            "S varchar(100), M blob sub_type 1, B blob sub_type 0, F double precision, D timestamp, L boolean, "
            "A integer[1:3], T varchar(20))");
  Elsewhere("create table DT (ID integer not null primary key, PID integer, V varchar(20))");
  for (int pid = 1; pid <= kDetailParents; ++pid)
    for (int j = 1; j <= pid % 3; ++j)
      Elsewhere("insert into DT values (" + std::to_string(pid * 10 + j) + ", " + std::to_string(pid) + ", 'd')");
  // The server stamps each row with what it made of I: a refresh after a
  // post reads it back.
  Elsewhere("create trigger KS_T for KS before insert or update as begin "
            "if (inserting) then new.T = 'n' || coalesce(cast(new.I as varchar(11)), '-'); "
            "else if (new.I is distinct from old.I) then new.T = 'u' || coalesce(cast(new.I as varchar(11)), '-'); end");
}

ZodSequencesDriver::~ZodSequencesDriver() {
  detail_.reset();
  source_.reset();
  ds_.reset();
  if (tr_->Active()) tr_->Rollback();
  if (update_tr_->Active()) update_tr_->Rollback();
  db_->Close();
  reader_db_->Close();
  fib::ProcessMetadataCaches().TableInfo.Clear();
}

// Another attachment's statement in a transaction of its own, committed at
// once. It waits for no lock: a row the data set's transaction still holds
// fails the statement (and the step) instead of hanging the run.
void ZodSequencesDriver::Elsewhere(const std::string& sql) {
  fib::IIBClientLibrary& library = file_.Library();
  ISC_STATUS* status = fib::StatusVector();
  static const char tpb[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_nowait, isc_tpb_read_committed,
                             isc_tpb_rec_version};
  isc_tr_handle transaction = 0;
  fib::TransactionExistenceBlock teb{file_.Handle(), sizeof tpb, tpb};
  fib::CheckClientCall(library.isc_start_multiple(status, &transaction, 1, &teb), true, library, nullptr);
  if (library.isc_dsql_execute_immediate(status, file_.Handle(), &transaction, 0, sql.c_str(), 3, nullptr) != 0) {
    const std::string text = "another attachment could not run \"" + sql.substr(0, 60) + "\" (a lock the data set holds?)";
    library.isc_rollback_transaction(status, &transaction);
    throw std::runtime_error(text);
  }
  fib::CheckClientCall(library.isc_commit_transaction(status, &transaction), true, library, nullptr);
}

// An array through a parameter of another attachment's statement, committed.
void ZodSequencesDriver::ArrayElsewhere(int id, int v) {
  fib::TFIBQuery query(&form_);
  query.SetName("ArrayWriter");
  query.SetDatabase(reader_db_.get());
  query.SetTransaction(reader_tr_.get());
  query.SQL().SetText("update KS set A = :A where ID = " + std::to_string(id));
  reader_tr_->StartTransaction();
  query.Prepare();
  query.ParamByName("A").SetAsVariant(ArrayValue(v));
  query.ExecQuery();
  reader_tr_->Commit();
}

void ZodSequencesDriver::Reset() {
  detail_.reset();
  source_.reset();
  ds_.reset();
  if (tr_->Active()) tr_->Rollback();
  if (update_tr_->Active()) update_tr_->Rollback();
  Elsewhere("delete from KS");
  committed_.clear();
  for (int id = 1; id <= kFirstRows; ++id) {
    FibRow row;
    row.id = id;
    std::string columns = "ID", values = std::to_string(id);
    for (int c = 0; c < kFibColumns; ++c) {
      const int v = (id * (c + 2)) % (kValues + 1);
      row.cells[c] = Cell(static_cast<FibColumn>(c), v);
      if (c == kFA) continue;
      columns += std::string(", ") + kNames[c];
      values += ", " + Literal(static_cast<FibColumn>(c), v);
    }
    Elsewhere("insert into KS (" + columns + ") values (" + values + ")");
    const int array_value = (id * (kFA + 2)) % (kValues + 1);
    if (array_value != 0) ArrayElsewhere(id, array_value);
    committed_[id] = ServerWrite(row, true);
  }
  working_ = committed_;
  next_id_ = kFirstRows + 1;
  cached_ = false;
  filter_mode_ = sort_mode_ = 0;
  refresh_after_post_ = true;
  separate_ = false;
  tx_dirty_ = false;
  model_answer_.clear();
  component_answer_.clear();

  ds_ = std::make_unique<fib::TpZODDataSet>(&form_);
  ds_->SetName("DS");
  ds_->SetDatabase(db_.get());
  ds_->SetTransaction(tr_.get());
  ds_->SelectSQL().SetText("select ID, I, S, M, B, F, D, L, A, T from KS order by ID");
  fib::TAutoUpdateOptions& options = ds_->AutoUpdateOptions();
  options.SetUpdateTableName("KS");
  options.SetKeyFields("ID");
  options.SetAutoReWriteSqls(true);
  options.SetCanChangeSQLs(true);
  if (limited_) {
    ds_->CacheModelOptions().SetCacheModelKind(fib::cmkLimitedBufferSize);
    // A window that holds every row: the model does not follow rows read
    // again from the server as the window moves.
    ds_->CacheModelOptions().SetBufferChunks(64);
  }
  OpenDataSet();
  ModelReadAll();
  source_ = std::make_unique<classlib::TDataSource>(nullptr);
  source_->SetDataSet(ds_.get());
  detail_ = std::make_unique<fib::TpZODDataSet>(&form_);
  detail_->SetName("Detail");
  detail_->SetDatabase(db_.get());
  detail_->SetTransaction(tr_.get());
  detail_mode_ = 0;
  detail_open_ = false;
}

// Links the detail anew: closed, its text and conditions set, opened.
void ZodSequencesDriver::LinkDetail(int mode) {
  fib::TpZODDataSet& d = *detail_;
  d.Close();
  d.SetDataSource(nullptr);
  if (mode == 0) return;
  d.SelectSQL().SetText(std::string("select ID, PID, V from DT where PID = ") + (mode == 1 ? ":ID" : ":MAS_ID") +
                        " order by ID");
  d.SetDetailConditions(mode == 2 ? fib::TDetailConditions{fib::dcForceOpen} : fib::TDetailConditions{});
  d.SetDataSource(source_.get());
  d.Open();
}

std::vector<int> ZodSequencesDriver::ExpectedDetailIds() const {
  std::vector<int> ids;
  if (!current_ || *current_ > kDetailParents) return ids;
  for (int j = 1; j <= *current_ % 3; ++j) ids.push_back(*current_ * 10 + j);
  return ids;
}

// The master closed and opened again: a detail closes with its master and
// opens with it only under dcForceOpen.
void ZodSequencesDriver::ModelMasterReopened() {
  if (detail_mode_ == 1) detail_open_ = false;
}

// Opens and fetches every row, so that the rows shown are those of the
// open (the model does not follow a fetch that sees later changes).
void ZodSequencesDriver::OpenDataSet() {
  ds_->SetAutoCommit(!cached_);
  ds_->SetCachedUpdates(cached_);
  ds_->Open();
  ds_->Last();
  ds_->First();
}

// ---- The model

bool ZodSequencesDriver::Passes(const FibHeldRow& row) const {
  if (row.status == FibHeldRow::kDeleted) return false;
  switch (filter_mode_) {
    case 1: return row.shown.cells[kFI] && std::stoi(*row.shown.cells[kFI]) > 40;
    case 2: return row.shown.id % 2 == 1;
    default: return true;
  }
}

// The records shown, in order: the filter applied.
std::vector<int> ZodSequencesDriver::ShownIds() const {
  std::vector<int> ids;
  for (const FibHeldRow& row : held_)
    if (Passes(row)) ids.push_back(row.shown.id);
  return ids;
}

// A local sort orders the cache itself: the order stays until the rows are
// read anew. Every order ends in ID, so that it is one order.
void ZodSequencesDriver::ModelSort() {
  const auto compare = [&](const FibCell& a, const FibCell& b, bool numeric) {
    if (!a || !b) return a ? 1 : (b ? -1 : 0);  // NULL first
    if (numeric) return std::stoi(*a) < std::stoi(*b) ? -1 : (std::stoi(*a) > std::stoi(*b) ? 1 : 0);
    return a->compare(*b) < 0 ? -1 : (a->compare(*b) > 0 ? 1 : 0);
  };
  std::stable_sort(held_.begin(), held_.end(), [&](const FibHeldRow& x, const FibHeldRow& y) {
    int c = 0;
    if (sort_mode_ == 1) c = compare(x.shown.cells[kFI], y.shown.cells[kFI], true);
    if (sort_mode_ == 2) c = -compare(x.shown.cells[kFS], y.shown.cells[kFS], false);
    return c != 0 ? c < 0 : x.shown.id < y.shown.id;
  });
}

void ZodSequencesDriver::ModelKeepCurrentOrFirst() {
  const std::vector<int> ids = ShownIds();
  if (current_ && std::find(ids.begin(), ids.end(), *current_) != ids.end()) return;
  current_ = ids.empty() ? std::nullopt : std::optional<int>(ids.front());
}

FibHeldRow* ZodSequencesDriver::Held(int id) {
  for (FibHeldRow& row : held_)
    if (row.shown.id == id) return &row;
  return nullptr;
}

std::vector<int> ZodSequencesDriver::HeldOrder() const {
  std::vector<int> ids;
  for (const FibHeldRow& row : held_) ids.push_back(row.shown.id);
  return ids;
}

int ZodSequencesDriver::IdAt(int pos) const {
  const std::vector<int> ids = ShownIds();
  return ids.empty() ? -1 : ids[static_cast<size_t>(pos) % ids.size()];
}

bool ZodSequencesDriver::PendingUpdates() const {
  return std::any_of(held_.begin(), held_.end(), [](const FibHeldRow& r) { return r.status != FibHeldRow::kUnmodified; });
}

void ZodSequencesDriver::ModelReadAll() {
  sort_mode_ = 0;
  held_.clear();
  for (const auto& [id, row] : ReadView()) held_.push_back({row, row, FibHeldRow::kUnmodified});
  const std::vector<int> ids = ShownIds();
  current_ = ids.empty() ? std::nullopt : std::optional<int>(ids.front());
}

void ZodSequencesDriver::ModelAfterRemoval(const std::vector<int>& order, int removed) {
  const std::vector<int> shown = ShownIds();
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

// The cached changes go to the server in the data set's transaction.
void ZodSequencesDriver::ModelApply() {
  // The statements lock their rows until the transaction ends, whatever
  // values they wrote.
  if (PendingUpdates()) tx_dirty_ = true;
  std::vector<FibHeldRow> kept;
  for (FibHeldRow& row : held_) {
    if (row.status == FibHeldRow::kDeleted) {
      working_.erase(row.shown.id);
      continue;
    }
    if (row.status != FibHeldRow::kUnmodified) {
      working_[row.shown.id] = ServerWrite(row.shown, row.status == FibHeldRow::kInserted);
      // Each applied record is refreshed as a post refreshes it, through the
      // read transaction.
      if (refresh_after_post_ && ReadView().count(row.shown.id) > 0) row.shown = ReadView().at(row.shown.id);
    }
    row.status = FibHeldRow::kUnmodified;
    row.original = row.shown;
    kept.push_back(row);
  }
  held_ = kept;
}

// What the server holds after a statement wrote `written` (every column,
// T too): the trigger stamps a new row, and a row whose I changed.
FibRow ZodSequencesDriver::ServerWrite(FibRow written, bool inserting) const {
  const auto found = working_.find(written.id);
  const std::string i = written.cells[kFI].value_or("-");
  if (inserting) written.stamp = "n" + i;
  else if (found == working_.end() || found->second.cells[kFI] != written.cells[kFI]) written.stamp = "u" + i;
  return written;
}

// A post without cached updates writes every field and commits; with
// poRefreshAfterPost the record then shows what the server made of it.
void ZodSequencesDriver::ModelPosted(FibHeldRow& row, bool inserting) {
  const FibRow server = ServerWrite(row.shown, inserting);
  working_[row.shown.id] = server;
  committed_ = working_;
  if (refresh_after_post_) row.shown = server;
  row.original = row.shown;
}

// ---- Generating

Operation ZodSequencesDriver::Generate(sequences::Random& random) {
  for (;;) {
    Operation op;
    op.kind = random.Pick(Kinds());
    const int rows = static_cast<int>(ShownIds().size()) + 1;
    const int column = random.Below(kFibColumns);
    const int value = random.Percent(15) ? 0 : 1 + random.Below(kValues);
    if (op.kind == "edit_post" || op.kind == "edit_cancel") op.args = {random.Below(rows), column, value};
    else if (op.kind == "append_post" || op.kind == "other_insert") op.args = {column, value};
    else if (op.kind == "insert_post") op.args = {random.Below(rows), column, value};
    else if (op.kind == "refresh_record") op.args = {random.Below(rows)};
    else if (op.kind == "locate_value" || op.kind == "lookup_value") op.args = {1 + random.Below(kValues)};
    else if (op.kind == "lookup") op.args = {1 + random.Below(next_id_)};
    else if (op.kind == "filter" || op.kind == "sort" || op.kind == "detail") op.args = {random.Below(3)};
    else if (op.kind == "refresh_options" || op.kind == "update_transaction") op.args = {random.Below(2)};
    else if (op.kind == "delete") op.args = {random.Below(rows)};
    else if (op.kind == "locate_key" || op.kind == "other_delete") op.args = {1 + random.Below(next_id_)};
    else if (op.kind == "cached") op.args = {random.Below(2)};
    else if (op.kind == "blob_stream") op.args = {random.Below(rows), random.Percent(50) ? kFM : kFB, 1 + random.Below(kValues)};
    else if (op.kind == "refused_post") op.args = {random.Below(rows), column, value, 1 + random.Below(kValues)};
    else if (op.kind == "other_update") op.args = {1 + random.Below(next_id_), column, value};
    if (Applicable(op)) return op;
  }
}

bool ZodSequencesDriver::Applicable(const Operation& op) {
  const std::string& k = op.kind;
  const bool has_rows = !ShownIds().empty();
  const bool uncommitted = tx_dirty_ || working_ != committed_;
  if (k == "edit_post" || k == "edit_cancel" || k == "delete" || k == "blob_stream") {
    // The model does not follow a statement that finds its row gone.
    return has_rows && working_.count(IdAt(op.args[0])) > 0;
  }
  if (k == "refused_post") return !cached_ && has_rows && op.args[1] != kFI && working_.count(IdAt(op.args[0])) > 0;
  if (k == "refresh") {
    if (!current_ || ReadView().count(*current_) == 0) return false;
    return Held(*current_)->status == FibHeldRow::kUnmodified;
  }
  if (k == "refresh_record") {
    if (!has_rows || ReadView().count(IdAt(op.args[0])) == 0) return false;
    return Held(IdAt(op.args[0]))->status == FibHeldRow::kUnmodified;
  }
  // Another attachment writes no array: SQL has no literal for one.
  if ((k == "other_update" && op.args[1] == kFA) || (k == "other_insert" && op.args[0] == kFA)) return false;
  // The limited cache sorts nothing locally and filters nothing: every
  // record of its window takes part (by design).
  if ((k == "sort" || k == "filter") && limited_) return false;
  // The limited cache reads its window from the server again after an
  // insert and as it moves, with poRefreshAfterPost or without it: the
  // model keeps the option on there.
  if (k == "refresh_options" && limited_) return false;
  // The limited cache refuses cached updates (by design).
  if (k == "cached" && limited_) return false;
  if (k == "reopen" || k == "cached") return !PendingUpdates();
  // Switched only while no transaction holds a write.
  if (k == "update_transaction") return !PendingUpdates() && !tx_dirty_ && working_ == committed_;
  if (k == "update_commit" || k == "update_rollback") return separate_;
  if (k == "apply") {
    if (!cached_ || !PendingUpdates()) return false;
    for (const FibHeldRow& row : held_) {
      if (row.status == FibHeldRow::kUnmodified) continue;
      if ((row.status == FibHeldRow::kInserted) == (working_.count(row.shown.id) > 0)) return false;
    }
    return true;
  }
  if (k == "cancel_updates") return cached_;
  // The other attachment waits for no lock: it writes only while the data
  // set's transaction holds no uncommitted change.
  // The limited cache reads its window from the server as it moves: the
  // model does not follow another attachment's rows there.
  if (limited_ && (k == "other_update" || k == "other_delete" || k == "other_insert")) return false;
  if (k == "other_update" || k == "other_delete") {
    const FibHeldRow* row = Held(op.args[0]);
    return !uncommitted && committed_.count(op.args[0]) > 0 && (row == nullptr || row->status == FibHeldRow::kUnmodified);
  }
  if (k == "other_insert") return !uncommitted;
  if (k == "commit" || k == "rollback") return !PendingUpdates();
  return true;
}

// ---- The model's side

bool ZodSequencesDriver::ApplyToModel(const Operation& op) {
  const std::string& k = op.kind;
  const auto& a = op.args;
  model_answer_.clear();
  component_answer_.clear();
  shown_before_ = static_cast<int>(ShownIds().size());
  if (k == "edit_post" || k == "blob_stream" || k == "refused_post") {
    const std::vector<int> before = HeldOrder();
    const int id = IdAt(a[0]);
    FibHeldRow& row = *Held(id);
    current_ = id;
    row.shown.cells[a[1]] = Cell(static_cast<FibColumn>(a[1]), a[2]);
    if (k == "refused_post") row.shown.cells[kFI] = Cell(kFI, a[3]);
    if (cached_) {
      if (row.status == FibHeldRow::kUnmodified) row.status = FibHeldRow::kModified;
    } else {
      ModelPosted(row, false);
    }
    ModelAfterRemoval(before, id);
    return false;
  }
  if (k == "edit_cancel") {
    current_ = IdAt(a[0]);
    return false;
  }
  if (k == "append_post" || k == "insert_post") {
    // Insert puts the new record before the current one, Append after the
    // last. The limited cache reads its window again after a post, in the
    // select's order: there a new record (the highest ID) comes last.
    const bool append = k == "append_post";
    FibHeldRow row;
    row.shown.id = next_id_++;
    const int column = append ? a[0] : a[1];
    row.shown.cells[column] = Cell(static_cast<FibColumn>(column), append ? a[1] : a[2]);
    row.original = row.shown;
    if (cached_) row.status = FibHeldRow::kInserted;
    else ModelPosted(row, true);
    // With no record shown (the filter hides them all) Insert puts it first.
    const bool none_shown = ShownIds().empty();
    const FibHeldRow* at = append || limited_ || none_shown ? nullptr : Held(IdAt(a[0]));
    const auto place = at ? held_.begin() + (at - held_.data()) : (!append && !limited_ ? held_.begin() : held_.end());
    held_.insert(place, row);
    current_ = row.shown.id;
    ModelAfterRemoval(HeldOrder(), row.shown.id);
    return false;
  }
  if (k == "delete") {
    std::vector<int> before;
    for (const FibHeldRow& row : held_) before.push_back(row.shown.id);
    const int id = IdAt(a[0]);
    FibHeldRow& row = *Held(id);
    if (cached_ && row.status != FibHeldRow::kInserted) {
      row.status = FibHeldRow::kDeleted;
    } else {
      if (!cached_) {
        working_.erase(id);
        committed_ = working_;
      }
      held_.erase(held_.begin() + (&row - held_.data()));
    }
    ModelAfterRemoval(before, id);
    return false;
  }
  if (k == "refresh" || k == "refresh_record") {
    // Refresh reads the current record again, not the whole set.
    const std::vector<int> before = HeldOrder();
    if (k == "refresh_record") current_ = IdAt(a[0]);
    FibHeldRow& row = *Held(*current_);
    row.shown = row.original = ReadView().at(*current_);
    ModelAfterRemoval(before, *current_);
    return false;
  }
  if (k == "reopen") {
    ModelMasterReopened();
    ModelReadAll();
    return false;
  }
  if (k == "cached") {
    cached_ = a[0] == 1;
    ModelMasterReopened();
    ModelReadAll();
    return false;
  }
  if (k == "locate_key") {
    const std::vector<int> ids = ShownIds();
    const bool found = std::find(ids.begin(), ids.end(), a[0]) != ids.end();
    if (found) current_ = a[0];
    model_answer_ = found ? "found" : "not found";
    return false;
  }
  if (k == "locate_value") {
    model_answer_ = "not found";
    for (int id : ShownIds())
      if (Held(id)->shown.cells[kFI] == Cell(kFI, a[0])) {
        model_answer_ = "found " + std::to_string(id);
        current_ = id;
        break;
      }
    return false;
  }
  if (k == "lookup") {
    const std::vector<int> ids = ShownIds();
    const bool found = std::find(ids.begin(), ids.end(), a[0]) != ids.end();
    model_answer_ = found ? Held(a[0])->shown.cells[kFI].value_or("NULL") : "NULL";
    return false;
  }
  if (k == "lookup_value") {
    model_answer_ = "NULL";
    for (int id : ShownIds())
      if (Held(id)->shown.cells[kFI] == Cell(kFI, a[0])) {
        model_answer_ = std::to_string(id);
        break;
      }
    return false;
  }
  if (k == "filter") {
    // Switching Filtered goes to the first record shown (the filter goes
    // off first, so only off to off stays where it is).
    const bool moves = filter_mode_ != 0 || a[0] != 0;
    filter_mode_ = a[0];
    const std::vector<int> ids = ShownIds();
    if (moves) current_ = ids.empty() ? std::nullopt : std::optional<int>(ids.front());
    return false;
  }
  if (k == "refresh_options") {
    refresh_after_post_ = a[0] == 1;
    return false;
  }
  if (k == "sort") {
    sort_mode_ = a[0];
    ModelSort();
    return false;
  }
  if (k == "apply") {
    ModelApply();
    if (current_ && !Held(*current_)) ModelReadAll();
    // A refresh through the read transaction may show again a record the
    // filter hid after its cached edit: with none shown before, it becomes
    // the current one.
    else if (!current_) ModelKeepCurrentOrFirst();
    return false;
  }
  if (k == "cancel_updates") {
    std::vector<int> before;
    for (const FibHeldRow& row : held_) before.push_back(row.shown.id);
    std::vector<FibHeldRow> kept;
    for (FibHeldRow& row : held_) {
      if (row.status == FibHeldRow::kInserted) continue;
      row.shown = row.original;
      row.status = FibHeldRow::kUnmodified;
      kept.push_back(row);
    }
    held_ = kept;
    // The cursor stays on its record, or goes to the first when that one
    // was new.
    const std::vector<int> ids = ShownIds();
    if (!current_ || std::find(ids.begin(), ids.end(), *current_) == ids.end())
      current_ = ids.empty() ? std::nullopt : std::optional<int>(ids.front());
    return false;
  }
  if (k == "other_update") {
    FibRow row = committed_[a[0]];
    row.cells[a[1]] = Cell(static_cast<FibColumn>(a[1]), a[2]);
    committed_[a[0]] = working_[a[0]] = ServerWrite(row, false);
    return false;
  }
  if (k == "other_insert") {
    FibRow row;
    row.id = next_id_++;
    row.cells[a[0]] = Cell(static_cast<FibColumn>(a[0]), a[1]);
    committed_[row.id] = working_[row.id] = ServerWrite(row, true);
    return false;
  }
  if (k == "other_delete") {
    committed_.erase(a[0]);
    working_.erase(a[0]);
    return false;
  }
  if (k == "detail") {
    detail_mode_ = a[0];
    detail_open_ = a[0] != 0;
    return false;
  }
  if (k == "update_transaction") {
    separate_ = a[0] == 1;
    ModelMasterReopened();
    ModelReadAll();
    return false;
  }
  // The update transaction's end leaves the data set as it is.
  if (k == "update_commit") {
    committed_ = working_;
    tx_dirty_ = false;
    return false;
  }
  if (k == "update_rollback") {
    working_ = committed_;
    tx_dirty_ = false;
    return false;
  }
  // A hard end closes the data set and its detail (both opened again by the
  // application) unless it holds cached updates: then it keeps its records
  // as they are. With a separate update transaction the read transaction
  // holds no write.
  if (k == "commit_retaining" || k == "commit") {
    if (!separate_) {
      committed_ = working_;
      tx_dirty_ = false;
    }
    if (k == "commit" && !cached_) ModelReadAll();
    return false;
  }
  if (k == "rollback_retaining" || k == "rollback") {
    if (!separate_) {
      working_ = committed_;
      tx_dirty_ = false;
    }
    if (k == "rollback" && !cached_) ModelReadAll();
    return false;
  }
  throw std::logic_error("unknown operation " + k);
}

// ---- The component's side

// By the count the model showed before the step (the limited cache model
// answers RecordCount from its window).
void ZodSequencesDriver::GoTo(int pos) {
  ds_->First();
  const int count = shown_before_;
  if (count > 0) ds_->MoveBy(pos % count);
}

void ZodSequencesDriver::ApplyToComponent(const Operation& op) {
  fib::TpZODDataSet& d = *ds_;
  const std::string& k = op.kind;
  const auto& a = op.args;
  if (k == "edit_post" || k == "edit_cancel") {
    GoTo(a[0]);
    d.Edit();
    Write(*d.FieldByName(kNames[a[1]]), static_cast<FibColumn>(a[1]), a[2]);
    if (k == "edit_post") PostOrCancel(d);
    else d.Cancel();
  } else if (k == "append_post" || k == "insert_post") {
    const bool append = k == "append_post";
    if (append) {
      d.Append();
    } else {
      GoTo(a[0]);
      d.Insert();
    }
    d.FieldByName("ID")->SetAsInteger(next_id_ - 1);
    const int column = append ? a[0] : a[1];
    Write(*d.FieldByName(kNames[column]), static_cast<FibColumn>(column), append ? a[1] : a[2]);
    PostOrCancel(d);
  } else if (k == "delete") {
    GoTo(a[0]);
    d.Delete();
  } else if (k == "refresh") {
    d.Refresh();
  } else if (k == "refresh_record") {
    GoTo(a[0]);
    d.Refresh();
  } else if (k == "locate_value") {
    const bool found = d.Locate("I", classlib::Variant(a[0] * 10), {});
    component_answer_ = found ? "found " + std::to_string(d.FieldByName("ID")->AsInteger()) : "not found";
  } else if (k == "lookup") {
    const classlib::Variant v = d.Lookup("ID", classlib::Variant(a[0]), "I");
    component_answer_ = classlib::VarIsNull(v) ? "NULL" : std::to_string(v.AsInteger());
  } else if (k == "lookup_value") {
    const classlib::Variant v = d.Lookup("I", classlib::Variant(a[0] * 10), "ID");
    component_answer_ = classlib::VarIsNull(v) ? "NULL" : std::to_string(v.AsInteger());
  } else if (k == "filter") {
    SetFilterMode(a[0]);
  } else if (k == "refresh_options") {
    fib::TpZODDsOptions options = d.Options();
    d.SetOptions(a[0] == 1 ? options.Include(fib::poRefreshAfterPost) : options.Exclude(fib::poRefreshAfterPost));
  } else if (k == "sort") {
    if (a[0] == 0) d.DoSort({classlib::Variant("ID")}, {true});
    else if (a[0] == 1) d.DoSort({classlib::Variant("I"), classlib::Variant("ID")}, {true, true});
    else d.DoSort({classlib::Variant("S"), classlib::Variant("ID")}, {false, true});
  } else if (k == "reopen") {
    d.Close();
    OpenDataSet();
  } else if (k == "cached") {
    d.Close();
    OpenDataSet();
  } else if (k == "locate_key") {
    component_answer_ = d.Locate("ID", classlib::Variant(a[0]), {}) ? "found" : "not found";
  } else if (k == "apply") {
    d.ApplyUpdates();
  } else if (k == "cancel_updates") {
    d.CancelUpdates();
  } else if (k == "blob_stream") {
    GoTo(a[0]);
    d.Edit();
    {
      const std::string bytes = a[1] == kFB ? Bytes(a[2]) : Text(kFM, a[2]);
      auto stream = d.CreateBlobStream(d.FieldByName(kNames[a[1]]), classlib::bmWrite);
      stream->Write(bytes.data(), static_cast<int>(bytes.size()));
    }
    PostOrCancel(d);
  } else if (k == "refused_post") {
    GoTo(a[0]);
    d.Edit();
    Write(*d.FieldByName(kNames[a[1]]), static_cast<FibColumn>(a[1]), a[2]);
    d.FieldByName("I")->SetAsInteger(kRefusedI);
    bool refused = false;
    try {
      d.Post();
    } catch (const std::exception&) {
      refused = true;
    }
    if (!refused) throw std::runtime_error("the post of I = 666 was not refused by the CHECK constraint");
    Write(*d.FieldByName("I"), kFI, a[3]);
    PostOrCancel(d);
  } else if (k == "other_update") {
    Elsewhere(std::string("update KS set ") + kNames[a[1]] + " = " + Literal(static_cast<FibColumn>(a[1]), a[2]) +
              " where ID = " + std::to_string(a[0]));
  } else if (k == "other_insert") {
    Elsewhere("insert into KS (ID, " + std::string(kNames[a[0]]) + ") values (" + std::to_string(next_id_ - 1) + ", " +
              Literal(static_cast<FibColumn>(a[0]), a[1]) + ")");
  } else if (k == "other_delete") {
    Elsewhere("delete from KS where ID = " + std::to_string(a[0]));
  } else if (k == "detail") {
    LinkDetail(a[0]);
  } else if (k == "update_transaction") {
    d.Close();
    d.SetUpdateTransaction(a[0] == 1 ? update_tr_.get() : tr_.get());
    OpenDataSet();
  } else if (k == "update_commit") {
    if (update_tr_->Active()) update_tr_->Commit();
  } else if (k == "update_rollback") {
    if (update_tr_->Active()) update_tr_->Rollback();
  } else if (k == "commit_retaining") {
    if (tr_->Active()) tr_->CommitRetaining();
  } else if (k == "rollback_retaining") {
    if (tr_->Active()) tr_->RollbackRetaining();
  } else if (k == "commit" || k == "rollback") {
    // A hard end of the transaction closes its data sets; the application
    // opens this one again.
    const bool detail_was_open = detail_->Active();
    if (tr_->Active()) {
      if (k == "commit") tr_->Commit();
      else tr_->Rollback();
    }
    if (!d.Active()) OpenDataSet();
    // So is the detail, which reads in the same transaction.
    if (detail_was_open && !detail_->Active()) detail_->Open();
  }
}

// The filter as an application switches it: off, then the expression or
// the handler, then on.
void ZodSequencesDriver::SetFilterMode(int mode) {
  fib::TpZODDataSet& d = *ds_;
  d.SetFiltered(false);
  d.SetFilter(mode == 1 ? "I > 40" : "");
  if (mode == 2)
    d.SetOnFilterRecord(classlib::TFilterRecordEvent::Function([](classlib::TDataSet* ds, bool& accept) {
      accept = ds->FieldByName("ID")->AsInteger() % 2 == 1;
    }));
  else
    d.SetOnFilterRecord(nullptr);
  d.SetFiltered(mode != 0);
}

// ---- Comparing

std::vector<FibRow> ZodSequencesDriver::ReadServer() {
  fib::TFIBDataSet reader(&form_);
  reader.SetName("Reader");
  reader.SetDatabase(reader_db_.get());
  reader.SetTransaction(reader_tr_.get());
  reader.SelectSQL().SetText("select ID, I, S, M, B, F, D, L, A, T from KS order by ID");
  reader_tr_->StartTransaction();
  reader.Open();
  std::vector<FibRow> rows;
  for (; !reader.Eof(); reader.Next()) rows.push_back(ReadRow(reader));
  reader.Close();
  reader_tr_->Commit();
  return rows;
}

std::string ZodSequencesDriver::Compare() {
  fib::TpZODDataSet& d = *ds_;
  std::ostringstream out;
  if (!d.Active()) {
    out << "the data set is closed\n";
    return out.str();
  }
  if (d.State() != classlib::dsBrowse) out << "the data set is not browsing\n";
  if (component_answer_ != model_answer_) out << "answered '" << component_answer_ << "', the model '" << model_answer_ << "'\n";
  std::vector<FibRow> shown;
  const int current = d.IsEmpty() ? -1 : d.FieldByName("ID")->AsInteger();
  if (!d.IsEmpty()) {
    // The detail follows the master only once the walk is over.
    d.DisableControls();
    const classlib::TBookmark mark = d.GetBookmark();
    for (d.First(); !d.Eof(); d.Next()) shown.push_back(ReadRow(d));
    d.GotoBookmark(mark);
    d.EnableControls();
  }
  if (detail_mode_ != 0) {
    fib::TpZODDataSet& detail = *detail_;
    if (detail.Active() != detail_open_) out << "the detail is " << (detail.Active() ? "open" : "closed") << ", the model's not\n";
    std::vector<int> detail_ids;
    if (detail.Active() && !detail.IsEmpty())
      for (detail.First(); !detail.Eof(); detail.Next()) detail_ids.push_back(detail.FieldByName("ID")->AsInteger());
    const std::vector<int> expected_ids = detail_open_ ? ExpectedDetailIds() : std::vector<int>{};
    if (detail.Active() && detail_ids != expected_ids) {
      out << "the detail shows";
      for (int id : detail_ids) out << " " << id;
      out << ", the model";
      for (int id : expected_ids) out << " " << id;
      out << "\n";
    }
  }
  std::vector<FibRow> expected;
  for (int id : ShownIds()) expected.push_back(Held(id)->shown);
  if (shown != expected) {
    out << "rows shown differ:\n";
    for (size_t i = 0; i < std::max(shown.size(), expected.size()); ++i) {
      const std::string got = i < shown.size() ? RowText(shown[i]) : "(none)";
      const std::string want = i < expected.size() ? RowText(expected[i]) : "(none)";
      if (got != want) out << "  row " << i + 1 << ": shown " << got << "\n         model " << want << "\n";
    }
  }
  if (current != current_.value_or(-1)) out << "current record ID " << current << ", the model " << current_.value_or(-1) << "\n";
  // The limited cache model answers RecordCount from its window.
  // Without poVisibleRecno the count takes in the records the filter hides.
  const auto held = static_cast<int>(std::count_if(held_.begin(), held_.end(), [](const FibHeldRow& row) {
    return row.status != FibHeldRow::kDeleted;
  }));
  if (!limited_ && d.RecordCount() != held) out << "RecordCount " << d.RecordCount() << ", the model " << held << "\n";
  if (cached_ && d.UpdatesPending() != PendingUpdates())
    out << "UpdatesPending " << d.UpdatesPending() << ", the model " << PendingUpdates() << "\n";
  const std::vector<FibRow> server = ReadServer();
  std::vector<FibRow> server_expected;
  for (const auto& [id, row] : committed_) server_expected.push_back(row);
  if (server != server_expected) {
    out << "the server's committed rows differ:\n";
    for (size_t i = 0; i < std::max(server.size(), server_expected.size()); ++i) {
      const std::string got = i < server.size() ? RowText(server[i]) : "(none)";
      const std::string want = i < server_expected.size() ? RowText(server_expected[i]) : "(none)";
      if (got != want) out << "  row " << i + 1 << ": server " << got << "\n         model " << want << "\n";
    }
  }
  return out.str();
}

std::string ZodSequencesDriver::Describe(const Operation& op) const {
  const std::string& k = op.kind;
  const auto& a = op.args;
  const auto set = [](int column, int v) {
    return std::string(kNames[column]) + " := " + (v == 0 ? std::string("NULL") : "value #" + std::to_string(v));
  };
  if (k == "edit_post") return "row " + std::to_string(a[0]) + ": Edit, " + set(a[1], a[2]) + ", Post";
  if (k == "edit_cancel") return "row " + std::to_string(a[0]) + ": Edit, " + set(a[1], a[2]) + ", Cancel";
  if (k == "append_post") return "Append a new ID, " + set(a[0], a[1]) + ", Post";
  if (k == "insert_post") return "row " + std::to_string(a[0]) + ": Insert a new ID, " + set(a[1], a[2]) + ", Post";
  if (k == "refresh_record") return "row " + std::to_string(a[0]) + ": Refresh";
  if (k == "locate_value") return "Locate I = " + std::to_string(a[0] * 10);
  if (k == "lookup") return "Lookup ID = " + std::to_string(a[0]) + " for I";
  if (k == "lookup_value") return "Lookup I = " + std::to_string(a[0] * 10) + " for ID";
  if (k == "filter") return a[0] == 0 ? "Filtered off" : (a[0] == 1 ? "Filter 'I > 40' on" : "OnFilterRecord (odd IDs) on");
  if (k == "refresh_options") return a[0] ? "Options + poRefreshAfterPost" : "Options - poRefreshAfterPost";
  if (k == "sort") return a[0] == 0 ? "local sort by ID" : (a[0] == 1 ? "local sort by I, ID" : "local sort by S descending, ID");
  if (k == "delete") return "row " + std::to_string(a[0]) + ": Delete";
  if (k == "refresh") return "Refresh";
  if (k == "reopen") return "Close, Open";
  if (k == "cached") return std::string("Close, CachedUpdates ") + (a[0] ? "on" : "off") + ", Open";
  if (k == "locate_key") return "Locate ID = " + std::to_string(a[0]);
  if (k == "apply") return "ApplyUpdates";
  if (k == "cancel_updates") return "CancelUpdates";
  if (k == "blob_stream") return "row " + std::to_string(a[0]) + ": Edit, " + set(a[1], a[2]) + " through CreateBlobStream, Post";
  if (k == "refused_post")
    return "row " + std::to_string(a[0]) + ": Edit, " + set(a[1], a[2]) + ", I := 666, Post (refused), " + set(kFI, a[3]) + ", Post";
  if (k == "other_update") return "another attachment: ID " + std::to_string(a[0]) + ", " + set(a[1], a[2]);
  if (k == "other_insert") return "another attachment inserts a new ID, " + set(a[0], a[1]);
  if (k == "other_delete") return "another attachment deletes ID " + std::to_string(a[0]);
  if (k == "commit_retaining") return "the transaction: CommitRetaining";
  if (k == "rollback_retaining") return "the transaction: RollbackRetaining";
  if (k == "commit") return "the transaction: Commit";
  if (k == "detail")
    return a[0] == 0 ? "detail unlinked"
                     : (a[0] == 1 ? "detail linked by the parameter :ID, opened" : "detail linked by :MAS_ID with dcForceOpen, opened");
  if (k == "update_transaction") return std::string("Close, UpdateTransaction := ") + (a[0] ? "a separate one" : "the read transaction") + ", Open";
  if (k == "update_commit") return "the update transaction: Commit";
  if (k == "update_rollback") return "the update transaction: Rollback";
  if (k == "rollback") return "the transaction: Rollback";
  return k;
}

}  // namespace fib_test
