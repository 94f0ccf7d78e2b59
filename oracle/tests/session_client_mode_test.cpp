// The client mode a session asks for: without a registered network client a
// session with Direct set is refused before any other session is touched;
// with one (here an installer whose direct mode is the stand-in's own
// newer calls) switching ends every session, enters or leaves direct mode
// through the installer, and the client library is loaded again afterwards.
#include <memory>
#include <string>

#include "oracle/call_binding.h"
#include "oracle/call_direct.h"
#include "oracle/call_state.h"
#include "oracle/session_ora_session.h"
#include "oracle/tests/conn_fixture.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using classlib::testing::MessageOf;

// Direct mode stood in by the stand-in: entering loads it and marks the
// process as direct; leaving unloads it so that nothing of it remains.
class StandinInstaller : public IDirectModeInstaller {
 public:
  void Install() override {
    ++installs;
    InitOciEnvironment();
    PossibleCallStyles = kCallStyleOci8;
  }
  void Remove() override {
    ++removes;
    UnloadOci();
  }

  int installs = 0;
  int removes = 0;
};

class ClientModeTest : public ConnectionTest {
 protected:
  void SetUp() override {
    ConnectionTest::SetUp();
    RegisterDirectModeInstaller(nullptr);
  }
  void TearDown() override {
    RegisterDirectModeInstaller(nullptr);
    ConnectionTest::TearDown();
  }

  std::unique_ptr<TOraSession> NewSession(bool direct) {
    auto session = std::make_unique<TOraSession>();
    session->SetConnectString("scott/tiger@db1");
    session->Options().SetDirect(direct);
    return session;
  }
};

TEST_F(ClientModeTest, DirectWithoutANetworkClientIsRefusedAndEndsNothing) {
  auto library = NewSession(false);
  library->SetConnected(true);
  auto direct = NewSession(true);
  EXPECT_EQ(MessageOf([&] { direct->SetConnected(true); }),
            "Direct mode is not available: the network client is not registered");
  EXPECT_FALSE(direct->Connected());
  EXPECT_TRUE(library->Connected()) << "the other session keeps its session";
  EXPECT_FALSE(IsDirectMode());
  EXPECT_TRUE(IsOciLoaded());
}

TEST_F(ClientModeTest, SwitchingEndsEverySessionAndGoesThroughTheInstaller) {
  StandinInstaller installer;
  RegisterDirectModeInstaller(&installer);
  auto library = NewSession(false);
  library->InternalName = "updater";
  library->SetConnected(true);
  EXPECT_TRUE(Contains(standin_->Log(), "OCIAttrSet htype=8 attr=25")) << "the internal name, library only";

  auto direct = NewSession(true);
  direct->InternalName = "updater";
  direct->Options().SetConnectionTimeout(1500);
  standin_->ClearLog();
  direct->SetConnected(true);
  EXPECT_EQ(installer.installs, 1);
  EXPECT_TRUE(IsDirectMode());
  EXPECT_FALSE(library->Connected()) << "one client mode for the whole process";
  EXPECT_TRUE(direct->Connected());
  EXPECT_EQ(direct->OCICallStyle(), kOci8);
  const auto log = standin_->Log();
  EXPECT_TRUE(InOrder(log, {"OCISessionEnd mode=0", "OCIServerDetach mode=0", "OCIServerAttach link=db1 mode=0",
                            "OCIAttrSet htype=3 attr=10001", "OCISessionBegin user=scott cred=1 mode=0"}));
  EXPECT_FALSE(Contains(log, "OCIAttrSet htype=8 attr=25"));

  direct->SetConnected(false);
  direct->SetConnected(true);
  EXPECT_EQ(installer.installs, 1) << "already in direct mode";

  standin_->ClearLog();
  library->SetConnected(true);
  EXPECT_EQ(installer.removes, 1);
  EXPECT_FALSE(IsDirectMode());
  EXPECT_FALSE(direct->Connected());
  EXPECT_TRUE(library->Connected());
  EXPECT_TRUE(InOrder(standin_->Log(), {"OCISessionEnd mode=0", "OCIClientVersion", "OCIEnvCreate mode=7",
                                        "OCIServerAttach link=db1 mode=0", "OCIAttrSet htype=8 attr=25"}))
      << "the client library is loaded again";
}

TEST_F(ClientModeTest, TheLastDirectSessionLeavesDirectMode) {
  StandinInstaller installer;
  RegisterDirectModeInstaller(&installer);
  auto direct = NewSession(true);
  direct->SetConnected(true);
  direct.reset();
  EXPECT_EQ(installer.removes, 1);
  EXPECT_FALSE(IsDirectMode());

  auto library = NewSession(false);
  library->SetConnected(true);
  EXPECT_EQ(installer.removes, 1) << "nothing more to leave";
  EXPECT_TRUE(library->Connected());
  EXPECT_EQ(library->OCICallStyle(), kOci8);
}

TEST_F(ClientModeTest, WritingDirectDisconnectsOnlyWhenTheModeWouldChange) {
  StandinInstaller installer;
  RegisterDirectModeInstaller(&installer);
  auto session = NewSession(false);
  session->SetConnected(true);
  session->Options().SetDirect(false);
  EXPECT_TRUE(session->Connected());
  session->Options().SetDirect(true);
  EXPECT_FALSE(session->Connected());
  session->SetConnected(true);
  session->Options().SetDirect(true);
  EXPECT_TRUE(session->Connected()) << "direct mode is active already";
}

}  // namespace
}  // namespace oracle::testing
