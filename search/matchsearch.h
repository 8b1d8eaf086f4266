#pragma once
// The match search: which results fit the search key, and "Find", "Next" and "Back", which
// bring the next fitting result under the cursor of the current view.

#include <cstdint>
#include <string>
#include <vector>

#include "core/state.h"
#include "platform/prompts.h"
#include "platform/viewhooks.h"
#include "search/heldmatch.h"

namespace zvl {

inline constexpr const char* kNoMatchesText = "No Pellam ZVL Matches Found";
inline constexpr const char* kNoMoreForwardText = "No More Pellam ZVL Forward Matches Found";
inline constexpr const char* kNoMoreBackwardText = "No More Pellam ZVL Backward Matches Found";

// Whether result n (1..resultCount) fits the search key, judged against result n - 1 (slot 0,
// the start record, for result 1). Inactive inputs and unknown conditions require nothing.
bool resultMatches(const AppState& state, int64_t n);

// The held matches of the stored results 1..resultCount (one run, nothing before result 1)
// under the search key of the active inputs, those the held limits admit.
std::vector<HeldMatch> heldMatchesInStore(const AppState& state);

// The search-key dialog's "Held at least" and "at most": each a duration (90s, 10m, 2h, 1d or
// seconds) or blank for no limit. Both are stored, or, when one is not a duration, neither is
// and the message names it.
inline constexpr const char* kHeldDurationText =
    "Held at least / at most: a duration such as 90s, 10m, 2h or 1d, or blank for no limit";
std::string acceptHeldLimits(AppState& state, const std::string& atLeast, const std::string& atMost);
// The text a limit shows in the dialog: "" for none, else "90s", "10m", "2h" or "1d" when it is
// a whole number of them.
std::string heldLimitText(const std::optional<int64_t>& seconds);

// Searches from `start` forwards or backwards through results 1..resultCount, without wrapping.
// A match becomes currentMatch, sets matchFound and is put under the cursor of the current
// view (event mode: currentResult = m - 31; time-base mode: viewStartTime = T(m) - h). No
// match: one of the three messages, and nothing changes. Returns the match, or 0. With held
// limits set, the results tested are those where a held match the limits admit begins.
int64_t findMatch(AppState& state, Prompts& prompts, int64_t start, bool forward);

// "Find" (findButton): a new search from result 1; then the control states and a window refresh.
void findFirstMatch(AppState& state, Prompts& prompts, ViewHooks& view);

// The search half of startOrStopOrNext ("Next" in the search modes): the next match after
// currentMatch. The caller's startOrStopOrNext then ends as in every mode: default cursor,
// updateControlStates, refreshWindow.
void findNextMatch(AppState& state, Prompts& prompts);

// "Back" (backButton): the previous match before currentMatch; then a window refresh.
void findPreviousMatch(AppState& state, Prompts& prompts, ViewHooks& view);

}  // namespace zvl
