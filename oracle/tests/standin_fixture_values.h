// Tests of the value classes: the stand-in loaded as the client library,
// its environment created, a service context allocated straight through the
// table (the stand-in's LOB calls need no attached session), and the
// stand-in's value controls (LOB store, directories, character set).
#pragma once

#include <string>
#include <vector>

#include "testing/standin_fixture.h"

namespace oracle::testing {

class StandinValues {
 public:
  explicit StandinValues(const std::string& path);
  ~StandinValues();
  StandinValues(const StandinValues&) = delete;
  StandinValues& operator=(const StandinValues&) = delete;

  // Points a live LOB locator at a new server value (1 BLOB, 2 CLOB, 3 NCLOB;
  // character content as UTF-8).
  void AttachLob(void* locator, int kind, const std::string& content);
  // The server value a locator points at.
  std::string LobContent(void* locator);
  int LobCount();
  int TemporaryLobCount();
  void MapDirectory(const std::string& alias, const std::string& folder);
  void SetCharsetWidth(int width);

 private:
  void* Symbol(const char* name);
  void* library_;
};

class ValueTest : public StandinTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  void ControlsSwitched(const std::string& path) override;
  // Loads a client of that version (10.2 by default) with its environment
  // and a service context.
  void Start(int major = 10, int minor = 2);
  // The log lines of one entry with the entry's name cut off.
  std::vector<std::string> ArgumentsOf(const std::string& entry);

  StandinValues* values_ = nullptr;
  OCISvcCtx* svc_ctx_ = nullptr;
};

}  // namespace oracle::testing
