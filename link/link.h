#pragma once
// The instrument link: the port, command packets, blocking waits, the connect handshake, the
// status poll and break timer, and the live recording with Start and Stop, whose packets its
// LiveDecoder reads.
// Plain C++: the window (or the zvl tool) wires the timers and the port's notification to it.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/state.h"
#include "link/livedecoder.h"
#include "platform/clock.h"
#include "platform/prompts.h"
#include "platform/serialport.h"
#include "platform/timer.h"
#include "platform/viewhooks.h"

namespace zvl {

inline constexpr const char* kNotRespondingText =
    "Pellam ZVL Not Responding. Check COM Port, Connections and Ensure Pellam is switched ON.";
inline constexpr const char* kComPortErrorText = "COM Port Error";
inline constexpr const char* kContinueCollectingText = "Continue Collecting Data ?";
inline constexpr const char* kMaximumResultsText = "Maximum Results Received. Pellam Stopped";
inline constexpr int kTickMs = 55;
inline constexpr int kHighestSelectablePort = 50;

// What the program was doing with the instrument when its port went away: the box about the
// loss says what became of it.
enum class LostDuring {
    Nothing,      // online and idle (or a handshake of its own)
    Recording,    // a live recording: it ends with its stop record
    Upload,       // an upload: the records received stay
    UploadStart,  // the handshake before an upload: it does not start
    Setup,        // the hardware dialog or a clock command
};

// The message box about a port whose device went away, with the system's error text and what
// was going on (resultsKept: the records an upload had received); the second for a loss during
// a binary download, which keeps nothing of what arrived.
std::string portLostMessage(const std::string& reason, LostDuring during, int64_t resultsKept = 0);
std::string downloadLostMessage(const std::string& reason);

class InstrumentLink {
public:
    InstrumentLink(AppState& state, SerialPort& port, const Clock& clock, EventPump& pump, Prompts& prompts,
                   ViewHooks& view, Timer& breakTimer, Timer& updateTimer);
    ~InstrumentLink();
    InstrumentLink(const InstrumentLink&) = delete;
    InstrumentLink& operator=(const InstrumentLink&) = delete;

    // --- Port --------------------------------------------------------------------------
    // Open COM<comPortNumber> (the "Select Port" choice first when it is 0). On failure:
    // splash closed, "COM Port Error", port left closed, offline event mode. True when open.
    bool openPort();
    // Open a named port (COMn or a device path) without the selection dialog; false with the
    // reason in portError() when it fails. Used by the zvl tool.
    bool openDevice(const std::string& nameOrPath);
    std::string portError() const { return port_.lastError(); }
    void closePort();
    // The port's lost-device notification: the device went away and the port has closed
    // itself. A transfer ends as Cancel ends it, a live recording with its stop record at this
    // moment; the program goes offline in event mode, the timers that would write to the port
    // stop, and the user is told once. The next connect opens the port again.
    void portLost(const std::string& reason);
    // The 5 s status poll's timer, stopped by a loss and started again when the port reopens.
    void setStatusTimer(Timer& status) { statusTimer_ = &status; }
    // How a running transfer ends when the port goes away (the upload's Cancel).
    void setTransferEnd(std::function<void()> end) { transferEnd_ = std::move(end); }
    // What a command is doing while it runs (the loss box's wording); the recording and the
    // upload are told by the state. Set for its scope by LinkActivity.
    LostDuring activity() const { return activity_; }
    void setActivity(LostDuring activity) { activity_ = activity; }
    // Tells of a lost port instead of the message box (the zvl tool says it in its own words).
    void setLossReporter(std::function<void(const std::string& reason)> report) {
        lossReporter_ = std::move(report);
    }

    // --- Commands and waits --------------------------------------------------------------
    void sendCommand(uint8_t code, int32_t value = 0, int minLength = 0);
    void sendByte(uint8_t byte);
    // Bytes as they are, for the file transfer's receiver; commands are refused while it runs.
    void sendBytes(const std::vector<uint8_t>& bytes);
    // Block for n ticks of 55 ms; with processMessages the notifications and timers are served.
    void waitTicks(int n, bool processMessages);

