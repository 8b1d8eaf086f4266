#include "app/controlstrip.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QToolButton>

#include "session/maincommands.h"

namespace zvl {

namespace {
constexpr QColor kSkyBlue{166, 202, 240};

// A click on the button runs the command.
void connectCommand(QWidget* c, MainCommands& commands, QAbstractButton* b, void (MainCommands::*command)()) {
    QObject::connect(b, &QAbstractButton::clicked, c, [&commands, command] { (commands.*command)(); });
}
}  // namespace

ControlStrip::ControlStrip(QWidget* c, MainCommands& commands, const AppState& state) : state_(state) {
    auto* strip = new QFrame(c);
    strip->setFrameShape(QFrame::Panel);
    strip->setFrameShadow(QFrame::Sunken);
    strip->setGeometry(6, 482, 780, 70);
    auto* left = new QFrame(c);
    left->setFrameShape(QFrame::Panel);
    left->setFrameShadow(QFrame::Raised);
    left->setGeometry(16, 488, 137, 56);

    recordOrSearchLabel_ = new QLabel("Record Mode", c);
    recordOrSearchLabel_->setObjectName("recordOrSearchLabel");
    recordOrSearchLabel_->setGeometry(24, 492, 125, 16);
    // Each control runs its command.
    const auto connect = [&commands, c](QAbstractButton* b, void (MainCommands::*command)()) {
        connectCommand(c, commands, b, command);
    };
    auto button = [&](const char* name, const char* caption, const char* hint, QRect geometry,
                      void (MainCommands::*command)()) {
        auto* b = new QPushButton(caption, c);
        b->setObjectName(name);
        b->setToolTip(hint);
        b->setGeometry(geometry);
        connect(b, command);
        return b;
    };
    findButton_ =
        button("findButton", "Find", "Start Search (F3)", {24, 512, 40, 25}, &MainCommands::findFirstMatch);
    startStopButton_ = button("startStopButton", "Next", "Next Match (F3)", {64, 512, 40, 25},
                              &MainCommands::startOrStopOrNext);
    backButton_ = button("backButton", "Back", "Previous Match (Shift+F3)", {104, 512, 40, 25},
                         &MainCommands::findPreviousMatch);
    backButton_->setEnabled(false);

    keyPanel_ = new QFrame(c);
    keyPanel_->setObjectName("keyPanel");
    keyPanel_->setFrameShape(QFrame::Panel);
    keyPanel_->setFrameShadow(QFrame::Raised);
    keyPanel_->setGeometry(113, 450, 25, 60);
    keyPanel_->setAutoFillBackground(true);  // a panel: it covers what lies under it
    auto* keyLabel = new QLabel("Key", keyPanel_);
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
    onlineOfflineButton_ = button("onlineOfflineButton", "Offline", "Switch Between Live & Archive",
                                  {168, 512, 57, 25}, &MainCommands::toggleOnline);
    eventTimeButton_ = button("eventTimeButton", "Time", "Switch Between Event & Time", {238, 512, 54, 25},
                              &MainCommands::toggleEventTimeView);

    buildNavButtons(c, commands);
    buildTimebasePanel(c, commands, sky);

    // F3: "Find" until a match is found, then "Next"; Shift+F3: "Back"; in search mode only.
    auto* findKey = new QShortcut(QKeySequence(Qt::Key_F3), c, [this] {
        if (!findButton_->isHidden()) press(state_.matchFound ? startStopButton_ : findButton_);
    });
    findKey->setObjectName("findOrNextShortcut");
    auto* backKey = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), c, [this] { press(backButton_); });
    backKey->setObjectName("backShortcut");
}

// The six navigation buttons on their bevel.
void ControlStrip::buildNavButtons(QWidget* c, MainCommands& commands) {
    auto* navBevel = new QFrame(c);
    navBevel->setFrameShape(QFrame::Panel);
    navBevel->setFrameShadow(QFrame::Raised);
    navBevel->setGeometry(312, 514, 296, 32);
    struct Nav {
        const char* name;
        const char* hint;
        QStyle::StandardPixmap icon;
        void (MainCommands::*command)();
    };
    const Nav navs[] = {
        {"firstButton", "Go to First Result (Home)", QStyle::SP_MediaSkipBackward,
         &MainCommands::goToFirstResult},
        {"fastLeftButton", "Fast Left (Page Up)", QStyle::SP_MediaSeekBackward, &MainCommands::stepLeftFast},
        {"slowLeftButton", "Slow Left (Left, wheel up)", QStyle::SP_ArrowLeft, &MainCommands::stepLeftSlow},
        {"slowRightButton", "Slow Right (Right, wheel down)", QStyle::SP_ArrowRight,
         &MainCommands::stepRightSlow},
        {"fastRightButton", "Fast Right (Page Down)", QStyle::SP_MediaSeekForward,
         &MainCommands::stepRightFast},
        {"lastButton", "Go to Last Results (End)", QStyle::SP_MediaSkipForward,
         &MainCommands::goToLastResult},
    };
    int x = 320;
    for (const Nav& n : navs) {
        auto* b = new QToolButton(c);
        b->setObjectName(n.name);
        b->setToolTip(n.hint);
        b->setIcon(c->style()->standardIcon(n.icon));
        b->setGeometry(x, 518, 40, 25);
        connectCommand(c, commands, b, n.command);
        navButtons_.push_back(b);
        x += 48;
    }
}

