#include "dacore/sqlite_tests/dataset_sequences_driver.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <stdexcept>

#include "classlib/datetime.h"
#include "classlib/field.h"
#include "classlib/fields.h"
#include "classlib/stream.h"
#include "testing/dataset_sequence_component.h"
#include "testing/sequence_values.h"

namespace dacore::sqlite_tests {

using classlib::TField;
using sequences::Operation;

namespace {

// ---- Values

constexpr const char* kColumnNames[kColumns] = {"I", "S", "M", "B", "F", "D"};
static_assert(kColumns <= sequences::kMaxColumns);
using sequences::kDetailParents;
using sequences::kFirstRows;
using sequences::kRefusedI;

// Memos of every third number hold a second line.
std::string TextValue(Column column, int v) {
  std::string text = sequences::TextValue(column == kS, v);
  if (column == kM && v % 3 == 0) text += "\r\nsecond line";
  return text;
}

std::string BlobValue(int v) {
  std::string bytes(static_cast<size_t>(v) * 3, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 37 + static_cast<size_t>(v)) & 0xFF);
  if (v % 2 == 0) bytes.append(5000, static_cast<char>(v));
  return bytes;
}

using sequences::DateText;  // whole seconds, which every path keeps
using sequences::DateValue;
using sequences::FloatText;
using sequences::FloatValue;
using sequences::Hex;

// The cell a value number gives, as its field reads it (whether SQL text
// or the field itself wrote it).
Cell ValueCell(int column, int v) {
  if (v == 0) return std::nullopt;
  switch (column) {
    case kI: return std::to_string(v * 10);
    case kS:
    case kM: return TextValue(static_cast<Column>(column), v);
    case kB: return Hex(BlobValue(v));
    case kF: return FloatText(FloatValue(v));
    case kD: return DateText(DateValue(v));
    default: return std::nullopt;
  }
}

// The SQL literal of a value number.
std::string Literal(Column column, int v) {
  if (v == 0) return "NULL";
  switch (column) {
    case kI: return std::to_string(v * 10);
    case kS:
    case kM: {
      std::string out = "'";
      for (char c : TextValue(column, v)) out += c == '\'' ? std::string("''") : std::string(1, c);
      return out + "'";
    }
    case kB: return "X'" + Hex(BlobValue(v)) + "'";
    case kF: return FloatText(FloatValue(v));
    default: {
      int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
      classlib::DecodeDate(DateValue(v), y, mo, d);
      classlib::DecodeTime(DateValue(v), h, mi, s, ms);
      char text[40];
      std::snprintf(text, sizeof text, "'%04d-%02d-%02d %02d:%02d:%02d'", y, mo, d, h, mi, s);
      return text;
    }
  }
}

Cell FieldCell(TField& field, Column column) {
  if (field.IsNull()) return std::nullopt;
  switch (column) {
    case kB: return Hex(field.AsString());
    case kF: return FloatText(field.AsFloat());
    case kD: return DateText(field.AsDateTime());
    default: return field.AsString();
  }
}

// Writes a value number into its field, as an application would.
void WriteCell(TField& field, int column, int v) {
  if (v == 0) {
    field.Clear();
    return;
  }
  switch (column) {
    case kI: field.SetAsInteger(v * 10); break;
    case kS:
    case kM: field.SetAsString(TextValue(static_cast<Column>(column), v)); break;
    case kB: field.SetAsString(BlobValue(v)); break;
    case kF: field.SetAsFloat(FloatValue(v)); break;
    case kD: field.SetAsDateTime(DateValue(v)); break;
    default: break;
  }
}

sequences::ModelTable Table() {
  sequences::ModelTable table;
  table.column_names.assign(std::begin(kColumnNames), std::end(kColumnNames));
  table.value_cell = ValueCell;
  table.written_cell = ValueCell;
  table.other_writer = "another connection";
  return table;
}

}  // namespace

DataSetDriver::DataSetDriver(std::string folder) : folder_(std::move(folder)), model_(Table()) {
  platform::MessageLoop::SetCurrent(&loop_);
}

