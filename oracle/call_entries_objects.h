// Typed entries of the table for the object calls: type descriptions, the
// object cache (instances, indicators, pins), attributes, collections and
// the strings that object attributes hold. Signatures are those of the
// public call interface; its enumerations (pin and lock options, the
// type-get option) are passed as int, their size in the interface.
#pragma once

#include "oracle/call_table.h"
#include "oracle/oci_defs.h"

namespace oracle {

// clang-format off
inline constexpr OciEntry<OciSlot::OCIDescribeAny,
    sword(OCISvcCtx* context, OCIError* error, void* object, ub4 object_length, ub1 object_kind,
          ub1 info_level, ub1 object_type, OCIDescribe* describe)> OCIDescribeAny{};
inline constexpr OciEntry<OciSlot::OCITypeByName,
    sword(OCIEnv* env, OCIError* error, const OCISvcCtx* context, const OraText* schema,
          ub4 schema_length, const OraText* type_name, ub4 type_name_length,
          const OraText* version, ub4 version_length, ub2 pin_duration, int get_option,
          OCIType** type)> OCITypeByName{};

// The object cache.
inline constexpr OciEntry<OciSlot::OCIObjectNew,
    sword(OCIEnv* env, OCIError* error, const OCISvcCtx* context, OCITypeCode type_code,
          OCIType* type, void* table, ub2 duration, boolean value, void** instance)>
    OCIObjectNew{};
inline constexpr OciEntry<OciSlot::OCIObjectFree,
    sword(OCIEnv* env, OCIError* error, void* instance, ub2 flags)> OCIObjectFree{};
inline constexpr OciEntry<OciSlot::OCIObjectGetInd,
    sword(OCIEnv* env, OCIError* error, void* instance, void** indicator)> OCIObjectGetInd{};
inline constexpr OciEntry<OciSlot::OCIObjectPin,
    sword(OCIEnv* env, OCIError* error, OCIRef* ref, void* complex_object, int pin_option,
          ub2 duration, int lock_option, void** object)> OCIObjectPin{};
inline constexpr OciEntry<OciSlot::OCIObjectUnpin,
    sword(OCIEnv* env, OCIError* error, void* object)> OCIObjectUnpin{};
inline constexpr OciEntry<OciSlot::OCIObjectFlush,
    sword(OCIEnv* env, OCIError* error, void* object)> OCIObjectFlush{};
inline constexpr OciEntry<OciSlot::OCIObjectMarkDelete,
    sword(OCIEnv* env, OCIError* error, void* instance)> OCIObjectMarkDelete{};
inline constexpr OciEntry<OciSlot::OCIObjectMarkUpdate,
    sword(OCIEnv* env, OCIError* error, void* instance)> OCIObjectMarkUpdate{};
inline constexpr OciEntry<OciSlot::OCIObjectGetObjectRef,
    sword(OCIEnv* env, OCIError* error, void* object, OCIRef* ref)> OCIObjectGetObjectRef{};
inline constexpr OciEntry<OciSlot::OCIObjectCopy,
    sword(OCIEnv* env, OCIError* error, const OCISvcCtx* context, void* source,
          void* source_indicator, void* target, void* target_indicator, OCIType* type,
          ub2 duration, ub1 option)> OCIObjectCopy{};

// Attributes by a path of names.
inline constexpr OciEntry<OciSlot::OCIObjectSetAttr,
    sword(OCIEnv* env, OCIError* error, void* instance, void* indicator, OCIType* type,
          const OraText** names, const ub4* lengths, ub4 name_count, const ub4* indexes,
          ub4 index_count, OCIInd null_status, const void* attribute_indicator,
          const void* value)> OCIObjectSetAttr{};
inline constexpr OciEntry<OciSlot::OCIObjectGetAttr,
    sword(OCIEnv* env, OCIError* error, void* instance, void* indicator, OCIType* type,
          const OraText** names, const ub4* lengths, ub4 name_count, const ub4* indexes,
          ub4 index_count, OCIInd* null_status, void** attribute_indicator, void** value,
          OCIType** attribute_type)> OCIObjectGetAttr{};

// Collections (0-based element indexes).
inline constexpr OciEntry<OciSlot::OCICollGetElem,
    sword(OCIEnv* env, OCIError* error, const OCIColl* collection, sb4 index, boolean* exists,
          void** element, void** element_indicator)> OCICollGetElem{};
inline constexpr OciEntry<OciSlot::OCICollSize,
    sword(OCIEnv* env, OCIError* error, const OCIColl* collection, sb4* size)> OCICollSize{};
inline constexpr OciEntry<OciSlot::OCICollAppend,
    sword(OCIEnv* env, OCIError* error, const void* element, const void* element_indicator,
          OCIColl* collection)> OCICollAppend{};
inline constexpr OciEntry<OciSlot::OCICollAssignElem,
    sword(OCIEnv* env, OCIError* error, sb4 index, const void* element,
          const void* element_indicator, OCIColl* collection)> OCICollAssignElem{};

// Strings of the object cache.
inline constexpr OciEntry<OciSlot::OCIStringPtr, OraText*(OCIEnv* env, const OCIString* text)>
    OCIStringPtr{};
inline constexpr OciEntry<OciSlot::OCIStringSize, ub4(OCIEnv* env, const OCIString* text)>
    OCIStringSize{};
inline constexpr OciEntry<OciSlot::OCIStringResize,
    sword(OCIEnv* env, OCIError* error, ub4 new_size, OCIString** text)> OCIStringResize{};
inline constexpr OciEntry<OciSlot::OCIStringAssignText,
    sword(OCIEnv* env, OCIError* error, const OraText* source, ub4 source_length,
          OCIString** text)> OCIStringAssignText{};
// clang-format on

}  // namespace oracle
