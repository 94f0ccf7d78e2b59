// Object, collection and REF parameters of a statement: bound by name with
// their type through OCIBindObject, their instances read by the execute
// and, for outputs, written by it; a null object goes as its indicator.
#include <memory>
#include <string>
#include <vector>

#include "oracle/call_binding.h"
#include "oracle/lob_ora_lob.h"
#include "oracle/object_ora_array.h"
#include "oracle/object_ora_ref.h"
#include "oracle/object_ora_xml.h"
#include "oracle/query_ora_dataset.h"
#include "oracle/query_ora_sql.h"
#include "oracle/session_ora_session.h"
#include "oracle/trace_ora_sql_monitor.h"
#include "oracle/tests/object_fixture.h"
#include "oracle/tests/rset_fixture.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using classlib::testing::MessageOf;
using ::testing::ElementsAre;

class ObjectBindTest : public RecordSetTest {
 protected:
  void SetUp() override {
    RecordSetTest::SetUp();
    objects_.DeclareSampleTypes();
    session_component_ = std::make_unique<TOraSession>();
    session_component_->SetConnectString("scott/tiger@db1");
    session_component_->SetConnected(true);
    sql_ = std::make_unique<TOraSQL>();
    sql_->SetSession(session_component_.get());
  }
  void TearDown() override {
    values_.clear();
    sql_.reset();
    session_component_.reset();
    EXPECT_EQ(objects_.LiveObjects(), 0) << "the object cache keeps nothing";
    RecordSetTest::TearDown();
  }
  // A value of the named type on the test's session, kept until the test ends.
  template <class T>
  T* NewValue(const std::string& type_name) {
    auto* type = new TOraType(session_component_->OCIConnection()->GetSvcCtx(), type_name);
    auto* value = new T(type);
    type->Release();
    values_.emplace_back(value);
    return value;
  }
  std::vector<std::string> Binds() {
    std::vector<std::string> lines;
    for (const std::string& line : standin_->Log())
      if (line.rfind("OCIBindByName", 0) == 0 || line.rfind("OCIBindObject", 0) == 0) lines.push_back(line);
    return lines;
  }

  ObjectControl objects_;
  std::unique_ptr<TOraSession> session_component_;
  std::unique_ptr<TOraSQL> sql_;
  std::vector<ObjectRef> values_;
};

TEST_F(ObjectBindTest, AnObjectGoesInWithItsTypeAndANullOneAsItsIndicator) {
  TOraObject* address = NewValue<TOraObject>("scott.address_t");
  address->AllocObject();
  address->SetAttrAsString("CITY", "Oslo");
  address->SetAttrAsInteger("ZIP", 1234);
  TOraObject* missing = NewValue<TOraObject>("scott.address_t");
  missing->AllocObject();
  missing->SetIsNull(true);

  sql_->SetSQL("begin store_address(:a, :b); end;");
  sql_->Params().ParamByName("a")->SetAsObject(address);
  sql_->Params().ParamByName("b")->SetAsObject(missing);
  EXPECT_EQ(sql_->Params().ParamByName("a")->DataType(), classlib::ftADT);
  standin_->ClearLog();
  statements_->ClearReceived();
  sql_->Execute();
  EXPECT_THAT(Binds(), ElementsAre("OCIBindByName name=a type=108 size=0 mode=0",
                                   "OCIBindObject name=A type=SCOTT.ADDRESS_T indicator=1",
                                   "OCIBindByName name=b type=108 size=0 mode=0",
                                   "OCIBindObject name=B type=SCOTT.ADDRESS_T indicator=1"));
  EXPECT_THAT(statements_->Received(),
              ElementsAre("A[1]={STREET=NULL,CITY=Oslo,ZIP=1234}", "B[1]=NULL"));
}

