// The File menu's recording commands on fakes: Save As with its split, Save, Open, Reopen and
// the Reopen list, and the dialogs each command shows.

#include <gtest/gtest.h>

#include "files/recentfiles.h"
#include "filetestutil.h"

namespace zvl {
namespace {

// The count field and the title line of a written file.
struct FileHead {
    int count = -1;
    std::string title;
};

FileHead head(const std::string& path) {
    const std::string f = test::readBytes(path);
    FileHead h;
    if (f.size() < 2) return h;
    h.count = uint8_t(f[0]) + 256 * uint8_t(f[1]);
    const size_t start = 2 + 8 * size_t(h.count);
    const size_t cr = f.find('\r', start);
    if (cr != std::string::npos) h.title = f.substr(start, cr - start);
    return h;
}

struct FileCommandsTest : ::testing::Test, test::FileCommandsRig {
    test::TempDir dir;

    void fill(int64_t count) {
        state.store.clearResults();
        state.resultCount() = count;
        for (int64_t i = 1; i <= count; ++i) {
            state.store.slot(i).setTime(uint32_t(1000 + i));
            state.store.slot(i).inputStates = uint16_t(i);
        }
        state.commentLines[0] = "comment";
        state.inputLabels[0] = "label";
        state.inputActive[3] = true;
    }
};

const std::string kDate = "  7 Dec 2026 - 10:00:01";

// ---- Save As ----

TEST_F(FileCommandsTest, SaveAsShowsTheRecordingSaveDialogAtTheDataFolder) {
    state.dataDirectory = "/data/old.zvl";
    state.saveFileName = "/data/old.zvl";
    EXPECT_EQ(files.saveAs(), FileOutcome::Cancelled);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    const auto& d = dialogs.shown[0];
    EXPECT_TRUE(d.save);
    EXPECT_EQ(d.request.title, "Save Sorvantiker Files");
    EXPECT_EQ(d.request.filter, "Sorvantiker Files|*.zvl");
    EXPECT_EQ(d.request.defaultExtension, "zvl");
    EXPECT_EQ(d.request.initialDirectory, "/data/old.zvl");
    EXPECT_EQ(d.request.fileName, "/data/old.zvl");
    EXPECT_TRUE(d.request.overwritePrompt);
    EXPECT_FALSE(state.saveCommandEnabled);
}

TEST_F(FileCommandsTest, SaveAsOfASingleFileListsItSetsTheFolderAndEnablesSave) {
    fill(3);
    state.recordingTitle = "typed by the user";
    const std::string path = dir.file("run.zvl");
    dialogs.answers = {path};
    EXPECT_EQ(files.saveAs(), FileOutcome::Done);
    EXPECT_EQ(head(path).count, 3);
    EXPECT_EQ(state.recordingTitle, "Corvask Pellam ZVL Data File : " + path + kDate);
    EXPECT_EQ(state.recentFiles[0], path);
    EXPECT_EQ(state.dataDirectory, path);
    EXPECT_EQ(state.saveFileName, path);
    EXPECT_TRUE(state.saveCommandEnabled);
    EXPECT_TRUE(prompts.informations.empty());
}

TEST_F(FileCommandsTest, ExactlyOneFileFullIsNotSplit) {
    fill(32768);
    dialogs.answers = {dir.file("full.zvl")};
    EXPECT_EQ(files.saveAs(), FileOutcome::Done);
    EXPECT_EQ(head(dir.file("full.zvl")).count, 32768);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"full.zvl"});
    EXPECT_TRUE(prompts.informations.empty());
}

TEST_F(FileCommandsTest, OneResultMoreGivesTwoPartsAndTheMessage) {
    fill(32769);
    state.dataDirectory = "/before";
    dialogs.answers = {dir.file("run.zvl")};
    EXPECT_EQ(files.saveAs(), FileOutcome::Done);
    ASSERT_EQ(prompts.informations.size(), 1u);
    EXPECT_EQ(prompts.informations[0],
              "For Your Convenience, This Record has been Split into 2 Parts, Each with _X Extension");
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"run_1.ZVL", "run_2.ZVL"}));
    EXPECT_EQ(head(dir.file("run_1.ZVL")).count, 32768);
    EXPECT_EQ(head(dir.file("run_2.ZVL")).count, 1);
    // The second part starts with result 32769.
    const std::string second = test::readBytes(dir.file("run_2.ZVL"));
    EXPECT_EQ(second.substr(2, 8),
              test::bytes({0, 0, 0, 0, (1000 + 32769) >> 8, (1000 + 32769) & 0xFF, 0x80, 0x01}));
    // The split touches neither the list, the folder nor File > Save.
    EXPECT_EQ(state.recentFiles[0], "");
    EXPECT_EQ(state.dataDirectory, "/before");
    EXPECT_FALSE(state.saveCommandEnabled);
    EXPECT_EQ(state.saveFileName, dir.file("run_2.ZVL")) << "the dialog's name is left on the last part";
}

