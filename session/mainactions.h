#pragma once
// Main-window commands whose behaviour spans subsystems, kept out of the widget so they run
// headless.

#include <string>
#include <vector>

#include "core/state.h"
#include "link/link.h"
#include "platform/prompts.h"
#include "platform/viewhooks.h"

namespace zvl {

// startStopButton: Start/Stop of the live recording in the record modes, "Next" of the match search in
// the search modes; in every mode it ends with the default cursor, the control states and a
// refresh of the window.
void startOrStopOrNext(AppState& state, InstrumentLink& link, Prompts& prompts, ViewHooks& view);

// The start menu's "Collect Data": online time-base mode, the handshake unless the instrument
// is known to be online, then startStopButton. An instrument that does not answer leaves the program
// offline, so startStopButton is then the search's "Next" and no recording starts.
void collectDataFromStartMenu(AppState& state, InstrumentLink& link, Prompts& prompts, ViewHooks& view);

// The comment lines as the comments dialog edits them: slots 0..9, trailing empty ones left out.
std::vector<std::string> commentLinesForEditing(const AppState& state);

}  // namespace zvl
