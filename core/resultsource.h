#pragma once
// A read-only source of results numbered 1..count: the store (one recording), a folder of
// recordings read as one timeline, or a span of either. The exports and the statistics read
// results through it. A source is made of segments, each one recording (a file, or the part
// files of one save); the results of a segment lie side by side, so a reader takes them in
// bulk (run) rather than one at a time.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/resultstore.h"

namespace zvl {

// Why results are missing between a segment and the one before it, from the recordings'
// comment lines: a file that rolled over to the next leaves no gap; the port lost or the
// recording stopped does; Unknown when the lines do not say. The first segment has None.
enum class GapCause { None, Rolled, PortLost, Stopped, Unknown };

// True when results may be missing before a segment of this cause.
inline bool isGap(GapCause cause) {
    return cause != GapCause::None && cause != GapCause::Rolled;
}

// One file of a segment and the results the segment takes from it: `results` of them, the
// first being result `firstInFile` of that file.
struct SegmentFile {
    std::string path;
    int64_t firstInFile = 1;
    int64_t results = 0;
};

struct SourceSegment {
    std::vector<SegmentFile> files;  // one, or the parts of one save in order
    int64_t first = 1;               // the number of its first result in the source
    int64_t count = 0;
    std::string title;  // the recording's title line
    std::array<std::string, 10> comments{};
    std::optional<int> utcOffset;  // seconds east of UTC of its times, when its comments say
    GapCause gapBefore = GapCause::None;
    int64_t gapSeconds = 0;  // from the last result before it to its first, in real (UTC) seconds
    int64_t last() const { return first + count - 1; }
};

class ResultSource {
public:
    virtual ~ResultSource() = default;
    virtual int64_t count() const = 0;
    // Results n .. the last of n's segment, side by side; empty outside 1..count.
    virtual std::span<const ResultRecord> run(int64_t n) const = 0;
    // Result n, 1 <= n <= count.
    virtual const ResultRecord& record(int64_t n) const = 0;
    virtual const std::vector<SourceSegment>& segments() const = 0;
    // What stands before result 1: a live recording's start record in the store, else zeroes.
    virtual ResultRecord startRecord() const { return {}; }

    // The time of result n; 0 outside 1..count.
    int64_t time(int64_t n) const { return n < 1 || n > count() ? 0 : record(n).time(); }
    // The index in segments() of the segment holding result n (1..count).
    size_t segmentOf(int64_t n) const;
};

// Calls f(n, record) for results 1..count in order, a segment's run at a time.
template <typename F>
void forEachResult(const ResultSource& source, F f) {
    for (int64_t n = 1, count = source.count(); n <= count;) {
        const std::span<const ResultRecord> records = source.run(n);
        if (records.empty()) break;
        for (const ResultRecord& r : records) f(n++, r);
    }
}

// The store as a source: results 1..resultCount (at most 100000, the results that have a time)
// in one segment, read in place. The segment's text is the caller's to fill (describe).
class StoreSource final : public ResultSource {
public:
    explicit StoreSource(const ResultStore& store) : store_(store) {}
    int64_t count() const override { return std::clamp<int64_t>(store_.resultCount, 0, kMaxResults); }
    std::span<const ResultRecord> run(int64_t n) const override;
    const ResultRecord& record(int64_t n) const override { return store_.results[size_t(n)]; }
    const std::vector<SourceSegment>& segments() const override;
    ResultRecord startRecord() const override { return store_.results[0]; }
    // The segment's file, title and comments.
    void describe(const std::string& path, const std::string& title,
                  const std::array<std::string, 11>& comments);

private:
    const ResultStore& store_;
    mutable std::vector<SourceSegment> segments_{1};
};

// Results first..last of another source, numbered 1..(last - first + 1), as a file holding just
// them would be: the segments cut to the span, the first without a gap before it, no start
// record. The other source must outlive it; 1 <= first <= last <= its count.
class SpanSource final : public ResultSource {
public:
    SpanSource(const ResultSource& whole, int64_t first, int64_t last);
    int64_t count() const override { return last_ - first_ + 1; }
    std::span<const ResultRecord> run(int64_t n) const override;
    const ResultRecord& record(int64_t n) const override { return whole_.record(n + first_ - 1); }
    const std::vector<SourceSegment>& segments() const override { return segments_; }

private:
    const ResultSource& whole_;
    int64_t first_, last_;
    std::vector<SourceSegment> segments_;
};

// A stretch of results from one file, for readers that go file by file (zvl find): its
// records, the file's path, the number in that file of its first result, and whether results
// may be missing before it.
struct SourceRun {
    std::span<const ResultRecord> records;
    std::string file;
    int64_t firstInFile = 1;
    bool gapBefore = false;
};

// The source as its files' stretches, in order; together they hold results 1..count once.
std::vector<SourceRun> sourceRuns(const ResultSource& source);

}  // namespace zvl
