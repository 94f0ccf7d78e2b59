#include "oracle/tests/object_fixture.h"

#include <dlfcn.h>

#include <stdexcept>

#include "oracle/call_binding.h"

namespace oracle::testing {

ObjectControl::ObjectControl() : library_(dlopen(ORACLE_STANDIN_PATH, RTLD_NOW | RTLD_LOCAL)) {
  if (!library_) throw std::runtime_error("cannot load the stand-in");
}

ObjectControl::~ObjectControl() { dlclose(library_); }

void ObjectControl::Switch(const std::string& path) {
  void* other = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!other) throw std::runtime_error("cannot load the stand-in " + path);
  dlclose(library_);
  library_ = other;
}

void* ObjectControl::Symbol(const char* name) {
  void* symbol = dlsym(library_, name);
  if (!symbol) throw std::runtime_error(std::string("the stand-in lacks ") + name);
  return symbol;
}

void ObjectControl::DeclareType(const char* schema, const char* name, int typecode, bool final_type,
                             int collection_code, int max_elements, std::size_t instance_size,
                             std::size_t indicator_size) {
  auto declare = reinterpret_cast<int (*)(const char*, const char*, int, int, int, int, int, int)>(
      Symbol("standin_object_type"));
  ASSERT_EQ(declare(schema, name, typecode, final_type ? 1 : 0, collection_code, max_elements,
                    static_cast<int>(instance_size), static_cast<int>(indicator_size)),
            0);
}

void ObjectControl::DeclareAttribute(const char* owner, const char* name, int typecode, int length, int precision,
                                  int scale, const char* nested, std::size_t offset, std::size_t indicator_offset) {
  auto declare = reinterpret_cast<int (*)(const char*, const char*, int, int, int, int, const char*, int, int)>(
      Symbol("standin_object_attribute"));
  ASSERT_EQ(declare(owner, name, typecode, length, precision, scale, nested, static_cast<int>(offset),
                    static_cast<int>(indicator_offset)),
            0);
}

int ObjectControl::LiveObjects() { return reinterpret_cast<int (*)()>(Symbol("standin_object_live_count"))(); }

int ObjectControl::Pins() { return reinterpret_cast<int (*)()>(Symbol("standin_object_pin_count"))(); }

void ObjectTest::DeclareTypes(int major, int minor) {
  Start(major, minor);
  objects_.DeclareSampleTypes();
  standin_->ClearLog();
}

void ObjectControl::DeclareSampleTypes() {
  DeclareType("SCOTT", "ADDRESS_T", OCI_TYPECODE_OBJECT, true, 0, 0, sizeof(AddressT), sizeof(AddressInd));
  DeclareAttribute("SCOTT.ADDRESS_T", "STREET", SQLT_CHR, 30, 0, 0, "", offsetof(AddressT, street),
                   offsetof(AddressInd, street));
  DeclareAttribute("SCOTT.ADDRESS_T", "CITY", SQLT_CHR, 20, 0, 0, "", offsetof(AddressT, city),
                   offsetof(AddressInd, city));
  DeclareAttribute("SCOTT.ADDRESS_T", "ZIP", SQLT_NUM, 22, 5, 0, "", offsetof(AddressT, zip),
                   offsetof(AddressInd, zip));

  DeclareType("SCOTT", "LINE_T", OCI_TYPECODE_OBJECT, true, 0, 0, sizeof(LineT), sizeof(LineInd));
  DeclareAttribute("SCOTT.LINE_T", "TEXT", SQLT_CHR, 40, 0, 0, "", offsetof(LineT, text), offsetof(LineInd, text));
  DeclareAttribute("SCOTT.LINE_T", "NO", SQLT_NUM, 22, 3, 0, "", offsetof(LineT, no), offsetof(LineInd, no));

  DeclareType("SCOTT", "SHAPE_T", OCI_TYPECODE_OBJECT, false, 0, 0, sizeof(ShapeT), sizeof(ShapeInd));
  DeclareAttribute("SCOTT.SHAPE_T", "AREA", SQLT_NUM, 22, 0, 0, "", offsetof(ShapeT, area),
                   offsetof(ShapeInd, area));

  DeclareType("SCOTT", "PHONES_T", OCI_TYPECODE_NAMEDCOLLECTION, true, OCI_TYPECODE_VARRAY, 3, sizeof(OCIString*),
              sizeof(OCIInd));
  DeclareAttribute("SCOTT.PHONES_T", "", SQLT_CHR, 15, 0, 0, "", 0, 0);
  DeclareType("SCOTT", "LINES_T", OCI_TYPECODE_NAMEDCOLLECTION, true, OCI_TYPECODE_TABLE, 0, sizeof(LineT),
              sizeof(LineInd));
  DeclareAttribute("SCOTT.LINES_T", "", SQLT_NTY, 0, 0, 0, "SCOTT.LINE_T", 0, 0);

  DeclareType("SCOTT", "PERSON_T", OCI_TYPECODE_OBJECT, true, 0, 0, sizeof(PersonT), sizeof(PersonInd));
  const char* person = "SCOTT.PERSON_T";
  DeclareAttribute(person, "NAME", SQLT_CHR, 10, 0, 0, "", offsetof(PersonT, name), offsetof(PersonInd, name));
  DeclareAttribute(person, "AGE", SQLT_NUM, 22, 5, 0, "", offsetof(PersonT, age), offsetof(PersonInd, age));
  DeclareAttribute(person, "BORN", SQLT_DAT, 7, 0, 0, "", offsetof(PersonT, born), offsetof(PersonInd, born));
  DeclareAttribute(person, "ADDRESS", SQLT_NTY, 0, 0, 0, "SCOTT.ADDRESS_T", offsetof(PersonT, address),
                   offsetof(PersonInd, address));
  DeclareAttribute(person, "PHONES", OCI_TYPECODE_NAMEDCOLLECTION, 0, 0, 0, "SCOTT.PHONES_T",
                   offsetof(PersonT, phones), offsetof(PersonInd, phones));
  DeclareAttribute(person, "LINES", OCI_TYPECODE_NAMEDCOLLECTION, 0, 0, 0, "SCOTT.LINES_T",
                   offsetof(PersonT, lines), offsetof(PersonInd, lines));
  DeclareAttribute(person, "SHAPE", SQLT_NTY, 0, 0, 0, "SCOTT.SHAPE_T", offsetof(PersonT, shape),
                   offsetof(PersonInd, shape));
  DeclareAttribute(person, "BIG", SQLT_NUM, 22, 10, 0, "", offsetof(PersonT, big), offsetof(PersonInd, big));
  DeclareAttribute(person, "CODE", SQLT_BIN, 4, 0, 0, "", offsetof(PersonT, code), offsetof(PersonInd, code));
}

