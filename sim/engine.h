#pragma once
// The instrument engine behind zvl-sim and the tests: bytes from the PC go in through
// receive(), bytes to the PC come out of takeOutput(), time comes from the caller (a
// millisecond count passed to receive() and tick()). It has no I/O of its own.

#include <cstdint>
#include <deque>
#include <random>
#include <string>
#include <vector>

namespace zvl::sim {

// Bytes on the line.
namespace bytes {
constexpr uint8_t SOH = 0x01;
constexpr uint8_t EOT = 0x04;
constexpr uint8_t ENQ = 0x05;  // the instrument's "unknown signal"
constexpr uint8_t ACK = 0x06;
constexpr uint8_t NAK = 0x15;  // the instrument's "invalid signal"; the PC's "send again"
constexpr uint8_t CAN = 0x18;
}  // namespace bytes

// Packet codes, PC to instrument.
namespace command {
constexpr uint8_t StatusOptions = 0x20;
constexpr uint8_t StatusFirmware = 0x21;
constexpr uint8_t StatusClock = 0x22;
constexpr uint8_t StatusSerial = 0x23;
constexpr uint8_t WriteOptions = 0x30;
constexpr uint8_t SetClock = 0x31;
constexpr uint8_t StartLive = 0x40;
constexpr uint8_t Stop = 0x41;
constexpr uint8_t UploadMemory = 0x42;   // memory as XMODEM blocks (not simulated yet)
constexpr uint8_t SendImage = 0x43;      // memory by ZMODEM (not simulated yet)
}  // namespace command

// Packet codes, instrument to PC.
namespace answer {
constexpr uint8_t Options = 0xC0;
constexpr uint8_t Firmware = 0xC1;
constexpr uint8_t Clock = 0xC2;
constexpr uint8_t Serial = 0xC3;
constexpr uint8_t LiveResult = 0xD0;
}  // namespace answer

// A packet is 01 L code data... 04 with L = data bytes + 2, so L is 2..13.
constexpr int kMinPacketLength = 2;
constexpr int kMaxPacketLength = 13;

struct SimConfig {
    uint8_t firmwareMajor = 1;        // firmware 1.51: 0xC1 offsets 5 and 6 are 1 and 0x51
    uint8_t firmwareMinor = 0x51;
    std::string serialNumber = "ZV000417";  // exactly 8 characters are sent (padded/cut)
    uint32_t clockStart = 0;          // instrument clock (seconds since 2000) at engine time 0 ms
    uint8_t options = 0x05;           // option bits reported in 0xC0 offset 5
    uint8_t debounce = 3;             // debounce count reported in 0xC0 offset 4
    double resultsPerSecond = 4.0;    // live results streamed between 0x40 and 0x41
    uint32_t seed = 1;                // random source of the input changes and the faults

    // Fault switches of the live stream; rates are per second of engine time, 0 = off.
    double noiseBytesPerSecond = 0;      // stray bytes (never 0x01, 0x05, 0x06, 0x15) between packets
    double unknownSignalsPerSecond = 0;  // single 0x05 bytes
    double invalidSignalsPerSecond = 0;  // single 0x15 bytes
    double malformedPerSecond = 0;       // packets with a length byte above 13
    bool silent = false;                 // answer nothing and stream nothing

    // Longest stretch of overdue stream one tick() makes up for; older events are dropped.
    int64_t maxCatchUpMs = 10000;
};

class InstrumentEngine {
public:
    explicit InstrumentEngine(SimConfig config = {});

    // Bytes from the PC, at engine time nowMs. Stream events due by nowMs are emitted first,
    // so answers follow them in order.
    void receive(const uint8_t* data, size_t size, int64_t nowMs);
    void receive(const std::vector<uint8_t>& bytes, int64_t nowMs) { receive(bytes.data(), bytes.size(), nowMs); }

