// Reading attributes: the walk of a path through the instance by the type's
// layout (collection elements through the object cache), and the typed
// reads of numbers, strings and dates.
#include <cstdint>

#include "classlib/ansistr.h"
#include "classlib/exceptions.h"
#include "oracle/object_date.h"
#include "oracle/call_entries_objects.h"
#include "oracle/call_entries_values.h"
#include "oracle/error_ora.h"
#include "oracle/error_raise.h"
#include "oracle/lob_ora_lob.h"
#include "oracle/object_ora_object.h"
#include "oracle/object_path.h"
#include "oracle/value_data_types.h"

namespace oracle {

namespace {

using dacore::TAttribute;

[[noreturn]] void InvalidName() { RaiseOraException("Invalid attribute name"); }

bool IsCollection(const dacore::TObjectType* type) {
  return type && (type->DataType() == dacore::dtArray || type->DataType() == dacore::dtTable);
}

// The walk's position: a value's address, the indicator structure its
// attributes' indicators are found in, and the type it is of.
struct Cursor {
  char* value;
  char* indicators;
  const TOraType* type;
};

}  // namespace

TAttribute* FindOraAttribute(const dacore::TObjectType& type, const std::string& upper_name) {
  for (int i = 0; i < type.GetAttributeCount(); ++i) {
    TAttribute* attribute = type.GetAttributes(i);
    if (classlib::AnsiUpperCase(attribute->Name()) == upper_name) return attribute;
  }
  return nullptr;
}

TAttributePlace TOraObject::GetAttribute(const std::string& path) {
  const std::vector<TPathStep> steps = ParseAttributePath(path);
  CheckAlloc(true);
  TAttributePlace place;
  Cursor at{static_cast<char*>(GetInstance()), static_cast<char*>(GetIndicator()), GetOraType()};
  place.indicator_ptr = reinterpret_cast<OCIInd*>(at.indicators);
  place.indicator = at.indicators ? *place.indicator_ptr : OCI_IND_NOTNULL;
  bool null_above = place.indicator == OCI_IND_NULL;
  for (const TPathStep& step : steps) {
    if (!at.type) InvalidName();  // a scalar has no parts
    if (step.is_index) {
      if (!IsCollection(at.type) || at.type->GetAttributeCount() < 1) InvalidName();
      place.attribute = at.type->GetAttributes(0);
      boolean exists = 0;
      void* element = nullptr;
      void* element_indicator = nullptr;
      CheckOciStatus(OCICollGetElem(Env(), GetOCIError(), reinterpret_cast<OCIColl*>(at.value), step.index,
                                    &exists, &element, &element_indicator),
                     GetOCIError());
      auto* indicator = static_cast<OCIInd*>(element_indicator);
      if (!exists || !element || (indicator && *indicator == OCI_IND_NULL))
        return TAttributePlace{nullptr, nullptr, OCI_IND_NULL, place.attribute};
      place.indicator_ptr = indicator;
      place.indicator = indicator ? *indicator : OCI_IND_NOTNULL;
      at = Cursor{static_cast<char*>(element), static_cast<char*>(element_indicator),
                  static_cast<const TOraType*>(place.attribute->ObjectType())};
    } else {
      TAttribute* attribute = FindOraAttribute(*at.type, step.name);
      if (!attribute || IsCollection(at.type)) InvalidName();
      place.attribute = attribute;
      char* value = at.value + attribute->Offset();
      place.indicator_ptr = reinterpret_cast<OCIInd*>(at.indicators + attribute->IndicatorOffset());
      if (!null_above) place.indicator = *place.indicator_ptr;
      null_above = null_above || place.indicator == OCI_IND_NULL;
      const auto* nested = static_cast<const TOraType*>(attribute->ObjectType());
      char* indicators = at.indicators;
      if (attribute->DataType() == dacore::dtReference) {
        nested = nullptr;  // a reference is read as it is stored, not followed
      } else if (nested && (IsCollection(nested) || !nested->Final())) {
        value = *reinterpret_cast<char**>(value);
        if (value && !IsCollection(nested)) {
          void* own = nullptr;
          CheckOciStatus(OCIObjectGetInd(Env(), GetOCIError(), value, &own), GetOCIError());
          indicators = static_cast<char*>(own);
          place.indicator_ptr = static_cast<OCIInd*>(own);
          if (!null_above) place.indicator = *place.indicator_ptr;
          null_above = null_above || place.indicator == OCI_IND_NULL;
        }
      } else if (nested) {
        indicators = reinterpret_cast<char*>(place.indicator_ptr);  // embedded structure
      }
      if (!value) return TAttributePlace{nullptr, nullptr, OCI_IND_NULL, attribute};
      at = Cursor{value, indicators, nested};
    }
    place.value = at.value;
  }
  if (null_above) place.indicator = OCI_IND_NULL;
  return place;
}

bool TOraObject::AttrIsNull(const std::string& path) {
  const TAttributePlace place = GetAttribute(path);
  const int type = place.attribute ? place.attribute->DataType() : dacore::dtUnknown;
  if (type == dtOraBlob || type == dtOraClob)
    if (TOraLob* lob = KeptLob(path); lob && lob->Modified()) return lob->GetSize() == 0;
  return place.indicator == OCI_IND_NULL;
}

TOraLob* TOraObject::KeptLob(const std::string& path) const {
  if (path.find('[') != std::string::npos) return nullptr;  // elements keep their own
  const TOraObject* at = this;
  std::size_t start = 0;
  for (;;) {
    const std::size_t dot = path.find('.', start);
    const std::string name = classlib::AnsiUpperCase(classlib::Trim(path.substr(start, dot - start)));
    if (!at->GetOraType()) return nullptr;
    const TAttribute* attribute = FindOraAttribute(*at->GetOraType(), name);
    if (!attribute) return nullptr;
    const auto slot = static_cast<std::size_t>(attribute->AttributeNo() - 1);
    dacore::TSharedObject* child = slot < at->children_.size() ? at->children_[slot] : nullptr;
    if (dot == std::string::npos) return dynamic_cast<TOraLob*>(child);
    if (attribute->DataType() != dacore::dtObject) return nullptr;
    at = dynamic_cast<TOraObject*>(child);
    if (!at) return nullptr;
    start = dot + 1;
  }
}

TAttribute& TOraObject::AttributeOf(const std::string& path) {
  CheckType();
  ParseAttributePath(path);  // refuses what no walk could read
  TAttribute* attribute = GetOraType()->FindAttribute(path);
  if (!attribute) InvalidName();
  return *attribute;
}

namespace {

void CheckNumber(const TAttribute& attribute) {
  const int type = attribute.DataType();
  if (type != dacore::dtInt32 && type != dacore::dtInt64 && type != dacore::dtFloat)
    throw classlib::EConvertError("Cannot convert type to OCINumber");
}

}  // namespace

const OCINumber* TOraObject::NumberAt(const std::string& path) {
  CheckNumber(AttributeOf(path));
  const TAttributePlace place = GetAttribute(path);
  return place.indicator == OCI_IND_NULL ? nullptr : static_cast<const OCINumber*>(place.value);
}

namespace {


}  // namespace

int32_t TOraObject::AttrAsInteger(const std::string& path) {
  // Converted through 64 bits, so a value beyond 32 bits fails instead of wrapping.
  const int64_t value = AttrAsLargeInt(path);
  if (value < INT32_MIN || value > INT32_MAX)
    throw classlib::EConvertError("Cannot convert type to OCINumber: the value exceeds 32 bits");
  return static_cast<int32_t>(value);
}

int64_t TOraObject::AttrAsLargeInt(const std::string& path) {
  const OCINumber* number = NumberAt(path);
  int64_t result = 0;
  if (number) CheckOciStatus(OCINumberToInt(GetOCIError(), number, 8, OCI_NUMBER_SIGNED, &result), GetOCIError());
  return result;
}

double TOraObject::AttrAsFloat(const std::string& path) {
  const OCINumber* number = NumberAt(path);
  double result = 0;
  if (number) CheckOciStatus(OCINumberToReal(GetOCIError(), number, sizeof result, &result), GetOCIError());
  return result;
}

std::string TOraObject::AttrAsString(const std::string& path) {
  if (AttributeOf(path).DataType() != dacore::dtString)
    throw classlib::EConvertError("Cannot convert type to OCIString");
  const TAttributePlace place = GetAttribute(path);
  if (place.indicator == OCI_IND_NULL) return "";
  const OCIString* text = *static_cast<OCIString* const*>(place.value);
  if (!text) return "";
  const OraText* chars = OCIStringPtr(Env(), text);
  return chars ? std::string(reinterpret_cast<const char*>(chars), OCIStringSize(Env(), text)) : "";
}

classlib::TDateTime TOraObject::AttrAsDateTime(const std::string& path) {
  if (AttributeOf(path).DataType() != dacore::dtDateTime)
    throw classlib::EConvertError("Cannot convert type to OCIDate");
  const TAttributePlace place = GetAttribute(path);
  if (place.indicator == OCI_IND_NULL) return 0;
  classlib::TDateTime value = 0;
  if (!TryOciDateToDateTime(*static_cast<const OCIDate*>(place.value), value))
    throw classlib::EConvertError("Cannot convert type to OCIDate");
  return value;
}

}  // namespace oracle
