#include "cli/commandloop.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace zvl::cli {

namespace {

int wakePipe[2] = {-1, -1};
std::atomic<int> arrived{0};
std::atomic<int> last{0};

extern "C" void onCommandSignal(int sig) {
    last = sig;
    ++arrived;
    const int saved = errno;
    const char c = 0;
    [[maybe_unused]] ssize_t n = ::write(wakePipe[1], &c, 1);
    errno = saved;
}

}  // namespace

CommandLoop::CommandLoop(std::initializer_list<int> caught) {
    arrived = 0;
    last = 0;
    if (wakePipe[0] < 0 && ::pipe(wakePipe) == 0) {
        for (int fd : wakePipe) {
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        }
    }
    if (wakePipe[0] >= 0) {
        notifier_ = std::make_unique<QSocketNotifier>(wakePipe[0], QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { signalArrived(); });
    }
    for (int s : caught) {
        struct sigaction sa {};
        sa.sa_handler = onCommandSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        ::sigaction(s, &sa, nullptr);
    }
}

// The handlers stay: a signal after the loop (during the save that follows an upload) is
// counted and does not cut the save short.
CommandLoop::~CommandLoop() = default;

int CommandLoop::signalCount() const {
    return arrived;
}
int CommandLoop::lastSignal() const {
    return last;
}

void CommandLoop::signalArrived() {
    char drain[16];
    while (::read(wakePipe[0], drain, sizeof drain) > 0) {
    }
    if (onSignal) onSignal();
    check();
}

void CommandLoop::check() {
    if (running_ && ended_ && ended_()) {
        running_ = false;
        QCoreApplication::quit();
    }
}

void CommandLoop::run(std::function<bool()> ended) {
    ended_ = std::move(ended);
    // A signal that came before the loop is served first.
    if (arrived > 0 && onSignal) onSignal();
    if (ended_()) return;
    running_ = true;
    QCoreApplication::exec();
    running_ = false;
}

ProgressLine::ProgressLine(std::string prefix, bool terminalOnly)
    : prefix_(std::move(prefix)), tty_(::isatty(STDERR_FILENO) != 0), enabled_(tty_ || !terminalOnly) {}

void ProgressLine::update(int64_t nowMs, const std::function<std::string()>& text, bool force) {
    if (!enabled_) return;
    if (!force && lastMs_ >= 0 && nowMs - lastMs_ < (tty_ ? 200 : 5000)) return;
    lastMs_ = nowMs;
    const std::string line = text();
    if (tty_)
        std::fprintf(stderr, "\r\033[K%s%s", prefix_.c_str(), line.c_str());
    else
        std::fprintf(stderr, "%s%s\n", prefix_.c_str(), line.c_str());
    std::fflush(stderr);
    shown_ = tty_;
}

void ProgressLine::finish(const std::string& text) {
    if (!enabled_) return;
    std::fprintf(stderr, "%s%s%s\n", tty_ ? "\r\033[K" : "", prefix_.c_str(), text.c_str());
    std::fflush(stderr);
    shown_ = false;
}

void ProgressLine::clear() {
    if (shown_) std::fputs("\r\033[K", stderr);
    shown_ = false;
}

void ignoreBrokenPipe() {
    std::signal(SIGPIPE, SIG_IGN);
}

std::string standardOutputError() {
    errno = 0;
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return {};
    return std::strerror(errno != 0 ? errno : EIO);
}

std::string withSeparators(int64_t v) {
    const std::string digits = std::to_string(v < 0 ? -v : v);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return (v < 0 ? "-" : "") + out;
}

}  // namespace zvl::cli
