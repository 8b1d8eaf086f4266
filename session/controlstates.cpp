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
    p.startStopHint =
        online ? (st.collectionActive ? "Stop Recording" : "Start Recording") : "Next Match (F3)";
    p.onlineOfflineCaption = online ? "Offline" : "Online";
    p.onlineOfflineEnabled = !st.collectionActive;
    p.statisticsEnabled = st.resultCount() > 0;
    p.timelineShown = st.store.timeline != nullptr;
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
    p.startStopEnabled = online ? !st.uploadActive : !p.timelineShown;  // Next finds in the store
    p.enablesBackAndEventTime = !online;
    // While live results stream in, the port's bytes gather for 40 ms after each notification:
    // two a frame of the picture, whose results go in by then anyway, and a few wake-ups a
    // second instead of hundreds. An upload's or a download's blocks are answered as they end.
    const bool live = st.collectionActive && !st.uploadActive && !st.protocolTransferActive;
    p.portGatherMs = live ? 40 : 0;
    return p;
}

}  // namespace zvl
