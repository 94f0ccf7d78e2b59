// What the Oracle data set learns and fills on its own: sequence keys taken
// when a record is inserted, defaults and origins from the data dictionary
// (the dictionary statements compared with their expected texts), default
// expressions evaluated by the server, key-field names, the refresh mode,
// the rule that statements be written by hand, and the XML export.
#include <cstring>
#include <memory>
#include <string>

#include "classlib/datetime.h"
#include "classlib/field.h"
#include "classlib/field_numeric.h"
#include "classlib/format_settings.h"
#include "dacore/memds_xml.h"
#include "oracle/error_ora.h"
#include "oracle/query_field_dictionary.h"
#include "oracle/query_ora_sql.h"
#include "oracle/query_update_sql.h"
#include "oracle/object_ora_object.h"
#include "oracle/tests/object_fixture.h"
#include "oracle/tests/query_fixture.h"
#include "oracle/value_data_types.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using classlib::testing::MessageOf;

class OraDataSetFillTest : public OraQueryFixture {
 protected:
  // How often the server ran a statement (its lines among those it ran).
  int Runs(const std::string& sql) {
    std::string all = "\n";
    for (const std::string& line : session_->Executed()) all += line + "\n";
    for (size_t at = 0; (at = all.find(" \n", at)) != std::string::npos;) all.erase(at, 1);
    int count = 0;
    const std::string wanted = "\n" + AsSent(sql) + "\n";
    for (size_t at = all.find(wanted); at != std::string::npos; at = all.find(wanted, at + 1)) ++count;
    return count;
  }
};

// ---- Sequence keys ---------------------------------------------------------------------

TEST_F(OraDataSetFillTest, InsertTakesTheSequenceValueWithSmInsertOnly) {
  const std::string block = "begin\r  SELECT T_SEQ.NEXTVAL INTO :ID FROM Dual;\rend;";
  statements_->Script(AsSent(block), "rows=1 out:ID=41");
  const std::string sql = "SELECT ID, NAME FROM T";
  fetch_->ScriptQuery(sql, "ID NUMBER(9) NOT NULL; NAME VARCHAR2(20)");
  fetch_->AddRows(sql, "1|one");
  auto query = NewQuery(sql);
  query->SetKeyFields("ID");
  query->SetKeySequence("t_seq");
  query->Open();
  EXPECT_FALSE(query->FieldByName("ID")->Required()) << "the sequence supplies the key";
  EXPECT_TRUE(query->FieldByName("NAME")->Required() == false);

  query->Insert();
  EXPECT_TRUE(query->FieldByName("ID")->IsNull()) << "smPost: the sequence waits for the post";
  EXPECT_EQ(Runs(block), 0);
  query->Cancel();

  query->SetSequenceMode(smInsert);
  query->Insert();
  EXPECT_EQ(query->FieldByName("ID")->AsInteger(), 41);
  EXPECT_EQ(Runs(block), 1) << ::testing::PrintToString(session_->Executed());
  EXPECT_FALSE(query->Options().ReturnParams()) << "switched on only for the block";
  query->Cancel();
}

TEST_F(OraDataSetFillTest, AFailedSequenceBlockRestoresReturnParams) {
  const std::string block = "begin\r  SELECT NOSEQ.NEXTVAL INTO :ID FROM Dual;\rend;";
  statements_->Script(AsSent(block), "error=2289 text=ORA-02289: sequence does not exist");
  auto query = OpenQuery("SELECT ID FROM T", "ID NUMBER(9)", "1", "ID");
  query->SetKeySequence("NOSEQ");
  query->SetSequenceMode(smInsert);
  EXPECT_THROW(query->Insert(), EOraError);
  EXPECT_FALSE(query->Options().ReturnParams());
  EXPECT_EQ(query->State(), classlib::dsBrowse);
}

// ---- The data dictionary ----------------------------------------------------------------
// The stand-in answers a SELECT only when its text is scripted exactly (any
// other fails with ORA-00942), so an answer proves the statement's text.

const char* const kOneTableColumns =
    "SELECT table_name,column_name,table_id,data_default,column_id, data_type FROM (\r"
    "SELECT table_name,column_name,1 table_id,data_default,column_id, data_type FROM all_tab_columns "
    "WHERE owner ='SCOTT' and table_name = 'T')\r"
    "ORDER BY table_id,column_id";
