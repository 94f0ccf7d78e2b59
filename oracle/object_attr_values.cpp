// Typed writes of attributes, their null state, and the record store's
// access to attribute fields by the path below the root field.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "classlib/exceptions.h"
#include "dacore/data_types.h"
#include "oracle/object_date.h"
#include "oracle/call_entries_objects.h"
#include "oracle/call_entries_values.h"
#include "oracle/error_ora.h"
#include "oracle/error_raise.h"
#include "oracle/lob_ora_file.h"
#include "oracle/lob_ora_lob.h"
#include "oracle/object_ora_object.h"
#include "oracle/value_data_types.h"

namespace oracle {

namespace {

using dacore::TAttribute;

void CheckNumberType(const TAttribute& attribute) {
  const int type = attribute.DataType();
  if (type != dacore::dtInt32 && type != dacore::dtInt64 && type != dacore::dtFloat)
    throw classlib::EConvertError("Cannot convert type to OCINumber");
}

// Record buffers hold values at any offset.
template <class T>
T Unaligned(const void* source) {
  T value;
  std::memcpy(&value, source, sizeof value);
  return value;
}

bool IsChildType(int type) {
  return (type >= dacore::dtObject && type <= dacore::dtTable) || (type >= dtOraBlob && type <= dtCFile) ||
         (type >= dtTimeStamp && type <= dtIntervalDS) || type == dtXML;
}

}  // namespace

void TOraObject::SetAttrIsNull(const std::string& path, bool value) {
  TOraLob* lob = KeptLob(path);
  if (value) {
    WriteAttribute(path, OCI_IND_NULL, nullptr);
    // A NULL LOB holds no data: none is read from it, none is sent later.
    if (lob) {
      lob->Clear();
      lob->SetModified(false);
    }
    return;
  }
  // Not null keeps the value the instance holds.
  MarkModified();
  const TAttributePlace place = GetAttribute(path);
  if (!place.indicator_ptr) RaiseOraException("Object is not allocated");
  *place.indicator_ptr = OCI_IND_NOTNULL;
  MarkPresent();
  if (lob) lob->SetModified(false);  // the indicator decides from now on
}

void TOraObject::SetAttrAsInteger(const std::string& path, int32_t value) {
  SetAttrAsLargeInt(path, value);
}

void TOraObject::SetAttrAsLargeInt(const std::string& path, int64_t value) {
  CheckNumberType(AttributeOf(path));
  OCINumber number{};
  CheckOciStatus(OCINumberFromInt(GetOCIError(), &value, sizeof value, OCI_NUMBER_SIGNED, &number), GetOCIError());
  WriteAttribute(path, OCI_IND_NOTNULL, &number);
}

void TOraObject::SetAttrAsFloat(const std::string& path, double value) {
  CheckNumberType(AttributeOf(path));
  OCINumber number{};
  CheckOciStatus(OCINumberFromReal(GetOCIError(), &value, sizeof value, &number), GetOCIError());
  WriteAttribute(path, OCI_IND_NOTNULL, &number);
}

void TOraObject::SetAttrAsString(const std::string& path, const std::string& value) {
  if (AttributeOf(path).DataType() != dacore::dtString)
    throw classlib::EConvertError("Cannot convert type to OCIString");
  CheckAlloc(true);
  OCIString* text = nullptr;
  CheckOciStatus(OCIStringAssignText(Env(), GetOCIError(), reinterpret_cast<const OraText*>(value.data()),
                                     static_cast<ub4>(value.size()), &text),
                 GetOCIError());
  try {
    WriteAttribute(path, OCI_IND_NOTNULL, text);
  } catch (...) {
    OCIStringResize(Env(), GetOCIError(), 0, &text);
    throw;
  }
  // The cache copied the text into the attribute; the string given is ours to free.
  CheckOciStatus(OCIStringResize(Env(), GetOCIError(), 0, &text), GetOCIError());
}

void TOraObject::SetAttrAsDateTime(const std::string& path, classlib::TDateTime value) {
  if (AttributeOf(path).DataType() != dacore::dtDateTime)
    throw classlib::EConvertError("Cannot convert type to OCIDate");
  OCIDate date = OciDateOf(value);
  WriteAttribute(path, OCI_IND_NOTNULL, &date);
}

void TOraObject::GetAttributeValue(const std::string& name, void* dest, bool& is_blank) {
  const TAttribute& attribute = AttributeOf(name);
  const int type = attribute.DataType();
  if (IsChildType(type)) {
    // The value object is handed over NULL or not: a field writes through
    // it; the blank flag tells NULL as the object knows it.
    *static_cast<void**>(dest) = ChildAt(name)->GetObjectHandle();
    is_blank = AttrIsNull(name);
    return;
  }
  is_blank = AttrIsNull(name);
  if (is_blank) return;
  switch (type) {
    case dacore::dtInt64: {
      const int64_t value = AttrAsLargeInt(name);
      std::memcpy(dest, &value, sizeof value);
      return;
    }
    case dacore::dtInt32: {
      const int32_t value = AttrAsInteger(name);
      std::memcpy(dest, &value, sizeof value);
      return;
    }
    case dacore::dtFloat: {
      const double value = AttrAsFloat(name);
      std::memcpy(dest, &value, sizeof value);
      return;
    }
    case dacore::dtString: {
      // Cut to the attribute's length: the record holds no more.
      const std::string text = AttrAsString(name);
      const std::size_t count = std::min<std::size_t>(text.size(), attribute.Length());
      std::memcpy(dest, text.data(), count);
      static_cast<char*>(dest)[count] = '\0';
      return;
    }
    case dacore::dtDateTime: {
      const double msecs = classlib::TimeStampToMSecs(classlib::DateTimeToTimeStamp(AttrAsDateTime(name)));
      std::memcpy(dest, &msecs, sizeof msecs);
      return;
    }
    default:
      RaiseOraException("Unknown data type");
  }
}

void TOraObject::SetAttributeValue(const std::string& name, const void* source) {
  const TAttribute& attribute = AttributeOf(name);
  const int type = attribute.DataType();
  if (type == dtOraBlob || type == dtOraClob) {
    // Their LOB values write the data; cleared, the attribute is NULL.
    if (!source) SetAttrIsNull(name, true);
    return;
  }
  if (!source) {
    SetAttrIsNull(name, true);
    return;
  }
  switch (type) {
    case dacore::dtString: {
      const auto* text = static_cast<const char*>(source);
      SetAttrAsString(name, std::string(text, strnlen(text, attribute.Length())));
      return;
    }
    case dacore::dtInt32:
      SetAttrAsInteger(name, Unaligned<int32_t>(source));
      return;
    case dacore::dtInt64:
      SetAttrAsLargeInt(name, Unaligned<int64_t>(source));
      return;
    case dacore::dtFloat:
      SetAttrAsFloat(name, Unaligned<double>(source));
      return;
    case dacore::dtDateTime: {
      const double msecs = std::round(Unaligned<double>(source));
      SetAttrAsDateTime(name, classlib::TimeStampToDateTime(classlib::MSecsToTimeStamp(msecs)));
      return;
    }
    case dtBFile:
    case dtCFile: {
      auto* file = static_cast<TOraFile*>(ChildAt(name));
      const bool empty = file->FileDir().empty() && file->FileName().empty();
      OCILobLocator* locator = file->GetOCILobLocator();
      WriteAttribute(name, empty ? OCI_IND_NULL : OCI_IND_NOTNULL, empty ? nullptr : locator);
      return;
    }
    default:
      RaiseOraException("Unknown data type");
  }
}

}  // namespace oracle
