#include "core/mainactions.h"

#include "search/matchsearch.h"

namespace zvl {

void Button2Click(AppState& state, InstrumentLink& link, Prompts& prompts, ViewHooks& view) {
    if (isOnlineMode(state.operatingMode)) {
        link.startStopRecording();  // ends with the cursor, the control states and a repaint
        return;
    }
    Button2ClickSearch(state, prompts);
    prompts.setBusyCursor(false);
    view.updateControlStates();
    view.repaint();
}

void optionsCollectData(AppState& state, InstrumentLink& link, Prompts& prompts, ViewHooks& view) {
    state.operatingMode = TimebaseRecord;
    if (!state.instrumentOnline) link.connect();
    Button2Click(state, link, prompts, view);
}

std::vector<std::string> commentLinesForEditing(const AppState& state) {
    std::vector<std::string> lines(state.commentLines.begin(), state.commentLines.begin() + 10);
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
}

}  // namespace zvl
