#pragma once
// Command packets to the instrument: 01 L code value... 04, L = value bytes + 2.

#include <cstdint>
#include <vector>

#include "link/protocol.h"

namespace zvl {

// Value bytes: a value above 0 gives its big-endian bytes without leading zero bytes; 0 or
// below gives none; zero bytes are put in front up to minLength.
std::vector<uint8_t> commandValueBytes(int32_t value, int minLength);

std::vector<uint8_t> buildCommandPacket(uint8_t code, int32_t value = 0, int minLength = 0);

}  // namespace zvl
