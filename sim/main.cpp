// zvl-sim: an instrument on a pseudo-terminal, linked as COMn for the PC software.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "core/timerules.h"
#include "core/version.h"
#include "platform/comports.h"
#include "sim/engine.h"
#include "sim/imagesender.h"
#include "sim/options.h"
#include "sim/pacer.h"
#include "sim/pty.h"

namespace {

volatile sig_atomic_t gStop = 0;
int gWakePipe[2] = {-1, -1};

void onSignal(int) {
    gStop = 1;
    const int saved = errno;
    const char c = 0;
    [[maybe_unused]] ssize_t n = ::write(gWakePipe[1], &c, 1);
    errno = saved;
}

bool installSignals() {
    if (::pipe(gWakePipe) != 0) return false;
    for (int fd : gWakePipe) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;  // no SA_RESTART: a signal should end poll() at once
    for (int s : {SIGINT, SIGTERM, SIGHUP})
        if (::sigaction(s, &sa, nullptr) != 0) return false;
    ::signal(SIGPIPE, SIG_IGN);
    return true;
}

int64_t monotonicNs() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// The PC's local wall time now as seconds since 2000-01-01 00:00:00, kept within the 31 bits
// the instrument's clock has.
uint32_t localClockNow() {
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    ::localtime_r(&ts.tv_sec, &local);
    zvl::LocalDateTime dt;
    dt.year = local.tm_year + 1900;
    dt.month = local.tm_mon + 1;
    dt.day = local.tm_mday;
    dt.hour = local.tm_hour;
    dt.minute = local.tm_min;
    dt.second = std::min(local.tm_sec, 59);
    dt.millisecond = int(ts.tv_nsec / 1000000);
    const int64_t t = zvl::timeStampFromDateTime(dt);
    if (t < 0) return 0;
    return uint32_t(std::min<int64_t>(t, 0x7FFFFFFF));
}

std::string hexByte(unsigned v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", v & 0xFF);
    return buf;
}

void logCommand(const zvl::sim::InstrumentEngine::Command& c) {
    const char* what = "";
    switch (c.code) {
        case 0x20:
            what = " (status: options)";
            break;
        case 0x21:
            what = " (status: firmware)";
            break;
        case 0x22:
            what = " (status: clock)";
            break;
        case 0x23:
            what = " (status: serial number)";
            break;
        case 0x30:
            what = " (write options)";
            break;
        case 0x31:
            what = " (set clock)";
            break;
        case 0x40:
            what = " (start live results)";
            break;
        case 0x41:
            what = " (stop)";
            break;
        case 0x42:
            what = " (memory upload)";
            break;
        case 0x43:
            what = " (memory image by ZMODEM)";
            break;
        default:
            what = " (unknown)";
            break;
    }
    std::fprintf(stderr, "zvl-sim: command %s value %u (0x%08X)%s\n", hexByte(c.code).c_str(),
                 unsigned(c.value), unsigned(c.value), what);
}

// The line between the engine and the pseudo-terminal: the output waiting for the line, the
// pacing, the PC's bytes and sz while it sends the memory image.
class LineLoop {
public:
    LineLoop(const zvl::sim::ProgramOptions& opts, zvl::sim::InstrumentEngine& engine, int master,
             int64_t startNs)
        : opts_(opts),
          engine_(engine),
          master_(master),
          startNs_(startNs),
          kLowWater(opts.paced ? 256 : 65536) {
        pacer_.start(startNs);
    }

    // Runs until a signal or a failure; the program's exit status.
    int run() {
        while (!gStop) {
            produce();
            if (!writePending()) return 1;
            pollfd fds[3];
            const int ready = wait(fds);
            if (ready < 0) {
                if (errno == EINTR) continue;
                std::fprintf(stderr, "zvl-sim: poll: %s\n", std::strerror(errno));
                return 1;
            }
            lineDown_ = false;  // look again; a hang-up shows up at once if it is still there
            if (fds[1].revents & POLLOUT) writeBlocked_ = false;
            if ((fds[1].revents & (POLLIN | POLLHUP | POLLERR)) && !readLine()) return 1;
            if (sender_ && (fds[2].revents & (POLLIN | POLLHUP | POLLERR))) readSender();
            // The PC has gone: nobody will answer sz, so the image ends now instead of timing out.
            if (sender_ && lineDown_) endImage("the PC closed the line");
            if (fds[0].revents & POLLIN) {
                char drain[16];
                while (::read(gWakePipe[0], drain, sizeof drain) > 0) {
                }
            }
        }
        return 0;
    }

private:
    int64_t engineMs() const { return (monotonicNs() - startNs_) / 1000000; }
    size_t waiting() const { return pending_.size() - pendingPos_; }