TEST_F(ObjectBindTest, AnOutputObjectAndCollectionAreWrittenByTheServer) {
  const std::string block = "begin :a := find_address(1); :p := phones_of(1); end;";
  statements_->Script(block, "out:a=CITY=Bergen,ZIP=5003 out:p=555-1,555-2");
  TOraObject* address = NewValue<TOraObject>("scott.address_t");
  TOraArray* phones = NewValue<TOraArray>("scott.phones_t");
  sql_->SetSQL(block);
  sql_->Params().ParamByName("a")->SetAsObject(address);
  sql_->Params().ParamByName("p")->SetAsObject(phones);
  EXPECT_EQ(sql_->Params().ParamByName("p")->DataType(), classlib::ftArray);
  standin_->ClearLog();
  sql_->Execute();
  EXPECT_THAT(Binds(), ::testing::Contains("OCIBindObject name=P type=SCOTT.PHONES_T indicator=0"))
      << "a collection has no indicator structure";
  EXPECT_FALSE(address->GetIsNull());
  EXPECT_EQ(address->AttrAsString("CITY"), "Bergen");
  EXPECT_EQ(address->AttrAsInteger("ZIP"), 5003);
  EXPECT_TRUE(address->AttrIsNull("STREET"));
  ASSERT_EQ(phones->GetSize(), 2);
  EXPECT_EQ(phones->ItemAsString(0), "555-1");
  EXPECT_EQ(phones->ItemAsString(1), "555-2");

  // A null answer nulls the object that came back filled before.
  statements_->Script(block, "out:a=NULL out:p=555-3");
  sql_->Execute();
  EXPECT_TRUE(address->GetIsNull());
  EXPECT_EQ(phones->GetSize(), 1);
}

TEST_F(ObjectBindTest, AnObjectHoldingCollectionsGoesInWhole) {
  TOraObject* person = NewValue<TOraObject>("scott.person_t");
  person->AllocObject();
  person->SetAttrAsString("NAME", "Ann");
  person->SetAttrAsString("PHONES[0]", "555-1");
  person->SetAttrAsString("PHONES[1]", "555-2");
  person->SetAttrAsString("LINES[0].TEXT", "first");
  sql_->SetSQL("insert into people values (:p)");
  sql_->Params().ParamByName("p")->SetAsObject(person);
  statements_->ClearReceived();
  sql_->Execute();
  const std::vector<std::string> received = statements_->Received();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_THAT(received[0], ::testing::StartsWith("P[1]={NAME=Ann,"));
  EXPECT_THAT(received[0], ::testing::HasSubstr("PHONES=[555-1,555-2]"));
  EXPECT_THAT(received[0], ::testing::HasSubstr("LINES=[{TEXT=first,NO=NULL}]"));
}

TEST_F(ObjectBindTest, AReferenceGoesAsTheReferencedObjectsType) {
  TOraRef* ref = NewValue<TOraRef>("scott.address_t");
  sql_->SetSQL("begin keep_ref(:r); end;");
  sql_->Params().ParamByName("r")->SetAsObject(ref);
  EXPECT_EQ(sql_->Params().ParamByName("r")->DataType(), classlib::ftReference);
  standin_->ClearLog();
  statements_->ClearReceived();
  sql_->Execute();
  EXPECT_THAT(Binds(), ElementsAre("OCIBindByName name=r type=110 size=0 mode=0",
                                   "OCIBindObject name=R type=SCOTT.ADDRESS_T indicator=0"));
  EXPECT_THAT(statements_->Received(), ElementsAre("R[1]=NULL")) << "no REF: a null one";
}

