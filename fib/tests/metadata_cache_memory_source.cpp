#include "metadata_cache_memory_source.h"

#include <algorithm>
#include <stdexcept>

namespace fib_test {

namespace {

class MemoryRows : public fib::IMetadataRows {
 public:
  explicit MemoryRows(MemoryTable table) : table_(std::move(table)) {}
  bool Next() override { return ++row_ < static_cast<int>(table_.rows.size()); }
  int ColumnCount() const override { return static_cast<int>(table_.columns.size()); }
  std::string ColumnName(int index) const override { return table_.columns.at(index); }
  bool IsNull(int index) const override { return !Value(index).has_value(); }
  std::string AsString(int index) const override { return Value(index).value_or(""); }
  int AsInteger(int index) const override {
    return IsNull(index) ? 0 : std::stoi(*Value(index));
  }

 private:
  const std::optional<std::string>& Value(int index) const {
    return table_.rows.at(row_).at(index);
  }
  MemoryTable table_;
  int row_ = -1;
};

std::string Describe(const std::string& sql, const fib::MetadataParams& params) {
  std::string text = sql;
  for (const auto& [name, value] : params) text += " " + name + "=" + value.AsString();
  return text;
}

}  // namespace

std::unique_ptr<fib::IMetadataRows> MemoryMetadataSource::Select(
    const std::string& sql, const fib::MetadataParams& params) {
  log.push_back(Describe(sql, params));
  if (failing.count(sql) != 0) throw std::runtime_error("statement failed: " + sql);
  auto fixed = answers.find(sql);
  if (fixed != answers.end()) return std::make_unique<MemoryRows>(fixed->second);
  return std::make_unique<MemoryRows>(answer ? answer(sql, params) : MemoryTable{});
}

void MemoryMetadataSource::Execute(const std::string& sql, const fib::MetadataParams& params) {
  log.push_back(Describe(sql, params));
  if (failing.count(sql) != 0) throw std::runtime_error("statement failed: " + sql);
}

bool MemoryMetadataSource::Ran(const std::string& sql) const {
  return std::any_of(log.begin(), log.end(),
                     [&](const std::string& line) { return line.rfind(sql, 0) == 0; });
}

MemoryTable Single(const std::string& value) { return {{"VALUE"}, {{value}}}; }

}  // namespace fib_test
