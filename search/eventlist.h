#pragma once
// The event list: a table of the results (number, date and time, seconds since the previous
// result, the inputs that changed, the sixteen states, the span from the marked result) read
// straight from the store. The rows
// are the results 1..resultCount, or, with a filter, the numbers of the results that pass it;
// nothing of a result is copied. Texts are UTF-8.

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/state.h"
#include "search/heldmatch.h"

namespace zvl {

// Columns: 0 number, 1 date and time, 2 seconds since the previous result, 3 the changes,
// 4..19 the states of inputs 1..16, 20 the time and the results from the marked result (empty
// while no result is marked).
inline constexpr int kEventListColumns = 21;
inline constexpr int kEventListFirstState = 4;
inline constexpr int kEventListFromMarker = 20;

struct EventListFilter {
    int changedInput = 0;       // 1..16: only results where that input changes; 0: any result
    bool matchingOnly = false;  // only results that fit the search key
    // Tools > "List Matches": a row per held match of the search key (within the held limits),
    // at its first result, with its end and the seconds it was held.
    bool heldMatches = false;
    bool operator==(const EventListFilter&) const = default;
};

// Whether input k (1..16) differs between result n and the one before it (slot 0, the start
// record, for result 1), as the search key's edges judge it.
bool inputChanges(const AppState& state, int64_t n, int input);

// The text of one cell of result n (1..resultCount); empty outside.
std::string eventListCell(const AppState& state, int64_t n, int column);
// The column headings: "No.", "Date and Time", "Seconds", "Changes", the input labels, then
// "From marker".
std::string eventListHeading(const AppState& state, int column);

class EventListRows {
public:
    // The text of a cell of a row, and the column headings: as eventListCell and
    // eventListHeading, but with held matches "Start", "Held (s)" and "End" stand in columns
    // 1..3 (an end still held at the last result says so).
    std::string cell(int64_t row, int column) const;
    std::string heading(int column) const;

    explicit EventListRows(const AppState& state) : state_(state) {}

    // A new filter: the rows are worked out again over the whole store.
    void setFilter(const EventListFilter& filter);
    const EventListFilter& filter() const { return filter_; }
    // The store was replaced (cleared, loaded, uploaded): the rows again from result 1.
    void reload();
    // Results stored since the last call become rows at the end; returns how many rows were
    // added (0 when the store shrank: call reload then). With held matches the rows are worked
    // out again (the last match may have ended): call reload when the store grew.
    int64_t appendNewResults();
    // Whether the store holds fewer results than the rows have seen (it was cleared).
    bool storeShrank() const { return state_.resultCount() < seen_; }
    bool storeGrew() const { return std::min<int64_t>(state_.resultCount(), kMaxResults) > seen_; }

    int64_t rowCount() const { return filtered() ? int64_t(results_.size()) : seen_; }
    int64_t resultAt(int64_t row) const;                 // 0 outside
    std::optional<int64_t> rowOf(int64_t result) const;  // the row showing that result

private:
    bool filtered() const { return filter_.changedInput != 0 || filter_.matchingOnly || filter_.heldMatches; }
    bool passes(int64_t n) const;

    const AppState& state_;
    EventListFilter filter_;
    int64_t seen_ = 0;                // results 1..seen_ have been looked at
    std::vector<int64_t> results_;    // with a filter: the numbers of the results that pass it
    std::vector<HeldMatch> matches_;  // with held matches: the match of each row
};

}  // namespace zvl
