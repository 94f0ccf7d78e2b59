// Default display formats (poAutoFormatFields): the
// numeric fields with decimals and the date and time fields of a data set
// that have no format of their own get one from a TFormatFields.
#include "classlib/field.h"
#include "classlib/field_datetime.h"
#include "classlib/field_numeric.h"
#include "classlib/fields.h"
#include "fib/dataset/fib_dataset.h"
#include "fib/dataset/fib_dataset_defaults.h"
#include "fib/statements/format_fields.h"

namespace fib {

namespace {

bool IsBCD(const classlib::TField* field) {
  return dynamic_cast<const classlib::TBCDField*>(field) ||
         dynamic_cast<const classlib::TFMTBCDField*>(field);
}

void SetNumericFormats(classlib::TNumericField& field, const TFormatFields& formats, int decimals) {
  if (field.DisplayFormat().empty())
    field.SetDisplayFormat(MaskWithDecimals(formats.NumericDisplayFormat(), decimals));
  if (field.EditFormat().empty())
    field.SetEditFormat(MaskWithDecimals(formats.NumericEditFormat(), decimals));
}

void SetDateTimeFormat(classlib::TDateTimeField& field, const TFormatFields& formats) {
  if (!field.DisplayFormat().empty()) return;
  if (dynamic_cast<classlib::TDateField*>(&field))
    field.SetDisplayFormat(formats.DisplayFormatDate());
  else if (dynamic_cast<classlib::TTimeField*>(&field))
    field.SetDisplayFormat(formats.DisplayFormatTime());
  else
    field.SetDisplayFormat(formats.DateTimeDisplayFormat());
}

}  // namespace

void TFIBCustomDataSet::ApplyAutoFormat(classlib::TField& field, const TFormatFields& formats) {
  if (auto* date_time = dynamic_cast<classlib::TDateTimeField*>(&field)) {
    SetDateTimeFormat(*date_time, formats);
    return;
  }
  auto* numeric = dynamic_cast<classlib::TNumericField*>(&field);
  if (!numeric) return;
  if (IsBCD(&field)) {
    if (field.Size() > 0) SetNumericFormats(*numeric, formats, field.Size());
    return;
  }
  int scale = field.FieldKind() == classlib::fkData ? GetFieldScale(&field) : 0;
  if (scale < 0) SetNumericFormats(*numeric, formats, -scale);
}

const TFormatFields* TFIBCustomDataSet::OwnFormats() { return nullptr; }

// A plain data set has no formats of its own: it takes the process-wide
// defaults as they are when it opens.
void TFIBCustomDataSet::ApplyAutoFormats() {
  if (!options_.Contains(poAutoFormatFields) ||
      ComponentState().Contains(classlib::csDesigning))
    return;
  TFormatFields defaults;
  const TFormatFields* own = OwnFormats();
  const TFormatFields& formats = own != nullptr ? *own : defaults;
  for (classlib::TField* field : Fields().List()) ApplyAutoFormat(*field, formats);
}

}  // namespace fib
