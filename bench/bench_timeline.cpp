// A folder shown as one timeline, as the window shows it: File > Open Folder's read
// (FileCommands::openFolderAt) and the first picture, then the redraw of every mode and time
// base over the whole timeline. Not a Google benchmark: the first picture is timed once, in a
// fresh process, as a user meets it.
//
//   bench_timeline FOLDER           the open, the first picture, peak memory, then every redraw
//   bench_timeline --first FOLDER   the open and the first picture only (for bench/timeline_open.sh)
#include <sys/resource.h>

#include <QGuiApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "bench/benchsupport.h"
#include "core/timebase.h"
#include "files/filecommands.h"
#include "qt/tracepicture.h"
#include "search/navigation.h"

namespace zvl {
namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

class NoDialogs : public FileDialogs {
public:
    std::optional<std::string> openFile(const FileDialogSpec&) override { return std::nullopt; }
    std::optional<std::string> saveFile(const FileDialogSpec&) override { return std::nullopt; }
    std::optional<std::string> openFolder(const FileDialogSpec&) override { return std::nullopt; }
};

// The median of five redraws of the view as it stands.
double redrawMs(TraceRenderer& renderer) {
    std::vector<double> ms;
    for (int k = 0; k < 5; ++k) {
        const auto t = Clock::now();
        renderTracePicture(renderer);
        ms.push_back(msSince(t));
    }
    std::sort(ms.begin(), ms.end());
    return ms[2];
}

int run(const std::string& folder, bool firstOnly) {
    const auto start = Clock::now();
    auto st = std::make_unique<AppState>();
    bench::StillClock clock;
    bench::QuietPrompts prompts;
    NoDialogs dialogs;
    ViewHooks view;
    FileCommands files(*st, dialogs, prompts, view, clock);
    TraceRenderer renderer(*st, clock, prompts);
    if (files.openFolderAt(folder) != FileOutcome::Done) {
        std::fprintf(stderr, "bench_timeline: %s\n", prompts.lastWarning().c_str());
        return 1;
    }
    const double opened = msSince(start);
    renderTracePicture(renderer);
    const double first = msSince(start);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%s: open %.0f ms, first picture %.0f ms after main(), peak resident %ld MB\n",
                st->recordingTitle.c_str(), opened, first, usage.ru_maxrss / 1024);
    if (firstOnly) return 0;

    std::printf("mode          time base                    middle ms   end ms\n");
    for (OperatingMode mode : {EventSearch, TimebaseSearch})
        for (int32_t tb = 0; tb <= 19; ++tb) {
            if (mode == EventSearch && tb != 5) continue;
            st->operatingMode = mode;
            st->timebaseIndex = tb;
            putUnderCursor(*st, ShownResults(*st).count() / 2);
            const double middle = redrawMs(renderer);
            goToLastResult(*st, view);
            const double end = redrawMs(renderer);
            std::printf("%-13s %-28s %9.2f %8.2f\n", mode.isEvent() ? "event" : "time base",
                        mode.isEvent() ? "-" : timebaseRow(tb).caption, middle, end);
        }
    return 0;
}

}  // namespace
}  // namespace zvl

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const bool firstOnly = argc == 3 && std::strcmp(argv[1], "--first") == 0;
    if (argc != 2 && !firstOnly) {
        std::fprintf(stderr, "usage: bench_timeline [--first] FOLDER\n");
        return 2;
    }
    return zvl::run(argv[argc - 1], firstOnly);
}
