// The data-available handler and the live recording: packets 0xC0..0xC3 and 0xD0, the
// single-byte signals, Start/Stop and the 100000-result limit.
//
// The handler may run again while an earlier run waits in a modal box (the limit stop), so
// every step re-reads rxBuffer and resultCount instead of holding positions across calls out.

#include <algorithm>

#include "link/commands.h"
#include "link/link.h"
#include "core/timebase.h"

namespace zvl {

void InstrumentLink::onSerialDataAvailable(int64_t count) {
    if (state_.protocolTransferActive) {  // the file-transfer receiver owns the port
        std::vector<uint8_t> bytes;
        bytes.reserve(size_t(count > 0 ? count : 0));
        uint8_t byte = 0;
        for (int64_t i = 0; i < count && port_.readByte(byte); ++i) bytes.push_back(byte);
        if (fileTransferReceiver_ && !bytes.empty()) fileTransferReceiver_(bytes);
        return;
    }
    for (int64_t i = 0; i < count; ++i) {
        uint8_t byte = 0;
        if (!port_.readByte(byte)) break;
        state_.rxBuffer.push_back(char(byte));
    }
    if (state_.uploadActive) {
        if (blockReceiver_) blockReceiver_();
        return;
    }
    packetLoop();
}

void InstrumentLink::discardBuffer() {
    state_.rxBuffer.clear();
    state_.rxPacket.fill(0);
}

void InstrumentLink::packetLoop() {
    std::string& buf = state_.rxBuffer;
    do {
        if (buf.empty()) return;
        const uint8_t first = uint8_t(buf[0]);
        if (first == ctl::SOH) {
            setLamp(kLampGreen, "Online");
            if (buf.size() >= 2) state_.rxPacket[2] = uint8_t(buf[1]);
            const int length = state_.rxPacket[2];
            if (length > kMaxPacketLength) {
                // Malformed as soon as the length byte is known: no packet is that long, so
                // waiting for L + 2 bytes would only swallow the good packets behind it.
                breakTimer_.disable();
                state_.linkBreak = false;
                state_.instrumentOnline = true;
                discardBuffer();
                return;
            }
            if (buf.size() < size_t(length) + 2) return;  // wait for the rest
            breakTimer_.disable();
            state_.linkBreak = false;
            state_.instrumentOnline = true;
            for (int slot = 3; slot <= length + 2; ++slot) state_.rxPacket[size_t(slot)] = uint8_t(buf[size_t(slot - 1)]);
            buf.erase(0, size_t(length) + 2);
            if (!actOnPacket()) return;
            state_.rxPacket.fill(0);
        } else if (first == ctl::ENQ) {
            setLamp(kLampFuchsia, "Unknown Signal");
            buf.erase(0, 1);
        } else if (first == ctl::ACK) {
            buf.erase(0, 1);
        } else if (first == ctl::NAK) {
            setLamp(kLampBlue, "Invalid Signal");
            buf.erase(0, 1);
        } else {
            if (isOnlineMode(state_.operatingMode)) breakTimer_.disable();
            buf.clear();
            return;
        }
    } while (buf.size() >= size_t(state_.rxPacket[2]) + 2);
}

bool InstrumentLink::actOnPacket() {
    auto& p = state_.rxPacket;  // slot k + 1 holds packet offset k
    switch (uint8_t(p[3])) {
        case packet::Options:
            state_.debounceCode = uint8_t(p[5]);
            for (int k = 0; k < 8; ++k) state_.hardwareOptions[size_t(k)] = (p[6] >> k) & 1;
            break;
        case packet::Firmware:
            state_.firmwareVersion = firmwareText(uint8_t(p[6]), uint8_t(p[7]));
            break;
        case packet::Clock:
            if (p[4] >= 0x80) {  // the clock would overflow: malformed
                discardBuffer();
                return false;
            }
            state_.instrumentClock = (int64_t(p[4]) << 24) | (int64_t(p[5]) << 16) | (int64_t(p[6]) << 8) | p[7];
            break;
        case packet::Serial: {
            std::string serial;
            for (int slot = 4; slot <= 11; ++slot) serial.push_back(char(uint8_t(p[size_t(slot)])));
            state_.serialNumber = serial;
            break;
        }
        case packet::LiveResult:
            return storeLiveResult(uint16_t((p[4] << 8) | p[5]));
        default:
            break;
    }
    return true;
}

bool InstrumentLink::storeLiveResult(uint16_t inputStates) {
    if (state_.resultCount() >= kMaxResults) {
        // The store is full. The first result beyond the limit stops the instrument and tells
        // the user; results still in flight after that have nowhere to go. The count is not
        // raised, so it never stands above the last slot that holds a result.
        if (limitStopShown_) return true;
        limitStopShown_ = true;
        state_.rxPacket.fill(0);
        state_.operatingMode |= 2;  // offline; a mode that is offline already stays valid
        breakTimer_.disable();
        updateTimer_.disable();
        sendCommand(cmd::Stop);
        limitStop();
        return false;
    }
    const int64_t n = ++state_.store.resultCount;
    ResultRecord& r = state_.store.slot(n);
    r.setTime(uint32_t(std::clamp<int64_t>(now(), 0, 0xFFFFFFFFll)));
    r.inputStates = inputStates;
    ++liveStored_;
    view_.redrawTraceViewSoon();
    return true;
}

void InstrumentLink::limitStop() {
    const int64_t t = now();
    state_.viewStartTime = t;
    state_.liveTime = t;
    state_.recordingEndTime = t;
    prompts_.setBusyCursor(true);
    state_.collectionActive = false;
    prompts_.warning(kMaximumResultsText);
    prompts_.choiceBox(std::string(), std::nullopt);
    prompts_.setBusyCursor(false);
    view_.updateControlStates();
    view_.refreshWindow();
}

void InstrumentLink::startStopRecording() {
    if (!isOnlineMode(state_.operatingMode)) return;  // offline, the same button searches
    // An upload sets collectionActive too, but its end is Cancel: a stop record or a 0x41 in
    // the middle of the block stream would corrupt the memory being received.
    if (state_.uploadActive) return;
    view_.focusEventTimeButton();
    const int64_t t = now();
    state_.viewStartTime = t;
    prompts_.setBusyCursor(true);
    state_.liveTime = t;
    state_.recordingEndTime = t;
    if (!state_.collectionActive) {
        state_.store.clearResults();
        limitStopShown_ = false;
        ResultRecord& start = state_.store.slot(0);
        start.setTime(uint32_t(std::clamp<int64_t>(state_.liveTime, 0, 0xFFFFFFFFll)));
        start.inputStates = 0;
        const uint64_t losses = portLosses_;
        sendCommand(cmd::StartLive);
        waitTicks(3, true);
        // A port lost during the wait has left the program offline: nothing was started.
        if (portLosses_ == losses) {
            state_.collectionActive = true;
            updateTimer_.setInterval(refreshIntervalMs(state_.timebaseIndex));
            if (state_.operatingMode == TimebaseRecord) updateTimer_.enable();
        }
    } else {
        prompts_.setBusyCursor(false);
        const bool keepGoing = prompts_.confirm(kContinueCollectingText);
        prompts_.setBusyCursor(true);
        // The recording may have ended while the box was open (the port lost, the limit).
        if (!keepGoing && state_.collectionActive) {
            // It ends now, however long the answer took: results stored while the box was
            // open are part of it, and the stop record is not earlier than they are.
            const int64_t end = now();
            state_.viewStartTime = end;
            state_.liveTime = end;
            state_.recordingEndTime = end;
            stopSequence();
        }
    }
    prompts_.setBusyCursor(false);
    view_.updateControlStates();
    view_.refreshWindow();
}

void InstrumentLink::addStopRecord() {
    // The stop record repeats the last state at the stop time. A full store has no slot with
    // a time left for it, so it is not added there.
    const int64_t n = state_.resultCount() + 1;
    if (n > kMaxResults) return;
    ResultRecord& stop = state_.store.slot(n);
    stop.setTime(uint32_t(std::clamp<int64_t>(state_.liveTime, 0, 0xFFFFFFFFll)));
    stop.inputStates = state_.store.slot(n - 1).inputStates;
    state_.store.resultCount = n;
}

void InstrumentLink::stopSequence() {
    addStopRecord();
    stopping_ = true;
    sendCommand(cmd::Stop);
    waitTicks(3, true);
    stopping_ = false;
    state_.collectionActive = false;
    prompts_.choiceBox(std::string(), std::nullopt);
    updateTimer_.disable();
}

void InstrumentLink::collectNewData() {
    // The handshake runs whatever the mode was, in the online mode of the same kind. An
    // instrument that did not answer has been warned about and connect has gone offline
    // again: no recording is started into the silence (as the start menu's Collect Data).
    state_.operatingMode &= ~2;
    connect();
    if (!state_.instrumentOnline) {
        state_.operatingMode |= 2;
        return;
    }
    // Nor into a port that is closed (it failed to open, or went away and is still gone).
    if (!port_.isOpen()) return;
    state_.operatingMode = TimebaseRecord;
    startStopRecording();
}

void InstrumentLink::stopRecordingAtClose() {
    if (state_.collectionActive && !state_.uploadActive) stopSequence();
}

}  // namespace zvl
