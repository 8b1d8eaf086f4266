// Held matches against a brute force that follows the rule word by word, on random recordings.
#include <gtest/gtest.h>

#include <random>

#include "core/state.h"
#include "search/eventlist.h"
#include "search/heldmatch.h"
#include "search/matchsearch.h"
#include "tests/search/searchfixture.h"

namespace zvl {
namespace {

struct Flat {  // one result of all the runs, in order
    uint16_t states;
    int64_t time, number;
    size_t run;
    bool afterGap;  // nothing known before it
};

// The match test of the search key, input by input, against the result before.
bool passes(const std::array<uint8_t, kInputCount>& key, uint16_t before, uint16_t now) {
    for (int i = 0; i < kInputCount; ++i) {
        const bool b = before >> i & 1, n = now >> i & 1;
        const uint8_t c = key[size_t(i)];
        if ((c == On && !n) || (c == Off && n) || (c == HighToLow && !(b && !n)) ||
            (c == LowToHigh && !(!b && n)))
            return false;
    }
    return true;
}
bool holdsLevels(const std::array<uint8_t, kInputCount>& key, uint16_t s) {
    for (int i = 0; i < kInputCount; ++i) {
        const uint8_t c = key[size_t(i)];
        const bool n = s >> i & 1;
        if (((c == On || c == LowToHigh) && !n) || ((c == Off || c == HighToLow) && n)) return false;
    }
    return true;
}

struct Seen {  // the cases the random recordings reach
    int open = 0, acrossRuns = 0, endedByGap = 0;
};

std::vector<HeldMatch> bruteForce(const std::array<uint8_t, kInputCount>& key, const std::vector<Flat>& all,
                                  const HeldLimits& limits, Seen& seen) {
    std::vector<HeldMatch> out;
    for (size_t k = 0; k < all.size(); ++k) {
        const bool begins = all[k].afterGap ? holdsLevels(key, all[k].states)
                                            : holdsLevels(key, all[k].states) &&
                                                  passes(key, all[k - 1].states, all[k].states) &&
                                                  !holdsLevels(key, all[k - 1].states);
        if (!begins) continue;
        size_t j = k + 1;
        while (j < all.size() && !all[j].afterGap && holdsLevels(key, all[j].states)) ++j;
        const bool open = j == all.size() || all[j].afterGap;
        HeldMatch m{all[k].run, all[k].number, all[k].time, open ? all[j - 1].time : all[j].time,
                    open,       all[k].states};
        if (limits.admits(m.seconds())) out.push_back(m);
        seen.open += open;
        seen.endedByGap += j < all.size() && open;
        seen.acrossRuns += all[j - 1].run != all[k].run;
        k = j - 1;
    }
    return out;
}

TEST(HeldMatch, AgreesWithTheRuleOnRandomRunsKeysAndLimits) {
    std::mt19937 rng(38);
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    Seen seen;
    int total = 0;
    for (int round = 0; round < 3000; ++round) {
        std::vector<std::vector<ResultRecord>> files(size_t(1 + pick(4)));
        std::vector<Flat> all;
        std::vector<RecordRun> runs;
        int64_t t = pick(1000);
        bool sinceGap = true;  // a gap (or the start) since the last result, even across empty runs
        for (size_t f = 0; f < files.size(); ++f) {
            const bool gap = f == 0 || pick(2) == 0;
            sinceGap = sinceGap || gap;
            files[f].resize(size_t(pick(12)));
            for (size_t k = 0; k < files[f].size(); ++k) {
                files[f][k].inputStates = uint16_t(rng() & 0x7 ? rng() & 0x8007 : rng());
                files[f][k].setTime(uint32_t(t += pick(30)));
                all.push_back({files[f][k].inputStates, t, int64_t(k + 3), f, sinceGap});
                sinceGap = false;
            }
            runs.push_back({files[f], "f", 3, gap});
        }
        // Every shape: one to three named inputs among 1, 2, 3 and 16, any condition, and now
        // and then an unknown byte, which names nothing.
        std::array<uint8_t, kInputCount> key{};
        for (int n = 1 + pick(3); n > 0; --n)
            key[size_t(std::array{0, 1, 2, 15}[size_t(pick(4))])] = uint8_t(pick(6));
        HeldLimits limits;
        if (pick(3) == 0) limits.atLeast = pick(60);
        if (pick(3) == 0) limits.atMost = pick(90);

        const std::vector<HeldMatch> want = bruteForce(key, all, limits, seen);
        const std::vector<HeldMatch> got = findHeldMatches(heldKey(key), runs, limits);
        ASSERT_TRUE(got == want) << "round " << round;
        total += int(want.size());
    }
    // The random recordings reach the cases the rule is about.
    EXPECT_GT(total, 3000);
    EXPECT_GT(seen.open, 300);
    EXPECT_GT(seen.endedByGap, 100);
    EXPECT_GT(seen.acrossRuns, 100);
}

TEST(HeldMatch, ParsesKeysAndDurations) {
    std::string error;
    const auto key = parseKeyText("3=off,16=RISE,1=fall,2=on", error);
    EXPECT_EQ(key, (std::array<uint8_t, kInputCount>{HighToLow, On, Off, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                     LowToHigh}));
    for (const char* bad : {"", "3", "3=", "0=on", "17=on", "3=up", "3=on,", "3=on,3=off", "x=on", " 3=on"})
        EXPECT_FALSE(parseKeyText(bad, error)) << bad;
    for (auto [text, seconds] : {std::pair{"90s", 90}, {"10m", 600}, {"2h", 7200}, {"1d", 86400}, {"75", 75}})
        EXPECT_EQ(parseDuration(text), seconds) << text;
    for (const char* bad : {"", "s", "-5s", "1.5h", "10w", "9999999999999d"})
        EXPECT_FALSE(parseDuration(bad)) << bad;
}

}  // namespace
}  // namespace zvl

