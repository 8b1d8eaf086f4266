// zvl log's journal: the results not yet in a saved file, kept beside the files, and their
// recovery at the next start.
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "cli/logrecorder.h"
#include "files/filecommands.h"
#include "files/partfiles.h"
#include "files/recordingfile.h"
#include "files/textio.h"
#include "platform/atomicfile.h"

namespace zvl::cli {

namespace {

constexpr std::string_view kFileFrom = "file ";
constexpr std::string_view kFrom = " from ";

// The journal header's line that names a file and the logged index of its first result.
std::string namedFileLine(const std::string& path, int64_t first) {
    return std::string(kFileFrom) + std::filesystem::path(path).filename().string() + std::string(kFrom) +
           std::to_string(first);
}

// The results of the recording file at `path` (0 when it cannot be read whole).
int64_t resultsInFile(const std::string& path) {
    FileSource in;
    if (!in.open(path)) return 0;
    auto state = std::make_unique<AppState>();
    const RecordingRead read = readRecording(*state, in);
    return read.status == RecordingRead::Complete ? read.fileCount : 0;
}

// How far the recording named `path` reaches on the disk: the results from its first on, as
// the file itself or its part files hold them (whichever save came last).
int64_t resultsOnDisk(const std::string& path) {
    int64_t through = resultsInFile(path);
    for (int64_t k = 1; k <= 1000 && std::filesystem::exists(partFileName(path, int(k))); ++k)
        through = std::max(through, (k - 1) * kResultsPerFile + resultsInFile(partFileName(path, int(k))));
    return through;
}

// True for PREFIX-YYYYMMDD-HHMMSS.zvl with or without a same-second suffix (x002, y001000, ..).
bool isLoggerFileName(const std::string& prefix, const std::string& name) {
    const std::string_view ext = ".zvl";
    if (name.size() < prefix.size() + 16 + ext.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - ext.size(), ext.size(), ext) != 0)
        return false;
    const std::string rest = name.substr(prefix.size(), name.size() - prefix.size() - ext.size());
    auto digits = [&](size_t from, size_t n) {
        return rest.size() >= from + n &&
               std::all_of(rest.begin() + long(from), rest.begin() + long(from + n),
                           [](char c) { return c >= '0' && c <= '9'; });
    };
    if (rest[0] != '-' || !digits(1, 8) || rest[9] != '-' || !digits(10, 6)) return false;
    const std::string suffix = rest.substr(16);
    if (suffix.empty()) return true;
    const size_t width = suffix[0] == 'x' ? 3 : suffix[0] == 'y' ? 6 : suffix[0] == 'z' ? 12 : 0;
    return width > 0 && suffix.size() == width + 1 && digits(17, width);
}

}  // namespace

void LogRecorder::removeLeftClaims() {
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(opt_.folder, ec)) {
        std::error_code fileEc;
        if (isLoggerFileName(opt_.prefix, e.path().filename().string()) && e.is_regular_file(fileEc) &&
            e.file_size(fileEc) == 0)
            removeFile(e.path().string());
    }
}

std::string LogRecorder::journalPath(const char* name) const {
    return (std::filesystem::path(opt_.folder) / name).string();
}

int64_t LogRecorder::savedThroughFiles(const JournalContents& j) {
    std::error_code ec;
    int64_t savedThrough = j.firstIndex - 1;
    for (const std::string& line : j.header.commentLines) {
        const size_t at = line.rfind(kFrom);
        if (line.rfind(kFileFrom, 0) != 0 || at == std::string::npos) continue;
        const std::string name = line.substr(kFileFrom.size(), at - kFileFrom.size());
        const int64_t first = std::atoll(line.c_str() + at + kFrom.size());
        if (name.empty() || name.find('/') != std::string::npos || first < 1) continue;
        const std::string file = (std::filesystem::path(opt_.folder) / name).string();
        // A name claimed for a file that was never written: ours to take away.
        if (std::filesystem::is_regular_file(file, ec) && std::filesystem::file_size(file, ec) == 0)
            removeFile(file);
        const int64_t onDisk = resultsOnDisk(file);
        if (onDisk > 0) savedThrough = std::max(savedThrough, first - 1 + onDisk);
    }
    return savedThrough;
}

