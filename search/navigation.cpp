#include "search/navigation.h"

#include <algorithm>
#include <cmath>

#include "core/timebase.h"
#include "core/viewplacement.h"

namespace zvl {

namespace {
constexpr int64_t kFirstEventPosition = eventPositionOf(1);  // result 1 under the cursor

int64_t nearest(double v) {
    return int64_t(std::nearbyint(v));
}

// The last event position that still has a result under the cursor.
int64_t lastEventPosition(const AppState& state) {
    return eventPositionOf(ShownResults(state).count());
}

int64_t firstTimePosition(const AppState& state) {
    return viewStartOf(ShownResults(state).time(1), state.timebaseIndex);
}
int64_t lastTimePosition(const AppState& state) {
    const ShownResults shown(state);
    return viewStartOf(shown.time(shown.count()), state.timebaseIndex);
}

// A step left, then only the left bound.
void stepLeft(AppState& state, int64_t results, int64_t seconds) {
    if (state.operatingMode.isEvent()) {
        state.currentResult -= results;
        if (state.currentResult < kFirstEventPosition) state.currentResult = kFirstEventPosition;
    } else {
        state.viewStartTime -= seconds;
        const int64_t bound = firstTimePosition(state);
        if (state.viewStartTime < bound) state.viewStartTime = bound;
    }
}

// A step right, then only the right bound.
void stepRight(AppState& state, int64_t results, int64_t seconds) {
    if (state.operatingMode.isEvent()) {
        state.currentResult += results;
        const int64_t bound = lastEventPosition(state);
        if (state.currentResult > bound) state.currentResult = bound;
    } else {
        state.viewStartTime += seconds;
        const int64_t bound = lastTimePosition(state);
        if (state.viewStartTime > bound) state.viewStartTime = bound;
    }
}
}  // namespace

TimebaseSteps timebaseSteps(int32_t timebaseIndex) {
    const double spp = double(timebaseRow(timebaseIndex).secondsPerPixel);
    return {halfWidthSeconds(timebaseIndex), nearest(spp * 150.0), nearest(std::max(spp * 6.0, 1.0))};
}

void putUnderCursor(AppState& state, int64_t n) {
    placeUnderCursor(state, ShownResults(state).source(), n);
}

void goToFirstResult(AppState& state, ViewHooks& view) {
    state.currentResult = kFirstEventPosition;
    state.viewStartTime = firstTimePosition(state);
    view.redrawTraceView();
}

void stepLeftFast(AppState& state, ViewHooks& view) {
    stepLeft(state, state.eventColumns / 2, timebaseSteps(state.timebaseIndex).fastStep);
    view.redrawTraceView();
}

void stepLeftSlow(AppState& state, ViewHooks& view) {
    stepLeft(state, 1, timebaseSteps(state.timebaseIndex).slowStep);
    view.redrawTraceView();
}

void stepRightSlow(AppState& state, ViewHooks& view) {
    stepRight(state, 1, timebaseSteps(state.timebaseIndex).slowStep);
    view.redrawTraceView();
}

void stepRightFast(AppState& state, ViewHooks& view) {
    stepRight(state, 31, timebaseSteps(state.timebaseIndex).fastStep);
    view.redrawTraceView();
}

void goToLastResult(AppState& state, ViewHooks& view) {
    if (state.operatingMode.isEvent()) {
        if (ShownResults(state).count() > 0) state.currentResult = lastEventPosition(state);
    } else {
        state.viewStartTime = lastTimePosition(state);
    }
    view.redrawTraceView();
}

FileOutcome examineRecords(FileCommands& files) {
    return files.open();
}

}  // namespace zvl
