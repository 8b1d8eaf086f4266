// A folder of recordings shown as one timeline against one file holding the same results: the
// pictures of both modes at every time base, and the positions the navigation, Go To and a click
// reach, are the same pixel for pixel; a gap between recordings is drawn and told.
#include <gtest/gtest.h>

#include <QImage>
#include <map>

#include "files/filecommands.h"
#include "files/folderload.h"
#include "files/recordingfile.h"
#include "qt/tracepicture.h"
#include "search/goto.h"
#include "search/marker.h"
#include "search/navigation.h"
#include "session/controlstates.h"
#include "tests/files/filetestutil.h"
#include "tests/viewer/viewerfixture.h"

namespace zvl {
namespace {

constexpr int64_t kResults = 600;

// Results at irregular times (pauses after every 50, and `pause` seconds more before 201 and 401) with busy
// inputs (input 16 changing at 203 and 403 only), written as one file (whole.zvl) and as three recordings in
// dir/ (parts at 1, 201 and 401) whose comment line 3 ends them as `ended` says.
void writeRecordings(const test::TempDir& dir, const std::string& ended, int64_t pause,
                     bool overlapping = false) {
    auto st = std::make_unique<AppState>();
    test::fillStore(*st, kResults, 1000, 1);
    int64_t t = 5000;
    for (int64_t i = 1; i <= kResults; ++i) {
        t += 1 + (i * 37 % 11) + (i % 50 == 0 ? 400 : 0) + (i % 200 == 1 && i > 1 ? pause : 0);
        st->store.slot(i).setTime(uint32_t(t));
        // Input 16 changes only just after the files' boundaries: its marks need the walk to
        // look across them.
        st->store.slot(i).inputStates = uint16_t((i * 0x9E37u & 0x7FFF) | (i >= 203 && i < 403 ? 0x8000 : 0));
    }
    test::writeBytes(dir.file("whole.zvl"), encodeRecordingFile(*st, 1, kResults, "t"));
    std::filesystem::create_directory(dir.file("dir"));
    for (int64_t p = 0; p < 3; ++p) {
        st->commentLines[2] = p < 2 ? ended : "";
        test::writeBytes(dir.file("dir/part" + std::to_string(p) + ".zvl"),
                         encodeRecordingFile(*st, 200 * p + 1, 200 * p + 200, "t"));
    }
    if (overlapping) test::writeBytes(dir.file("dir/late.zvl"), encodeRecordingFile(*st, 50, 60, "t"));
}

struct Shown : test::ViewerRig {
    test::ScriptedFileDialogs dialogs;
    FileCommands files{state, dialogs, prompts, view, clock};
    QImage draw() { return renderTracePicture(renderer); }
    std::vector<int64_t> place() const {
        return {state.currentResult, state.viewStartTime, state.cursorResult, state.timebaseIndex};
    }
};

TEST(Timeline, AFolderThatRollsOnIsDrawnAndWalkedAsOneFileOfItsResults) {
    test::TempDir dir;
    writeRecordings(dir, "Ended: roll after 200 results", 0);
    Shown file, folder;
    ASSERT_EQ(file.files.openFile(dir.file("whole.zvl")), FileOutcome::Done);
    ASSERT_EQ(folder.files.openFolderAt(dir.file("dir")), FileOutcome::Done);
    ASSERT_EQ(folder.state.resultCount(), 0);  // the store stands aside
    ASSERT_EQ(ShownResults(folder.state).count(), kResults);
    EXPECT_EQ(folder.state.recordingTitle, "Folder: 3 files, 600 results, " +
                                               formatTimeStamp(ShownResults(folder.state).time(1)) + " .. " +
                                               formatTimeStamp(ShownResults(folder.state).time(kResults)));
    EXPECT_EQ(file.place(), folder.place());
    const int64_t moment = ShownResults(file.state).time(333) - 1;
    // Each step of the view, then the picture: both must stand at the same place and look alike.
    const std::vector<std::pair<const char*, std::function<void(Shown&)>>> steps = {
        {"first", [](Shown& s) { goToFirstResult(s.state, s.view); }},
        {"fast right", [](Shown& s) { stepRightFast(s.state, s.view); }},
        {"slow right", [](Shown& s) { stepRightSlow(s.state, s.view); }},
        {"go to 350", [](Shown& s) { goToEvent(s.state, s.prompts, "350"); }},
        {"go to a time", [&](Shown& s) { goToTime(s.state, s.prompts, moment); }},
        {"click", [](Shown& s) { goToResultAtPointer(s.state, s.renderer, 300, 200); }},
        {"slow left", [](Shown& s) { stepLeftSlow(s.state, s.view); }},
        {"fast left", [](Shown& s) { stepLeftFast(s.state, s.view); }},
        {"last", [](Shown& s) { goToLastResult(s.state, s.view); }},
    };
    for (OperatingMode mode : {EventSearch, TimebaseSearch})
        for (int32_t tb = 0; tb <= 19; ++tb) {
            if (mode == EventSearch && tb != 5) continue;  // the event chart has no time base
            for (const auto& [what, step] : steps) {
                SCOPED_TRACE(std::string(what) + " mode " + std::to_string(mode.number()) + " tb " +
                             std::to_string(tb));
                for (Shown* s : {&file, &folder}) {
                    s->state.operatingMode = mode;
                    s->state.timebaseIndex = tb;
                    step(*s);
                }
                const QImage a = file.draw(), b = folder.draw();
                EXPECT_EQ(file.place(), folder.place());
                EXPECT_TRUE(a == b);
                EXPECT_TRUE(folder.renderer.gapMarks().empty());
            }
        }
}

TEST(Timeline, AGapIsDrawnInBothModesAndToldOnlyForTheTimeline) {
    test::TempDir dir;
    writeRecordings(dir, "Ended: port lost (Input/output error)", 3000);
    Shown file, folder;
    ASSERT_EQ(file.files.openFile(dir.file("whole.zvl")), FileOutcome::Done);
    ASSERT_EQ(folder.files.openFolderAt(dir.file("dir")), FileOutcome::Done);
    const auto gapPixels = [](const QImage& img) {
        int n = 0;
        for (int y = 31; y < 347; ++y)
            for (int x = kPlotLeft; x < kEventRight; ++x) n += img.pixel(x, y) == qRgb(64, 64, 64);
        return n;
    };
    for (OperatingMode mode : {EventSearch, TimebaseSearch}) {
        SCOPED_TRACE(mode.number());
        for (Shown* s : {&file, &folder}) {
            s->state.operatingMode = mode;
            s->state.timebaseIndex = 9;
            goToEvent(s->state, s->prompts, "201");
        }
        EXPECT_EQ(gapPixels(file.draw()), 0);
        EXPECT_GT(gapPixels(folder.draw()), 100);
        ASSERT_EQ(folder.renderer.gapMarks().size(), 1u);
        const TraceRenderer::GapMark g = folder.renderer.gapMarks().front();
        const SourceSegment& after = ShownResults(folder.state).source().segments()[g.segment];
        EXPECT_EQ(after.first, 201);
        // The band runs from result 200's bar to result 201's; the event chart marks slot 31's left.
        EXPECT_EQ(g.right, mode.isEvent() ? kPlotLeft + 10 * 31 : kTimebaseCursorX);
        EXPECT_EQ(folder.renderer.gapAtPictureX(g.right - 1), g.segment);
        EXPECT_EQ(gapText(after), "gap of 00:50:02 (port lost)");
    }
}

TEST(Timeline, TheFolderIsOnlyReadItsLeftOutNamedOnceAndAClearDropsIt) {
    test::TempDir dir;
    writeRecordings(dir, "", 0, true);
    std::map<std::string, std::string> before;
    for (const auto& e : std::filesystem::directory_iterator(dir.file("dir")))
        before[e.path().string()] = test::readBytes(e.path().string());
    Shown s;
    s.dialogs.answers = {dir.file("dir"), dir.file("dir/part0.zvl"), dir.file("dir/new.zvl")};
    ASSERT_EQ(s.files.openFolder(), FileOutcome::Done);
    EXPECT_EQ(s.prompts.warnings,
              std::vector<std::string>{"left out late.zvl: its results overlap part0.zvl's"});
    EXPECT_TRUE(controlStates(s.state).timelineShown);
    EXPECT_FALSE(s.state.saveCommandEnabled);
    EXPECT_EQ(s.files.saveAs(), FileOutcome::Cancelled);  // no dialog: nothing is written
    EXPECT_EQ(s.files.save(), FileOutcome::Cancelled);
    EXPECT_EQ(s.dialogs.answers.size(), 2u);
    for (const auto& [path, bytes] : before) EXPECT_EQ(test::readBytes(path), bytes) << path;
    EXPECT_EQ(before.size(), 4u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.file("dir")),
                            std::filesystem::directory_iterator()),
              4);
    // A file opened afterwards takes the timeline's place.
    ASSERT_EQ(s.files.openFile(dir.file("dir/part0.zvl")), FileOutcome::Done);
    EXPECT_FALSE(s.state.store.timeline);
    EXPECT_EQ(ShownResults(s.state).count(), 200);
}

}  // namespace
}  // namespace zvl