TEST_F(FileCommandsTest, AHundredThousandResultsGiveFourCompletePartFiles) {
    fill(100000);
    dialogs.answers = {dir.file("long.zvl")};
    EXPECT_EQ(files.saveAs(), FileOutcome::Done);
    EXPECT_EQ(prompts.informations.at(0),
              "For Your Convenience, This Record has been Split into 4 Parts, Each with _X Extension");
    const int counts[] = {32768, 32768, 32768, 1696};
    for (int n = 1; n <= 4; ++n) {
        const std::string part = dir.file("long_" + std::to_string(n) + ".ZVL");
        const FileHead h = head(part);
        EXPECT_EQ(h.count, counts[n - 1]) << part;
        EXPECT_EQ(h.title, "Corvask Pellam ZVL Data File : " + part + kDate)
            << "each part names its own path";
        // Same comment lines, labels and flags in every part.
        const std::string f = test::readBytes(part);
        const std::string tail = f.substr(2 + 8 * size_t(h.count) + h.title.size() + 1);
        EXPECT_EQ(tail.substr(0, 8), "comment\r");
        EXPECT_EQ(tail.substr(tail.size() - 16),
                  test::bytes({0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    }
    EXPECT_EQ(dir.entries().size(), 4u);
    EXPECT_EQ(state.recordingTitle, head(dir.file("long_4.ZVL")).title);
}

TEST_F(FileCommandsTest, PartNamesDropFourCharactersWhateverTheyAre) {
    EXPECT_EQ(partFileName("C:\\data\\run.zvl", 1), "C:\\data\\run_1.ZVL");
    EXPECT_EQ(partFileName("/d/run.zvl", 3), "/d/run_3.ZVL");
    EXPECT_EQ(partFileName("/d/data.backup", 2), "/d/data.ba_2.ZVL");
    EXPECT_EQ(partFileName("/d/ab", 1), "/_1.ZVL");
    EXPECT_EQ(partFileName("/d/r\xC3\xA9sum\xC3\xA9", 1), "/d/r\xC3\xA9_1.ZVL") << "characters, not bytes";
}

TEST_F(FileCommandsTest, ExistingPartFilesAreOverwritten) {
    fill(40000);
    test::writeBytes(dir.file("x_2.ZVL"), "old part");
    dialogs.answers = {dir.file("x.zvl")};
    EXPECT_EQ(files.saveAs(), FileOutcome::Done);
    EXPECT_EQ(head(dir.file("x_2.ZVL")).count, 40000 - 32768);
    EXPECT_EQ(dialogs.shown.size(), 1u) << "no question about the parts";
}

TEST_F(FileCommandsTest, AFailedSaveAsIsReportedAndChangesNoState) {
    fill(2);
    const std::string path = dir.file("no-such-folder/run.zvl");
    dialogs.answers = {path};
    EXPECT_EQ(files.saveAs(), FileOutcome::Failed);
    ASSERT_EQ(prompts.warnings.size(), 1u);
    EXPECT_EQ(prompts.warnings[0], "Cannot create file " + path + ": No such file or directory");
    EXPECT_EQ(state.recentFiles[0], "") << "a file that was not written is not listed";
    EXPECT_EQ(state.dataDirectory, "");
    EXPECT_FALSE(state.saveCommandEnabled);
}

// ---- Save ----

TEST_F(FileCommandsTest, SaveIsDisabledUntilTheFirstSingleFileSaveAs) {
    fill(2);
    EXPECT_EQ(files.save(), FileOutcome::Cancelled);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_TRUE(dir.entries().empty());
}

TEST_F(FileCommandsTest, SaveRewritesTheSaveAsFileNotTheOpenedOne) {
    fill(2);
    const std::string a = dir.file("a.zvl"), b = dir.file("b.zvl");
    dialogs.answers = {a};
    ASSERT_EQ(files.saveAs(), FileOutcome::Done);
    fill(5);
    dialogs.answers = {b};
    ASSERT_EQ(files.saveAs(), FileOutcome::Done);
    dialogs.answers = {a};
    ASSERT_EQ(files.open(), FileOutcome::Done);  // Open A: Save still writes B
    ASSERT_EQ(state.resultCount(), 2);
    state.resultCount() = 1;
    clock.ms += 60000;
    const size_t dialogsBefore = dialogs.shown.size();
    EXPECT_EQ(files.save(), FileOutcome::Done);
    EXPECT_EQ(dialogs.shown.size(), dialogsBefore) << "Save shows no dialog";
    EXPECT_EQ(head(b).count, 1);
    EXPECT_EQ(head(b).title, "Corvask Pellam ZVL Data File : " + b + "  7 Dec 2026 - 10:01:01");
    EXPECT_EQ(head(a).count, 2);
}

TEST_F(FileCommandsTest, OpenDoesNotEnableSave) {
    fill(2);
    test::writeBytes(dir.file("in.zvl"), test::bytes({0, 0}) + std::string(27, '\r') + std::string(16, '\1'));
    dialogs.answers = {dir.file("in.zvl")};
    ASSERT_EQ(files.open(), FileOutcome::Done);
    EXPECT_FALSE(state.saveCommandEnabled);
    EXPECT_EQ(files.save(), FileOutcome::Cancelled);
}

TEST_F(FileCommandsTest, SaveOfALongRecordingRunsSaveAs) {
    fill(2);
    dialogs.answers = {dir.file("a.zvl")};
    ASSERT_EQ(files.saveAs(), FileOutcome::Done);
    fill(32769);
    dialogs.answers = {dir.file("big.zvl")};
    EXPECT_EQ(files.save(), FileOutcome::Done);
    EXPECT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(head(dir.file("big_2.ZVL")).count, 1);
}

// ---- Open and Reopen ----

TEST_F(FileCommandsTest, OpenSwitchesToOfflineEventModeEvenWhenCancelled) {
    state.operatingMode = TimebaseRecord;
    state.dataDirectory = "/data/last.zvl";
    EXPECT_EQ(files.open(), FileOutcome::Cancelled);
    EXPECT_EQ(state.operatingMode, EventSearch);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    const auto& d = dialogs.shown[0];
    EXPECT_FALSE(d.save);
    EXPECT_EQ(d.request.title, "Open Stored Sorvantiker Files");
    EXPECT_EQ(d.request.filter, "Corvask Sorvantiker|*.ZVL");
    EXPECT_EQ(d.request.defaultExtension, "ZVL");
    EXPECT_EQ(d.request.initialDirectory, "/data/last.zvl");
}

TEST_F(FileCommandsTest, OpenFitsTheTimeBaseAndShowsTheFirstResult) {
    fill(3);
    state.store.slot(3).setTime(1000 + 500);  // span 499 s: the 5-minute base is too narrow
    dialogs.answers = {dir.file("o.zvl")};
    ASSERT_EQ(files.saveAs(), FileOutcome::Done);
    state.timebaseIndex = 0;
    state.currentResult = 200;
    dialogs.answers = {dir.file("o.zvl")};
    ASSERT_EQ(files.open(), FileOutcome::Done);
    EXPECT_EQ(state.timebaseIndex, 8);
    EXPECT_EQ(state.currentResult, -30);
    EXPECT_EQ(state.viewStartTime, 1001 - 900);
    EXPECT_EQ(state.recordingEndTime, 1500);
    EXPECT_EQ(state.dataDirectory, dir.file("o.zvl"));
}

TEST_F(FileCommandsTest, AFailedOpenLeavesTheListAndTheFolder) {
    state.dataDirectory = "/kept";
    dialogs.answers = {dir.file("missing.zvl")};
    EXPECT_EQ(files.open(), FileOutcome::Failed);
    EXPECT_EQ(state.dataDirectory, "/kept");
    EXPECT_EQ(state.recentFiles[0], "");
    EXPECT_EQ(prompts.warnings.size(), 1u);
}

TEST_F(FileCommandsTest, ReopenLoadsTheEntryAndChangesNothingElse) {
    fill(4);
    dialogs.answers = {dir.file("one.zvl")};
    ASSERT_EQ(files.saveAs(), FileOutcome::Done);
    state.recentFiles = {"/x/newest.zvl", dir.file("one.zvl"), "", ""};
    state.dataDirectory = "/x";
    state.saveFileName = "/x/save.zvl";
    state.store.clearResults();
    state.operatingMode = EventRecord;
    EXPECT_EQ(files.reopen(1), FileOutcome::Done);
    EXPECT_EQ(state.resultCount(), 4);
    EXPECT_EQ(state.operatingMode, EventSearch);
    EXPECT_EQ(state.recentFiles[0], "/x/newest.zvl") << "the entry keeps its place";
    EXPECT_EQ(state.dataDirectory, "/x");
    EXPECT_EQ(state.saveFileName, "/x/save.zvl");
    EXPECT_EQ(files.reopen(2), FileOutcome::Cancelled) << "an empty entry cannot be chosen";
    EXPECT_EQ(files.reopen(7), FileOutcome::Cancelled);
}

TEST(RecentFiles, NewestFirstFourKeptKnownPathsStayWhereTheyAre) {
    AppState s;
    for (const char* p : {"A", "B", "C", "D", "E"}) addRecentFile(s, p);
    EXPECT_EQ(s.recentFiles, (std::array<std::string, 4>{"E", "D", "C", "B"}));
    addRecentFile(s, "B");
    EXPECT_EQ(s.recentFiles, (std::array<std::string, 4>{"E", "D", "C", "B"}));
    addRecentFile(s, "e");
    EXPECT_EQ(s.recentFiles, (std::array<std::string, 4>{"e", "E", "D", "C"}))
        << "case-sensitive: c:\\x.zvl is not C:\\X.ZVL";
}

}  // namespace
}  // namespace zvl
