#include "oracle/call_table.h"

#include <array>
#include <atomic>

#include "classlib/exceptions.h"

namespace oracle {

namespace {

struct EntryInfo {
  const char* name;
  OciGroup group;
};

constexpr EntryInfo kEntries[] = {
#define OCI_ENTRY(group, name) {#name, OciGroup::group},
#include "oracle/call_entry_list.h"
#undef OCI_ENTRY
};
static_assert(std::size(kEntries) == kOciSlotCount);

// Atomic so that a thread calling through the table while another installs
// entries reads either the old or the new address, never a torn one.
std::array<std::atomic<void*>, kOciSlotCount>& Slots() {
  static std::array<std::atomic<void*>, kOciSlotCount> slots{};
  return slots;
}

std::array<std::atomic<OciRefusal>, kOciSlotCount>& Refusals() {
  static std::array<std::atomic<OciRefusal>, kOciSlotCount> refusals{};
  return refusals;
}

int IndexOf(OciSlot slot) {
  int index = static_cast<int>(slot);
  if (index < 0 || index >= kOciSlotCount) throw classlib::Exception("Invalid OCI entry");
  return index;
}

}  // namespace

const char* OciEntryName(OciSlot slot) { return kEntries[IndexOf(slot)].name; }
OciGroup OciEntryGroup(OciSlot slot) { return kEntries[IndexOf(slot)].group; }

OciSlot FindOciSlot(const std::string& name) {
  for (int i = 0; i < kOciSlotCount; ++i)
    if (name == kEntries[i].name) return static_cast<OciSlot>(i);
  return OciSlot::Count;
}

void* OciEntryAddress(OciSlot slot) { return Slots()[IndexOf(slot)].load(); }
void SetOciEntry(OciSlot slot, void* address) {
  int index = IndexOf(slot);
  Refusals()[index].store(nullptr);
  Slots()[index].store(address);
}

void SetOciEntryRefused(OciSlot slot, OciRefusal refuse) {
  int index = IndexOf(slot);
  Slots()[index].store(nullptr);
  Refusals()[index].store(refuse);
}

bool IsOciEntryLinked(OciSlot slot) { return OciEntryAddress(slot) != nullptr; }

void ResetOciEntries() {
  for (auto& slot : Slots()) slot.store(nullptr);
  for (auto& refusal : Refusals()) refusal.store(nullptr);
}

void OciNotLinkedStub() { throw classlib::Exception("OCI function is not linked"); }

void OciUnboundCall(OciSlot slot) {
  if (OciRefusal refuse = Refusals()[IndexOf(slot)].load()) {
    refuse();
    // A refusal must raise; one that returns still must not fall through
    // into an empty slot.
  }
  OciNotLinkedStub();
}

}  // namespace oracle
