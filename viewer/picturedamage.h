#pragma once
// Which parts of the trace picture a live frame draws again. The picture is cut into tiles of
// 20 x 20 pixels, their rows lined up with the inputs' rows. A canvas that draws nothing keeps
// a fingerprint for each tile of the drawing calls that can reach it, in their order, with the
// colours, pen and font each is drawn with. Where two pictures' calls give a tile the same
// fingerprint, its pixels are the same; a frame draws (and the window repaints) only the tiles
// whose fingerprints changed. In a time-base view that is mostly the name boxes and the newest
// column; in event mode the chart, not the captions, the key boxes and the scale.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "viewer/tracerenderer.h"

namespace zvl {

// Pixels left <= x < right, top <= y < bottom of the picture.
struct PictureRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const PictureRect&) const = default;
};

// Where a picture is drawn: all of it, or only in the rectangles listed (which do not overlap).
struct PictureDamage {
    bool whole = true;
    std::vector<PictureRect> rects;
    bool overlayChanged = true;  // what the window draws over the picture (the Event box)
    bool empty() const { return !whole && rects.empty(); }
};

class TileFingerprints final : public Canvas {
public:
    static constexpr int kTileSize = 20;
    static constexpr int kColumns = (kPictureWidth + kTileSize - 1) / kTileSize;
    // Tile row r holds the picture rows 20r - 10 to 20r + 9: input k's row is tile row k + 1.
    static constexpr int kRowOffset = 10;
    static constexpr int kRows = (kPictureHeight + kRowOffset + kTileSize - 1) / kTileSize;
    using Tiles = std::array<uint64_t, size_t(kColumns* kRows)>;

    // Text widths (and so where the texts stand and what they reach) come from the measuring
    // canvas, which draws text by the picture's own rules. Without one, a text is taken to
    // reach across the picture's whole width, and any difference is the whole picture.
    explicit TileFingerprints(Canvas* measure = nullptr);

    void setFillColour(uint32_t c) override;
    void setPenColour(uint32_t c) override;
    void setPenWidth(int w) override;
    void setFontSize(int points) override;
    void setFontBold(bool bold) override;
    void setFontColour(uint32_t c) override;
    void rectangle(int l, int t, int r, int b) override;
    void polygon(const std::vector<CanvasPoint>& points) override;
    void ellipse(int l, int t, int r, int b) override;
    void stampEllipse(int l, int t, int r, int b) override;
    void line(int x1, int y1, int x2, int y2) override;
    void polyline(const std::vector<CanvasPoint>& points) override;
    void frameRect(int l, int t, int r, int b) override;
    void textOut(int x, int y, const std::string& text) override;
    int textWidth(const std::string& text) override;

    const Tiles& tiles() const { return tiles_; }
    uint64_t value() const { return all_; }  // of every drawing call, in order

    // The tiles whose fingerprints differ from those given, as runs of tiles along each tile
    // row, cut to the picture, or their bounding box when they fill two thirds of it or more.
    // Empty when none differs.
    PictureDamage differences(const Tiles& shown) const;

private:
    void restyle();
    // One drawing call of the given hash that can change the pixels l <= x < r, t <= y < b.
    void draw(uint64_t call, int l, int t, int r, int b);
    uint64_t call(uint64_t kind, int a, int b, int c, int d) const;

    Canvas* measure_;
    uint64_t style_ = 0;  // the colours, pen and font now
    uint32_t fill_ = 0, pen_ = 0, font_ = 0;
    int penWidth_ = 1, points_ = 10;
    bool bold_ = false;
    Tiles tiles_;
    uint64_t all_;
};

}  // namespace zvl