const char* const kDictionaryColumns =
    "TABLE_NAME VARCHAR2(30); COLUMN_NAME VARCHAR2(30); TABLE_ID NUMBER(9); DATA_DEFAULT VARCHAR2(100); "
    "COLUMN_ID NUMBER(9); DATA_TYPE VARCHAR2(30)";
const char* const kDictionaryColumnsNoDefault =
    "TABLE_NAME VARCHAR2(30); COLUMN_NAME VARCHAR2(30); TABLE_ID NUMBER(9); COLUMN_ID NUMBER(9); "
    "DATA_TYPE VARCHAR2(30)";

TEST_F(OraDataSetFillTest, DefaultsAndOriginsComeFromTheDictionary) {
  classlib::FormatSettings().DecimalSeparator = ',';
  fetch_->ScriptQuery(AsSent(kOneTableColumns), kDictionaryColumns);
  fetch_->AddRows(AsSent(kOneTableColumns),
                  "T|ID|1|<null>|1|NUMBER\nT|NAME|1| 'none' |2|VARCHAR2\nT|CREATED|1|SYSDATE|3|DATE\n"
                  "T|RATE|1|1.5|4|NUMBER");
  fetch_->ScriptQuery("SELECT SYSDATE FROM Dual", "SYSDATE DATE");
  fetch_->AddRows("SELECT SYSDATE FROM Dual", "2024-02-29 10:11:12");
  const std::string sql = "SELECT ID, NAME, CREATED, RATE FROM T";
  fetch_->ScriptQuery(sql, "ID NUMBER(9); NAME VARCHAR2(20); CREATED DATE; RATE NUMBER(5,2)");
  auto query = NewQuery(sql);
  query->Options().SetFieldsOrigin(true);
  query->Options().SetDefaultValues(true);
  query->Open();
  EXPECT_EQ(query->FieldByName("ID")->Origin(), "T.ID");
  EXPECT_EQ(query->FieldByName("RATE")->Origin(), "T.RATE");
  EXPECT_EQ(query->FieldByName("ID")->DefaultExpression(), "");
  EXPECT_EQ(query->FieldByName("NAME")->DefaultExpression(), "none") << "trimmed, apostrophes removed";
  EXPECT_EQ(query->FieldByName("RATE")->DefaultExpression(), "1,5") << "the locale's separator";

  query->Insert();
  EXPECT_EQ(query->FieldByName("NAME")->AsString(), "none");
  EXPECT_DOUBLE_EQ(query->FieldByName("RATE")->AsFloat(), 1.5);
  // No date literal: the server evaluated it.
  EXPECT_EQ(classlib::FormatDateTime("yyyy-mm-dd hh:nn:ss", query->FieldByName("CREATED")->AsDateTime()),
            "2024-02-29 10:11:12");
  query->Cancel();
  classlib::ResetFormatSettings();
}

TEST_F(OraDataSetFillTest, NothingIsAskedOfTheServerForOriginsItCanPlaceItself) {
  auto query = NewQuery("SELECT ID FROM T");
  fetch_->ScriptQuery("SELECT ID FROM T", "ID NUMBER(9)");
  query->Options().SetFieldsOrigin(true);
  query->Open();  // an unscripted dictionary query would fail it
  EXPECT_EQ(query->FieldByName("ID")->Origin(), "T.ID");
}

TEST_F(OraDataSetFillTest, NamesInDictionaryStatementsHaveTheirApostrophesDoubled) {
  const std::string columns =
      "SELECT table_name,column_name,table_id,data_default,column_id, data_type FROM (\r"
      "SELECT table_name,column_name,1 table_id,data_default,column_id, data_type FROM all_tab_columns "
      "WHERE owner ='O''X' and table_name = 'T''1')\r"
      "ORDER BY table_id,column_id";
  fetch_->ScriptQuery(AsSent(columns), kDictionaryColumns);
  fetch_->AddRows(AsSent(columns), "T'1|A|1|7|1|NUMBER");
  const std::string sql = "SELECT A FROM \"O'X\".\"T'1\"";
  fetch_->ScriptQuery(sql, "A NUMBER(9)");
  auto query = NewQuery(sql);
  query->Options().SetDefaultValues(true);
  query->Open();
  EXPECT_EQ(query->FieldByName("A")->DefaultExpression(), "7");
}

