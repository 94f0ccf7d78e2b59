// Change notification on the stand-in: the subscription's attributes as
// registered, changes built from the descriptors on the stand-in's own
// thread and delivered on the main thread, the server's deregistration,
// and unregistering or freeing the subscription while a callback is in
// flight (run under ASan, and once under TSan).
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "oracle/conn_util_window.h"
#include "oracle/notify_oci_change_notification.h"
#include "oracle/notify_ora_change_notification.h"
#include "oracle/session_ora_session.h"
#include "oracle/tests/conn_fixture.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using classlib::testing::MessageOf;

class NotifyControl : public StandinControl {
 public:
  using StandinControl::StandinControl;
  int Notify(int event, const std::string& changes) {
    return reinterpret_cast<int (*)(int, const char*)>(Symbol("standin_notify"))(event, changes.c_str());
  }
  void Join() { reinterpret_cast<void (*)()>(Symbol("standin_notify_join"))(); }
  void Hold(bool hold) { reinterpret_cast<void (*)(int)>(Symbol("standin_notify_hold"))(hold ? 1 : 0); }
  int InFlight() { return reinterpret_cast<int (*)()>(Symbol("standin_notify_in_flight"))(); }
  int Subscriptions() { return reinterpret_cast<int (*)()>(Symbol("standin_subscriptions"))(); }
};

// What the handler heard, copied out of the change it was lent.
struct Heard {
  TChangeNotifyEventType type;
  std::thread::id thread;
  std::vector<std::string> tables;  // "NAME ops [ROWID ops ...]"
};

std::string Describe(const TNotifyTableChange& table) {
  std::string text = table.TableName + " " + std::to_string(table.Operations);
  if (!table.RowChanges) return text + " no-rows";
  for (int i = 0; i < table.RowChanges->Count(); ++i)
    text += " " + table.RowChanges->Items(i).RowId + " " + std::to_string(table.RowChanges->Items(i).Operations);
  return text;
}

class ChangeNotificationTest : public ConnectionTest {
 protected:
  void SetUp() override {
    ConnectionTest::SetUp();
    control = std::make_unique<NotifyControl>(ORACLE_STANDIN_PATH);
    connection = NewConnection();
    connection->Connect("");
    notification = std::make_unique<TOCIChangeNotification>();
    notification->OnChange = TChangeNotifyEvent::Function(
        [this](classlib::TObject*, TChangeNotifyEventType type, const TNotifyTableChanges* changes) {
          Heard heard{type, std::this_thread::get_id(), {}};
          if (changes)
            for (int i = 0; i < changes->Count(); ++i) heard.tables.push_back(Describe(changes->Items(i)));
          heard_.push_back(heard);
        });
  }
  void TearDown() override {
    control->Hold(false);
    control->Join();
    notification.reset();
    connection.reset();
    control.reset();
    ConnectionTest::TearDown();
  }

  // Sends a change, waits for its callback and lets the main thread handle it.
  void NotifyAndHandle(int event, const std::string& changes) {
    size_t before = heard_.size();
    control->Notify(event, changes);
    control->Join();
    EXPECT_EQ(heard_.size(), before) << "nothing reaches the handler before the main thread takes it";
    notification->NotifyWindow()->ProcessMessages();
    EXPECT_EQ(heard_.size(), before + 1);
  }

