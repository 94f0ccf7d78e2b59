// The RC4 stream cipher. OpenSSL 3 keeps RC4 in its legacy provider, which is
// not loaded by default and may be missing altogether, so the cipher the
// stored credentials depend on is carried here instead.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace app {

class Rc4 {
 public:
  // Key of 1 to 256 bytes; an empty key throws std::invalid_argument.
  explicit Rc4(std::span<const std::uint8_t> key);

  // XORs the next bytes of the key stream into data; encryption and
  // decryption are the same operation.
  void Apply(std::span<std::uint8_t> data);

 private:
  std::array<std::uint8_t, 256> state_{};
  std::uint8_t i_ = 0;
  std::uint8_t j_ = 0;
};

}  // namespace app
