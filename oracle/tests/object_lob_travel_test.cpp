// LOB attributes travel with the value that holds them, on every way an
// object reaches the server: a parameter of a statement (an object, a
// collection of such objects, an object holding such a collection), a
// flush of the object itself or of the object a REF leads to, and a
// nested-table column posted by a query. The stand-in's server side shows
// what it received: a temporary LOB's data as "TEMP(...)", a null LOB as
// NULL, and it refuses a LOB attribute that names no LOB.
#include <memory>
#include <string>
#include <vector>

#include "classlib/field.h"
#include "oracle/lob_ora_lob.h"
#include "oracle/nested_ora_nested_table.h"
#include "oracle/object_ora_array.h"
#include "oracle/object_ora_ref.h"
#include "oracle/field_ora_fields.h"
#include "oracle/query_ora_dataset.h"
#include "oracle/query_ora_sql.h"
#include "oracle/session_ora_session.h"
#include "oracle/tests/object_fixture.h"
#include "oracle/tests/rset_fixture.h"

namespace oracle::testing {
namespace {

using ::testing::ElementsAre;

// SCOTT.SHELF_T (final): NAME VARCHAR2(10), DOCS DOCS_T.
struct ShelfT {
  OCIString* name;
  OCIColl* docs;
};
struct ShelfInd {
  OCIInd self, name, docs;
};

class LobTravelTest : public RecordSetTest {
 protected:
  void SetUp() override {
    RecordSetTest::SetUp();
    objects_.DeclareSampleTypes();
    objects_.DeclareDocumentTypes();
    objects_.DeclareType("SCOTT", "SHELF_T", OCI_TYPECODE_OBJECT, true, 0, 0, sizeof(ShelfT), sizeof(ShelfInd));
    objects_.DeclareAttribute("SCOTT.SHELF_T", "NAME", SQLT_CHR, 10, 0, 0, "", offsetof(ShelfT, name),
                              offsetof(ShelfInd, name));
    objects_.DeclareAttribute("SCOTT.SHELF_T", "DOCS", OCI_TYPECODE_NAMEDCOLLECTION, 0, 0, 0, "SCOTT.DOCS_T",
                              offsetof(ShelfT, docs), offsetof(ShelfInd, docs));
    session_component_ = std::make_unique<TOraSession>();
    session_component_->SetConnectString("scott/tiger@db1");
    session_component_->SetConnected(true);
  }
  void TearDown() override {
    values_.clear();
    session_component_.reset();
    EXPECT_EQ(objects_.LiveObjects(), 0) << "the object cache keeps nothing";
    RecordSetTest::TearDown();
  }
  OCISvcCtx* SvcCtx() { return session_component_->OCIConnection()->GetSvcCtx(); }
  // A value of the named type on the test's session with its instance,
  // kept until the test ends.
  template <class T>
  T* NewValue(const std::string& type_name) {
    auto* type = new TOraType(SvcCtx(), type_name);
    auto* value = new T(type);
    type->Release();
    values_.emplace_back(value);
    value->AllocObject();
    return value;
  }
  // Two documents into a collection: the first with its own LOBs, the
  // second with the LOB of its embedded note only.
  static void FillDocuments(TOraArray& docs) {
    TOraObject* first = docs.ItemAsObject(0);
    first->SetAttrAsString("TITLE", "memo");
    first->AttrAsLob("BODY")->SetAsString("hello");
    first->AttrAsLob("DATA")->SetAsString("\xCA\xFE");
    docs.ItemAsObject(1)->AttrAsLob("NOTE.TEXT")->SetAsString("inner");
  }
  // What the server got for one statement with one object parameter.
  std::vector<std::string> ReceivedBy(const std::string& sql, TOraObject* value) {
    TOraSQL statement;
    statement.SetSession(session_component_.get());
    statement.SetSQL(sql);
    statement.Params().ParamByName("d")->SetAsObject(value);
    statements_->ClearReceived();
    statement.Execute();
    return statements_->Received();
  }

  static constexpr const char* kTwoDocuments =
      "[{TITLE=memo,BODY=TEMP(hello),DATA=TEMP(CAFE),NOTE=NULL},"
      "{TITLE=NULL,BODY=NULL,DATA=NULL,NOTE={TEXT=TEMP(inner)}}]";

