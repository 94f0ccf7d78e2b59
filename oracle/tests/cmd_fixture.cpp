#include "oracle/tests/cmd_fixture.h"

#include <dlfcn.h>

#include <sstream>

namespace oracle::testing {

StatementControl::StatementControl(const std::string& path)
    : library_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
  if (!library_) throw std::runtime_error("cannot load the stand-in " + path);
}

StatementControl::~StatementControl() { dlclose(library_); }

void* StatementControl::Symbol(const char* name) {
  void* symbol = dlsym(library_, name);
  if (!symbol) throw std::runtime_error(std::string("the stand-in lacks ") + name);
  return symbol;
}

void StatementControl::Script(const std::string& sql, const std::string& answer) {
  reinterpret_cast<void (*)(const char*, const char*)>(Symbol("standin_script_statement"))(sql.c_str(),
                                                                                          answer.c_str());
}

std::vector<std::string> StatementControl::Received() {
  auto read = reinterpret_cast<int (*)(char*, int)>(Symbol("standin_received"));
  std::string text(static_cast<size_t>(read(nullptr, 0)) + 1, '\0');
  read(text.data(), static_cast<int>(text.size()));
  std::vector<std::string> lines;
  std::stringstream stream(text.c_str());
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

void StatementControl::ClearReceived() {
  reinterpret_cast<void (*)()>(Symbol("standin_clear_received"))();
}

void CommandTest::SetUp() {
  ConnectionTest::SetUp();
  statements_ = std::make_unique<StatementControl>(ORACLE_STANDIN_PATH);
}

void CommandTest::ControlsSwitched(const std::string& path) {
  ConnectionTest::ControlsSwitched(path);
  statements_ = std::make_unique<StatementControl>(path);
}

void CommandTest::TearDown() {
  connection_.reset();
  statements_.reset();
  ConnectionTest::TearDown();
}

void CommandTest::Connect(uint8_t style) {
  connection_ = NewConnection(style);
  connection_->Connect("");
  standin_->ClearLog();
}

std::unique_ptr<TOCICommand> CommandTest::NewCommand(const std::string& sql) {
  auto command = std::make_unique<TOCICommand>();
  command->SetConnection(connection_.get());
  command->SetSQL(sql);
  return command;
}

std::vector<std::string> CommandTest::Calls(const std::string& entry) {
  std::vector<std::string> calls;
  for (const std::string& line : standin_->Log()) {
    if (line.rfind("OCIClientVersion", 0) == 0) continue;
    if (entry.empty() || line == entry || line.rfind(entry + " ", 0) == 0) calls.push_back(line);
  }
  return calls;
}

}  // namespace oracle::testing
