#include "search/eventlist.h"

#include <algorithm>

#include "core/codepage.h"
#include "search/marker.h"
#include "search/matchsearch.h"

namespace zvl {

namespace {
// Results the list can show: 1..resultCount, never beyond the last result with a time.
int64_t shownCount(const AppState& state) {
    return std::clamp<int64_t>(state.resultCount(), 0, kMaxResults);
}
}  // namespace

bool inputChanges(const AppState& state, int64_t n, int input) {
    const uint16_t mask = inputMask(input);
    return ((state.store.slot(n).inputStates ^ state.store.slot(n - 1).inputStates) & mask) != 0;
}

std::string eventListCell(const AppState& state, int64_t n, int column) {
    if (n < 1 || n > shownCount(state) || column < 0 || column >= kEventListColumns) return {};
    const ResultRecord& r = state.store.slot(n);
    switch (column) {
        case 0:
            return std::to_string(n);
        case 1:
            return formatResultTime(state, n);
        case 2:
            return n == 1 ? std::string() : std::to_string(state.resultTime(n) - state.resultTime(n - 1));
        case 3: {
            std::string changes;
            for (int k = 1; k <= kInputCount; ++k) {
                if (!inputChanges(state, n, k)) continue;
                if (!changes.empty()) changes += "  ";
                changes += windows1252ToUtf8(state.inputLabels[size_t(k - 1)]);
                changes += (r.inputStates & inputMask(k)) ? " \u2191" : " \u2193";
            }
            return changes;
        }
        case kEventListFromMarker:
            return fromMarkerCell(state, n);
        default:
            return (r.inputStates & inputMask(column - kEventListFirstState + 1)) ? "1" : "0";
    }
}

std::string eventListHeading(const AppState& state, int column) {
    static const char* const fixed[] = {"No.", "Date and Time", "Seconds", "Changes"};
    if (column < 0 || column >= kEventListColumns) return {};
    if (column < kEventListFirstState) return fixed[column];
    if (column == kEventListFromMarker) return "From marker";
    return windows1252ToUtf8(state.inputLabels[size_t(column - kEventListFirstState)]);
}

bool EventListRows::passes(int64_t n) const {
    if (filter_.changedInput != 0 && !inputChanges(state_, n, filter_.changedInput)) return false;
    return !filter_.matchingOnly || resultMatches(state_, n);
}

void EventListRows::setFilter(const EventListFilter& filter) {
    filter_ = filter;
    if (filter_.changedInput < 0 || filter_.changedInput > kInputCount) filter_.changedInput = 0;
    reload();
}

void EventListRows::reload() {
    seen_ = 0;
    results_.clear();
    matches_.clear();
    if (filter_.heldMatches) {
        matches_ = heldMatchesInStore(state_);
        for (const HeldMatch& m : matches_) results_.push_back(m.result);
        seen_ = shownCount(state_);
        return;
    }
    appendNewResults();
}

std::string EventListRows::cell(int64_t row, int column) const {
    const int64_t n = resultAt(row);
    if (!filter_.heldMatches || column < 2 || column > 3 || n == 0) return eventListCell(state_, n, column);
    const HeldMatch& m = matches_[size_t(row)];
    if (column == 2) return std::to_string(m.seconds());
    return formatTimeStamp(m.end) + (m.open ? "  (held to the last result)" : "");
}

std::string EventListRows::heading(int column) const {
    static const char* const held[] = {"No.", "Start", "Held (s)", "End"};
    if (filter_.heldMatches && column >= 0 && column < kEventListFirstState) return held[column];
    return eventListHeading(state_, column);
}

int64_t EventListRows::appendNewResults() {
    if (filter_.heldMatches) return 0;  // the rows are worked out whole, by reload
    const int64_t count = shownCount(state_);
    if (count <= seen_) return 0;
    const int64_t before = rowCount();
    if (filtered())
        for (int64_t n = seen_ + 1; n <= count; ++n)
            if (passes(n)) results_.push_back(n);
    seen_ = count;
    return rowCount() - before;
}

int64_t EventListRows::resultAt(int64_t row) const {
    if (row < 0 || row >= rowCount()) return 0;
    return filtered() ? results_[size_t(row)] : row + 1;
}

std::optional<int64_t> EventListRows::rowOf(int64_t result) const {
    if (result < 1 || result > seen_) return std::nullopt;
    if (!filtered()) return result - 1;
    const auto it = std::lower_bound(results_.begin(), results_.end(), result);
    if (it == results_.end() || *it != result) return std::nullopt;
    return int64_t(it - results_.begin());
}

}  // namespace zvl