    void append(const uint8_t* bytes, size_t n) {
        if (pendingPos_ > 0) {
            pending_.erase(pending_.begin(), pending_.begin() + ptrdiff_t(pendingPos_));
            pendingPos_ = 0;
        }
        pending_.insert(pending_.end(), bytes, bytes + n);
    }

    // Stream events and answers into the pending output. While more than a little is
    // waiting, the stream events that fall due are dropped (engine.skip) instead of queued: a
    // line slower than the stream then runs at most a fraction of a second behind, and a stop
    // command is not followed by seconds of old results. Answers to commands are always queued.
    void produce() {
        const int64_t now = engineMs();
        if (waiting() < kLowWater)
            engine_.tick(now);
        else
            engine_.skip(now);
        if (engine_.hasOutput()) {
            const std::vector<uint8_t> out = engine_.takeOutput();
            append(out.data(), out.size());
        }
    }

    // Write what the pacing allows; false on a failure that ends the program.
    bool writePending() {
        if (waiting() == 0 || writeBlocked_ || lineDown_) return true;
        size_t n = waiting();
        if (opts_.paced) n = std::min(n, pacer_.available(monotonicNs()));
        if (n > 0) {
            const ssize_t w = ::write(master_, pending_.data() + pendingPos_, n);
            if (w > 0) {
                pendingPos_ += size_t(w);
                if (opts_.paced) pacer_.consume(size_t(w));
            } else if (w < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                writeBlocked_ = true;
            } else if (w < 0 && errno == EIO) {
                lineDown_ = true;
            } else if (w < 0 && errno != EINTR) {
                std::fprintf(stderr, "zvl-sim: write: %s\n", std::strerror(errno));
                return false;
            }
        }
        if (pendingPos_ == pending_.size()) {
            pending_.clear();
            pendingPos_ = 0;
        }
        return true;
    }

    // Sleep until the next thing to do.
    int wait(pollfd (&fds)[3]) {
        int timeoutMs = 1000;
        if (waiting() < kLowWater) {
            const int64_t next = engine_.msUntilNextEvent(engineMs());
            if (next >= 0) timeoutMs = int(std::min<int64_t>(timeoutMs, next));
        }
        if (waiting() > 0 && !writeBlocked_ && !lineDown_ && opts_.paced) {
            // Wake when half a burst may go (or all that waits, if less), not for every byte.
            // poll() rounds up to whole milliseconds; half a burst leaves room for that, so the
            // budget never overflows its cap while the line waits and the line stays busy.
            const size_t half = size_t(pacer_.burst() / 2);
            const int64_t ns = pacer_.nsUntilAvailable(monotonicNs(), std::min(half, waiting()));
            timeoutMs = std::min(timeoutMs, int((ns + 999999) / 1000000));
        }
        if (lineDown_) timeoutMs = std::min(timeoutMs, 100);
        fds[0] = {gWakePipe[0], POLLIN, 0};
        fds[1] = {master_, 0, 0};
        fds[2] = {-1, 0, 0};
        if (!lineDown_) {
            fds[1].events = POLLIN;
            if (writeBlocked_) fds[1].events |= POLLOUT;
        }
        // sz's output is taken only while the line keeps up, so sz runs at the line's pace.
        if (sender_ && waiting() < kLowWater) fds[2] = {sender_->output(), POLLIN, 0};
        return ::poll(fds, 3, timeoutMs);
    }

    // The PC's bytes: to sz while it sends, else to the engine. False on a failure.
    bool readLine() {
        uint8_t buf[512];
        const ssize_t r = ::read(master_, buf, sizeof buf);
        if (r > 0 && sender_) {
            const size_t taken = toSender(buf, size_t(r));
            if (taken < size_t(r)) toEngine(buf + taken, size_t(r) - taken);
        } else if (r > 0) {
            toEngine(buf, size_t(r));
        } else if (r == 0 || errno == EIO) {
            lineDown_ = true;  // no one holds the slave open; wait for a client
        } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            std::fprintf(stderr, "zvl-sim: read: %s\n", std::strerror(errno));
            return false;
        }
        return true;
    }

