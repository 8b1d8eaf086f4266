#include "cli/logrecorder.h"

#include <fcntl.h>
#include <malloc.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>

#include "core/codepage.h"
#include "files/filecommands.h"
#include "files/partfiles.h"
#include "files/recordingfile.h"
#include "files/textio.h"
#include "link/commands.h"
#include "platform/atomicfile.h"
#include "search/heldmatch.h"

namespace zvl::cli {

namespace {

std::string printable(const std::string& s) {
    std::string out;
    for (unsigned char c : s) out += (c >= 0x20 && c < 0x7F) ? char(c) : '?';
    return out;
}

}  // namespace

LogRecorder::LogRecorder(AppState& state, InstrumentLink& link, const Clock& clock, LogOptions options)
    : state_(state), link_(link), clock_(clock), opt_(std::move(options)) {
    writeFile = [](const std::string& path, std::string_view bytes) {
        return writeFileAtomically(path, bytes);
    };
    exists = [](const std::string& path) {
        std::error_code ec;
        return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
    };
    removeFile = [](const std::string& path) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(std::filesystem::symlink_status(path, ec)))
            std::filesystem::remove(path, ec);
    };
    claimFile = [](const std::string& path) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) return errno;
        ::close(fd);
        return 0;
    };
    beginFile();
}

std::string LogRecorder::fileStem(const std::string& prefix, int64_t t) {
    const LocalDateTime d = dateTimeFromTimeStamp(t);
    char buf[32];
    std::snprintf(buf, sizeof buf, "-%04d%02d%02d-%02d%02d%02d", d.year % 10000, d.month % 100, d.day % 100,
                  d.hour % 100, d.minute % 100, d.second % 100);
    return prefix + buf;
}

std::string LogRecorder::sameSecondSuffix(int64_t k) {
    if (k <= 1) return {};
    char buf[32];
    if (k < 1000)
        std::snprintf(buf, sizeof buf, "x%03lld", static_cast<long long>(k));
    else if (k < 1'000'000)
        std::snprintf(buf, sizeof buf, "y%06lld", static_cast<long long>(k));
    else
        std::snprintf(buf, sizeof buf, "z%012lld", static_cast<long long>(k));
    return buf;
}

std::string LogRecorder::nowText() const {
    return formatTimeStamp(pcTimeStamp(clock_));
}

void LogRecorder::say(const std::string& text) {
    if (message) message(nowText() + " " + text);
}

void LogRecorder::beginFile() {
    liveAtFileStart_ = link_.liveResultsStored();
    discardsAtFileStart_ = link_.liveDiscards();
    fileStartMs_ = clock_.milliseconds();
    path_.clear();
    savedCount_ = 0;
    savedAsSingle_ = false;
    claimed_ = false;
    gapComment_.clear();
    fileOffset_ = clock_.utcOffsetSeconds();
}

void LogRecorder::resetStore(int64_t n) {
    // Only the slots the file used: a roll of one result must not cost a whole store's clear.
    const int64_t last = std::min<int64_t>(std::max(n, state_.resultCount()), kMaxResults);
    for (int64_t i = 1; i <= last; ++i) state_.store.slot(i) = ResultRecord{};
    state_.store.resultCount = 0;
}

void LogRecorder::start() {
    state_.operatingMode = EventRecord;  // online; the event mode runs no refresh timer
    recover();
    resetStore(state_.resultCount());
    beginFile();
    journaled_ = liveAtFileStart_;
    unsaved_.clear();
    unsavedFirst_ = journaled_ + 1;
    journalStart_ = pcTimeStamp(clock_);
    restartJournal();
    startInstrument();
}

void LogRecorder::startInstrument() {
    // As Start does, without its clear: results already stored belong to the file being filled.
    ResultRecord& begin = state_.store.slot(0);
    begin.setTime(uint32_t(std::clamp<int64_t>(pcTimeStamp(clock_), 0, 0xFFFFFFFFll)));
    begin.inputStates = 0;
    // A signal that comes during the wait is served after it: a stop served now would find no
    // collection to stop, and the instrument would go on sending after zvl log has ended.
    const bool wasBusy = std::exchange(busy_, true);
    link_.sendCommand(cmd::StartLive);
    link_.waitTicks(3, true);
    if (!lost_) state_.collectionActive = true;
    busy_ = wasBusy;
}

