// The Oracle field classes on a query of the stand-in's scripted engine:
// the classes the columns get, their texts and nulls, conversions, a BFILE
// read through its stream in pieces, and a nested-table column followed by
// a nested data set as the query scrolls.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "classlib/field_blob.h"
#include "classlib/field_defs.h"
#include "classlib/fields.h"
#include "classlib/stream.h"
#include "classlib/variant.h"
#include "oracle/field_bfile_stream.h"
#include "oracle/field_ora_fields.h"
#include "oracle/nested_ora_nested_table.h"
#include "oracle/object_ora_ref.h"
#include "oracle/param_ora_param.h"
#include "oracle/query_ora_dataset.h"
#include "oracle/session_ora_session.h"
#include "oracle/session_options.h"
#include "oracle/tests/object_fixture.h"
#include "oracle/tests/rset_fixture.h"
#include "oracle/tests/standin_fixture_values.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using classlib::testing::MessageOf;
using ::testing::ElementsAre;

// Lines from `from` on, without their trailing blanks.
std::vector<std::string> Trimmed(std::vector<std::string> lines, size_t from = 0) {
  lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(std::min(from, lines.size())));
  for (std::string& line : lines)
    while (!line.empty() && line.back() == ' ') line.pop_back();
  return lines;
}

class OraFieldTest : public RecordSetTest {
 protected:
  static constexpr const char* kSql = "SELECT T, TL, I, N, F FROM KINDS";

  void SetUp() override {
    RecordSetTest::SetUp();
    values_ = std::make_unique<StandinValues>(ORACLE_STANDIN_PATH);
    session_component_ = std::make_unique<TOraSession>();
    session_component_->Options().SetEnableNumbers(true);
    session_component_->SetConnectString("scott/tiger@db1");
    session_component_->SetConnected(true);
    standin_->ClearLog();
  }
  void TearDown() override {
    session_component_.reset();
    values_.reset();
    RecordSetTest::TearDown();
  }
  std::unique_ptr<TOraQuery> OpenKinds() {
    fetch_->ScriptQuery(kSql,
                        "T TIMESTAMP(6); TL TIMESTAMP(6) WITH LOCAL TIME ZONE; I INTERVAL DAY(2) TO SECOND(6); "
                        "N NUMBER(30); F BFILE");
    fetch_->AddRows(kSql,
                    "2001-02-03 04:05:06.5|<null>|<null>|12345678901234567890|<null>\n"
                    "<null>|<null>|<null>|<null>|DOCS/report.bin");
    auto query = std::make_unique<TOraQuery>();
    query->SetSession(session_component_.get());
    query->SetSQL(kSql);
    // Edits stay on the client: no statement is generated for them.
    query->SetLocalUpdate(true);
    query->Open();
    return query;
  }

  std::unique_ptr<StandinValues> values_;
  std::unique_ptr<TOraSession> session_component_;
};

TEST_F(OraFieldTest, ColumnsGetTheLayersFieldClasses) {
  auto query = OpenKinds();
  auto* t = dynamic_cast<TOraTimeStampField*>(query->FieldByName("T"));
  auto* tl = dynamic_cast<TOraTimeStampField*>(query->FieldByName("TL"));
  auto* i = dynamic_cast<TOraIntervalField*>(query->FieldByName("I"));
  auto* n = dynamic_cast<TOraNumberField*>(query->FieldByName("N"));
  auto* f = dynamic_cast<TBFileField*>(query->FieldByName("F"));
  ASSERT_TRUE(t && tl && i && n && f) << "every column has a field of its own class";
  EXPECT_EQ(tl->DataType(), ftTimeStampLTZ);
  EXPECT_EQ(tl->StoredDataType(), static_cast<int>(ftTimeStampLTZ));
  EXPECT_EQ(i->DataType(), ftIntervalDS);
  EXPECT_EQ(n->DataType(), ftNumber);
  EXPECT_EQ(n->DisplayWidth(), 38);

  EXPECT_EQ(n->AsString(), "12345678901234567890");
  EXPECT_EQ(n->AsVariant().AsString(), "12345678901234567890") << "a NUMBER's variant is its text";
  EXPECT_EQ(classlib::DateTimeToStr(t->AsDateTime()),
            classlib::DateTimeToStr(classlib::EncodeDate(2001, 2, 3) + classlib::EncodeTime(4, 5, 6, 500)));
  EXPECT_EQ(classlib::VarType(t->AsVariant()), classlib::varSQLTimeStamp);
  EXPECT_TRUE(tl->IsNull());
  EXPECT_TRUE(i->IsNull());
  EXPECT_TRUE(classlib::VarIsNull(i->AsVariant()));

  // A BFILE that names nothing shows the class in mixed case; one that
  // names a file shows it upper-cased.
  EXPECT_TRUE(f->IsNull());
  EXPECT_EQ(f->AsString(), "(BFile)");
  EXPECT_EQ(f->DisplayText(), "(BFile)");
  query->Next();
  EXPECT_FALSE(f->IsNull());
  EXPECT_EQ(f->AsString(), "(BFILE)");
  EXPECT_TRUE(n->IsNull());
  EXPECT_EQ(n->AsString(), "");
}