  ObjectControl objects_;
  std::unique_ptr<TOraSession> session_component_;
  std::vector<ObjectRef> values_;
};

// A nested table and a VARRAY of objects bound as a statement's parameter:
// each element's LOB attributes, its embedded object's too, go with it,
// at every execute as they are then.
TEST_F(LobTravelTest, CollectionParameterTakesItsElementsLobs) {
  for (const char* type : {"scott.docs_t", "scott.docv_t"}) {
    SCOPED_TRACE(type);
    auto* docs = NewValue<TOraArray>(type);
    FillDocuments(*docs);
    EXPECT_THAT(ReceivedBy("insert into shelves values (:d)", docs),
                ElementsAre(std::string("D[1]=") + kTwoDocuments));
    docs->ItemAsObject(0)->AttrAsLob("BODY")->SetAsString("changed");
    const std::vector<std::string> again = ReceivedBy("insert into shelves values (:d)", docs);
    ASSERT_EQ(again.size(), 1u);
    EXPECT_NE(again[0].find("BODY=TEMP(changed)"), std::string::npos) << again[0];
  }
}

// An in/out object the server hands back NULL stays NULL: the next run
// sends NULL, not the LOB data it held before.
TEST_F(LobTravelTest, InOutObjectHandedBackNullGoesBackNull) {
  auto* doc = NewValue<TOraObject>("scott.doc_t");
  doc->SetAttrAsString("TITLE", "memo");
  doc->AttrAsLob("BODY")->SetAsString("hello");
  const std::string block = "begin swap_doc(:d); end;";
  TOraSQL statement;
  statement.SetSession(session_component_.get());
  statement.SetSQL(block);
  TOraParam* param = statement.Params().ParamByName("d");
  param->SetAsObject(doc);
  param->SetParamType(classlib::ptInputOutput);
  statements_->Script(block, "rows=0 out:d=NULL");
  statements_->ClearReceived();
  statement.Execute();
  EXPECT_THAT(statements_->Received(), ElementsAre("D[1]={TITLE=memo,BODY=TEMP(hello),DATA=NULL,NOTE=NULL}"));
  EXPECT_TRUE(doc->GetIsNull());
  statements_->Script(block, "rows=0");
  statements_->ClearReceived();
  statement.Execute();
  EXPECT_THAT(statements_->Received(), ElementsAre("D[1]=NULL"));

  // Given a value again, it goes with what it is given now.
  doc->SetAttrAsString("TITLE", "again");
  doc->AttrAsLob("DATA")->SetAsString("\x0A");
  statements_->ClearReceived();
  statement.Execute();
  EXPECT_THAT(statements_->Received(), ElementsAre("D[1]={TITLE=again,BODY=NULL,DATA=TEMP(0A),NOTE=NULL}"));
}

// An object holding a collection of objects: the elements' LOBs travel
// with the outer object, as input and as in/out parameter.
TEST_F(LobTravelTest, ObjectParameterTakesTheLobsOfItsCollectionsElements) {
  auto* shelf = NewValue<TOraObject>("scott.shelf_t");
  shelf->SetAttrAsString("NAME", "top");
  auto* docs = dynamic_cast<TOraNestTable*>(shelf->AttrAsObject("DOCS"));
  ASSERT_NE(docs, nullptr);
  FillDocuments(*docs);
  EXPECT_THAT(ReceivedBy("insert into shelves values (:d)", shelf),
              ElementsAre(std::string("D[1]={NAME=top,DOCS=") + kTwoDocuments + "}"));
}

// A flush writes the object to the server with its LOB attributes' data,
// whether the application flushes the object it holds or the object a REF
// leads to.
TEST_F(LobTravelTest, FlushWritesTheObjectsLobs) {
  auto* doc = NewValue<TOraObject>("scott.doc_t");
  doc->SetAttrAsString("TITLE", "memo");
  doc->AttrAsLob("BODY")->SetAsString("hello");
  doc->AttrAsLob("NOTE.TEXT")->SetAsString("inner");
  standin_->ClearLog();
  doc->MarkUpdate();
  doc->Flush();
  EXPECT_THAT(standin_->LogOf("flushed"),
              ElementsAre("flushed {TITLE=memo,BODY=TEMP(hello),DATA=NULL,NOTE={TEXT=TEMP(inner)}}"));

  auto* stored = NewValue<TOraObject>("scott.doc_t");
  stored->SetAttrAsString("TITLE", "kept");
  RefHolder ref(new TOraRef(stored->GetOraType()));
  ref->SetOCISvcCtx(SvcCtx());
  ref->SetOCIRef(stored->GetObjectRef());
  ref->Pin();
  ref->AttrAsLob("DATA")->SetAsString("\x01\x02");
  ref->AttrAsLob("NOTE.TEXT")->SetAsString("through the ref");
  standin_->ClearLog();
  ref->MarkUpdate();
  ref->Flush();
  EXPECT_THAT(standin_->LogOf("flushed"),
              ElementsAre("flushed {TITLE=kept,BODY=NULL,DATA=TEMP(0102),NOTE={TEXT=TEMP(through the ref)}}"));
  ref->Unpin();
}

// The object a REF leads to, shown as a data set: its LOB attribute is a
// blob field, whose data the posted record's flush takes along.
TEST_F(LobTravelTest, RefDataSetsLobFieldIsWrittenByThePost) {
  auto* stored = NewValue<TOraObject>("scott.doc_t");
  stored->SetAttrAsString("TITLE", "kept");
  RefHolder ref(new TOraRef(stored->GetOraType()));
  ref->SetOCISvcCtx(SvcCtx());
  ref->SetOCIRef(stored->GetObjectRef());
  {
    TOraNestedTable nested;
    nested.SetRef(ref.get());
    nested.Open();
    nested.Edit();
    nested.FieldByName("REF.BODY")->SetAsString("through the field");
    standin_->ClearLog();
    nested.Post();
    EXPECT_EQ(nested.FieldByName("REF.BODY")->AsString(), "through the field");
  }
  EXPECT_THAT(standin_->LogOf("flushed"),
              ElementsAre("flushed {TITLE=kept,BODY=TEMP(through the field),DATA=NULL,NOTE=NULL}"));
}

// A nested table of documents in a query's column: a document edited and
// one appended through the nested data set take their LOBs with the
// generated UPDATE of the row, as does one set on the collection by a value.
TEST_F(LobTravelTest, PostedNestedTableColumnTakesItsElementsLobs) {
  const std::string select = "SELECT ID, DOCS FROM SHELVES";
  fetch_->ScriptQuery(select, "ID NUMBER(9); DOCS OBJECT SCOTT.DOCS_T");
  fetch_->AddRows(select, "1|TITLE=a,TITLE=b");
  TOraQuery query;
  query.SetSession(session_component_.get());
  query.SetSQL(select);
  query.SetKeyFields("ID");
  query.Open();
  auto* docs_field = dynamic_cast<TOraDataSetField*>(query.FieldByName("DOCS"));
  ASSERT_NE(docs_field, nullptr);
  {
    TOraNestedTable nested;
    nested.SetDataSetField(docs_field);
    nested.Open();
    ASSERT_EQ(nested.RecordCount(), 2);
    nested.First();
    nested.Edit();
    nested.FieldByName("BODY")->SetAsString("edited");
    nested.Post();
    nested.Append();
    nested.FieldByName("TITLE")->SetAsString("c");
    nested.FieldByName("BODY")->SetAsString("appended");
    nested.Post();
    ASSERT_EQ(query.State(), classlib::dsEdit) << "the master is edited";
    auto* docs = dynamic_cast<TOraArray*>(query.GetObjectValue("DOCS"));
    ASSERT_NE(docs, nullptr);
    auto* given = NewValue<TOraObject>("scott.doc_t");
    given->SetAttrAsString("TITLE", "d");
    given->AttrAsLob("DATA")->SetAsString("\xBE\xEF");
    docs->SetItemAsObject(3, *given);
    statements_->ClearReceived();
    query.Post();
  }
  EXPECT_THAT(statements_->Received(),
              ElementsAre("DOCS[1]=[{TITLE=a,BODY=TEMP(edited),DATA=NULL,NOTE=NULL},"
                          "{TITLE=b,BODY=NULL,DATA=NULL,NOTE=NULL},"
                          "{TITLE=c,BODY=TEMP(appended),DATA=NULL,NOTE=NULL},"
                          "{TITLE=d,BODY=NULL,DATA=TEMP(BEEF),NOTE=NULL}]",
                          "OLD_ID[1]=1"));
}

}  // namespace
}  // namespace oracle::testing
