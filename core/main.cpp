#include "core/main.h"

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

#include "core/controlstates.h"
#include "core/mainactions.h"
#include "dialogs/comments.h"
#include "dialogs/options.h"
#include "dialogs/splash.h"
#include "platform/qt/cp1252.h"
#include "platform/qt/qtcanvas.h"
#include "dialogs/gotodialog.h"
#include "search/goto.h"
#include "search/mask2.h"
#include "search/matchsearch.h"
#include "search/navigation.h"
#include "search/searchkey.h"

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
    explicit TraceArea(TMainscreen* owner) : QWidget(owner), owner_(owner) { setObjectName("client"); }

protected:
    void paintEvent(QPaintEvent*) override {
        QtCanvas canvas(this);
        owner_->paintTrace(canvas);
    }
    void mousePressEvent(QMouseEvent* e) override { owner_->FormMouseDown(e->position().toPoint().x(), e->position().toPoint().y()); }
    void mouseReleaseEvent(QMouseEvent* e) override { owner_->FormMouseUp(e->position().toPoint().x(), e->position().toPoint().y()); }

private:
    TMainscreen* owner_;
};

namespace {
constexpr QColor kSkyBlue{166, 202, 240};
// The band under the picture where the overlay draws the Event box.
const QRect kEventBoxArea(kPictureLeft, 484, kPictureWidth, 28);

QStringList splitLines(const QString& text) { return text.split('\n'); }
}  // namespace

TMainscreen::TMainscreen(MainPlatform platform, QWidget* parent)
    : QMainWindow(parent),
      platform_(platform),
      link_(state_, platform.port, platform.clock, platform.pump, platform.prompts, *this, platform.timers.Breaktimer,
            platform.timers.update),
      renderer_(state_, platform.clock, platform.prompts),
      viewContext_{state_, renderer_, *this, platform.timers.update},
      files_(state_, platform.fileDialogs, platform.prompts, *this, platform.clock),
      upload_(state_, link_, platform.clock, platform.prompts, *this, platform.timers.xmodemtimer),
      lifecycle_(state_, link_, platform.prompts, *this, platform_.timers, platform.settingsPath),
      pacer_(renderer_, platform.clock, frameTimer_, [this](const RedrawPacer::Draw& draw) {
          {
              if (traceBitmap_.isNull()) traceBitmap_ = QImage(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
              QtCanvas canvas(&traceBitmap_);  // every pixel is drawn anew
              draw(canvas);
          }
          // Only what the picture and its overlay cover: the controls around them stay as they are.
          if (!painting_)
              area_->update(QRegion(kPictureLeft, kPictureTop, kPictureWidth, kPictureHeight) + kEventBoxArea);
      }) {
    setObjectName("Mainscreen");
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

    MainTimers& t = platform_.timers;
    t.Starttimer.setInterval(1000);
    t.Starttimer.setHandler([this] { lifecycle_.StarttimerTimer(); });
    t.splashtimer.setInterval(30);
    t.splashtimer.setHandler([this] { lifecycle_.splashtimerTimer(); });
    t.status.setInterval(5000);
    t.status.setHandler([this] { link_.statusPoll(); });
    link_.setStatusTimer(t.status);
    t.Breaktimer.setInterval(500);
    t.Breaktimer.setHandler([this] { link_.breakTimerFired(); });
    t.xmodemtimer.setHandler([this] { upload_.xmodemtimerTimer(); });
    t.update.setHandler([this] { updateTimer(viewContext_); });

    lifecycle_.setCancelTransfer([this] { upload_.Button8Click(); });
    lifecycle_.FormCreate();
    redrawTraceView();
    applyPaintControls();

    // The windows made once at start-up and reused: the search key and go-to dialogs, the
    // splash (shown at once) and the start menu.
    mask2_ = new Tmask2form(state_, this);
    goto_ = new TGotoform(state_, platform_.prompts, this);
    splash_ = new Therald(this);
    options_ = new TOptionform(
        {[this] { Open1Click(); },
         [this] {
             platform_.prompts.setBusyCursor(true);
             DownloadStoredData1Click();
         },
         [this] {
             trace("Button2Click");
             optionsCollectData(state_, link_, platform_.prompts, *this);
         },
         [this] { QTimer::singleShot(0, this, &QWidget::close); }},
        this);
    splash_->show();

    t.status.enable();
    t.Starttimer.enable();

    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(400, 303));
}

