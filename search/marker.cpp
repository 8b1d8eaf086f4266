#include "search/marker.h"

#include <cstdio>
#include <cstdlib>

#include "core/viewplacement.h"
#include "search/navigation.h"
#include "viewer/viewmodes.h"

namespace zvl {

int64_t markedResult(const AppState& state) {
    const int64_t m = state.store.markedResult;
    return m >= 1 && m <= ShownResults(state).count() ? m : 0;
}

bool setMarker(AppState& state, int64_t n) {
    if (n < 1 || n > ShownResults(state).count()) return false;
    state.store.markedResult = n;
    return true;
}

void clearMarker(AppState& state) {
    state.store.markedResult = 0;
}

bool canMarkCursorResult(const AppState& state) {
    return state.operatingMode.isSearch() && ShownResults(state).count() > 0;
}

bool markCursorResult(AppState& state) {
    return canMarkCursorResult(state) && setMarker(state, state.cursorResult);
}

namespace {
int64_t resultAtPointer(const AppState& state, TraceRenderer& renderer, int x, int y) {
    if (state.operatingMode.isOnline()) return 0;
    const std::optional<int64_t> column = plotClickColumn(state.operatingMode, x, y);
    return column ? renderer.resultAtPictureX(*column) : 0;
}
}  // namespace

bool goToResultAtPointer(AppState& state, TraceRenderer& renderer, int x, int y) {
    const int64_t n = resultAtPointer(state, renderer, x, y);
    if (n < 1) return false;
    putUnderCursor(state, n);
    return true;
}

bool markResultAtPointer(AppState& state, TraceRenderer& renderer, int x, int y) {
    return setMarker(state, resultAtPointer(state, renderer, x, y));
}

ResultSpan resultSpan(const AppState& state, int64_t from, int64_t to) {
    const ShownResults shown(state);
    return {to - from, shown.time(to) - shown.time(from)};
}

std::string formatDuration(int64_t seconds) {
    const uint64_t t = seconds < 0 ? uint64_t(0) - uint64_t(seconds) : uint64_t(seconds);
    const unsigned long long d = t / 86400, h = t / 3600 % 24, m = t / 60 % 60, s = t % 60;
    char buf[64];
    // The leading unit without a leading zero, the ones after it with two digits.
    if (d > 0)
        std::snprintf(buf, sizeof buf, "%llu d %02llu h %02llu min %02llu s", d, h, m, s);
    else if (h > 0)
        std::snprintf(buf, sizeof buf, "%llu h %02llu min %02llu s", h, m, s);
    else if (m > 0)
        std::snprintf(buf, sizeof buf, "%llu min %02llu s", m, s);
    else
        std::snprintf(buf, sizeof buf, "%llu s", s);
    return (seconds < 0 ? "-" : "") + std::string(buf);
}

std::string spanText(const ResultSpan& span) {
    const bool one = span.results == 1 || span.results == -1;
    return formatDuration(span.seconds) + ", " + std::to_string(span.results) +
           (one ? " result" : " results");
}

std::string markerToCursorText(const AppState& state) {
    const int64_t m = markedResult(state);
    const int64_t cursor = state.cursorResult;
    if (m == 0 || cursor < 1 || cursor > ShownResults(state).count()) return {};
    return "Marker to cursor: " + spanText(resultSpan(state, m, cursor));
}

std::string fromMarkerCell(const AppState& state, int64_t n) {
    const int64_t m = markedResult(state);
    if (m == 0 || n < 1 || n > ShownResults(state).count()) return {};
    return spanText(resultSpan(state, m, n));
}

std::string betweenLine(const AppState& state, int64_t a, int64_t b) {
    const ResultSpan span = resultSpan(state, a, b);
    const uint64_t t = span.seconds < 0 ? uint64_t(0) - uint64_t(span.seconds) : uint64_t(span.seconds);
    char clock[48];
    std::snprintf(clock, sizeof clock, "%s%02llu:%02llu:%02llu", span.seconds < 0 ? "-" : "",
                  static_cast<unsigned long long>(t / 3600), static_cast<unsigned long long>(t / 60 % 60),
                  static_cast<unsigned long long>(t % 60));
    return std::to_string(a) + ".." + std::to_string(b) + ": " + std::to_string(span.results) + " results, " +
           std::to_string(span.seconds) + " s (" + clock + ")";
}

}  // namespace zvl
