#pragma once
// Fakes of the platform interfaces for headless behaviour tests: a clock that moves only when
// a wait moves it, timers that fire from that clock, a port wired to the in-process instrument
// engine (or fed by hand), scripted answers to the prompts and a view that counts its calls.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/state.h"
#include "link/link.h"
#include "platform/clock.h"
#include "platform/prompts.h"
#include "platform/serialport.h"
#include "platform/timer.h"
#include "platform/viewhooks.h"
#include "sim/engine.h"

namespace zvl::test {

class FakeClock : public Clock {
public:
    LocalDateTime base{2026, 12, 7, 10, 0, 0, 0};  // wall clock at ms 0
    int64_t ms = 1000;
    // The zone: its UTC offset at ms 0, and the changes to come (ms, offset from then on).
    // The local time steps by the difference at each change, as summer time does.
    int utcOffset = 0;
    std::vector<std::pair<int64_t, int>> zoneChanges;
    LocalDateTime now() const override;
    int utcOffsetSeconds() const override;
    int64_t milliseconds() const override { return ms; }
    int64_t timeStamp() const { return pcTimeStamp(*this); }
};

class FakeTimer : public Timer {
public:
    explicit FakeTimer(const FakeClock& clock, std::string name) : clock_(clock), name_(std::move(name)) {}
    void enable() override {
        if (!active_) {
            active_ = true;
            due_ = clock_.ms + interval_;
            ++starts;
        }
    }
    void disable() override { active_ = false; }
    bool isActive() const override { return active_; }
    void setInterval(int ms) override {
        interval_ = ms;
        if (active_) due_ = clock_.ms + interval_;
    }
    int interval() const override { return interval_; }
    void setHandler(std::function<void()> h) override { handler_ = std::move(h); }
    // Fire when due (re-arming, as a periodic timer does); true when it fired.
    bool fireIfDue();
    int64_t due() const { return due_; }
    const std::string& name() const { return name_; }
    int fired = 0;
    int starts = 0;

private:
    const FakeClock& clock_;
    std::string name_;
    bool active_ = false;
    int interval_ = 1000;
    int64_t due_ = 0;
    std::function<void()> handler_;
};

// A port whose far end is the instrument engine (when given) or bytes injected by the test.
// Bytes reach the PC at the line's 1920 bytes per second unless paced is off.
class FakePort : public SerialPort {
public:
    FakePort(FakeClock& clock, sim::InstrumentEngine* engine) : clock_(clock), engine_(engine) {}
    bool open(const std::string& devicePath) override;
    bool isOpen() const override { return open_; }
    void close() override { open_ = false; }
    std::string lastError() const override { return error_; }
    int64_t bytesAvailable() const override;
    bool readByte(uint8_t& byte) override;
    void write(const std::vector<uint8_t>& bytes) override;
    void setDataAvailableHandler(std::function<void(int64_t)> h) override { handler_ = std::move(h); }
    void setLostHandler(std::function<void(const std::string&)> h) override { lostHandler_ = std::move(h); }
    PortProbe probe(const std::string& devicePath) override;
    void setGatherMs(int ms) override { gatherMs = ms; }
    int gatherMs = 0;

