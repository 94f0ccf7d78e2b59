#include "oracle/tests/rset_fixture.h"

#include <dlfcn.h>

#include "dacore/driver_props.h"

namespace oracle::testing {

FetchControl::FetchControl(const std::string& path) : library_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
  if (!library_) throw std::runtime_error("cannot load the stand-in " + path);
}

FetchControl::~FetchControl() { dlclose(library_); }

void* FetchControl::Symbol(const char* name) {
  void* symbol = dlsym(library_, name);
  if (!symbol) throw std::runtime_error(std::string("the stand-in lacks ") + name);
  return symbol;
}

void FetchControl::ScriptQuery(const std::string& sql, const std::string& columns) {
  reinterpret_cast<void (*)(const char*, const char*)>(Symbol("standin_script_query"))(sql.c_str(), columns.c_str());
}

void FetchControl::AddRows(const std::string& sql, const std::string& rows) {
  reinterpret_cast<void (*)(const char*, const char*)>(Symbol("standin_add_rows"))(sql.c_str(), rows.c_str());
}

void FetchControl::GenerateRows(const std::string& sql, int count) {
  reinterpret_cast<void (*)(const char*, int)>(Symbol("standin_generate_rows"))(sql.c_str(), count);
}

void FetchControl::FailRow(const std::string& sql, int row, int code, const std::string& text) {
  reinterpret_cast<void (*)(const char*, int, int, const char*)>(Symbol("standin_fail_row"))(sql.c_str(), row, code,
                                                                                           text.c_str());
}

void FetchControl::SetFetchDelay(int milliseconds) {
  reinterpret_cast<void (*)(int)>(Symbol("standin_set_fetch_delay"))(milliseconds);
}

void FetchControl::SetDescribeNoData(bool on) {
  reinterpret_cast<void (*)(int)>(Symbol("standin_set_describe_no_data"))(on ? 1 : 0);
}

int FetchControl::FetchCalls() { return reinterpret_cast<int (*)()>(Symbol("standin_fetch_calls"))(); }

void RecordSetTest::SetUp() {
  CommandTest::SetUp();
  fetch_ = std::make_unique<FetchControl>(ORACLE_STANDIN_PATH);
}

void RecordSetTest::ControlsSwitched(const std::string& path) {
  CommandTest::ControlsSwitched(path);
  fetch_ = std::make_unique<FetchControl>(path);
}

void RecordSetTest::TearDown() {
  fetch_.reset();
  CommandTest::TearDown();
}

std::unique_ptr<TOCIRecordSet> RecordSetTest::NewRecordSet(const std::string& sql, int fetch_rows) {
  auto record_set = std::make_unique<TOCIRecordSet>();
  record_set->SetConnection(connection_.get());
  record_set->SetSQL(sql);
  record_set->SetProp(dacore::prFetchRows, fetch_rows);
  return record_set;
}

classlib::Variant RecordSetTest::Value(TOCIRecordSet& record_set, const std::string& field) {
  dacore::TFieldDesc* desc = record_set.FieldByName(field);
  classlib::Variant value;
  record_set.GetFieldAsVariant(desc->FieldNo(), dacore::ItemRecord(record_set.CurrentItem()), value);
  return value;
}

}  // namespace oracle::testing
