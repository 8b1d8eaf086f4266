// pellam-zvl: the desktop application.

#include <QApplication>

#include "app/mainwindow.h"
#include "platform/qt/qtclock.h"
#include "platform/qt/qteventpump.h"
#include "platform/qt/qtfiledialogs.h"
#include "platform/qt/qtprompts.h"
#include "platform/qt/qtreceiverprocess.h"
#include "platform/qt/qtserialport.h"
#include "platform/qt/qttimer.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Corvask Morvic ZVL");

    zvl::QtClock clock;
    zvl::QtEventPump pump(clock);
    zvl::QtSerialPort port;
    zvl::QtPrompts prompts;
    zvl::QtFileDialogs fileDialogs;
    zvl::QtReceiverProcess receiver;
    zvl::QtTimer startTimer, splashTimer, statusPollTimer, breakTimer, uploadRetryTimer, refreshTimer;
    zvl::MainPlatform platform{port,
                               clock,
                               pump,
                               prompts,
                               fileDialogs,
                               {startTimer, splashTimer, statusPollTimer, breakTimer, uploadRetryTimer, refreshTimer},
                               zvl::settingsFilePath(),
                               &receiver};
    zvl::MainWindow window(platform);
    prompts.setParent(&window);
    fileDialogs.setParent(&window);
    window.show();
    return QApplication::exec();
}
