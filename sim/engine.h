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
};

class InstrumentEngine {
public:
    explicit InstrumentEngine(SimConfig config = {});

    // Bytes from the PC, at engine time nowMs.
    void receive(const uint8_t* data, size_t size, int64_t nowMs);
    void receive(const std::vector<uint8_t>& bytes, int64_t nowMs) { receive(bytes.data(), bytes.size(), nowMs); }

    // Advance engine time to nowMs: emits the live results (and faults) due by then.
    void tick(int64_t nowMs);

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
    uint16_t inputStates() const { return inputs_; }
    int64_t liveResultsSent() const { return liveSent_; }
    // Every command packet understood, in order (command code and value), for tests and logging.
    struct Command {
        uint8_t code;
        uint32_t value;
    };
    const std::vector<Command>& commandLog() const { return commands_; }

private:
    void handleCommand(uint8_t code, const std::vector<uint8_t>& valueBytes, int64_t nowMs);
    void emitPacket(uint8_t code, const std::vector<uint8_t>& data);
    uint16_t nextInputStates();

    SimConfig config_;
    std::vector<uint8_t> output_;
    std::vector<uint8_t> rx_;            // command bytes not yet framed
    std::vector<Command> commands_;
    std::mt19937 rng_;
    bool collecting_ = false;
    uint16_t inputs_ = 0;
    int64_t liveSent_ = 0;
    int64_t lastTickMs_ = 0;
    int64_t nextResultMs_ = 0;
    // Fault schedule: next due time of each fault kind (ms), -1 when off.
    int64_t nextNoiseMs_ = -1, nextUnknownMs_ = -1, nextInvalidMs_ = -1, nextMalformedMs_ = -1;
    int64_t clockSetMs_ = 0;             // engine time when the clock was last set
    uint32_t clockSetValue_ = 0;         // instrument clock at clockSetMs_
    uint64_t phase_ = 0;                 // drives the periodic inputs
};

}  // namespace zvl::sim