TEST_F(OraFieldTest, EmptyStringMakesTheValueNull) {
  auto query = OpenKinds();
  auto* n = query->FieldByName("N");
  auto* t = query->FieldByName("T");
  auto* i = query->FieldByName("I");
  query->Edit();
  i->SetAsString("+01 02:03:04.000000");
  EXPECT_FALSE(i->IsNull());
  EXPECT_EQ(i->AsString(), "+01 02:03:04.000000");
  for (classlib::TField* field : {n, t, i}) {
    field->SetAsString("");
    EXPECT_TRUE(field->IsNull()) << field->FieldName();
    EXPECT_TRUE(classlib::VarIsNull(field->AsVariant())) << field->FieldName();
  }
  // The edit worked on copies: cancelling brings the row's values back.
  query->Cancel();
  EXPECT_EQ(n->AsString(), "12345678901234567890");
  EXPECT_FALSE(t->IsNull());
  EXPECT_TRUE(i->IsNull());

  query->Edit();
  n->SetAsString("");
  query->Post();
  EXPECT_TRUE(n->IsNull()) << "a posted null stays null";
  query->Edit();
  n->SetAsInteger(5);
  query->Post();
  EXPECT_EQ(n->AsInteger(), 5);
  EXPECT_FALSE(n->IsNull());
}

TEST_F(OraFieldTest, TextsFollowTheFieldsFormatAndPrecisions) {
  auto query = OpenKinds();
  auto* t = dynamic_cast<TOraTimeStampField*>(query->FieldByName("T"));
  auto* i = dynamic_cast<TOraIntervalField*>(query->FieldByName("I"));
  const std::string own = t->AsString();
  t->SetFormat("YYYY-MM-DD");
  EXPECT_EQ(t->AsString(), "2001-02-03");
  EXPECT_EQ(t->DisplayText(), "2001-02-03");
  t->SetFormat("");
  EXPECT_EQ(t->AsString(), own) << "the value keeps its own format";
  query->Edit();
  i->SetAsString("+01 02:03:04.500000");
  EXPECT_EQ(i->LeadPrecision(), 2);
  EXPECT_EQ(i->FracPrecision(), 6);
  i->SetLeadPrecision(3);
  i->SetFracPrecision(2);
  EXPECT_EQ(i->AsString(), "+001 02:03:04.50");
  EXPECT_EQ(i->AsVariant().AsString(), "+001 02:03:04.50");
  query->Cancel();
}

