// Values of every kind of value object travelling between a query's records
// and the server: written through the value object itself (not the field)
// on a new row, on a NULL row, to NULL and over a value, and read again by
// a refresh of the row or after an update. What the server received is
// asserted, not only what the record shows.
#include <algorithm>
#include <cstddef>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "classlib/datetime.h"
#include "classlib/field.h"
#include "classlib/variant.h"
#include "dacore/gen_sql_generator.h"
#include "oracle/cmd_sql_text.h"
#include "oracle/field_ora_fields.h"
#include "oracle/object_ora_array.h"
#include "oracle/object_ora_ref.h"
#include "oracle/object_ora_xml.h"
#include "oracle/param_ora_param.h"
#include "oracle/query_ora_dataset.h"
#include "oracle/session_ora_session.h"
#include "oracle/session_options.h"
#include "oracle/value_interval.h"
#include "oracle/value_number.h"
#include "oracle/value_timestamp.h"
#include "oracle/tests/conn_fixture.h"
#include "oracle/tests/object_fixture.h"
#include "oracle/tests/rset_fixture.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using classlib::testing::MessageOf;

constexpr const char* kSql = "SELECT ID, V FROM VALS";

class ValueTravelTest : public RecordSetTest {
 protected:
  void SetUp() override {
    RecordSetTest::SetUp();
    Connect();
    objects_.DeclareSampleTypes();
    objects_.DeclareType("SCOTT", "WORDS_T", OCI_TYPECODE_NAMEDCOLLECTION, true, OCI_TYPECODE_TABLE, 0,
                         sizeof(OCIString*), sizeof(OCIInd));
    objects_.DeclareAttribute("SCOTT.WORDS_T", "", SQLT_CHR, 20, 0, 0, "", 0, 0);
    objects_.DeclareType("SYS", "XMLTYPE", OCI_TYPECODE_OPAQUE, true, 0, 0, sizeof(void*), sizeof(OCIInd));
    oslo_ = NewAddressWithRef(connection_->GetSvcCtx(), "Oslo");
    bergen_ = NewAddressWithRef(connection_->GetSvcCtx(), "Bergen");
    session_component_ = std::make_unique<TOraSession>();
    session_component_->Options().SetEnableNumbers(true);
    session_component_->SetConnectString("scott/tiger@db1");
    session_component_->SetConnected(true);
  }
  void TearDown() override {
    session_component_.reset();
    oslo_ = {};
    bergen_ = {};
    EXPECT_EQ(objects_.LiveObjects(), 0) << "the object cache still holds values";
    RecordSetTest::TearDown();
  }

  // VALS(ID, V): row 1 holds `stored`, row 2 a NULL.
  std::unique_ptr<TOraQuery> OpenValues(const std::string& column, const std::string& stored) {
    fetch_->ScriptQuery(kSql, "ID NUMBER(9); V " + column);
    fetch_->AddRows(kSql, "1|" + stored + "\n2|<null>");
    auto query = std::make_unique<TOraQuery>();
    query->SetSession(session_component_.get());
    query->SetSQL(kSql);
    query->SetKeyFields("ID");
    query->Open();
    statements_->ClearReceived();
    mark_ = session_->Executed().size();
    return query;
  }
  // The statements the server ran since the query opened.
  std::vector<std::string> Ran() {
    std::vector<std::string> all = session_->Executed();
    return std::vector<std::string>(all.begin() + static_cast<std::ptrdiff_t>(std::min(mark_, all.size())),
                                    all.end());
  }

  std::unique_ptr<TOraSession> session_component_;
  ObjectControl objects_;
  AddressAndRef oslo_, bergen_;
  size_t mark_ = 0;
};

template <class T>
T& ValueOf(TOraQuery& query) {
  auto* value = dynamic_cast<T*>(query.GetObjectValue("V"));
  if (!value) throw std::runtime_error("the record holds no value object of that kind");
  return *value;
}
template <class T>
T& FieldOf(TOraQuery& query) {
  auto* field = dynamic_cast<T*>(query.FieldByName("V"));
  if (!field) throw std::runtime_error("V has not the field class of its kind");
  return *field;
}

