#include "search/heldmatch.h"

#include <cctype>

#include "core/state.h"

namespace zvl {

HeldKey heldKey(const std::array<uint8_t, kInputCount>& conditions, uint16_t counted) {
    HeldKey key;
    for (int i = 1; i <= kInputCount; ++i) {
        const uint16_t mask = inputMask(i);
        if (!(counted & mask)) continue;
        switch (conditions[size_t(i - 1)]) {
            case LowToHigh:
                key.edges |= mask;
                [[fallthrough]];
            case On:
                key.named |= mask;
                key.on |= mask;
                break;
            case HighToLow:
                key.edges |= mask;
                [[fallthrough]];
            case Off:
                key.named |= mask;
                break;
            default:
                break;
        }
    }
    return key;
}

namespace {

std::string lowered(std::string text) {
    for (char& c : text) c = char(std::tolower(uint8_t(c)));
    return text;
}

// A whole number of at most 12 digits.
std::optional<int64_t> wholeNumber(const std::string& text) {
    if (text.empty() || text.size() > 12) return std::nullopt;
    int64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

}  // namespace

std::optional<std::array<uint8_t, kInputCount>> parseKeyText(const std::string& text, std::string& error) {
    std::array<uint8_t, kInputCount> key{};
    std::array<bool, kInputCount> named{};
    const std::string shape =
        "a comma list such as 3=off or 1=rise,2=on: an input 1..16, then =on, =off, =rise or =fall";
    if (text.empty()) {
        error = "the key is empty: it wants " + shape;
        return std::nullopt;
    }
    size_t from = 0;
    while (from <= text.size()) {
        const size_t comma = std::min(text.find(',', from), text.size());
        const std::string part = text.substr(from, comma - from);
        const size_t eq = part.find('=');
        const std::optional<int64_t> input = wholeNumber(part.substr(0, eq));
        const std::string level = eq == std::string::npos ? "" : lowered(part.substr(eq + 1));
        static const std::pair<const char*, SearchCondition> levels[] = {
            {"on", On}, {"off", Off}, {"rise", LowToHigh}, {"fall", HighToLow}};
        uint8_t condition = DoNotCare;
        for (const auto& [word, value] : levels)
            if (level == word) condition = value;
        if (!input || *input < 1 || *input > kInputCount || condition == DoNotCare) {
            error = "\"" + part + "\" is not a key part: the key wants " + shape;
            return std::nullopt;
        }
        if (named[size_t(*input - 1)]) {
            error = "input " + std::to_string(*input) + " is named twice in the key";
            return std::nullopt;
        }
        named[size_t(*input - 1)] = true;
        key[size_t(*input - 1)] = condition;
        from = comma + 1;
    }
    return key;
}

std::optional<int64_t> parseDuration(const std::string& text) {
    if (text.empty()) return std::nullopt;
    int64_t unit = 1;
    std::string digits = text;
    switch (std::tolower(uint8_t(text.back()))) {
        case 's':
            unit = 1;
            break;
        case 'm':
            unit = 60;
            break;
        case 'h':
            unit = 3600;
            break;
        case 'd':
            unit = 86400;
            break;
        default:
            unit = 0;
    }
    if (unit != 0) digits.pop_back();
    const std::optional<int64_t> count = wholeNumber(digits);
    if (!count) return std::nullopt;
    return *count * (unit == 0 ? 1 : unit);
}

HeldMatcher::HeldMatcher(const HeldKey& key, const HeldLimits& limits,
                         std::function<void(const HeldMatch&)> found)
    : key_(key), limits_(limits), found_(std::move(found)) {}

void HeldMatcher::close(int64_t endTime, bool open) {
    held_ = false;
    current_.end = endTime;
    current_.open = open;
    if (limits_.admits(current_.seconds())) found_(current_);
}

void HeldMatcher::add(const RecordRun& run) {
    const size_t runIndex = runs_++;
    if (run.gapBefore && havePrevious_) {
        if (held_) close(previousTime_, true);
        havePrevious_ = false;
    }
    if (run.records.empty()) return;

    const uint16_t named = key_.named, on = key_.on, edges = key_.edges;
    // The levels the key holds: its named inputs as it wants them.
    auto holds = [named, on](uint16_t states) { return ((states ^ on) & named) == 0; };
    // The result before the first: with nothing known, one that holds none of the levels and
    // from which every edge is made.
    uint16_t previous = havePrevious_ ? previous_ : uint16_t(~on & named);
    bool previousHolds = havePrevious_ && holds(previous);
    bool held = held_;

    const ResultRecord* records = run.records.data();
    const size_t count = run.records.size();
    for (size_t k = 0; k < count; ++k) {
        const uint16_t states = records[k].inputStates;
        const bool now = holds(states);
        if (held) {
            if (!now) {
                close(records[k].time(), false);
                held = false;
            }
        } else if (now && !previousHolds && ((previous ^ on) & edges) == edges) {
            // Each edge input was at the other level before: Low to High was off, High to Low on.
            held = held_ = true;
            current_ = HeldMatch{runIndex, run.firstInFile + int64_t(k), records[k].time(), 0, false, states};
            if (begun) begun(current_);
        }
        previous = states;
        previousHolds = now;
    }
    held_ = held;
    havePrevious_ = true;
    previous_ = previous;
    previousTime_ = records[count - 1].time();
}

void HeldMatcher::finish() {
    if (held_) close(previousTime_, true);
}

std::vector<HeldMatch> findHeldMatches(const HeldKey& key, std::span<const RecordRun> runs,
                                       const HeldLimits& limits) {
    std::vector<HeldMatch> matches;
    HeldMatcher matcher(key, limits, [&](const HeldMatch& m) { matches.push_back(m); });
    for (const RecordRun& run : runs) matcher.add(run);
    matcher.finish();
    return matches;
}

}  // namespace zvl
