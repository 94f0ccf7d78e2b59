// Moving parameter values between a statement's vectors without touching
// the server: blob and array ids travel as ids, NULL as NULL, whole INT64
// values exactly, everything else as a variant.
#pragma once

namespace fib {

class TFIBXSQLDA;
class TFIBXSQLVAR;

void CopyParamValue(const TFIBXSQLVAR& source, TFIBXSQLVAR& target);

// Sets the item count and forgets every item's described shape, so an
// item nobody assigned reads as NULL instead of as stale data.
void ResetVector(TFIBXSQLDA& vector, int count);

}  // namespace fib
