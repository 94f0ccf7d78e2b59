#include "fib/metadata/metadata_cache_source.h"

#include <strings.h>

namespace fib {

int IMetadataRows::IndexOf(const std::string& name) const {
  for (int i = 0; i < ColumnCount(); ++i) {
    if (strcasecmp(ColumnName(i).c_str(), name.c_str()) == 0) return i;
  }
  return -1;
}

bool IMetadataRows::IsNull(const std::string& name) const {
  int index = IndexOf(name);
  return index < 0 || IsNull(index);
}

std::string IMetadataRows::AsString(const std::string& name) const {
  int index = IndexOf(name);
  return index < 0 ? std::string() : AsString(index);
}

int IMetadataRows::AsInteger(const std::string& name) const {
  int index = IndexOf(name);
  return index < 0 ? 0 : AsInteger(index);
}

int SelectInteger(IMetadataSource& source, const std::string& sql, const MetadataParams& params) {
  auto rows = source.Select(sql, params);
  if (!rows->Next() || rows->ColumnCount() < 1) return 0;
  return rows->AsInteger(0);
}

}  // namespace fib
