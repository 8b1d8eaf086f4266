#pragma once
// The serial port over QSerialPort. Lives on the UI thread; the data-available handler runs
// from the event loop (directly from readyRead) and never nests.

#include <QObject>
#include <QSerialPort>

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

    PortProbe probe(const std::string& devicePath) override;

private:
    void onReadyRead();

    std::unique_ptr<QSerialPort> port_;
    std::function<void(int64_t)> handler_;
    std::string lastError_;
    bool inHandler_ = false;
    int64_t consumed_ = 0;  // bytes taken with readByte, counted to see what arrived meanwhile
};

// The name QSerialPort should open for a device path: the path itself, or the target of a
// symlink (the COMn links point at a pseudo-terminal).
QString serialPortName(const std::string& devicePath);

}  // namespace zvl
