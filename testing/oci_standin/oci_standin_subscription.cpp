// Change notification in the stand-in: subscriptions registered, enabled,
// disabled and unregistered through the call interface, and notifications
// delivered to their callbacks on threads of the stand-in's own, with
// descriptors and collections the callback reads through OCIAttrGet,
// OCICollSize and OCICollGetElem. Unregistering waits for the callbacks
// running on the subscription, as a client library must before the
// caller may free the callback's context.
#include <condition_variable>
#include <cstring>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "testing/oci_standin/oci_standin_state.h"
#include "testing/oci_standin/oci_standin_subscription_control.h"

using namespace standin;

namespace {

using Lock = std::unique_lock<std::mutex>;

std::condition_variable_any& Changed() {
  static std::condition_variable_any changed;
  return changed;
}

std::mutex& ThreadsLock() {
  static std::mutex lock;
  return lock;
}

std::vector<std::thread>& Threads() {
  static std::vector<std::thread> threads;
  return threads;
}

ub4 Scalar(const Handle* handle, ub4 attribute) {
  auto found = handle->values.find(attribute);
  ub4 value = 0;
  if (found != handle->values.end() && found->second.size() >= sizeof value)
    std::memcpy(&value, found->second.data(), sizeof value);
  return value;
}

void SetScalar(Handle* handle, ub4 attribute, ub4 value) {
  handle->values[attribute].assign(reinterpret_cast<const char*>(&value), sizeof value);
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::stringstream stream(text);
  for (std::string part; std::getline(stream, part, separator);)
    if (!part.empty()) parts.push_back(part);
  return parts;
}

// One notification's descriptors and collections, freed after the callback.
struct Built {
  Handle* descriptor = nullptr;
  std::vector<Handle*> handles;
  std::vector<void*> collections;
};

void* NewCollection(State& state, Built& built, const std::vector<Handle*>& descriptors) {
  auto collection = std::make_unique<ObjectCollection>();
  for (Handle* descriptor : descriptors) {
    auto element = std::make_unique<Block>(sizeof(void*));
    *reinterpret_cast<void**>(element->data()) = descriptor;
    collection->elements.push_back(std::move(element));
    collection->indicators.push_back(std::make_unique<Block>(sizeof(OCIInd)));
  }
  void* raw = collection.get();
  state.objects.collections[raw] = std::move(collection);
  built.collections.push_back(raw);
  return raw;
}

Handle* NewDescriptor(State& state, Built& built, ub4 type) {
  Handle* handle = NewHandle(state, type, nullptr);
  built.handles.push_back(handle);
  return handle;
}

Built Build(State& state, ub4 event, const std::string& changes) {
  Built built;
  built.descriptor = NewDescriptor(state, built, OCI_DTYPE_CHDES);
  SetScalar(built.descriptor, OCI_ATTR_CHDES_NFYTYPE, event);
  if (event != 6) return built;
  std::vector<Handle*> tables;
  for (const std::string& table_text : Split(changes, ';')) {
    std::vector<std::string> parts = Split(table_text, ':');
    Handle* table = NewDescriptor(state, built, OCI_DTYPE_TABLE_CHDES);
    table->values[OCI_ATTR_CHDES_TABLE_NAME] = parts.empty() ? "" : parts[0];
    SetScalar(table, OCI_ATTR_CHDES_TABLE_OPFLAGS, parts.size() > 1 ? std::stoul(parts[1], nullptr, 0) : 0);
    std::vector<Handle*> rows;
    if (parts.size() > 2)
      for (const std::string& row_text : Split(parts[2], ',')) {
        std::vector<std::string> row_parts = Split(row_text, '/');
        Handle* row = NewDescriptor(state, built, OCI_DTYPE_ROW_CHDES);
        row->values[OCI_ATTR_CHDES_ROW_ROWID] = row_parts.empty() ? "" : row_parts[0];
        SetScalar(row, OCI_ATTR_CHDES_ROW_OPFLAGS,
                  row_parts.size() > 1 ? std::stoul(row_parts[1], nullptr, 0) : 0);
        rows.push_back(row);
      }
    // A table change of all rows carries no row list.
    if (!(Scalar(table, OCI_ATTR_CHDES_TABLE_OPFLAGS) & 0x01))
      table->pointers[OCI_ATTR_CHDES_TABLE_ROW_CHANGES] = NewCollection(state, built, rows);
    tables.push_back(table);
  }
  built.descriptor->pointers[OCI_ATTR_CHDES_TABLE_CHANGES] = NewCollection(state, built, tables);
  return built;
}

void Free(State& state, Built& built) {
  for (Handle* handle : built.handles) FreeHandle(state, handle);
  for (void* collection : built.collections) state.objects.collections.erase(collection);
}

// Whether a subscription for `operations` (0: all) hears this change.
bool Wants(ub4 operations, ub4 event, const std::string& changes) {
  if (event != 6 || operations == 0) return true;
  for (const std::string& table_text : Split(changes, ';')) {
    std::vector<std::string> parts = Split(table_text, ':');
    ub4 flags = parts.size() > 1 ? std::stoul(parts[1], nullptr, 0) : 0;
    if (flags & (operations | 0x01 | 0x10 | 0x20)) return true;
  }
  return false;
}

void Deliver(const void* subscription, ub4 event, std::string changes) {
  State& state = TheState();
  Lock lock(state.lock);
  auto& subscriptions = state.world.subscriptions;
  auto found = subscriptions.find(subscription);
  Handle* handle = Live(state, subscription, OCI_HTYPE_SUBSCRIPTION);
  if (found == subscriptions.end() || !handle) return;
  ++found->second.in_flight;
  Changed().notify_all();
  Changed().wait(lock, [&] {
    return !state.world.hold_notifications || subscriptions.at(subscription).unregistering;
  });
  // The caller may have freed the handle while this call waited.
  handle = Live(state, subscription, OCI_HTYPE_SUBSCRIPTION);
  if (!handle) {
    --subscriptions.at(subscription).in_flight;
    Changed().notify_all();
    return;
  }
  auto callback = reinterpret_cast<OCISubscriptionNotify>(handle->pointers[OCI_ATTR_SUBSCR_CALLBACK]);
  void* context = handle->pointers[OCI_ATTR_SUBSCR_CTX];
  Built built = Build(state, event, changes);
  state.log.push_back("notify event=" + std::to_string(event));
  lock.unlock();
  if (callback)
    callback(context, static_cast<OCISubscription*>(const_cast<void*>(subscription)), nullptr, nullptr,
             built.descriptor, 0);
  lock.lock();
  Free(state, built);
  --subscriptions.at(subscription).in_flight;
  Changed().notify_all();
}

}  // namespace

