#include "core/resultstore.h"

#include <algorithm>
#include <mutex>
#include <stdexcept>
#include <string>

namespace zvl {

namespace {
// Blocks given back, zeroed, for the next ResultSlots of their size: two stores' worth at most
// (a store has two blocks of 800 kB). Never freed: they stay reachable to the end.
struct SpareBlocks {
    static constexpr int kMax = 4;
    std::mutex mutex;
    ResultRecord* blocks[kMax] = {};
    std::size_t counts[kMax] = {};
    int n = 0;
};
SpareBlocks& spareBlocks() {
    static auto* spare = new SpareBlocks;
    return *spare;
}
}  // namespace

ResultSlots::ResultSlots(std::size_t count) : slots_(nullptr), count_(count) {
    {
        SpareBlocks& spare = spareBlocks();
        const std::lock_guard lock(spare.mutex);
        for (int i = spare.n - 1; i >= 0; --i) {
            if (spare.counts[i] != count) continue;
            slots_ = spare.blocks[i];
            --spare.n;
            spare.blocks[i] = spare.blocks[spare.n];
            spare.counts[i] = spare.counts[spare.n];
            return;
        }
    }
    slots_ = static_cast<ResultRecord*>(std::calloc(count, sizeof(ResultRecord)));
    if (!slots_) throw std::bad_alloc();
}

ResultSlots::~ResultSlots() {
    if (!slots_) return;
    SpareBlocks& spare = spareBlocks();
    {
        const std::lock_guard lock(spare.mutex);
        if (spare.n < SpareBlocks::kMax) {
            zeroFront(writtenEnd_);
            spare.blocks[spare.n] = slots_;
            spare.counts[spare.n] = count_;
            ++spare.n;
            return;
        }
    }
    std::free(slots_);
}

void ResultRecord::setTime(uint32_t t) {
    timeStamp = {uint8_t(t >> 24), uint8_t(t >> 16), uint8_t(t >> 8), uint8_t(t)};
}

ResultStore::ResultStore() : results(kSlotCount), resultsBackup(kSlotCount) {}

ResultRecord& ResultStore::slot(int64_t index) {
    if (!validSlot(index))
        throw std::out_of_range("result index " + std::to_string(index) + " outside 0..100005");
    return results[size_t(index)];
}

const ResultRecord& ResultStore::slot(int64_t index) const {
    if (!validSlot(index))
        throw std::out_of_range("result index " + std::to_string(index) + " outside 0..100005");
    return results[size_t(index)];
}

void ResultStore::clearResults() {
    results.zeroFront(std::min(results.writtenEnd(), size_t(kMaxResults + 1)));
    resultCount = 0;
    markedResult = 0;
    recovered = false;
    timeline.reset();
}

bool ResultStore::correctResult(int64_t n) {
    if (n < 1 || n > kLastSlot) return false;
    results[size_t(n)].timeStamp = results[size_t(n - 1)].timeStamp;
    return true;
}

bool ResultStore::deleteResult(int64_t n) {
    if (n < 1 || n > resultCount || resultCount > kLastSlot) return false;
    for (int64_t i = n; i < resultCount; ++i) results[size_t(i)] = results[size_t(i + 1)];
    results[size_t(resultCount)] = ResultRecord{};
    --resultCount;
    return true;
}

}  // namespace zvl
