#include "app/mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QToolButton>

#include "app/commentsdialog.h"
#include "app/gotodialog.h"
#include "app/searchkeydialog.h"
#include "app/splashwindow.h"
#include "app/startmenudialog.h"
#include "core/controlstates.h"
#include "core/mainactions.h"
#include "platform/qt/cp1252.h"
#include "platform/qt/qtcanvas.h"
#include "platform/qt/tracepicture.h"

namespace zvl {

// The round link lamp beside the status text.
class LinkLamp : public QWidget {
public:
    LinkLamp(const AppState& state, QWidget* parent) : QWidget(parent), state_(state) {}
    QColor colour() const { return toQColor(state_.link.lampColour); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(Qt::black);
        p.setBrush(colour());
        p.drawEllipse(QRectF(0.5, 0.5, width() - 1.0, height() - 1.0));
    }

private:
    const AppState& state_;
};

// The client area: the trace picture at (6, 100) with the overlay, and the window's own
// mouse handlers.
class TraceArea : public QWidget {
public:
    explicit TraceArea(MainWindow* owner) : QWidget(owner), owner_(owner) { setObjectName("client"); }

protected:
    void paintEvent(QPaintEvent*) override {
        QtCanvas canvas(this);
        owner_->paintTrace(canvas);
    }
    void mousePressEvent(QMouseEvent* e) override { owner_->onMouseDown(e->position().toPoint().x(), e->position().toPoint().y()); }
    void mouseReleaseEvent(QMouseEvent* e) override { owner_->onMouseUp(e->position().toPoint().x(), e->position().toPoint().y()); }

private:
    MainWindow* owner_;
};

namespace {
constexpr QColor kSkyBlue{166, 202, 240};

QStringList splitLines(const QString& text) { return text.split('\n'); }

// A dialog made once and shown through the window's runner, so a test can answer it; it is
// loaded from the state each time it opens.
template <class Dialog>
class RunnerDialog : public ModalDialog {
public:
    RunnerDialog(std::function<bool(QDialog&)> run, Dialog& dialog) : run_(std::move(run)), dialog_(dialog) {}
    bool runModal() override {
        dialog_.loadFromState();
        return run_(dialog_);
    }

private:
    std::function<bool(QDialog&)> run_;
    Dialog& dialog_;
};

// The comments dialog, made for each edit and shown through the window's runner.
class RunnerCommentsEditor : public CommentsEditor {
public:
    RunnerCommentsEditor(std::function<bool(QDialog&)> run, QWidget* parent) : run_(std::move(run)), parent_(parent) {}
    std::optional<std::vector<std::string>> edit(const std::vector<std::string>& lines) override {
        CommentsDialog dialog(parent_);
        dialog.setLines(lines);
        if (!run_(dialog)) return std::nullopt;
        return dialog.lines();
    }

private:
    std::function<bool(QDialog&)> run_;
    QWidget* parent_;
};
}  // namespace

MainWindow::MainWindow(MainPlatform platform, QWidget* parent)
    : QMainWindow(parent),
      platform_(platform),
      commands_(state_, platform, *this),
      renderer_(commands_.renderer()) {
    setObjectName("MainWindow");
    setWindowTitle("Corvask Pellam-ZVL");
    QFont f("Arial");
    f.setPixelSize(12);
    // One font for the whole program: the dialogs and message boxes take the window's.
    QApplication::setFont(f);
    setFont(f);

    area_ = new TraceArea(this);
    area_->setFixedSize(792, 560);
    setCentralWidget(area_);
    buildControls();
    buildMenus();

    redrawTraceView();
    applyPaintControls();

    // The windows made once at start-up and reused: the search key and go-to dialogs, the
    // splash (shown at once) and the start menu.
    searchKeyDialog_ = new SearchKeyDialog(state_, this);
    goToDialog_ = new GoToDialog(state_, platform_.prompts, this);
    const auto run = [this](QDialog& d) { return runModal(d); };
    searchKeyRunner_ = std::make_unique<RunnerDialog<SearchKeyDialog>>(run, *searchKeyDialog_);
    goToRunner_ = std::make_unique<RunnerDialog<GoToDialog>>(run, *goToDialog_);
    commentsEditor_ = std::make_unique<RunnerCommentsEditor>(run, this);
    splashWindow_ = new SplashWindow(this);
    startMenu_ = new StartMenuDialog(
        {[this] { onOpenTriggered(); },
         [this] {
             trace("onUploadStoredDataTriggered");
             commands_.uploadFromStartMenu();
         },
         [this] {
             trace("onStartStopClicked");
             commands_.collectDataFromStartMenu();
         },
         [this] { QTimer::singleShot(0, this, &QWidget::close); }},
        this);
    splashWindow_->show();

    commands_.startTimers();

    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(400, 303));
}

