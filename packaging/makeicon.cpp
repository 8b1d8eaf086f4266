// makeicon SIZE OUT.png: the program's icon (packaging/pellam-zvl.svg) drawn at SIZE x SIZE
// pixels, so the installed PNG sizes need no SVG renderer at build time.
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cstdio>
#include <cstdlib>

namespace {

void trace(QPainter& p, QColor colour, std::initializer_list<QPointF> points) {
    QPen pen(colour, 12);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF(QList<QPointF>(points)));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || std::atoi(argv[1]) <= 0) {
        std::fprintf(stderr, "usage: makeicon SIZE OUT.png\n");
        return 1;
    }
    const int size = std::atoi(argv[1]);
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 256.0, size / 256.0);  // the SVG's view box
    p.setPen(Qt::NoPen);
    p.setBrush(QColor("#1d2b3a"));
    p.drawRoundedRect(QRectF(8, 8, 240, 240), 32, 32);
    trace(p, QColor("#4cd964"),
          {{32, 88}, {72, 88}, {72, 48}, {136, 48}, {136, 88}, {184, 88}, {184, 48}, {224, 48}});
    trace(p, QColor("#ffcc00"),
          {{32, 168}, {56, 168}, {56, 128}, {104, 128}, {104, 168}, {160, 168}, {160, 128}, {224, 128}});
    trace(p, QColor("#ff3b30"), {{32, 208}, {224, 208}});
    p.end();
    return image.save(argv[2], "PNG") ? 0 : 2;
}
