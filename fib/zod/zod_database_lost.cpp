// Noticing that the server is gone and forgetting the attachment without
// further server calls.
#include <ibase.h>

#include "fib/base/fib_timer.h"
#include "fib/statements/fib_query.h"
#include "fib/zod/zod_database.h"
#include "fib/zod/zod_database_app.h"

namespace fib {

bool TpZODDatabase::CheckConnectionAlive(TOnLostConnectActions actions) {
  if (!Connected()) return false;
  try {
    ProbeServer();
    return true;
  } catch (const EFIBError& error) {
    HandleLostConnect(error, actions);
    return false;
  }
}

// Any cheap information request will do; the answer itself is not used.
void TpZODDatabase::ProbeServer() {
  CheckActive();
  const char items[] = {isc_info_base_level, isc_info_end};
  char answer[32] = {};
  CheckClientCall(ClientLibrary().isc_database_info(StatusVector(), HandleAddress(),
                                                    sizeof items, items, sizeof answer, answer),
                  true);
}

void TpZODDatabase::HandleLostConnect(const EFIBError& error, TOnLostConnectActions& actions) {
  if (OnLostConnect) OnLostConnect(this, error, actions);
  switch (actions) {
    case laTerminateApp:
      CloseAfterLostConnect();
      TerminateApplication();
      break;
    case laCloseConnect: CloseAfterLostConnect(); break;
    case laIgnore: break;
    case laWaitRestore:
      CloseAfterLostConnect();
      if (restore_timer_) restore_timer_->SetEnabled(true);
      break;
  }
}

void TpZODDatabase::CloseAfterLostConnect() {
  ReleaseDeadAttachment();
  for (int i = 0; i < LinkCount(); ++i) {
    TFIBBase* link = Links(i);
    if (link == nullptr || dynamic_cast<TFIBQuery*>(link->Owner()) == nullptr) continue;
    try {
      // A statement hearing that its database is gone drops its handle
      // without calling the server.
      link->Fire(link->OnDatabaseFree);
    } catch (const std::exception&) {
      // One statement that cannot close must not keep the others open.
    }
  }
  for (int i = 0; i < TransactionCount(); ++i) {
    TFIBTransaction* transaction = Transactions(i);
    if (transaction == nullptr || !transaction->Active()) continue;
    try {
      transaction->SetEndLocally();
      transaction->EndTransaction(TACommit, true);
    } catch (const std::exception&) {
      // As above: the next transaction still ends.
    }
  }
}

// The server side is gone, but the client library still holds its own
// record of the attachment and would trip over it when it shuts down; a
// detach releases that record. Its failure is expected and ignored.
void TpZODDatabase::ReleaseDeadAttachment() {
  ISC_STATUS_ARRAY ignored = {};
  ClientLibrary().isc_detach_database(ignored, HandleAddress());
  *HandleAddress() = 0;
}

}  // namespace fib
