// The stand-in's control interface for user-defined types. A test declares
// each type with the layout of the C structures its instances and
// null-indicator structures are (sizes and offsets taken with sizeof and
// offsetof), so the stand-in never computes a layout itself: it reads and
// writes instances exactly where a C program would.
//
// Object calls log as, for example,
//   OCITypeByName schema=SCOTT type=PERSON_T
//   OCIDescribeAny name="SCOTT"."PERSON_T" otype=1 ptype=6
//   OCIObjectNew typecode=108 type=SCOTT.PERSON_T duration=10 value=1
//   OCIObjectSetAttr names=ADDRESS.CITY null=0
//   OCIObjectGetAttr names=PHONES
//   OCICollAppend size=3   (the size after the append)
//   OCICollAssignElem index=2 null=0
//   OCICollGetElem index=2 exists=0
//   OCIObjectPin / OCIObjectUnpin / OCIObjectFlush / OCIObjectMarkDelete type=SCOTT.PERSON_T
#pragma once

extern "C" {

// A type: typecode 108 (object) or 122 (collection, with collection typecode
// 247 VARRAY or 248 nested table and the VARRAY's limit). instance_size and
// indicator_size are sizeof of the instance and indicator structures (for a
// collection: of one element and its indicator). Answers 0.
int standin_object_type(const char* schema, const char* name, int typecode, int final_type,
                        int collection_typecode, int max_elements, int instance_size,
                        int indicator_size);
// An attribute of a declared type, in order (a collection's one element:
// name empty, offsets 0). typecode is the call interface's (1, 96, 23, 2,
// 12, 108, 110, 122, 112 ...); nested names the type of an object,
// reference or collection attribute as "SCHEMA.NAME". Answers 0, -1 for an
// unknown owner or nested type.
int standin_object_attribute(const char* owner, const char* name, int typecode, int length,
                             int precision, int scale, const char* nested, int offset,
                             int indicator_offset);
// Instances, collections and strings the cache holds; references.
int standin_object_live_count(void);
// Pins held on instances.
int standin_object_pin_count(void);

}
