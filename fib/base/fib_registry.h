// The layer's registry routines. They share one registry object, work under
// the current user's root and close the key when done; they are not meant
// for use from several threads at once.
#pragma once

#include <string>
#include <vector>

#include "classlib/variant.h"

namespace fib {

// One value read back: `found` is false for a missing value or data that is
// neither text nor integer (then `value` stays empty).
struct RegistryValue {
  classlib::Variant value;
  bool found = false;
};

// Opens each key part below the previous one, creating missing keys, and
// writes the values by their variant type (Boolean, text, date-time, small
// or 32-bit integer, single or double float, currency); other types are
// skipped. Only the first min(names, values) pairs are written.
void WriteRegistryValues(const std::vector<std::string>& key_path,
                         const std::vector<std::string>& names,
                         const std::vector<classlib::Variant>& values);

// False when a key part is missing; otherwise one entry per name in `out`.
bool ReadRegistryValues(const std::vector<std::string>& key_path,
                        const std::vector<std::string>& names, std::vector<RegistryValue>& out);

// False when the path is missing; otherwise the subkey names in `out`.
bool ReadSubKeyNames(const std::vector<std::string>& key_path, std::vector<std::string>& out);

// The first subkey whose text value `value_name` equals `text`; empty when
// none does.
std::string FindSubKeyByValue(const std::vector<std::string>& key_path,
                              const std::string& value_name, const std::string& text);

}  // namespace fib
