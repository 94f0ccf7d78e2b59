// The Oracle SQL monitor: parameter lines with Oracle type names and value
// texts, the process's Oracle monitor, and the savepoint traces a session
// sends before its statement.
#include <memory>
#include <string>
#include <vector>

#include "classlib/datetime.h"
#include "oracle/lob_ora_lob.h"
#include "oracle/param_ora_param.h"
#include "oracle/session_ora_session.h"
#include "oracle/tests/conn_fixture.h"
#include "oracle/trace_ora_sql_monitor.h"

namespace oracle::testing {
namespace {

TEST(OraSQLMonitor, ParameterLinesUseOracleNamesAndValues) {
  TOraSQLMonitor monitor;
  TOraParams params;
  auto add = [&](classlib::TFieldType type, const char* name) {
    return static_cast<TOraParam*>(params.CreateParam(type, name, classlib::ptInput));
  };
  add(classlib::ftString, "S")->SetAsString("ABC");
  add(classlib::ftFixedChar, "F")->SetAsString("X'Y");
  add(classlib::ftString, "EMPTY");
  add(classlib::ftInteger, "I")->SetAsInteger(42);
  add(classlib::ftCursor, "C");
  add(classlib::ftMemo, "M")->SetAsString("12345");
  auto* table = add(classlib::ftInteger, "T");
  table->SetTable(true);
  table->SetLength(3);
  auto* array = add(classlib::ftString, "A");
  array->SetSize(20);
  array->SetLength(2);
  EXPECT_EQ(monitor.TracedParamsText(&params, nullptr),
            ":S(VARCHAR[3],IN)='ABC' \r\n"
            ":F(CHAR[3],IN)='X'Y' \r\n"
            ":EMPTY(VARCHAR[0],IN)=<NULL> \r\n"
            ":I(Integer,IN)=42 \r\n"
            ":C(CURSOR,IN)=<CURSOR> \r\n"
            ":M(LONG,IN)=<BLOB:5> \r\n"
            ":T(Integer,IN)=<PL/SQL TABLE[3]> \r\n"
            ":A(VARCHAR[20],IN)=<ARRAY[2]>");

  TOraParams oracle_types;
  for (auto [type, name] : {std::pair{ftIntervalYM, "INTERVAL_YM"}, {ftIntervalDS, "INTERVAL_DS"},
                            {ftTimeStampTZ, "TIMESTAMP_TZ"}, {ftTimeStampLTZ, "TIMESTAMP_LTZ"},
                            {ftNumber, "NUMBER"}, {classlib::ftTimeStamp, "TIMESTAMP"},
                            {classlib::ftOraBlob, "BLOB"}, {classlib::ftOraClob, "CLOB"}, {ftBFile, "BFILE"},
                            {classlib::ftADT, "OBJECT:unknown"}, {classlib::ftDataSet, "TABLE:unknown"}}) {
    auto* param = static_cast<TOraParam*>(oracle_types.CreateParam(type, "P", classlib::ptInput));
    EXPECT_EQ(monitor.GetParamDataType(*param), name);
  }
  EXPECT_EQ(TOraSQLMonitor::GetMonitor(), &monitor);
  EXPECT_EQ(monitor.GetCaption(), "ZUKA");
}

TEST(OraSQLMonitor, TheFirstMonitorIsTheProcesssOracleMonitor) {
  auto first = std::make_unique<TOraSQLMonitor>();
  auto second = std::make_unique<TOraSQLMonitor>();
  EXPECT_EQ(TOraSQLMonitor::GetMonitor(), first.get());
  first.reset();
  EXPECT_EQ(TOraSQLMonitor::GetMonitor(), nullptr) << "cleared with the first, not handed on";
}

class OraSQLMonitorSessionTest : public ConnectionTest {};

TEST_F(OraSQLMonitorSessionTest, SavepointsAreTracedBeforeTheyRun) {
  TOraSQLMonitor monitor;
  std::vector<std::string> traced;
  monitor.OnSQL = dacore::TOnSQLEvent::Function(
      [&](classlib::TObject*, const std::string& text, dacore::TDATraceFlag flag) {
        if (flag == dacore::tfTransact && text.find("avepoint") != std::string::npos) traced.push_back(text);
      });
  TOraSession session;
  session.SetConnectString("scott/tiger@db1");
  session.SetConnected(true);
  session.Savepoint("SP1");
  session.RollbackToSavepoint("SP1");
  EXPECT_EQ(traced, (std::vector<std::string>{"Savepoint SP1: scott@db1", "Rollback to savepoint SP1: scott@db1"}));

  monitor.SetActive(false);
  session.Savepoint("SP2");
  EXPECT_EQ(traced.size(), 2u) << "an inactive monitor traces nothing";
}

// A LOB shows its size; a date is quoted like a text.
TEST_F(OraSQLMonitorSessionTest, LobsShowTheirSizeAndDatesAreQuoted) {
  TOraSQLMonitor monitor;
  TOraParams values;
  auto value = [&](classlib::TFieldType type) {
    return static_cast<TOraParam*>(values.CreateParam(type, "P", classlib::ptInput));
  };
  TOraParam* blob = value(classlib::ftOraBlob);
  blob->AsOraBlob()->SetAsString("abc");
  EXPECT_EQ(monitor.GetParamValue(*blob), "<LOB:3>");
  TOraParam* date = value(classlib::ftDateTime);
  date->SetAsDateTime(classlib::EncodeDate(2024, 2, 29));
  EXPECT_EQ(monitor.GetParamValue(*date), "'" + date->AsString() + "'");
}

}  // namespace
}  // namespace oracle::testing