MainWindow::~MainWindow() = default;

void MainWindow::buildControls() {
    QWidget* c = area_;
    modeCaptionLabel = new QLabel("Pellam - ZVL Mode :", c);
    modeCaptionLabel->setObjectName("modeCaptionLabel");
    modeCaptionLabel->move(8, 4);
    modeCaptionLabel->installEventFilter(this);

    linkStatusLabel = new QLabel(c);
    linkStatusLabel->setObjectName("linkStatusLabel");
    linkStatusLabel->setGeometry(128, 4, 108, 18);
    QFont bold("Arial");
    bold.setPixelSize(15);
    bold.setBold(true);
    linkStatusLabel->setFont(bold);
    linkStatusLabel->setStyleSheet("color: red");

    linkLamp = new LinkLamp(state_, c);
    linkLamp->setObjectName("linkLamp");
    linkLamp->setGeometry(238, 5, 15, 15);

    titleEdit = new QLineEdit("Title", c);
    titleEdit->setObjectName("titleEdit");
    titleEdit->setGeometry(260, 1, 513, 23);
    connect(titleEdit, &QLineEdit::textEdited, this, [this](const QString& text) { state_.recordingTitle = toCp1252(text); });

    commentsMemo = new QPlainTextEdit("Memo1", c);
    commentsMemo->setObjectName("commentsMemo");
    commentsMemo->setGeometry(2, 28, 788, 53);
    commentsMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Tab moves on to the next control: a tab character would be stored as comment text.
    commentsMemo->setTabChangesFocus(true);
    connect(commentsMemo, &QPlainTextEdit::textChanged, this, [this] { commands_.memo().textChanged(memoLines()); });
    commentsMemo->installEventFilter(this);
    commentsMemo->viewport()->installEventFilter(this);

    // The thin bevel between the top strip and the memo.
    auto* line = new QFrame(c);
    line->setObjectName("Bevel1");
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(2, 25, 788, 3);

    // The control strip under the picture.
    auto* strip = new QFrame(c);
    strip->setFrameShape(QFrame::Panel);
    strip->setFrameShadow(QFrame::Sunken);
    strip->setGeometry(6, 482, 780, 70);
    auto* left = new QFrame(c);
    left->setFrameShape(QFrame::Panel);
    left->setFrameShadow(QFrame::Raised);
    left->setGeometry(16, 488, 137, 56);

    recordOrSearchLabel = new QLabel("Record Mode", c);
    recordOrSearchLabel->setObjectName("recordOrSearchLabel");
    recordOrSearchLabel->setGeometry(24, 492, 125, 16);
    auto button = [&](const char* name, const char* caption, const char* hint, QRect geometry, void (MainWindow::*handler)()) {
        auto* b = new QPushButton(caption, c);
        b->setObjectName(name);
        b->setToolTip(hint);
        b->setGeometry(geometry);
        connect(b, &QPushButton::clicked, this, handler);
        return b;
    };
    findButton = button("findButton", "Find", "Start Search", {24, 512, 40, 25}, &MainWindow::onFindClicked);
    startStopButton = button("startStopButton", "Next", "Next Match", {64, 512, 40, 25}, &MainWindow::onStartStopClicked);
    backButton = button("backButton", "Back", "Previous Match", {104, 512, 40, 25}, &MainWindow::onBackClicked);
    backButton->setEnabled(false);

    keyPanel = new QFrame(c);
    keyPanel->setObjectName("keyPanel");
    keyPanel->setFrameShape(QFrame::Panel);
    keyPanel->setFrameShadow(QFrame::Raised);
    keyPanel->setGeometry(113, 450, 25, 60);
    keyPanel->setAutoFillBackground(true);  // a panel: it covers what lies under it
    auto* keyLabel = new QLabel("Key", keyPanel);
    keyLabel->setObjectName("keyLabel");
    keyLabel->setGeometry(1, 7, 23, 14);
    keyLabel->setAlignment(Qt::AlignCenter);

    auto* modeBox = new QFrame(c);
    modeBox->setObjectName("changeModeBox");
    modeBox->setGeometry(160, 488, 144, 56);
    modeBox->setAutoFillBackground(true);
    QPalette sky = modeBox->palette();
    sky.setColor(QPalette::Window, kSkyBlue);
    modeBox->setPalette(sky);
    auto* changeModeLabel = new QLabel("Change Mode", c);
    changeModeLabel->setObjectName("changeModeLabel");
    changeModeLabel->setGeometry(168, 491, 130, 16);
    onlineOfflineButton = button("onlineOfflineButton", "Offline", "Switch Between Live & Archive", {168, 512, 57, 25}, &MainWindow::onOnlineOfflineClicked);
    eventTimeButton = button("eventTimeButton", "Time", "Switch Between Event & Time", {238, 512, 54, 25}, &MainWindow::onEventTimeClicked);

    auto* navBevel = new QFrame(c);
    navBevel->setFrameShape(QFrame::Panel);
    navBevel->setFrameShadow(QFrame::Raised);
    navBevel->setGeometry(312, 514, 296, 32);
    struct Nav {
        const char* name;
        const char* hint;
        QStyle::StandardPixmap icon;
        void (MainWindow::*handler)();
    };
    const Nav navs[] = {
        {"firstButton", "Go to First Result", QStyle::SP_MediaSkipBackward, &MainWindow::onFirstClicked},
        {"fastLeftButton", "Fast Left", QStyle::SP_MediaSeekBackward, &MainWindow::onFastLeftClicked},
        {"slowLeftButton", "Slow Left", QStyle::SP_ArrowLeft, &MainWindow::onSlowLeftClicked},
        {"slowRightButton", "Slow Right", QStyle::SP_ArrowRight, &MainWindow::onSlowRightClicked},
        {"fastRightButton", "Fast Right", QStyle::SP_MediaSeekForward, &MainWindow::onFastRightClicked},
        {"lastButton", "Go to Last Results", QStyle::SP_MediaSkipForward, &MainWindow::onLastClicked},
    };
    int x = 320;
    for (const Nav& n : navs) {
        auto* b = new QToolButton(c);
        b->setObjectName(n.name);
        b->setToolTip(n.hint);
        b->setIcon(style()->standardIcon(n.icon));
        b->setGeometry(x, 518, 40, 25);
        connect(b, &QToolButton::clicked, this, n.handler);
        navButtons_.push_back(b);
        x += 48;
    }

    timebasePanel = new QFrame(c);
    timebasePanel->setObjectName("timebasePanel");
    timebasePanel->setGeometry(616, 488, 161, 56);
    timebasePanel->setAutoFillBackground(true);
    timebasePanel->setPalette(sky);
    timebaseLabel = new QLabel("Timebase", timebasePanel);
    timebaseLabel->setObjectName("timebaseLabel");
    timebaseLabel->setGeometry(6, 6, 150, 16);
    QFont sign("Arial");
    sign.setPixelSize(27);
    sign.setBold(true);
    timebasePlusButton = new QPushButton("+", timebasePanel);
    timebasePlusButton->setObjectName("timebasePlusButton");
    timebasePlusButton->setToolTip("Increase Time Base");
    timebasePlusButton->setGeometry(44, 23, 37, 25);
    timebasePlusButton->setFont(sign);
    connect(timebasePlusButton, &QPushButton::clicked, this, &MainWindow::onTimebasePlusClicked);
    timebaseMinusButton = new QPushButton("-", timebasePanel);
    timebaseMinusButton->setObjectName("timebaseMinusButton");
    timebaseMinusButton->setToolTip("Decrease Time Base");
    timebaseMinusButton->setGeometry(89, 23, 40, 25);
    timebaseMinusButton->setFont(sign);
    connect(timebaseMinusButton, &QPushButton::clicked, this, &MainWindow::onTimebaseMinusClicked);

    // The progress panel of a transfer, over the picture.
    progressPanel = new QFrame(c);
    progressPanel->setObjectName("progressPanel");
    progressPanel->setFrameShape(QFrame::Panel);
    progressPanel->setFrameShadow(QFrame::Raised);
    progressPanel->setGeometry(16, 96, 185, 105);
    progressPanel->setAutoFillBackground(true);
    progressHeadingLabel = new QLabel("Uploading Data", progressPanel);
    progressHeadingLabel->setObjectName("progressHeadingLabel");
    QFont heading("Arial");
    heading.setPixelSize(13);
    heading.setBold(true);
    progressHeadingLabel->setFont(heading);
    progressHeadingLabel->setGeometry(8, 6, 170, 18);
    auto* bytesTransferredCaption = new QLabel("Bytes Transferred :", progressPanel);
    bytesTransferredCaption->setObjectName("bytesTransferredCaption");
    bytesTransferredCaption->setGeometry(8, 32, 110, 16);
    bytesTransferredLabel = new QLabel("0", progressPanel);
    bytesTransferredLabel->setObjectName("bytesTransferredLabel");
    bytesTransferredLabel->setGeometry(118, 32, 64, 16);
    QFont counter("Arial");
    counter.setPixelSize(12);
    counter.setBold(true);
    bytesTransferredLabel->setFont(counter);
    bytesTransferredLabel->setStyleSheet("color: red");
    cancelTransferButton = new QPushButton("Cancel", progressPanel);
    cancelTransferButton->setObjectName("cancelTransferButton");
    cancelTransferButton->setGeometry(55, 64, 75, 25);
    connect(cancelTransferButton, &QPushButton::clicked, this, &MainWindow::onCancelTransferClicked);
    progressPanel->hide();
}