TEST_F(OraFieldTest, VariantsOfOtherKindsCannotBeConverted) {
  auto query = OpenKinds();
  auto* n = query->FieldByName("N");
  auto* i = query->FieldByName("I");
  auto* t = query->FieldByName("T");
  query->Edit();
  EXPECT_EQ(MessageOf([&] { n->SetAsVariant(classlib::Variant(true)); }), "Cannot convert type");
  EXPECT_EQ(n->AsString(), "12345678901234567890") << "a refused value changes nothing";
  n->SetAsVariant(classlib::Variant(42));
  EXPECT_EQ(n->AsString(), "42");
  n->SetAsVariant(classlib::Variant(static_cast<long long>(9000000000LL)));
  EXPECT_EQ(n->AsLargeInt(), 9000000000LL);
  n->SetAsVariant(classlib::Variant("7.5"));
  EXPECT_DOUBLE_EQ(n->AsFloat(), 7.5);
  EXPECT_EQ(MessageOf([&] { i->SetAsVariant(classlib::Variant(1.5)); }), "Cannot convert type");
  EXPECT_EQ(MessageOf([&] { t->SetAsVariant(classlib::Variant(true)); }), "Cannot convert type");
  t->SetAsVariant(classlib::Variant::FromDate(classlib::EncodeDate(2020, 1, 31)));
  EXPECT_EQ(classlib::DateTimeToStr(t->AsDateTime()), classlib::DateTimeToStr(classlib::EncodeDate(2020, 1, 31)));

  auto* number = dynamic_cast<TOraNumberField*>(n);
  for (char c : std::string("0123456789+-Ee.,")) EXPECT_TRUE(number->IsValidChar(c)) << c;
  EXPECT_FALSE(number->IsValidChar('x'));
  query->Cancel();
}

TEST_F(OraFieldTest, ValuesAreWrittenOnlyWhileEditing) {
  auto query = OpenKinds();
  auto* n = query->FieldByName("N");
  EXPECT_EQ(MessageOf([&] { n->SetAsString("1"); }), "Dataset not in edit or insert mode");
  EXPECT_EQ(n->AsString(), "12345678901234567890") << "the row's own value is untouched";
  query->Next();
  EXPECT_EQ(MessageOf([&] { query->FieldByName("F")->SetAsString("x"); }), "Field 'F' cannot be modified");
}

TEST_F(OraFieldTest, BFileIsStreamedInPieces) {
  const std::string folder = MakeFolder("bfiles");
  values_->MapDirectory("DOCS", folder);
  const std::string content = std::string("\x01\x00\x02", 3) + "a report of some length";
  std::ofstream(folder + "/report.bin", std::ios::binary) << content;
  auto query = OpenKinds();
  query->Next();
  auto* f = dynamic_cast<TBFileField*>(query->FieldByName("F"));
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->BlobType(), classlib::ftBlob);
  f->SetBlobType(classlib::ftBlob);
  EXPECT_EQ(f->DataType(), ftBFile) << "writing the blob type keeps the BFILE type";
  standin_->ClearLog();
  {
    std::unique_ptr<classlib::TStream> stream = query->CreateBlobStream(f, classlib::bmRead);
    auto* bfile = dynamic_cast<TBFileStream*>(stream.get());
    ASSERT_NE(bfile, nullptr);
    EXPECT_TRUE(bfile->OpenedFile());
    std::string read;
    char piece[5];
    int got = 0;
    int pieces = 0;
    while ((got = stream->Read(piece, sizeof piece)) > 0) {
      read.append(piece, static_cast<size_t>(got));
      ++pieces;
    }
    EXPECT_EQ(read, content);
    EXPECT_EQ(pieces, static_cast<int>((content.size() + 4) / 5));
  }
  std::vector<std::string> calls;
  for (const std::string& line : standin_->Log())
    if (line.rfind("OCILobFile", 0) == 0 && line.rfind("OCILobFileGetName", 0) != 0) calls.push_back(line);
  EXPECT_THAT(calls, ElementsAre("OCILobFileIsOpen", "OCILobFileExists", "OCILobFileOpen mode=1",
                                  "OCILobFileExists", "OCILobFileIsOpen", "OCILobFileClose"))
      << "opened once by the stream, read while open, closed when the stream goes";
  query->Edit();
  EXPECT_EQ(MessageOf([&] { f->LoadFromFile(folder + "/report.bin"); }), "Field 'F' cannot be modified");
  query->Cancel();
}

