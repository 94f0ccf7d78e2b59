#include "oranet/crypt_des.h"

// The low-level DES calls need no provider; OpenSSL 3 only marks them as
// old, and DES is what the peer's logon speaks.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/des.h>

#include <algorithm>

namespace oranet {

namespace {

// One key's schedule, built for the call that needs it. The verifier's
// second key comes from data, so its parity bits are not checked.
class TDesSchedule {
 public:
  explicit TDesSchedule(const TDesBlock& key) {
    DES_cblock raw;
    std::copy(key.begin(), key.end(), raw);
    DES_set_key_unchecked(&raw, &schedule_);
  }
  void Crypt(TDesBlock& block, int direction) {
    DES_cblock in;
    DES_cblock out;
    std::copy(block.begin(), block.end(), in);
    DES_ecb_encrypt(&in, &out, &schedule_, direction);
    std::copy(std::begin(out), std::end(out), block.begin());
  }

 private:
  DES_key_schedule schedule_;
};

void CryptTimes(const TDesBlock& key, TDesBlock& block, int times, int direction) {
  TDesSchedule schedule(key);
  for (int i = 0; i < times; ++i) schedule.Crypt(block, direction);
}

}  // namespace

void DesEncryptBlock(const TDesBlock& key, TDesBlock& block, int times) { CryptTimes(key, block, times, DES_ENCRYPT); }

void DesDecryptBlock(const TDesBlock& key, TDesBlock& block, int times) { CryptTimes(key, block, times, DES_DECRYPT); }

dacore::TBytes OraCbcCrypt(const TDesBlock& key, const dacore::TBytes& data, bool lastOnly) {
  TDesSchedule schedule(key);
  dacore::TBytes output(data.size(), 0);
  TDesBlock chain{};  // the zero initial vector, then each cipher block
  const size_t whole = data.size() / kDesBlockSize * kDesBlockSize;
  for (size_t at = 0; at < whole; at += kDesBlockSize) {
    for (int i = 0; i < kDesBlockSize; ++i) chain[i] ^= data[at + i];
    schedule.Crypt(chain, DES_ENCRYPT);
    std::copy(chain.begin(), chain.end(), output.begin() + static_cast<std::ptrdiff_t>(at));
  }
  if (lastOnly) return dacore::TBytes(chain.begin(), chain.end());
  return output;
}

}  // namespace oranet
