#pragma once
// The journal of the window's live recordings and their recovery at the next start.
//
// Every live recording (Start, Collect New Data) opens a journal in the journal folder. The
// results stored are written a quarter of a second after the last write and synced a second
// after the last sync (JournalWriter::flushIfDue), from the results' own path (a busy window's
// timer comes late) and from the journal's timer, for when results stop coming. So a killed
// program loses about a quarter of a second of results, a power cut about a second. Starting a new recording
// replaces the journal as it replaces the results; a save of the recording or a normal close
// removes it. A journal that cannot be written is said once in a warning box (its modal loop
// keeps reading the port, so the recording goes on in memory meanwhile).
//
// At the next start, each window journal left by a process that no longer runs gets one
// question: Yes loads it as an unsaved recording, No asks whether to delete it for good.

#include <cstdint>
#include <string>

#include "core/state.h"
#include "files/journal.h"
#include "platform/clock.h"
#include "platform/prompts.h"
#include "platform/timer.h"
#include "platform/viewhooks.h"

namespace zvl {

// The questions of the recovery at start, and the note when a journal cannot be written.
std::string recoverQuestionText(int64_t startTime, int64_t results);
inline constexpr const char* kDeleteUnsavedRecordingText =
    "Delete the unsaved recording for good? It cannot be recovered afterwards.";
std::string journalFailedText(const std::string& error);

// The pid in a journal's name ("<kind>-<pid>-<start>.zvlj"), 0 when it has none.
int64_t journalProcessId(const std::string& path);

class WindowJournal {
public:
    WindowJournal(AppState& state, const Clock& clock, Prompts& prompts, ViewHooks& view, Timer& timer,
                  std::string folder);
    ~WindowJournal();
    WindowJournal(const WindowJournal&) = delete;
    WindowJournal& operator=(const WindowJournal&) = delete;

    // A live recording has just started in the store: its journal replaces the last one.
    void recordingStarted();
    // The end of a Stop, a save, a close: the results stored since the last write are appended,
    // written and synced; once the recording has ended the timer stops.
    void catchUp() { catchUp(true); }
    // Live results were stored (and the timer's tick): appended, and written and synced when due.
    void resultsStored();
    // A Save or Save As completed: when the store holds the journal's recording, whole and
    // ended, the journal goes.
    void saved();
    // A normal close, after its question: the journal goes.
    void closed();
    // At start: the questions about journals of window recordings that were never saved.
    // True when one was loaded into the store.
    bool offerRecovery();

    const std::string& folder() const { return folder_; }
    const std::string& path() const { return writer_.path(); }

private:
    void catchUp(bool sayFailure, bool whenDue = false);
    void tell();
    bool storeHoldsJournal() const;
    // Opens a journal for the recording in the store with `header`, its results 1..resultCount
    // written at once.
    void openFor(const JournalHeader& header);
    bool recover(const JournalContents& contents);

    AppState& state_;
    const Clock& clock_;
    Prompts& prompts_;
    ViewHooks& view_;
    Timer& timer_;
    std::string folder_;
    JournalWriter writer_;
    int64_t startTime_ = 0;     // the journal's start record time (slot 0)
    int64_t journaled_ = 0;     // results 1..journaled_ of the store are in the journal
    uint64_t fingerprint_ = 0;  // of those results, to know them again at a save
    ResultRecord last_{};       // result journaled_ as it was appended
    bool live_ = false;         // the journal follows a recording that is still running
    bool busy_ = false;         // inside catchUp (its warning box runs the timers)
};

}  // namespace zvl
