// A connect dialog and the connections it serves, on the SQLite test driver,
// under every arrangement of owners (none, one shared owner, two owners, one
// of them owned, either owning the other), freed in both orders, replaced,
// and copied by Assign before any of the three goes: no connection keeps a
// freed dialog and no dialog a freed connection, and a dialog still held
// connects the connection that holds it.
#include "dacore/dialog_connect.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "dacore/comp_connection.h"
#include "dacore/sqlite_tests/sqlite_fixture.h"
#include "testing/message_of.h"

namespace dacore::sqlite_tests {
namespace {

using classlib::TComponent;
using classlib::testing::MessageOf;

// The SQLite session never prompts; this one asks its dialog to connect it,
// as a server's session with a dialog unit would.
class TSQLiteSession : public sqlite_driver::TSQLiteSession {
 public:
  using sqlite_driver::TSQLiteSession::TSQLiteSession;

 protected:
  TConnectDialogClass ConnectDialogClass() const override { return TCustomDAConnection::ConnectDialogClass(); }
};

// Who owns a component: nobody, the first or the second holder, or the
// other component of the pair.
enum TOwner { kNobody, kFirst, kSecond, kTheOther };

struct TArrangement {
  const char* name;
  TOwner connection;
  TOwner dialog;
};

const TArrangement kArrangements[] = {
    {"no owners", kNobody, kNobody},
    {"one owner", kFirst, kFirst},
    {"two owners", kFirst, kSecond},
    {"owned connection", kFirst, kNobody},
    {"owned dialog", kNobody, kFirst},
    {"connection owns the dialog", kNobody, kTheOther},
    {"dialog owns the connection", kTheOther, kNobody},
};

// A connection and a dialog made under an arrangement; what is still alive
// is freed at the end, owned or not.
class TPair {
 public:
  TPair(const TArrangement& arrangement, const std::string& server) : arrangement_(arrangement) {
    if (arrangement.connection == kTheOther) {
      dialog = new TCustomConnectDialog(Holder(arrangement.dialog));
      connection = new TSQLiteSession(dialog);
    } else {
      connection = new TSQLiteSession(Holder(arrangement.connection));
      dialog = new TCustomConnectDialog(arrangement.dialog == kTheOther ? connection : Holder(arrangement.dialog));
    }
    connection->SetServer(server);
    dialog->StoreLogInfo = false;
  }
  ~TPair() {
    FreeConnection();
    FreeDialog();
  }
  TPair(const TPair&) = delete;
  TPair& operator=(const TPair&) = delete;

  // Freeing a component frees what it owns.
  void FreeConnection() {
    delete connection;
    connection = nullptr;
    if (arrangement_.dialog == kTheOther) dialog = nullptr;
  }
  void FreeDialog() {
    delete dialog;
    dialog = nullptr;
    if (arrangement_.connection == kTheOther) connection = nullptr;
  }

  TSQLiteSession* connection = nullptr;
  TCustomConnectDialog* dialog = nullptr;

 private:
  TComponent* Holder(TOwner owner) { return owner == kFirst ? &first_ : owner == kSecond ? &second_ : nullptr; }

  const TArrangement& arrangement_;
  TComponent first_{nullptr};
  TComponent second_{nullptr};
};

class DialogOwnersTest : public SQLiteTest {
 protected:
  void SetUp() override {
    SQLiteTest::SetUp();
    // The display connects the dialog's connection, as a real dialog would.
    SetConnectDialogDisplay([](TCustomConnectDialog& dialog) {
      dialog.Connection()->ConnectWithoutPrompt();
      return true;
    });
  }
  void TearDown() override {
    SetConnectDialogDisplay(nullptr);
    SQLiteTest::TearDown();
  }

  // A connection that lost its dialog takes another and copies into a third.
  void ExpectConnectionUsable(TSQLiteSession& connection) {
    EXPECT_EQ(connection.ConnectDialog(), nullptr);
    TCustomConnectDialog other(nullptr);
    other.StoreLogInfo = false;
    connection.SetConnectDialog(&other);
    EXPECT_EQ(other.Connection(), &connection);
    TSQLiteSession copy(nullptr);
    copy.Assign(&connection);
    EXPECT_EQ(copy.ConnectDialog(), &other);
    connection.SetConnectDialog(nullptr);
  }

