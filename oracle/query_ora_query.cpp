// What TOraQuery adds to the Oracle data set: the refresh mode and the
// process-wide rule that statements be written by hand.
#include "oracle/query_ora_dataset.h"

namespace oracle {

using namespace dacore;

bool TOraQuery::UpdateStatementsRequired = false;

TRefreshMode TOraQuery::RefreshMode() const {
  const TRefreshOptions options = RefreshOptions();
  const bool insert = options.Contains(roAfterInsert), update = options.Contains(roAfterUpdate);
  if (insert && update) return rmAlways;
  if (update) return rmAfterUpdate;
  return insert ? rmAfterInsert : rmNone;
}

void TOraQuery::SetRefreshMode(TRefreshMode mode) {
  TRefreshOptions options = RefreshOptions();
  options.Exclude(roAfterInsert);
  options.Exclude(roAfterUpdate);
  if (mode == rmAfterInsert || mode == rmAlways) options.Include(roAfterInsert);
  if (mode == rmAfterUpdate || mode == rmAlways) options.Include(roAfterUpdate);
  SetRefreshOptions(options);
}

}  // namespace oracle