    // Test side.
    void inject(const std::vector<uint8_t>& bytes);  // arrive now
    void pullFromEngine();                           // engine output joins the line
    void deliver();                                  // raise the notification if bytes wait
    // When the next byte on the line arrives (it may have already); none when the line is empty.
    std::optional<int64_t> nextArrival() const {
        if (line_.empty()) return std::nullopt;
        return line_.front().first;
    }
    // The device goes away: what has arrived is announced, the port closes, the loss is told.
    void loseDevice(const std::string& reason = "Input/output error");
    std::vector<uint8_t> written;                      // everything the PC wrote
    std::vector<std::vector<uint8_t>> writes;          // one entry per write()
    std::vector<std::pair<int64_t, uint8_t>> arrived;  // every byte put on the line, with its arrival ms
    std::map<std::string, PortProbe> probes;           // probe answers by path (default Absent)
    bool failOpen = false;
    std::string openedPath;
    bool paced = true;
    // A write for which this answers true is lost on the line: it never reaches the engine.
    std::function<bool(const std::vector<uint8_t>&)> lostOnTheWay;

private:
    FakeClock& clock_;
    sim::InstrumentEngine* engine_;
    bool open_ = false;
    std::string error_;
    std::deque<std::pair<int64_t, uint8_t>> line_;  // (arrival ms, byte)
    int64_t lineFreeMs_ = 0;
    std::function<void(int64_t)> handler_;
    std::function<void(const std::string&)> lostHandler_;
    bool inHandler_ = false;
};

// The event pump: advancing time lets the engine run, delivers bytes and fires timers.
class FakePump : public EventPump {
public:
    FakePump(FakeClock& clock, FakePort& port, sim::InstrumentEngine* engine)
        : clock_(clock), port_(port), engine_(engine) {}
    void addTimer(FakeTimer& t) { timers_.push_back(&t); }
    void processEventsUntil(int64_t deadlineMs) override;
    void sleepUntil(int64_t deadlineMs) override;
    int depth = 0;  // nesting of message-processing waits
    int maxDepth = 0;
    std::function<void()> onIdle;  // runs at every millisecond a wait serves, like a user's click

private:
    FakeClock& clock_;
    FakePort& port_;
    sim::InstrumentEngine* engine_;
    std::vector<FakeTimer*> timers_;
};

class ScriptedPrompts : public Prompts {
public:
    void warning(const std::string& text) override;
    void information(const std::string& text) override { informations.push_back(text); }
    bool confirm(const std::string& text, IfEscaped escaped) override;
    std::string inputBox(const std::string& caption, const std::string& prompt,
                         const std::string& def) override;
    void setBusyCursor(bool busy) override {
        busy ? ++busyOn : ++busyOff;
        busyNow = busy;
    }
    std::optional<int> selectPort(const std::vector<int>& ports, const std::string& note) override {
        offeredPorts = ports;
        portNotes.push_back(note);
        if (onSelectPort) onSelectPort();
        return portChoice;
    }
    ChoiceAnswer choiceBox(const std::string& message, std::optional<int64_t> result) override;

    std::vector<std::string> warnings, informations, confirmations;
    std::deque<bool> confirmAnswers;       // default answer when empty: false (No)
    std::deque<std::string> inputAnswers;  // default when empty: the default answer
    std::vector<std::pair<std::string, std::string>> inputCalls;
    std::vector<std::optional<int64_t>> choiceCalls;
    std::vector<std::string> choiceMessages;
    std::deque<ChoiceAnswer> choiceAnswers;  // default: IgnoreThis
    std::function<void()> onChoice;          // runs inside the choice box (a modal loop)
    std::optional<int> portChoice;
    std::vector<int> offeredPorts;
    std::vector<std::string> portNotes;
    std::function<void()> onSelectPort;  // runs inside the Select Port dialog (a modal loop)
    std::function<void()> onWarning;     // runs inside the warning box (a modal loop)
    std::function<void()> onConfirm;     // runs inside the confirmation box (a modal loop)
    std::function<void()> onInput;       // runs inside the input box (a modal loop)
    int busyOn = 0, busyOff = 0;
    bool busyNow = false;
};

class CountingView : public ViewHooks {
public:
    void redrawTraceView() override {
        ++redraws;
        if (onRedraw) onRedraw();
    }
    void redrawTraceViewSoon() override {
        if (onRedrawSoon)
            onRedrawSoon();
        else
            redrawTraceView();
    }
    std::function<void()> onRedraw;      // a window's redraw, when a test wires one
    std::function<void()> onRedrawSoon;  // and its coalesced redraw
    void updateControlStates() override { ++controlUpdates; }
    void refreshWindow() override { ++refreshes; }
    void focusEventTimeButton() override { ++focuses; }
    void closeSplash() override { ++splashCloses; }
    void linkIndicatorChanged() override { lampHistory.push_back(lampSource ? lampSource->link.label : ""); }
    const AppState* lampSource = nullptr;
    int redraws = 0, controlUpdates = 0, refreshes = 0, focuses = 0, splashCloses = 0;
    std::vector<std::string> lampHistory;
};

// Everything wired together the way the main window wires it.
struct Rig {
    explicit Rig(sim::SimConfig config = {}, bool withEngine = true);
    AppState state;
    FakeClock clock;
    std::unique_ptr<sim::InstrumentEngine> engine;
    FakePort port;
    FakePump pump;
    FakeTimer statusTimer, breakTimer, updateTimer;
    ScriptedPrompts prompts;
    CountingView view;
    InstrumentLink link;

    void run(int64_t ms) { pump.processEventsUntil(clock.ms + ms); }
    void feed(const std::vector<uint8_t>& bytes) {  // bytes arrive and are announced at once
        port.inject(bytes);
        port.deliver();
    }
};

}  // namespace zvl::test