void LogRecorder::recover() {
    removeLeftClaims();
    std::error_code ec;
    // A journal that was being written again when the program ended: the old one is whole.
    std::filesystem::remove(journalPath(kNewJournalName), ec);
    const std::string path = journalPath(kJournalName);
    if (!std::filesystem::exists(path, ec)) return;
    const JournalContents j = readJournalFile(path);
    // Which results are saved: the header names each file that may hold results of the
    // journal, with the index of its first result, and a file is always named there before
    // it is written. Files are saved in the order of their results, so everything up to the
    // farthest result any of them holds on the disk is saved, and everything after it is not
    // (a kill between a save and the journal's new start leaves both: the file decides).
    const int64_t savedThrough = savedThroughFiles(j);
    const int64_t skip = std::clamp<int64_t>(savedThrough - j.firstIndex + 1, 0, int64_t(j.records.size()));
    const std::string damage =
        j.droppedRecords > 0 || j.blocksCut > 0
            ? "; its damaged tail was cut, losing " + std::to_string(j.droppedRecords) + " results"
            : "";
    if (!j.headerRead || skip == int64_t(j.records.size())) {
        if (!j.headerRead || !damage.empty())
            say("the journal " + path + " holds no results to recover" +
                (j.problem.empty() ? std::string() : " (" + j.problem + ")") + "; it is removed");
        std::filesystem::remove(path, ec);
        return;
    }
    recoverRecords(j, skip, damage, path);
}

void LogRecorder::recoverRecords(const JournalContents& j, int64_t skip, const std::string& damage,
                                 const std::string& path) {
    std::error_code ec;
    // In files of at most --roll results each, named and claimed as the others. The names come
    // first, then the journal is written again naming them too, and only then the files: a
    // kill during the recovery leaves a journal whose files tell what is recovered already.
    struct Part {
        size_t from, n;
        std::string path;
        bool claimed;
    };
    std::vector<Part> parts;
    JournalHeader header = j.header;
    for (size_t done = size_t(skip); done < j.records.size();) {
        const size_t n = std::min<size_t>(j.records.size() - done, size_t(opt_.rollCount));
        resetStore(state_.resultCount());
        beginFile();
        state_.store.slot(1) = j.records[done];
        state_.store.resultCount = 1;
        nameFile();
        parts.push_back({done, n, path_, claimed_});
        header.commentLines.push_back(namedFileLine(path_, j.firstIndex + int64_t(done)));
        done += n;
    }
    std::vector<ResultRecord> left(j.records.begin() + skip, j.records.end());
    std::string error = rewriteJournal(header, j.firstIndex + skip, left);
    recovering_ = true;
    size_t written = 0;
    for (size_t k = 0; k < parts.size() && error.empty(); ++k, ++written) {
        const Part& p = parts[k];
        resetStore(state_.resultCount());
        beginFile();
        for (size_t i = 0; i < p.n; ++i) state_.store.slot(int64_t(i) + 1) = j.records[p.from + i];
        state_.store.resultCount = int64_t(p.n);
        path_ = p.path;
        claimed_ = p.claimed;
        const std::string span =
            formatTimeStamp(state_.resultTime(1)) + " .. " + formatTimeStamp(state_.resultTime(int64_t(p.n)));
        Finished f = encodeCurrent("Recovered: " + span, int64_t(p.n),
                                   "from the journal of a zvl log that ended without a stop, " + nowText());
        if (!writeAll(f)) {
            error = lastError_;
            break;
        }
        say("recovered " + std::to_string(p.n) + " results of a zvl log that ended without a stop into " +
            path_ + " (" + span + ")" + damage);
    }
    recovering_ = false;
    failing_ = false;
    resetStore(state_.resultCount());
    if (!error.empty()) {
        for (size_t k = written; k < parts.size(); ++k)
            if (parts[k].claimed) removeFile(parts[k].path);
        // The journal stays for the next start, and this run keeps none, so as not to write
        // over it.
        say("cannot save the results recovered from " + path + " (" + error +
            "); the journal is kept for the next start, and this run keeps no journal");
        journalOff_ = true;
        return;
    }
    journal_.remove();
    std::filesystem::remove(path, ec);
    syncFolder(opt_.folder);
}

