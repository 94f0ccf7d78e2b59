// TCRConnectionParameters: copying and the pool-key comparison.
#include "dacore/pool_parameters.h"

#include "classlib/ansistr.h"

namespace dacore {

std::unique_ptr<TCRConnectionParameters> TCRConnectionParameters::Create() const {
  return std::make_unique<TCRConnectionParameters>();
}

bool TCRConnectionParameters::Equals(const TCRConnectionParameters* other) const {
  return other && MinPoolSize == other->MinPoolSize && MaxPoolSize == other->MaxPoolSize &&
         ConnectionLifetime == other->ConnectionLifetime && Validate == other->Validate &&
         classlib::AnsiSameText(Username, other->Username) && Password == other->Password &&
         Server == other->Server;
}

void TCRConnectionParameters::AssignTo(classlib::TPersistent* dest) const {
  auto* to = dynamic_cast<TCRConnectionParameters*>(dest);
  if (!to) {
    TPersistent::AssignTo(dest);
    return;
  }
  to->MinPoolSize = MinPoolSize;
  to->MaxPoolSize = MaxPoolSize;
  to->Username = Username;
  to->Password = Password;
  to->Server = Server;
  to->ConnectionLifetime = ConnectionLifetime;
  to->Validate = Validate;
}

}  // namespace dacore
