#pragma once
// The result store: up to 100000 time-stamped snapshots of the sixteen inputs.
// Slot 0 is the start record of a live recording; results stand in 1..resultCount.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace zvl {

// One result, 8 bytes, in the layout the rest of the program relies on.
struct ResultRecord {
    uint8_t kind = 0;                       // instrument marker (0xA0 / 0xBF in uploads)
    uint8_t flags = 0;                      // instrument flags; bit 7 of result 1 = memory wrapped
    std::array<uint8_t, 4> timeStamp{};     // seconds since 2000, most significant byte first
    uint16_t inputStates = 0;               // bit n = input n+1, set = on

    uint32_t rawTime() const {              // the four bytes as an unsigned big-endian number
        return (uint32_t(timeStamp[0]) << 24) | (uint32_t(timeStamp[1]) << 16) | (uint32_t(timeStamp[2]) << 8) |
               uint32_t(timeStamp[3]);
    }
    void setTime(uint32_t t);               // store t most significant byte first
    bool operator==(const ResultRecord&) const = default;
};
static_assert(sizeof(ResultRecord) == 8, "a result is 8 bytes");

constexpr int64_t kLastSlot = 100005;        // highest addressable slot
constexpr int64_t kSlotCount = kLastSlot + 1;
constexpr int64_t kMaxResults = 100000;      // highest result index with a time; live limit
constexpr int kInputCount = 16;

// Mask of input i (1..16) in inputStates.
constexpr uint16_t inputMask(int input) { return static_cast<uint16_t>(1u << (input - 1)); }

inline bool validSlot(int64_t index) { return index >= 0 && index <= kLastSlot; }

class ResultStore {
public:
    ResultStore();

    std::vector<ResultRecord> results;        // slots 0..100005
    std::vector<ResultRecord> resultsBackup;  // scratch copy for the upload's reorder
    int64_t resultCount = 0;
    // The marked result the main window measures from (1..resultCount), 0 for none. It belongs
    // to the recording in the store: whatever clears or replaces the results clears it, and no
    // file holds it.
    int64_t markedResult = 0;

    // Checked slot access: throws std::out_of_range outside 0..100005.
    ResultRecord& slot(int64_t index);
    const ResultRecord& slot(int64_t index) const;

    // Time stamp of result n; 0 outside 1..100000; a top byte of 0x80 or more reads as 0x7F.
    // Inline: the trace view's walks read it in their inner loops.
    int64_t resultTime(int64_t n) const {
        if (n < 1 || n > kMaxResults) return 0;
        uint32_t t = results[size_t(n)].rawTime();
        // The top byte is clamped so the value stays a non-negative 32-bit integer.
        if (t >= 0x80000000u) t = (t & 0x00FFFFFFu) | 0x7F000000u;
        return int64_t(t);
    }

    // Zero slots 0..100000 (100001..100005 keep what they hold), set resultCount to 0 and
    // remove the marker.
    void clearResults();

    // Result n takes the time stamp of result n-1. Refused (false, nothing written) unless 1 <= n <= 100005.
    [[nodiscard]] bool correctResult(int64_t n);

    // Remove result n: later results move down one slot, resultCount drops by one and the
    // vacated slot is zeroed. Refused (false, nothing written) unless 1 <= n <= resultCount.
    [[nodiscard]] bool deleteResult(int64_t n);
};

}  // namespace zvl
