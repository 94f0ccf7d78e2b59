// TADODataSet: an ADO data set whose statement is its CommandText.
// Changing the CommandText closes the data set.
#pragma once

#include <string>

#include "app/ado_custom_dataset.h"

namespace app {

class TADODataSet : public TCustomADODataSet {
  CLASSLIB_CLASS(TADODataSet, TCustomADODataSet)

 public:
  explicit TADODataSet(classlib::TComponent* owner) : TCustomADODataSet(owner) {}

  const std::string& CommandText() const { return command_text_; }
  void SetCommandText(const std::string& text) {
    if (text != command_text_) Close();
    command_text_ = text;
  }

 protected:
  std::string StatementText() const override { return command_text_; }

 private:
  std::string command_text_;
};

}  // namespace app
