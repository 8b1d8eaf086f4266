#pragma once
// The decoder of the instrument's live stream: the packets 0xC0..0xC3 and 0xD0 and the
// single-byte signals at the front of rxBuffer. It records the instrument's status, stores each
// live result with the PC's time, drives the link lamp and stops the break timer. The link
// appends the port's bytes to rxBuffer and runs it; stopping a recording at the result limit
// is the link's.

#include <cstdint>
#include <string>

#include "core/state.h"
#include "platform/clock.h"
#include "platform/timer.h"
#include "platform/viewhooks.h"

namespace zvl {

class LiveDecoder {
public:
    // How a run of the decoder ended.
    enum class End {
        Waiting,    // rxBuffer is used up, holds part of a packet, or was thrown away
        StoreFull,  // a live result found the store full: the rest of rxBuffer waits
    };

    // What the decoder threw away: every byte of it, and the malformed packets among them
    // (a length above the longest packet, a clock that overflows).
    struct Discards {
        int64_t bytes = 0;
        int64_t packets = 0;
        bool operator==(const Discards&) const = default;
    };

    LiveDecoder(AppState& state, const Clock& clock, ViewHooks& view, Timer& breakTimer);

    // The packet loop over rxBuffer. It ends with StoreFull once per filling of the store: the
    // first result beyond the limit; later ones are dropped until storeCleared.
    End decode();
    // rxBuffer and the packet being read are thrown away.
    void discard();
    // The store was cleared for a new recording: a full store ends a run again.
    void storeCleared() { storeFullSeen_ = false; }
    // Live results stored since the decoder was made; for progress output.
    int64_t resultsStored() const { return stored_; }
    // Thrown away since the decoder was made.
    const Discards& discards() const { return discards_; }

private:
    enum class Next { Go, Malformed, StoreFull };
    Next actOnPacket();
    Next storeLiveResult(uint16_t inputStates);
    // Drops the bytes from the front up to the next byte, at `from` or later, that can start a
    // packet or is a signal.
    void dropToNextStart(size_t from);
    void setLamp(uint32_t colour, const char* label) {
        if (state_.link.set(colour, label)) view_.linkIndicatorChanged();
    }

    AppState& state_;
    const Clock& clock_;
    ViewHooks& view_;
    Timer& breakTimer_;
    int64_t stored_ = 0;
    Discards discards_;
    bool storeFullSeen_ = false;  // the store has been found full since it was last cleared
};

// What the decoder threw away, in words: "nothing thrown away", or "N bytes of line noise thrown
// away" with ", among them M malformed packets" when there were any.
std::string discardedBytesText(const LiveDecoder::Discards& discards);
// The window's note of what a noisy line has cost since the start: "" while it brought no noise.
std::string lineNoiseNote(const LiveDecoder::Discards& discards);

// A byte that can stand first in rxBuffer: a packet's SOH, or one of the single-byte signals.
bool canStartPacket(uint8_t byte);

// Bytes of the command codes 0x20..0x23 answers: the firmware text of packet 0xC1.
std::string firmwareText(uint8_t major, uint8_t minorNibbles);

}  // namespace zvl
