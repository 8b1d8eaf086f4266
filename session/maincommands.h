#pragma once
// MainCommands: everything the main window does, without the window. It owns the subsystems
// (the link, the renderer, the file commands, the upload, the start and close), wires the seven
// timers to them, and offers one function per command, each refreshing the window once at its
// end. The window's controls connect to these directly; tests can run the same commands
// headless against fakes.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/state.h"
#include "files/filecommands.h"
#include "files/journal.h"
#include "link/download.h"
#include "link/link.h"
#include "link/setup.h"
#include "link/upload.h"
#include "platform/clock.h"
#include "platform/filedialogs.h"
#include "platform/modaldialog.h"
#include "platform/prompts.h"
#include "platform/serialport.h"
#include "platform/timer.h"
#include "platform/viewhooks.h"
#include "session/lifecycle.h"
#include "session/windowjournal.h"
#include "viewer/tracerenderer.h"
#include "viewer/viewmodes.h"

namespace zvl {

// The platform pieces the program runs on, handed in so tests can use fakes.
struct MainPlatform {
    SerialPort& port;
    const Clock& clock;
    EventPump& pump;
    Prompts& prompts;
    FileDialogs& fileDialogs;
    MainTimers timers;
    std::string settingsPath;
    ReceiverProcess* receiver = nullptr;  // the download's ZMODEM receiver; none: it cannot start
    std::string journalFolder = defaultJournalFolder();  // where the live recordings' journals go
};

// The comments dialog as the commands see it: shows the lines, and gives the edited lines back
// when it closes with OK.
class CommentsEditor {
public:
    virtual ~CommentsEditor() = default;
    virtual std::optional<std::vector<std::string>> edit(const std::vector<std::string>& lines) = 0;
};

// The comment memo's rules. What the user types is stored in commentLines as it is typed, so
// the typing stays as it stands (its empty lines, the caret) until something else changes the
// comment lines: a load, or the comments dialog, whose lines then replace it at the next
// refresh. A memo the program filled gives nothing back when it is left, so it can never put
// older text over what was loaded.
class CommentMemo {
public:
    explicit CommentMemo(AppState& state) : state_(state) {}
    // The memo's text changed (its lines as they stand): typing is stored at once; the
    // program's own refill is not typing.
    void textChanged(const std::vector<std::string>& lines);
    // The focus left the memo: the typing since the last refill is stored.
    void left(const std::vector<std::string>& lines);
    // At a refresh of the window: calls show with the lines to put in the memo unless the memo holds typing
    // that the comment lines still match.
    void refresh(const std::function<void(const std::vector<std::string>&)>& show);

private:
    void store(const std::vector<std::string>& lines);

    AppState& state_;
    bool filling_ = false;                  // the program is filling the memo
    bool edited_ = false;                   // the user has typed in it since the last fill
    std::array<std::string, 11> stored_{};  // the comment lines as the typing last stored them
};

// The view as the subsystems see it during a command: the refreshes they ask for are noted,
// and the window is refreshed once when the outermost command ends (its control states, and
// the picture or the whole window when asked for). Outside a command, and while a dialog of
// a command is open, every refresh goes to the window at once; a live result's paced redraw
// always does.
class CommandRefresh final : public ViewHooks {
public:
    explicit CommandRefresh(ViewHooks& window) : window_(window) {}
    void begin() { ++depth_; }
    void end();
    // Shows what the command changed so far (before a box or a dialog opens).
    void flush();
    // Runs a command's dialog: what the command changed so far shows behind it, and what the
    // dialog changes shows at once.
    bool runDialog(ModalDialog& dialog);

    void redrawTraceView() override { note(kPicture, &ViewHooks::redrawTraceView); }
    void redrawTraceViewSoon() override { window_.redrawTraceViewSoon(); }
    void updateControlStates() override { note(kControls, &ViewHooks::updateControlStates); }
    void refreshWindow() override { note(kWindow, &ViewHooks::refreshWindow); }
    void focusEventTimeButton() override { window_.focusEventTimeButton(); }
    void closeSplash() override { window_.closeSplash(); }
    void showSplashWindow() override { window_.showSplashWindow(); }
    void hideSplashWindow() override { window_.hideSplashWindow(); }
    void showStartMenu() override { window_.showStartMenu(); }
    void rebuildPictureFrame() override { window_.rebuildPictureFrame(); }
    void linkIndicatorChanged() override { window_.linkIndicatorChanged(); }
    void showProgressPanel(bool visible, const std::string& heading) override {
        window_.showProgressPanel(visible, heading);
    }
    void setBytesTransferred(int64_t bytes) override { window_.setBytesTransferred(bytes); }

private:
    enum : unsigned { kControls = 1, kPicture = 2, kWindow = 4 };
    void note(unsigned what, void (ViewHooks::*now)());

