// Nested data sets open over a query's REF and nested-table columns while
// the query's record is replaced in place: by RefreshRecord, by the read
// after an update, by a notified update and by a whole Refresh. The nested
// data set reads the new value (the REF's new object, the collection's new
// elements and count), closes and goes without errors, and its LOB
// attribute fields answer IsNull and AsString as the object holds them; a
// cancelled edit of the object behind a REF leaves nothing behind.
#include <memory>
#include <string>
#include <vector>

#include "classlib/field.h"
#include "dacore/gen_sql_generator.h"
#include "dacore/memds_xml.h"
#include "oracle/cmd_sql_text.h"
#include "oracle/field_ora_fields.h"
#include "oracle/lob_ora_lob.h"
#include "oracle/nested_ora_nested_table.h"
#include "oracle/notify_ora_change_notification.h"
#include "oracle/object_ora_array.h"
#include "oracle/object_ora_ref.h"
#include "oracle/query_ora_dataset.h"
#include "oracle/session_ora_session.h"
#include "oracle/tests/notify_control.h"
#include "oracle/tests/object_fixture.h"
#include "oracle/tests/rset_fixture.h"

namespace oracle::testing {
namespace {

using ::testing::ElementsAre;

class NestedParentRefreshTest : public RecordSetTest {
 protected:
  void SetUp() override {
    RecordSetTest::SetUp();
    objects_.DeclareSampleTypes();
    objects_.DeclareDocumentTypes();
    objects_.DeclareType("SYS", "XMLTYPE", OCI_TYPECODE_OPAQUE, true, 0, 0, sizeof(void*), sizeof(OCIInd));
    session_component_ = std::make_unique<TOraSession>();
    session_component_->SetConnectString("scott/tiger@db1");
    session_component_->SetConnected(true);
  }
  void TearDown() override {
    refs_.clear();
    values_.clear();
    session_component_.reset();
    EXPECT_EQ(objects_.LiveObjects(), 0) << "the object cache keeps nothing";
    EXPECT_EQ(objects_.Pins(), 0) << "no pin outlives its REF";
    RecordSetTest::TearDown();
  }
  OCISvcCtx* SvcCtx() { return session_component_->OCIConnection()->GetSvcCtx(); }
  // A document on the server with that title, and the hexadecimal text of
  // a REF that leads to it.
  std::string NewDocument(const std::string& title) {
    auto* type = new TOraType(SvcCtx(), "scott.doc_t");
    auto* doc = new TOraObject(type);
    values_.emplace_back(doc);
    doc->AllocObject();
    doc->SetAttrAsString("TITLE", title);
    auto* ref = new TOraRef(type);
    type->Release();
    refs_.emplace_back(ref);
    ref->SetOCISvcCtx(SvcCtx());
    ref->SetOCIRef(doc->GetObjectRef());
    return ref->AsHex();
  }
  std::unique_ptr<TOraQuery> Open(const std::string& sql, const std::string& columns, const std::string& rows) {
    fetch_->ScriptQuery(sql, columns);
    fetch_->AddRows(sql, rows);
    auto query = std::make_unique<TOraQuery>();
    query->SetSession(session_component_.get());
    query->SetSQL(sql);
    query->SetKeyFields("ID");
    query->Open();
    return query;
  }
  // Row 1 as the query's refresh reads it from now on.
  void ScriptRefresh(TOraQuery& query, const std::string& columns, const std::string& row) {
    const std::string refresh = PrepareSQLText(query.SQLGenerator().GenerateSQL(dacore::stRefresh, false, nullptr));
    fetch_->ScriptQuery(refresh, columns);
    fetch_->AddRows(refresh, row);
  }
  static std::vector<std::string> Titles(TOraNestedTable& nested) {
    std::vector<std::string> titles;
    for (nested.First(); !nested.Eof(); nested.Next()) titles.push_back(nested.FieldByName("TITLE")->AsString());
    return titles;
  }
  // The LOB attribute fields of the current record: "NULL" or the text.
  static std::string Lobs(TOraNestedTable& nested, const std::string& prefix) {
    std::string shown;
    for (const std::string name : {"BODY", "DATA", "NOTE.TEXT"}) {
      classlib::TField* field = nested.FieldByName(prefix + name);
      shown += (shown.empty() ? "" : ",") + name + "=" + (field->IsNull() ? "NULL" : field->AsString());
    }
    return shown;
  }

