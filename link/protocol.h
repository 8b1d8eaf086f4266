#pragma once
// The serial protocol between the PC and the instrument, one definition for both ends: the
// program's link and the simulator that stands in for the instrument.

#include <cstdint>

namespace zvl {

// Single bytes on the line.
namespace ctl {
constexpr uint8_t SOH = 0x01;
constexpr uint8_t EOT = 0x04;
constexpr uint8_t ENQ = 0x05;  // "Unknown Signal" when it stands alone in the live stream
constexpr uint8_t ACK = 0x06;
constexpr uint8_t NAK = 0x15;  // "Invalid Signal" in the live stream; "send again" in an upload
constexpr uint8_t CAN = 0x18;
}  // namespace ctl

// Command codes, PC to instrument: 01 L code value... 04, L = value bytes + 2.
namespace cmd {
constexpr uint8_t StatusOptions = 0x20;   // answered by 0xC0
constexpr uint8_t StatusFirmware = 0x21;  // answered by 0xC1
constexpr uint8_t StatusClock = 0x22;     // answered by 0xC2
constexpr uint8_t StatusSerial = 0x23;    // answered by 0xC3
constexpr uint8_t WriteOptions = 0x30;
constexpr uint8_t SetClock = 0x31;
constexpr uint8_t StartLive = 0x40;
constexpr uint8_t Stop = 0x41;
constexpr uint8_t UploadMemory = 0x42;   // the memory as 132-byte blocks after the PC's NAK
constexpr uint8_t DownloadImage = 0x43;  // the memory image by ZMODEM
}  // namespace cmd

// Packet codes, instrument to PC: 01 L code data... with L counting every byte after it.
namespace packet {
constexpr uint8_t Options = 0xC0;
constexpr uint8_t Firmware = 0xC1;
constexpr uint8_t Clock = 0xC2;
constexpr uint8_t Serial = 0xC3;
constexpr uint8_t LiveResult = 0xD0;
}  // namespace packet
constexpr int kMinPacketLength = 2;
constexpr int kMaxPacketLength = 13;

// The memory upload: 8-byte records (flags, kind, time big-endian, inputs high, low), sixteen
// to a 132-byte block of SOH, number, its complement, 128 data bytes and the arithmetic
// checksum. A slot whose kind is 0x00 or 0x1A is empty.
constexpr int kUploadPacketSize = 132;
constexpr int kUploadSlotsPerPacket = 16;
constexpr int kUploadDataBytes = 128;
constexpr uint8_t kPadByte = 0x1A;
constexpr uint8_t kKindNewest = 0xBF;   // the last record written into a wrapped memory
constexpr uint8_t kKindInOrder = 0xA0;  // the image is in time order already
constexpr uint8_t kFlagWrapped = 0x80;  // in the flags of result 1: the memory has wrapped

}  // namespace zvl
