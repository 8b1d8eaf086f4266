// The recording file: bytes written against images built by hand from the format's table,
// the reader's edge cases, the time-base fit and the first-result position.

#include <gtest/gtest.h>

#include "files/recordingfile.h"
#include "filetestutil.h"
#include "tests/support/fakes.h"

namespace zvl {
namespace {

using test::bytes;

// A small recording with distinct kind and flags bytes, Windows-1252 text and mixed flags.
void fillSample(AppState& s) {
    s.store.clearResults();
    s.resultCount() = 3;
    ResultRecord& r1 = s.store.slot(1);
    r1.kind = 0xA0;
    r1.flags = 0x81;
    r1.setTime(0x01020304);
    r1.inputStates = 0x8005;
    ResultRecord& r2 = s.store.slot(2);
    r2.setTime(65);
    r2.inputStates = 0x0001;
    ResultRecord& r3 = s.store.slot(3);
    r3.kind = 0xBF;
    r3.setTime(0xFFFFFFFF);
    r3.inputStates = 0xFFFF;
    s.commentLines = {};
    s.commentLines[0] = "First comment";
    s.commentLines[9] = "Caf\xE9 \x80 10";  // é and the euro sign in Windows-1252
    s.commentLines[10] = "eleventh line is not written";
    for (int k = 0; k < kInputCount; ++k) {
        s.inputLabels[size_t(k)] = "Ch" + std::to_string(k + 1);
        s.inputActive[size_t(k)] = k % 3 != 1;
    }
    s.inputLabels[15] = "K\xFChl";
}

// The tail after the records, as the format's table lays it out.
std::string expectedTail(const std::string& title, const AppState& s) {
    std::string t = title + "\r";
    t += "First comment\r";
    for (int k = 1; k < 9; ++k) t += "\r";
    t += "Caf\xE9 \x80 10\r";
    for (int k = 0; k < 15; ++k) t += "Ch" + std::to_string(k + 1) + "\r";
    t += "K\xFChl\r";
    for (int k = 0; k < kInputCount; ++k) t += char(s.inputActive[size_t(k)] ? 1 : 0);
    return t;
}

struct RecordingFileTest : ::testing::Test {
    test::TempDir dir;
    AppState state;
    test::FakeClock clock;  // 7 Dec 2026 10:00:01 at ms 1000
    test::ScriptedPrompts prompts;
    test::CountingView view;
};

// ---- writing ----

TEST_F(RecordingFileTest, WritesCountRecordsInInstrumentOrderThenCrLinesThenFlags) {
    fillSample(state);
    state.saveFileName = dir.file("run.zvl");
    ASSERT_TRUE(writeRecordingFile(state, clock, prompts, 1, 3));

    const std::string title =
        "Corvask Pellam ZVL Data File : " + dir.file("run.zvl") + "  7 Dec 2026 - 10:00:01";
    std::string expected = bytes({3, 0});
    expected += bytes({0x81, 0xA0, 0x01, 0x02, 0x03, 0x04, 0x80, 0x05});
    expected += bytes({0x00, 0x00, 0x00, 0x00, 0x00, 0x41, 0x00, 0x01});
    expected += bytes({0x00, 0xBF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    expected += expectedTail(title, state);
    EXPECT_EQ(test::readBytes(dir.file("run.zvl")), expected);
    EXPECT_EQ(state.recordingTitle, title) << "the title box shows the generated title line";
    EXPECT_TRUE(prompts.warnings.empty());
}

TEST_F(RecordingFileTest, WritesARangeWithItsOwnCountAndACountAboveOneByte) {
    state.store.clearResults();
    state.resultCount() = 400;
    for (int64_t i = 1; i <= 400; ++i) state.store.slot(i).setTime(uint32_t(i));
    state.saveFileName = dir.file("r.zvl");
    ASSERT_TRUE(writeRecordingFile(state, clock, prompts, 101, 400));
    const std::string file = test::readBytes(dir.file("r.zvl"));
    ASSERT_GT(file.size(), 2u + 300 * 8);
    EXPECT_EQ(file.substr(0, 2), bytes({300 % 256, 1})) << "300 results, low byte first";
    EXPECT_EQ(file.substr(2, 8), bytes({0, 0, 0, 0, 0, 101, 0, 0})) << "the range starts at result 101";
    EXPECT_EQ(file.substr(2 + 299 * 8, 8), bytes({0, 0, 0, 0, 1, 144, 0, 0})) << "and ends at result 400";
}

TEST_F(RecordingFileTest, AnEmptyStoreGivesAValidFileWithCountZero) {
    state.saveFileName = dir.file("empty.zvl");
    ASSERT_TRUE(writeRecordingFile(state, clock, prompts, 1, 0));
    const std::string file = test::readBytes(dir.file("empty.zvl"));
    ASSERT_GE(file.size(), 2u + 16);
    EXPECT_EQ(file.substr(0, 2), bytes({0, 0}));
    EXPECT_EQ(file.substr(2, 31), "Corvask Pellam ZVL Data File : ");

    AppState back;
    ASSERT_TRUE(loadRecordingFile(back, dir.file("empty.zvl"), prompts, view));
    EXPECT_EQ(back.resultCount(), 0);
}

TEST_F(RecordingFileTest, TitleLineConvertsTheUtf8PathToWindows1252) {
    const LocalDateTime when{2001, 3, 9, 7, 5, 4, 0};
    EXPECT_EQ(recordingTitleLine("/data/caf\xC3\xA9/run.zvl", when),
              "Corvask Pellam ZVL Data File : /data/caf\xE9/run.zvl  9 Mar 2001 - 07:05:04");
}

TEST_F(RecordingFileTest, AFailedWriteIsReportedAndChangesNeitherTitleNorOldFile) {
    fillSample(state);
    state.recordingTitle = "typed title";
    state.saveFileName = dir.file("missing-folder/run.zvl");
    EXPECT_FALSE(writeRecordingFile(state, clock, prompts, 1, 3));
    ASSERT_EQ(prompts.warnings.size(), 1u);
    EXPECT_EQ(prompts.warnings[0],
              "Cannot create file " + dir.file("missing-folder/run.zvl") + ": No such file or directory");
    EXPECT_EQ(state.recordingTitle, "typed title");
    EXPECT_EQ(prompts.busyOn, prompts.busyOff) << "the hourglass is taken down";
    EXPECT_FALSE(prompts.busyNow);
}

// ---- reading ----

// A file image: count, records as given, the title, comments and labels, and flags.
std::string image(int count, const std::string& records, const std::string& flags) {
    std::string f = bytes({count & 0xFF, count >> 8}) + records;
    f += "Stored title\r";
    for (int k = 0; k < 10; ++k) f += "c" + std::to_string(k) + "\r";
    for (int k = 0; k < 16; ++k) f += "L" + std::to_string(k + 1) + "\r";
    return f + flags;
}

std::string record(int flags, int kind, uint32_t t, uint16_t states) {
    return bytes({flags, kind, int(t >> 24), int((t >> 16) & 0xFF), int((t >> 8) & 0xFF), int(t & 0xFF),
                  states >> 8, states & 0xFF});
}

TEST_F(RecordingFileTest, ReadsEveryFieldFromAHandBuiltImage) {
    std::string flags(16, '\1');
    flags[1] = 0;
    flags[2] = 2;  // any value but 1 is inactive
    flags[15] = char(0xFF);
    const std::string file =
        image(2, record(0x80, 0xA0, 1000, 0x1234) + record(0x01, 0xBF, 2000, 0xFEDC), flags);
    test::writeBytes(dir.file("in.zvl"), file);
    state.operatingMode = TimebaseRecord;

    ASSERT_TRUE(loadRecordingFile(state, dir.file("in.zvl"), prompts, view));
    ASSERT_EQ(state.resultCount(), 2);
    const ResultRecord& r1 = state.store.slot(1);
    EXPECT_EQ(r1.flags, 0x80);
    EXPECT_EQ(r1.kind, 0xA0);
    EXPECT_EQ(r1.rawTime(), 1000u);
    EXPECT_EQ(r1.inputStates, 0x1234);
    EXPECT_EQ(state.store.slot(2).flags, 0x01);
    EXPECT_EQ(state.store.slot(2).kind, 0xBF);
    EXPECT_EQ(state.store.slot(2).inputStates, 0xFEDC);
    EXPECT_EQ(state.recordingTitle, "Stored title");
    EXPECT_EQ(state.commentLines[0], "c0");
    EXPECT_EQ(state.commentLines[9], "c9");
    EXPECT_EQ(state.inputLabels[0], "L1");
    EXPECT_EQ(state.inputLabels[15], "L16");
    EXPECT_TRUE(state.inputActive[0]);
    EXPECT_FALSE(state.inputActive[1]);
    EXPECT_FALSE(state.inputActive[2]) << "a flag byte of 2 is inactive";
    EXPECT_FALSE(state.inputActive[15]);
    EXPECT_EQ(state.operatingMode, EventSearch);
    EXPECT_EQ(state.recordingEndTime, 2000);
    EXPECT_EQ(view.controlUpdates, 1);
    EXPECT_EQ(view.refreshes, 1);
    EXPECT_TRUE(prompts.warnings.empty());
}

TEST_F(RecordingFileTest, DropsZeroTimeResultsAtTheEndOnlyAndClearsTheOldStore) {
    state.resultCount() = 10;
    state.store.slot(7).setTime(99);  // from an earlier recording
    const std::string recs = record(0, 0, 100, 1) + record(0, 0, 0, 2) + record(0, 0, 300, 3) +
                             record(0, 0, 0, 4) + record(9, 9, 0, 5);
    test::writeBytes(dir.file("z.zvl"), image(5, recs, std::string(16, '\1')));
    RecordingRead details;
    ASSERT_TRUE(loadRecordingFile(state, dir.file("z.zvl"), prompts, view, &details));
    EXPECT_EQ(details.fileCount, 5);
    EXPECT_EQ(state.resultCount(), 3) << "the two zero-time results at the end are dropped";
    EXPECT_EQ(state.store.slot(2).inputStates, 2) << "a zero-time result in the middle stays";
    EXPECT_EQ(state.store.slot(7), ResultRecord{}) << "the store was cleared before the load";
    EXPECT_EQ(state.recordingEndTime, 300);
}

TEST_F(RecordingFileTest, ATopTimeByteOf128OrMoreCountsAsATimeWhenTrimming) {
    test::writeBytes(dir.file("t.zvl"),
                     image(2, record(0, 0, 5, 0) + record(0, 0, 0x80000000u, 0), std::string(16, '\1')));
    ASSERT_TRUE(loadRecordingFile(state, dir.file("t.zvl"), prompts, view));
    EXPECT_EQ(state.resultCount(), 2);
    EXPECT_EQ(state.recordingEndTime, 0x7F000000);
}

TEST_F(RecordingFileTest, AFileCutInTheRecordsKeepsWhatWasReadAndTheFileCount) {
    fillSample(state);  // title, comments, labels and flags from before the load
    const std::string cut = bytes({5, 0}) + record(1, 2, 50, 7) + record(3, 4, 60, 8) + bytes({1, 2, 3});
    test::writeBytes(dir.file("cut.zvl"), cut);

    EXPECT_FALSE(loadRecordingFile(state, dir.file("cut.zvl"), prompts, view));
    EXPECT_EQ(state.resultCount(), 5) << "the file's count, not trimmed";
    EXPECT_EQ(state.store.slot(2).inputStates, 8);
    EXPECT_EQ(state.store.slot(3), ResultRecord{}) << "a partial record is not stored";
    EXPECT_EQ(state.recordingTitle, "Title") << "the title box keeps its text";
    EXPECT_EQ(state.commentLines[0], "First comment");
    EXPECT_EQ(state.inputLabels[15], "K\xFChl");
    ASSERT_EQ(prompts.warnings.size(), 1u);
    EXPECT_EQ(prompts.warnings[0], "Cannot read file " + dir.file("cut.zvl") + ": read beyond end of file");
    // The final stage ran before the message.
    EXPECT_EQ(state.operatingMode, EventSearch);
    EXPECT_EQ(state.currentResult, -30);
    EXPECT_EQ(view.refreshes, 1);
}

TEST_F(RecordingFileTest, AFileCutInTheLabelsKeepsTheLinesReadAndTheOldRest) {
    fillSample(state);
    std::string file = bytes({1, 0}) + record(0, 0, 10, 1) + "New title\r";
    for (int k = 0; k < 10; ++k) file += "n" + std::to_string(k) + "\r";
    file += "A\rB\rCD";  // labels 1 and 2, then label 3 cut off by the end
    test::writeBytes(dir.file("cut.zvl"), file);

    EXPECT_FALSE(loadRecordingFile(state, dir.file("cut.zvl"), prompts, view));
    EXPECT_EQ(state.recordingTitle, "New title");
    EXPECT_EQ(state.commentLines[9], "n9");
    EXPECT_EQ(state.inputLabels[0], "A");
    EXPECT_EQ(state.inputLabels[1], "B");
    EXPECT_EQ(state.inputLabels[2], "C") << "a line ended by the end of the file loses its last byte";
    EXPECT_EQ(state.inputLabels[3], "Ch4") << "labels not reached keep their values";
    EXPECT_TRUE(state.inputActive[1] == false && state.inputActive[0])
        << "flags not reached keep their values";
    EXPECT_EQ(state.resultCount(), 1);
    EXPECT_EQ(prompts.warnings.size(), 1u);
}

TEST_F(RecordingFileTest, AMissingFileLeavesTheStoreClearedAndIsReported) {
    fillSample(state);
    state.timebaseIndex = 12;
    EXPECT_FALSE(loadRecordingFile(state, dir.file("nope.zvl"), prompts, view));
    EXPECT_EQ(state.resultCount(), 0);
    EXPECT_EQ(state.store.slot(1), ResultRecord{});
    EXPECT_EQ(state.timebaseIndex, 3) << "the final stage runs also after a failed open";
    ASSERT_EQ(prompts.warnings.size(), 1u);
    EXPECT_EQ(prompts.warnings[0],
              "Cannot open file " + dir.file("nope.zvl") + ": No such file or directory");
}

TEST_F(RecordingFileTest, AFolderIsRefusedInsteadOfRead) {
    EXPECT_FALSE(loadRecordingFile(state, dir.path().string(), prompts, view));
    ASSERT_EQ(prompts.warnings.size(), 1u);
    EXPECT_NE(prompts.warnings[0].find("Is a directory"), std::string::npos) << prompts.warnings[0];
}

TEST_F(RecordingFileTest, TheReaderAcceptsAnyCountUpTo65535) {
    std::string records;
    for (int i = 1; i <= 65535; ++i) records += record(0, 0, uint32_t(i), uint16_t(i));
    test::writeBytes(dir.file("big.zvl"), image(65535, records, std::string(16, '\0')));
    ASSERT_TRUE(loadRecordingFile(state, dir.file("big.zvl"), prompts, view));
    EXPECT_EQ(state.resultCount(), 65535);
    EXPECT_EQ(state.store.slot(65535).inputStates, 65535);
    EXPECT_FALSE(state.inputActive[0]);
}

TEST_F(RecordingFileTest, WriteThenReadRestoresEverything) {
    fillSample(state);
    state.saveFileName = dir.file("round.zvl");
    ASSERT_TRUE(writeRecordingFile(state, clock, prompts, 1, 3));
    AppState back;
    ASSERT_TRUE(loadRecordingFile(back, dir.file("round.zvl"), prompts, view));
    EXPECT_EQ(back.resultCount(), 3);
    for (int64_t i = 1; i <= 3; ++i) EXPECT_EQ(back.store.slot(i), state.store.slot(i)) << i;
    for (int k = 0; k < 10; ++k) EXPECT_EQ(back.commentLines[size_t(k)], state.commentLines[size_t(k)]);
    EXPECT_EQ(back.commentLines[10], "") << "only ten comment lines are in the file";
    EXPECT_EQ(back.inputLabels, state.inputLabels);
    EXPECT_EQ(back.inputActive, state.inputActive);
    EXPECT_EQ(back.recordingTitle, state.recordingTitle);
}

// ---- readTextLine ----

TEST(ReadTextLine, EndsAtCarriageReturnOnlyAndDropsTheLastByteAtTheEnd) {
    MemorySource in(std::string_view("one\rtwo\nstill two\r\rlast"));
    std::string line;
    ASSERT_TRUE(readTextLine(in, line));
    EXPECT_EQ(line, "one");
    ASSERT_TRUE(readTextLine(in, line));
    EXPECT_EQ(line, "two\nstill two") << "a line feed is part of the line";
    ASSERT_TRUE(readTextLine(in, line));
    EXPECT_EQ(line, "");
    ASSERT_TRUE(readTextLine(in, line));
    EXPECT_EQ(line, "las");
    line = "untouched";
    EXPECT_FALSE(readTextLine(in, line));
    EXPECT_EQ(line, "untouched");
}

TEST(ReadTextLine, AVeryLongLineIsCutButReadToItsEnd) {
    std::string data(kMaxKeptLine + 100, 'x');
    data += "\rnext\r";
    MemorySource in(data);
    std::string line;
    ASSERT_TRUE(readTextLine(in, line));
    EXPECT_EQ(line.size(), kMaxKeptLine);
    ASSERT_TRUE(readTextLine(in, line));
    EXPECT_EQ(line, "next");
}

// ---- time base fit and first-result position ----

TEST(FitTimebase, StartsAtThreeAndStopsAtTheFirstBaseWiderThanTheSpan) {
    struct Case {
        uint32_t first, last;
        int32_t index;
    } cases[] = {
        {100, 100, 3},                    // no span: 1 second, 30 s wide already
        {100, 50, 3},                     // backwards: span 1
        {0, 29, 3},          {0, 30, 3},  // 600 x single-precision 1/20 is a little above 30
        {0, 31, 4},          {0, 60, 4},
        {0, 61, 6},                        // past indexes 4 and 5 (both 60 s wide) to 120 s
        {0, 299, 7},         {0, 300, 8},  // 300 is not greater than 300 (exact at index 7): one more
        {0, 1800, 9},        {0, 86399, 14},
        {0, 86400, 16},    // past the 24 Hours and 1 Day rows, both 86400 s wide
        {0, 4000000, 19},  // beyond 50 days: stops at 19
        {0, 2000000000, 19},
    };
    for (const Case& c : cases) {
        AppState s;
        s.resultCount() = 2;
        s.store.slot(1).setTime(c.first);
        s.store.slot(2).setTime(c.last);
        fitTimebaseToRecording(s);
        EXPECT_EQ(s.timebaseIndex, c.index) << c.first << ".." << c.last;
    }
}

TEST(FirstResult, PutsResultOneUnderTheCursorAtTheTimeBase) {
    AppState s;
    s.resultCount() = 1;
    s.store.slot(1).setTime(1000);
    struct Case {
        int32_t index;
        int64_t start;
    } cases[] = {{7, 850}, {3, 985}, {1, 999}, {0, 999}, {8, 100}, {19, 1000 - 2160000}};
    for (const Case& c : cases) {
        s.timebaseIndex = c.index;
        s.currentResult = 55;
        positionViewAtFirstResult(s);
        EXPECT_EQ(s.viewStartTime, c.start) << "index " << c.index;
        EXPECT_EQ(s.currentResult, -30);
    }
}

}  // namespace
}  // namespace zvl
