// Random byte streams through the live decoder: it must never crash, never strand a complete
// packet, never hold more than one partial packet, and decode the same results however the
// stream is cut into notifications.
#include <gtest/gtest.h>

#include <random>

#include "tests/support/fakes.h"

namespace zvl {
namespace {

using Bytes = std::vector<uint8_t>;

void feedInPieces(test::Rig& rig, const Bytes& stream, std::mt19937& rng, size_t maxPiece) {
    size_t pos = 0;
    while (pos < stream.size()) {
        const size_t n = std::min(stream.size() - pos, size_t(1 + rng() % maxPiece));
        rig.feed(Bytes(stream.begin() + long(pos), stream.begin() + long(pos + n)));
        pos += n;
        const std::string& buf = rig.state.rxBuffer;
        // What waits is at most one partial packet (or a lone byte the loop has not looked at).
        if (buf.size() >= 2) {
            ASSERT_EQ(uint8_t(buf[0]), 0x01) << "only a packet start may wait";
            ASSERT_LE(uint8_t(buf[1]), 13);
            ASSERT_LT(buf.size(), size_t(uint8_t(buf[1])) + 2) << "a complete packet was left undecoded";
        }
        ASSERT_LE(rig.state.resultCount(), kMaxResults);
    }
}

TEST(DecoderFuzz, RandomBytesNeverBreakTheDecoder) {
    std::mt19937 rng(12345);
    for (int round = 0; round < 300; ++round) {
        test::Rig rig{sim::SimConfig{}, false};
        Bytes stream(size_t(rng() % 600));
        for (auto& b : stream) {
            // Bias toward the bytes the decoder cares about.
            const unsigned pick = rng() % 10;
            b = pick == 0 ? 0x01 : pick == 1 ? uint8_t(rng() % 16) : pick == 2 ? 0xD0 : uint8_t(rng());
        }
        feedInPieces(rig, stream, rng, 40);
        if (HasFatalFailure()) return;
        for (int64_t i = rig.state.resultCount() + 1; i <= kLastSlot && i < rig.state.resultCount() + 3; ++i)
            EXPECT_EQ(rig.state.store.results[size_t(i)], ResultRecord{});
    }
}

TEST(DecoderFuzz, TheCutIntoNotificationsDoesNotChangeWhatIsDecoded) {
    std::mt19937 rng(777);
    for (int round = 0; round < 100; ++round) {
        // Well-formed packets with signal bytes, noise and malformed packets between them: every
        // packet is decoded, and exactly the faults are thrown away.
        Bytes stream;
        std::vector<uint16_t> expected;
        const int packets = 1 + int(rng() % 60);
        LiveDecoder::Discards faults;  // what goes between the packets and must be thrown away
        for (int i = 0; i < packets; ++i) {
            if (rng() % 4 == 0) stream.push_back(rng() % 2 ? 0x15 : 0x05);
            if (rng() % 5 == 0) {  // noise: bytes that cannot start a packet
                for (unsigned k = 1 + rng() % 3; k > 0; --k, ++faults.bytes) {
                    uint8_t b;
                    do b = uint8_t(rng());
                    while (canStartPacket(b));
                    stream.push_back(b);
                }
            }
            if (rng() % 7 == 0) {  // too long a length; no packet start or signal inside
                const Bytes bad{0x01, uint8_t(0x16 + rng() % 200), 0xD0, 0x33, 0x44, 0x04};  // above 0x15
                stream.insert(stream.end(), bad.begin(), bad.end());
                faults.bytes += int64_t(bad.size());
                ++faults.packets;
            }
            if (rng() % 3 == 0) {
                stream.insert(stream.end(), {0x01, 0x06, 0xC1, 0, 0, uint8_t(rng() % 9), 0x51, 0x04});
            } else {
                const uint16_t w = uint16_t(rng());
                expected.push_back(w);
                stream.insert(stream.end(), {0x01, 0x04, 0xD0, uint8_t(w >> 8), uint8_t(w), 0x04});
            }
        }
        expected.push_back(0x4242);  // a last packet: a fault's last byte may wait for more
        stream.insert(stream.end(), {0x01, 0x04, 0xD0, 0x42, 0x42, 0x04});
        test::Rig rig{sim::SimConfig{}, false};
        feedInPieces(rig, stream, rng, 1 + rng() % 20);
        if (HasFatalFailure()) return;
        ASSERT_EQ(rig.state.resultCount(), int64_t(expected.size())) << "round " << round;
        for (size_t i = 0; i < expected.size(); ++i)
            EXPECT_EQ(rig.state.store.results[i + 1].inputStates, expected[i]);
        EXPECT_EQ(rig.link.liveDiscards(), faults) << "round " << round;
    }
}

}  // namespace
}  // namespace zvl
