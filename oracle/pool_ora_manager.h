// TOraConnectionPoolManager: the process-wide manager of the Oracle pools,
// made on first use. It keeps one pool per distinct parameter set, of the
// kind the parameters ask for, and lays a proxy session of the end user
// over a pooled connection when the parameters carry proxy credentials.
#pragma once


#include "dacore/pool_manager.h"
#include "oracle/pool_ora_parameters.h"

namespace oracle {

class TOCIConnection;

class TOraConnectionPoolManager : public dacore::TCRConnectionPoolManager {
  CLASSLIB_CLASS(TOraConnectionPoolManager, dacore::TCRConnectionPoolManager)
 public:
  explicit TOraConnectionPoolManager(dacore::TPoolClock* clock = nullptr);
  ~TOraConnectionPoolManager() override;

  // A connected connection for these parameters from the process's manager
  // (made on first use).
  static dacore::TCRConnection* GetConnection(const TOraConnectionParameters& parameters);
  // Frees the idle connections of every pool of the process's manager.
  static void Clear();
  // Frees the process's manager and its pools (at the end of the process,
  // or when a test starts afresh).
  static void Free();
  // The process's manager, or nullptr.
  static TOraConnectionPoolManager* Instance();

  // The parameters of the request this thread is being served, or nullptr:
  // a pool that authenticates each request takes its account. Gets of
  // several threads run at once (a full pool makes only its own gets wait),
  // so each thread has its own.
  const TOraConnectionParameters* CurrentRequest() const;

  // A proxy session is freed and its pooled connection goes back instead.
  dacore::TCRConnection* AdjustConnection(dacore::TCRConnection* connection) override;

 protected:
  std::unique_ptr<dacore::TCRConnectionPool> CreateConnectionPool(
      const dacore::TCRConnectionParameters& parameters) override;
  dacore::TCRConnection* InternalGetConnection(const dacore::TCRConnectionParameters& parameters) override;

 private:
  TOCIConnection* OpenProxySession(TOCIConnection* pooled, const TOraConnectionParameters& parameters);
};

}  // namespace oracle