TEST_F(OraDataSetFillTest, ATableNamedBySynonymIsFoundThroughIt) {
  // A, unqualified among two tables, is placed by the dictionary: S1 is no
  // table of SCOTT, its private synonym names SCOTT2.REAL.
  const std::string both =
      "SELECT table_name,column_name,table_id,column_id, data_type FROM (\r"
      "SELECT table_name,column_name,1 table_id,column_id, data_type FROM all_tab_columns "
      "WHERE owner ='SCOTT' and table_name = 'S1'\r"
      "UNION (\r"
      "SELECT table_name,column_name,2 table_id,column_id, data_type FROM all_tab_columns "
      "WHERE owner ='SCOTT' and table_name = 'T2'\r)\r)\r"
      "ORDER BY table_id,column_id";
  const std::string synonyms =
      "select synonym_name, table_owner, table_name, db_link from all_synonyms where  "
      "(synonym_name='S1' and owner in ('SCOTT','PUBLIC') ) order by decode(owner, 'PUBLIC', 1, 0)";
  const std::string real =
      "SELECT table_name,column_name,table_id,column_id, data_type FROM (\r"
      "SELECT table_name,column_name,1 table_id,column_id, data_type FROM all_tab_columns "
      "WHERE owner ='SCOTT2' and table_name = 'REAL')\r"
      "ORDER BY table_id,column_id";
  fetch_->ScriptQuery(AsSent(both), kDictionaryColumnsNoDefault);
  fetch_->AddRows(AsSent(both), "T2|B|2|1|NUMBER");
  fetch_->ScriptQuery(AsSent(synonyms), "SYNONYM_NAME VARCHAR2(30); TABLE_OWNER VARCHAR2(30); "
                                        "TABLE_NAME VARCHAR2(30); DB_LINK VARCHAR2(30)");
  fetch_->AddRows(AsSent(synonyms), "S1|SCOTT2|REAL|<null>\nS1|PUBLICOWNER|OTHER|<null>");
  fetch_->ScriptQuery(AsSent(real), kDictionaryColumnsNoDefault);
  fetch_->AddRows(AsSent(real), "REAL|A|1|1|NUMBER");
  const std::string sql = "SELECT A, B FROM S1, T2";
  fetch_->ScriptQuery(sql, "A NUMBER(9); B NUMBER(9)");
  auto query = NewQuery(sql);
  query->Options().SetFieldsOrigin(true);
  query->Open();
  EXPECT_EQ(query->FieldByName("A")->Origin(), "S1.A") << "the private synonym wins";
  EXPECT_EQ(query->FieldByName("B")->Origin(), "T2.B");
}

TEST_F(OraDataSetFillTest, ASynonymThatLoopsEndsTheSearch) {
  const std::string columns =
      "SELECT table_name,column_name,table_id,data_default,column_id, data_type FROM (\r"
      "SELECT table_name,column_name,1 table_id,data_default,column_id, data_type FROM all_tab_columns "
      "WHERE owner ='SCOTT' and table_name = 'S1')\r"
      "ORDER BY table_id,column_id";
  const std::string synonym_head = "select synonym_name, table_owner, table_name, db_link from all_synonyms where ";
  const std::string synonym_tail = " order by decode(owner, 'PUBLIC', 1, 0)";
  const std::string any_owner = synonym_head + " (synonym_name='S1' and owner in ('SCOTT','PUBLIC') )" + synonym_tail;
  const std::string fixed_owner = synonym_head + " (synonym_name='S1' and owner ='SCOTT')" + synonym_tail;
  const std::string synonym_columns =
      "SYNONYM_NAME VARCHAR2(30); TABLE_OWNER VARCHAR2(30); TABLE_NAME VARCHAR2(30); DB_LINK VARCHAR2(30)";
  fetch_->ScriptQuery(AsSent(columns), kDictionaryColumns);
  for (const std::string& sql : {any_owner, fixed_owner}) {
    fetch_->ScriptQuery(sql, synonym_columns);
    fetch_->AddRows(sql, "S1|SCOTT|S1|<null>");
  }
  const std::string sql = "SELECT A FROM S1";
  fetch_->ScriptQuery(sql, "A NUMBER(9)");
  auto query = NewQuery(sql);
  query->Options().SetDefaultValues(true);
  query->Open();
  EXPECT_TRUE(query->Active());
  EXPECT_EQ(query->FieldByName("A")->DefaultExpression(), "");
}

