// A folder of recordings read as one timeline: order by the first results placed by their UTC
// offsets, overlapping and unreadable recordings left out and named, the gap causes, part sets
// as one recording, numbering across files, and the result source's views (the store in place,
// a span, the runs per file) against the records written.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <tuple>

#include "files/folderload.h"
#include "files/recordingfile.h"
#include "filetestutil.h"

namespace zvl {
namespace {

// A recording file of results at `times` (states: the time's low 16 bits) with comment lines
// `ended`, `after` (lines 3 and 4) and "Times are UTC+hh:mm" when offset is given.
std::string recording(const std::vector<int64_t>& times, const std::string& ended = "",
                      const std::string& after = "", int offset = -1, const std::string& title = "t") {
    auto state = std::make_unique<AppState>();
    for (size_t k = 0; k < times.size(); ++k) {
        state->store.slot(int64_t(k) + 1).setTime(uint32_t(times[k]));
        state->store.slot(int64_t(k) + 1).inputStates = uint16_t(times[k]);
    }
    state->commentLines[2] = ended;
    state->commentLines[3] = after;
    if (offset >= 0) state->commentLines[4] = "Times are " + formatUtcOffset(offset);
    return encodeRecordingFile(*state, 1, int64_t(times.size()), title);
}

std::vector<int64_t> range(int64_t from, int64_t to) {
    std::vector<int64_t> t;
    for (int64_t x = from; x <= to; ++x) t.push_back(x);
    return t;
}

struct Case {
    const char* what;
    std::map<std::string, std::string> files;
    std::vector<std::string> order;  // the first file of each segment
    std::vector<GapCause> gaps;      // before each segment after the first
    std::vector<int64_t> gapSeconds;
    std::string warning;
};

TEST(FolderLoad, RecordingsAreOrderedPlacedAndLeftOutByTheRules) {
    const int h = 3600;
    const std::vector<Case> cases = {
        {"first results, not names",
         {{"b.zvl", recording({100, 101, 102})}, {"a.zvl", recording({200, 201})}},
         {"b.zvl", "a.zvl"},
         {GapCause::Unknown},
         {98},
         ""},
        {"the autumn change: UTC offsets put the later hour after",
         {{"x.zvl",
           recording({2 * h + 1800, 2 * h + 3000}, "Ended: the local time changed to UTC+01:00", "", 2 * h)},
          {"y.zvl", recording({2 * h + 600, 2 * h + 2400}, "", "", h)}},
         {"x.zvl", "y.zvl"},
         {GapCause::Rolled},
         {h + 600 - 3000},
         ""},
        {"an offset missing takes the folder's",
         {{"p.zvl", recording({5 * h, 5 * h + 10}, "Ended: stop (SIGTERM)", "", h)},
          {"q.zvl", recording({5 * h + 20, 5 * h + 30})}},
         {"p.zvl", "q.zvl"},
         {GapCause::Stopped},
         {10},
         ""},
        {"overlap, unreadable, empty and foreign files",
         {{"a.zvl", recording({100, 200}, "Ended: port lost (gone)")},
          {"b.zvl", recording({150, 160})},
          {"c.zvl", recording({300, 301}).substr(0, 12)},
          {"claimed.zvl", ""},
          {"UP.ZVL",
           recording({400, 401}, "", "After a gap: port lost 1 Jan 00 00:03:20, back 1 Jan 00 00:06:40")},
          {".zvl-log-journal.zvlj", "x"},
          {".zvl-save-1-1.tmp", "x"},
          {"notes.txt", "x"}},
         {"a.zvl", "UP.ZVL"},
         {GapCause::PortLost},
         {200},
         "left out c.zvl: read beyond end of file; left out b.zvl: its results overlap a.zvl's"},
        {"a roll, a part set as one recording",
         {{"run_1.ZVL",
           recording(range(1000, 1000 + kResultsPerFile - 1), "Ended: roll after 32770 results")},
          {"run_2.ZVL", recording({40000, 40001}, "Ended: roll after 32770 results")},
          {"z.zvl", recording({40001, 40002})}},
         {"run_1.ZVL", "z.zvl"},
         {GapCause::Rolled},
         {0},
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        for (const auto& [name, bytes] : c.files) test::writeBytes(dir.file(name), bytes);
        std::string error;
        const std::unique_ptr<FolderSource> folder = loadFolder(dir.path().string(), error);
        ASSERT_TRUE(folder) << error;
        EXPECT_EQ(leftOutWarning(*folder), c.warning);
        std::vector<std::string> order;
        std::vector<GapCause> gaps;
        std::vector<int64_t> gapSeconds;
        std::vector<int64_t> times;  // every result, in order, through the source's runs
        int64_t next = 1;
        for (const SourceSegment& s : folder->segments()) {
            order.push_back(std::filesystem::path(s.files.front().path).filename().string());
            if (s.first > 1) gaps.push_back(s.gapBefore), gapSeconds.push_back(s.gapSeconds);
            EXPECT_EQ(s.first, next);
            next += s.count;
        }
        for (const SourceRun& run : sourceRuns(*folder))
            for (const ResultRecord& r : run.records) times.push_back(r.time());
        EXPECT_EQ(order, c.order);
        EXPECT_EQ(gaps, c.gaps);
        EXPECT_EQ(gapSeconds, c.gapSeconds);
        // Numbering across the files: result n is the n-th of the segments' files in order.
        ASSERT_EQ(int64_t(times.size()), folder->count());
        for (int64_t n = 1; n <= folder->count(); ++n) ASSERT_EQ(folder->time(n), times[size_t(n - 1)]) << n;
        // Nothing in the folder was written.
        for (const auto& [name, bytes] : c.files) EXPECT_EQ(test::readBytes(dir.file(name)), bytes) << name;
        EXPECT_EQ(dir.entries().size(), c.files.size());
    }
}

TEST(FolderLoad, AFolderWithoutARecordingIsAnError) {
    test::TempDir dir;
    test::writeBytes(dir.file("bad.zvl"), "\x05");
    std::string error;
    EXPECT_FALSE(loadFolder(dir.path().string(), error));
    EXPECT_EQ(error, "No recording in the folder " + dir.path().string() +
                         " could be read: left out bad.zvl: read beyond end of file");
}

TEST(ResultSource, TheStoreIsReadInPlaceAndASpanAsAFileOfItsResults) {
    auto state = std::make_unique<AppState>();
    for (int64_t n = 1; n <= 5; ++n) state->store.slot(n).setTime(uint32_t(10 * n));
    state->resultCount() = 5;
    StoreSource store(state->store);
    EXPECT_EQ(store.run(2).data(), &state->store.results[2]);
    EXPECT_EQ(store.run(2).size(), 4u);
    EXPECT_TRUE(store.run(6).empty());

    // A span over a folder's part set and the file after it: numbered from 1, the files cut.
    test::TempDir dir;
    test::writeBytes(dir.file("run_1.ZVL"), recording(range(1, kResultsPerFile), "Ended: roll"));
    test::writeBytes(dir.file("run_2.ZVL"), recording({40000, 40001}, "Ended: roll"));
    test::writeBytes(dir.file("z.zvl"), recording({40002, 40003, 40004}));
    std::string error;
    const auto folder = loadFolder(dir.path().string(), error);
    ASSERT_TRUE(folder) << error;
    const SpanSource span(*folder, kResultsPerFile, kResultsPerFile + 3);
    std::vector<std::tuple<std::string, int64_t, size_t, bool>> runs;
    for (const SourceRun& r : sourceRuns(span))
        runs.emplace_back(std::filesystem::path(r.file).filename().string(), r.firstInFile, r.records.size(),
                          r.gapBefore);
    using Run = std::tuple<std::string, int64_t, size_t, bool>;
    EXPECT_EQ(runs, (std::vector<Run>{{"run_1.ZVL", kResultsPerFile, 1, false},
                                      {"run_2.ZVL", 1, 2, false},
                                      {"z.zvl", 1, 1, false}}));
    EXPECT_EQ(span.time(1), kResultsPerFile);
    EXPECT_EQ(span.time(4), 40002);
    EXPECT_EQ(span.segments()[1].first, 4);
}

}  // namespace
}  // namespace zvl
