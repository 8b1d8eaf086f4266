#pragma once
// The serial port as the rest of the program sees it. The implementation opens the port with
// the fixed line settings (19200 bit/s, 8N1, no flow control, DTR and RTS asserted, 4096-byte
// buffers) and raises the data-available notification on the UI thread.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zvl {

// Busy: another program holds the device. NoAccess: the device exists but this user may not
// open it for reading and writing.
enum class PortProbe { Available, Busy, NoAccess, Absent };

class SerialPort {
public:
    virtual ~SerialPort() = default;

    // Open a device by path (a COMn name is mapped by comPortPath first). False on failure,
    // with the reason in lastError().
    virtual bool open(const std::string& devicePath) = 0;
    virtual bool isOpen() const = 0;
    virtual void close() = 0;
    virtual std::string lastError() const = 0;

    // Number of received bytes waiting.
    virtual int64_t bytesAvailable() const = 0;
    // Read one waiting byte; false when none is waiting.
    virtual bool readByte(uint8_t& byte) = 0;
    // Write bytes in one write.
    virtual void write(const std::vector<uint8_t>& bytes) = 0;

    // Handler of the data-available notification: called with the number of waiting bytes.
    // It is never called again while it is still running; bytes that arrive meanwhile are
    // announced when it returns.
    virtual void setDataAvailableHandler(std::function<void(int64_t)> handler) = 0;

    // Handler of a lost device (a USB adapter pulled, the far end of a pseudo-terminal
    // closed): called once per open, from the event loop and never from inside another call
    // on the port, with the system's error text. By then the port has closed itself, so
    // nothing more is read or written; bytes received before the loss have been announced
    // to the data-available handler first.
    virtual void setLostHandler(std::function<void(const std::string& reason)> handler) = 0;

    // Whether the device could be opened for reading and writing right now.
    virtual PortProbe probe(const std::string& devicePath) = 0;

    // A port that can let its bytes gather after each notification does so for up to ms
    // milliseconds (see gatherWindowMs); 0 serves every notification at once.
    virtual void setGatherMs(int ms) { (void)ms; }
};

// A port that lets its bytes gather for gatherMs after each notification (so that one wake-up
// takes several packets, as a USB serial adapter's latency timer does) gathers for this long
// msIntoSecond into the wall clock's second: at most gatherMs, and ending 2 ms before the time
// stamp changes. A result is stamped with the PC's time rounded to the nearest second, which
// changes at each half second, so bytes that came in before it are read before it and get the
// stamp of the moment they arrived, however long the gathering.
inline int gatherWindowMs(int gatherMs, int msIntoSecond) {
    constexpr int kStampMarginMs = 2;
    const int nextStampChange = msIntoSecond < 500 ? 500 : 1500;
    return std::max(0, std::min(gatherMs, nextStampChange - kStampMarginMs - msIntoSecond));
}
inline int gatherWindowMsNow(int gatherMs) {
    const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    return gatherWindowMs(
        gatherMs, int(std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count() % 1000));
}

}  // namespace zvl