    // The PC's bytes while sz sends go to sz, until the PC cancels or has given up on the
    // image: a ZMODEM abort (five CANs in a row, which no ZMODEM frame holds), or a command
    // packet (01 L code ... 04: a ZMODEM receiver sends only hex headers, which hold no 01),
    // as from a PC program started after one that was killed in the middle of the image. The
    // instrument then stops sending and answers commands again, as after any cancelled
    // transfer; the command, and the bytes after the abort, are the engine's.
    // The number of bytes sz took.
    size_t toSender(const uint8_t* buf, size_t n) {
        constexpr int kAbortCans = 5;
        for (size_t i = 0; i < n; ++i) {
            cansInARow_ = buf[i] == 0x18 ? cansInARow_ + 1 : 0;
            if (cansInARow_ >= kAbortCans) {
                sender_->input(buf, i + 1);
                endImage("cancelled by the PC");
                return i + 1;
            }
            fromPc_.push_back(buf[i]);
            if (fromPc_.size() > kLongestCommand) fromPc_.erase(fromPc_.begin());
            if (const size_t frame = commandFrameAtEnd(); frame > 0) {
                sender_->input(buf, i + 1);
                const std::vector<uint8_t> command(fromPc_.end() - ptrdiff_t(frame), fromPc_.end());
                endImage("given up by the PC (a command came)");
                toEngine(command.data(), command.size());
                return i + 1;
            }
        }
        sender_->input(buf, n);
        return n;
    }

    // The length of the command packet that ends the PC's last bytes, 0 when none does.
    size_t commandFrameAtEnd() const {
        const size_t size = fromPc_.size();
        if (size < 4 || fromPc_.back() != 0x04) return 0;
        for (size_t length = 2; length + 2 <= size; ++length) {
            const size_t start = size - length - 2;
            if (fromPc_[start] == 0x01 && fromPc_[start + 1] == length && fromPc_[start + 2] >= 0x20 &&
                fromPc_[start + 2] <= 0x43)
                return length + 2;
        }
        return 0;
    }

    // The image ends before sz has finished: sz is stopped and what it wrote that has not gone
    // out is dropped (the live stream stopped at 0x43, so nothing else waits), then the line
    // is the engine's again.
    void endImage(const char* why) {
        sender_->kill();
        pending_.clear();
        pendingPos_ = 0;
        ::tcflush(master_, TCOFLUSH);  // nor what the PC has not read yet
        const int status = sender_->finish();
        sender_.reset();
        cansInARow_ = 0;
        fromPc_.clear();
        if (opts_.verbose) std::fprintf(stderr, "zvl-sim: memory image %s, sz exit status %d\n", why, status);
    }

    void toEngine(const uint8_t* buf, size_t n) {
        const size_t before = engine_.commandLog().size();
        const int64_t doneBefore = engine_.uploadsCompleted(), cancelledBefore = engine_.uploadsCancelled();
        engine_.receive(buf, n, engineMs());
        if (opts_.verbose) {
            for (size_t i = before; i < engine_.commandLog().size(); ++i) logCommand(engine_.commandLog()[i]);
            if (engine_.uploadsCompleted() != doneBefore)
                std::fprintf(stderr, "zvl-sim: memory upload done, %lld blocks sent\n",
                             static_cast<long long>(engine_.blocksSent()));
            if (engine_.uploadsCancelled() != cancelledBefore)
                std::fprintf(stderr, "zvl-sim: memory upload cancelled by the PC\n");
        }
        if (engine_.takeImageRequest()) {
            // While sz sends the memory image, the line is its: its output joins the pending
            // output (paced like every answer) and the PC's bytes go to it instead of the engine.
            sender_ = std::make_unique<zvl::sim::ImageSender>();
            std::string why;
            if (!sender_->start(engine_.memoryImageBytes(), opts_.zmodemName, why)) {
                std::fprintf(stderr, "zvl-sim: cannot send the memory image: %s\n", why.c_str());
                sender_.reset();
            }
        }
    }

    void readSender() {
        uint8_t buf[4096];
        const ssize_t r = ::read(sender_->output(), buf, sizeof buf);
        if (r > 0) {
            append(buf, size_t(r));
        } else if (r == 0 || (errno != EAGAIN && errno != EINTR)) {
            const int status = sender_->finish();
            if (opts_.verbose)
                std::fprintf(stderr, "zvl-sim: memory image sent, sz exit status %d\n", status);
            sender_.reset();
        }
    }

    const zvl::sim::ProgramOptions& opts_;
    zvl::sim::InstrumentEngine& engine_;
    const int master_;
    const int64_t startNs_;
    const size_t kLowWater;
    zvl::sim::LinePacer pacer_;
    std::vector<uint8_t> pending_;  // output waiting for the line
    size_t pendingPos_ = 0;
    bool writeBlocked_ = false;  // the pty's buffer was full at the last write
    bool lineDown_ = false;      // the master reported a hang-up or EIO
    std::unique_ptr<zvl::sim::ImageSender> sender_;
    int cansInARow_ = 0;                          // CAN bytes the PC sent in a row while sz sends
    static constexpr size_t kLongestCommand = 8;  // 01 L code, four value bytes, 04
    std::vector<uint8_t> fromPc_;                 // the PC's last bytes while sz sends
};

