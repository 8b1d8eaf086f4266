#pragma once
// What the main window's controls show in each mode: computed from the state, applied by the
// window. Captions and visibility follow every paint; the enabled states follow
// updateControlStates.

#include <array>
#include <string>

#include "core/state.h"

namespace zvl {

struct PaintControls {
    std::string modeCaption;      // drawn on the picture
    std::string button4Caption;   // "Time" / "Event"
    bool timebaseControlsVisible; // Label3, Button6, Button7
    bool panel3Enabled;
    std::string label6Caption;    // "Record Mode" / "Search Mode............."
    bool searchControlsVisible;   // Button1, Button3, Panel2
    std::string button2Caption;   // "Start" / "Stop" / "Next"
    std::string button5Caption;   // "Offline" / "Online"
    bool button5Enabled;
    bool statisticsEnabled;
    bool monochromeChecked;
    std::array<bool, 4> recentVisible;
    bool reopenEnabled;           // File > Reopen: not while the list is empty
    std::string timebaseCaption;  // Label3
    bool plusEnabled, minusEnabled;
};

struct EnabledControls {
    bool menusEnabled;       // File, Activity, Tools, Setup
    bool navigationEnabled;  // the six picture buttons
    bool button2Enabled;
    bool changesButtons34;   // the search modes enable Button3 and Button4; the record modes leave them
};

PaintControls paintControls(const AppState& state);
EnabledControls enabledControls(const AppState& state);

}  // namespace zvl
