// The stream cipher that protects the product's stored passwords, database
// accounts and the registry copy of the connection string: RC4 keyed from a
// key text through the cryptographic provider. Failures never raise; they
// show in the return values and in LastErrorCode/LastErrorText.
//
// All texts are single-byte strings in code page 1251. Text typed in the
// window must be converted to it before it is enciphered, or the stored forms
// never match.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "app/crypto_provider.h"
#include "classlib/object.h"

namespace app {

// The key text the login check keys the cipher with; its 18 characters are
// hashed as they are.
inline constexpr std::string_view kLoginKeyText = "3C5E17A09BD24F6E81";

class TWinCryptObject : public classlib::TObject {
  CLASSLIB_CLASS(TWinCryptObject, classlib::TObject)

 public:
  // Acquires the default provider.
  TWinCryptObject();
  ~TWinCryptObject() override;
  TWinCryptObject(const TWinCryptObject&) = delete;
  TWinCryptObject& operator=(const TWinCryptObject&) = delete;

  // Releases the provider held before and acquires the named one (the base
  // provider when the name is empty). A failure is not reported here; the
  // later calls fail instead. The key belongs to the provider, so it is
  // dropped too: call SetKey again.
  void SetProvider(std::string_view name);

  // Stores the text and derives the key from its SHA-1 hash. A key derived
  // before is dropped first, so a failed SetKey leaves no key behind.
  void SetKey(std::string_view keyText);

  // Enciphers or deciphers s in place; the length stays, any byte value,
  // zero included, may appear. True on success.
  bool EncryptString(std::string& s);
  bool DecryptString(std::string& s);

  const std::string& ProviderName() const { return providerName_; }
  const std::string& KeyText() const { return keyText_; }
  bool HasProvider() const { return provider_ != nullptr; }
  bool HasKey() const { return key_ != nullptr; }
  std::uint32_t LastErrorCode() const { return lastErrorCode_; }
  const std::string& LastErrorText() const { return lastErrorText_; }

 private:
  void ClearError();
  // Records a failed step: the step's prefix (UTF-8 literal) and the
  // provider's message for the code.
  void SetError(std::string_view prefixUtf8, std::uint32_t code);
  void DeriveKey();
  bool Transform(std::string& s, bool encrypt);

  std::string providerName_;
  std::unique_ptr<CryptProvider> provider_;
  std::string keyText_;
  std::unique_ptr<CryptKey> key_;
  std::uint32_t lastErrorCode_ = 0;
  std::string lastErrorText_;
};

}  // namespace app
