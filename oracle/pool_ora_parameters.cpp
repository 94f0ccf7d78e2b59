// TOraConnectionParameters: copying and the pool-key comparison.
#include "oracle/pool_ora_parameters.h"

#include "classlib/ansistr.h"

namespace oracle {

std::unique_ptr<dacore::TCRConnectionParameters> TOraConnectionParameters::Create() const {
  return std::make_unique<TOraConnectionParameters>();
}

bool TOraConnectionParameters::Equals(const dacore::TCRConnectionParameters* other) const {
  const auto* ora = dynamic_cast<const TOraConnectionParameters*>(other);
  if (!ora) return false;
  const bool same_account =
      classlib::AnsiSameText(Username, ora->Username) && Password == ora->Password;
  return MinPoolSize == ora->MinPoolSize && MaxPoolSize == ora->MaxPoolSize &&
         ConnectionLifetime == ora->ConnectionLifetime && Validate == ora->Validate &&
         classlib::AnsiSameText(Server, ora->Server) && ConnectMode == ora->ConnectMode &&
         UseOCI7 == ora->UseOCI7 && PoolType == ora->PoolType &&
         StatementCache == ora->StatementCache && StatementCacheSize == ora->StatementCacheSize &&
         SessionSettings == ora->SessionSettings && (same_account || PoolType == optOCI);
}

void TOraConnectionParameters::AssignTo(classlib::TPersistent* dest) const {
  if (auto* to = dynamic_cast<TOraConnectionParameters*>(dest)) {
    to->ConnectMode = ConnectMode;
    to->UseOCI7 = UseOCI7;
    to->PoolType = PoolType;
    to->StatementCache = StatementCache;
    to->StatementCacheSize = StatementCacheSize;
    to->SessionSettings = SessionSettings;
  }
  dacore::TCRConnectionParameters::AssignTo(dest);
}

}  // namespace oracle