TMainscreen::~TMainscreen() {
    MainTimers& t = platform_.timers;
    for (Timer* timer : {&t.Starttimer, &t.splashtimer, &t.status, &t.Breaktimer, &t.xmodemtimer, &t.update}) {
        timer->disable();
        timer->setHandler({});
    }
}

void TMainscreen::buildControls() {
    QWidget* c = area_;
    Label1 = new QLabel("Pellam - ZVL Mode :", c);
    Label1->setObjectName("Label1");
    Label1->move(8, 4);
    Label1->installEventFilter(this);

    Label2 = new QLabel(c);
    Label2->setObjectName("Label2");
    Label2->setGeometry(128, 4, 108, 18);
    QFont bold("Arial");
    bold.setPixelSize(15);
    bold.setBold(true);
    Label2->setFont(bold);
    Label2->setStyleSheet("color: red");

    Shape3 = new LinkLamp(state_, c);
    Shape3->setObjectName("Shape3");
    Shape3->setGeometry(238, 5, 15, 15);

    Edit1 = new QLineEdit("Title", c);
    Edit1->setObjectName("Edit1");
    Edit1->setGeometry(260, 1, 513, 23);
    connect(Edit1, &QLineEdit::textEdited, this, [this](const QString& text) { state_.recordingTitle = toCp1252(text); });

    Memo1 = new QPlainTextEdit("Memo1", c);
    Memo1->setObjectName("Memo1");
    Memo1->setGeometry(2, 28, 788, 53);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Tab moves on to the next control: a tab character would be stored as comment text.
    Memo1->setTabChangesFocus(true);
    connect(Memo1, &QPlainTextEdit::textChanged, this, [this] {
        if (fillingMemo_) return;
        memoEdited_ = true;
        storeMemo();
    });
    Memo1->installEventFilter(this);
    Memo1->viewport()->installEventFilter(this);

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

    Label6 = new QLabel("Record Mode", c);
    Label6->setObjectName("Label6");
    Label6->setGeometry(24, 492, 125, 16);
    auto button = [&](const char* name, const char* caption, const char* hint, QRect geometry, void (TMainscreen::*handler)()) {
        auto* b = new QPushButton(caption, c);
        b->setObjectName(name);
        b->setToolTip(hint);
        b->setGeometry(geometry);
        connect(b, &QPushButton::clicked, this, handler);
        return b;
    };
    Button1 = button("Button1", "Find", "Start Search", {24, 512, 40, 25}, &TMainscreen::Button1Click);
    Button2 = button("Button2", "Next", "Next Match", {64, 512, 40, 25}, &TMainscreen::Button2Click);
    Button3 = button("Button3", "Back", "Previous Match", {104, 512, 40, 25}, &TMainscreen::Button3Click);
    Button3->setEnabled(false);

    Panel2 = new QFrame(c);
    Panel2->setObjectName("Panel2");
    Panel2->setFrameShape(QFrame::Panel);
    Panel2->setFrameShadow(QFrame::Raised);
    Panel2->setGeometry(113, 450, 25, 60);
    Panel2->setAutoFillBackground(true);  // a panel: it covers what lies under it
    auto* label7 = new QLabel("Key", Panel2);
    label7->setObjectName("Label7");
    label7->setGeometry(1, 7, 23, 14);
    label7->setAlignment(Qt::AlignCenter);

    auto* modeBox = new QFrame(c);
    modeBox->setObjectName("Shape1");
    modeBox->setGeometry(160, 488, 144, 56);
    modeBox->setAutoFillBackground(true);
    QPalette sky = modeBox->palette();
    sky.setColor(QPalette::Window, kSkyBlue);
    modeBox->setPalette(sky);
    auto* label4 = new QLabel("Change Mode", c);
    label4->setObjectName("Label4");
    label4->setGeometry(168, 491, 130, 16);
    Button5 = button("Button5", "Offline", "Switch Between Live & Archive", {168, 512, 57, 25}, &TMainscreen::Button5Click);
    Button4 = button("Button4", "Time", "Switch Between Event & Time", {238, 512, 54, 25}, &TMainscreen::Button4Click);

    auto* navBevel = new QFrame(c);
    navBevel->setFrameShape(QFrame::Panel);
    navBevel->setFrameShadow(QFrame::Raised);
    navBevel->setGeometry(312, 514, 296, 32);
    struct Nav {
        const char* name;
        const char* hint;
        QStyle::StandardPixmap icon;
        void (TMainscreen::*handler)();
    };
    const Nav navs[] = {
        {"firstbtn", "Go to First Result", QStyle::SP_MediaSkipBackward, &TMainscreen::firstbtnClick},
        {"fastleft", "Fast Left", QStyle::SP_MediaSeekBackward, &TMainscreen::fastleftClick},
        {"slowleft", "Slow Left", QStyle::SP_ArrowLeft, &TMainscreen::slowleftClick},
        {"slowright", "Slow Right", QStyle::SP_ArrowRight, &TMainscreen::slowrightClick},
        {"fastright", "Fast Right", QStyle::SP_MediaSeekForward, &TMainscreen::fastrightClick},
        {"lastbtn", "Go to Last Results", QStyle::SP_MediaSkipForward, &TMainscreen::lastbtnClick},
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

    Panel3 = new QFrame(c);
    Panel3->setObjectName("Panel3");
    Panel3->setGeometry(616, 488, 161, 56);
    Panel3->setAutoFillBackground(true);
    Panel3->setPalette(sky);
    Label3 = new QLabel("Timebase", Panel3);
    Label3->setObjectName("Label3");
    Label3->setGeometry(6, 6, 150, 16);
    QFont sign("Arial");
    sign.setPixelSize(27);
    sign.setBold(true);
    Button6 = new QPushButton("+", Panel3);
    Button6->setObjectName("Button6");
    Button6->setToolTip("Increase Time Base");
    Button6->setGeometry(44, 23, 37, 25);
    Button6->setFont(sign);
    connect(Button6, &QPushButton::clicked, this, &TMainscreen::Button6Click);
    Button7 = new QPushButton("-", Panel3);
    Button7->setObjectName("Button7");
    Button7->setToolTip("Decrease Time Base");
    Button7->setGeometry(89, 23, 40, 25);
    Button7->setFont(sign);
    connect(Button7, &QPushButton::clicked, this, &TMainscreen::Button7Click);

    // The progress panel of a transfer, over the picture.
    Panel1 = new QFrame(c);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Raised);
    Panel1->setGeometry(16, 96, 185, 105);
    Panel1->setAutoFillBackground(true);
    Label10 = new QLabel("Uploading Data", Panel1);
    Label10->setObjectName("Label10");
    QFont heading("Arial");
    heading.setPixelSize(13);
    heading.setBold(true);
    Label10->setFont(heading);
    Label10->setGeometry(8, 6, 170, 18);
    auto* label11 = new QLabel("Bytes Transferred :", Panel1);
    label11->setObjectName("Label11");
    label11->setGeometry(8, 32, 110, 16);
    Label8 = new QLabel("0", Panel1);
    Label8->setObjectName("Label8");
    Label8->setGeometry(118, 32, 64, 16);
    QFont counter("Arial");
    counter.setPixelSize(12);
    counter.setBold(true);
    Label8->setFont(counter);
    Label8->setStyleSheet("color: red");
    Button8 = new QPushButton("Cancel", Panel1);
    Button8->setObjectName("Button8");
    Button8->setGeometry(55, 64, 75, 25);
    connect(Button8, &QPushButton::clicked, this, &TMainscreen::Button8Click);
    Panel1->hide();
}

