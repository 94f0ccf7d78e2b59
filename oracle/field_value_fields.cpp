// The Oracle field classes over scalar value objects: date-times,
// intervals, NUMBERs, XML values and labels.
#include <cctype>

#include "classlib/exceptions.h"
#include "classlib/format_settings.h"
#include "classlib/variant.h"
#include "dacore/messages.h"
#include "oracle/field_ora_fields.h"
#include "oracle/field_value_access.h"
#include "oracle/object_ora_xml.h"
#include "oracle/param_ora_param.h"
#include "oracle/value_interval.h"
#include "oracle/value_number.h"
#include "oracle/value_timestamp.h"

namespace oracle {

using namespace classlib;

namespace {

[[noreturn]] void CannotConvert() { throw EConvertError(dacore::SCannotConvertType); }

bool IsStringVariant(const Variant& value) { return VarIsStr(value); }

bool IsIntegerVariant(TVarType type) {
  return type == varSmallint || type == varInteger || type == varShortInt || type == varByte || type == varWord ||
         type == varLongWord;
}

// Runs `read` with the value object's format switched to the field's for as
// long as it takes; the record's object keeps its own format afterwards.
template <class Value, class Read>
std::string WithFormat(Value& value, const std::string& format, Read read) {
  if (format.empty()) return read();
  const std::string saved = value.Format();
  value.SetFormat(format);
  try {
    std::string text = read();
    value.SetFormat(saved);
    return text;
  } catch (...) {
    value.SetFormat(saved);
    throw;
  }
}

}  // namespace

// ---- Labels ---------------------------------------------------------------------------

TLabelField::TLabelField(TComponent* owner) : TField(owner) { SetDataType(ftLabel); }

Variant TLabelField::GetAsVariant() const { return Variant::Null(); }

// ---- Date-times -----------------------------------------------------------------------

TOraTimeStampField::TOraTimeStampField(TComponent* owner) : TField(owner) { SetDataType(ftTimeStamp); }

TOraTimeStamp* TOraTimeStampField::AsTimeStamp() const { return FieldValueAs<TOraTimeStamp>(*this); }

bool TOraTimeStampField::GetIsNull() const {
  TOraTimeStamp* value = AsTimeStamp();
  return value == nullptr || value->IsNull();
}

std::string TOraTimeStampField::GetAsString() const {
  TOraTimeStamp* value = AsTimeStamp();
  if (value == nullptr || value->IsNull()) return "";
  return WithFormat(*value, format_, [value] { return value->AsString(); });
}

std::string TOraTimeStampField::GetTextValue(bool) const { return GetAsString(); }

void TOraTimeStampField::SetAsStringValue(const std::string& value) {
  ChangeFieldValue(*this, [&](void* object) {
    auto* stamp = static_cast<TOraTimeStamp*>(object);
    if (value.empty()) {
      stamp->SetIsNull(true);
      return true;
    }
    WithFormat(*stamp, format_, [&] {
      stamp->SetAsString(value);
      return std::string();
    });
    return false;
  });
}

TDateTime TOraTimeStampField::GetAsDateTime() const {
  TOraTimeStamp* value = AsTimeStamp();
  return value == nullptr || value->IsNull() ? 0 : value->AsDateTime();
}

void TOraTimeStampField::SetAsDateTimeValue(TDateTime value) {
  ChangeFieldValue(*this, [value](void* object) {
    static_cast<TOraTimeStamp*>(object)->SetAsDateTime(value);
    return false;
  });
}

TSQLTimeStamp TOraTimeStampField::AsSQLTimeStamp() const { return DateTimeToSQLTimeStamp(GetAsDateTime()); }

void TOraTimeStampField::SetAsSQLTimeStamp(const TSQLTimeStamp& value) {
  SetAsDateTimeValue(SQLTimeStampToDateTime(value));
}

Variant TOraTimeStampField::GetAsVariant() const {
  if (GetIsNull()) return Variant::Null();
  return Variant(AsSQLTimeStamp());
}

void TOraTimeStampField::SetVarValue(const Variant& value) {
  const TVarType type = VarType(value);
  if (type == varDate) SetAsDateTimeValue(value.AsDate());
  else if (VarIsSQLTimeStamp(value)) SetAsSQLTimeStamp(value.AsSQLTimeStamp());
  else if (IsStringVariant(value)) SetAsStringValue(value.AsString());
  else CannotConvert();
}

// ---- Intervals ------------------------------------------------------------------------

TOraIntervalField::TOraIntervalField(TComponent* owner) : TField(owner) { SetDataType(ftIntervalDS); }

TOraInterval* TOraIntervalField::AsInterval() const { return FieldValueAs<TOraInterval>(*this); }

bool TOraIntervalField::GetIsNull() const {
  TOraInterval* value = AsInterval();
  return value == nullptr || value->IsNull();
}

std::string TOraIntervalField::GetAsString() const {
  TOraInterval* value = AsInterval();
  if (value == nullptr || value->IsNull()) return "";
  const uint8_t lead = value->LeadPrecision();
  const uint8_t frac = value->FracPrecision();
  value->SetLeadPrecision(static_cast<uint8_t>(lead_precision_));
  value->SetFracPrecision(static_cast<uint8_t>(frac_precision_));
  std::string text;
  try {
    text = value->AsString();
  } catch (...) {
    value->SetLeadPrecision(lead);
    value->SetFracPrecision(frac);
    throw;
  }
  value->SetLeadPrecision(lead);
  value->SetFracPrecision(frac);
  return text;
}

void TOraIntervalField::SetAsStringValue(const std::string& value) {
  ChangeFieldValue(*this, [&](void* object) {
    auto* interval = static_cast<TOraInterval*>(object);
    if (value.empty()) {
      interval->SetIsNull(true);
      return true;
    }
    interval->SetAsString(value);
    return false;
  });
}

Variant TOraIntervalField::GetAsVariant() const {
  if (GetIsNull()) return Variant::Null();
  return Variant(GetAsString());
}

void TOraIntervalField::SetVarValue(const Variant& value) {
  if (!IsStringVariant(value)) CannotConvert();
  SetAsStringValue(value.AsString());
}

// ---- NUMBERs --------------------------------------------------------------------------

TOraNumberField::TOraNumberField(TComponent* owner) : TNumericField(owner) {
  SetDataType(ftNumber);
  SetDisplayWidth(38);
  SetAlignment(taRightJustify);
}

TOraNumber* TOraNumberField::AsNumber() const { return FieldValueAs<TOraNumber>(*this); }

bool TOraNumberField::IsValidChar(char c) const {
  const TFormatSettings& settings = FormatSettings();
  return std::isdigit(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == 'E' || c == 'e' ||
         c == settings.DecimalSeparator || c == settings.ThousandSeparator;
}

bool TOraNumberField::GetIsNull() const {
  TOraNumber* value = AsNumber();
  return value == nullptr || value->IsNull();
}

std::string TOraNumberField::GetAsString() const {
  TOraNumber* value = AsNumber();
  return value == nullptr || value->IsNull() ? "" : value->AsString();
}

void TOraNumberField::SetAsStringValue(const std::string& value) {
  ChangeFieldValue(*this, [&](void* object) {
    auto* number = static_cast<TOraNumber*>(object);
    if (value.empty()) {
      number->SetIsNull(true);
      return true;
    }
    number->SetAsString(value);
    return false;
  });
}

int32_t TOraNumberField::GetAsInteger() const {
  TOraNumber* value = AsNumber();
  return value == nullptr || value->IsNull() ? 0 : value->AsInteger();
}

void TOraNumberField::SetAsIntegerValue(int32_t value) {
  ChangeFieldValue(*this, [value](void* object) {
    static_cast<TOraNumber*>(object)->SetAsInteger(value);
    return false;
  });
}

int64_t TOraNumberField::GetAsLargeInt() const {
  TOraNumber* value = AsNumber();
  return value == nullptr || value->IsNull() ? 0 : value->AsLargeInt();
}

void TOraNumberField::SetAsLargeIntValue(int64_t value) {
  ChangeFieldValue(*this, [value](void* object) {
    static_cast<TOraNumber*>(object)->SetAsLargeInt(value);
    return false;
  });
}

double TOraNumberField::GetAsFloat() const {
  TOraNumber* value = AsNumber();
  return value == nullptr || value->IsNull() ? 0 : value->AsFloat();
}

void TOraNumberField::SetAsFloatValue(double value) {
  ChangeFieldValue(*this, [value](void* object) {
    static_cast<TOraNumber*>(object)->SetAsFloat(value);
    return false;
  });
}

Variant TOraNumberField::GetAsVariant() const {
  if (GetIsNull()) return Variant::Null();
  return Variant(GetAsString());
}

void TOraNumberField::SetVarValue(const Variant& value) {
  const TVarType type = VarType(value);
  if (IsIntegerVariant(type)) SetAsLargeIntValue(value.AsInt64());
  else if (type == varInt64) SetAsLargeIntValue(value.AsInt64());
  else if (type == varSingle || type == varDouble || type == varCurrency) SetAsFloatValue(value.AsDouble());
  else if (IsStringVariant(value)) SetAsStringValue(value.AsString());
  else CannotConvert();
}

// ---- XML values -----------------------------------------------------------------------

TOraXMLField::TOraXMLField(TComponent* owner) : TField(owner) { SetDataType(ftXML); }

TOraXML* TOraXMLField::AsXML() const { return FieldValueAs<TOraXML>(*this); }

bool TOraXMLField::GetIsNull() const {
  TOraXML* value = AsXML();
  return value == nullptr || value->GetIsNull();
}

std::string TOraXMLField::GetAsString() const {
  TOraXML* value = AsXML();
  return value == nullptr ? "" : value->AsString();
}

void TOraXMLField::SetAsStringValue(const std::string& value) {
  ChangeFieldValue(*this, [&](void* object) {
    auto* xml = static_cast<TOraXML*>(object);
    // An empty document is no document: the value becomes NULL as well.
    if (value.empty()) xml->SetIsNull(true);
    else xml->SetAsString(value);
    return value.empty();
  });
}

Variant TOraXMLField::GetAsVariant() const {
  if (GetIsNull()) return Variant::Null();
  return Variant(GetAsString());
}

std::string TOraXMLField::GetTextValue(bool display_text) const {
  if (display_text) return GetAsString();
  return FieldClassDescription("OraXML", GetIsNull());
}

void TOraXMLField::SetTextValue(const std::string&) { AccessError("Text"); }

}  // namespace oracle
