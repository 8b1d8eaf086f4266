#pragma once
// What the main window's controls show in each mode: computed from the state in one struct,
// applied by the window whenever the control states are brought up to date.

#include <array>
#include <string>

#include "core/state.h"

namespace zvl {

struct ControlStates {
    std::string modeCaption;       // drawn on the picture
    std::string eventTimeCaption;  // "Time" / "Event"
    bool timebaseControlsVisible;  // timebaseLabel, timebasePlusButton, timebaseMinusButton
    bool timebasePanelEnabled;
    std::string recordOrSearchCaption;  // "Record Mode" / "Search Mode............."
    bool searchControlsVisible;         // findButton, backButton, keyPanel
    std::string startStopCaption;       // "Start" / "Stop" / "Next"
    std::string startStopHint;          // its tooltip: what it does in this mode
    std::string onlineOfflineCaption;   // "Offline" / "Online"
    bool onlineOfflineEnabled;
    bool statisticsEnabled;
    // A folder's timeline is on show: nothing saves it (Save, Save As), and what reads only the
    // store (the exports, printing, Find) waits for a later version.
    bool timelineShown;
    bool monochromeChecked;
    std::array<bool, 4> recentVisible;
    bool reopenEnabled;           // File > Reopen: not while the list is empty
    std::string timebaseCaption;  // timebaseLabel
    bool plusEnabled, minusEnabled;
    bool menusEnabled;       // File, Activity, Tools, Setup
    bool navigationEnabled;  // the six picture buttons
    bool startStopEnabled;
    bool enablesBackAndEventTime;  // the search modes enable backButton and eventTimeButton; the record modes
                                   // leave them
    int portGatherMs;              // the port's gather time after each notification (SerialPort::setGatherMs)
};

ControlStates controlStates(const AppState& state);

}  // namespace zvl
