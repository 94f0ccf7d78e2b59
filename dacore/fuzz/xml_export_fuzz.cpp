// The XML export of data from outside: field names and values taken from the
// input (cut at zero bytes: three names, a string, a heap string and a memo,
// the memo keeping any further zero bytes). Every document must be read by
// an XML reader, its schema must map each row attribute back to the field's
// own name, and each value must come back as the field holds it, with
// U+FFFD for what XML cannot carry.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>
#include <memory>
#include <string>

#include "classlib/codepage.h"
#include "classlib/field.h"
#include "classlib/fields.h"
#include "dacore/memds_xml.h"
#include "dacore/tests/memds_fixture.h"
#include "dacore/tests/xml_reader.h"
#include "testing/fuzz_input.h"

namespace {

using dacore::testing::TXmlDocument;
using dacore::testing::TXmlElement;

// What a reader must give back for a text the field holds.
std::string Expected(const std::string& ansi) {
  std::string out;
  for (char c : classlib::Cp1251ToUtf8(ansi)) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 && c != '\t' && c != '\n' && c != '\r') out += "\xEF\xBF\xBD";
    else out += c;
  }
  return out;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

void ExportAndReadBack(const std::vector<std::string>& parts) {
  using dacore::testing::TypedField;
  auto store = std::make_unique<dacore::testing::THandStore>(std::vector<TypedField>{
      {{parts[0], dacore::dtString, 41, 40}},
      {{parts[1], dacore::dtHeapString, sizeof(void*), 40}},
      {{parts[2], dacore::dtMemo, sizeof(void*)}}});
  store->Open();
  dacore::testing::AddRow(*store, {classlib::Variant(parts[3]), classlib::Variant(parts[4]), classlib::Variant(parts[5])});
  dacore::testing::TTestMemDataSet ds(std::move(store));
  ds.Open();
  const std::string xml = dacore::DataSetToXml(ds);
  const TXmlDocument document = dacore::testing::ReadXml(xml);
  Check(document.error.empty());
  // The schema lists the fields in their order: the i-th entry names the
  // i-th field's row attribute, and its own name (two names may read alike
  // once characters XML cannot carry are replaced, so the order decides).
  std::vector<std::pair<std::string, std::string>> schema;  // row attribute, own name
  const TXmlElement* row = nullptr;
  for (const TXmlElement& element : document.elements) {
    if (element.name == "s:AttributeType") {
      const std::string* name = element.Attribute("name");
      const std::string* own = element.Attribute("rs:name");
      Check(name != nullptr);
      schema.emplace_back(*name, own ? *own : *name);
    }
    if (element.name == "z:row") row = &element;
  }
  Check(row != nullptr && schema.size() == static_cast<size_t>(ds.Fields().Count()));
  size_t next = 0;  // row attributes follow the field order, null fields left out
  for (size_t i = 0; i < schema.size(); ++i) {
    classlib::TField* field = ds.Fields()[static_cast<int>(i)];
    Check(schema[i].second == Expected(ds.GetFieldDesc(field)->Name()));
    for (size_t j = 0; j < i; ++j) Check(schema[j].first != schema[i].first);
    if (field->IsNull()) continue;
    Check(next < row->attributes.size() && row->attributes[next].first == schema[i].first &&
          row->attributes[next].second == Expected(field->AsString()));
    ++next;
  }
  Check(next == row->attributes.size());
  ds.Close();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::vector<std::string> parts = testing_fuzz::PartsOf(testing_fuzz::TextOf(data, size), 6);
  // Names the class library refuses (a repeated one) end in its exception.
  testing_fuzz::AcceptRaisedErrors([&] { ExportAndReadBack(parts); });
  return 0;
}
