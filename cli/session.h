#pragma once
// One instrument session of the zvl tool: the same AppState, InstrumentLink and Qt platform
// pieces the application uses, wired without a window.

#include <QCoreApplication>
#include <functional>
#include <iostream>
#include <memory>
#include <string>

#include "cli/batchedport.h"
#include "cli/consoleprompts.h"
#include "core/state.h"
#include "link/link.h"
#include "qt/qtclock.h"
#include "qt/qteventpump.h"
#include "qt/qtserialport.h"
#include "qt/qttimer.h"

namespace zvl::cli {

// Exit codes of every command.
constexpr int kExitOk = 0;
constexpr int kExitUsage = 1;
constexpr int kExitFailure = 2;

// Window hooks of the tool: a stored result is announced through onRedraw; a change of the
// controls (a transfer or a recording has ended, the link lamp) through onChange; the
// progress panel's byte counter through onBytes.
class CliView : public ViewHooks {
public:
    void redrawTraceView() override {
        if (onRedraw) onRedraw();
    }
    void updateControlStates() override { changed(); }
    void refreshWindow() override { changed(); }
    void linkIndicatorChanged() override { changed(); }
    void setBytesTransferred(int64_t bytes) override {
        if (onBytes) onBytes(bytes);
    }
    std::function<void()> onRedraw;
    std::function<void()> onChange;
    std::function<void(int64_t)> onBytes;

private:
    void changed() {
        if (onChange) onChange();
    }
};

// How long a live command lets the port's bytes gather after each notification (see
// BatchedPort): about what a USB serial adapter waits, well below what anyone sees.
constexpr int kLiveGatherMs = 20;

struct Session {
    Session();
    // Open the port and run the connect handshake; on failure prints one line and returns false.
    bool openAndConnect(const std::string& portName);
    // "the instrument's serial port has gone away (<system error text>)", the start of the one
    // line a command prints when the port was lost.
    std::string portGone() const;

    std::string lostReason;  // the system's text once the port has gone away

    AppState state;
    QtClock clock;
    QtEventPump pump{clock};
    QtSerialPort serialPort;
    BatchedPort port{serialPort};
    QtTimer statusTimer{5000};
    QtTimer breakTimer{500};
    QtTimer updateTimer{400};
    ConsolePrompts prompts{std::cerr};
    CliView view;
    InstrumentLink link{state, port, clock, pump, prompts, view, breakTimer, updateTimer};
};

int runStatus(const std::vector<std::string>& args);
int runCollect(const std::vector<std::string>& args);
int runUpload(const std::vector<std::string>& args);
int runHardware(const std::vector<std::string>& args);
int runSetTime(const std::vector<std::string>& args);
int runDownload(const std::vector<std::string>& args);
int runLog(const std::vector<std::string>& args);

// "zvl: message" on stderr.
void fail(const std::string& message);

struct ParsedArgs;
// The usage check of every command: --help prints `help` (exit 0); an option error or a count
// of file names other than `files` is one line on stderr (exit 1). -1 when the command may run.
int checkUsage(const ParsedArgs& a, size_t files, const char* help, const std::string& name);

}  // namespace zvl::cli
