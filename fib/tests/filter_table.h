// A small in-memory table that filters run over in the tests: named, typed
// columns, rows of values and a current row.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "classlib/ansistr.h"
#include "classlib/exceptions.h"
#include "fib/sql/filter_expression_parser.h"
#include "fib/sql/filter_fields.h"

namespace fib_test {

class FilterTable : public fib::TFilterFieldSource {
 public:
  FilterTable(std::initializer_list<std::pair<std::string, classlib::TFieldType>> columns) {
    for (const auto& [name, type] : columns) {
      fields_.push_back(std::make_unique<Column>(*this, static_cast<int>(fields_.size()), name, type));
    }
  }

  void AddRow(std::vector<classlib::Variant> values) { rows_.push_back(std::move(values)); }
  void SetCurrent(int row) { current_ = row; }
  int Lookups() const { return lookups_; }

  fib::TFilterField* FindField(const std::string& name) override {
    for (auto& f : fields_) {
      if (classlib::AnsiSameText(f->name, name)) return f.get();
    }
    return nullptr;
  }

  fib::TFilterField* FieldByName(const std::string& name) override {
    ++lookups_;
    if (auto* f = FindField(name)) return f;
    throw classlib::EDatabaseError("Field '" + name + "' not found");
  }

  // The rows (from 0) that pass the filter.
  std::vector<int> Matching(fib::TExpressionParser& parser) {
    std::vector<int> rows;
    for (int r = 0; r < static_cast<int>(rows_.size()); ++r) {
      current_ = r;
      if (parser.RecordMatches()) rows.push_back(r);
    }
    return rows;
  }

 private:
  struct Column : fib::TFilterField {
    Column(FilterTable& t, int i, std::string n, classlib::TFieldType ty)
        : table(t), index(i), name(std::move(n)), type(ty) {}
    classlib::Variant Value() const override { return table.rows_[table.current_][index]; }
    classlib::TFieldType DataType() const override { return type; }
    FilterTable& table;
    int index;
    std::string name;
    classlib::TFieldType type;
  };

  std::vector<std::unique_ptr<Column>> fields_;
  std::vector<std::vector<classlib::Variant>> rows_;
  int current_ = 0;
  int lookups_ = 0;
};

}  // namespace fib_test