// A stream kept after its query closes, refreshes or goes reads the value
// it was made on, and closes the file it opened only when it goes itself.
TEST_F(OraFieldTest, BFileStreamOutlivesItsQuery) {
  const std::string folder = MakeFolder("bfiles");
  values_->MapDirectory("DOCS", folder);
  const std::string content = "the file a stream outlives its query with";
  std::ofstream(folder + "/report.bin", std::ios::binary) << content;
  const std::vector<std::pair<std::string, std::function<void(std::unique_ptr<TOraQuery>&)>>> endings = {
      {"closed", [](std::unique_ptr<TOraQuery>& query) { query->Close(); }},
      {"refreshed",
       [](std::unique_ptr<TOraQuery>& query) {
         query->SetKeyFields("N");  // no dictionary to ask for the key
         query->Refresh();
       }},
      {"freed", [](std::unique_ptr<TOraQuery>& query) { query.reset(); }},
  };
  for (const auto& [ending, end] : endings) {
    SCOPED_TRACE(ending);
    auto query = OpenKinds();
    query->Next();
    std::unique_ptr<classlib::TStream> stream = query->CreateBlobStream(query->FieldByName("F"), classlib::bmRead);
    end(query);
    std::string read(content.size() + 8, '\0');
    read.resize(static_cast<size_t>(stream->Read(read.data(), static_cast<int>(read.size()))));
    EXPECT_EQ(read, content) << "the value the stream was made on";
    standin_->ClearLog();
    stream.reset();
    EXPECT_TRUE(Contains(standin_->Log(), "OCILobFileClose")) << "the file it opened is closed as it goes";
  }
  // A file open already is the opener's to close.
  auto query = OpenKinds();
  query->Next();
  auto stream = query->CreateBlobStream(query->FieldByName("F"), classlib::bmRead);
  auto second = query->CreateBlobStream(query->FieldByName("F"), classlib::bmRead);
  EXPECT_FALSE(dynamic_cast<TBFileStream&>(*second).OpenedFile());
  query.reset();
  standin_->ClearLog();
  second.reset();
  EXPECT_FALSE(Contains(standin_->Log(), "OCILobFileClose"));
  stream.reset();
  EXPECT_TRUE(Contains(standin_->Log(), "OCILobFileClose"));

  // A file the server does not have, and a null BFILE, are not opened.
  std::remove((folder + "/report.bin").c_str());
  query = OpenKinds();
  standin_->ClearLog();
  auto null_file = query->CreateBlobStream(query->FieldByName("F"), classlib::bmRead);
  query->Next();
  auto missing = query->CreateBlobStream(query->FieldByName("F"), classlib::bmRead);
  EXPECT_FALSE(dynamic_cast<TBFileStream&>(*null_file).OpenedFile());
  EXPECT_FALSE(dynamic_cast<TBFileStream&>(*missing).OpenedFile());
  EXPECT_FALSE(Contains(standin_->Log(), "OCILobFileOpen mode=1"));
  query.reset();
  EXPECT_EQ(null_file->Size(), 0);
}

TEST_F(OraFieldTest, RowIdOfTheLastStatement) {
  auto sql = session_component_->CreateSQL();
  sql->SetSQL("update t set a = 1");
  sql->Prepare();
  sql->Execute();
  EXPECT_EQ(GetRowId(sql.get()), "AAAHXFAAEAAAABkAAA");
  EXPECT_EQ(GetIConnection(session_component_.get()), session_component_->OCIConnection());
  TOraNestedTable other;
  EXPECT_NE(MessageOf([&] { GetRowId(&other); }).find("TOraNestedTable"), std::string::npos);
}

// ---- A nested-table column and its data set -------------------------------------------

class NestedColumnTest : public OraFieldTest {
 protected:
  static constexpr const char* kLists = "SELECT ID, CODES FROM LISTS";

  // A query of lists (not opened) whose rows hold nested tables of NUMBERs.
  std::unique_ptr<TOraQuery> NewLists() {
    objects_.DeclareSampleTypes();
    objects_.DeclareType("SCOTT", "CODES_T", OCI_TYPECODE_NAMEDCOLLECTION, true, OCI_TYPECODE_TABLE, 0,
                         sizeof(OCINumber), sizeof(OCIInd));
    objects_.DeclareAttribute("SCOTT.CODES_T", "", SQLT_NUM, 22, 5, 0, "", 0, 0);
    fetch_->ScriptQuery(kLists, "ID NUMBER(9); CODES OBJECT SCOTT.CODES_T");
    fetch_->AddRows(kLists, "1|7,8,9\n2|10\n3|<null>");
    auto query = std::make_unique<TOraQuery>();
    query->SetSession(session_component_.get());
    query->SetSQL(kLists);
    return query;
  }
  std::unique_ptr<TOraQuery> OpenLists() {
    auto query = NewLists();
    query->Open();
    return query;
  }
  static std::vector<int> Codes(TOraNestedTable& nested) {
    std::vector<int> codes;
    for (nested.First(); !nested.Eof(); nested.Next()) codes.push_back(nested.Fields().Fields(0)->AsInteger());
    return codes;
  }
  ObjectControl objects_;
};

