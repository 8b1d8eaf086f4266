#include "qt/qtserialport.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <QFileInfo>
#include <QMetaObject>
#include <cerrno>
#include <cstring>

namespace zvl {

namespace {

constexpr qint64 kReadBufferSize = 4096;
constexpr int kWriteWaitMs = 100;

bool configure(QSerialPort& port) {
    return port.setBaudRate(QSerialPort::Baud19200) && port.setDataBits(QSerialPort::Data8) &&
           port.setParity(QSerialPort::NoParity) && port.setStopBits(QSerialPort::OneStop) &&
           port.setFlowControl(QSerialPort::NoFlowControl);
}

// Whether the line behind the descriptor has hung up or failed: the state every further read
// and write on it will meet.
bool lineHungUp(int fd) {
    if (fd < 0) return false;
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
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
    QObject::connect(port_.get(), &QSerialPort::errorOccurred, port_.get(),
                     [this](QSerialPort::SerialPortError error) { onError(error); });
    gatherTimer_.setSingleShot(true);
    gatherTimer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&gatherTimer_, &QTimer::timeout, [this] {
        if (readNotifier_) readNotifier_->setEnabled(true);
    });
}

QtSerialPort::~QtSerialPort() {
    // No handler calls while tearing down.
    handler_ = nullptr;
    lostHandler_ = nullptr;
    if (port_->isOpen()) port_->close();
}

bool QtSerialPort::open(const std::string& devicePath) {
    close();
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
    // QSerialPort reads through a socket notifier of its own, a child made at open (and
    // deleted at close).
    readNotifier_ = nullptr;
    for (QSocketNotifier* n : port_->findChildren<QSocketNotifier*>())
        if (n->type() == QSocketNotifier::Read) readNotifier_ = n;
    return true;
}

bool QtSerialPort::isOpen() const {
    return port_->isOpen();
}

void QtSerialPort::close() {
    ++generation_;
    leftOver_.clear();
    lossDue_ = false;
    gatherTimer_.stop();
    readNotifier_ = nullptr;
    if (port_->isOpen()) port_->close();
}

std::string QtSerialPort::lastError() const {
    return lastError_;
}

int64_t QtSerialPort::bytesAvailable() const {
    return port_->isOpen() ? port_->bytesAvailable() : int64_t(leftOver_.size());
}

bool QtSerialPort::readByte(uint8_t& byte) {
    char c = 0;
    if (port_->isOpen()) {
        if (port_->bytesAvailable() <= 0 || !port_->getChar(&c)) return false;
    } else {
        if (leftOver_.isEmpty()) return false;
        c = leftOver_.front();
        leftOver_.remove(0, 1);
    }
    byte = static_cast<uint8_t>(c);
    ++consumed_;
    return true;
}

void QtSerialPort::write(const std::vector<uint8_t>& bytes) {
    if (!port_->isOpen() || bytes.empty()) return;
    const qint64 n =
        port_->write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    if (n < 0) {
        lastError_ = port_->errorString().toStdString();
        return;
    }
    // Hand the bytes to the device now: the caller may go on to block (sleepUntil) without
    // serving the event loop that would otherwise write them out. A write into a line that has
    // gone away fails here, and the port closes itself.
    port_->flush();
    if (port_->isOpen() && port_->bytesToWrite() > 0) port_->waitForBytesWritten(kWriteWaitMs);
}

void QtSerialPort::setDataAvailableHandler(std::function<void(int64_t)> handler) {
    handler_ = std::move(handler);
}

void QtSerialPort::setLostHandler(std::function<void(const std::string&)> handler) {
    lostHandler_ = std::move(handler);
}

void QtSerialPort::onError(QSerialPort::SerialPortError error) {
    if (error == QSerialPort::NoError || !port_->isOpen()) return;
    const bool hungUp = lineHungUp(int(port_->handle()));
    // Anything else (a setting the device refuses, one failed write on a line that is still
    // there) leaves the port as it is.
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError && !hungUp) return;
    // A read after a hang-up returns 0 bytes and sets no error code of its own, so the text
    // Qt gives is that of some earlier call, left in errno ("Resource temporarily
    // unavailable", "Bad file descriptor"; Qt then even calls it a ResourceError). Every
    // further read or write on a hung-up line fails with EIO, and that is what the user is told.
    lose(hungUp ? std::string(std::strerror(EIO)) : port_->errorString().toStdString());
}

void QtSerialPort::lose(const std::string& reason) {
    lastError_ = reason;
    // Bytes that arrived before the loss and wait in the port still go to the data handler.
    leftOver_ += port_->readAll();
    // Closing ends the socket notifiers, so the errors stop at once.
    port_->close();
    // Told from the event loop: the loss may have been met inside a write, in the middle of a
    // handler that must not be entered again.
    QMetaObject::invokeMethod(
        port_.get(), [this, generation = generation_] { reportLoss(generation); }, Qt::QueuedConnection);
}

void QtSerialPort::reportLoss(uint64_t generation) {
    if (generation != generation_) return;  // closed or opened again since
    lossDue_ = true;
    // Inside a running data handler (a modal box, a message-processing wait) the report waits
    // until the handler has returned and taken the bytes received before the loss.
    if (!inHandler_) onReadyRead();
}

void QtSerialPort::onReadyRead() {
    // The handler may open a modal box or run a message-processing wait, so this slot can be
    // reached again while it runs; bytes arriving then are announced once it has returned.
    if (inHandler_) return;
    inHandler_ = true;
    for (;;) {
        if (!handler_) break;
        const int64_t before = bytesAvailable();
        if (before <= 0) break;
        consumed_ = 0;
        auto handler = handler_;  // the handler may replace itself
        handler(before);
        const int64_t after = bytesAvailable();
        // What is waiting now beyond what the handler left over arrived during the call.
        const int64_t untaken = before - consumed_;
        if (after <= 0 || after <= untaken) break;
    }
    inHandler_ = false;
    holdReadsOff();
    if (lossDue_) {
        lossDue_ = false;
        if (lostHandler_) {
            auto lost = lostHandler_;
            lost(lastError_);
        }
    }
}

void QtSerialPort::holdReadsOff() {
    if (gatherMs_ <= 0 || !readNotifier_ || !port_->isOpen()) return;
    const int ms = gatherWindowMsNow(gatherMs_);
    if (ms <= 0) return;
    readNotifier_->setEnabled(false);
    gatherTimer_.start(ms);
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
