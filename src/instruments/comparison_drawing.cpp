#include "instruments/comparison_drawing.h"

#include "instruments/comparison.h"
#include "viewer/zoomed_drawing.h"

#include <QPaintEngine>
#include <QPainter>
#include <algorithm>
#include <cstdlib>
#include <vector>

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

// A row of the picture's pixels turned, in place, into their differences from the
// comparison's: each channel's distance, or the marking colour where the largest is beyond
// the tolerance. Byte by byte, then pixel by pixel, without branches, so that both loops
// are vectorised.
void differencesInPlace(QRgb* pixels, const QRgb* over, int count, int tolerance)
{
    auto* bytes = reinterpret_cast<unsigned char*>(pixels);
    const auto* __restrict others = reinterpret_cast<const unsigned char*>(over);
    for (int i = 0; i < count * 4; ++i)
        bytes[i] = std::max(bytes[i], others[i]) - std::min(bytes[i], others[i]);
    for (int x = 0; x < count; ++x) {
        const QRgb d = pixels[x];
        // Three signed comparisons, which the processor has, rather than an unsigned largest.
        const int red = int(d >> 16 & 0xFF), green = int(d >> 8 & 0xFF), blue = int(d & 0xFF);
        const QRgb marked = 0u - QRgb((red > tolerance) | (green > tolerance) | (blue > tolerance));
        pixels[x] = ((d | 0xFF000000u) & ~marked) | (kMarking & marked);
    }
}

// Unmarked, no distance is beyond the largest there is.
int toleranceOf(const Comparison& comparison)
{
    return comparison.marking() ? comparison.tolerance() : 255;
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

// The most pixels drawn at once. The buffer for them is kept from paint to paint, as a new
// one on every scroll step costs the system's fresh pages each time.
constexpr int kBandPixels = 1 << 18;

// What the image pixels in `pixels` show, a row at a time: the comparison's where it
// covers them (`covered`), or the difference, and the picture's own beside it. The tile
// lies in the kept buffer, so it is good until the next one is made.
QImage tileOf(const QImage& picture, const Comparison& comparison, const QRect& pixels,
              const QRect& covered)
{
    static std::vector<QRgb> kept;
    kept.resize(std::max(kept.size(), std::size_t(pixels.width()) * pixels.height()));
    QImage tile(reinterpret_cast<uchar*>(kept.data()), pixels.width(), pixels.height(),
                pixels.width() * 4, QImage::Format_RGB32);
    const QPoint offset = comparison.offset();
    const int tolerance = toleranceOf(comparison);
    const bool difference = differencing(comparison);
    const int from = std::max(pixels.left(), covered.left());
    const int to = std::min(pixels.right(), covered.right());
    for (int y = pixels.top(); y <= pixels.bottom(); ++y) {
        const QRgb* own = rowOf(picture, y);
        auto* out = reinterpret_cast<QRgb*>(tile.scanLine(y - pixels.top())) - pixels.left();
        if (y < covered.top() || y > covered.bottom() || from > to) {
            std::copy(own + pixels.left(), own + pixels.right() + 1, out + pixels.left());
            continue;
        }
        // Only the part of a whole square beyond the comparison shows the picture's own.
        const QRgb* over = rowOf(comparison.image(), y - offset.y()) - offset.x();
        if (!difference) {
            std::copy(own + pixels.left(), own + from, out + pixels.left());
            std::copy(over + from, over + to + 1, out + from);
            std::copy(own + to + 1, own + pixels.right() + 1, out + to + 1);
            continue;
        }
        std::copy(own + pixels.left(), own + pixels.right() + 1, out + pixels.left());
        differencesInPlace(out + from, over + from, to - from + 1, tolerance);
    }
    return tile;
}

// The image the painter paints straight into (the window's backing store, or an image a
// test renders into), when its pixels are the screen's one for one; else null.
QImage* paintedImage(QPainter& painter)
{
    QPaintEngine* engine = painter.paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster)
        return nullptr;
    auto* image = dynamic_cast<QImage*>(engine->paintDevice());
    if (!image || image->depth() != 32 || image->devicePixelRatio() != 1.0 ||
        painter.deviceTransform().type() > QTransform::TxTranslate)
        return nullptr;
    return image;
}

