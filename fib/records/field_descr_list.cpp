#include "fib/records/field_descr_list.h"

#include <string>

#include "classlib/exceptions.h"

namespace fib {

TFIBFieldDescr* TFIBFieldDescrList::Add(const TFIBFieldDescr& values) {
  items_.push_back(std::make_unique<TFIBFieldDescr>(values));
  return items_.back().get();
}

void TFIBFieldDescrList::RaiseIndexError(int index) {
  throw classlib::EListError("List index out of bounds (" + std::to_string(index) + ")");
}

void TFIBFieldDescrList::SetCapacity(int capacity) {
  if (capacity > GetCount()) items_.reserve(static_cast<size_t>(capacity));
}

}  // namespace fib
