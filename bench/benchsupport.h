#pragma once
// Stand-ins for the platform in the benchmarks: a clock that stands still, waits and timers
// that do nothing, and prompts that answer at once and keep the messages.

#include <string>
#include <vector>

#include "core/timerules.h"
#include "platform/clock.h"
#include "platform/prompts.h"
#include "platform/timer.h"

namespace zvl::bench {

class StillClock : public Clock {
public:
    LocalDateTime now() const override { return at; }
    int64_t milliseconds() const override { return 0; }
    LocalDateTime at{2026, 12, 7, 12, 0, 0, 0};
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

class QuietPrompts : public Prompts {
public:
    void warning(const std::string& text) override { warnings.push_back(text); }
    void information(const std::string& text) override { informations.push_back(text); }
    bool confirm(const std::string&) override { return false; }
    std::string inputBox(const std::string&, const std::string&, const std::string& d) override { return d; }
    void setBusyCursor(bool) override {}
    std::optional<int> selectPort(const std::vector<int>&, const std::string&) override { return std::nullopt; }
    ChoiceAnswer choiceBox(const std::string&, std::optional<int64_t>) override { return choice; }
    std::string lastWarning() const { return warnings.empty() ? std::string() : warnings.back(); }
    std::vector<std::string> warnings, informations;
    ChoiceAnswer choice = ChoiceAnswer::IgnoreThis;
};

}  // namespace zvl::bench