TEST(OraDictionaryText, LinksAndDefaultTexts) {
  EXPECT_EQ(DatabaseLinkSQL("SCOTT", "RE'MOTE"),
            "SELECT username, db_link FROM all_db_links WHERE owner IN ('SCOTT', 'PUBLIC')  AND db_link = "
            "'RE''MOTE' ORDER BY decode(owner, 'PUBLIC', 1, 0) ");
  EXPECT_EQ(DefaultValueText("  'it''s'  ", "VARCHAR2"), "it''s") << "only the enclosing apostrophes go";
  EXPECT_EQ(DefaultValueText("1.5", "NUMBER"), "1.5");
  EXPECT_EQ(DefaultValueText("1.5", "VARCHAR2"), "1.5");
}

// ---- Key fields, refresh mode, hand-written statements --------------------------------

TEST_F(OraDataSetFillTest, KeyFieldsAreUpperCasedAndCheckedAgainstTheFields) {
  auto query = OpenQuery("SELECT ID, NAME FROM T", "ID NUMBER(9); NAME VARCHAR2(20)", "1|one", "id");
  EXPECT_EQ(query->KeyFields(), "ID");
  query->SetName("Q");
  EXPECT_EQ(MessageOf([&] { query->SetKeyFields("ID;NOPE"); }), "Q: Key field 'NOPE' not found");
  EXPECT_EQ(query->KeyFields(), "") << "an unknown name clears the list";
  query->Close();
  query->SetKeyFields("NOPE");
  EXPECT_THROW(query->Open(), classlib::EDatabaseError) << "checked again at open";
  EXPECT_FALSE(query->Active());
  query->Open();
  EXPECT_TRUE(query->Active()) << "the list was cleared";

  TOraQuery copy;
  query->SetKeyFields("NAME");
  query->SetLockMode(lmLockDelayed);
  copy.Assign(query.get());
  EXPECT_EQ(copy.KeyFields(), "NAME");
  EXPECT_EQ(copy.LockMode(), lmLockDelayed);
}

TEST(OraQueryRefreshMode, IsAViewOfTheRefreshOptions) {
  TOraQuery query;
  query.SetRefreshOptions({dacore::roBeforeEdit});
  EXPECT_EQ(query.RefreshMode(), rmNone);
  query.SetRefreshMode(rmAlways);
  EXPECT_EQ(query.RefreshOptions(),
            (dacore::TRefreshOptions{dacore::roBeforeEdit, dacore::roAfterInsert, dacore::roAfterUpdate}));
  query.SetRefreshMode(rmAfterUpdate);
  EXPECT_EQ(query.RefreshMode(), rmAfterUpdate);
  EXPECT_EQ(query.RefreshOptions(), (dacore::TRefreshOptions{dacore::roBeforeEdit, dacore::roAfterUpdate}));
  query.SetRefreshMode(rmAfterInsert);
  EXPECT_EQ(query.RefreshMode(), rmAfterInsert);
  query.SetRefreshMode(rmNone);
  EXPECT_EQ(query.RefreshOptions(), (dacore::TRefreshOptions{dacore::roBeforeEdit}));
}

TEST_F(OraDataSetFillTest, WithUpdateStatementsRequiredOnlyHandWrittenStatementsRun) {
  auto query = OpenQuery("SELECT ID, NAME FROM T", "ID NUMBER(9); NAME VARCHAR2(20)", "1|one", "ID");
  ASSERT_TRUE(query->CanModify());
  TOraQuery::UpdateStatementsRequired = true;
  EXPECT_FALSE(query->CanModify());
  EXPECT_EQ(query->SQLGenerator().GenerateSQL(dacore::stUpdate, false, nullptr), "");
  query->SQLUpdate().SetText("UPDATE T SET NAME = :NAME WHERE ID = :OLD_ID");
  EXPECT_TRUE(query->CanModify());
  TOraQuery::UpdateStatementsRequired = false;
  EXPECT_NE(query->SQLGenerator().GenerateSQL(dacore::stUpdate, false, nullptr), "");
}

TEST(OraUpdateSQL, TakesOracleStatementObjectsOnly) {
  TOraUpdateSQL update_sql;
  TOraQuery query;
  TOraSQL sql;
  update_sql.SetStatementObject(dacore::stInsert, &query);
  update_sql.SetStatementObject(dacore::stUpdate, &sql);
  EXPECT_EQ(update_sql.InsertObject(), &query);
  classlib::TComponent other(nullptr);
  EXPECT_THROW(update_sql.SetStatementObject(dacore::stDelete, &other), classlib::Exception);
}