TEST_F(NestedColumnTest, DetailFollowsItsMaster) {
  auto query = OpenLists();
  auto* codes = dynamic_cast<TOraDataSetField*>(query->FieldByName("CODES"));
  ASSERT_NE(codes, nullptr) << "a nested-table column is a data-set field";
  EXPECT_EQ(codes->AsString(), "(DATASET)");
  {
    TOraNestedTable nested;
    nested.SetDataSetField(codes);
    EXPECT_EQ(codes->NestedDataSet(), &nested);
    nested.Open();
    EXPECT_EQ(Codes(nested), (std::vector<int>{7, 8, 9}));
    EXPECT_EQ(nested.RecordCount(), 3);
    query->Next();
    ASSERT_TRUE(nested.Active()) << "the detail stays open as the master scrolls";
    EXPECT_EQ(Codes(nested), (std::vector<int>{10}));
    query->Next();
    EXPECT_TRUE(nested.IsEmpty()) << "a null nested table has no rows";
    EXPECT_EQ(codes->AsString(), "(DataSet)");
    query->First();
    EXPECT_EQ(Codes(nested), (std::vector<int>{7, 8, 9}));
    query->Close();
    EXPECT_FALSE(nested.Active()) << "closing the master closes the detail";
  }
  query.reset();
  EXPECT_EQ(objects_.LiveObjects(), 0);
}

// A nested data set that stayed open while its parent closed (the parent's
// controls were disabled, so its link heard nothing) shows the reopened
// parent's current record.
TEST_F(NestedColumnTest, NestedDataSetFollowsItsReopenedParent) {
  {
    auto query = NewLists();
    // Persistent fields: the data-set field outlives a close.
    query->FieldDefs().Update();
    for (int i = 0; i < query->FieldDefs().Count(); ++i) query->FieldDefs().Items(i)->CreateField(query.get());
    query->Open();
    auto* codes = dynamic_cast<TOraDataSetField*>(query->FieldByName("CODES"));
    ASSERT_NE(codes, nullptr);
    TOraNestedTable nested;
    nested.SetDataSetField(codes);
    nested.Open();
    query->Next();
    EXPECT_EQ(Codes(nested), (std::vector<int>{10}));
    query->DisableControls();
    query->Close();
    ASSERT_TRUE(nested.Active()) << "the closing went unheard";
    query->Open();
    EXPECT_EQ(Codes(nested), (std::vector<int>{7, 8, 9})) << "the open told it the current record";
    query->EnableControls();
    nested.Close();
  }
  EXPECT_EQ(objects_.LiveObjects(), 0);
}

TEST_F(NestedColumnTest, DeletingADetailRowEditsTheMaster) {
  auto query = OpenLists();
  query->SetLocalUpdate(true);
  auto* codes = dynamic_cast<TOraDataSetField*>(query->FieldByName("CODES"));
  ASSERT_NE(codes, nullptr);
  TOraNestedTable nested;
  nested.SetDataSetField(codes);
  nested.Open();
  ASSERT_TRUE(nested.CanModify());
  nested.Next();
  standin_->ClearLog();
  nested.Delete();
  EXPECT_THAT(Calls("OCITableDelete"), ElementsAre("OCITableDelete index=1")) << "the second element, 0-based";
  EXPECT_EQ(query->State(), classlib::dsEdit) << "the master is edited";
  EXPECT_TRUE(codes->Modified());
  EXPECT_EQ(Codes(nested), (std::vector<int>{7, 9}));
  EXPECT_EQ(nested.RecordCount(), 2) << "the deleted place counts for nothing";
  query->Post();
  EXPECT_FALSE(codes->Modified()) << "posting frees the field's buffers";
  query->Next();
  query->Prior();
  EXPECT_EQ(Codes(nested), (std::vector<int>{7, 9})) << "the posted row keeps the change";
}

