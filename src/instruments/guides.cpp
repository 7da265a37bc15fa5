#include "instruments/guides.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>

using measurement::Placement;

namespace guide
{

namespace
{

bool across(const Guide& guide)
{
    return guide.orientation == Qt::Vertical;
}

// The pointer's position along the axis a guide of this orientation is placed on.
double along(Qt::Orientation orientation, QPointF inViewport)
{
    return orientation == Qt::Vertical ? inViewport.x() : inViewport.y();
}

double dpiFor(Qt::Orientation orientation, units::PixelsPerInch perInch)
{
    return orientation == Qt::Vertical ? perInch.x : perInch.y;
}

} // namespace

int screenLine(const Placement& placement, const Guide& guide)
{
    const QPoint pixel = across(guide) ? QPoint(guide.edge, 0) : QPoint(0, guide.edge);
    const QRect block = placement.factor.blockOf(placement.origin, pixel);
    return across(guide) ? block.left() : block.top();
}

Guide guideAt(const Placement& placement, Qt::Orientation orientation, QPointF inViewport)
{
    const QPoint pixel = placement.factor.pixelAt(placement.origin, inViewport);
    const bool vertical = orientation == Qt::Vertical;
    const int side = vertical ? placement.image.width() : placement.image.height();
    return Guide{orientation, std::clamp(vertical ? pixel.x() : pixel.y(), 0, side)};
}

double positionIn(const Guide& guide, int unit, units::PixelsPerInch perInch)
{
    return units::lengthIn(unit, guide.edge, dpiFor(guide.orientation, perInch));
}

QString positionText(const Guide& guide, int unit, units::PixelsPerInch perInch)
{
    return QCoreApplication::translate("Guides", "参考线 %1 %2 %3")
        .arg(across(guide) ? QLatin1Char('x') : QLatin1Char('y'))
        .arg(units::lengthText(unit, guide.edge, dpiFor(guide.orientation, perInch)),
             units::symbol(unit));
}

std::optional<int> edgeOfPosition(double position, Qt::Orientation orientation, int unit,
                                  units::PixelsPerInch perInch, QSize image)
{
    const double dpi = dpiFor(orientation, perInch);
    double pixels = position;
    if (unit == units::kInches)
        pixels = position * dpi;
    else if (unit == units::kCentimetres)
        pixels = position / 2.54 * dpi;
    const int side = orientation == Qt::Vertical ? image.width() : image.height();
    // Halves up, as a person reading the ruler would place it; a hair past either end of the
    // picture from the unit's own rounding still lands on the end.
    const double edge = std::floor(pixels + 0.5);
    if (!std::isfinite(pixels) || edge < 0 || edge > side)
        return std::nullopt;
    return int(edge);
}

QPoint snappedToGuides(const Placement& placement, const std::vector<Guide>& guides,
                       QPointF inViewport, QPoint pixel)
{
    QPoint snapped = pixel;
    for (const Qt::Orientation orientation : {Qt::Vertical, Qt::Horizontal}) {
        const double at = along(orientation, inViewport);
        std::optional<double> nearest;
        for (const Guide& guide : guides) {
            if (guide.orientation != orientation)
                continue;
            const int line = screenLine(placement, guide);
            const double distance = std::abs(at - line);
            if (distance > kSnapReach || (nearest && distance >= *nearest))
                continue;
            nearest = distance;
            const bool vertical = orientation == Qt::Vertical;
            const int side = vertical ? placement.image.width() : placement.image.height();
            // The pointer left of the line is on the pixel before the edge.
            const int landed = std::clamp(at < line ? guide.edge - 1 : guide.edge, 0, side - 1);
            (vertical ? snapped.rx() : snapped.ry()) = landed;
        }
    }
    return snapped;
}

Guide snappedToEnds(const Placement& placement, const Guide& guide, QPointF inViewport,
                    const std::vector<QPoint>& ends)
{
    const double at = along(guide.orientation, inViewport);
    Guide snapped = guide;
    std::optional<double> nearest;
    for (const QPoint& end : ends) {
        const int first = across(guide) ? end.x() : end.y();
        for (const int edge : {first, first + 1}) {
            const double distance = std::abs(at - screenLine(placement, {guide.orientation, edge}));
            if (distance <= kSnapReach && (!nearest || distance < *nearest)) {
                nearest = distance;
                snapped.edge = edge;
            }
        }
    }
    return snapped;
}

measurement::Row rowOf(const Guide& guide, int unit, units::PixelsPerInch perInch)
{
    measurement::Row row;
    row.kind = QCoreApplication::translate("Guides", "参考线");
    const QString position =
        units::lengthText(unit, guide.edge, dpiFor(guide.orientation, perInch));
    (across(guide) ? row.x1 : row.y1) = position;
    row.unit = units::symbol(unit);
    return row;
}

} // namespace guide

const std::vector<guide::Guide>& Guides::shownOnes() const
{
    static const std::vector<Guide> none;
    return shown_ ? guides_ : none;
}

void Guides::setShown(bool shown)
{
    if (shown == shown_)
        return;
    shown_ = shown;
    emit changed();
}

void Guides::add(const Guide& guide)
{
    guides_.push_back(guide);
    emit changed();
}

void Guides::move(int index, int edge)
{
    Guide& moved = guides_.at(std::size_t(index));
    if (moved.edge == edge)
        return;
    moved.edge = edge;
    emit changed();
}

void Guides::remove(int index)
{
    guides_.erase(guides_.begin() + index);
    emit changed();
}

void Guides::clear()
{
    if (guides_.empty())
        return;
    guides_.clear();
    emit changed();
}

void Guides::replace(std::vector<Guide> guides)
{
    if (guides == guides_)
        return;
    guides_ = std::move(guides);
    emit changed();
}

void Guides::pictureReopened(QSize image)
{
    // The file may have shrunk: a guide past its new edge would lie on nothing.
    const auto off = [image](const Guide& g) {
        return g.edge > (g.orientation == Qt::Vertical ? image.width() : image.height());
    };
    if (std::erase_if(guides_, off) > 0)
        emit changed();
}

std::optional<int> Guides::guideNear(const Placement& placement, QPointF inViewport) const
{
    std::optional<int> nearest;
    double nearestDistance = 0;
    const std::vector<Guide>& shown = shownOnes();
    for (int i = 0; i < int(shown.size()); ++i) {
        const Guide& guide = shown[std::size_t(i)];
        // The line covers screen pixel `line`: the pointer anywhere in it is on it.
        const double at =
            (guide.orientation == Qt::Vertical ? inViewport.x() : inViewport.y()) - 0.5;
        const double distance = std::abs(at - guide::screenLine(placement, guide));
        if (distance <= guide::kGrabReach && (!nearest || distance < nearestDistance)) {
            nearest = i;
            nearestDistance = distance;
        }
    }
    return nearest;
}
