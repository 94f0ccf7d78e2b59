// XML export of a memory data set: escaping, the name and property
// attributes, the data-type attributes, value texts and the row-set document.
#include <gtest/gtest.h>


#include "classlib/bcd.h"
#include "classlib/datetime.h"
#include "classlib/format_settings.h"
#include "dacore/blob.h"
#include "dacore/memds_xml.h"
#include "dacore/tests/xml_reader.h"
#include "memds_fixture.h"

namespace dacore::testing {
namespace {

using classlib::Variant;

TEST(EncodeXmlText, EscapesMarkupAndAmpersandsOnce) {
  EXPECT_EQ(EncodeXmlText("a<b & \"c\""), "a&#x3c;b &#x26; &#x22;c&#x22;");
  EXPECT_EQ(EncodeXmlText("&#x26;"), "&#x26;#x26;");
  EXPECT_EQ(EncodeXmlText("it's >"), "it&#x27;s &#x3e;");
  EXPECT_EQ(EncodeXmlText(""), "");
}

// Characters XML 1.0 cannot carry become U+FFFD; line ends and tabs become
// references, so attribute values keep them.
TEST(EncodeXmlText, ReplacesWhatXmlCannotCarryAndKeepsLineEnds) {
  const std::string replacement = "\xEF\xBF\xBD";
  EXPECT_EQ(EncodeXmlText(std::string("a\x01" "b\x1F", 4)), "a" + replacement + "b" + replacement);
  EXPECT_EQ(EncodeXmlText(std::string("\0", 1)), replacement);
  EXPECT_EQ(EncodeXmlText("1\t2\r\n3"), "1&#x9;2&#xD;&#xA;3");
  EXPECT_EQ(EncodeXmlText("\xD0\x94\xEF\xBF\xBE"), "\xD0\x94" + replacement);  // U+FFFE
  EXPECT_EQ(EncodeXmlText("\xC0\xAF\xD0"), replacement + replacement + replacement);  // overlong, cut short
  EXPECT_EQ(EncodeXmlText("\xED\xA0\x80"), replacement + replacement + replacement);  // a surrogate
  EXPECT_EQ(EncodeXmlText("\xF0\x9F\x98\x80"), "\xF0\x9F\x98\x80");
}

TEST(XmlAttributeAliases, OnlyNamesThatCannotStandGetAnAlias) {
  EXPECT_EQ(XmlAttributeAliases({"ID", "_a-1.b", "\xC8\xCC\xDF", "a b", "1st", "a:b", "xmlns", "XmlData", "", "ID"}),
            (std::vector<std::string>{"", "", "", "a_x0020_b", "_x0031_st", "a_x003A_b", "_x0078_mlns", "_x0058_mlData",
                                      "_", "ID_2"}));
  // An alias never takes a name that stands, nor another alias.
  EXPECT_EQ(XmlAttributeAliases({"a b", "a_x0020_b", "a\tb"}),
            (std::vector<std::string>{"a_x0020_b_2", "", "a_x0009_b"}));
  EXPECT_EQ(XmlAttributeAliases({"a b", "a b"}), (std::vector<std::string>{"a_x0020_b", "a_x0020_b_2"}));
}

// The attributes one call writes into a fresh element.
template <class Write>
std::string Attributes(Write write) {
  XmlTextWriter writer;
  writer.WriteStartElement("e");
  write(writer);
  writer.WriteEndElement();
  return writer.Text();
}

class MemDataSetXmlTest : public ::testing::Test {
 protected:
  void SetUp() override { people = OpenPeople(); }
  void TearDown() override { classlib::ResetFormatSettings(); }

  std::string AttributeType(const std::string& name, const std::string& alias = "") {
    classlib::TField* field = people->FieldByName(name);
    return Attributes([&](XmlTextWriter& w) {
      people->WriteFieldXMLAttributeType(field, *people->GetFieldDesc(field), alias, w);
    });
  }
  std::string DataType(const std::string& name, const TFieldDesc& desc) {
    classlib::TField* field = people->FieldByName(name);
    return Attributes([&](XmlTextWriter& w) { people->WriteFieldXMLDataType(field, desc, "", w); });
  }

