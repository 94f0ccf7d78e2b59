// A query whose session works in disconnected mode: the records it copies
// for an edit hold what their object values would otherwise read from the
// server later, while the session the copy was made on is there.
#include <cstddef>
#include <memory>
#include <string>

#include "oracle/call_entries.h"
#include "oracle/call_state.h"
#include "oracle/lob_ora_lob.h"
#include "oracle/object_ora_object.h"
#include "oracle/object_ora_ref.h"
#include "oracle/query_ora_dataset.h"
#include "oracle/session_ora_session.h"
#include "oracle/session_options.h"
#include "oracle/tests/object_fixture.h"
#include "oracle/tests/rset_fixture.h"
#include "oracle/tests/standin_fixture_values.h"

namespace oracle::testing {
namespace {

// SCOTT.NOTE_T (final): TITLE VARCHAR2(20), BODY CLOB.
struct NoteT {
  OCIString* title;
  OCILobLocator* body;
};
struct NoteInd {
  OCIInd self, title, body;
};

class DisconnectedQueryTest : public RecordSetTest {
 protected:
  void SetUp() override {
    RecordSetTest::SetUp();
    values_ = std::make_unique<StandinValues>(ORACLE_STANDIN_PATH);
    session_component_ = std::make_unique<TOraSession>();
    session_component_->SetConnectString("scott/tiger@db1");
  }
  void TearDown() override {
    session_component_.reset();
    values_.reset();
    RecordSetTest::TearDown();
  }
  std::unique_ptr<TOraQuery> OpenQuery(const std::string& sql, bool disconnected) {
    session_component_->Options().SetDisconnectedMode(disconnected);
    auto query = std::make_unique<TOraQuery>();
    query->SetSession(session_component_.get());
    query->SetSQL(sql);
    query->SetLocalUpdate(true);
    query->Open();
    return query;
  }

