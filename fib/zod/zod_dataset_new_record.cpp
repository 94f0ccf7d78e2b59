// What a new record starts with: a generator key and the columns' defaults.
#include <cmath>
#include <cstdint>

#include "classlib/ansistr.h"
#include "classlib/datetime.h"
#include "classlib/field.h"
#include "classlib/fields.h"
#include "classlib/guid.h"
#include "fib/base/component_name.h"
#include "fib/base/errors.h"
#include "fib/dataset/fib_dataset_defaults.h"
#include "fib/statements/auto_update_options.h"
#include "fib/statements/fib_database.h"
#include "fib/statements/fib_query.h"
#include "fib/zod/zod_database.h"
#include "fib/zod/zod_dataset.h"

namespace fib {

namespace {

constexpr int kDpbUserName = 28;
constexpr int kDpbRoleName = 60;

bool IsNumericField(const classlib::TField* field) {
  switch (field->DataType()) {
    case classlib::ftSmallint: case classlib::ftInteger: case classlib::ftWord:
    case classlib::ftFloat: case classlib::ftCurrency: case classlib::ftBCD:
    case classlib::ftFMTBcd: case classlib::ftLargeint: case classlib::ftAutoInc:
      return true;
    default:
      return false;
  }
}

}  // namespace

void TpZODDataSet::GenerateKeyValue() {
  TAutoUpdateOptions& options = AutoUpdateOptions();
  if (options.WhenGetGenID() == wgNever) return;
  if (!Database()) RaiseClientError(21, {FullComponentName(this)});
  classlib::TField* field = FindField(options.KeyFields());
  if (!field || !IsNumericField(field) || !field->IsNull()) return;
  int64_t value = Database()->GeneratorValue(options.GeneratorName(), options.GeneratorStep(),
                                             Transaction());
  classlib::TFieldType type = field->DataType();
  if (type == classlib::ftFloat || type == classlib::ftCurrency)
    field->SetAsFloat(static_cast<double>(value));
  else if (type == classlib::ftLargeint || (type == classlib::ftBCD && field->Size() == 0) ||
           value > INT32_MAX || value < INT32_MIN)
    // Never cut a key down to 32 bits: the field refuses what it cannot hold.
    field->SetAsLargeInt(value);
  else
    field->SetAsInteger(static_cast<int32_t>(value));
}

bool TpZODDataSet::DoApplyDefaultValue(classlib::TField* field) {
  bool applied = false;
  if (Container()) Container()->ApplyDefaultValue(this, field, applied);
  if (OnApplyDefaultValue) OnApplyDefaultValue(this, field, applied);
  return applied;
}

void TpZODDataSet::ApplyNewRecordDefaults(classlib::TField* key_field) {
  classlib::TDateTime offset = 0;
  if (auto* database = dynamic_cast<TpZODDatabase*>(Database()))
    offset = database->ServerTimeDifference();
  classlib::TDateTime now = classlib::Now() - offset;
  classlib::TDateTime today = std::floor(now);
  const classlib::TStrings& links = AutoUpdateOptions().ParamsToFieldsLinks();
  for (classlib::TField* field : Fields().List()) {
    if (field == key_field || field->FieldKind() != classlib::fkData) continue;
    if (IsStringFieldType(field->DataType()) && empty_default_fields_.contains(field->FieldName())) {
      field->SetAsString("");
      continue;
    }
    if (field->DataType() == classlib::ftGuid) {
      field->SetAsGuid(classlib::CreateGUID());
      continue;
    }
    std::string param = links.Values(field->FieldName());
    if (!param.empty()) {
      if (TFIBXSQLVAR* value = QSelect()->FindParam(param)) {
        field->SetValue(value->AsVariant());
        continue;
      }
    }
    NewRecordDefault value = DecodeDefaultExpression(field->DefaultExpression(), DefaultKindOf(field));
    if (value.kind == NewRecordDefault::kNone || DoApplyDefaultValue(field)) continue;
    switch (value.kind) {
      case NewRecordDefault::kNow: field->SetAsDateTime(now); break;
      case NewRecordDefault::kToday: field->SetAsDateTime(today); break;
      case NewRecordDefault::kTomorrow: field->SetAsDateTime(today + 1); break;
      case NewRecordDefault::kYesterday: field->SetAsDateTime(today - 1); break;
      case NewRecordDefault::kUser:
        if (Database()) field->SetAsString(Database()->GetDBParamValue(kDpbUserName));
        break;
      case NewRecordDefault::kRole:
        if (Database()) field->SetAsString(Database()->GetDBParamValue(kDpbRoleName));
        break;
      default: field->SetAsString(value.text); break;
    }
  }
}

void TpZODDataSet::DoOnNewRecord() {
  TAutoUpdateOptions& options = AutoUpdateOptions();
  classlib::TField* key_field = nullptr;
  if (options.WhenGetGenID() != wgNever) key_field = FindField(options.KeyFields());
  if (options.WhenGetGenID() == wgOnNewRecord) GenerateKeyValue();
  else if (options.WhenGetGenID() == wgBeforePost && key_field) key_field->SetRequired(false);
  ApplyNewRecordDefaults(key_field);
  Report(deOnNewRecord);
  TFIBDataSet::DoOnNewRecord();
}

}  // namespace fib
