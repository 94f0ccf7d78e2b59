// The process-wide metadata caches that every database component of the
// process shares, created on first use in dependency order.
#pragma once

#include <string>
#include <vector>

#include "fib/metadata/dataset_info_cache.h"
#include "fib/metadata/error_messages_cache.h"
#include "fib/metadata/metadata_cache_repository.h"
#include "fib/metadata/table_info_cache.h"

namespace fib {

// Stored-procedure information: kept for callers that look for it; nothing
// in the layer fills it.
struct TpStoredProcCollect {
  std::vector<std::string> Names;
  std::vector<std::string> Infos;
};

struct MetadataCaches {
  MetadataCaches() : TableInfo(Flags), DataSetInfo(Flags) {}
  RepositoryFlags Flags;
  TpZODTableInfoCollect TableInfo;
  TpDataSetInfoCollect DataSetInfo;
  TpStoredProcCollect StoredProcs;
  TpErrorMessagesCollect ErrorMessages;

  // A database component that goes away takes its entries with it.
  void ForgetDatabase(const std::string& db_name);
};

MetadataCaches& ProcessMetadataCaches();

}  // namespace fib
