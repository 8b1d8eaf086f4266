#pragma once
// Point and measure. A click on the plot of a search view puts the result under the pointer
// under the cursor, as Go To does. The marker is one result of the recording on the screen,
// marked to measure from (Tools > "Set &Marker", or Shift+click on the plot); while it is set,
// the main window shows the time and the number of results from it to the cursor result, and
// the event list a "From marker" column. `zvl info --between` prints the same between two
// results of a file.

#include <cstdint>
#include <string>

#include "core/state.h"
#include "viewer/tracerenderer.h"

namespace zvl {

// The marked result, 0 when none is set (or it no longer lies in 1..resultCount).
int64_t markedResult(const AppState& state);
// Marks result n (1..resultCount); anything else changes nothing. True when it marked.
bool setMarker(AppState& state, int64_t n);
void clearMarker(AppState& state);

// Whether Set Marker has a result to mark: a search view of a recording with results.
bool canMarkCursorResult(const AppState& state);
// Tools > "Set &Marker": marks the cursor result of a search view. True when it marked.
bool markCursorResult(AppState& state);

// Clicks on the plot of a search view, in window coordinates; the live views take none.
// A click: the result under the pointer goes under the cursor of both views. True when moved.
bool goToResultAtPointer(AppState& state, TraceRenderer& renderer, int x, int y);
// Shift+click: marks the result under the pointer; the view stays. True when it marked.
bool markResultAtPointer(AppState& state, TraceRenderer& renderer, int x, int y);

// From result `from` to result `to`: to - from results on, T(to) - T(from) seconds.
struct ResultSpan {
    int64_t results = 0;
    int64_t seconds = 0;
};
ResultSpan resultSpan(const AppState& state, int64_t from, int64_t to);

// "0 s", "5 s", "2 min 05 s", "1 h 02 min 05 s", "3 d 01 h 02 min 05 s"; "-" before a
// negative one.
std::string formatDuration(int64_t seconds);
// "1 h 02 min 05 s, 37 results" ("1 result", "-1 result").
std::string spanText(const ResultSpan& span);
// "Marker to cursor: 1 h 02 min 05 s, 37 results" while a marker is set and a result is under
// the cursor; empty otherwise.
std::string markerToCursorText(const AppState& state);
// The event list's "From marker" cell of result n; empty without a marker.
std::string fromMarkerCell(const AppState& state, int64_t n);
// `zvl info --between A B`: "A..B: N results, T s (hh:mm:ss)", with N and T signed.
std::string betweenLine(const AppState& state, int64_t a, int64_t b);

}  // namespace zvl
