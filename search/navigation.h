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

// Puts result n under the cursor in both views (currentResult = n - 31, viewStartTime =
// T(n) - h) and makes it the cursor result.
void putUnderCursor(AppState& state, int64_t n);

void firstbtnClick(AppState& state, ViewHooks& view);   // "Go to First Result": both views
void fastleftClick(AppState& state, ViewHooks& view);   // "Fast Left": 32 results or h/2 seconds
void slowleftClick(AppState& state, ViewHooks& view);   // "Slow Left": 1 result or the slow step
void slowrightClick(AppState& state, ViewHooks& view);  // "Slow Right"
void fastrightClick(AppState& state, ViewHooks& view);  // "Fast Right": 31 results or h/2 seconds
void lastbtnClick(AppState& state, ViewHooks& view);    // "Go to Last Results"

// Activity > "&Examine Records" (ExamineRecords1Click): exactly File > "&Open...".
FileOutcome ExamineRecords1Click(FileCommands& files);

}  // namespace zvl