// For tests: what the PC should hold after the upload, in the order it was written.
bool dumpMemory(const zvl::sim::InstrumentEngine& engine, const std::string& path) {
    const auto records = engine.memoryInWrittenOrder();
    FILE* f = std::fopen(path.c_str(), "wb");
    bool ok = f != nullptr;
    for (size_t i = 0; ok && i < records.size(); ++i) ok = std::fwrite(records[i].data(), 1, 8, f) == 8;
    if (f && std::fclose(f) != 0) ok = false;
    if (!ok) std::fprintf(stderr, "zvl-sim: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
    return ok;
}

// The command line; -1 when the program goes on, else its exit status.
int readOptions(int argc, char** argv, zvl::sim::ProgramOptions& opts) {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (const auto error = zvl::sim::parseArguments(args, opts)) {
        std::fprintf(stderr, "zvl-sim: %s (see zvl-sim --help)\n", error->c_str());
        return 1;
    }
    if (opts.help) {
        std::fputs(zvl::sim::usageText().c_str(), stdout);
        return 0;
    }
    if (opts.version) {
        std::printf("zvl-sim (%s) %s\n", zvl::kProgramName, zvl::kProgramVersion);
        return 0;
    }
    if (opts.paced && opts.engine.resultsPerSecond * 6 > zvl::sim::LinePacer::kBytesPerSecond19200)
        std::fprintf(stderr,
                     "zvl-sim: warning: %g results a second is more than 19200 bit/s carries (about 320); "
                     "results that do not fit are dropped\n",
                     opts.engine.resultsPerSecond);
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace zvl::sim;

    ProgramOptions opts;
    if (const int code = readOptions(argc, argv, opts); code >= 0) return code;
    if (!installSignals()) {
        std::fprintf(stderr, "zvl-sim: cannot install signal handlers: %s\n", std::strerror(errno));
        return 1;
    }
    PseudoTerminal pty;
    std::string error;
    if (!pty.open(error)) {
        std::fprintf(stderr, "zvl-sim: cannot make a pseudo-terminal: %s\n", error.c_str());
        return 1;
    }
    const std::string linkPath = zvl::comLinkPath(opts.port);
    if (!claimPortLink(linkPath, pty.slavePath(), error)) {
        std::fprintf(stderr, "zvl-sim: %s\n", error.c_str());
        return 1;
    }

    const int64_t startNs = monotonicNs();
    opts.engine.clockStart = localClockNow();
    InstrumentEngine engine(opts.engine);
    if (!opts.dumpMemoryPath.empty() && !dumpMemory(engine, opts.dumpMemoryPath)) {
        releasePortLink(linkPath, pty.slavePath());
        return 1;
    }
    // What was sent, for a harness that compares it with what the PC kept: appended, a line
    // at a time, so that it holds every result sent up to any moment the PC is killed.
    FILE* sentLog = nullptr;
    if (!opts.sentLogPath.empty()) {
        sentLog = std::fopen(opts.sentLogPath.c_str(), "a");
        if (!sentLog) {
            std::fprintf(stderr, "zvl-sim: cannot write %s: %s\n", opts.sentLogPath.c_str(),
                         std::strerror(errno));
            releasePortLink(linkPath, pty.slavePath());
            return 1;
        }
        std::setvbuf(sentLog, nullptr, _IOLBF, 0);
        engine.onLiveResult = [&](uint16_t inputs) {
            timespec now{};
            clock_gettime(CLOCK_REALTIME, &now);
            const long long ms = static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
            if (sentLog &&
                std::fprintf(sentLog, "%lld %lld %04x\n", static_cast<long long>(engine.liveResultsSent()),
                             ms, unsigned(inputs)) < 0) {
                std::fprintf(stderr, "zvl-sim: cannot write %s: %s; the log of sent results stops\n",
                             opts.sentLogPath.c_str(), std::strerror(errno));
                std::fclose(sentLog);
                sentLog = nullptr;
            }
        };
    }
    LineLoop line(opts, engine, pty.masterFd(), startNs);
    std::printf("zvl-sim: COM%d -> %s\n", opts.port, pty.slavePath().c_str());
    std::fflush(stdout);
    const int exitCode = line.run();

    releasePortLink(linkPath, pty.slavePath());
    pty.close();
    if (sentLog && std::fclose(sentLog) != 0)
        std::fprintf(stderr, "zvl-sim: cannot write %s: %s\n", opts.sentLogPath.c_str(),
                     std::strerror(errno));
    if (opts.verbose)
        std::fprintf(stderr, "zvl-sim: stopped, %s removed, %lld live results sent\n", linkPath.c_str(),
                     static_cast<long long>(engine.liveResultsSent()));
    return exitCode;
}
