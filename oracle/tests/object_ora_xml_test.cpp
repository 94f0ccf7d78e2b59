#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "oracle/tests/object_value_fixture.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using classlib::testing::MessageOf;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class OraXmlTest : public ObjectValueTest {
 protected:
  TOraXML* NewXml() {
    auto* xml = new TOraXML();
    xml->SetOCISvcCtx(svc_ctx_);
    return xml;
  }
  // The text a second value over the same server instance streams back.
  std::string ReadBack(TOraXML& xml) {
    XmlRef reader(NewXml());
    reader->ReplaceInstance(xml.GetInstance(), xml.GetIndicator());
    std::string text = reader->AsString();
    reader->ReplaceInstance(nullptr, nullptr);  // the instance stays xml's
    return text;
  }
};

// Up to 4000 characters the text goes to the server as a string object;
// one more and it goes through a temporary CLOB.
TEST_F(OraXmlTest, LongTextsGoThroughATemporaryClob) {
  const std::string text4000 = "<a>" + std::string(3993, 'x') + "</a>";
  const std::string text4001 = "<a>" + std::string(3994, 'y') + "</a>";
  ASSERT_EQ(text4000.size(), 4000u);

  XmlRef direct(NewXml());
  direct->SetAsString(text4000);
  direct->AllocObject();
  EXPECT_THAT(ArgumentsOf("OCIObjectNew"), ElementsAre("typecode=1 type= duration=10 value=1"));
  EXPECT_THAT(ArgumentsOf("OCIStringAssignText"), ElementsAre("length=4000"));
  EXPECT_THAT(ArgumentsOf("OCIXMLTypeCreateFromSrc"), ElementsAre("duration=10 source=1 length=4000"));
  EXPECT_THAT(ArgumentsOf("OCILobCreateTemporary"), IsEmpty());
  EXPECT_EQ(ReadBack(*direct), text4000);

  standin_->ClearLog();
  XmlRef by_clob(NewXml());
  by_clob->SetAsString(text4001);
  by_clob->AllocObject();
  EXPECT_EQ(standin_->LogOf("OCILobCreateTemporary").size(), 1u);
  EXPECT_THAT(ArgumentsOf("OCIXMLTypeCreateFromSrc"), ElementsAre("duration=10 source=2 length=4001"));
  EXPECT_EQ(standin_->LogOf("OCILobFreeTemporary").size(), 1u) << "the CLOB goes once the value is made";
  EXPECT_THAT(ArgumentsOf("OCIObjectNew"), IsEmpty());
  EXPECT_EQ(ReadBack(*by_clob), text4001);
  EXPECT_EQ(by_clob->AsString(), text4001) << "the value keeps its own text";
}

// The stream is read in chunks of one byte less than the buffer until it
// hands over nothing, then closed and its descriptor freed.
TEST_F(OraXmlTest, ServerTextIsStreamedInChunks) {
  const std::string text = "<big>" + std::string(70000, 'z') + "</big>";
  XmlRef xml(NewXml());
  xml->SetAsString(text);
  xml->AllocObject();
  standin_->ClearLog();
  EXPECT_EQ(ReadBack(*xml), text);
  EXPECT_THAT(ArgumentsOf("OCIPStreamRead"),
              ElementsAre("asked=65513 given=65513", "asked=65513 given=4498", "asked=65513 given=0"));
  EXPECT_EQ(standin_->LogOf("OCIPStreamClose").size(), 1u);
  EXPECT_THAT(ArgumentsOf("OCIDescriptorFree"), ElementsAre("type=74"));
}

TEST_F(OraXmlTest, NullAndEmptyValues) {
  XmlRef xml(NewXml());
  xml->AllocObject();  // no text: an empty server value
  EXPECT_THAT(ArgumentsOf("OCIXMLTypeNew"), ElementsAre("duration=10 element=0 schema=0"));
  EXPECT_EQ(xml->GetOraType()->Name(), "\"SYS\".\"XMLTYPE\"");
  EXPECT_FALSE(xml->GetIsNull());
  xml->SetIsNull(true);
  EXPECT_TRUE(xml->GetIsNull());
  standin_->ClearLog();
  EXPECT_EQ(xml->AsString(), "");
  EXPECT_THAT(ArgumentsOf("OCIPStreamRead"), IsEmpty()) << "a null value is not read";

  XmlRef text(NewXml());
  text->SetAsString("<a/>");
  EXPECT_FALSE(text->GetIsNull()) << "local text is a value before the server has it";
  xml->Assign(*text);
  EXPECT_EQ(xml->AsString(), "<a/>");
  EXPECT_FALSE(xml->GetIsNull());
}

TEST_F(OraXmlTest, OnlyXmlTypesAreTaken) {
  TypeRef person(Describe("SCOTT.PERSON_T"));
  EXPECT_EQ(MessageOf([&] { XmlRef(new TOraXML(person.get())); }), "Type of object must be XML");
  XmlRef xml(NewXml());
  EXPECT_EQ(MessageOf([&] { xml->AllocObject(svc_ctx_, "scott.person_t"); }), "Type of object must be XML");
  xml->AllocObject(svc_ctx_, "sys.xmltype");
  EXPECT_NE(xml->GetInstance(), nullptr);
  ObjectRef other(new TOraObject(person.get()));
  EXPECT_EQ(MessageOf([&] { xml->Assign(*other); }), "Type of object must be XML");
}

}  // namespace
}  // namespace oracle::testing
