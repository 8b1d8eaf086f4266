#pragma once
// Held matches: where the search key's pattern begins and how long it is held. A match begins at
// a result that passes the match test against the result before it while that result does not
// already hold the key's levels (On and Low to High want an input on, Off and High to Low want
// it off); it is held until the first later result at which one of those levels no longer holds,
// whose time is the match's end. A match still held at the last result, or at the last result
// before a gap, ends there and is open.
//
// A run's first result with nothing known before it (the first run, a run after a gap) begins a
// match when it holds the key's levels: nothing shows they were held before it, and an edge the
// key asks for is taken as made there. Such a match may have begun earlier, so its duration is
// the least it was held.
//
// The results come as runs: spans of records, each from one file. Runs without a gap between
// them continue each other, and a match may be held across them.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/resultsource.h"
#include "core/resultstore.h"

namespace zvl {

// The key as masks over the input-state word.
struct HeldKey {
    uint16_t named = 0;  // inputs with a condition
    uint16_t on = 0;     // of those, the ones held on (On, Low to High); the others held off
    uint16_t edges = 0;  // inputs that must change at the first result (Low to High, High to Low)
};

// From one condition per input (SearchCondition values; an unknown byte is "do not care"),
// counting only the inputs of `counted` (the window counts its active inputs; zvl find all).
HeldKey heldKey(const std::array<uint8_t, kInputCount>& conditions, uint16_t counted = 0xFFFF);

// "3=off,5=rise": a comma list of N=on, N=off, N=rise (low to high) or N=fall (high to low),
// N an input 1..16, each input at most once. nullopt with the reason in `error`.
std::optional<std::array<uint8_t, kInputCount>> parseKeyText(const std::string& text, std::string& error);

// "90s", "10m", "2h", "1d" or a plain number of seconds; nullopt when it is none of those.
std::optional<int64_t> parseDuration(const std::string& text);

// A stretch of records from one file (records, file, number of records[0] in its file, whether
// results are missing between the run before and this one).
using RecordRun = SourceRun;

struct HeldMatch {
    size_t run = 0;      // the run it begins in (the count of runs added before it)
    int64_t result = 0;  // the number of its first result in that run's file
    int64_t start = 0;   // time stamps of its first result and of its end
    int64_t end = 0;
    bool open = false;    // still held at the last result, or at the last before a gap
    uint16_t levels = 0;  // the input states at its first result
    int64_t seconds() const { return end - start; }
    bool operator==(const HeldMatch&) const = default;
};

// Held at least / at most so many seconds (none: no limit).
struct HeldLimits {
    std::optional<int64_t> atLeast, atMost;
    bool any() const { return atLeast || atMost; }
    bool admits(int64_t seconds) const {
        return (!atLeast || seconds >= *atLeast) && (!atMost || seconds <= *atMost);
    }
};

// Runs go in one at a time, in order, and need to live only while they are added: the runs
// of a long recording need not all be in memory at once. Each match the limits admit is handed
// to `found` as soon as it ends; finish() ends one still held.
class HeldMatcher {
public:
    HeldMatcher(const HeldKey& key, const HeldLimits& limits, std::function<void(const HeldMatch&)> found);
    void add(const RecordRun& run);
    // Told of each match as it begins (its end not yet known), for the live alarms.
    std::function<void(const HeldMatch&)> begun;
    void finish();

private:
    void close(int64_t endTime, bool open);

    HeldKey key_;
    HeldLimits limits_;
    std::function<void(const HeldMatch&)> found_;
    size_t runs_ = 0;
    bool havePrevious_ = false;  // a result before the next one, without a gap between
    uint16_t previous_ = 0;      // its input states
    int64_t previousTime_ = 0;
    bool held_ = false;
    HeldMatch current_;
};

// Every match over `runs`, in order.
std::vector<HeldMatch> findHeldMatches(const HeldKey& key, std::span<const RecordRun> runs,
                                       const HeldLimits& limits = {});

}  // namespace zvl
