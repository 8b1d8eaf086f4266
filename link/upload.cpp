// The stored-data upload. During the transfer resultCount is always the number of records
// stored (the next record goes to resultCount + 1), so a cancel or an error leaves a store
// that is right as it stands.
//
// The receive handler, the retry timer and the Cancel button all run on the UI thread, and
// the end of the transfer shows modal boxes inside the receive notification; `ending_` keeps
// a notification or a timer that arrives meanwhile from starting the end a second time.

#include "link/upload.h"

#include <algorithm>

#include "link/commands.h"

namespace zvl {

uint8_t uploadChecksum(const uint8_t* packet) {
    unsigned sum = 0;
    for (int i = 0; i < kUploadPacketSize - 1; ++i) sum += packet[i];
    return uint8_t(sum & 0xFF);
}

ResultRecord recordFromSlot(const uint8_t* slot) {
    ResultRecord r;
    r.flags = slot[0];
    r.kind = slot[1];
    r.timeStamp = {slot[2], slot[3], slot[4], slot[5]};
    r.inputStates = uint16_t((slot[6] << 8) | slot[7]);
    return r;
}

int64_t putMemoryInOrder(ResultStore& store) {
    const int64_t count = std::min(store.resultCount, kLastSlot);
    if (count < 2 || (store.results[1].flags & kFlagWrapped) == 0) return 1;
    int64_t newest = 0;
    for (int64_t i = 1; i <= count; ++i) {
        const uint8_t kind = store.results[size_t(i)].kind;
        if (kind == kKindInOrder) return 1;  // the instrument sent it in order already
        if (kind == kKindNewest) newest = i;
    }
    const int64_t ringStart = newest + 1 > count ? 1 : newest + 1;
    if (ringStart == 1) return 1;
    auto first = store.results.begin() + 1;
    std::copy(first, first + count, store.resultsBackup.begin() + 1);
    // Result j takes backup record ringStart + j - 1, going round after the last.
    auto backup = store.resultsBackup.begin() + 1;
    auto out = std::copy(backup + (ringStart - 1), backup + count, first);
    std::copy(backup, backup + (ringStart - 1), out);
    return ringStart;
}

bool applyChoice(ResultStore& store, int64_t n, ChoiceAnswer answer, StandingAnswers& standing) {
    if (n < 1 || n > store.resultCount) return false;
    switch (answer) {
        case ChoiceAnswer::DeleteAll:
            standing.deleteAll = true;
            [[fallthrough]];
        case ChoiceAnswer::DeleteThis:
            return store.deleteResult(n);
        case ChoiceAnswer::CorrectAll:
            standing.correctAll = true;
            [[fallthrough]];
        case ChoiceAnswer::CorrectThis:
            return store.correctResult(n);
        case ChoiceAnswer::IgnoreAll:
            standing.ignoreAll = true;
            return true;
        case ChoiceAnswer::IgnoreThis:
            return true;
    }
    return true;
}

TimeCheckSummary checkResultTimes(AppState& state, Prompts& prompts) {
    TimeCheckSummary summary;
    StandingAnswers standing;
    ResultStore& store = state.store;
    // Pairs (i, i + 1) from i = 2 up to the last result. The result that goes wrong is i when
    // the result after the pair is also earlier than i (i is the one too late), else i + 1.
    int64_t i = 2;
    while (i < store.resultCount) {
        const int64_t ti = store.resultTime(i);
        if (store.resultTime(i + 1) >= ti) {
            ++i;
            continue;
        }
        const int64_t n = (i + 2 <= store.resultCount && store.resultTime(i + 2) < ti) ? i : i + 1;
        ++summary.errors;
        ChoiceAnswer answer;
        if (standing.deleteAll) {
            answer = ChoiceAnswer::DeleteThis;
        } else if (standing.correctAll) {
            answer = ChoiceAnswer::CorrectThis;
        } else if (standing.ignoreAll) {
            answer = ChoiceAnswer::IgnoreThis;
        } else {
            ++summary.asked;
            answer = prompts.choiceBox(kFileTimeErrorText + formatResultTime(state, n), n);
        }
        const int64_t countBefore = store.resultCount;
        if (!applyChoice(store, n, answer, standing)) {
            ++i;
            continue;
        }
        if (store.resultCount < countBefore) {
            ++summary.deleted;
            // The next result has moved into n's place: look at it against the one before.
            i = std::max<int64_t>(2, n - 1);
        } else {
            if (answer == ChoiceAnswer::CorrectThis || answer == ChoiceAnswer::CorrectAll)
                ++summary.corrected;
            ++i;
        }
    }
    return summary;
}

// ---------------------------------------------------------------------------------------

StoredDataUpload::StoredDataUpload(AppState& state, InstrumentLink& link, const Clock& clock,
                                   Prompts& prompts, ViewHooks& view, Timer& uploadRetryTimer)
    : state_(state),
      link_(link),
      clock_(clock),
      prompts_(prompts),
      view_(view),
      uploadRetryTimer_(uploadRetryTimer) {
    uploadRetryTimer_.disable();
    uploadRetryTimer_.setInterval(kUploadRetryMs);
    link_.setBlockReceiver([this] { blockReceiver(); });
    // A port that goes away ends the transfer as Cancel does: the records stored so far stay.
    link_.setTransferEnd([this] { cancelTransfer(); });
}

StoredDataUpload::~StoredDataUpload() {
    link_.setBlockReceiver({});
    link_.setTransferEnd({});
}

void StoredDataUpload::uploadStoredData() {
    // One transfer at a time; the menus are disabled while one runs, this guards the rest.
    if (state_.uploadActive || state_.protocolTransferActive || state_.collectionActive) return;
    prompts_.setBusyCursor(true);
    state_.operatingMode = EventRecord;
    if (!state_.instrumentOnline) {
        {
            const LinkActivity activity(link_, LostDuring::UploadStart);
            link_.connect();
        }
        if (!state_.instrumentOnline) {
            prompts_.setBusyCursor(false);
            outcome_ = Outcome::NotStarted;
            return;
        }
    }

    blocksSinceProgress_ = 0;
    state_.collectionActive = true;
    view_.showProgressPanel(true, kUploadingDataText);
    view_.setBytesTransferred(0);
    view_.refreshWindow();

    // The store is not cleared: records go from slot 1 upward over what it held, and slots
    // above the final count keep their old contents (nothing reads past resultCount).
    state_.store.resultCount = 0;
    state_.store.markedResult = 0;  // the marker went with the recording it marked
    state_.store.recovered = false;
    state_.store.timeline.reset();  // and a timeline shown instead of the store
    lastBlockNumber_ = 0;
    packetsStored_ = repeats_ = checksumErrors_ = timeouts_ = strayBytes_ = 0;
    ringStart_ = 1;
    timeCheck_ = {};
    // Whatever the live decoder left behind means nothing to the block receiver.
    state_.rxBuffer.clear();
    lastBufferSize_ = 0;
    lastActivityMs_ = clock_.milliseconds();
    outcome_ = Outcome::Receiving;
    state_.uploadActive = true;
    prompts_.setBusyCursor(true);

    link_.sendCommand(cmd::UploadMemory);
    link_.waitTicks(3, false);
    link_.sendByte(ctl::NAK);  // the receiver asks for the first block
    link_.waitTicks(3, false);

    state_.bytesTransferred = 0;
    state_.uploadCancel = false;
    view_.updateControlStates();
    // Armed now as well, so an instrument that never starts still gets its one retry.
    uploadRetryTimer_.enable();
}

void StoredDataUpload::blockReceiver() {
    if (!state_.uploadActive || ending_ || outcome_ != Outcome::Receiving) return;
    std::string& buf = state_.rxBuffer;
    if (buf.size() != lastBufferSize_) lastActivityMs_ = clock_.milliseconds();

    while (!buf.empty()) {
        const uint8_t first = uint8_t(buf[0]);
        if (first == ctl::SOH) {
            if (buf.size() < size_t(kUploadPacketSize)) break;  // the rest is on its way
            if (!takePacket()) return;
        } else if (first == ctl::EOT) {
            endOfTransfer();
            return;
        } else {
            // Stray bytes before a packet are dropped, up to the next packet start or EOT.
            const size_t next = buf.find_first_of(std::string{char(ctl::SOH), char(ctl::EOT)});
            const size_t drop = next == std::string::npos ? buf.size() : next;
            strayBytes_ += int64_t(drop);
            buf.erase(0, drop);
        }
    }
    lastBufferSize_ = buf.size();
    // Enabling a running timer leaves it alone, so the 5 s count from the last new packet
    // (which stopped it) or from the first bytes after it last fired.
    uploadRetryTimer_.enable();
}

bool StoredDataUpload::takePacket() {
    std::string& buf = state_.rxBuffer;
    uint8_t p[kUploadPacketSize];
    std::copy_n(buf.begin(), kUploadPacketSize, p);
    const uint8_t number = p[1];
    const uint8_t expected = uint8_t(lastBlockNumber_ + 1);
    if (number == expected) uploadRetryTimer_.disable();

    if (uploadChecksum(p) != p[kUploadPacketSize - 1]) {
        // A damaged packet: whatever came with it is suspect too. The NAK brings it again.
        ++checksumErrors_;
        buf.clear();
        link_.sendByte(ctl::NAK);
        return true;
    }
    buf.erase(0, kUploadPacketSize);

    if (number == lastBlockNumber_) {
        // Sent again because our ACK went astray: acknowledged, stored once.
        ++repeats_;
        link_.sendByte(ctl::ACK);
        return true;
    }
    if (number != expected) {
        fail(kBlockSequenceErrorText);
        return false;
    }

    ResultStore& store = state_.store;
    for (int s = 0; s < kUploadSlotsPerPacket; ++s) {
        const uint8_t* slot = p + 3 + 8 * s;
        if (isEmptySlotKind(slot[1])) continue;
        if (store.resultCount >= kUploadLimit) {
            fail(kUploadOverflowText);
            return false;
        }
        store.slot(store.resultCount + 1) = recordFromSlot(slot);
        ++store.resultCount;
    }
    ++packetsStored_;
    state_.bytesTransferred += kUploadDataBytes;
    if (++blocksSinceProgress_ >= kBlocksPerProgressStep) {
        view_.setBytesTransferred(state_.bytesTransferred);
        blocksSinceProgress_ = 0;
    }
    lastBlockNumber_ = number;
    link_.sendByte(ctl::ACK);
    return true;
}

void StoredDataUpload::onUploadRetryTimer() {
    uploadRetryTimer_.disable();
    if (!state_.uploadActive || ending_ || outcome_ != Outcome::Receiving) return;
    // A packet start that has not grown for a while lost bytes on the way; it could only
    // swallow the start of the packet the NAK brings.
    if (!state_.rxBuffer.empty() && clock_.milliseconds() - lastActivityMs_ >= kQuietLineMs) {
        strayBytes_ += int64_t(state_.rxBuffer.size());
        state_.rxBuffer.clear();
        lastBufferSize_ = 0;
    }
    ++timeouts_;
    link_.sendByte(ctl::NAK);
}

void StoredDataUpload::endOfTransfer() {
    ending_ = true;
    uploadRetryTimer_.disable();
    state_.rxBuffer.erase(0, 1);
    // Everything has arrived: the instrument need not wait for the user's answers below.
    link_.sendByte(ctl::ACK);

    view_.showProgressPanel(false, std::string());
    state_.currentResult = 1;
    ringStart_ = putMemoryInOrder(state_.store);
    timeCheck_ = checkResultTimes(state_, prompts_);
    state_.recordingEndTime = state_.resultTime(state_.resultCount());
    prompts_.setBusyCursor(false);
    state_.operatingMode = EventSearch;
    state_.collectionActive = false;
    state_.uploadActive = false;
    lastBufferSize_ = 0;
    outcome_ = Outcome::Completed;
    ending_ = false;
    view_.updateControlStates();
    view_.refreshWindow();
}

void StoredDataUpload::stopReceiving() {
    state_.uploadActive = false;
    uploadRetryTimer_.disable();
    if (outcome_ == Outcome::Receiving) state_.rxBuffer.clear();  // the rest of a block, if any
    lastBufferSize_ = 0;
    view_.showProgressPanel(false, std::string());
    prompts_.setBusyCursor(false);
    state_.collectionActive = false;
}

void StoredDataUpload::fail(const char* warning) {
    link_.sendByte(ctl::CAN);
    stopReceiving();
    outcome_ = Outcome::Failed;
    prompts_.warning(warning);
    view_.updateControlStates();
    view_.refreshWindow();
}

void StoredDataUpload::cancelTransfer() {
    if (ending_) return;  // the panel is gone already; the end runs to its close
    if (!state_.uploadActive && !state_.protocolTransferActive) return;
    link_.sendByte(ctl::CAN);
    if (cancelFileTransfer_) cancelFileTransfer_();
    state_.uploadCancel = true;
    const bool wasReceiving = outcome_ == Outcome::Receiving;
    stopReceiving();
    if (wasReceiving) outcome_ = Outcome::Cancelled;
    view_.updateControlStates();
    view_.refreshWindow();
}

}  // namespace zvl
