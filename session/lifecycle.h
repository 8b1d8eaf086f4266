#pragma once
// The program's start and close: the first activation reads the settings and opens the port,
// the start timer connects, the splash timer hands over to the start menu, and closing asks
// about a running recording, writes the settings and releases the port.

#include <functional>
#include <string>
#include <vector>

#include "core/state.h"
#include "files/settings.h"
#include "link/link.h"
#include "platform/prompts.h"
#include "platform/timer.h"
#include "platform/viewhooks.h"

namespace zvl {

class Lifecycle {
public:
    Lifecycle(AppState& state, InstrumentLink& link, Prompts& prompts, ViewHooks& view, MainTimers& timers,
              std::string settingsPath = settingsFilePath())
        : state_(state),
          link_(link),
          prompts_(prompts),
          view_(view),
          timers_(timers),
          settingsPath_(std::move(settingsPath)) {}

    void applyStartDefaults();  // colour and monochrome defaults
    // First activation only: settings read (which opens the port) and the controls set. True
    // when it ran.
    bool startOnFirstActivation();
    // Inside startOnFirstActivation (its boxes and dialogs run the timers).
    bool activating() const { return activating_; }
    // The start menu that the splash hands over to is open (its modal loop runs the timers).
    bool startMenuOpen() const { return startMenuOpen_; }
    void readSettings();
    void onStartTimer();
    void onSplashTimer();
    bool mayClose();  // may the window close?
    void shutDown();

    const std::string& settingsPath() const { return settingsPath_; }
    // How a transfer that is running when the window closes is cancelled (the upload's Cancel).
    void setCancelTransfer(std::function<void()> cancel) { cancelTransfer_ = std::move(cancel); }
    // The live recordings' journal: `recover` asks about those left unsaved at the start (true
    // when one was loaded), `closed` removes the current one at a normal close.
    void setJournalHooks(std::function<bool()> recover, std::function<void()> closed) {
        recoverJournal_ = std::move(recover);
        journalClosed_ = std::move(closed);
    }

private:
    AppState& state_;
    InstrumentLink& link_;
    Prompts& prompts_;
    ViewHooks& view_;
    MainTimers& timers_;
    std::string settingsPath_;
    bool activated_ = false;
    bool activating_ = false;
    bool portOpening_ = false;  // readSettings is opening the port (Select Port, COM Port Error)
    bool startMenuOpen_ = false;
    bool recovering_ = false;  // the questions about unsaved recordings are open
    bool recovered_ = false;   // one was loaded: the start step leaves the store alone
    std::function<void()> cancelTransfer_;
    std::function<bool()> recoverJournal_;
    std::function<void()> journalClosed_;
};

// The comment memo: leaving it stores its lines in commentLines (at most eleven, the slots
// above its last line cleared); a paint shows the non-empty slots 0..9.
void storeCommentLines(AppState& state, const std::vector<std::string>& memoLines);
std::vector<std::string> memoLinesToShow(const AppState& state);

}  // namespace zvl
