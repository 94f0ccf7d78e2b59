#include "oranet/crypt_password.h"

#include <algorithm>

#include "classlib/ansistr.h"
#include "oranet/crypt_hex.h"
#include "oranet/net_errors.h"

namespace oranet {

namespace {

TDesBlock ToBlock(const dacore::TBytes& bytes) {
  TDesBlock block{};
  std::copy_n(bytes.begin(), std::min<size_t>(bytes.size(), kDesBlockSize), block.begin());
  return block;
}

size_t PadCount(size_t size) { return (kDesBlockSize - size % kDesBlockSize) % kDesBlockSize; }

}  // namespace

dacore::TBytes OraBuildHashInput(const std::string& user, const std::string& password) {
  // The server keeps the verifier of the characters, not of the client's
  // bytes: upper-cased and in UTF-16, high byte first.
  const classlib::WideString text = classlib::WideUpperCase(classlib::AnsiToWide(user + password));
  dacore::TBytes input;
  for (const char16_t c : text) {
    input.push_back(static_cast<uint8_t>(c >> 8));
    input.push_back(static_cast<uint8_t>(c));
  }
  input.resize(input.size() + PadCount(input.size()), 0);
  return input;
}

TDesBlock OraPasswordHash(const dacore::TBytes& input) {
  const TDesBlock first = ToBlock(OraCbcCrypt(kVerifierKey, input, true));
  return ToBlock(OraCbcCrypt(first, input, true));
}

TDesBlock OraUserPasswordHash(const std::string& user, const std::string& password) {
  return OraPasswordHash(OraBuildHashInput(user, password));
}

void CheckSessionKeyText(const std::string& keyText) {
  if (keyText.empty()) throw ENetUnknownError(kSessionKeyEmpty);
  if (keyText.size() != kSessionKeyTextLength || !IsHexText(keyText)) throw ENetUnknownError(kSessionKeyMalformed);
}

TDesBlock OraDecryptSessionKey(const TDesBlock& verifier, const std::string& keyText) {
  CheckSessionKeyText(keyText);
  TDesBlock key = ToBlock(HexToBytes(keyText));
  DesDecryptBlock(verifier, key);
  return key;
}

dacore::TBytes OraEncryptWithKey(const TDesBlock& key, const dacore::TBytes& data) {
  return OraCbcCrypt(key, data, false);
}

std::string OraLogonPasswordText(const std::string& user, const std::string& password, const std::string& keyText) {
  const std::string trimmedPassword = classlib::Trim(password);
  const TDesBlock verifier = OraUserPasswordHash(classlib::Trim(user), trimmedPassword);
  const TDesBlock sessionKey = OraDecryptSessionKey(verifier, keyText);
  dacore::TBytes padded(trimmedPassword.begin(), trimmedPassword.end());
  const size_t pad = PadCount(padded.size());
  padded.resize(padded.size() + pad, 0);
  return BytesToHex(OraEncryptWithKey(sessionKey, padded)) + static_cast<char>('0' + pad);
}

}  // namespace oranet
