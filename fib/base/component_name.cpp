#include "fib/base/component_name.h"

#include "classlib/component.h"

namespace fib {

std::string FullComponentName(const classlib::TComponent* component) {
  std::string result;
  for (const classlib::TComponent* c = component; c != nullptr; c = c->Owner()) {
    if (c->Name().empty()) continue;
    result = result.empty() ? c->Name() : c->Name() + "." + result;
  }
  return result;
}

}  // namespace fib
