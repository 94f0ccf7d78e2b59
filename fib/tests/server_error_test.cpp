// Server errors: the message assembled from the status vector, against the
// real client and embedded engine, and against a partial client whose texts
// the test chooses.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>

#include "classlib/component.h"
#include "embedded_database.h"
#include "fib/base/errors.h"

namespace fib {
namespace {

class ServerErrorTest : public ::testing::Test {
 protected:
  void SetUp() override { SetErrorMessageOptions(kMessageShowAll); }
  void TearDown() override { SetErrorMessageOptions(kMessageShowAll); }
};

// ---- the real client and engine ----

EFIBInterBaseError PrepareFailure(fib_test::EmbeddedDatabase& db, const std::string& sql,
                                  const classlib::TObject* raiser) {
  IIBClientLibrary& lib = db.Library();
  isc_tr_handle tr = db.StartTransaction();
  isc_stmt_handle stmt = 0;
  CheckClientCall(lib.isc_dsql_alloc_statement2(StatusVector(), db.Handle(), &stmt), true, lib,
                  raiser);
  ISC_STATUS status = lib.isc_dsql_prepare(StatusVector(), &tr, &stmt, 0, sql.c_str(), 3, nullptr);
  try {
    CheckClientCall(status, true, lib, raiser);
  } catch (const EFIBInterBaseError& e) {
    // Cleaned up with a status vector of its own, so that the thread's
    // still holds the failure.
    ISC_STATUS scratch[ISC_STATUS_LENGTH] = {};
    lib.isc_dsql_free_statement(scratch, &stmt, DSQL_drop);
    lib.isc_rollback_transaction(scratch, &tr);
    return e;
  }
  ADD_FAILURE() << "prepared: " << sql;
  return EFIBInterBaseError(0, nullptr, "", "", "");
}

TEST_F(ServerErrorTest, AttachAndDetachThroughTheBinding) {
  fib_test::EmbeddedDatabase db;
  IIBClientLibrary& lib = db.Library();
  // The version is the client's own answer, asked here without the binding.
  void* client = dlopen("libfbclient.so.2", RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(client, nullptr);
  auto major = reinterpret_cast<int (*)()>(dlsym(client, "isc_get_client_major_version"));
  auto minor = reinterpret_cast<int (*)()>(dlsym(client, "isc_get_client_minor_version"));
  ASSERT_TRUE(major && minor);
  EXPECT_EQ(lib.GetMajorVersion(), major());
  EXPECT_EQ(lib.GetMinorVersion(), minor());
  dlclose(client);

  // The attachment speaks WIN1251 and dialect 3, as its parameter block asked.
  const char items[] = {isc_info_db_sql_dialect, isc_info_end};
  char answer[32] = {};
  CheckClientCall(lib.isc_database_info(StatusVector(), db.Handle(), sizeof items, items,
                                        sizeof answer, answer),
                  true, lib, nullptr);
  ASSERT_EQ(answer[0], isc_info_db_sql_dialect);
  short length = static_cast<short>(lib.isc_vax_integer(answer + 1, 2));
  EXPECT_EQ(lib.isc_vax_integer(answer + 3, length), 3);

  isc_db_handle second = 0;
  std::string dpb = fib_test::ConnectionParameters();
  ASSERT_EQ(CheckClientCall(lib.isc_attach_database(StatusVector(), 0, db.Path().c_str(), &second,
                                                    static_cast<short>(dpb.size()), dpb.data()),
                            true, lib, nullptr),
            0);
  EXPECT_NE(second, 0u);
  EXPECT_EQ(lib.isc_detach_database(StatusVector(), &second), 0);
  EXPECT_EQ(second, 0u);
}

TEST_F(ServerErrorTest, AMissingTableRaisesTheServersTexts) {
  fib_test::EmbeddedDatabase db;
  classlib::TComponent form(nullptr);
  form.SetName("frmUpdate");
  auto* component = new classlib::TComponent(&form);
  component->SetName("zodDB");

  EFIBInterBaseError e = PrepareFailure(db, "SELECT * FROM NO_SUCH_TABLE", component);
  EXPECT_EQ(e.SQLCode(), -204);
  EXPECT_EQ(e.IBErrorCode(), isc_dsql_error);
  EXPECT_EQ(e.Raiser(), component);
  EXPECT_EQ(e.RaiserName(), "frmUpdate.zodDB");
  EXPECT_EQ(e.SQLMessage(), "Undefined name.\r\n");
  EXPECT_EQ(e.IBMessage(),
            "Dynamic SQL Error.\r\n"
            "SQL error code = -204.\r\n"
            "Table unknown.\r\n"
            "NO_SUCH_TABLE.\r\n"
            "At line 1, column 15.\r\n");
  EXPECT_EQ(e.Msg(), "");
  EXPECT_EQ(e.Message(), "frmUpdate.zodDB:\r\n" + e.SQLMessage() + e.IBMessage());
  EXPECT_TRUE(StatusIsOneOf({isc_dsql_relation_err}));
}

TEST_F(ServerErrorTest, PartsLeftOutOfTheOptionsAreNotRead) {
  fib_test::EmbeddedDatabase db;
  SetErrorMessageOptions(kMessageShowServerLines);
  EFIBInterBaseError lines_only = PrepareFailure(db, "SELEC 1 FROM RDB$DATABASE", nullptr);
  EXPECT_EQ(lines_only.SQLCode(), -104);
  EXPECT_EQ(lines_only.SQLMessage(), "");
  EXPECT_EQ(lines_only.Message(), lines_only.IBMessage());
  EXPECT_EQ(lines_only.IBMessage().substr(0, 20), "Dynamic SQL Error.\r\n");

  SetErrorMessageOptions(0);
  EXPECT_EQ(PrepareFailure(db, "SELEC 1 FROM RDB$DATABASE", nullptr).Message(), "");
}

TEST_F(ServerErrorTest, ASucceedingOrUncheckedCallRaisesNothing) {
  fib_test::EmbeddedDatabase db;
  IIBClientLibrary& lib = db.Library();
  EXPECT_EQ(CheckClientCall(0, true, lib, nullptr), 0);
  EXPECT_EQ(CheckClientCall(isc_dsql_error, false, lib, nullptr), isc_dsql_error);
}

// ---- texts chosen by the partial client ----

// The partial client answers SQL code = the first error code, an SQL
// message picked by that code, and each string argument as a server line.
EFIBInterBaseError RaiseWithTexts(ISC_STATUS sql_code, std::vector<const char*> lines) {
  ISC_STATUS* v = StatusVector();
  std::fill(v, v + kStatusVectorLength, 0);
  int i = 0;
  v[i++] = isc_arg_gds;
  v[i++] = sql_code;
  for (const char* line : lines) {
    v[i++] = isc_arg_string;
    v[i++] = reinterpret_cast<ISC_STATUS>(line);
  }
  ClientLibraryRef lib = FindOrLoadClientLibrary(FIB_PARTIAL_CLIENT_VERSION5);
  EXPECT_FALSE(lib->HasBoundedInterpret());
  try {
    RaiseServerError(*lib, nullptr);
  } catch (const EFIBInterBaseError& e) {
    std::fill(v, v + kStatusVectorLength, 0);
    return e;
  }
  return EFIBInterBaseError(0, nullptr, "", "", "");
}

TEST_F(ServerErrorTest, AnSQLMessageEndingWithAFullStopGetsNoLineBreak) {
  EFIBInterBaseError e = RaiseWithTexts(-1, {"first line", "second line."});
  EXPECT_EQ(e.SQLCode(), -1);
  EXPECT_EQ(e.SQLMessage(), "Ends with a full stop.");
  EXPECT_EQ(e.IBMessage(), "First line.\r\nSecond line.\r\n");
  EXPECT_EQ(e.Message(), "Ends with a full stop.First line.\r\nSecond line.\r\n");
}

TEST_F(ServerErrorTest, WrittenOutLineBreaksAreRemovedFromTheSQLMessage) {
  EXPECT_EQ(RaiseWithTexts(-2, {}).SQLMessage(), "Split over lines.\r\n");
  EXPECT_EQ(RaiseWithTexts(-3, {"Line"}).Message(), "Already Capital.\r\nLine.\r\n");
}

TEST_F(ServerErrorTest, AnEmptySQLMessageAddsNothing) {
  EFIBInterBaseError e = RaiseWithTexts(-99, {"only line"});
  EXPECT_EQ(e.SQLMessage(), "");
  EXPECT_EQ(e.Message(), "Only line.\r\n");
}

}  // namespace
}  // namespace fib
