// TOCIConnection in the older call style: logon and logoff on the logon and
// host data areas, and the error texts of that interface.
#include <cstring>

#include "oracle/call_binding.h"
#include "oracle/call_entries.h"
#include "oracle/call_state.h"
#include "oracle/conn_oci_connection.h"

namespace oracle {

namespace {

const OraText* TextOf(const std::string& text) { return reinterpret_cast<const OraText*>(text.c_str()); }

constexpr int kOci7MessageSize = 512;

}  // namespace

void TOCIConnection::ConnectOci7() {
  if (!lda_) lda_ = std::make_unique<ub1[]>(kOci7LdaSize);
  if (!hda_) hda_ = std::make_unique<ub1[]>(kOci7HdaSize);
  owns_lda_ = true;
  std::memset(hda_.get(), 0, kOci7HdaSize);
  try {
    // The process initialisation must precede the first logon.
    if (ThreadSafety && !IsOci7Initialized()) InitOci7(true);
    Check(olog(lda_.get(), hda_.get(), TextOf(Username), -1, TextOf(Password), -1, TextOf(Server), -1,
               OCI_LM_DEF));
  } catch (...) {
    lda_.reset();
    hda_.reset();
    throw;
  }
}

void TOCIConnection::DisconnectOci7() {
  Connected = false;
  sword status = OwnsHandles ? ologof(lda_.get()) : OCI_SUCCESS;
  // The text of a failed logoff is read while the logon area still exists.
  if (status != OCI_SUCCESS) {
    try {
      Check(status);
    } catch (...) {
      hda_.reset();
      if (owns_lda_) lda_.reset();
      OwnsHandles = true;
      throw;
    }
  }
  hda_.reset();
  if (owns_lda_) lda_.reset();
  OwnsHandles = true;
}

// The older interface reports a failure as the negative error number; its
// text comes from the library's message table.
std::string TOCIConnection::Oci7ErrorText(sword code) {
  OraText buffer[kOci7MessageSize + 1] = {};
  oerhms(lda_.get(), static_cast<sb2>(code), buffer, kOci7MessageSize);
  std::string text(reinterpret_cast<const char*>(buffer), strnlen(reinterpret_cast<const char*>(buffer), kOci7MessageSize));
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.pop_back();
  return text;
}

}  // namespace oracle
