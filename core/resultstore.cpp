#include "core/resultstore.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace zvl {

void ResultRecord::setTime(uint32_t t) {
    timeStamp = {uint8_t(t >> 24), uint8_t(t >> 16), uint8_t(t >> 8), uint8_t(t)};
}

ResultStore::ResultStore() : results(kSlotCount), resultsBackup(kSlotCount) {}

ResultRecord& ResultStore::slot(int64_t index) {
    if (!validSlot(index)) throw std::out_of_range("result index " + std::to_string(index) + " outside 0..100005");
    used(index);
    return results[size_t(index)];
}

const ResultRecord& ResultStore::slot(int64_t index) const {
    if (!validSlot(index)) throw std::out_of_range("result index " + std::to_string(index) + " outside 0..100005");
    return results[size_t(index)];
}

void ResultStore::clearResults() {
    used(std::clamp<int64_t>(resultCount, 0, kMaxResults) + 1);
    const int64_t last = std::min(highestUsed_, kMaxResults);
    std::fill(results.begin(), results.begin() + last + 1, ResultRecord{});
    resultCount = 0;
    markedResult = 0;
    highestUsed_ = 0;
}

bool ResultStore::correctResult(int64_t n) {
    if (n < 1 || n > kLastSlot) return false;
    used(n);
    results[size_t(n)].timeStamp = results[size_t(n - 1)].timeStamp;
    return true;
}

bool ResultStore::deleteResult(int64_t n) {
    if (n < 1 || n > resultCount || resultCount > kLastSlot) return false;
    auto first = results.begin() + n;
    auto end = results.begin() + resultCount + 1;
    std::move(first + 1, end, first);
    results[size_t(resultCount)] = ResultRecord{};
    --resultCount;
    return true;
}

}  // namespace zvl
