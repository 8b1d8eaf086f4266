#pragma once
// The stored-data upload: the instrument sends its memory as 132-byte XMODEM blocks with the
// arithmetic checksum; the block receiver stores their records, and the end of the transfer
// puts the circular memory into time order and resolves results whose time runs backwards
// through the choice box. Plain C++: the window wires the menu command, the Cancel button and
// the uploadRetryTimer to the handlers below, one line each.

#include <cstdint>
#include <functional>
#include <string>

#include "core/state.h"
#include "link/link.h"
#include "link/protocol.h"
#include "platform/clock.h"
#include "platform/prompts.h"
#include "platform/timer.h"
#include "platform/viewhooks.h"

namespace zvl {

inline constexpr const char* kUploadingDataText = "Uploading Data";
inline constexpr const char* kFileTimeErrorText = "File Time Error at ";
inline constexpr const char* kBlockSequenceErrorText =
    "Upload Error: Block Out of Sequence. Transfer Ended. The Results Received So Far Are Kept.";
inline constexpr const char* kUploadOverflowText =
    "Upload Error: The Instrument Sent More Than 100000 Results. Transfer Ended. The First 100000 Are Kept.";

inline constexpr int kUploadRetryMs = 5000;       // uploadRetryTimer
inline constexpr int kBlocksPerProgressStep = 8;  // the byte counter moves every 1024 bytes
// A stalled partial packet is thrown away when the retry timer fires and nothing has arrived
// for this long; the NAK then brings the whole packet again.
inline constexpr int64_t kQuietLineMs = 1000;
// The most results an upload stores: the highest result index that has a time.
inline constexpr int64_t kUploadLimit = kMaxResults;

// Sum of bytes 0..130 of a packet modulo 256 (the value its byte 131 must hold).
uint8_t uploadChecksum(const uint8_t* packet);
// Kinds 0x00 and 0x1A mark an empty record slot.
inline bool isEmptySlotKind(uint8_t kind) {
    return kind == 0x00 || kind == kPadByte;
}
// A record slot (flags, kind, time big-endian, inputs high, low) as a result.
ResultRecord recordFromSlot(const uint8_t* slot);

// Turns results 1..resultCount of a wrapped memory image into time order through
// resultsBackup. Returns the index that became result 1 (1 when nothing moved).
int64_t putMemoryInOrder(ResultStore& store);

// The standing answers of one time check, set by the choice box's "All" buttons.
struct StandingAnswers {
    bool deleteAll = false;
    bool correctAll = false;
    bool ignoreAll = false;
};

// What a choice-box button does to result n: delete or correct it, or leave it, and set a
// standing answer. False when n is no longer a result (nothing changed then).
bool applyChoice(ResultStore& store, int64_t n, ChoiceAnswer answer, StandingAnswers& standing);

struct TimeCheckSummary {
    int64_t errors = 0;  // results found with a time running backwards
    int64_t deleted = 0;
    int64_t corrected = 0;
    int64_t asked = 0;  // times the choice box was shown
};

// The end-of-transfer time check: every result whose time runs backwards is deleted,
// corrected or left, by the standing answers or by the choice box.
TimeCheckSummary checkResultTimes(AppState& state, Prompts& prompts);

class StoredDataUpload {
public:
    enum class Outcome { Idle, NotStarted, Receiving, Completed, Cancelled, Failed };

    // Registers itself as the link's block receiver and as the end of a transfer whose port is
    // lost; the uploadRetryTimer gets its 5000 ms interval.
    // The owner connects the timer's notification to onUploadRetryTimer().
    StoredDataUpload(AppState& state, InstrumentLink& link, const Clock& clock, Prompts& prompts,
                     ViewHooks& view, Timer& uploadRetryTimer);
    ~StoredDataUpload();
    StoredDataUpload(const StoredDataUpload&) = delete;
    StoredDataUpload& operator=(const StoredDataUpload&) = delete;

    // Activity > "&Upload Stored Data from Pellam".
    void uploadStoredData();
    // Called by the receive handler while uploadActive is set: takes every complete packet,
    // control byte and stray byte waiting in rxBuffer.
    void blockReceiver();
    // The 5-second retry: one NAK per arming.
    void onUploadRetryTimer();
    // Cancel on the progress panel (also ends the binary download's transfer).
    void cancelTransfer();

    // The binary download's transfer component, cancelled by cancelTransfer.
    void setFileTransferCancel(std::function<void()> cancel) { cancelFileTransfer_ = std::move(cancel); }

    Outcome outcome() const { return outcome_; }
    bool running() const { return outcome_ == Outcome::Receiving; }
    uint8_t lastBlockNumber() const { return lastBlockNumber_; }
    int64_t packetsStored() const { return packetsStored_; }
    int64_t repeatedPackets() const { return repeats_; }
    int64_t checksumErrors() const { return checksumErrors_; }
    int64_t timeouts() const { return timeouts_; }
    int64_t strayBytes() const { return strayBytes_; }
    int64_t ringStart() const { return ringStart_; }
    const TimeCheckSummary& timeCheck() const { return timeCheck_; }
    // Clock reading of the last call that found new bytes (for a watchdog of the caller).
    int64_t lastActivityMs() const { return lastActivityMs_; }

private:
    // False when the upload ended with the packet (sequence error or overflow).
    bool takePacket();
    void endOfTransfer();
    void stopReceiving();
    void fail(const char* warning);

    AppState& state_;
    InstrumentLink& link_;
    const Clock& clock_;
    Prompts& prompts_;
    ViewHooks& view_;
    Timer& uploadRetryTimer_;
    std::function<void()> cancelFileTransfer_;

    Outcome outcome_ = Outcome::Idle;
    bool ending_ = false;  // the end of transfer is running (it shows modal boxes)
    uint8_t lastBlockNumber_ = 0;
    int blocksSinceProgress_ = 0;
    int64_t packetsStored_ = 0;
    int64_t repeats_ = 0;
    int64_t checksumErrors_ = 0;
    int64_t timeouts_ = 0;
    int64_t strayBytes_ = 0;
    int64_t ringStart_ = 1;
    size_t lastBufferSize_ = 0;
    int64_t lastActivityMs_ = 0;
    TimeCheckSummary timeCheck_;
};

}  // namespace zvl