  std::unique_ptr<StandinValues> values_;
  std::unique_ptr<TOraSession> session_component_;
  ObjectControl objects_;
};

// The edit's copy of a REF pins the object it leads to; outside disconnected
// mode the copy leaves that to the first use.
TEST_F(DisconnectedQueryTest, AnEditedRefHoldsItsObject) {
  Connect();
  objects_.DeclareSampleTypes();
  AddressAndRef oslo = NewAddressWithRef(connection_->GetSvcCtx(), "Oslo");
  const char* sql = "SELECT ID, HOME FROM PEOPLE";
  fetch_->ScriptQuery(sql, "ID NUMBER(9); HOME REF SCOTT.ADDRESS_T");
  fetch_->AddRows(sql, "1|" + oslo.ref->AsHex());
  for (const bool disconnected : {false, true}) {
    SCOPED_TRACE(disconnected ? "disconnected" : "connected");
    auto query = OpenQuery(sql, disconnected);
    standin_->ClearLog();
    query->Edit();
    auto* home = dynamic_cast<TOraRef*>(query->GetObjectValue("HOME"));
    ASSERT_NE(home, nullptr);
    EXPECT_EQ(Calls("OCIObjectPin").size(), disconnected ? 1u : 0u);
    EXPECT_EQ(home->GetInstance() != nullptr, disconnected);
    if (disconnected) {
      EXPECT_EQ(home->AttrAsString("CITY"), "Oslo") << "the pinned object is the REF's";
    }
    query->Cancel();
  }
  oslo.ref.reset();
  oslo.object.reset();
  EXPECT_EQ(objects_.LiveObjects(), 0);
}

// The edit's copy of an object reads its LOB attributes at once.
TEST_F(DisconnectedQueryTest, AnEditedObjectHoldsItsLobAttributes) {
  Connect();
  objects_.DeclareType("SCOTT", "NOTE_T", OCI_TYPECODE_OBJECT, true, 0, 0, sizeof(NoteT), sizeof(NoteInd));
  objects_.DeclareAttribute("SCOTT.NOTE_T", "TITLE", SQLT_CHR, 20, 0, 0, "", offsetof(NoteT, title),
                            offsetof(NoteInd, title));
  objects_.DeclareAttribute("SCOTT.NOTE_T", "BODY", SQLT_CLOB, 0, 0, 0, "", offsetof(NoteT, body),
                            offsetof(NoteInd, body));
  void* locator = nullptr;
  ASSERT_EQ(OCIDescriptorAlloc(hOCIEnv, &locator, OCI_DTYPE_LOB, 0, nullptr), OCI_SUCCESS);
  values_->AttachLob(locator, 2, "remember this");
  const char* sql = "SELECT ID, NOTE FROM NOTES";
  fetch_->ScriptQuery(sql, "ID NUMBER(9); NOTE OBJECT SCOTT.NOTE_T");
  fetch_->AddRows(sql, "1|TITLE=first");
  for (const bool disconnected : {false, true}) {
    SCOPED_TRACE(disconnected ? "disconnected" : "connected");
    auto query = OpenQuery(sql, disconnected);
    // The row's CLOB attribute, as the server would have filled it.
    auto* row = dynamic_cast<TOraObject*>(query->GetObjectValue("NOTE"));
    ASSERT_NE(row, nullptr);
    static_cast<NoteT*>(row->GetInstance())->body = static_cast<OCILobLocator*>(locator);
    static_cast<NoteInd*>(row->GetIndicator())->body = OCI_IND_NOTNULL;
    standin_->ClearLog();
    query->Edit();
    EXPECT_EQ(Calls("OCILobRead2").empty(), !disconnected);
    auto* copy = dynamic_cast<TOraObject*>(query->GetObjectValue("NOTE"));
    ASSERT_NE(copy, nullptr);
    ASSERT_NE(copy, row);
    EXPECT_EQ(copy->AttrAsString("TITLE"), "first");
    EXPECT_EQ(copy->AttrAsLob("BODY")->GetAsString(), "remember this");
    query->Cancel();
  }
  EXPECT_EQ(OCIDescriptorFree(locator, OCI_DTYPE_LOB), OCI_SUCCESS);
  EXPECT_EQ(objects_.LiveObjects(), 0);
}

// Records with object values hold a use of the connection while they are
// edited or inserted; the end of the edit gives it back, whichever way it
// ends, and the open query's own use stays.
TEST_F(DisconnectedQueryTest, EditsAndInsertsOfObjectRecordsHoldTheConnectionUntilTheyEnd) {
  objects_.DeclareSampleTypes();
  const char* sql = "select id, addr from people";
  fetch_->ScriptQuery(sql, "ID NUMBER(9); ADDR OBJECT");
  fetch_->AddRows(sql, "1|STREET=Main St,CITY=Oslo,ZIP=1234\n2|CITY=Bergen,ZIP=5003");
  auto query = OpenQuery(sql, true);
  const int open = session_component_->ConnectCount();
  ASSERT_EQ(open, 1) << "the open query's use";
  query->Insert();
  EXPECT_EQ(session_component_->ConnectCount(), open + 1) << "the new record's use";
  query->Cancel();
  EXPECT_EQ(session_component_->ConnectCount(), open);
  query->Cancel();
  EXPECT_EQ(session_component_->ConnectCount(), open) << "a cancel in browse mode gives nothing back";
  EXPECT_TRUE(session_component_->Connected());

  query->Insert();
  query->FieldByName("ID")->SetAsInteger(3);
  query->Post();
  EXPECT_EQ(session_component_->ConnectCount(), open) << "a posted insert gives its use back";
  query->Edit();
  EXPECT_EQ(session_component_->ConnectCount(), open + 1);
  query->Post();
  EXPECT_EQ(session_component_->ConnectCount(), open) << "a posted edit gives its use back";
  query->Edit();
  query->Cancel();
  EXPECT_EQ(session_component_->ConnectCount(), open);
  query->Close();
  EXPECT_FALSE(session_component_->Connected()) << "the last use ended, the session closed";
}

}  // namespace
}  // namespace oracle::testing