  std::unique_ptr<TTestMemDataSet> people;
};

TEST_F(MemDataSetXmlTest, NameAndPropertyAttributes) {
  EXPECT_EQ(AttributeType("NAME"),
            "<e name=\"NAME\" rs:number=\"2\" rs:nullable=\"true\" rs:writeunknown=\"true\" "
            "rs:basecolumn=\"NAME\"></e>");
  // An alias is the name as it stands; the own name moves to rs:name.
  EXPECT_EQ(AttributeType("NAME", "Full name"),
            "<e name=\"Full name\" rs:name=\"NAME\" rs:number=\"2\" rs:nullable=\"true\" "
            "rs:writeunknown=\"true\" rs:basecolumn=\"NAME\"></e>");

  classlib::TField* id = people->FieldByName("ID");
  id->SetRequired(true);
  id->SetAutoGenerateValue(classlib::arAutoInc);
  people->GetFieldDesc(id)->SetIsKey(true);
  EXPECT_EQ(AttributeType("ID"),
            "<e name=\"ID\" rs:number=\"1\" rs:writeunknown=\"true\" rs:basecolumn=\"ID\" "
            "rs:keycolumn=\"true\" rs:autoincrement=\"true\"></e>");

  people->FieldByName("CITY")->SetReadOnly(true);
  people->GetFieldDesc(people->FieldByName("CITY"))->SetActualName("");
  EXPECT_EQ(AttributeType("CITY"), "<e name=\"CITY\" rs:number=\"3\"></e>");
}

TEST_F(MemDataSetXmlTest, NamesFromDataAreUtf8AndEscaped) {
  people->GetFieldDesc(people->FieldByName("CITY"))->SetName("\xC3\xEE\xF0\xEE\xE4<1>");  // "Город" in 1251
  EXPECT_NE(AttributeType("CITY").find("name=\"\xD0\x93\xD0\xBE\xD1\x80\xD0\xBE\xD0\xB4&#x3c;1&#x3e;\""),
            std::string::npos);
}

TEST_F(MemDataSetXmlTest, DataTypeAttributes) {
  TFieldDesc desc;
  desc.SetDataType(dtFloat);
  desc.SetSize(8);
  desc.SetLength(7);
  EXPECT_EQ(DataType("AMOUNT", desc), "<e dt:type=\"r4\" dt:maxLength=\"4\" rs:precision=\"7\"></e>");
  desc.SetLength(8);
  EXPECT_EQ(DataType("AMOUNT", desc), "<e dt:type=\"float\" dt:maxLength=\"8\" rs:precision=\"8\"></e>");

  // A required field that may be written cannot be null; a fixed column
  // says so after its type.
  desc.SetDataType(dtString);
  desc.SetLength(20);
  desc.SetFixed(true);
  people->FieldByName("NAME")->SetRequired(true);
  EXPECT_EQ(DataType("NAME", desc),
            "<e dt:type=\"string\" dt:maxLength=\"20\" rs:dbtype=\"str\" rs:fixedlength=\"true\" "
            "rs:maybenull=\"false\"></e>");

  // A memo kept in a blob field is long unless the column is fixed.
  desc.SetDataType(dtMemo);
  desc.SetFixed(false);
  EXPECT_EQ(DataType("NOTE", desc),
            "<e dt:type=\"string\" dt:maxLength=\"2147483647\" rs:dbtype=\"str\" rs:long=\"true\"></e>");
  desc.SetDataType(dtDateTime);
  desc.SetSize(8);
  desc.SetScale(3);
  desc.SetLength(23);
  EXPECT_EQ(DataType("ID", desc),
            "<e dt:type=\"datetime\" rs:dbtype=\"variantdate\" dt:maxLength=\"8\" rs:scale=\"3\" "
            "rs:precision=\"23\"></e>");
  desc.SetDataType(dtVariant);
  desc.SetFixed(true);  // no fixed length for untyped values
  EXPECT_EQ(DataType("ANY", desc), "<e dt:type=\"string\"></e>");
}

TEST_F(MemDataSetXmlTest, ObjectTypesAreRefused) {
  TFieldDesc desc;
  desc.SetName("ADDR");
  for (TDataType type : {dtObject, dtReference, dtArray, dtTable, TDataType{31}}) {
    desc.SetDataType(type);
    try {
      DataType("ID", desc);
      ADD_FAILURE() << "type " << int(type) << " accepted";
    } catch (const classlib::EDatabaseError& e) {
      EXPECT_NE(e.Message().find("Data type is not supported"), std::string::npos);
    }
  }
}

// A store with one column of each kind whose value text has its own form.
std::unique_ptr<TTestMemDataSet> OpenValues(const std::vector<Variant>& row) {
  auto store = std::make_unique<THandStore>(std::vector<TypedField>{
      {{"DT", dtDateTime, 8}},
      {{"D", dtDate, 8}},
      {{"T", dtTime, 8}},
      {{"F", dtFloat, 8, 15}},
      {{"N", dtFmtBcd, sizeof(classlib::TBcd), 10, 2}},
      {{"B", dtBlob, sizeof(void*)}},
      {{"S", dtString, 21, 20}},
      {{"OK", dtBoolean, 2}}});
  store->Open();
  AddRow(*store, row);
  auto data_set = std::make_unique<TTestMemDataSet>(std::move(store));
  data_set->Open();
  return data_set;
}

std::string ValueOf(TTestMemDataSet& ds, const std::string& name) {
  classlib::TField* field = ds.FieldByName(name);
  return ds.WriteFieldXMLValue(field, *ds.GetFieldDesc(field));
}

TEST(MemDataSetXmlValues, TextsByType) {
  using classlib::EncodeDate;
  using classlib::EncodeTime;
  const classlib::TDateTime moment = EncodeDate(2024, 1, 5) + EncodeTime(9, 3, 7, 250);
  auto ds = OpenValues({Variant::FromDate(moment), Variant::FromDate(EncodeDate(2024, 1, 5)),
                        Variant::FromDate(EncodeTime(7, 5, 0, 0)), Variant(2.5), Variant("2.5"), classlib::Null(),
                        Variant("a<b & 'c'"), Variant(true)});
  EXPECT_EQ(ValueOf(*ds, "DT"), "2024-01-05T09:03:07");
  EXPECT_EQ(ValueOf(*ds, "D"), "2024-01-05T00:00:00");
  EXPECT_EQ(ValueOf(*ds, "T"), "07:05:00");
  EXPECT_EQ(ValueOf(*ds, "F"), "2.5");
  EXPECT_EQ(ValueOf(*ds, "S"), "a&#x3c;b &#x26; &#x27;c&#x27;");
  EXPECT_EQ(ValueOf(*ds, "OK"), "True");
  EXPECT_EQ(ValueOf(*ds, "B"), "");  // no pieces

  // The float is written with ".", the decimal in the process's own form.
  classlib::FormatSettings().DecimalSeparator = ',';
  EXPECT_EQ(ValueOf(*ds, "F"), "2.5");
  EXPECT_EQ(ValueOf(*ds, "N"), "2,5");
  classlib::ResetFormatSettings();

  auto early = OpenValues({Variant::FromDate(EncodeDate(33, 2, 3)), classlib::Null(), classlib::Null(),
                           classlib::Null(), classlib::Null(), classlib::Null(), classlib::Null(), Variant(false)});
  EXPECT_EQ(ValueOf(*early, "DT"), "0033-02-03T00:00:00");
  EXPECT_EQ(ValueOf(*early, "OK"), "False");
}

TEST(MemDataSetXmlValues, BlobPiecesInChainOrder) {
  auto ds = OpenValues({classlib::Null(), classlib::Null(), classlib::Null(), classlib::Null(), classlib::Null(),
                        classlib::Null(), classlib::Null(), classlib::Null()});
  TBlob* blob = ds->GetBlob("B");
  ASSERT_NE(blob, nullptr);
  blob->SetPieceSize(3);
  const uint8_t bytes[] = {0x00, 0x1F, 0xA0, 0xFF, 0x7e};
  blob->Write(0, sizeof bytes, bytes);
  ASSERT_EQ(blob->PieceCount(), 2);
  EXPECT_EQ(ValueOf(*ds, "B"), "001FA0FF7E");
}

TEST_F(MemDataSetXmlTest, DocumentHoldsSchemaAndNonNullValuesAndKeepsThePosition) {
  people->Next();  // stand on Bob
  const std::string xml = DataSetToXml(*people);
  EXPECT_EQ(people->FieldByName("NAME")->AsString(), "Bob");
  EXPECT_EQ(xml.rfind("<xml xmlns:s=", 0), 0u);
  EXPECT_NE(xml.find("<s:AttributeType name=\"ID\" rs:number=\"1\""), std::string::npos);
  EXPECT_NE(xml.find("<s:datatype dt:type=\"int\" dt:maxLength=\"4\" rs:precision=\"10\"></s:datatype>"),
            std::string::npos);
  EXPECT_NE(xml.find("<z:row ID=\"1\" NAME=\"Ann\" CITY=\"Oslo\""), std::string::npos);
  // Bob has no note: the row has no NOTE attribute.
  const size_t bob = xml.find("NAME=\"Bob\"");
  ASSERT_NE(bob, std::string::npos);
  const size_t bob_end = xml.find("</z:row>", bob);
  EXPECT_EQ(xml.substr(bob, bob_end - bob).find("NOTE="), std::string::npos);
  EXPECT_NE(xml.find("NOTE=\"third\""), std::string::npos);
  EXPECT_EQ(xml.substr(xml.size() - 16), "</rs:data></xml>");
}

}  // namespace
}  // namespace dacore::testing

