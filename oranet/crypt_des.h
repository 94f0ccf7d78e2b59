// DES (FIPS 46) on single 8-byte blocks and in CBC mode with an all-zero
// initial vector, as the logon's password verifier and password
// encryption need it. Every call builds its own key schedule from the key
// it is given, so logons on several threads never disturb each other.
#pragma once

#include <array>
#include <cstdint>

#include "dacore/util_bytes.h"

namespace oranet {

constexpr int kDesBlockSize = 8;
using TDesBlock = std::array<uint8_t, kDesBlockSize>;

// Encrypts (decrypts) the block in place `times` times under `key`.
void DesEncryptBlock(const TDesBlock& key, TDesBlock& block, int times = 1);
void DesDecryptBlock(const TDesBlock& key, TDesBlock& block, int times = 1);

// CBC encryption under `key` over the whole 8-byte blocks of `data`; bytes
// beyond the last whole block are not processed and stay 0 in the output.
// With lastOnly the result is the final block alone (a CBC-MAC; eight zero
// bytes for data shorter than a block), else it has the length of `data`.
dacore::TBytes OraCbcCrypt(const TDesBlock& key, const dacore::TBytes& data, bool lastOnly);

}  // namespace oranet
