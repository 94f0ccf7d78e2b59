#include "oracle/tests/standin_conformance_fixture.h"

#include <dlfcn.h>

#include <cstddef>
#include <stdexcept>
#include <vector>

namespace oracle::testing::conformance {

PublicClient::PublicClient(const std::string& path) : library_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
  if (!library_) throw std::runtime_error("cannot load " + path);
}

PublicClient::~PublicClient() { dlclose(library_); }

bool PublicClient::Exports(const char* name) const { return dlsym(library_, name) != nullptr; }

void* PublicClient::Address(const char* name) const {
  void* address = dlsym(library_, name);
  if (!address) throw std::runtime_error(std::string("no entry ") + name);
  return address;
}

namespace {

using EnvCreate = sword(void**, ub4, void*, void*, void*, void*, size_t, void**);
using HandleAlloc = sword(const void*, void**, ub4, size_t, void**);
using HandleFree = sword(void*, ub4);
using AttrSet = sword(void*, ub4, void*, ub4, ub4, void*);
using ServerAttach = sword(void*, void*, const char*, sb4, ub4);
using SessionBegin = sword(void*, void*, void*, ub4, ub4);
using ErrorGet = sword(void*, ub4, char*, sb4*, char*, ub4, ub4);

}  // namespace

void ConformanceTest::SetUp() {
  client_ = new PublicClient(ORACLE_STANDIN_PATH);
  client_->Entry<void()>("standin_reset")();
  client_->Entry<void(const char*, const char*)>("standin_add_account")("scott", "tiger");
  auto alloc = client_->Entry<HandleAlloc>("OCIHandleAlloc");
  auto set = client_->Entry<AttrSet>("OCIAttrSet");
  ASSERT_EQ(client_->Entry<EnvCreate>("OCIEnvCreate")(&env_, kThreadedObjects, nullptr, nullptr, nullptr, nullptr,
                                                        0, nullptr),
            kSuccess);
  ASSERT_EQ(alloc(env_, &error_, kErrorHandle, 0, nullptr), kSuccess);
  ASSERT_EQ(alloc(env_, &server_, kServer, 0, nullptr), kSuccess);
  ASSERT_EQ(alloc(env_, &context_, kSvcCtx, 0, nullptr), kSuccess);
  ASSERT_EQ(alloc(env_, &session_, kSession, 0, nullptr), kSuccess);
  ASSERT_EQ(client_->Entry<ServerAttach>("OCIServerAttach")(server_, error_, "db", 2, kDefault), kSuccess);
  ASSERT_EQ(set(context_, kSvcCtx, server_, 0, kAttrServer, error_), kSuccess);
  char user[] = "scott", password[] = "tiger";
  ASSERT_EQ(set(session_, kSession, user, 5, kAttrUsername, error_), kSuccess);
  ASSERT_EQ(set(session_, kSession, password, 5, kAttrPassword, error_), kSuccess);
  ASSERT_EQ(set(context_, kSvcCtx, session_, 0, kAttrSession, error_), kSuccess);
  ASSERT_EQ(LogOn(), kSuccess);
}

sword ConformanceTest::LogOn() {
  return client_->Entry<SessionBegin>("OCISessionBegin")(context_, error_, session_, kCredRdbms, kDefault);
}

sword ConformanceTest::LogOff() {
  return client_->Entry<sword(void*, void*, void*, ub4)>("OCISessionEnd")(context_, error_, session_, kDefault);
}

void ConformanceTest::TearDown() {
  if (env_) client_->Entry<HandleFree>("OCIHandleFree")(env_, kEnv);
  delete client_;
}

void* ConformanceTest::Query(const std::string& columns, const std::string& rows) {
  const std::string sql = "select * from t";
  client_->Entry<void(const char*, const char*)>("standin_script_query")(sql.c_str(), columns.c_str());
  client_->Entry<void(const char*, const char*)>("standin_add_rows")(sql.c_str(), rows.c_str());
  void* statement = nullptr;
  EXPECT_EQ(client_->Entry<HandleAlloc>("OCIHandleAlloc")(env_, &statement, kStmt, 0, nullptr), kSuccess);
  EXPECT_EQ(client_->Entry<sword(void*, void*, const char*, ub4, ub4, ub4)>("OCIStmtPrepare")(
                statement, error_, sql.c_str(), static_cast<ub4>(sql.size()), kNativeSyntax, kDefault),
            kSuccess);
  return statement;
}

sword ConformanceTest::Execute(void* statement, ub4 iterations, ub4 mode) {
  return client_->Entry<sword(void*, void*, void*, ub4, ub4, const void*, void*, ub4)>("OCIStmtExecute")(
      context_, statement, error_, iterations, 0, nullptr, nullptr, mode);
}

sword ConformanceTest::Define(void* statement, ub4 position, void* buffer, sb4 size, ub2 type, sb2* indicator,
                              ub2* length, ub2* code, void** define) {
  void* made = nullptr;
  const sword status =
      client_->Entry<sword(void*, void**, void*, ub4, void*, sb4, ub2, void*, ub2*, ub2*, ub4)>("OCIDefineByPos")(
          statement, &made, error_, position, buffer, size, type, indicator, length, code, kDefault);
  if (define) *define = made;
  return status;
}

sword ConformanceTest::Fetch(void* statement, ub4 rows) {
  return client_->Entry<sword(void*, void*, ub4, ub2, ub4)>("OCIStmtFetch")(statement, error_, rows, kFetchNext,
                                                                             kDefault);
}

sword ConformanceTest::Fetch2(void* statement, ub4 rows, ub2 orientation, sb4 offset) {
  return client_->Entry<sword(void*, void*, ub4, ub2, sb4, ub4)>("OCIStmtFetch2")(statement, error_, rows,
                                                                                   orientation, offset, kDefault);
}

sb4 ConformanceTest::ErrorCode() {
  sb4 code = 0;
  char text[512] = {};
  client_->Entry<ErrorGet>("OCIErrorGet")(error_, 1, nullptr, &code, text, sizeof text, kErrorHandle);
  return code;
}

int ConformanceTest::InjectFault(const std::string& entry, int nth, sword status, sb4 code, const std::string& text) {
  return client_->Entry<int(const char*, int, int, int, const char*)>("standin_inject_fault")(
      entry.c_str(), nth, status, code, text.c_str());
}

void* ConformanceTest::Lob(int kind, const std::string& value) {
  void* locator = nullptr;
  EXPECT_EQ(client_->Entry<HandleAlloc>("OCIDescriptorAlloc")(env_, &locator, kLobLocator, 0, nullptr), kSuccess);
  EXPECT_EQ(client_->Entry<int(void*, int, const char*, int)>("standin_lob_attach")(
                locator, kind, value.data(), static_cast<int>(value.size())),
            0);
  return locator;
}

std::string ConformanceTest::LobContent(void* locator) {
  auto content = client_->Entry<int(void*, char*, int)>("standin_lob_content");
  std::vector<char> bytes(static_cast<size_t>(content(locator, nullptr, 0)));
  content(locator, bytes.data(), static_cast<int>(bytes.size()));
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace oracle::testing::conformance
