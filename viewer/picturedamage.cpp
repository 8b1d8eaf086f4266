#include "viewer/picturedamage.h"

#include <algorithm>

namespace zvl {

namespace {

uint64_t mix(uint64_t h, uint64_t v) {
    h ^= v;
    h *= 0x100000001B3ull;  // FNV-1a's prime
    return h ^ (h >> 29);
}

uint64_t pair(int a, int b) {
    return uint64_t(uint32_t(a)) << 32 | uint32_t(b);
}

constexpr uint64_t kSeed = 0xCBF29CE484222325ull;

}  // namespace

TileFingerprints::TileFingerprints(Canvas* measure) : measure_(measure), all_(kSeed) {
    tiles_.fill(kSeed);
    restyle();
    // A fresh canvas's font, as the picture's canvas starts with.
    if (measure_) {
        measure_->setFontSize(points_);
        measure_->setFontBold(bold_);
    }
}

// A change of colour, pen or font alone draws nothing: it counts in the calls drawn with it.
void TileFingerprints::restyle() {
    uint64_t h = mix(kSeed, fill_);
    h = mix(h, pen_);
    h = mix(h, font_);
    h = mix(h, pair(penWidth_, points_));
    style_ = mix(h, bold_);
}

void TileFingerprints::setFillColour(uint32_t c) {
    fill_ = c;
    restyle();
}
void TileFingerprints::setPenColour(uint32_t c) {
    pen_ = c;
    restyle();
}
void TileFingerprints::setPenWidth(int w) {
    penWidth_ = w < 1 ? 1 : w;
    restyle();
}
void TileFingerprints::setFontSize(int points) {
    points_ = points;
    if (measure_) measure_->setFontSize(points);
    restyle();
}
void TileFingerprints::setFontBold(bool bold) {
    bold_ = bold;
    if (measure_) measure_->setFontBold(bold);
    restyle();
}
void TileFingerprints::setFontColour(uint32_t c) {
    font_ = c;
    restyle();
}

uint64_t TileFingerprints::call(uint64_t kind, int a, int b, int c, int d) const {
    return mix(mix(mix(style_, kind), pair(a, b)), pair(c, d));
}

void TileFingerprints::draw(uint64_t h, int l, int t, int r, int b) {
    all_ = mix(all_, h);
    l = std::max(l, 0);
    t = std::max(t, 0);
    r = std::min(r, kPictureWidth);
    b = std::min(b, kPictureHeight);
    if (r <= l || b <= t) return;  // nothing of it lands on the picture
    const int c0 = l / kTileSize, c1 = (r - 1) / kTileSize;
    const int r0 = (t + kRowOffset) / kTileSize, r1 = (b - 1 + kRowOffset) / kTileSize;
    for (int row = r0; row <= r1; ++row)
        for (int col = c0; col <= c1; ++col) {
            uint64_t& tile = tiles_[size_t(row * kColumns + col)];
            tile = mix(tile, h);
        }
}

// Each call's reach is what the picture's canvas can touch for it: a rectangle, a frame and
// an ellipse stay inside their box; a line's pen reaches its width beyond the points; a
// polygon is filled by Qt's rules and so is given a pixel more all round.
void TileFingerprints::rectangle(int l, int t, int r, int b) {
    draw(call(7, l, t, r, b), l, t, r, b);
}
void TileFingerprints::frameRect(int l, int t, int r, int b) {
    draw(call(12, l, t, r, b), l, t, r, b);
}
void TileFingerprints::ellipse(int l, int t, int r, int b) {
    draw(call(9, l, t, r, b), l, t, r, b);
}
void TileFingerprints::stampEllipse(int l, int t, int r, int b) {
    draw(call(9, l, t, r, b), l, t, r, b);
}
void TileFingerprints::line(int x1, int y1, int x2, int y2) {
    const int w = penWidth_;
    draw(call(10, x1, y1, x2, y2), std::min(x1, x2) - w, std::min(y1, y2) - w, std::max(x1, x2) + w + 1,
         std::max(y1, y2) + w + 1);
}
void TileFingerprints::polyline(const std::vector<CanvasPoint>& points) {
    for (size_t i = 1; i < points.size(); ++i)
        line(points[i - 1].x, points[i - 1].y, points[i].x, points[i].y);
}
void TileFingerprints::polygon(const std::vector<CanvasPoint>& points) {
    if (points.empty()) return;
    uint64_t h = call(8, int(points.size()), 0, 0, 0);
    int l = points[0].x, t = points[0].y, r = l, b = t;
    for (const CanvasPoint& p : points) {
        h = mix(h, pair(p.x, p.y));
        l = std::min(l, p.x);
        t = std::min(t, p.y);
        r = std::max(r, p.x);
        b = std::max(b, p.y);
    }
    const int m = penWidth_ + 1;
    draw(h, l - m, t - m, r + m + 1, b + m + 1);
}
void TileFingerprints::textOut(int x, int y, const std::string& text) {
    uint64_t h = call(13, x, y, int(text.size()), 0);
    for (char ch : text) h = mix(h, uint8_t(ch));
    // The glyphs may reach beyond the text's box (accents, descenders, overhangs): by no more
    // than the font's size, which is under twice its points at any resolution the picture has.
    const int pad = 2 * points_ + 4;
    if (!measure_) return draw(h, 0, y - pad, kPictureWidth, y + 3 * points_ + pad);
    draw(h, x - pad, y - pad, x + measure_->textWidth(text) + pad, y + 3 * points_ + pad);
}
int TileFingerprints::textWidth(const std::string& text) {
    return measure_ ? measure_->textWidth(text) : int(text.size()) * 7;
}

PictureDamage TileFingerprints::differences(const Tiles& shown) const {
    PictureDamage damage;
    // Without the texts' widths a text's tiles are guessed, not known: any change is all of it.
    if (!measure_) {
        if (tiles_ != shown) return damage;
        damage.whole = false;
        return damage;
    }
    damage.whole = false;
    for (int row = 0; row < kRows; ++row) {
        const int top = std::max(0, row * kTileSize - kRowOffset);
        const int bottom = std::min(kPictureHeight, (row + 1) * kTileSize - kRowOffset);
        for (int col = 0; col < kColumns;) {
            const size_t at = size_t(row * kColumns + col);
            if (tiles_[at] == shown[at]) {
                ++col;
                continue;
            }
            int end = col + 1;
            while (end < kColumns && tiles_[at + size_t(end - col)] != shown[at + size_t(end - col)]) ++end;
            damage.rects.push_back({col * kTileSize, top, std::min(kPictureWidth, end * kTileSize), bottom});
            col = end;
        }
    }
    // Tiles that cover most of their bounding box go as that one rectangle: a few unchanged
    // tiles drawn again cost less than drawing and copying the picture in many pieces.
    if (damage.rects.size() > 1) {
        PictureRect box = damage.rects.front();
        int64_t area = 0;
        for (const PictureRect& r : damage.rects) {
            box = {std::min(box.left, r.left), std::min(box.top, r.top), std::max(box.right, r.right),
                   std::max(box.bottom, r.bottom)};
            area += int64_t(r.right - r.left) * (r.bottom - r.top);
        }
        if (area * 3 >= int64_t(box.right - box.left) * (box.bottom - box.top) * 2) damage.rects = {box};
    }
    return damage;
}

}  // namespace zvl