    // Advance engine time to nowMs: emits the live results (and faults) due by then.
    // Engine time never runs backwards: an earlier nowMs counts as the latest one seen.
    void tick(int64_t nowMs);

    // Advance engine time to nowMs without emitting: the live results and faults due by then
    // are dropped, as if the line had no room for them. The inputs do not move for dropped
    // results, so the stream still never repeats a word. For a caller whose line is behind.
    void skip(int64_t nowMs);

    // Bytes for the PC produced so far; empties the output queue.
    std::vector<uint8_t> takeOutput();
    bool hasOutput() const { return !output_.empty(); }

    // Milliseconds until the next thing tick() would emit, or -1 when nothing is scheduled.
    int64_t msUntilNextEvent(int64_t nowMs) const;

    SimConfig& config() { return config_; }
    const SimConfig& config() const { return config_; }

    bool collecting() const { return collecting_; }
    uint32_t instrumentClock(int64_t nowMs) const;   // seconds since 2000
    uint8_t options() const { return config_.options; }
    uint32_t hardwareSettings() const { return hardwareSettings_; }  // whole word of the last 0x30
    uint16_t inputStates() const { return inputs_; }
    int64_t liveResultsSent() const { return liveSent_; }
    // Every well-framed command packet, in order (command code and value), for tests and
    // logging; codes the instrument does not act on are listed too. The value is the value
    // bytes read big-endian, its low 32 bits.
    struct Command {
        uint8_t code;
        uint32_t value;
    };
    const std::vector<Command>& commandLog() const { return commands_; }

    // What the line is doing. Only Live exists now; the memory upload (XMODEM blocks after
    // 0x42 and a NAK, ZMODEM after 0x43) will add its own modes, in which single control
    // bytes from the PC drive a transfer and the live stream pauses.
    enum class Mode { Live };
    Mode mode() const { return mode_; }

private:
    void receiveByte(uint8_t byte, int64_t nowMs);
    void controlByte(uint8_t byte, int64_t nowMs);
    void handleCommand(uint8_t code, const std::vector<uint8_t>& valueBytes, int64_t nowMs);
    void emitPacket(uint8_t code, const std::vector<uint8_t>& data);
    void emitLiveResult();
    void emitFault(int kind);
    uint16_t nextInputStates();
    void startStream(int64_t nowMs);
    void stopStream();
    void advance(int64_t nowMs, bool emit);
    double uniform();                       // [0, 1) from rng_
    double faultUniform();                  // [0, 1) from faultRng_
    double faultIntervalMs(double ratePerSecond);
    double faultRate(int kind) const;

    static constexpr int kFaultKinds = 4;   // noise, unknown signal, invalid signal, malformed

    SimConfig config_;
    std::vector<uint8_t> output_;
    std::vector<uint8_t> rx_;            // command bytes not yet framed (never more than one frame)
    std::vector<Command> commands_;
    std::mt19937 rng_;                   // input changes
    std::mt19937 faultRng_;              // fault times and bytes, apart so faults leave the inputs alone
    Mode mode_ = Mode::Live;
    bool collecting_ = false;
    uint16_t inputs_ = 0;
    uint32_t hardwareSettings_ = 0;
    int64_t liveSent_ = 0;
    int64_t lastTickMs_ = 0;
    // Live results: result k of a run falls in slot [slotStart, slotStart + period) at a
    // random point of its first half, so the average rate is exact and the order is kept.
    double slotStartMs_ = 0;
    double nextResultMs_ = -1;           // -1 when none is scheduled
    // Fault schedule: next due time of each fault kind (ms), -1 when off.
    double nextFaultMs_[kFaultKinds] = {-1, -1, -1, -1};
    int64_t clockSetMs_ = 0;             // engine time when the clock was last set
    uint32_t clockSetValue_ = 0;         // instrument clock at clockSetMs_
    uint64_t phase_ = 0;                 // drives the periodic inputs
};

}  // namespace zvl::sim
