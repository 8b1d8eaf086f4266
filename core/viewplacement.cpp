#include "core/viewplacement.h"

#include <cmath>

#include "core/timebase.h"

namespace zvl {

uint16_t ShownResults::levels(int64_t n) const {
    const ResultSource& s = source();
    if (n == 0) return s.startRecord().inputStates;
    return n >= 1 && n <= s.count() ? s.record(n).inputStates : 0;
}

int64_t halfWidthSeconds(int32_t timebaseIndex) {
    return int64_t(std::nearbyint(double(timebaseRow(timebaseIndex).secondsPerPixel) * 300.0));
}

void placeUnderCursor(AppState& state, const ResultSource& shown, int64_t n) {
    state.currentResult = eventPositionOf(n);
    state.viewStartTime = viewStartOf(shown.time(n), state.timebaseIndex);
    state.cursorResult = n;
    chooseCursorResult(state, n);
}

}  // namespace zvl
