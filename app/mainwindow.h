#pragma once
// MainWindow: the main window. It owns the one AppState for the whole run, lays out the
// controls, and routes every menu entry, button, mouse action, timer and serial notification
// to its behaviour in one or two lines. The platform pieces (port, clock, waits, timers,
// prompts, file dialogs) are handed in, so tests can run the window against fakes.

#include <QImage>
#include <QMainWindow>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/lifecycle.h"
#include "core/state.h"
#include "files/filecommands.h"
#include "link/link.h"
#include "link/upload.h"
#include "platform/canvas.h"
#include "platform/clock.h"
#include "platform/filedialogs.h"
#include "platform/prompts.h"
#include "platform/qt/qttimer.h"
#include "platform/serialport.h"
#include "platform/timer.h"
#include "platform/viewhooks.h"
#include "viewer/redrawpacer.h"
#include "viewer/tracerenderer.h"
#include "viewer/viewmodes.h"

class QAction;
class QDialog;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

namespace zvl {

class SplashWindow;
class SearchKeyDialog;
class GoToDialog;
class StartMenuDialog;
class LinkLamp;
class TraceArea;

struct MainPlatform {
    SerialPort& port;
    const Clock& clock;
    EventPump& pump;
    Prompts& prompts;
    FileDialogs& fileDialogs;
    MainTimers timers;
    std::string settingsPath;
};

class MainWindow : public QMainWindow, public ViewHooks {
    Q_OBJECT
public:
    explicit MainWindow(MainPlatform platform, QWidget* parent = nullptr);
    ~MainWindow() override;

    AppState& state() { return state_; }
    InstrumentLink& link() { return link_; }
    Lifecycle& lifecycle() { return lifecycle_; }
    // The picture as it is shown (a picture still waiting for its frame is built first).
    const QImage& traceBitmap() {
        pacer_.flush();
        return traceBitmap_;
    }
    SearchKeyDialog& searchKeyDialog() { return *searchKeyDialog_; }
    GoToDialog& goToDialog() { return *goToDialog_; }

    // Each handler appends its name here as it starts: the record of what a control reached.
    std::vector<std::string> handlerLog;
    // Runs the start menu instead of showing it modally (tests).
    std::function<void(StartMenuDialog&)> startMenuRunner;
    // Runs the search key, go-to and comments dialogs instead of showing them modally (tests);
    // returns whether the dialog closed with OK.
    std::function<bool(QDialog&)> modalDialogRunner;

    // ViewHooks: what behaviour asks of the window.
    void redrawTraceView() override;
    void redrawTraceViewSoon() override;
    void updateControlStates() override;
    void repaint() override;  // the paint handler: captions for the mode, memo, picture
    void focusEventTimeButton() override;
    void closeSplash() override;
    void showSplashWindow() override;
    void hideSplashWindow() override;
    void showStartMenu() override;
    void linkIndicatorChanged() override;
    void showProgressPanel(bool visible, const std::string& heading) override;
    void setBytesTransferred(int64_t bytes) override;

    // Window mouse handlers, in client coordinates.
    void onMouseDown(int x, int y);
    void onMouseUp(int x, int y);
    void paintTrace(Canvas& window);  // the picture and the overlay, in client coordinates

public slots:
    // File
    void onOpenTriggered();
    void onReopenTriggered(int entry);
    void onSaveTriggered();
    void onSaveAsTriggered();
    void onSaveSettingsOnlyTriggered();
    void onReloadSettingsOnlyTriggered();
    void onSaveBinaryFileTriggered();
    void onExportTriggered();
    void onMonochromeTriggered();
    void onExitTriggered();
    // Activity
    void onStartMenuTriggered();
    void onUploadStoredDataTriggered();
    void onCollectNewDataTriggered();
    void onExamineRecordsTriggered();
    // Tools
    void onSearchKeyTriggered();
    void onGoToEventTriggered();
    // Buttons
    void onFindClicked();
    void onStartStopClicked();
    void onBackClicked();
    void onEventTimeClicked();
    void onOnlineOfflineClicked();
    void onTimebasePlusClicked();
    void onTimebaseMinusClicked();
    void onCancelTransferClicked();
    void onFirstClicked();
    void onFastLeftClicked();
    void onSlowLeftClicked();
    void onSlowRightClicked();
    void onFastRightClicked();
    void onLastClicked();
    void onModeCaptionRightClicked();
    void onCommentsMemoExit();
    void onCommentsMemoClicked();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    QAction* addEntry(QMenu* menu, const char* caption, const char* name, void (MainWindow::*handler)(), bool built = true);
    void trace(const char* handler) { handlerLog.emplace_back(handler); }
    void applyPaintControls();
    void activateOnce();
    bool runModal(QDialog& dialog);
    void storeMemo();  // the memo's lines into commentLines
    // The end of a command that changed the mode, the store or the Reopen list: control
    // states, captions, menus, memo and picture brought up to date.
    void commandEnded();

    AppState state_;
    MainPlatform platform_;
    InstrumentLink link_;
    TraceRenderer renderer_;
    ViewContext viewContext_;
    FileCommands files_;
    StoredDataUpload upload_;
    Lifecycle lifecycle_;
    QImage traceBitmap_;
    QtTimer frameTimer_;  // builds the picture a burst of live results asked for
    RedrawPacer pacer_;
    bool painting_ = false;
    bool closing_ = false;
    // The comment memo: set while the program fills it; set once the user has typed in it
    // since the last fill; the comment lines as the typing last stored them.
    bool fillingMemo_ = false;
    bool memoEdited_ = false;
    std::array<std::string, 11> memoStored_{};

    // Controls (object names as the handlers call them).
    TraceArea* area_ = nullptr;
    QLabel* modeCaptionLabel = nullptr;
    QLabel* linkStatusLabel = nullptr;
    LinkLamp* linkLamp = nullptr;
    QLineEdit* titleEdit = nullptr;
    QPlainTextEdit* commentsMemo = nullptr;
    QFrame* progressPanel = nullptr;
    QLabel* progressHeadingLabel = nullptr;
    QLabel* bytesTransferredLabel = nullptr;
    QPushButton* cancelTransferButton = nullptr;
    QLabel* recordOrSearchLabel = nullptr;
    QPushButton *findButton = nullptr, *startStopButton = nullptr, *backButton = nullptr, *eventTimeButton = nullptr, *onlineOfflineButton = nullptr;
    QFrame* keyPanel = nullptr;
    QFrame* timebasePanel = nullptr;
    QLabel* timebaseLabel = nullptr;
    QPushButton *timebasePlusButton = nullptr, *timebaseMinusButton = nullptr;
    std::vector<QToolButton*> navButtons_;
    std::map<std::string, QMenu*> menus_;
    QAction* saveAction_ = nullptr;
    QAction* statisticsAction_ = nullptr;
    QAction* monochromeAction_ = nullptr;
    QMenu* reopenMenu_ = nullptr;
    std::vector<QAction*> recentActions_;

    SearchKeyDialog* searchKeyDialog_ = nullptr;
    GoToDialog* goToDialog_ = nullptr;
    SplashWindow* splashWindow_ = nullptr;
    StartMenuDialog* startMenu_ = nullptr;
};

}  // namespace zvl