QAction* TMainscreen::addEntry(QMenu* menu, const char* caption, const char* name, void (TMainscreen::*handler)(), bool built) {
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

void TMainscreen::buildMenus() {
    QMenuBar* bar = menuBar();
    bar->setNativeMenuBar(false);
    QMenu* file = bar->addMenu("&File");
    file->setObjectName("File1");
    addEntry(file, "&Open...", "Open1", &TMainscreen::Open1Click);
    QMenu* reopen = reopenMenu_ = file->addMenu("&Reopen");
    reopen->setObjectName("Reopen1");
    reopen->menuAction()->setObjectName("Reopen1");
    for (int i = 0; i < 4; ++i) {
        QAction* a = reopen->addAction(QString());
        a->setObjectName(QString("N%1").arg(i + 1) + "1");
        connect(a, &QAction::triggered, this, [this, i] { reopenClick(i); });
        a->setVisible(false);
        recentActions_.push_back(a);
    }
    saveAction_ = addEntry(file, "&Save", "Save1", &TMainscreen::Save1Click);
    saveAction_->setEnabled(false);
    addEntry(file, "Save &As...", "SaveAs1", &TMainscreen::SaveAs1Click);
    file->addSeparator();
    addEntry(file, "&Save Settings Only...", "SaveSettingsOnly1", &TMainscreen::SaveSettingsOnly1Click);
    addEntry(file, "Re&Load Settings Only...", "ReLoadSettingsOnly1", &TMainscreen::ReLoadSettingsOnly1Click);
    file->addSeparator();
    addEntry(file, "Save as &Binary File...", "SaveBinaryFile1", &TMainscreen::SaveBinaryFile1Click);
    addEntry(file, "&Download Binary File...", "DownloadBinaryFile1", nullptr, false);
    file->addSeparator();
    addEntry(file, "&Export as CSV or TXT File...", "ExportasCSVFile1", &TMainscreen::ExportasCSVFile1Click);
    file->addSeparator();
    addEntry(file, "Printer Se&tup...", "PrinterSetup1", nullptr, false);
    monochromeAction_ = addEntry(file, "&Monochrome ", "MonochromePrinting1", &TMainscreen::MonochromePrinting1Click);
    monochromeAction_->setCheckable(true);
    addEntry(file, "&Print...", "Print1", nullptr, false);
    file->addSeparator();
    addEntry(file, "E&xit", "Exit1", &TMainscreen::Exit1Click);

    QMenu* activity = bar->addMenu("&Activity");
    activity->setObjectName("Activity1");
    addEntry(activity, "&Menu", "Menu1", &TMainscreen::Menu1Click);
    addEntry(activity, "&Upload Stored Data from Pellam", "DownloadStoredData1", &TMainscreen::DownloadStoredData1Click);
    addEntry(activity, "&Collect New Data", "CollectNewData1", &TMainscreen::CollectNewData1Click);
    addEntry(activity, "&Examine Records", "ExamineRecords1", &TMainscreen::ExamineRecords1Click);
    statisticsAction_ = addEntry(activity, "&Statistics...", "Statistics1", nullptr, false);

    QMenu* setup = bar->addMenu("&Setup");
    setup->setObjectName("Setup1");
    addEntry(setup, "&Display...", "Display1", nullptr, false);
    addEntry(setup, "&Colours...", "Colours1", nullptr, false);
    addEntry(setup, "&Hardware Settings...", "Settings1", nullptr, false);

    QMenu* tools = bar->addMenu("&Tools");
    tools->setObjectName("Tools1");
    addEntry(tools, "&Search Key", "SearchMask1", &TMainscreen::SearchMask1Click);
    addEntry(tools, "Set &Date Time", "SetDateTime1", nullptr, false);
    tools->addSeparator();
    addEntry(tools, "&Go To Event...", "FindEvent1", &TMainscreen::FindEvent1Click);

    QMenu* help = bar->addMenu("&Help");
    help->setObjectName("Help1");
    addEntry(help, "&Contents", "Contents1", nullptr, false);
    addEntry(help, "&How to Use Help", "HowtoUseHelp1", nullptr, false);
    addEntry(help, "&About...", "About1", nullptr, false);

    menus_ = {{"File", file}, {"Activity", activity}, {"Setup", setup}, {"Tools", tools}, {"Help", help}};
    // Help contexts of the window and the menus, for the help viewer.
    setProperty("helpContext", 1001);
    file->setProperty("helpContext", 146);
    activity->setProperty("helpContext", 147);
    setup->setProperty("helpContext", 148);
    tools->setProperty("helpContext", 149);
}

// --- ViewHooks -------------------------------------------------------------------------------

void TMainscreen::redrawTraceView() { pacer_.redrawNow(); }

void TMainscreen::redrawTraceViewSoon() { pacer_.redrawSoon(); }

void TMainscreen::paintTrace(Canvas& window) {
    painting_ = true;
    pacer_.flush();
    painting_ = false;
    if (traceBitmap_.isNull()) return;
    if (auto* qt = dynamic_cast<QtCanvas*>(&window)) qt->painter().drawImage(QPoint(kPictureLeft, kPictureTop), traceBitmap_);
    renderer_.drawWindowOverlay(window);
}

void TMainscreen::updateControlStates() {
    const EnabledControls e = enabledControls(state_);
    for (const char* name : {"File", "Activity", "Tools", "Setup"}) menus_[name]->menuAction()->setEnabled(e.menusEnabled);
    for (QToolButton* b : navButtons_) b->setEnabled(e.navigationEnabled);
    Button2->setEnabled(e.button2Enabled);
    if (e.changesButtons34) {
        Button3->setEnabled(true);
        Button4->setEnabled(true);
    }
}

void TMainscreen::applyPaintControls() {
    const PaintControls p = paintControls(state_);
    Button4->setText(QString::fromStdString(p.button4Caption));
    Label3->setVisible(p.timebaseControlsVisible);
    Button6->setVisible(p.timebaseControlsVisible);
    Button7->setVisible(p.timebaseControlsVisible);
    Panel3->setEnabled(p.panel3Enabled);
    Label6->setText(QString::fromStdString(p.label6Caption));
    Button1->setVisible(p.searchControlsVisible);
    Button3->setVisible(p.searchControlsVisible);
    Panel2->setVisible(p.searchControlsVisible);
    Button2->setText(QString::fromStdString(p.button2Caption));
    Button5->setText(QString::fromStdString(p.button5Caption));
    Button5->setEnabled(p.button5Enabled);
    monochromeAction_->setChecked(p.monochromeChecked);
    for (size_t i = 0; i < recentActions_.size(); ++i) {
        recentActions_[i]->setText(QString::fromStdString(state_.recentFiles[i]));
        recentActions_[i]->setVisible(p.recentVisible[i]);
    }
    reopenMenu_->menuAction()->setEnabled(p.reopenEnabled);
    Label3->setText(QString::fromStdString(p.timebaseCaption));
    Button6->setEnabled(p.plusEnabled);
    Button7->setEnabled(p.minusEnabled);
    saveAction_->setEnabled(state_.saveCommandEnabled);
    const QString title = fromCp1252(state_.recordingTitle);
    if (Edit1->text() != title) Edit1->setText(title);
    linkIndicatorChanged();
}

void TMainscreen::repaint() {
    applyPaintControls();
    // The memo shows the stored comment lines. What the user types is stored as it is typed,
    // so the typing stays as it stands (its empty lines, the caret) until something else
    // changes the comment lines: a load, or the comments dialog, whose lines then replace it.
    if (!memoEdited_ || state_.commentLines != memoStored_) {
        QStringList lines;
        for (const std::string& l : memoLinesToShow(state_)) lines << fromCp1252(l);
        fillingMemo_ = true;
        Memo1->setPlainText(lines.join('\n'));
        Memo1->moveCursor(QTextCursor::End);  // typing after a refill goes on from the last line
        fillingMemo_ = false;
        memoEdited_ = false;
    }
    redrawTraceView();
}

void TMainscreen::focusEventTimeButton() { Button4->setFocus(); }

void TMainscreen::closeSplash() {
    platform_.timers.splashtimer.disable();
    hideSplashWindow();
}

void TMainscreen::showSplashWindow() {
    if (splash_) splash_->show();
}

void TMainscreen::hideSplashWindow() {
    if (splash_) splash_->hide();
}

void TMainscreen::showOptionsDialog() {
    if (closing_) return;
    if (optionsDialogRunner)
        optionsDialogRunner(*options_);
    else
        options_->exec();
    repaint();
}

void TMainscreen::linkIndicatorChanged() {
    Label2->setText(QString::fromStdString(state_.link.label));
    Shape3->update();
}

void TMainscreen::showProgressPanel(bool visible, const std::string& heading) {
    Label10->setText(QString::fromStdString(heading));
    Panel1->setVisible(visible);
    if (visible) Panel1->raise();
}

void TMainscreen::setBytesTransferred(int64_t bytes) { Label8->setText(QString::number(bytes)); }

// --- Mouse -------------------------------------------------------------------------------------

void TMainscreen::FormMouseDown(int x, int y) {
    if (auto k = keyColumnInput(x, y)) {
        trace("FormMouseDown");
        advanceSearchCondition(state_, *k);
        if (!traceBitmap_.isNull()) {
            QtCanvas canvas(&traceBitmap_);
            renderer_.drawKeyBox(canvas, *k);
        }
        area_->update();
    }
}

void TMainscreen::FormMouseUp(int x, int y) {
    // The name column opens the display options, which the program does not have yet.
    if (inNameColumn(x, y)) trace("FormMouseUp");
}

// --- Window events -----------------------------------------------------------------------------

void TMainscreen::formActivateOnce() { lifecycle_.FormActivate(); }

bool TMainscreen::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) formActivateOnce();
    // Without a window manager the window may never be activated: the first show does it too.
    if (e->type() == QEvent::Show) QTimer::singleShot(0, this, [this] { formActivateOnce(); });
    return QMainWindow::event(e);
}