// The time-base panel: its caption and the "+" and "-" buttons.
void ControlStrip::buildTimebasePanel(QWidget* c, MainCommands& commands, const QPalette& sky) {
    timebasePanel_ = new QFrame(c);
    timebasePanel_->setObjectName("timebasePanel");
    timebasePanel_->setGeometry(616, 488, 161, 56);
    timebasePanel_->setAutoFillBackground(true);
    timebasePanel_->setPalette(sky);
    timebaseLabel_ = new QLabel("Timebase", timebasePanel_);
    timebaseLabel_->setObjectName("timebaseLabel");
    timebaseLabel_->setGeometry(6, 6, 150, 16);
    QFont sign("Arial");
    sign.setPixelSize(27);
    sign.setBold(true);
    timebasePlusButton_ = new QPushButton("+", timebasePanel_);
    timebasePlusButton_->setObjectName("timebasePlusButton");
    timebasePlusButton_->setToolTip("Increase Time Base (Ctrl+wheel up)");
    timebasePlusButton_->setGeometry(44, 23, 37, 25);
    timebasePlusButton_->setFont(sign);
    connectCommand(c, commands, timebasePlusButton_, &MainCommands::finerTimebase);
    timebaseMinusButton_ = new QPushButton("-", timebasePanel_);
    timebaseMinusButton_->setObjectName("timebaseMinusButton");
    timebaseMinusButton_->setToolTip("Decrease Time Base (Ctrl+wheel down)");
    timebaseMinusButton_->setGeometry(89, 23, 40, 25);
    timebaseMinusButton_->setFont(sign);
    connectCommand(c, commands, timebaseMinusButton_, &MainCommands::coarserTimebase);
}

bool ControlStrip::press(QAbstractButton* b) {
    if (b->isHidden() || !b->isEnabled()) return false;
    b->click();
    return true;
}

bool ControlStrip::pressForKey(const QKeyEvent& e) {
    if ((e.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;  // the keypad's keys count too
    const int keys[] = {Qt::Key_Home,  Qt::Key_PageUp,   Qt::Key_Left,
                        Qt::Key_Right, Qt::Key_PageDown, Qt::Key_End};
    for (size_t i = 0; i < navButtons_.size(); ++i)
        if (e.key() == keys[i]) return press(navButtons_[i]);
    return false;
}

void ControlStrip::pressForWheel(int angleDelta, bool control) {
    wheelRemainder_ += angleDelta;
    // Away from the user (up) is earlier, or a finer time base with Ctrl.
    for (; wheelRemainder_ >= 120; wheelRemainder_ -= 120)
        press(control ? static_cast<QAbstractButton*>(timebasePlusButton_) : navButtons_[2]);
    for (; wheelRemainder_ <= -120; wheelRemainder_ += 120)
        press(control ? static_cast<QAbstractButton*>(timebaseMinusButton_) : navButtons_[3]);
}

void ControlStrip::apply(const ControlStates& p) {
    eventTimeButton_->setText(QString::fromStdString(p.eventTimeCaption));
    timebaseLabel_->setVisible(p.timebaseControlsVisible);
    timebasePlusButton_->setVisible(p.timebaseControlsVisible);
    timebaseMinusButton_->setVisible(p.timebaseControlsVisible);
    timebasePanel_->setEnabled(p.timebasePanelEnabled);
    recordOrSearchLabel_->setText(QString::fromStdString(p.recordOrSearchCaption));
    findButton_->setVisible(p.searchControlsVisible);
    findButton_->setEnabled(!p.timelineShown);
    backButton_->setVisible(p.searchControlsVisible);
    keyPanel_->setVisible(p.searchControlsVisible);
    startStopButton_->setText(QString::fromStdString(p.startStopCaption));
    startStopButton_->setToolTip(QString::fromStdString(p.startStopHint));
    onlineOfflineButton_->setText(QString::fromStdString(p.onlineOfflineCaption));
    onlineOfflineButton_->setEnabled(p.onlineOfflineEnabled);
    timebaseLabel_->setText(QString::fromStdString(p.timebaseCaption));
    timebasePlusButton_->setEnabled(p.plusEnabled);
    timebaseMinusButton_->setEnabled(p.minusEnabled);
    for (QToolButton* b : navButtons_) b->setEnabled(p.navigationEnabled);
    startStopButton_->setEnabled(p.startStopEnabled);
    if (p.enablesBackAndEventTime) {
        backButton_->setEnabled(!p.timelineShown);
        eventTimeButton_->setEnabled(true);
    }
}

void ControlStrip::focusEventTimeButton() {
    eventTimeButton_->setFocus();
}

}  // namespace zvl
