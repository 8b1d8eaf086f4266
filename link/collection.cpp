// The collection of live results: the data-available handler (the port's bytes to the file
// transfer, the upload or the live decoder), Start/Stop, Collect New Data, the stop at the
// 100000-result limit and at close.
//
// The handler may run again while an earlier run waits in a modal box (the limit stop), so
// every step re-reads rxBuffer and resultCount instead of holding positions across calls out.

#include <algorithm>

#include "core/timebase.h"
#include "link/commands.h"
#include "link/link.h"

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
    const int64_t stored = decoder_.resultsStored();
    const LiveDecoder::End end = decoder_.decode();
    if (resultsStored_ && decoder_.resultsStored() != stored) resultsStored_();
    if (end == LiveDecoder::End::StoreFull) limitStop();
}

void InstrumentLink::limitStop() {
    // The decoder found the store full: the instrument stops and the user is told.
    state_.operatingMode.goOffline();  // a mode that is offline already stays valid
    breakTimer_.disable();
    updateTimer_.disable();
    sendCommand(cmd::Stop);
    const int64_t t = now();
    state_.viewStartTime = t;
    state_.liveTime = t;
    state_.recordingEndTime = t;
    showNewestResultsOffline(state_);  // a time chart at "now" would be empty
    prompts_.setBusyCursor(true);
    state_.collectionActive = false;
    prompts_.warning(kMaximumResultsText);
    prompts_.choiceBox(std::string(), std::nullopt);
    prompts_.setBusyCursor(false);
    view_.updateControlStates();
    view_.refreshWindow();
}

void InstrumentLink::startStopRecording() {
    if (state_.operatingMode.isSearch()) return;  // offline, the same button searches
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
        decoder_.storeCleared();
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
        const bool keepGoing = prompts_.confirm(kContinueCollectingText, IfEscaped::Yes);
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
    state_.operatingMode.goOnline();
    connect();
    if (!state_.instrumentOnline) {
        state_.operatingMode.goOffline();
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
