#pragma once
// The drawing surface the trace renderer (and later printing) draws on, with the pixel rules
// the picture is defined by:
//  - a rectangle (l, t, r, b) covers l <= x < r and t <= y < b; outlined and filled, its
//    outline lies inside that area in the pen colour and width, the rest takes the fill;
//  - a line includes its start point and stops one pixel short of its end point;
//  - text is placed by its top-left corner and drawn opaque on the fill colour;
//  - no antialiasing. Colours are 24-bit integers with red in the low byte.

#include <cstdint>
#include <string>
#include <vector>

namespace zvl {

struct CanvasPoint {
    int x = 0, y = 0;
};

class Canvas {
public:
    virtual ~Canvas() = default;
    virtual void setFillColour(uint32_t colour) = 0;
    virtual void setPenColour(uint32_t colour) = 0;
    virtual void setPenWidth(int width) = 0;
    virtual void setFontSize(int points) = 0;
    virtual void setFontBold(bool bold) = 0;
    virtual void setFontColour(uint32_t colour) = 0;

    virtual void rectangle(int l, int t, int r, int b) = 0;            // outlined and filled
    virtual void polygon(const std::vector<CanvasPoint>& points) = 0;  // filled, outlined
    virtual void ellipse(int l, int t, int r, int b) = 0;              // filled, outlined
    // The same ellipse, for a shape drawn many times with the same size and colours (the change
    // marks): a canvas may prepare it once and copy it.
    virtual void stampEllipse(int l, int t, int r, int b) { ellipse(l, t, r, b); }
    virtual void line(int x1, int y1, int x2, int y2) = 0;
    virtual void polyline(const std::vector<CanvasPoint>& points) = 0;
    virtual void frameRect(int l, int t, int r, int b) = 0;           // one pixel, fill colour
    virtual void textOut(int x, int y, const std::string& text) = 0;  // Windows-1252 bytes
    virtual int textWidth(const std::string& text) = 0;
};

// A canvas that draws nothing: runs a walk only for the state it computes.
class NullCanvas : public Canvas {
public:
    void setFillColour(uint32_t) override {}
    void setPenColour(uint32_t) override {}
    void setPenWidth(int) override {}
    void setFontSize(int) override {}
    void setFontBold(bool) override {}
    void setFontColour(uint32_t) override {}
    void rectangle(int, int, int, int) override {}
    void polygon(const std::vector<CanvasPoint>&) override {}
    void ellipse(int, int, int, int) override {}
    void stampEllipse(int, int, int, int) override {}
    void line(int, int, int, int) override {}
    void polyline(const std::vector<CanvasPoint>&) override {}
    void frameRect(int, int, int, int) override {}
    void textOut(int, int, const std::string&) override {}
    int textWidth(const std::string& text) override { return int(text.size()) * 7; }
};

}  // namespace zvl
