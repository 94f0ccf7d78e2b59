// The enumerations of the data-set and field model. The ordinals are the
// class library's own: descendants compare field types by number (the memo
// kinds are 16, 31 and 39; "types below 38"), and stored forms keep them.
#pragma once

#include "classlib/enum_set.h"

namespace classlib {

enum TFieldType : int {
  ftUnknown = 0, ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat, ftCurrency,
  ftBCD, ftDate, ftTime, ftDateTime, ftBytes, ftVarBytes, ftAutoInc, ftBlob,
  ftMemo = 16, ftGraphic, ftFmtMemo, ftParadoxOle, ftDBaseOle, ftTypedBinary, ftCursor,
  ftFixedChar, ftWideString, ftLargeint, ftADT, ftArray, ftReference, ftDataSet,
  ftOraBlob = 30, ftOraClob = 31, ftVariant, ftInterface, ftIDispatch, ftGuid, ftTimeStamp,
  ftFMTBcd = 37, ftFixedWideChar = 38, ftWideMemo = 39, ftOraTimeStamp, ftOraInterval = 41,
  // Driver-specific types number from here up.
  ftDriverFirst = 100,
};

enum TDataSetState {
  dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey, dsCalcFields, dsFilter, dsNewValue,
  dsOldValue, dsCurValue, dsBlockRead, dsInternalCalc, dsOpening,
};

enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };

enum TParamType { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };

enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };

enum TDataEvent {
  deFieldChange, deRecordChange, deDataSetChange, deDataSetScroll, deLayoutChange,
  deUpdateRecord, deUpdateState, deCheckBrowseMode, dePropertyChange, deFieldListChange,
  deFocusControl, deParentScroll, deConnectChange, deReconcileError, deDisabledStateChange,
};

enum TUpdateStatus { usUnmodified, usModified, usInserted, usDeleted };
using TUpdateStatusSet = EnumSet<TUpdateStatus>;
enum TUpdateKind { ukModify, ukInsert, ukDelete };
enum TUpdateAction { uaFail, uaAbort, uaSkip, uaRetry, uaApplied };
enum TDataAction { daFail, daAbort, daRetry };

enum TBookmarkFlag { bfCurrent, bfBOF, bfEOF, bfInserted };

enum TLocateOption { loCaseInsensitive, loPartialKey };
using TLocateOptions = EnumSet<TLocateOption>;
enum TFilterOption { foCaseInsensitive, foNoPartialCompare };
using TFilterOptions = EnumSet<TFilterOption>;

enum TResyncModeFlag { rmExact, rmCenter };
using TResyncMode = EnumSet<TResyncModeFlag>;

enum TBlobStreamMode { bmRead, bmWrite, bmReadWrite };

enum TFieldAttribute { faHiddenCol, faReadonly, faRequired, faLink, faUnNamed, faFixed };
using TFieldAttributes = EnumSet<TFieldAttribute>;

// How a data provider uses a field when it writes changes: in the SET list,
// in the WHERE clause, as a key column, or not at all shown to its clients.
enum TProviderFlag { pfInUpdate, pfInWhere, pfInKey, pfHidden };
using TProviderFlags = EnumSet<TProviderFlag>;

}  // namespace classlib
