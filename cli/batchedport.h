#pragma once
// The serial port of a live command (collect, log), taken in batches. A line at 19200 bit/s
// brings a byte every half millisecond, and a pseudo-terminal or an on-board UART hands them
// over a few at a time: served as they come, the tool would wake some 500 times a second for
// 320 results, and the wake-ups, not the results, would be most of its CPU time. After each
// notification the port lets the bytes of the next few milliseconds gather, as a USB serial
// adapter's latency timer does, so one wake-up takes several packets. The tool has no window
// to keep responsive; a signal or a timer waits at most that long. Results are stamped with the
// second they are read in, so the gathering never runs into the next second: a byte that came
// in this second is read in this second.

#include <chrono>
#include <thread>

#include "platform/serialport.h"

namespace zvl::cli {

class BatchedPort final : public SerialPort {
public:
    explicit BatchedPort(SerialPort& port) : port_(port) {}

    // 0 (the default) serves every notification at once; more gathers the bytes of that many
    // milliseconds after each.
    void setGatherMs(int ms) override { gatherMs_ = ms; }

    bool open(const std::string& devicePath) override { return port_.open(devicePath); }
    bool isOpen() const override { return port_.isOpen(); }
    void close() override { port_.close(); }
    std::string lastError() const override { return port_.lastError(); }
    int64_t bytesAvailable() const override { return port_.bytesAvailable(); }
    bool readByte(uint8_t& byte) override { return port_.readByte(byte); }
    void write(const std::vector<uint8_t>& bytes) override { port_.write(bytes); }
    void setDataAvailableHandler(std::function<void(int64_t)> handler) override {
        if (!handler) {
            port_.setDataAvailableHandler({});
            return;
        }
        port_.setDataAvailableHandler([this, handler = std::move(handler)](int64_t count) {
            handler(count);
            if (gatherMs_ > 0 && port_.isOpen()) gather();
        });
    }
    void setLostHandler(std::function<void(const std::string&)> handler) override {
        port_.setLostHandler(std::move(handler));
    }
    PortProbe probe(const std::string& devicePath) override { return port_.probe(devicePath); }

private:
    void gather() {
        const int ms = gatherWindowMsNow(gatherMs_);
        if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
    SerialPort& port_;
    int gatherMs_ = 0;
};

}  // namespace zvl::cli
