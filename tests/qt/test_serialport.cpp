// QtSerialPort against a real pseudo-terminal: the test plays the instrument on the master.

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cerrno>
#include <cstring>

#include "pty.h"
#include "qt/qtserialport.h"

namespace zvl {
namespace {

using test::Pty;
using test::sequence;

constexpr int kWaitMs = 5000;  // upper bound for data to show up, not a speed requirement

class QtSerialPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.ok()) << "no pseudo-terminal";
        ASSERT_TRUE(port.open(pty.slavePath())) << port.lastError();
    }

    // A handler that takes every announced byte.
    void collectAll() {
        port.setDataAvailableHandler([this](int64_t n) {
            counts.push_back(n);
            for (int64_t i = 0; i < n; ++i) {
                uint8_t b = 0;
                if (!port.readByte(b)) {
                    ADD_FAILURE() << "announced byte " << i << " of " << n << " not readable";
                    return;
                }
                received.push_back(b);
            }
        });
    }

    bool waitForReceived(size_t n) {
        return QTest::qWaitFor([&] { return received.size() >= n; }, kWaitMs);
    }

    Pty pty;
    QtSerialPort port;
    std::vector<uint8_t> received;
    std::vector<int64_t> counts;
};

TEST_F(QtSerialPortTest, OpensWithTheInstrumentsLineSettings) {
    EXPECT_TRUE(port.isOpen());
    termios tio{};
    ASSERT_EQ(tcgetattr(pty.slaveFd(), &tio), 0);
    EXPECT_EQ(cfgetispeed(&tio), speed_t(B19200));
    EXPECT_EQ(cfgetospeed(&tio), speed_t(B19200));
    EXPECT_EQ(tio.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_EQ(tio.c_cflag & PARENB, 0u);
    EXPECT_EQ(tio.c_cflag & CSTOPB, 0u);
    EXPECT_EQ(tio.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), 0u);
}

TEST_F(QtSerialPortTest, BytesFromTheInstrumentReachTheHandlerWithTheirCount) {
    collectAll();
    const std::vector<uint8_t> sent{0x00, 0x11, 0xFF, 0x0D, 0x0A, 0x13, 0x7F};
    ASSERT_TRUE(pty.writeMaster(sent));
    ASSERT_TRUE(waitForReceived(sent.size()));
    QTest::qWait(50);  // nothing extra follows
    EXPECT_EQ(received, sent);
    int64_t total = 0;
    for (int64_t c : counts) {
        EXPECT_GT(c, 0) << "the handler is only called with bytes waiting";
        total += c;
    }
    EXPECT_EQ(total, int64_t(sent.size()));
    EXPECT_EQ(port.bytesAvailable(), 0);
}

TEST_F(QtSerialPortTest, ReadByteWithNothingWaitingFails) {
    uint8_t b = 0xAA;
    EXPECT_EQ(port.bytesAvailable(), 0);
    EXPECT_FALSE(port.readByte(b));
}

TEST_F(QtSerialPortTest, MoreThanTheReadBufferArrivesCompleteAndInOrder) {
    collectAll();
    const auto sent = sequence(10000);
    ASSERT_TRUE(pty.writeMaster(sent));
    ASSERT_TRUE(waitForReceived(sent.size())) << "got " << received.size();
    EXPECT_EQ(received, sent);
}

// With a gather time the reads are held off after each notification: bytes trickling in (one
// every 2 ms, as a slow line brings them) come in a few calls, and none is lost or held back,
// a block larger than the read buffer included.
TEST_F(QtSerialPortTest, AGatherTimeTakesTrickledBytesInFewCallsAndLosesNone) {
    port.setGatherMs(100);
    collectAll();
    const auto trickled = sequence(20);
    size_t next = 0;
    QElapsedTimer trickling;
    QTimer writer;
    writer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&writer, &QTimer::timeout, [&] {
        if (next == 0) trickling.start();
        if (next < trickled.size() && !pty.writeMaster({trickled[next++]})) ADD_FAILURE() << "write";
        if (next == trickled.size()) writer.stop();
    });
    writer.start(2);
    ASSERT_TRUE(waitForReceived(trickled.size())) << "got " << received.size();
    EXPECT_EQ(received, trickled);
    // About 40 ms of bytes (more on a busy machine): the first call, one after each hold-off,
    // and one more where a second ends.
    EXPECT_LE(counts.size(), size_t(2 + trickling.elapsed() / 100 + 1)) << trickling.elapsed() << " ms";

    const auto block = sequence(10000, 20);
    ASSERT_TRUE(pty.writeMaster(block));
    ASSERT_TRUE(waitForReceived(trickled.size() + block.size())) << "got " << received.size();
    EXPECT_EQ(std::vector<uint8_t>(received.begin() + long(trickled.size()), received.end()), block);
}

