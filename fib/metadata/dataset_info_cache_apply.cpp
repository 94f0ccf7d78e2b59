// Giving a data set the settings its repository row holds.
#include "classlib/strings.h"
#include "fib/metadata/dataset_info_cache.h"
#include "fib/statements/auto_update_options.h"

namespace fib {

namespace {

void ApplyText(IDataSetInfoTarget& data_set, TDataSetSQLKind kind, const std::string& text) {
  if (text.empty() || ListText(data_set.SQLText(kind).Text()) == text) return;
  if (kind == TDataSetSQLKind::Select && data_set.ConditionsYield(text)) return;
  classlib::TStringList lines;
  lines.SetText(text);
  data_set.SetSQLText(kind, lines);
}

}  // namespace

void ApplyDataSetInfo(const TpDataSetInfo& info, IDataSetInfoTarget& data_set) {
  ApplyText(data_set, TDataSetSQLKind::Select, info.SelectSQL);
  ApplyText(data_set, TDataSetSQLKind::Insert, info.InsertSQL);
  ApplyText(data_set, TDataSetSQLKind::Update, info.UpdateSQL);
  ApplyText(data_set, TDataSetSQLKind::Delete, info.DeleteSQL);
  ApplyText(data_set, TDataSetSQLKind::Refresh, info.RefreshSQL);

  TAutoUpdateOptions& options = data_set.AutoUpdateOptions();
  // Keys come from the generator only when the row names both.
  options.SetUseGenerator(!info.KeyField.empty() && !info.NameGenerator.empty());
  options.SetKeyFields(info.KeyField);
  options.SetGeneratorName(info.NameGenerator);
  options.SetUpdateOnlyModifiedFields(info.UpdateOnlyModifiedFields);
  options.SetUpdateTableName(info.UpdateTableName);
  data_set.SetConditionsText(info.Conditions);
  data_set.SetDescription(info.Description);
}

}  // namespace fib
