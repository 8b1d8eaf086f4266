#pragma once
// The trace picture as a QImage: what the main window copies to (6, 100), what `zvl render`
// saves, and what the renderer's tests read pixels from.

#include <QImage>

#include "viewer/tracerenderer.h"

namespace zvl {

// A fresh 780 x 380 picture drawn by a full redraw.
QImage renderTracePicture(TraceRenderer& renderer);

// The picture as the window shows it: copied at (6, 100) on a window-sized image, with the
// cursor column and the Event box drawn over it.
QImage renderWindowView(TraceRenderer& renderer, const QImage& picture, QSize windowSize = QSize(800, 530));

}  // namespace zvl
