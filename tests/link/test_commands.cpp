#include <gtest/gtest.h>

#include "link/commands.h"
#include "link/link.h"

namespace zvl {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(CommandPacket, ValueBytesDropLeadingZerosAndPadToTheMinimum) {
    EXPECT_EQ(buildCommandPacket(0x31, 305419896, 4),
              (Bytes{0x01, 0x06, 0x31, 0x12, 0x34, 0x56, 0x78, 0x04}));
    EXPECT_EQ(buildCommandPacket(0x30, 0, 4), (Bytes{0x01, 0x06, 0x30, 0, 0, 0, 0, 0x04}));
    EXPECT_EQ(buildCommandPacket(0x30, 0x1234, 0), (Bytes{0x01, 0x04, 0x30, 0x12, 0x34, 0x04}));
    EXPECT_EQ(buildCommandPacket(0x30, 0x1234, 4), (Bytes{0x01, 0x06, 0x30, 0, 0, 0x12, 0x34, 0x04}));
    EXPECT_EQ(buildCommandPacket(0x30, 0x010000, 0), (Bytes{0x01, 0x05, 0x30, 0x01, 0x00, 0x00, 0x04}))
        << "zeros after the first significant byte stay";
    EXPECT_EQ(buildCommandPacket(0x40), (Bytes{0x01, 0x02, 0x40, 0x04}));
    EXPECT_EQ(buildCommandPacket(0x31, -5, 0), (Bytes{0x01, 0x02, 0x31, 0x04}))
        << "a negative value sends nothing";
    EXPECT_EQ(buildCommandPacket(0x31, -5, 2), (Bytes{0x01, 0x04, 0x31, 0, 0, 0x04}));
    EXPECT_EQ(buildCommandPacket(0x31, 0x7FFFFFFF, 0),
              (Bytes{0x01, 0x06, 0x31, 0x7F, 0xFF, 0xFF, 0xFF, 0x04}));
    EXPECT_EQ(buildCommandPacket(0x31, 0x7F, 0), (Bytes{0x01, 0x03, 0x31, 0x7F, 0x04}));
}

TEST(CommandPacket, LengthByteCountsEverythingAfterIt) {
    for (int32_t v : {0, 1, 255, 256, 65535, 65536, 16777216, 0x7FFFFFFF})
        for (int minLen : {0, 1, 2, 3, 4, 6}) {
            const Bytes p = buildCommandPacket(0x30, v, minLen);
            ASSERT_EQ(size_t(p[1]) + 2, p.size()) << v << " " << minLen;
            EXPECT_GE(int(p[1]) - 2, minLen);
            EXPECT_EQ(p.back(), 0x04);
            uint64_t decoded = 0;
            for (size_t i = 3; i + 1 < p.size(); ++i) decoded = decoded * 256 + p[i];
            EXPECT_EQ(decoded, uint64_t(v));
        }
}

TEST(FirmwareText, MajorDotAndTheTwoNibbles) {
    EXPECT_EQ(firmwareText(1, 0x51), "1.51");
    EXPECT_EQ(firmwareText(2, 0x0A), "2.010");
    EXPECT_EQ(firmwareText(0, 0), "0.00");
}

}  // namespace
}  // namespace zvl
