// Whether a connection's service context is still open. Values that keep a
// service context beyond the call that gave it to them (LOBs and BFILEs an
// application may hold after the session ends) take its liveness token when
// they take the context, and ask it before each call that passes the
// context: once the connection ends its session the handle is freed, and a
// reconnect makes another one, possibly at the same address. The token of
// a closed context stays closed, so an old value is never carried over onto
// a new session.
//
// The token also carries the connection's error handle, so that a value's
// calls report through its own session's handle: the text of a failure is
// read by a second call, which must not find another session's error. Once
// the session ends that handle is freed with it, and a value kept past its
// session reports through the environment's handle: it makes no call that
// needs the session any more, only the environment's own (conversions,
// BFILE names), which is what that handle is for.
#pragma once

#include <atomic>
#include <memory>

#include "oracle/oci_defs.h"

namespace oracle {

class TSvcCtxLiveness {
 public:
  explicit TSvcCtxLiveness(OCIError* error = nullptr) : error_(error) {}
  bool Open() const { return open_.load(std::memory_order_acquire); }
  void MarkClosed() { open_.store(false, std::memory_order_release); }
  // The connection's error handle while its session is open; the
  // environment's once it has ended (or when the connection gave none).
  OCIError* Error() const;

 private:
  std::atomic<bool> open_{true};
  OCIError* const error_;
};

using TSvcCtxToken = std::shared_ptr<TSvcCtxLiveness>;

// The connection's side: a context it has opened a session on, with the
// error handle its calls report through, and the end of that session
// (before its handles are freed).
void OpenSvcCtx(OCISvcCtx* svc_ctx, OCIError* error);
void CloseSvcCtx(OCISvcCtx* svc_ctx);

// The token of a context some connection holds open; nil for a context no
// connection of this process opened (one the application made itself).
TSvcCtxToken SvcCtxToken(OCISvcCtx* svc_ctx);

// The error handle a value holding this token reports through: the
// environment's for no token.
OCIError* ErrorHandleOf(const TSvcCtxToken& token);

// The session a value (a date-time, interval or number) was made on: its
// calls report their errors through that connection's error handle while
// the session is open, and through the environment's after it (or for a
// value made on none).
class TValueSession {
 public:
  void SetOCISvcCtx(OCISvcCtx* svc_ctx) { session_ = SvcCtxToken(svc_ctx); }
  void SetSession(const TSvcCtxToken& session) { session_ = session; }
  const TSvcCtxToken& Session() const { return session_; }
  OCIError* ErrorHandle() const { return ErrorHandleOf(session_); }

 private:
  TSvcCtxToken session_;
};

}  // namespace oracle
