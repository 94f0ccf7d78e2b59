#include "oracle/error_ora.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "oracle/call_binding.h"
#include "oracle/call_entries.h"
#include "oracle/call_state.h"

namespace oracle {

namespace {

// The text without trailing blanks and control characters.
std::string TrimmedRight(std::string text) {
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.pop_back();
  return text;
}

// The number of "ORA-nnnnn" at the start of a text; `code` when it has none.
sb4 CodeOfText(const std::string& text, sb4 code) {
  if (text.compare(0, 4, "ORA-") != 0) return code;
  std::string digits = text.substr(4, 5);
  if (digits.empty()) return code;
  for (char c : digits)
    if (c < '0' || c > '9') return code;
  return std::atoi(digits.c_str());
}

// Asks the error handle for its first record; the buffer is the size the
// layer gives error texts.
sword ReadErrorRecord(OCIError* error, sb4& code, std::string& text) {
  std::vector<OraText> buffer(OCIErrorBufferSize + 1, 0);
  sword result = OCIErrorGet(error ? error : hOCIError, 1, nullptr, &code, buffer.data(),
                             static_cast<ub4>(OCIErrorBufferSize), OCI_HTYPE_ERROR);
  // The last byte stays zero, so a library that fills the whole buffer
  // cannot make the text run past it.
  text = reinterpret_cast<const char*>(buffer.data());
  return result;
}

// |value|, kept in range for the most negative one.
int32_t Magnitude(int32_t value) { return value == INT32_MIN ? INT32_MAX : std::abs(value); }

[[noreturn]] void RaiseWithText(int32_t code, const std::string& text) {
  throw EOraError(code, TrimmedRight(text));
}

}  // namespace

EOraError::EOraError(int32_t error_code, std::string message, classlib::TComponent* component)
    : EDAError(error_code, std::move(message), component) {}

int32_t GetOciErrorText(sword status, std::string& text, OCIError* error) {
  CheckOci8();
  switch (status) {
    case OCI_SUCCESS:
      return 0;
    case OCI_NEED_DATA:
      text = "OCI_NEED_DATA";
      return 99;
    case OCI_INVALID_HANDLE:
      text = "OCI_INVALID_HANDLE";
      return 2;
    case OCI_SUCCESS_WITH_INFO:
    case OCI_ERROR:
    case OCI_NO_DATA:
      break;
    default:
      text = "Unknown error: ORA-" + std::to_string(status);
      return Magnitude(status);
  }
  sb4 code = status;
  switch (ReadErrorRecord(error, code, text)) {
    case OCI_SUCCESS:
      if (text.empty()) text = "ORA-" + std::to_string(code);
      break;
    case OCI_ERROR:
      code = CodeOfText(text, code);
      break;
    case OCI_SUCCESS_WITH_INFO:
      text = "OCI_SUCCESS_WITH_INFO";
      break;
    case OCI_NO_DATA:
      text = "OCI_NO_DATA";
      break;
  }
  return Magnitude(code);
}

int32_t GetOciErrorCode(sword status, OCIError* error) {
  std::string text;
  return GetOciErrorText(status, text, error);
}

int32_t GetOraErrorText(std::string& text, OCIError* error) {
  return GetOciErrorText(OCI_ERROR, text, error);
}

void CheckOciStatus(sword status, OCIError* error) {
  if (status != OCI_SUCCESS) RaiseOciStatusError(status, error);
}

void RaiseOciStatusError(sword status, OCIError* error) {
  std::string text;
  int32_t code = GetOciErrorText(status, text, error);
  if (status != OCI_SUCCESS_WITH_INFO) RaiseWithText(code, text);
}

void RaiseTruncatedValue(const std::string& column) {
  throw EOraError(1406, "ORA-01406: fetched column value was truncated (" + column + ")");
}

void CheckOraError(sword status, OCIError* error) {
  if (status != OCI_SUCCESS) RaiseOraError(status, error);
}

void RaiseOraError(sword, OCIError* error) {
  std::string text;
  int32_t code = GetOraErrorText(text, error);
  RaiseWithText(code, text);
}

}  // namespace oracle
