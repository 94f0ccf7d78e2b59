// The Oracle SQL generator.
#include "oracle/query_sql_generator.h"

#include <algorithm>

#include "dacore/data_types.h"
#include "oracle/call_state.h"
#include "oracle/param_ora_param.h"
#include "oracle/query_ora_dataset.h"
#include "oracle/session_ora_session.h"
#include "oracle/value_data_types.h"

namespace oracle {

using namespace dacore;

namespace {
constexpr const char* kLineEnd = "\r\n";

// What a column holds: an object column's own kind (object, VARRAY,
// nested table or XML value), else its data type.
TDataType ValueKind(const TFieldDesc& field) {
  if (field.DataType() == dtObject && field.ObjectType()) return field.ObjectType()->DataType();
  return field.DataType();
}

bool Contains(const std::vector<TCRFieldDesc*>& fields, const TCRFieldDesc* field) {
  return std::find(fields.begin(), fields.end(), field) != fields.end();
}

// The major release number of a version text such as "10.2.0.1.0"; 0 when none.
int MajorVersion(const std::string& version) {
  int major = 0;
  for (char c : version) {
    if (c < '0' || c > '9') break;
    major = major * 10 + (c - '0');
  }
  return major;
}
}  // namespace

TOraSQLGenerator::TOraSQLGenerator(TOraDataSet* data_set) : TDASQLGenerator(data_set), ora_data_set_(data_set) {}

std::string TOraSQLGenerator::GenerateSQL(TStatementType statement_type, bool modified_fields_only, TDAParams* params,
                                          int index) {
  if (TOraQuery::UpdateStatementsRequired && dynamic_cast<TOraQuery*>(ora_data_set_)) return "";
  return TDASQLGenerator::GenerateSQL(statement_type, modified_fields_only, params, index);
}

void TOraSQLGenerator::Clear() {
  TDASQLGenerator::Clear();
  lob_fields_.clear();
}

bool TOraSQLGenerator::IsLobLocatorType(TDataType t) { return t == dtOraBlob || t == dtOraClob; }

bool TOraSQLGenerator::IsLongType(TDataType t) { return t == dtBlob || t == dtMemo || t == dtWideMemo; }

bool TOraSQLGenerator::IsBlobDataType(TDataType t) const { return IsLongType(t) || IsLobLocatorType(t); }

bool TOraSQLGenerator::LobsByLocator() const { return !ora_data_set_->Options().TemporaryLobUpdate(); }

bool TOraSQLGenerator::FieldIsNull(const TFieldDesc& field, bool old_value) {
  if (sequence_field_ && &field == sequence_field_) return false;
  const TDataType kind = ValueKind(field);
  if (kind == dtTable || kind == dtXML) return DataSet().FieldValueIsNull(field, old_value);
  return TDASQLGenerator::FieldIsNull(field, old_value);
}

bool TOraSQLGenerator::FieldModified(const TFieldDesc& field) {
  const TDataType kind = ValueKind(field);
  if (kind == dtTable || kind == dtReference) {
    // A cached record no longer knows what its nested data set changed:
    // the value is written again, which loses nothing.
    if (DataSet().CachedUpdates()) return true;
    return ora_data_set_->ObjectColumnModified(field);
  }
  if (kind == dtXML) return ora_data_set_->XmlColumnText(field, false) != ora_data_set_->XmlColumnText(field, true);
  // An object or VARRAY written through its value counts even when no
  // attribute field reads differently (a LOB attribute made NULL).
  if ((kind == dtObject || kind == dtArray) && !field.HasParent() && ora_data_set_->ObjectColumnModified(field))
    return true;
  return TDASQLGenerator::FieldModified(field);
}

void TOraSQLGenerator::AddFieldParam(StringBuilder& builder, TCRFieldDesc& field, bool old, int index,
                                     TStatementType /*statement_type*/) {
  if (&field == DataSet().RowIdentityField()) old = true;
  std::string name = old ? "Old_" + field.Name() : field.Name();
  if (index >= 0) name = "P_" + std::to_string(index) + "_" + name;
  builder.AppendString(":" + DataSet().QuoteName(name));
  ++param_count_;
  if (!params_ || params_->FindParam(name)) return;
  TDAParam* param = params_->CreateParam(OraDataTypeToFieldType(field.DataType()), name, classlib::ptInput);
  auto info = GetParamInfoClass();
  info->Param = param;
  info->Field = &field;
  info->Old = old;
  info->FieldIndex = index;
  params_info_.Add(std::move(info));
}

TCRFieldDesc* TOraSQLGenerator::SequenceKeyField() const {
  if (ora_data_set_->KeySequence().empty() || ora_data_set_->SequenceMode() != smPost || key_fields_.empty())
    return nullptr;
  // Only a column the statement writes takes the sequence: never the ROWID.
  return Contains(data_fields_, key_fields_.front()) ? key_fields_.front() : nullptr;
}

bool TOraSQLGenerator::SequenceInInsert() const {
  TOraSession* session = ora_data_set_->Session();
  if (!session || session->OCICallStyle() != kOci8) return false;
  return MajorVersion(session->GetServerVersion()) >= 8;
}

void TOraSQLGenerator::AddFieldToInsertSQL(TCRFieldDesc& field, int index) {
  const bool from_sequence = sequence_in_insert_ && &field == sequence_field_;
  const bool lob = LobsByLocator() && IsLobLocatorType(field.DataType());
  if (!from_sequence && !lob) {
    TDASQLGenerator::AddFieldToInsertSQL(field, index);
    return;
  }
  if (fld_sb_.Length() > 0) fld_sb_.AppendString(", ");
  fld_sb_.AppendString(GetActualFieldName(field, stInsert));
  if (fld_param_sb_.Length() > 0) fld_param_sb_.AppendString(", ");
  if (from_sequence) {
    fld_param_sb_.AppendString(ora_data_set_->KeySequence() + ".NEXTVAL");
  } else {
    fld_param_sb_.AppendString(field.DataType() == dtOraBlob ? "EMPTY_BLOB()" : "EMPTY_CLOB()");
    lob_fields_.push_back(&field);
  }
  ++field_count_;
}

void TOraSQLGenerator::AddFieldToUpdateSQL(TCRFieldDesc& field, bool modified_fields_only, int index) {
  if (!LobsByLocator() || !IsLobLocatorType(field.DataType())) {
    TDASQLGenerator::AddFieldToUpdateSQL(field, modified_fields_only, index);
    return;
  }
  if (modified_fields_only && !FieldModified(field)) return;
  if (fld_sb_.Length() > 0) fld_sb_.AppendString(", ");
  fld_sb_.AppendString(GetActualFieldName(field, stUpdate) + " = ");
  if (FieldIsNull(field, false)) {
    fld_sb_.AppendString("NULL");
  } else {
    fld_sb_.AppendString(field.DataType() == dtOraBlob ? "EMPTY_BLOB()" : "EMPTY_CLOB()");
    lob_fields_.push_back(&field);
  }
  ++field_count_;
}

void TOraSQLGenerator::AddReturning(int index) {
  const bool all = ora_data_set_->Options().ReturnParams();
  std::vector<TCRFieldDesc*> returned;
  for (TCRFieldDesc* field : data_fields_) {
    const bool wanted = (all && !IsLongType(field->DataType())) || Contains(lob_fields_, field) ||
                        (sequence_in_insert_ && field == sequence_field_);
    if (wanted) returned.push_back(field);
  }
  if (returned.empty()) return;
  StringBuilder names(100), params(100);
  for (TCRFieldDesc* field : returned) {
    if (names.Length() > 0) {
      names.AppendString(", ");
      params.AppendString(", ");
    }
    names.AppendString(GetActualFieldName(*field, stInsert));
    AddFieldParam(params, *field, false, index, stInsert);
  }
  footer_sb_.AppendString(std::string(kLineEnd) + "RETURNING" + kLineEnd + "  " + names.ToString() + kLineEnd +
                          "INTO" + kLineEnd + "  " + params.ToString());
}

void TOraSQLGenerator::WrapInSequenceBlock(int index) {
  StringBuilder key(50);
  AddFieldParam(key, *sequence_field_, false, index, stInsert);
  const std::string head = "begin" + std::string(kLineEnd) + "  SELECT " + ora_data_set_->KeySequence() +
                           ".NEXTVAL INTO " + key.ToString() + " FROM Dual;" + kLineEnd + kLineEnd + "  ";
  const std::string insert = header_sb_.ToString();
  header_sb_.SetLength(0);
  header_sb_.AppendString(head + insert);
  footer_sb_.AppendString(";" + std::string(kLineEnd) + "end;");
}

void TOraSQLGenerator::GenerateInsertSQL(bool modified_fields_only, int index) {
  sequence_field_ = SequenceKeyField();
  sequence_in_insert_ = sequence_field_ && SequenceInInsert();
  try {
    // Without the sequence in the INSERT, the block's SELECT INTO names the
    // key's parameter first, so the INSERT's VALUES binds the same one.
    StringBuilder unused(10);
    if (sequence_field_ && !sequence_in_insert_) AddFieldParam(unused, *sequence_field_, false, index, stInsert);
    TDASQLGenerator::GenerateInsertSQL(modified_fields_only, index);
    if (field_count_ == 0 && modified_fields_only) {
      Clear();
      TDASQLGenerator::GenerateInsertSQL(false, index);
    }
    AddReturning(index);
    if (sequence_field_ && !sequence_in_insert_) WrapInSequenceBlock(index);
  } catch (...) {
    sequence_field_ = nullptr;
    sequence_in_insert_ = false;
    throw;
  }
  sequence_field_ = nullptr;
  sequence_in_insert_ = false;
}

void TOraSQLGenerator::GenerateUpdateSQL(bool modified_fields_only, int index) {
  TDASQLGenerator::GenerateUpdateSQL(modified_fields_only, index);
  if (field_count_ > 0) AddReturning(index);
}

void TOraSQLGenerator::GenerateLockSQL(int index) {
  header_sb_.AppendString("SELECT * FROM " + TableName() + kLineEnd + "WHERE" + kLineEnd + "  ");
  GenerateKeyConditions(cond_sb_, stLock, index);
  footer_sb_.AppendString(std::string(kLineEnd) + "FOR UPDATE NOWAIT");
}

void TOraSQLGenerator::GenerateRefreshSQL() {
  if (!DataSet().ReadOnly() && !(DataSet().Designing() && DataSet().FullRefresh())) {
    TDASQLGenerator::GenerateRefreshSQL();
    return;
  }
  header_sb_.AppendString("WHERE" + std::string(kLineEnd) + "  ");
  GenerateKeyConditions(cond_sb_, stRefresh, -1);
}

}  // namespace oracle
