// Tests of object types and values: the stand-in's object cache with types
// declared from the C structures below, whose layouts (sizeof, offsetof)
// are what the client library's cache would use on this platform.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "oracle/object_ora_object.h"
#include "oracle/object_ora_ref.h"
#include "oracle/object_ora_type.h"
#include "oracle/tests/standin_fixture_values.h"

namespace oracle::testing {

// SCOTT.ADDRESS_T (final): STREET VARCHAR2(30), CITY VARCHAR2(20), ZIP NUMBER(5).
struct AddressT {
  OCIString* street;
  OCIString* city;
  OCINumber zip;
};
struct AddressInd {
  OCIInd self, street, city, zip;
};

// SCOTT.LINE_T (final): TEXT VARCHAR2(40), NO NUMBER(3).
struct LineT {
  OCIString* text;
  OCINumber no;
};
struct LineInd {
  OCIInd self, text, no;
};

// SCOTT.SHAPE_T (not final): AREA NUMBER.
struct ShapeT {
  OCINumber area;
};
struct ShapeInd {
  OCIInd self, area;
};

// SCOTT.PHONES_T: VARRAY(3) OF VARCHAR2(15); SCOTT.LINES_T: TABLE OF LINE_T.
// SCOTT.PERSON_T (final): NAME VARCHAR2(10), AGE NUMBER(5), BORN DATE,
// ADDRESS ADDRESS_T, PHONES PHONES_T, LINES LINES_T, SHAPE SHAPE_T,
// BIG NUMBER(10), CODE RAW(4).
struct PersonT {
  OCIString* name;
  OCINumber age;
  OCIDate born;
  AddressT address;
  OCIColl* phones;
  OCIColl* lines;
  ShapeT* shape;
  OCINumber big;
  OCIString* code;
};
struct PersonInd {
  OCIInd self, name, age, born;
  AddressInd address;
  OCIInd phones, lines, shape, big, code;
};

// SCOTT.NOTE_T (final): TEXT CLOB. SCOTT.DOC_T (final): TITLE VARCHAR2(20),
// BODY CLOB, DATA BLOB, NOTE NOTE_T.
struct NoteT {
  OCILobLocator* text;
};
struct NoteInd {
  OCIInd self, text;
};
struct DocT {
  OCIString* title;
  OCILobLocator* body;
  OCILobLocator* data;
  NoteT note;
};
struct DocInd {
  OCIInd self, title, body, data;
  NoteInd note;
};

// Holds a shared object (a type or a value) and releases it.
struct ReleaseShared {
  void operator()(dacore::TSharedObject* object) const { dacore::ReleaseShared(object); }
};
using TypeRef = std::unique_ptr<TOraType, ReleaseShared>;
using ObjectRef = std::unique_ptr<TOraObject, ReleaseShared>;

using RefHolder = std::unique_ptr<TOraRef, ReleaseShared>;

// A new SCOTT.ADDRESS_T in the object cache with its CITY set, and a REF on
// the service context that leads to it (the sample types declared).
struct AddressAndRef {
  ObjectRef object;
  RefHolder ref;
};
AddressAndRef NewAddressWithRef(OCISvcCtx* svc_ctx, const std::string& city);

// The stand-in's object controls (oci_standin_objects_control.h).
class ObjectControl {
 public:
  ObjectControl();
  ~ObjectControl();
  ObjectControl(const ObjectControl&) = delete;
  ObjectControl& operator=(const ObjectControl&) = delete;

  // A declared type, then its attributes in order (name, typecode, length,
  // precision, scale, nested type, offset, indicator offset).
  void DeclareType(const char* schema, const char* name, int typecode, bool final_type, int collection_code,
                   int max_elements, std::size_t instance_size, std::size_t indicator_size);
  void DeclareAttribute(const char* owner, const char* name, int typecode, int length, int precision, int scale,
                        const char* nested, std::size_t offset, std::size_t indicator_offset);
  // The types of the structures above.
  void DeclareSampleTypes();
  // SCOTT.NOTE_T and SCOTT.DOC_T: objects with LOB attributes; SCOTT.DOCS_T
  // (TABLE OF DOC_T) and SCOTT.DOCV_T (VARRAY(3) OF DOC_T): collections of them.
  void DeclareDocumentTypes();
  int LiveObjects();
  int Pins();
  // Controls that build of the stand-in from now on.
  void Switch(const std::string& path);

 private:
  void* Symbol(const char* name);
  void* library_;
};

class ObjectTest : public ValueTest {
 protected:
  // Starts a client and declares the sample types in the stand-in.
  void DeclareTypes(int major = 10, int minor = 2);
  void ControlsSwitched(const std::string& path) override {
    ValueTest::ControlsSwitched(path);
    objects_.Switch(path);
  }
  void DeclareType(const char* schema, const char* name, int typecode, bool final_type, int collection_code,
                   int max_elements, std::size_t instance_size, std::size_t indicator_size) {
    objects_.DeclareType(schema, name, typecode, final_type, collection_code, max_elements, instance_size,
                         indicator_size);
  }
  void DeclareAttribute(const char* owner, const char* name, int typecode, int length, int precision, int scale,
                        const char* nested, std::size_t offset, std::size_t indicator_offset) {
    objects_.DeclareAttribute(owner, name, typecode, length, precision, scale, nested, offset, indicator_offset);
  }
  int LiveObjects() { return objects_.LiveObjects(); }
  int Pins() { return objects_.Pins(); }
  // A described type, released by the test.
  TOraType* Describe(const std::string& name);
  // A value of PERSON_T with its instance allocated.
  TOraObject* NewPerson();
  PersonT* Person(TOraObject* object) { return static_cast<PersonT*>(object->GetInstance()); }
  PersonInd* PersonIndicators(TOraObject* object) { return static_cast<PersonInd*>(object->GetIndicator()); }

  ObjectControl objects_;
};

}  // namespace oracle::testing
