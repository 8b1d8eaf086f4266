#include "qt/tracepicture.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>

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

QRegion changedArea(const QImage& before, const QImage& after) {
    if (before.size() != after.size() || before.format() != after.format() || before.depth() != 32)
        return QRegion(0, 0, kPictureWidth, kPictureHeight);
    const double ratio = after.devicePixelRatio();
    const int band = std::max(1, int(std::lround(20 * ratio)));
    const int width = after.width();
    QRegion changed;
    for (int top = 0; top < after.height(); top += band) {
        int left = width, right = -1;
        const int bottom = std::min(after.height(), top + band);
        // Once the band has changed from end to end (a scrolled chart) its other rows cannot
        // widen it.
        for (int y = top; y < bottom && (left > 0 || right < width - 1); ++y) {
            const auto* a = reinterpret_cast<const quint32*>(before.constScanLine(y));
            const auto* b = reinterpret_cast<const quint32*>(after.constScanLine(y));
            if (std::memcmp(a, b, size_t(width) * 4) == 0) continue;
            int l = 0, r = width - 1;
            while (a[l] == b[l]) ++l;
            while (a[r] == b[r]) --r;
            left = std::min(left, l);
            right = std::max(right, r);
        }
        if (right < 0) continue;
        const int x0 = int(std::floor(left / ratio)), x1 = int(std::ceil((right + 1) / ratio));
        const int y0 = int(std::floor(top / ratio)), y1 = int(std::ceil(bottom / ratio));
        changed += QRect(x0, y0, x1 - x0, y1 - y0);
    }
    return changed;
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