// A nested-table column changed through its nested data set is written by
// the generated UPDATE, and only then.
TEST_F(NestedColumnTest, ChangedNestedTableIsWrittenByTheGeneratedUpdate) {
  auto query = NewLists();
  query->SetKeyFields("ID");
  query->Open();
  auto* codes = dynamic_cast<TOraDataSetField*>(query->FieldByName("CODES"));
  ASSERT_NE(codes, nullptr);
  TOraNestedTable nested;
  nested.SetDataSetField(codes);
  nested.Open();
  nested.Next();
  nested.Delete();
  ASSERT_EQ(query->State(), classlib::dsEdit);
  statements_->ClearReceived();
  query->Post();
  EXPECT_THAT(Trimmed(session_->Executed()),
              ElementsAre("UPDATE LISTS", "SET", "  CODES = :CODES", "WHERE", "  ID = :Old_ID"));
  EXPECT_THAT(statements_->Received(), ElementsAre("CODES[1]=[7,9]", "OLD_ID[1]=1"));

  // An edit that leaves the nested table alone does not write it.
  const size_t before = session_->Executed().size();
  query->Edit();
  query->FieldByName("ID")->SetAsInteger(11);
  query->Post();
  EXPECT_THAT(Trimmed(session_->Executed(), before),
              ElementsAre("UPDATE LISTS", "SET", "  ID = :ID", "WHERE", "  ID = :Old_ID"));
}

// The parent's Cancel takes back every change made through the nested data
// set since its edit began (an append, a delete, an element's new value),
// and the next post writes only what was made after it. A nested edit that
// is cancelled before anything was posted leaves the parent as it was.
TEST_F(NestedColumnTest, ParentsCancelTakesBackTheNestedTablesChanges) {
  auto query = NewLists();
  query->SetKeyFields("ID");
  query->Open();
  auto* codes = dynamic_cast<TOraDataSetField*>(query->FieldByName("CODES"));
  ASSERT_NE(codes, nullptr);
  {
    TOraNestedTable nested;
    nested.SetDataSetField(codes);
    nested.Open();
    const std::vector<std::pair<const char*, std::function<void()>>> changes = {
        {"append", [&] { nested.Append(); nested.Fields().Fields(0)->SetAsInteger(1); nested.Post(); }},
        {"delete", [&] { nested.First(); nested.Delete(); }},
        {"edit", [&] { nested.Last(); nested.Edit(); nested.Fields().Fields(0)->SetAsInteger(5); nested.Post(); }},
        {"edit after the parent's", [&] { query->Edit(); nested.First(); nested.Delete(); }},
    };
    for (const auto& [name, change] : changes) {
      change();
      ASSERT_EQ(query->State(), classlib::dsEdit) << name;
      EXPECT_NE(Codes(nested), (std::vector<int>{7, 8, 9})) << name;
      query->Cancel();
      EXPECT_EQ(Codes(nested), (std::vector<int>{7, 8, 9})) << name << ": the parent's cancel takes it back";
      query->Next();
      query->First();
      EXPECT_EQ(Codes(nested), (std::vector<int>{7, 8, 9})) << name << ": the row kept nothing of it";
    }

    nested.First();
    nested.Edit();
    EXPECT_EQ(query->State(), classlib::dsEdit) << "the change begins with the parent's edit";
    nested.Cancel();
    EXPECT_EQ(query->State(), classlib::dsBrowse) << "no change was posted: the parent's edit goes too";

    nested.Append();
    nested.Fields().Fields(0)->SetAsInteger(9);
    nested.Post();
    query->Cancel();
    nested.Append();
    nested.Fields().Fields(0)->SetAsInteger(10);
    nested.Post();
    statements_->ClearReceived();
    query->Post();
    EXPECT_THAT(statements_->Received(), ElementsAre("CODES[1]=[7,8,9,10]", "OLD_ID[1]=1"));
    EXPECT_EQ(Codes(nested), (std::vector<int>{7, 8, 9, 10}));
  }
  query.reset();
  EXPECT_EQ(objects_.LiveObjects(), 0);
}

