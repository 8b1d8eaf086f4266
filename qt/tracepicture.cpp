#include "qt/tracepicture.h"

#include <QPainter>
#include <cmath>

#include "qt/qtcanvas.h"

namespace zvl {

QImage tracePictureImage(double devicePixelRatio) {
    QImage image(int(std::lround(kPictureWidth * devicePixelRatio)),
                 int(std::lround(kPictureHeight * devicePixelRatio)), QImage::Format_RGB32);
    image.setDevicePixelRatio(devicePixelRatio);
    return image;
}

QImage renderTracePicture(TraceRenderer& renderer, double devicePixelRatio) {
    QImage image = tracePictureImage(devicePixelRatio);
    image.fill(Qt::white);
    {
        QtCanvas canvas(&image);
        renderer.redrawTraceView(canvas);
    }
    renderer.showPendingWarning();
    return image;
}

QRegion damageRegion(const PictureDamage& damage) {
    if (damage.whole) return QRegion(0, 0, kPictureWidth, kPictureHeight);
    QRegion area;
    for (const PictureRect& r : damage.rects)
        area += QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
    return area;
}

void drawDamage(QImage& picture, const std::function<void(Canvas&)>& draw, const PictureDamage& damage) {
    QtCanvas canvas(&picture);
    if (!damage.whole) canvas.setClip(damageRegion(damage));
    draw(canvas);
}

QImage renderWindowView(TraceRenderer& renderer, const QImage& picture, QSize windowSize) {
    QImage window(windowSize, QImage::Format_RGB32);
    window.fill(QColor(240, 240, 240));
    {
        QtCanvas canvas(&window);
        canvas.painter().drawImage(QPoint(kPictureLeft, kPictureTop), picture);
        renderer.drawWindowOverlay(canvas);
    }
    return window;
}

}  // namespace zvl
