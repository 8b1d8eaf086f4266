#include "qt/qtcanvas.h"

#include <QFontMetrics>
#include <QPolygon>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

#include "qt/cp1252.h"

namespace zvl {

QColor toQColor(uint32_t colour) {
    return QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
}

QtCanvas::QtCanvas(QPaintDevice* device) : painter_(device), font_(QStringLiteral("Arial")) {
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, false);
    font_.setStyleStrategy(QFont::NoAntialias);
    applyFont();
    // The painter has made the image its own already; its pixels are written in place.
    auto* image = dynamic_cast<QImage*>(device);
    if (image && painter_.isActive() &&
        (image->format() == QImage::Format_RGB32 || image->format() == QImage::Format_ARGB32 ||
         image->format() == QImage::Format_ARGB32_Premultiplied)) {
        bits_ = image->bits();
        scale_ = image->devicePixelRatio();
        bytesPerLine_ = image->bytesPerLine();
        width_ = image->width();
        height_ = image->height();
    }
}

QtCanvas::~QtCanvas() {
    flushStamps();
}

void QtCanvas::applyFont() {
    metricsValid_ = false;
    font_.setPixelSize(int(std::lround(fontPoints_ * dpi_ / 72.0)));
    font_.setBold(bold_);
    painter_.setFont(font_);
}

void QtCanvas::setFontSize(int points) {
    fontPoints_ = points;
    applyFont();
}

void QtCanvas::setFontBold(bool bold) {
    bold_ = bold;
    applyFont();
}

void QtCanvas::fill(int l, int t, int r, int b, uint32_t colour) {
    if (!bits_) {
        if (r > l && b > t) painter_.fillRect(QRect(l, t, r - l, b - t), QColor::fromRgba(colour));
        return;
    }
    if (scale_ != 1.0) {  // a picture at a high-density screen's pixel ratio: its device pixels
        l = int(std::lround(l * scale_));
        t = int(std::lround(t * scale_));
        r = int(std::lround(r * scale_));
        b = int(std::lround(b * scale_));
    }
    fillDevice(l, t, r, b, colour);
}

void QtCanvas::setClip(const QRegion& area) {
    flushStamps();
    painter_.setClipRegion(area);
    clipped_ = true;
    clip_.clear();
    for (const QRect& r : area) {
        const int l = int(std::lround(r.left() * scale_)), t = int(std::lround(r.top() * scale_));
        const int e = int(std::lround((r.right() + 1) * scale_)),
                  b = int(std::lround((r.bottom() + 1) * scale_));
        clip_.push_back(QRect(l, t, e - l, b - t));
    }
}

void QtCanvas::fillDevice(int l, int t, int r, int b, uint32_t colour) {
    if (!clipped_) return fillUnclipped(l, t, r, b, colour);
    // The clip's rectangles come in bands from the top down.
    for (const QRect& c : clip_) {
        if (c.top() >= b) break;
        if (c.bottom() < t || c.right() < l || c.left() >= r) continue;
        fillUnclipped(std::max(l, c.left()), std::max(t, c.top()), std::min(r, c.right() + 1),
                      std::min(b, c.bottom() + 1), colour);
    }
}

void QtCanvas::fillUnclipped(int l, int t, int r, int b, uint32_t colour) {
    l = std::max(l, 0);
    t = std::max(t, 0);
    r = std::min(r, width_);
    b = std::min(b, height_);
    if (r <= l || b <= t) return;
    auto rowAt = [&](int y) { return reinterpret_cast<uint32_t*>(bits_ + y * bytesPerLine_) + l; };
    const int n = r - l;
    if (n < 16) {
        for (int y = t; y < b; ++y) std::fill(rowAt(y), rowAt(y) + n, colour);
        return;
    }
    // A wide fill: its first row by doubling copies, the other rows copied from it.
    uint32_t* first = rowAt(t);
    int done = 8;
    std::fill(first, first + done, colour);
    while (done < n) {
        const int k = std::min(done, n - done);
        std::memcpy(first + done, first, size_t(k) * sizeof(uint32_t));
        done += k;
    }
    for (int y = t + 1; y < b; ++y) std::memcpy(rowAt(y), first, size_t(n) * sizeof(uint32_t));
}

void QtCanvas::dot(int x, int y, uint32_t colour) {
    // A pen of width w covers a w x w square centred on the point.
    const int o = penWidth_ / 2;
    fill(x - o, y - o, x - o + penWidth_, y - o + penWidth_, colour);
}

