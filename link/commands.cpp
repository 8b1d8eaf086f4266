#include "link/commands.h"

namespace zvl {

std::vector<uint8_t> commandValueBytes(int32_t value, int minLength) {
    std::vector<uint8_t> bytes;
    if (value > 0) {
        const uint32_t v = uint32_t(value);
        bool started = false;
        for (int shift = 24; shift >= 0; shift -= 8) {
            const uint8_t b = uint8_t(v >> shift);
            if (b != 0 || started) {
                bytes.push_back(b);
                started = true;
            }
        }
    }
    if (minLength > 11) minLength = 11;  // L must stay within the 13 a packet may carry
    while (int(bytes.size()) < minLength) bytes.insert(bytes.begin(), 0);
    return bytes;
}

std::vector<uint8_t> buildCommandPacket(uint8_t code, int32_t value, int minLength) {
    const std::vector<uint8_t> valueBytes = commandValueBytes(value, minLength);
    std::vector<uint8_t> packet;
    packet.reserve(valueBytes.size() + 4);
    packet.push_back(ctl::SOH);
    packet.push_back(uint8_t(valueBytes.size() + 2));
    packet.push_back(code);
    packet.insert(packet.end(), valueBytes.begin(), valueBytes.end());
    packet.push_back(ctl::EOT);
    return packet;
}

}  // namespace zvl
