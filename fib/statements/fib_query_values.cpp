#include "fib/statements/fib_query_values.h"

#include <cstring>

#include "fib/statements/xsqlda.h"

namespace fib {

void CopyParamValue(const TFIBXSQLVAR& source, TFIBXSQLVAR& target) {
  if (source.HasStream()) {
    target.LoadFromStream(*source.Stream());
    return;
  }
  if (source.IsNull()) {
    target.SetIsNull(true);
    return;
  }
  switch (source.SQLType()) {
    case SQL_BLOB:
    case SQL_ARRAY:
    case SQL_QUAD:
      target.SetAsQuad(source.AsQuad());
      return;
    case SQL_INT64:
      if (source.SQLScale() == 0) {
        target.SetAsInt64(source.AsInt64());
        return;
      }
      break;
    default:
      break;
  }
  target.SetAsVariant(source.AsVariant());
}

void ResetVector(TFIBXSQLDA& vector, int count) {
  vector.Resize(count);
  XSQLDA* area = vector.AsXSQLDA();
  for (int i = 0; i < count; ++i) std::memset(&area->sqlvar[i], 0, sizeof(XSQLVAR));
}

}  // namespace fib
