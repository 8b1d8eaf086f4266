#pragma once
// Setting the instrument up: the hardware settings word (debounce, memory mode, backlight),
// its clock, and the command sequences of the hardware dialog and of Tools > Set Date Time,
// with their waits and the handshake after them. Plain C++: the dialog is a ModalDialog and
// hands its controls' values in as HardwareChoices.

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "core/state.h"
#include "link/link.h"
#include "platform/clock.h"
#include "platform/modaldialog.h"
#include "platform/prompts.h"
#include "platform/viewhooks.h"

namespace zvl {

inline constexpr const char* kHardwareDialogCaption = "Corvask Pellam ZVL - Hardware Setup";
inline constexpr const char* kNotConnectedText = "Pellam Not Connected Properly";
inline constexpr const char* kUnknownSerialText = "Serial Number : Unknown";
inline constexpr const char* kDownloadInProgressText = "A download is in progress";
inline constexpr int kDebounceItems = 4;
extern const char* const kDebounceTexts[kDebounceItems];  // "Off" .. "1000 msec"
extern const char* const kMemoryModeTexts[2];             // "Auto Stop", "Wrap Around"

// The dialog's choices: the debounce item (-1 when none is selected), the memory mode item
// (0 Auto Stop, 1 Wrap Around) and the backlight tick.
struct HardwareChoices {
    int debounceItem = -1;
    int memoryMode = 0;
    bool backlight = false;
    bool operator==(const HardwareChoices&) const = default;
};

// The debounce item the option bits stand for: 0 when bit 2 is clear, else bit 1 x 2 + bit 0 + 1.
int debounceItemOf(const std::array<bool, 8>& options);
// The choices as the instrument last reported them.
HardwareChoices reportedChoices(const AppState& state);

// Puts the choices into hardwareOptions (bits 0..2, 5, 7; with no debounce item bits 0..2 keep
// their values) and gives the 16-bit settings word: the option byte high, the count byte low.
uint16_t applyHardwareChoices(AppState& state, const HardwareChoices& choices);

// The port list's text as a port number: a decimal number 1..255, else 0.
uint8_t portNumberFromText(const std::string& text);

// "Send Current PC Date and Time ( dd mmmm yyyy hh:nn:ss ) to Pellam ZVL ?"
std::string setDateTimeQuestion(const LocalDateTime& now);

class InstrumentSetup {
public:
    InstrumentSetup(AppState& state, InstrumentLink& link, Prompts& prompts, const Clock& clock,
                    ViewHooks& view);

    // Setup > Hardware Settings...: online event mode, connect, 3 ticks, the dialog, the
    // settings file written, the window refreshed.
    void showHardwareSettings(ModalDialog& dialog, const std::string& settingsPath);

    // The dialog's buttons. Each ends with the handshake, so the instrument reports what it
    // took; the dialog then shows that. None of them runs while a download owns the line.
    // "Accept Changes": the port for the next start, the settings word (0x30), 18 ticks.
    void acceptChanges(const std::string& portText, const HardwareChoices& choices);
    // "Set Pellam ZVL Time": the date and time fields as the clock value (0x31), 36 ticks.
    void setInstrumentTime(const LocalDateTime& fields);
    // "Synchronise to PC Clock": Set Date Time, then 18 ticks, whatever the answer.
    void synchroniseToPcClock();

    // Tools > Set Date Time: asks with the PC's time now and, on Yes, sends that time.
    // True when it was sent.
    bool setDateTime();

    // Without questions, for the zvl tool: the settings word, or a clock value, then the
    // waits and the handshake as the dialog's buttons run them.
    void writeHardwareSettings(const HardwareChoices& choices);
    void sendInstrumentClock(int64_t t);

private:
    bool refusedDuringDownload();
    void connectUnlessLostSince(uint64_t losses);

    AppState& state_;
    InstrumentLink& link_;
    Prompts& prompts_;
    const Clock& clock_;
    ViewHooks& view_;
};

}  // namespace zvl
