#pragma once
// The twenty time bases of the timing diagram. Seconds per pixel are single-precision values,
// as the display has always held them; products widen them to double first.

#include <cstdint>

namespace zvl {

struct TimebaseRow {
    const char* caption;
    float secondsPerPixel;
    int gridStep;  // pixels between grid lines and labels
    int labelCount;
    const char* labelFormat;
};

constexpr int kTimebaseCount = 20;
extern const TimebaseRow kTimebaseTable[kTimebaseCount];

// Row of the table for an index, with an index outside 0..19 taken as the default row 5.
const TimebaseRow& timebaseRow(int32_t timebaseIndex);

struct AppState;

// Going offline from a live view (the Offline button, the result limit): a time chart that
// stood at "now", at or after the end of the recording, where the stored view has nothing to
// draw, shows the newest results up to the cursor line instead, as the live chart showed them.
void showNewestResultsOffline(AppState& state);

// Interval of the live refresh timer: max(2, nearest(spp x 20)) x 200 ms, the time the chart
// needs to move 4 pixels.
int refreshIntervalMs(int32_t timebaseIndex);

}  // namespace zvl