QAction* MainWindow::addEntry(QMenu* menu, const char* caption, const char* name, void (MainWindow::*handler)(), bool built) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    if (handler) connect(a, &QAction::triggered, this, handler);
    // Entries whose behaviour the program does not have yet are there, and disabled.
    if (!built) {
        a->setEnabled(false);
        a->setProperty("notBuilt", true);
    }
    return a;
}

void MainWindow::buildMenus() {
    QMenuBar* bar = menuBar();
    bar->setNativeMenuBar(false);
    QMenu* file = bar->addMenu("&File");
    file->setObjectName("fileMenu");
    addEntry(file, "&Open...", "openAction", &MainWindow::onOpenTriggered);
    QMenu* reopen = reopenMenu_ = file->addMenu("&Reopen");
    reopen->setObjectName("reopenMenu");
    reopen->menuAction()->setObjectName("reopenMenu");
    for (int i = 0; i < 4; ++i) {
        QAction* a = reopen->addAction(QString());
        a->setObjectName(QString("reopen%1Action").arg(i + 1));
        connect(a, &QAction::triggered, this, [this, i] { onReopenTriggered(i); });
        a->setVisible(false);
        recentActions_.push_back(a);
    }
    saveAction_ = addEntry(file, "&Save", "saveAction", &MainWindow::onSaveTriggered);
    saveAction_->setEnabled(false);
    addEntry(file, "Save &As...", "saveAsAction", &MainWindow::onSaveAsTriggered);
    file->addSeparator();
    addEntry(file, "&Save Settings Only...", "saveSettingsOnlyAction", &MainWindow::onSaveSettingsOnlyTriggered);
    addEntry(file, "Re&Load Settings Only...", "reloadSettingsOnlyAction", &MainWindow::onReloadSettingsOnlyTriggered);
    file->addSeparator();
    addEntry(file, "Save as &Binary File...", "saveBinaryFileAction", &MainWindow::onSaveBinaryFileTriggered);
    addEntry(file, "&Download Binary File...", "downloadBinaryFileAction", nullptr, false);
    file->addSeparator();
    addEntry(file, "&Export as CSV or TXT File...", "exportAction", &MainWindow::onExportTriggered);
    file->addSeparator();
    addEntry(file, "Printer Se&tup...", "printerSetupAction", nullptr, false);
    monochromeAction_ = addEntry(file, "&Monochrome ", "monochromeAction", &MainWindow::onMonochromeTriggered);
    monochromeAction_->setCheckable(true);
    addEntry(file, "&Print...", "printAction", nullptr, false);
    file->addSeparator();
    addEntry(file, "E&xit", "exitAction", &MainWindow::onExitTriggered);

    QMenu* activity = bar->addMenu("&Activity");
    activity->setObjectName("activityMenu");
    addEntry(activity, "&Menu", "startMenuAction", &MainWindow::onStartMenuTriggered);
    addEntry(activity, "&Upload Stored Data from Pellam", "uploadStoredDataAction", &MainWindow::onUploadStoredDataTriggered);
    addEntry(activity, "&Collect New Data", "collectNewDataAction", &MainWindow::onCollectNewDataTriggered);
    addEntry(activity, "&Examine Records", "examineRecordsAction", &MainWindow::onExamineRecordsTriggered);
    statisticsAction_ = addEntry(activity, "&Statistics...", "statisticsAction", nullptr, false);

    QMenu* setup = bar->addMenu("&Setup");
    setup->setObjectName("setupMenu");
    addEntry(setup, "&Display...", "displayAction", nullptr, false);
    addEntry(setup, "&Colours...", "coloursAction", nullptr, false);
    addEntry(setup, "&Hardware Settings...", "hardwareSettingsAction", nullptr, false);

    QMenu* tools = bar->addMenu("&Tools");
    tools->setObjectName("toolsMenu");
    addEntry(tools, "&Search Key", "searchKeyAction", &MainWindow::onSearchKeyTriggered);
    addEntry(tools, "Set &Date Time", "setDateTimeAction", nullptr, false);
    tools->addSeparator();
    addEntry(tools, "&Go To Event...", "goToEventAction", &MainWindow::onGoToEventTriggered);

    QMenu* help = bar->addMenu("&Help");
    help->setObjectName("helpMenu");
    addEntry(help, "&Contents", "helpContentsAction", nullptr, false);
    addEntry(help, "&How to Use Help", "howToUseHelpAction", nullptr, false);
    addEntry(help, "&About...", "aboutAction", nullptr, false);

    menus_ = {{"File", file}, {"Activity", activity}, {"Setup", setup}, {"Tools", tools}, {"Help", help}};
    // Help contexts of the window and the menus, for the help viewer.
    setProperty("helpContext", 1001);
    file->setProperty("helpContext", 146);
    activity->setProperty("helpContext", 147);
    setup->setProperty("helpContext", 148);
    tools->setProperty("helpContext", 149);
}

