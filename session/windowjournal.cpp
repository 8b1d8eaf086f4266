#include "session/windowjournal.h"

#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

#include "core/timerules.h"
#include "files/recordingfile.h"
#include "search/navigation.h"

namespace zvl {

namespace {

// FNV-1a over the records' bytes: the store is known again at a save by it.
uint64_t fingerprintStep(uint64_t h, const ResultRecord& r) {
    unsigned char bytes[sizeof r];
    std::memcpy(bytes, &r, sizeof r);
    for (unsigned char b : bytes) h = (h ^ b) * 1099511628211ull;
    return h;
}

constexpr uint64_t kFingerprintStart = 14695981039346656037ull;

uint64_t fingerprintOf(const ResultStore& store, int64_t count) {
    uint64_t h = kFingerprintStart;
    for (int64_t n = 1; n <= count; ++n) h = fingerprintStep(h, store.results[size_t(n)]);
    return h;
}

bool processRunning(int64_t pid) {
    if (pid <= 0 || pid > 0x7FFFFFFF) return false;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

}  // namespace

std::string recoverQuestionText(int64_t startTime, int64_t results) {
    // "A" apart: the Messages page reads a lone capital as a stand-in.
    return std::string("A ") + "recording of " + formatTimeStamp(startTime) + " with " +
           std::to_string(results) + " results was not saved when the program ended. Recover it?";
}

std::string journalFailedText(const std::string& error) {
    return "The recording cannot be kept safe on the disk as it is collected (" + error +
           "). It goes on in memory: save it before the program ends.";
}

int64_t journalProcessId(const std::string& path) {
    const std::string name = std::filesystem::path(path).filename().string();
    const size_t dash = name.find('-');
    if (dash == std::string::npos) return 0;
    int64_t pid = 0;
    size_t k = dash + 1;
    for (; k < name.size() && k < dash + 11 && name[k] >= '0' && name[k] <= '9'; ++k)
        pid = pid * 10 + (name[k] - '0');
    return k > dash + 1 && k < name.size() && name[k] == '-' ? pid : 0;
}

WindowJournal::WindowJournal(AppState& state, const Clock& clock, Prompts& prompts, ViewHooks& view,
                             Timer& timer, std::string folder)
    : state_(state),
      clock_(clock),
      prompts_(prompts),
      view_(view),
      timer_(timer),
      folder_(std::move(folder)) {
    timer_.setInterval(int(JournalWriter::kWriteEveryMs));
    timer_.setHandler([this] { catchUp(true, true); });
}

WindowJournal::~WindowJournal() {
    timer_.disable();
    timer_.setHandler({});
    catchUp(false);  // whatever ends the window without a close, the journal keeps what was stored
}

void WindowJournal::tell() {
    if (const std::string e = writer_.takeError(); !e.empty()) prompts_.warning(journalFailedText(e));
}

bool WindowJournal::storeHoldsJournal() const {
    const ResultStore& store = state_.store;
    if (store.resultCount < journaled_ || int64_t(store.results[0].rawTime()) != startTime_) return false;
    return fingerprintOf(store, journaled_) == fingerprint_;
}

void WindowJournal::openFor(const JournalHeader& header) {
    startTime_ = header.startTime;
    journaled_ = 0;
    fingerprint_ = kFingerprintStart;
    last_ = ResultRecord{};
    if (!writer_.open(newJournalPath(folder_, header), header)) tell();
    live_ = true;
    catchUp();
}

void WindowJournal::recordingStarted() {
    writer_.remove();  // the last recording's journal goes with its results
    JournalHeader header;
    header.kind = JournalKind::Window;
    header.startTime = int64_t(state_.store.results[0].rawTime());
    header.port = "COM" + std::to_string(state_.comPortNumber);
    header.serialNumber = state_.serialNumber;
    header.title = state_.recordingTitle;
    header.commentLines.assign(state_.commentLines.begin(), state_.commentLines.end());
    header.labels = state_.inputLabels;
    header.active = state_.inputActive;
    openFor(header);
    if (live_) timer_.enable();
}

void WindowJournal::catchUp(bool sayFailure, bool whenDue) {
    if (busy_) return;
    busy_ = true;
    if (live_) {
        // The live check is cheap: the start record and the last result appended are still
        // where they were (nothing else writes the store while a recording runs; a load after
        // the recording ended replaces the start record).
        const ResultStore& store = state_.store;
        const bool same = store.resultCount >= journaled_ &&
                          int64_t(store.results[0].rawTime()) == startTime_ &&
                          (journaled_ == 0 || store.results[size_t(journaled_)] == last_);
        if (same) {
            const int64_t end = std::min(store.resultCount, kMaxResults);
            for (int64_t n = journaled_ + 1; n <= end; ++n) {
                const ResultRecord& r = store.results[size_t(n)];
                writer_.append(r);
                fingerprint_ = fingerprintStep(fingerprint_, r);
                last_ = r;
            }
            journaled_ = std::max(journaled_, end);
        }
        if (!same || !state_.collectionActive || state_.uploadActive) live_ = false;
    }
    const int64_t now = clock_.milliseconds();
    if (!(whenDue ? writer_.flushIfDue(now) : writer_.flush(now)) && sayFailure) tell();
    if (!live_) timer_.disable();
    busy_ = false;
}

void WindowJournal::resultsStored() {
    if (live_ && !busy_) catchUp(true, true);
}

void WindowJournal::saved() {
    catchUp();
    if (live_ || state_.collectionActive) return;  // results still coming belong in the journal
    if (state_.resultCount() == journaled_ && storeHoldsJournal()) writer_.remove();
}

void WindowJournal::closed() {
    timer_.disable();
    live_ = false;
    writer_.remove();
}

bool WindowJournal::recover(const JournalContents& contents) {
    const JournalHeader& h = contents.header;
    const int64_t count = std::min<int64_t>(int64_t(contents.records.size()), kMaxResults);
    state_.store.clearResults();
    state_.store.results[0].setTime(uint32_t(std::clamp<int64_t>(h.startTime, 0, 0xFFFFFFFFll)));
    for (int64_t n = 1; n <= count; ++n) state_.store.results[size_t(n)] = contents.records[size_t(n - 1)];
    state_.store.resultCount = count;
    state_.store.recovered = true;
    state_.recordingTitle = h.title;
    for (size_t k = 0; k < state_.commentLines.size(); ++k)
        state_.commentLines[k] = k < h.commentLines.size() ? h.commentLines[k] : std::string();
    state_.inputLabels = h.labels;
    state_.inputActive = h.active;
    // Unsaved: File > Save asks for a name.
    state_.saveFileName.clear();
    state_.saveCommandEnabled = true;
    showLoadedRecording(state_, view_);  // offline event search, the time base fitted
    goToLastResult(state_, view_);
    // The recovered recording has a journal of this run until it is saved or the window closes.
    openFor(h);
    live_ = false;
    return true;
}

bool WindowJournal::offerRecovery() {
    bool asked = false;
    for (const std::string& path : journalsInFolder(folder_)) {
        if (path == writer_.path() || processRunning(journalProcessId(path))) continue;
        const JournalContents contents = readJournalFile(path);
        if (!contents.headerRead || contents.header.kind != JournalKind::Window || contents.firstIndex != 1)
            continue;  // not the window's: zvl recover lists it
        std::error_code ignored;
        if (contents.records.empty()) {
            // Nothing was stored: nothing to offer. A damaged one stays for zvl recover.
            if (contents.problem.empty()) std::filesystem::remove(path, ignored);
            continue;
        }
        const int64_t count = std::min<int64_t>(int64_t(contents.records.size()), kMaxResults);
        if (!std::exchange(asked, true)) view_.hideSplashWindow();  // no question under the splash
        if (prompts_.confirm(recoverQuestionText(contents.header.startTime, count), IfEscaped::No)) {
            recover(contents);
            std::filesystem::remove(path, ignored);  // its copy is this run's journal now
            return true;
        }
        if (prompts_.confirm(kDeleteUnsavedRecordingText, IfEscaped::No))
            std::filesystem::remove(path, ignored);
    }
    return false;
}

}  // namespace zvl
