// REF columns of fetched rows. Each record holds a TOraRef of the column's
// object type. Its cell in the fetch buffer starts empty, so the client
// makes a REF for each row; after the fetch that REF belongs to the
// record's value and is freed with it. Copies of the record (edit buffers)
// get REFs of their own through the value's assignment, so no REF is ever
// freed twice or by the wrong owner.
#include <cstring>

#include "oracle/conn_oci_connection.h"
#include "oracle/error_raise.h"
#include "oracle/object_ora_ref.h"
#include "oracle/object_ora_type.h"
#include "oracle/rset_oci_record_set.h"

namespace oracle {

using namespace dacore;

void TOCIRecordSet::CreateReferenceField(TRecBuf rec, const TFieldDesc& field, OCISvcCtx* context) {
  if (!context) RaiseOraException("Unsupported Disconnected mode type");
  auto& column = const_cast<TOCIFieldDesc&>(static_cast<const TOCIFieldDesc&>(field));
  DescribeObjectType(column);
  auto* ref = new TOraRef(static_cast<TOraType*>(column.ObjectType()));
  SetSlot(rec, field, ref);
  ref->SetOCISvcCtx(context);
}

void TOCIRecordSet::FinishReference(TRecBuf rec, const TOCIFieldDesc& field, const uint8_t* cell, bool null) {
  auto* value = static_cast<TOraRef*>(GetSlot(rec, field));
  OCIRef* made = nullptr;
  std::memcpy(&made, cell, sizeof made);
  if (made) value->TakeOCIRef(made);
  // A null row may still have been given a REF: it is let go at once.
  if (null) value->Clear();
}

}  // namespace oracle
