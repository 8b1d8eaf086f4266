#pragma once
// Canvas on any Qt paint device (the trace picture's QImage, the window, a printer page),
// drawing with the picture's pixel rules rather than QPainter's: rectangles fill l <= x < r
// with the outline inside, lines stop one pixel short, text is opaque, nothing is smoothed.
// On an image with a device pixel ratio above 1 the shapes cover the device pixels of their
// picture pixels and the text is drawn at the device's resolution.

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRegion>
#include <vector>

#include "platform/canvas.h"

namespace zvl {

QColor toQColor(uint32_t colour);

class QtCanvas : public Canvas {
public:
    explicit QtCanvas(QPaintDevice* device);
    ~QtCanvas() override;
    // Font point sizes become pixels at this many dots per inch (the screen's 96 by default;
    // a printer page passes its own).
    void setDotsPerInch(int dpi) {
        dpi_ = dpi;
        applyFont();
    }

    void setFillColour(uint32_t colour) override { fill_ = argb(colour); }
    void setPenColour(uint32_t colour) override { pen_ = argb(colour); }
    void setPenWidth(int width) override { penWidth_ = width < 1 ? 1 : width; }
    void setFontSize(int points) override;
    void setFontBold(bool bold) override;
    void setFontColour(uint32_t colour) override { fontColour_ = argb(colour); }

    void rectangle(int l, int t, int r, int b) override;
    void polygon(const std::vector<CanvasPoint>& points) override;
    void ellipse(int l, int t, int r, int b) override;
    void stampEllipse(int l, int t, int r, int b) override;
    void line(int x1, int y1, int x2, int y2) override;
    void polyline(const std::vector<CanvasPoint>& points) override;
    void frameRect(int l, int t, int r, int b) override;
    void textOut(int x, int y, const std::string& text) override;
    int textWidth(const std::string& text) override;

    // From now on draws only inside this area (in the device's own coordinates, before any
    // pixel ratio): the rest of the device keeps its pixels.
    void setClip(const QRegion& area);

    QPainter& painter() {
        flushStamps();
        return painter_;
    }
    // On a 32-bit image a text's pixels are kept after its first drawing (by font, size and
    // the image's pixel ratio) and written again from there: the picture writes the same few
    // dozen texts in every frame, and shaping and drawing them through Qt cost more than the
    // rest of the picture. Off: every text through Qt (what the kept pixels are checked against).
    void setKeepTextPixels(bool keep) { keepText_ = keep; }

private:
    // A colour value as an opaque 32-bit pixel (0xAARRGGBB).
    static uint32_t argb(uint32_t colour) {
        return 0xFF000000u | ((colour & 0xFFu) << 16) | (colour & 0xFF00u) | ((colour >> 16) & 0xFFu);
    }
    void applyFont();
    struct TextMetrics {
        int height = 0, ascent = 0;
    };
    TextMetrics metrics();  // of the current font
    // Draws the text at (x, y) from its kept pixels; false when it cannot (not an image, or a
    // text Qt draws with shades of the colour, which are not kept).
    bool textFromKeptPixels(int x, int y, const std::string& text, const TextMetrics& m);
    void dot(int x, int y, uint32_t colour);
    // Fills the pixels l <= x < r, t <= y < b (cut to the device) with one colour. On a 32-bit
    // image it writes the pixels itself: the picture's bars and marks are thousands of small
    // fills, and QPainter's way costs more than the pixels.
    void fill(int l, int t, int r, int b, uint32_t colour);
    // The same in device pixels, cut to the clip; and without the clip.
    void fillDevice(int l, int t, int r, int b, uint32_t colour);
    void fillUnclipped(int l, int t, int r, int b, uint32_t colour);
    struct Span {
        int dy, first, last;
        uint32_t colour;
    };
    // The rows of an outlined, filled ellipse (l, t, r, b) as spans of one colour each.
    std::vector<Span> ellipseSpans(int l, int t, int r, int b) const;

    QPainter painter_;
    QFont font_;
    uint32_t fill_ = 0xFFFFFFFFu, pen_ = 0xFF000000u, fontColour_ = 0xFF000000u;
    int penWidth_ = 1;
    int fontPoints_ = 10;
    bool bold_ = false;
    int dpi_ = 96;
    TextMetrics metrics_;
    bool metricsValid_ = false;
    bool keepText_ = true;
    uchar* bits_ = nullptr;  // the pixels of a 32-bit image device, else null
    double scale_ = 1.0;     // that image's device pixels per picture pixel
    qsizetype bytesPerLine_ = 0;
    int width_ = 0, height_ = 0;
    bool clipped_ = false;
    std::vector<QRect> clip_;  // in device pixels
    // Stamps of one colour that touch side by side are drawn as one band: on each row, from the
    // first stamp's left end to the last one's right end. They are held until anything else is
    // drawn, which keeps the order of the drawing.
    void flushStamps();
    void drawStamps(int top, int firstLeft, int lastLeft);
    // The last stamped ellipse: its size and colours, its rows, and its narrowest row.
    int stampWidth_ = 0, stampHeight_ = 0;
    uint32_t stampPen_ = 0, stampFill_ = 0;
    std::vector<Span> stamp_;
    int stampNarrowest_ = 0;
    struct StampRun {
        int top, firstLeft, lastLeft;
    };
    std::vector<StampRun> stampRuns_;
};

}  // namespace zvl
