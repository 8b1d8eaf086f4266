#include "files/vcdfile.h"

#include <algorithm>
#include <set>
#include <vector>

#include "core/timerules.h"

namespace zvl {

namespace {

bool wordCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// The identifier code of input i (0-based): one printable character from '!'.
char wireCode(int i) {
    return char('!' + i);
}

}  // namespace

std::array<std::string, kInputCount> vcdWireNames(const AppState& state) {
    std::array<std::string, kInputCount> names{};
    std::set<std::string> taken;
    for (int i = 0; i < kInputCount; ++i) {
        if (!state.inputActive[size_t(i)]) continue;
        std::string name = state.inputLabels[size_t(i)];
        for (char& c : name)
            if (!wordCharacter(c)) c = '_';
        if (name.empty()) name = "input_" + std::to_string(i + 1);
        std::string unique = name;
        for (int n = 2; taken.count(unique); ++n) unique = name + "_" + std::to_string(n);
        taken.insert(unique);
        names[size_t(i)] = unique;
    }
    return names;
}

namespace {
// The dump's second of each result 0..count. It follows the results' times from result 1; where
// the time steps back (an upload whose backward times were kept, a live recording across the
// change from summer time) the dump goes on one second after the result before the step, so
// every result keeps a second of its own, and a comment added to `steps` names the step.
std::vector<int64_t> dumpSeconds(const ResultSource& source, int64_t count, std::string& steps) {
    std::vector<int64_t> seconds(size_t(count + 1), 0);
    int64_t before = 0;
    forEachResult(source, [&](int64_t n, const ResultRecord& r) {
        const int64_t now = r.time();
        if (n == 1) {
            before = now;
            return;
        }
        seconds[size_t(n)] = seconds[size_t(n - 1)] + (now >= before ? now - before : 1);
        if (now < before)
            steps += "$comment\n    the time steps back " + std::to_string(before - now) + " s at result " +
                     std::to_string(n) + " (" + formatTimeStamp(before) + " to " + formatTimeStamp(now) +
                     "): it is shown at #" + std::to_string(seconds[size_t(n)]) +
                     ", one second after the result before it\n$end\n";
        before = now;
    });
    return seconds;
}
}  // namespace

std::string vcdText(const AppState& state, const std::string& program) {
    return vcdText(StoreSource(state.store), state, program);
}

std::string vcdText(const ResultSource& source, const AppState& state, const std::string& program) {
    const int64_t count = source.count();
    const std::array<std::string, kInputCount> names = vcdWireNames(state);
    uint16_t activeMask = 0;
    for (int i = 0; i < kInputCount; ++i)
        if (state.inputActive[size_t(i)]) activeMask |= inputMask(i + 1);

    std::string steps;
    const std::vector<int64_t> seconds = dumpSeconds(source, count, steps);
    auto secondOf = [&](int64_t n, int64_t) { return seconds[size_t(n)]; };
    int64_t hidden = 0;  // results whose own second holds a later result
    for (int64_t n = 1; n < count; ++n)
        if (seconds[size_t(n + 1)] == seconds[size_t(n)]) ++hidden;
    const int64_t start = source.time(1);

    std::string out;
    out.reserve(size_t(512 + 24 * count + steps.size()));
    out += "$date\n    ";
    out += count >= 1 ? formatHeaderDate(dateTimeFromTimeStamp(start)) : std::string("no results");
    out += "\n$end\n$version\n    " + program + "\n$end\n";
    out += "$comment\n    " + std::to_string(count) + " results; " + std::to_string(hidden) +
           " shared a second with a later result and are not shown\n$end\n";
    out += steps;
    out += "$timescale 1 s $end\n$scope module pellam_zvl $end\n";
    for (int i = 0; i < kInputCount; ++i)
        if (!names[size_t(i)].empty())
            out += std::string("$var wire 1 ") + wireCode(i) + " " + names[size_t(i)] + " $end\n";
    out += "$upscope $end\n$enddefinitions $end\n";
    if (count < 1) return out;

    auto states = [&](int64_t n) { return uint16_t(source.record(n).inputStates & activeMask); };
    auto values = [&](uint16_t now, uint16_t changed) {
        for (int i = 0; i < kInputCount; ++i) {
            if (!(changed & inputMask(i + 1))) continue;
            out += (now & inputMask(i + 1)) ? '1' : '0';
            out += wireCode(i);
            out += '\n';
        }
    };
    int64_t second = 0;
    int64_t n = 1;
    uint16_t shown = 0;
    bool first = true;
    for (;;) {
        // The last result of this second.
        int64_t next = second;
        while (n < count && (next = secondOf(n + 1, second)) == second) ++n;
        const uint16_t now = states(n);
        out += '#';
        out += std::to_string(second);
        out += '\n';
        if (first) {
            out += "$dumpvars\n";
            values(now, activeMask);
            out += "$end\n";
            first = false;
        } else {
            values(now, uint16_t(now ^ shown));
        }
        shown = now;
        if (n == count) break;
        second = next;
        ++n;
    }
    // The end of the last second, so that readers which sample up to the last time point
    // (sigrok) keep its state too.
    out += '#';
    out += std::to_string(second + 1);
    out += '\n';
    return out;
}

}  // namespace zvl
