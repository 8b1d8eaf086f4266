#pragma once
// The trace picture as a QImage: what the main window copies to (6, 100), what `zvl render`
// saves, and what the renderer's tests read pixels from.

#include <QImage>
#include <QRegion>
#include <functional>

#include "viewer/picturedamage.h"
#include "viewer/tracerenderer.h"

namespace zvl {

// An empty 780 x 380 picture at a device pixel ratio (2: 1560 x 760 device pixels).
QImage tracePictureImage(double devicePixelRatio = 1.0);

// A fresh 780 x 380 picture drawn by a full redraw, at a device pixel ratio: at 1 the pixels
// the renderer's rules give; above 1 each picture pixel's shapes cover its device pixels and
// the texts are drawn at the device's resolution.
// The renderer's warning is shown once the picture is finished.
QImage renderTracePicture(TraceRenderer& renderer, double devicePixelRatio = 1.0);

// The picture as the window shows it: copied at (6, 100) on a window-sized image, with the
// cursor column and the Event box drawn over it.
QImage renderWindowView(TraceRenderer& renderer, const QImage& picture, QSize windowSize = QSize(800, 530));

// The area of a picture a frame draws, in picture coordinates.
QRegion damageRegion(const PictureDamage& damage);

// Runs draw on the picture in place, within the damage only: the rest keeps its pixels.
void drawDamage(QImage& picture, const std::function<void(Canvas&)>& draw, const PictureDamage& damage);

}  // namespace zvl
