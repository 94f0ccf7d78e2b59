// Attribute paths and field names as drivers and users write them: the
// path walker and the field lookup must answer for any text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "dacore/field_expand.h"
#include "dacore/tests/object_types_fixture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static dacore::testing::PersonTypes types;
  static dacore::TFieldDescs fields;
  if (fields.Count() == 0) {
    dacore::TFieldDesc* root = fields.Add(std::make_unique<dacore::TFieldDesc>());
    root->SetName("PERSON");
    root->SetActualName("PERSON");
    root->SetDataType(dacore::dtObject);
    dacore::InitObjectFields(fields, types.person, root);
  }
  const std::string text(reinterpret_cast<const char*>(data), size);
  types.person->FindAttribute(text);
  types.item_list->FindAttribute(text);
  if (const dacore::TFieldDesc* field = fields.FindField(text))
    types.person->FindAttribute(dacore::AttributePath(*field));
  return 0;
}
