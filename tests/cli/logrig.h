#pragma once
// zvl log's recorder on the fakes: the in-process instrument behind the fake port, the
// recorder's one-second tick as a fake timer, and what it printed. Shared by the tests and the
// soak.

#include <algorithm>
#include <cerrno>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "cli/logrecorder.h"
#include "files/partfiles.h"
#include "files/recordingfile.h"
#include "tests/support/fakes.h"

namespace zvl::test {

struct LogRig {
    // The clock's zone: its UTC offset from the start, and the changes to come.
    LogRig(sim::SimConfig config, cli::LogOptions options, int utcOffset = 0,
           std::vector<std::pair<int64_t, int>> zoneChanges = {})
        : rig(config),
          tick(rig.clock, "log tick"),
          rec(rig.state, rig.link, inZone(rig.clock, utcOffset, std::move(zoneChanges)), std::move(options)) {
        // The fake line rounds every byte up to a whole millisecond, too slow for 320 results
        // a second; the instrument's own schedule paces them.
        rig.port.paced = false;
        rig.engine->onLiveResult = [this](uint16_t inputs) { sent.push_back(inputs); };
        rig.view.onRedrawSoon = [this] {
            decoded.push_back(rig.state.store.slot(rig.state.resultCount()).inputStates);
            rec.resultStored();
        };
        rig.link.setLossReporter([this](const std::string& reason) { rec.portLost(reason); });
        rec.fileSaved = [this](const std::string& line) { lines.push_back(line); };
        rec.message = [this](const std::string& line) { messages.push_back(line); };
        tick.setInterval(1000);
        tick.setHandler([this] {
            rec.tick();
            if (!rec.portIsLost() && !rec.busy()) rig.statusTimer.enable();
        });
        rig.pump.addTimer(tick);
        rig.link.connect();
        rec.start();
        rig.statusTimer.enable();
        tick.enable();
    }
    void run(int64_t ms) { rig.run(ms); }
    static FakeClock& inZone(FakeClock& clock, int utcOffset, std::vector<std::pair<int64_t, int>> changes) {
        clock.utcOffset = utcOffset;
        clock.zoneChanges = std::move(changes);
        return clock;
    }

    Rig rig;
    FakeTimer tick;
    cli::LogRecorder rec;
    std::deque<uint16_t> sent;     // every result the instrument sent
    std::deque<uint16_t> decoded;  // every result the decoder stored, in order
    std::vector<std::string> lines, messages;
};

// A folder in memory for the recorder: its writes, looks, removals and claims, each write
// taking writeMs on the fake clock (a slow disk). dump() puts the files in a real folder.
struct MemoryDisk {
    MemoryDisk(LogRig& log) : clock(log.rig.clock) {
        log.rec.writeFile = [this](const std::string& path, std::string_view bytes) {
            clock.ms += writeMs;
            files[path] = std::string(bytes);
            return std::string();
        };
        log.rec.exists = [this](const std::string& path) { return files.count(path) > 0; };
        log.rec.removeFile = [this](const std::string& path) { files.erase(path); };
        log.rec.claimFile = [this](const std::string& path) {
            return files.emplace(path, std::string()).second ? 0 : EEXIST;
        };
    }
    void dump(const std::filesystem::path& folder) const {
        for (const auto& [path, bytes] : files)
            std::ofstream(folder / std::filesystem::path(path).filename(), std::ios::binary) << bytes;
    }
    FakeClock& clock;
    int64_t writeMs = 0;
    std::map<std::string, std::string> files;
};

// One recording as the folder holds it: a single file or its part files, read back.
struct LoggedFile {
    std::vector<std::string> names;
    std::vector<ResultRecord> records;
    std::array<std::string, 11> comments{};
};

// Every recording in `folder`, in the order of the names (part files grouped). A file that
// does not read whole is returned with no records and its name in `unreadable`.
inline std::vector<LoggedFile> readLoggedFolder(const std::filesystem::path& folder,
                                                std::vector<std::string>* unreadable = nullptr) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        if (e.path().filename().string()[0] != '.')
            names.push_back(e.path().filename().string());  // journal, lock
    std::sort(names.begin(), names.end());
    std::vector<LoggedFile> out;
    auto state = std::make_unique<AppState>();
    ScriptedPrompts prompts;
    CountingView view;
    for (size_t i = 0; i < names.size(); ++i) {
        LoggedFile f;
        std::vector<std::string> paths;
        const std::string& n = names[i];
        const auto under = n.rfind("_1.ZVL");
        if (under != std::string::npos && under + 6 == n.size()) {
            const std::string base = n.substr(0, under);
            for (int k = 1; i < names.size() && names[i] == base + "_" + std::to_string(k) + ".ZVL"; ++k, ++i)
                paths.push_back((folder / names[i]).string());
            --i;
        } else {
            paths.push_back((folder / n).string());
        }
        for (const auto& p : paths) f.names.push_back(std::filesystem::path(p).filename().string());
        state->store.clearResults();
        const bool ok = paths.size() == 1 ? loadRecordingFile(*state, paths[0], prompts, view)
                                          : readPartFiles(*state, paths, 0).ok;
        if (!ok && unreadable) unreadable->push_back(n);
        if (ok) {
            for (int64_t r = 1; r <= state->resultCount(); ++r) f.records.push_back(state->store.slot(r));
            f.comments = state->commentLines;
        }
        out.push_back(std::move(f));
    }
    return out;
}

}  // namespace zvl::test