TEST_F(OraDataSetFillTest, AnUpdateObjectThatWouldRunTheQueryItselfIsRefused) {
  auto query = OpenQuery("SELECT ID, NAME FROM T", "ID NUMBER(9); NAME VARCHAR2(20)", "1|one", "ID");
  TOraUpdateSQL update_sql;
  update_sql.ModifySQL().SetText("UPDATE T SET NAME = :NAME WHERE ID = :OLD_ID");
  // Serving no query yet, the object cannot tell that this one is its own.
  update_sql.SetStatementObject(dacore::stUpdate, query.get());
  EXPECT_EQ(MessageOf([&] { query->SetUpdateObject(&update_sql); }),
            "Circular references are not allowed between TCustomDADataset and TCustomDAUpdateSQL objects");
  EXPECT_EQ(query->UpdateObject(), nullptr);

  update_sql.SetStatementObject(dacore::stUpdate, nullptr);
  query->SetUpdateObject(&update_sql);
  statements_->Script("UPDATE T SET NAME = :NAME WHERE ID = :OLD_ID", "rows=1");
  statements_->ClearReceived();
  query->Edit();
  query->FieldByName("NAME")->SetAsString("two");
  query->Post();
  EXPECT_TRUE(query->Active()) << "the post ran the object's text, not the query";
  EXPECT_EQ(query->FieldByName("NAME")->AsString(), "two");
  EXPECT_TRUE(Contains(statements_->Received(), "NAME[1]=two")) << ::testing::PrintToString(statements_->Received());
}

// The query's internal statement runs the open query: it is refused too,
// before a post could run it.
TEST_F(OraDataSetFillTest, AnUpdateObjectRefusesTheQuerysOwnStatement) {
  auto query = OpenQuery("SELECT ID, NAME FROM T", "ID NUMBER(9); NAME VARCHAR2(20)", "1|one", "ID");
  const std::string circular =
      "Circular references are not allowed between TCustomDADataset and TCustomDAUpdateSQL objects";
  TOraUpdateSQL update_sql;
  update_sql.SetStatementObject(dacore::stUpdate, &query->Command());
  EXPECT_EQ(MessageOf([&] { query->SetUpdateObject(&update_sql); }), circular);
  EXPECT_EQ(query->UpdateObject(), nullptr);
  update_sql.SetStatementObject(dacore::stUpdate, nullptr);
  query->SetUpdateObject(&update_sql);
  EXPECT_EQ(MessageOf([&] { update_sql.SetStatementObject(dacore::stUpdate, &query->Command()); }), circular);
  EXPECT_EQ(update_sql.ModifyObject(), nullptr);
  // A statement of its own is still taken.
  TOraSQL statement;
  update_sql.SetStatementObject(dacore::stUpdate, &statement);
  EXPECT_EQ(update_sql.ModifyObject(), &statement);
  update_sql.SetStatementObject(dacore::stUpdate, nullptr);
  EXPECT_TRUE(query->Active());
}

TEST_F(OraDataSetFillTest, NumberRangeLimitsNumericFieldsToTheDigitsOfTheirColumns) {
  const std::string sql = "SELECT N, R FROM T";
  fetch_->ScriptQuery(sql, "N NUMBER(3); R NUMBER(3,1)");
  fetch_->AddRows(sql, "12|1.5");
  auto query = NewQuery(sql);
  query->Options().SetNumberRange(true);
  query->Open();
  auto* n = dynamic_cast<classlib::TIntegerField*>(query->FieldByName("N"));
  auto* r = dynamic_cast<classlib::TFloatField*>(query->FieldByName("R"));
  ASSERT_NE(n, nullptr);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(n->MinValue(), -999);
  EXPECT_EQ(n->MaxValue(), 999);
  EXPECT_DOUBLE_EQ(r->MaxValue(), 99.9);
  query->Edit();
  EXPECT_EQ(MessageOf([&] { n->SetAsInteger(1000); }),
            "1000 is not a valid value for field 'N'. The allowed range is -999 to 999");
  EXPECT_NE(MessageOf([&] { r->SetAsFloat(100); }).find("is not a valid value for field 'R'"), std::string::npos);
  n->SetAsInteger(-999);
  EXPECT_EQ(n->AsInteger(), -999);
  query->Cancel();
}

