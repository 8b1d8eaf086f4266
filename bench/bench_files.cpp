// Opening, saving, exporting and importing a recording of 100000 results, through the same
// functions as the File menu. Files go to a temporary folder on the disk the program would
// use; the in-memory variants show how much of the time is building bytes and how much is the
// disk (the safe save syncs every file before it renames it over the old one).

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>

#include "bench/benchsupport.h"
#include "files/exportfile.h"
#include "files/filecommands.h"
#include "files/journal.h"
#include "files/recordingfile.h"
#include "files/vcdfile.h"
#include "platform/atomicfile.h"

namespace zvl {
namespace {

constexpr int64_t kResults = 100000;

class FixedDialogs : public FileDialogs {
public:
    std::optional<std::string> openFile(const FileDialogSpec&) override { return path; }
    std::optional<std::string> saveFile(const FileDialogSpec&) override { return path; }
    std::optional<std::string> openFolder(const FileDialogSpec&) override { return path; }
    std::string path;
};

struct Folder {
    Folder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zvl-bench-XXXXXX").string();
        if (mkdtemp(pattern.data())) path = pattern;
    }
    ~Folder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string path;
};

// A recording like a long live one: a change every 1 to 10 seconds, labels and comments set.
std::unique_ptr<AppState> recording() {
    auto s = std::make_unique<AppState>();
    std::mt19937 rng(1);
    uint32_t t = 800000000;
    s->resultCount() = kResults;
    for (int64_t i = 1; i <= kResults; ++i) {
        t += 1 + rng() % 10;
        s->store.slot(i).setTime(t);
        s->store.slot(i).inputStates = uint16_t(rng());
    }
    for (int k = 0; k < 10; ++k) s->commentLines[size_t(k)] = "Comment line " + std::to_string(k + 1);
    for (int k = 0; k < kInputCount; ++k) {
        s->inputLabels[size_t(k)] = "Channel " + std::to_string(k + 1);
        s->inputActive[size_t(k)] = true;
    }
    return s;
}

struct Rig {
    std::unique_ptr<AppState> state = recording();
    bench::QuietPrompts prompts;
    ViewHooks view;
    bench::StillClock clock;
    FixedDialogs dialogs;
    FileCommands files{*state, dialogs, prompts, view, clock};
    Folder folder;
};

// Save As of 100000 results: the split message and four part files.
void BM_SaveAs100000(benchmark::State& st) {
    Rig rig;
    rig.dialogs.path = rig.folder.path + "/run.zvl";
    for (auto _ : st) {
        if (rig.files.saveAs() != FileOutcome::Done) st.SkipWithError(rig.prompts.lastWarning().c_str());
    }
    st.SetItemsProcessed(st.iterations() * kResults);
}
BENCHMARK(BM_SaveAs100000)->Unit(benchmark::kMillisecond);

// The bytes of the four part files, built in memory only.
void BM_EncodeParts100000(benchmark::State& st) {
    Rig rig;
    for (auto _ : st) {
        size_t total = 0;
        for (int64_t first = 1; first <= kResults; first += kResultsPerFile)
            total += encodeRecordingFile(*rig.state, first, std::min(first + kResultsPerFile - 1, kResults),
                                         "title")
                         .size();
        benchmark::DoNotOptimize(total);
    }
    st.SetItemsProcessed(st.iterations() * kResults);
}
BENCHMARK(BM_EncodeParts100000)->Unit(benchmark::kMillisecond);

// Opening the four part files of 100000 results in turn (each load clears the store, fits the
// time base and positions the view, as Open does).
void BM_OpenParts100000(benchmark::State& st) {
    Rig rig;
    rig.dialogs.path = rig.folder.path + "/run.zvl";
    rig.files.saveAs();
    AppState& s = *rig.state;
    for (auto _ : st) {
        int64_t loaded = 0;
        for (int n = 1; n <= 4; ++n) {
            if (!loadRecordingFile(s, rig.folder.path + "/run_" + std::to_string(n) + ".ZVL", rig.prompts,
                                   rig.view))
                st.SkipWithError(rig.prompts.lastWarning().c_str());
            loaded += s.resultCount();
        }
        if (loaded != kResults) st.SkipWithError("wrong count");
    }
    st.SetItemsProcessed(st.iterations() * kResults);
}
BENCHMARK(BM_OpenParts100000)->Unit(benchmark::kMillisecond);

// Export of 100000 results to a CSV file (about 8 MB).
void BM_Export100000(benchmark::State& st) {
    Rig rig;
    rig.dialogs.path = rig.folder.path + "/run.csv";
    for (auto _ : st) {
        if (rig.files.exportCsvOrTxt() != FileOutcome::Done)
            st.SkipWithError(rig.prompts.lastWarning().c_str());
    }
    st.SetItemsProcessed(st.iterations() * kResults);
    st.counters["bytes"] = double(std::filesystem::file_size(rig.dialogs.path));
}
BENCHMARK(BM_Export100000)->Unit(benchmark::kMillisecond);

// The export text alone, built in memory.
void BM_ExportText100000(benchmark::State& st) {
    Rig rig;
    for (auto _ : st) benchmark::DoNotOptimize(exportText(*rig.state, rig.clock.now()).size());
    st.SetItemsProcessed(st.iterations() * kResults);
}
BENCHMARK(BM_ExportText100000)->Unit(benchmark::kMillisecond);

// Export as VCD of 100000 results (what zvl vcd runs after opening the file).
void BM_ExportVcd100000(benchmark::State& st) {
    Rig rig;
    rig.dialogs.path = rig.folder.path + "/run.vcd";
    for (auto _ : st) {
        if (rig.files.exportVcd() != FileOutcome::Done) st.SkipWithError(rig.prompts.lastWarning().c_str());
    }
    st.SetItemsProcessed(st.iterations() * kResults);
    st.counters["bytes"] = double(std::filesystem::file_size(rig.dialogs.path));
}
BENCHMARK(BM_ExportVcd100000)->Unit(benchmark::kMillisecond);

// Import of a compliant CSV file of 100001 lines (slot 0 and 100000 results).
void BM_Import100000(benchmark::State& st) {
    Rig rig;
    std::string csv;
    for (int64_t i = 0; i <= kResults; ++i)
        csv += std::to_string(800000000 + i * 3) + "," + std::to_string(i % 65536) + "\r\n";
    rig.dialogs.path = rig.folder.path + "/in.csv";
    {
        FILE* f = std::fopen(rig.dialogs.path.c_str(), "wb");
        std::fwrite(csv.data(), 1, csv.size(), f);
        std::fclose(f);
    }
    for (auto _ : st) {
        if (rig.files.importCompliantCsv() != FileOutcome::Done)
            st.SkipWithError(rig.prompts.lastWarning().c_str());
    }
    st.SetItemsProcessed(st.iterations() * kResults);
}
BENCHMARK(BM_Import100000)->Unit(benchmark::kMillisecond);

// A save into a folder of 200000 other files (a week of `zvl log` files), a 20 kB file as a
// logger's: the search for left-over temporary files reads the whole folder, once per process
// and folder (the first save, `first_ms`), not at each save.
void BM_SaveIntoFolderOf200000Files(benchmark::State& st) {
    Folder folder;
    for (int i = 0; i < 200000; ++i) {
        FILE* f = std::fopen((folder.path + "/f" + std::to_string(i)).c_str(), "wb");
        if (f) std::fclose(f);
    }
    const std::string bytes(20000, 'x');
    const auto start = std::chrono::steady_clock::now();
    if (!writeFileAtomically(folder.path + "/log.zvl", bytes).empty()) st.SkipWithError("save failed");
    st.counters["first_ms"] =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    for (auto _ : st) {
        if (!writeFileAtomically(folder.path + "/log.zvl", bytes).empty()) st.SkipWithError("save failed");
    }
}
BENCHMARK(BM_SaveIntoFolderOf200000Files)->Unit(benchmark::kMillisecond)->Iterations(200);

// One second of a live recording's journal at the line's limit, as the window keeps it: 320
// results appended, written twice (once without a sync) and synced once, to a journal on the
// disk. The CPU time an iteration is the journal's share of a core (10 us = 0.001 %); the
// real time includes the wait for the disk, which costs the program no CPU.
void BM_JournalSecondAt320(benchmark::State& st) {
    Folder folder;
    JournalWriter writer;
    if (!writer.open(newJournalPath(folder.path, JournalHeader{}), JournalHeader{}))
        st.SkipWithError(writer.takeError().c_str());
    ResultRecord r{};
    uint32_t t = 800000000;
    for (auto _ : st) {
        for (int half = 0; half < 2; ++half) {
            for (int i = 0; i < 160; ++i) {
                r.setTime(++t);
                r.inputStates = uint16_t(t * 2731);
                writer.append(r);
            }
            if (!writer.flush(half == 1)) st.SkipWithError(writer.takeError().c_str());
        }
    }
    st.SetItemsProcessed(st.iterations() * 320);
}
BENCHMARK(BM_JournalSecondAt320)->Unit(benchmark::kMicrosecond)->Iterations(300);

}  // namespace
}  // namespace zvl

BENCHMARK_MAIN();