// Opening the nested data set opens its parent first; a row appended to the
// parent's new record and then cancelled cancels the parent's insert too.
TEST_F(NestedColumnTest, NestedDataSetOpensItsParentAndCancelsItsInsert) {
  auto query = NewLists();
  // Persistent fields: the column exists before the parent opens.
  query->FieldDefs().Update();
  for (int i = 0; i < query->FieldDefs().Count(); ++i) query->FieldDefs().Items(i)->CreateField(query.get());
  auto* codes = dynamic_cast<TOraDataSetField*>(query->FieldByName("CODES"));
  ASSERT_NE(codes, nullptr);
  {
    TOraNestedTable nested;
    nested.SetDataSetField(codes);
    nested.Open();
    EXPECT_TRUE(query->Active());
    EXPECT_EQ(Codes(nested), (std::vector<int>{7, 8, 9}));
    query->Append();
    EXPECT_TRUE(nested.IsEmpty()) << "the new record's nested table is empty";
    nested.Append();
    nested.Fields().Fields(0)->SetAsInteger(4);
    nested.Cancel();
    EXPECT_EQ(query->State(), classlib::dsBrowse);
    EXPECT_EQ(query->RecordCount(), 3);
    query->First();
    EXPECT_EQ(Codes(nested), (std::vector<int>{7, 8, 9}));
    nested.Close();
  }
  query.reset();
  EXPECT_EQ(objects_.LiveObjects(), 0);
}

// A row whose nested table is null opens an empty nested data set that
// takes rows: the parent's edit works on a copy of the null value, and its
// post writes the new elements.
TEST_F(NestedColumnTest, NullNestedTableReceivesRows) {
  auto query = NewLists();
  query->SetKeyFields("ID");
  query->Open();
  query->Last();
  auto* codes = dynamic_cast<TOraDataSetField*>(query->FieldByName("CODES"));
  ASSERT_NE(codes, nullptr);
  {
    TOraNestedTable nested;
    nested.SetDataSetField(codes);
    nested.Open();
    ASSERT_TRUE(nested.IsEmpty());
    nested.Append();
    nested.Fields().Fields(0)->SetAsInteger(5);
    nested.Post();
    statements_->ClearReceived();
    query->Post();
    EXPECT_THAT(statements_->Received(), ElementsAre("CODES[1]=[5]", "OLD_ID[1]=3"));
    EXPECT_EQ(Codes(nested), (std::vector<int>{5}));
  }
  query.reset();
  EXPECT_EQ(objects_.LiveObjects(), 0);
}

// Under cached updates the parent's CancelUpdates restores the nested table
// the row held before; nothing is left to apply. A change kept in the cache
// is applied as it was made.
TEST_F(NestedColumnTest, CancelUpdatesRestoresTheNestedTable) {
  auto query = NewLists();
  query->SetKeyFields("ID");
  query->SetCachedUpdates(true);
  query->Open();
  auto* codes = dynamic_cast<TOraDataSetField*>(query->FieldByName("CODES"));
  ASSERT_NE(codes, nullptr);
  {
    TOraNestedTable nested;
    nested.SetDataSetField(codes);
    nested.Open();
    nested.First();
    nested.Delete();
    query->Post();
    ASSERT_TRUE(query->UpdatesPending());
    EXPECT_EQ(Codes(nested), (std::vector<int>{8, 9}));
    query->CancelUpdates();
    EXPECT_FALSE(query->UpdatesPending());
    EXPECT_EQ(Codes(nested), (std::vector<int>{7, 8, 9}));
    statements_->ClearReceived();
    query->ApplyUpdates();
    EXPECT_THAT(statements_->Received(), ElementsAre()) << "nothing is left to send";

    nested.Last();
    nested.Delete();
    query->Post();
    query->Next();
    query->First();
    EXPECT_EQ(Codes(nested), (std::vector<int>{7, 8}));
    query->ApplyUpdates();
    EXPECT_THAT(statements_->Received(), ElementsAre("CODES[1]=[7,8]", "OLD_ID[1]=1"));
  }
  query.reset();
  EXPECT_EQ(objects_.LiveObjects(), 0);
}

