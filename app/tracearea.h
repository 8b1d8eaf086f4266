#pragma once
// The main window's client area and the link lamp beside the status text.

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QToolTip>
#include <QWidget>

#include "app/controlstrip.h"
#include "app/mainwindow.h"
#include "qt/qtcanvas.h"
#include "viewer/colouroptions.h"

namespace zvl {

// The round link lamp beside the status text.
class LinkLamp : public QWidget {
public:
    LinkLamp(const AppState& state, QWidget* parent) : QWidget(parent), state_(state) {
        setAttribute(Qt::WA_OpaquePaintEvent);  // its corners are its own: see paintEvent
    }
    QColor colour() const { return toQColor(state_.link.lampColour); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), palette().window());
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(Qt::black);
        p.setBrush(colour());
        p.drawEllipse(QRectF(0.5, 0.5, width() - 1.0, height() - 1.0));
    }

private:
    const AppState& state_;
};

// The client area: the trace picture at (6, 100) with the overlay, the window's own mouse
// handlers, and the keys and the wheel, which press the strip's buttons.
class TraceArea : public QWidget {
public:
    explicit TraceArea(MainWindow* owner) : QWidget(owner), owner_(owner) {
        setObjectName("client");
        setFocusPolicy(Qt::ClickFocus);  // a click on the picture takes the keys from the memo
        // The area paints its own background, around the picture only: the window behind it
        // is not painted first at every live frame.
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    ControlStrip* strip = nullptr;

protected:
    void paintEvent(QPaintEvent* e) override {
        QtCanvas canvas(this);
        const QRegion around = e->region() - QRect(kPictureLeft, kPictureTop, kPictureWidth, kPictureHeight);
        for (const QRect& r : around) canvas.painter().fillRect(r, palette().window());
        owner_->paintTrace(canvas, e->region());
    }
    void mousePressEvent(QMouseEvent* e) override {
        const QPoint at = e->position().toPoint();
        owner_->onMouseDown(at.x(), at.y(), e->button() == Qt::LeftButton,
                            e->modifiers() & Qt::ShiftModifier);
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        owner_->onMouseUp(e->position().toPoint().x(), e->position().toPoint().y());
    }
    void keyPressEvent(QKeyEvent* e) override {
        // A key a text field passed on (Page Up in the title box) is not for the trace.
        const QWidget* focus = QApplication::focusWidget();
        const bool fromText =
            qobject_cast<const QLineEdit*>(focus) || qobject_cast<const QPlainTextEdit*>(focus);
        if (fromText || !strip->pressForKey(*e)) QWidget::keyPressEvent(e);
    }
    // A gap of a timeline under the pointer tells its length and cause.
    bool event(QEvent* e) override {
        if (e->type() != QEvent::ToolTip) return QWidget::event(e);
        const auto* help = static_cast<QHelpEvent*>(e);
        const std::string tip = owner_->gapTipAt(help->pos().x(), help->pos().y());
        if (tip.empty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), QString::fromStdString(tip), this);
        return true;
    }
    // The wheel over the picture: 120 units a step, the remainder kept for the next turn.
    void wheelEvent(QWheelEvent* e) override {
        if (!QRect(kPictureLeft, kPictureTop, kPictureWidth, kPictureHeight)
                 .contains(e->position().toPoint()))
            return e->ignore();
        strip->pressForWheel(e->angleDelta().y(), e->modifiers() & Qt::ControlModifier);
    }

private:
    MainWindow* owner_;
};

}  // namespace zvl
