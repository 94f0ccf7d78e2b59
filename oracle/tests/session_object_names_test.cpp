// The session's lists of tables and stored procedures, read through the
// record set from the stand-in's dictionary answers.
#include "classlib/strings.h"
#include "oracle/session_ora_session.h"
#include "oracle/tests/rset_fixture.h"

namespace oracle::testing {
namespace {

using ::testing::ElementsAre;

class ObjectNamesTest : public RecordSetTest {
 protected:
  std::vector<std::string> Items(const classlib::TStringList& list) {
    std::vector<std::string> out;
    for (int i = 0; i < list.Count(); ++i) out.push_back(list.Strings(i));
    return out;
  }
};

TEST_F(ObjectNamesTest, TablesOfTheUserOrOfEveryone) {
  const std::string own =
      "SELECT User || '.' || Object_Name Name FROM User_Objects WHERE Object_Type in ('TABLE', 'VIEW') "
      "ORDER BY Object_Name";
  const std::string all =
      "SELECT Owner || '.' || Object_Name Name FROM All_Objects WHERE Object_Type in ('TABLE', 'VIEW') "
      "ORDER BY Owner, Object_Name";
  fetch_->ScriptQuery(own, "NAME VARCHAR2(61)");
  fetch_->AddRows(own, "SCOTT.DEPT\nSCOTT.EMP");
  fetch_->ScriptQuery(all, "NAME VARCHAR2(61)");
  fetch_->AddRows(all, "HR.JOBS\nSCOTT.DEPT\nSCOTT.EMP");
  TOraSession session;
  session.SetConnectString("scott/tiger@db1");
  classlib::TStringList list;
  list.Add("left over");
  // Asked as any connection is, the session answers with its own list.
  dacore::TCustomDAConnection& connection = session;
  connection.GetTableNames(list);
  EXPECT_THAT(Items(list), ElementsAre("SCOTT.DEPT", "SCOTT.EMP"));
  EXPECT_FALSE(session.Connected()) << "connected for the call only";
  session.SetConnected(true);
  session.GetTableNames(list, true);
  EXPECT_THAT(Items(list), ElementsAre("HR.JOBS", "SCOTT.DEPT", "SCOTT.EMP"));
  EXPECT_TRUE(session.Connected());
}

TEST_F(ObjectNamesTest, ProceduresMergeBothQueriesInOrder) {
  const std::string alone =
      "SELECT Lower(user) || '.' || object_name name FROM user_objects WHERE object_type in "
      "('PROCEDURE','FUNCTION') ORDER BY object_name";
  const std::string packaged =
      "SELECT DISTINCT Lower(user) || '.' || package_name || '.' || object_name proc_name FROM user_arguments "
      "WHERE package_name IS NOT NULL AND package_name <> object_name "
      "UNION SELECT Lower(user) || '.' || object_name || ' (INVALID)' FROM user_objects "
      "WHERE object_type = 'PACKAGE' AND status <> 'VALID' ORDER BY 1";
  fetch_->ScriptQuery(alone, "NAME VARCHAR2(61)");
  fetch_->AddRows(alone, "scott.ADD_JOB\nscott.RAISE");
  fetch_->ScriptQuery(packaged, "PROC_NAME VARCHAR2(92)");
  fetch_->AddRows(packaged, "scott.BROKEN (INVALID)\nscott.PAY.CALC\nscott.PAY.RUN\nscott.TAX.RATE");
  TOraSession session;
  session.SetConnectString("scott/tiger@db1");
  session.SetConnected(true);
  classlib::TStringList list;
  dacore::TCustomDAConnection& connection = session;
  connection.GetStoredProcNames(list);
  EXPECT_THAT(Items(list), ElementsAre("scott.ADD_JOB", "scott.BROKEN (INVALID)", "scott.PAY.CALC",
                                       "scott.PAY.RUN", "scott.RAISE", "scott.TAX.RATE"));
  connection.GetDatabaseNames(list);
  EXPECT_EQ(list.Count(), 0) << "a session has no databases to list";
}

}  // namespace
}  // namespace oracle::testing
