// File > Open All Parts on hand-made part files: the parts that continue the recording in order
// as one, the first that does not and those after it left out and named, and a missing or cut
// part of the recording named without changing the store.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "files/partfiles.h"
#include "files/recordingfile.h"
#include "filetestutil.h"
#include "tests/support/filesizelimit.h"

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

// The store holds `count` results, result i at time start + i.
void fillStore(AppState& state, int64_t count, uint32_t start) {
    state.store.clearResults();
    for (int64_t i = 1; i <= count; ++i) state.store.slot(i).setTime(start + uint32_t(i));
    state.resultCount() = count;
}

// Every file in `folder` with its bytes.
std::map<std::string, std::string> contents(const test::TempDir& folder) {
    std::map<std::string, std::string> all;
    for (const std::string& name : folder.entries()) all[name] = test::readBytes(folder.file(name));
    return all;
}

// File > Save As, and File > Open All Parts, of `path`.
FileOutcome saveAs(test::FileCommandsRig& r, const std::string& path) {
    r.dialogs.answers = {path};
    return r.files.saveAs();
}
FileOutcome openAll(test::FileCommandsRig& r, const std::string& path) {
    r.dialogs.answers = {path};
    return r.files.openAllParts();
}

TEST_F(PartFilesTest, ASplitSaveReplacesAllItsPartsOrNoneAndRemovesAnOlderSavesHigherParts) {
    const struct {
        int64_t count;
        bool blockPart3;                    // run_3.ZVL a link into a folder that does not exist
        rlim_t limit;                       // the largest file that can be written: 100000 a full disk
        std::vector<std::string> newParts;  // none: the save fails
    } cases[] = {
        {40000, false, RLIM_INFINITY, {"run_1.ZVL", "run_2.ZVL"}},
        {80000, true, RLIM_INFINITY, {}},
        {80000, false, 100000, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        test::TempDir folder;
        fillStore(state, kMaxResults, 3000000);
        ASSERT_EQ(saveAs(*this, folder.file("run.zvl")), FileOutcome::Done);
        if (c.blockPart3) {
            std::filesystem::remove(folder.file("run_3.ZVL"));
            std::filesystem::create_symlink("missing/run_3.ZVL", folder.path() / "run_3.ZVL");
        }
        const auto before = contents(folder);
        fillStore(state, c.count, 1000000);
        clock.ms += 3600000;
        prompts.warnings.clear();
        const FileOutcome outcome = [&] {
            test::FileSizeLimit limit(c.limit);
            return saveAs(*this, folder.file("run.zvl"));
        }();
        EXPECT_EQ(outcome, c.newParts.empty() ? FileOutcome::Failed : FileOutcome::Done);
        EXPECT_EQ(prompts.warnings.size(), c.newParts.empty() ? 1u : 0u);
        if (c.newParts.empty()) {
            EXPECT_TRUE(contents(folder) == before) << "every old part as it was, and nothing beside them";
            continue;
        }
        EXPECT_EQ(folder.entries(), c.newParts);
        ASSERT_EQ(openAll(*this, folder.file("run_1.ZVL")), FileOutcome::Done);
        EXPECT_EQ(state.resultCount(), c.count);
        EXPECT_EQ(state.resultTime(c.count), 1000000 + c.count);
    }
}

TEST_F(PartFilesTest, APartContinuesOnlyWithPart1sTimeOfSavingAndNoEarlierFirstResult) {
    const auto older = clock.now();
    clock.ms += 3600000;
    const auto newer = clock.now();
    // Part k: 32768 results from `start`, saved at `when`.
    auto part = [&](int k, uint32_t start, const LocalDateTime& when) {
        AppState one;
        fillStore(one, kResultsPerFile, start);
        const std::string name = dir.file("run_" + std::to_string(k) + ".ZVL");
        test::writeBytes(name, encodeRecordingFile(one, 1, kResultsPerFile, recordingTitleLine(name, when)));
    };
    const uint32_t afterTwo = 1000000 + 2 * kResultsPerFile;
    const struct {
        uint32_t thirdStarts;
        LocalDateTime thirdSaved;
        std::string why;  // part 3 left out, because; none: all four loaded
    } cases[] = {
        {afterTwo, newer, ""},
        {afterTwo, older, "run_3.ZVL was saved at 7 Dec 2026 - 10:00:01, run_1.ZVL at 7 Dec 2026 - 11:00:01"},
        {afterTwo - 2, newer, "the first result of run_3.ZVL is earlier than the last of run_2.ZVL"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        part(1, 1000000, newer);
        part(2, 1000000 + kResultsPerFile, newer);
        part(3, c.thirdStarts, c.thirdSaved);
        part(4, c.thirdStarts + kResultsPerFile, c.thirdSaved);
        prompts.warnings.clear();
        ASSERT_EQ(openAll(*this, dir.file("run_1.ZVL")), FileOutcome::Done);
        EXPECT_EQ(state.resultCount(), c.why.empty() ? kMaxResults : 2 * kResultsPerFile);
        const std::string left =
            "Loaded run_1.ZVL to run_2.ZVL as one recording; left out run_3.ZVL and run_4.ZVL, "
            "because " +
            c.why + ".";
        EXPECT_EQ(prompts.warnings,
                  c.why.empty() ? std::vector<std::string>{} : std::vector<std::string>{left});
    }

    // The same through File > Save As: 65536 results over an older save of four parts, whose
    // parts 3 and 4 are then put back (an older program left them so).
    test::TempDir folder;
    clock.ms = 1000;
    fillStore(state, kMaxResults, 3000000);
    ASSERT_EQ(saveAs(*this, folder.file("run.zvl")), FileOutcome::Done);
    const auto old = contents(folder);
    clock.ms += 3600000;
    fillStore(state, 2 * kResultsPerFile, 1000000);
    ASSERT_EQ(saveAs(*this, folder.file("run.zvl")), FileOutcome::Done);
    for (const char* name : {"run_3.ZVL", "run_4.ZVL"}) test::writeBytes(folder.file(name), old.at(name));
    ASSERT_EQ(openAll(*this, folder.file("run_2.ZVL")), FileOutcome::Done);
    EXPECT_EQ(state.resultCount(), 2 * kResultsPerFile);
    EXPECT_EQ(state.resultTime(2 * kResultsPerFile), 1000000 + 2 * kResultsPerFile);
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
