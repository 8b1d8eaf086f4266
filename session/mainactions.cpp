#include "session/mainactions.h"

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

std::vector<std::string> commentLinesForEditing(const AppState& state) {
    std::vector<std::string> lines(state.commentLines.begin(), state.commentLines.begin() + 10);
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
}

}  // namespace zvl
