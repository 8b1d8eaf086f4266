#include "link/link.h"

#include <vector>

#include "core/viewplacement.h"
#include "link/commands.h"
#include "platform/comports.h"

namespace zvl {

InstrumentLink::InstrumentLink(AppState& state, SerialPort& port, const Clock& clock, EventPump& pump,
                               Prompts& prompts, ViewHooks& view, Timer& breakTimer, Timer& updateTimer)
    : state_(state),
      port_(port),
      clock_(clock),
      pump_(pump),
      prompts_(prompts),
      view_(view),
      breakTimer_(breakTimer),
      updateTimer_(updateTimer),
      decoder_(state, clock, view, breakTimer) {
    port_.setDataAvailableHandler([this](int64_t count) { onSerialDataAvailable(count); });
    port_.setLostHandler([this](const std::string& reason) { portLost(reason); });
}

InstrumentLink::~InstrumentLink() {
    port_.setDataAvailableHandler({});
    port_.setLostHandler({});
}

std::string portLostMessage(const std::string& reason, LostDuring during, int64_t resultsKept) {
    std::string what;
    switch (during) {
        case LostDuring::Recording:
            what = "The results collected so far are kept.";
            break;
        case LostDuring::Upload:
            what = resultsKept > 0 ? "The upload has ended; the " + std::to_string(resultsKept) +
                                         " results received are kept."
                                   : std::string("The upload has ended before any result arrived.");
            break;
        case LostDuring::UploadStart:
            what = "The upload was not started.";
            break;
        case LostDuring::Setup:
            what = "The instrument's settings cannot be read or changed until the port is back.";
            break;
        case LostDuring::Nothing:
            what = "No recording was running; the program is offline now.";
            break;
    }
    return "The instrument's serial port has gone away (" + reason + "). " + what;
}

std::string downloadLostMessage(const std::string& reason) {
    return "The instrument's serial port has gone away (" + reason +
           "). The download has ended: nothing of it was saved, and a file already at the chosen name is "
           "kept as it was.";
}

bool InstrumentLink::openPort() {
    std::optional<int> number;
    if (state_.comPortNumber != 0) {
        number = state_.comPortNumber;
    } else {
        // No valid port configured: offer every port that exists, also those another program
        // holds. Ports this user may not open are not offered; the dialog names them once.
        std::vector<int> candidates, denied;
        for (int n = 1; n <= kHighestSelectablePort; ++n) {
            const PortProbe probe = port_.probe(comPortPath(n));
            if (probe == PortProbe::NoAccess)
                denied.push_back(n);
            else if (probe != PortProbe::Absent)
                candidates.push_back(n);
        }
        // For this run only: comPortNumber stays 0.
        number = prompts_.selectPort(candidates, noAccessNote(denied));
    }
    if (number && port_.open(comPortPath(*number))) {
        devicePath_ = comPortPath(*number);
        return true;
    }

    // Offline before the box: the timers that run while it is open find no port to use.
    state_.operatingMode = EventSearch;
    view_.closeSplash();
    prompts_.warning(kComPortErrorText);
    return false;
}

bool InstrumentLink::openDevice(const std::string& nameOrPath) {
    if (!port_.open(resolvePortName(nameOrPath))) return false;
    devicePath_ = resolvePortName(nameOrPath);
    return true;
}

void InstrumentLink::closePort() {
    if (port_.isOpen()) port_.close();
}

void InstrumentLink::portLost(const std::string& reason) {
    lostReason_ = reason.empty() ? std::string("no reason given") : reason;
    ++portLosses_;
    const bool downloading = state_.protocolTransferActive;
    const LostDuring during = state_.uploadActive       ? LostDuring::Upload
                              : state_.collectionActive ? LostDuring::Recording
                                                        : activity_;
    breakTimer_.disable();
    updateTimer_.disable();
    if (statusTimer_) statusTimer_->disable();
    state_.instrumentOnline = false;
    state_.linkBreak = false;  // the poll must run again once the port is back
    setLamp(kLampRed, "Offline");
    if (state_.protocolTransferActive && fileTransferEnd_) {
        fileTransferEnd_();
    } else if (state_.uploadActive || state_.protocolTransferActive) {
        if (transferEnd_) transferEnd_();  // its CAN finds the port closed and goes nowhere
    } else {
        decoder_.discard();  // the start of a packet that can never be finished
        // A stop sequence that is waiting has added the stop record already.
        if (state_.collectionActive && !stopping_) {
            const int64_t t = now();
            state_.liveTime = t;
            state_.recordingEndTime = t;
            addStopRecord();
            state_.collectionActive = false;
            // The newest results, the stop record under the cursor, as "Go to Last" shows them.
            state_.currentResult = eventPositionOf(state_.resultCount());
        }
    }
    state_.operatingMode = EventSearch;
    view_.updateControlStates();
    view_.refreshWindow();
    if (lossReporter_)
        lossReporter_(lostReason_);
    else
        prompts_.warning(downloading ? downloadLostMessage(lostReason_)
                                     : portLostMessage(lostReason_, during, state_.resultCount()));
}

bool InstrumentLink::reopenLostPort() {
    if (port_.open(devicePath_)) {
        lostReason_.clear();
        if (statusTimer_) statusTimer_->enable();
        return true;
    }
    // Still gone: one box, as at start-up, and offline before it shows.
    state_.instrumentOnline = false;
    state_.operatingMode = EventSearch;
    prompts_.warning(kComPortErrorText);
    view_.updateControlStates();
    view_.refreshWindow();
    return false;
}

void InstrumentLink::sendCommand(uint8_t code, int32_t value, int minLength) {
    // A download owns the line: a command in the middle of its frames would break them.
    if (!port_.isOpen() || state_.protocolTransferActive) return;
    port_.write(buildCommandPacket(code, value, minLength));
}

void InstrumentLink::sendByte(uint8_t byte) {
    if (!port_.isOpen()) return;
    port_.write({byte});
}

void InstrumentLink::sendBytes(const std::vector<uint8_t>& bytes) {
    if (port_.isOpen() && !bytes.empty()) port_.write(bytes);
}

void InstrumentLink::waitTicks(int n, bool processMessages) {
    const int64_t deadline = (clock_.milliseconds() / kTickMs + n) * kTickMs;
    if (processMessages)
        pump_.processEventsUntil(deadline);
    else
        pump_.sleepUntil(deadline);
}

void InstrumentLink::connect() {
    // A port lost earlier in the run is opened again first: the device may be back.
    if (!lostReason_.empty() && !port_.isOpen() && !reopenLostPort()) return;
    prompts_.setBusyCursor(true);
    state_.instrumentOnline = false;
    if (state_.operatingMode.isOnline()) {
        const uint64_t losses = portLosses_;
        sendCommand(cmd::StatusOptions);
        waitTicks(3, true);
        if (state_.instrumentOnline) {
            sendCommand(cmd::StatusFirmware);
            waitTicks(3, true);
            sendCommand(cmd::StatusClock);
            waitTicks(3, true);
            sendCommand(cmd::StatusSerial);
            waitTicks(3, true);
        } else if (portLosses_ == losses) {  // after a loss in the wait the user has been told
            // Offline before the box, as a failed open is: a status poll while it stays open
            // then starts no break timer, and one started before the handshake is stopped, so
            // no break is declared over the warning.
            state_.operatingMode.goOffline();
            breakTimer_.disable();
            prompts_.setBusyCursor(false);
            prompts_.warning(kNotRespondingText);
        }
    }
    prompts_.setBusyCursor(false);
    view_.refreshWindow();
}

void InstrumentLink::toggleOnline() {
    state_.operatingMode.toggleOnline();
    if (state_.operatingMode.isOnline()) {
        state_.operatingMode = EventRecord;
        connect();
    }
    view_.updateControlStates();
    view_.refreshWindow();
}

void InstrumentLink::statusPoll() {
    if (state_.uploadActive || state_.protocolTransferActive || state_.linkBreak) return;
    // Before the port is open (the first seconds of a start-up that is still asking about
    // its settings) nothing can answer: no request goes out, so no break is declared either.
    if (!port_.isOpen()) {
        state_.instrumentOnline = false;
        setLamp(kLampRed, "Offline");
        return;
    }
    state_.instrumentOnline = false;
    const bool online = state_.operatingMode.isOnline();
    if (online) breakTimer_.enable();
    setLamp(kLampRed, "Offline");
    if (online) {
        sendCommand(cmd::StatusOptions);
        waitTicks(9, true);
        // An upload or download started during the wait owns the line now: a status answer
        // in the middle of its blocks would break one of them.
        if (state_.uploadActive || state_.protocolTransferActive) return;
        sendCommand(cmd::StatusClock);
    }
}

void InstrumentLink::breakTimerFired() {
    breakTimer_.disable();
    // A transfer that started after the poll owns the line now; its own retry watches it.
    if (state_.uploadActive || state_.protocolTransferActive) return;
    state_.linkBreak = true;
    prompts_.choiceBox(std::string(), std::nullopt);
}

void InstrumentLink::setLamp(uint32_t colour, const char* label) {
    if (state_.link.set(colour, label)) view_.linkIndicatorChanged();
}

std::string noAccessNote(const std::vector<int>& ports) {
    if (ports.empty()) return {};
    std::string names;
    for (int n : ports) names += (names.empty() ? "COM" : ", COM") + std::to_string(n);
    return "You have no access to " + names +
           " (on Debian: add your user to the dialout group, then log in again).";
}

}  // namespace zvl
