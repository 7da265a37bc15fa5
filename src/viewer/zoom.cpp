#include "viewer/zoom.h"

#include <QString>
#include <algorithm>
#include <cmath>

namespace
{

// Floored division, for pixels left of or above the picture.
qint64 floorDiv(qint64 a, qint64 b)
{
    const qint64 q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

} // namespace

QString Zoom::name() const
{
    return in() ? QString::number(times) : QStringLiteral("1/%1").arg(over);
}

QSize Zoom::shown(QSize image) const
{
    if (in())
        return image * times;
    return QSize(int(floorDiv(image.width() + over - 1, over)),
                 int(floorDiv(image.height() + over - 1, over)));
}

QPoint Zoom::pixelAt(QPoint origin, QPointF inViewport) const
{
    // Whole screen pixels first: a point inside a screen pixel is in that pixel.
    const qint64 x = qint64(std::floor(inViewport.x())) - origin.x();
    const qint64 y = qint64(std::floor(inViewport.y())) - origin.y();
    return QPoint(int(floorDiv(x * over, times)), int(floorDiv(y * over, times)));
}

QRect Zoom::blockOf(QPoint origin, QPoint pixel) const
{
    if (in())
        return QRect(origin + pixel * times, QSize(times, times));
    return QRect(origin + QPoint(int(floorDiv(pixel.x(), over)), int(floorDiv(pixel.y(), over))),
                 QSize(1, 1));
}

const std::vector<Zoom>& zoom::factors()
{
    static const std::vector<Zoom> all = {{1, 16}, {1, 12}, {1, 8},  {1, 6},  {1, 4}, {1, 3},
                                          {1, 2},  {1, 1},  {2, 1},  {3, 1},  {4, 1}, {6, 1},
                                          {8, 1},  {12, 1}, {16, 1}, {24, 1}, {32, 1}};
    return all;
}

std::optional<Zoom> zoom::stepped(Zoom from, int steps)
{
    const std::vector<Zoom>& all = factors();
    const auto at = std::find(all.begin(), all.end(), from);
    if (at == all.end())
        return std::nullopt;
    const auto index = (at - all.begin()) + steps;
    if (index < 0 || index >= qsizetype(all.size()))
        return std::nullopt;
    return all[std::size_t(index)];
}

Zoom zoom::fitting(QSize image, QSize viewport)
{
    const std::vector<Zoom>& all = factors();
    for (auto factor = all.rbegin(); factor != all.rend(); ++factor) {
        const QSize size = factor->shown(image);
        if (size.width() <= viewport.width() && size.height() <= viewport.height())
            return *factor;
    }
    return all.front();
}

std::optional<Zoom> zoom::named(const QString& name)
{
    for (const Zoom& factor : factors())
        if (factor.name() == name)
            return factor;
    return std::nullopt;
}
