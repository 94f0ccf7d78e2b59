// A stand-in for the auxiliary programs the updater starts (the import tool
// and the settings programs). It records how it was started, then does what
// its script says, so tests can check the command line and play the
// program's side of the conversation.
//
// Record: appended to the file named by FAKE_AUX_RECORD, one run per block:
//   run <program file name>
//   pid <process id>
//   cwd <working folder>
//   arg <argument>          (one line per argument after the program name)
//   end
//
// Script: the argument "SCRIPT=<commands>" or, when there is none, the
// variable FAKE_AUX_SCRIPT. Commands are separated by ';' or line breaks;
// a command prefixed with "@<n> " runs only in the n-th run (from 1) of
// this program file that the record counts. The window is the number after
// "WNDHANDLE=" among the arguments.
//   progress <percent>   send 1026 with the percent
//   result <code>        send 1027 with the code
//   error <text>         send 1028 with a global atom named <text>
//   error-gone <text>    the same, but the atom is deleted before sending
//   copydata <text>      send WM_COPYDATA with the text and its zero
//   copyraw <text>       send WM_COPYDATA with the text and no zero
//   regerror <text>      write HKCU\Software\KELVO\Dravit\Messages
//                        "ExecProcMessageError" = <text>
//   sleep <ms>
//   hang                 never end (the test kills it)
//   exit <code>          end at once with that code
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "classlib/codepage.h"
#include "platform/atoms.h"
#include "platform/environment.h"
#include "platform/registry.h"
#include "platform/window_messages.h"

namespace {

std::string FileNameOf(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// The value after `prefix` (any letter case) in the first argument that has it.
std::string ArgumentValue(const std::vector<std::string>& args, const std::string& prefix) {
  for (const std::string& arg : args)
    if (Upper(arg.substr(0, prefix.size())) == prefix) return arg.substr(prefix.size());
  return "";
}

// How many runs of `program` the record holds already.
int RunsRecorded(const std::string& record, const std::string& program) {
  std::ifstream in(record);
  std::string line;
  int runs = 0;
  while (std::getline(in, line))
    if (line == "run " + program) ++runs;
  return runs;
}

void Record(const std::string& record, const std::string& program,
            const std::vector<std::string>& args) {
  if (record.empty()) return;
  char cwd[4096] = "";
  if (!getcwd(cwd, sizeof cwd)) cwd[0] = 0;
  std::ostringstream block;
  block << "run " << program << "\npid " << getpid() << "\ncwd " << cwd << "\n";
  for (const std::string& arg : args) block << "arg " << arg << "\n";
  block << "end\n";
  std::ofstream(record, std::ios::app) << block.str() << std::flush;
}

std::vector<std::string> Commands(const std::string& script) {
  std::vector<std::string> commands;
  std::string command;
  for (char c : script + ";") {
    if (c == ';' || c == '\n') {
      if (!command.empty()) commands.push_back(command);
      command.clear();
    } else {
      command += c;
    }
  }
  return commands;
}

void Send(platform::WindowHandle window, const platform::WindowMessage& message) {
  platform::SendResult sent = platform::SendMessage(window, message, std::chrono::seconds(30));
  if (sent.status != platform::SendStatus::Ok)
    std::cerr << "fake program: message " << message.msg << " not delivered: " << sent.error << "\n";
}

void SendNumber(platform::WindowHandle window, std::uint32_t msg, std::uintptr_t wParam) {
  platform::WindowMessage message;
  message.msg = msg;
  message.wParam = wParam;
  Send(window, message);
}

void SendCopy(platform::WindowHandle window, std::string data) {
  Send(window, platform::WindowMessage::CopyDataMessage(0, platform::CopyData{1, std::move(data)}));
}

void WriteRegistryError(const std::string& text) {
  platform::TRegistry registry;
  registry.SetRootKey(platform::HKEY_CURRENT_USER);
  registry.OpenKey("Software\\KELVO\\Dravit\\Messages", true);
  registry.WriteString("ExecProcMessageError", text);
}

void Run(const std::string& command, platform::WindowHandle window) {
  std::size_t blank = command.find(' ');
  const std::string verb = command.substr(0, blank);
  const std::string text = blank == std::string::npos ? "" : command.substr(blank + 1);
  if (verb == "progress") {
    SendNumber(window, platform::WM_USER + 2, static_cast<std::uintptr_t>(std::stoll(text)));
  } else if (verb == "result") {
    SendNumber(window, platform::WM_USER + 3, static_cast<std::uintptr_t>(std::stoll(text)));
  } else if (verb == "error" || verb == "error-gone") {
    platform::Atom atom = platform::GlobalAddAtom(text);
    if (verb == "error-gone") platform::GlobalDeleteAtom(atom);
    SendNumber(window, platform::WM_USER + 4, atom);
    if (verb == "error") platform::GlobalDeleteAtom(atom);
  } else if (verb == "copydata") {
    SendCopy(window, text + std::string(1, '\0'));
  } else if (verb == "copyraw") {
    SendCopy(window, text);
  } else if (verb == "regerror") {
    WriteRegistryError(text);
  } else if (verb == "sleep") {
    std::this_thread::sleep_for(std::chrono::milliseconds(std::stoll(text)));
  } else if (verb == "hang") {
    for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
  } else if (verb == "exit") {
    std::exit(std::stoi(text));
  } else {
    std::cerr << "fake program: unknown command " << command << "\n";
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::string program = FileNameOf(argv[0]);
  const std::vector<std::string> args(argv + 1, argv + argc);
  // A file-system path: taken as the environment holds it (UTF-8).
  const char* record_variable = std::getenv("FAKE_AUX_RECORD");
  const std::string record = record_variable != nullptr ? record_variable : "";
  const int run = (record.empty() ? 0 : RunsRecorded(record, program)) + 1;
  Record(record, program, args);

  // Texts go out in the updater's code page, as the real programs send them.
  std::string script = classlib::Utf8ToCp1251(ArgumentValue(args, "SCRIPT="));
  if (script.empty()) script = platform::GetEnvironmentVariable("FAKE_AUX_SCRIPT");
  const auto window =
      static_cast<platform::WindowHandle>(std::strtoul(ArgumentValue(args, "WNDHANDLE=").c_str(), nullptr, 10));
  for (std::string command : Commands(script)) {
    if (command[0] == '@') {
      std::size_t blank = command.find(' ');
      if (blank == std::string::npos || std::atoi(command.c_str() + 1) != run) continue;
      command = command.substr(blank + 1);
    }
    Run(command, window);
  }
  return 0;
}
