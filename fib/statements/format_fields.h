// TFormatFields: the default display and edit formats a data set gives its
// fields. New objects take the process-wide defaults, which a program may
// change before it creates data sets.
#pragma once

#include <string>

#include "classlib/persistent.h"

namespace fib {

enum class TFormatField { DateTimeDisplay, NumericDisplay, NumericEdit, DisplayDate, DisplayTime };

// The process-wide defaults: "dd.mm.yyyy hh:mm AMPM", "#,##0.", "0.",
// "dd.mm.yyyy" and "hh:mm AMPM" at start-up.
std::string DefaultFormat(TFormatField field);
void SetDefaultFormat(TFormatField field, const std::string& format);

class TFormatFields : public classlib::TPersistent {
  CLASSLIB_CLASS(TFormatFields, classlib::TPersistent)
 public:
  explicit TFormatFields(classlib::TPersistent* owner = nullptr);

  const std::string& Format(TFormatField field) const;
  void SetFormat(TFormatField field, const std::string& format);
  const std::string& DateTimeDisplayFormat() const { return Format(TFormatField::DateTimeDisplay); }
  const std::string& NumericDisplayFormat() const { return Format(TFormatField::NumericDisplay); }
  const std::string& NumericEditFormat() const { return Format(TFormatField::NumericEdit); }
  const std::string& DisplayFormatDate() const { return Format(TFormatField::DisplayDate); }
  const std::string& DisplayFormatTime() const { return Format(TFormatField::DisplayTime); }

  // A format is stored with the component only when it is not the default.
  bool Stored(TFormatField field) const;

  // Copies the five formats from another TFormatFields.
  void Assign(const classlib::TPersistent* source) override;
  classlib::TPersistent* GetOwner() const override { return owner_; }

 private:
  static constexpr int kCount = 5;
  classlib::TPersistent* owner_;
  std::string formats_[kCount];
};

}  // namespace fib
