#pragma once
// Unattended logging (zvl log): the live results of one instrument, file after file, for as
// long as the program runs. Plain C++ on the link and the store; the zvl tool drives it with
// its Qt timers and signal watch, the tests with the fakes.
//
// The store holds the file being filled: results 1..n are its results. A roll copies them
// into the bytes of the finished file and empties the store in the decoder's own hook, before
// the next packet is decoded, so the next result is the new file's first and none is lost or
// kept twice. The instrument is not stopped for a roll. Finished files wait in memory until
// they are on the disk; a save that fails is tried again a minute later, after a stop every
// few seconds. A file also ends when the UTC offset of the local time changes (summer time),
// so the times in one file never step; its comment lines name its offset.
//
// A file's name is claimed when it is chosen, by creating it (an empty file the first save
// replaces): a name that is taken, by whatever program, is never written over.
//
// The journal (DIR/.zvl-log-journal.zvlj) holds the results that are not yet in a saved file:
// each result is appended as it is stored, written out a quarter of a second and synced a
// second after the last time (checked as each result is stored and by the tick), so a kill
// loses about a quarter of a second and a power cut about a second. When a save takes results out of it the
// journal is written again from the first unsaved result. Its header's comment lines name the
// files that may hold its results ("file NAME from K": NAME's first result is the K-th logged),
// so that at the next start the results already on the disk are told from those that are not
// (see recover()); a file is always named there before it is written.

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/state.h"
#include "files/journal.h"
#include "link/link.h"
#include "platform/clock.h"

namespace zvl::cli {

// Why a file ended, in its comment lines.
enum class FileEnd { Roll, Time, PortLost, Stop, ZoneChange };

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
    static constexpr int64_t kSaveEveryMs = 60'000;    // the file being filled, and failed saves
    static constexpr int64_t kFastRetryMs = 5'000;     // a lost port, during its first minute
    static constexpr int64_t kSlowRetryMs = 60'000;    // and after that
    static constexpr int64_t kStopRetryMs = 5'000;     // a save that fails after the stop
    static constexpr int64_t kStopGiveUpMs = 120'000;  // and how long the stop waits for it
    // At most this long a tick writes finished files, so the port is read in between.
    static constexpr int64_t kWriteBudgetMs = 250;
    // The journal beside the files, and the name a new one is written under before it
    // replaces the old one (a kill in between leaves the old one whole).
    static constexpr const char* kJournalName = ".zvl-log-journal.zvlj";
    static constexpr const char* kNewJournalName = ".zvl-log-journal-new.zvlj";

    LogRecorder(AppState& state, InstrumentLink& link, const Clock& clock, LogOptions options);

    // --- Wiring ------------------------------------------------------------------------
    FileWriter writeFile;                                 // default: the atomic save
    std::function<bool(const std::string& path)> exists;  // default: the file system
    // Removes a file of ours (the whole file that parts replace); default: a plain file only.
    std::function<void(const std::string& path)> removeFile;
    // Creates an empty file only if no file has the name: 0, else the error number (EEXIST
    // when the name is taken). Default: the file system.
    std::function<int(const std::string& path)> claimFile;
    std::function<void(const std::string&)> fileSaved;  // one line per finished file
    std::function<void(const std::string&)> message;    // one line for the log (stderr)
    std::function<void(bool)> muteWarnings;             // quiet the link's boxes while retrying

    // --- Events --------------------------------------------------------------------------
    // Recover what a journal left in the folder holds, then start the instrument's live
    // stream into the first file (after the first connect).
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
    // With a budget, finished files are written for about that long and the rest waits.
    bool saveNow(int64_t budgetMs = -1);
    // After a stop whose save kept failing for kStopGiveUpMs: the results in memory are
    // given up. Takes away the empty files claimed for them; the text for the last line.
    std::string giveUp();

    // --- Status --------------------------------------------------------------------------
    bool allSaved() const { return finished_.empty() && savedCount_ == fileResults(); }
    // The stop has waited long enough for a folder that cannot be written.
    bool stopWaitOver() const {
        return stopped_ && !allSaved() && clock_.milliseconds() - stopAtMs_ >= kStopGiveUpMs;
    }
    bool portIsLost() const { return lost_; }
    bool busy() const { return busy_; }  // a connect or the stop is waiting: events come later
    int64_t resultsLogged() const { return logged_; }
    int64_t fileResults() const { return link_.liveResultsStored() - liveAtFileStart_; }
    int64_t filesSaved() const { return filesSaved_; }
    size_t filesWaiting() const { return finished_.size(); }
    const std::string& currentName() const { return path_; }
    // The name of the file being filled, chosen now when it has results (the alarms' lines).
    const std::string& nameCurrent() {
        if (fileResults() > 0) nameFile();
        return path_;
    }