// An XMLTYPE parameter binds as a named type from a 9.2 client on: its text
// goes in, and an output's text is what the server wrote, run after run.
TEST_F(ObjectBindTest, AnXmlValueGoesInAndComesBackAsText) {
  objects_.DeclareType("SYS", "XMLTYPE", OCI_TYPECODE_OPAQUE, true, 0, 0, sizeof(void*), sizeof(OCIInd));
  const std::string block = "begin :r := transform(:x); end;";
  statements_->Script(block, "out:r=<done/>");
  sql_->SetSQL(block);
  TOraXML* source = NewValue<TOraXML>("sys.xmltype");
  source->SetAsString("<doc>1</doc>");
  TOraXML* result = NewValue<TOraXML>("sys.xmltype");
  TOraParam* x = sql_->Params().ParamByName("x");
  TOraParam* r = sql_->Params().ParamByName("r");
  x->SetAsObject(source);
  x->SetParamType(classlib::ptInput);
  r->SetAsObject(result);
  r->SetParamType(classlib::ptOutput);
  EXPECT_EQ(x->DataType(), ftXML);
  standin_->ClearLog();
  statements_->ClearReceived();
  sql_->Execute();
  EXPECT_THAT(Binds(), ElementsAre("OCIBindByName name=r type=108 size=0 mode=0",
                                   "OCIBindObject name=R type=SYS.XMLTYPE indicator=1",
                                   "OCIBindByName name=x type=108 size=0 mode=0",
                                   "OCIBindObject name=X type=SYS.XMLTYPE indicator=1"));
  EXPECT_THAT(statements_->Received(), ElementsAre("R[1]=XML()", "X[1]=XML(<doc>1</doc>)"));
  EXPECT_EQ(result->AsString(), "<done/>");

  statements_->Script(block, "out:r=<again/>");
  sql_->Execute();
  EXPECT_EQ(result->AsString(), "<again/>") << "not the text read after the first run";
  EXPECT_EQ(source->AsString(), "<doc>1</doc>");
}

// A client refuses the types it does not know yet, parameters and columns
// alike: timestamps before 9.0, XMLTYPE before 9.2.
TEST_F(ObjectBindTest, AnOlderClientRefusesTypesItDoesNotKnow) {
  auto reconnect = [&](int major, int minor) {
    sql_.reset();
    session_component_.reset();
    UnloadOci();
    UseClient(major, minor);
    session_component_ = std::make_unique<TOraSession>();
    session_component_->SetConnectString("scott/tiger@db1");
    session_component_->SetConnected(true);
    sql_ = std::make_unique<TOraSQL>();
    sql_->SetSession(session_component_.get());
  };
  auto refused = [&](classlib::TFieldType param_type, const std::string& column_type) {
    sql_->SetSQL("begin store(:x); end;");
    sql_->Params().ParamByName("x")->SetDataType(param_type);
    EXPECT_EQ(MessageOf([&] { sql_->Execute(); }), "Data type is not supported") << column_type;
    const std::string select = "select id, v from vals";
    fetch_->ScriptQuery(select, "ID NUMBER(5); V " + column_type);
    TOraQuery query;
    query.SetSession(session_component_.get());
    query.SetSQL(select);
    EXPECT_EQ(MessageOf([&] { query.Open(); }), "Data type is not supported") << column_type;
  };
  reconnect(8, 1);
  refused(classlib::ftTimeStamp, "TIMESTAMP(6)");
  reconnect(9, 0);
  refused(ftXML, "OBJECT SYS.XMLTYPE");
}

