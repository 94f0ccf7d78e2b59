#include "fib/statements/fib_base_params.h"

#include <gtest/gtest.h>

#include <strings.h>

#include <map>
#include <vector>

namespace fib {
namespace {

using classlib::Variant;

// Parameters and row columns held in plain lists; names match ignoring case
// like the server's unquoted names.
class FakeSQLObject : public ISQLObject {
 public:
  struct Column {
    std::string name;
    Variant value;
    Variant old_value;
  };
  std::vector<std::pair<std::string, Variant>> params;
  std::vector<Column> columns;

  int ParamCount() const override { return static_cast<int>(params.size()); }
  std::string ParamName(int index) const override { return params[index].first; }
  bool ParamExist(const std::string& name, int& index) const override {
    for (index = 0; index < ParamCount(); ++index)
      if (strcasecmp(params[index].first.c_str(), name.c_str()) == 0) return true;
    return false;
  }
  Variant ParamValue(int index) const override { return params[index].second; }
  void SetParamValue(int index, const Variant& value) override { params[index].second = value; }
  bool FieldExist(const std::string& name, int& index) const override {
    for (index = 0; index < static_cast<int>(columns.size()); ++index)
      if (strcasecmp(columns[index].name.c_str(), name.c_str()) == 0) return true;
    return false;
  }
  Variant FieldValue(int index, bool old) const override {
    return old ? columns[index].old_value : columns[index].value;
  }
};

TEST(AssignSQLObjectParams, TakesNewAndOldColumnValuesAndParameters) {
  FakeSQLObject target;
  target.params = {{"new_ID", Variant()}, {"OLD_id", Variant()}, {"NAME", Variant()},
                   {"MAS_KEY", Variant()}, {"UNKNOWN", Variant(7)}};
  FakeSQLObject row;
  row.columns = {{"ID", Variant(2), Variant(1)}, {"name", Variant("new"), Variant("old")}};
  FakeSQLObject master;
  master.params = {{"mas_key", Variant(42)}};

  ISQLObject* sources[] = {nullptr, &row, &master};
  AssignSQLObjectParams(target, sources);
  EXPECT_EQ(target.params[0].second.AsInt64(), 2);
  EXPECT_EQ(target.params[1].second.AsInt64(), 1);
  EXPECT_EQ(target.params[2].second.AsString(), "new");
  EXPECT_EQ(target.params[3].second.AsInt64(), 42);
  EXPECT_EQ(target.params[4].second.AsInt64(), 7);  // nobody knows it: untouched
}

TEST(AssignSQLObjectParams, TheLastSourceThatKnowsTheNameWins) {
  FakeSQLObject target;
  target.params = {{"ID", Variant()}};
  FakeSQLObject first, second;
  first.columns = {{"ID", Variant(1), Variant()}};
  second.params = {{"id", Variant(2)}};
  ISQLObject* sources[] = {&first, &second};
  AssignSQLObjectParams(target, sources);
  EXPECT_EQ(target.params[0].second.AsInt64(), 2);
  ISQLObject* reversed[] = {&second, &first};
  AssignSQLObjectParams(target, reversed);
  EXPECT_EQ(target.params[0].second.AsInt64(), 1);
}

}  // namespace
}  // namespace fib