  void WaitForInFlight(int count) {
    for (int i = 0; i < 2000 && control->InFlight() < count; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(control->InFlight(), count);
  }

  std::unique_ptr<NotifyControl> control;
  std::unique_ptr<TOCIConnection> connection;
  std::unique_ptr<TOCIChangeNotification> notification;
  std::vector<Heard> heard_;
};

TEST_F(ChangeNotificationTest, RegistrationSendsTheSubscriptionsAttributes) {
  struct Case {
    TChangeNotifyDMLOperations operations;
    bool persistent;
    std::string expected;
  };
  const Case cases[] = {
      {Ops(cnoUpdate), false, "operations=4 qos=0 timeout=30"},
      {Ops(cnoInsert) | Ops(cnoDelete), true, "operations=10 qos=1 timeout=30"},
      {kAllDMLOperations, false, "operations=0 qos=0 timeout=30"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    standin_->ClearLog();
    notification->SetProp(prNotifyOperations, static_cast<int32_t>(c.operations));
    notification->SetProp(prNotifyPersistent, c.persistent);
    notification->SetProp(prNotifyTimeOut, 30);
    notification->Register(*connection);
    EXPECT_TRUE(notification->IsActive());
    EXPECT_TRUE(InOrder(standin_->Log(),
                        {"OCIHandleAlloc type=13", "OCIAttrSet htype=13 attr=98", "OCIAttrSet htype=13 attr=95",
                         "OCIAttrSet htype=13 attr=402", "OCIAttrSet htype=13 attr=403",
                         "OCIAttrSet htype=13 attr=96", "OCIAttrSet htype=13 attr=227",
                         "OCIAttrSet htype=13 attr=225",
                         "OCISubscriptionRegister count=1 mode=0 namespace=2 rowids=1 " + c.expected}));
    EXPECT_NE(notification->NotifyWindow(), nullptr) << "a persistent subscription gets a queue too";
    notification->Unregister(*connection);
    EXPECT_FALSE(notification->IsActive());
    EXPECT_EQ(control->Subscriptions(), 0);
  }
  notification->SetProp(prNotifyOperations, 0);
  EXPECT_EQ(MessageOf([&] { notification->Register(*connection); }),
            "Operations for change notification subscription cannot be empty set");
  EXPECT_NE(MessageOf([&] { notification->SetProp(99, 1); }).find("99"), std::string::npos);
}

TEST_F(ChangeNotificationTest, InsertUpdateAndDeleteReachTheHandlerOnTheMainThread) {
  notification->Register(*connection);
  const std::thread::id main = std::this_thread::get_id();
  NotifyAndHandle(6, "SCOTT.EMP:2:AAAE1/2");
  NotifyAndHandle(6, "SCOTT.EMP:4:AAAE1/4,AAAE2/4;SCOTT.DEPT:8:AAAD9/8");
  NotifyAndHandle(6, "SCOTT.EMP:9");
  ASSERT_EQ(heard_.size(), 3u);
  for (const Heard& heard : heard_) {
    EXPECT_EQ(heard.type, cneObjChange);
    EXPECT_EQ(heard.thread, main);
  }
  const std::string insert = std::to_string(Ops(cnoInsert)), update = std::to_string(Ops(cnoUpdate)),
                    remove = std::to_string(Ops(cnoDelete));
  EXPECT_EQ(heard_[0].tables, (std::vector<std::string>{"SCOTT.EMP " + insert + " AAAE1 " + insert}));
  EXPECT_EQ(heard_[1].tables, (std::vector<std::string>{"SCOTT.EMP " + update + " AAAE1 " + update + " AAAE2 " + update,
                                                       "SCOTT.DEPT " + remove + " AAAD9 " + remove}));
  EXPECT_EQ(heard_[2].tables,
            (std::vector<std::string>{"SCOTT.EMP " + std::to_string(Ops(cnoAllRows) | Ops(cnoDelete)) + " no-rows"}))
      << "a change of all rows has no row list";
  EXPECT_EQ(standin_->LogOf("notify").size(), 3u);
}

TEST_F(ChangeNotificationTest, OtherEventsDisabledSubscriptionsAndPersistentOnes) {
  notification->SetProp(prNotifyPersistent, true);
  notification->Register(*connection);
  NotifyAndHandle(2, "");
  ASSERT_EQ(heard_.size(), 1u);
  EXPECT_EQ(heard_[0].type, cneShutdown);

  notification->SetEnabled(false);
  EXPECT_EQ(control->Notify(6, "SCOTT.EMP:2"), 0) << "a disabled subscription hears nothing";
  notification->SetEnabled(true);
  EXPECT_EQ(standin_->LogOf("OCISubscriptionDisable").size(), 1u);
  EXPECT_EQ(standin_->LogOf("OCISubscriptionEnable").size(), 1u);

  // A change nobody handles yet is freed with the subscription.
  control->Notify(6, "SCOTT.EMP:2:AAAE1/2");
  control->Join();
  EXPECT_EQ(notification->NotifyWindow()->PendingCount(), 1);
  notification.reset();
  EXPECT_EQ(control->Subscriptions(), 0);
}

TEST_F(ChangeNotificationTest, OnlyTheChosenOperationsAreHeard) {
  notification->SetProp(prNotifyOperations, static_cast<int32_t>(Ops(cnoDelete)));
  notification->Register(*connection);
  EXPECT_EQ(control->Notify(6, "SCOTT.EMP:2:AAAE1/2"), 0);
  EXPECT_EQ(control->Notify(6, "SCOTT.EMP:8:AAAE1/8"), 1);
}

TEST_F(ChangeNotificationTest, TheServersDeregistrationLetsTheHandleGoOnTheMainThread) {
  notification->Register(*connection);
  int handles = standin_->LiveHandles();
  control->Notify(5, "");
  control->Join();
  EXPECT_TRUE(notification->IsActive()) << "the callback's thread frees nothing";
  EXPECT_EQ(standin_->LiveHandles(), handles);
  notification->NotifyWindow()->ProcessMessages();
  EXPECT_FALSE(notification->IsActive());
  EXPECT_EQ(standin_->LiveHandles(), handles - 1);
  ASSERT_EQ(heard_.size(), 1u);
  EXPECT_EQ(heard_[0].type, cneDereg);
  notification->Unregister(*connection);  // nothing left to unregister
}

TEST_F(ChangeNotificationTest, UnregisteringWhileANotificationIsInFlight) {
  notification->Register(*connection);
  control->Hold(true);
  ASSERT_EQ(control->Notify(6, "SCOTT.EMP:2:AAAE1/2"), 1);
  WaitForInFlight(1);
  notification->Unregister(*connection);  // waits for the callback to finish
  EXPECT_EQ(standin_->LogOf("OCISubscriptionUnRegister"),
            (std::vector<std::string>{"OCISubscriptionUnRegister mode=0 in_flight=1"}));
  EXPECT_EQ(control->InFlight(), 0);
  notification->NotifyWindow()->ProcessMessages();
  EXPECT_EQ(heard_.size(), 1u) << "a change sent before the unregister still arrives";

  // A deregistration in flight while the main thread unregisters: the handle
  // is freed once, by the main thread.
  notification->Register(*connection);
  ASSERT_EQ(control->Notify(5, ""), 1);
  WaitForInFlight(1);
  notification->Unregister(*connection);
  control->Join();
  notification->NotifyWindow()->ProcessMessages();
  ASSERT_EQ(heard_.size(), 2u);
  EXPECT_EQ(heard_[1].type, cneDereg);
  EXPECT_FALSE(notification->IsActive());

  // Freed while a callback is in flight: the destructor unregisters, waits,
  // and frees the change the callback posted.
  notification->Register(*connection);
  ASSERT_EQ(control->Notify(6, "SCOTT.DEPT:4:AAAD1/4"), 1);
  WaitForInFlight(1);
  notification.reset();
  control->Join();
  EXPECT_EQ(heard_.size(), 2u);
  EXPECT_EQ(control->Subscriptions(), 0);
}

TEST_F(ChangeNotificationTest, ClientsAndServersBefore10_2AreRefused) {
  standin_->SetBanner("Oracle Database 10g Enterprise Edition Release 10.1.0.2.0 - Production");
  auto older = NewConnection();
  older->Connect("");
  EXPECT_EQ(MessageOf([&] { notification->Register(*older); }),
            "Change notification is supported starting with Oracle 10.2");
  EXPECT_FALSE(notification->IsActive());
}

}  // namespace
}  // namespace oracle::testing

