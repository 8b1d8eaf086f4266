#include "core/controlstates.h"

#include "viewer/timebase.h"
#include "viewer/tracerenderer.h"

namespace zvl {

PaintControls paintControls(const AppState& st) {
    PaintControls p;
    const bool event = isEventMode(st.operatingMode);
    const bool online = isOnlineMode(st.operatingMode);
    p.modeCaption = modeCaption(st.operatingMode);
    p.button4Caption = event ? "Time" : "Event";
    p.timebaseControlsVisible = !event;
    p.panel3Enabled = !event;
    p.label6Caption = online ? "Record Mode" : "Search Mode.............";
    p.searchControlsVisible = !online;
    p.button2Caption = online ? (st.collectionActive ? "Stop" : "Start") : "Next";
    p.button5Caption = online ? "Offline" : "Online";
    p.button5Enabled = !st.collectionActive;
    p.statisticsEnabled = st.resultCount() > 0;
    p.monochromeChecked = st.monochromePrinting;
    p.reopenEnabled = false;
    for (size_t i = 0; i < 4; ++i) {
        p.recentVisible[i] = !st.recentFiles[i].empty();
        p.reopenEnabled = p.reopenEnabled || p.recentVisible[i];
    }
    p.timebaseCaption = timebaseRow(st.timebaseIndex).caption;
    p.plusEnabled = st.timebaseIndex != 3;
    p.minusEnabled = st.timebaseIndex != 19;
    return p;
}

EnabledControls enabledControls(const AppState& st) {
    EnabledControls e;
    if (isOnlineMode(st.operatingMode)) {
        e.menusEnabled = !st.collectionActive;
        e.navigationEnabled = false;
        // During an upload the record mode's Start/Stop has nothing to stop; Cancel does that.
        e.button2Enabled = !st.uploadActive;
        e.changesButtons34 = false;
    } else {
        e.menusEnabled = true;
        e.navigationEnabled = true;
        e.button2Enabled = true;
        e.changesButtons34 = true;
    }
    return e;
}

}  // namespace zvl
