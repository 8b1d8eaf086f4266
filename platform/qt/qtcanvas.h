#pragma once
// Canvas on any Qt paint device (the trace picture's QImage, the window, a printer page),
// drawing with the picture's pixel rules rather than QPainter's: rectangles fill l <= x < r
// with the outline inside, lines stop one pixel short, text is opaque, nothing is smoothed.

#include <QFont>
#include <QImage>
#include <QPainter>

#include "platform/canvas.h"

namespace zvl {

QColor toQColor(uint32_t colour);

class QtCanvas : public Canvas {
public:
    explicit QtCanvas(QPaintDevice* device);
    // Font point sizes become pixels at this many dots per inch (the screen's 96 by default;
    // a printer page passes its own).
    void setDotsPerInch(int dpi) { dpi_ = dpi; applyFont(); }

    void setFillColour(uint32_t colour) override { fill_ = toQColor(colour); }
    void setPenColour(uint32_t colour) override { pen_ = toQColor(colour); }
    void setPenWidth(int width) override { penWidth_ = width < 1 ? 1 : width; }
    void setFontSize(int points) override;
    void setFontBold(bool bold) override;
    void setFontColour(uint32_t colour) override { fontColour_ = toQColor(colour); }

    void rectangle(int l, int t, int r, int b) override;
    void polygon(const std::vector<CanvasPoint>& points) override;
    void ellipse(int l, int t, int r, int b) override;
    void stampEllipse(int l, int t, int r, int b) override;
    void line(int x1, int y1, int x2, int y2) override;
    void polyline(const std::vector<CanvasPoint>& points) override;
    void frameRect(int l, int t, int r, int b) override;
    void textOut(int x, int y, const std::string& text) override;
    int textWidth(const std::string& text) override;

    QPainter& painter() { return painter_; }

private:
    void applyFont();
    void dot(int x, int y, const QColor& colour);

    QPainter painter_;
    QFont font_;
    QColor fill_{Qt::white}, pen_{Qt::black}, fontColour_{Qt::black};
    int penWidth_ = 1;
    int fontPoints_ = 10;
    bool bold_ = false;
    int dpi_ = 96;
    QImage stamp_;  // the last stamped ellipse, and the colours it was made in
    QColor stampPen_, stampFill_;
};

}  // namespace zvl
