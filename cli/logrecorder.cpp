#include "cli/logrecorder.h"

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "core/codepage.h"
#include "files/filecommands.h"
#include "files/recordingfile.h"
#include "link/commands.h"
#include "platform/atomicfile.h"

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
    beginFile();
}

std::string LogRecorder::fileStem(const std::string& prefix, int64_t t) {
    const LocalDateTime d = dateTimeFromTimeStamp(t);
    char buf[32];
    std::snprintf(buf, sizeof buf, "-%04d%02d%02d-%02d%02d%02d", d.year % 10000, d.month % 100, d.day % 100,
                  d.hour % 100, d.minute % 100, d.second % 100);
    return prefix + buf;
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
    gapComment_.clear();
}

void LogRecorder::resetStore(int64_t n) {
    // Only the slots the file used: a roll of one result must not cost a whole store's clear.
    const int64_t last = std::min<int64_t>(std::max(n, state_.resultCount()), kMaxResults);
    for (int64_t i = 1; i <= last; ++i) state_.store.slot(i) = ResultRecord{};
    state_.store.resultCount = 0;
}

void LogRecorder::start() {
    state_.operatingMode = EventRecord;  // online; the event mode runs no refresh timer
    resetStore(state_.resultCount());
    beginFile();
    startInstrument();
}

void LogRecorder::startInstrument() {
    // As Start does, without its clear: results already stored belong to the file being filled.
    ResultRecord& begin = state_.store.slot(0);
    begin.setTime(uint32_t(std::clamp<int64_t>(pcTimeStamp(clock_), 0, 0xFFFFFFFFll)));
    begin.inputStates = 0;
    link_.sendCommand(cmd::StartLive);
    link_.waitTicks(3, true);
    if (!lost_) state_.collectionActive = true;
}

void LogRecorder::resultStored() {
    const int64_t n = fileResults();
    logged_ = std::max(logged_, link_.liveResultsStored());
    if (n < opt_.rollCount || stopped_) return;
    finishFile(FileEnd::Roll, {});
}

void LogRecorder::nameFile() {
    if (!path_.empty()) return;
    const std::string stem = fileStem(opt_.prefix, state_.resultTime(1));
    if (stem != lastStem_) {
        lastStem_ = stem;
        clashes_ = 0;
    }
    // A second file that starts in the same second gets x002, x003, ...: after ".zvl" and
    // "_1.ZVL" in sort order, so the names still sort in time order.
    for (;; ++clashes_) {
        std::string name = stem;
        if (clashes_ > 0) {
            char suffix[16];
            std::snprintf(suffix, sizeof suffix, "x%03d", clashes_ + 1);
            name += suffix;
        }
        const std::string path = (std::filesystem::path(opt_.folder) / (name + ".zvl")).string();
        if (!exists(path) && !exists(partFileName(path, 1))) {
            path_ = path;
            ++clashes_;
            return;
        }
    }
}

LogRecorder::Finished LogRecorder::encodeCurrent(const std::string& ended) {
    Finished f;
    const int64_t n = fileResults();
    state_.commentLines.fill(std::string());
    state_.commentLines[0] =
        utf8ToWindows1252("zvl log on port " + opt_.portName + " (" + opt_.devicePath + ")");
    state_.commentLines[1] = "Instrument serial number " + printable(state_.serialNumber) + ", firmware " +
                             printable(state_.firmwareVersion);
    state_.commentLines[2] = utf8ToWindows1252(ended);
    state_.commentLines[3] = gapComment_;
    const LiveDecoder::Discards& now = link_.liveDiscards();
    state_.commentLines[4] =
        "While this file was filled: " + discardedBytesText({now.bytes - discardsAtFileStart_.bytes,
                                                             now.packets - discardsAtFileStart_.packets});
    const LocalDateTime when = clock_.now();
    if (n <= kResultsPerFile) {
        f.writes.emplace_back(path_, encodeRecordingFile(state_, 1, n, recordingTitleLine(path_, when)));
    } else {
        for (int64_t k = 1; (k - 1) * kResultsPerFile < n; ++k) {
            const std::string part = partFileName(path_, k);
            const int64_t first = (k - 1) * kResultsPerFile + 1;
            f.writes.emplace_back(part, encodeRecordingFile(state_, first, std::min(n, k * kResultsPerFile),
                                                            recordingTitleLine(part, when)));
        }
        if (savedAsSingle_) f.removeAfter = path_;
    }
    return f;
}

void LogRecorder::finishFile(FileEnd why, const std::string& detail) {
    const int64_t n = fileResults();
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
        }
        Finished f = encodeCurrent(ended);
        const std::string names = f.writes.size() == 1
                                      ? f.writes.front().first
                                      : f.writes.front().first + " .. " + f.writes.back().first + " (" +
                                            std::to_string(f.writes.size()) + " parts)";
        f.line = names + ": " + std::to_string(n) + " results, " + formatTimeStamp(state_.resultTime(1)) +
                 " .. " + formatTimeStamp(state_.resultTime(n));
        finished_.push_back(std::move(f));
    }
    resetStore(n);
    beginFile();
}

bool LogRecorder::writeAll(Finished& f) {
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
    nextSaveMs_ = clock_.milliseconds() + kSaveEveryMs;
    if (failing_) return;
    failing_ = true;
    say("cannot save into " + opt_.folder + ": " + error +
        "; the results stay in memory and the save is tried again every minute");
}

bool LogRecorder::saveCurrent() {
    const int64_t n = fileResults();
    if (n == 0 || n == savedCount_) return true;
    nameFile();
    Finished f = encodeCurrent("Being filled, saved " + nowText());
    if (!writeAll(f)) return false;
    savedCount_ = n;
    savedAsSingle_ = n <= kResultsPerFile;
    return true;
}

bool LogRecorder::saveNow() {
    nextSaveMs_ = clock_.milliseconds() + kSaveEveryMs;
    while (!finished_.empty()) {
        if (!writeAll(finished_.front())) return false;
        if (fileSaved) fileSaved(finished_.front().line);
        ++filesSaved_;
        finished_.pop_front();
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
    const int64_t now = clock_.milliseconds();
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
    // is a second, so "a minute" is never more than sixty seconds); failed saves each minute.
    const bool due = now >= nextSaveMs_ - 1000;
    if ((!finished_.empty() && !failing_) || (due && !allSaved())) saveNow();
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
    if (!stopped_)
        say("the instrument's serial port has gone away (" + reason +
            "); the results so far are saved; the port is tried again every 5 s, after a minute every "
            "minute");
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
    saveNow();
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
    if (text.size() < 2) return std::nullopt;
    int64_t unit = 0;
    switch (text.back()) {
        case 's':
            unit = 1;
            break;
        case 'm':
            unit = 60;
            break;
        case 'h':
            unit = 3600;
            break;
        case 'd':
            unit = 86400;
            break;
        default:
            return std::nullopt;
    }
    int64_t v = 0;
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9' || v > 100000000) return std::nullopt;
        v = v * 10 + (c - '0');
    }
    if (v < 1) return std::nullopt;
    return v * unit;
}

}  // namespace zvl::cli