// --- ViewHooks -------------------------------------------------------------------------------

void MainWindow::redrawTraceView() {
    traceBitmap_ = renderTracePicture(renderer_);
    area_->update();
}

void MainWindow::paintTrace(Canvas& window) {
    if (traceBitmap_.isNull()) return;
    if (auto* qt = dynamic_cast<QtCanvas*>(&window)) qt->painter().drawImage(QPoint(kPictureLeft, kPictureTop), traceBitmap_);
    renderer_.drawWindowOverlay(window);
}

void MainWindow::updateControlStates() {
    const EnabledControls e = enabledControls(state_);
    for (const char* name : {"File", "Activity", "Tools", "Setup"}) menus_[name]->menuAction()->setEnabled(e.menusEnabled);
    for (QToolButton* b : navButtons_) b->setEnabled(e.navigationEnabled);
    startStopButton->setEnabled(e.startStopEnabled);
    if (e.enablesBackAndEventTime) {
        backButton->setEnabled(true);
        eventTimeButton->setEnabled(true);
    }
}

void MainWindow::applyPaintControls() {
    const PaintControls p = paintControls(state_);
    eventTimeButton->setText(QString::fromStdString(p.eventTimeCaption));
    timebaseLabel->setVisible(p.timebaseControlsVisible);
    timebasePlusButton->setVisible(p.timebaseControlsVisible);
    timebaseMinusButton->setVisible(p.timebaseControlsVisible);
    timebasePanel->setEnabled(p.timebasePanelEnabled);
    recordOrSearchLabel->setText(QString::fromStdString(p.recordOrSearchCaption));
    findButton->setVisible(p.searchControlsVisible);
    backButton->setVisible(p.searchControlsVisible);
    keyPanel->setVisible(p.searchControlsVisible);
    startStopButton->setText(QString::fromStdString(p.startStopCaption));
    onlineOfflineButton->setText(QString::fromStdString(p.onlineOfflineCaption));
    onlineOfflineButton->setEnabled(p.onlineOfflineEnabled);
    monochromeAction_->setChecked(p.monochromeChecked);
    for (size_t i = 0; i < recentActions_.size(); ++i) {
        recentActions_[i]->setText(QString::fromStdString(state_.recentFiles[i]));
        recentActions_[i]->setVisible(p.recentVisible[i]);
    }
    reopenMenu_->menuAction()->setEnabled(p.reopenEnabled);
    timebaseLabel->setText(QString::fromStdString(p.timebaseCaption));
    timebasePlusButton->setEnabled(p.plusEnabled);
    timebaseMinusButton->setEnabled(p.minusEnabled);
    saveAction_->setEnabled(state_.saveCommandEnabled);
    const QString title = fromCp1252(state_.recordingTitle);
    if (titleEdit->text() != title) titleEdit->setText(title);
    linkIndicatorChanged();
}