TEST_F(QtSerialPortTest, WrittenBytesReachTheInstrumentWithoutTheEventLoop) {
    const std::vector<uint8_t> small{0x02, 0x00, 0xFF, 'A', 0x0D};
    port.write(small);
    EXPECT_EQ(pty.readMaster(small.size(), kWaitMs), small);

    // A larger block, read while no Qt event is served.
    const auto block = sequence(1000, 7);
    port.write(block);
    EXPECT_EQ(pty.readMaster(block.size(), kWaitMs), block);
}

TEST_F(QtSerialPortTest, HandlerIsNotReenteredAndBytesArrivingMeanwhileAreAnnouncedAfterwards) {
    const auto first = sequence(20);
    const auto second = sequence(30, 20);
    int depth = 0, maxDepth = 0, calls = 0;
    bool secondBuffered = false;
    port.setDataAvailableHandler([&](int64_t n) {
        ++calls;
        ++depth;
        maxDepth = std::max(maxDepth, depth);
        for (int64_t i = 0; i < n; ++i) {
            uint8_t b = 0;
            if (port.readByte(b)) received.push_back(b);
        }
        if (calls == 1) {
            // Like a modal box or a message-processing wait: the loop runs inside the handler
            // while the instrument sends more.
            if (!pty.writeMaster(second)) ADD_FAILURE() << "writing the second batch";
            secondBuffered =
                QTest::qWaitFor([&] { return port.bytesAvailable() >= int64_t(second.size()); }, kWaitMs);
            QTest::qWait(50);
        }
        --depth;
    });
    ASSERT_TRUE(pty.writeMaster(first));
    ASSERT_TRUE(QTest::qWaitFor([&] { return calls >= 1; }, kWaitMs));
    // Wait for the whole first batch, in case it came in pieces.
    std::vector<uint8_t> all = first;
    all.insert(all.end(), second.begin(), second.end());
    ASSERT_TRUE(waitForReceived(all.size())) << "received " << received.size() << " of " << all.size();
    EXPECT_TRUE(secondBuffered);
    EXPECT_EQ(maxDepth, 1) << "the handler was re-entered";
    EXPECT_EQ(received, all);
    QTest::qWait(50);
    EXPECT_EQ(received.size(), all.size()) << "a byte was delivered twice";
}

TEST_F(QtSerialPortTest, BytesLeftUnreadAreNotAnnouncedAgainUntilMoreArrive) {
    // The handler leaves the bytes waiting; no busy loop of repeated notifications.
    int calls = 0;
    int64_t lastCount = 0;
    port.setDataAvailableHandler([&](int64_t n) {
        ++calls;
        lastCount = n;
    });
    ASSERT_TRUE(pty.writeMaster({1, 2, 3}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return port.bytesAvailable() == 3 && calls >= 1; }, kWaitMs));
    const int settled = calls;
    QTest::qWait(150);
    EXPECT_EQ(calls, settled);
    ASSERT_TRUE(pty.writeMaster({4, 5}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return calls > settled && lastCount == 5; }, kWaitMs));
    EXPECT_EQ(port.bytesAvailable(), 5);
}

TEST_F(QtSerialPortTest, AHungUpLineIsToldOnceAfterTheBytesThatCameBeforeIt) {
    // The handler is busy (a modal box) while the last bytes come and the far end goes away:
    // those bytes still reach it, then the loss is told once, and the port is closed.
    const auto first = sequence(10);
    const auto last = sequence(20, 10);
    std::vector<std::string> losses;
    bool toldInsideTheHandler = false;
    int calls = 0;
    port.setLostHandler([&](const std::string& reason) { losses.push_back(reason); });
    port.setDataAvailableHandler([&](int64_t n) {
        ++calls;
        for (uint8_t b = 0; n-- > 0 && port.readByte(b);) received.push_back(b);
        if (calls == 1) {
            if (!pty.writeMaster(last)) ADD_FAILURE() << "writing the last bytes";
            if (!QTest::qWaitFor([&] { return port.bytesAvailable() >= int64_t(last.size()); }, kWaitMs))
                ADD_FAILURE() << "the last bytes did not arrive";
            pty.closeMaster();
            QTest::qWait(100);
            toldInsideTheHandler = !losses.empty();
        }
    });
    ASSERT_TRUE(pty.writeMaster(first));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !losses.empty(); }, kWaitMs));
    EXPECT_FALSE(toldInsideTheHandler);
    std::vector<uint8_t> all = first;
    all.insert(all.end(), last.begin(), last.end());
    EXPECT_EQ(received, all);
    EXPECT_FALSE(port.isOpen());
    port.write({0x15});  // goes nowhere
    QTest::qWait(100);
    EXPECT_EQ(losses, std::vector<std::string>{std::strerror(EIO)});
}

