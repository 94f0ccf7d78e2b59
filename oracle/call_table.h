// The entry-point table: one slot per call-interface function the layer
// calls, filled from the client library by name (call_loader.h) or by the
// network client's installer. An empty slot is the not-linked stub: calling
// through it raises "OCI function is not linked", so a library that lacks an
// export still loads and only a call of that export fails.
//
// Callers go through the typed entries of call_entries.h; this header holds
// the slots, their names and groups, and the stub.
#pragma once

#include <string>

namespace oracle {

// The groups of the table and the condition under which each is resolved.
enum class OciGroup {
  Oci7,         // bit 0x02 of PossibleCallStyles
  Oci8,         // bit 0x04
  Oci8Objects,  // bit 0x04 and OCIObjects
  Oci81,        // OCIVersion >= 8100
  Oci90,        // OCIVersion >= 9000
  Oci100,       // OCIVersion >= 10000
};

enum class OciSlot {
#define OCI_ENTRY(group, name) name,
#include "oracle/call_entry_list.h"
#undef OCI_ENTRY
  Count
};

constexpr int kOciSlotCount = static_cast<int>(OciSlot::Count);

const char* OciEntryName(OciSlot slot);
OciGroup OciEntryGroup(OciSlot slot);
// The slot of an export name; OciSlot::Count when the table has none.
OciSlot FindOciSlot(const std::string& name);

// The address in a slot; nullptr while it holds the not-linked stub.
void* OciEntryAddress(OciSlot slot);
// nullptr puts the not-linked stub back.
void SetOciEntry(OciSlot slot, void* address);
bool IsOciEntryLinked(OciSlot slot);
// An installer that does not implement a function can leave its slot empty
// with a refusal of its own: calling the entry then runs `refuse` (which
// raises) instead of the not-linked stub. The slot still counts as unlinked.
using OciRefusal = void (*)();
void SetOciEntryRefused(OciSlot slot, OciRefusal refuse);
// Every slot back to the not-linked stub, refusals dropped.
void ResetOciEntries();

// Raises "OCI function is not linked".
[[noreturn]] void OciNotLinkedStub();
// Runs the slot's refusal, or else the not-linked stub.
[[noreturn]] void OciUnboundCall(OciSlot slot);

// A typed view of one slot: calling it calls the bound function, or raises
// through the slot's refusal or the stub when nothing is bound.
template <OciSlot S, class Sig>
struct OciEntry;

template <OciSlot S, class R, class... A>
struct OciEntry<S, R(A...)> {
  using Function = R (*)(A...);
  R operator()(A... args) const {
    void* address = OciEntryAddress(S);
    if (!address) OciUnboundCall(S);
    return reinterpret_cast<Function>(address)(args...);
  }
  bool Linked() const { return IsOciEntryLinked(S); }
};

}  // namespace oracle
