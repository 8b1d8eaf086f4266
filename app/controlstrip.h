#pragma once
// The control strip under the picture: Record/Search Mode with Find, Start/Stop/Next and Back,
// the key panel, Change Mode (Online/Offline, Event/Time), the six navigation buttons and the
// time-base panel. The controls stand on the client area at their fixed coordinates, each
// connected to its command; the strip shows what controlstates computes.

#include <vector>

#include "session/controlstates.h"

class QFrame;
class QLabel;
class QPushButton;
class QToolButton;
class QWidget;

namespace zvl {

class MainCommands;

class ControlStrip {
public:
    ControlStrip(QWidget* client, MainCommands& commands);
    void apply(const ControlStates& p);  // captions, visibility and enabled states

    void focusEventTimeButton();

private:
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
