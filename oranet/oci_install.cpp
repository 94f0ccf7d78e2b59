#include "oranet/oci_install.h"

#include "classlib/exceptions.h"
#include "oracle/call_direct.h"
#include "oracle/call_entries.h"
#include "oracle/call_entries_statements.h"
#include "oracle/call_entries_values.h"
#include "oracle/call_state.h"
#include "oranet/lob_entries.h"
#include "oranet/oci_entries.h"
#include "oranet/oci_install_entry.h"
#include "oranet/oci_value_entries.h"

namespace oranet {

using namespace oracle;

namespace {

// Numbers, ROWIDs, date-times and intervals are computed here, without the
// server.
void InstallValueEntries() {
  Install(oracle::OCINumberAssign, NetNumberAssign);
  Install(oracle::OCINumberCmp, NetNumberCmp);
  Install(oracle::OCINumberFromInt, NetNumberFromInt);
  Install(oracle::OCINumberToInt, NetNumberToInt);
  Install(oracle::OCINumberFromReal, NetNumberFromReal);
  Install(oracle::OCINumberToReal, NetNumberToReal);
  Install(oracle::OCINumberFromText, NetNumberFromText);
  Install(oracle::OCINumberToText, NetNumberToText);
  Install(oracle::OCIRowidToChar, NetRowidToChar);
  Install(oracle::OCIDateTimeConstruct, NetDateTimeConstruct);
  Install(oracle::OCIDateTimeCheck, NetDateTimeCheck);
  Install(oracle::OCIDateTimeFromText, NetDateTimeFromText);
  Install(oracle::OCIDateTimeToText, NetDateTimeToText);
  Install(oracle::OCIDateTimeGetDate, NetDateTimeGetDate);
  Install(oracle::OCIDateTimeGetTime, NetDateTimeGetTime);
  Install(oracle::OCIDateTimeGetTimeZoneOffset, NetDateTimeGetTimeZoneOffset);
  Install(oracle::OCIDateTimeGetTimeZoneName, NetDateTimeGetTimeZoneName);
  Install(oracle::OCIDateTimeAssign, NetDateTimeAssign);
  Install(oracle::OCIDateTimeCompare, NetDateTimeCompare);
  Install(oracle::OCIIntervalFromText, NetIntervalFromText);
  Install(oracle::OCIIntervalToText, NetIntervalToText);
  Install(oracle::OCIIntervalCheck, NetIntervalCheck);
  Install(oracle::OCIIntervalAssign, NetIntervalAssign);
  Install(oracle::OCIIntervalCompare, NetIntervalCompare);
  Install(oracle::OCIIntervalSetYearMonth, NetIntervalSetYearMonth);
  Install(oracle::OCIIntervalGetYearMonth, NetIntervalGetYearMonth);
  Install(oracle::OCIIntervalSetDaySecond, NetIntervalSetDaySecond);
  Install(oracle::OCIIntervalGetDaySecond, NetIntervalGetDaySecond);
  Install(oracle::OCIIntervalFromNumber, NetIntervalFromNumber);
}

// Large objects go through blocks on the server's DBMS_LOB package.
void InstallLobEntries() {
  Install(oracle::OCILobGetLength, NetLobGetLength);
  Install(oracle::OCILobRead, NetLobRead);
  Install(oracle::OCILobWrite, NetLobWrite);
  Install(oracle::OCILobTrim, NetLobTrim);
  Install(oracle::OCILobCreateTemporary, NetLobCreateTemporary);
  Install(oracle::OCILobFreeTemporary, NetLobFreeTemporary);
  Install(oracle::OCILobIsTemporary, NetLobIsTemporary);
  Install(oracle::OCILobLocatorIsInit, NetLobLocatorIsInit);
  Install(oracle::OCILobCharSetForm, NetLobCharSetForm);
}

// The decimal conversions are the class library's own, so they have a
// step of their own.
void InstallNetBcd() {
  Install(oracle::OCINumberFromBCD, NetNumberFromBCD);
  Install(oracle::OCINumberToBCD, NetNumberToBCD);
}

void InstallEntries() {
  Install(oracle::OCIEnvCreate, NetEnvCreate);
  Install(oracle::OCIHandleAlloc, NetHandleAlloc);
  Install(oracle::OCIHandleFree, NetHandleFree);
  Install(oracle::OCIDescriptorAlloc, NetDescriptorAlloc);
  Install(oracle::OCIDescriptorFree, NetDescriptorFree);
  Install(oracle::OCIErrorGet, NetErrorGet);
  Install(oracle::OCIAttrGet, NetAttrGet);
  Install(oracle::OCIAttrSet, NetAttrSet);
  Install(oracle::OCIParamGet, NetParamGet);
  Install(oracle::OCIServerAttach, NetServerAttach);
  Install(oracle::OCIServerDetach, NetServerDetach);
  Install(oracle::OCISessionBegin, NetSessionBegin);
  Install(oracle::OCISessionEnd, NetSessionEnd);
  Install(oracle::OCIServerVersion, NetServerVersion);
  Install(oracle::OCIBreak, NetBreak);
  Install(oracle::OCITransCommit, NetTransCommit);
  Install(oracle::OCITransRollback, NetTransRollback);
  InstallStatementEntries();
  InstallLobEntries();
  InstallValueEntries();
}

constexpr OciSlot kNotSupported[] = {
    OciSlot::OCIBindObject,       OciSlot::OCIDefineObject,        OciSlot::OCIDescribeAny,
    OciSlot::OCIEnvInit,          OciSlot::OCIInitialize,          OciSlot::OCILdaToSvcCtx,
    OciSlot::OCIPasswordChange,   OciSlot::OCIStmtFetch2,          OciSlot::OCIStmtGetPieceInfo,
    OciSlot::OCIStmtSetPieceInfo, OciSlot::OCISvcCtxToLda,         OciSlot::OCILobAppend,
    OciSlot::OCILobAssign,        OciSlot::OCILobCharSetId,        OciSlot::OCILobCopy,
    OciSlot::OCILobDisableBuffering, OciSlot::OCILobEnableBuffering, OciSlot::OCILobErase,
    OciSlot::OCILobFileClose,     OciSlot::OCILobFileExists,       OciSlot::OCILobFileGetName,
    OciSlot::OCILobFileIsOpen,    OciSlot::OCILobFileOpen,         OciSlot::OCILobFileSetName,
    OciSlot::OCILobFlushBuffer,   OciSlot::OCILobIsEqual,          OciSlot::OCILobLoadFromFile,
};

// The environment mode follows the layer's settings, though direct mode
// itself does not use it.
ub4 EnvironmentMode() {
  ub4 mode = OCI_OBJECT;
  if (OCIThreaded) mode |= OCI_THREADED;
  if (OCIShared) mode |= OCI_SHARED;
  if (OCIEvents) mode |= OCI_EVENTS;
  if (OCIThreaded && !OCIMutexed) mode |= 8;
  return mode;
}

class NetClientInstaller : public IDirectModeInstaller {
 public:
  void Install() override { InitNet(); }
  void Remove() override { FreeNet(); }
};

}  // namespace

void NetNotSupported() { throw classlib::Exception("Function is not supported"); }

void RegisterNetClient() {
  static NetClientInstaller installer;
  RegisterDirectModeInstaller(&installer);
}

void InitNet() {
  InstallEntries();
  for (OciSlot slot : kNotSupported) SetOciEntryRefused(slot, NetNotSupported);
  OCIVersion = 9200;
  DefaultCallStyle = kOci8;
  PossibleCallStyles = kCallStyleOci8;
  void* error = nullptr;
  if (oracle::OCIEnvCreate(&hOCIEnv, EnvironmentMode(), nullptr, nullptr, nullptr, nullptr, 0, nullptr) !=
          OCI_SUCCESS ||
      oracle::OCIHandleAlloc(hOCIEnv, &error, OCI_HTYPE_ERROR, 0, nullptr) != OCI_SUCCESS)
    throw classlib::Exception("Can't initialize Net client");
  hOCIError = static_cast<OCIError*>(error);
  InstallNetBcd();
  OCIInited = true;
}

void FreeNet() {
  OCIVersion = 0;
  DefaultCallStyle = 0;
  if (PossibleCallStyles == kCallStyleOci8 && hOCIError) NetHandleFree(hOCIError, OCI_HTYPE_ERROR);
  hOCIError = nullptr;
  hOCIEnv = nullptr;
  PossibleCallStyles = 0;
  OCIInited = false;
}

}  // namespace oranet
