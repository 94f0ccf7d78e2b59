// The stand-in's object cache: declared types with the layouts of their C
// structures, instances and their indicator structures, collections,
// strings and references. Instances hold what a C program's structures
// would: strings, collections, locators and non-final objects by pointer,
// NUMBERs and DATEs inline, final objects embedded.
#pragma once

#include <cstddef>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "oracle/oci_defs.h"

namespace standin {

using namespace oracle;

struct ObjectTypeDef;

struct ObjectAttributeDef {
  std::string name;
  ub2 typecode = 0;
  int length = 0, precision = 0, scale = 0;
  ObjectTypeDef* nested = nullptr;
  std::size_t offset = 0, indicator_offset = 0;
};

struct ObjectTypeDef {
  std::string schema, name;
  ub2 typecode = OCI_TYPECODE_OBJECT;
  bool final_type = true;
  ub2 collection_typecode = 0;
  ub4 max_elements = 0;
  std::size_t instance_size = 0, indicator_size = 0;
  std::vector<ObjectAttributeDef> attributes;
  std::string FullName() const { return schema + "." + name; }
};

// SYS.XMLTYPE: its instances hold a document, not attributes.
inline bool IsXmlType(const ObjectTypeDef& type) { return type.FullName() == "SYS.XMLTYPE"; }

// Bytes with the alignment of any C structure.
struct Block {
  // Zeroed by hand: value-initialising max_align_t leaves its padding bytes
  // (8 of every 32) as they were, and C structures keep pointers there.
  explicit Block(std::size_t size) : bytes(new std::max_align_t[size / sizeof(std::max_align_t) + 1]) {
    std::memset(bytes.get(), 0, (size / sizeof(std::max_align_t) + 1) * sizeof(std::max_align_t));
  }
  char* data() { return reinterpret_cast<char*>(bytes.get()); }
  std::unique_ptr<std::max_align_t[]> bytes;
};

struct ObjectInstance {
  ObjectTypeDef* type = nullptr;
  std::unique_ptr<Block> data, indicators;
  int pins = 0;
  bool flushed = false, deleted = false, updated = false;
  std::string xml;  // the text of an XML value
};

struct ObjectCollection {
  ObjectTypeDef* type = nullptr;  // the collection type; its attribute 0 is the element
  std::vector<std::unique_ptr<Block>> elements, indicators;
  OCIInd own_indicator = OCI_IND_NOTNULL;
  std::set<std::size_t> deleted;  // nested-table elements deleted (0-based)
};

struct ObjectString {
  std::string text;
};

struct ObjectRef {
  void* target = nullptr;
};

struct ObjectWorld {
  std::map<std::string, std::unique_ptr<ObjectTypeDef>> types;  // by upper-cased SCHEMA.NAME
  std::map<void*, std::unique_ptr<ObjectInstance>> instances;     // by instance address
  std::map<void*, std::unique_ptr<ObjectCollection>> collections;
  std::set<ObjectString*> strings;
  std::set<ObjectRef*> refs;
};

// Frees everything the cache holds.
void ResetObjects(ObjectWorld& world);

}  // namespace standin

namespace standin {

struct State;
struct Handle;

// The collection behind a pointer when the cache holds it; nil otherwise.
ObjectCollection* FindCollection(State& state, const void* pointer);
// Replaces a collection's elements by copies of another's.
void AssignCollection(ObjectWorld& world, ObjectCollection& target, const ObjectCollection& source);
// Removes `count` elements from the end, freeing what they hold.
void TrimCollection(ObjectWorld& world, ObjectCollection& collection, std::size_t count);
// Appends an element of a collection of final objects, laid out as the cache
// lays out an appended one: its structure fresh (attributes null), itself
// not null. Answers the element's data and indicator structure.
std::pair<char*, char*> AppendObjectElement(ObjectWorld& world, ObjectCollection& collection);

// Fills the instance a fetched object column's define holds from the row's
// value (oci_standin_object_rows.cpp); false for an instance the cache does
// not hold or a text it cannot place.
bool FillObjectRow(State& state, void* instance, const std::optional<std::string>& value);

// Fills the cell of a fetched REF column (an OCIRef*) from the row's value,
// the hexadecimal text OCIRefToHex gives for the REF to that object: the
// cell's REF, or one made for it when it holds none, leads there. A null
// value leaves no REF behind in a cell that had none.
void FillRefRow(State& state, void* cell, const std::optional<std::string>& value, ub4 row);

// OCIParamGet on a described type's list of attributes.
sword ObjectListParamGet(State& state, Handle* list, OCIError* error, void** param, ub4 position);

}  // namespace standin
