#pragma once
// AppState: the one model of the running program. The main window (or the zvl tool) owns
// the only instance and passes it by reference; every subsystem reads and writes it directly.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "core/resultstore.h"
#include "core/timerules.h"

namespace zvl {

// The four operating modes. Bit 0 of a mode's number is set in event mode, bit 1 offline
// (search); the settings file stores that number.
enum OperatingModeValue : uint8_t {
    TimebaseRecord = 0,
    EventRecord = 1,
    TimebaseSearch = 2,
    EventSearch = 3,
};

// operatingMode: one of the four modes, asked and changed by name. Online (record) or offline
// (search), and event or timebase, change independently of each other.
class OperatingMode {
public:
    constexpr OperatingMode(OperatingModeValue value = EventRecord) : value_(value) {}
    // The mode a stored number stands for: its low two bits.
    static constexpr OperatingMode fromNumber(int64_t number) { return OperatingModeValue(number & 3); }
    constexpr uint8_t number() const { return value_; }
    constexpr OperatingModeValue value() const { return value_; }

    constexpr bool isOnline() const { return (value_ & 2) == 0; }  // the record modes
    constexpr bool isSearch() const { return !isOnline(); }        // offline
    constexpr bool isEvent() const { return (value_ & 1) != 0; }
    constexpr bool isTimebase() const { return !isEvent(); }

    constexpr void toggleEventTimebase() { value_ = OperatingModeValue(value_ ^ 1); }
    constexpr void toggleOnline() { value_ = OperatingModeValue(value_ ^ 2); }
    constexpr void goOnline() { value_ = OperatingModeValue(value_ & 1); }   // the same kind of view
    constexpr void goOffline() { value_ = OperatingModeValue(value_ | 2); }  // the same kind of view

    constexpr bool operator==(const OperatingMode&) const = default;

private:
    OperatingModeValue value_;
};

enum SearchCondition : uint8_t { DoNotCare = 0, On = 1, Off = 2, HighToLow = 3, LowToHigh = 4 };

// Colours are 24-bit integers with red in the low byte.
constexpr uint32_t rgb(uint8_t r, uint8_t g, uint8_t b) {
    return uint32_t(r) | (uint32_t(g) << 8) | (uint32_t(b) << 16);
}

// The link lamp and its label beside the mode caption.
struct LinkIndicator {
    uint32_t lampColour = rgb(255, 0, 0);
    std::string label;
    // Shows colour and text; false when they stood there already, so there is nothing to redraw.
    bool set(uint32_t colour, const char* text) {
        if (lampColour == colour && label == text) return false;
        lampColour = colour;
        label = text;
        return true;
    }
};
inline const uint32_t kLampRed = rgb(255, 0, 0);
inline const uint32_t kLampGreen = rgb(0, 128, 0);
inline const uint32_t kLampBlue = rgb(0, 0, 255);
inline const uint32_t kLampFuchsia = rgb(255, 0, 255);

// The display colours, stored with the settings and edited in the colours dialog.
struct ColourSlots {
    uint32_t backgroundColour = rgb(166, 202, 240);
    uint32_t offColour = rgb(168, 208, 169);
    uint32_t onColour = rgb(242, 172, 174);
    uint32_t changeColour = rgb(230, 209, 147);
    uint32_t highlightOnColour = rgb(255, 0, 0);
    uint32_t highlightOffColour = rgb(0, 255, 0);
    uint32_t gridColour = rgb(0, 0, 255);
    uint32_t spareColour = rgb(255, 255, 0);
    bool operator==(const ColourSlots&) const = default;
};

// The instrument packet the live decoder is reading: the length byte L, and from the command
// code on the L bytes it counts. Everything is zero again after each complete packet, so L
// reads 0 until the next packet's length byte arrives.
struct RxPacket {
    static constexpr int kMaxDataBytes = 12;    // L is at most 13: the command code and 12 data bytes
    uint8_t length = 0;                         // L, the bytes after the length byte
    uint8_t code = 0;                           // the command code
    std::array<uint8_t, kMaxDataBytes> data{};  // the data bytes, packet offsets 3 on
    bool operator==(const RxPacket&) const = default;
};

// The result a search, a go-to or a re-centring put on the time chart's cursor line, and the view
// it was put there for. Time stamps are whole seconds, so later results often stand on the same
// pixel; while the view stays where the choice put it, the chosen one is the cursor result.
struct CursorChoice {
    int64_t result = 0;
    int64_t viewStartTime = 0;
    int32_t timebaseIndex = -1;
};

struct AppState {
    // Result store.
    ResultStore store;
    int64_t currentResult = 1;
    int64_t recordingEndTime = 0;
    int64_t liveTime = 0;

    // Input description and recording text.
    std::array<std::string, kInputCount> inputLabels{};
    std::array<bool, kInputCount> inputActive{};
    std::array<uint8_t, kInputCount> searchKey{};
    // The match position: where "Next" and "Back" start from, and whether any search found one.
    int64_t currentMatch = 0;
    bool matchFound = false;
    // Held at least / at most so many seconds (the search-key dialog; none: no limit). With
    // either set, Find, Next and Back step through the runs the key's levels were held so long.
    std::optional<int64_t> heldAtLeast, heldAtMost;
    std::array<std::string, 11> commentLines{};

    // Recording files. Paths are as the file system names them (UTF-8 on Linux); where a path
    // becomes text inside a file it is converted to Windows-1252.
    std::string recordingTitle = "Title";      // the title box titleEdit (Windows-1252)
    std::string saveFileName;                  // the recording save dialog's file name; target of File > Save
    bool saveCommandEnabled = false;           // File > Save: enabled by the first single-file Save As
    std::array<std::string, 4> recentFiles{};  // Reopen entries N11 (newest), N21, N31, N41

    // Mode and link variables.
    OperatingMode operatingMode = EventRecord;
    uint8_t comPortNumber = 0;
    int32_t timebaseIndex = 5;
    std::string dataDirectory;
    bool monochromePrinting = false;
    bool instrumentOnline = false;
    bool linkBreak = false;
    bool collectionActive = false;
    bool uploadActive = false;
    bool uploadCancel = false;
    int64_t bytesTransferred = 0;  // shown on the progress panel during a transfer
    bool protocolTransferActive = false;
    std::string firmwareVersion = "0.0";
    std::string serialNumber;
    int64_t instrumentClock = 0;
    std::array<bool, 8> hardwareOptions{};
    uint8_t debounceCode = 0;

    // View state.
    int64_t viewStartTime = 0;
    int64_t cursorResult = 0;
    CursorChoice cursorChoice;
    int eventColumns = 64;
    std::array<std::string, 11> timeLabels{};  // texts under the time-base grid lines
    ColourSlots colours;

    // Live decoder.
    std::string rxBuffer;  // bytes received and not yet consumed
    RxPacket rxPacket;     // the packet being read

    LinkIndicator link;

    // Convenience accessors on the store.
    int64_t& resultCount() { return store.resultCount; }
    int64_t resultCount() const { return store.resultCount; }
    int64_t resultTime(int64_t n) const { return store.resultTime(n); }
};

// Result n is the chosen cursor result of the view as it stands now.
inline void chooseCursorResult(AppState& state, int64_t n) {
    state.cursorChoice = {n, state.viewStartTime, state.timebaseIndex};
}

// monochromePrinting off and every colour slot to its default.
void setDefaultColours(AppState& state);

// "d mmm yy hh:nn:ss" of result index; an index below 1 gives 1 Jan 00 00:00:00.
std::string formatResultTime(const AppState& state, int64_t index);

}  // namespace zvl
