#include "oracle/tests/object_value_fixture.h"

namespace oracle::testing {

void ObjectValueTest::SetUp() {
  ObjectTest::SetUp();
  DeclareTypes();
  DeclareType("SCOTT", "NUMS_T", OCI_TYPECODE_NAMEDCOLLECTION, true, OCI_TYPECODE_VARRAY, 10, sizeof(OCINumber),
              sizeof(OCIInd));
  DeclareAttribute("SCOTT.NUMS_T", "", SQLT_NUM, 22, 9, 0, "", 0, 0);
  DeclareType("SCOTT", "DATES_T", OCI_TYPECODE_NAMEDCOLLECTION, true, OCI_TYPECODE_VARRAY, 4, sizeof(OCIDate),
              sizeof(OCIInd));
  DeclareAttribute("SCOTT.DATES_T", "", SQLT_DAT, 7, 0, 0, "", 0, 0);
  DeclareType("SCOTT", "WORDS_T", OCI_TYPECODE_NAMEDCOLLECTION, true, OCI_TYPECODE_TABLE, 0, sizeof(OCIString*),
              sizeof(OCIInd));
  DeclareAttribute("SCOTT.WORDS_T", "", SQLT_CHR, 20, 0, 0, "", 0, 0);
  DeclareType("SCOTT", "EMP_T", OCI_TYPECODE_OBJECT, true, 0, 0, sizeof(EmpT), sizeof(EmpInd));
  DeclareAttribute("SCOTT.EMP_T", "NAME", SQLT_CHR, 10, 0, 0, "", offsetof(EmpT, name), offsetof(EmpInd, name));
  DeclareAttribute("SCOTT.EMP_T", "BOSS", SQLT_REF, 0, 0, 0, "SCOTT.PERSON_T", offsetof(EmpT, boss),
                   offsetof(EmpInd, boss));
  DeclareType("SYS", "XMLTYPE", OCI_TYPECODE_OPAQUE, true, 0, 0, sizeof(void*), sizeof(OCIInd));
  standin_->ClearLog();
}

void ObjectValueTest::TearDown() {
  EXPECT_EQ(LiveObjects(), 0) << "the object cache still holds values";
  EXPECT_EQ(Pins(), 0) << "pins are still held";
  ObjectTest::TearDown();
}

}  // namespace oracle::testing
