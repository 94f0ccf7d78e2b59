// What the server says about one select-list column, read through either
// call style's describe call, before it becomes a field description.
#pragma once

#include <string>

#include "oracle/oci_defs.h"

namespace oracle {

struct TSelectColumn {
  std::string name;
  ub2 type = 0;  // the server's type code
  ub2 size = 0;
  int precision = 0;
  int scale = 0;
  bool nullable = true;
  ub1 form = 1;  // 2: the national character set
  ub2 char_size = 0;
  ub1 fs_precision = 0;
  ub1 lf_precision = 0;
  std::string type_name;  // the quoted type of an object or REF column
};

}  // namespace oracle
