// The handles of direct mode: allocation, attributes at their own widths,
// error records, the server version and how failures become statuses.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "classlib/exceptions.h"
#include "oranet/net_errors.h"
#include "oranet/oci_context.h"
#include "oranet/oci_entries.h"
#include "oranet/oci_error.h"
#include "oranet/oci_item.h"
#include "oranet/tests/ttc_fixture.h"

namespace oranet {
namespace {

using namespace oracle;

// A handle allocated through the entry, freed with the test.
struct Handle {
  explicit Handle(ub4 type) { EXPECT_EQ(NetHandleAlloc(nullptr, &address, type, 0, nullptr), OCI_SUCCESS); }
  ~Handle() { NetHandleFree(address, 0); }
  template <class T>
  T* As() const { return dynamic_cast<T*>(static_cast<TNetHandle*>(address)); }
  void* address = nullptr;
};

TEST(OciHandlesTest, AllocationByType) {
  EXPECT_NE(Handle(OCI_HTYPE_ERROR).As<TNetError>(), nullptr);
  EXPECT_NE(Handle(OCI_HTYPE_SVCCTX).As<TNetServiceContext>(), nullptr);
  EXPECT_NE(Handle(OCI_HTYPE_SERVER).As<TNetServer>(), nullptr);
  EXPECT_NE(Handle(OCI_HTYPE_SESSION).As<TNetSession>(), nullptr);
  void* handle = nullptr;
  EXPECT_EQ(NetHandleAlloc(nullptr, &handle, OCI_HTYPE_ENV, 0, nullptr), OCI_INVALID_HANDLE);
  EXPECT_EQ(NetHandleAlloc(nullptr, &handle, OCI_HTYPE_DESCRIBE, 0, nullptr), OCI_INVALID_HANDLE);
  EXPECT_EQ(handle, nullptr);
  OCIEnv* env = reinterpret_cast<OCIEnv*>(&handle);
  EXPECT_EQ(NetEnvCreate(&env, 2, nullptr, nullptr, nullptr, nullptr, 0, nullptr), OCI_SUCCESS);
  EXPECT_EQ(env, nullptr);
}

// Each attribute moves exactly its own width: the bytes around a value
// stay as they were.
TEST(OciHandlesTest, ItemAttributesMoveTheirOwnWidth) {
  TNetParam column(nullptr);
  column.dataSize = 300;
  column.dataType = 2;
  column.nullAllowed = true;
  column.scale = 2;
  column.name = "SAL";
  struct {
    ub1 value;
    ub1 after[3];
  } flag{0xEE, {0xEE, 0xEE, 0xEE}};
  EXPECT_EQ(NetAttrGet(&column, OCI_DTYPE_PARAM, &flag.value, nullptr, OCI_ATTR_IS_NULL, nullptr), OCI_SUCCESS);
  EXPECT_EQ(flag.value, 1);
  EXPECT_EQ(flag.after[0], 0xEE);
  struct {
    ub2 value;
    ub2 after;
  } size{0xEEEE, 0xEEEE};
  EXPECT_EQ(NetAttrGet(static_cast<TNetHandle*>(&column), OCI_DTYPE_PARAM, &size.value, nullptr, OCI_ATTR_DATA_SIZE,
                       nullptr),
            OCI_SUCCESS);
  EXPECT_EQ(size.value, 300);
  EXPECT_EQ(size.after, 0xEEEE);
  const char* name = nullptr;
  ub4 length = 0;
  EXPECT_EQ(NetAttrGet(static_cast<TNetHandle*>(&column), OCI_DTYPE_PARAM, &name, &length, OCI_ATTR_NAME, nullptr),
            OCI_SUCCESS);
  EXPECT_EQ(std::string(name, length), "SAL");
  // A character set id is read as two bytes, whatever follows them.
  struct {
    ub2 value;
    ub2 after;
  } charset{873, 0xFFFF};
  EXPECT_EQ(NetAttrSet(static_cast<TNetHandle*>(&column), OCI_DTYPE_PARAM, &charset.value, 0, OCI_ATTR_CHARSET_ID,
                       nullptr),
            OCI_SUCCESS);
  EXPECT_EQ(column.charsetId, 873);
  // The character set form is one byte: 1 or 2, any other refused.
  struct {
    ub1 value;
    ub1 after[3];
  } form{2, {0xEE, 0xEE, 0xEE}};
  EXPECT_EQ(NetAttrSet(static_cast<TNetHandle*>(&column), OCI_DTYPE_PARAM, &form.value, 0, OCI_ATTR_CHARSET_FORM,
                       nullptr),
            OCI_SUCCESS);
  EXPECT_EQ(column.charsetForm, 2);
  form.value = 3;
  EXPECT_EQ(NetAttrSet(static_cast<TNetHandle*>(&column), OCI_DTYPE_PARAM, &form.value, 0, OCI_ATTR_CHARSET_FORM,
                       nullptr),
            OCI_INVALID_HANDLE);
  EXPECT_EQ(column.charsetForm, 2);
  ub4 unknown = 0;
  EXPECT_EQ(NetAttrGet(static_cast<TNetHandle*>(&column), OCI_DTYPE_PARAM, &unknown, nullptr, OCI_ATTR_ROW_COUNT,
                       nullptr),
            OCI_INVALID_HANDLE);
}

TEST(OciHandlesTest, ServiceContextAttributes) {
  Handle context(OCI_HTYPE_SVCCTX), server(OCI_HTYPE_SERVER), session(OCI_HTYPE_SESSION);
  TNetServiceContext* ctx = context.As<TNetServiceContext>();
  EXPECT_EQ(NetAttrSet(context.address, OCI_HTYPE_SVCCTX, server.address, 0, OCI_ATTR_SERVER, nullptr), OCI_SUCCESS);
  EXPECT_EQ(NetAttrSet(context.address, OCI_HTYPE_SVCCTX, session.address, 0, OCI_ATTR_SESSION, nullptr), OCI_SUCCESS);
  EXPECT_EQ(ctx->Session(), session.As<TNetSession>());
  // A handle of another type is not taken for a session.
  EXPECT_EQ(NetAttrSet(context.address, OCI_HTYPE_SVCCTX, server.address, 0, OCI_ATTR_SESSION, nullptr),
            OCI_INVALID_HANDLE);
  EXPECT_EQ(ctx->Session(), session.As<TNetSession>());
  void* got = nullptr;
  EXPECT_EQ(NetAttrGet(context.address, OCI_HTYPE_SVCCTX, &got, nullptr, OCI_ATTR_ENV, nullptr), OCI_SUCCESS);
  EXPECT_EQ(got, server.address);

  char name[] = "al32utf8";
  EXPECT_EQ(NetAttrSet(context.address, OCI_HTYPE_SVCCTX, name, 8, OCI_ATTR_CHARSET, nullptr), OCI_SUCCESS);
  EXPECT_EQ(ctx->ClientCharsetId(), 873);
  char defaultName[] = "DEFAULT";
  NetAttrSet(context.address, OCI_HTYPE_SVCCTX, defaultName, 7, OCI_ATTR_CHARSET, nullptr);
  EXPECT_EQ(ctx->ClientCharsetId(), 0);
  char unknown[] = "KLINGON8";
  EXPECT_THROW(NetAttrSet(context.address, OCI_HTYPE_SVCCTX, unknown, 8, OCI_ATTR_CHARSET, nullptr),
               classlib::Exception);
  ub2 utf16 = 1000;
  NetAttrSet(context.address, OCI_HTYPE_SVCCTX, &utf16, 0, OCI_ATTR_CHARSET_ID, nullptr);
  EXPECT_EQ(ctx->ClientCharsetId(), 871);
  ub4 timeout = 70000;
  NetAttrSet(context.address, OCI_HTYPE_SVCCTX, &timeout, 0, OCI_ATTR_DIRECT_CONNECT_TIMEOUT, nullptr);
  EXPECT_EQ(ctx->ConnectTimeout(), 70000);

  // The session's texts end at their length or at a zero byte.
  char user[] = "SCOTTxx";
  char password[] = "tiger\0zz";
  NetAttrSet(session.address, OCI_HTYPE_SESSION, user, 5, OCI_ATTR_USERNAME, nullptr);
  NetAttrSet(session.address, OCI_HTYPE_SESSION, password, 8, OCI_ATTR_PASSWORD, nullptr);
  EXPECT_EQ(session.As<TNetSession>()->User(), "SCOTT");
  EXPECT_EQ(session.As<TNetSession>()->Password(), "tiger");
  EXPECT_EQ(NetAttrSet(session.address, OCI_HTYPE_SESSION, user, 5, OCI_ATTR_ROW_COUNT, nullptr), OCI_INVALID_HANDLE);
}

TEST(OciHandlesTest, ErrorRecords) {
  Handle error(OCI_HTYPE_ERROR);
  sb4 code = 5;
  OraText buffer[8];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(NetErrorGet(error.address, 1, nullptr, &code, buffer, sizeof buffer, OCI_HTYPE_ERROR), OCI_NO_DATA);
  EXPECT_EQ(code, 0);
  error.As<TNetError>()->Set(1017, "ORA-01017: invalid");
  EXPECT_EQ(NetErrorGet(error.address, 1, nullptr, &code, buffer, 5, OCI_HTYPE_ERROR), OCI_SUCCESS);
  EXPECT_EQ(code, 1017);
  EXPECT_STREQ(reinterpret_cast<char*>(buffer), "ORA-");
  // A buffer of size 0 gets nothing at all.
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(NetErrorGet(error.address, 1, nullptr, &code, buffer, 0, OCI_HTYPE_ERROR), OCI_SUCCESS);
  EXPECT_EQ(buffer[0], 'x');
  EXPECT_EQ(NetErrorGet(error.address, 1, nullptr, &code, buffer, 8, OCI_HTYPE_SVCCTX), OCI_INVALID_HANDLE);
}

TEST(OciHandlesTest, ServerVersionText) {
  Handle context(OCI_HTYPE_SVCCTX), server(OCI_HTYPE_SERVER);
  OraText buffer[16];
  EXPECT_EQ(NetServerVersion(context.address, nullptr, buffer, sizeof buffer, OCI_HTYPE_SVCCTX), OCI_SUCCESS);
  EXPECT_STREQ(reinterpret_cast<char*>(buffer), "Oracle7");
  TLogonSession logon;
  logon.server.serverVersion = 8100;
  context.As<TNetServiceContext>()->SetLogon(logon);
  NetServerVersion(context.address, nullptr, buffer, 4, OCI_HTYPE_SVCCTX);
  EXPECT_STREQ(reinterpret_cast<char*>(buffer), "Ora");
  NetServerVersion(context.address, nullptr, buffer, sizeof buffer, OCI_HTYPE_SVCCTX);
  EXPECT_STREQ(reinterpret_cast<char*>(buffer), "Oracle8");
  // Another handle gets an empty text, not what the buffer held before.
  EXPECT_EQ(NetServerVersion(server.address, nullptr, buffer, sizeof buffer, OCI_HTYPE_SERVER), OCI_SUCCESS);
  EXPECT_STREQ(reinterpret_cast<char*>(buffer), "");
}

// What each failure of the lower layers becomes.
TEST(OciErrorsTest, FailuresBecomeNumbersAndTexts) {
  const struct {
    std::exception_ptr error;
    int number;
    const char* text;
  } cases[] = {
      {std::make_exception_ptr(ESocketError("x (10049)", 10049)), -1, "NET: Invalid host"},
      {std::make_exception_ptr(ESocketError("x (10054)", 10054)), -3113, "ORA-03113"},
      {std::make_exception_ptr(ESocketError("x (10060)", 10060)), -1, "NET: Connection timed out"},
      {std::make_exception_ptr(ESocketError("x (10061)", 10061)), -1, "NET: Service unavailable"},
      {std::make_exception_ptr(ESocketError("x (10065)", 10065)), -1, "NET: Network error (65)"},
      {std::make_exception_ptr(ENetError(0)), -12571, "ORA-12571"},
      {std::make_exception_ptr(ENetError(206)), -1, "NET: Invalid SID"},
      {std::make_exception_ptr(ENetError(205)), -1, "NET: Net error 205"},
      {std::make_exception_ptr(ENetUnknownError(106)), -1, "NET: Unknown error 106"},
      {std::make_exception_ptr(classlib::Exception("Unknown charset")), -1, "NET: Unknown charset"},
  };
  for (const auto& c : cases) {
    TNetError error(nullptr);
    EXPECT_EQ(SetErrorFromException(c.error, &error), OCI_ERROR) << c.text;
    EXPECT_EQ(error.Number(), c.number) << c.text;
    EXPECT_EQ(error.Text(), c.text);
  }
}

class OciBreakErrorTest : public testing::TtcTest {};

// After a break the server's status message is read from the stream; no
// more rows (1403) is OCI_NO_DATA, another error OCI_ERROR with its text.
TEST_F(OciBreakErrorTest, ServerErrorAfterABreak) {
  Negotiated();
  ServerSays(testing::Concat({testing::Hex("00 02 05 7b"), testing::TBytes(20, 0), testing::Hex("09"), testing::Bytes("ORA-01403")}));
  TNetError error(nullptr);
  EXPECT_EQ(SetErrorFromException(std::make_exception_ptr(EInternalError(1403)), &error, reader.get()), OCI_NO_DATA);
  EXPECT_EQ(error.Number(), 1403);
  EXPECT_EQ(error.Text(), "ORA-01403");
  ServerSays(testing::Concat({testing::Hex("00 02 03 f9"), testing::TBytes(20, 0), testing::Hex("09"), testing::Bytes("ORA-01017")}));
  EXPECT_EQ(SetErrorFromException(std::make_exception_ptr(EInternalError(1017)), &error, reader.get()), OCI_ERROR);
  EXPECT_EQ(error.Number(), 1017);
}

}  // namespace
}  // namespace oranet
