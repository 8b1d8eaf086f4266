#include "viewer/viewmodes.h"

#include <algorithm>
#include <cmath>

#include "core/timebase.h"
#include "core/viewplacement.h"

namespace zvl {

void recentreOnCursor(AppState& state) {
    state.viewStartTime = viewStartOf(ShownResults(state).time(state.cursorResult), state.timebaseIndex);
    state.currentResult = eventPositionOf(state.operatingMode == TimebaseSearch ? 1 : state.cursorResult);
    chooseCursorResult(state, state.cursorResult);
}

void setRefreshInterval(const AppState& state, Timer& updateTimer) {
    updateTimer.setInterval(refreshIntervalMs(state.timebaseIndex));
}

void toggleEventTimeView(ViewContext& ctx) {
    ctx.state.operatingMode.toggleEventTimebase();
    recentreOnCursor(ctx.state);
    ctx.view.redrawTraceView();
    ctx.view.refreshWindow();
}

namespace {
void changeTimebase(ViewContext& ctx, int32_t index) {
    ctx.state.timebaseIndex = index;
    setRefreshInterval(ctx.state, ctx.updateTimer);
    // The walk at the new scale from the old view start finds the result now at the cursor.
    ctx.renderer.updateWalkState();
    recentreOnCursor(ctx.state);
    ctx.view.refreshWindow();
}
}  // namespace

void finerTimebase(ViewContext& ctx) {
    changeTimebase(ctx, std::max(3, ctx.state.timebaseIndex - 1));
}

void coarserTimebase(ViewContext& ctx) {
    changeTimebase(ctx, std::min(19, ctx.state.timebaseIndex + 1));
}

void updateTimer(ViewContext& ctx) {
    ctx.state.viewStartTime = ctx.state.liveTime;
    // Paced as a live result's redraw: a tick that moves nothing on the chart builds nothing.
    ctx.view.redrawTraceViewSoon();
}

std::optional<int> keyColumnInput(int x, int y) {
    if (x > 115 && x < 140 && y >= 131 && y <= 449) {
        const int k = (y - 110) / 20;
        if (k >= 1 && k <= kInputCount) return k;
    }
    return std::nullopt;
}

bool inNameColumn(int x, int y) {
    return x >= 14 && x <= 112 && y > 130 && y < 450;
}

std::optional<int64_t> plotClickColumn(OperatingMode operatingMode, int x, int y) {
    const int px = x - kPictureLeft, py = y - kPictureTop;
    const int right = operatingMode.isEvent() ? kEventRight : kTimebaseRight;
    // The key column takes window x up to 139, which covers the plot's first two columns.
    if (x < 140 || px >= right || py < 30 || py >= 348) return std::nullopt;
    return px;
}

void advanceSearchCondition(AppState& state, int input) {
    uint8_t& c = state.searchKey[size_t(input - 1)];
    if (c > LowToHigh) c = DoNotCare;  // an unknown condition counts as DoNotCare
    c = c == LowToHigh ? uint8_t(DoNotCare) : uint8_t(c + 1);
}

}  // namespace zvl
