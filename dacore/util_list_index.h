// The index check of the layer's own lists, with the class library's list
// error, so a bad index reaches callers as a library exception.
#pragma once

#include <string>

#include "classlib/exceptions.h"

namespace dacore {

inline void CheckListIndex(int index, int count) {
  if (index < 0 || index >= count)
    throw classlib::EListError("List index out of bounds (" + std::to_string(index) + ")");
}

}  // namespace dacore
