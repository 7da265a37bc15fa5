#pragma once

#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <QtGlobal>
#include <optional>
#include <vector>

// How large image pixels are shown: `times` screen pixels a side for each image pixel when
// zoomed in, one screen pixel for each square of `over` image pixels a side when zoomed
// out. Always whole: a screen pixel never covers part of an image pixel, so nothing is
// smoothed and nothing is lost between steps. No widgets here.
struct Zoom {
    qint32 times = 1;
    qint32 over = 1;
    bool operator==(const Zoom&) const = default;

    bool in() const { return over == 1; }
    // "4", "1/4": as the magnification list names it.
    QString name() const;
    // The picture's size on screen: rounded up when zoomed out, so the last square shows.
    QSize shown(QSize image) const;
    // The image pixel under a point of the viewport for a picture whose (0, 0) is at origin;
    // floored, so a point just left of the picture lies in pixel -1. Zoomed out, the
    // top-left pixel of the square under the point.
    QPoint pixelAt(QPoint origin, QPointF inViewport) const;
    // The screen pixels an image pixel is shown on; zoomed out, the one screen pixel its
    // square is shown on.
    QRect blockOf(QPoint origin, QPoint pixel) const;
};

namespace zoom
{

// Every factor offered, smallest first: 1/16, 1/12, 1/8, 1/6, 1/4, 1/3, 1/2, 1, 2, 3, 4, 6,
// 8, 12, 16, 24, 32.
const std::vector<Zoom>& factors();
// The next factor in (steps > 0) or out; none past either end.
std::optional<Zoom> stepped(Zoom from, int steps);
// The largest factor at which the whole picture fits the viewport; 1/16 when none does.
Zoom fitting(QSize image, QSize viewport);
// The name's factor ("3", "1/4"); none for a name that is not one of factors().
std::optional<Zoom> named(const QString& name);

} // namespace zoom
