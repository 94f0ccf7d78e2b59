// Date, time and date-time fields.
#include "classlib/field_datetime.h"

#include "classlib/datetime.h"
#include "classlib/field_direct.h"
#include "classlib/unaligned.h"
#include "classlib/variant.h"

namespace classlib {

TDateTimeField::TDateTimeField(TComponent* owner) : TField(owner) { SetDataType(ftDateTime); }

// Milliseconds the data set converts the standard way are converted here,
// without the data set's conversion call. A date-time the record keeps as a
// TDateTime is turned into the milliseconds the data set gives and back, as
// its reads do. 1 with the value, 0 for null, -1 where GetData must read it.
[[gnu::always_inline]] inline int TDateTimeField::DirectDateTime(TDateTime& value) const {
  const TDirectDateTime kind = DirectDateTimeRead();
  if (kind == TDirectDateTime::kNone) return -1;
  if (!DataSet()->BrowsesARecord()) return -1;
  // A record buffer of a data set that gives slots is never nullptr.
  const uint8_t* record = DataSet()->BrowsedRecord();
  const TDirectSlot& slot = DirectSlot();
  if (record[slot.null_offset] != 0) return 0;
  const double stored = LoadUnaligned<double>(record + slot.offset);
  if (kind == TDirectDateTime::kDays) return TryRoundDateTimeToMSecs(stored, value) ? 1 : -1;
  return TryMSecsToDateTime(stored, value) ? 1 : -1;
}

bool TDateTimeField::GetValue(TDateTime& value) const {
  switch (DirectDateTime(value)) {
    case 1: return true;
    case 0: return false;
    default: return GetData(&value, false);
  }
}

[[gnu::hot]] TDateTime TDateTimeField::GetAsDateTime() const {
  TDateTime value = 0;
  switch (DirectDateTime(value)) {
    case 1: return value;
    case 0: return 0;
    default: return ReadDateTime();
  }
}

// The data set's read, out of line: the direct read above needs no frame.
[[gnu::noinline]] TDateTime TDateTimeField::ReadDateTime() const {
  TDateTime value = 0;
  return GetData(&value, false) ? value : 0;
}

void TDateTimeField::SetAsDateTimeValue(TDateTime value) { SetData(&value, false); }
double TDateTimeField::GetAsFloat() const { return GetAsDateTime(); }
void TDateTimeField::SetAsFloatValue(double value) { SetAsDateTimeValue(value); }

std::string TDateTimeField::GetAsString() const { return GetTextValue(false); }

void TDateTimeField::SetAsStringValue(const std::string& value) {
  if (value.empty())
    Clear();
  else
    SetAsDateTimeValue(ParseText(value));
}

Variant TDateTimeField::GetAsVariant() const {
  TDateTime value = 0;
  if (!GetValue(value)) return Null();
  return Variant::FromDate(value);
}

void TDateTimeField::SetVarValue(const Variant& value) { SetAsDateTimeValue(value.AsDate()); }

std::string TDateTimeField::GetTextValue(bool display_text) const {
  TDateTime value = 0;
  if (!GetValue(value)) return std::string();
  const std::string format =
      display_text && !display_format_.empty() ? display_format_ : DefaultFormat();
  return FormatDateTime(format, value);
}

// "c": the short date, and the long time unless it is midnight.
std::string TDateTimeField::DefaultFormat() const { return "c"; }
TDateTime TDateTimeField::ParseText(const std::string& text) const { return StrToDateTime(text); }

TDateField::TDateField(TComponent* owner) : TDateTimeField(owner) { SetDataType(ftDate); }
std::string TDateField::DefaultFormat() const { return "ddddd"; }
TDateTime TDateField::ParseText(const std::string& text) const { return StrToDate(text); }

TTimeField::TTimeField(TComponent* owner) : TDateTimeField(owner) { SetDataType(ftTime); }
std::string TTimeField::DefaultFormat() const { return "tt"; }
TDateTime TTimeField::ParseText(const std::string& text) const { return StrToTime(text); }

}  // namespace classlib