    // The name PREFIX-YYYYMMDD-HHMMSS.zvl of a file whose first result has time stamp t.
    static std::string fileStem(const std::string& prefix, int64_t t);
    // What follows the stem of the k-th file that starts in one second: "" for the first, then
    // x002 .. x999, y001000 .. y999999, z000001000000 ..: after ".zvl" and "_1.ZVL" and each
    // after the one before in sort order, so the names sort in time order.
    static std::string sameSecondSuffix(int64_t k);

private:
    struct Finished {
        std::vector<std::pair<std::string, std::string>> writes;  // (path, bytes), in order
        size_t written = 0;
        std::string removeAfter;  // the single file a file saved in parts replaces
        std::string line;         // for stdout once all is written
        std::string claimed;      // the empty file that holds its name until it is written
        int64_t unsaved = 0;      // its results that are not on the disk in any form
        std::string path;         // its name (the parts' names follow from it)
        int64_t firstLive = 0;    // the logged index of its first result
        int64_t savedBefore = 0;  // its results saved while it was being filled
    };

    // The results a journal left in the folder that no saved file holds go into a file of
    // their own; the journal is removed once that file is saved.
    void recover();
    // Names claimed by a logger that was killed before it wrote them or before its journal named
    // them: empty files of this logger's names (PREFIX-YYYYMMDD-HHMMSS[suffix].zvl) are removed.
    // The folder's lock keeps other loggers out, so such a file can only be a claim.
    void removeLeftClaims();
    // The logged index of the last result the files a journal names hold on the disk.
    int64_t savedThroughFiles(const JournalContents& j);
    // The journal's records from `skip` on written into files of their own.
    void recoverRecords(const JournalContents& j, int64_t skip, const std::string& damage,
                        const std::string& path);
    // The results stored since the last call go to the journal (in memory until the flush).
    void journalNew();
    // And to the disk when due (JournalWriter::flushIfDue), checked where a result is stored,
    // as the tick comes late on a busy machine, and by the tick.
    void flushJournal();
    // The logged index of the first result that is in no saved file.
    int64_t firstUnsaved() const;
    // Writes the journal again: the header naming the files to be written, and the results
    // from the first unsaved one on. Done when a file is named and when a save took results.
    void restartJournal();
    void afterSave();
    // The journal written whole again: "" when it is in place, else the error text.
    std::string rewriteJournal(const JournalHeader& header, int64_t firstIndex,
                               const std::vector<ResultRecord>& records);
    void journalFailed(const std::string& error);
    // The header; notes the files it names.
    JournalHeader journalHeader();
    static constexpr size_t kJournalNamesMax = 1000;
    std::string journalPath(const char* name) const;

    void beginFile();
    // Queue the file being filled (when it has results) and begin the next one.
    // The newest `carry` results are not the file's: they begin the next one.
    void finishFile(FileEnd why, const std::string& detail, int64_t carry = 0);
    // The bytes of its first n results (one file, or its parts) with comment lines for `ended`.
    // A recovered file's `recovered` line takes the place of the lines about its filling.
    Finished encodeCurrent(const std::string& ended, int64_t n, const std::string& recovered = {});
    // The local time's UTC offset is not the file's: end the file where its times step.
    void zoneChanged(int offset);
    void noteBreak();
    void nameFile();
    void resetStore(int64_t n);
    bool writeAll(Finished& f);
    bool saveWaiting(int64_t budgetMs);
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
    int64_t clashes_ = 0;
    bool claimed_ = false;  // path_ was created empty to hold the name, not yet written
    int fileOffset_ = 0;    // the UTC offset of the file's times

    std::deque<Finished> finished_;
    bool failing_ = false;
    std::string lastError_;
    bool behind_ = false;  // finished files wait because they finish faster than they are written
    bool breakSaid_ = false;
    int64_t nextSaveMs_ = 0;
    int64_t logged_ = 0;
    int64_t filesSaved_ = 0;

    bool lost_ = false;
    int64_t lostAtMs_ = 0;
    int64_t lostAtStamp_ = 0;
    int64_t nextTryMs_ = 0;
    bool busy_ = false;  // inside a step that waits (connect, stop): the tick stays out
    bool stopped_ = false;
    int64_t stopAtMs_ = 0;

    JournalWriter journal_;
    std::deque<ResultRecord> unsaved_;  // the results in no saved file, from unsavedFirst_ on
    int64_t unsavedFirst_ = 1;
    int64_t journaled_ = 0;               // the logged index of the last result given to the journal
    int64_t journalStart_ = 0;            // the start, for its header
    std::set<std::string> journalNames_;  // the files its header names
    bool recovering_ = false;
    bool journalOff_ = false;  // it failed (said once), or an old one that waits must stay
};

// zvl log's hold on its folder: a lock on the file .zvl-log.lock in it, for as long as the
// object lives, so that two loggers never write into one folder.
class FolderLock {
public:
    FolderLock() = default;
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    static constexpr const char* kFileName = ".zvl-log.lock";
    // "" when the folder is ours now. Else why not: another logger holds it (refuse), or the
    // lock cannot be made (a folder that cannot be written: go on, the saves will tell).
    std::string take(const std::string& folder);
    bool held() const { return held_; }
    bool inUse() const { return inUse_; }  // refused: another logger holds it

private:
    int fd_ = -1;
    bool held_ = false;
    bool inUse_ = false;
};

// The rate of the status line: results a second over the last few seconds, measured from the
// first sample on.
class RateMeter {
public:
    static constexpr int64_t kWindowMs = 5000;
    // A sample (the millisecond clock, the results so far); the rate since the oldest sample
    // kept, 0 before a second sample.
    double add(int64_t ms, int64_t count);

private:
    std::deque<std::pair<int64_t, int64_t>> samples_;
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
