// The live commands' port taken in batches: every notification still reaches the handler with
// its count and its bytes, a cleared handler hears nothing, a loss reaches its handler, and
// with a gathering time a notification returns only after the bytes of that time could gather.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "cli/batchedport.h"
#include "tests/support/fakes.h"

namespace zvl::test {
namespace {

int msIntoSecond() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return int(std::chrono::duration_cast<std::chrono::milliseconds>(now).count() % 1000);
}

TEST(BatchedPort, EachNotificationReachesTheHandlerWithItsCountAndBytes) {
    const struct {
        int gatherMs;
        std::vector<std::vector<uint8_t>> arrivals;  // one notification each
    } cases[] = {
        {0, {{1, 2, 3}, {4}, {5, 6}}},
        {3, {{1, 2, 3}, {4}, {5, 6}}},
        {3, {{0x41}}},
    };
    for (const auto& c : cases) {
        FakeClock clock;
        FakePort inner(clock, nullptr);
        cli::BatchedPort port(inner);
        port.setGatherMs(c.gatherMs);
        ASSERT_TRUE(port.open("/dev/ttyS0"));
        std::vector<int64_t> counts;
        std::vector<std::vector<uint8_t>> read;
        port.setDataAvailableHandler([&](int64_t count) {
            counts.push_back(count);
            read.emplace_back();
            for (uint8_t b = 0; port.readByte(b);) read.back().push_back(b);
        });
        std::vector<int64_t> expected;
        for (const auto& bytes : c.arrivals) {
            inner.inject(bytes);
            inner.deliver();
            expected.push_back(int64_t(bytes.size()));
        }
        EXPECT_EQ(counts, expected) << c.gatherMs;
        EXPECT_EQ(read, c.arrivals) << c.gatherMs;
    }
}

TEST(BatchedPort, AClearedHandlerHearsNothingAndALossReachesItsHandler) {
    FakeClock clock;
    FakePort inner(clock, nullptr);
    cli::BatchedPort port(inner);
    port.setGatherMs(40);
    ASSERT_TRUE(port.open("/dev/ttyUSB0"));
    int heard = 0;
    port.setDataAvailableHandler([&](int64_t) { ++heard; });
    port.setDataAvailableHandler({});
    inner.inject({1, 2});
    inner.deliver();  // no handler beneath: a cleared one must not be wrapped
    EXPECT_EQ(heard, 0);
    EXPECT_EQ(port.bytesAvailable(), 2);
    std::string lost;
    port.setLostHandler([&](const std::string& why) { lost = why; });
    inner.loseDevice("Input/output error");
    EXPECT_EQ(lost, "Input/output error");
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.lastError(), "Input/output error");
}

// Only a lower bound is checked: a slow machine makes the notification longer, never shorter.
TEST(BatchedPort, ANotificationReturnsAfterTheGatheringWindow) {
    constexpr int kGatherMs = 40;
    // Start well inside a half second, where the whole window is gathered.
    while (gatherWindowMs(kGatherMs, msIntoSecond()) < kGatherMs)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    FakeClock clock;
    FakePort inner(clock, nullptr);
    cli::BatchedPort port(inner);
    port.setGatherMs(kGatherMs);
    ASSERT_TRUE(port.open("/dev/ttyS0"));
    port.setDataAvailableHandler([&](int64_t) {
        for (uint8_t b = 0; port.readByte(b);) {
        }
    });
    inner.inject({1});
    const int window = gatherWindowMs(kGatherMs, msIntoSecond());
    const auto start = std::chrono::steady_clock::now();
    inner.deliver();
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(window - 1));  // 1 ms for the two clocks' rounding
}

}  // namespace
}  // namespace zvl::test