void LogRecorder::resultStored() {
    logged_ = std::max(logged_, link_.liveResultsStored());
    flushJournal();
    if (const int offset = clock_.utcOffsetSeconds(); offset != fileOffset_) zoneChanged(offset);
    // Results that still arrive during the stop roll too: no file holds more than N.
    if (fileResults() >= opt_.rollCount) finishFile(FileEnd::Roll, {});
}

void LogRecorder::zoneChanged(int offset) {
    // The newest result was stamped a moment ago, by the old offset or the new one: the one
    // whose local time now its stamp is nearer to (the two are half an hour apart or more).
    const int64_t n = fileResults();
    int64_t carry = 0;
    if (n > 0) {
        const int64_t nowNew = pcTimeStamp(clock_), nowOld = nowNew - (offset - fileOffset_);
        const int64_t t = state_.resultTime(n);
        carry = std::llabs(t - nowNew) <= std::llabs(t - nowOld) ? 1 : 0;
    }
    if (n - carry > 0) {
        finishFile(FileEnd::ZoneChange, formatUtcOffset(offset), carry);
        return;
    }
    fileOffset_ = offset;  // nothing in the file was stamped by the old offset
}

void LogRecorder::nameFile() {
    if (!path_.empty()) return;
    const std::string stem = fileStem(opt_.prefix, state_.resultTime(1));
    if (stem != lastStem_) {
        lastStem_ = stem;
        clashes_ = 0;
    }
    // A second file that starts in the same second gets the next suffix. The name is claimed
    // at once; one that another program took between the look and the claim is passed over.
    // A folder that cannot be written cannot be claimed in: the name is used as it is, and
    // the folder's lock keeps other loggers out.
    for (;; ++clashes_) {
        const std::string path =
            (std::filesystem::path(opt_.folder) / (stem + sameSecondSuffix(clashes_ + 1) + ".zvl")).string();
        if (exists(path) || exists(partFileName(path, 1))) continue;
        const int error = claimFile(path);
        if (error == EEXIST) continue;
        path_ = path;
        claimed_ = error == 0;
        ++clashes_;
        return;
    }
}

LogRecorder::Finished LogRecorder::encodeCurrent(const std::string& ended, int64_t n,
                                                 const std::string& recovered) {
    Finished f;
    state_.commentLines.fill(std::string());
    state_.commentLines[0] =
        utf8ToWindows1252("zvl log on port " + opt_.portName + " (" + opt_.devicePath + ")");
    state_.commentLines[1] = "Instrument serial number " + printable(state_.serialNumber) + ", firmware " +
                             printable(state_.firmwareVersion);
    state_.commentLines[2] = utf8ToWindows1252(ended);
    state_.commentLines[3] = gapComment_;
    state_.commentLines[4] = "Times are " + formatUtcOffset(fileOffset_);
    const LiveDecoder::Discards& now = link_.liveDiscards();
    state_.commentLines[5] =
        "While this file was filled: " + discardedBytesText({now.bytes - discardsAtFileStart_.bytes,
                                                             now.packets - discardsAtFileStart_.packets});
    if (!recovered.empty()) {
        state_.commentLines[3] = utf8ToWindows1252(recovered);
        state_.commentLines[4].clear();
        state_.commentLines[5].clear();
    }
    const LocalDateTime when = clock_.now();
    f.path = path_;
    if (n <= kResultsPerFile) {
        f.writes.emplace_back(path_, encodeRecordingFile(state_, 1, n, recordingTitleLine(path_, when)));
    } else {
        for (int64_t k = 1; (k - 1) * kResultsPerFile < n; ++k) {
            const std::string part = partFileName(path_, k);
            const int64_t first = (k - 1) * kResultsPerFile + 1;
            f.writes.emplace_back(part, encodeRecordingFile(state_, first, std::min(n, k * kResultsPerFile),
                                                            recordingTitleLine(part, when)));
        }
        if (savedAsSingle_ || claimed_) f.removeAfter = path_;  // the file, or its claim
    }
    return f;
}

