// The connection component's generic operations on the SQLite test driver:
// one connection's settings copied into another, and the catalogue and
// statement operations a server's connection supplies.
#include "dacore/comp_connection.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "classlib/strings.h"
#include "dacore/sqlite_tests/sqlite_fixture.h"
#include "testing/message_of.h"

namespace dacore::sqlite_tests {
namespace {

using classlib::testing::MessageOf;
using sqlite_driver::TSQLiteSession;

class ConnectionTest : public SQLiteTest {};

TEST_F(ConnectionTest, AssignCopiesTheSettingsAndEventsIntoAnotherConnection) {
  TSQLiteSession source(nullptr);
  source.SetUsername("ann");
  source.SetPassword("secret");
  source.SetServer(Path());
  source.SetLoginPrompt(false);
  source.SetAutoCommit(false);
  source.SetConvertEOL(true);
  source.SetPooling(true);
  source.PoolingOptions().MaxPoolSize = 7;
  source.PoolingOptions().Validate = true;
  source.Options().SetDisconnectedMode(true);
  source.Options().KeepDesignConnected = false;
  std::vector<std::string> heard;
  const auto note = [&heard](const char* what) {
    return classlib::TNotifyEvent::Function([&heard, what](classlib::TObject*) { heard.emplace_back(what); });
  };
  source.SetBeforeConnect(note("before connect"));
  source.SetAfterConnect(note("after connect"));
  source.SetBeforeDisconnect(note("before disconnect"));
  source.SetAfterDisconnect(note("after disconnect"));
  source.SetOnLogin(classlib::TLoginEvent::Function(
      [&heard](classlib::TObject*, const std::string& user, const std::string&) { heard.push_back("login " + user); }));
  source.OnError = TDAConnectionErrorEvent::Function([&heard](classlib::TObject*, EDAError&, bool&) {
    heard.emplace_back("error");
  });

  TSQLiteSession target(nullptr);
  target.Assign(&source);
  EXPECT_EQ(target.Username(), "ann");
  EXPECT_EQ(target.Password(), "secret");
  EXPECT_EQ(target.Server(), Path());
  EXPECT_FALSE(target.LoginPrompt());
  EXPECT_FALSE(target.AutoCommit());
  EXPECT_TRUE(target.ConvertEOL());
  EXPECT_TRUE(target.Pooling());
  EXPECT_EQ(target.PoolingOptions().MaxPoolSize, 7);
  EXPECT_TRUE(target.PoolingOptions().Validate);
  EXPECT_TRUE(target.Options().DisconnectedMode());
  EXPECT_FALSE(target.Options().KeepDesignConnected);
  EXPECT_TRUE(static_cast<bool>(target.OnError));
  EXPECT_TRUE(static_cast<bool>(target.OnLogin()));

  // The copy connects with the copied account and runs the copied handlers.
  target.SetConnected(true);
  target.SetConnected(false);
  EXPECT_EQ(heard, (std::vector<std::string>{"before connect", "after connect", "before disconnect",
                                             "after disconnect"}));

  // A new account ends the target's session; the same one keeps it.
  target.SetPooling(false);
  target.SetConnected(true);
  source.SetPooling(false);
  target.Assign(&source);
  EXPECT_TRUE(target.Connected());
  source.SetServer(Path() + ".other");
  target.Assign(&source);
  EXPECT_FALSE(target.Connected());

  classlib::TStringList not_a_connection;
  EXPECT_EQ(MessageOf([&] { not_a_connection.Assign(&target); }),
            "Cannot assign a TSQLiteSession to a TStringList");
}

TEST_F(ConnectionTest, TheCatalogueListsConnectStringAndStatementsNeedAServersConnection) {
  auto session = Session();
  TCustomDAConnection& connection = *session;
  classlib::TStringList list;
  list.Add("left over");
  connection.GetTableNames(list);
  EXPECT_EQ(list.Count(), 0);
  list.Add("left over");
  connection.GetDatabaseNames(list);
  EXPECT_EQ(list.Count(), 0);
  list.Add("left over");
  connection.GetStoredProcNames(list);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_NE(MessageOf([&] { connection.ExecSQL("SELECT 1"); }).find("Must be overrided"), std::string::npos);
  connection.SetConnectString("someone@elsewhere");
  EXPECT_EQ(connection.ConnectString(), "") << "a connection of no server has no connect string";
  EXPECT_EQ(connection.Server(), Path());
}

}  // namespace
}  // namespace dacore::sqlite_tests
