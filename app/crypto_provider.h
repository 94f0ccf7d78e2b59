// A small stand-in for the platform's cryptographic service provider: the
// "Microsoft Base Cryptographic Provider v1.0" with the few services the
// updater uses (SHA-1 hash of a key text, an RC4 key derived from it,
// encryption and decryption). The key derivation reproduces that provider's
// so texts it enciphered stay readable: the RC4 key is the first 5 bytes of
// the hash (40 bits, its default length) followed by 11 zero bytes of salt.
//
// Every operation returns the platform's error code: 0 on success, else one
// of the NTE_* codes below.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace app {

// Provider, algorithm and flag values of the platform interface.
inline constexpr std::string_view kBaseProviderName = "Microsoft Base Cryptographic Provider v1.0";
inline constexpr std::uint32_t PROV_RSA_FULL = 1;
inline constexpr std::uint32_t CRYPT_VERIFYCONTEXT = 0xF0000000u;
inline constexpr std::uint32_t CALG_SHA1 = 0x8004;
inline constexpr std::uint32_t CALG_RC4 = 0x6801;

// Error codes the provider reports.
inline constexpr std::uint32_t NTE_BAD_UID = 0x80090001u;
inline constexpr std::uint32_t NTE_BAD_HASH = 0x80090002u;
inline constexpr std::uint32_t NTE_BAD_KEY = 0x80090003u;
inline constexpr std::uint32_t NTE_BAD_ALGID = 0x80090008u;
inline constexpr std::uint32_t NTE_BAD_FLAGS = 0x80090009u;
inline constexpr std::uint32_t NTE_BAD_HASH_STATE = 0x8009000Bu;
inline constexpr std::uint32_t NTE_BAD_KEYSET = 0x80090016u;
inline constexpr std::uint32_t NTE_KEYSET_NOT_DEF = 0x80090019u;
inline constexpr std::uint32_t NTE_PROV_TYPE_NO_MATCH = 0x8009001Bu;
inline constexpr std::uint32_t NTE_FAIL = 0x80090020u;

// The platform's message text for an error code (what its system message
// routine gives), or "Unknown error 0x...." for codes it does not know.
std::string CryptErrorMessage(std::uint32_t code);

// A hash object. Data may be added in chunks until the value is taken; after
// that the hash is finished and accepts no more data.
class CryptHash {
 public:
  using Sha1Value = std::array<std::uint8_t, 20>;

  CryptHash();
  ~CryptHash();
  CryptHash(const CryptHash&) = delete;
  CryptHash& operator=(const CryptHash&) = delete;

  std::uint32_t HashData(std::string_view bytes);
  std::uint32_t Value(Sha1Value& value);

 private:
  struct Digest;
  std::unique_ptr<Digest> digest_;
  bool finished_ = false;
  Sha1Value value_{};
};

// A session key. Each call enciphers its buffer as one final block, so the
// key stream starts afresh every time and the length never changes.
class CryptKey {
 public:
  static constexpr std::size_t kKeyBytes = 16;
  using KeyBytes = std::array<std::uint8_t, kKeyBytes>;

  explicit CryptKey(const KeyBytes& key) : key_(key) {}

  std::uint32_t Encrypt(std::string& data) const;
  std::uint32_t Decrypt(std::string& data) const;

 private:
  KeyBytes key_;
};

// A provider context acquired without a key container.
class CryptProvider {
 public:
  // Only the base provider (name compared ignoring letter case), type
  // PROV_RSA_FULL and CRYPT_VERIFYCONTEXT exist here: an unknown name gives
  // NTE_KEYSET_NOT_DEF, another type NTE_PROV_TYPE_NO_MATCH, a request for a
  // key container NTE_BAD_KEYSET.
  static std::uint32_t Acquire(std::string_view name, std::uint32_t type, std::uint32_t flags,
                               std::unique_ptr<CryptProvider>& provider);

  // Only CALG_SHA1; anything else gives NTE_BAD_ALGID.
  std::uint32_t CreateHash(std::uint32_t algId, std::unique_ptr<CryptHash>& hash) const;

  // Only CALG_RC4 with flags 0 (the default 40-bit length); finishes the hash.
  std::uint32_t DeriveKey(std::uint32_t algId, CryptHash& hash, std::uint32_t flags,
                          std::unique_ptr<CryptKey>& key) const;

 private:
  CryptProvider() = default;
};

}  // namespace app