void LogRecorder::finishFile(FileEnd why, const std::string& detail, int64_t carry) {
    journalNew();  // before the store is emptied
    const int64_t n = fileResults() - carry;
    if (n > 0) {
        nameFile();
        std::string ended;
        switch (why) {
            case FileEnd::Roll:
                ended = "Ended: roll after " + std::to_string(n) + " results";
                break;
            case FileEnd::Time:
                ended = "Ended: time, after " + detail;
                break;
            case FileEnd::PortLost:
                ended = "Ended: port lost (" + detail + ")";
                break;
            case FileEnd::Stop:
                ended = "Ended: stop (" + detail + ")";
                break;
            case FileEnd::ZoneChange:
                ended = "Ended: the local time changed to " + detail;
                break;
        }
        Finished f = encodeCurrent(ended, n);
        if (claimed_) f.claimed = path_;
        f.unsaved = n - savedCount_;
        f.firstLive = liveAtFileStart_ + 1;
        f.savedBefore = savedCount_;
        const std::string names = f.writes.size() == 1
                                      ? f.writes.front().first
                                      : f.writes.front().first + " .. " + f.writes.back().first + " (" +
                                            std::to_string(f.writes.size()) + " parts)";
        f.line = names + ": " + std::to_string(n) + " results, " + formatTimeStamp(state_.resultTime(1)) +
                 " .. " + formatTimeStamp(state_.resultTime(n));
        finished_.push_back(std::move(f));
    }
    std::vector<ResultRecord> carried;
    for (int64_t i = n + 1; i <= n + carry; ++i) carried.push_back(state_.store.slot(i));
    resetStore(n + carry);
    beginFile();
    for (const ResultRecord& r : carried) state_.store.slot(++state_.store.resultCount) = r;
    liveAtFileStart_ -= carry;
}

bool LogRecorder::writeAll(Finished& f) {
    // The journal names a file before it is written (a recovered file: the journal it comes
    // from stays as it is until the file is on the disk).
    if (!recovering_ && !journalOff_ && !journalNames_.count(f.path)) restartJournal();
    for (; f.written < f.writes.size(); ++f.written) {
        const std::string error = writeFile(f.writes[f.written].first, f.writes[f.written].second);
        if (!error.empty()) {
            noteFailure(error);
            return false;
        }
    }
    if (!f.removeAfter.empty()) {
        removeFile(f.removeAfter);  // the file saved whole earlier is now in the parts
        f.removeAfter.clear();
    }
    return true;
}

void LogRecorder::noteFailure(const std::string& error) {
    nextSaveMs_ = clock_.milliseconds() + (stopped_ ? kStopRetryMs : kSaveEveryMs);
    lastError_ = error;
    if (failing_) return;
    failing_ = true;
    if (stopped_) return;  // the stop says what waits
    say("cannot save into " + opt_.folder + ": " + error +
        "; the results stay in memory and the save is tried again every minute");
}

bool LogRecorder::saveCurrent() {
    const int64_t n = fileResults();
    if (n == 0 || n == savedCount_) return true;
    nameFile();
    Finished f = encodeCurrent("Being filled, saved " + nowText(), n);
    if (!writeAll(f)) return false;
    savedCount_ = n;
    savedAsSingle_ = n <= kResultsPerFile;
    claimed_ = false;
    return true;
}

bool LogRecorder::saveNow(int64_t budgetMs) {
    const bool saved = saveWaiting(budgetMs);
    afterSave();
    return saved;
}

bool LogRecorder::saveWaiting(int64_t budgetMs) {
    const int64_t start = clock_.milliseconds();
    nextSaveMs_ = start + (stopped_ ? kStopRetryMs : kSaveEveryMs);
    while (!finished_.empty()) {
        if (budgetMs >= 0 && clock_.milliseconds() - start >= budgetMs) {
            // The rest waits for the next tick, so the port's bytes are read (and stamped) in
            // between; the file being filled is saved once they are all out.
            if (!behind_)
                say("files finish faster than they can be written: " + std::to_string(finished_.size()) +
                    " finished files wait in memory, more each second; a larger --roll keeps up");
            behind_ = true;
            return false;
        }
        if (!writeAll(finished_.front())) return false;
        if (fileSaved) fileSaved(finished_.front().line);
        ++filesSaved_;
        finished_.pop_front();
    }
    if (behind_) {
        behind_ = false;
        say("the finished files are written as fast as they come again");
    }
    if (!saveCurrent()) return false;
    if (failing_) {
        failing_ = false;
        say("saving into " + opt_.folder + " works again; every result so far is on the disk");
    }
    return true;
}