    // --- Handshake and watch -----------------------------------------------------------
    void connect();
    // Online (event mode, then the handshake) or offline in the same kind of view.
    void toggleOnline();
    void statusPoll();       // the 5-second `statusPollTimer`
    void breakTimerFired();  // the 500 ms `breakTimer`

    // --- Live stream ---------------------------------------------------------------------
    void onSerialDataAvailable(int64_t count);  // data-available notification
    void startStopRecording();
    // Activity > Collect New Data: connect, then a live time-base recording; after a handshake
    // that nobody answered it stays offline.
    void collectNewData();
    void stopRecordingAtClose();

    // Receiver of the port's bytes while a file transfer (protocolTransferActive) runs, and
    // how that transfer ends when the port goes away.
    void setFileTransferReceiver(std::function<void(const std::vector<uint8_t>&)> receiver) {
        fileTransferReceiver_ = std::move(receiver);
    }
    void setFileTransferEnd(std::function<void()> end) { fileTransferEnd_ = std::move(end); }

    // Receiver of the bytes while an upload is running (it reads state.rxBuffer).
    void setBlockReceiver(std::function<void()> receiver) { blockReceiver_ = std::move(receiver); }
    // Runs after a notification's bytes stored live results (before a limit stop's boxes).
    void setResultsStored(std::function<void()> stored) { resultsStored_ = std::move(stored); }

    // Live results stored since the object was made (all calls included); for progress output.
    int64_t liveResultsStored() const { return decoder_.resultsStored(); }
    // What the live decoder has thrown away since the object was made (noise, malformed packets).
    const LiveDecoder::Discards& liveDiscards() const { return decoder_.discards(); }
    // Ports lost so far in the run: a command that saw the count grow during its own waits
    // knows the user has been told, and does not open the port again for its handshake.
    uint64_t portLosses() const { return portLosses_; }

private:
    void limitStop();
    void stopSequence();
    void addStopRecord();
    bool reopenLostPort();
    void setLamp(uint32_t colour, const char* label);
    int64_t now() const { return pcTimeStamp(clock_); }

    AppState& state_;
    SerialPort& port_;
    const Clock& clock_;
    EventPump& pump_;
    Prompts& prompts_;
    ViewHooks& view_;
    Timer& breakTimer_;
    Timer& updateTimer_;
    LiveDecoder decoder_;
    std::function<void()> blockReceiver_;
    std::function<void()> resultsStored_;
    std::function<void()> transferEnd_;
    std::function<void(const std::vector<uint8_t>&)> fileTransferReceiver_;
    std::function<void()> fileTransferEnd_;
    std::function<void(const std::string&)> lossReporter_;
    Timer* statusTimer_ = nullptr;
    std::string devicePath_;  // the device last opened, opened again after a loss
    std::string lostReason_;  // set while the port is closed by a loss
    // Losses so far: a wait that saw one knows the user has been told and the state is offline.
    uint64_t portLosses_ = 0;
    bool stopping_ = false;  // the stop sequence has added its stop record and waits
    LostDuring activity_ = LostDuring::Nothing;
};

// A command's activity for as long as it runs (nested ones give it back at their end).
class LinkActivity {
public:
    LinkActivity(InstrumentLink& link, LostDuring activity) : link_(link), outer_(link.activity()) {
        link_.setActivity(activity);
    }
    ~LinkActivity() { link_.setActivity(outer_); }
    LinkActivity(const LinkActivity&) = delete;
    LinkActivity& operator=(const LinkActivity&) = delete;

private:
    InstrumentLink& link_;
    LostDuring outer_;
};

// The Select Port dialog's note on ports that exist but that this user may not open; empty
// when there are none.
std::string noAccessNote(const std::vector<int>& ports);

}  // namespace zvl
