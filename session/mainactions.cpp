#include "session/mainactions.h"

#include <algorithm>
#include <cmath>

#include "core/timebase.h"
#include "search/matchsearch.h"

namespace zvl {

void startOrStopOrNext(AppState& state, InstrumentLink& link, Prompts& prompts, ViewHooks& view) {
    if (state.operatingMode.isOnline()) {
        link.startStopRecording();  // ends with the cursor, the control states and a refresh
        return;
    }
    findNextMatch(state, prompts);
    prompts.setBusyCursor(false);
    view.updateControlStates();
    view.refreshWindow();
}

void collectDataFromStartMenu(AppState& state, InstrumentLink& link, Prompts& prompts, ViewHooks& view) {
    state.operatingMode = TimebaseRecord;
    if (!state.instrumentOnline) link.connect();
    startOrStopOrNext(state, link, prompts, view);
}

void showNewestResultsOffline(AppState& state) {
    if (state.resultCount() == 0) return;
    // Results still in flight when the recording stopped are stored after its stop record,
    // with later times than the end of the recording: the view at that end is just as empty.
    const int64_t last = state.resultTime(state.resultCount());
    const int64_t recordedEnd = state.recordingEndTime > 0 ? std::min(last, state.recordingEndTime) : last;
    if (state.viewStartTime < recordedEnd) return;
    const double spp = double(timebaseRow(state.timebaseIndex).secondsPerPixel);
    state.viewStartTime = last - int64_t(std::nearbyint(300.0 * spp));
}

std::vector<std::string> commentLinesForEditing(const AppState& state) {
    std::vector<std::string> lines(state.commentLines.begin(), state.commentLines.begin() + 10);
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
}

}  // namespace zvl
