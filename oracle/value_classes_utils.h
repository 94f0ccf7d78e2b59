// What the session component needs of a record set beyond its public face:
// dropping a prepared statement without closing the component, as after a
// fail-over to a new server session.
#pragma once

#include "dacore/driver_record_set.h"

namespace oracle {

class TOraClassesUtils {
 public:
  // Calls the record set's own InternalUnPrepare.
  static void InternalUnPrepare(dacore::TCRRecordSet& record_set);
  // Clears the record set's prepared mark (after InternalUnPrepare), so
  // that its next use prepares the statement again.
  static void ClearPrepared(dacore::TCRRecordSet& record_set);
};

}  // namespace oracle
