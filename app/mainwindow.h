#pragma once
// MainWindow: the main window. It owns the one AppState for the whole run and MainCommands,
// lays out the controls (the menus and the control strip connect to the commands directly),
// and shows what the commands change when they end. The platform pieces (port, clock, waits, timers,
// prompts, file dialogs) are handed in, so tests can run the window against fakes.

#include <QImage>
#include <QMainWindow>
#include <QRegion>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/state.h"
#include "platform/canvas.h"
#include "platform/viewhooks.h"
#include "qt/qtcanvas.h"
#include "qt/qttimer.h"
#include "session/maincommands.h"
#include "viewer/colouroptions.h"
#include "viewer/redrawpacer.h"
#include "viewer/tracerenderer.h"

class QDialog;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPrinter;

namespace zvl {

class SplashWindow;
class SearchKeyDialog;
class GoToDialog;
class DisplayOptionsDialog;
class ColoursDialog;
class AboutBox;
class HelpViewer;
class StatisticsDialog;
class HardwareDialog;
class EventListWindow;
class StartMenuDialog;
class LinkLamp;
class ControlStrip;
class MainMenus;
class ProgressPanel;
class TraceArea;

class MainWindow : public QMainWindow, public ViewHooks {
    Q_OBJECT
public:
    explicit MainWindow(MainPlatform platform, QWidget* parent = nullptr);
    ~MainWindow() override;

    AppState& state() { return state_; }
    MainCommands& commands() { return commands_; }
    InstrumentLink& link() { return commands_.link(); }
    Lifecycle& lifecycle() { return commands_.lifecycle(); }
    // A file named on the command line, opened once the start-up sequence has ended.
    void openAtStart(const std::string& path) { commands_.openAtStart(path); }
    // The picture as it is shown (a picture still waiting for its frame is built first).
    const QImage& traceBitmap() {
        pacer_.flush();
        return traceBitmap_;
    }
    SearchKeyDialog& searchKeyDialog() { return *searchKeyDialog_; }
    GoToDialog& goToDialog() { return *goToDialog_; }
    DisplayOptionsDialog& displayOptionsDialog() { return *displayOptionsDialog_; }
    ColoursDialog& coloursDialog() { return *coloursDialog_; }
    AboutBox& aboutBox() { return *aboutBox_; }
    HelpViewer& help() { return *help_; }
    StatisticsDialog& statisticsDialog() { return *statisticsDialog_; }
    EventListWindow& eventList() { return *eventList_; }
    QPrinter& printer() { return *printer_; }
    // Runs the print and printer set-up dialogs instead of showing them (tests); returns
    // whether the dialog closed with OK.
    std::function<bool(QDialog&)> printDialogRunner;
    HardwareDialog& hardwareDialog() { return *hardwareDialog_; }
    // The dialogs as the commands run them: through modalDialogRunner when a test sets one.
    struct Runners {
        std::unique_ptr<ModalDialog> searchKey, goTo, displayOptions, colours, about, statistics, hardware;
        std::unique_ptr<CommentsEditor> comments;
    };
    const Runners& runners() const { return runners_; }
    // The window's own File entries: the printer set-up and the print dialogs.
    void printerSetup();
    void print();
    // Pictures built and control-state updates so far (each command ends with one of each).
    int64_t picturesBuilt() const { return pacer_.picturesBuilt(); }
    int64_t controlUpdates() const { return controlUpdates_; }

    // Runs the start menu instead of showing it modally (tests).
    std::function<void(StartMenuDialog&)> startMenuRunner;
    // Runs the modal dialogs (search key, go-to, comments, display options, colours, About)
    // instead of showing them (tests); returns whether the dialog closed with OK.
    std::function<bool(QDialog&)> modalDialogRunner;
    // Answers the colour picker instead of showing it (tests): the picked colour or nothing.
    std::function<std::optional<uint32_t>(uint32_t current)> colourPickerRunner;

    // ViewHooks: what behaviour asks of the window.
    void redrawTraceView() override;
    void redrawTraceViewSoon() override;
    void updateControlStates() override;
    void refreshWindow() override;  // control states, event list, memo, picture
    void focusEventTimeButton() override;
    void closeSplash() override;
    void showSplashWindow() override;
    void hideSplashWindow() override;
    void showStartMenu() override;
    void linkIndicatorChanged() override;
    void showProgressPanel(bool visible, const std::string& heading) override;
    void setBytesTransferred(int64_t bytes) override;

    // Window mouse handlers, in client coordinates. A left click on the plot of a search view
    // puts the result under the pointer under the cursor; with Shift it marks that result.
    void onMouseDown(int x, int y, bool leftButton = true, bool shift = false);
    void onMouseUp(int x, int y);
    // The tooltip at client (x, y): a timeline's gap drawn there, its length and cause.
    std::string gapTipAt(int x, int y) const;
    // The picture and the overlay where the area (client coordinates) is to be painted.
    void paintTrace(Canvas& window, const QRegion& area);

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void activateOnce();
    bool runModal(QDialog& dialog);
    bool runPrintDialog(QDialog& dialog);
    void followCursorInEventList();
    std::vector<std::string> memoLines() const;  // the memo's text as comment lines
    void showMarkerText();  // the time from the marker to the cursor result, while one is set

    AppState state_;
    MainPlatform platform_;
    MainCommands commands_;
    TraceRenderer& renderer_;
    QImage traceBitmap_;
    QtTimer frameTimer_;  // builds the picture a burst of live results asked for
    // The canvas a live frame measures the picture's texts with.
    QImage textMeasureImage_{1, 1, QImage::Format_RGB32};
    QtCanvas textMeasure_{&textMeasureImage_};
    RedrawPacer pacer_;
    bool painting_ = false;
    bool closing_ = false;
    bool startQueued_ = false;  // the start-up step has been queued by the first show or activation
    int exposeWaits_ = 0;       // times the start-up step waited for the window to be mapped
    Runners runners_;
    int64_t controlUpdates_ = 0;
    std::unique_ptr<ColourPicker> colourPicker_;
    std::unique_ptr<HelpViewer> help_;
    std::unique_ptr<QPrinter> printer_;  // kept for the run, so Printer Setup's choices last

    // Controls (object names as the handlers call them).
    TraceArea* area_ = nullptr;
    QLabel* modeCaptionLabel = nullptr;
    QLabel* linkStatusLabel = nullptr;
    LinkLamp* linkLamp = nullptr;
    QLineEdit* titleEdit = nullptr;
    QPlainTextEdit* commentsMemo = nullptr;
    QLabel* markerLabel = nullptr;
    std::unique_ptr<ControlStrip> strip_;
    ProgressPanel* progressPanel_ = nullptr;
    std::unique_ptr<MainMenus> menus_;

    SearchKeyDialog* searchKeyDialog_ = nullptr;
    GoToDialog* goToDialog_ = nullptr;
    DisplayOptionsDialog* displayOptionsDialog_ = nullptr;
    ColoursDialog* coloursDialog_ = nullptr;
    AboutBox* aboutBox_ = nullptr;
    StatisticsDialog* statisticsDialog_ = nullptr;
    HardwareDialog* hardwareDialog_ = nullptr;
    EventListWindow* eventList_ = nullptr;
    SplashWindow* splashWindow_ = nullptr;
    StartMenuDialog* startMenu_ = nullptr;
};

}  // namespace zvl
