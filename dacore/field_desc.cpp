#include "dacore/field_desc.h"

namespace dacore {

TFieldDesc::~TFieldDesc() { ReleaseShared(object_type_); }

}  // namespace dacore