namespace zvl {
namespace {

// Input 3 off (key "Off") from results 2, 6 and 9, held 40, 140 and 350 s (the last to the last
// result); inputs 5 and 6 on, off, on, ... and inactive, so their conditions do not count.
test::SearchRig heldRig() {
    test::SearchRig rig;
    rig.fill(12, 1000, 10);
    const int64_t times[] = {0, 1000, 1010, 1040, 1050, 1100, 1110, 1200, 1250, 1300, 1500, 1600, 1650};
    for (int64_t n = 1; n <= 12; ++n) {
        rig.setTime(n, times[n]);
        rig.set(n, uint16_t((n == 2 || n == 3 || n == 6 || n == 7 || n >= 9) ? 0 : 0x4) |
                       uint16_t(n % 2 ? 0x30 : 0));
    }
    rig.state.inputActive[4] = rig.state.inputActive[5] = false;
    rig.key({{3, Off}, {5, On}, {6, Off}});
    return rig;
}

TEST(HeldSearch, FindNextAndBackStepThroughTheRunsHeldSoLong) {
    struct Case {
        std::optional<int64_t> atLeast, atMost;
        std::vector<int64_t> forward;  // Find, then Next until nothing more
    };
    const Case cases[] = {{60, {}, {6, 9}}, {{}, 60, {2}}, {150, 300, {}}, {30, 400, {2, 6, 9}}};
    for (const Case& c : cases) {
        test::SearchRig rig = heldRig();
        rig.state.heldAtLeast = c.atLeast;
        rig.state.heldAtMost = c.atMost;
        std::vector<int64_t> seen;
        findFirstMatch(rig.state, rig.prompts, rig.view);
        for (int64_t last = -1; rig.state.matchFound && last != rig.state.currentMatch;) {
            last = rig.state.currentMatch;
            seen.push_back(last);
            findNextMatch(rig.state, rig.prompts);
        }
        EXPECT_EQ(seen, c.forward);
        EXPECT_EQ(rig.prompts.informations.back(), c.forward.empty() ? kNoMatchesText : kNoMoreForwardText);
        for (size_t k = c.forward.size(); k-- > 1;) {
            findPreviousMatch(rig.state, rig.prompts, rig.view);
            EXPECT_EQ(rig.state.currentMatch, c.forward[k - 1]);
        }
    }
}

TEST(HeldSearch, LimitsAcceptedFromTheDialogAndTheMatchesListed) {
    test::SearchRig rig = heldRig();
    EXPECT_EQ(acceptHeldLimits(rig.state, "1m", "x"), kHeldDurationText);
    EXPECT_FALSE(rig.state.heldAtLeast);
    EXPECT_EQ(acceptHeldLimits(rig.state, " 60 ", ""), "");
    EXPECT_EQ(heldLimitText(rig.state.heldAtLeast), "1m");
    EXPECT_FALSE(rig.state.heldAtMost);

    EventListRows rows(rig.state);
    rows.setFilter({0, false, true});
    ASSERT_EQ(rows.rowCount(), 2);
    EXPECT_EQ(rows.resultAt(1), 9);
    EXPECT_EQ(rows.heading(2), "Held (s)");
    EXPECT_EQ(rows.cell(0, 2), "140");
    EXPECT_EQ(rows.cell(1, 3), formatTimeStamp(1650) + "  (held to the last result)");
    EXPECT_EQ(rows.rowOf(6), 0);
}

}  // namespace
}  // namespace zvl