void LogRecorder::tick() {
    if (busy_) return;  // a connect or the stop waits; this tick comes back in a second
    // The journal first: the saves below can wait long for a busy disk.
    flushJournal();
    const int64_t now = clock_.milliseconds();
    noteBreak();
    // A change of the UTC offset while no result comes still ends the file.
    if (const int offset = clock_.utcOffsetSeconds(); !stopped_ && offset != fileOffset_) zoneChanged(offset);
    if (!stopped_ && lost_ && now >= nextTryMs_ && !reconnect()) {
        // On a fixed schedule from the loss (5 s, 10 s, ... 60 s, 120 s, ...), so the ticks'
        // lateness does not add up.
        const int64_t step = nextTryMs_ - lostAtMs_ < kSlowRetryMs ? kFastRetryMs : kSlowRetryMs;
        nextTryMs_ = std::max(nextTryMs_ + step, clock_.milliseconds());
    }
    if (!stopped_ && !lost_ && opt_.rollSeconds > 0 && now - fileStartMs_ >= opt_.rollSeconds * 1000) {
        finishFile(FileEnd::Time, durationText(opt_.rollSeconds));
    }
    // Finished files go to the disk at once; the file being filled once a minute (the tick
    // is a second, so "a minute" is never more than sixty seconds); failed saves each minute,
    // after the stop every few seconds.
    const bool due = now >= nextSaveMs_ - 1000;
    if ((!finished_.empty() && !failing_) || (due && !allSaved())) saveNow(stopped_ ? -1 : kWriteBudgetMs);
}

void LogRecorder::noteBreak() {
    // A lost port and the stop have lines of their own.
    if (lost_ || stopped_ || state_.linkBreak == breakSaid_) return;
    breakSaid_ = state_.linkBreak;
    say(breakSaid_ ? "warning: the instrument stopped answering the status poll"
                   : "the instrument answers the status poll again");
}

bool LogRecorder::reconnect() {
    busy_ = true;
    if (muteWarnings) muteWarnings(true);
    bool ok = link_.openDevice(opt_.portName);
    if (ok) {
        state_.operatingMode = EventRecord;
        link_.connect();
        ok = state_.instrumentOnline;
        if (!ok) link_.closePort();
    }
    if (muteWarnings) muteWarnings(false);
    if (ok) {
        lost_ = false;
        breakSaid_ = state_.linkBreak;
        gapComment_ = "After a gap: port lost " + formatTimeStamp(lostAtStamp_) + ", back " + nowText();
        fileStartMs_ = clock_.milliseconds();
        say("the port " + opt_.portName + " is back; recording goes on into a new file");
        startInstrument();
    }
    busy_ = false;
    return ok;
}

void LogRecorder::portLost(const std::string& reason) {
    if (lost_) return;  // a retry that opened the port and lost it again: still the same gap
    lost_ = true;
    lostAtMs_ = clock_.milliseconds();
    lostAtStamp_ = pcTimeStamp(clock_);
    nextTryMs_ = lostAtMs_ + kFastRetryMs;
    state_.collectionActive = false;
    finishFile(FileEnd::PortLost, reason);
    if (stopped_) return;  // the stop saves them and tells
    const bool saved = saveNow();
    say("the instrument's serial port has gone away (" + reason + "); " +
        (saved ? std::string("the results so far are saved")
               : "the results so far are in memory only, as " + opt_.folder +
                     " cannot be written; its save is tried again every minute") +
        "; the port is tried again every 5 s, after a minute every minute");
}

