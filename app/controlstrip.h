#pragma once
// The control strip under the picture: Record/Search Mode with Find, Start/Stop/Next and Back,
// the key panel, Change Mode (Online/Offline, Event/Time), the six navigation buttons and the
// time-base panel. The controls stand on the client area at their fixed coordinates, each
// connected to its command; the strip shows what controlstates computes. Keys and the wheel
// press the button they stand for, and only a button that is shown and enabled.

#include <vector>

#include "session/controlstates.h"

class QAbstractButton;
class QKeyEvent;

class QFrame;
class QLabel;
class QPalette;
class QPushButton;
class QToolButton;
class QWidget;

namespace zvl {

class MainCommands;

class ControlStrip {
public:
    ControlStrip(QWidget* client, MainCommands& commands, const AppState& state);
    void apply(const ControlStates& p);  // captions, visibility and enabled states
    // Left/Right the slow steps, Page Up/Down the fast steps, Home/End first and last, for a
    // key without modifiers; returns whether a button took it.
    bool pressForKey(const QKeyEvent& e);
    // The wheel: the slow steps, with Ctrl "+" and "-"; 120 units a step, the rest kept.
    void pressForWheel(int angleDelta, bool control);

    void focusEventTimeButton();

private:
    static bool press(QAbstractButton* b);
    void buildNavButtons(QWidget* client, MainCommands& commands);
    void buildTimebasePanel(QWidget* client, MainCommands& commands, const QPalette& sky);

    const AppState& state_;
    int wheelRemainder_ = 0;
    QLabel* recordOrSearchLabel_ = nullptr;
    QPushButton *findButton_ = nullptr, *startStopButton_ = nullptr, *backButton_ = nullptr;
    QPushButton *onlineOfflineButton_ = nullptr, *eventTimeButton_ = nullptr;
    QFrame* keyPanel_ = nullptr;
    QFrame* timebasePanel_ = nullptr;
    QLabel* timebaseLabel_ = nullptr;
    QPushButton *timebasePlusButton_ = nullptr, *timebaseMinusButton_ = nullptr;
    std::vector<QToolButton*> navButtons_;
};

}  // namespace zvl
