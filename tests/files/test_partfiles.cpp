// File > Open All Parts on hand-made part files: the parts that continue the recording in order
// as one, the first that does not and those after it left out and named, and a missing or cut
// part of the recording named without changing the store.
#include <gtest/gtest.h>

#include <filesystem>

#include "files/partfiles.h"
#include "files/recordingfile.h"
#include "filetestutil.h"

namespace zvl {
namespace {

struct PartFilesTest : ::testing::Test, test::FileCommandsRig {
    test::TempDir dir;

    // Part k of `count` results at 100000k + 1 .., input states k, title "part k"; the label of
    // input 1 is `label`.
    void writePart(int k, int64_t count = kResultsPerFile, const std::string& label = "press") {
        AppState part;
        for (int64_t i = 1; i <= count; ++i) {
            part.store.slot(i).setTime(uint32_t(100000 * k + i));
            part.store.slot(i).inputStates = uint16_t(k);
        }
        part.inputLabels[0] = label;
        part.commentLines[0] = "line 2";
        test::writeBytes(dir.file("run_" + std::to_string(k) + ".ZVL"),
                         encodeRecordingFile(part, 1, count, "part " + std::to_string(k)));
    }
};

TEST_F(PartFilesTest, OnlyThePartsThatContinueTheRecordingAreLoadedAndTheRestNamed) {
    const int64_t full = kResultsPerFile;
    struct Case {
        const char* what;
        std::vector<int64_t> counts;  // per part; -1: no such file
        std::string otherLabelOf;     // "3": part 3 is labelled otherwise
        int chosen;
        int64_t results;
        std::string title, message;
    };
    const std::vector<Case> cases = {
        {"all continue", {full, full, 7}, "", 2, 2 * full + 7, "part 2", ""},
        {"a shorter save over a longer one",
         {full, 5, full, 9},
         "",
         1,
         full + 5,
         "part 1",
         "Loaded run_1.ZVL to run_2.ZVL as one recording; left out run_3.ZVL and run_4.ZVL, because "
         "run_2.ZVL holds 5 results, not 32768."},
        {"a part of another recording",
         {full, full, full},
         "2",
         3,
         full,
         "part 1",
         "Loaded run_1.ZVL alone; left out run_2.ZVL and run_3.ZVL, because run_2.ZVL has other input "
         "labels than run_1.ZVL."},
        {"an empty middle part",
         {full, 0, 4},
         "",
         1,
         full,
         "part 1",
         "Loaded run_1.ZVL to run_2.ZVL as one recording; left out run_3.ZVL, because run_2.ZVL holds 0 "
         "results, not 32768."},
        {"a missing middle part",
         {full, -1, full, 3},
         "",
         1,
         full,
         "part 1",
         "Loaded run_1.ZVL alone; left out run_3.ZVL and run_4.ZVL, because run_2.ZVL is missing."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto& e : std::filesystem::directory_iterator(dir.path()))
            std::filesystem::remove(e.path());
        for (size_t k = 1; k <= c.counts.size(); ++k)
            if (c.counts[k - 1] >= 0)
                writePart(int(k), c.counts[k - 1], c.otherLabelOf == std::to_string(k) ? "other" : "press");
        prompts.warnings.clear();
        dialogs.answers = {dir.file("run_" + std::to_string(c.chosen) + ".ZVL")};
        ASSERT_EQ(files.openAllParts(), FileOutcome::Done);
        ASSERT_EQ(state.resultCount(), c.results);
        EXPECT_EQ(state.resultTime(full), 100000 + full);
        EXPECT_EQ(state.resultTime(full + 1), c.results > full ? 200001 : 0) << "part 2 follows part 1";
        EXPECT_EQ(state.store.slot(c.results).inputStates, (c.results - 1) / full + 1);
        EXPECT_EQ(state.recordingTitle, c.title);
        EXPECT_EQ(state.inputLabels[0], "press");
        EXPECT_EQ(state.commentLines[0], "line 2");
        EXPECT_EQ(prompts.warnings,
                  c.message.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.message});
    }
}

TEST_F(PartFilesTest, APartOfTheRecordingThatCannotBeReadOrAChosenPartThatDoesNotExistChangesNothing) {
    for (int k = 1; k <= 3; ++k) writePart(k, k < 3 ? kResultsPerFile : 6);
    dialogs.answers = {dir.file("run_3.ZVL")};
    ASSERT_EQ(files.openAllParts(), FileOutcome::Done);
    ASSERT_EQ(state.resultCount(), 2 * kResultsPerFile + 6);

    const std::string two = test::readBytes(dir.file("run_2.ZVL"));
    test::writeBytes(dir.file("run_2.ZVL"), two.substr(0, 10));
    dialogs.answers = {dir.file("run_1.ZVL")};
    EXPECT_EQ(files.openAllParts(), FileOutcome::Failed);
    dialogs.answers = {dir.file("run_7.ZVL")};
    EXPECT_EQ(files.openAllParts(), FileOutcome::Failed);
    std::filesystem::remove(dir.file("run_1.ZVL"));
    dialogs.answers = {dir.file("run_3.ZVL")};
    EXPECT_EQ(files.openAllParts(), FileOutcome::Failed);
    EXPECT_EQ(prompts.warnings, (std::vector<std::string>{
                                    "Cannot read file " + dir.file("run_2.ZVL") + ": read beyond end of file",
                                    "Part file " + dir.file("run_7.ZVL") + " does not exist",
                                    "Part file " + dir.file("run_1.ZVL") + " is missing"}));
    EXPECT_EQ(state.resultCount(), 2 * kResultsPerFile + 6);
    EXPECT_EQ(state.recordingTitle, "part 3");

    EXPECT_NE(findPartFiles(dir.file("run.ZVL")).error.find("is not a part file"), std::string::npos);
}

}  // namespace
}  // namespace zvl
