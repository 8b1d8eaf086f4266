#pragma once
// The instrument engine behind zvl-sim and the tests: bytes from the PC go in through
// receive(), bytes to the PC come out of takeOutput(), time comes from the caller (a
// millisecond count passed to receive() and tick()). It has no I/O of its own.

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "link/protocol.h"

namespace zvl::sim {

// The protocol's bytes and codes under the names the instrument side uses.
namespace bytes = zvl::ctl;
namespace command = zvl::cmd;
namespace answer = zvl::packet;

// The memory and its upload: 8-byte records (flags, kind, time big-endian, inputs high, low)
// sent sixteen to a 132-byte block: SOH, number, its complement, 128 data bytes, checksum
// (sum of the first 131 bytes modulo 256). Slots after the last record are filled with 0x1A.
using MemoryRecord = std::array<uint8_t, 8>;
constexpr int64_t kMemoryCapacity = 100000;
constexpr int kBlockSize = kUploadPacketSize;
constexpr int kRecordsPerBlock = kUploadSlotsPerPacket;
constexpr uint8_t kKindRecord = 0xD0;  // an ordinary record (the instrument's own choice)

// One line of a replay: a live result's input word (bit 0 is input 1), sent this many
// milliseconds after the start of live collection.
struct ReplayStep {
    int64_t ms = 0;
    uint16_t inputs = 0;
};

struct SimConfig {
    uint8_t firmwareMajor = 1;  // firmware 1.51: 0xC1 offsets 5 and 6 are 1 and 0x51
    uint8_t firmwareMinor = 0x51;
    std::string serialNumber = "ZV000417";  // exactly 8 characters are sent (padded/cut)
    uint32_t clockStart = 0;                // instrument clock (seconds since 2000) at engine time 0 ms
    uint8_t options = 0x05;                 // option bits reported in 0xC0 offset 5
    uint8_t debounce = 3;                   // debounce count reported in 0xC0 offset 4
    double resultsPerSecond = 4.0;          // live results streamed between 0x40 and 0x41
    uint32_t seed = 1;                      // random source of the input changes and the faults

    // Fault switches of the live stream; rates are per second of engine time, 0 = off.
    double noiseBytesPerSecond = 0;      // stray bytes (never 0x01, 0x05, 0x06, 0x15) between packets
    double unknownSignalsPerSecond = 0;  // single 0x05 bytes
    double invalidSignalsPerSecond = 0;  // single 0x15 bytes
    double malformedPerSecond = 0;       // packets with a length byte above 13
    bool silent = false;                 // answer nothing and stream nothing
    // When not empty, the live results are these, in order and at their times from each
    // start of live collection, and nothing else: no generated results, no stream faults.
    std::vector<ReplayStep> replay;

    // Longest stretch of overdue stream one tick() makes up for; older events are dropped.
    int64_t maxCatchUpMs = 10000;

    // The memory sent after 0x42. Records are written every 1 to 5 seconds, the newest a
    // minute before the clock's start. A wrapped memory keeps its newest records at the
    // start: physical records 1..memoryWrapAt are the newest, the last of them of kind 0xBF,
    // and the first physical record carries the wrap flag. With memoryInOrder a wrapped
    // memory is sent in time order, its first record of kind 0xA0.
    int64_t memoryRecords = 0;  // 0 .. kMemoryCapacity
    int64_t memoryWrapAt = 0;   // 0 = not wrapped, else 1 .. memoryRecords
    bool memoryInOrder = false;
    int64_t memoryBackwardTimes = 0;  // records whose time runs backwards (at most one in three)
    // When not empty, sent as it is (physical order) instead of the generated memory.
    std::vector<MemoryRecord> memoryImage;

    // Faults of the upload: a chance (0..1) per block, on its first sending.
    double badChecksumChance = 0;   // the checksum is off by one; the resend is good
    double repeatBlockChance = 0;   // after its ACK the block comes once more
    double blockGarbageChance = 0;  // 1 to 16 stray bytes (never SOH or EOT) before the block
    double blockPauseChance = 0;    // silence before the block, until the pause is over or a NAK comes
    int64_t blockPauseMs = 6000;
};

class InstrumentEngine {
public:
    explicit InstrumentEngine(SimConfig config = {});

    // Bytes from the PC, at engine time nowMs. Stream events due by nowMs are emitted first,
    // so answers follow them in order.
    void receive(const uint8_t* data, size_t size, int64_t nowMs);
    void receive(const std::vector<uint8_t>& bytes, int64_t nowMs) {
        receive(bytes.data(), bytes.size(), nowMs);
    }

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
    uint32_t instrumentClock(int64_t nowMs) const;  // seconds since 2000
    uint8_t options() const { return config_.options; }
    uint32_t hardwareSettings() const { return hardwareSettings_; }  // whole word of the last 0x30
    uint16_t inputStates() const { return inputs_; }
    int64_t liveResultsSent() const { return liveSent_; }
    // Told the input states of every live result as it is sent (for soaks that check the store).
    std::function<void(uint16_t)> onLiveResult;
    // Every well-framed command packet, in order (command code and value), for tests and
    // logging; codes the instrument does not act on are listed too. The value is the value
    // bytes read big-endian, its low 32 bits.
    struct Command {
        uint8_t code;
        uint32_t value;
    };
    const std::vector<Command>& commandLog() const { return commands_; }

