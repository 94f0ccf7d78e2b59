// TCustomDADataSet: what a data provider asks of the data set: statements of
// its own, the table and key fields, the default order, transactions through
// the connection, and applying one record of a delta.
#include "dacore/dataset_component.h"

#include <cctype>

#include "classlib/ansistr.h"
#include "classlib/field.h"
#include "classlib/fields.h"
#include "dacore/comp_connection.h"
#include "dacore/lexer_parser.h"
#include "dacore/messages.h"
#include "dacore/support_sql.h"

namespace dacore {

namespace {

// sql with each "?" marker (not in a literal or comment) replaced by ":"
// and a running number from 1.
std::string NumberedMarkers(TCustomDASQL& statement, const std::string& sql) {
  std::unique_ptr<TParser> parser = statement.CreateParser(sql);
  parser->OmitComment = true;
  std::string out;
  size_t copied = 0;
  int number = 0;
  std::string lexeme;
  for (int code = parser->GetNextToken(lexeme); code != lcEnd; code = parser->GetNextToken(lexeme)) {
    if (code == lcString || code == lcIdent || lexeme != "?") continue;
    const auto mark = static_cast<size_t>(parser->GetPrevPos());
    out.append(sql, copied, mark - copied);
    out += ":" + std::to_string(++number);
    copied = mark + 1;
  }
  out.append(sql, copied, std::string::npos);
  return out;
}

// The provider's values, by position, into the statement's parameters.
void AssignValues(TDAParams& target, const classlib::TParams& source) {
  for (int i = 0; i < target.Count() && i < source.Count(); ++i) {
    const classlib::TParam& value = *source[i];
    if (value.DataType() != classlib::ftUnknown) target[i]->SetDataType(value.DataType());
    target[i]->SetValue(value.Value());
  }
}

}  // namespace

int TCustomDADataSet::PSExecuteStatement(const std::string& sql, const classlib::TParams& params,
                                         std::unique_ptr<classlib::TDataSet>* result_set) {
  TCustomDAConnection* connection = GetUsedConnection();
  if (!connection) classlib::DatabaseError(SConnectionNotDefined, this);
  if (result_set) {
    std::unique_ptr<TCustomDADataSet> rows = connection->CreateDataSet();
    rows->SetDebug(debug_);
    // The answer counts every row, so every row is read.
    rows->SetFetchAll(true);
    rows->SetSQL(NumberedMarkers(rows->Command(), sql));
    AssignValues(rows->Params(), params);
    rows->Execute();
    const int count = rows->Active() ? rows->RecordCount() : rows->RowsAffected();
    *result_set = std::move(rows);
    return count;
  }
  std::unique_ptr<TCustomDASQL> statement = connection->CreateSQL();
  statement->SetDebug(debug_);
  // It commits as the data set's own statements do (and as a data set of
  // the connection would): not inside a transaction the provider started.
  statement->SetAutoCommit(auto_commit_);
  statement->SetSQL(NumberedMarkers(*statement, sql));
  AssignValues(statement->Params(), params);
  statement->Execute();
  return statement->RowsAffected();
}

std::string TCustomDADataSet::PSGetTableName() {
  if (!updating_table_.empty()) return updating_table_;
  // No name given: edits go to the table the updating table resolved to.
  TCRTableInfo* table = UpdatingTableInfo();
  return table ? table->TableName() : "";
}

void TCustomDADataSet::PSStartTransaction() {
  TCustomDAConnection* connection = GetUsedConnection();
  if (connection && connection->AutoCommit() && auto_commit_) connection->StartTransaction();
}

void TCustomDADataSet::PSEndTransaction(bool commit) {
  TCustomDAConnection* connection = GetUsedConnection();
  if (!connection || !connection->AutoCommit() || !auto_commit_) return;
  if (commit) connection->Commit();
  else connection->Rollback();
}

bool TCustomDADataSet::PSInTransaction() {
  TCustomDAConnection* connection = GetUsedConnection();
  return connection && connection->InTransaction();
}

void TCustomDADataSet::PSReset() {
  if (!Active()) return;
  Close();
  Open();
}

void TCustomDADataSet::PSSetParams(const classlib::TParams& params) {
  if (params.Count() > 0) Params().Assign(&params);
}

std::string TCustomDADataSet::PSGetKeyFields() {
  std::string keys = TMemDataSet::PSGetKeyFields();
  if (!keys.empty() || ProviderKeyFieldsOwn()) return keys;
  std::vector<TCRFieldDesc*> key_fields, data_fields;
  GetKeyFieldDescs(key_fields, data_fields, false);
  for (TCRFieldDesc* field : key_fields) {
    if (!keys.empty()) keys += ';';
    keys += field->Name();
  }
  return keys;
}

namespace {

bool Is(const std::string& lexeme, const char* word) { return classlib::SameText(lexeme, word); }

// A quoted name loses its quotes.
std::string NameOf(TParser& parser, const std::string& lexeme) {
  if (lexeme.size() >= 2 && parser.IsIdentQuote(lexeme.front()) && lexeme.back() == lexeme.front())
    return lexeme.substr(1, lexeme.size() - 2);
  return lexeme;
}

}  // namespace

// The ORDER BY of the final text, item by item while each is a column name
// (qualified or not) the data set has, with ASC/DESC and NULLS FIRST/LAST.
// An item of another kind ends the order there: what came before it is
// still the true beginning of the order.
std::unique_ptr<classlib::TIndexDef> TCustomDADataSet::PSGetDefaultOrder() {
  const std::string sql = FinalSQL();
  std::unique_ptr<TParser> parser = command_->CreateParser(sql);
  parser->OmitComment = true;
  std::string lexeme;
  auto next = [&] { return parser->GetNextToken(lexeme); };
  // ORDER BY outside parentheses.
  int depth = 0;
  int code = next();
  for (; code != lcEnd; code = next()) {
    if (code == lcString) continue;
    if (lexeme == "(") ++depth;
    else if (lexeme == ")") --depth;
    else if (depth == 0 && Is(lexeme, "ORDER") && next() != lcEnd && Is(lexeme, "BY")) break;
  }
  std::string fields, desc_fields;
  if (code != lcEnd) code = next();
  while (code != lcEnd && code != lcString && code != lcNumber) {
    // A name, its last part after ".", names the field.
    std::string name = NameOf(*parser, lexeme);
    code = next();
    while (code != lcEnd && lexeme == ".") {
      if (next() == lcEnd) break;
      name = NameOf(*parser, lexeme);
      code = next();
    }
    classlib::TField* field = FindField(name);
    if (!field) break;
    bool descending = false;
    if (code != lcEnd && (Is(lexeme, "ASC") || Is(lexeme, "DESC"))) {
      descending = Is(lexeme, "DESC");
      code = next();
    }
    if (code != lcEnd && Is(lexeme, "NULLS")) {
      next();
      code = next();
    }
    // An operator after the name makes the item an expression.
    const bool word = !lexeme.empty() && (std::isalpha(static_cast<unsigned char>(lexeme[0])) || lexeme[0] == '_');
    if (code != lcEnd && code != lcIdent && !word && lexeme != "," && lexeme != ")" && lexeme != ";") break;
    if (!fields.empty()) fields += ';';
    fields += field->FieldName();
    if (descending) {
      if (!desc_fields.empty()) desc_fields += ';';
      desc_fields += field->FieldName();
    }
    if (code == lcEnd || lexeme != ",") break;
    code = next();
  }
  if (fields.empty()) return nullptr;
  return std::make_unique<classlib::TIndexDef>(fields, desc_fields);
}

bool TCustomDADataSet::PSUpdateRecord(classlib::TUpdateKind kind, classlib::TDataSet& delta) {
  // The text of the kind as the data set would run it (an update object's
  // first, macros expanded); without one the provider writes the change.
  const std::string text = GetUpdateStatementText(UpdateKindToStatementType(kind));
  if (classlib::Trim(text).empty()) return false;
  TCustomDAConnection* connection = GetUsedConnection();
  if (!connection) classlib::DatabaseError(SConnectionNotDefined, this);
  std::unique_ptr<TCustomDASQL> statement = connection->CreateSQL();
  statement->SetDebug(debug_);
  statement->SetAutoCommit(GetUpdateAutoCommit());
  statement->SetSQL(text);
  TDAParams& params = statement->Params();
  for (int i = 0; i < params.Count(); ++i) {
    TDAParam& param = *params.Items(i);
    const std::string& name = param.Name();
    const bool old = name.size() > 4 && classlib::SameText(name.substr(0, 4), "OLD_");
    classlib::TField* field = delta.FindField(old ? name.substr(4) : name);
    if (!field) continue;
    classlib::Variant value = old ? field->OldValue() : field->NewValue();
    // A delta carries no new value for a field the change left alone: the
    // column keeps what it held.
    if (!old && classlib::VarIsEmpty(value)) value = field->OldValue();
    param.AssignFieldValue(field, value);
  }
  statement->Execute();
  return true;
}

}  // namespace dacore
