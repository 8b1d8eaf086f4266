#pragma once
// The serial port over QSerialPort. Lives on the UI thread; the data-available handler runs
// from the event loop (directly from readyRead) and never nests.
//
// A device that goes away leaves QSerialPort open and raising errorOccurred (ReadError after
// a hang-up, ResourceError for EIO) as fast as the event loop turns. The port closes itself on
// the first of them, keeps what was received before, and reports the loss once, later, from
// the event loop.
//
// A line at 19200 bit/s brings a byte every half millisecond, and a pseudo-terminal or an
// on-board UART hands them over a few at a time: served as they come, a live recording at 320
// results a second wakes the program some 500 times a second, and the wake-ups cost more than
// the results. With a gather time set, the port's read notifier is held off for that long
// after each notification (never into the next second, see gatherWindowMs), so one wake-up
// takes several packets. The event loop runs on meanwhile: the window stays responsive.

#include <QObject>
#include <QPointer>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/serialport.h"

namespace zvl {

class QtSerialPort final : public SerialPort {
public:
    QtSerialPort();
    ~QtSerialPort() override;
    QtSerialPort(const QtSerialPort&) = delete;
    QtSerialPort& operator=(const QtSerialPort&) = delete;

    bool open(const std::string& devicePath) override;
    bool isOpen() const override;
    void close() override;
    std::string lastError() const override;

    int64_t bytesAvailable() const override;
    bool readByte(uint8_t& byte) override;
    void write(const std::vector<uint8_t>& bytes) override;

    void setDataAvailableHandler(std::function<void(int64_t)> handler) override;
    void setLostHandler(std::function<void(const std::string& reason)> handler) override;

    PortProbe probe(const std::string& devicePath) override;

    // 0 (the default) serves every notification at once; more holds the reads off for up to
    // that many milliseconds after each.
    void setGatherMs(int ms) override {
        gatherMs_ = ms;
        if (ms <= 0) {  // whatever waits is announced now
            gatherTimer_.stop();
            if (readNotifier_) readNotifier_->setEnabled(true);
        }
    }

private:
    void onReadyRead();
    void onError(QSerialPort::SerialPortError error);
    void lose(const std::string& reason);
    void reportLoss(uint64_t generation);
    void holdReadsOff();

    std::unique_ptr<QSerialPort> port_;
    std::function<void(int64_t)> handler_;
    std::function<void(const std::string&)> lostHandler_;
    std::string lastError_;
    bool inHandler_ = false;
    int64_t consumed_ = 0;     // bytes taken with readByte, counted to see what arrived meanwhile
    QByteArray leftOver_;      // received before a loss and not yet taken
    uint64_t generation_ = 0;  // counts opens and closes: a loss report of an earlier open is dropped
    bool lossDue_ = false;     // the loss is told once the data handler has returned
    int gatherMs_ = 0;
    QPointer<QSocketNotifier> readNotifier_;  // QSerialPort's own, found after each open
    QTimer gatherTimer_;                      // ends the hold-off
};

// The name QSerialPort should open for a device path: the path itself, or the target of a
// symlink (the COMn links point at a pseudo-terminal).
QString serialPortName(const std::string& devicePath);

}  // namespace zvl
