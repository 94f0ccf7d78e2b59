// A LOB attribute's NULL travels like its data: made NULL through the
// object, cleared through its field, read back NULL by a refresh, handed
// back NULL by the server. On every way the object goes to the server (a
// statement's parameter, input and in/out, run twice; a query's generated
// UPDATE) what the server receives is asserted, and every attribute field
// answers IsNull and AsString as the object holds it.
#include <memory>
#include <string>
#include <vector>

#include "classlib/field.h"
#include "dacore/gen_sql_generator.h"
#include "oracle/cmd_sql_text.h"
#include "oracle/lob_ora_lob.h"
#include "oracle/object_ora_array.h"
#include "oracle/query_ora_dataset.h"
#include "oracle/query_ora_sql.h"
#include "oracle/session_ora_session.h"
#include "oracle/tests/object_fixture.h"
#include "oracle/tests/rset_fixture.h"

namespace oracle::testing {
namespace {

using ::testing::ElementsAre;

constexpr const char* kSql = "SELECT ID, V FROM DOCS";

class LobNullTravelTest : public RecordSetTest {
 protected:
  void SetUp() override {
    RecordSetTest::SetUp();
    objects_.DeclareSampleTypes();
    objects_.DeclareDocumentTypes();
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
  TOraObject* NewDocument() {
    auto* type = new TOraType(SvcCtx(), "scott.doc_t");
    auto* value = new TOraObject(type);
    type->Release();
    values_.emplace_back(value);
    value->AllocObject();
    return value;
  }
  // DOCS(ID, V DOC_T): row 1 holds `stored`.
  std::unique_ptr<TOraQuery> OpenDocuments(const std::string& stored) {
    fetch_->ScriptQuery(kSql, "ID NUMBER(9); V OBJECT SCOTT.DOC_T");
    fetch_->AddRows(kSql, "1|" + stored);
    auto query = std::make_unique<TOraQuery>();
    query->SetSession(session_component_.get());
    query->SetSQL(kSql);
    query->SetKeyFields("ID");
    query->Open();
    statements_->ClearReceived();
    return query;
  }
  // The server's row 1 as a refresh of the query reads it from now on.
  void ScriptRefresh(TOraQuery& query, const std::string& row) {
    const std::string refresh = PrepareSQLText(query.SQLGenerator().GenerateSQL(dacore::stRefresh, false, nullptr));
    fetch_->ScriptQuery(refresh, "ID NUMBER(9); V OBJECT SCOTT.DOC_T");
    fetch_->AddRows(refresh, "1|" + row);
  }
  static TOraObject& ValueOf(TOraQuery& query) {
    auto* value = dynamic_cast<TOraObject*>(query.GetObjectValue("V"));
    if (!value) throw std::runtime_error("the record holds no object");
    return *value;
  }
  // The V bind of the last statement the server received ("" without one).
  std::string SentV() {
    std::string v;
    for (const std::string& line : statements_->Received())
      if (line.rfind("V[1]=", 0) == 0) v = line.substr(5);
    return v;
  }
  // Every attribute field of V as "NAME=text" or "NAME=NULL", as IsNull and
  // AsString answer (a null field reads as empty text).
  static std::string Shown(TOraQuery& query) {
    std::string shown;
    for (const char* name : {"V.TITLE", "V.BODY", "V.DATA", "V.NOTE.TEXT"}) {
      classlib::TField* field = query.FieldByName(name);
      const bool null = field->IsNull();
      if (null && !field->AsString().empty()) return std::string(name) + " is null yet reads " + field->AsString();
      shown += std::string(shown.empty() ? "" : ",") + (name + 2) + "=" + (null ? "NULL" : field->AsString());
    }
    return shown;
  }

  ObjectControl objects_;
  std::unique_ptr<TOraSession> session_component_;
  std::vector<ObjectRef> values_;
};

// A statement's object parameter run twice: what the second run sends is
// what the object holds then, a LOB attribute made NULL included, and a
// NULL one given a value again.
TEST_F(LobNullTravelTest, ParameterSentTwiceTakesItsLobAttributesNullState) {
  TOraObject* doc = NewDocument();
  doc->SetAttrAsString("TITLE", "memo");
  doc->AttrAsLob("BODY")->SetAsString("hello");
  doc->AttrAsLob("NOTE.TEXT")->SetAsString("inner");
  TOraSQL statement;
  statement.SetSession(session_component_.get());
  statement.SetSQL("insert into docs values (:d)");
  statement.Params().ParamByName("d")->SetAsObject(doc);
  statements_->ClearReceived();
  statement.Execute();
  EXPECT_THAT(statements_->Received(),
              ElementsAre("D[1]={TITLE=memo,BODY=TEMP(hello),DATA=NULL,NOTE={TEXT=TEMP(inner)}}"));

  doc->SetAttrIsNull("BODY", true);
  doc->SetAttrIsNull("NOTE.TEXT", true);
  EXPECT_TRUE(doc->AttrIsNull("BODY"));
  EXPECT_EQ(doc->AttrAsLob("BODY")->GetAsString(), "") << "a NULL LOB holds no data";
  statements_->ClearReceived();
  statement.Execute();
  EXPECT_THAT(statements_->Received(), ElementsAre("D[1]={TITLE=memo,BODY=NULL,DATA=NULL,NOTE={TEXT=NULL}}"));

  doc->AttrAsLob("BODY")->SetAsString("again");
  EXPECT_FALSE(doc->AttrIsNull("BODY")) << "data written makes the attribute present";
  statements_->ClearReceived();
  statement.Execute();
  EXPECT_THAT(statements_->Received(), ElementsAre("D[1]={TITLE=memo,BODY=TEMP(again),DATA=NULL,NOTE={TEXT=NULL}}"));
}

// An in/out object the server hands back with a LOB attribute NULL (the
// others given): the next run sends that NULL, not the data sent before.
TEST_F(LobNullTravelTest, InOutParameterHandedBackWithANullLobSendsItNull) {
  TOraObject* doc = NewDocument();
  doc->SetAttrAsString("TITLE", "memo");
  doc->AttrAsLob("BODY")->SetAsString("hello");
  doc->AttrAsLob("DATA")->SetAsString("\x0A");
  const std::string block = "begin touch_doc(:d); end;";
  TOraSQL statement;
  statement.SetSession(session_component_.get());
  statement.SetSQL(block);
  TOraParam* param = statement.Params().ParamByName("d");
  param->SetAsObject(doc);
  param->SetParamType(classlib::ptInputOutput);
  statements_->Script(block, "rows=0 out:d=TITLE=back");
  statements_->ClearReceived();
  statement.Execute();
  EXPECT_THAT(statements_->Received(), ElementsAre("D[1]={TITLE=memo,BODY=TEMP(hello),DATA=TEMP(0A),NOTE=NULL}"));
  EXPECT_EQ(doc->AttrAsString("TITLE"), "back");
  EXPECT_TRUE(doc->AttrIsNull("BODY")) << "the server handed the attribute back NULL";
  EXPECT_EQ(doc->AttrAsLob("BODY")->GetAsString(), "");

  statements_->Script(block, "rows=0");
  statements_->ClearReceived();
  statement.Execute();
  EXPECT_THAT(statements_->Received(), ElementsAre("D[1]={TITLE=back,BODY=NULL,DATA=NULL,NOTE=NULL}"));
}

// A collection of documents as a parameter: an element's LOB attribute
// made NULL goes NULL at the next run, as input and handed back as output
// (twice each).
TEST_F(LobNullTravelTest, CollectionParameterSendsItsElementsLobNulls) {
  auto* type = new TOraType(SvcCtx(), "scott.docs_t");
  ObjectRef docs(new TOraNestTable(type));
  type->Release();
  docs->AllocObject();
  auto& table = static_cast<TOraNestTable&>(*docs);
  table.ItemAsObject(0)->SetAttrAsString("TITLE", "a");
  table.ItemAsObject(0)->AttrAsLob("BODY")->SetAsString("first");
  table.ItemAsObject(1)->AttrAsLob("DATA")->SetAsString("\x0C");
  TOraSQL statement;
  statement.SetSession(session_component_.get());
  statement.SetSQL("insert into shelves values (:d)");
  statement.Params().ParamByName("d")->SetAsObject(docs.get());
  statements_->ClearReceived();
  statement.Execute();
  EXPECT_THAT(statements_->Received(), ElementsAre("D[1]=[{TITLE=a,BODY=TEMP(first),DATA=NULL,NOTE=NULL},"
                                                   "{TITLE=NULL,BODY=NULL,DATA=TEMP(0C),NOTE=NULL}]"));
  table.ItemAsObject(0)->SetAttrIsNull("BODY", true);
  statements_->ClearReceived();
  statement.Execute();
  EXPECT_THAT(statements_->Received(), ElementsAre("D[1]=[{TITLE=a,BODY=NULL,DATA=NULL,NOTE=NULL},"
                                                   "{TITLE=NULL,BODY=NULL,DATA=TEMP(0C),NOTE=NULL}]"));

  // Output: what the server hands back replaces the elements and their
  // LOB values, twice over.
  const std::string block = "begin get_docs(:d); end;";
  TOraSQL getter;
  getter.SetSession(session_component_.get());
  getter.SetSQL(block);
  TOraParam* out = getter.Params().ParamByName("d");
  out->SetAsObject(docs.get());
  out->SetParamType(classlib::ptOutput);
  for (const char* titles : {"TITLE=x", "TITLE=y,TITLE=z"}) {
    SCOPED_TRACE(titles);
    statements_->Script(block, std::string("rows=0 out:d=") + titles);
    getter.Execute();
    EXPECT_TRUE(table.ItemAsObject(0)->AttrIsNull("DATA"));
    EXPECT_EQ(table.ItemAsObject(0)->AttrAsLob("BODY")->GetAsString(), "");
    statements_->ClearReceived();
    statement.Execute();
    const std::vector<std::string> received = statements_->Received();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].find("TEMP("), std::string::npos) << "no LOB data the server did not hand back: "
                                                           << received[0];
  }
}

// A query's object column: a LOB attribute posted with data, then made
// NULL through the value, is written NULL by an UPDATE of its own; the
// attribute fields read what the object holds.
TEST_F(LobNullTravelTest, LobAttributeMadeNullThroughTheValueIsPostedNull) {
  auto query = OpenDocuments("TITLE=memo");
  EXPECT_EQ(Shown(*query), "TITLE=memo,BODY=NULL,DATA=NULL,NOTE.TEXT=NULL");
  query->Edit();
  ValueOf(*query).AttrAsLob("BODY")->SetAsString("hello");
  EXPECT_EQ(Shown(*query), "TITLE=memo,BODY=hello,DATA=NULL,NOTE.TEXT=NULL");
  query->Post();
  EXPECT_EQ(SentV(), "{TITLE=memo,BODY=TEMP(hello),DATA=NULL,NOTE=NULL}");
  EXPECT_EQ(Shown(*query), "TITLE=memo,BODY=hello,DATA=NULL,NOTE.TEXT=NULL");

  statements_->ClearReceived();
  query->Edit();
  ValueOf(*query).SetAttrIsNull("BODY", true);
  EXPECT_EQ(Shown(*query), "TITLE=memo,BODY=NULL,DATA=NULL,NOTE.TEXT=NULL");
  query->Post();
  EXPECT_EQ(SentV(), "{TITLE=memo,BODY=NULL,DATA=NULL,NOTE=NULL}");
  EXPECT_EQ(Shown(*query), "TITLE=memo,BODY=NULL,DATA=NULL,NOTE.TEXT=NULL");
}

// A LOB attribute cleared through its field is NULL, not an empty LOB;
// the others given through their fields reach the server with the object.
TEST_F(LobNullTravelTest, LobAttributeClearedThroughItsFieldIsPostedNull) {
  auto query = OpenDocuments("TITLE=memo");
  query->Edit();
  query->FieldByName("V.BODY")->SetAsString("hello");
  query->FieldByName("V.NOTE.TEXT")->SetAsString("inner");
  query->Post();
  EXPECT_EQ(SentV(), "{TITLE=memo,BODY=TEMP(hello),DATA=NULL,NOTE={TEXT=TEMP(inner)}}");

  statements_->ClearReceived();
  query->Edit();
  query->FieldByName("V.BODY")->Clear();
  query->FieldByName("V.NOTE.TEXT")->Clear();
  EXPECT_EQ(Shown(*query), "TITLE=memo,BODY=NULL,DATA=NULL,NOTE.TEXT=NULL");
  query->Post();
  EXPECT_EQ(SentV(), "{TITLE=memo,BODY=NULL,DATA=NULL,NOTE={TEXT=NULL}}");
  EXPECT_TRUE(query->FieldByName("V.BODY")->IsNull());
}

// NULL -> value -> cancel: the cancelled data is gone from the record and
// from the next post.
TEST_F(LobNullTravelTest, CancelledLobAttributeIsNotPostedLater) {
  auto query = OpenDocuments("TITLE=memo");
  query->Edit();
  ValueOf(*query).AttrAsLob("BODY")->SetAsString("cancelled");
  query->FieldByName("V.DATA")->SetAsString("\x01");
  query->Cancel();
  EXPECT_EQ(Shown(*query), "TITLE=memo,BODY=NULL,DATA=NULL,NOTE.TEXT=NULL");
  query->Edit();
  query->FieldByName("V.TITLE")->SetAsString("kept");
  query->Post();
  EXPECT_EQ(SentV(), "{TITLE=kept,BODY=NULL,DATA=NULL,NOTE=NULL}");
}

// A refresh that reads a LOB attribute back NULL (another session cleared
// it): the record shows NULL and the next post of another attribute sends
// the server's NULL, not the client's old data.
TEST_F(LobNullTravelTest, RefreshedNullLobAttributeIsNotWrittenOver) {
  auto query = OpenDocuments("TITLE=memo");
  query->Edit();
  ValueOf(*query).AttrAsLob("BODY")->SetAsString("hello");
  query->FieldByName("V.NOTE.TEXT")->SetAsString("inner");
  query->Post();
  ScriptRefresh(*query, "TITLE=other");
  query->RefreshRecord();
  EXPECT_EQ(Shown(*query), "TITLE=other,BODY=NULL,DATA=NULL,NOTE.TEXT=NULL");

  statements_->ClearReceived();
  query->Edit();
  query->FieldByName("V.TITLE")->SetAsString("edited");
  query->Post();
  EXPECT_EQ(SentV(), "{TITLE=edited,BODY=NULL,DATA=NULL,NOTE=NULL}");

  // The same read again after an update (refresh mode).
  query->SetRefreshMode(rmAfterUpdate);
  query->Edit();
  query->FieldByName("V.BODY")->SetAsString("written");
  ScriptRefresh(*query, "TITLE=trigger");
  query->Post();
  EXPECT_EQ(Shown(*query), "TITLE=trigger,BODY=NULL,DATA=NULL,NOTE.TEXT=NULL");
  statements_->ClearReceived();
  query->SetRefreshMode(rmNone);
  query->Edit();
  query->FieldByName("V.TITLE")->SetAsString("last");
  query->Post();
  EXPECT_EQ(SentV(), "{TITLE=last,BODY=NULL,DATA=NULL,NOTE=NULL}");
}

// IsNull of LOB attribute fields on a NULL object, a NULL attribute and an
// attribute with data, and of the other attribute fields beside them.
TEST_F(LobNullTravelTest, AttributeFieldsAnswerIsNullFromTheObject) {
  fetch_->ScriptQuery(kSql, "ID NUMBER(9); V OBJECT SCOTT.DOC_T");
  fetch_->AddRows(kSql, "1|<null>\n2|TITLE=memo");
  auto query = std::make_unique<TOraQuery>();
  query->SetSession(session_component_.get());
  query->SetSQL(kSql);
  query->Open();
  EXPECT_EQ(Shown(*query), "TITLE=NULL,BODY=NULL,DATA=NULL,NOTE.TEXT=NULL");
  query->Next();
  EXPECT_EQ(Shown(*query), "TITLE=memo,BODY=NULL,DATA=NULL,NOTE.TEXT=NULL");
  query->Edit();
  query->FieldByName("V.BODY")->SetAsString("text");
  query->FieldByName("V.DATA")->SetAsString("\xAB");
  EXPECT_EQ(Shown(*query), "TITLE=memo,BODY=text,DATA=\xAB,NOTE.TEXT=NULL");
  EXPECT_FALSE(query->FieldByName("V.BODY")->IsNull());
  query->Cancel();
  EXPECT_EQ(Shown(*query), "TITLE=memo,BODY=NULL,DATA=NULL,NOTE.TEXT=NULL");
}

}  // namespace
}  // namespace oracle::testing
