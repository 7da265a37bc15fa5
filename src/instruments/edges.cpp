#include "instruments/edges.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

bool edges::differs(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) > tolerance || std::abs(qGreen(a) - qGreen(b)) > tolerance ||
           std::abs(qBlue(a) - qBlue(b)) > tolerance;
}

namespace
{

QImage inRgb32(const QImage& image)
{
    return image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
               ? image
               : image.convertToFormat(QImage::Format_RGB32);
}

// The first and last index of the run through `at` in which no neighbour differs.
std::pair<int, int> runThrough(const QRgb* line, int length, int at, int tolerance)
{
    int first = at;
    while (first > 0 && !edges::differs(line[first - 1], line[first], tolerance))
        --first;
    int last = at;
    while (last < length - 1 && !edges::differs(line[last + 1], line[last], tolerance))
        ++last;
    return {first, last};
}

const QRgb* rowOf(const QImage& image, int y)
{
    return reinterpret_cast<const QRgb*>(image.constScanLine(y));
}

} // namespace

QImage edges::transposed(const QImage& image)
{
    const QImage rgb = inRgb32(image);
    QImage turned(rgb.height(), rgb.width(), QImage::Format_RGB32);
    if (turned.isNull())
        return turned;
    // In tiles, so both sides stay in the cache.
    constexpr int kTile = 32;
    for (int y0 = 0; y0 < rgb.height(); y0 += kTile)
        for (int x0 = 0; x0 < rgb.width(); x0 += kTile)
            for (int y = y0; y < std::min(y0 + kTile, rgb.height()); ++y) {
                const QRgb* in = rowOf(rgb, y);
                for (int x = x0; x < std::min(x0 + kTile, rgb.width()); ++x)
                    reinterpret_cast<QRgb*>(turned.scanLine(x))[y] = in[x];
            }
    return turned;
}

QRect edges::spanAround(const QImage& image, const QImage& turned, QPoint pixel, int tolerance)
{
    const QImage rgb = inRgb32(image);
    const auto [left, right] = runThrough(rowOf(rgb, pixel.y()), rgb.width(), pixel.x(), tolerance);
    const auto [top, bottom] =
        runThrough(rowOf(turned, pixel.x()), turned.width(), pixel.y(), tolerance);
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

QRect edges::spanAround(const QImage& image, QPoint pixel, int tolerance)
{
    return spanAround(image, transposed(image), pixel, tolerance);
}
