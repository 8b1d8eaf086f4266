#pragma once
// The loop of a command that waits on the instrument (upload, download, collect, log): the Qt
// event loop, run until the command's end callback says it has ended; SIGINT and SIGTERM (and
// any other signal asked for) wake it through a pipe, so nothing polls a flag; and the one
// progress line on stderr.

#include <QSocketNotifier>
#include <csignal>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

namespace zvl::cli {

class CommandLoop {
public:
    // Catches `caught` for the rest of the run.
    explicit CommandLoop(std::initializer_list<int> caught = {SIGINT, SIGTERM});
    ~CommandLoop();
    CommandLoop(const CommandLoop&) = delete;
    CommandLoop& operator=(const CommandLoop&) = delete;

    // Runs in the loop after each caught signal (not inside the signal handler).
    std::function<void()> onSignal;
    int signalCount() const;  // how many have arrived
    int lastSignal() const;   // the last one, 0 before any

    // Runs the event loop until ended() is true. ended() is asked at the start, after each
    // signal and whenever ended() may have changed: the command calls check() from the hooks
    // that announce it (the end of a transfer, the end of the recording).
    void run(std::function<bool()> ended);
    void check();

private:
    void signalArrived();

    std::function<bool()> ended_;
    bool running_ = false;
    std::unique_ptr<QSocketNotifier> notifier_;
};

// The one progress or status line of a command on stderr. On a terminal it is rewritten in
// place, at most every 200 ms; into a file or a pipe a new line is written at most every
// 5 s (or never, when the line is for terminals only).
class ProgressLine {
public:
    ProgressLine(std::string prefix, bool terminalOnly);
    bool shown() const { return shown_; }
    bool onTerminal() const { return tty_; }
    // The first line is then due one interval after nowMs, not at once.
    void begin(int64_t nowMs) { lastMs_ = nowMs; }
    // The line from `text()` when it is due; `force` writes it now.
    void update(int64_t nowMs, const std::function<std::string()>& text, bool force = false);
    // The last line, left standing (ended with a newline on a terminal).
    void finish(const std::string& text);
    // Takes the line off a terminal so that a message can stand there.
    void clear();

private:
    std::string prefix_;
    bool tty_;
    bool enabled_;
    bool shown_ = false;
    int64_t lastMs_ = -1;
};

// 1234567 as "1,234,567".
std::string withSeparators(int64_t v);

// A command that writes its data to stdout while it runs an instrument: a reader that goes
// away (`| head`) must not kill it before it has stopped the instrument and saved. SIGPIPE is
// ignored; the write fails instead, and standardOutputError() says so.
void ignoreBrokenPipe();
// Flushes stdout: "" when everything written so far went out, else the system's error text.
std::string standardOutputError();

}  // namespace zvl::cli
