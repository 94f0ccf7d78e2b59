#include "app/win_crypt.h"

#include "classlib/codepage.h"

namespace app {

TWinCryptObject::TWinCryptObject() { SetProvider({}); }

TWinCryptObject::~TWinCryptObject() {
  // The key goes before the provider it came from.
  key_.reset();
  provider_.reset();
}

void TWinCryptObject::ClearError() {
  lastErrorCode_ = 0;
  lastErrorText_.clear();
}

void TWinCryptObject::SetError(std::string_view prefixUtf8, std::uint32_t code) {
  lastErrorCode_ = code;
  lastErrorText_ = classlib::Utf8ToCp1251(prefixUtf8) + CryptErrorMessage(code);
}

void TWinCryptObject::SetProvider(std::string_view name) {
  ClearError();
  key_.reset();
  provider_.reset();
  providerName_ = name.empty() ? std::string(kBaseProviderName) : std::string(name);
  // Deliberately unreported: without a provider SetKey fails and says why.
  CryptProvider::Acquire(providerName_, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT, provider_);
}

void TWinCryptObject::SetKey(std::string_view keyText) {
  ClearError();
  keyText_ = std::string(keyText);
  key_.reset();
  DeriveKey();
}

void TWinCryptObject::DeriveKey() {
  if (!provider_) {
    SetError("Ошибка создания Hash-объекта: ", NTE_BAD_UID);
    return;
  }
  std::unique_ptr<CryptHash> hash;
  if (std::uint32_t error = provider_->CreateHash(CALG_SHA1, hash)) {
    SetError("Ошибка создания Hash-объекта: ", error);
    return;
  }
  if (std::uint32_t error = hash->HashData(keyText_)) {
    SetError("Ошибка передачи данных для Hash-значения: ", error);
    return;
  }
  if (std::uint32_t error = provider_->DeriveKey(CALG_RC4, *hash, 0, key_)) {
    SetError("Ошибка генерации Hash-значения: ", error);
  }
}

bool TWinCryptObject::EncryptString(std::string& s) { return Transform(s, true); }
bool TWinCryptObject::DecryptString(std::string& s) { return Transform(s, false); }

bool TWinCryptObject::Transform(std::string& s, bool encrypt) {
  ClearError();
  const char* prefix = encrypt ? "Ошибка кодирования строки: " : "Ошибка раскодирования строки: ";
  if (!key_) {
    SetError(prefix, NTE_BAD_KEY);
    return false;
  }
  // Work on a copy so a failure leaves the caller's text as it was.
  std::string work = s;
  std::uint32_t error = encrypt ? key_->Encrypt(work) : key_->Decrypt(work);
  if (error != 0) {
    SetError(prefix, error);
    return false;
  }
  s = std::move(work);
  return true;
}

}  // namespace app
