#include "platform/process_identity.h"

#include <signal.h>

#include <cerrno>
#include <fstream>
#include <sstream>

namespace platform {

namespace {

std::string BootId() {
  std::ifstream in("/proc/sys/kernel/random/boot_id");
  std::string id;
  std::getline(in, id);
  return id;
}

// Field 22 of /proc/<pid>/stat. The command name (field 2) may hold blanks
// and parentheses, so the fields are counted after its last ")".
std::string StartTicks(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat;
  if (!std::getline(in, stat)) return {};
  const size_t name_end = stat.rfind(')');
  if (name_end == std::string::npos) return {};
  std::istringstream fields(stat.substr(name_end + 1));
  std::string field;
  for (int number = 3; number <= 22; ++number)
    if (!(fields >> field)) return {};
  return field;
}

}  // namespace

bool ProcessExists(pid_t pid) {
  if (pid <= 0) return false;
  return ::kill(pid, 0) == 0 || errno == EPERM;
}

std::string ProcessStartMark(pid_t pid) {
  if (!ProcessExists(pid)) return {};
  const std::string ticks = StartTicks(pid);
  if (ticks.empty()) return {};
  return BootId() + "/" + ticks;
}

bool ProcessStillRuns(pid_t pid, const std::string& start_mark) {
  if (start_mark.empty()) return ProcessExists(pid);
  return ProcessStartMark(pid) == start_mark;
}

}  // namespace platform