void LogRecorder::stop(const std::string& why) {
    if (stopped_) return;
    stopped_ = true;
    busy_ = true;
    if (!lost_ && state_.collectionActive) {
        link_.sendCommand(cmd::Stop);
        link_.waitTicks(3, true);  // what was on the way still arrives and is kept
        state_.collectionActive = false;
    }
    link_.closePort();  // nothing arrives after the last file is finished
    finishFile(FileEnd::Stop, why);
    busy_ = false;
    stopAtMs_ = clock_.milliseconds();
    if (saveNow()) return;
    int64_t waiting = fileResults() - savedCount_;
    for (const Finished& f : finished_) waiting += f.unsaved;
    say("stopping (" + why + "): " + std::to_string(waiting) + " results are not on the disk yet, as " +
        opt_.folder + " cannot be written (" + lastError_ + "); the save is tried every 5 s for " +
        durationText(kStopGiveUpMs / 1000) + ", or until a second signal ends zvl log without them");
}

std::string LogRecorder::giveUp() {
    int64_t waiting = fileResults() - savedCount_;
    for (const Finished& f : finished_) {
        waiting += f.unsaved;
        if (!f.claimed.empty() && f.written == 0) removeFile(f.claimed);
    }
    if (claimed_) removeFile(path_);
    journalNew();
    const bool kept = journal_.flush() && journal_.isOpen() && !journalOff_;
    return "stopped with " + std::to_string(waiting) + " results not saved (" +
           std::to_string(fileResults() - savedCount_) + " in the last file and " +
           std::to_string(finished_.size()) + " finished files)" +
           (kept ? "; the journal keeps them for the next start" : "");
}

FolderLock::~FolderLock() {
    if (fd_ >= 0) ::close(fd_);  // the lock goes with the descriptor; the file stays for the next
}

std::string FolderLock::take(const std::string& folder) {
    const std::string path = (std::filesystem::path(folder) / kFileName).string();
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0 && (errno == EACCES || errno == EROFS)) fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        return "warning: cannot lock " + folder + " (" + std::strerror(errno) +
               "); another zvl log could write into it unseen";
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error != EWOULDBLOCK)
            return "warning: cannot lock " + folder + " (" + std::strerror(error) +
                   "); another zvl log could write into it unseen";
        char buf[32] = {};
        const ssize_t n = ::pread(fd_, buf, sizeof buf - 1, 0);
        std::string pid = n > 0 ? std::string(buf, size_t(n)) : std::string();
        pid.erase(std::remove_if(pid.begin(), pid.end(), [](char c) { return c < '0' || c > '9'; }),
                  pid.end());
        ::close(fd_);
        fd_ = -1;
        inUse_ = true;
        return "cannot log into " + folder + ": another zvl log" + (pid.empty() ? "" : " (pid " + pid + ")") +
               " is logging into it";
    }
    held_ = true;
    const std::string pid = std::to_string(::getpid()) + "\n";
    // The pid is for the message of a logger refused; the lock holds without it.
    if (::ftruncate(fd_, 0) != 0 || ::pwrite(fd_, pid.data(), pid.size(), 0) < 0) return {};
    return {};
}

double RateMeter::add(int64_t ms, int64_t count) {
    samples_.emplace_back(ms, count);
    while (samples_.size() > 2 && ms - samples_[1].first >= kWindowMs) samples_.pop_front();
    const auto& [firstMs, firstCount] = samples_.front();
    if (ms <= firstMs) return 0;
    return double(count - firstCount) * 1000.0 / double(ms - firstMs);
}

void keepLargeBuffersApart() {
    mallopt(M_MMAP_THRESHOLD, 64 * 1024);
}

std::string durationText(int64_t seconds) {
    if (seconds % 86400 == 0) return std::to_string(seconds / 86400) + "d";
    if (seconds % 3600 == 0) return std::to_string(seconds / 3600) + "h";
    if (seconds % 60 == 0) return std::to_string(seconds / 60) + "m";
    return std::to_string(seconds) + "s";
}

std::optional<int64_t> parseDuration(const std::string& text) {
    // The search's durations, less the plain number of seconds and the capital units, at most
    // nine digits.
    if (text.size() < 2 || text.size() > 10 ||
        std::string_view("smhd").find(text.back()) == std::string_view::npos)
        return std::nullopt;
    const std::optional<int64_t> seconds = zvl::parseDuration(text);
    return seconds && *seconds >= 1 ? seconds : std::nullopt;
}

}  // namespace zvl::cli
