#pragma once
// The instrument link: the port, command packets, blocking waits, the connect handshake, the
// status poll and break timer, and the decoder of the live stream with Start and Stop.
// Plain C++: the window (or the zvl tool) wires the timers and the port's notification to it.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/state.h"
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

    // --- Commands and waits --------------------------------------------------------------
    void sendCommand(uint8_t code, int32_t value = 0, int minLength = 0);
    void sendByte(uint8_t byte);
    // Block for n ticks of 55 ms; with processMessages the notifications and timers are served.
    void waitTicks(int n, bool processMessages);

    // --- Handshake and watch -----------------------------------------------------------
    void connect();
    void toggleOnline();
    void statusPoll();        // the 5-second `status` timer
    void breakTimerFired();   // the 500 ms `Breaktimer`

    // --- Live stream ---------------------------------------------------------------------
    void ApdComPort1TriggerAvail(int64_t count);  // data-available notification
    void startStopRecording();
    // Activity > Collect New Data: connect, then a live time-base recording; after a handshake
    // that nobody answered it stays offline.
    void collectNewData();
    void stopRecordingAtClose();

    // Receiver of the bytes while an upload is running (it reads state.rxBuffer).
    void setBlockReceiver(std::function<void()> receiver) { blockReceiver_ = std::move(receiver); }

    // Live results stored since the object was made (all calls included); for progress output.
    int64_t liveResultsStored() const { return liveStored_; }

private:
    void packetLoop();
    // Returns false when decoding must stop until the next notification.
    bool actOnPacket();
    bool storeLiveResult(uint16_t inputStates);
    void limitStop();
    void stopSequence();
    void discardBuffer();
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
    std::function<void()> blockReceiver_;
    int64_t liveStored_ = 0;
    bool limitStopShown_ = false;  // the limit warning has been shown for the store as it is
};

// The Select Port dialog's note on ports that exist but that this user may not open; empty
// when there are none.
std::string noAccessNote(const std::vector<int>& ports);

// Bytes of the command codes 0x20..0x23 answers: the firmware text of packet 0xC1.
std::string firmwareText(uint8_t major, uint8_t minorNibbles);

}  // namespace zvl
