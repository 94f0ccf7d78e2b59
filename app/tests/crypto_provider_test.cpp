#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/crypto_provider.h"
#include "app/rc4.h"

namespace app {
namespace {

std::string Hex(const std::uint8_t* bytes, std::size_t size) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (std::size_t i = 0; i < size; ++i) {
    hex += kDigits[bytes[i] >> 4];
    hex += kDigits[bytes[i] & 15];
  }
  return hex;
}

std::string Hex(const std::string& bytes) {
  return Hex(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

std::unique_ptr<CryptProvider> BaseProvider() {
  std::unique_ptr<CryptProvider> provider;
  EXPECT_EQ(CryptProvider::Acquire(kBaseProviderName, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT, provider), 0u);
  return provider;
}

std::string Sha1Hex(const std::vector<std::string>& chunks) {
  auto provider = BaseProvider();
  std::unique_ptr<CryptHash> hash;
  EXPECT_EQ(provider->CreateHash(CALG_SHA1, hash), 0u);
  for (const std::string& chunk : chunks) EXPECT_EQ(hash->HashData(chunk), 0u);
  CryptHash::Sha1Value value{};
  EXPECT_EQ(hash->Value(value), 0u);
  return Hex(value.data(), value.size());
}

// RC4 key stream of `key` from `offset`, `count` bytes long.
std::string Rc4Stream(std::vector<std::uint8_t> key, std::size_t offset, std::size_t count) {
  Rc4 cipher(key);
  std::vector<std::uint8_t> stream(offset + count, 0);
  cipher.Apply(stream);
  return Hex(stream.data() + offset, count);
}

// FIPS 180 examples.
TEST(Sha1Hash, MatchesPublishedVectors) {
  EXPECT_EQ(Sha1Hex({"abc"}), "a9993e364706816aba3e25717850c26c9cd0d89d");
  EXPECT_EQ(Sha1Hex({}), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
  EXPECT_EQ(Sha1Hex({"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"}),
            "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
  // Data fed in chunks hashes like one block.
  EXPECT_EQ(Sha1Hex({"abcdbcdecdefdefgefgh", "", "fghighijhijkijkljklmklmnlmnomnopnopq"}),
            "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
  EXPECT_EQ(Sha1Hex(std::vector<std::string>(1000, std::string(1000, 'a'))),
            "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

TEST(Sha1Hash, RefusesDataOnceTheValueIsTaken) {
  auto provider = BaseProvider();
  std::unique_ptr<CryptHash> hash;
  ASSERT_EQ(provider->CreateHash(CALG_SHA1, hash), 0u);
  CryptHash::Sha1Value first{}, second{};
  ASSERT_EQ(hash->Value(first), 0u);
  EXPECT_EQ(hash->HashData("more"), NTE_BAD_HASH_STATE);
  ASSERT_EQ(hash->Value(second), 0u);
  EXPECT_EQ(first, second);
}

// RFC 6229 test vectors.
TEST(Rc4Cipher, MatchesRfc6229KeyStreams) {
  const std::vector<std::uint8_t> key40 = {1, 2, 3, 4, 5};
  EXPECT_EQ(Rc4Stream(key40, 0, 16), "b2396305f03dc027ccc3524a0a1118a8");
  EXPECT_EQ(Rc4Stream(key40, 16, 16), "6982944f18fc82d589c403a47a0d0919");
  EXPECT_EQ(Rc4Stream(key40, 240, 16), "28cb1132c96ce286421dcaadb8b69eae");
  EXPECT_EQ(Rc4Stream(key40, 256, 16), "1cfcf62b03eddb641d77dfcf7f8d8c93");
  std::vector<std::uint8_t> key128;
  for (std::uint8_t b = 1; b <= 16; ++b) key128.push_back(b);
  EXPECT_EQ(Rc4Stream(key128, 0, 16), "9ac7cc9a609d1ef7b2932899cde41b97");
}

TEST(Rc4Cipher, ContinuesTheStreamAcrossCallsAndRejectsEmptyKeys) {
  const std::vector<std::uint8_t> key = {1, 2, 3, 4, 5};
  Rc4 cipher(key);
  std::vector<std::uint8_t> head(5, 0), tail(11, 0);
  cipher.Apply(head);
  cipher.Apply(tail);
  EXPECT_EQ(Hex(head.data(), head.size()) + Hex(tail.data(), tail.size()),
            "b2396305f03dc027ccc3524a0a1118a8");
  EXPECT_THROW(Rc4(std::vector<std::uint8_t>{}), std::invalid_argument);
}

TEST(CryptProviderContext, AcquiresOnlyTheBaseProviderWithoutContainers) {
  std::unique_ptr<CryptProvider> provider;
  EXPECT_EQ(CryptProvider::Acquire("microsoft base cryptographic provider v1.0", PROV_RSA_FULL,
                                   CRYPT_VERIFYCONTEXT, provider),
            0u);
  EXPECT_NE(provider, nullptr);
  EXPECT_EQ(CryptProvider::Acquire("Microsoft Strong Cryptographic Provider", PROV_RSA_FULL,
                                   CRYPT_VERIFYCONTEXT, provider),
            NTE_KEYSET_NOT_DEF);
  EXPECT_EQ(provider, nullptr);
  EXPECT_EQ(CryptProvider::Acquire(kBaseProviderName, 24, CRYPT_VERIFYCONTEXT, provider),
            NTE_PROV_TYPE_NO_MATCH);
  EXPECT_EQ(CryptProvider::Acquire(kBaseProviderName, PROV_RSA_FULL, 0, provider), NTE_BAD_KEYSET);
}

TEST(CryptProviderContext, RejectsAlgorithmsAndFlagsItDoesNotOffer) {
  auto provider = BaseProvider();
  std::unique_ptr<CryptHash> hash;
  EXPECT_EQ(provider->CreateHash(0x8003 /* MD5 */, hash), NTE_BAD_ALGID);
  EXPECT_EQ(hash, nullptr);
  ASSERT_EQ(provider->CreateHash(CALG_SHA1, hash), 0u);
  std::unique_ptr<CryptKey> key;
  EXPECT_EQ(provider->DeriveKey(0x6602 /* RC2 */, *hash, 0, key), NTE_BAD_ALGID);
  EXPECT_EQ(provider->DeriveKey(CALG_RC4, *hash, 0x00800000 /* 128 bits */, key), NTE_BAD_FLAGS);
  EXPECT_EQ(key, nullptr);
}

TEST(CryptProviderContext, DerivesA40BitKeyWithZeroSaltAndRestartsItsStream) {
  // SHA-1 of the key text is d80393027658eeb7...; the RC4 key is its first 5
  // bytes and 11 zero bytes. The stream below was computed for that key with
  // the openssl command-line tool and with a separate script.
  auto provider = BaseProvider();
  std::unique_ptr<CryptHash> hash;
  ASSERT_EQ(provider->CreateHash(CALG_SHA1, hash), 0u);
  ASSERT_EQ(hash->HashData("3C5E17A09BD24F6E81"), 0u);
  std::unique_ptr<CryptKey> key;
  ASSERT_EQ(provider->DeriveKey(CALG_RC4, *hash, 0, key), 0u);
  std::string zeros(24, '\0');
  ASSERT_EQ(key->Encrypt(zeros), 0u);
  EXPECT_EQ(Hex(zeros), "a76437843c54094d9d7fed3403388560c8fe5605c0639fb0");
  std::string again(8, '\0');
  ASSERT_EQ(key->Encrypt(again), 0u);
  EXPECT_EQ(Hex(again), "a76437843c54094d");
  ASSERT_EQ(key->Decrypt(again), 0u);
  EXPECT_EQ(again, std::string(8, '\0'));
}

TEST(CryptErrorMessages, NameKnownCodesAndShowUnknownOnesInHex) {
  EXPECT_EQ(CryptErrorMessage(NTE_BAD_KEY), "Bad Key.");
  EXPECT_EQ(CryptErrorMessage(0x1234), "Unknown error 0x00001234");
}

}  // namespace
}  // namespace app
