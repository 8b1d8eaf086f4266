#pragma once
// The switches of the trace view: event/time, the time-base "+" and "-", re-centring on the
// cursor result, the live refresh, and the clicks on the key and name columns and the plot.

#include <optional>

#include "core/state.h"
#include "platform/timer.h"
#include "platform/viewhooks.h"
#include "viewer/tracerenderer.h"

namespace zvl {

struct ViewContext {
    AppState& state;
    TraceRenderer& renderer;
    ViewHooks& view;
    Timer& updateTimer;
};

// Puts cursorResult in the middle of both views.
void recentreOnCursor(AppState& state);
// The live refresh interval follows the time base.
void setRefreshInterval(const AppState& state, Timer& updateTimer);

void toggleEventTimeView(ViewContext& ctx);  // "Time" / "Event"
void finerTimebase(ViewContext& ctx);        // "+": a finer time base, not below row 3
void coarserTimebase(ViewContext& ctx);      // "-": a coarser time base, not above row 19
void updateTimer(ViewContext& ctx);          // the live refresh tick, its picture paced as a live result's

// Mouse clicks in window coordinates.
std::optional<int> keyColumnInput(int x, int y);  // the input whose key box was hit
bool inNameColumn(int x, int y);
// The picture column of a click on the plot of the current mode: right of the key column's
// clicks, within the rows of the plot frame; nothing elsewhere.
std::optional<int64_t> plotClickColumn(OperatingMode operatingMode, int x, int y);
// DoNotCare -> On -> Off -> HighToLow -> LowToHigh -> DoNotCare.
void advanceSearchCondition(AppState& state, int input);

}  // namespace zvl
