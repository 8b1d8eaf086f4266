#include "search/matchsearch.h"

#include <algorithm>

#include "core/viewplacement.h"
#include "search/navigation.h"

namespace zvl {

bool resultMatches(const AppState& state, int64_t n) {
    const uint16_t now = state.store.slot(n).inputStates;
    const uint16_t before = state.store.slot(n - 1).inputStates;
    for (int i = 1; i <= kInputCount; ++i) {
        if (!state.inputActive[size_t(i - 1)]) continue;
        const uint16_t mask = inputMask(i);
        const bool isOn = (now & mask) == mask;
        const bool wasOn = (before & mask) == mask;
        bool ok = true;
        switch (state.searchKey[size_t(i - 1)]) {
            case On:
                ok = isOn;
                break;
            case Off:
                ok = !isOn;
                break;
            case HighToLow:
                ok = wasOn && !isOn;
                break;
            case LowToHigh:
                ok = !wasOn && isOn;
                break;
            default:
                break;  // DoNotCare, and any byte a hand-edited settings file left here
        }
        if (!ok) return false;
    }
    return true;
}

std::vector<HeldMatch> heldMatchesInStore(const AppState& state) {
    uint16_t active = 0;
    for (int i = 1; i <= kInputCount; ++i)
        if (state.inputActive[size_t(i - 1)]) active |= inputMask(i);
    const int64_t count = std::clamp<int64_t>(state.resultCount(), 0, kMaxResults);
    const RecordRun run{{state.store.results.data() + 1, size_t(count)}, state.saveFileName, 1, true};
    return findHeldMatches(heldKey(state.searchKey, active), {&run, 1},
                           {state.heldAtLeast, state.heldAtMost});
}

std::string acceptHeldLimits(AppState& state, const std::string& atLeast, const std::string& atMost) {
    auto trimmed = [](const std::string& text) {
        const size_t first = text.find_first_not_of(' ');
        return first == std::string::npos ? std::string()
                                          : text.substr(first, text.find_last_not_of(' ') + 1 - first);
    };
    const std::string low = trimmed(atLeast), high = trimmed(atMost);
    const std::optional<int64_t> a = low.empty() ? std::nullopt : parseDuration(low);
    const std::optional<int64_t> b = high.empty() ? std::nullopt : parseDuration(high);
    if ((!low.empty() && !a) || (!high.empty() && !b)) return kHeldDurationText;
    state.heldAtLeast = a;
    state.heldAtMost = b;
    return {};
}

std::string heldLimitText(const std::optional<int64_t>& seconds) {
    if (!seconds) return {};
    for (const auto& [unit, letter] : {std::pair{86400, 'd'}, {3600, 'h'}, {60, 'm'}})
        if (*seconds > 0 && *seconds % unit == 0) return std::to_string(*seconds / unit) + letter;
    return std::to_string(*seconds) + "s";
}

int64_t findMatch(AppState& state, Prompts& prompts, int64_t start, bool forward) {
    // Only results that exist are tested: currentMatch survives loading a shorter recording,
    // and a "Back" from there must not report a match among the slots past the end.
    const int64_t count = std::clamp<int64_t>(state.resultCount(), 0, kLastSlot);
    int64_t match = 0;
    if (state.heldAtLeast || state.heldAtMost) {
        // The first result of each held match is its place; they come in order.
        for (const HeldMatch& m : heldMatchesInStore(state)) {
            if (forward && m.result >= start) {
                match = m.result;
                break;
            }
            if (!forward && m.result <= start) match = m.result;
        }
    } else if (forward) {
        for (int64_t n = std::max<int64_t>(start, 1); n <= count; ++n)
            if (resultMatches(state, n)) {
                match = n;
                break;
            }
    } else {
        for (int64_t n = std::min(start, count); n >= 1; --n)
            if (resultMatches(state, n)) {
                match = n;
                break;
            }
    }

    if (match == 0) {
        if (!state.matchFound)
            prompts.information(kNoMatchesText);
        else
            prompts.information(forward ? kNoMoreForwardText : kNoMoreBackwardText);
        return 0;
    }

    state.currentMatch = match;
    // Only the position of the view on show moves; the other view keeps its own.
    if (state.operatingMode.isEvent())
        state.currentResult = eventPositionOf(match);
    else {
        state.viewStartTime = viewStartOf(state.resultTime(match), state.timebaseIndex);
        chooseCursorResult(state, match);
    }
    state.matchFound = true;
    return match;
}

void findFirstMatch(AppState& state, Prompts& prompts, ViewHooks& view) {
    state.matchFound = false;
    state.currentMatch = 1;
    if (state.resultCount() > 0) findMatch(state, prompts, 1, true);
    view.updateControlStates();
    view.refreshWindow();
}

void findNextMatch(AppState& state, Prompts& prompts) {
    if (state.currentMatch < state.resultCount()) findMatch(state, prompts, state.currentMatch + 1, true);
}

void findPreviousMatch(AppState& state, Prompts& prompts, ViewHooks& view) {
    if (state.currentMatch > 1) findMatch(state, prompts, state.currentMatch - 1, false);
    view.refreshWindow();
}

}  // namespace zvl