// One kind of value: its column, a stored value as the server's rows give
// it, a new value written through the value object (as the server receives
// it and as the record shows it), the value made NULL through the value
// object, and what the record shows.
struct Kind {
  std::string name;
  std::string column;
  std::string stored;
  std::function<void(TOraQuery&)> write;
  std::string written_sent;
  std::string written_shown;
  std::function<void(TOraQuery&)> make_null;
  std::function<std::string(TOraQuery&)> shown;  // "NULL" for a null
  // Another value of the row as the server's rows give it, and as the
  // record shows it once refreshed.
  std::string refreshed;
  std::string refreshed_shown;
};

std::vector<Kind> Kinds(AddressAndRef& oslo, AddressAndRef& bergen) {
  std::vector<Kind> kinds;
  const std::string bergen_hex = bergen.ref->AsHex();
  TOraRef* bergen_ref = bergen.ref.get();
  kinds.push_back(
      {"REF", "REF SCOTT.ADDRESS_T", oslo.ref->AsHex(),
       [bergen_ref](TOraQuery& q) { ValueOf<TOraRef>(q).Assign(*bergen_ref); },
       "REF{STREET=NULL,CITY=Bergen,ZIP=NULL}", bergen_hex,
       [](TOraQuery& q) { ValueOf<TOraRef>(q).SetIsNull(true); },
       [](TOraQuery& q) { return ValueOf<TOraRef>(q).GetIsNull() ? "NULL" : ValueOf<TOraRef>(q).AsHex(); }, bergen_hex, bergen_hex});
  kinds.push_back({"XML", "OBJECT SYS.XMLTYPE", "<a>1</a>",
                   [](TOraQuery& q) { ValueOf<TOraXML>(q).SetAsString("<b>2</b>"); }, "XML(<b>2</b>)", "<b>2</b>",
                   [](TOraQuery& q) { ValueOf<TOraXML>(q).SetIsNull(true); },
                   [](TOraQuery& q) { return q.FieldByName("V")->IsNull() ? "NULL" : q.FieldByName("V")->AsString(); }, "<c>3</c>", "<c>3</c>"});
  kinds.push_back({"object", "OBJECT SCOTT.ADDRESS_T", "CITY=Oslo,ZIP=1234",
                   [](TOraQuery& q) {
                     ValueOf<TOraObject>(q).SetAttrAsString("CITY", "Bergen");
                     ValueOf<TOraObject>(q).SetAttrAsInteger("ZIP", 5003);
                   },
                   "{STREET=NULL,CITY=Bergen,ZIP=5003}", "Bergen",
                   [](TOraQuery& q) { ValueOf<TOraObject>(q).SetIsNull(true); },
                   [](TOraQuery& q) {
                     TOraObject& v = ValueOf<TOraObject>(q);
                     return v.GetIsNull() ? "NULL" : v.AttrAsString("CITY");
                   }, "CITY=Trondheim", "Trondheim"});
  kinds.push_back({"VARRAY", "OBJECT SCOTT.PHONES_T", "555-1,555-2",
                   [](TOraQuery& q) {
                     TOraArray& v = ValueOf<TOraArray>(q);
                     v.SetSize(0);
                     v.SetItemAsString(0, "777");
                   },
                   "[777]", "777", [](TOraQuery& q) { ValueOf<TOraArray>(q).SetIsNull(true); },
                   [](TOraQuery& q) {
                     TOraArray& v = ValueOf<TOraArray>(q);
                     std::string items;
                     if (v.GetIsNull()) return std::string("NULL");
                     for (int32_t i = 0; i < v.GetSize(); ++i) items += (i ? "," : "") + v.ItemAsString(i);
                     return items;
                   }, "1,2", "1,2"});
  kinds.push_back({"nested table", "OBJECT SCOTT.WORDS_T", "one,two",
                   [](TOraQuery& q) {
                     TOraNestTable& v = ValueOf<TOraNestTable>(q);
                     v.SetSize(0);
                     v.SetItemAsString(0, "three");
                   },
                   "[three]", "three", [](TOraQuery& q) { ValueOf<TOraNestTable>(q).SetIsNull(true); },
                   [](TOraQuery& q) {
                     TOraNestTable& v = ValueOf<TOraNestTable>(q);
                     std::string items;
                     if (v.GetIsNull()) return std::string("NULL");
                     for (int32_t i = 0; i < v.GetSize(); ++i) items += (i ? "," : "") + v.ItemAsString(i);
                     return items;
                   }, "x,y", "x,y"});
  kinds.push_back({"TIMESTAMP", "TIMESTAMP(6)", "2001-02-03 04:05:06.5",
                   [](TOraQuery& q) {
                     FieldOf<TOraTimeStampField>(q).AsTimeStamp()->SetAsDateTime(classlib::EncodeDate(2020, 1, 2) +
                                                                                 classlib::EncodeTime(3, 4, 5, 0));
                   },
                   "2020-01-02 03:04:05.000000000", "2020-01-02 03:04:05.000000000",
                   [](TOraQuery& q) { FieldOf<TOraTimeStampField>(q).AsTimeStamp()->SetIsNull(true); },
                   [](TOraQuery& q) {
                     TOraTimeStamp* v = FieldOf<TOraTimeStampField>(q).AsTimeStamp();
                     if (v->IsNull()) return std::string("NULL");
                     v->SetFormat("YYYY-MM-DD HH24:MI:SS.FF9");
                     return v->AsString();
                   }, "2010-05-06 07:08:09", "2010-05-06 07:08:09.000000000"});
  kinds.push_back({"INTERVAL", "INTERVAL DAY(2) TO SECOND(6)", "+01 02:03:04.000000",
                   [](TOraQuery& q) { FieldOf<TOraIntervalField>(q).AsInterval()->SetAsString("+03 04:05:06.000000"); },
                   "+03 04:05:06.000000000", "+03 04:05:06.000000",
                   [](TOraQuery& q) { FieldOf<TOraIntervalField>(q).AsInterval()->SetIsNull(true); },
                   [](TOraQuery& q) {
                     return q.FieldByName("V")->IsNull() ? std::string("NULL") : q.FieldByName("V")->AsString();
                   }, "+05 06:07:08.000000", "+05 06:07:08.000000"});
  kinds.push_back({"NUMBER object", "NUMBER(30)", "12345678901234567890",
                   [](TOraQuery& q) { FieldOf<TOraNumberField>(q).AsNumber()->SetAsString("77"); }, "77", "77",
                   [](TOraQuery& q) { FieldOf<TOraNumberField>(q).AsNumber()->SetIsNull(true); },
                   [](TOraQuery& q) {
                     return q.FieldByName("V")->IsNull() ? std::string("NULL") : q.FieldByName("V")->AsString();
                   }, "42", "42"});
  return kinds;
}

bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

// How many statements of a kind the server ran, the text of the last one,
// and the value its V bind received ("" when none).
struct Sent {
  int statements = 0;
  std::string text;
  std::string v;
};

TEST_F(ValueTravelTest, ValueObjectsWrittenOnTheirOwnReachTheServer) {
  std::vector<Kind> kinds = Kinds(oslo_, bergen_);
  for (Kind& kind : kinds) {
    const std::string& stored = kind.stored;
    auto sent = [&](const std::string& verb) {
      // The executed statements come a line at a time: the last one of the
      // kind runs to the end.
      Sent result;
      std::string all;
      for (const std::string& line : Ran()) {
        if (StartsWith(line, verb)) ++result.statements;
        all += line + "\n";
      }
      if (result.statements > 0) result.text = all.substr(all.rfind(verb));
      for (const std::string& line : statements_->Received())
        if (StartsWith(line, "V[1]=")) result.v = line.substr(5);
      return result;
    };

    {
      SCOPED_TRACE(kind.name + ": appended row");
      auto query = OpenValues(kind.column, stored);
      query->Append();
      query->FieldByName("ID")->SetAsInteger(3);
      kind.write(*query);
      query->Post();
      const Sent insert = sent("INSERT");
      EXPECT_EQ(insert.statements, 1);
      EXPECT_NE(insert.text.find("(ID, V)"), std::string::npos) << "the column is written: " << insert.text;
      EXPECT_EQ(insert.v, kind.written_sent);
      EXPECT_EQ(kind.shown(*query), kind.written_shown);
    }
    {
      SCOPED_TRACE(kind.name + ": appended row, value left alone");
      auto query = OpenValues(kind.column, stored);
      query->Append();
      query->FieldByName("ID")->SetAsInteger(4);
      query->Post();
      const Sent insert = sent("INSERT");
      EXPECT_EQ(insert.statements, 1);
      EXPECT_TRUE((insert.v.empty() && insert.text.find("(ID)") != std::string::npos) || insert.v == "NULL")
          << insert.text << " V=" << insert.v;
      EXPECT_TRUE(query->FieldByName("V")->IsNull());
    }
    {
      SCOPED_TRACE(kind.name + ": edit NULL -> value");
      auto query = OpenValues(kind.column, stored);
      query->Last();
      EXPECT_EQ(kind.shown(*query), "NULL");
      query->Edit();
      kind.write(*query);
      query->Post();
      const Sent update = sent("UPDATE");
      EXPECT_EQ(update.statements, 1);
      EXPECT_EQ(update.v, kind.written_sent);
      EXPECT_FALSE(query->FieldByName("V")->IsNull()) << "the record's null flag follows its value";
      EXPECT_EQ(kind.shown(*query), kind.written_shown);
    }
    {
      SCOPED_TRACE(kind.name + ": edit value -> NULL");
      auto query = OpenValues(kind.column, stored);
      EXPECT_NE(kind.shown(*query), "NULL");
      query->Edit();
      kind.make_null(*query);
      query->Post();
      const Sent update = sent("UPDATE");
      EXPECT_EQ(update.statements, 1);
      EXPECT_TRUE(update.v == "NULL" || (update.v.empty() && update.text.find("V = NULL") != std::string::npos))
          << update.text << " V=" << update.v;
      EXPECT_TRUE(query->FieldByName("V")->IsNull()) << "the record's null flag follows its value";
    }
    {
      SCOPED_TRACE(kind.name + ": edit value -> value");
      auto query = OpenValues(kind.column, stored);
      query->Edit();
      kind.write(*query);
      query->Post();
      const Sent update = sent("UPDATE");
      EXPECT_EQ(update.statements, 1);
      EXPECT_EQ(update.v, kind.written_sent);
      EXPECT_EQ(kind.shown(*query), kind.written_shown);
    }
    {
      SCOPED_TRACE(kind.name + ": refresh");
      auto query = OpenValues(kind.column, stored);
      // The server's row changed since the query read it (the server gets
      // the statement with its own line ends).
      const std::string refresh =
          PrepareSQLText(query->SQLGenerator().GenerateSQL(dacore::stRefresh, false, nullptr));
      fetch_->ScriptQuery(refresh, "ID NUMBER(9); V " + kind.column);
      fetch_->AddRows(refresh, "1|" + kind.refreshed);
      EXPECT_NO_THROW(query->RefreshRecord());
      EXPECT_EQ(kind.shown(*query), kind.refreshed_shown);
      EXPECT_FALSE(query->FieldByName("V")->IsNull());
      EXPECT_EQ(query->FieldByName("ID")->AsInteger(), 1);
    }
    {
      SCOPED_TRACE(kind.name + ": edit value -> value, read again after the update");
      auto query = OpenValues(kind.column, stored);
      query->SetRefreshMode(rmAfterUpdate);
      const std::string refresh =
          PrepareSQLText(query->SQLGenerator().GenerateSQL(dacore::stRefresh, false, nullptr));
      fetch_->ScriptQuery(refresh, "ID NUMBER(9); V " + kind.column);
      fetch_->AddRows(refresh, "1|" + kind.refreshed);
      query->Edit();
      kind.write(*query);
      EXPECT_NO_THROW(query->Post());
      EXPECT_EQ(sent("UPDATE").v, kind.written_sent);
      EXPECT_EQ(kind.shown(*query), kind.refreshed_shown) << "what the server holds after its triggers";
    }
  }
}

