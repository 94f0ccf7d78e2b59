// Whether a connection's service context is still open. Values that keep a
// service context beyond the call that gave it to them (LOBs and BFILEs an
// application may hold after the session ends) take its liveness token when
// they take the context, and ask it before each call that passes the
// context: once the connection ends its session the handle is freed, and a
// reconnect makes another one, possibly at the same address. The token of
// a closed context stays closed, so an old value is never carried over onto
// a new session.
#pragma once

#include <atomic>
#include <memory>

#include "oracle/oci_defs.h"

namespace oracle {

class TSvcCtxLiveness {
 public:
  bool Open() const { return open_.load(std::memory_order_acquire); }
  void MarkClosed() { open_.store(false, std::memory_order_release); }

 private:
  std::atomic<bool> open_{true};
};

using TSvcCtxToken = std::shared_ptr<TSvcCtxLiveness>;

// The connection's side: a context it has opened a session on, and the end
// of that session (before its handles are freed).
void OpenSvcCtx(OCISvcCtx* svc_ctx);
void CloseSvcCtx(OCISvcCtx* svc_ctx);

// The token of a context some connection holds open; nil for a context no
// connection of this process opened (one the application made itself).
TSvcCtxToken SvcCtxToken(OCISvcCtx* svc_ctx);

}  // namespace oracle