void MainWindow::repaint() {
    applyPaintControls();
    // The memo shows the stored comment lines unless it holds the typing they came from.
    commands_.memo().refresh([this](const std::vector<std::string>& shown) {
        QStringList lines;
        for (const std::string& l : shown) lines << fromCp1252(l);
        commentsMemo->setPlainText(lines.join('\n'));
        commentsMemo->moveCursor(QTextCursor::End);  // typing after a refill goes on from the last line
    });
    redrawTraceView();
}

void MainWindow::focusEventTimeButton() { eventTimeButton->setFocus(); }

void MainWindow::closeSplash() {
    platform_.timers.splashTimer.disable();
    hideSplashWindow();
}

void MainWindow::showSplashWindow() {
    if (splashWindow_) splashWindow_->show();
}

void MainWindow::hideSplashWindow() {
    if (splashWindow_) splashWindow_->hide();
}

void MainWindow::showStartMenu() {
    if (closing_) return;
    if (startMenuRunner)
        startMenuRunner(*startMenu_);
    else
        startMenu_->exec();
    repaint();
}

void MainWindow::linkIndicatorChanged() {
    linkStatusLabel->setText(QString::fromStdString(state_.link.label));
    linkLamp->update();
}

void MainWindow::showProgressPanel(bool visible, const std::string& heading) {
    progressHeadingLabel->setText(QString::fromStdString(heading));
    progressPanel->setVisible(visible);
    if (visible) progressPanel->raise();
}