  ObjectControl objects_;
  std::unique_ptr<TOraSession> session_component_;
  std::vector<ObjectRef> values_;
  std::vector<RefHolder> refs_;
};

constexpr const char* kRefSql = "SELECT ID, R FROM LINKS";
constexpr const char* kRefColumns = "ID NUMBER(9); R REF SCOTT.DOC_T";
constexpr const char* kDocsSql = "SELECT ID, DOCS FROM SHELVES";
constexpr const char* kDocsColumns = "ID NUMBER(9); DOCS OBJECT SCOTT.DOCS_T";

// The parent's row now leads to another object: the nested data set shows
// that object, closes without ORA-21710 and is freed quietly.
TEST_F(NestedParentRefreshTest, RefDataSetFollowsTheRefreshedRef) {
  const std::string first = NewDocument("first");
  const std::string second = NewDocument("second");
  auto query = Open(kRefSql, kRefColumns, "1|" + first);
  auto nested = std::make_unique<TOraNestedTable>();
  nested->SetDataSetField(dynamic_cast<classlib::TDataSetField*>(query->FieldByName("R")));
  nested->Open();
  ASSERT_EQ(nested->RecordCount(), 1);
  EXPECT_EQ(nested->FieldByName("REF.TITLE")->AsString(), "first");
  EXPECT_EQ(Lobs(*nested, "REF."), "BODY=NULL,DATA=NULL,NOTE.TEXT=NULL");

  ScriptRefresh(*query, kRefColumns, "1|" + second);
  query->RefreshRecord();
  ASSERT_EQ(nested->RecordCount(), 1);
  EXPECT_EQ(nested->FieldByName("REF.TITLE")->AsString(), "second") << "the object the row leads to now";
  EXPECT_EQ(objects_.Pins(), 1) << "the first object's pin went with the old REF";

  ScriptRefresh(*query, kRefColumns, "1|<null>");
  query->RefreshRecord();
  EXPECT_EQ(nested->RecordCount(), 0) << "a NULL REF shows no record";
  EXPECT_EQ(objects_.Pins(), 0);

  // The whole Refresh, as before.
  fetch_->AddRows(kRefSql, "");
  EXPECT_NO_THROW(nested->Close());
  nested->Open();
  EXPECT_NO_THROW(nested.reset());
}

// The object behind a REF: a NULL LOB attribute given data and cancelled
// stays NULL and is not written by the next post of another attribute.
TEST_F(NestedParentRefreshTest, RefDataSetsCancelledLobStaysNull) {
  NewDocument("kept");
  TOraNestedTable nested;
  nested.SetRef(refs_.back().get());
  nested.Open();
  nested.Edit();
  nested.FieldByName("REF.BODY")->SetAsString("cancelled");
  nested.FieldByName("REF.NOTE.TEXT")->SetAsString("cancelled too");
  EXPECT_EQ(Lobs(nested, "REF."), "BODY=cancelled,DATA=NULL,NOTE.TEXT=cancelled too");
  nested.Cancel();
  EXPECT_EQ(Lobs(nested, "REF."), "BODY=NULL,DATA=NULL,NOTE.TEXT=NULL");

  nested.Edit();
  nested.FieldByName("REF.TITLE")->SetAsString("edited");
  nested.FieldByName("REF.DATA")->SetAsString("\x0B");
  standin_->ClearLog();
  nested.Post();
  EXPECT_THAT(standin_->LogOf("flushed"),
              ElementsAre("flushed {TITLE=edited,BODY=NULL,DATA=TEMP(0B),NOTE=NULL}"));
  EXPECT_EQ(Lobs(nested, "REF."), "BODY=NULL,DATA=\x0B,NOTE.TEXT=NULL");

  // Cleared through its field, the LOB is flushed NULL.
  nested.Edit();
  nested.FieldByName("REF.DATA")->Clear();
  standin_->ClearLog();
  nested.Post();
  EXPECT_THAT(standin_->LogOf("flushed"), ElementsAre("flushed {TITLE=edited,BODY=NULL,DATA=NULL,NOTE=NULL}"));
}

// A nested table of documents: after the parent's RefreshRecord the nested
// data set shows the server's elements (fewer than before), their LOB
// attributes as the server holds them.
TEST_F(NestedParentRefreshTest, NestedTableFollowsTheRefreshedCollection) {
  auto query = Open(kDocsSql, kDocsColumns, "1|TITLE=a,TITLE=b,TITLE=c");
  TOraNestedTable nested;
  nested.SetDataSetField(dynamic_cast<classlib::TDataSetField*>(query->FieldByName("DOCS")));
  nested.Open();
  ASSERT_EQ(nested.RecordCount(), 3);
  nested.Last();
  EXPECT_EQ(Lobs(nested, ""), "BODY=NULL,DATA=NULL,NOTE.TEXT=NULL");

  ScriptRefresh(*query, kDocsColumns, "1|TITLE=x");
  query->RefreshRecord();
  EXPECT_EQ(nested.RecordCount(), 1) << "the server's element count";
  EXPECT_EQ(Titles(nested), (std::vector<std::string>{"x"}));
  EXPECT_EQ(Lobs(nested, ""), "BODY=NULL,DATA=NULL,NOTE.TEXT=NULL");
}

// An element's LOB attribute posted, then read back NULL by the read after
// the update: the nested data set shows NULL and the next post of the row
// sends NULL, not the client's old data.
TEST_F(NestedParentRefreshTest, ElementLobReadBackNullAfterTheUpdateIsNotWrittenAgain) {
  auto query = Open(kDocsSql, kDocsColumns, "1|TITLE=a,TITLE=b");
  query->SetRefreshMode(rmAfterUpdate);
  TOraNestedTable nested;
  nested.SetDataSetField(dynamic_cast<classlib::TDataSetField*>(query->FieldByName("DOCS")));
  nested.Open();
  nested.First();
  nested.Edit();
  nested.FieldByName("BODY")->SetAsString("hello");
  nested.Post();
  EXPECT_EQ(Lobs(nested, ""), "BODY=hello,DATA=NULL,NOTE.TEXT=NULL");
  ScriptRefresh(*query, kDocsColumns, "1|TITLE=a");
  statements_->ClearReceived();
  query->Post();
  EXPECT_TRUE(Contains(statements_->Received(),
                       "DOCS[1]=[{TITLE=a,BODY=TEMP(hello),DATA=NULL,NOTE=NULL},"
                       "{TITLE=b,BODY=NULL,DATA=NULL,NOTE=NULL}]"))
      << ::testing::PrintToString(statements_->Received());
  EXPECT_EQ(nested.RecordCount(), 1) << "read again after the update";
  nested.First();
  EXPECT_EQ(Lobs(nested, ""), "BODY=NULL,DATA=NULL,NOTE.TEXT=NULL");

  query->SetRefreshMode(rmNone);
  nested.Edit();
  nested.FieldByName("TITLE")->SetAsString("z");
  nested.Post();
  statements_->ClearReceived();
  query->Post();
  EXPECT_TRUE(Contains(statements_->Received(), "DOCS[1]=[{TITLE=z,BODY=NULL,DATA=NULL,NOTE=NULL}]"))
      << ::testing::PrintToString(statements_->Received());
}

// A notified update of the row read again while nested data sets are open
// over its REF and its nested table.
TEST_F(NestedParentRefreshTest, NestedDataSetsFollowANotifiedUpdate) {
  const std::string first = NewDocument("first");
  const std::string second = NewDocument("second");
  NotifyControl control(ORACLE_STANDIN_PATH);
  TOraChangeNotification component;
  const std::string select = "SELECT ROWID, ID, R, DOCS FROM SHELVES";
  fetch_->ScriptQuery(select, "ROWID ROWID; ID NUMBER(9); R REF SCOTT.DOC_T; DOCS OBJECT SCOTT.DOCS_T");
  fetch_->AddRows(select, "AAAE1|1|" + first + "|TITLE=a,TITLE=b,TITLE=c");
  auto query = std::make_unique<TOraQuery>();
  query->SetSession(session_component_.get());
  query->SetSQL(select);
  query->Options().SetReflectChangeNotify(true);
  query->SetChangeNotification(&component);
  query->Open();
  {
    TOraNestedTable ref_set, docs_set;
    ref_set.SetDataSetField(dynamic_cast<classlib::TDataSetField*>(query->FieldByName("R")));
    docs_set.SetDataSetField(dynamic_cast<classlib::TDataSetField*>(query->FieldByName("DOCS")));
    ref_set.Open();
    docs_set.Open();
    ASSERT_EQ(docs_set.RecordCount(), 3);
    docs_set.Last();
    // A notified row is read with the query's own text, narrowed to its
    // ROWID, as the statement goes to the server.
    const std::string refresh = select + "\nWHERE SHELVES.ROWID = :Old_ROWID";
    fetch_->ScriptQuery(refresh, "ROWID ROWID; ID NUMBER(9); R REF SCOTT.DOC_T; DOCS OBJECT SCOTT.DOCS_T");
    fetch_->AddRows(refresh, "AAAE1|1|" + second + "|TITLE=n");
    ASSERT_EQ(control.Deliver(component, "SCOTT.SHELVES:4:AAAE1/4"), 1);
    EXPECT_EQ(docs_set.RecordCount(), 1);
    EXPECT_EQ(Titles(docs_set), (std::vector<std::string>{"n"}));
    EXPECT_EQ(ref_set.FieldByName("REF.TITLE")->AsString(), "second");
  }
  EXPECT_EQ(objects_.Pins(), 0);
  control.Join();
  query.reset();
}

// The whole Refresh and the read after an update of the row, while a
// nested data set is open over the row's REF and one over its nested table.
TEST_F(NestedParentRefreshTest, NestedDataSetsFollowRefreshAndTheReadAfterAnUpdate) {
  const std::string first = NewDocument("first");
  const std::string second = NewDocument("second");
  const std::string sql = "SELECT ID, N, R, DOCS FROM BOTH";
  const std::string columns = "ID NUMBER(9); N VARCHAR2(10); R REF SCOTT.DOC_T; DOCS OBJECT SCOTT.DOCS_T";
  auto query = Open(sql, columns, "1|n|" + first + "|TITLE=a,TITLE=b");
  TOraNestedTable ref_set, docs_set;
  ref_set.SetDataSetField(dynamic_cast<classlib::TDataSetField*>(query->FieldByName("R")));
  docs_set.SetDataSetField(dynamic_cast<classlib::TDataSetField*>(query->FieldByName("DOCS")));
  ref_set.Open();
  docs_set.Open();
  docs_set.Last();

  query->SetRefreshMode(rmAfterUpdate);
  ScriptRefresh(*query, columns, "1|m|" + second + "|TITLE=c");
  query->Edit();
  query->FieldByName("N")->SetAsString("m");
  query->Post();
  EXPECT_EQ(ref_set.FieldByName("REF.TITLE")->AsString(), "second");
  EXPECT_EQ(Titles(docs_set), (std::vector<std::string>{"c"}));

  fetch_->ScriptQuery(sql, columns);
  fetch_->AddRows(sql, "1|n|" + first + "|TITLE=d,TITLE=e,TITLE=f");
  query->Refresh();
  EXPECT_EQ(ref_set.FieldByName("REF.TITLE")->AsString(), "first");
  EXPECT_EQ(Titles(docs_set), (std::vector<std::string>{"d", "e", "f"}));
  EXPECT_EQ(Lobs(docs_set, ""), "BODY=NULL,DATA=NULL,NOTE.TEXT=NULL");
  ref_set.Close();
  EXPECT_EQ(objects_.Pins(), 0);
}

// An XMLTYPE column is exported with the XML column's declaration and its
// document's text; a NULL one as a NULL value.
TEST_F(NestedParentRefreshTest, XmlExportWritesAnXmlColumnsText) {
  auto query = Open("SELECT ID, X FROM DOCS", "ID NUMBER(9); X OBJECT SYS.XMLTYPE", "1|<a>1</a>\n2|<null>");
  std::string xml;
  ASSERT_NO_THROW(xml = dacore::DataSetToXml(*query));
  EXPECT_NE(xml.find("name=\"X\""), std::string::npos) << xml;
  EXPECT_NE(xml.find("dt:type=\"string\" dt:maxLength=\"2147483647\" rs:dbtype=\"str\" rs:long=\"true\""),
            std::string::npos)
      << xml;
  EXPECT_NE(xml.find("X=\"&#x3c;a&#x3e;1&#x3c;/a&#x3e;\""), std::string::npos) << xml;
  EXPECT_EQ(xml.find("X=\"\""), std::string::npos) << "a NULL document is left out: " << xml;
}

}  // namespace
}  // namespace oracle::testing