// ---- Values outside the records ---------------------------------------------------------

TEST_F(OraDataSetFillTest, XmlExportWritesLobsAsHexAndText) {
  auto query = OpenQuery("SELECT ID, DATA, NOTE, TS FROM T", "ID NUMBER(9); DATA BLOB; NOTE CLOB; TS TIMESTAMP(6)",
                         "1|CAFE|a<b|2001-02-03 04:05:06.5");
  const std::string xml = dacore::DataSetToXml(*query);
  EXPECT_NE(xml.find("name=\"TS\""), std::string::npos);
  EXPECT_NE(xml.find("<s:datatype dt:type=\"string\" dt:maxLength=\"50\" rs:dbtype=\"str\">"), std::string::npos)
      << "a date-time of the server's own type as text";
  EXPECT_NE(xml.find("DATA=\"CAFE\""), std::string::npos) << xml;
  EXPECT_NE(xml.find("NOTE=\"a&#x3c;b\""), std::string::npos) << xml;
  EXPECT_NE(xml.find("dt:type=\"bin.hex\" dt:maxLength=\"2147483647\" rs:long=\"true\""), std::string::npos);
  EXPECT_NE(xml.find("dt:type=\"string\" dt:maxLength=\"2147483647\" rs:dbtype=\"str\" rs:long=\"true\""),
            std::string::npos);
}

// Search values for the Oracle value types.
class SearchValues : public TOraQuery {
 public:
  using TOraQuery::ConvertFieldData;
};

TEST(OraSearchValues, DateTimesIntervalsAndNumbersConvertOrRefuse) {
  SearchValues data_set;
  dacore::TFieldDesc stamp, interval, number;
  stamp.SetDataType(dtTimeStamp);
  interval.SetDataType(dtIntervalDS);
  number.SetDataType(dtNumber);
  EXPECT_TRUE(data_set.ConvertFieldData(classlib::Null(), stamp).IsNull());
  EXPECT_EQ(data_set.ConvertFieldData(classlib::Variant::FromDate(45000.5), stamp).type, dacore::dtDateTime);
  EXPECT_EQ(data_set.ConvertFieldData(classlib::Variant(std::string("2024-01-01")), stamp).type, dacore::dtString);
  EXPECT_EQ(data_set.ConvertFieldData(classlib::Variant(std::string("+01 00:00:00")), interval).type,
            dacore::dtString);
  EXPECT_EQ(data_set.ConvertFieldData(classlib::Variant(int32_t{7}), number).type, dacore::dtInt32);
  const dacore::TConvertedValue real = data_set.ConvertFieldData(classlib::Variant(2.5), number);
  ASSERT_EQ(real.type, dacore::dtFloat);
  double value = 0;
  std::memcpy(&value, real.data.data(), sizeof value);
  EXPECT_DOUBLE_EQ(value, 2.5);
  EXPECT_EQ(MessageOf([&] { data_set.ConvertFieldData(classlib::Variant(2.5), interval); }), "Cannot convert type");
  EXPECT_EQ(MessageOf([&] { data_set.ConvertFieldData(classlib::Variant(true), number); }), "Cannot convert type");
}

TEST_F(OraDataSetFillTest, ObjectValueIsTheActiveRecordsAndAskedOfObjectFieldsOnly) {
  ObjectControl objects;
  objects.DeclareSampleTypes();
  {
    auto query = OpenQuery("select id, addr from people", "ID NUMBER(9); ADDR OBJECT",
                           "1|STREET=Main St,CITY=Oslo,ZIP=1234\n2|CITY=Bergen,ZIP=5003");
    auto* first = dynamic_cast<TOraObject*>(query->GetObjectValue("ADDR"));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->AttrAsString("CITY"), "Oslo");
    query->Next();
    auto* second = dynamic_cast<TOraObject*>(query->GetObjectValue("ADDR"));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->AttrAsString("CITY"), "Bergen");
    EXPECT_EQ(MessageOf([&] { query->GetObjectValue("ID"); }).find("Field type should be Object"), 0u);
  }
  EXPECT_EQ(objects.LiveObjects(), 0);
}

}  // namespace
}  // namespace oracle::testing
