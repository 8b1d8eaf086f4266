#pragma once
// The result store: up to 100000 time-stamped snapshots of the sixteen inputs.
// Slot 0 is the start record of a live recording; results stand in 1..resultCount.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

namespace zvl {

class ResultSource;

// One result, 8 bytes, in the layout the rest of the program relies on.
struct ResultRecord {
    uint8_t kind = 0;                    // instrument marker (0xA0 / 0xBF in uploads)
    uint8_t flags = 0;                   // instrument flags; bit 7 of result 1 = memory wrapped
    std::array<uint8_t, 4> timeStamp{};  // seconds since 2000, most significant byte first
    uint16_t inputStates = 0;            // bit n = input n+1, set = on

    uint32_t rawTime() const {  // the four bytes as an unsigned big-endian number
        return (uint32_t(timeStamp[0]) << 24) | (uint32_t(timeStamp[1]) << 16) |
               (uint32_t(timeStamp[2]) << 8) | uint32_t(timeStamp[3]);
    }
    // The time stamp as the store reads it: a top byte of 0x80 or more reads as 0x7F, so the
    // value stays a non-negative 32-bit integer.
    int64_t time() const {
        const uint32_t t = rawTime();
        return int64_t(t >= 0x80000000u ? (t & 0x00FFFFFFu) | 0x7F000000u : t);
    }
    void setTime(uint32_t t);  // store t most significant byte first
    bool operator==(const ResultRecord&) const = default;
};
static_assert(sizeof(ResultRecord) == 8, "a result is 8 bytes");

constexpr int64_t kLastSlot = 100005;  // highest addressable slot
constexpr int64_t kSlotCount = kLastSlot + 1;
constexpr int64_t kMaxResults = 100000;  // highest result index with a time; live limit
constexpr int kInputCount = 16;

// Mask of input i (1..16) in inputStates.
constexpr uint16_t inputMask(int input) {
    return static_cast<uint16_t>(1u << (input - 1));
}

inline bool validSlot(int64_t index) {
    return index >= 0 && index <= kLastSlot;
}

// The store's slots: zero bytes, not written again when they are made, and a block of them
// zeroed only as far as it was written. A block comes from those that earlier ones gave back,
// else from calloc, which hands out a block this large as untouched zero pages. So a new store
// (one for each input of a fuzz target, for each part file read) costs only the slots that are
// then used. (A vector would write every slot on making and visit every one on destruction;
// taking a fresh block from the system each time costs its mapping, page faults and unmapping,
// and under AddressSanitizer its shadow memory too.)
//
// The slots that may have been written are those below writtenEnd(): every writable access
// counts (an index through operator[], the whole block through begin(), end() and data()).
class ResultSlots {
public:
    explicit ResultSlots(std::size_t count);
    ResultSlots(const ResultSlots& other) : ResultSlots(other.count_) {
        std::memcpy(static_cast<void*>(slots_), other.slots_, count_ * sizeof(ResultRecord));
        writtenEnd_ = other.writtenEnd_;
    }
    ResultSlots& operator=(const ResultSlots& other) {
        if (this != &other) {
            ResultSlots copy(other);
            std::swap(slots_, copy.slots_);
            std::swap(count_, copy.count_);
            std::swap(writtenEnd_, copy.writtenEnd_);
        }
        return *this;
    }
    // The block, zeroed where it was written, is kept for the next ResultSlots of its size.
    ~ResultSlots();

    ResultRecord& operator[](std::size_t i) {
        if (i >= writtenEnd_) writtenEnd_ = i + 1;
        return slots_[i];
    }
    const ResultRecord& operator[](std::size_t i) const { return slots_[i]; }
    ResultRecord* data() { return begin(); }
    const ResultRecord* data() const { return slots_; }
    ResultRecord* begin() {
        writtenEnd_ = count_;
        return slots_;
    }
    ResultRecord* end() { return begin() + count_; }
    const ResultRecord* begin() const { return slots_; }
    const ResultRecord* end() const { return slots_ + count_; }
    std::size_t size() const { return count_; }
    bool operator==(const ResultSlots& other) const {
        return count_ == other.count_ && std::equal(begin(), end(), other.begin());
    }

    std::size_t writtenEnd() const { return writtenEnd_; }
    // Zeroes slots 0..n-1 (n <= size()).
    void zeroFront(std::size_t n) {
        std::memset(static_cast<void*>(slots_), 0, n * sizeof(ResultRecord));
        if (n >= writtenEnd_) writtenEnd_ = 0;
    }

private:
    ResultRecord* slots_;
    std::size_t count_;
    std::size_t writtenEnd_ = 0;
};
static_assert(std::is_trivially_copyable_v<ResultRecord>, "slots are copied and zeroed as bytes");

class ResultStore {
public:
    ResultStore();

    ResultSlots results;        // slots 0..100005
    ResultSlots resultsBackup;  // scratch copy for the upload's reorder
    int64_t resultCount = 0;
    // The marked result the main window measures from (1..resultCount), 0 for none. It belongs
    // to the recording in the store: whatever clears or replaces the results clears it, and no
    // file holds it.
    int64_t markedResult = 0;
    // The store holds a recording recovered from its journal: live results that arrive while no
    // recording runs (an instrument still streaming for a program that was killed) are not added
    // to it. Whatever clears or replaces the results clears it.
    bool recovered = false;
    // A timeline of recordings (a folder) the window shows in the store's stead, read-only;
    // the store is empty meanwhile. Whatever clears or replaces the results drops it.
    std::shared_ptr<const ResultSource> timeline;

    // Checked slot access: throws std::out_of_range outside 0..100005. A slot reached through
    // the writable access counts as used until the next clearResults.
    ResultRecord& slot(int64_t index);
    const ResultRecord& slot(int64_t index) const;

    // Time stamp of result n; 0 outside 1..100000; a top byte of 0x80 or more reads as 0x7F.
    // Inline: the trace view's walks read it in their inner loops.
    int64_t resultTime(int64_t n) const {
        if (n < 1 || n > kMaxResults) return 0;
        return results[size_t(n)].time();
    }

    // Zero slots 0..100000 (100001..100005 keep what they hold) set resultCount to 0 and
    // remove the marker and the timeline.
    // Only the slots written since the last clear are written (see ResultSlots), so a clear
    // costs what was stored.
    void clearResults();

    // Result n takes the time stamp of result n-1. Refused (false, nothing written) unless 1 <= n <= 100005.
    [[nodiscard]] bool correctResult(int64_t n);

    // Remove result n: later results move down one slot, resultCount drops by one and the
    // vacated slot is zeroed. Refused (false, nothing written) unless 1 <= n <= resultCount.
    [[nodiscard]] bool deleteResult(int64_t n);
};

}  // namespace zvl
