#pragma once
// Pacing of the bytes zvl-sim writes: a serial line at 19200 bit/s with 8N1 framing carries
// ten bits per byte, 1920 bytes a second. A byte budget fills at that rate up to a small
// burst; every byte written spends one. Time is passed in (nanoseconds of a monotonic clock).

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace zvl::sim {

class LinePacer {
public:
    static constexpr double kBytesPerSecond19200 = 19200.0 / 10.0;

    explicit LinePacer(double bytesPerSecond = kBytesPerSecond19200, double burstBytes = 8)
        : rate_(bytesPerSecond / 1e9), burst_(std::max(1.0, burstBytes)) {}

    // Starts with a full budget at nowNs.
    void start(int64_t nowNs) {
        lastNs_ = nowNs;
        budget_ = burst_;
    }

    // Whole bytes that may be written at nowNs.
    size_t available(int64_t nowNs) {
        refill(nowNs);
        return size_t(budget_);
    }

    // Spends the budget of n bytes written (call after available()).
    void consume(size_t n) { budget_ = std::max(0.0, budget_ - double(n)); }

    // Nanoseconds from nowNs until n more bytes may be written (n is capped at the burst;
    // 0 when they may already).
    int64_t nsUntilAvailable(int64_t nowNs, size_t n = 1) {
        refill(nowNs);
        const double want = std::min(burst_, double(std::max<size_t>(n, 1)));
        if (budget_ >= want) return 0;
        return int64_t((want - budget_) / rate_) + 1;
    }
    double burst() const { return burst_; }

private:
    void refill(int64_t nowNs) {
        if (nowNs > lastNs_) {
            budget_ = std::min(burst_, budget_ + double(nowNs - lastNs_) * rate_);
            lastNs_ = nowNs;
        }
    }

    double rate_;   // bytes per nanosecond
    double burst_;  // largest budget
    double budget_ = 0;
    int64_t lastNs_ = 0;
};

}  // namespace zvl::sim