DataSetDriver::~DataSetDriver() {
  detail_.reset();
  source_.reset();
  data_set_.reset();
  platform::MessageLoop::SetCurrent(nullptr);
}

// ---- Setting up

void DataSetDriver::Reset() {
  detail_.reset();
  source_.reset();
  data_set_.reset();
  session_.reset();
  other_.reset();
  reader_.reset();
  std::filesystem::create_directories(folder_);
  path_ = folder_ + "/sequences.db";
  std::filesystem::remove(path_);
  const auto connect = [&] {
    auto session = std::make_unique<sqlite_driver::TSQLiteSession>(nullptr);
    session->SetServer(path_);
    session->SetConnected(true);
    return session;
  };
  session_ = connect();
  other_ = connect();
  reader_ = connect();
  OtherSessionExec(
      "CREATE TABLE T (ID INTEGER PRIMARY KEY, I INTEGER CHECK (I IS NULL OR I <> 666), S VARCHAR(100), "
      "M TEXT, B BLOB, F REAL, D TIMESTAMP, STAMP VARCHAR(20))");
  // The server stamps each row with what it made of I: the refresh options
  // read it back.
  OtherSessionExec("CREATE TRIGGER T_I AFTER INSERT ON T BEGIN "
                   "UPDATE T SET STAMP = 'n' || ifnull(NEW.I, '-') WHERE ID = NEW.ID; END");
  OtherSessionExec("CREATE TRIGGER T_U AFTER UPDATE OF I ON T WHEN NEW.I IS NOT OLD.I BEGIN "
                   "UPDATE T SET STAMP = 'u' || ifnull(NEW.I, '-') WHERE ID = NEW.ID; END");
  OtherSessionExec("CREATE TABLE DT (ID INTEGER PRIMARY KEY, PID INTEGER, V VARCHAR(20))");
  std::string detail_rows;
  for (int pid = 1; pid <= kDetailParents; ++pid)
    for (int j = 1; j <= pid % 3; ++j)
      detail_rows += std::string(detail_rows.empty() ? "" : ", ") + "(" + std::to_string(pid * 10 + j) + ", " +
                     std::to_string(pid) + ", 'd" + std::to_string(pid * 10 + j) + "')";
  OtherSessionExec("INSERT INTO DT VALUES " + detail_rows);
  std::vector<ModelRow> first_rows;
  for (int id = 1; id <= kFirstRows; ++id) {
    ModelRow row;
    row.id = id;
    std::string columns = "ID", values = std::to_string(id);
    for (int c = 0; c < kColumns; ++c) {
      const int v = sequences::FirstRowValue(id, c);
      row.cells[c] = ValueCell(c, v);
      columns += std::string(", ") + kColumnNames[c];
      values += ", " + Literal(static_cast<Column>(c), v);
    }
    OtherSessionExec("INSERT INTO T (" + columns + ") VALUES (" + values + ")");
    first_rows.push_back(row);
  }
  component_answer_.clear();
  streamed_ids_.clear();

  data_set_ = session_->CreateDataSet();
  data_set_->SetSQL("SELECT ID, I, S, M, B, F, D, STAMP FROM T ORDER BY ID");
  OpenDataSet();
  model_.Reset(first_rows);
  source_ = std::make_unique<classlib::TDataSource>(nullptr);
  source_->SetDataSet(data_set_.get());
  detail_ = session_->CreateDataSet();
}

void DataSetDriver::OpenDataSet() { data_set_->Open(); }

void DataSetDriver::OtherSessionExec(const std::string& sql) {
  auto statement = other_->CreateSQL();
  statement->SetAutoCommit(true);
  statement->SetSQL(sql);
  statement->Execute();
}

// ---- The model's side

Operation DataSetDriver::Generate(sequences::Random& random) {
  for (;;) {
    Operation op = model_.Candidate(random);
    if (Applicable(op)) return op;
  }
}

