// The handler list and the login dialog glue.
#include "fib/base/callback_list.h"

#include <gtest/gtest.h>

#include <string>

#include "fib/zod/zod_database_login.h"

namespace fib {
namespace {

class Listener : public classlib::TComponent {
 public:
  explicit Listener(classlib::TComponent* owner) : TComponent(owner) {}
  void Handle(classlib::TObject*) { ++calls; }
  void Other(classlib::TObject*) {}
  int calls = 0;
};

using NotifyList = TCallBackList<void(classlib::TObject*)>;

TEST(CallBackList, KeepsOneEntryPerHandlerAndForgetsDestroyedComponents) {
  NotifyList list;
  auto first = std::make_unique<Listener>(nullptr);
  Listener second(nullptr);
  classlib::TNotifyEvent handle(first.get(), &Listener::Handle);
  list.Add(handle);
  list.Add(handle);
  list.Add(classlib::TNotifyEvent(first.get(), &Listener::Other));
  list.Add(classlib::TNotifyEvent(&second, &Listener::Handle));
  EXPECT_EQ(list.Count(), 3);

  list.Method(0)(nullptr);
  EXPECT_EQ(first->calls, 1);
  EXPECT_FALSE(list.Method(3).Assigned());
  EXPECT_FALSE(list.Method(-1).Assigned());

  first.reset();  // both of its handlers go
  EXPECT_EQ(list.Count(), 1);
  list.Method(0)(nullptr);
  EXPECT_EQ(second.calls, 1);
  list.Remove(classlib::TNotifyEvent(&second, &Listener::Handle));
  EXPECT_EQ(list.Count(), 0);
}

TEST(LoginDialog, LongNamesAreShortenedInTheMiddle) {
  std::string sixty = "0123456789" + std::string(17, 'x') + std::string(33, 'e');
  ASSERT_EQ(sixty.size(), 60u);
  EXPECT_EQ(ShortDatabaseName(sixty), "0123456789..." + std::string(33, 'e'));
  std::string forty_five(45, 'a');
  EXPECT_EQ(ShortDatabaseName(forty_five), forty_five);
}

TEST(LoginDialog, OkCopiesTheAnswersBackAndCancelChangesNothing) {
  DBLoginDialogFields shown;
  bool confirm = false;
  TDBLoginDialogRunner runner = [&](DBLoginDialogFields& fields) {
    shown = fields;
    fields.user_name = "NEW";
    fields.password = "pw";
    fields.role = "ADMIN";
    return confirm;
  };
  std::string user = "OLD", password = "kept", role = "R";
  EXPECT_FALSE(ShowDBLoginDialog(runner, "/db.fdb", user, password, role));
  EXPECT_EQ(user, "OLD");
  EXPECT_EQ(password, "kept");
  EXPECT_EQ(shown.user_name, "OLD");
  EXPECT_EQ(shown.password, "");  // never prefilled
  EXPECT_EQ(shown.role, "R");
  EXPECT_EQ(shown.db_name, "/db.fdb");

  confirm = true;
  EXPECT_TRUE(ShowDBLoginDialog(runner, "/db.fdb", user, password, role));
  EXPECT_EQ(user, "NEW");
  EXPECT_EQ(password, "pw");
  EXPECT_EQ(role, "ADMIN");
}

}  // namespace
}  // namespace fib