void MainWindow::setBytesTransferred(int64_t bytes) { bytesTransferredLabel->setText(QString::number(bytes)); }

// --- Mouse -------------------------------------------------------------------------------------

void MainWindow::onMouseDown(int x, int y) {
    if (auto k = commands_.keyColumnClicked(x, y)) {
        trace("onMouseDown");
        if (!traceBitmap_.isNull()) {
            QtCanvas canvas(&traceBitmap_);
            renderer_.drawKeyBox(canvas, *k);
        }
        area_->update();
    }
}

void MainWindow::onMouseUp(int x, int y) {
    // The name column opens the display options, which the program does not have yet.
    if (inNameColumn(x, y)) trace("onMouseUp");
}

// --- Window events -----------------------------------------------------------------------------

void MainWindow::activateOnce() { commands_.lifecycle().startOnFirstActivation(); }

bool MainWindow::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) activateOnce();
    // Without a window manager the window may never be activated: the first show does it too.
    if (e->type() == QEvent::Show) QTimer::singleShot(0, this, [this] { activateOnce(); });
    return QMainWindow::event(e);
}

void MainWindow::closeEvent(QCloseEvent* e) {
    trace("mayClose");
    if (!commands_.lifecycle().mayClose()) {
        e->ignore();
        return;
    }
    closing_ = true;
    trace("shutDown");
    commands_.lifecycle().shutDown();
    if (splashWindow_) splashWindow_->hide();
    e->accept();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
    if (watched == modeCaptionLabel && e->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(e)->button() == Qt::RightButton) {
        onModeCaptionRightClicked();
        return true;
    }
    if (watched == commentsMemo && e->type() == QEvent::FocusOut) onCommentsMemoExit();
    if (watched == commentsMemo->viewport() && e->type() == QEvent::MouseButtonRelease) {
        QTimer::singleShot(0, this, &MainWindow::onCommentsMemoClicked);
    }
    return QMainWindow::eventFilter(watched, e);
}

// --- Handlers ----------------------------------------------------------------------------------

void MainWindow::onOpenTriggered() {
    trace("onOpenTriggered");
    commands_.open();
}

void MainWindow::onReopenTriggered(int entry) {
    static const char* const names[] = {"onReopen1Triggered", "onReopen2Triggered", "onReopen3Triggered", "onReopen4Triggered"};
    trace(names[entry & 3]);
    commands_.reopen(entry);
}

void MainWindow::onSaveTriggered() {
    trace("onSaveTriggered");
    commands_.save();
}

