// The dotted name by which messages of the layer name a component.
#pragma once

#include <string>

namespace classlib {
class TComponent;
}

namespace fib {

// The names of the component and of its owners, outermost owner first,
// joined by "."; unnamed links are skipped, nullptr gives "".
std::string FullComponentName(const classlib::TComponent* component);

}  // namespace fib
