// A one-column statement descriptor over a blob id, for tests that store
// and fetch blob ids with single client calls.
#pragma once

#include <ibase.h>

namespace fib_test {

struct BlobIdDescriptor {
  explicit BlobIdDescriptor(ISC_QUAD* id) {
    sqlda.version = SQLDA_VERSION1;
    sqlda.sqln = 1;
    sqlda.sqld = 1;
    XSQLVAR& var = sqlda.sqlvar[0];
    var.sqltype = SQL_BLOB + 1;
    var.sqllen = sizeof(ISC_QUAD);
    var.sqldata = reinterpret_cast<ISC_SCHAR*>(id);
    var.sqlind = &null_flag;
  }
  BlobIdDescriptor(const BlobIdDescriptor&) = delete;
  BlobIdDescriptor& operator=(const BlobIdDescriptor&) = delete;

  XSQLDA sqlda{};
  short null_flag = 0;
};

}  // namespace fib_test