void ObjectControl::DeclareDocumentTypes() {
  DeclareType("SCOTT", "NOTE_T", OCI_TYPECODE_OBJECT, true, 0, 0, sizeof(NoteT), sizeof(NoteInd));
  DeclareAttribute("SCOTT.NOTE_T", "TEXT", SQLT_CLOB, 0, 0, 0, "", offsetof(NoteT, text), offsetof(NoteInd, text));
  DeclareType("SCOTT", "DOC_T", OCI_TYPECODE_OBJECT, true, 0, 0, sizeof(DocT), sizeof(DocInd));
  DeclareAttribute("SCOTT.DOC_T", "TITLE", SQLT_CHR, 20, 0, 0, "", offsetof(DocT, title), offsetof(DocInd, title));
  DeclareAttribute("SCOTT.DOC_T", "BODY", SQLT_CLOB, 0, 0, 0, "", offsetof(DocT, body), offsetof(DocInd, body));
  DeclareAttribute("SCOTT.DOC_T", "DATA", SQLT_BLOB, 0, 0, 0, "", offsetof(DocT, data), offsetof(DocInd, data));
  DeclareAttribute("SCOTT.DOC_T", "NOTE", SQLT_NTY, 0, 0, 0, "SCOTT.NOTE_T", offsetof(DocT, note),
                   offsetof(DocInd, note));
  DeclareType("SCOTT", "DOCS_T", OCI_TYPECODE_NAMEDCOLLECTION, true, OCI_TYPECODE_TABLE, 0, sizeof(DocT),
              sizeof(DocInd));
  DeclareAttribute("SCOTT.DOCS_T", "", SQLT_NTY, 0, 0, 0, "SCOTT.DOC_T", 0, 0);
  DeclareType("SCOTT", "DOCV_T", OCI_TYPECODE_NAMEDCOLLECTION, true, OCI_TYPECODE_VARRAY, 3, sizeof(DocT),
              sizeof(DocInd));
  DeclareAttribute("SCOTT.DOCV_T", "", SQLT_NTY, 0, 0, 0, "SCOTT.DOC_T", 0, 0);
}

TOraType* ObjectTest::Describe(const std::string& name) { return new TOraType(svc_ctx_, name); }

TOraObject* ObjectTest::NewPerson() {
  TOraType* type = Describe("scott.person_t");
  auto* object = new TOraObject(type);
  type->Release();
  object->AllocObject();
  return object;
}

AddressAndRef NewAddressWithRef(OCISvcCtx* svc_ctx, const std::string& city) {
  TOraType* type = new TOraType(svc_ctx, "scott.address_t");
  AddressAndRef made{ObjectRef(new TOraObject(type)), RefHolder(new TOraRef(type))};
  type->Release();
  made.object->AllocObject();
  made.object->SetAttrAsString("CITY", city);
  made.ref->SetOCISvcCtx(svc_ctx);
  made.ref->SetOCIRef(made.object->GetObjectRef());
  return made;
}

}  // namespace oracle::testing
