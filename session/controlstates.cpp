#include "session/controlstates.h"

#include "core/timebase.h"
#include "viewer/tracerenderer.h"

namespace zvl {

ControlStates controlStates(const AppState& st) {
    ControlStates p;
    const bool event = st.operatingMode.isEvent();
    const bool online = st.operatingMode.isOnline();
    p.modeCaption = modeCaption(st.operatingMode);
    p.eventTimeCaption = event ? "Time" : "Event";
    p.timebaseControlsVisible = !event;
    p.timebasePanelEnabled = !event;
    p.recordOrSearchCaption = online ? "Record Mode" : "Search Mode.............";
    p.searchControlsVisible = !online;
    p.startStopCaption = online ? (st.collectionActive ? "Stop" : "Start") : "Next";
    p.onlineOfflineCaption = online ? "Offline" : "Online";
    p.onlineOfflineEnabled = !st.collectionActive;
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
    // Offline everything is enabled. Online the menus wait for the end of a collection, and
    // during an upload Start/Stop has nothing to stop (Cancel does that).
    p.menusEnabled = !online || !st.collectionActive;
    p.navigationEnabled = !online;
    p.startStopEnabled = !online || !st.uploadActive;
    p.enablesBackAndEventTime = !online;
    return p;
}

}  // namespace zvl
