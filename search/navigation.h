#pragma once
// The six navigation buttons under the trace and "&Examine Records". Each button moves the
// view in its own unit: results in event mode, seconds in time-base mode (record modes are
// treated as the search mode of the same kind), keeps the first and the last result within
// reach of the cursor, and ends with redrawTraceView.

#include <cstdint>

#include "core/state.h"
#include "files/filecommands.h"
#include "platform/viewhooks.h"

namespace zvl {

// The distances of a time base in whole seconds, from its single-precision seconds per pixel:
// the half width of the chart (value x 300, the cursor line's distance from the left edge),
// the fast step (value x 150) and the slow step (value x 6, at least 1), each to the nearest
// integer with halves to even.
struct TimebaseSteps {
    int64_t halfWidth;
    int64_t fastStep;
    int64_t slowStep;
};
TimebaseSteps timebaseSteps(int32_t timebaseIndex);

// Puts result n of the results on show under the cursor in both views (placeUnderCursor:
// currentResult = n - 31, viewStartTime = T(n) - h) and makes it the cursor result.
void putUnderCursor(AppState& state, int64_t n);

void goToFirstResult(AppState& state, ViewHooks& view);  // "Go to First Result": both views
void stepLeftFast(AppState& state, ViewHooks& view);     // "Fast Left": 32 results or h/2 seconds
void stepLeftSlow(AppState& state, ViewHooks& view);     // "Slow Left": 1 result or the slow step
void stepRightSlow(AppState& state, ViewHooks& view);    // "Slow Right"
void stepRightFast(AppState& state, ViewHooks& view);    // "Fast Right": 31 results or h/2 seconds
void goToLastResult(AppState& state, ViewHooks& view);   // "Go to Last Results"

// Activity > "&Examine Records" (examineRecords): exactly File > "&Open...".
FileOutcome examineRecords(FileCommands& files);

}  // namespace zvl
