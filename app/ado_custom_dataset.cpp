#include "app/ado_custom_dataset.h"

#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

#include "app/ado_blob_stream.h"
#include "app/ado_connection.h"
#include "app/ado_statement.h"
#include "classlib/ansistr.h"
#include "classlib/codepage.h"

namespace app {

namespace {

std::string FromQt(const QString& text) { return classlib::Utf8ToCp1251(text.toStdString()); }

// SQL Server refuses "=" on its long text types, whose declared length is
// beyond 8000; such columns, binary ones and floating-point ones do not help
// to find a row again.
bool FindsRow(const TADOField& field) {
  const int id = field.DataType().id();
  if (field.IsBlob() || id == QMetaType::Double || id == QMetaType::Float) return false;
  return !(id == QMetaType::QString && field.Size() > 8000);
}

}  // namespace

TCustomADODataSet::TCustomADODataSet(classlib::TComponent* owner) : TComponent(owner) {}

TCustomADODataSet::~TCustomADODataSet() {
  Destroying();
  DoClose();
  if (connection_ != nullptr) connection_->UnRegisterClient(this);
}

void TCustomADODataSet::SetConnection(TADOConnection* connection) {
  if (connection == connection_) return;
  Close();
  if (connection_ != nullptr) {
    connection_->UnRegisterClient(this);
    RemoveFreeNotification(connection_);
  }
  connection_ = connection;
  if (connection_ != nullptr) {
    connection_->RegisterClient(
        this, classlib::TConnectChangeEvent(this, &TCustomADODataSet::ConnectChange));
    FreeNotification(connection_);
  }
}

void TCustomADODataSet::Notification(classlib::TComponent* component,
                                     classlib::TOperation operation) {
  if (operation == classlib::opRemove && component == connection_) {
    DoClose();
    connection_ = nullptr;
  }
  TComponent::Notification(component, operation);
}

void TCustomADODataSet::ConnectChange(classlib::TObject* /*sender*/, bool connecting) {
  if (!connecting) Close();
}

TADOConnection& TCustomADODataSet::CheckConnection() const {
  if (connection_ == nullptr) throw EADOError("Missing Connection or ConnectionString");
  return *connection_;
}

// ---- Opening and closing

void TCustomADODataSet::SetActive(bool value) {
  if (value == Active()) return;
  if (value) {
    DoOpen();
  } else {
    DoClose();
  }
}

void TCustomADODataSet::DoOpen() {
  const std::string text = StatementText();
  QSqlQuery query = CheckConnection().ExecQuery(text);
  if (!query.isSelect()) throw EADOError("CommandText does not return a result set");
  const QSqlRecord record = query.record();
  std::vector<std::unique_ptr<TADOField>> fields;
  for (int i = 0; i < record.count(); ++i) {
    const QSqlField column = record.field(i);
    fields.push_back(std::make_unique<TADOField>(*this, i, FromQt(column.name()),
                                                 column.metaType(), column.length()));
  }
  std::vector<Row> rows;
  while (query.next()) {
    Row row(static_cast<std::size_t>(record.count()));
    for (int i = 0; i < record.count(); ++i) row[static_cast<std::size_t>(i)] = query.value(i);
    rows.push_back(std::move(row));
  }
  // A row the server failed to deliver is no end of the rows: the open
  // fails as a failed statement does, and no partial result is shown.
  TADOConnection::CheckQueryError(query);
  fields_ = std::move(fields);
  rows_ = std::move(rows);
  opened_text_ = text;
  ++open_serial_;
  state_ = classlib::dsBrowse;
  current_ = rows_.empty() ? -1 : 0;
  bof_ = true;
  eof_ = rows_.empty();
}

void TCustomADODataSet::DoClose() {
  if (state_ == classlib::dsInactive) return;
  ++open_serial_;
  state_ = classlib::dsInactive;
  fields_.clear();
  rows_.clear();
  edit_row_.clear();
  modified_.clear();
  opened_text_.clear();
  current_ = -1;
  bof_ = eof_ = true;
}

void TCustomADODataSet::CheckActive() const {
  if (!Active()) throw EADOError("Cannot perform this operation on a closed dataset");
}

// ---- Navigation

void TCustomADODataSet::MoveTo(int row) {
  current_ = row;
  bof_ = eof_ = false;
}

void TCustomADODataSet::First() {
  CheckActive();
  if (state_ == classlib::dsEdit) Post();
  if (rows_.empty()) return;
  MoveTo(0);
  bof_ = true;
}

void TCustomADODataSet::Last() {
  CheckActive();
  if (state_ == classlib::dsEdit) Post();
  if (rows_.empty()) return;
  MoveTo(static_cast<int>(rows_.size()) - 1);
  eof_ = true;
}

void TCustomADODataSet::Next() {
  CheckActive();
  if (state_ == classlib::dsEdit) Post();
  if (rows_.empty()) return;
  if (current_ + 1 < static_cast<int>(rows_.size())) {
    MoveTo(current_ + 1);
  } else {
    bof_ = false;
    eof_ = true;  // stays on the last row
  }
}

void TCustomADODataSet::Prior() {
  CheckActive();
  if (state_ == classlib::dsEdit) Post();
  if (rows_.empty()) return;
  if (current_ > 0) {
    MoveTo(current_ - 1);
  } else {
    eof_ = false;
    bof_ = true;
  }
}

int TCustomADODataSet::RecordCount() const {
  CheckActive();
  return static_cast<int>(rows_.size());
}

int TCustomADODataSet::RecNo() const {
  CheckActive();
  return current_ + 1;
}

bool TCustomADODataSet::Locate(const std::string& key_field, const std::string& key_value,
                               classlib::TLocateOptions options) {
  CheckActive();
  if (state_ == classlib::dsEdit) Post();
  const int index = FieldByName(key_field).Index();
  const bool ignore_case = options.Contains(classlib::loCaseInsensitive);
  const std::string wanted = ignore_case ? classlib::AnsiUpperCase(key_value) : key_value;
  for (std::size_t row = 0; row < rows_.size(); ++row) {
    const QVariant& value = rows_[row][static_cast<std::size_t>(index)];
    if (!value.isValid() || value.isNull()) continue;
    std::string text = VariantToAnsi(value);
    if (ignore_case) text = classlib::AnsiUpperCase(text);
    const bool match = options.Contains(classlib::loPartialKey) ? text.starts_with(wanted)
                                                                : text == wanted;
    if (match) {
      MoveTo(static_cast<int>(row));
      return true;
    }
  }
  return false;
}

// ---- Fields

TADOField& TCustomADODataSet::Fields(int index) const {
  CheckActive();
  if (index < 0 || index >= FieldCount())
    throw classlib::EListError("List index out of bounds (" + std::to_string(index) + ")");
  return *fields_[static_cast<std::size_t>(index)];
}

TADOField* TCustomADODataSet::FindField(const std::string& name) const {
  for (const auto& field : fields_) {
    if (classlib::AnsiSameText(field->FieldName(), name)) return field.get();
  }
  return nullptr;
}

TADOField& TCustomADODataSet::FieldByName(const std::string& name) const {
  CheckActive();
  TADOField* field = FindField(name);
  if (field == nullptr)
    throw EADOError((Name().empty() ? "" : Name() + ": ") + "Field '" + name + "' not found");
  return *field;
}

const QVariant& TCustomADODataSet::CurrentValue(int index) const {
  static const QVariant kNoRow;
  const auto column = static_cast<std::size_t>(index);
  if (state_ == classlib::dsEdit) return edit_row_[column];
  if (current_ < 0) return kNoRow;
  return rows_[static_cast<std::size_t>(current_)][column];
}

// ---- Editing

void TCustomADODataSet::CheckEditing() const {
  if (state_ != classlib::dsEdit) throw EADOError("Dataset not in edit or insert mode");
}

void TCustomADODataSet::Edit() {
  CheckActive();
  if (state_ == classlib::dsEdit) return;
  if (current_ < 0) throw EADOError("Cannot edit: the dataset has no current record");
  edit_row_ = rows_[static_cast<std::size_t>(current_)];
  modified_.assign(edit_row_.size(), false);
  state_ = classlib::dsEdit;
}

void TCustomADODataSet::SetCurrentValue(int index, const QVariant& value) {
  CheckEditing();
  edit_row_[static_cast<std::size_t>(index)] = value;
  modified_[static_cast<std::size_t>(index)] = true;
}

void TCustomADODataSet::Cancel() {
  if (state_ != classlib::dsEdit) return;
  edit_row_.clear();
  modified_.clear();
  state_ = classlib::dsBrowse;
}

void TCustomADODataSet::Post() {
  CheckEditing();
  bool any_modified = false;
  for (bool m : modified_) any_modified = any_modified || m;
  // A failed write leaves the data set in edit mode with the new values, so
  // the caller can correct them or cancel.
  if (any_modified) WriteRow();
  rows_[static_cast<std::size_t>(current_)] = std::move(edit_row_);
  edit_row_.clear();
  modified_.clear();
  state_ = classlib::dsBrowse;
}

std::string TCustomADODataSet::BaseTable() const {
  std::string table = SingleBaseTable(opened_text_);
  if (table.empty())
    throw EADOError("Insufficient base table information for updating or refreshing");
  return table;
}

void TCustomADODataSet::WriteRow() {
  const std::string table = BaseTable();
  const Row& original = rows_[static_cast<std::size_t>(current_)];
  std::string assignments, criteria;
  QVariantList values, keys;
  for (const auto& field : fields_) {
    const auto i = static_cast<std::size_t>(field->Index());
    if (modified_[i]) {
      assignments += (assignments.empty() ? "" : ", ") + field->FieldName() + " = ?";
      values.push_back(edit_row_[i].isValid() ? edit_row_[i] : QVariant(field->DataType()));
    }
    if (!FindsRow(*field)) continue;
    criteria += criteria.empty() ? "" : " AND ";
    if (original[i].isNull()) {
      criteria += field->FieldName() + " IS NULL";
    } else {
      criteria += field->FieldName() + " = ?";
      keys.push_back(original[i]);
    }
  }
  if (criteria.empty())
    throw EADOError("Insufficient key column information for updating or refreshing");

  const std::string statement =
      "UPDATE " + table + " SET " + assignments + " WHERE " + criteria;
  QSqlQuery query(CheckConnection().Database());
  const bool done = query.prepare(QString::fromStdString(classlib::Cp1251ToUtf8(statement))) && [&] {
    for (const QVariant& value : values) query.addBindValue(value);
    for (const QVariant& key : keys) query.addBindValue(key);
    return query.exec();
  }();
  if (!done) throw EADOError(FromQt(query.lastError().text()));
  if (query.numRowsAffected() == 0)
    throw EADOError(
        "Row cannot be located for updating. Some values may have been changed since it was "
        "last read");
}

std::unique_ptr<classlib::TStream> TCustomADODataSet::CreateBlobStream(
    TADOField& field, classlib::TBlobStreamMode mode) {
  CheckActive();
  if (mode != classlib::bmRead) CheckEditing();
  return std::make_unique<TADOBlobStream>(field, mode);
}

}  // namespace app