  // A dialog that lost its connection refuses to run and serves another.
  void ExpectDialogUsable(TCustomConnectDialog& dialog) {
    EXPECT_EQ(dialog.Connection(), nullptr);
    EXPECT_EQ(MessageOf([&] { dialog.Execute(); }), "Connection is not defined");
    TSQLiteSession other(nullptr);
    other.SetServer(Path());
    other.SetConnectDialog(&dialog);
    other.SetConnected(true);
    EXPECT_TRUE(other.Connected());
    EXPECT_EQ(dialog.Connection(), &other);
  }
};

TEST_F(DialogOwnersTest, EitherFreedFirstLeavesTheOtherWithoutAReference) {
  for (const TArrangement& arrangement : kArrangements) {
    SCOPED_TRACE(arrangement.name);
    {
      SCOPED_TRACE("dialog freed first");
      TPair pair(arrangement, Path());
      pair.connection->SetConnectDialog(pair.dialog);
      EXPECT_EQ(pair.dialog->Connection(), pair.connection);
      pair.FreeDialog();
      if (pair.connection) ExpectConnectionUsable(*pair.connection);
    }
    {
      SCOPED_TRACE("connection freed first");
      TPair pair(arrangement, Path());
      pair.connection->SetConnectDialog(pair.dialog);
      pair.connection->SetConnected(true);
      EXPECT_TRUE(pair.connection->Connected());
      pair.FreeConnection();
      if (pair.dialog) ExpectDialogUsable(*pair.dialog);
    }
    {
      SCOPED_TRACE("replaced dialog, then the connection freed");
      TPair pair(arrangement, Path());
      TCustomConnectDialog replacement(nullptr);
      pair.connection->SetConnectDialog(pair.dialog);
      pair.connection->SetConnectDialog(&replacement);
      EXPECT_EQ(pair.dialog->Connection(), pair.connection);  // its back reference stays until it is told
      pair.FreeConnection();
      EXPECT_EQ(replacement.Connection(), nullptr);
      if (pair.dialog) ExpectDialogUsable(*pair.dialog);
    }
  }
}

// Assign gives the target the source's dialog: the dialog serves the
// target, and each of the three may go first.
TEST_F(DialogOwnersTest, AssignThenFreeAnyOfTheThree) {
  enum TFreed { kSource, kTarget, kDialog };
  for (const TArrangement& arrangement : kArrangements) {
    for (TFreed freed : {kSource, kTarget, kDialog}) {
      SCOPED_TRACE(std::string(arrangement.name) + (freed == kSource ? ", source freed" : freed == kTarget ? ", target freed" : ", dialog freed"));
      TPair pair(arrangement, Path());
      auto target = std::make_unique<TSQLiteSession>(nullptr);
      pair.connection->SetConnectDialog(pair.dialog);
      target->Assign(pair.connection);
      EXPECT_EQ(target->ConnectDialog(), pair.dialog);
      EXPECT_EQ(pair.connection->ConnectDialog(), pair.dialog);
      EXPECT_EQ(pair.dialog->Connection(), target.get());
      target->SetConnected(true);  // through the dialog, which now serves the target
      EXPECT_TRUE(target->Connected());
      target->Disconnect();
      if (freed == kSource) {
        pair.FreeConnection();
        if (!pair.dialog) {
          ExpectConnectionUsable(*target);
          continue;
        }
        EXPECT_EQ(target->ConnectDialog(), pair.dialog);
        target->SetConnected(true);  // through the dialog, which serves the target
        EXPECT_TRUE(target->Connected());
        target.reset();
        ExpectDialogUsable(*pair.dialog);
      } else if (freed == kTarget) {
        target.reset();
        EXPECT_EQ(pair.dialog->Connection(), nullptr);
        EXPECT_EQ(pair.connection->ConnectDialog(), pair.dialog);
        pair.connection->SetConnected(true);  // the dialog serves the source again
        EXPECT_TRUE(pair.connection->Connected());
        EXPECT_EQ(pair.dialog->Connection(), pair.connection);
      } else {
        pair.FreeDialog();
        ExpectConnectionUsable(*target);
        if (pair.connection) ExpectConnectionUsable(*pair.connection);
      }
    }
  }
}

}  // namespace
}  // namespace dacore::sqlite_tests