// A value written through a value inside it (an element object of a nested
// table, an embedded object of an object) counts as a write of the column.
TEST_F(ValueTravelTest, AValueWrittenThroughAnInnerValueIsWrittenWithItsColumn) {
  {
    SCOPED_TRACE("an element object of a nested table");
    auto query = OpenValues("OBJECT SCOTT.LINES_T", "<null>");
    query->Edit();
    ValueOf<TOraNestTable>(*query).ItemAsObject(0)->SetAttrAsString("TEXT", "first");
    query->Post();
    EXPECT_TRUE(Contains(statements_->Received(), "V[1]=[{TEXT=first,NO=NULL}]"))
        << ::testing::PrintToString(statements_->Received());
    EXPECT_FALSE(query->FieldByName("V")->IsNull());
  }
  {
    SCOPED_TRACE("an embedded object of an object");
    auto query = OpenValues("OBJECT SCOTT.PERSON_T", "<null>");
    query->Append();
    query->FieldByName("ID")->SetAsInteger(3);
    ValueOf<TOraObject>(*query).AttrAsObject("ADDRESS")->SetAttrAsString("CITY", "Oslo");
    query->Post();
    EXPECT_TRUE(Contains(statements_->Received(),
                         "V[1]={NAME=NULL,AGE=NULL,BORN=NULL,ADDRESS={STREET=NULL,CITY=Oslo,ZIP=NULL},PHONES=NULL,"
                         "LINES=NULL,SHAPE=NULL,BIG=NULL,CODE=NULL}"))
        << ::testing::PrintToString(statements_->Received());
  }
}