TEST(QtSerialPort, ALossIsNamedByTheHangUpNotByTheTextOfAnEarlierCall) {
    // A read after the hang-up returns nothing and sets no error of its own: the error text
    // Qt takes then is whatever an earlier call left behind (a busy non-blocking call, a
    // closed descriptor). The loss is named by what the line itself now answers.
    for (const int stale : {EAGAIN, EBADF}) {
        Pty gone;
        ASSERT_TRUE(gone.ok());
        QtSerialPort port;
        ASSERT_TRUE(port.open(gone.slavePath())) << port.lastError();
        std::vector<std::string> losses;
        port.setLostHandler([&](const std::string& reason) { losses.push_back(reason); });
        gone.closeMaster();
        errno = stale;
        ASSERT_TRUE(QTest::qWaitFor([&] { return !losses.empty(); }, kWaitMs));
        EXPECT_EQ(losses, std::vector<std::string>{std::strerror(EIO)}) << std::strerror(stale);
    }
}

TEST(QtSerialPort, AWriteIntoAHungUpLineClosesThePortAndItOpensAgainLater) {
    Pty gone;
    ASSERT_TRUE(gone.ok());
    QtSerialPort port;
    ASSERT_TRUE(port.open(gone.slavePath())) << port.lastError();
    std::vector<std::string> losses;
    port.setLostHandler([&](const std::string& reason) { losses.push_back(reason); });
    gone.closeMaster();
    port.write({0x15});  // before the event loop has seen the hang-up
    EXPECT_FALSE(port.isOpen());
    EXPECT_TRUE(losses.empty()) << "told from the event loop, not inside the write";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !losses.empty(); }, kWaitMs));
    EXPECT_EQ(losses, std::vector<std::string>{std::strerror(EIO)});

    // The device is back: the port opens, carries bytes, and the old loss is not told again.
    Pty back;
    ASSERT_TRUE(back.ok());
    ASSERT_TRUE(port.open(back.slavePath())) << port.lastError();
    port.write({0x42});
    EXPECT_EQ(back.readMaster(1, kWaitMs), std::vector<uint8_t>{0x42});
    QTest::qWait(100);
    EXPECT_EQ(losses.size(), 1u);
}

TEST_F(QtSerialPortTest, CloseStopsDelivery) {
    collectAll();
    port.close();
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.bytesAvailable(), 0);
    ASSERT_TRUE(pty.writeMaster({1, 2, 3}));
    QTest::qWait(100);
    EXPECT_TRUE(received.empty());
}

TEST_F(QtSerialPortTest, ProbeSeesTheOpenPortAsBusy) {
    EXPECT_EQ(port.probe(pty.slavePath()), PortProbe::Busy);
    port.close();
    EXPECT_EQ(port.probe(pty.slavePath()), PortProbe::Available);
}

TEST(QtSerialPort, OpenOfAMissingDeviceFailsWithAReason) {
    QtSerialPort port;
    EXPECT_FALSE(port.open("/dev/zvl-no-such-device"));
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(port.lastError().empty());
}

TEST(QtSerialPort, ProbeTellsAvailableFromAbsent) {
    Pty pty;
    ASSERT_TRUE(pty.ok());
    QtSerialPort port;
    EXPECT_EQ(port.probe(pty.slavePath()), PortProbe::Available);
    EXPECT_FALSE(port.isOpen()) << "probing does not leave the port open";
    EXPECT_EQ(port.probe("/dev/zvl-no-such-device"), PortProbe::Absent);
    // The probe closed the device again: it can be opened for real.
    EXPECT_TRUE(port.open(pty.slavePath())) << port.lastError();
}

TEST(QtSerialPort, ProbeTellsADeviceThisUserMayNotOpenFromABusyOne) {
    Pty pty;
    ASSERT_TRUE(pty.ok());
    // The probe runs in a child that has no right to the device: root gives root up, any
    // other user takes the device's modes away.
    const char* path = pty.slavePath().c_str();
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const bool root = ::geteuid() == 0;
        if (root ? ::setgroups(0, nullptr) || ::setgid(65534) || ::setuid(65534) : ::chmod(path, 0))
            ::_exit(100);
        ::_exit(int(QtSerialPort().probe(path)));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_EQ(WEXITSTATUS(status), int(PortProbe::NoAccess));
}

TEST(QtSerialPort, OpensThroughASymlinkLikeTheComLinks) {
    Pty pty;
    ASSERT_TRUE(pty.ok());
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("COM3"));
    ASSERT_TRUE(QFile::link(QString::fromStdString(pty.slavePath()), link));
    QtSerialPort port;
    ASSERT_TRUE(port.open(link.toStdString())) << port.lastError();
    std::vector<uint8_t> received;
    port.setDataAvailableHandler([&](int64_t n) {
        for (uint8_t b = 0; n-- > 0 && port.readByte(b);) received.push_back(b);
    });
    ASSERT_TRUE(pty.writeMaster({0x42}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return received == std::vector<uint8_t>{0x42}; }, kWaitMs));
    port.write({0x43});
    EXPECT_EQ(pty.readMaster(1, kWaitMs), std::vector<uint8_t>{0x43});
}

}  // namespace
}  // namespace zvl
