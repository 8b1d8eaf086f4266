#pragma once
// TMainscreen: the main window. It owns the one AppState for the whole run, lays out the
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

class Therald;
class Tmask2form;
class TGotoform;
class TOptionform;
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

class TMainscreen : public QMainWindow, public ViewHooks {
    Q_OBJECT
public:
    explicit TMainscreen(MainPlatform platform, QWidget* parent = nullptr);
    ~TMainscreen() override;

    AppState& state() { return state_; }
    InstrumentLink& link() { return link_; }
    Lifecycle& lifecycle() { return lifecycle_; }
    // The picture as it is shown (a picture still waiting for its frame is built first).
    const QImage& traceBitmap() {
        pacer_.flush();
        return traceBitmap_;
    }
    Tmask2form& searchKeyDialog() { return *mask2_; }
    TGotoform& goToDialog() { return *goto_; }

    // Each handler appends its name here as it starts: the record of what a control reached.
    std::vector<std::string> handlerLog;
    // Runs the start menu instead of showing it modally (tests).
    std::function<void(TOptionform&)> optionsDialogRunner;
    // Runs the search key, go-to and comments dialogs instead of showing them modally (tests);
    // returns whether the dialog closed with OK.
    std::function<bool(QDialog&)> modalDialogRunner;

    // ViewHooks: what behaviour asks of the window.
    void redrawTraceView() override;
    void redrawTraceViewSoon() override;
    void updateControlStates() override;
    void repaint() override;  // FormPaint: captions for the mode, memo, picture
    void focusEventTimeButton() override;
    void closeSplash() override;
    void showSplashWindow() override;
    void hideSplashWindow() override;
    void showOptionsDialog() override;
    void linkIndicatorChanged() override;
    void showProgressPanel(bool visible, const std::string& heading) override;
    void setBytesTransferred(int64_t bytes) override;

    // Window mouse handlers, in client coordinates.
    void FormMouseDown(int x, int y);
    void FormMouseUp(int x, int y);
    void paintTrace(Canvas& window);  // the picture and the overlay, in client coordinates

public slots:
    // File
    void Open1Click();
    void reopenClick(int entry);
    void Save1Click();
    void SaveAs1Click();
    void SaveSettingsOnly1Click();
    void ReLoadSettingsOnly1Click();
    void SaveBinaryFile1Click();
    void ExportasCSVFile1Click();
    void MonochromePrinting1Click();
    void Exit1Click();
    // Activity
    void Menu1Click();
    void DownloadStoredData1Click();
    void CollectNewData1Click();
    void ExamineRecords1Click();
    // Tools
    void SearchMask1Click();
    void FindEvent1Click();
    // Buttons
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void Button6Click();
    void Button7Click();
    void Button8Click();
    void firstbtnClick();
    void fastleftClick();
    void slowleftClick();
    void slowrightClick();
    void fastrightClick();
    void lastbtnClick();
    void Label1MouseDown();
    void Memo1Exit();
    void Memo1Click();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    QAction* addEntry(QMenu* menu, const char* caption, const char* name, void (TMainscreen::*handler)(), bool built = true);
    void trace(const char* handler) { handlerLog.emplace_back(handler); }
    void applyPaintControls();
    void formActivateOnce();
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
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    LinkLamp* Shape3 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QFrame* Panel1 = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* Label8 = nullptr;
    QPushButton* Button8 = nullptr;
    QLabel* Label6 = nullptr;
    QPushButton *Button1 = nullptr, *Button2 = nullptr, *Button3 = nullptr, *Button4 = nullptr, *Button5 = nullptr;
    QFrame* Panel2 = nullptr;
    QFrame* Panel3 = nullptr;
    QLabel* Label3 = nullptr;
    QPushButton *Button6 = nullptr, *Button7 = nullptr;
    std::vector<QToolButton*> navButtons_;
    std::map<std::string, QMenu*> menus_;
    QAction* saveAction_ = nullptr;
    QAction* statisticsAction_ = nullptr;
    QAction* monochromeAction_ = nullptr;
    QMenu* reopenMenu_ = nullptr;
    std::vector<QAction*> recentActions_;

    Tmask2form* mask2_ = nullptr;
    TGotoform* goto_ = nullptr;
    Therald* splash_ = nullptr;
    TOptionform* options_ = nullptr;
};

}  // namespace zvl
