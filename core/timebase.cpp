#include "core/timebase.h"

#include <algorithm>
#include <cmath>

#include "core/state.h"
#include "core/viewplacement.h"

namespace zvl {

const TimebaseRow kTimebaseTable[kTimebaseCount] = {
    {"Timebase = 1 Second", 1.0f / 600.0f, 60, 11, "nn:ss"},
    {"Timebase = 2 Seconds", 1.0f / 300.0f, 60, 11, "h:nn:ss:zzz"},
    {"Timebase = 5 Seconds", 1.0f / 120.0f, 60, 11, "h:nn:ss"},
    {"Timebase = 30 Seconds", 1.0f / 20.0f, 100, 7, "h:nn:ss"},
    {"Timebase = 60 Seconds", 1.0f / 10.0f, 100, 7, "h:nn:ss"},
    {"Timebase = 1 Minute", 1.0f / 10.0f, 60, 11, "h:nn:ss"},
    {"Timebase = 2 Minutes", 1.0f / 5.0f, 60, 11, "h:nn:ss"},
    {"Timebase = 5 Minutes", 1.0f / 2.0f, 60, 11, "h:nn:ss"},
    {"Timebase = 30 Minutes", 3.0f, 100, 7, "hh:nn:ss"},
    {"Timebase = 60 Minutes", 6.0f, 100, 7, "hh:nn:ss"},
    {"Timebase = 1 Hour", 6.0f, 60, 11, "hh:nn:ss"},
    {"Timebase = 2 Hours", 12.0f, 60, 11, "hh:nn:ss"},
    {"Timebase = 5 Hours", 30.0f, 60, 11, "hh:nn:ss"},
    {"Timebase = 12 Hours", 72.0f, 100, 7, "hh:nn"},
    {"Timebase = 24 Hours", 144.0f, 100, 7, "hh:nn"},
    {"Timebase = 1 Day", 144.0f, 120, 6, "hh:nn"},
    {"Timebase = 2 Days", 288.0f, 120, 6, "dd/mm/yy hh:nn"},
    {"Timebase = 5 Days", 720.0f, 120, 6, "dd/mm/yy hh:nn"},
    {"Timebase = 20 Days", 2880.0f, 120, 6, "dd/mm/yy hh:nn"},
    {"Timebase = 50 Days", 7200.0f, 120, 6, "dd/mm/yy hh:nn"},
};

const TimebaseRow& timebaseRow(int32_t timebaseIndex) {
    if (timebaseIndex < 0 || timebaseIndex >= kTimebaseCount) timebaseIndex = 5;
    return kTimebaseTable[timebaseIndex];
}

int refreshIntervalMs(int32_t timebaseIndex) {
    const double spp = double(timebaseRow(timebaseIndex).secondsPerPixel);
    const double steps = std::nearbyint(spp * 20.0);
    return int(std::max(2.0, steps)) * 200;
}

void showNewestResultsOffline(AppState& state) {
    if (state.resultCount() == 0) return;
    // Results still in flight when the recording stopped are stored after its stop record,
    // with later times than the end of the recording: the view at that end is just as empty.
    const int64_t last = state.resultTime(state.resultCount());
    const int64_t recordedEnd = state.recordingEndTime > 0 ? std::min(last, state.recordingEndTime) : last;
    if (state.viewStartTime < recordedEnd) return;
    state.viewStartTime = viewStartOf(last, state.timebaseIndex);
}

}  // namespace zvl
