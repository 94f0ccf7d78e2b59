// DES and the logon's password cryptography. The known answers come from
// the published DES test vector and from an independent DES
// implementation run over the same inputs.
#include <gtest/gtest.h>

#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/des.h>

#include <random>
#include <thread>
#include <vector>

#include "classlib/codepage.h"
#include "classlib/exceptions.h"
#include "oranet/crypt_des.h"
#include "oranet/crypt_hex.h"
#include "oranet/crypt_password.h"
#include "oranet/net_errors.h"
#include "oranet/tests/expect_error.h"

namespace oranet {
namespace {

using dacore::TBytes;

TDesBlock Block(const std::string& hex) {
  const TBytes bytes = HexToBytes(hex);
  TDesBlock block{};
  std::copy(bytes.begin(), bytes.end(), block.begin());
  return block;
}

std::string Hex(const TDesBlock& block) { return BytesToHex(TBytes(block.begin(), block.end())); }

TEST(CryptDesTest, TextbookVectorAndRoundTrips) {
  TDesBlock block = Block("0123456789ABCDEF");
  DesEncryptBlock(Block("133457799BBCDFF1"), block);
  EXPECT_EQ(Hex(block), "85E813540F0AB405");
  DesDecryptBlock(Block("133457799BBCDFF1"), block);
  EXPECT_EQ(Hex(block), "0123456789ABCDEF");
  // Several rounds each way come back to the start.
  DesEncryptBlock(kVerifierKey, block, 5);
  EXPECT_NE(Hex(block), "0123456789ABCDEF");
  DesDecryptBlock(kVerifierKey, block, 5);
  EXPECT_EQ(Hex(block), "0123456789ABCDEF");
}

// CBC over random data and keys agrees with libcrypto's own CBC, both in
// full and as the last block; bytes past the last whole block stay 0.
TEST(CryptDesTest, CbcAgreesWithLibcrypto) {
  std::mt19937 rng(44);
  for (int round = 0; round < 50; ++round) {
    TDesBlock key;
    for (uint8_t& b : key) b = static_cast<uint8_t>(rng());
    TBytes data(rng() % 40);
    for (uint8_t& b : data) b = static_cast<uint8_t>(rng());
    const size_t whole = data.size() / 8 * 8;
    TBytes expected(data.size(), 0);
    DES_cblock raw;
    std::copy(key.begin(), key.end(), raw);
    DES_key_schedule schedule;
    DES_set_key_unchecked(&raw, &schedule);
    DES_cblock iv = {0};
    if (whole > 0) DES_ncbc_encrypt(data.data(), expected.data(), static_cast<long>(whole), &schedule, &iv, DES_ENCRYPT);
    EXPECT_EQ(OraCbcCrypt(key, data, false), expected);
    const TBytes last = whole > 0 ? TBytes(expected.begin() + whole - 8, expected.begin() + whole) : TBytes(8, 0);
    EXPECT_EQ(OraCbcCrypt(key, data, true), last);
  }
}

TEST(CryptHexTest, HexBothWays) {
  EXPECT_EQ(BytesToHex({0x0A, 0xFF}), "0AFF");
  EXPECT_EQ(HexToBytes("0aff"), (TBytes{0x0A, 0xFF}));
  EXPECT_TRUE(HexToBytes("").empty());
  EXPECT_FALSE(IsHexText("0af"));
  EXPECT_FALSE(IsHexText("0g"));
  EXPECT_THROW(HexToBytes("zz"), classlib::Exception);
}

TEST(CryptPasswordTest, HashInputIsUpperCasedWideTextPadded) {
  const TBytes input = OraBuildHashInput("scott", "tiger");
  ASSERT_EQ(input.size(), 24u);
  EXPECT_EQ(BytesToHex(input), "00530043004F005400540054004900470045005200000000");
  // Every letter is upper-cased, the Cyrillic ones too, and goes as its
  // UTF-16 code, not as the client's byte (0xE4 is CP1251 for U+0434).
  EXPECT_EQ(BytesToHex(OraBuildHashInput("a_1\xE4", "\xA8")), "0041005F003104140401000000000000");
}

// The verifier of a Cyrillic user and password, as the server computes it.
// The known answer was computed apart from this code, with the openssl
// command line over the UTF-16BE text of the upper-cased pair ($L stands
// for "-provider legacy -provider default -des-cbc -iv 0000000000000000
// -nopad -in in.bin"):
//   printf 'ИВАНПАРОЛЬ' | iconv -f UTF-8 -t UTF-16BE > in.bin; head -c 4 /dev/zero >> in.bin
//   k1=$(openssl enc $L -K 0123456789ABCDEF | tail -c 8 | xxd -p)    gives 6765d27bce21163d
//   openssl enc $L -K $k1 | tail -c 8 | xxd -p                       gives 124566ff54f5ed1d
// (the same commands over SCOTTTIGER give F894844C34402B67, the verifier above).
TEST(CryptPasswordTest, VerifierOfACyrillicUserAndPassword) {
  const std::string user = classlib::Utf8ToCp1251("иван"), password = classlib::Utf8ToCp1251("пароль");
  EXPECT_EQ(Hex(OraUserPasswordHash(user, password)), "124566FF54F5ED1D");
  EXPECT_EQ(Hex(OraUserPasswordHash(classlib::Utf8ToCp1251("ИВАН"), classlib::Utf8ToCp1251("ПАРОЛЬ"))),
            "124566FF54F5ED1D");
}

TEST(CryptPasswordTest, VerifierOfScottTiger) {
  EXPECT_EQ(Hex(OraUserPasswordHash("SCOTT", "TIGER")), "F894844C34402B67");
  EXPECT_EQ(Hex(OraUserPasswordHash("scott", "tiger")), "F894844C34402B67");
  EXPECT_EQ(Hex(OraUserPasswordHash("SCOTT", "TIGERTIG")), "1081540F7BA303F7");
}

TEST(CryptPasswordTest, SessionKeyAndPasswordText) {
  const TDesBlock verifier = OraUserPasswordHash("SCOTT", "TIGER");
  EXPECT_EQ(Hex(OraDecryptSessionKey(verifier, "0123456789ABCDEF")), "FE005A978620C0E8");
  EXPECT_EQ(Hex(OraDecryptSessionKey(verifier, "0123456789abcdef")), "FE005A978620C0E8");
  EXPECT_EQ(OraLogonPasswordText("SCOTT", "TIGER", "0123456789ABCDEF"), "EA1271E59F85AA433");
  // The password goes as typed: only the verifier ignores its case.
  EXPECT_EQ(OraLogonPasswordText(" scott ", " tiger ", "0123456789ABCDEF"), "63533920380850AF3");
  EXPECT_EQ(OraLogonPasswordText("SCOTT", "TIGER", "8B1A6F3C21D09E47"), "30267CB6F7E634163");
}

TEST(CryptPasswordTest, PasswordsOfEightAndNineCharacters) {
  EXPECT_EQ(OraLogonPasswordText("SCOTT", "TIGERTIG", "0123456789ABCDEF"), "961D6C1B196272770");
  EXPECT_EQ(OraLogonPasswordText("SCOTT", "TIGERTIGE", "0123456789ABCDEF"),
            "EAF0DEC5DDB8D3406FEDC6F1F475A05F7");
}

// The session key text is exactly 16 hexadecimal digits: an empty one is
// error 210, a longer, shorter or non-hexadecimal one 106.
TEST(CryptPasswordTest, MalformedSessionKeyTexts) {
  const TDesBlock verifier = OraUserPasswordHash("SCOTT", "TIGER");
  using testing::ExpectErrorCode;
  ExpectErrorCode<ENetUnknownError>(210, [&] { OraDecryptSessionKey(verifier, ""); });
  ExpectErrorCode<ENetUnknownError>(106, [&] { OraDecryptSessionKey(verifier, "0123456789ABCDEF0"); });
  ExpectErrorCode<ENetUnknownError>(106, [&] { OraDecryptSessionKey(verifier, "0123456789ABCD"); });
  ExpectErrorCode<ENetUnknownError>(106, [&] { OraLogonPasswordText("SCOTT", "TIGER", "0123456789ABCDEG"); });
}

// Logons on several threads each get their own answers: no key schedule
// is shared between calls.
TEST(CryptPasswordTest, ConcurrentLogonsDoNotDisturbEachOther) {
  struct Case {
    const char* password;
    const char* text;
  };
  const Case cases[] = {{"TIGER", "EA1271E59F85AA433"}, {"TIGERTIG", "961D6C1B196272770"}};
  std::vector<int> wrong(4, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      const Case& c = cases[t % 2];
      for (int i = 0; i < 2000; ++i)
        if (OraLogonPasswordText("SCOTT", c.password, "0123456789ABCDEF") != c.text) ++wrong[t];
    });
  for (std::thread& t : threads) t.join();
  for (int t = 0; t < 4; ++t) EXPECT_EQ(wrong[t], 0) << "thread " << t;
}

}  // namespace
}  // namespace oranet
