// TOCIConnection and the commands set on it: each command (and through it
// its record set) stops its background runs before the connection ends its
// session, and lets go of the connection when it goes.
#include <mutex>
#include <vector>

#include "oracle/cmd_oci_command.h"
#include "oracle/conn_oci_connection.h"

namespace oracle {

void TOCIConnection::AddCommand(TOCICommand* command) {
  std::lock_guard<std::mutex> guard(commands_lock_);
  commands_.push_back(command);
}

void TOCIConnection::RemoveCommand(TOCICommand* command) {
  std::lock_guard<std::mutex> guard(commands_lock_);
  std::erase(commands_, command);
}

// The commands stop their own runs first: each takes its thread's end back,
// so that nothing reaches a command or record set about a run it no longer
// has. What remains was started on the connection by others.
void TOCIConnection::StopBackgroundWork() {
  std::vector<TOCICommand*> commands;
  {
    std::lock_guard<std::mutex> guard(commands_lock_);
    commands = commands_;
  }
  for (TOCICommand* command : commands) command->StopBackgroundWork();
  StopExecThreads();
}

// Each command releases its statement while the connection still stands;
// a command or record set used afterwards answers "Session is not defined".
void TOCIConnection::DetachCommands() {
  std::vector<TOCICommand*> commands;
  {
    std::lock_guard<std::mutex> guard(commands_lock_);
    commands.swap(commands_);
  }
  for (TOCICommand* command : commands) command->ConnectionGone();
}

}  // namespace oracle
