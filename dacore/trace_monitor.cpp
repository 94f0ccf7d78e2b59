// TCustomDASQLMonitor: activation, the sinks, and the traced events.
#include "dacore/trace_monitor.h"

#include <cstdio>

#include "dacore/comp_connection.h"
#include "dacore/store_hooks.h"

namespace dacore {

namespace {

TCustomDASQLMonitor* g_active_monitor = nullptr;
TDebugDisplayProc g_debug_display = nullptr;
TSQLMonitorSinkFactory g_library_monitor_factory;
TTraceToolSinkFactory g_tool_factory;

}  // namespace

void SetDebugDisplayProc(TDebugDisplayProc proc) { g_debug_display = proc; }
TDebugDisplayProc DebugDisplayProc() { return g_debug_display; }
void SetSQLMonitorSinkFactory(TSQLMonitorSinkFactory factory) { g_library_monitor_factory = std::move(factory); }
void SetTraceToolSinkFactory(TTraceToolSinkFactory factory) { g_tool_factory = std::move(factory); }
std::unique_ptr<ISQLMonitorSink> CreateSQLMonitorSink() {
  return g_library_monitor_factory ? g_library_monitor_factory() : nullptr;
}
std::unique_ptr<ITraceToolSink> CreateTraceToolSink() { return g_tool_factory ? g_tool_factory() : nullptr; }

// ---- Life and settings ----------------------------------------------------------

TCustomDASQLMonitor::TCustomDASQLMonitor(classlib::TComponent* owner)
    : TComponent(owner),
      trace_flags_(TDATraceFlags::FromBits(kDefaultTraceFlags)),
      options_(TMonitorOptions::FromBits(kDefaultOptions)) {
  SetActive(true);
}

TCustomDASQLMonitor::~TCustomDASQLMonitor() { SetActive(false); }

// The last monitor activated is the process's active one.
TCustomDASQLMonitor* TCustomDASQLMonitor::GetMonitor() { return g_active_monitor; }

void TCustomDASQLMonitor::SetActive(bool value) {
  if (value == active_) return;
  active_ = value;
  if (value) {
    g_active_monitor = this;
    if (options_.Contains(moSQLMonitor)) ConnectMonitor();
    if (options_.Contains(moQuorvelin)) ObtainTool();
  } else {
    if (g_active_monitor == this) g_active_monitor = nullptr;
    DisconnectMonitor();
    tool_.reset();
  }
}

void TCustomDASQLMonitor::SetOptions(TMonitorOptions options) {
  options_ = options;
  if (!active_) return;
  if (options_.Contains(moSQLMonitor))
    ConnectMonitor();
  else
    DisconnectMonitor();
  if (options_.Contains(moQuorvelin))
    ObtainTool();
  else
    tool_.reset();
}

// Only the active instance registers; a monitor that cannot be made or
// registered leaves the instance unregistered, unreported.
void TCustomDASQLMonitor::ConnectMonitor() {
  if (library_monitor_ || GetMonitor() != this) return;
  std::unique_ptr<ISQLMonitorSink> sink = CreateSQLMonitorSink();
  if (!sink) return;
  std::string name;
  GetDesignHostName(name);
  if (ComponentState().Contains(classlib::csDesigning)) name += ": " + GetCaption();
  try {
    sink->Register(this, name, [this](uint16_t flags) { trace_flags_ = TDATraceFlags::FromBits(flags); });
  } catch (const std::exception&) {
    return;
  }
  library_monitor_ = std::move(sink);
}

void TCustomDASQLMonitor::DisconnectMonitor() { library_monitor_.reset(); }

void TCustomDASQLMonitor::ObtainTool() {
  if (tool_) return;
  tool_ = CreateTraceToolSink();
  if (tool_) tool_->SetCaption(GetCaption());
}

TCustomDAConnection* TCustomDASQLMonitor::GetObjectConnection(classlib::TComponent* obj, int) const {
  auto* client = dynamic_cast<IDAConnectionClient*>(obj);
  return client ? client->ClientConnection() : nullptr;
}

bool TCustomDASQLMonitor::Traces(TDATraceFlag flag) const { return active_ && trace_flags_.Contains(flag); }

void TCustomDASQLMonitor::SendToLibraryMonitor(const std::string& text) {
  if (options_.Contains(moSQLMonitor) && library_monitor_) library_monitor_->SendText(text);
}

// ---- Identities and texts -------------------------------------------------------

namespace {

uint32_t AddressIdentity(const void* p) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
}

uint32_t ByteReversed(uint32_t v) {
  return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}

std::string Hex8(uint32_t v) {
  char text[9];
  std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(v));
  return text;
}

}  // namespace

uint32_t TCustomDASQLMonitor::ObjectIdentity(const classlib::TComponent* obj) {
  if (!obj) return 0;
  uint32_t id = AddressIdentity(obj);
  auto* client = dynamic_cast<const IDAConnectionClient*>(obj);
  if (client && client->ClientConnection()) id ^= ByteReversed(AddressIdentity(client->ClientConnection()));
  return id;
}

std::string TCustomDASQLMonitor::ObjectName(const classlib::TComponent* obj) {
  if (!obj) return "";
  if (!obj->Name().empty()) return obj->Name();
  return std::string(obj->ClassName()) + " ($" + Hex8(ObjectIdentity(obj)) + ")";
}

std::string TCustomDASQLMonitor::GetObjectDescription(classlib::TComponent* obj) const {
  if (!options_.Contains(moHandled) || !obj) return "";
  std::string text = " [" + obj->Name() + "$" + Hex8(ObjectIdentity(obj));
  auto* client = dynamic_cast<IDAConnectionClient*>(obj);
  if (client && client->ClientConnection()) {
    TCustomDAConnection* connection = client->ClientConnection();
    text += "; " + connection->Name() + "$" + Hex8(ObjectIdentity(connection));
  }
  return text + "] ";
}

}  // namespace dacore
