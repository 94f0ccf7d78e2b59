// Tests of collection, reference and XML values: the sample types of
// object_fixture.h and a few more declared from the C structures below.
#pragma once

#include "oracle/object_ora_array.h"
#include "oracle/object_ora_ref.h"
#include "oracle/object_ora_xml.h"
#include "oracle/tests/object_fixture.h"

namespace oracle::testing {

// SCOTT.EMP_T (final): NAME VARCHAR2(10), BOSS REF PERSON_T.
struct EmpT {
  OCIString* name;
  OCIRef* boss;
};
struct EmpInd {
  OCIInd self, name, boss;
};

using ArrayRef = std::unique_ptr<TOraArray, ReleaseShared>;
using TableRef = std::unique_ptr<TOraNestTable, ReleaseShared>;
using OraRefRef = std::unique_ptr<TOraRef, ReleaseShared>;
using XmlRef = std::unique_ptr<TOraXML, ReleaseShared>;

class ObjectValueTest : public ObjectTest {
 protected:
  // SCOTT.NUMS_T VARRAY(10) OF NUMBER(9), SCOTT.DATES_T VARRAY(4) OF DATE,
  // SCOTT.WORDS_T TABLE OF VARCHAR2(20), SCOTT.EMP_T, SYS.XMLTYPE; the
  // sample types besides.
  void SetUp() override;
  void TearDown() override;
  // A collection value of a declared type, its instance allocated.
  template <class T>
  T* NewValue(const char* type_name) {
    TOraType* type = Describe(type_name);
    T* value = new T(type);
    type->Release();
    value->AllocObject();
    return value;
  }
};

}  // namespace oracle::testing
