#include "oracle/conn_svc_ctx_liveness.h"

#include <map>
#include <mutex>

#include "oracle/call_state.h"

namespace oracle {

namespace {

struct OpenContexts {
  std::mutex lock;
  std::map<OCISvcCtx*, TSvcCtxToken> tokens;
};

OpenContexts& TheOpenContexts() {
  static OpenContexts contexts;
  return contexts;
}

}  // namespace

OCIError* TSvcCtxLiveness::Error() const { return Open() && error_ ? error_ : hOCIError; }

OCIError* ErrorHandleOf(const TSvcCtxToken& token) { return token ? token->Error() : hOCIError; }

void OpenSvcCtx(OCISvcCtx* svc_ctx, OCIError* error) {
  if (!svc_ctx) return;
  OpenContexts& contexts = TheOpenContexts();
  std::lock_guard<std::mutex> guard(contexts.lock);
  TSvcCtxToken& token = contexts.tokens[svc_ctx];
  // A context left registered (an end that never ran) is closed for the
  // values that took it: they belong to the session before.
  if (token) token->MarkClosed();
  token = std::make_shared<TSvcCtxLiveness>(error);
}

void CloseSvcCtx(OCISvcCtx* svc_ctx) {
  if (!svc_ctx) return;
  OpenContexts& contexts = TheOpenContexts();
  std::lock_guard<std::mutex> guard(contexts.lock);
  auto found = contexts.tokens.find(svc_ctx);
  if (found == contexts.tokens.end()) return;
  found->second->MarkClosed();
  contexts.tokens.erase(found);
}

TSvcCtxToken SvcCtxToken(OCISvcCtx* svc_ctx) {
  if (!svc_ctx) return nullptr;
  OpenContexts& contexts = TheOpenContexts();
  std::lock_guard<std::mutex> guard(contexts.lock);
  auto found = contexts.tokens.find(svc_ctx);
  return found != contexts.tokens.end() ? found->second : nullptr;
}

}  // namespace oracle