// An XMLTYPE column's field is the XML field: the document's text read and
// written through it, NULL included.
TEST_F(ValueTravelTest, AnXmlColumnIsReadAndWrittenThroughItsField) {
  auto query = OpenValues("OBJECT SYS.XMLTYPE", "<a>1</a>");
  auto* field = dynamic_cast<TOraXMLField*>(query->FieldByName("V"));
  ASSERT_NE(field, nullptr) << "an XMLTYPE column has the XML field class";
  EXPECT_EQ(field->DataType(), ftXML);
  EXPECT_TRUE(field->IsBlob());
  EXPECT_FALSE(field->IsNull());
  EXPECT_EQ(field->AsString(), "<a>1</a>");
  EXPECT_EQ(field->AsVariant().AsString(), "<a>1</a>");
  EXPECT_EQ(field->AsXML(), query->GetObjectValue("V"));
  EXPECT_EQ(field->DisplayText(), "<a>1</a>");
  EXPECT_EQ(field->Text(), "(ORAXML)") << "a blob's text names its class";
  query->Edit();
  EXPECT_EQ(MessageOf([&] { field->SetText("<x/>"); }), "Cannot access field 'V' as type Text");
  query->Cancel();

  query->Edit();
  field->SetAsString("<b>2</b>");
  query->Post();
  EXPECT_EQ(field->AsString(), "<b>2</b>");
  EXPECT_TRUE(Contains(statements_->Received(), "V[1]=XML(<b>2</b>)"));

  query->Next();
  EXPECT_TRUE(field->IsNull());
  EXPECT_EQ(field->AsString(), "");
  EXPECT_EQ(field->Text(), "(OraXML)");
  EXPECT_TRUE(classlib::VarIsNull(field->AsVariant()));
  statements_->ClearReceived();
  query->Edit();
  field->SetAsString("<c/>");
  query->Post();
  EXPECT_TRUE(Contains(statements_->Received(), "V[1]=XML(<c/>)")) << "a NULL row given a document";

  statements_->ClearReceived();
  query->Edit();
  field->SetAsString("");
  EXPECT_TRUE(field->IsNull()) << "an empty text makes the value NULL";
  query->Post();
  EXPECT_TRUE(Contains(statements_->Received(), "V[1]=NULL"));
  EXPECT_TRUE(field->IsNull());
}

}  // namespace
}  // namespace oracle::testing