// A REF column pointed at another object is written by the generated
// UPDATE, and only then.
TEST_F(NestedColumnTest, ChangedReferenceIsWrittenByTheGeneratedUpdate) {
  Connect();
  objects_.DeclareSampleTypes();
  AddressAndRef oslo = NewAddressWithRef(connection_->GetSvcCtx(), "Oslo");
  AddressAndRef bergen = NewAddressWithRef(connection_->GetSvcCtx(), "Bergen");
  const char* sql = "SELECT ID, HOME FROM PEOPLE";
  fetch_->ScriptQuery(sql, "ID NUMBER(9); HOME REF SCOTT.ADDRESS_T");
  fetch_->AddRows(sql, "1|" + oslo.ref->AsHex());
  {
    TOraQuery query;
    query.SetSession(session_component_.get());
    query.SetSQL(sql);
    query.SetKeyFields("ID");
    query.Open();
    size_t before = session_->Executed().size();
    query.Edit();
    query.FieldByName("ID")->SetAsInteger(2);
    query.Post();
    EXPECT_THAT(Trimmed(session_->Executed(), before),
                ElementsAre("UPDATE PEOPLE", "SET", "  ID = :ID", "WHERE", "  ID = :Old_ID"))
        << "a REF left alone is not written";

    query.Edit();
    auto* home = dynamic_cast<TOraRef*>(query.GetObjectValue("HOME"));
    ASSERT_NE(home, nullptr);
    home->Assign(*bergen.ref);
    before = session_->Executed().size();
    statements_->ClearReceived();
    query.Post();
    EXPECT_THAT(Trimmed(session_->Executed(), before),
                ElementsAre("UPDATE PEOPLE", "SET", "  HOME = :HOME", "WHERE", "  ID = :Old_ID"));
    const std::vector<std::string> received = statements_->Received();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0], "HOME[1]=REF{STREET=NULL,CITY=Bergen,ZIP=NULL}") << "the REF leads to the new object";
  }
  oslo = {};
  bergen = {};
  EXPECT_EQ(objects_.LiveObjects(), 0);
}

// A REF column's field shows its class or the REF's text, and a nested data
// set over it shows the object the REF of the current row leads to.
TEST_F(NestedColumnTest, ReferenceFieldShowsAndFollowsItsObject) {
  Connect();
  objects_.DeclareSampleTypes();
  AddressAndRef oslo = NewAddressWithRef(connection_->GetSvcCtx(), "Oslo");
  const std::string hex = oslo.ref->AsHex();
  const char* sql = "SELECT ID, HOME, LBL FROM PEOPLE";
  fetch_->ScriptQuery(sql, "ID NUMBER(9); HOME REF SCOTT.ADDRESS_T; LBL MLSLABEL");
  fetch_->AddRows(sql, "1|" + hex + "|TOP\n2|<null>|<null>");
  {
    TOraQuery query;
    query.SetSession(session_component_.get());
    query.SetSQL(sql);
    query.Open();
    auto* home = dynamic_cast<TOraReferenceField*>(query.FieldByName("HOME"));
    auto* label = dynamic_cast<TLabelField*>(query.FieldByName("LBL"));
    ASSERT_TRUE(home && label);
    EXPECT_EQ(home->AsString(), "(REFERENCE)");
    SetShowReferenceText(true);
    EXPECT_EQ(home->AsString(), hex);
    SetShowReferenceText(false);
    EXPECT_TRUE(classlib::VarIsNull(label->AsVariant())) << "a label never shows its bytes";
    {
      TOraNestedTable nested;
      nested.SetDataSetField(home);
      nested.Open();
      EXPECT_EQ(nested.RecordCount(), 1);
      EXPECT_EQ(nested.FieldByName("REF.CITY")->AsString(), "Oslo");
      query.Next();
      EXPECT_EQ(home->AsString(), "(Reference)");
      EXPECT_TRUE(nested.IsEmpty()) << "a null REF opens empty";
    }
  }
  oslo.ref.reset();
  oslo.object.reset();
  EXPECT_EQ(objects_.LiveObjects(), 0);
}

}  // namespace
}  // namespace oracle::testing
