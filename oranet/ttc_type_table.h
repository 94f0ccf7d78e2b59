// The client's data-type representation table, sent as it stands in the
// data-type negotiation.
#pragma once

#include <cstdint>

namespace oranet {

constexpr int kTtcTypeTableSize = 693;

const uint8_t* TtcTypeTable();

}  // namespace oranet
