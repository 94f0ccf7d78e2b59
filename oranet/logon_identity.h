// Who is logging on, as the logon call tells the server: the computer, its
// domain, the operating-system user, the process and the program. Tests
// hand in a fixed identity so that logon bodies are byte-exact.
#pragma once

#include <string>

namespace oranet {

struct TClientIdentity {
  std::string computer;  // the host name
  std::string machine;   // domain + "\" + computer, or the computer alone
  std::string osUser;
  std::string process;   // process id ":" thread id, in decimal
  std::string program;   // the running program's file name, without folder
};

// The identity of this process and the calling thread.
TClientIdentity SystemClientIdentity();

}  // namespace oranet
