#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/ado_command.h"
#include "app/ado_connection.h"
#include "app/ado_dataset.h"
#include "app/ado_query.h"
#include "app/tests/ado_fixtures.h"
#include "classlib/exceptions.h"
#include "classlib/strings.h"

namespace app {
namespace {

using classlib::loCaseInsensitive;
using classlib::loPartialKey;
using testing::Ansi;

// The product's login tables in an SQLite file reached through "SQLOLEDB.1",
// with a catalogue table named as SQL Server's is queried.
class SqlServerQuery : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    path_ = testing::TempPath(dir_, "product.db");
    testing::CreateSqliteDatabase(
        path_, {"CREATE TABLE LOGON_USER (GUID VARCHAR(38), USERNAME VARCHAR(40), "
                "PAROL VARCHAR(80), DEFGROUPGUID VARCHAR(38), PICTURE BLOB)",
                QString::fromUtf8("INSERT INTO LOGON_USER VALUES ('{1}', 'Администратор', "
                                  "'x', '{G1}', NULL)"),
                "INSERT INTO LOGON_USER VALUES ('{2}', 'guest', NULL, NULL, NULL)",
                "INSERT INTO LOGON_USER VALUES ('{3}', 'Guesthouse', 'y', NULL, NULL)",
                "CREATE TABLE sysobjects (name VARCHAR(128), type CHAR(2), category INTEGER)",
                "INSERT INTO sysobjects VALUES ('V_USERS', 'V', 0)"});
    con_.SetConnectionString(testing::SqlServerConnectionString(path_));
    q_.SetConnection(&con_);
  }

  void OpenUsers() {
    q_.SQL().SetText("SELECT GUID, USERNAME, PAROL FROM LOGON_USER ORDER BY GUID");
    q_.Open();
  }

  testing::SqliteAsSqlServer driver_;
  QTemporaryDir dir_;
  std::string path_;
  TADOConnection con_{nullptr};
  TADOQuery q_{nullptr};
};

TEST_F(SqlServerQuery, WalksRowsWithEofStayingOnTheLastRow) {
  OpenUsers();
  EXPECT_EQ(q_.RecordCount(), 3);
  EXPECT_TRUE(q_.Bof());
  std::string names;
  while (!q_.Eof()) {
    names += q_.FieldByName("USERNAME").AsString() + ";";
    q_.Next();
  }
  EXPECT_EQ(names, Ansi("Администратор;guest;Guesthouse;"));
  EXPECT_EQ(q_.FieldByName("GUID").AsString(), "{3}");  // where the listing stopped
  q_.First();
  EXPECT_FALSE(q_.Eof());
  EXPECT_EQ(q_.RecNo(), 1);
  q_.Prior();
  EXPECT_TRUE(q_.Bof());
  EXPECT_EQ(q_.RecNo(), 1);
}

TEST_F(SqlServerQuery, EmptyResultIsAtEofAndReadsNothing) {
  q_.SQL().SetText("SELECT USERNAME FROM LOGON_USER WHERE 1 = 0");
  q_.Open();
  EXPECT_TRUE(q_.Eof());
  EXPECT_TRUE(q_.IsEmpty());
  EXPECT_EQ(q_.Fields(0).AsString(), "");
  EXPECT_TRUE(q_.Fields(0).IsNull());
  q_.Next();
  EXPECT_TRUE(q_.Eof());
}

TEST_F(SqlServerQuery, LocatesByWholeOrBeginningOfTextInAnyLetterCase) {
  OpenUsers();
  EXPECT_FALSE(q_.Locate("USERNAME", "GUEST", {}));
  EXPECT_EQ(q_.RecNo(), 1);  // no move
  EXPECT_TRUE(q_.Locate("USERNAME", "GUEST", {loCaseInsensitive}));
  EXPECT_EQ(q_.FieldByName("GUID").AsString(), "{2}");
  EXPECT_TRUE(q_.Locate("username", Ansi("админ"), {loCaseInsensitive, loPartialKey}));
  EXPECT_EQ(q_.FieldByName("GUID").AsString(), "{1}");
  EXPECT_FALSE(q_.Locate("USERNAME", "guesthouse!", {loCaseInsensitive, loPartialKey}));
  EXPECT_FALSE(q_.Locate("PAROL", "", {}));  // a null value matches nothing
  EXPECT_THROW(q_.Locate("NO_SUCH", "x", {}), EADOError);
}

TEST_F(SqlServerQuery, FieldValuesConvertLikeTheClassLibrary) {
  q_.SQL().SetText("SELECT COUNT(*), MAX(USERNAME), NULL, 2.5 FROM LOGON_USER");
  q_.Open();
  EXPECT_EQ(q_.Fields(0).AsInteger(), 3);
  EXPECT_EQ(q_.Fields(0).AsString(), "3");
  EXPECT_THROW(q_.Fields(1).AsInteger(), classlib::EConvertError);
  EXPECT_EQ(q_.Fields(2).AsInteger(), 0);
  EXPECT_EQ(q_.Fields(2).AsString(), "");
  EXPECT_EQ(q_.Fields(3).AsInteger(), 2);  // halves go to the even neighbour
  EXPECT_THROW(q_.Fields(4), classlib::EListError);
  EXPECT_THROW(q_.FieldByName("nothing"), EADOError);
}

