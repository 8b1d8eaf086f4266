// The VCD export: the text of a small hand-made recording, and the file read back by sigrok.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "core/timerules.h"
#include "files/vcdfile.h"
#include "filetestutil.h"

namespace zvl {
namespace {

struct VcdTest : ::testing::Test, test::FileCommandsRig {
    test::TempDir dir;

    // Five active inputs: a label with a space, one with a Windows-1252 letter, one that reads
    // as the first once cleaned, an empty one; seconds shared by results 1-2 and 4-5.
    void record() {
        for (int k = 0; k < kInputCount; ++k) state.inputLabels[size_t(k)] = "In" + std::to_string(k + 1);
        state.inputLabels[0] = "Pump 1";
        state.inputLabels[1] = "Caf\xE9 door";
        state.inputLabels[2] = "Pump_1";
        state.inputLabels[3] = "";
        for (int k = 0; k < kInputCount; ++k) state.inputActive[size_t(k)] = k < 4 || k == 5;
        const std::pair<uint32_t, uint16_t> results[] = {
            {850000000, 0x0001}, {850000000, 0x0002}, {850000001, 0x0006}, {850000003, 0x0011},
            {850000003, 0x0020}, {850000004, 0x0030}, {850000007, 0x0009}};
        int64_t n = 0;
        for (const auto& [time, states] : results) {
            state.store.slot(++n).setTime(time);
            state.store.slot(n).inputStates = states;
        }
        state.resultCount() = n;
    }
};

TEST_F(VcdTest, ExportWritesActiveInputsAndTheLastResultOfEachSecond) {
    record();
    const std::string path = dir.file("run.vcd");
    dialogs.answers = {path};
    EXPECT_EQ(files.exportVcd(), FileOutcome::Done);
    EXPECT_EQ(test::readBytes(path),
              "$date\n    7 Dec 2026 - 23:06:40\n$end\n$version\n    Pellam ZVL companion 0.1\n$end\n"
              "$comment\n    7 results; 2 shared a second with a later result and are not shown\n$end\n"
              "$timescale 1 s $end\n$scope module pellam_zvl $end\n"
              "$var wire 1 ! Pump_1 $end\n$var wire 1 \" Caf__door $end\n$var wire 1 # Pump_1_2 $end\n"
              "$var wire 1 $ input_4 $end\n$var wire 1 & In6 $end\n$upscope $end\n$enddefinitions $end\n"
              "#0\n$dumpvars\n0!\n1\"\n0#\n0$\n0&\n$end\n#1\n1#\n#3\n0\"\n0#\n1&\n#4\n#7\n1!\n1$\n0&\n#8\n");
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].request.defaultExtension, "vcd");
    EXPECT_TRUE(dialogs.shown[0].request.overwritePrompt);

    AppState empty;
    const std::string none = vcdText(empty, "p");
    EXPECT_NE(none.find("$date\n    no results\n$end"), std::string::npos);
    EXPECT_EQ(none.find('#'), std::string::npos) << "no time points without results";
}

// A time that steps back loses no result: each result after a step stands one second after the
// one before it, and a comment names the step.
TEST(Vcd, EveryResultAroundATimeThatStepsBackIsShown) {
    const int64_t t = 850000000;
    const struct {
        std::vector<int64_t> times;
        std::vector<int64_t> points;  // the time point of each result
        int64_t hidden;
    } cases[] = {
        {{t, t + 1, t + 3}, {0, 1, 3}, 0},
        {{t, t + 1, t - 3599, t - 3598}, {0, 1, 2, 3}, 0},  // summer time's end
        {{t, t + 10, t + 5, t + 20}, {0, 10, 11, 26}, 0},
        {{t, t + 2, t + 2, t + 1, t + 1}, {0, 2, 2, 3, 3}, 2},  // a step into a second already shown
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        AppState st;
        for (size_t i = 0; i < c.times.size(); ++i) {
            st.store.slot(int64_t(i + 1)).setTime(uint32_t(c.times[i]));
            st.store.slot(int64_t(i + 1)).inputStates = uint16_t(1u << i);  // each result changes input i + 1
        }
        st.resultCount() = int64_t(c.times.size());
        st.inputActive.fill(true);
        const std::string vcd = vcdText(st, "p");
        SCOPED_TRACE(vcd);
        EXPECT_NE(
            vcd.find(std::to_string(c.times.size()) + " results; " + std::to_string(c.hidden) + " shared"),
            std::string::npos);
        size_t steps = 0, comments = 0;
        for (size_t i = 1; i < c.times.size(); ++i) {
            if (c.times[i] >= c.times[i - 1]) continue;
            ++steps;
            const std::string step = "the time steps back " + std::to_string(c.times[i - 1] - c.times[i]) +
                                     " s at result " + std::to_string(i + 1) + " (" +
                                     formatTimeStamp(c.times[i - 1]) + " to " + formatTimeStamp(c.times[i]) +
                                     "): it is shown at #" + std::to_string(c.points[i]);
            EXPECT_NE(vcd.find(step), std::string::npos) << step;
        }
        for (size_t at = 0; (at = vcd.find("the time steps back", at)) != std::string::npos; ++at) ++comments;
        EXPECT_EQ(comments, steps);
        // Every result not hidden by a later one of its own second sets its input at its point.
        for (size_t i = 0; i < c.times.size(); ++i) {
            if (i + 1 < c.times.size() && c.points[i + 1] == c.points[i]) continue;
            const size_t at = vcd.find("#" + std::to_string(c.points[i]) + "\n");
            ASSERT_NE(at, std::string::npos) << "result " << i + 1;
            EXPECT_NE(vcd.find("1" + std::string(1, char('!' + i)) + "\n", at), std::string::npos) << i + 1;
        }
    }
}

TEST_F(VcdTest, SigrokReadsBackEveryInputAtEveryResult) {
    if (std::system("command -v sigrok-cli >/dev/null 2>&1") != 0)
        GTEST_SKIP()
            << "sigrok-cli is not installed (apt-get install sigrok-cli); the read-back is not checked";
    record();
    const std::string vcd = dir.file("run.vcd"), csv = dir.file("run.csv");
    test::writeBytes(vcd, vcdText(state, "p"));
    ASSERT_EQ(std::system(("sigrok-cli -i '" + vcd + "' -O csv > '" + csv + "'").c_str()), 0);

    // Lines: comments (";"), the samplerate, the column kinds, then one row per second from 0.
    std::istringstream in(test::readBytes(csv));
    std::string line, channels;
    std::vector<std::string> rows;
    while (std::getline(in, line)) {
        if (line.rfind("; Channels", 0) == 0)
            channels = line;
        else if (!line.empty() && (line[0] == '0' || line[0] == '1'))
            rows.push_back(line);
    }
    EXPECT_EQ(channels, "; Channels (5/5): Pump_1, Caf__door, Pump_1_2, input_4, In6");
    const int active[] = {1, 2, 3, 4, 6};
    for (int64_t n = 1; n <= state.resultCount(); ++n) {
        int64_t last = n;  // the result that stands for this second
        while (last < state.resultCount() && state.resultTime(last + 1) == state.resultTime(n)) ++last;
        const size_t second = size_t(state.resultTime(n) - state.resultTime(1));
        ASSERT_LT(second, rows.size()) << "result " << n;
        std::string expected;
        for (int input : active)
            expected += std::string(expected.empty() ? "" : ",") +
                        ((state.store.results[size_t(last)].inputStates & inputMask(input)) ? "1" : "0");
        EXPECT_EQ(rows[second], expected) << "result " << n << " at second " << second;
    }
}

}  // namespace
}  // namespace zvl
