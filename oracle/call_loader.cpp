// Loading the client library, filling the table by name, and unloading.
#include <string>

#include "classlib/exceptions.h"
#include "oracle/call_binding.h"
#include "oracle/call_state.h"
#include "oracle/call_table.h"
#include "platform/dynlib.h"

namespace oracle {

namespace {

bool GroupWanted(OciGroup group) {
  switch (group) {
    case OciGroup::Oci7: return (PossibleCallStyles & kCallStyleOci7) != 0;
    case OciGroup::Oci8: return (PossibleCallStyles & kCallStyleOci8) != 0;
    case OciGroup::Oci8Objects: return (PossibleCallStyles & kCallStyleOci8) != 0 && OCIObjects;
    case OciGroup::Oci81: return OCIVersion >= 8100;
    case OciGroup::Oci90: return OCIVersion >= 9000;
    case OciGroup::Oci100: return OCIVersion >= 10000;
  }
  return false;
}

bool InSecondLibrary(OciSlot slot) {
  return slot == OciSlot::OCIPStreamFromXMLType || slot == OciSlot::OCIPStreamRead ||
         slot == OciSlot::OCIPStreamClose;
}

// Every slot of a wanted group gets its export, or the stub when the library
// lacks it; the slots of other groups keep the stub.
void ResolveEntries() {
  for (int i = 0; i < kOciSlotCount; ++i) {
    auto slot = static_cast<OciSlot>(i);
    void* address = nullptr;
    if (GroupWanted(OciEntryGroup(slot))) {
      void* library = InSecondLibrary(slot) ? hOCISecondLib : hOCILib;
      address = platform::GetProcAddress(library, OciEntryName(slot));
    }
    SetOciEntry(slot, address);
  }
}

void FreeLibraries() {
  if (hOCISecondLib) platform::FreeLibrary(hOCISecondLib);
  if (hOCILib) platform::FreeLibrary(hOCILib);
  hOCISecondLib = nullptr;
  hOCILib = nullptr;
}

void ClearDiscovery() {
  OCILoaded = false;
  OCIDLL.clear();
  OCISecondLibrary.clear();
  OCIClientVersionText.clear();
  OCIVersion = 0;
  DefaultCallStyle = 0;
  PossibleCallStyles = 0;
  OracleHomePath.clear();
}

void LoadLibraries() {
  if (!hOCILib) {
    hOCILib = platform::LoadLibraryExA(OCIDLL, nullptr, platform::LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!hOCILib) {
      std::string path = OCIDLL;
      OCIDLL.clear();
      throw classlib::Exception(LoadFailureText("Cannot load OCI DLL: ", path));
    }
  }
  if (OCIVersion >= 9000 && !hOCISecondLib) {
    hOCISecondLib =
        platform::LoadLibraryExA(OCISecondLibrary, nullptr, platform::LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!hOCISecondLib) {
      std::string path = OCISecondLibrary;
      OCISecondLibrary.clear();
      throw classlib::Exception(LoadFailureText("Cannot load ", path));
    }
  }
}

}  // namespace

void LoadOciEntryPoints() {
  try {
    FindOracleHomes();
    LoadLibraries();
  } catch (...) {
    // A failed attempt leaves nothing behind, so the next one runs
    // discovery again from the start.
    FreeLibraries();
    ClearDiscovery();
    throw;
  }
  ResolveEntries();
  OCILoaded = true;
}

bool IsOciLoaded() {
  return hOCILib && OCILoaded && (OCIVersion < 9000 || hOCISecondLib);
}

void UnloadOci() {
  UnloadMtsSupport();
  FreeOciEnvironment();
  OCIInited = false;
  OCI7Initialized = false;
  // Nothing may call into the freed library afterwards.
  ResetOciEntries();
  FreeLibraries();
  ClearDiscovery();
}

}  // namespace oracle
