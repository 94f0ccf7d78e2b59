// The stand-in client library driven through its call interface alone. The
// integer types, handle types, statuses, modes and error numbers are written
// out here as the public call interface documents them, not taken from the
// layer's header: a misreading shared by the layer and the stand-in shows.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace oracle::testing::conformance {

using sword = int32_t;
using sb4 = int32_t;
using ub4 = uint32_t;
using sb2 = int16_t;
using ub2 = uint16_t;
using ub1 = uint8_t;
using ub8 = uint64_t;

// Statuses.
constexpr sword kSuccess = 0, kSuccessWithInfo = 1, kError = -1, kNeedData = 99, kNoData = 100;
// Handle and descriptor types.
constexpr ub4 kEnv = 1, kErrorHandle = 2, kSvcCtx = 3, kStmt = 4, kDefine = 6, kServer = 8, kSession = 9;
constexpr ub4 kLobLocator = 50;
// Attributes.
constexpr ub4 kAttrServer = 6, kAttrSession = 7, kAttrPrefetchRows = 11, kAttrUsername = 22,
              kAttrPassword = 23, kAttrCharsetId = 31;
// Modes and options.
constexpr ub4 kDefault = 0, kThreadedObjects = 3, kCredRdbms = 1, kNativeSyntax = 1, kScrollable = 8,
              kDescribeOnly = 16;
// Fetch orientations.
constexpr ub2 kFetchNext = 2, kFetchFirst = 4, kFetchLast = 8, kFetchAbsolute = 32;
// External types.
constexpr ub2 kChr = 1, kNum = 2, kStr = 5, kVarNum = 6, kAfc = 96;
// LOB pieces.
constexpr ub1 kOnePiece = 0, kFirstPiece = 1, kNextPiece = 2, kLastPiece = 3;

// One build of the stand-in, loaded on its own (the control calls reach the
// same instance).
class PublicClient {
 public:
  explicit PublicClient(const std::string& path);
  ~PublicClient();
  PublicClient(const PublicClient&) = delete;
  PublicClient& operator=(const PublicClient&) = delete;

  bool Exports(const char* name) const;
  // The entry of that name with the signature F; throws when it is missing.
  template <typename F>
  F* Entry(const char* name) const {
    return reinterpret_cast<F*>(Address(name));
  }

 private:
  void* Address(const char* name) const;
  void* library_;
};

// A session logged on to the stand-in as scott/tiger, and the calls the
// tests make on it.
class ConformanceTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The session's begin and end on the service context.
  sword LogOn();
  sword LogOff();
  // A statement handle prepared with a query that the stand-in answers
  // with these columns and rows (its control syntax: "NAME TYPE; ..." and
  // rows of '|'-separated values).
  void* Query(const std::string& columns, const std::string& rows);
  sword Execute(void* statement, ub4 iterations, ub4 mode = kDefault);
  sword Define(void* statement, ub4 position, void* buffer, sb4 size, ub2 type, sb2* indicator,
               ub2* length = nullptr, ub2* code = nullptr, void** define = nullptr);
  sword Fetch(void* statement, ub4 rows);
  sword Fetch2(void* statement, ub4 rows, ub2 orientation, sb4 offset = 0);
  // The error record the last failing or warning call left on the error handle.
  sb4 ErrorCode();
  // The nth call of entry answers status with that error record.
  int InjectFault(const std::string& entry, int nth, sword status, sb4 code, const std::string& text);
  // A LOB locator holding a value (kind 1 BLOB, 2 CLOB; text as UTF-8).
  void* Lob(int kind, const std::string& value);
  std::string LobContent(void* locator);

  PublicClient* client_ = nullptr;
  void* env_ = nullptr;
  void* error_ = nullptr;
  void* server_ = nullptr;
  void* context_ = nullptr;
  void* session_ = nullptr;
};

}  // namespace oracle::testing::conformance
