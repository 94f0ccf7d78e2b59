// SQL text that does not parse, given to a statement or a data set: the
// layer's parse error (client error 51) reaches the caller, and
// the component takes the next, good text as if nothing had happened.
#include <gtest/gtest.h>

#include <string>

#include "classlib/field.h"
#include "dataset_fixture.h"
#include "fib/base/errors.h"
#include "fib/statements/fib_query.h"
#include "fib/statements/fib_transaction.h"

namespace fib {
namespace {

// The client error a piece of code raises; -2 when it raises none.
template <class F>
int ClientErrorOf(F f, std::string* message = nullptr) {
  try {
    f();
  } catch (const EFIBClientError& e) {
    if (message != nullptr) *message = e.Message();
    return e.SQLCode();
  }
  return -2;
}

class SQLParseErrorTest : public fib_test::DataSetTest {};

TEST_F(SQLParseErrorTest, AStatementRaisesTheParseErrorAndStaysUsable) {
  auto query = NewQuery("Q");
  std::string message;
  EXPECT_EQ(ClientErrorOf([&] { query->SQL().SetText("select 1 from rdb$database /* open"); },
                          &message),
            51);
  EXPECT_NE(message.find("SQL Parse Error in :Form1.Q"), std::string::npos) << message;
  EXPECT_NE(message.find("EOF in comment detected"), std::string::npos) << message;
  // Running the refused text raises the same error again; nothing is sent.
  EXPECT_EQ(ClientErrorOf([&] { query->ExecQuery(); }), 51);
  EXPECT_FALSE(query->Prepared());

  EXPECT_EQ(ClientErrorOf([&] { query->SQL().SetText("select 'open from rdb$database"); },
                          &message),
            51);
  EXPECT_NE(message.find("EOF in string detected"), std::string::npos) << message;

  query->SQL().SetText("select 7 from rdb$database");
  query->ExecQuery();
  EXPECT_EQ(query->Fields(0).AsInteger(), 7);
  query->Close();
}

TEST_F(SQLParseErrorTest, LinesAddedOneByOneRaiseOnTheLineThatBreaksTheText) {
  auto query = NewQuery("Q", "select 1 from rdb$database");
  EXPECT_EQ(ClientErrorOf([&] { query->SQL().Add("/* a comment left open"); }), 51);
  query->SQL().Delete(1);
  query->ExecQuery();
  EXPECT_EQ(query->Fields(0).AsInteger(), 1);
}

TEST_F(SQLParseErrorTest, ADataSetRaisesTheParseErrorAndOpensOnTheNextText) {
  auto ds = NewDataSet("DS");
  std::string message;
  EXPECT_EQ(ClientErrorOf([&] { ds->SelectSQL().SetText("select 1 from rdb$database /* open"); },
                          &message),
            51);
  EXPECT_NE(message.find("EOF in comment detected"), std::string::npos) << message;
  EXPECT_EQ(ClientErrorOf([&] { ds->Open(); }), 51);
  EXPECT_FALSE(ds->Active());

  ds->SelectSQL().SetText("select 5 as N from rdb$database");
  ds->Open();
  EXPECT_EQ(ds->FieldByName("N")->AsInteger(), 5);
  ds->Close();
}

TEST_F(SQLParseErrorTest, APooledValueQueryRaisesTheParseError) {
  EXPECT_EQ(ClientErrorOf([&] { db_->QueryValue("select 1 from rdb$database where 'x = 1", 0); }),
            51);
  EXPECT_EQ(db_->QueryValue("select 2 from rdb$database", 0).AsInteger(), 2);
}

}  // namespace
}  // namespace fib
