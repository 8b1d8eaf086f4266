// zvl-sim --replay: the script read exactly, and its words sent at their times.
#include <gtest/gtest.h>

#include "sim/replay.h"

namespace zvl::sim {
namespace {

TEST(SimReplay, ReadsTheScriptOrSaysWhichLineIsWrong) {
    std::vector<ReplayStep> s;
    ASSERT_EQ(parseReplay("seconds,inputs\r\n0,0\n\n# a remark\n 1.5 , 0x00fF\r\n1.5,65535\n", "f", s),
              std::nullopt);
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[1].ms, 1500);
    EXPECT_EQ(s[1].inputs, 0xFF);
    EXPECT_EQ(s[2].inputs, 0xFFFF);
    const std::vector<std::pair<const char*, const char*>> bad = {
        {"0,1\n2,1,3\n", "f line 2: wants SECONDS,WORD"},
        {"x,1\nx,1\n", "f line 2: the seconds are not a number"},
        {"0.0001,1\n", "f line 1: the seconds are not a number"},
        {"2,1\n1,1\n", "f line 2: the seconds are less than on the line before"},
        {"0,65536\n", "f line 1: the input word is not"},
        {"0,0x10000\n", "f line 1: the input word is not"},
        {"0,-1\n", "f line 1: the input word is not"},
        {"seconds,inputs\n", "f: no results in it"},
    };
    for (const auto& [text, error] : bad) {
        const auto e = parseReplay(text, "f", s);
        EXPECT_TRUE(e && e->rfind(error, 0) == 0) << text << " -> " << e.value_or("(none)");
    }
}

TEST(SimReplay, SendsEachWordAtItsTimeFromTheStartAndThenNothing) {
    SimConfig c;
    c.replay = {{0, 0x1}, {1000, 0x4}, {1000, 0x5}, {2500, 0x8000}};
    InstrumentEngine e(c);
    std::vector<std::pair<int64_t, uint16_t>> got;
    int64_t now = 0;
    e.onLiveResult = [&](uint16_t w) { got.emplace_back(now, w); };
    e.receive(std::vector<uint8_t>{0x01, 0x02, 0x40, 0x04}, 500);  // start of live collection at 500 ms
    for (now = 500; now <= 10000; now += 100) e.tick(now);
    const std::vector<std::pair<int64_t, uint16_t>> want = {
        {500, 0x1}, {1500, 0x4}, {1500, 0x5}, {3000, 0x8000}};
    EXPECT_EQ(got, want);
}

}  // namespace
}  // namespace zvl::sim
