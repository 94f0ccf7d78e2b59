// The process-wide environment of the call interface, the older interface's
// initialisation, and the checks of the interface level.
#include <string>

#include "oracle/call_binding.h"
#include "oracle/call_entries.h"
#include "oracle/call_state.h"
#include "oracle/error_raise.h"

namespace oracle {

namespace {

[[noreturn]] void RaiseOciInitError(sword status) {
  RaiseOraException("Can't initialize OCI. Error " + std::to_string(status));
}

void CheckInit(sword status) {
  if (status != OCI_SUCCESS) RaiseOciInitError(status);
}

ub4 EnvironmentMode() {
  ub4 mode = OCI_OBJECT;
  if (OCIThreaded && OCIVersion >= 8041) mode |= OCI_THREADED;
  if (OCIShared && OCIVersion >= 8140) mode |= OCI_SHARED;
  if (OCIEvents && OCIVersion >= 8140 && OCIVersion >= OCIEventsVersion) mode |= OCI_EVENTS;
  return mode;
}

void CreateOci8Environment() {
  ub4 mode = EnvironmentMode();
  if (OCIVersion < 8100) {
    CheckInit(OCIInitialize(mode, nullptr, nullptr, nullptr, nullptr));
    CheckInit(OCIEnvInit(&hOCIEnv, OCIThreaded ? OCI_ENV_NO_MUTEX : OCI_DEFAULT, 0, nullptr));
  } else {
    if (OCIThreaded && !OCIMutexed) mode |= OCI_NO_MUTEX;
    CheckInit(OCIEnvCreate(&hOCIEnv, mode, nullptr, nullptr, nullptr, nullptr, 0, nullptr));
  }
  if (!hOCIEnv) RaiseOciInitError(OCI_INVALID_HANDLE);
  void* error = nullptr;
  sword status = OCIHandleAlloc(hOCIEnv, &error, OCI_HTYPE_ERROR, 0, nullptr);
  if (status != OCI_SUCCESS) {
    // The next attempt creates the environment anew; this one must not stay behind.
    OCIHandleFree(hOCIEnv, OCI_HTYPE_ENV);
    hOCIEnv = nullptr;
    RaiseOciInitError(status);
  }
  hOCIError = static_cast<OCIError*>(error);
  OCIInited = true;
}

}  // namespace

void InitOciEnvironment() {
  std::lock_guard<std::mutex> guard(OciEnvironmentLock());
  if (OCIInited) return;
  if (!IsOciLoaded()) LoadOciEntryPoints();
  if (PossibleCallStyles & kCallStyleOci8) CreateOci8Environment();
  if (PossibleCallStyles & kCallStyleOci7) {
    // A client that no longer exports the older interface still serves the
    // newer one; only a session in the older style would need it.
    if (OCIThreaded && opinit.Linked()) InitOci7(true);
    OCIInited = true;
  }
}

void FreeOciEnvironment() {
  if (!OCIInited || !(PossibleCallStyles & kCallStyleOci8)) return;
  if (hOCIError) OCIHandleFree(hOCIError, OCI_HTYPE_ERROR);
  if (hOCIEnv) OCIHandleFree(hOCIEnv, OCI_HTYPE_ENV);
  hOCIError = nullptr;
  hOCIEnv = nullptr;
  OCIInited = false;
}

void InitOci7(bool threaded) {
  if (!(PossibleCallStyles & kCallStyleOci7)) return;
  OCI7Initialized = threaded;
  opinit(0);
}

bool IsOci7Initialized() { return OCI7Initialized; }

void CheckOci8() {
  if (DefaultCallStyle != kOci8) RaiseOraException("Need Oracle 8 Call Interface");
}

void CheckOci8i() {
  if (OCIVersion < 8100) RaiseOraException("Need Oracle 8i Call Interface");
}

void CheckOci9() {
  if (OCIVersion < 9000) RaiseOraException("Need Oracle 9 Call Interface");
}

}  // namespace oracle