void TMainscreen::closeEvent(QCloseEvent* e) {
    trace("FormCloseQuery");
    if (!lifecycle_.FormCloseQuery()) {
        e->ignore();
        return;
    }
    closing_ = true;
    trace("FormClose");
    lifecycle_.FormClose();
    if (splash_) splash_->hide();
    e->accept();
}

bool TMainscreen::eventFilter(QObject* watched, QEvent* e) {
    if (watched == Label1 && e->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(e)->button() == Qt::RightButton) {
        Label1MouseDown();
        return true;
    }
    if (watched == Memo1 && e->type() == QEvent::FocusOut) Memo1Exit();
    if (watched == Memo1->viewport() && e->type() == QEvent::MouseButtonRelease) {
        QTimer::singleShot(0, this, &TMainscreen::Memo1Click);
    }
    return QMainWindow::eventFilter(watched, e);
}

// --- Handlers ----------------------------------------------------------------------------------

void TMainscreen::commandEnded() {
    updateControlStates();
    repaint();
}

void TMainscreen::Open1Click() {
    trace("Open1Click");
    files_.open();
    commandEnded();  // offline also when cancelled; a loaded file is in the Reopen list now
}

void TMainscreen::reopenClick(int entry) {
    static const char* const names[] = {"N11Click", "N21Click", "N31Click", "N41Click"};
    trace(names[entry & 3]);
    files_.reopen(entry);
}

