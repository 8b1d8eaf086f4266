#pragma once
// A repeating timer over QTimer. enable() leaves a running timer alone.

#include <QTimer>
#include <functional>

#include "platform/timer.h"

namespace zvl {

class QtTimer final : public Timer {
public:
    explicit QtTimer(int intervalMs = 0);
    void enable() override;
    void disable() override;
    bool isActive() const override;
    void setInterval(int ms) override;
    int interval() const override;
    void setHandler(std::function<void()> handler) override;

private:
    QTimer timer_;
    std::function<void()> handler_;
};

}  // namespace zvl