extern "C" {

sword OCISubscriptionRegister(OCISvcCtx* context, OCISubscription** subscriptions, ub2 count, OCIError* error,
                              ub4 mode) {
  State& state = TheState();
  Lock lock(state.lock);
  Handle* first = subscriptions && count > 0 ? Live(state, subscriptions[0], OCI_HTYPE_SUBSCRIPTION) : nullptr;
  std::string line = "OCISubscriptionRegister count=" + std::to_string(count) + " mode=" + std::to_string(mode);
  if (first)
    line += " namespace=" + std::to_string(Scalar(first, OCI_ATTR_SUBSCR_NAMESPACE)) +
            " rowids=" + std::to_string(Scalar(first, OCI_ATTR_CHNF_ROWIDS)) +
            " operations=" + std::to_string(Scalar(first, OCI_ATTR_CHNF_OPERATIONS)) +
            " qos=" + std::to_string(Scalar(first, OCI_ATTR_SUBSCR_QOSFLAGS)) +
            " timeout=" + std::to_string(Scalar(first, OCI_ATTR_SUBSCR_TIMEOUT));
  state.log.push_back(line);
  if (sword status = InjectedStatus(state, "OCISubscriptionRegister", error)) return status;
  if (!Live(state, context, OCI_HTYPE_SVCCTX) || !Live(state, error, OCI_HTYPE_ERROR)) return OCI_INVALID_HANDLE;
  for (ub2 i = 0; i < count; ++i) {
    Handle* handle = Live(state, subscriptions[i], OCI_HTYPE_SUBSCRIPTION);
    if (!handle) return OCI_INVALID_HANDLE;
    if (!handle->pointers[OCI_ATTR_SUBSCR_CALLBACK] || Scalar(handle, OCI_ATTR_SUBSCR_NAMESPACE) != 2)
      return Fail(state, error, 24904, "ORA-24904: invalid subscription attributes");
    state.world.subscriptions[handle] = SubscriptionState{};
  }
  return OCI_SUCCESS;
}

sword OCISubscriptionUnRegister(OCISvcCtx* context, OCISubscription* subscription, OCIError* error, ub4 mode) {
  State& state = TheState();
  Lock lock(state.lock);
  auto& subscriptions = state.world.subscriptions;
  auto found = subscriptions.find(subscription);
  int in_flight = found == subscriptions.end() ? 0 : found->second.in_flight;
  state.log.push_back("OCISubscriptionUnRegister mode=" + std::to_string(mode) +
                      " in_flight=" + std::to_string(in_flight));
  if (sword status = InjectedStatus(state, "OCISubscriptionUnRegister", error)) return status;
  if (!Live(state, context, OCI_HTYPE_SVCCTX) || !Live(state, subscription, OCI_HTYPE_SUBSCRIPTION))
    return OCI_INVALID_HANDLE;
  if (found == subscriptions.end()) return Fail(state, error, 24915, "ORA-24915: subscription is not registered");
  found->second.unregistering = true;
  Changed().notify_all();
  Changed().wait(lock, [&] { return subscriptions.at(subscription).in_flight == 0; });
  subscriptions.erase(subscription);
  return OCI_SUCCESS;
}

static sword SwitchSubscription(const char* entry, OCISubscription* subscription, OCIError* error, bool enabled) {
  State& state = TheState();
  Lock lock(state.lock);
  state.log.push_back(entry);
  if (sword status = InjectedStatus(state, entry, error)) return status;
  auto found = state.world.subscriptions.find(subscription);
  if (!Live(state, subscription, OCI_HTYPE_SUBSCRIPTION)) return OCI_INVALID_HANDLE;
  if (found == state.world.subscriptions.end())
    return Fail(state, error, 24915, "ORA-24915: subscription is not registered");
  found->second.enabled = enabled;
  return OCI_SUCCESS;
}

sword OCISubscriptionEnable(OCISubscription* subscription, OCIError* error, ub4) {
  return SwitchSubscription("OCISubscriptionEnable", subscription, error, true);
}

sword OCISubscriptionDisable(OCISubscription* subscription, OCIError* error, ub4) {
  return SwitchSubscription("OCISubscriptionDisable", subscription, error, false);
}

int standin_notify(int event, const char* changes) {
  State& state = TheState();
  std::vector<const void*> targets;
  std::string text = changes ? changes : "";
  {
    Lock lock(state.lock);
    for (auto& [handle, subscription] : state.world.subscriptions) {
      Handle* live = Live(state, handle, OCI_HTYPE_SUBSCRIPTION);
      if (live && subscription.enabled && Wants(Scalar(live, OCI_ATTR_CHNF_OPERATIONS), event, text))
        targets.push_back(handle);
    }
  }
  std::lock_guard<std::mutex> guard(ThreadsLock());
  for (const void* target : targets)
    Threads().emplace_back(Deliver, target, static_cast<ub4>(event), text);
  return static_cast<int>(targets.size());
}

void standin_notify_join(void) {
  std::vector<std::thread> threads;
  {
    std::lock_guard<std::mutex> guard(ThreadsLock());
    threads.swap(Threads());
  }
  for (std::thread& thread : threads) thread.join();
}

void standin_notify_hold(int hold) {
  State& state = TheState();
  Lock lock(state.lock);
  state.world.hold_notifications = hold != 0;
  Changed().notify_all();
}

int standin_notify_in_flight(void) {
  State& state = TheState();
  Lock lock(state.lock);
  int count = 0;
  for (auto& entry : state.world.subscriptions) count += entry.second.in_flight;
  return count;
}

int standin_subscriptions(void) {
  State& state = TheState();
  Lock lock(state.lock);
  return static_cast<int>(state.world.subscriptions.size());
}

}
