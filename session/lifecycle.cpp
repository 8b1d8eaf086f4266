#include "session/lifecycle.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "link/commands.h"
#include "platform/comports.h"

namespace zvl {

void Lifecycle::applyStartDefaults() {
    setDefaultColours(state_);
}

bool Lifecycle::startOnFirstActivation() {
    if (activated_) return false;
    activated_ = true;
    activating_ = true;
    view_.showSplashWindow();
    readSettings();
    // A recording that was never saved when the program last ended is offered back before the
    // start menu opens (the timers wait until the questions are answered).
    if (recoverJournal_) {
        recovering_ = true;
        recovered_ = recoverJournal_();
        recovering_ = false;
    }
    view_.updateControlStates();
    activating_ = false;
    return true;
}

void Lifecycle::readSettings() {
    const SettingsRead read = loadSettingsFile(settingsPath_, state_);
    // A file that could be opened starts the splash timer however the reading ended.
    if (read != SettingsRead::Unreadable) {
        timers_.splashTimer.setInterval(30);
        timers_.splashTimer.enable();
    }
    if (read != SettingsRead::Complete) {
        view_.hideSplashWindow();
        state_.operatingMode = EventSearch;
        loadDefaultSettings(state_, prompts_, view_);
    }
    if (state_.dataDirectory.empty()) state_.dataDirectory = defaultDataDirectory();
    // The data folder, where the file dialogs start, exists from the first run on.
    std::error_code ignored;
    std::filesystem::create_directories(defaultDataDirectory(), ignored);
    // So does the folder of the COMn links: a real device is then made a port with one ln -s.
    std::filesystem::create_directories(portsDirectory(), ignored);
    // With no valid port configured, the port choice comes first, not under the splash.
    if (state_.comPortNumber == 0) view_.hideSplashWindow();
    portOpening_ = true;
    link_.openPort();
    portOpening_ = false;
    view_.refreshWindow();
}

void Lifecycle::onStartTimer() {
    // No handshake on a port that is not open yet: before the settings are read, or while
    // the port is chosen and opened (the timer keeps running and the step comes at its next
    // tick). A port that then fails to open has left the program offline.
    if (!activated_ || portOpening_ || recovering_) return;
    if (!recovered_) state_.store.clearResults();
    timers_.startTimer.disable();
    if (state_.operatingMode.isOnline()) link_.connect();
    timers_.splashTimer.setInterval(state_.instrumentOnline ? 1000 : 3000);
    view_.updateControlStates();
}

void Lifecycle::onSplashTimer() {
    if (portOpening_ || recovering_) return;  // the start menu waits until the port is settled
    timers_.splashTimer.disable();
    view_.hideSplashWindow();
    startMenuOpen_ = true;
    view_.showStartMenu();
    startMenuOpen_ = false;
}

bool Lifecycle::mayClose() {
    if (!state_.collectionActive) return true;
    if (prompts_.confirm(kContinueCollectingText, IfEscaped::Yes)) return false;
    // An upload is cancelled, not given a stop record.
    if (state_.uploadActive && cancelTransfer_)
        cancelTransfer_();
    else
        link_.stopRecordingAtClose();
    return true;
}

void Lifecycle::shutDown() {
    timers_.updateTimer.disable();
    if (journalClosed_) journalClosed_();  // the close was asked for and answered
    writeSettings(state_, prompts_, settingsPath_);
    if (state_.instrumentOnline) {
        if (state_.collectionActive) {
            link_.sendCommand(cmd::Stop);
            link_.waitTicks(3, true);
        }
        link_.closePort();
        link_.waitTicks(9, true);
    }
}

void storeCommentLines(AppState& state, const std::vector<std::string>& memoLines) {
    const size_t count = std::min<size_t>(memoLines.size(), 255);
    const size_t n = std::min<size_t>(count, 10);
    for (size_t k = 0; k <= n; ++k) state.commentLines[k] = k < count ? memoLines[k] : std::string();
    // Slots above the memo's last line are cleared, so deleted lines do not come back.
    for (size_t k = n + 1; k < state.commentLines.size(); ++k) state.commentLines[k].clear();
}

std::vector<std::string> memoLinesToShow(const AppState& state) {
    std::vector<std::string> out;
    for (size_t k = 0; k < 10; ++k)
        if (!state.commentLines[k].empty()) out.push_back(state.commentLines[k]);
    return out;
}

}  // namespace zvl
