#pragma once

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QSize>
#include <QString>
#include <QtGlobal>

#include "viewer/zoom.h"

// The arithmetic of measuring between two image pixels: where a pointer lands in the image,
// snapping to the eight directions, and where labels go beside what is measured. The
// figures themselves are figures.h's. No widgets here.
namespace measurement
{

// Where the picture lies in the viewport: the top-left corner of picDisp (negative when
// scrolled), the factor it is magnified by and the image's own size.
struct Placement {
    QPoint origin;
    Zoom factor;
    QSize image;
};

// The image pixel under a point of the viewport, as the window's readout finds it, held to
// the image, so a drag past the picture's edge ends on its edge pixel. The image must not be
// empty.
QPoint imagePixel(const Placement& placement, QPointF inViewport);

// The screen pixels an image pixel is shown on: a block of factor x factor; zoomed out, the
// one screen pixel its square is shown on.
QRect blockOf(const Placement& placement, QPoint pixel);

// The viewport pixel a line through an image pixel is drawn on: the middle of the pixel's
// block on screen (at factor 2, the block's second column and row); zoomed out, the screen
// pixel its square is shown on.
QPoint viewportPoint(const Placement& placement, QPoint pixel);

// `to` moved onto the nearest of the eight directions from `from` (0, 45, 90, ... degrees).
// An axis keeps the pointer's distance along it; a diagonal takes the pointer's projection
// onto it, shortened where needed so the end stays inside the image.
QPoint snapped(QPoint from, QPoint to, QSize image);

// How far a point lies from the segment between a and b (from a itself when they are one).
double distanceToSegment(QPointF point, QPointF a, QPointF b);

// The readout's text followed by its colour as #RRGGBB, three blanks apart:
// "x = 100   y = 50     RGB(0, 255, 0)   #00FF00".
QString readoutCopyText(const QString& readout, QRgb colour);

// Where a box of `size` goes beside `anchor` inside `area`: below right of the pointer,
// clear of the arrow; on the other side of the anchor where it would cross the area's right
// or bottom edge; and never beyond the area's top-left.
QRect boxBeside(QPoint anchor, QSize size, const QRect& area);

// Blank screen pixels between a label and the marks it goes beside.
constexpr int kLabelGap = 1;

// A label's left (or top) edge on either side of what it goes beside, and which side is
// tried first.
struct Sides {
    int before;
    int after;
    bool afterFirst;
};

// Where a label of `size` goes within `area`, clear of `covered`, beside `marked`: off one
// of its corners (at the edges `across` and `down` give), the preferred one first; where no
// corner has room, above, below or beside it, lined up with one of its edges; and only
// where none has, over it, held inside the area (never beyond its top-left).
QRect labelBeside(const QRect& marked, Sides across, Sides down, QSize size, const QRect& area,
                  const QRegion& covered);

// The box beside the pointer at `anchor`, as above, but never over `marked` (the measured
// pixels with their marks) where there is room elsewhere: off its corner that `towards`
// points to (right where its x is 0, down where its y is), or another.
QRect boxBeside(QPoint anchor, QSize size, const QRect& area, const QRegion& covered,
                const QRect& marked, QPoint towards);

} // namespace measurement
