#include "app/crypto_provider.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <span>

#include "app/rc4.h"

namespace app {

namespace {

// The base provider's default RC4 key: 40 bits of the hash, the rest of the
// 16 key bytes is its zero salt.
constexpr std::size_t kDefaultKeyBits = 40;

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

std::uint32_t ApplyRc4(const CryptKey::KeyBytes& key, std::string& data) {
  if (data.empty()) return 0;
  Rc4 cipher(key);
  cipher.Apply(std::span(reinterpret_cast<std::uint8_t*>(data.data()), data.size()));
  return 0;
}

}  // namespace

std::string CryptErrorMessage(std::uint32_t code) {
  switch (code) {
    case 0: return "The operation completed successfully.";
    case NTE_BAD_UID: return "Bad UID.";
    case NTE_BAD_HASH: return "Bad Hash.";
    case NTE_BAD_KEY: return "Bad Key.";
    case NTE_BAD_ALGID: return "Invalid algorithm specified.";
    case NTE_BAD_FLAGS: return "Invalid flags specified.";
    case NTE_BAD_HASH_STATE: return "Hash not valid for use in specified state.";
    case NTE_BAD_KEYSET: return "Keyset does not exist.";
    case NTE_KEYSET_NOT_DEF: return "The keyset is not defined.";
    case NTE_PROV_TYPE_NO_MATCH: return "The provider type does not match the registered value.";
    case NTE_FAIL: return "An internal error occurred.";
  }
  char text[40];
  std::snprintf(text, sizeof text, "Unknown error 0x%08X", static_cast<unsigned>(code));
  return text;
}

// ---- hash ------------------------------------------------------------------

struct CryptHash::Digest {
  EVP_MD_CTX* context = EVP_MD_CTX_new();
  bool ready = context != nullptr && EVP_DigestInit_ex(context, EVP_sha1(), nullptr) == 1;
  ~Digest() { EVP_MD_CTX_free(context); }
};

CryptHash::CryptHash() : digest_(std::make_unique<Digest>()) {}
CryptHash::~CryptHash() = default;

std::uint32_t CryptHash::HashData(std::string_view bytes) {
  if (finished_) return NTE_BAD_HASH_STATE;
  if (!digest_->ready) return NTE_FAIL;
  if (EVP_DigestUpdate(digest_->context, bytes.data(), bytes.size()) != 1) return NTE_FAIL;
  return 0;
}

std::uint32_t CryptHash::Value(Sha1Value& value) {
  if (!finished_) {
    if (!digest_->ready) return NTE_FAIL;
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(digest_->context, value_.data(), &length) != 1 || length != value_.size()) {
      return NTE_FAIL;
    }
    finished_ = true;
  }
  value = value_;
  return 0;
}

// ---- key -------------------------------------------------------------------

std::uint32_t CryptKey::Encrypt(std::string& data) const { return ApplyRc4(key_, data); }
std::uint32_t CryptKey::Decrypt(std::string& data) const { return ApplyRc4(key_, data); }

// ---- provider --------------------------------------------------------------

std::uint32_t CryptProvider::Acquire(std::string_view name, std::uint32_t type, std::uint32_t flags,
                                     std::unique_ptr<CryptProvider>& provider) {
  provider.reset();
  if (!SameNameIgnoringCase(name, kBaseProviderName)) return NTE_KEYSET_NOT_DEF;
  if (type != PROV_RSA_FULL) return NTE_PROV_TYPE_NO_MATCH;
  // There is no key-container store: only ephemeral contexts exist.
  if (flags != CRYPT_VERIFYCONTEXT) return NTE_BAD_KEYSET;
  provider.reset(new CryptProvider());
  return 0;
}

std::uint32_t CryptProvider::CreateHash(std::uint32_t algId, std::unique_ptr<CryptHash>& hash) const {
  hash.reset();
  if (algId != CALG_SHA1) return NTE_BAD_ALGID;
  auto created = std::make_unique<CryptHash>();
  // Surface a digest that could not be set up now rather than at first use.
  if (created->HashData({}) != 0) return NTE_FAIL;
  hash = std::move(created);
  return 0;
}

std::uint32_t CryptProvider::DeriveKey(std::uint32_t algId, CryptHash& hash, std::uint32_t flags,
                                       std::unique_ptr<CryptKey>& key) const {
  key.reset();
  if (algId != CALG_RC4) return NTE_BAD_ALGID;
  if (flags != 0) return NTE_BAD_FLAGS;
  CryptHash::Sha1Value value;
  if (std::uint32_t error = hash.Value(value)) return error;
  CryptKey::KeyBytes bytes{};
  std::copy_n(value.begin(), kDefaultKeyBits / 8, bytes.begin());
  key = std::make_unique<CryptKey>(bytes);
  return 0;
}

}  // namespace app
