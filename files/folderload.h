#pragma once
// A folder of recordings (a zvl log folder, or any folder of .zvl files) read as one timeline:
// every recording in it (a file, or the part files of one save, which count as one), in the
// time order of their first results, numbered 1.. across them. Times are placed by the UTC
// offset a recording's comment lines give ("Times are UTC+hh:mm"), so a week across the autumn
// clock change stays in order; a recording without one takes the first offset given in the
// folder (none: its times as they stand). A recording whose results overlap the span of one
// before it, or that cannot be read, is left out and named. The folder is only read: the
// journal and temporary files of a zvl log writing into it, hidden files and empty files (a
// name the logger has claimed) are passed over.
//
// The records are kept once, each recording's side by side: 8 bytes a result.

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "core/resultsource.h"
#include "core/resultstore.h"
#include "core/state.h"

namespace zvl {

class FolderSource final : public ResultSource {
public:
    int64_t count() const override { return count_; }
    std::span<const ResultRecord> run(int64_t n) const override;
    const ResultRecord& record(int64_t n) const override;
    const std::vector<SourceSegment>& segments() const override { return segments_; }

    std::string folder;
    // The input labels and active flags of its first recording.
    std::array<std::string, kInputCount> labels{};
    std::array<bool, kInputCount> active{};
    // One entry per recording left out: "NAME: its results overlap OTHER's", "NAME: why".
    std::vector<std::string> leftOut;

private:
    friend std::unique_ptr<FolderSource> loadFolder(const std::string&, std::string&);
    std::vector<std::vector<ResultRecord>> records_;  // per segment
    std::vector<SourceSegment> segments_;
    int64_t count_ = 0;
    mutable size_t lastSegment_ = 0;  // where record() looked last: reads mostly go in order
};

// Reads the folder. Null, with `error` saying why, when it cannot be listed or holds no
// recording that could be read.
std::unique_ptr<FolderSource> loadFolder(const std::string& folder, std::string& error);

// The recording files of a folder, as loadFolder would consider them (full paths, sorted).
std::vector<std::string> recordingFilesIn(const std::string& folder);

// The one warning naming every recording left out ("left out b.zvl: its results overlap
// a.zvl's; left out c.zvl: ..."), empty when none was.
std::string leftOutWarning(const FolderSource& source);

// "zvl log folder: 31 files, 2,987,311 results, 1 Dec 26 00:00:03 .. 7 Dec 26 23:59:58"
// ("Folder: ..." when its first recording was not written by zvl log).
std::string folderLine(const FolderSource& source);

// The window's description of a timeline it shows: the folder's line as the title, the first
// recording's comment lines, the input labels and active flags.
void describeTimeline(const FolderSource& source, AppState& state);

// The gap before a segment: "gap of 00:05:12 (port lost)", "gap of 2 d 01:00:00 (cause unknown)";
// "no gap (rolled over)" for a file that continues the one before.
std::string gapText(const SourceSegment& segment);

// 2987311 as "2,987,311".
std::string groupedNumber(int64_t n);

}  // namespace zvl