    // What the line is doing. After 0x42 the live stream stops and the PC's control bytes
    // drive the memory upload: a NAK starts it, then ACK brings the next block (EOT after the
    // last), NAK the same again, CAN stops it; the ACK of the EOT ends it.
    enum class Mode { Live, UploadAwaitingNak, UploadSending, UploadAwaitingEotAck };
    Mode mode() const { return mode_; }

    // The memory in physical order (as it is sent) and in the order it was written.
    const std::vector<MemoryRecord>& memory() const { return memory_; }
    std::vector<MemoryRecord> memoryInWrittenOrder() const;
    int64_t blockCount() const { return int64_t((memory_.size() + kRecordsPerBlock - 1) / kRecordsPerBlock); }
    int64_t blocksSent() const { return blocksSent_; }  // every sending, resends included
    int64_t uploadsCompleted() const { return uploadsCompleted_; }
    int64_t uploadsCancelled() const { return uploadsCancelled_; }
    // Command 0x43 asked for the memory image (physical order, 8-byte records as a BIN file
    // holds them): true once per request. The program sends it by ZMODEM.
    bool takeImageRequest() {
        if (imageRequests_ == 0) return false;
        --imageRequests_;
        return true;
    }
    std::vector<uint8_t> memoryImageBytes() const;

private:
    void receiveByte(uint8_t byte, int64_t nowMs);
    void controlByte(uint8_t byte, int64_t nowMs);
    void handleCommand(uint8_t code, const std::vector<uint8_t>& valueBytes, int64_t nowMs);
    void emitPacket(uint8_t code, const std::vector<uint8_t>& data);
    void emitLiveResult();
    void emitLiveWord(uint16_t inputs);
    void advanceReplay(int64_t nowMs, bool emit);
    void emitFault(int kind);
    uint16_t nextInputStates();
    void startStream(int64_t nowMs);
    void stopStream();
    void advance(int64_t nowMs, bool emit);
    void buildMemory();
    void sendBlock(bool firstTime, int64_t nowMs);
    void emitBlock(int64_t index, bool badChecksum, int garbageBytes);
    void emitPendingBlock(int64_t nowMs);
    void endUpload();
    double uniform();       // [0, 1) from rng_
    double faultUniform();  // [0, 1) from faultRng_
    double faultIntervalMs(double ratePerSecond);
    double faultRate(int kind) const;

    static constexpr int kFaultKinds = 4;  // noise, unknown signal, invalid signal, malformed

    SimConfig config_;
    std::vector<uint8_t> output_;
    std::vector<uint8_t> rx_;  // command bytes not yet framed (never more than one frame)
    std::vector<Command> commands_;
    std::mt19937 rng_;       // input changes
    std::mt19937 faultRng_;  // fault times and bytes, apart so faults leave the inputs alone
    Mode mode_ = Mode::Live;
    bool collecting_ = false;
    uint16_t inputs_ = 0;
    uint32_t hardwareSettings_ = 0;
    int64_t liveSent_ = 0;
    int64_t lastTickMs_ = 0;
    // Live results: result k of a run falls in slot [slotStart, slotStart + period) at a
    // random point of its first half, so the average rate is exact and the order is kept.
    double slotStartMs_ = 0;
    double nextResultMs_ = -1;  // -1 when none is scheduled
    // Fault schedule: next due time of each fault kind (ms), -1 when off.
    double nextFaultMs_[kFaultKinds] = {-1, -1, -1, -1};
    int64_t clockSetMs_ = 0;      // engine time when the clock was last set
    uint32_t clockSetValue_ = 0;  // instrument clock at clockSetMs_
    uint64_t phase_ = 0;          // drives the periodic inputs
    int64_t replayStartMs_ = 0;   // the start of live collection, and the next line to play
    size_t replayNext_ = 0;

    // Memory upload.
    std::vector<MemoryRecord> memory_;  // physical order
    int64_t writtenStart_ = 0;          // physical index of the oldest record
    int64_t currentBlock_ = 0;          // 0-based block the PC's next answer is about
    bool repeatDue_ = false;            // the current block comes again after its ACK
    int64_t pendingSendMs_ = -1;        // a paused block goes out then (-1 none)
    bool pendingBadChecksum_ = false;
    int pendingGarbage_ = 0;
    int64_t blocksSent_ = 0;
    int64_t uploadsCompleted_ = 0;
    int64_t uploadsCancelled_ = 0;
    int imageRequests_ = 0;
};

}  // namespace zvl::sim
