#include "oranet/logon_identity.h"

#include <pwd.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

namespace oranet {

namespace {

constexpr size_t kMaxComputerName = 256;

std::string ComputerName() {
  char name[kMaxComputerName + 1] = {};
  if (gethostname(name, kMaxComputerName) != 0) return {};
  return name;
}

// The NIS domain stands where a Windows workstation's domain would; a host
// without one reports "(none)" or nothing.
std::string DomainName() {
  char name[kMaxComputerName + 1] = {};
  if (getdomainname(name, kMaxComputerName) != 0) return {};
  const std::string domain = name;
  return domain == "(none)" ? std::string() : domain;
}

std::string OsUser() {
  if (const passwd* entry = getpwuid(geteuid())) return entry->pw_name;
  const char* user = std::getenv("USER");
  return user ? user : "";
}

std::string ProgramName() {
  char path[PATH_MAX + 1] = {};
  const ssize_t n = readlink("/proc/self/exe", path, PATH_MAX);
  if (n <= 0) return {};
  const std::string full(path, static_cast<size_t>(n));
  return full.substr(full.find_last_of('/') + 1);
}

}  // namespace

TClientIdentity SystemClientIdentity() {
  TClientIdentity identity;
  identity.computer = ComputerName();
  const std::string domain = DomainName();
  identity.machine = domain.empty() ? identity.computer : domain + "\\" + identity.computer;
  identity.osUser = OsUser();
  identity.process = std::to_string(getpid()) + ":" + std::to_string(syscall(SYS_gettid));
  identity.program = ProgramName();
  return identity;
}

}  // namespace oranet