std::string LogRecorder::rewriteJournal(const JournalHeader& header, int64_t firstIndex,
                                        const std::vector<ResultRecord>& records) {
    // Written whole under a name of its own, then put in place of the old one: a kill at any
    // moment leaves one whole journal.
    const std::string fresh = journalPath(kNewJournalName), path = journalPath(kJournalName);
    bool ok = journal_.open(fresh, header, firstIndex);
    if (ok) {
        for (const ResultRecord& r : records) journal_.append(r);
        ok = journal_.flush(clock_.milliseconds());
    }
    if (!ok) return journal_.takeError();
    if (std::rename(fresh.c_str(), path.c_str()) != 0)
        return fileErrorText("Cannot replace file", path, errno);
    if (const int e = syncFolder(opt_.folder); e != 0) return fileErrorText("Cannot write file", path, e);
    return {};
}

void LogRecorder::journalNew() {
    for (int64_t k = journaled_ + 1; k <= link_.liveResultsStored(); ++k) {
        const int64_t slot = k - liveAtFileStart_;
        const ResultRecord r = slot >= 1 && slot <= kMaxResults ? state_.store.slot(slot) : ResultRecord{};
        unsaved_.push_back(r);
        journal_.append(r);
        journaled_ = k;
    }
}

void LogRecorder::flushJournal() {
    journalNew();
    if (!journal_.flushIfDue(clock_.milliseconds())) journalFailed(journal_.takeError());
}

int64_t LogRecorder::firstUnsaved() const {
    if (!finished_.empty()) return finished_.front().firstLive + finished_.front().savedBefore;
    return liveAtFileStart_ + 1 + savedCount_;
}

JournalHeader LogRecorder::journalHeader() {
    JournalHeader h;
    h.kind = JournalKind::Log;
    h.startTime = journalStart_;
    h.port = opt_.portName;
    h.serialNumber = state_.serialNumber;
    h.labels = state_.inputLabels;
    h.active = state_.inputActive;
    // The files to be written next, in order: a file not named here is written only after the
    // journal was started again (writeAll). A bound keeps the header small when many wait.
    journalNames_.clear();
    auto add = [&](const std::string& path, int64_t first) {
        if (journalNames_.size() >= kJournalNamesMax) return;
        h.commentLines.push_back(namedFileLine(path, first));
        journalNames_.insert(path);
    };
    for (const Finished& f : finished_) add(f.path, f.firstLive);
    if (!path_.empty()) add(path_, liveAtFileStart_ + 1);
    return h;
}

void LogRecorder::restartJournal() {
    journalNew();
    for (const int64_t first = firstUnsaved(); unsavedFirst_ < first && !unsaved_.empty(); ++unsavedFirst_)
        unsaved_.pop_front();
    if (journalOff_) return;
    const std::vector<ResultRecord> records(unsaved_.begin(), unsaved_.end());
    if (const std::string error = rewriteJournal(journalHeader(), unsavedFirst_, records); !error.empty())
        journalFailed(error);
}

void LogRecorder::journalFailed(const std::string& error) {
    if (journalOff_) return;
    journalOff_ = true;
    // A journal left behind that is no longer kept up would, at the next start, give back
    // results saved meanwhile in files it does not name.
    journal_.remove();
    std::error_code ec;
    std::filesystem::remove(journalPath(kJournalName), ec);
    say("cannot write the journal (" + error +
        "); logging goes on without it: results not yet saved are lost if zvl log is killed");
}

void LogRecorder::afterSave() {
    if (stopped_ && allSaved()) {
        // Everything is in the files: the journal has nothing more to give.
        journal_.remove();
        std::error_code ec;
        if (!journalOff_) std::filesystem::remove(journalPath(kJournalName), ec);
        return;
    }
    if (firstUnsaved() > unsavedFirst_) restartJournal();
}

}  // namespace zvl::cli
