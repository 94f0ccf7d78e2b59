#include "oracle/tests/query_sequences_driver.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <stdexcept>

#include "classlib/datetime.h"
#include "classlib/field.h"
#include "classlib/fields.h"
#include "classlib/stream.h"
#include "oracle/error_ora.h"
#include "testing/dataset_sequence_component.h"
#include "testing/sequence_values.h"

namespace oracle::testing {

using classlib::TField;
using sequences::Operation;

namespace {

// ---- Values

constexpr const char* kColumnNames[kOraColumns] = {"I", "S", "M", "B", "F", "D", "TS"};
static_assert(kOraColumns <= sequences::kMaxColumns);
using sequences::kDetailParents;
using sequences::kFirstRows;
using sequences::kRefusedI;

// Memos of every third number hold a second line.
std::string TextValue(OraColumn column, int v) {
  std::string text = sequences::TextValue(column == kOS, v);
  if (column == kOM && v % 3 == 0) text += "\r\nsecond line";
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
// A TIMESTAMP keeps the milliseconds a DATE drops.
classlib::TDateTime StampValue(int v) {
  return classlib::EncodeDate(2023, 1 + (v * 5) % 12, 2 * v) + classlib::EncodeTime(23 - v, v * 6, v, v * 111);
}
std::string StampText(classlib::TDateTime value) { return std::to_string(std::llround(value * 86400000.0)); }

// The cell a value number gives, as its field reads it.
Cell ValueCell(int column, int v) {
  if (v == 0) return std::nullopt;
  switch (column) {
    case kOI: return std::to_string(v * 10);
    case kOS:
    case kOM: return TextValue(static_cast<OraColumn>(column), v);
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
Cell WrittenCell(int column, int v) {
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

Cell FieldCell(TField& field, OraColumn column) {
  if (field.IsNull()) return std::nullopt;
  switch (column) {
    case kOB: return Hex(field.AsString());
    case kOF: return FloatText(field.AsFloat());
    case kOD: return DateText(field.AsDateTime());
    case kOT: return StampText(field.AsDateTime());
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
    case kOI: field.SetAsInteger(v * 10); break;
    case kOS:
    case kOM: field.SetAsString(TextValue(static_cast<OraColumn>(column), v)); break;
    case kOB: field.SetAsString(BlobValue(v)); break;
    case kOF: field.SetAsFloat(FloatValue(v)); break;
    case kOD: field.SetAsDateTime(DateValue(v)); break;
    case kOT: field.SetAsDateTime(StampValue(v)); break;
    default: break;
  }
}

sequences::ModelTable Table() {
  sequences::ModelTable table;
  table.column_names.assign(std::begin(kColumnNames), std::end(kColumnNames));
  table.value_cell = ValueCell;
  table.written_cell = WrittenCell;
  table.other_writer = "another session";
  return table;
}

}  // namespace
OraQueryDriver::OraQueryDriver(standin_testing::StandinTier& tier, std::string service, std::string folder)
    : tier_(tier), service_(std::move(service)), folder_(std::move(folder)), model_(Table()) {
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
  std::vector<ModelRow> first_rows;
  std::string rows;
  for (int id = 1; id <= kFirstRows; ++id) {
    ModelRow row;
    row.id = id;
    std::string columns = "ID", values = std::to_string(id);
    for (int c = 0; c < kOraColumns; ++c) {
      const int v = sequences::FirstRowValue(id, c);
      row.cells[c] = ValueCell(c, v);
      columns += std::string(", ") + kColumnNames[c];
      values += ", " + Literal(static_cast<OraColumn>(c), v);
    }
    rows += (rows.empty() ? "" : ";") + std::string("INSERT INTO T (") + columns + ") VALUES (" + values + ")";
    first_rows.push_back(row);
  }
  Setup(tier_, service_, rows);
  session_ = Connect();
  other_ = Connect();
  reader_ = Connect();
  component_answer_.clear();

  query_ = std::make_unique<TOraQuery>();
  query_->SetSession(session_.get());
  query_->SetSQL("SELECT ID, I, S, M, B, F, D, TS, STAMP FROM T ORDER BY ID");
  query_->Open();
  model_.Reset(first_rows);
  source_ = std::make_unique<classlib::TDataSource>(nullptr);
  source_->SetDataSet(query_.get());
  detail_ = std::make_unique<TOraQuery>();
  detail_->SetSession(session_.get());
}

void OraQueryDriver::OtherSessionExec(const std::string& sql) {
  TOraQuery statement;
  statement.SetSession(other_.get());
  statement.SetSQL(sql);
  statement.Execute();
}

// ---- The model's side

Operation OraQueryDriver::Generate(sequences::Random& random) {
  for (;;) {
    Operation op = model_.Candidate(random);
    if (Applicable(op)) return op;
  }
}

bool OraQueryDriver::Applicable(const Operation& op) { return model_.Applicable(op); }

bool OraQueryDriver::ApplyToModel(const Operation& op) {
  component_answer_.clear();
  return model_.Step(op);
}

void OraQueryDriver::ApplyToComponent(const Operation& op) {
  TOraQuery& d = *query_;
  if (sequences::ApplyCommonStep(d, model_, WriteCell, op, component_answer_)) return;
  const std::string& k = op.kind;
  const auto& a = op.args;
  if (k == "blob_stream") {
    sequences::GoTo(d, a[0]);
    d.Edit();
    {
      const std::string bytes = a[1] == kOB ? BlobValue(a[2]) : TextValue(kOM, a[2]);
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
    sequences::PostOrCancel(d);
  } else if (k == "other_update") {
    OtherSessionExec(std::string("UPDATE T SET ") + kColumnNames[a[1]] + " = " + Literal(static_cast<OraColumn>(a[1]), a[2]) +
                     " WHERE ID = " + std::to_string(a[0]));
  } else if (k == "other_insert") {
    OtherSessionExec("INSERT INTO T (ID, " + std::string(kColumnNames[a[0]]) + ") VALUES (" +
                     std::to_string(model_.NextId() - 1) + ", " + Literal(static_cast<OraColumn>(a[0]), a[1]) + ")");
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
  for (int c = 0; c < kOraColumns; ++c) row.cells[c] = FieldCell(*d.FieldByName(kColumnNames[c]), static_cast<OraColumn>(c));
  TField* stamp = d.FieldByName("STAMP");
  row.stamp = stamp->IsNull() ? Cell() : Cell(stamp->AsString());
  return row;
}
}  // namespace

std::vector<ModelRow> OraQueryDriver::ReadServer() {
  TOraQuery reader;
  reader.SetSession(reader_.get());
  reader.SetSQL("SELECT ID, I, S, M, B, F, D, TS, STAMP FROM T ORDER BY ID");
  reader.Open();
  std::vector<ModelRow> rows;
  while (!reader.Eof()) {
    rows.push_back(ReadRow(reader));
    reader.Next();
  }
  reader.Close();
  return rows;
}

std::string OraQueryDriver::Compare() {
  sequences::Observed seen = sequences::Observe(*query_, *detail_, model_, ReadRow, component_answer_);
  seen.server = ReadServer();
  return model_.Verdict(seen);
}

std::string OraQueryDriver::Describe(const Operation& op) const { return model_.Describe(op); }

}  // namespace oracle::testing
