#include "fib/statements/fib_base_params.h"

#include <strings.h>

namespace fib {

namespace {

bool StartsWithNoCase(const std::string& text, const char* prefix, size_t length) {
  return text.size() >= length && strncasecmp(text.c_str(), prefix, length) == 0;
}

}  // namespace

void AssignSQLObjectParams(ISQLObject& target, std::span<ISQLObject* const> sources) {
  for (int i = 0; i < target.ParamCount(); ++i) {
    std::string full_name = target.ParamName(i);
    std::string name = full_name;
    bool old_value = false;
    if (StartsWithNoCase(full_name, "NEW_", 4)) {
      name = full_name.substr(4);
    } else if (StartsWithNoCase(full_name, "OLD_", 4)) {
      name = full_name.substr(4);
      old_value = true;
    }
    for (ISQLObject* source : sources) {
      if (source == nullptr) continue;
      int index = -1;
      if (source->FieldExist(name, index))
        target.SetParamValue(i, source->FieldValue(index, old_value));
      else if (source->ParamExist(full_name, index))
        target.SetParamValue(i, source->ParamValue(index));
    }
  }
}

}  // namespace fib
