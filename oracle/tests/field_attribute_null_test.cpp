// IsNull and AsString of attribute fields, for every kind of value an
// attribute field can hold (texts, numbers, dates, RAWs, embedded final and
// non-final objects and their attributes, VARRAYs and their elements, nested
// tables, REFs, CLOBs and BLOBs, an embedded object's CLOB), on a query's
// object column, in the data set over a REF and in the data set over a
// nested table: NULL everywhere, then each given a value. Data-aware
// controls and Required checks ask every field, so none may crash or lie.
#include <memory>
#include <string>
#include <vector>

#include "classlib/field.h"
#include "oracle/lob_ora_lob.h"
#include "oracle/nested_ora_nested_table.h"
#include "oracle/object_ora_array.h"
#include "oracle/object_ora_ref.h"
#include "oracle/query_ora_dataset.h"
#include "oracle/session_ora_session.h"
#include "oracle/tests/object_fixture.h"
#include "oracle/tests/object_value_fixture.h"
#include "oracle/tests/rset_fixture.h"

namespace oracle::testing {
namespace {

// SCOTT.EVENT_T (final): NAME VARCHAR2(10), AT TIMESTAMP, SPAN INTERVAL DAY
// TO SECOND, FILE BFILE: attributes held by descriptor.
struct EventT {
  OCIString* name;
  OCIDateTime* at;
  OCIInterval* span;
  OCILobLocator* file;
};
struct EventInd {
  OCIInd self, name, at, span, file;
};

class AttributeFieldNullTest : public RecordSetTest {
 protected:
  void SetUp() override {
    RecordSetTest::SetUp();
    objects_.DeclareSampleTypes();
    objects_.DeclareDocumentTypes();
    objects_.DeclareType("SCOTT", "EMP_T", OCI_TYPECODE_OBJECT, true, 0, 0, sizeof(EmpT), sizeof(EmpInd));
    objects_.DeclareAttribute("SCOTT.EMP_T", "NAME", SQLT_CHR, 10, 0, 0, "", offsetof(EmpT, name),
                              offsetof(EmpInd, name));
    objects_.DeclareAttribute("SCOTT.EMP_T", "BOSS", SQLT_REF, 0, 0, 0, "SCOTT.PERSON_T", offsetof(EmpT, boss),
                              offsetof(EmpInd, boss));
    objects_.DeclareType("SCOTT", "EVENT_T", OCI_TYPECODE_OBJECT, true, 0, 0, sizeof(EventT), sizeof(EventInd));
    objects_.DeclareAttribute("SCOTT.EVENT_T", "NAME", SQLT_CHR, 10, 0, 0, "", offsetof(EventT, name),
                              offsetof(EventInd, name));
    objects_.DeclareAttribute("SCOTT.EVENT_T", "AT", SQLT_TIMESTAMP, 0, 0, 6, "", offsetof(EventT, at),
                              offsetof(EventInd, at));
    objects_.DeclareAttribute("SCOTT.EVENT_T", "SPAN", SQLT_INTERVAL_DS, 0, 2, 6, "", offsetof(EventT, span),
                              offsetof(EventInd, span));
    objects_.DeclareAttribute("SCOTT.EVENT_T", "FILE", SQLT_BFILEE, 0, 0, 0, "", offsetof(EventT, file),
                              offsetof(EventInd, file));
    session_component_ = std::make_unique<TOraSession>();
    session_component_->SetConnectString("scott/tiger@db1");
    session_component_->SetConnected(true);
  }
  void TearDown() override {
    refs_.clear();
    values_.clear();
    session_component_.reset();
    EXPECT_EQ(objects_.LiveObjects(), 0) << "the object cache keeps nothing";
    EXPECT_EQ(objects_.Pins(), 0);
    RecordSetTest::TearDown();
  }
  OCISvcCtx* SvcCtx() { return session_component_->OCIConnection()->GetSvcCtx(); }
  TOraObject* NewObject(const std::string& type_name) {
    auto* type = new TOraType(SvcCtx(), type_name);
    auto* value = new TOraObject(type);
    type->Release();
    values_.emplace_back(value);
    value->AllocObject();
    return value;
  }
  TOraRef* RefTo(TOraObject& object) {
    auto* ref = new TOraRef(object.GetOraType());
    refs_.emplace_back(ref);
    ref->SetOCISvcCtx(SvcCtx());
    ref->SetOCIRef(object.GetObjectRef());
    return ref;
  }
  std::unique_ptr<TOraQuery> Open(const std::string& column, const std::string& rows) {
    const std::string sql = "SELECT ID, V FROM T";
    fetch_->ScriptQuery(sql, "ID NUMBER(9); V " + column);
    fetch_->AddRows(sql, rows);
    auto query = std::make_unique<TOraQuery>();
    query->SetSession(session_component_.get());
    query->SetSQL(sql);
    query->Open();
    return query;
  }
  // "name=NULL" or "name=text" for each field asked; a field that is NULL
  // yet reads a text other than its class's name is reported as such.
  static std::string Shown(classlib::TDataSet& data_set, const std::vector<std::string>& names) {
    std::string shown;
    for (const std::string& name : names) {
      classlib::TField* field = data_set.FieldByName(name);
      bool null = false;
      std::string text;
      try {
        null = field->IsNull();
        text = field->AsString();
      } catch (const std::exception& error) {
        shown += (shown.empty() ? "" : ",") + name + " raised " + error.what();
        continue;
      }
      if (null && !text.empty() && text[0] != '(') text = "NULL but reads " + text;
      else if (null) text = "NULL";
      shown += (shown.empty() ? "" : ",") + name + "=" + text;
    }
    return shown;
  }
  // Gives every attribute of a PERSON_T a value but SHAPE (a non-final
  // object is made by the server, never written into while absent).
  static void FillPerson(TOraObject& person) {
    person.SetAttrAsString("NAME", "ann");
    person.SetAttrAsInteger("AGE", 30);
    person.SetAttrAsDateTime("BORN", classlib::EncodeDate(1990, 1, 2));
    person.SetAttrAsString("ADDRESS.CITY", "Oslo");
    static_cast<TOraArray*>(person.AttrAsObject("PHONES"))->SetItemAsString(0, "555");
    static_cast<TOraArray*>(person.AttrAsObject("LINES"))->ItemAsObject(0)->SetAttrAsString("TEXT", "l1");
    person.SetAttrAsFloat("BIG", 12345678901.0);
    person.SetAttrAsString("CODE", "CAFE");
  }

