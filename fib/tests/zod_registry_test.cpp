// The registry routines, connection aliases and transaction kinds on a
// registry kept in a private temporary folder; the handler list and the
// login dialog glue.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "database_fixture.h"
#include "fib/base/callback_list.h"
#include "fib/base/errors.h"
#include "fib/base/fib_registry.h"
#include "fib/statements/db_aliases.h"
#include "fib/zod/zod_database.h"
#include "fib/zod/zod_database_login.h"
#include "fib/zod/zod_transaction.h"
#include "temp_folder.h"

namespace fib {
namespace {

using classlib::Variant;

// Points the registry at a fresh folder for its lifetime.
class PrivateRegistry {
 public:
  PrivateRegistry() {
    const char* old = std::getenv("UPDATER_REGISTRY");
    had_value_ = old != nullptr;
    if (had_value_) saved_ = old;
    setenv("UPDATER_REGISTRY", folder_.Path().c_str(), 1);
  }
  ~PrivateRegistry() {
    if (had_value_)
      setenv("UPDATER_REGISTRY", saved_.c_str(), 1);
    else
      unsetenv("UPDATER_REGISTRY");
  }

 private:
  fib_test::TempFolder folder_;
  std::string saved_;
  bool had_value_ = false;
};

class RegistryTest : public ::testing::Test {
 protected:
  PrivateRegistry registry_;
};

std::vector<std::string> Lines(const classlib::TStringList& list) {
  std::vector<std::string> lines;
  for (int i = 0; i < list.Count(); ++i) lines.push_back(list.Strings(i));
  return lines;
}

TEST_F(RegistryTest, ValuesRoundTripByTypeAndMissingPartsReadAsNotFound) {
  const std::vector<std::string> path = {"Software", "Test", "Deep"};
  std::vector<RegistryValue> read;
  EXPECT_FALSE(ReadRegistryValues(path, {"A"}, read));

  // Three names, four values: only three are written. A float has no
  // text or integer form to read back.
  WriteRegistryValues(path, {"Text", "Number", "Float"},
                      {Variant(std::string("x y")), Variant(42), Variant(1.5), Variant(7)});
  ASSERT_TRUE(ReadRegistryValues(path, {"Text", "Number", "Float", "Missing"}, read));
  ASSERT_EQ(read.size(), 4u);
  EXPECT_TRUE(read[0].found);
  EXPECT_EQ(read[0].value.AsString(), "x y");
  EXPECT_TRUE(read[1].found);
  EXPECT_EQ(read[1].value.AsInteger(), 42);
  EXPECT_FALSE(read[2].found);
  EXPECT_EQ(read[2].value.VType(), classlib::varEmpty);
  EXPECT_FALSE(read[3].found);

  std::vector<std::string> subkeys;
  EXPECT_FALSE(ReadSubKeyNames({"Software", "Nothing"}, subkeys));
  ASSERT_TRUE(ReadSubKeyNames({"Software", "Test"}, subkeys));
  EXPECT_EQ(subkeys, std::vector<std::string>{"Deep"});
}

TEST_F(RegistryTest, SubKeyIsFoundByItsTextValueOnly) {
  WriteRegistryValues({"K", "one"}, {"Name"}, {Variant(std::string("first"))});
  WriteRegistryValues({"K", "two"}, {"Name"}, {Variant(std::string("second"))});
  WriteRegistryValues({"K", "three"}, {"Name"}, {Variant(5)});
  EXPECT_EQ(FindSubKeyByValue({"K"}, "Name", "second"), "two");
  EXPECT_EQ(FindSubKeyByValue({"K"}, "Name", "5"), "");
  EXPECT_EQ(FindSubKeyByValue({"K"}, "Name", "none"), "");
  EXPECT_EQ(FindSubKeyByValue({"Missing"}, "Name", "first"), "");
}

TEST_F(RegistryTest, AliasNeedsItsDatabaseNameAndSkipsADialectThatIsNoNumber) {
  EXPECT_FALSE(ReadDatabaseAlias("main"));
  WriteRegistryValues(AliasKeyPath("main"), {"user_name"}, {Variant(std::string("BOB"))});
  EXPECT_FALSE(ReadDatabaseAlias("main"));

  WriteRegistryValues(AliasKeyPath("main"), {"Database Name", "SQL_DIALECT"},
                      {Variant(std::string("srv:/db.fdb")), Variant(std::string("three"))});
  std::optional<DatabaseAlias> alias = ReadDatabaseAlias("main");
  ASSERT_TRUE(alias);
  EXPECT_EQ(alias->db_name, "srv:/db.fdb");
  EXPECT_EQ(alias->user_name, "BOB");
  EXPECT_FALSE(alias->lc_ctype);
  EXPECT_FALSE(alias->sql_dialect);
}

TEST_F(RegistryTest, DatabaseTakesItsAliasAndWritesItBackWithoutThePassword) {
  WriteRegistryValues(AliasKeyPath("prod"),
                      {"Database Name", "user_name", "lc_ctype", "SQL_DIALECT"},
                      {Variant(std::string("/data/prod.fdb")), Variant(std::string("ANNA")),
                       Variant(std::string("WIN1251")), Variant(std::string("1"))});
  TpZODDatabase db(nullptr);
  db.DBParams().SetText("password=secret");
  db.SetAliasName("prod");
  EXPECT_EQ(db.DBName(), "/data/prod.fdb");
  EXPECT_EQ(db.DBParams().Values("user_name"), "ANNA");
  EXPECT_EQ(db.DBParams().Values("lc_ctype"), "WIN1251");
  EXPECT_EQ(db.SQLDialect(), 1);

  db.SetAliasName("other");  // a missing alias changes nothing
  EXPECT_EQ(db.DBName(), "/data/prod.fdb");

  db.SaveAliasParams();
  std::vector<RegistryValue> read;
  ASSERT_TRUE(ReadRegistryValues(AliasKeyPath("other"),
                                 {"Database Name", "user_name", "sql_role_name", "SQL_DIALECT",
                                  "password"},
                                 read));
  EXPECT_EQ(read[0].value.AsString(), "/data/prod.fdb");
  EXPECT_EQ(read[1].value.AsString(), "ANNA");
  EXPECT_TRUE(read[2].found);
  EXPECT_EQ(read[2].value.AsString(), "");
  EXPECT_EQ(read[3].value.AsString(), "1");
  EXPECT_FALSE(read[4].found);
}

class AliasConnectTest : public fib_test::DatabaseTest {
 protected:
  PrivateRegistry registry_;
};

TEST_F(AliasConnectTest, ConnectSavesTheAliasAndAConnectedDatabaseKeepsItsAlias) {
  TpZODDatabase db(nullptr);
  db.SetDBName(file_.Path());
  fib_test::SetUpdaterParams(db);
  db.SetSQLDialect(3);
  db.SetSynchronizeTime(false);
  db.SetAliasName("fresh");  // nothing stored yet: nothing read
  EXPECT_EQ(db.DBName(), file_.Path());
  db.Connect();
  std::optional<DatabaseAlias> alias = ReadDatabaseAlias("fresh");
  ASSERT_TRUE(alias);
  EXPECT_EQ(alias->db_name, file_.Path());
  EXPECT_EQ(alias->user_name, "SYSDBA");
  EXPECT_EQ(alias->lc_ctype, "WIN1251");
  EXPECT_EQ(alias->sql_dialect, 3);

  EXPECT_THROW(db.SetAliasName("other"), EFIBClientError);
  EXPECT_EQ(db.AliasName(), "fresh");
}

TEST_F(RegistryTest, TransactionKindIsReadAtDesignTimeOnly) {
  WriteRegistryValues({"Software", "RERI_Software", "Transation Kinds", "k1"}, {"Name", "Params"},
                      {Variant(std::string("Reports")), Variant(std::string("read\nconcurrency"))});
  TpZODTransaction at_run_time(nullptr);
  at_run_time.SetUserKindTransaction("Reports");
  EXPECT_EQ(at_run_time.TPBMode(), tpbReadCommitted);
  EXPECT_EQ(at_run_time.TRParams().Count(), 0);
  EXPECT_TRUE(at_run_time.StoresUserKindTransaction());

  TpZODTransaction designed(nullptr);
  designed.SetDesigning(true);
  designed.SetUserKindTransaction("Unknown");
  EXPECT_EQ(designed.TPBMode(), tpbReadCommitted);
  designed.SetUserKindTransaction("Reports");
  EXPECT_EQ(designed.TPBMode(), tpbDefault);
  EXPECT_EQ(Lines(designed.TRParams()), (std::vector<std::string>{"read", "concurrency"}));
}

}  // namespace
}  // namespace fib
