#pragma once
// Stand-ins for the platform in the benchmarks: a clock that stands still or that the
// benchmark moves, waits that do nothing, timers that do nothing or that the benchmark fires,
// a port fed from a buffer, and prompts that answer at once and keep the messages.

#include <unistd.h>

#include <climits>
#include <cstdint>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "core/timerules.h"
#include "platform/clock.h"
#include "platform/prompts.h"
#include "platform/serialport.h"
#include "platform/timer.h"

namespace zvl::bench {

// The soaks' figures: this process's resident memory in kB.
inline long residentKb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// The soaks run the in-process instrument rig (tests/support/fakes.h) for days: its fakes log
// every byte and lamp change, and those logs are the rig's, not the program's, so a soak
// drops them between its rounds before it reads the memory figures.
template <class Rig>
void dropRigLogs(Rig& rig) {
    rig.port.written.clear();
    rig.port.writes.clear();
    rig.port.arrived.clear();
    rig.port.written.shrink_to_fit();
    rig.port.writes.shrink_to_fit();
    rig.port.arrived.shrink_to_fit();
    rig.view.lampHistory.clear();
    rig.view.lampHistory.shrink_to_fit();
}

class StillClock : public Clock {
public:
    LocalDateTime now() const override { return at; }
    int64_t milliseconds() const override { return 0; }
    LocalDateTime at{2026, 12, 7, 12, 0, 0, 0};
};

// Wall clock = `base` + ms, moved by the benchmark.
class SteppedClock : public Clock {
public:
    LocalDateTime now() const override {
        const int64_t total = timeStampFromDateTime(base) * 1000 + ms;
        LocalDateTime dt = dateTimeFromTimeStamp(total / 1000);
        dt.millisecond = int(total % 1000);
        return dt;
    }
    int64_t milliseconds() const override { return ms; }
    LocalDateTime base{2026, 12, 7, 12, 0, 0, 0};
    int64_t ms = 0;
};

class NoPump : public EventPump {
public:
    void processEventsUntil(int64_t) override {}
    void sleepUntil(int64_t) override {}
};

class NoTimer : public Timer {
public:
    void enable() override {}
    void disable() override {}
    bool isActive() const override { return false; }
    void setInterval(int) override {}
    int interval() const override { return 0; }
    void setHandler(std::function<void()>) override {}
};

// A timer the benchmark fires when the event loop it plays would: fireIfDue at each moment.
class SteppedTimer : public Timer {
public:
    explicit SteppedTimer(const SteppedClock& clock) : clock_(clock) {}
    void enable() override {
        if (!active_) due_ = clock_.ms + interval_;
        active_ = true;
    }
    void disable() override { active_ = false; }
    bool isActive() const override { return active_; }
    void setInterval(int ms) override {
        interval_ = ms;
        if (active_) due_ = clock_.ms + interval_;
    }
    int interval() const override { return interval_; }
    void setHandler(std::function<void()> h) override { handler_ = std::move(h); }
    int64_t due() const { return active_ ? due_ : INT64_MAX; }
    void fire() {
        due_ = clock_.ms + interval_;
        if (handler_) handler_();
    }

private:
    const SteppedClock& clock_;
    bool active_ = false;
    int interval_ = 0;
    int64_t due_ = 0;
    std::function<void()> handler_;
};

// A port whose received bytes are `data` up to `limit`; the benchmark raises the notification.
class BufferPort : public SerialPort {
public:
    std::vector<uint8_t> data;
    size_t pos = 0;
    size_t limit = 0;  // bytes "arrived" so far
    std::function<void(int64_t)> handler;
    bool open(const std::string&) override { return true; }
    bool isOpen() const override { return true; }
    void close() override {}
    std::string lastError() const override { return {}; }
    int64_t bytesAvailable() const override { return int64_t(limit - pos); }
    bool readByte(uint8_t& b) override {
        if (pos >= limit) return false;
        b = data[pos++];
        return true;
    }
    void write(const std::vector<uint8_t>&) override {}
    void setDataAvailableHandler(std::function<void(int64_t)> h) override { handler = std::move(h); }
    void setLostHandler(std::function<void(const std::string&)>) override {}  // never lost
    PortProbe probe(const std::string&) override { return PortProbe::Absent; }
};

class QuietPrompts : public Prompts {
public:
    void warning(const std::string& text) override { warnings.push_back(text); }
    void information(const std::string& text) override { informations.push_back(text); }
    bool confirm(const std::string&, IfEscaped) override { return false; }
    std::string inputBox(const std::string&, const std::string&, const std::string& d) override { return d; }
    void setBusyCursor(bool) override {}
    std::optional<int> selectPort(const std::vector<int>&, const std::string&) override {
        return std::nullopt;
    }
    ChoiceAnswer choiceBox(const std::string&, std::optional<int64_t>) override { return choice; }
    std::string lastWarning() const { return warnings.empty() ? std::string() : warnings.back(); }
    std::vector<std::string> warnings, informations;
    ChoiceAnswer choice = ChoiceAnswer::IgnoreThis;
};

}  // namespace zvl::bench
