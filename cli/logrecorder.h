#pragma once
// Unattended logging (zvl log): the live results of one instrument, file after file, for as
// long as the program runs. Plain C++ on the link and the store; the zvl tool drives it with
// its Qt timers and signal watch, the tests with the fakes.
//
// The store holds the file being filled: results 1..n are its results. A roll copies them
// into the bytes of the finished file and empties the store in the decoder's own hook, before
// the next packet is decoded, so the next result is the new file's first and none is lost or
// kept twice. The instrument is not stopped for a roll. Finished files wait in memory until
// they are on the disk; a save that fails is tried again a minute later.

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/state.h"
#include "link/link.h"
#include "platform/clock.h"

namespace zvl::cli {

// Why a file ended, in its comment lines.
enum class FileEnd { Roll, Time, PortLost, Stop };

struct LogOptions {
    std::string folder;          // DIR
    std::string prefix = "zvl";  // PREFIX of PREFIX-YYYYMMDD-HHMMSS.zvl
    int64_t rollCount = kMaxResults;
    int64_t rollSeconds = 0;  // 0: no time roll
    std::string portName;     // the port as given (COMn or a path), tried again after a loss
    std::string devicePath;   // what it names, for the comment lines
};

// Writes the whole file safely: "" when it is on the disk, else the error text.
using FileWriter = std::function<std::string(const std::string& path, std::string_view bytes)>;

class LogRecorder {
public:
    static constexpr int64_t kSaveEveryMs = 60'000;  // the file being filled, and failed saves
    static constexpr int64_t kFastRetryMs = 5'000;   // a lost port, during its first minute
    static constexpr int64_t kSlowRetryMs = 60'000;  // and after that

    LogRecorder(AppState& state, InstrumentLink& link, const Clock& clock, LogOptions options);

    // --- Wiring ------------------------------------------------------------------------
    FileWriter writeFile;                                 // default: the atomic save
    std::function<bool(const std::string& path)> exists;  // default: the file system
    // Removes a file of ours (the whole file that parts replace); default: a plain file only.
    std::function<void(const std::string& path)> removeFile;
    std::function<void(const std::string&)> fileSaved;  // one line per finished file
    std::function<void(const std::string&)> message;    // one line for the log (stderr)
    std::function<void(bool)> muteWarnings;             // quiet the link's boxes while retrying

    // --- Events --------------------------------------------------------------------------
    // Start the instrument's live stream into the first file (after the first connect).
    void start();
    // The decoder stored a live result (the view's redraw hook).
    void resultStored();
    // The port went away (the link's loss reporter).
    void portLost(const std::string& reason);
    // Once a second: the time roll, the minute's save, failed saves, a lost port's retries.
    void tick();
    // A signal: stop the instrument, finish the file and save everything.
    void stop(const std::string& why);
    // Save what waits (finished files, then the file being filled); true when all is saved.
    bool saveNow();

    // --- Status --------------------------------------------------------------------------
    bool allSaved() const { return finished_.empty() && savedCount_ == fileResults(); }
    bool portIsLost() const { return lost_; }
    bool busy() const { return busy_; }  // a connect or the stop is waiting: events come later
    int64_t resultsLogged() const { return logged_; }
    int64_t fileResults() const { return link_.liveResultsStored() - liveAtFileStart_; }
    int64_t filesSaved() const { return filesSaved_; }
    size_t filesWaiting() const { return finished_.size(); }
    const std::string& currentName() const { return path_; }

    // The name PREFIX-YYYYMMDD-HHMMSS.zvl of a file whose first result has time stamp t.
    static std::string fileStem(const std::string& prefix, int64_t t);

private:
    struct Finished {
        std::vector<std::pair<std::string, std::string>> writes;  // (path, bytes), in order
        size_t written = 0;
        std::string removeAfter;  // the single file a file saved in parts replaces
        std::string line;         // for stdout once all is written
    };

    void beginFile();
    // Queue the file being filled (when it has results) and begin the next one.
    void finishFile(FileEnd why, const std::string& detail);
    // The file's bytes (one file, or its parts) with comment lines for `ended`.
    Finished encodeCurrent(const std::string& ended);
    void nameFile();
    void resetStore(int64_t n);
    bool writeAll(Finished& f);
    bool saveCurrent();
    void noteFailure(const std::string& error);
    void startInstrument();
    bool reconnect();
    void say(const std::string& text);
    std::string nowText() const;

    AppState& state_;
    InstrumentLink& link_;
    const Clock& clock_;
    LogOptions opt_;

    std::string path_;                           // the file being filled; empty until it is named
    int64_t liveAtFileStart_ = 0;                // the link's live count when the file began
    LiveDecoder::Discards discardsAtFileStart_;  // and what its decoder had thrown away
    int64_t fileStartMs_ = 0;
    int64_t savedCount_ = 0;      // results of the file being filled that are on the disk
    bool savedAsSingle_ = false;  // it is on the disk as one file (not parts)
    std::string gapComment_;      // the gap before the file, when a lost port came back
    std::string lastStem_;        // the last name given, and how often it was given
    int clashes_ = 0;

    std::deque<Finished> finished_;
    bool failing_ = false;
    int64_t nextSaveMs_ = 0;
    int64_t logged_ = 0;
    int64_t filesSaved_ = 0;

    bool lost_ = false;
    int64_t lostAtMs_ = 0;
    int64_t lostAtStamp_ = 0;
    int64_t nextTryMs_ = 0;
    bool busy_ = false;  // inside a step that waits (connect, stop): the tick stays out
    bool stopped_ = false;
};

// For a process that runs for weeks: buffers of 64 kB and more (a file's bytes, each minute)
// get pages of their own that go back to the system when freed, instead of the allocator's
// growing threshold that leaves them in the heap, where their changing sizes fragment it and
// the resident size creeps up day by day.
void keepLargeBuffersApart();

// --every: a whole number with s, m, h or d ("30m", "12h", "1d"), in seconds; nullopt when not.
std::optional<int64_t> parseDuration(const std::string& text);
// Seconds as the largest whole unit: 1800 gives "30m".
std::string durationText(int64_t seconds);

}  // namespace zvl::cli
