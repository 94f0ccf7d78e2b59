// Typed entries of the table for collections beyond their elements (trim,
// whole assignment, the nested-table calls), references and XML values
// with the stream that reads their text. Element indexes are 0-based, as
// for the element calls of call_entries_objects.h.
#pragma once

#include "oracle/call_table.h"
#include "oracle/oci_defs.h"

namespace oracle {

struct OCIXMLType;

// clang-format off
// Collections.
inline constexpr OciEntry<OciSlot::OCICollTrim,
    sword(OCIEnv* env, OCIError* error, sb4 trim_count, OCIColl* collection)> OCICollTrim{};
inline constexpr OciEntry<OciSlot::OCICollAssign,
    sword(OCIEnv* env, OCIError* error, const OCIColl* source, OCIColl* target)> OCICollAssign{};
inline constexpr OciEntry<OciSlot::OCITableSize,
    sword(OCIEnv* env, OCIError* error, const OCIColl* table, sb4* size)> OCITableSize{};
inline constexpr OciEntry<OciSlot::OCITableDelete,
    sword(OCIEnv* env, OCIError* error, sb4 index, OCIColl* table)> OCITableDelete{};
inline constexpr OciEntry<OciSlot::OCITableNext,
    sword(OCIEnv* env, OCIError* error, sb4 index, const OCIColl* table, sb4* next_index,
          boolean* exists)> OCITableNext{};

// References.
inline constexpr OciEntry<OciSlot::OCIRefIsNull, boolean(OCIEnv* env, const OCIRef* ref)>
    OCIRefIsNull{};
inline constexpr OciEntry<OciSlot::OCIRefClear, void(OCIEnv* env, OCIRef* ref)> OCIRefClear{};
inline constexpr OciEntry<OciSlot::OCIRefAssign,
    sword(OCIEnv* env, OCIError* error, const OCIRef* source, OCIRef** target)> OCIRefAssign{};
inline constexpr OciEntry<OciSlot::OCIRefToHex,
    sword(OCIEnv* env, OCIError* error, const OCIRef* ref, OraText* hex, ub4* hex_length)>
    OCIRefToHex{};

// XML values and the stream over their text.
inline constexpr OciEntry<OciSlot::OCIXMLTypeNew,
    sword(OCISvcCtx* context, OCIError* error, ub2 duration, const OraText* element_name,
          ub4 element_name_length, const OraText* schema_url, ub4 schema_url_length,
          OCIXMLType** instance)> OCIXMLTypeNew{};
inline constexpr OciEntry<OciSlot::OCIXMLTypeCreateFromSrc,
    sword(OCISvcCtx* context, OCIError* error, ub2 duration, ub1 source_type, void* source,
          sb4 indicator, OCIXMLType** instance)> OCIXMLTypeCreateFromSrc{};
inline constexpr OciEntry<OciSlot::OCIPStreamFromXMLType,
    sword(OCIError* error, void* stream, void* xml, sword reserved)> OCIPStreamFromXMLType{};
inline constexpr OciEntry<OciSlot::OCIPStreamRead,
    sword(OCIError* error, void* stream, void* buffer, sb8* size, sword reserved)> OCIPStreamRead{};
inline constexpr OciEntry<OciSlot::OCIPStreamClose, sword(OCIError* error, void* stream)>
    OCIPStreamClose{};
// clang-format on

// Source kinds of OCIXMLTypeCreateFromSrc.
inline constexpr ub1 OCI_XMLTYPE_CREATE_OCISTRING = 1;
inline constexpr ub1 OCI_XMLTYPE_CREATE_CLOB = 2;

}  // namespace oracle
