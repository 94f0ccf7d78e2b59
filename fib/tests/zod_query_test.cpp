// Recovery from failed executions, stored options, and update objects
// filed in their data set's lists.
#include "fib/zod/zod_query.h"

#include <gtest/gtest.h>

#include "classlib/exceptions.h"
#include "fib/zod/zod_update_object.h"
#include "fib_query_fixture.h"

namespace fib {
namespace {

using fib_test::QueryTest;

TEST_F(QueryTest, AHandlerDecidesWhatAFailedExecutionDoes) {
  auto query = NewQuery<TpZODQuery>("Z", "insert into LATER values (1)");
  int calls = 0;
  classlib::TDataAction answer = classlib::daRetry;
  query->OnExecuteError = TFIBQueryErrorEvent::Function(
      [&](TpZODQuery* failed, EFIBError& error, classlib::TDataAction& action) {
        EXPECT_EQ(failed, query.get());
        EXPECT_EQ(action, classlib::daFail);
        EXPECT_EQ(error.Raiser(), db_.get());  // the database checks the call
        ++calls;
        if (answer == classlib::daRetry && calls == 1) {
          // Mend the cause, then ask for another try.
          auto ddl = NewQuery("Ddl", "create table LATER (V integer)");
          ddl->ExecQuery();
          tr_->Commit();
        }
        action = answer;
      });
  query->ExecQuery();
  EXPECT_EQ(calls, 1);  // one failure, then success
  tr_->Commit();

  query->SQL().SetText("insert into NEVER values (1)");
  answer = classlib::daAbort;
  EXPECT_THROW(query->ExecQuery(), classlib::EAbort);
  answer = classlib::daFail;
  EXPECT_THROW(query->ExecQuery(), EFIBInterBaseError);
  query->OnExecuteError = {};
  EXPECT_THROW(query->ExecQuery(), EFIBInterBaseError);
  EXPECT_EQ(calls, 3);
}

TEST(StoredOptionsTest, OldBooleanPropertiesFillTheSet) {
  TpZODQuery query(nullptr);
  EXPECT_TRUE(query.ReadStoredOption("qoAutoCommit", true));
  EXPECT_TRUE(query.ReadStoredOption("qoStartTransaction", true));
  EXPECT_TRUE(query.ReadStoredOption("qoTrimCharFields", true));
  EXPECT_TRUE(query.ReadStoredOption("qoTrimCharFields", false));
  EXPECT_FALSE(query.ReadStoredOption("qoSomethingElse", true));
  EXPECT_EQ(query.Options(), (TpZODQueryOptions{qoAutoCommit, qoStartTransaction}));
}

// A stand-in for the data set that owns update objects.
class FakeDataSet : public classlib::TComponent, public IUpdateObjectHost {
 public:
  explicit FakeDataSet(TFIBDatabase* db, TFIBTransaction* tr)
      : TComponent(nullptr), db_(db), tr_(tr) {
    SetName("DS");
  }
  TUpdateObjectLists& UpdateObjects() override { return lists_; }
  TFIBDatabase* HostDatabase() const override { return db_; }
  TFIBTransaction* HostTransaction() const override { return tr_; }

 private:
  TUpdateObjectLists lists_;
  TFIBDatabase* db_;
  TFIBTransaction* tr_;
};

TEST_F(QueryTest, UpdateObjectsAreFiledByKindAndOrder) {
  FakeDataSet data_set(db_.get(), tr_.get());
  TpZODUpdateObject a(nullptr), b(nullptr), c(nullptr);
  a.SetOrderInList(2);
  b.SetOrderInList(1);
  c.SetKindUpdate(classlib::ukInsert);
  for (TpZODUpdateObject* object : {&a, &b, &c}) object->SetDataSet(&data_set);
  EXPECT_EQ(a.Database(), db_.get());
  EXPECT_EQ(a.Transaction(), tr_.get());
  EXPECT_TRUE(a.ParamCheck());
  const TUpdateObjectLists& lists = data_set.UpdateObjects();
  EXPECT_EQ(lists.List(classlib::ukModify), (std::vector<TpZODUpdateObject*>{&b, &a}));
  EXPECT_EQ(lists.List(classlib::ukInsert), std::vector<TpZODUpdateObject*>{&c});

  a.SetOrderInList(0);
  EXPECT_EQ(lists.List(classlib::ukModify), (std::vector<TpZODUpdateObject*>{&a, &b}));
  b.SetKindUpdate(classlib::ukDelete);
  EXPECT_EQ(lists.List(classlib::ukDelete), std::vector<TpZODUpdateObject*>{&b});
  b.SetExecuteOrder(oeAfterDefault);
  EXPECT_TRUE(lists.ToRun(classlib::ukDelete, oeBeforeDefault).empty());
  EXPECT_EQ(lists.ToRun(classlib::ukDelete, oeAfterDefault).size(), 1u);
  a.SetActive(false);
  EXPECT_TRUE(lists.ToRun(classlib::ukModify, oeBeforeDefault).empty());

  classlib::TComponent not_a_data_set(nullptr);
  not_a_data_set.SetName("Plain");
  try {
    a.SetDataSet(&not_a_data_set);
    FAIL() << "accepted";
  } catch (const EFIBError& e) {
    EXPECT_NE(e.Message().find("Plain is not TpZODDataSet"), std::string::npos);
  }
  a.SetDataSet(nullptr);
  EXPECT_TRUE(lists.List(classlib::ukModify).empty());
}

TEST_F(QueryTest, AnUpdateObjectOutlivesItsDataSet) {
  TpZODUpdateObject object(nullptr);
  {
    FakeDataSet data_set(db_.get(), tr_.get());
    object.SetDataSet(&data_set);
  }
  EXPECT_EQ(object.DataSet(), nullptr);
}

}  // namespace
}  // namespace fib
