#include "instruments/comparison_drawing.h"

#include "instruments/comparison.h"
#include "viewer/zoomed_drawing.h"

#include <QPainter>
#include <algorithm>
#include <cstdlib>

namespace comparison_drawing
{

namespace
{

// Whether the comparison is shown at all now, and whether over the picture at its opacity
// (else opaque).
bool drawn(const Comparison& comparison)
{
    return comparison.active() &&
           (comparison.alone() || comparison.mode() != Comparison::Mode::Blink);
}

bool blended(const Comparison& comparison)
{
    return !comparison.alone() && comparison.mode() == Comparison::Mode::Overlay;
}

bool differencing(const Comparison& comparison)
{
    return !comparison.alone() && comparison.mode() == Comparison::Mode::Difference;
}

QRgb differenceOf(QRgb a, QRgb b, int tolerance, bool marking)
{
    const int red = std::abs(qRed(a) - qRed(b));
    const int green = std::abs(qGreen(a) - qGreen(b));
    const int blue = std::abs(qBlue(a) - qBlue(b));
    if (marking && std::max({red, green, blue}) > tolerance)
        return kMarking;
    return qRgb(red, green, blue);
}

// The image pixels of the picture that the screen rectangle shows, at the factor.
QRect imagePixelsOf(const QRect& screen, Zoom factor)
{
    const QPoint first = factor.pixelAt(QPoint(), QPointF(screen.topLeft()));
    const QPoint last = factor.pixelAt(QPoint(), QPointF(screen.bottomRight()));
    return QRect(first, last + QPoint(factor.over - 1, factor.over - 1));
}

const QRgb* rowOf(const QImage& image, int y)
{
    return reinterpret_cast<const QRgb*>(image.constScanLine(y));
}

// What the image pixels in `pixels` show, a row at a time: the comparison's where it
// covers them (`covered`), or the difference, and the picture's own beside it.
QImage tileOf(const QImage& picture, const Comparison& comparison, const QRect& pixels,
              const QRect& covered)
{
    QImage tile(pixels.size(), QImage::Format_RGB32);
    const QPoint offset = comparison.offset();
    const int tolerance = comparison.tolerance();
    const bool marking = comparison.marking();
    const bool difference = differencing(comparison);
    const int from = std::max(pixels.left(), covered.left());
    const int to = std::min(pixels.right(), covered.right());
    for (int y = pixels.top(); y <= pixels.bottom(); ++y) {
        const QRgb* own = rowOf(picture, y);
        auto* out = reinterpret_cast<QRgb*>(tile.scanLine(y - pixels.top())) - pixels.left();
        std::copy(own + pixels.left(), own + pixels.right() + 1, out + pixels.left());
        if (y < covered.top() || y > covered.bottom() || from > to)
            continue;
        const QRgb* over = rowOf(comparison.image(), y - offset.y()) - offset.x();
        if (!difference) {
            std::copy(over + from, over + to + 1, out + from);
            continue;
        }
        for (int x = from; x <= to; ++x)
            out[x] = differenceOf(own[x], over[x], tolerance, marking);
    }
    return tile;
}

} // namespace

void draw(QPainter& painter, const QRect& exposed, const QImage& picture,
          const Comparison& comparison, Zoom factor)
{
    if (!drawn(comparison) || picture.isNull())
        return;
    // The image pixels to make, those the comparison covers under the exposed part, whole
    // squares of them when zoomed out.
    const QRect covered = QRect(comparison.offset(), comparison.image().size()) & picture.rect();
    QRect pixels = imagePixelsOf(exposed, factor) & covered;
    if (pixels.isEmpty())
        return;
    const int over = factor.over;
    const auto floorTo = [over](int v) {
        return v >= 0 ? v / over * over : -((-v + over - 1) / over) * over;
    };
    pixels.setLeft(floorTo(pixels.left()));
    pixels.setTop(floorTo(pixels.top()));
    pixels.setRight(std::min(picture.width(), floorTo(pixels.right()) + over) - 1);
    pixels.setBottom(std::min(picture.height(), floorTo(pixels.bottom()) + over) - 1);

    painter.save();
    if (blended(comparison))
        painter.setOpacity(comparison.opacityTenths() / 10.0);
    // Zoomed in, the comparison's own pixels are what shows over the picture, each a block.
    if (factor.in() && !differencing(comparison)) {
        painter.drawImage(QRect(pixels.topLeft() * factor.times, pixels.size() * factor.times),
                          comparison.image(), pixels.translated(-comparison.offset()));
        painter.restore();
        return;
    }
    const QImage tile = tileOf(picture, comparison, pixels, covered);

    QImage shown;
    QPoint at;
    if (factor.in()) {
        const QRect screen(pixels.topLeft() * factor.times, pixels.size() * factor.times);
        const QRect part = (exposed & screen).translated(-screen.topLeft());
        shown = zoomed::drawIn(tile, factor.times, part, false);
        at = screen.topLeft() + part.topLeft();
    } else {
        shown = zoomed::meanOfSquares(tile, over);
        at = QPoint(pixels.left() / over, pixels.top() / over);
        // A square with a pixel beyond the tolerance keeps the marking colour, so that one
        // differing pixel still shows when a screen pixel covers many.
        if (differencing(comparison) && comparison.marking())
            for (int y = 0; y < tile.height(); ++y) {
                const auto* line = reinterpret_cast<const QRgb*>(tile.constScanLine(y));
                for (int x = 0; x < tile.width(); ++x)
                    if (line[x] == kMarking)
                        shown.setPixel(x / over, y / over, kMarking);
            }
    }
    painter.drawImage(at, shown);
    painter.restore();
}

} // namespace comparison_drawing
