#include "oracle/value_classes_utils.h"

namespace oracle {

namespace {

// InternalUnPrepare is protected; a pointer to it taken inside a derived
// class may be called on any record set, and calls its override.
struct UnPrepareAccess : dacore::TCRRecordSet {
  static void Call(dacore::TCRRecordSet& record_set) {
    (record_set.*(&UnPrepareAccess::InternalUnPrepare))();
  }
};

}  // namespace

void TOraClassesUtils::InternalUnPrepare(dacore::TCRRecordSet& record_set) { UnPrepareAccess::Call(record_set); }

}  // namespace oracle
