#include "oracle/value_classes_utils.h"

namespace oracle {

namespace {

// InternalUnPrepare and SetPrepared are protected; a pointer to them taken
// inside a derived class may be called on any record set (InternalUnPrepare
// calls its override).
struct UnPrepareAccess : dacore::TCRRecordSet {
  static void Call(dacore::TCRRecordSet& record_set) {
    (record_set.*(&UnPrepareAccess::InternalUnPrepare))();
  }
  static void ClearPrepared(dacore::TCRRecordSet& record_set) {
    (record_set.*(&UnPrepareAccess::SetPrepared))(false);
  }
};

}  // namespace

void TOraClassesUtils::InternalUnPrepare(dacore::TCRRecordSet& record_set) { UnPrepareAccess::Call(record_set); }

void TOraClassesUtils::ClearPrepared(dacore::TCRRecordSet& record_set) { UnPrepareAccess::ClearPrepared(record_set); }

}  // namespace oracle
