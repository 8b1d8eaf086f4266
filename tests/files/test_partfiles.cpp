// File > Open All Parts on hand-made part files: the parts in order as one recording, and a
// missing or cut part named without changing the store.
#include <gtest/gtest.h>

#include <filesystem>

#include "files/partfiles.h"
#include "files/recordingfile.h"
#include "filetestutil.h"

namespace zvl {
namespace {

struct PartFilesTest : ::testing::Test, test::FileCommandsRig {
    test::TempDir dir;

    // Part k holds k results at 1000k + 1 .., labelled "part k".
    void writePart(int k) {
        AppState part;
        for (int64_t i = 1; i <= k; ++i) part.store.slot(i).setTime(uint32_t(1000 * k + i));
        part.store.slot(1).inputStates = uint16_t(k);
        part.inputLabels[0] = "part " + std::to_string(k);
        test::writeBytes(dir.file("run_" + std::to_string(k) + ".ZVL"), encodeRecordingFile(part, 1, k, "t"));
    }
};

TEST_F(PartFilesTest, OpenAllPartsLoadsThemInOrderOrNamesTheOneThatFails) {
    for (int k = 1; k <= 3; ++k) writePart(k);
    dialogs.answers = {dir.file("run_2.ZVL")};
    EXPECT_EQ(files.openAllParts(), FileOutcome::Done);
    ASSERT_EQ(state.resultCount(), 6);
    const int64_t times[] = {1001, 2001, 2002, 3001, 3002, 3003};
    for (int64_t n = 1; n <= 6; ++n) EXPECT_EQ(state.resultTime(n), times[n - 1]) << n;
    EXPECT_EQ(state.store.slot(4).inputStates, 3);
    EXPECT_EQ(state.inputLabels[0], "part 2") << "the chosen part describes the recording";
    EXPECT_EQ(state.dataDirectory, dir.file("run_2.ZVL"));
    EXPECT_TRUE(prompts.warnings.empty());

    // A cut part, then a missing one: the message names it and the store stays as it was.
    const std::string two = test::readBytes(dir.file("run_2.ZVL"));
    test::writeBytes(dir.file("run_2.ZVL"), two.substr(0, 10));
    dialogs.answers = {dir.file("run_1.ZVL")};
    EXPECT_EQ(files.openAllParts(), FileOutcome::Failed);
    std::filesystem::remove(dir.file("run_2.ZVL"));
    dialogs.answers = {dir.file("run_3.ZVL")};
    EXPECT_EQ(files.openAllParts(), FileOutcome::Failed);
    EXPECT_EQ(prompts.warnings, (std::vector<std::string>{
                                    "Cannot read file " + dir.file("run_2.ZVL") + ": read beyond end of file",
                                    "Part file " + dir.file("run_2.ZVL") + " is missing"}));
    EXPECT_EQ(state.resultCount(), 6);
    EXPECT_EQ(state.resultTime(6), 3003);
    EXPECT_EQ(state.inputLabels[0], "part 2");

    EXPECT_NE(findPartFiles(dir.file("run.ZVL")).error.find("is not a part file"), std::string::npos);
}

}  // namespace
}  // namespace zvl