    ViewHooks& window_;
    int depth_ = 0;    // commands running, one inside another's box
    int dialogs_ = 0;  // dialogs of a command open
    unsigned pending_ = 0;
};

// The boxes as the subsystems see them: what the command changed so far shows behind a box,
// as it would if the window had been refreshed at once.
class CommandPrompts final : public Prompts {
public:
    CommandPrompts(Prompts& prompts, CommandRefresh& refresh) : prompts_(prompts), refresh_(refresh) {}
    void warning(const std::string& text) override { refresh_.flush(), prompts_.warning(text); }
    void information(const std::string& text) override { refresh_.flush(), prompts_.information(text); }
    bool confirm(const std::string& text, IfEscaped escaped) override {
        return refresh_.flush(), prompts_.confirm(text, escaped);
    }
    std::string inputBox(const std::string& caption, const std::string& prompt,
                         const std::string& answer) override {
        return refresh_.flush(), prompts_.inputBox(caption, prompt, answer);
    }
    void setBusyCursor(bool busy) override { prompts_.setBusyCursor(busy); }
    std::optional<int> selectPort(const std::vector<int>& ports, const std::string& note) override {
        return refresh_.flush(), prompts_.selectPort(ports, note);
    }
    ChoiceAnswer choiceBox(const std::string& message, std::optional<int64_t> result) override {
        return refresh_.flush(), prompts_.choiceBox(message, result);
    }

private:
    Prompts& prompts_;
    CommandRefresh& refresh_;
};

// The file dialogs as the subsystems see them: what the command changed so far (the mode that
// Open or Download switched to) shows behind them, as behind a box.
class CommandFileDialogs final : public FileDialogs {
public:
    CommandFileDialogs(FileDialogs& dialogs, CommandRefresh& refresh)
        : dialogs_(dialogs), refresh_(refresh) {}
    std::optional<std::string> openFile(const FileDialogSpec& request) override {
        return refresh_.flush(), dialogs_.openFile(request);
    }
    std::optional<std::string> saveFile(const FileDialogSpec& request) override {
        return refresh_.flush(), dialogs_.saveFile(request);
    }
    std::optional<std::string> openFolder(const FileDialogSpec& request) override {
        return refresh_.flush(), dialogs_.openFolder(request);
    }

private:
    FileDialogs& dialogs_;
    CommandRefresh& refresh_;
};

class MainCommands {
public:
    // `view` is the window; it is not called before the first command.
    MainCommands(AppState& state, MainPlatform platform, ViewHooks& view);
    ~MainCommands();
    MainCommands(const MainCommands&) = delete;
    MainCommands& operator=(const MainCommands&) = delete;

    InstrumentLink& link() { return link_; }
    Lifecycle& lifecycle() { return lifecycle_; }
    TraceRenderer& renderer() { return renderer_; }
    CommentMemo& memo() { return memo_; }
    InstrumentSetup& instrumentSetup() { return setup_; }
    WindowJournal& journal() { return journal_; }

    // Start-up: the status poll and the start timer run.
    void startTimers();
    // A file named on the program's command line: opened once the start-up sequence has
    // ended (the start step has run, the splash has handed over to the start menu and that has
    // closed, whichever comes last), a settings-only
    // file (.STG) as Reload Settings Only, a folder as File > Open Folder and any other as File >
    // Open would open it; not while a recording or an upload that the start menu began is running.
    void openAtStart(std::string path) { startFile_ = std::move(path); }
    // The window's first activation: the lifecycle's start, then a named file that is due.
    void activate();

