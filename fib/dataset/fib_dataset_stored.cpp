// Reading the options that older stored forms kept as separate Boolean
// properties into the option sets.
#include <cstddef>
#include <string>

#include "classlib/variant.h"
#include "fib/dataset/fib_dataset.h"

namespace fib {

// ---- stored forms of older versions ----

namespace {

struct StoredOption {
  const char* name;
  int element;
};

constexpr StoredOption kStoredDsOptions[] = {
    {"oTrimCharFields", poTrimCharFields},   {"oRefreshAfterPost", poRefreshAfterPost},
    {"oRefreshDeletedRecord", poRefreshDeletedRecord},
    {"oStartTransaction", poStartTransaction}, {"oAutoFormatFields", poAutoFormatFields},
    {"oProtectedEdit", poProtectedEdit},     {"oKeepSorting", poKeepSorting},
    {"oPersistentSorting", poPersistentSorting}, {"oVisibleRecno", poVisibleRecno},
    {"oNoForceIsNull", poNoForceIsNull},     {"oFetchAll", poFetchAll},
    {"oCacheCalcFields", poCacheCalcFields}, {"oRefreshAfterDelete", poRefreshAfterDelete},
};

constexpr StoredOption kStoredPrepareOptions[] = {
    {"poSetRequiredFields", pfSetRequiredFields}, {"poSetReadOnlyFields", pfSetReadOnlyFields},
    {"poImportDefaultValues", pfImportDefaultValues}, {"poUseBooleanField", psUseBooleanField},
    {"poUseGuidField", psUseGuidField},       {"poSQLINT64ToBCD", psSQLINT64ToBCD},
    {"poApplyRepositary", psApplyRepositary}, {"poGetOrderInfo", psGetOrderInfo},
    {"poAskRecordCount", psAskRecordCount},   {"poCanEditComputedFields", psCanEditComputedFields},
    {"poEmptyStrToNull", psSetEmptyStrToNull}, {"poSupportUnicodeBlobs", psSupportUnicodeBlobs},
    {"poUseLargeIntField", psUseLargeIntField},
};

constexpr StoredOption kStoredDetailConditions[] = {
    {"dcForceOpen", dcForceOpen},
    {"dcIgnoreMasterClose", dcIgnoreMasterClose},
    {"dcForceMasterRefresh", dcForceMasterRefresh},
    {"WaitEndMasterScroll", dcWaitEndMasterScroll},
};

template <class E, std::size_t N>
bool ReadInto(classlib::EnumSet<E>& set, const StoredOption (&table)[N], const std::string& name,
              bool value) {
  for (const StoredOption& option : table) {
    if (name != option.name) continue;
    if (value)
      set.Include(static_cast<E>(option.element));
    else
      set.Exclude(static_cast<E>(option.element));
    return true;
  }
  return false;
}

}  // namespace

bool TFIBCustomDataSet::ReadStoredProperty(const std::string& name, const classlib::Variant& value) {
  if (name == "BufferChunks") {
    cache_model_options_->SetBufferChunks(value.AsInteger());
    return true;
  }
  TpZODDsOptions options = options_;
  if (ReadInto(options, kStoredDsOptions, name, value.AsBoolean())) {
    SetOptions(options);
    return true;
  }
  TpPrepareOptions prepare = prepare_options_;
  if (ReadInto(prepare, kStoredPrepareOptions, name, value.AsBoolean())) {
    prepare_options_ = prepare;
    return true;
  }
  TDetailConditions conditions = DetailConditions();
  if (ReadInto(conditions, kStoredDetailConditions, name, value.AsBoolean())) {
    SetDetailConditions(conditions);
    return true;
  }
  return false;
}

}  // namespace fib