namespace dacore::testing {
namespace {

::testing::AssertionResult WellFormed(const std::string& xml) {
  const TXmlDocument document = ReadXml(xml);
  if (document.error.empty()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << document.error;
}

TEST(XmlReader, TellsBrokenDocuments) {
  EXPECT_TRUE(WellFormed("<a x=\"1\"><b></b></a>"));
  EXPECT_FALSE(WellFormed("<a x=\"1\"><b></a></b>"));
  EXPECT_FALSE(WellFormed("<a x=\"a\"b\"></a>"));
  EXPECT_FALSE(WellFormed("<a x=\"a<b\"></a>"));
  EXPECT_FALSE(WellFormed("<a x=\"&\"></a>"));
  EXPECT_FALSE(WellFormed("<a x=\"1\" x=\"2\"></a>"));
  EXPECT_FALSE(WellFormed("<a>"));
  EXPECT_FALSE(WellFormed("<a x=\"\x01\"></a>"));
  EXPECT_FALSE(WellFormed("<a x=\"&#x1;\"></a>"));
  EXPECT_FALSE(WellFormed("<a b c=\"1\"></a>"));
  EXPECT_FALSE(WellFormed("<a p:x=\"1\"></a>"));
}

TEST_F(MemDataSetXmlTest, AnAliasIsConvertedAndEscapedLikeTheName) {
  const std::string text = AttributeType("NAME", "say \"hi\" <\xC4\xE0>");  // "Да" in 1251
  EXPECT_NE(text.find("name=\"say &#x22;hi&#x22; &#x3c;\xD0\x94\xD0\xB0&#x3e;\" rs:name=\"NAME\""), std::string::npos)
      << text;
  EXPECT_TRUE(WellFormed("<r xmlns:rs=\"urn:r\">" + text + "</r>"));
}

// One column of every type the export supports, one row of values.
TEST(MemDataSetXmlDocument, EveryTypeGivesAWellFormedDocument) {
  auto store = std::make_unique<THandStore>(std::vector<TypedField>{
      {{"S", dtString, 11, 10}},         {{"HS", dtHeapString, sizeof(void*), 10}},
      {{"M", dtMemo, sizeof(void*)}},    {{"I8", dtInt8, 1, 3}},
      {{"I16", dtInt16, 2}},             {{"I32", dtInt32, 4}},
      {{"F", dtFloat, 8, 15}},           {{"D", dtDate, 8}},
      {{"T", dtTime, 8}},                {{"DT", dtDateTime, 8}},
      {{"U16", dtUInt16, 2, 5}},         {{"OK", dtBoolean, 2}},
      {{"I64", dtInt64, 8}},             {{"C", dtCurrency, 8, 19}},
      {{"B", dtBlob, sizeof(void*)}},    {{"U32", dtUInt32, 4, 10}},
      {{"N", dtFmtBcd, sizeof(classlib::TBcd), 10, 2}},
      {{"V", dtVariant, sizeof(void*)}}});
  store->Open();
  using classlib::EncodeDate;
  using classlib::EncodeTime;
  AddRow(*store, {Variant("q\"<&'>"), Variant("heap"), Variant("memo <text>"), Variant(-7), Variant(300),
                  Variant(70000), Variant(0.25), Variant::FromDate(EncodeDate(2024, 1, 5)),
                  Variant::FromDate(EncodeTime(7, 5, 0, 0)),
                  Variant::FromDate(EncodeDate(2024, 1, 5) + EncodeTime(9, 3, 7, 250)), Variant(65535), Variant(true),
                  Variant(int64_t{-9000000000}), Variant(12.5), classlib::Null(), Variant(uint32_t{4000000000u}),
                  Variant("12.34"), Variant("any")});
  TTestMemDataSet ds(std::move(store));
  ds.Open();
  const std::string xml = DataSetToXml(ds);
  EXPECT_TRUE(WellFormed(xml)) << xml;
  const std::string row = xml.substr(xml.find("<z:row"));
  EXPECT_EQ(row,
            "<z:row S=\"q&#x22;&#x3c;&#x26;&#x27;&#x3e;\" HS=\"heap\" M=\"memo &#x3c;text&#x3e;\" I8=\"-7\" "
            "I16=\"300\" I32=\"70000\" F=\"0.25\" D=\"2024-01-05T00:00:00\" T=\"07:05:00\" "
            "DT=\"2024-01-05T09:03:07\" U16=\"65535\" OK=\"True\" I64=\"-9000000000\" C=\"12.5\" "
            "U32=\"4000000000\" N=\"12.34\" V=\"any\"></z:row></rs:data></xml>");
  EXPECT_NE(xml.find("<s:AttributeType name=\"M\" rs:number=\"3\" rs:nullable=\"true\" rs:writeunknown=\"true\" "
                     "rs:basecolumn=\"M\"><s:datatype dt:type=\"string\" dt:maxLength=\"2147483647\" "
                     "rs:dbtype=\"str\" rs:long=\"true\"></s:datatype></s:AttributeType>"),
            std::string::npos);
  EXPECT_NE(xml.find("<s:datatype dt:type=\"number\" rs:dbtype=\"currency\" dt:maxLength=\"8\" "
                     "rs:precision=\"19\"></s:datatype>"),
            std::string::npos);
  EXPECT_NE(xml.find("<s:datatype dt:type=\"number\" rs:dbtype=\"numeric\" dt:maxLength=\"34\" rs:scale=\"2\" "
                     "rs:precision=\"10\"></s:datatype>"),
            std::string::npos)
      << xml;
}

// Names a quoted identifier may hold and values with control characters:
// the document stays readable, rows use aliases that the schema maps back to
// the fields' own names, and values come back as written (U+FFFD for what
// XML cannot carry).
TEST(MemDataSetXmlDocument, ForeignNamesAndControlCharactersStayReadable) {
  auto store = std::make_unique<THandStore>(std::vector<TypedField>{
      {{"a b", dtString, 21, 20}}, {{"xmlns", dtString, 21, 20}}, {{"p:q", dtMemo, sizeof(void*)}},
      {{"\xC8\xCC\xDF", dtString, 21, 20}}});
  store->Open();
  AddRow(*store, {Variant(std::string("x\x01y", 3)), Variant("http://x"), Variant("line\r\nnext\tend"),
                  Variant("\xC4\xE0")});
  TTestMemDataSet ds(std::move(store));
  ds.Open();
  const std::string xml = DataSetToXml(ds);
  const TXmlDocument document = ReadXml(xml);
  ASSERT_EQ(document.error, "") << xml;
  std::vector<std::pair<std::string, std::string>> schema;  // attribute name, own name
  const TXmlElement* row = nullptr;
  for (const TXmlElement& element : document.elements) {
    if (element.name == "s:AttributeType") {
      const std::string* own = element.Attribute("rs:name");
      schema.emplace_back(*element.Attribute("name"), own ? *own : *element.Attribute("name"));
    }
    if (element.name == "z:row") row = &element;
  }
  EXPECT_EQ(schema, (std::vector<std::pair<std::string, std::string>>{
                        {"a_x0020_b", "a b"}, {"_x0078_mlns", "xmlns"}, {"p_x003A_q", "p:q"},
                        {"\xD0\x98\xD0\x9C\xD0\xAF", "\xD0\x98\xD0\x9C\xD0\xAF"}}));
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->attributes, (std::vector<std::pair<std::string, std::string>>{
                                 {"a_x0020_b", "x\xEF\xBF\xBDy"}, {"_x0078_mlns", "http://x"},
                                 {"p_x003A_q", "line\r\nnext\tend"}, {"\xD0\x98\xD0\x9C\xD0\xAF", "\xD0\x94\xD0\xB0"}}));
  ds.Close();
}

}  // namespace
}  // namespace dacore::testing
