#include "cli/session.h"

#include <cstdio>

#include "cli/args.h"
#include "platform/comports.h"

namespace zvl::cli {

void fail(const std::string& message) {
    std::cerr << "zvl: " << message << std::endl;
}

int checkUsage(const ParsedArgs& a, size_t files, const char* help, const std::string& name) {
    if (a.has("--help")) {
        std::fputs(help, stdout);
        return kExitOk;
    }
    std::string why = a.error;
    if (why.empty() && a.positionals.size() != files)
        why = a.positionals.size() < files ? "missing file name"
                                           : "unexpected argument " + a.positionals[files];
    for (const std::string& p : a.positionals)
        if (why.empty() && p.empty()) why = "empty file name";
    // An empty value ("--port ''") is a mistake on the command line, not a name to try; an
    // empty --alarm or --on-alarm is none (the logging service passes them so).
    for (const auto& [option, value] : a.values)
        if (why.empty() && value.empty() && option != "--alarm" && option != "--on-alarm")
            why = "option " + option + " needs a value";
    if (why.empty()) return -1;
    fail(why + " (see zvl " + name + " --help)");
    return kExitUsage;
}

Session::Session() {
    state.operatingMode = EventRecord;  // online
    statusTimer.setHandler([this] { link.statusPoll(); });
    breakTimer.setHandler([this] { link.breakTimerFired(); });
    link.setStatusTimer(statusTimer);
    // Each command ends with its own line about the loss; the exec loop ends on its own, as
    // the recording or the upload has ended.
    link.setLossReporter([this](const std::string& reason) { lostReason = reason; });
}

std::string Session::portGone() const {
    return "the instrument's serial port has gone away (" + lostReason + ")";
}

bool Session::openAndConnect(const std::string& portName) {
    if (!link.openDevice(portName)) {
        fail("cannot open serial port " + portName + " (" + resolvePortName(portName) +
             "): " + link.portError());
        return false;
    }
    link.connect();  // prints the "Not Responding" warning itself when nobody answers
    if (state.instrumentOnline) link.waitTicks(3, true);  // let the last status answer land
    if (!lostReason.empty()) {
        fail(portGone());
        return false;
    }
    return state.instrumentOnline;
}

}  // namespace zvl::cli