  ObjectControl objects_;
  std::unique_ptr<TOraSession> session_component_;
  std::vector<ObjectRef> values_;
  std::vector<RefHolder> refs_;
};

const std::vector<std::string> kPersonFields = {"NAME", "AGE", "BORN", "ADDRESS", "ADDRESS.CITY", "PHONES",
                                                "LINES", "SHAPE", "SHAPE.AREA", "BIG", "CODE"};

bool IsShape(const std::string& name) { return name.find("SHAPE") != std::string::npos; }

std::vector<std::string> Prefixed(const std::string& prefix, const std::vector<std::string>& names) {
  std::vector<std::string> out;
  for (const std::string& name : names) out.push_back(prefix + name);
  return out;
}

TEST_F(AttributeFieldNullTest, QueryObjectColumnsAttributeFields) {
  const std::vector<std::string> person = Prefixed("V.", kPersonFields);
  auto query = Open("OBJECT SCOTT.PERSON_T", "1|<null>\n2|NAME=bob");
  EXPECT_EQ(Shown(*query, person),
            "V.NAME=NULL,V.AGE=NULL,V.BORN=NULL,V.ADDRESS=NULL,V.ADDRESS.CITY=NULL,V.PHONES=NULL,V.LINES=NULL,"
            "V.SHAPE=NULL,V.SHAPE.AREA=NULL,V.BIG=NULL,V.CODE=NULL");
  query->Next();
  EXPECT_EQ(Shown(*query, {"V.NAME", "V.AGE", "V.ADDRESS.CITY", "V.PHONES", "V.LINES", "V.CODE"}),
            "V.NAME=bob,V.AGE=NULL,V.ADDRESS.CITY=NULL,V.PHONES=NULL,V.LINES=NULL,V.CODE=NULL");
  query->Edit();
  FillPerson(*static_cast<TOraObject*>(query->GetObjectValue("V")));
  for (const std::string& name : person)
    EXPECT_EQ(query->FieldByName(name)->IsNull(), IsShape(name)) << name;
  EXPECT_EQ(Shown(*query, {"V.NAME", "V.AGE", "V.ADDRESS.CITY", "V.SHAPE.AREA", "V.CODE"}),
            "V.NAME=ann,V.AGE=30,V.ADDRESS.CITY=Oslo,V.SHAPE.AREA=NULL,V.CODE=CAFE");
  query->Cancel();

  auto docs = Open("OBJECT SCOTT.DOC_T", "1|<null>\n2|TITLE=t");
  const std::vector<std::string> doc = {"V.TITLE", "V.BODY", "V.DATA", "V.NOTE", "V.NOTE.TEXT"};
  EXPECT_EQ(Shown(*docs, doc), "V.TITLE=NULL,V.BODY=NULL,V.DATA=NULL,V.NOTE=NULL,V.NOTE.TEXT=NULL");
  docs->Next();
  docs->Edit();
  auto* value = static_cast<TOraObject*>(docs->GetObjectValue("V"));
  value->AttrAsLob("BODY")->SetAsString("b");
  value->AttrAsLob("DATA")->SetAsString("d");
  value->AttrAsLob("NOTE.TEXT")->SetAsString("n");
  EXPECT_EQ(Shown(*docs, doc), "V.TITLE=t,V.BODY=b,V.DATA=d,V.NOTE=(ADT),V.NOTE.TEXT=n");
  docs->Cancel();

  auto emps = Open("OBJECT SCOTT.EMP_T", "1|NAME=e");
  EXPECT_TRUE(emps->FieldByName("V.BOSS")->IsNull());
  emps->Edit();
  TOraObject* boss = NewObject("scott.person_t");
  static_cast<TOraObject*>(emps->GetObjectValue("V"))->AttrAsObject("BOSS")->Assign(*RefTo(*boss));
  EXPECT_FALSE(emps->FieldByName("V.BOSS")->IsNull());
  emps->Cancel();
}

// Attributes held by descriptor: their fields are NULL while the object
// holds none, and read their value object's NULL.
TEST_F(AttributeFieldNullTest, DescriptorAttributeFields) {
  auto query = Open("OBJECT SCOTT.EVENT_T", "1|<null>\n2|NAME=e");
  const std::vector<std::string> fields = {"V.NAME", "V.AT", "V.SPAN", "V.FILE"};
  EXPECT_EQ(Shown(*query, fields), "V.NAME=NULL,V.AT=NULL,V.SPAN=NULL,V.FILE=NULL");
  query->Next();
  EXPECT_EQ(Shown(*query, fields), "V.NAME=e,V.AT=NULL,V.SPAN=NULL,V.FILE=NULL");
}

TEST_F(AttributeFieldNullTest, RefDataSetsAttributeFields) {
  TOraObject* person = NewObject("scott.person_t");
  TOraObject* doc = NewObject("scott.doc_t");
  TOraNestedTable people;
  people.SetRef(RefTo(*person));
  people.Open();
  for (const std::string& name : Prefixed("REF.", kPersonFields))
    EXPECT_TRUE(people.FieldByName(name)->IsNull()) << name;
  TOraNestedTable docs;
  docs.SetRef(RefTo(*doc));
  docs.Open();
  const std::vector<std::string> doc_fields = {"REF.TITLE", "REF.BODY", "REF.DATA", "REF.NOTE.TEXT"};
  EXPECT_EQ(Shown(docs, doc_fields), "REF.TITLE=NULL,REF.BODY=NULL,REF.DATA=NULL,REF.NOTE.TEXT=NULL");

  docs.Edit();
  docs.FieldByName("REF.BODY")->SetAsString("b");
  docs.FieldByName("REF.NOTE.TEXT")->SetAsString("n");
  EXPECT_EQ(Shown(docs, doc_fields), "REF.TITLE=NULL,REF.BODY=b,REF.DATA=NULL,REF.NOTE.TEXT=n");
  docs.Post();
  EXPECT_EQ(Shown(docs, doc_fields), "REF.TITLE=NULL,REF.BODY=b,REF.DATA=NULL,REF.NOTE.TEXT=n");

  people.Edit();
  FillPerson(*people.Ref());
  for (const std::string& name : Prefixed("REF.", kPersonFields))
    EXPECT_EQ(people.FieldByName(name)->IsNull(), IsShape(name)) << name;
  people.Cancel();
}

TEST_F(AttributeFieldNullTest, NestedTablesAttributeFields) {
  auto query = Open("OBJECT SCOTT.DOCS_T", "1|TITLE=a,TITLE=b");
  TOraNestedTable nested;
  nested.SetDataSetField(dynamic_cast<classlib::TDataSetField*>(query->FieldByName("V")));
  nested.Open();
  const std::vector<std::string> doc_fields = {"TITLE", "BODY", "DATA", "NOTE.TEXT"};
  EXPECT_EQ(Shown(nested, doc_fields), "TITLE=a,BODY=NULL,DATA=NULL,NOTE.TEXT=NULL");
  nested.Edit();
  nested.FieldByName("DATA")->SetAsString("x");
  EXPECT_EQ(Shown(nested, doc_fields), "TITLE=a,BODY=NULL,DATA=x,NOTE.TEXT=NULL");
  nested.Post();
  EXPECT_EQ(Shown(nested, doc_fields), "TITLE=a,BODY=NULL,DATA=x,NOTE.TEXT=NULL");
  nested.Next();
  EXPECT_EQ(Shown(nested, doc_fields), "TITLE=b,BODY=NULL,DATA=NULL,NOTE.TEXT=NULL");
  query->Cancel();
}

}  // namespace
}  // namespace oracle::testing
