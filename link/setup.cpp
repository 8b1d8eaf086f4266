#include "link/setup.h"

#include <cstdio>

#include "files/settings.h"
#include "link/protocol.h"

namespace zvl {

const char* const kDebounceTexts[kDebounceItems] = {"Off", "100 msec", "500 msec", "1000 msec"};
const char* const kMemoryModeTexts[2] = {"Auto Stop", "Wrap Around"};

namespace {
// Debounce items: option bits 2, 1, 0 and the count byte.
struct DebounceItem {
    bool bit2, bit1, bit0;
    uint8_t count;
};
constexpr DebounceItem kDebounce[kDebounceItems] = {
    {false, false, false, 0}, {true, false, false, 26}, {true, false, true, 128}, {true, true, false, 0}};

constexpr int kBacklightBit = 5;
constexpr int kMemoryModeBit = 7;
constexpr int kAcceptWaitTicks = 18;
constexpr int kClockWaitTicks = 36;

const char* const kMonthLong[12] = {"January", "February", "March",     "April",   "May",      "June",
                                    "July",    "August",   "September", "October", "November", "December"};

int32_t clockValue(int64_t t) {
    return int32_t(t < 0 ? 0 : t > INT32_MAX ? INT32_MAX : t);
}
}  // namespace

int debounceItemOf(const std::array<bool, 8>& options) {
    if (!options[2]) return 0;
    return int(options[1]) * 2 + int(options[0]) + 1;
}

HardwareChoices reportedChoices(const AppState& state) {
    // Bits 2, 1, 0 = 1, 1, 1 reads back as item 4, which the dialog does not have: none selected.
    const int item = debounceItemOf(state.hardwareOptions);
    return {item < kDebounceItems ? item : -1, state.hardwareOptions[kMemoryModeBit] ? 1 : 0,
            state.hardwareOptions[kBacklightBit]};
}

uint16_t applyHardwareChoices(AppState& state, const HardwareChoices& choices) {
    auto& o = state.hardwareOptions;
    uint8_t count = 0;
    if (choices.debounceItem >= 0 && choices.debounceItem < kDebounceItems) {
        const DebounceItem& d = kDebounce[choices.debounceItem];
        o[0] = d.bit0;
        o[1] = d.bit1;
        o[2] = d.bit2;
        count = d.count;
    }
    o[kMemoryModeBit] = choices.memoryMode == 1;
    o[kBacklightBit] = choices.backlight;
    uint8_t optionByte = 0;
    for (int k : {0, 1, 2, kBacklightBit, kMemoryModeBit})
        if (o[size_t(k)]) optionByte |= uint8_t(1u << k);
    return uint16_t((optionByte << 8) | count);
}

uint8_t portNumberFromText(const std::string& text) {
    size_t b = text.find_first_not_of(' ');
    size_t e = text.find_last_not_of(' ');
    if (b == std::string::npos || e - b + 1 > 3) return 0;
    int n = 0;
    for (size_t i = b; i <= e; ++i) {
        if (text[i] < '0' || text[i] > '9') return 0;
        n = n * 10 + (text[i] - '0');
    }
    return n <= 255 ? uint8_t(n) : 0;
}

std::string setDateTimeQuestion(const LocalDateTime& now) {
    char time[16];
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", now.hour, now.minute, now.second);
    char day[4];
    std::snprintf(day, sizeof day, "%02d", now.day);
    const int m = now.month >= 1 && now.month <= 12 ? now.month - 1 : 0;
    return std::string("Send Current PC Date and Time ( ") + day + " " + kMonthLong[m] + " " +
           std::to_string(now.year) + " " + time + " ) to Pellam ZVL ?";
}

InstrumentSetup::InstrumentSetup(AppState& state, InstrumentLink& link, Prompts& prompts, const Clock& clock,
                                 ViewHooks& view)
    : state_(state), link_(link), prompts_(prompts), clock_(clock), view_(view) {}

bool InstrumentSetup::refusedDuringDownload() {
    if (!state_.protocolTransferActive) return false;
    prompts_.warning(kDownloadInProgressText);
    return true;
}

void InstrumentSetup::showHardwareSettings(ModalDialog& dialog, const std::string& settingsPath) {
    if (refusedDuringDownload()) return;
    const LinkActivity activity(link_, LostDuring::Setup);
    state_.operatingMode = EventRecord;
    link_.connect();
    link_.waitTicks(3, true);
    dialog.runModal();
    writeSettings(state_, prompts_, settingsPath);
    // Online event mode now, or offline after a silent handshake: the controls follow.
    view_.updateControlStates();
    view_.refreshWindow();
}

void InstrumentSetup::acceptChanges(const std::string& portText, const HardwareChoices& choices) {
    if (refusedDuringDownload()) return;
    prompts_.setBusyCursor(true);
    // Takes effect at the next start; the port that is open stays open.
    state_.comPortNumber = portNumberFromText(portText);
    writeHardwareSettings(choices);
}

void InstrumentSetup::writeHardwareSettings(const HardwareChoices& choices) {
    const LinkActivity activity(link_, LostDuring::Setup);
    const uint64_t losses = link_.portLosses();
    link_.sendCommand(cmd::WriteOptions, applyHardwareChoices(state_, choices), 4);
    link_.waitTicks(kAcceptWaitTicks, true);
    connectUnlessLostSince(losses);
}

void InstrumentSetup::connectUnlessLostSince(uint64_t losses) {
    // A port that went away during this command's wait has been reported once already; the
    // handshake would only open it again and report it a second time.
    if (link_.portLosses() == losses) link_.connect();
}

void InstrumentSetup::setInstrumentTime(const LocalDateTime& fields) {
    if (refusedDuringDownload()) return;
    prompts_.setBusyCursor(true);
    sendInstrumentClock(timeStampFromDateTime(fields));
}

void InstrumentSetup::sendInstrumentClock(int64_t t) {
    const LinkActivity activity(link_, LostDuring::Setup);
    const uint64_t losses = link_.portLosses();
    link_.sendCommand(cmd::SetClock, clockValue(t), 4);
    link_.waitTicks(kClockWaitTicks, true);
    connectUnlessLostSince(losses);
}

void InstrumentSetup::synchroniseToPcClock() {
    if (refusedDuringDownload()) return;
    prompts_.setBusyCursor(true);
    const LinkActivity activity(link_, LostDuring::Setup);
    const uint64_t losses = link_.portLosses();  // the question's box serves the port too
    setDateTime();
    link_.waitTicks(kAcceptWaitTicks, true);
    connectUnlessLostSince(losses);
}

bool InstrumentSetup::setDateTime() {
    if (refusedDuringDownload()) return false;
    const LinkActivity activity(link_, LostDuring::Setup);
    // The time asked about is the time sent, however long the question stays open.
    const LocalDateTime now = clock_.now();
    if (!prompts_.confirm(setDateTimeQuestion(now), IfEscaped::No)) return false;
    link_.sendCommand(cmd::SetClock, clockValue(timeStampFromDateTime(now)), 4);
    return true;
}

}  // namespace zvl
