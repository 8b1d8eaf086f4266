#pragma once
// What the window's views show and where: the results on show (the store in place, or a
// timeline of recordings opened in its stead: ResultStore::timeline) and the one rule that puts
// a result under the cursor, slot 31 of the event chart and the cursor line of the time chart,
// half the chart's width (300 pixels) after the view's start. The renderer, the navigation,
// Go To, the marker, a search and a load place the view through these.

#include <cstdint>

#include "core/resultsource.h"
#include "core/state.h"

namespace zvl {

// The results the views read, for as long as the state's store lives.
class ShownResults final {
public:
    explicit ShownResults(const AppState& state) : store_(state.store), inPlace_(state.store) {}
    ShownResults(const ShownResults&) = delete;
    ShownResults& operator=(const ShownResults&) = delete;
    const ResultSource& source() const { return store_.timeline ? *store_.timeline : inPlace_; }
    int64_t count() const { return source().count(); }
    int64_t time(int64_t n) const { return source().time(n); }
    // The inputs of result n; n = 0 is what stands before result 1 (a live recording's start
    // record); 0 outside 0..count.
    uint16_t levels(int64_t n) const;

private:
    const ResultStore& store_;
    StoreSource inPlace_;
};

// The event chart's slot under the cursor, and the view position (currentResult) that puts
// result n there.
constexpr int64_t kCursorSlot = 31;
constexpr int64_t eventPositionOf(int64_t n) {
    return n - kCursorSlot;
}
// Half the time chart's width in whole seconds at a time base: 300 pixels, to the nearest
// second (halves to even) from the single-precision seconds per pixel.
int64_t halfWidthSeconds(int32_t timebaseIndex);
// The view start that puts a moment on the cursor line.
inline int64_t viewStartOf(int64_t moment, int32_t timebaseIndex) {
    return moment - halfWidthSeconds(timebaseIndex);
}

// Puts result n under the cursor in both views and makes it the chosen cursor result.
void placeUnderCursor(AppState& state, const ResultSource& shown, int64_t n);

}  // namespace zvl