// How many rows ahead the comparison's pixels are asked for, while the picture's are worked
// out in place.
constexpr int kAhead = 32;

// Asks for the image's pixels in `part` before they are read. A scroll step's strip is a
// few bytes from each of many rows, which the processor does not foresee, so that each row
// would wait for memory in turn; asked for together, they arrive together.
void askAhead(const QImage& image, const QRect& part)
{
    const QRect inside = part & image.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        const auto* row = reinterpret_cast<const char*>(image.constScanLine(y));
        for (int x = inside.left() * 4; x < (inside.right() + 1) * 4; x += 64)
            __builtin_prefetch(row + x);
        __builtin_prefetch(row + inside.right() * 4);
    }
}

// At factor 1 the difference is worked out where the picture has just been painted: its
// pixels there are the picture's own, and still in the cache, so that only the
// comparison's are read from memory beside them. Only the pixels being repainted are
// touched. False where the painter does not paint into an image.
bool differencesWherePainted(QPainter& painter, const Comparison& comparison, const QRect& pixels)
{
    QImage* image = paintedImage(painter);
    if (!image)
        return false;
    // What is being repainted (a widget's exposed region), and within that what the painter
    // may paint on.
    QRegion repainted = painter.paintEngine()->systemClip();
    if (repainted.isEmpty())
        repainted = image->rect();
    if (painter.hasClipping())
        repainted &= painter.deviceTransform().map(painter.clipRegion());
    const QPoint toDevice = painter.deviceTransform().map(QPoint());
    const QPoint offset = comparison.offset();
    const int tolerance = toleranceOf(comparison);
    const QRegion parts = repainted & pixels.translated(toDevice) & image->rect();
    for (const QRect& part : parts) {
        for (int y = part.top(); y <= part.bottom(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(image->scanLine(y));
            const QRgb* over = rowOf(comparison.image(), y - toDevice.y() - offset.y()) -
                               offset.x() - toDevice.x();
            // The comparison's rows a little further down are asked for while this one is
            // worked out.
            askAhead(
                comparison.image(),
                QRect(part.left(), y + kAhead, part.width(), 1).translated(-toDevice - offset));
            differencesInPlace(row + part.left(), over + part.left(), part.width(), tolerance);
        }
    }
    return true;
}

void drawBand(QPainter& painter, const QImage& picture, const Comparison& comparison, Zoom factor,
              const QRect& pixels, const QRect& covered)
{
    const int over = factor.over;
    // At 1 and zoomed in, each image pixel is a block the painter enlarges, never smoothed:
    // the comparison's own pixels, or their differences.
    if (over == 1) {
        const QRect screen(pixels.topLeft() * factor.times, pixels.size() * factor.times);
        if (differencing(comparison) && factor.times == 1 &&
            differencesWherePainted(painter, comparison, pixels))
            return;
        if (differencing(comparison))
            painter.drawImage(screen, tileOf(picture, comparison, pixels, covered));
        else {
            const QRect source = pixels.translated(-comparison.offset());
            askAhead(comparison.image(), source);
            painter.drawImage(screen, comparison.image(), source);
        }
        return;
    }
    // Zoomed out, each screen pixel the mean of its square.
    const QImage tile = tileOf(picture, comparison, pixels, covered);
    QImage shown = zoomed::meanOfSquares(tile, over);
    // A square with a pixel beyond the tolerance keeps the marking colour, so that one
    // differing pixel still shows when a screen pixel covers many.
    if (differencing(comparison) && comparison.marking())
        for (int y = 0; y < tile.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(tile.constScanLine(y));
            for (int x = 0; x < tile.width(); ++x)
                if (line[x] == kMarking)
                    shown.setPixel(x / over, y / over, kMarking);
        }
    painter.drawImage(QPoint(pixels.left() / over, pixels.top() / over), shown);
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
    // A band of rows at a time, whole squares of them when zoomed out.
    const int rows = std::max(over, kBandPixels / pixels.width() / over * over);
    for (int top = pixels.top(); top <= pixels.bottom(); top += rows) {
        const QRect band(pixels.left(), top, pixels.width(),
                         std::min(rows, pixels.bottom() - top + 1));
        drawBand(painter, picture, comparison, factor, band, covered);
    }
    painter.restore();
}

} // namespace comparison_drawing
