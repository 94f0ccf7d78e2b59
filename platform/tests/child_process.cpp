#include "child_process.h"

#include <fcntl.h>

#include <cstdio>
#include <fstream>
#include <iterator>

namespace platform::testing {

namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

ProgramResult RunProgram(const std::string& path, const std::vector<std::string>& args,
                         const std::function<void()>& while_waiting, std::chrono::milliseconds limit) {
  char out_name[] = "/tmp/updater-out-XXXXXX";
  char err_name[] = "/tmp/updater-err-XXXXXX";
  int out_fd = mkstemp(out_name);
  int err_fd = mkstemp(err_name);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(path.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    dup2(out_fd, 1);
    dup2(err_fd, 2);
    execv(path.c_str(), argv.data());
    _exit(127);
  }
  close(out_fd);
  close(err_fd);
  ProgramResult result;
  result.exit_code = WaitChild(pid, limit, while_waiting);
  result.out = Slurp(out_name);
  result.err = Slurp(err_name);
  std::remove(out_name);
  std::remove(err_name);
  return result;
}

}  // namespace platform::testing
