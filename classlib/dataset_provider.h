// The vocabulary of a data provider's conversation with a data set (the
// operations themselves are TDataSet's, under "Provider support"): the
// update error a failed change is reported as, and the index definition a
// data set gives as its default order.
#pragma once

#include <string>

#include "classlib/exceptions.h"

namespace classlib {

// A change a provider asked for failed. ErrorCode is the failing layer's own
// number (a server's SQL code, say; 0 when it has none); PreviousError is the
// error code of the update error reported before it for the same change, so
// a chain of failures can be followed back.
class EUpdateError : public EDatabaseError {
  CLASSLIB_CLASS(EUpdateError, EDatabaseError)
 public:
  EUpdateError(std::string message, int error_code, int previous_error)
      : EDatabaseError(std::move(message)), error_code_(error_code), previous_error_(previous_error) {}

  int ErrorCode() const { return error_code_; }
  int PreviousError() const { return previous_error_; }

 private:
  int error_code_;
  int previous_error_;
};

// The fields an order runs over, ";"-separated, and those of them that run
// descending.
class TIndexDef {
 public:
  TIndexDef(std::string fields, std::string desc_fields)
      : fields_(std::move(fields)), desc_fields_(std::move(desc_fields)) {}

  const std::string& Fields() const { return fields_; }
  const std::string& DescFields() const { return desc_fields_; }

 private:
  std::string fields_;
  std::string desc_fields_;
};

}  // namespace classlib
