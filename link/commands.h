#pragma once
// Command packets to the instrument: 01 L code value... 04, L = value bytes + 2.

#include <cstdint>
#include <vector>

namespace zvl {

namespace cmd {
constexpr uint8_t StatusOptions = 0x20;   // answered by 0xC0
constexpr uint8_t StatusFirmware = 0x21;  // answered by 0xC1
constexpr uint8_t StatusClock = 0x22;     // answered by 0xC2
constexpr uint8_t StatusSerial = 0x23;    // answered by 0xC3
constexpr uint8_t WriteOptions = 0x30;
constexpr uint8_t SetClock = 0x31;
constexpr uint8_t StartLive = 0x40;
constexpr uint8_t Stop = 0x41;
constexpr uint8_t UploadMemory = 0x42;
constexpr uint8_t DownloadImage = 0x43;
}  // namespace cmd

namespace ctl {
constexpr uint8_t SOH = 0x01;
constexpr uint8_t EOT = 0x04;
constexpr uint8_t ENQ = 0x05;  // "Unknown Signal"
constexpr uint8_t ACK = 0x06;
constexpr uint8_t NAK = 0x15;  // "Invalid Signal" when it stands alone in the live stream
constexpr uint8_t CAN = 0x18;
}  // namespace ctl

// Value bytes: a value above 0 gives its big-endian bytes without leading zero bytes; 0 or
// below gives none; zero bytes are put in front up to minLength.
std::vector<uint8_t> commandValueBytes(int32_t value, int minLength);

std::vector<uint8_t> buildCommandPacket(uint8_t code, int32_t value = 0, int minLength = 0);

}  // namespace zvl
