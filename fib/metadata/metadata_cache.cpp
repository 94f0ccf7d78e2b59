#include "fib/metadata/metadata_cache.h"

namespace fib {

void MetadataCaches::ForgetDatabase(const std::string& db_name) {
  TableInfo.RemoveDatabase(db_name);
  DataSetInfo.RemoveDatabase(db_name);
  Flags.Forget(db_name);
}

MetadataCaches& ProcessMetadataCaches() {
  static MetadataCaches caches;
  return caches;
}

}  // namespace fib
