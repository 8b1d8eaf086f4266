#include "session/maincommands.h"

#include <cctype>
#include <filesystem>
#include <utility>

#include "core/timebase.h"
#include "search/goto.h"
#include "search/marker.h"
#include "search/matchsearch.h"
#include "search/navigation.h"
#include "search/searchkey.h"
#include "session/controlstates.h"
#include "session/displayoptions.h"
#include "session/mainactions.h"
#include "viewer/colouroptions.h"

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

// --- The refresh of a command -------------------------------------------------------------------

void CommandRefresh::note(unsigned what, void (ViewHooks::*now)()) {
    if (depth_ == 0 || dialogs_ > 0)
        (window_.*now)();
    else
        pending_ |= what;
}

void CommandRefresh::flush() {
    const unsigned what = std::exchange(pending_, 0u);
    if (what & kWindow) {
        window_.refreshWindow();  // the control states and the picture with the rest
        return;
    }
    if (what & kControls) window_.updateControlStates();
    if (what & kPicture) window_.redrawTraceView();
}

void CommandRefresh::end() {
    if (--depth_ > 0) return;
    pending_ |= kControls;  // every command leaves the controls as its state says
    flush();
}

bool CommandRefresh::runDialog(ModalDialog& dialog) {
    flush();
    ++dialogs_;
    const bool accepted = dialog.runModal();
    --dialogs_;
    return accepted;
}

// --- The commands ------------------------------------------------------------------------------

MainCommands::MainCommands(AppState& state, MainPlatform platform, ViewHooks& view)
    : state_(state),
      platform_(std::move(platform)),
      view_(view),
      prompts_(platform_.prompts, view_),
      fileDialogs_(platform_.fileDialogs, view_),
      link_(state_, platform_.port, platform_.clock, platform_.pump, prompts_, view_,
            platform_.timers.breakTimer, platform_.timers.updateTimer),
      renderer_(state_, platform_.clock, platform_.prompts),  // its warning waits for the picture
      viewContext_{state_, renderer_, view_, platform_.timers.updateTimer},
      files_(state_, fileDialogs_, prompts_, view_, platform_.clock),
      upload_(state_, link_, platform_.clock, prompts_, view_, platform_.timers.uploadRetryTimer),
      lifecycle_(state_, link_, prompts_, view_, platform_.timers, platform_.settingsPath),
      memo_(state_),
      setup_(state_, link_, prompts_, platform_.clock, view_),
      download_(state_, link_, platform_.receiver ? *platform_.receiver : noReceiver_, platform_.clock,
                prompts_, view_, platform_.timers.downloadStatusTimer),
      journal_(state_, platform_.clock, prompts_, view_, platform_.timers.journalTimer,
               platform_.journalFolder) {
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
    t.updateTimer.setHandler([this] { zvl::updateTimer(viewContext_); });

    lifecycle_.setCancelTransfer([this] { upload_.cancelTransfer(); });
    lifecycle_.setJournalHooks([this] { return journal_.offerRecovery(); }, [this] { journal_.closed(); });
    link_.setResultsStored([this] { journal_.resultsStored(); });
    // Cancel on the panel sends the CAN; during a download it then stops the receiver.
    upload_.setFileTransferCancel([this] { download_.stopReceiver(); });
    lifecycle_.applyStartDefaults();
}

MainCommands::~MainCommands() {
    MainTimers& t = platform_.timers;
    for (Timer* timer : {&t.startTimer, &t.splashTimer, &t.statusPollTimer, &t.breakTimer,
                         &t.uploadRetryTimer, &t.updateTimer, &t.downloadStatusTimer, &t.journalTimer}) {
        timer->disable();
        timer->setHandler({});
    }
    link_.setResultsStored({});
}

void MainCommands::startTimers() {
    platform_.timers.statusPollTimer.enable();
    platform_.timers.startTimer.enable();
}

void MainCommands::open() {
    Command command(view_);
    files_.open();
    view_.refreshWindow();  // offline also when cancelled; a loaded file is in the Reopen list now
}

void MainCommands::activate() {
    lifecycle_.startOnFirstActivation();
    openStartFile();  // its timers may have run out inside the first activation's boxes
}

void MainCommands::openStartFile() {
    // Either timer still running: the start menu has not been shown yet, or the start step
    // (which clears the store) has not run; or the settings and the port are still being read;
    // or the start menu is still open (the splash timer's handler comes back here once it has
    // closed).
    if (startFile_.empty() || platform_.timers.splashTimer.isActive() ||
        platform_.timers.startTimer.isActive() || lifecycle_.activating() || lifecycle_.startMenuOpen())
        return;
    openDropped(std::exchange(startFile_, std::string()));
}

