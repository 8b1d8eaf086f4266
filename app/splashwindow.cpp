#include "app/splashwindow.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace zvl {

SplashWindow::SplashWindow(QWidget* parent) : QDialog(parent) {
    setObjectName("SplashWindow");
    setWindowTitle("Corvask - Pellam-ZVL ");
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint);
    setFixedSize(360, 200);
    setEnabled(false);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(166, 202, 240));  // sky blue
    setPalette(p);
    setAutoFillBackground(true);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - QPoint(width() / 2, height() / 2));
}

void SplashWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    // The picture: a few traces of a timing diagram.
    p.setPen(QPen(QColor(0, 0, 255), 2));
    const int levels[4][8] = {{0, 1, 1, 0, 1, 0, 0, 1},
                              {1, 1, 0, 0, 1, 1, 0, 0},
                              {0, 0, 1, 1, 1, 0, 1, 1},
                              {1, 0, 1, 0, 1, 0, 1, 0}};
    for (int row = 0; row < 4; ++row) {
        const int base = 40 + row * 22;
        int y = base - 12 * levels[row][0];
        for (int s = 0; s < 8; ++s) {
            const int ny = base - 12 * levels[row][s];
            const int x = 40 + s * 35;
            if (ny != y) p.drawLine(x, y, x, ny);
            p.drawLine(x, ny, x + 35, ny);
            y = ny;
        }
    }
    QFont f = font();
    f.setFamily("Arial");
    f.setPixelSize(15);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::black);
    p.drawText(QRect(0, 140, width(), 40), Qt::AlignCenter, "Welcome to the Pellam - ZVL. Please Wait.");
}

}  // namespace zvl
