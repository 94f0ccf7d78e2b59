#include "fib/statements/format_fields.h"

#include <mutex>

namespace fib {

namespace {

std::mutex defaults_mutex;
std::string defaults[5] = {"dd.mm.yyyy hh:mm AMPM", "#,##0.", "0.", "dd.mm.yyyy", "hh:mm AMPM"};

int Slot(TFormatField field) { return static_cast<int>(field); }

}  // namespace

std::string DefaultFormat(TFormatField field) {
  std::lock_guard lock(defaults_mutex);
  return defaults[Slot(field)];
}

void SetDefaultFormat(TFormatField field, const std::string& format) {
  std::lock_guard lock(defaults_mutex);
  defaults[Slot(field)] = format;
}

TFormatFields::TFormatFields(classlib::TPersistent* owner) : owner_(owner) {
  for (int i = 0; i < kCount; ++i) formats_[i] = DefaultFormat(static_cast<TFormatField>(i));
}

const std::string& TFormatFields::Format(TFormatField field) const { return formats_[Slot(field)]; }

void TFormatFields::SetFormat(TFormatField field, const std::string& format) {
  formats_[Slot(field)] = format;
}

bool TFormatFields::Stored(TFormatField field) const { return Format(field) != DefaultFormat(field); }

void TFormatFields::Assign(const classlib::TPersistent* source) {
  const auto* other = dynamic_cast<const TFormatFields*>(source);
  if (!other) return classlib::TPersistent::Assign(source);
  for (int i = 0; i < kCount; ++i) formats_[i] = other->formats_[i];
}

}  // namespace fib