void MainCommands::openDropped(const std::string& path) {
    Command command(view_);
    if (!controlStates(state_).menusEnabled) return;
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        state_.operatingMode = EventSearch;
        files_.openFolderAt(path);
        view_.refreshWindow();
        return;
    }
    std::string extension = std::filesystem::path(path).extension().string();
    for (char& c : extension) c = char(std::toupper(static_cast<unsigned char>(c)));
    if (extension == ".STG") {
        files_.reloadSettingsOnlyFrom(path);
        return;
    }
    state_.operatingMode = EventSearch;
    files_.openFile(path);
    view_.refreshWindow();
}

void MainCommands::openAllParts() {
    Command command(view_);
    files_.openAllParts();
    view_.refreshWindow();
}

void MainCommands::openFolder() {
    Command command(view_);
    files_.openFolder();
    view_.refreshWindow();
}

void MainCommands::reopen(int entry) {
    Command command(view_);
    files_.reopen(entry);
}

void MainCommands::save() {
    Command command(view_);
    if (files_.save() == FileOutcome::Done) journal_.saved();
}

void MainCommands::saveAs() {
    Command command(view_);
    if (files_.saveAs() == FileOutcome::Done) journal_.saved();
}

void MainCommands::saveSettingsOnly() {
    Command command(view_);
    files_.saveSettingsOnly();
}

void MainCommands::reloadSettingsOnly() {
    Command command(view_);
    files_.reloadSettingsOnly();
}

void MainCommands::saveBinaryFile() {
    Command command(view_);
    files_.saveBinaryFile();
}

void MainCommands::exportCsvOrTxt() {
    Command command(view_);
    files_.exportCsvOrTxt();
}

void MainCommands::exportVcd() {
    Command command(view_);
    files_.exportVcd();
}

void MainCommands::toggleMonochrome() {
    Command command(view_);
    state_.monochromePrinting = !state_.monochromePrinting;
    view_.refreshWindow();
}

bool MainCommands::refusedDuringDownload() {
    if (!state_.protocolTransferActive) return false;
    prompts_.warning(kDownloadInProgressText);
    return true;
}

void MainCommands::downloadBinaryFile() {
    Command command(view_);
    if (refusedDuringDownload()) return;
    download_.downloadBinaryFile(fileDialogs_);
    view_.refreshWindow();  // online now, or offline after a silent handshake, also when cancelled
}

void MainCommands::uploadStoredData() {
    Command command(view_);
    if (refusedDuringDownload()) return;
    upload_.uploadStoredData();
    view_.refreshWindow();  // online event mode, or offline after a silent handshake
}

void MainCommands::uploadFromStartMenu() {
    Command command(view_);
    if (refusedDuringDownload()) return;
    prompts_.setBusyCursor(true);
    upload_.uploadStoredData();
    view_.refreshWindow();
}

void MainCommands::collectNewData() {
    Command command(view_);
    if (refusedDuringDownload()) return;
    const bool wasCollecting = state_.collectionActive;
    link_.collectNewData();
    followRecording(wasCollecting);
    view_.refreshWindow();  // a silent instrument has left the program offline
}

void MainCommands::collectDataFromStartMenu() {
    Command command(view_);
    if (refusedDuringDownload()) return;
    const bool wasCollecting = state_.collectionActive;
    zvl::collectDataFromStartMenu(state_, link_, prompts_, view_);
    followRecording(wasCollecting);
}

void MainCommands::followRecording(bool wasCollecting) {
    if (!wasCollecting && state_.collectionActive && !state_.uploadActive)
        journal_.recordingStarted();
    else if (wasCollecting && !state_.collectionActive)
        journal_.catchUp();
}

void MainCommands::examineRecords() {
    Command command(view_);
    zvl::examineRecords(files_);
    view_.refreshWindow();
}

void MainCommands::editSearchKey(ModalDialog& searchKeyDialog) {
    Command command(view_);
    Dialog dialog(view_, searchKeyDialog);
    zvl::editSearchKey(state_, prompts_, view_, dialog, lifecycle_.settingsPath());
}

void MainCommands::showStatistics(ModalDialog& statisticsDialog) {
    Command command(view_);
    if (state_.resultCount() > 0) view_.runDialog(statisticsDialog);
}

void MainCommands::goToEventOrTime(ModalDialog& goToDialog) {
    Command command(view_);
    Dialog dialog(view_, goToDialog);
    zvl::goToEventOrTime(dialog, view_);
}

void MainCommands::showResultUnderCursor(int64_t n) {
    Command command(view_);
    if (n < 1 || n > state_.resultCount()) return;
    putUnderCursor(state_, n);
    view_.redrawTraceView();
}