void TMainscreen::Save1Click() {
    trace("Save1Click");
    files_.save();
    applyPaintControls();
}

void TMainscreen::SaveAs1Click() {
    trace("SaveAs1Click");
    files_.saveAs();
    applyPaintControls();
}

void TMainscreen::SaveSettingsOnly1Click() {
    trace("SaveSettingsOnly1Click");
    files_.saveSettingsOnly();
}

void TMainscreen::ReLoadSettingsOnly1Click() {
    trace("ReLoadSettingsOnly1Click");
    files_.reloadSettingsOnly();
    applyPaintControls();
}

void TMainscreen::SaveBinaryFile1Click() {
    trace("SaveBinaryFile1Click");
    files_.saveBinaryFile();
}

void TMainscreen::ExportasCSVFile1Click() {
    trace("ExportasCSVFile1Click");
    files_.exportCsvOrTxt();
}

void TMainscreen::MonochromePrinting1Click() {
    trace("MonochromePrinting1Click");
    state_.monochromePrinting = !state_.monochromePrinting;
    repaint();
}

void TMainscreen::Exit1Click() {
    trace("Exit1Click");
    close();
}

void TMainscreen::Menu1Click() {
    trace("Menu1Click");
    showOptionsDialog();
}

void TMainscreen::DownloadStoredData1Click() {
    trace("DownloadStoredData1Click");
    upload_.DownloadStoredData1Click();
}