void MainWindow::onSaveAsTriggered() {
    trace("onSaveAsTriggered");
    commands_.saveAs();
}

void MainWindow::onSaveSettingsOnlyTriggered() {
    trace("onSaveSettingsOnlyTriggered");
    commands_.saveSettingsOnly();
}

void MainWindow::onReloadSettingsOnlyTriggered() {
    trace("onReloadSettingsOnlyTriggered");
    commands_.reloadSettingsOnly();
}

void MainWindow::onSaveBinaryFileTriggered() {
    trace("onSaveBinaryFileTriggered");
    commands_.saveBinaryFile();
}

void MainWindow::onExportTriggered() {
    trace("onExportTriggered");
    commands_.exportCsvOrTxt();
}

void MainWindow::onMonochromeTriggered() {
    trace("onMonochromeTriggered");
    commands_.toggleMonochrome();
}

void MainWindow::onExitTriggered() {
    trace("onExitTriggered");
    close();
}

void MainWindow::onStartMenuTriggered() {
    trace("onStartMenuTriggered");
    showStartMenu();
}

void MainWindow::onUploadStoredDataTriggered() {
    trace("onUploadStoredDataTriggered");
    commands_.uploadStoredData();
}

void MainWindow::onCollectNewDataTriggered() {
    trace("onCollectNewDataTriggered");
    commands_.collectNewData();
}

void MainWindow::onExamineRecordsTriggered() {
    trace("onExamineRecordsTriggered");
    commands_.examineRecords();
}

bool MainWindow::runModal(QDialog& dialog) {
    if (modalDialogRunner) return modalDialogRunner(dialog);
    return dialog.exec() == QDialog::Accepted;
}

void MainWindow::onSearchKeyTriggered() {
    trace("onSearchKeyTriggered");
    commands_.editSearchKey(*searchKeyRunner_);
}

void MainWindow::onGoToEventTriggered() {
    trace("onGoToEventTriggered");
    commands_.goToEventOrTime(*goToRunner_);
}

void MainWindow::onFindClicked() {
    trace("onFindClicked");
    commands_.findFirstMatch();
}

void MainWindow::onStartStopClicked() {
    trace("onStartStopClicked");
    commands_.startOrStopOrNext();
}

void MainWindow::onBackClicked() {
    trace("onBackClicked");
    commands_.findPreviousMatch();
}

void MainWindow::onEventTimeClicked() {
    trace("onEventTimeClicked");
    commands_.toggleEventTimeView();
}

void MainWindow::onOnlineOfflineClicked() {
    trace("onOnlineOfflineClicked");
    commands_.toggleOnline();
}

void MainWindow::onTimebasePlusClicked() {
    trace("onTimebasePlusClicked");
    commands_.finerTimebase();
}

void MainWindow::onTimebaseMinusClicked() {
    trace("onTimebaseMinusClicked");
    commands_.coarserTimebase();
}

void MainWindow::onCancelTransferClicked() {
    trace("onCancelTransferClicked");
    commands_.cancelTransfer();
}

void MainWindow::onFirstClicked() {
    trace("onFirstClicked");
    commands_.goToFirstResult();
}

void MainWindow::onFastLeftClicked() {
    trace("onFastLeftClicked");
    commands_.stepLeftFast();
}

void MainWindow::onSlowLeftClicked() {
    trace("onSlowLeftClicked");
    commands_.stepLeftSlow();
}

void MainWindow::onSlowRightClicked() {
    trace("onSlowRightClicked");
    commands_.stepRightSlow();
}

void MainWindow::onFastRightClicked() {
    trace("onFastRightClicked");
    commands_.stepRightFast();
}

void MainWindow::onLastClicked() {
    trace("onLastClicked");
    commands_.goToLastResult();
}

void MainWindow::onModeCaptionRightClicked() {
    trace("onModeCaptionRightClicked");
    commands_.importFromModeCaption();
}

std::vector<std::string> MainWindow::memoLines() const {
    std::vector<std::string> lines;
    const QString text = commentsMemo->toPlainText();
    if (!text.isEmpty())
        for (const QString& l : splitLines(text)) lines.push_back(toCp1252(l));
    return lines;
}

void MainWindow::onCommentsMemoExit() { commands_.memo().left(memoLines()); }

void MainWindow::onCommentsMemoClicked() {
    trace("onCommentsMemoClicked");
    commands_.editComments(*commentsEditor_);
}

}  // namespace zvl