void MainCommands::setMarker() {
    Command command(view_);
    if (!markCursorResult(state_)) return;
    view_.redrawTraceView();
}

void MainCommands::clearMarker() {
    Command command(view_);
    zvl::clearMarker(state_);
    view_.redrawTraceView();
}

bool MainCommands::plotClicked(int x, int y, bool shift) {
    Command command(view_);
    if (shift) {
        if (!markResultAtPointer(state_, renderer_, x, y)) return false;
        view_.redrawTraceView();
        return true;
    }
    if (!goToResultAtPointer(state_, renderer_, x, y)) return false;
    view_.redrawTraceView();
    return true;
}

void MainCommands::editDisplayOptions(ModalDialog& displayOptionsDialog) {
    Command command(view_);
    Dialog dialog(view_, displayOptionsDialog);
    zvl::editDisplayOptions(state_, prompts_, view_, dialog, lifecycle_.settingsPath());
}

void MainCommands::editColours(ModalDialog& coloursDialog) {
    Command command(view_);
    Dialog dialog(view_, coloursDialog);
    zvl::editColours(dialog, view_);
}

void MainCommands::showAbout(ModalDialog& aboutBox) {
    Command command(view_);
    const bool connecting = !state_.instrumentOnline && state_.operatingMode.isOnline();
    if (connecting) link_.connect();
    view_.runDialog(aboutBox);
    if (connecting) view_.refreshWindow();  // a silent instrument has left the program offline
}

void MainCommands::setDateTime() {
    Command command(view_);
    setup_.setDateTime();
}

void MainCommands::showHardwareSettings(ModalDialog& hardwareDialog) {
    Command command(view_);
    Dialog dialog(view_, hardwareDialog);
    setup_.showHardwareSettings(dialog, lifecycle_.settingsPath());
}

void MainCommands::findFirstMatch() {
    Command command(view_);
    zvl::findFirstMatch(state_, prompts_, view_);
}

void MainCommands::startOrStopOrNext() {
    Command command(view_);
    // Online the button starts or stops a recording; offline it is Next, which stays free.
    if (state_.operatingMode.isOnline() && refusedDuringDownload()) return;
    const bool wasCollecting = state_.collectionActive;
    zvl::startOrStopOrNext(state_, link_, prompts_, view_);
    followRecording(wasCollecting);
}

void MainCommands::findPreviousMatch() {
    Command command(view_);
    zvl::findPreviousMatch(state_, prompts_, view_);
}

void MainCommands::toggleEventTimeView() {
    Command command(view_);
    zvl::toggleEventTimeView(viewContext_);
}

void MainCommands::toggleOnline() {
    Command command(view_);
    if (state_.operatingMode.isSearch() && refusedDuringDownload()) return;  // going online connects
    if (state_.operatingMode.isOnline()) showNewestResultsOffline(state_);
    link_.toggleOnline();
}

void MainCommands::finerTimebase() {
    Command command(view_);
    zvl::finerTimebase(viewContext_);
}

void MainCommands::coarserTimebase() {
    Command command(view_);
    zvl::coarserTimebase(viewContext_);
}

void MainCommands::cancelTransfer() {
    Command command(view_);
    upload_.cancelTransfer();
}

void MainCommands::goToFirstResult() {
    Command command(view_);
    zvl::goToFirstResult(state_, view_);
}

void MainCommands::stepLeftFast() {
    Command command(view_);
    zvl::stepLeftFast(state_, view_);
}

void MainCommands::stepLeftSlow() {
    Command command(view_);
    zvl::stepLeftSlow(state_, view_);
}

void MainCommands::stepRightSlow() {
    Command command(view_);
    zvl::stepRightSlow(state_, view_);
}

void MainCommands::stepRightFast() {
    Command command(view_);
    zvl::stepRightFast(state_, view_);
}

void MainCommands::goToLastResult() {
    Command command(view_);
    zvl::goToLastResult(state_, view_);
}

void MainCommands::importFromModeCaption() {
    Command command(view_);
    files_.importFromModeCaption();
    view_.refreshWindow();
}

void MainCommands::editComments(CommentsEditor& dialog) {
    Command command(view_);
    if (auto lines = dialog.edit(commentLinesForEditing(state_))) storeCommentLines(state_, *lines);
    view_.refreshWindow();
}

std::optional<int> MainCommands::keyColumnClicked(int x, int y) {
    Command command(view_);
    const std::optional<int> input = keyColumnInput(x, y);
    if (input) advanceSearchCondition(state_, *input);
    return input;
}

}  // namespace zvl