void TMainscreen::CollectNewData1Click() {
    trace("CollectNewData1Click");
    link_.collectNewData();
    commandEnded();  // a silent instrument has left the program offline
}

void TMainscreen::ExamineRecords1Click() {
    trace("ExamineRecords1Click");
    zvl::ExamineRecords1Click(files_);
    commandEnded();
}

namespace {
// A dialog shown through the window's runner, so a test can answer it.
class RunnerDialog : public ModalDialog {
public:
    RunnerDialog(std::function<bool(QDialog&)> run, QDialog& dialog) : run_(std::move(run)), dialog_(dialog) {}
    bool runModal() override { return run_(dialog_); }

private:
    std::function<bool(QDialog&)> run_;
    QDialog& dialog_;
};
}  // namespace

bool TMainscreen::runModal(QDialog& dialog) {
    if (modalDialogRunner) return modalDialogRunner(dialog);
    return dialog.exec() == QDialog::Accepted;
}

void TMainscreen::SearchMask1Click() {
    trace("SearchMask1Click");
    mask2_->loadFromState();
    RunnerDialog dialog([this](QDialog& d) { return runModal(d); }, *mask2_);
    zvl::SearchMask1Click(state_, platform_.prompts, *this, dialog, lifecycle_.settingsPath());
}

