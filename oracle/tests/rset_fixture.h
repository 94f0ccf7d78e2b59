// Tests of record sets on the stand-in: typed select lists with rows, the
// stand-in's fetch controls, and a record set on a connected session.
#pragma once

#include <memory>
#include <string>

#include "oracle/rset_oci_record_set.h"
#include "oracle/tests/cmd_fixture.h"

namespace oracle::testing {

class FetchControl {
 public:
  explicit FetchControl(const std::string& path);
  ~FetchControl();
  FetchControl(const FetchControl&) = delete;
  FetchControl& operator=(const FetchControl&) = delete;
  void ScriptQuery(const std::string& sql, const std::string& columns);
  void AddRows(const std::string& sql, const std::string& rows);
  void GenerateRows(const std::string& sql, int count);
  // Row `row` (from 1) fails as the server produces it, with `code` and `text`.
  void FailRow(const std::string& sql, int row, int code, const std::string& text);
  void SetFetchDelay(int milliseconds);
  void SetDescribeNoData(bool on);
  int FetchCalls();

 private:
  void* Symbol(const char* name);
  void* library_;
};

class RecordSetTest : public CommandTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  void ControlsSwitched(const std::string& path) override;
  // A record set on the connected session with that text (not opened).
  std::unique_ptr<TOCIRecordSet> NewRecordSet(const std::string& sql, int fetch_rows = 25);
  // The value of a field of the current row.
  classlib::Variant Value(TOCIRecordSet& record_set, const std::string& field);
  std::unique_ptr<FetchControl> fetch_;
};

}  // namespace oracle::testing
