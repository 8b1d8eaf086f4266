// Statistics on recordings of a few results, worked out by hand.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "core/state.h"
#include "files/statistics.h"

namespace zvl {
namespace {

struct Recording {
    std::unique_ptr<AppState> state = std::make_unique<AppState>();
    void add(int64_t t, uint16_t word) {
        ResultRecord& r = state->store.results[size_t(++state->resultCount())];
        r.setTime(uint32_t(t));
        r.inputStates = word;
    }
};

constexpr int64_t kDay = 86400;
constexpr int64_t kBase = 100 * kDay;

// Input 1 on at results 1 and 3, input 2 on from result 3 to the end; results at 0, 15, 30,
// 60 and 100 s, so ten equal boxes are 10 s wide.
TEST(Statistics, WholeRecordingAndTenEqualBoxes) {
    Recording rec;
    rec.state->inputLabels[0] = "Pump, \"main\"";
    const int64_t at[] = {0, 15, 30, 60, 100};
    const uint16_t word[] = {0b01, 0b00, 0b11, 0b10, 0b10};
    for (int i = 0; i < 5; ++i) rec.add(kBase + at[i], word[i]);
    const Statistics s = computeStatistics(rec.state->store, BoxChoice::TenEqual);

    const InputSummary& in1 = s.inputs[0];
    EXPECT_EQ(in1.toOn, 1);  // result 1 against the start record is no change
    EXPECT_EQ(in1.toOff, 2);
    EXPECT_EQ(in1.onTime, 45);
    EXPECT_EQ(in1.offTime, 55);
    EXPECT_EQ(in1.shortestOn, 15);
    EXPECT_EQ(in1.longestOn, 30);
    const InputSummary& in2 = s.inputs[1];
    EXPECT_EQ(in2.onTime, 70);  // the last result holds for nothing
    EXPECT_FALSE(in2.shortestOn || in2.longestOn) << "a run still on at the end is open";
    EXPECT_EQ(dutyText(in2.onTime, in2.offTime), "70.0");
    EXPECT_EQ(dutyText(s.inputs[2].onTime, s.inputs[2].offTime), "0.0");
    EXPECT_EQ(dutyText(0, 0), "");

    // Result 1 (0..15 s) is split 10 + 5 between boxes 0 and 1, result 2 (15..30 s) 5 + 10.
    EXPECT_EQ(s.boxes[0].inputs[0].onTime, 10);
    EXPECT_EQ(s.boxes[1].inputs[0].onTime, 5);
    EXPECT_EQ(s.boxes[1].inputs[0].offTime, 5);
    EXPECT_EQ(s.boxes[1].inputs[0].toOff, 1);
    // The change at 30 s, on the boundary of boxes 2 and 3, counts in box 3; the last result
    // at the recording's end counts in box 9.
    EXPECT_EQ(s.boxes[2].inputs[0].toOn + s.boxes[2].inputs[1].toOn, 0);
    EXPECT_EQ(s.boxes[3].inputs[0].toOn, 1);
    EXPECT_EQ(s.boxes[3].inputs[1].toOn, 1);
    EXPECT_EQ(s.boxes[3].start, kBase + 30);

    const TextGrid grid = statisticsGrid(s, *rec.state);
    ASSERT_EQ(grid.size(), 19u);
    ASSERT_EQ(grid[0].size(), 15u);
    EXPECT_EQ(grid[0][2], "1");
    EXPECT_EQ(grid[1][5], formatTimeStamp(kBase + 30));
    EXPECT_EQ(grid[2], (std::vector<std::string>{"1", "Pump, \"main\"", "0", "1", "0", "1", "0", "0", "1",
                                                 "0", "0", "0", "3", "45", "45.0"}));
    EXPECT_EQ(grid[18], (std::vector<std::string>{"All", "", "1", "1", "0", "1", "0", "0", "1", "0", "0", "1",
                                                  "5", "", ""}));
    const std::string csv = csvText(grid);
    EXPECT_NE(csv.find("\r\n1,\"Pump, \"\"main\"\"\",0,1,"), std::string::npos) << csv;
    EXPECT_EQ(csv.substr(csv.size() - 2), "\r\n");
}

// Equal boxes are whole seconds: a change exactly on a boundary opens the later box, and the
// holding times split at the boundaries are whole seconds.
TEST(Statistics, AChangeOnAnEqualBoxBoundaryCountsInTheLaterBox) {
    struct Row {
        BoxChoice choice;
        int64_t span, change;
        size_t box;
    };
    for (const Row& row : {Row{BoxChoice::TwentyEqual, 44, 33, 15}, Row{BoxChoice::TwentyEqual, 108, 81, 15},
                           Row{BoxChoice::TenEqual, 70, 21, 3}, Row{BoxChoice::TenEqual, 7, 7, 9}}) {
        SCOPED_TRACE("span " + std::to_string(row.span) + ", change at " + std::to_string(row.change));
        Recording rec;
        rec.add(kBase, 0);
        rec.add(kBase + row.change, 1);
        if (row.change < row.span) rec.add(kBase + row.span, 1);
        const Statistics s = computeStatistics(rec.state->store, row.choice);
        EXPECT_EQ(s.boxes[row.box].inputs[0].toOn, 1);
        EXPECT_EQ(s.boxes[row.box].start, kBase + row.change);
        for (const BoxFigures& b : s.boxes)
            EXPECT_EQ(b.inputs[0].onTime + b.inputs[0].offTime,
                      std::floor(b.inputs[0].onTime + b.inputs[0].offTime));
    }
}

// A label a spreadsheet would take for a formula is written as text.
TEST(Statistics, CsvFieldsThatLookLikeFormulasStayText) {
    const TextGrid grid{{"=1+2", "+49 30", "-x", "@SUM(A1)", "a=b", "12", ""}};
    EXPECT_EQ(csvText(grid, "\n"), "\"'=1+2\",\"'+49 30\",\"'-x\",\"'@SUM(A1)\",a=b,12,\n");
}

// Input 1 on from 23:30 to 00:30 on two nights, the second time for a day and an hour.
TEST(Statistics, HourlyBoxesOverSeveralDays) {
    Recording rec;
    rec.add(kBase + 23 * 3600 + 1800, 1);
    rec.add(kBase + kDay + 1800, 0);
    rec.add(kBase + kDay + 23 * 3600 + 1800, 1);
    rec.add(kBase + 3 * kDay + 1800, 0);
    const Statistics s = computeStatistics(rec.state->store, BoxChoice::Hourly);

    ASSERT_EQ(s.boxes.size(), 24u);
    EXPECT_EQ(s.boxes[23].results, 2);
    EXPECT_EQ(s.boxes[0].results, 2);
    EXPECT_EQ(s.boxes[23].inputs[0].toOn, 1);
    EXPECT_EQ(s.boxes[0].inputs[0].toOff, 2);
    EXPECT_EQ(s.boxes[23].inputs[0].onTime, 7200);
    EXPECT_EQ(s.boxes[23].inputs[0].offTime, 1800);
    EXPECT_EQ(s.boxes[0].inputs[0].onTime, 7200);
    EXPECT_EQ(s.boxes[5].inputs[0].onTime, 3600);  // the whole day in every hour
    EXPECT_EQ(s.boxes[5].inputs[0].offTime, 3600);
    EXPECT_EQ(s.inputs[0].onTime, 93600);
    EXPECT_EQ(s.inputs[0].offTime, 82800);
    EXPECT_EQ(dutyText(s.inputs[0].onTime, s.inputs[0].offTime), "53.1");
    EXPECT_EQ(s.inputs[0].shortestOn, 3600);
    EXPECT_EQ(s.inputs[0].longestOn, 90000);

    const TextGrid grid = statisticsGrid(s, *rec.state);
    ASSERT_EQ(grid[0].size(), 29u);
    EXPECT_EQ(grid[0][2], "00-01");
    EXPECT_EQ(grid[0][25], "23-24");
    EXPECT_EQ(grid[1][25], "23:00:00");
    EXPECT_EQ(boxDetails(s, *rec.state, 23)[1],
              (std::vector<std::string>{"1", "", "1", "0", "7200", "1800", "80.0"}));
}

// Times that run backwards, an empty store and a count past the last timed result: figures
// stay in range and every holding time is counted once.
TEST(Statistics, DisorderedAndEmptyStores) {
    Recording rec;
    for (BoxChoice choice : {BoxChoice::Hourly, BoxChoice::TenEqual, BoxChoice::TwentyEqual}) {
        const Statistics empty = computeStatistics(rec.state->store, choice);
        EXPECT_EQ(int(empty.boxes.size()), boxCount(choice));
        EXPECT_EQ(statisticsGrid(empty, *rec.state)[18][2], "0");
    }
    rec.add(kBase + 50, 1);
    rec.add(kBase + 10, 0);
    rec.add(kBase + 40, 1);
    rec.add(kBase + 20, 1);
    const Statistics s = computeStatistics(rec.state->store, BoxChoice::TwentyEqual);
    EXPECT_EQ(s.inputs[0].onTime + s.inputs[0].offTime, 30);  // only 10 -> 40 moves forward
    EXPECT_EQ(s.inputs[0].shortestOn, 0);
    int64_t results = 0;
    for (const BoxFigures& b : s.boxes) results += b.results;
    EXPECT_EQ(results, 4);

    rec.state->resultCount() = kLastSlot;
    EXPECT_EQ(computeStatistics(rec.state->store, BoxChoice::TenEqual).resultCount, kMaxResults);
}

}  // namespace
}  // namespace zvl
