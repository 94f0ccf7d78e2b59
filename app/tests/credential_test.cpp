#include <gtest/gtest.h>

#include <string>

#include "app/char_shift.h"
#include "app/decimal_codes.h"
#include "app/win_crypt.h"
#include "classlib/codepage.h"

namespace app {
namespace {

std::string Ansi(const char* utf8) { return classlib::Utf8ToCp1251(utf8); }

std::string EveryByte() {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  return all;
}

// The stored form of newer releases: decimal codes of the enciphered text.
std::string StoredForm(const std::string& password) {
  TWinCryptObject crypt;
  crypt.SetKey(kLoginKeyText);
  std::string s = password;
  EXPECT_TRUE(crypt.EncryptString(s)) << crypt.LastErrorText();
  return StrToDecimalCodes(s);
}

// Expected forms were computed outside this code: RC4 with the openssl tool
// and a separate script, the character shift by hand.
TEST(StoredCredentialForms, NewerReleasesUseTheCipherAndDecimalCodes) {
  // "admin" enciphers to c6 00 5a ed 52: a zero byte inside must survive.
  EXPECT_EQ(StoredForm("admin"), "198000090237082");
  EXPECT_EQ(StoredForm(Ansi("пароль")), "072132199106215168");
  EXPECT_EQ(StoredForm("Secret123"), "244001084246089032056127174");
  // The Cyrillic password must reach the cipher as code page 1251, not UTF-8.
  EXPECT_NE(StoredForm("пароль"), StoredForm(Ansi("пароль")));
}

TEST(StoredCredentialForms, OlderReleasesUseTheMode1Shift) {
  EXPECT_EQ(EncodeString("admin", 1), "\x87\x91\x8E\x91\x9D");
  EXPECT_EQ(EncodeString(Ansi("пароль"), 1), "5-16:?");
}

TEST(StoredCredentialForms, StoredAccountsReadBack) {
  TWinCryptObject crypt;
  crypt.SetKey(kLoginKeyText);
  std::string account = DecimalCodesToStr("072132199106215168");
  ASSERT_TRUE(crypt.DecryptString(account));
  EXPECT_EQ(account, Ansi("пароль"));
  EXPECT_EQ(DecodeString("5-16:?", 1), Ansi("пароль"));
}

TEST(WinCryptObject, EnciphersTheConnectionStringInPlaceAtTheSameLength) {
  TWinCryptObject crypt;
  crypt.SetKey(kLoginKeyText);
  std::string s = "Provider=SQLOLEDB.1;User ID=sa";
  ASSERT_TRUE(crypt.EncryptString(s));
  EXPECT_EQ(StrToDecimalCodes(s),
            StrToDecimalCodes("\xf7\x16\x58\xf2\x55\x30\x6c\x3f\xa0\x2c\xbc\x78\x4c\x74\xc0"
                              "\x24\x8a\xd0\x67\x3e\x95\x10\xfa\xc2\x86\xde\x88\x8d\x5a\x54"));
  EXPECT_EQ(crypt.LastErrorCode(), 0u);
  EXPECT_EQ(crypt.LastErrorText(), "");
}

TEST(WinCryptObject, RoundTripsEveryByteAndRepeatsItself) {
  TWinCryptObject crypt;
  crypt.SetKey("another key");
  std::string first = EveryByte(), second = EveryByte();
  ASSERT_TRUE(crypt.EncryptString(first));
  ASSERT_TRUE(crypt.EncryptString(second));
  EXPECT_EQ(first, second);
  EXPECT_NE(first, EveryByte());
  ASSERT_TRUE(crypt.DecryptString(first));
  EXPECT_EQ(first, EveryByte());
  std::string empty;
  EXPECT_TRUE(crypt.EncryptString(empty));
  EXPECT_EQ(empty, "");
}

TEST(WinCryptObject, DefaultsToTheBaseProvider) {
  TWinCryptObject crypt;
  EXPECT_EQ(crypt.ProviderName(), "Microsoft Base Cryptographic Provider v1.0");
  EXPECT_TRUE(crypt.HasProvider());
  EXPECT_FALSE(crypt.HasKey());
  crypt.SetKey(kLoginKeyText);
  EXPECT_EQ(crypt.KeyText(), "3C5E17A09BD24F6E81");
  EXPECT_TRUE(crypt.HasKey());
}

TEST(WinCryptObject, ReportsFailuresWithoutRaisingAndLeavesTheTextAlone) {
  TWinCryptObject crypt;
  crypt.SetProvider("No Such Provider");
  EXPECT_EQ(crypt.ProviderName(), "No Such Provider");
  EXPECT_EQ(crypt.LastErrorCode(), 0u);  // acquiring is not reported

  crypt.SetKey(kLoginKeyText);
  EXPECT_EQ(crypt.LastErrorCode(), NTE_BAD_UID);
  EXPECT_EQ(crypt.LastErrorText(), Ansi("Ошибка создания Hash-объекта: Bad UID."));

  std::string s = "secret";
  EXPECT_FALSE(crypt.EncryptString(s));
  EXPECT_EQ(s, "secret");
  EXPECT_EQ(crypt.LastErrorCode(), NTE_BAD_KEY);
  EXPECT_EQ(crypt.LastErrorText(), Ansi("Ошибка кодирования строки: Bad Key."));
  EXPECT_FALSE(crypt.DecryptString(s));
  EXPECT_EQ(crypt.LastErrorText(), Ansi("Ошибка раскодирования строки: Bad Key."));

  // A success clears the error again.
  crypt.SetProvider("");
  crypt.SetKey(kLoginKeyText);
  EXPECT_TRUE(crypt.EncryptString(s));
  EXPECT_EQ(crypt.LastErrorCode(), 0u);
  EXPECT_EQ(crypt.LastErrorText(), "");
}

TEST(WinCryptObject, NeverEnciphersWithAKeyThatOutlivedItsProvider) {
  TWinCryptObject crypt;
  crypt.SetKey(kLoginKeyText);
  crypt.SetProvider("No Such Provider");
  crypt.SetKey("new key");  // fails: the old key must not stay in use
  std::string s = "secret";
  EXPECT_FALSE(crypt.EncryptString(s));
  EXPECT_EQ(s, "secret");
  EXPECT_FALSE(crypt.HasKey());
}

TEST(CharacterShift, FollowsTheKeyTablesPerPosition) {
  // Mode 2 by hand: 's' 115 + 15 - 1 + 32 = 161, 'a' 97 + 3 - 1 + 32 = 131.
  EXPECT_EQ(EncodeString("sa", 2), "\xA1\x83");
  // Eleven equal bytes: the eleventh takes the first key again.
  EXPECT_EQ(EncodeString("aaaaaaaaaaa", 1),
            "\x87\x8E\x82\x89\x90\x84\x8B\x81\x92\x85\x87");
  EXPECT_EQ(EncodeString("", 1), "");
  EXPECT_EQ(DecodeString("", 2), "");
}

TEST(CharacterShift, OtherModesLeaveTheTextUnchanged) {
  for (int mode : {0, 3, -1}) {
    EXPECT_EQ(EncodeString(EveryByte(), mode), EveryByte());
    EXPECT_EQ(DecodeString(EveryByte(), mode), EveryByte());
  }
}

TEST(CharacterShift, RoundTripsPrintableBytesAndKeepsOutputAboveControlCodes) {
  for (int mode : {1, 2}) {
    // Every byte at every key position: shift the whole range by one each time.
    for (int start = 0; start < 10; ++start) {
      const std::string all = EveryByte().substr(start) + EveryByte().substr(0, start);
      const std::string encoded = EncodeString(all, mode);
      ASSERT_EQ(encoded.size(), all.size());
      for (unsigned char c : encoded) EXPECT_GE(c, 32) << "mode " << mode;
      const std::string decoded = DecodeString(encoded, mode);
      for (std::size_t i = 0; i < all.size(); ++i) {
        const unsigned char original = all[i];
        const unsigned char back = decoded[i];
        EXPECT_EQ(back, original < 32 ? original + 224 : original) << "mode " << mode << " byte " << i;
      }
    }
  }
}

TEST(CharacterShift, DecodesAnyByteWithoutLeavingTheByteRange) {
  // Bytes an encoder never writes (0..31) still decode to some byte.
  const std::string decoded = DecodeString(std::string("\x00\x01\x1F", 3), 1);
  EXPECT_EQ(decoded, "\xBA\xB4\xDE");  // 0-32-6+224=186, 1-32-13+224=180, 31-32-1+224=222
}

TEST(DecimalCodes, WriteThreeDigitsPerByte) {
  EXPECT_EQ(StrToDecimalCodes("abc"), "097098099");
  EXPECT_EQ(StrToDecimalCodes(std::string("\x07\x41\xC8\x00", 4)), "007065200000");
  EXPECT_EQ(StrToDecimalCodes(""), "");
  const std::string codes = StrToDecimalCodes(EveryByte());
  EXPECT_EQ(codes.size(), 768u);
  EXPECT_EQ(DecimalCodesToStr(codes), EveryByte());
}

TEST(DecimalCodes, SkipGroupsThatAreNotNumbers) {
  EXPECT_EQ(DecimalCodesToStr("097098099"), "abc");
  EXPECT_EQ(DecimalCodesToStr("097zz1"), "a");
  // Blank padding of a fixed-width column is skipped, not misread.
  EXPECT_EQ(DecimalCodesToStr("097098   "), "ab");
  EXPECT_EQ(DecimalCodesToStr("0x1097"), "a");
  EXPECT_EQ(DecimalCodesToStr(""), "");
}

TEST(DecimalCodes, KeepTheLowEightBitsOfEachNumber) {
  EXPECT_EQ(DecimalCodesToStr("999256"), std::string("\xE7\x00", 2));
  // A short last group is a number of its own.
  EXPECT_EQ(DecimalCodesToStr("09765"), "aA");
  EXPECT_EQ(DecimalCodesToStr("-01+65"), "\xFF" "A");
}

}  // namespace
}  // namespace app