void TMainscreen::FindEvent1Click() {
    trace("FindEvent1Click");
    goto_->loadFromState();
    RunnerDialog dialog([this](QDialog& d) { return runModal(d); }, *goto_);
    zvl::FindEvent1Click(dialog, *this);
}

void TMainscreen::Button1Click() {
    trace("Button1Click");
    zvl::Button1Click(state_, platform_.prompts, *this);
}

void TMainscreen::Button2Click() {
    trace("Button2Click");
    zvl::Button2Click(state_, link_, platform_.prompts, *this);
}

void TMainscreen::Button3Click() {
    trace("Button3Click");
    zvl::Button3Click(state_, platform_.prompts, *this);
}

void TMainscreen::Button4Click() {
    trace("Button4Click");
    zvl::Button4Click(viewContext_);
}

void TMainscreen::Button5Click() {
    trace("Button5Click");
    link_.toggleOnline();
}

void TMainscreen::Button6Click() {
    trace("Button6Click");
    zvl::Button6Click(viewContext_);
}

void TMainscreen::Button7Click() {
    trace("Button7Click");
    zvl::Button7Click(viewContext_);
}

void TMainscreen::Button8Click() {
    trace("Button8Click");
    upload_.Button8Click();
}

void TMainscreen::firstbtnClick() {
    trace("firstbtnClick");
    zvl::firstbtnClick(state_, *this);
}

void TMainscreen::fastleftClick() {
    trace("fastleftClick");
    zvl::fastleftClick(state_, *this);
}

void TMainscreen::slowleftClick() {
    trace("slowleftClick");
    zvl::slowleftClick(state_, *this);
}

void TMainscreen::slowrightClick() {
    trace("slowrightClick");
    zvl::slowrightClick(state_, *this);
}

void TMainscreen::fastrightClick() {
    trace("fastrightClick");
    zvl::fastrightClick(state_, *this);
}

void TMainscreen::lastbtnClick() {
    trace("lastbtnClick");
    zvl::lastbtnClick(state_, *this);
}

void TMainscreen::Label1MouseDown() {
    trace("Label1MouseDown");
    files_.importFromModeCaption();
    commandEnded();
}

void TMainscreen::storeMemo() {
    std::vector<std::string> lines;
    const QString text = Memo1->toPlainText();
    if (!text.isEmpty())
        for (const QString& l : splitLines(text)) lines.push_back(toCp1252(l));
    zvl::Memo1Exit(state_, lines);
    memoStored_ = state_.commentLines;
}

void TMainscreen::Memo1Exit() {
    // Only the user's typing is stored: a memo filled from the comment lines (after a load,
    // say) gives nothing back, so it can never put older text over what was loaded.
    if (memoEdited_) storeMemo();
}

void TMainscreen::Memo1Click() {
    trace("Memo1Click");
    CommentsDialog dialog(this);
    dialog.setLines(commentLinesForEditing(state_));
    if (runModal(dialog)) zvl::Memo1Exit(state_, dialog.lines());
    repaint();
}

}  // namespace zvl
