#include "platform/qt/qtserialport.h"

#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace zvl {

namespace {

constexpr qint64 kReadBufferSize = 4096;
constexpr int kWriteWaitMs = 100;

bool configure(QSerialPort& port) {
    return port.setBaudRate(QSerialPort::Baud19200) && port.setDataBits(QSerialPort::Data8) &&
           port.setParity(QSerialPort::NoParity) && port.setStopBits(QSerialPort::OneStop) &&
           port.setFlowControl(QSerialPort::NoFlowControl);
}

}  // namespace

QString serialPortName(const std::string& devicePath) {
    const QString path = QString::fromStdString(devicePath);
    const QFileInfo info(path);
    if (info.isSymLink()) {
        const QString target = info.canonicalFilePath();
        if (!target.isEmpty()) return target;
    }
    return path;
}

QtSerialPort::QtSerialPort() : port_(std::make_unique<QSerialPort>()) {
    QObject::connect(port_.get(), &QSerialPort::readyRead, port_.get(), [this] { onReadyRead(); });
}

QtSerialPort::~QtSerialPort() {
    // No handler calls while tearing down.
    handler_ = nullptr;
    if (port_->isOpen()) port_->close();
}

bool QtSerialPort::open(const std::string& devicePath) {
    if (port_->isOpen()) port_->close();
    lastError_.clear();
    port_->setPortName(serialPortName(devicePath));
    if (!port_->open(QIODevice::ReadWrite)) {
        lastError_ = port_->errorString().toStdString();
        return false;
    }
    if (!configure(*port_)) {
        lastError_ = port_->errorString().toStdString();
        port_->close();
        return false;
    }
    port_->setReadBufferSize(kReadBufferSize);
    port_->setDataTerminalReady(true);
    port_->setRequestToSend(true);
    port_->clearError();
    return true;
}

bool QtSerialPort::isOpen() const { return port_->isOpen(); }

void QtSerialPort::close() {
    if (port_->isOpen()) port_->close();
}

std::string QtSerialPort::lastError() const { return lastError_; }

int64_t QtSerialPort::bytesAvailable() const { return port_->isOpen() ? port_->bytesAvailable() : 0; }

bool QtSerialPort::readByte(uint8_t& byte) {
    if (!port_->isOpen() || port_->bytesAvailable() <= 0) return false;
    char c = 0;
    if (!port_->getChar(&c)) return false;
    byte = static_cast<uint8_t>(c);
    ++consumed_;
    return true;
}

void QtSerialPort::write(const std::vector<uint8_t>& bytes) {
    if (!port_->isOpen() || bytes.empty()) return;
    const qint64 n = port_->write(reinterpret_cast<const char*>(bytes.data()),
                                  static_cast<qint64>(bytes.size()));
    if (n < 0) {
        lastError_ = port_->errorString().toStdString();
        return;
    }
    // Hand the bytes to the device now: the caller may go on to block (sleepUntil) without
    // serving the event loop that would otherwise write them out.
    port_->flush();
    if (port_->bytesToWrite() > 0) port_->waitForBytesWritten(kWriteWaitMs);
}

void QtSerialPort::setDataAvailableHandler(std::function<void(int64_t)> handler) {
    handler_ = std::move(handler);
}

void QtSerialPort::onReadyRead() {
    // The handler may open a modal box or run a message-processing wait, so this slot can be
    // reached again while it runs; bytes arriving then are announced once it has returned.
    if (inHandler_) return;
    inHandler_ = true;
    for (;;) {
        if (!handler_ || !port_->isOpen()) break;
        const int64_t before = port_->bytesAvailable();
        if (before <= 0) break;
        consumed_ = 0;
        auto handler = handler_;  // the handler may replace itself
        handler(before);
        if (!port_->isOpen()) break;
        const int64_t after = port_->bytesAvailable();
        // What is waiting now beyond what the handler left over arrived during the call.
        const int64_t leftOver = before - consumed_;
        if (after <= 0 || after <= leftOver) break;
    }
    inHandler_ = false;
}

PortProbe QtSerialPort::probe(const std::string& devicePath) {
    // A device that exists but that this user may not read and write (on Debian, a serial
    // port for the dialout group's members) is not busy: no other program holds it, and no
    // later attempt would open it.
    if (::faccessat(AT_FDCWD, devicePath.c_str(), F_OK, AT_EACCESS) == 0 &&
        ::faccessat(AT_FDCWD, devicePath.c_str(), R_OK | W_OK, AT_EACCESS) != 0 && errno == EACCES)
        return PortProbe::NoAccess;
    QSerialPort trial;
    trial.setPortName(serialPortName(devicePath));
    if (trial.open(QIODevice::ReadWrite)) {
        trial.close();
        return PortProbe::Available;
    }
    if (trial.error() == QSerialPort::PermissionError) return PortProbe::Busy;
    const QString reason = trial.errorString();
    if (reason.contains(QLatin1String("busy"), Qt::CaseInsensitive) ||
        reason.contains(QLatin1String("locked"), Qt::CaseInsensitive))
        return PortProbe::Busy;
    return PortProbe::Absent;
}

}  // namespace zvl