    // File
    void open();
    void openAllParts();
    void openFolder();
    // A file or a folder dropped on the window: opened as the command line's would be, at once
    // (nothing while the menus are disabled).
    void openDropped(const std::string& path);
    void reopen(int entry);  // Reopen entry 0..3
    void save();
    void saveAs();
    void saveSettingsOnly();
    void reloadSettingsOnly();
    void saveBinaryFile();
    void downloadBinaryFile();
    void exportCsvOrTxt();
    void exportVcd();
    void toggleMonochrome();
    // Activity
    void uploadStoredData();
    void uploadFromStartMenu();  // the start menu's "Upload": the busy cursor first
    void collectNewData();
    void collectDataFromStartMenu();
    void examineRecords();
    // Activity > Statistics: the statistics dialog, modally, while the store holds a result.
    void showStatistics(ModalDialog& statisticsDialog);
    // Tools
    void editSearchKey(ModalDialog& searchKeyDialog);
    void goToEventOrTime(ModalDialog& goToDialog);
    void setDateTime();
    // A row chosen in the event list: result n (1..resultCount) under the cursor as Go To puts
    // it, then the picture; anything else does nothing.
    void showResultUnderCursor(int64_t n);
    // Tools > "Set &Marker" (the cursor result of a search view) and "Clear M&arker"; each
    // ends with the picture and the menus.
    void setMarker();
    void clearMarker();
    // Setup
    void showHardwareSettings(ModalDialog& hardwareDialog);
    void editDisplayOptions(ModalDialog& displayOptionsDialog);  // also a click in the name column
    void editColours(ModalDialog& coloursDialog);
    // Help: "&About...", which in record mode without an instrument connects first.
    void showAbout(ModalDialog& aboutBox);
    // The control strip
    void findFirstMatch();
    void startOrStopOrNext();
    void findPreviousMatch();
    void toggleEventTimeView();
    void toggleOnline();
    void finerTimebase();
    void coarserTimebase();
    void cancelTransfer();
    void goToFirstResult();
    void stepLeftFast();
    void stepLeftSlow();
    void stepRightSlow();
    void stepRightFast();
    void goToLastResult();
    // The right button on the mode caption: the compliant-CSV import.
    void importFromModeCaption();
    // A click in the comment memo: the comments dialog on the comment lines, then a refresh of the window.
    void editComments(CommentsEditor& dialog);
    // A click at (x, y) of the window: on a key box, the next search condition of its input,
    // returned so the window can draw the box again.
    std::optional<int> keyColumnClicked(int x, int y);
    // A left click at (x, y) of the window on the plot of a search view: the result under the
    // pointer under the cursor, as Go To puts it; with Shift, that result marked instead.
    // Returns whether the click took a result.
    bool plotClicked(int x, int y, bool shift);

private:
    // Every command runs inside one: the window is refreshed once, at the end.
    struct Command {
        explicit Command(CommandRefresh& r) : refresh(r) { refresh.begin(); }
        ~Command() { refresh.end(); }
        CommandRefresh& refresh;
    };
    // A command's dialog, run through runDialog.
    struct Dialog final : ModalDialog {
        Dialog(CommandRefresh& r, ModalDialog& d) : refresh(r), dialog(d) {}
        bool runModal() override { return refresh.runDialog(dialog); }
        CommandRefresh& refresh;
        ModalDialog& dialog;
    };

    // After a command that may start or stop a live recording: a recording that started gets
    // its journal, one that ended has its last results written to it.
    void followRecording(bool wasCollecting);

    // A command that would write to the port while a download runs says so and does nothing.
    bool refusedDuringDownload();

    // Stands in when the platform has no receiver program.
    class NoReceiver final : public ReceiverProcess {
    public:
        bool start(const std::string&) override { return false; }
        bool isRunning() const override { return false; }
        void write(const std::vector<uint8_t>&) override {}
        void stop() override {}
        void setOutputHandler(std::function<void(const std::vector<uint8_t>&)>) override {}
        void setFinishedHandler(std::function<void(bool)>) override {}
        std::string errorText() const override {
            return "No ZMODEM receiver is available (on Debian: install the package lrzsz).";
        }
    };

    AppState& state_;
    MainPlatform platform_;
    CommandRefresh view_;
    CommandPrompts prompts_;
    CommandFileDialogs fileDialogs_;
    InstrumentLink link_;
    TraceRenderer renderer_;
    ViewContext viewContext_;
    FileCommands files_;
    StoredDataUpload upload_;
    Lifecycle lifecycle_;
    CommentMemo memo_;
    InstrumentSetup setup_;
    NoReceiver noReceiver_;
    BinaryDownload download_;
    WindowJournal journal_;
    std::string startFile_;
    void openStartFile();
};

}  // namespace zvl