// ---- The component on a session ------------------------------------------------------

namespace oracle::testing {
namespace {

class OraChangeNotificationTest : public ConnectionTest {
 protected:
  void TearDown() override {
    NotifyControl(ORACLE_STANDIN_PATH).Join();
    ConnectionTest::TearDown();
  }
};

TEST_F(OraChangeNotificationTest, TheComponentHearsChangesOnItsSessionAndUnregistersWhenFreed) {
  NotifyControl control(ORACLE_STANDIN_PATH);
  auto session = std::make_unique<TOraSession>();
  session->SetConnectString("scott/tiger@db1");
  session->SetConnected(true);
  auto component = std::make_unique<TOraChangeNotification>();
  EXPECT_TRUE(component->Enabled());
  EXPECT_EQ(component->Operations(), kAllDMLOperations);
  std::vector<std::string> heard;
  component->OnChange = TOraChangeNotificationEvent::Function(
      [&](classlib::TObject* sender, TChangeNotifyEventType type, const TNotifyTableChanges* changes) {
        EXPECT_EQ(sender, component.get()) << "the application hears the component";
        heard.push_back(std::to_string(type) + " " + (changes ? Describe(changes->Items(0)) : ""));
      });
  component->SetSession(session.get());
  component->SetOperations(Ops(cnoInsert) | Ops(cnoUpdate));
  component->Register();
  EXPECT_EQ(standin_->LogOf("OCISubscriptionRegister").size(), 1u);
  EXPECT_EQ(control.Notify(6, "SCOTT.EMP:2:AAAE1/2"), 1);
  EXPECT_EQ(control.Notify(6, "SCOTT.EMP:8:AAAE1/8"), 0) << "deletes were not asked for";
  control.Join();
  component->GetNotification().NotifyWindow()->ProcessMessages();
  EXPECT_EQ(heard, (std::vector<std::string>{"6 SCOTT.EMP " + std::to_string(Ops(cnoInsert)) + " AAAE1 " +
                                             std::to_string(Ops(cnoInsert))}));

  component.reset();
  EXPECT_EQ(standin_->LogOf("OCISubscriptionUnRegister").size(), 1u);
  EXPECT_EQ(control.Subscriptions(), 0);
}

TEST_F(OraChangeNotificationTest, WithoutAnySessionUnregisterFails) {
  TOraChangeNotification component;
  TOraChangeNotification::UseDefaultSession = false;
  std::string message = MessageOf([&] { component.Unregister(); });
  TOraChangeNotification::UseDefaultSession = true;
  EXPECT_EQ(message, "Session is not defined");
}

TEST_F(OraChangeNotificationTest, ASessionFreedFirstTakesTheSubscriptionWithIt) {
  NotifyControl control(ORACLE_STANDIN_PATH);
  auto session = std::make_unique<TOraSession>();
  session->SetConnectString("scott/tiger@db1");
  session->SetConnected(true);
  TOraChangeNotification component;
  component.SetSession(session.get());
  component.Register();
  session.reset();
  EXPECT_EQ(component.Session(), nullptr);
  EXPECT_FALSE(component.IsActive());
  EXPECT_EQ(control.Subscriptions(), 0);
}

}  // namespace
}  // namespace oracle::testing
