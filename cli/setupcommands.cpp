// zvl hardware and zvl set-time: set the instrument up as the hardware dialog does.

#include <cstdio>

#include "cli/args.h"
#include "cli/filecommands.h"
#include "cli/session.h"
#include "link/setup.h"

namespace zvl::cli {

namespace {

const char* const kHardwareHelp =
    "usage: zvl hardware [--port P] [--debounce off|100|500|1000] [--memory auto-stop|wrap]\n"
    "                    [--backlight on|off]\n"
    "\n"
    "Print the instrument's hardware options. With any option, change what is given (the\n"
    "rest stays as the instrument reported it), send the settings, wait, ask again and print\n"
    "what the instrument now reports.\n"
    "\n"
    "  --port P        COMn or a device path; default COM1\n"
    "  --debounce D    off, 100, 500 or 1000 (milliseconds)\n"
    "  --memory M      auto-stop or wrap (wrap around)\n"
    "  --backlight B   on or off\n"
    "\n"
    "Questions: none are asked. Exit 0 on success, 1 on a usage error, 2 when the port\n"
    "cannot be opened or the instrument does not answer.\n";

const char* const kSetTimeHelp =
    "usage: zvl set-time [--port P] [--time \"YYYY-MM-DD hh:mm:ss\"]\n"
    "\n"
    "Set the instrument's clock to the given local time, or to the PC's clock now when no\n"
    "time is given, then print the clock the instrument reports.\n"
    "\n"
    "  --port P     COMn or a device path; default COM1\n"
    "  --time T     a local time from 2000-01-01 00:00:00 to 2068-01-19 03:14:07\n"
    "\n"
    "Questions: none are asked. Exit 0 on success, 1 on a usage error, 2 when the port\n"
    "cannot be opened or the instrument does not answer.\n";

int choiceIndex(const std::string& value, std::initializer_list<const char*> names) {
    int i = 0;
    for (const char* n : names) {
        if (value == n) return i;
        ++i;
    }
    return -1;
}

void printHardware(const AppState& st) {
    const HardwareChoices c = reportedChoices(st);
    std::printf("Debounce:         %s\n",
                c.debounceItem >= 0 ? kDebounceTexts[c.debounceItem] : "(none of the four)");
    std::printf("Memory mode:      %s\n", kMemoryModeTexts[c.memoryMode]);
    std::printf("Backlight:        %s\n", c.backlight ? "on" : "off");
    unsigned bits = 0;
    for (int k = 0; k < 8; ++k)
        if (st.hardwareOptions[size_t(k)]) bits |= 1u << k;
    std::printf("Option bits:      0x%02X\n", bits);
    std::printf("Debounce count:   %u\n", unsigned(st.debounceCode));
}

// Waits for the handshake's last answer and says whether the instrument is still there.
bool answeredAgain(Session& s) {
    if (s.state.instrumentOnline) s.link.waitTicks(3, true);
    if (!s.lostReason.empty()) {
        fail(s.portGone());
        return false;
    }
    return s.state.instrumentOnline;
}

}  // namespace

std::optional<int64_t> parseLocalTime(const std::string& text) {
    LocalDateTime dt;
    int used = 0;
    if (text.size() != 19 ||
        std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%n", &dt.year, &dt.month, &dt.day, &dt.hour,
                    &dt.minute, &dt.second, &used) != 6 ||
        used != 19)
        return std::nullopt;
    if (dt.month < 1 || dt.month > 12 || dt.day < 1 || dt.day > 31 || dt.hour > 23 || dt.minute > 59 ||
        dt.second > 59)
        return std::nullopt;
    const int64_t t = timeStampFromDateTime(dt);
    if (t < 0 || t > INT32_MAX || !(dateTimeFromTimeStamp(t) == dt)) return std::nullopt;  // 31 February
    return t;
}

int runHardware(const std::vector<std::string>& args) {
    const ParsedArgs a = parseArgs(args, {"--port", "--debounce", "--memory", "--backlight"}, {});
    if (int code = checkUsage(a, 0, kHardwareHelp, "hardware"); code >= 0) return code;
    int debounce = -1, memory = -1, backlight = -1;
    if (auto v = a.value("--debounce");
        v && (debounce = choiceIndex(*v, {"off", "100", "500", "1000"})) < 0) {
        fail("--debounce takes off, 100, 500 or 1000, not \"" + *v + "\"");
        return kExitUsage;
    }
    if (auto v = a.value("--memory"); v && (memory = choiceIndex(*v, {"auto-stop", "wrap"})) < 0) {
        fail("--memory takes auto-stop or wrap, not \"" + *v + "\"");
        return kExitUsage;
    }
    if (auto v = a.value("--backlight"); v && (backlight = choiceIndex(*v, {"off", "on"})) < 0) {
        fail("--backlight takes on or off, not \"" + *v + "\"");
        return kExitUsage;
    }

    Session s;
    if (!s.openAndConnect(a.value("--port").value_or("COM1"))) return kExitFailure;
    if (debounce >= 0 || memory >= 0 || backlight >= 0) {
        HardwareChoices c = reportedChoices(s.state);
        if (debounce >= 0) c.debounceItem = debounce;
        if (memory >= 0) c.memoryMode = memory;
        if (backlight >= 0) c.backlight = backlight == 1;
        InstrumentSetup setup(s.state, s.link, s.prompts, s.clock, s.view);
        setup.writeHardwareSettings(c);
        if (!answeredAgain(s)) return kExitFailure;
    }
    printHardware(s.state);
    s.link.closePort();
    return kExitOk;
}

int runSetTime(const std::vector<std::string>& args) {
    const ParsedArgs a = parseArgs(args, {"--port", "--time"}, {});
    if (int code = checkUsage(a, 0, kSetTimeHelp, "set-time"); code >= 0) return code;
    std::optional<int64_t> given;
    if (auto v = a.value("--time"); v && !(given = parseLocalTime(*v))) {
        fail("--time takes \"YYYY-MM-DD hh:mm:ss\" from 2000-01-01 00:00:00 to 2068-01-19 03:14:07, not \"" +
             *v + "\"");
        return kExitUsage;
    }

    Session s;
    if (!s.openAndConnect(a.value("--port").value_or("COM1"))) return kExitFailure;
    InstrumentSetup setup(s.state, s.link, s.prompts, s.clock, s.view);
    // The PC's clock is read just before it is sent, after the handshake.
    setup.sendInstrumentClock(given ? *given : pcTimeStamp(s.clock));
    if (!answeredAgain(s)) return kExitFailure;
    std::printf("Instrument clock: %s (%lld seconds since 1 Jan 2000)\n",
                formatTimeStamp(s.state.instrumentClock).c_str(),
                static_cast<long long>(s.state.instrumentClock));
    s.link.closePort();
    return kExitOk;
}

}  // namespace zvl::cli
