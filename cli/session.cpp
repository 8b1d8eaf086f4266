#include "cli/session.h"

#include "platform/comports.h"

namespace zvl::cli {

void fail(const std::string& message) { std::cerr << "zvl: " << message << std::endl; }

Session::Session() {
    state.operatingMode = EventRecord;  // online
    statusTimer.setHandler([this] { link.statusPoll(); });
    breakTimer.setHandler([this] { link.breakTimerFired(); });
}

bool Session::openAndConnect(const std::string& portName) {
    if (!link.openDevice(portName)) {
        fail("cannot open serial port " + portName + " (" + resolvePortName(portName) + "): " + link.portError());
        return false;
    }
    link.connect();  // prints the "Not Responding" warning itself when nobody answers
    if (!state.instrumentOnline) return false;
    link.waitTicks(3, true);  // let the last status answer land
    return true;
}

}  // namespace zvl::cli
