// The emulation's error records read by the Oracle layer's own status
// checks through its entry-point table: the layer sees the same EOraError
// as with the client library.
#include <gtest/gtest.h>

#include "oracle/call_entries.h"
#include "oracle/call_state.h"
#include "oracle/error_ora.h"
#include "oranet/net_errors.h"
#include "oranet/oci_entries.h"
#include "oranet/oci_error.h"

namespace oranet {
namespace {

// NetErrorGet stands in the table's OCIErrorGet slot while a test runs.
class OciOracleErrorsTest : public ::testing::Test {
 protected:
  OciOracleErrorsTest() : saved_style_(oracle::DefaultCallStyle) {
    oracle::DefaultCallStyle = oracle::kOci8;
    oracle::SetOciEntry(oracle::OciSlot::OCIErrorGet, reinterpret_cast<void*>(&NetErrorGet));
  }
  ~OciOracleErrorsTest() override {
    oracle::SetOciEntry(oracle::OciSlot::OCIErrorGet, nullptr);
    oracle::DefaultCallStyle = saved_style_;
  }

  // The EOraError the layer raises for a status and the handle.
  oracle::EOraError Raised(sword status) {
    try {
      oracle::CheckOciStatus(status, reinterpret_cast<oracle::OCIError*>(HandleOf(&error)));
    } catch (const oracle::EOraError& e) {
      return e;
    }
    ADD_FAILURE() << "no EOraError";
    return oracle::EOraError(0, "");
  }

  TNetError error{nullptr};

 private:
  uint8_t saved_style_;
};

TEST_F(OciOracleErrorsTest, ServerErrorsKeepTheirNumberAndText) {
  error.Set(1017, "ORA-01017: invalid username/password; logon denied\n");
  const oracle::EOraError e = Raised(oracle::OCI_ERROR);
  EXPECT_EQ(e.ErrorCode(), 1017);
  EXPECT_EQ(e.Message(), "ORA-01017: invalid username/password; logon denied");
}

TEST_F(OciOracleErrorsTest, NetworkFailuresBecomeCodesOfTheirOwn) {
  const sword lost = SetErrorFromException(std::make_exception_ptr(ENetError(0)), &error);
  EXPECT_EQ(Raised(lost).ErrorCode(), 12571);
  EXPECT_EQ(Raised(lost).Message(), "ORA-12571");
  const sword reset = SetErrorFromException(std::make_exception_ptr(ESocketError("reset (10054)", 10054)), &error);
  EXPECT_EQ(Raised(reset).ErrorCode(), 3113);
  const sword host = SetErrorFromException(std::make_exception_ptr(ESocketError("x (10049)", 10049)), &error);
  EXPECT_EQ(Raised(host).ErrorCode(), 1);
  EXPECT_EQ(Raised(host).Message(), "NET: Invalid host");
}

}  // namespace
}  // namespace oranet
