#include "app/ado_field.h"

#include <cmath>

#include <QByteArray>
#include <QDateTime>

#include "app/ado_custom_dataset.h"
#include "classlib/codepage.h"
#include "classlib/datetime.h"
#include "classlib/numconv.h"

namespace app {

namespace {

bool IsIntegerType(int id) {
  switch (id) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Long:
    case QMetaType::ULong:
      return true;
    default:
      return false;
  }
}

bool IsFloatType(int id) { return id == QMetaType::Double || id == QMetaType::Float; }

classlib::TDateTime ToDateTime(const QDate& date, const QTime& time) {
  classlib::TDateTime result = 0;
  if (date.isValid()) result = classlib::EncodeDate(date.year(), date.month(), date.day());
  if (time.isValid())
    result += classlib::EncodeTime(time.hour(), time.minute(), time.second(), time.msec());
  return result;
}

QString ToQt(const std::string& ansi) {
  return QString::fromStdString(classlib::Cp1251ToUtf8(ansi));
}

}  // namespace

std::string VariantToAnsi(const QVariant& value) {
  if (!value.isValid() || value.isNull()) return {};
  const int id = value.metaType().id();
  if (id == QMetaType::QByteArray) {
    const QByteArray bytes = value.toByteArray();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  }
  if (id == QMetaType::Bool) return value.toBool() ? "True" : "False";
  if (id == QMetaType::ULongLong || id == QMetaType::ULong)
    return classlib::UIntToStr(value.toULongLong());
  if (IsIntegerType(id)) return classlib::IntToStr(value.toLongLong());
  if (IsFloatType(id)) return classlib::FloatToStr(value.toDouble());
  if (id == QMetaType::QDateTime) {
    const QDateTime stamp = value.toDateTime();
    return classlib::DateTimeToStr(ToDateTime(stamp.date(), stamp.time()));
  }
  if (id == QMetaType::QDate) return classlib::DateTimeToStr(ToDateTime(value.toDate(), QTime()));
  if (id == QMetaType::QTime) return classlib::DateTimeToStr(ToDateTime(QDate(), value.toTime()));
  return classlib::Utf8ToCp1251(value.toString().toStdString());
}

TADOField::TADOField(TCustomADODataSet& data_set, int index, std::string name, QMetaType type,
                     int size)
    : data_set_(data_set), index_(index), name_(std::move(name)), type_(type), size_(size) {}

QVariant TADOField::Value() const { return data_set_.CurrentValue(index_); }

bool TADOField::IsNull() const {
  const QVariant& value = data_set_.CurrentValue(index_);
  return !value.isValid() || value.isNull();
}

std::string TADOField::AsString() const { return VariantToAnsi(data_set_.CurrentValue(index_)); }

int TADOField::AsInteger() const {
  const QVariant& value = data_set_.CurrentValue(index_);
  if (!value.isValid() || value.isNull()) return 0;
  const int id = value.metaType().id();
  if (IsIntegerType(id)) return static_cast<int>(value.toLongLong());
  if (IsFloatType(id)) return static_cast<int>(std::nearbyint(value.toDouble()));
  if (id == QMetaType::Bool) return value.toBool() ? 1 : 0;
  return classlib::StrToInt(VariantToAnsi(value));
}

void TADOField::SetValue(const QVariant& value) { data_set_.SetCurrentValue(index_, value); }

void TADOField::Clear() { SetValue(QVariant(type_)); }

void TADOField::SetAsString(const std::string& value) {
  const int id = type_.id();
  if (id == QMetaType::QByteArray) {
    SetValue(QByteArray(value.data(), static_cast<qsizetype>(value.size())));
  } else if (id == QMetaType::QString) {
    SetValue(ToQt(value));
  } else if (value.empty()) {
    Clear();  // an empty text in a number or date column means no value
  } else if (IsIntegerType(id)) {
    SetValue(QVariant(static_cast<qlonglong>(classlib::StrToInt64(value))));
  } else if (IsFloatType(id)) {
    SetValue(QVariant(classlib::StrToFloat(value)));
  } else {
    SetValue(ToQt(value));  // the server converts the text
  }
}

void TADOField::SetAsInteger(int value) {
  const int id = type_.id();
  if (id == QMetaType::QString || id == QMetaType::QByteArray) {
    SetAsString(classlib::IntToStr(value));
  } else {
    SetValue(QVariant(static_cast<qlonglong>(value)));
  }
}

}  // namespace app
