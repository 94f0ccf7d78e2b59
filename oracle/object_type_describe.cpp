// Describing a type: the type descriptor from the object cache, then the
// type's attributes (or a collection's element) one by one with their
// places in the instance and indicator structure.
#include <cstdlib>
#include <cstring>

#include "classlib/exceptions.h"
#include "oracle/call_entries.h"
#include "oracle/call_entries_objects.h"
#include "oracle/call_state.h"
#include "oracle/error_messages.h"
#include "oracle/error_ora.h"
#include "oracle/error_raise.h"
#include "oracle/object_names.h"
#include "oracle/object_ora_type.h"
#include "oracle/value_data_types.h"

namespace oracle {

void RegisterOraType(TOraType* type);
void UnregisterOraType(TOraType* type);

namespace {

using dacore::TAttribute;

constexpr int kPointerSize = static_cast<int>(sizeof(void*));

int RoundUp(int size, int unit) { return (size + unit - 1) / unit * unit; }

template <class T>
T ParamValue(OCIError* error, void* param, ub4 attribute) {
  T value{};
  CheckOciStatus(OCIAttrGet(param, OCI_DTYPE_PARAM, &value, nullptr, attribute, error), error);
  return value;
}

std::string ParamText(OCIError* error, void* param, ub4 attribute) {
  char* text = nullptr;
  ub4 length = 0;
  CheckOciStatus(OCIAttrGet(param, OCI_DTYPE_PARAM, &text, &length, attribute, error), error);
  if (!text) return "";
  // Clients before 8.1 hand over the name zero-terminated only.
  if (OCIVersion < 8100) return std::string(text, strnlen(text, 4000));
  return std::string(text, length);
}

OCIParam* ParamPointer(OCIError* error, void* param, ub4 attribute) {
  return ParamValue<OCIParam*>(error, param, attribute);
}

int NumberDataType(int precision, int scale) {
  // An unconstrained NUMBER (precision 0) holds any value: only a float
  // keeps it.
  if (precision > 0 && scale == 0) {
    if (precision <= IntegerPrecision) return dacore::dtInt32;
    if (precision <= LargeIntPrecision) return dacore::dtInt64;
  }
  return dacore::dtFloat;
}

int NumberSize(int data_type) { return data_type == dacore::dtInt32 ? 4 : 8; }

[[noreturn]] void UnknownDataType() { RaiseOraException("Unknown data type"); }

}  // namespace

TOraType::TOraType(OCISvcCtx* svc_ctx, const std::string& type_name) {
  RegisterOraType(this);
  try {
    Describe(svc_ctx, type_name);
  } catch (...) {
    UnregisterOraType(this);
    ClearAttributes();
    throw;
  }
}

TOraType::~TOraType() {
  UnregisterOraType(this);
  ClearAttributes();
}

void TOraType::InitTypeDescriptor(OCISvcCtx* svc_ctx) {
  svc_ctx_ = svc_ctx;
  session_ = SvcCtxToken(svc_ctx);
  CheckOciStatus(OCIAttrGet(svc_ctx, OCI_HTYPE_SVCCTX, &env_, nullptr, OCI_ATTR_ENV, Error()), Error());
  // Sessions on other threads read the process-wide environment handle at
  // any time: it is written only when this session's environment is another.
  if (hOCIEnv != env_) hOCIEnv = env_;
  const std::string name = Name();
  const std::size_t dot = name.find("\".\"");
  const std::string schema = dot == std::string::npos ? "" : UnquoteName(name.substr(0, dot + 1));
  const std::string type = UnquoteName(dot == std::string::npos ? name : name.substr(dot + 2));
  CheckOciStatus(OCITypeByName(env_, Error(), svc_ctx, reinterpret_cast<const OraText*>(schema.data()),
                               static_cast<ub4>(schema.size()), reinterpret_cast<const OraText*>(type.data()),
                               static_cast<ub4>(type.size()), nullptr, 0, OCI_DURATION_SESSION,
                               OCI_TYPEGET_HEADER, &tdo_), Error());
  valid_ = true;
}

void TOraType::Describe(OCISvcCtx* svc_ctx, const std::string& type_name) {
  if (!svc_ctx) RaiseOraException(messages::kSvcCtxNotDefined);
  ClearAttributes();
  instance_size_ = 0;
  indicator_size_ = 2;
  aligned_ = false;
  valid_ = false;
  SetName(NormalizeOraName(type_name));
  InitTypeDescriptor(svc_ctx);
  valid_ = false;

  void* describe = nullptr;
  CheckOciStatus(OCIHandleAlloc(env_, &describe, OCI_HTYPE_DESCRIBE, 0, nullptr));
  try {
    std::string full_name = Name();
    CheckOciStatus(OCIDescribeAny(svc_ctx, Error(), full_name.data(), static_cast<ub4>(full_name.size()),
                                  OCI_OTYPE_NAME, 0, OCI_PTYPE_TYPE, static_cast<OCIDescribe*>(describe)), Error());
    OCIParam* param = nullptr;
    CheckOciStatus(OCIAttrGet(describe, OCI_HTYPE_DESCRIBE, &param, nullptr, OCI_ATTR_PARAM, Error()), Error());
    type_code_ = ParamValue<ub2>(Error(), param, OCI_ATTR_TYPECODE);
    final_ = OCIVersion < 9000 || ParamValue<ub1>(Error(), param, OCI_ATTR_IS_FINAL_TYPE) != 0;
    if (type_code_ == OCI_TYPECODE_OBJECT || type_code_ == OCI_TYPECODE_OPAQUE) {
      const bool xml = Name() == "\"SYS\".\"XMLTYPE\"" && OCIVersion >= 9200;
      SetDataType(xml ? dtXML : dacore::dtObject);
      DescribeObjectAttributes(param);
    } else if (type_code_ == OCI_TYPECODE_NAMEDCOLLECTION) {
      DescribeCollection(param);
    } else {
      classlib::Assert(false, "OraObjects", __LINE__, "Unknown type code");
    }
  } catch (...) {
    OCIHandleFree(describe, OCI_HTYPE_DESCRIBE);
    throw;
  }
  CheckOciStatus(OCIHandleFree(describe, OCI_HTYPE_DESCRIBE));
  // The instance as a whole keeps the alignment of its widest member.
  if (aligned_) instance_size_ = static_cast<uint16_t>(RoundUp(instance_size_, kPointerSize));
  valid_ = true;
}

void TOraType::DescribeObjectAttributes(OCIParam* type_param) {
  const ub2 count = ParamValue<ub2>(Error(), type_param, OCI_ATTR_NUM_TYPE_ATTRS);
  OCIParam* list = ParamPointer(Error(), type_param, OCI_ATTR_LIST_TYPE_ATTRS);
  for (ub4 i = 1; i <= count; ++i) {
    void* attribute = nullptr;
    CheckOciStatus(OCIParamGet(list, OCI_DTYPE_PARAM, Error(), &attribute, i), Error());
    DescribeAttribute(static_cast<OCIParam*>(attribute), "");
  }
}

void TOraType::DescribeCollection(OCIParam* type_param) {
  const ub2 kind = ParamValue<ub2>(Error(), type_param, OCI_ATTR_COLLECTION_TYPECODE);
  if (kind == OCI_TYPECODE_VARRAY) SetDataType(dacore::dtArray);
  else if (kind == OCI_TYPECODE_TABLE) SetDataType(dacore::dtTable);
  else classlib::Assert(false, "OraObjects", __LINE__, "Unknown collection type code");
  OCIParam* element = ParamPointer(Error(), type_param, OCI_ATTR_COLLECTION_ELEMENT);
  SetSize(static_cast<int32_t>(ParamValue<ub4>(Error(), element, OCI_ATTR_NUM_ELEMS)));
  DescribeAttribute(element, "ELEMENT");
}

void TOraType::DescribeAttribute(OCIParam* param, const std::string& forced_name) {
  TAttribute& attribute = *AddAttribute();
  attribute.SetAttributeNo(GetAttributeCount());
  std::string name = forced_name.empty() ? ParamText(Error(), param, OCI_ATTR_NAME) : forced_name;
  attribute.SetName(name.empty() ? "ELEMENT" : name);
  const ub2 code = ParamValue<ub2>(Error(), param, OCI_ATTR_TYPECODE);
  bool align = true;
  int indicator_size = 2;
  switch (code) {
    case SQLT_CHR:
    case SQLT_AFC:
    case SQLT_BIN: {
      const int length = ParamValue<ub2>(Error(), param, OCI_ATTR_DATA_SIZE);
      const int shown = code == SQLT_BIN ? length * 2 : length;  // RAW reads as hexadecimal text
      attribute.SetDataType(dacore::dtString);
      attribute.SetFixed(code == SQLT_AFC);
      attribute.SetLength(static_cast<uint16_t>(shown));
      attribute.SetSize(shown + 1);
      attribute.SetDataSize(kPointerSize);
      break;
    }
    case SQLT_NUM: {
      const int precision = ParamValue<ub2>(Error(), param, OCI_ATTR_PRECISION);
      const int scale = static_cast<sb1>(ParamValue<ub1>(Error(), param, OCI_ATTR_SCALE));
      attribute.SetDataType(static_cast<dacore::TDataType>(NumberDataType(precision, scale)));
      attribute.SetLength(static_cast<uint16_t>(precision));
      attribute.SetScale(static_cast<uint16_t>(std::abs(scale)));
      attribute.SetSize(NumberSize(attribute.DataType()));
      attribute.SetDataSize(static_cast<int32_t>(sizeof(OCINumber)));
      align = false;
      break;
    }
    case SQLT_DAT:
      attribute.SetDataType(dacore::dtDateTime);
      attribute.SetSize(8);
      attribute.SetDataSize(static_cast<int32_t>(sizeof(OCIDate)));
      align = false;
      break;
    case SQLT_NTY:
    case SQLT_REF:
    case OCI_TYPECODE_NAMEDCOLLECTION: {
      const std::string nested_name =
          QuoteOraName(ParamText(Error(), param, OCI_ATTR_SCHEMA_NAME) + "." +
                       ParamText(Error(), param, OCI_ATTR_TYPE_NAME));
      TOraType* nested = FindType(svc_ctx_, nested_name);
      if (nested) {
        attribute.SetObjectType(nested);
      } else {
        nested = new TOraType(svc_ctx_, nested_name);
        attribute.SetObjectType(nested);
        nested->Release();  // the attribute holds it now
      }
      attribute.SetSize(kPointerSize);
      attribute.SetDataSize(kPointerSize);
      if (code == SQLT_REF) {
        attribute.SetDataType(dacore::dtReference);
        break;
      }
      attribute.SetDataType(nested->DataType());
      if (nested->DataType() != dacore::dtObject && nested->DataType() != dtXML) break;
      if (nested->Final()) {
        // Embedded: its instance and indicator structures are part of ours.
        attribute.SetDataSize(nested->InstanceSize());
        indicator_size = nested->IndicatorSize();
        align = nested->Aligned();
      }
      break;
    }
    case SQLT_CLOB: case SQLT_BLOB: case SQLT_BFILEE: case SQLT_CFILEE: {
      const int data_type = code == SQLT_CLOB ? dtOraClob : code == SQLT_BLOB ? dtOraBlob
                            : code == SQLT_BFILEE ? dtBFile : dtCFile;
      attribute.SetDataType(static_cast<dacore::TDataType>(data_type));
      attribute.SetSize(kPointerSize);
      attribute.SetDataSize(kPointerSize);
      break;
    }
    case SQLT_TIMESTAMP: case SQLT_TIMESTAMP_TZ: case SQLT_TIMESTAMP_LTZ:
    case SQLT_INTERVAL_YM: case SQLT_INTERVAL_DS: {
      if (OCIVersion < 9000) RaiseOraException("Data type is not supported");
      const int data_type = code == SQLT_TIMESTAMP ? dtTimeStamp : code == SQLT_TIMESTAMP_TZ ? dtTimeStampTZ
                            : code == SQLT_TIMESTAMP_LTZ ? dtTimeStampLTZ
                            : code == SQLT_INTERVAL_YM ? dtIntervalYM : dtIntervalDS;
      attribute.SetDataType(static_cast<dacore::TDataType>(data_type));
      attribute.SetSize(kPointerSize);
      attribute.SetDataSize(kPointerSize);
      break;
    }
    default:
      UnknownDataType();
  }
  PlaceAttribute(attribute, align, indicator_size);
}

void TOraType::PlaceAttribute(TAttribute& attribute, bool align, int indicator_size) {
  int size = instance_size_;
  if (align) {
    size = RoundUp(size, kPointerSize);
    aligned_ = true;
  }
  attribute.SetOffset(size);
  attribute.SetIndicatorOffset(indicator_size_);
  size += attribute.DataSize();
  if (size > 0xFFFF || indicator_size_ + indicator_size > 0xFFFF)
    RaiseOraException("Object type is too large");
  instance_size_ = static_cast<uint16_t>(size);
  indicator_size_ = static_cast<uint16_t>(indicator_size_ + indicator_size);
}

}  // namespace oracle