// An object going in takes its LOB attributes' data: each becomes a
// temporary LOB whose locator the attribute holds, an embedded object's too.
TEST_F(ObjectBindTest, AnObjectsLobAttributesGoInAsTemporaryLobs) {
  objects_.DeclareDocumentTypes();
  TOraObject* doc = NewValue<TOraObject>("scott.doc_t");
  doc->AllocObject();
  doc->SetAttrAsString("TITLE", "memo");
  doc->AttrAsLob("BODY")->SetAsString("hello");
  doc->AttrAsLob("DATA")->SetAsString("\xCA\xFE");
  doc->AttrAsLob("NOTE.TEXT")->SetAsString("inner");
  sql_->SetSQL("insert into docs values (:d)");
  sql_->Params().ParamByName("d")->SetAsObject(doc);
  standin_->ClearLog();
  statements_->ClearReceived();
  sql_->Execute();
  EXPECT_THAT(statements_->Received(),
              ElementsAre("D[1]={TITLE=memo,BODY=TEMP(hello),DATA=TEMP(CAFE),NOTE={TEXT=TEMP(inner)}}"));
  EXPECT_EQ(Calls("OCILobCreateTemporary").size(), 3u);

  // The next run writes the data as it is then; the temporaries of the
  // last one are let go.
  doc->AttrAsLob("BODY")->SetAsString("changed");
  statements_->ClearReceived();
  sql_->Execute();
  EXPECT_THAT(statements_->Received(),
              ElementsAre("D[1]={TITLE=memo,BODY=TEMP(changed),DATA=TEMP(CAFE),NOTE={TEXT=TEMP(inner)}}"));
  EXPECT_EQ(Calls("OCILobFreeTemporary").size(), 3u);
}

// The trace names each object parameter's type and tells what it holds.
TEST_F(ObjectBindTest, TheTraceNamesEachParametersTypeAndSize) {
  TOraSQLMonitor monitor;
  std::vector<std::string> traced;
  monitor.OnSQL = dacore::TOnSQLEvent::Function(
      [&](classlib::TObject*, const std::string& text, dacore::TDATraceFlag) { traced.push_back(text); });
  TOraObject* address = NewValue<TOraObject>("scott.address_t");
  address->AllocObject();
  address->SetAttrAsString("CITY", "Oslo");
  TOraArray* phones = NewValue<TOraArray>("scott.phones_t");
  phones->AllocObject();
  phones->SetItemAsString(0, "555-1");
  phones->SetItemAsString(1, "555-2");
  TOraNestTable* lines = NewValue<TOraNestTable>("scott.lines_t");
  lines->AllocObject();
  lines->ItemAsObject(2)->SetAttrAsString("TEXT", "third");
  TOraRef* ref = NewValue<TOraRef>("scott.address_t");
  sql_->SetSQL("begin keep(:a, :p, :l, :r); end;");
  sql_->Params().ParamByName("a")->SetAsObject(address);
  sql_->Params().ParamByName("p")->SetAsObject(phones);
  sql_->Params().ParamByName("l")->SetAsObject(lines);
  sql_->Params().ParamByName("r")->SetAsObject(ref);
  sql_->Execute();
  EXPECT_THAT(traced, ::testing::Contains("begin keep(:a, :p, :l, :r); end;\r\n"
                                          ":a(OBJECT:\"SCOTT\".\"ADDRESS_T\")=<OBJECT of \"SCOTT\".\"ADDRESS_T\"> \r\n"
                                          ":p(ARRAY:\"SCOTT\".\"PHONES_T\")=<VARRAY[2]> \r\n"
                                          ":l(TABLE:\"SCOTT\".\"LINES_T\")=<TABLE[3]> \r\n"
                                          ":r(Ref:\"SCOTT\".\"ADDRESS_T\")=<REF of \"SCOTT\".\"ADDRESS_T\">"));
}

TEST_F(ObjectBindTest, AnObjectWithoutTypeOrInADmlArrayIsRefused) {
  sql_->SetSQL("begin store_address(:a); end;");
  sql_->Params().ParamByName("a")->SetDataType(classlib::ftADT);
  EXPECT_EQ(MessageOf([&] { sql_->Execute(); }), "Type of object must be defined");

  TOraObject* address = NewValue<TOraObject>("scott.address_t");
  sql_->SetSQL("insert into addresses values (:a)");
  sql_->Params().ParamByName("a")->SetAsObject(address);
  EXPECT_EQ(MessageOf([&] { sql_->Execute(2); }), "Type is not allowed in DML array");
}

}  // namespace
}  // namespace oracle::testing