void QtCanvas::rectangle(int l, int t, int r, int b) {
    flushStamps();
    if (r <= l || b <= t) return;
    const int w = penWidth_;
    // A bar has its outline in its own fill colour, and a thin rectangle is all outline: one fill.
    if (pen_ == fill_ || r - l <= 2 * w || b - t <= 2 * w) {
        fill(l, t, r, b, pen_);
        return;
    }
    fill(l, t, r, b, fill_);
    fill(l, t, r, t + w, pen_);
    fill(l, b - w, r, b, pen_);
    fill(l, t, l + w, b, pen_);
    fill(r - w, t, r, b, pen_);
}

void QtCanvas::frameRect(int l, int t, int r, int b) {
    flushStamps();
    if (r <= l || b <= t) return;
    fill(l, t, r, t + 1, fill_);
    fill(l, b - 1, r, b, fill_);
    fill(l, t, l + 1, b, fill_);
    fill(r - 1, t, r, b, fill_);
}

void QtCanvas::line(int x1, int y1, int x2, int y2) {
    flushStamps();
    if (x1 == x2 && y1 == y2) return;
    const int o = penWidth_ / 2;
    if (x1 == x2) {  // vertical: one rectangle, end point left out
        const int top = y1 < y2 ? y1 : y2 + 1;
        fill(x1 - o, top, x1 - o + penWidth_, top + std::abs(y2 - y1), pen_);
        return;
    }
    if (y1 == y2) {
        const int left = x1 < x2 ? x1 : x2 + 1;
        fill(left, y1 - o, left + std::abs(x2 - x1), y1 - o + penWidth_, pen_);
        return;
    }
    // Bresenham, without the end point.
    int dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
    const int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
    int err = dx + dy, x = x1, y = y1;
    while (x != x2 || y != y2) {
        dot(x, y, pen_);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

void QtCanvas::polyline(const std::vector<CanvasPoint>& points) {
    for (size_t i = 1; i < points.size(); ++i)
        line(points[i - 1].x, points[i - 1].y, points[i].x, points[i].y);
}

void QtCanvas::polygon(const std::vector<CanvasPoint>& points) {
    flushStamps();
    if (points.size() < 3) return;
    QPolygon poly;
    for (const CanvasPoint& p : points) poly << QPoint(p.x, p.y);
    painter_.save();
    painter_.setPen(Qt::NoPen);
    painter_.setBrush(QColor::fromRgba(fill_));
    painter_.drawPolygon(poly);
    painter_.restore();
    std::vector<CanvasPoint> closed = points;
    closed.push_back(points.front());
    polyline(closed);
}

std::vector<QtCanvas::Span> QtCanvas::ellipseSpans(int l, int t, int r, int b) const {
    // Each row covers the pixels whose centres lie inside; the top and bottom rows are
    // outline, the others have an outline pixel at each end.
    struct Row {
        int y, first, last;
    };
    std::vector<Row> rows;
    const double cx = (l + r) / 2.0, cy = (t + b) / 2.0;
    const double rx = (r - l) / 2.0, ry = (b - t) / 2.0;
    for (int y = t; y < b; ++y) {
        const double dy = (y + 0.5 - cy) / ry;
        if (std::abs(dy) > 1.0) continue;
        const double half = rx * std::sqrt(1.0 - dy * dy);
        const int first = int(std::ceil(cx - half - 0.5));
        const int last = int(std::floor(cx + half - 0.5));
        if (last < first) continue;
        rows.push_back({y, first, last});
    }
    std::vector<Span> spans;
    for (size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        const int dy = row.y - t;
        if (i == 0 || i + 1 == rows.size() || pen_ == fill_ || row.last - row.first < 2) {
            spans.push_back({dy, row.first, row.last, pen_});  // all outline, or all one colour
            continue;
        }
        spans.push_back({dy, row.first, row.first, pen_});
        spans.push_back({dy, row.first + 1, row.last - 1, fill_});
        spans.push_back({dy, row.last, row.last, pen_});
    }
    return spans;
}

void QtCanvas::ellipse(int l, int t, int r, int b) {
    flushStamps();
    if (r <= l || b <= t) return;
    for (const Span& s : ellipseSpans(l, t, r, b))
        fill(s.first, t + s.dy, s.last + 1, t + s.dy + 1, s.colour);
}

void QtCanvas::stampEllipse(int l, int t, int r, int b) {
    if (r <= l || b <= t) return;
    if (stamp_.empty() || stampWidth_ != r - l || stampHeight_ != b - t || stampPen_ != pen_ ||
        stampFill_ != fill_) {
        flushStamps();
        // The rows worked out once, for an ellipse at (0, 0).
        stamp_ = ellipseSpans(0, 0, r - l, b - t);
        stampWidth_ = r - l;
        stampHeight_ = b - t;
        stampPen_ = pen_;
        stampFill_ = fill_;
        stampNarrowest_ = r - l;
        for (const Span& s : stamp_) stampNarrowest_ = std::min(stampNarrowest_, s.last - s.first + 1);
    }
    if (pen_ != fill_) {  // an outline inside a band would be lost: each one by itself
        drawStamps(t, l, l);
        return;
    }
    // Two stamps whose lefts lie no further apart than the narrowest row leave no gap on any row.
    for (StampRun& run : stampRuns_) {
        if (run.top != t) continue;
        if (l >= run.firstLeft - stampNarrowest_ && l <= run.lastLeft + stampNarrowest_) {
            run.firstLeft = std::min(run.firstLeft, l);
            run.lastLeft = std::max(run.lastLeft, l);
            return;
        }
        drawStamps(run.top, run.firstLeft, run.lastLeft);
        run = {t, l, l};
        return;
    }
    stampRuns_.push_back({t, l, l});
}

void QtCanvas::drawStamps(int top, int firstLeft, int lastLeft) {
    for (const Span& s : stamp_)
        fill(firstLeft + s.first, top + s.dy, lastLeft + s.last + 1, top + s.dy + 1, s.colour);
}

void QtCanvas::flushStamps() {
    for (const StampRun& run : stampRuns_) drawStamps(run.top, run.firstLeft, run.lastLeft);
    stampRuns_.clear();
}

namespace {
// Text widths by font and device resolution. The picture writes the same few dozen texts in
// every redraw, and measuring one means shaping it; the cache is emptied when it grows large.
struct TextKey {
    int pixelSize, dpi;
    bool bold;
    std::string text;
    bool operator==(const TextKey&) const = default;
};
struct TextKeyHash {
    size_t operator()(const TextKey& k) const {
        return std::hash<std::string>()(k.text) ^ (size_t(k.pixelSize) << 1) ^ (size_t(k.dpi) << 12) ^
               size_t(k.bold);
    }
};
std::unordered_map<TextKey, int, TextKeyHash>& textWidths() {
    static std::unordered_map<TextKey, int, TextKeyHash> widths;
    return widths;
}
}  // namespace

QtCanvas::TextMetrics QtCanvas::metrics() {
    if (!metricsValid_) {
        const QFontMetrics fm(font_, painter_.device());
        metrics_ = {fm.height(), fm.ascent()};
        metricsValid_ = true;
    }
    return metrics_;
}

namespace {
// A text's pixels as Qt draws it, in device pixels from the device pixel of its box's top
// left: rows of runs, each run one colour (the font's). Empty runs with `drawn` false: Qt drew
// it with shades, so it is drawn by Qt every time.
struct KeptText {
    struct Run {
        int dy, first, last;
    };
    std::vector<Run> runs;
    bool drawn = true;
    QRect bounds;  // of the runs
};
struct KeptTextKey {
    int pixelSize;
    bool bold;
    double scale;
    std::string text;
    bool operator==(const KeptTextKey&) const = default;
};
struct KeptTextKeyHash {
    size_t operator()(const KeptTextKey& k) const {
        return std::hash<std::string>()(k.text) ^ (size_t(k.pixelSize) << 1) ^ (size_t(k.scale * 8) << 12) ^
               size_t(k.bold);
    }
};
std::unordered_map<KeptTextKey, KeptText, KeptTextKeyHash>& keptTexts() {
    static std::unordered_map<KeptTextKey, KeptText, KeptTextKeyHash> texts;
    return texts;
}
}  // namespace

bool QtCanvas::textFromKeptPixels(int x, int y, const std::string& text, const TextMetrics& m) {
    // A whole number of device pixels to a picture pixel keeps the texts' pixels the same
    // wherever they stand.
    if (!bits_ || !keepText_ || scale_ != std::floor(scale_)) return false;
    auto& texts = keptTexts();
    KeptTextKey key{font_.pixelSize(), bold_, scale_, text};
    auto it = texts.find(key);
    if (it == texts.end()) {
        if (texts.size() > 1024) texts.clear();
        // Drawn once as here, on a transparent image with room all round for what reaches
        // beyond the box (accents, descenders, overhangs): every pixel is either untouched or
        // the pen's colour, else the text is not kept.
        const int pad = font_.pixelSize() + 2;
        const int w = textWidth(text) + 2 * pad, h = m.height + 2 * pad;
        QImage probe(int(std::lround(w * scale_)), int(std::lround(h * scale_)),
                     QImage::Format_ARGB32_Premultiplied);
        probe.setDevicePixelRatio(scale_);
        probe.fill(Qt::transparent);
        {
            QPainter p(&probe);
            p.setRenderHint(QPainter::Antialiasing, false);
            p.setRenderHint(QPainter::TextAntialiasing, false);
            p.setFont(font_);
            p.setPen(QColor(Qt::black));
            p.drawText(QPoint(pad, pad + m.ascent), fromCp1252(text));
        }
        KeptText kept;
        const int origin = int(std::lround(pad * scale_));
        for (int py = 0; py < probe.height() && kept.drawn; ++py) {
            const auto* row = reinterpret_cast<const uint32_t*>(probe.constScanLine(py));
            for (int px = 0; px < probe.width(); ++px) {
                if (row[px] == 0) continue;
                if (row[px] != 0xFF000000u) {
                    kept.drawn = false;
                    break;
                }
                int last = px;
                while (last + 1 < probe.width() && row[last + 1] == 0xFF000000u) ++last;
                kept.runs.push_back({py - origin, px - origin, last - origin});
                px = last;
            }
        }
        if (!kept.drawn) kept.runs.clear();
        for (const KeptText::Run& r : kept.runs) kept.bounds |= QRect(r.first, r.dy, r.last - r.first + 1, 1);
        it = texts.emplace(std::move(key), std::move(kept)).first;
    }
    if (!it->second.drawn) return false;
    const int ox = int(std::lround(x * scale_)), oy = int(std::lround(y * scale_));
    // Under a clip, a text wholly inside one of its rectangles is written as it is, and one
    // outside them all not at all; only a text across a clip's edge is cut run by run.
    const QRect box = it->second.bounds.translated(ox, oy);
    bool cut = false;
    if (clipped_) {
        bool inside = false, touched = false;
        for (const QRect& c : clip_) {
            inside = inside || c.contains(box);
            touched = touched || c.intersects(box);
        }
        if (!touched) return true;
        cut = !inside;
    }
    for (const KeptText::Run& r : it->second.runs) {
        const int py = oy + r.dy;
        if (py < 0 || py >= height_) continue;
        if (cut)
            fillDevice(ox + r.first, py, ox + r.last + 1, py + 1, fontColour_);
        else
            fillUnclipped(ox + r.first, py, ox + r.last + 1, py + 1, fontColour_);
    }
    return true;
}

void QtCanvas::textOut(int x, int y, const std::string& text) {
    flushStamps();
    if (text.empty()) return;
    const TextMetrics m = metrics();
    painter_.setPen(QColor::fromRgba(fontColour_));
    if (!bits_ && painter_.device()->devicePixelRatio() == 1) {
        // On the window or a page Qt fills the text's box itself as it lays the text out
        // (its advance by the font's height): a text new at every frame, like the Event box's,
        // is shaped once, not measured first. (At other ratios Qt's box of fractional advances
        // can end a device pixel away from the measured one.)
        painter_.setBackgroundMode(Qt::OpaqueMode);
        painter_.setBackground(QColor::fromRgba(fill_));
        painter_.drawText(QPoint(x, y + m.ascent), fromCp1252(text));
        painter_.setBackgroundMode(Qt::TransparentMode);
        return;
    }
    fill(x, y, x + textWidth(text), y + m.height, fill_);
    if (textFromKeptPixels(x, y, text, m)) return;
    painter_.drawText(QPoint(x, y + m.ascent), fromCp1252(text));
}

int QtCanvas::textWidth(const std::string& text) {
    auto& widths = textWidths();
    TextKey key{font_.pixelSize(), painter_.device()->logicalDpiX(), bold_, text};
    if (auto it = widths.find(key); it != widths.end()) return it->second;
    if (widths.size() > 4096) widths.clear();
    const QFontMetrics fm(font_, painter_.device());
    const int width = fm.horizontalAdvance(fromCp1252(text));
    widths.emplace(std::move(key), width);
    return width;
}

}  // namespace zvl
