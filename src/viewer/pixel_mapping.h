#pragma once

#include <QPoint>
#include <QPointF>
#include <QtGlobal>

struct Zoom;

// Where screen and image pixels meet, without widgets: the window's readout and every
// instrument find the pixel under a point here, so they can never disagree.
namespace pixels
{

// The image pixel under a point of the viewport, for the picture placed with its top-left
// corner at origin and shown at a whole factor; it lies outside the image where the point
// does. Floored, not truncated: a point just left of the picture lies in pixel -1, not 0.
QPoint imagePixelAt(QPoint origin, qint32 factor, QPointF inViewport);
// The same at any factor of the zoom: at 1 and 2 exactly the above; zoomed out, the top-left
// pixel of the square under the point.
QPoint imagePixelAt(QPoint origin, const Zoom& factor, QPointF inViewport);

} // namespace pixels
