#include "platform/qt/qtcanvas.h"

#include <QFontMetrics>
#include <QPolygon>
#include <cmath>
#include <cstdlib>

#include "platform/qt/cp1252.h"

namespace zvl {

QColor toQColor(uint32_t colour) { return QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF)); }

QtCanvas::QtCanvas(QPaintDevice* device) : painter_(device), font_(QStringLiteral("Arial")) {
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, false);
    font_.setStyleStrategy(QFont::NoAntialias);
    applyFont();
}

void QtCanvas::applyFont() {
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

void QtCanvas::dot(int x, int y, const QColor& colour) {
    // A pen of width w covers a w x w square centred on the point.
    const int o = penWidth_ / 2;
    painter_.fillRect(QRect(x - o, y - o, penWidth_, penWidth_), colour);
}

void QtCanvas::rectangle(int l, int t, int r, int b) {
    if (r <= l || b <= t) return;
    const int w = penWidth_;
    // A bar has its outline in its own fill colour, and a thin rectangle is all outline: one fill.
    if (pen_ == fill_ || r - l <= 2 * w || b - t <= 2 * w) {
        painter_.fillRect(QRect(l, t, r - l, b - t), pen_);
        return;
    }
    painter_.fillRect(QRect(l, t, r - l, b - t), fill_);
    painter_.fillRect(QRect(l, t, r - l, std::min(w, b - t)), pen_);
    painter_.fillRect(QRect(l, std::max(t, b - w), r - l, std::min(w, b - t)), pen_);
    painter_.fillRect(QRect(l, t, std::min(w, r - l), b - t), pen_);
    painter_.fillRect(QRect(std::max(l, r - w), t, std::min(w, r - l), b - t), pen_);
}

void QtCanvas::frameRect(int l, int t, int r, int b) {
    if (r <= l || b <= t) return;
    painter_.fillRect(QRect(l, t, r - l, 1), fill_);
    painter_.fillRect(QRect(l, b - 1, r - l, 1), fill_);
    painter_.fillRect(QRect(l, t, 1, b - t), fill_);
    painter_.fillRect(QRect(r - 1, t, 1, b - t), fill_);
}

void QtCanvas::line(int x1, int y1, int x2, int y2) {
    if (x1 == x2 && y1 == y2) return;
    const int o = penWidth_ / 2;
    if (x1 == x2) {  // vertical: one rectangle, end point left out
        const int top = y1 < y2 ? y1 : y2 + 1;
        const int len = std::abs(y2 - y1);
        painter_.fillRect(QRect(x1 - o, top, penWidth_, len), pen_);
        return;
    }
    if (y1 == y2) {
        const int left = x1 < x2 ? x1 : x2 + 1;
        const int len = std::abs(x2 - x1);
        painter_.fillRect(QRect(left, y1 - o, len, penWidth_), pen_);
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
    for (size_t i = 1; i < points.size(); ++i) line(points[i - 1].x, points[i - 1].y, points[i].x, points[i].y);
}

void QtCanvas::polygon(const std::vector<CanvasPoint>& points) {
    if (points.size() < 3) return;
    QPolygon poly;
    for (const CanvasPoint& p : points) poly << QPoint(p.x, p.y);
    painter_.save();
    painter_.setPen(Qt::NoPen);
    painter_.setBrush(fill_);
    painter_.drawPolygon(poly);
    painter_.restore();
    std::vector<CanvasPoint> closed = points;
    closed.push_back(points.front());
    polyline(closed);
}

namespace {
// The rows of an ellipse (l, t, r, b) by the picture's rule: each row covers the pixels whose
// centres lie inside; the top and bottom rows are outline, the others have an outline pixel
// at each end.
struct EllipseRow {
    int y, first, last;
};
std::vector<EllipseRow> ellipseRows(int l, int t, int r, int b) {
    std::vector<EllipseRow> rows;
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
    return rows;
}
}  // namespace

void QtCanvas::ellipse(int l, int t, int r, int b) {
    if (r <= l || b <= t) return;
    const std::vector<EllipseRow> rows = ellipseRows(l, t, r, b);
    for (size_t i = 0; i < rows.size(); ++i) {
        const EllipseRow& s = rows[i];
        painter_.fillRect(QRect(s.first, s.y, s.last - s.first + 1, 1), fill_);
        if (i == 0 || i + 1 == rows.size()) {
            painter_.fillRect(QRect(s.first, s.y, s.last - s.first + 1, 1), pen_);
        } else {
            painter_.fillRect(QRect(s.first, s.y, 1, 1), pen_);
            painter_.fillRect(QRect(s.last, s.y, 1, 1), pen_);
        }
    }
}

void QtCanvas::stampEllipse(int l, int t, int r, int b) {
    if (r <= l || b <= t) return;
    const QSize size(r - l, b - t);
    if (stamp_.isNull() || stamp_.size() != size || stampPen_ != pen_ || stampFill_ != fill_) {
        // The ellipse drawn once at (0, 0) on a transparent sprite, by the same rule.
        stamp_ = QImage(size, QImage::Format_ARGB32_Premultiplied);
        stamp_.fill(Qt::transparent);
        QtCanvas sprite(&stamp_);
        sprite.pen_ = pen_;
        sprite.fill_ = fill_;
        sprite.ellipse(0, 0, size.width(), size.height());
        stampPen_ = pen_;
        stampFill_ = fill_;
    }
    painter_.drawImage(QPoint(l, t), stamp_);
}

void QtCanvas::textOut(int x, int y, const std::string& text) {
    if (text.empty()) return;
    const QString s = fromCp1252(text);
    const QFontMetrics fm(font_, painter_.device());
    painter_.fillRect(QRect(x, y, fm.horizontalAdvance(s), fm.height()), fill_);
    painter_.setPen(fontColour_);
    painter_.drawText(QPoint(x, y + fm.ascent()), s);
}

int QtCanvas::textWidth(const std::string& text) {
    const QFontMetrics fm(font_, painter_.device());
    return fm.horizontalAdvance(fromCp1252(text));
}

}  // namespace zvl
