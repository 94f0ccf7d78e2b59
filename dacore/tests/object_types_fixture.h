// A small family of object types for the tests of attribute paths and
// field expansion:
//   PERSON (object): NAME string, ADDR ADDRESS, ITEMS ITEM_LIST, NEXT REF PERSON
//   ADDRESS (object): STREET string(40), CITY string
//   ITEM_LIST (array of 5): ELEMENT ITEM
//   ITEM (object): NAME string, QTY int32
#pragma once

#include "dacore/object_type.h"

namespace dacore::testing {

// Counts destructions of the types it makes.
class CountedType : public TObjectType {
 public:
  explicit CountedType(int* destroyed) : destroyed_(destroyed) {}

 protected:
  ~CountedType() override { ++*destroyed_; }

 private:
  int* destroyed_;
};

inline TAttribute* AddAttribute(TObjectType* type, const char* name, TDataType data_type,
                                TObjectType* object_type = nullptr, uint16_t length = 0) {
  TAttribute* attribute = type->AddAttribute();
  attribute->SetName(name);
  attribute->SetDataType(data_type);
  attribute->SetLength(length);
  attribute->SetObjectType(object_type);
  return attribute;
}

// The four types; the fixture holds one reference to each.
struct PersonTypes {
  int destroyed = 0;
  TObjectType* address = new CountedType(&destroyed);
  TObjectType* item = new CountedType(&destroyed);
  TObjectType* item_list = new CountedType(&destroyed);
  TObjectType* person = new CountedType(&destroyed);

  PersonTypes() {
    address->SetName("ADDRESS");
    address->SetDataType(dtObject);
    AddAttribute(address, "STREET", dtString, nullptr, 40)->SetFixed(true);
    AddAttribute(address, "CITY", dtString);
    item->SetName("ITEM");
    item->SetDataType(dtObject);
    AddAttribute(item, "Name", dtString);
    AddAttribute(item, "QTY", dtInt32);
    item_list->SetName("ITEM_LIST");
    item_list->SetDataType(dtArray);
    item_list->SetSize(5);
    AddAttribute(item_list, "ELEMENT", dtObject, item);
    person->SetName("PERSON");
    person->SetDataType(dtObject);
    AddAttribute(person, "NAME", dtString);
    AddAttribute(person, "ADDR", dtObject, address);
    AddAttribute(person, "ITEMS", dtArray, item_list);
    AddAttribute(person, "NEXT", dtReference, person);
  }
  ~PersonTypes() {
    person->Release();
    item_list->Release();
    item->Release();
    address->Release();
  }
};

}  // namespace dacore::testing
