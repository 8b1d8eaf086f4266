#pragma once
// A timer of the main window. enable() leaves a running timer alone (it does not restart it);
// the upload's retry timer relies on that.

#include <functional>

namespace zvl {

class Timer {
public:
    virtual ~Timer() = default;
    virtual void enable() = 0;  // start unless already running
    virtual void disable() = 0;
    virtual bool isActive() const = 0;
    virtual void setInterval(int ms) = 0;  // a running timer keeps running with the new interval
    virtual int interval() const = 0;
    virtual void setHandler(std::function<void()> handler) = 0;
};

// The timers the main window owns.
struct MainTimers {
    Timer& startTimer;
    Timer& splashTimer;
    Timer& statusPollTimer;
    Timer& breakTimer;
    Timer& uploadRetryTimer;
    Timer& updateTimer;
    Timer& downloadStatusTimer;  // the binary download's byte counter and handshake wait
    Timer& journalTimer;         // the live recording's journal, written and synced once a second
};

}  // namespace zvl
