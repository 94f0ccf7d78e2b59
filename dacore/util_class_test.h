// Class tests that also recognise classes of another loaded module, whose
// class descriptions are separate copies: there only the names can match.
#pragma once

#include "classlib/object.h"

namespace dacore {

// True when obj's class or one of its ancestors has cls's name.
bool InheritsFromByName(const classlib::TObject* obj, const classlib::TClassInfo& cls);
// The ordinary inheritance test, or InheritsFromByName when this code runs
// inside a loaded library (SetIsLibrary).
bool IsClassOrNamed(const classlib::TObject* obj, const classlib::TClassInfo& cls);

bool IsLibrary();
void SetIsLibrary(bool value);

}  // namespace dacore
