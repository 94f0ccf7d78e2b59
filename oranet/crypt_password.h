// The logon's password cryptography: the verifier the server keeps for a
// user name and password, the session key the server sends encrypted under
// it, and the password text sent encrypted under the session key.
#pragma once

#include <string>

#include "dacore/util_bytes.h"
#include "oranet/crypt_des.h"

namespace oranet {

// The DES key the servers use for the first round of the verifier.
constexpr TDesBlock kVerifierKey = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};

// The session key text is exactly this many hexadecimal digits.
constexpr int kSessionKeyTextLength = 16;
// ENetUnknownError codes of a bad session key text.
constexpr int kSessionKeyMalformed = 106;
constexpr int kSessionKeyEmpty = 210;

// User name then password (ANSI text), each character upper-cased and
// written in UTF-16 big-endian, zero-padded to a multiple of 8 bytes.
dacore::TBytes OraBuildHashInput(const std::string& user, const std::string& password);
// Two CBC-MAC rounds: under kVerifierKey, then under the first result.
TDesBlock OraPasswordHash(const dacore::TBytes& input);
TDesBlock OraUserPasswordHash(const std::string& user, const std::string& password);

// Raises ENetUnknownError 210 for an empty text, 106 for one that is not
// exactly 16 hexadecimal digits.
void CheckSessionKeyText(const std::string& keyText);
// The 8 bytes of the key text, decrypted once under the verifier.
TDesBlock OraDecryptSessionKey(const TDesBlock& verifier, const std::string& keyText);
// CBC encryption of the whole blocks of data under key.
dacore::TBytes OraEncryptWithKey(const TDesBlock& key, const dacore::TBytes& data);

// The logon's password text: the trimmed password, zero-padded to a
// multiple of 8 bytes, encrypted under the session key, in hexadecimal,
// then one digit giving the pad count (0-7).
std::string OraLogonPasswordText(const std::string& user, const std::string& password, const std::string& keyText);

}  // namespace oranet
