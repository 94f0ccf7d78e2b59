// ROWID descriptors and their text. A row address names the object, the
// file, the block and the slot; its text is the extended form when the
// object is known, the restricted form of older servers when it is 0.
#pragma once

#include <cstdint>
#include <string>

#include "oranet/oci_handle.h"

namespace oranet {

struct TRowidParts {
  uint32_t objectId = 0;
  uint16_t file = 0;
  uint32_t block = 0;
  uint16_t slot = 0;
};

class TNetRowid : public TNetDescriptor {
 public:
  using TNetDescriptor::TNetDescriptor;
  ub4 HandleType() const override { return oracle::OCI_DTYPE_ROWID; }

  const TRowidParts& Parts() const { return parts_; }
  void SetParts(const TRowidParts& parts) { parts_ = parts; }

 private:
  TRowidParts parts_;
};

// Extended (object id not 0): object 6, file 3, block 6 and slot 3 digits
// of the 64-letter alphabet, 18 characters. Restricted (object id 0): block
// as 8 hexadecimal digits, ".", slot as 4, ".", file as 4, in capitals.
std::string RowidToText(const TRowidParts& parts);

// The `bytes` (most significant first) as `digits` letters of the alphabet
// "A-Za-z0-9+/", the bit string left-padded with zero bits to 6 * digits.
std::string Base64Encode(const uint8_t* bytes, int count, int digits);

}  // namespace oranet
