// The option enumerations and sets that the layer's components publish.
// Ordinals count from 0 in the order given; stored forms rely on them.
#pragma once

#include "classlib/enum_set.h"

namespace fib {

enum TpPrepareOption {
  pfSetRequiredFields,
  pfSetReadOnlyFields,
  pfImportDefaultValues,
  psUseBooleanField,
  psUseGuidField,
  psSQLINT64ToBCD,
  psApplyRepositary,
  psGetOrderInfo,
  psAskRecordCount,
  psCanEditComputedFields,
  psSetEmptyStrToNull,
  psSupportUnicodeBlobs,
  psUseLargeIntField,
};
using TpPrepareOptions = classlib::EnumSet<TpPrepareOption>;

enum TpZODDsOption {
  poTrimCharFields,
  poRefreshAfterPost,
  poRefreshDeletedRecord,
  poStartTransaction,
  poAutoFormatFields,
  poProtectedEdit,
  poKeepSorting,
  poPersistentSorting,
  poVisibleRecno,
  poNoForceIsNull,
  poFetchAll,
  poFreeHandlesAfterClose,
  poCacheCalcFields,
  poRefreshAfterDelete,
};
using TpZODDsOptions = classlib::EnumSet<TpZODDsOption>;

enum TpZODQueryOption {
  qoStartTransaction,
  qoAutoCommit,
  qoTrimCharFields,
  qoNoForceIsNull,
  qoFreeHandleAfterExecute,
};
using TpZODQueryOptions = classlib::EnumSet<TpZODQueryOption>;

enum TDetailCondition { dcForceOpen, dcIgnoreMasterClose, dcForceMasterRefresh, dcWaitEndMasterScroll };
using TDetailConditions = classlib::EnumSet<TDetailCondition>;

enum TFieldOriginRule { forNoRule, forTableAndFieldName, forClientFieldName, forTableAliasAndFieldName };

enum TWhenGetGenID { wgNever, wgOnNewRecord, wgBeforePost };

enum TTPBMode { tpbDefault, tpbReadCommitted, tpbRepeatableRead };

}  // namespace fib
