#include "platform/qt/tracepicture.h"

#include <QPainter>

#include "platform/qt/qtcanvas.h"

namespace zvl {

QImage renderTracePicture(TraceRenderer& renderer) {
    QImage image(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QtCanvas canvas(&image);
        renderer.redrawTraceView(canvas);
    }
    return image;
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