bool DataSetDriver::Applicable(const Operation& op) { return model_.Applicable(op); }

bool DataSetDriver::ApplyToModel(const Operation& op) {
  component_answer_.clear();
  return model_.Step(op);
}

// ---- The component's side

void DataSetDriver::ApplyToComponent(const Operation& op) {
  TCustomDADataSet& d = *data_set_;
  if (sequences::ApplyCommonStep(d, model_, WriteCell, op, component_answer_)) return;
  const std::string& k = op.kind;
  const auto& a = op.args;
  if (k == "blob_stream") {
    sequences::GoTo(d, a[0]);
    const int id = d.FieldByName("ID")->AsInteger();
    const bool drop = plant_dropped_blob_write_ &&
                      std::find(streamed_ids_.begin(), streamed_ids_.end(), id) != streamed_ids_.end();
    streamed_ids_.push_back(id);
    d.Edit();
    if (!drop) {
      const std::string bytes = a[1] == kB ? BlobValue(a[2]) : TextValue(kM, a[2]);
      auto stream = d.CreateBlobStream(d.FieldByName(kColumnNames[a[1]]), classlib::bmWrite);
      stream->Write(bytes.data(), static_cast<int>(bytes.size()));
    }
    sequences::PostOrCancel(d);
  } else if (k == "refused_post") {
    sequences::GoTo(d, a[0]);
    d.Edit();
    WriteCell(*d.FieldByName(kColumnNames[a[1]]), a[1], a[2]);
    d.FieldByName("I")->SetAsInteger(kRefusedI);
    bool refused = false;
    try {
      d.Post();
    } catch (const std::exception&) {
      refused = true;
    }
    if (!refused) throw std::runtime_error("the post of I = 666 was not refused by the CHECK constraint");
    WriteCell(*d.FieldByName("I"), kI, a[3]);
    sequences::PostOrCancel(d);
  } else if (k == "other_update") {
    OtherSessionExec(std::string("UPDATE T SET ") + kColumnNames[a[1]] + " = " + Literal(static_cast<Column>(a[1]), a[2]) +
                     " WHERE ID = " + std::to_string(a[0]));
  } else if (k == "other_insert") {
    OtherSessionExec("INSERT INTO T (ID, " + std::string(kColumnNames[a[0]]) + ") VALUES (" +
                     std::to_string(model_.NextId() - 1) + ", " + Literal(static_cast<Column>(a[0]), a[1]) + ")");
  } else if (k == "other_delete") {
    OtherSessionExec("DELETE FROM T WHERE ID = " + std::to_string(a[0]));
  } else if (k == "detail") {
    sequences::LinkDetail(*detail_, *source_, a[0]);
  }
}

// ---- Comparing

namespace {
ModelRow ReadRow(classlib::TDataSet& d) {
  ModelRow row;
  row.id = d.FieldByName("ID")->AsInteger();
  for (int c = 0; c < kColumns; ++c) row.cells[c] = FieldCell(*d.FieldByName(kColumnNames[c]), static_cast<Column>(c));
  TField* stamp = d.FieldByName("STAMP");
  row.stamp = stamp->IsNull() ? Cell() : Cell(stamp->AsString());
  return row;
}
}  // namespace

std::vector<ModelRow> DataSetDriver::ReadServer() {
  auto reader = reader_->CreateDataSet();
  reader->SetSQL("SELECT ID, I, S, M, B, F, D, STAMP FROM T ORDER BY ID");
  reader->Open();
  std::vector<ModelRow> rows;
  while (!reader->Eof()) {
    rows.push_back(ReadRow(*reader));
    reader->Next();
  }
  return rows;
}

std::string DataSetDriver::Compare() {
  sequences::Observed seen = sequences::Observe(*data_set_, *detail_, model_, ReadRow, component_answer_);
  seen.server = ReadServer();
  return model_.Verdict(seen);
}

std::string DataSetDriver::Describe(const Operation& op) const { return model_.Describe(op); }

}  // namespace dacore::sqlite_tests
