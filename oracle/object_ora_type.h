// TOraType: a user-defined Oracle type (object, VARRAY or nested table)
// described once per service context, with the layout of its instances and
// null-indicator structures in the client library's object cache. Every
// type is listed in a process-wide registry while it lives; the registry
// holds no reference, holders of a type do.
//
// Layout follows the x86-64 C structures the object cache uses: values the
// instance holds by pointer (strings, references, collections, LOB and file
// locators, date-time and interval descriptors, non-final objects) are 8
// bytes and 8-aligned; a NUMBER is 22 bytes, a DATE 8, a final nested object
// is embedded with its size rounded to 8 when it holds pointers. Indicators
// are 16-bit, the object's own first.
#pragma once

#include <cstdint>
#include <string>

#include "dacore/object_type.h"
#include "oracle/conn_svc_ctx_liveness.h"
#include "oracle/oci_defs.h"

namespace oracle {

class TOraType : public dacore::TObjectType {
  CLASSLIB_CLASS(TOraType, dacore::TObjectType)
 public:
  // Registers the type and describes it.
  TOraType(OCISvcCtx* svc_ctx, const std::string& type_name);

  void Describe(OCISvcCtx* svc_ctx, const std::string& type_name);
  // For a type described before: takes the service context, makes its
  // environment the layer's, fetches the type descriptor again.
  void InitTypeDescriptor(OCISvcCtx* svc_ctx);

  uint16_t InstanceSize() const { return instance_size_; }
  uint16_t IndicatorSize() const { return indicator_size_; }
  OCITypeCode TypeCode() const { return type_code_; }
  OCISvcCtx* SvcCtx() const { return svc_ctx_; }
  OCIType* TDO() const { return tdo_; }
  bool Final() const { return final_; }
  bool Aligned() const { return aligned_; }
  bool Valid() const { return valid_; }
  void SetValid(bool value) { valid_ = value; }

  // ---- The registry.
  // The type of that service context whose name is the normalised `name`.
  static TOraType* FindType(OCISvcCtx* svc_ctx, const std::string& name);
  // At disconnect: with keep_types the service context's types are only
  // marked not valid; otherwise they drop their attributes (and with them
  // the references to other types) and lose one reference each.
  static void ClearTypes(OCISvcCtx* svc_ctx, bool keep_types);
  static int TypeCount();

 protected:
  ~TOraType() override;

 private:
  // The calls of a description report through its session's error handle.
  OCIError* Error() const { return ErrorHandleOf(session_); }
  void DescribeObjectAttributes(OCIParam* type_param);
  void DescribeCollection(OCIParam* type_param);
  void DescribeAttribute(OCIParam* param, const std::string& forced_name);
  // Places an attribute of `data_size` bytes in the instance and indicator
  // structure.
  void PlaceAttribute(dacore::TAttribute& attribute, bool align, int indicator_size);

  OCISvcCtx* svc_ctx_ = nullptr;
  TSvcCtxToken session_;  // the session of svc_ctx_, for the error handle
  OCIEnv* env_ = nullptr;
  OCIType* tdo_ = nullptr;
  uint16_t instance_size_ = 0;
  uint16_t indicator_size_ = 2;
  OCITypeCode type_code_ = 0;
  bool final_ = true;
  bool aligned_ = false;
  bool valid_ = false;
};

// Precision limits under which NUMBER(p) attributes (scale 0) become 32-bit
// and 64-bit integers; others become floats.
inline int IntegerPrecision = 9;
inline int LargeIntPrecision = 0;

}  // namespace oracle