TEST_F(SqlServerQuery, CatalogueCountsReadAsIntegers) {
  q_.SQL().SetText(
      "SELECT COUNT(*) FROM sysobjects WHERE type = 'V' AND category = 0 AND name = 'V_USERS'");
  q_.Open();
  EXPECT_EQ(q_.Fields(0).AsInteger(), 1);
}

TEST_F(SqlServerQuery, ConnectionListsTablesAndColumnsThroughTheCatalogue) {
  classlib::TStringList names;
  EXPECT_THROW(con_.GetTableNames(names), EADOError);  // not connected
  con_.Open();
  con_.GetTableNames(names);
  names.Sort();
  EXPECT_EQ(names.CommaText(), "LOGON_USER,sysobjects");
  con_.GetFieldNames("LOGON_USER", names);
  EXPECT_EQ(names.CommaText(), "GUID,USERNAME,PAROL,DEFGROUPGUID,PICTURE");
}

TEST_F(SqlServerQuery, StatementsWithoutRowsRunThroughExecSqlAndCommand) {
  q_.SQL().SetText("UPDATE LOGON_USER SET PAROL = 'z' WHERE PAROL IS NOT NULL");
  EXPECT_EQ(q_.ExecSQL(), 2);
  EXPECT_THROW(q_.Open(), EADOError);  // no result set
  EXPECT_FALSE(q_.Active());

  TADOCommand command(nullptr);
  command.SetConnection(&con_);
  command.SetCommandText("DELETE FROM LOGON_USER WHERE PAROL = 'z'");
  EXPECT_EQ(command.Execute(), 2);
  command.SetCommandText("DELETE FROM NO_SUCH_TABLE");
  try {
    command.Execute();
    FAIL() << "a statement on a missing table ran";
  } catch (const EADOError& e) {
    EXPECT_NE(e.Message().find("NO_SUCH_TABLE"), std::string::npos) << e.Message();
  }
}

TEST_F(SqlServerQuery, ChangingTheStatementClosesTheDataSet) {
  OpenUsers();
  q_.SQL().SetText("SELECT USERNAME FROM LOGON_USER");
  EXPECT_FALSE(q_.Active());

  TADODataSet ds(nullptr);
  ds.SetConnection(&con_);
  ds.SetCommandText("SELECT USERNAME FROM LOGON_USER WHERE GUID = '{2}'");
  ds.Open();
  EXPECT_EQ(ds.FieldByName("USERNAME").AsString(), "guest");
  ds.SetCommandText("SELECT GUID FROM LOGON_USER");
  EXPECT_FALSE(ds.Active());
}

TEST_F(SqlServerQuery, BlobStreamsFillBinaryColumnsOfEachRow) {
  q_.SQL().SetText("SELECT GUID, PICTURE FROM LOGON_USER WHERE GUID IS NOT NULL ORDER BY GUID");
  q_.Open();
  const std::string bytes("\x00\x01\xFF;=\"x", 7);
  while (!q_.Eof()) {
    q_.Edit();
    {
      auto stream = q_.CreateBlobStream(q_.Fields(1), classlib::bmWrite);
      stream->WriteBuffer(bytes.data(), static_cast<int>(bytes.size()));
    }
    q_.Post();
    q_.Next();
  }
  q_.Close();
  q_.Open();
  int filled = 0;
  for (; !q_.Eof(); q_.Next()) {
    EXPECT_EQ(q_.Fields(1).AsString(), bytes) << q_.Fields(0).AsString();
    filled += q_.Fields(1).AsString() == bytes;
  }
  EXPECT_EQ(filled, 3);
}

TEST_F(SqlServerQuery, PostWritesOnlyTheEditedRow) {
  OpenUsers();
  q_.Next();  // guest: its null password must still find the row
  q_.Edit();
  q_.FieldByName("PAROL").SetAsString("new");
  q_.Post();
  EXPECT_EQ(q_.FieldByName("PAROL").AsString(), "new");
  q_.Close();
  q_.SQL().SetText("SELECT GUID FROM LOGON_USER WHERE PAROL = 'new'");
  q_.Open();
  ASSERT_EQ(q_.RecordCount(), 1);
  EXPECT_EQ(q_.Fields(0).AsString(), "{2}");
}

TEST_F(SqlServerQuery, EditingNeedsEditModeAndOneBaseTable) {
  OpenUsers();
  EXPECT_THROW(q_.FieldByName("PAROL").SetAsString("x"), EADOError);
  EXPECT_THROW(q_.CreateBlobStream(q_.Fields(0), classlib::bmWrite), EADOError);
  q_.Edit();
  q_.FieldByName("PAROL").SetAsString("changed");
  q_.Cancel();
  EXPECT_EQ(q_.FieldByName("PAROL").AsString(), "x");

  q_.SQL().SetText("SELECT A.GUID, B.USERNAME FROM LOGON_USER A, LOGON_USER B WHERE A.GUID = B.GUID");
  q_.Open();
  q_.Edit();
  q_.Fields(1).SetAsString("x");
  EXPECT_THROW(q_.Post(), EADOError);
  EXPECT_EQ(q_.State(), classlib::dsEdit);  // the caller may correct or cancel
}

TEST_F(SqlServerQuery, PostOfARowChangedBehindTheDataSetFails) {
  OpenUsers();
  con_.Execute("UPDATE LOGON_USER SET PAROL = 'other' WHERE GUID = '{1}'");
  q_.Edit();
  q_.FieldByName("USERNAME").SetAsString("root");
  EXPECT_THROW(q_.Post(), EADOError);
}

}  // namespace
}  // namespace app
