#include "session/maincommands.h"

#include <cctype>
#include <filesystem>
#include <utility>

#include "session/controlstates.h"
#include "session/displayoptions.h"
#include "viewer/colouroptions.h"

#include "session/mainactions.h"
#include "search/goto.h"
#include "search/marker.h"
#include "search/matchsearch.h"
#include "search/navigation.h"
#include "search/searchkey.h"

namespace zvl {

// --- The comment memo --------------------------------------------------------------------------

void CommentMemo::store(const std::vector<std::string>& lines) {
    storeCommentLines(state_, lines);
    stored_ = state_.commentLines;
}

void CommentMemo::textChanged(const std::vector<std::string>& lines) {
    if (filling_) return;
    edited_ = true;
    store(lines);
}

void CommentMemo::left(const std::vector<std::string>& lines) {
    if (edited_) store(lines);
}

void CommentMemo::refresh(const std::function<void(const std::vector<std::string>&)>& show) {
    if (edited_ && state_.commentLines == stored_) return;
    filling_ = true;
    show(memoLinesToShow(state_));
    filling_ = false;
    edited_ = false;
}

// --- The commands ------------------------------------------------------------------------------

MainCommands::MainCommands(AppState& state, MainPlatform platform, ViewHooks& view)
    : state_(state),
      platform_(std::move(platform)),
      view_(view),
      link_(state_, platform_.port, platform_.clock, platform_.pump, platform_.prompts, view_, platform_.timers.breakTimer,
            platform_.timers.refreshTimer),
      renderer_(state_, platform_.clock, platform_.prompts),
      viewContext_{state_, renderer_, view_, platform_.timers.refreshTimer},
      files_(state_, platform_.fileDialogs, platform_.prompts, view_, platform_.clock),
      upload_(state_, link_, platform_.clock, platform_.prompts, view_, platform_.timers.uploadRetryTimer),
      lifecycle_(state_, link_, platform_.prompts, view_, platform_.timers, platform_.settingsPath),
      memo_(state_),
      setup_(state_, link_, platform_.prompts, platform_.clock, view_),
      download_(state_, link_, platform_.receiver ? *platform_.receiver : noReceiver_, platform_.clock, platform_.prompts,
                view_, platform_.timers.downloadStatusTimer) {
    MainTimers& t = platform_.timers;
    t.startTimer.setInterval(1000);
    t.startTimer.setHandler([this] {
        lifecycle_.onStartTimer();
        openStartFile();
    });
    t.splashTimer.setInterval(30);
    t.splashTimer.setHandler([this] {
        lifecycle_.onSplashTimer();
        openStartFile();
    });
    t.statusPollTimer.setInterval(5000);
    t.statusPollTimer.setHandler([this] { link_.statusPoll(); });
    link_.setStatusTimer(t.statusPollTimer);
    t.breakTimer.setInterval(500);
    t.breakTimer.setHandler([this] { link_.breakTimerFired(); });
    t.uploadRetryTimer.setHandler([this] { upload_.onUploadRetryTimer(); });
    t.refreshTimer.setHandler([this] { updateTimer(viewContext_); });

    lifecycle_.setCancelTransfer([this] { upload_.cancelTransfer(); });
    // Cancel on the panel sends the CAN; during a download it then stops the receiver.
    upload_.setFileTransferCancel([this] { download_.stopReceiver(); });
    lifecycle_.applyStartDefaults();
}

MainCommands::~MainCommands() {
    MainTimers& t = platform_.timers;
    for (Timer* timer : {&t.startTimer, &t.splashTimer, &t.statusPollTimer, &t.breakTimer, &t.uploadRetryTimer, &t.refreshTimer,
                         &t.downloadStatusTimer}) {
        timer->disable();
        timer->setHandler({});
    }
}

void MainCommands::startTimers() {
    platform_.timers.statusPollTimer.enable();
    platform_.timers.startTimer.enable();
}

void MainCommands::commandEnded() {
    view_.updateControlStates();
    view_.repaint();
}

void MainCommands::open() {
    files_.open();
    commandEnded();  // offline also when cancelled; a loaded file is in the Reopen list now
}

void MainCommands::activate() {
    lifecycle_.startOnFirstActivation();
    openStartFile();  // its timers may have run out inside the first activation's boxes
}

void MainCommands::openStartFile() {
    // Either timer still running: the start menu has not been shown yet, or the start step
    // (which clears the store) has not run; or the settings and the port are still being read.
    if (startFile_.empty() || platform_.timers.splashTimer.isActive() || platform_.timers.startTimer.isActive() ||
        lifecycle_.activating())
        return;
    const std::string path = std::exchange(startFile_, std::string());
    if (!enabledControls(state_).menusEnabled) return;
    std::string extension = std::filesystem::path(path).extension().string();
    for (char& c : extension) c = char(std::toupper(static_cast<unsigned char>(c)));
    if (extension == ".STG") {
        files_.reloadSettingsOnlyFrom(path);
        view_.applyPaintControls();
        return;
    }
    state_.operatingMode = EventSearch;
    files_.openFile(path);
    commandEnded();
}

void MainCommands::openAllParts() {
    files_.openAllParts();
    commandEnded();
}

void MainCommands::reopen(int entry) { files_.reopen(entry); }

void MainCommands::save() {
    files_.save();
    view_.applyPaintControls();
}

void MainCommands::saveAs() {
    files_.saveAs();
    view_.applyPaintControls();
}

void MainCommands::saveSettingsOnly() { files_.saveSettingsOnly(); }

void MainCommands::reloadSettingsOnly() {
    files_.reloadSettingsOnly();
    view_.applyPaintControls();
}

void MainCommands::saveBinaryFile() { files_.saveBinaryFile(); }

void MainCommands::exportCsvOrTxt() { files_.exportCsvOrTxt(); }

void MainCommands::exportVcd() { files_.exportVcd(); }

void MainCommands::toggleMonochrome() {
    state_.monochromePrinting = !state_.monochromePrinting;
    view_.repaint();
}

bool MainCommands::refusedDuringDownload() {
    if (!state_.protocolTransferActive) return false;
    platform_.prompts.warning(kDownloadInProgressText);
    return true;
}

void MainCommands::downloadBinaryFile() {
    if (refusedDuringDownload()) return;
    download_.downloadBinaryFile(platform_.fileDialogs);
    commandEnded();  // online now, or offline after a silent handshake, also when cancelled
}

void MainCommands::uploadStoredData() {
    if (refusedDuringDownload()) return;
    upload_.uploadStoredData();
    commandEnded();  // online event mode, or offline after a silent handshake
}

void MainCommands::uploadFromStartMenu() {
    if (refusedDuringDownload()) return;
    platform_.prompts.setBusyCursor(true);
    upload_.uploadStoredData();
    commandEnded();
}

void MainCommands::collectNewData() {
    if (refusedDuringDownload()) return;
    link_.collectNewData();
    commandEnded();  // a silent instrument has left the program offline
}

void MainCommands::collectDataFromStartMenu() {
    if (refusedDuringDownload()) return;
    zvl::collectDataFromStartMenu(state_, link_, platform_.prompts, view_);
}

void MainCommands::examineRecords() {
    zvl::examineRecords(files_);
    commandEnded();
}

void MainCommands::editSearchKey(ModalDialog& searchKeyDialog) {
    zvl::editSearchKey(state_, platform_.prompts, view_, searchKeyDialog, lifecycle_.settingsPath());
}

void MainCommands::showStatistics(ModalDialog& statisticsDialog) {
    if (state_.resultCount() > 0) statisticsDialog.runModal();
}

void MainCommands::goToEventOrTime(ModalDialog& goToDialog) { zvl::goToEventOrTime(goToDialog, view_); }

void MainCommands::showResultUnderCursor(int64_t n) {
    if (n < 1 || n > state_.resultCount()) return;
    putUnderCursor(state_, n);
    view_.redrawTraceView();
}

void MainCommands::setMarker() {
    if (!markCursorResult(state_)) return;
    view_.redrawTraceView();
    view_.applyPaintControls();
}

void MainCommands::clearMarker() {
    zvl::clearMarker(state_);
    view_.redrawTraceView();
    view_.applyPaintControls();
}

bool MainCommands::plotClicked(int x, int y, bool shift) {
    if (shift) {
        if (!markResultAtPointer(state_, renderer_, x, y)) return false;
        view_.redrawTraceView();
        view_.applyPaintControls();
        return true;
    }
    if (!goToResultAtPointer(state_, renderer_, x, y)) return false;
    view_.redrawTraceView();
    return true;
}

void MainCommands::editDisplayOptions(ModalDialog& displayOptionsDialog) {
    zvl::editDisplayOptions(state_, platform_.prompts, view_, displayOptionsDialog, lifecycle_.settingsPath());
}

void MainCommands::editColours(ModalDialog& coloursDialog) { zvl::editColours(coloursDialog, view_); }

void MainCommands::showAbout(ModalDialog& aboutBox) {
    const bool connecting = !state_.instrumentOnline && state_.operatingMode.isOnline();
    if (connecting) link_.connect();
    aboutBox.runModal();
    if (connecting) commandEnded();  // a silent instrument has left the program offline
}

void MainCommands::setDateTime() { setup_.setDateTime(); }

void MainCommands::showHardwareSettings(ModalDialog& hardwareDialog) {
    setup_.showHardwareSettings(hardwareDialog, lifecycle_.settingsPath());
}

void MainCommands::findFirstMatch() { zvl::findFirstMatch(state_, platform_.prompts, view_); }

void MainCommands::startOrStopOrNext() {
    // Online the button starts or stops a recording; offline it is Next, which stays free.
    if (state_.operatingMode.isOnline() && refusedDuringDownload()) return;
    zvl::startOrStopOrNext(state_, link_, platform_.prompts, view_);
}

void MainCommands::findPreviousMatch() { zvl::findPreviousMatch(state_, platform_.prompts, view_); }

void MainCommands::toggleEventTimeView() { zvl::toggleEventTimeView(viewContext_); }

void MainCommands::toggleOnline() {
    if (state_.operatingMode.isSearch() && refusedDuringDownload()) return;  // going online connects
    if (state_.operatingMode.isOnline()) showNewestResultsOffline(state_);
    link_.toggleOnline();
}

void MainCommands::finerTimebase() { zvl::finerTimebase(viewContext_); }

void MainCommands::coarserTimebase() { zvl::coarserTimebase(viewContext_); }

void MainCommands::cancelTransfer() { upload_.cancelTransfer(); }

void MainCommands::goToFirstResult() { zvl::goToFirstResult(state_, view_); }

void MainCommands::stepLeftFast() { zvl::stepLeftFast(state_, view_); }

void MainCommands::stepLeftSlow() { zvl::stepLeftSlow(state_, view_); }

void MainCommands::stepRightSlow() { zvl::stepRightSlow(state_, view_); }

void MainCommands::stepRightFast() { zvl::stepRightFast(state_, view_); }

void MainCommands::goToLastResult() { zvl::goToLastResult(state_, view_); }

void MainCommands::importFromModeCaption() {
    files_.importFromModeCaption();
    commandEnded();
}

void MainCommands::editComments(CommentsEditor& dialog) {
    if (auto lines = dialog.edit(commentLinesForEditing(state_))) storeCommentLines(state_, *lines);
    view_.repaint();
}

std::optional<int> MainCommands::keyColumnClicked(int x, int y) {
    const std::optional<int> input = keyColumnInput(x, y);
    if (input) advanceSearchCondition(state_, *input);
    return input;
}

}  // namespace zvl
