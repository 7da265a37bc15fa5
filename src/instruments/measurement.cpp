#include "instruments/measurement.h"

#include "instruments/colours.h"
#include "viewer/numbers.h"
#include "viewer/pixel_mapping.h"
#include "viewer/units.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace measurement
{

namespace
{

// Offsets of the box from the pointer's hot spot: right of the arrow and a little down.
constexpr int kBoxRight = 18;
constexpr int kBoxDown = 8;
constexpr int kBoxLeft = 6;
constexpr int kBoxUp = 6;

} // namespace

QPoint imagePixel(const Placement& placement, QPointF inViewport)
{
    const QPoint pixel = pixels::imagePixelAt(placement.origin, placement.factor, inViewport);
    return QPoint(std::clamp(pixel.x(), 0, placement.image.width() - 1),
                  std::clamp(pixel.y(), 0, placement.image.height() - 1));
}

QRect blockOf(const Placement& where, QPoint pixel)
{
    return where.factor.blockOf(where.origin, pixel);
}

QPoint viewportPoint(const Placement& placement, QPoint pixel)
{
    const QRect block = placement.factor.blockOf(placement.origin, pixel);
    const int middle = block.width() / 2;
    return block.topLeft() + QPoint(middle, middle);
}

QPoint snapped(QPoint from, QPoint to, QSize image)
{
    const int dx = to.x() - from.x();
    const int dy = to.y() - from.y();
    const int ax = std::abs(dx);
    const int ay = std::abs(dy);
    // Nearer an axis than a diagonal when within 22.5° of it: tan 22.5° = sqrt(2) - 1.
    const double tan22 = std::numbers::sqrt2 - 1;
    if (ay <= ax * tan22)
        return QPoint(to.x(), from.y());
    if (ax <= ay * tan22)
        return QPoint(from.x(), to.y());
    const int sx = dx < 0 ? -1 : 1;
    const int sy = dy < 0 ? -1 : 1;
    const int roomX = sx > 0 ? image.width() - 1 - from.x() : from.x();
    const int roomY = sy > 0 ? image.height() - 1 - from.y() : from.y();
    const int d = std::min({(ax + ay) / 2, roomX, roomY});
    return QPoint(from.x() + sx * d, from.y() + sy * d);
}

double distanceToSegment(QPointF point, QPointF a, QPointF b)
{
    const QPointF along = b - a;
    const double squared = QPointF::dotProduct(along, along);
    const double t =
        squared > 0 ? std::clamp(QPointF::dotProduct(point - a, along) / squared, 0.0, 1.0) : 0.0;
    const QPointF off = point - (a + t * along);
    return std::hypot(off.x(), off.y());
}

QString readoutCopyText(const QString& readout, QRgb colour)
{
    return readout + QStringLiteral("   ") + colours::hexText(colour);
}

QRect boxBeside(QPoint anchor, QSize size, const QRect& area)
{
    int left = anchor.x() + kBoxRight;
    if (left + size.width() > area.right() + 1)
        left = anchor.x() - kBoxLeft - size.width();
    int top = anchor.y() + kBoxDown;
    if (top + size.height() > area.bottom() + 1)
        top = anchor.y() - kBoxUp - size.height();
    return QRect(QPoint(std::max(left, area.left()), std::max(top, area.top())), size);
}

QRect labelBeside(const QRect& marked, Sides across, Sides down, QSize size, const QRect& area,
                  const QRegion& covered)
{
    const auto held = [](int low, int length, int from, int to) {
        return std::max(from, std::min(low, to + 1 - length));
    };
    const auto fits = [&](int left, int top) {
        const QRect label(QPoint(left, top), size);
        return area.contains(label) && !covered.intersects(label);
    };
    const auto inOrder = [](const Sides& sides) {
        return sides.afterFirst ? std::array{sides.after, sides.before}
                                : std::array{sides.before, sides.after};
    };
    const std::array xs = inOrder(across);
    const std::array ys = inOrder(down);
    for (const int top : ys)
        for (const int left : xs)
            if (fits(left, top))
                return QRect(QPoint(left, top), size);
    // Clear of it in one direction is enough: lined up with one of its edges, the one on
    // the side preferred first, or held in the area.
    const int heldLeft = held(xs[0], size.width(), area.left(), area.right());
    const int heldTop = held(ys[0], size.height(), area.top(), area.bottom());
    const int leftAligned = marked.left(), rightAligned = marked.right() + 1 - size.width();
    const int topAligned = marked.top(), bottomAligned = marked.bottom() + 1 - size.height();
    const std::array lefts = across.afterFirst ? std::array{rightAligned, leftAligned, heldLeft}
                                               : std::array{leftAligned, rightAligned, heldLeft};
    const std::array tops = down.afterFirst ? std::array{bottomAligned, topAligned, heldTop}
                                            : std::array{topAligned, bottomAligned, heldTop};
    for (const int top : ys)
        for (const int left : lefts)
            if (fits(left, top))
                return QRect(QPoint(left, top), size);
    for (const int left : xs)
        for (const int top : tops)
            if (fits(left, top))
                return QRect(QPoint(left, top), size);
    return QRect(QPoint(heldLeft, heldTop), size);
}

QRect boxBeside(QPoint anchor, QSize size, const QRect& area, const QRegion& covered,
                const QRect& marked, QPoint towards)
{
    // At least as far from the pointer as the box without marks, so the arrow stays clear.
    const Sides across{std::min(anchor.x() - kBoxLeft, marked.left() - kLabelGap) - size.width(),
                       std::max(anchor.x() + kBoxRight, marked.right() + 1 + kLabelGap),
                       towards.x() >= 0};
    const Sides down{std::min(anchor.y() - kBoxUp, marked.top() - kLabelGap) - size.height(),
                     std::max(anchor.y() + kBoxDown, marked.bottom() + 1 + kLabelGap),
                     towards.y() >= 0};
    // Out of sight with what it measures, it goes as boxBeside would put it.
    if (!area.intersects(marked)) {
        const int left = across.afterFirst ? across.after : across.before;
        const int top = down.afterFirst ? down.after : down.before;
        return QRect(QPoint(std::max(left, area.left()), std::max(top, area.top())), size);
    }
    return labelBeside(marked, across, down, size, area, covered);
}

} // namespace measurement
