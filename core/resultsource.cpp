#include "core/resultsource.h"

#include <algorithm>

namespace zvl {

size_t ResultSource::segmentOf(int64_t n) const {
    const std::vector<SourceSegment>& all = segments();
    const auto after = std::upper_bound(all.begin(), all.end(), n,
                                        [](int64_t k, const SourceSegment& s) { return k < s.first; });
    return after == all.begin() ? 0 : size_t(after - all.begin() - 1);
}

std::span<const ResultRecord> StoreSource::run(int64_t n) const {
    const int64_t last = count();
    if (n < 1 || n > last) return {};
    return {&store_.results[size_t(n)], size_t(last - n + 1)};
}

const std::vector<SourceSegment>& StoreSource::segments() const {
    // The store grows while a live recording runs: the segment follows it.
    SourceSegment& s = segments_.front();
    s.count = count();
    if (s.files.empty()) s.files.push_back({});
    s.files.front().results = s.count;
    return segments_;
}

void StoreSource::describe(const std::string& path, const std::string& title,
                           const std::array<std::string, 11>& comments) {
    SourceSegment& s = segments_.front();
    s.files.assign(1, SegmentFile{path, 1, 0});
    s.title = title;
    std::copy_n(comments.begin(), s.comments.size(), s.comments.begin());
}

SpanSource::SpanSource(const ResultSource& whole, int64_t first, int64_t last)
    : whole_(whole), first_(first), last_(last) {
    for (const SourceSegment& s : whole.segments()) {
        if (s.last() < first || s.first > last) continue;
        SourceSegment cut = s;
        const int64_t from = std::max(first, s.first), to = std::min(last, s.last());
        cut.first = from - first + 1;
        cut.count = to - from + 1;
        if (segments_.empty()) {
            cut.gapBefore = GapCause::None;
            cut.gapSeconds = 0;
        }
        // The files: skip the results of the segment before the span, keep those up to its end.
        cut.files.clear();
        int64_t skip = from - s.first, take = cut.count;
        for (const SegmentFile& f : s.files) {
            if (skip >= f.results) {
                skip -= f.results;
                continue;
            }
            const int64_t n = std::min(take, f.results - skip);
            if (n <= 0) break;
            cut.files.push_back({f.path, f.firstInFile + skip, n});
            take -= n;
            skip = 0;
        }
        segments_.push_back(std::move(cut));
    }
}

std::span<const ResultRecord> SpanSource::run(int64_t n) const {
    if (n < 1 || n > count()) return {};
    const std::span<const ResultRecord> all = whole_.run(n + first_ - 1);
    return all.first(size_t(std::min<int64_t>(int64_t(all.size()), last_ - (n + first_ - 1) + 1)));
}

std::vector<SourceRun> sourceRuns(const ResultSource& source) {
    std::vector<SourceRun> runs;
    for (const SourceSegment& s : source.segments()) {
        if (s.count <= 0) continue;
        const std::span<const ResultRecord> records = source.run(s.first);
        size_t at = 0;
        for (const SegmentFile& f : s.files) {
            if (f.results <= 0 || at >= records.size()) continue;
            const size_t n = std::min(size_t(f.results), records.size() - at);
            runs.push_back({records.subspan(at, n), f.path, f.firstInFile, at == 0 && isGap(s.gapBefore)});
            at += n;
        }
    }
    return runs;
}

}  // namespace zvl
