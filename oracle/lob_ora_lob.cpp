// TOraLob's life: the locator, the session, temporary LOBs and what the
// server answers about a LOB (initialised, length, charset form).
#include "oracle/lob_ora_lob.h"

#include "dacore/util_marshal.h"
#include "oracle/call_binding.h"
#include "oracle/call_entries.h"
#include "oracle/call_entries_values.h"
#include "oracle/call_state.h"
#include "oracle/error_messages.h"
#include "oracle/error_ora.h"
#include "oracle/error_raise.h"

namespace oracle {

TOraLob::TOraLob(OCISvcCtx* svc_ctx, bool is_unicode)
    : TCompressedBlob(is_unicode),
      locator_cell_(static_cast<OCILobLocator**>(dacore::Marshal::AllocMem(sizeof(OCILobLocator*)))) {
  *locator_cell_ = nullptr;
  SetOCISvcCtx(svc_ctx);
}

TOraLob::~TOraLob() {
  try {
    TOraLob::FreeLob();
  } catch (...) {
    // A session that is gone cannot free its temporary LOB; the server does
    // at the session's end, and a destructor must not raise.
  }
  dacore::Marshal::FreeMem(locator_cell_);
}

void TOraLob::SetOCISvcCtx(OCISvcCtx* svc_ctx) {
  svc_ctx_ = svc_ctx;
  svc_token_ = SvcCtxToken(svc_ctx);
  env_ = nullptr;
  if (!svc_ctx) return;
  void* env = nullptr;
  OCIError* const error = ErrorHandle();
  CheckOciStatus(OCIAttrGet(svc_ctx, OCI_HTYPE_SVCCTX, &env, nullptr, OCI_ATTR_ENV, error), error);
  env_ = static_cast<OCIEnv*>(env);
}

OCIEnv* TOraLob::LocatorEnv() const { return env_ ? env_ : hOCIEnv; }

void TOraLob::CheckAlloc() {
  if (!Locator()) RaiseOraException(messages::kLobNotAllocated);
}

bool TOraLob::SessionOpen() const { return svc_ctx_ && (!svc_token_ || svc_token_->Open()); }

void TOraLob::CheckSession() {
  if (!svc_ctx_) RaiseOraException(messages::kSvcCtxNotDefined);
  if (!SessionOpen()) RaiseOraException(messages::kSessionNotConnected);
}

void TOraLob::CheckInit() {
  if (!IsInit()) RaiseOraException(messages::kLobNotInited);
}

int TOraLob::GetCharSize() { return IsUnicode() ? 2 : 1; }

void TOraLob::AllocLob() {
  if (Locator()) return;
  if (!OCIInited) InitOciEnvironment();
  void* locator = nullptr;
  CheckOciStatus(OCIDescriptorAlloc(LocatorEnv(), &locator, OCI_DTYPE_LOB, 0, nullptr));
  SetLocator(static_cast<OCILobLocator*>(locator));
  owns_locator_ = true;
}

void TOraLob::FreeLob() {
  OCILobLocator* locator = Locator();
  if (locator && owns_locator_) {
    // A temporary LOB of a session that has ended went with it.
    if (SessionOpen() && IsTemporary()) {
      FreeTemporary();
      return;  // FreeTemporary ends in FreeLob
    }
    SetLocator(nullptr);
    owns_locator_ = false;
    charset_form_ = 0;
    CheckOciStatus(OCIDescriptorFree(locator, OCI_DTYPE_LOB));
    return;
  }
  SetLocator(nullptr);
  charset_form_ = 0;
  owns_locator_ = false;
}

OCILobLocator* TOraLob::GetOCILobLocator() {
  AllocLob();
  return Locator();
}

void TOraLob::SetOCILobLocator(OCILobLocator* locator) {
  if (locator && locator == Locator()) return;  // freeing it would leave it dangling
  FreeLob();
  SetLocator(locator);
  owns_locator_ = false;
}

void TOraLob::CreateTemporary(TLobType lob_type) {
  CheckOci8i();
  FreeLob();
  AllocLob();
  CheckSession();
  // The client knows two temporary kinds, BLOB (1) and CLOB (2); a national
  // CLOB is a CLOB in the national character set form. The other kinds keep
  // form 0, which the client takes as the database's own.
  const bool national = lob_type == ltNClob;
  OCIError* const error = ErrorHandle();
  CheckOciStatus(OCILobCreateTemporary(svc_ctx_, error, Locator(), 0, national ? SQLCS_NCHAR : 0,
                                       static_cast<ub1>(national ? ltClob + 1 : lob_type + 1), 0,
                                       OCI_DURATION_SESSION),
                 error);
  lob_type_ = lob_type;
  charset_form_ = lob_type == ltNClob ? SQLCS_NCHAR : SQLCS_IMPLICIT;
}

void TOraLob::FreeTemporary() {
  CheckAlloc();
  CheckSession();
  // The locator is let go even when the server refuses, so a failed free
  // cannot be retried forever by the destructor.
  OCIError* const error = ErrorHandle();
  sword status = OCILobFreeTemporary(svc_ctx_, error, Locator());
  OCILobLocator* locator = Locator();
  SetLocator(nullptr);
  charset_form_ = 0;
  if (owns_locator_) OCIDescriptorFree(locator, OCI_DTYPE_LOB);
  owns_locator_ = false;
  CheckOciStatus(status, error);
}

bool TOraLob::IsTemporary() {
  CheckAlloc();
  boolean temporary = 0;
  OCIError* const error = ErrorHandle();
  CheckOciStatus(OCILobIsTemporary(LocatorEnv(), error, Locator(), &temporary), error);
  return temporary != 0;
}

bool TOraLob::IsInit() {
  CheckAlloc();
  boolean init = 0;
  OCIError* const error = ErrorHandle();
  CheckOciStatus(OCILobLocatorIsInit(LocatorEnv(), error, Locator(), &init), error);
  return init != 0;
}

uint32_t TOraLob::LengthLob() {
  CheckAlloc();
  CheckSession();
  if (!IsInit()) {
    needs_read_ = false;
    return 0;
  }
  ub4 length = 0;
  OCIError* const error = ErrorHandle();
  CheckOciStatus(OCILobGetLength(svc_ctx_, error, Locator(), &length), error);
  if (length == 0) needs_read_ = false;
  return length;
}

int TOraLob::GetCharsetForm() {
  if (charset_form_ == 0) {
    CheckAlloc();
    ub1 form = 0;
    OCIError* const error = ErrorHandle();
    CheckOciStatus(OCILobCharSetForm(LocatorEnv(), error, Locator(), &form), error);
    charset_form_ = form;
    if (form == SQLCS_NCHAR) lob_type_ = ltNClob;
  }
  return charset_form_;
}

void CompressAfterRead(TOraLob& lob, bool is_blob, dacore::TCompressBlobMode mode) {
  lob.SetCompressed(is_blob && (mode == dacore::cbClient || mode == dacore::cbClientServer));
}

void CompressBeforeWrite(TOraLob& lob, bool is_blob, dacore::TCompressBlobMode mode) {
  lob.SetCompressed(is_blob && (mode == dacore::cbServer || mode == dacore::cbClientServer));
}

void TOraLob::SetCached(bool value) {
  if (value == cached_) return;
  if (!value && FirstPiece()) {
    FreePieces();
    needs_read_ = true;
  }
  cached_ = value;
}

}  // namespace oracle
