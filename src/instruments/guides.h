#pragma once

#include "instruments/measurement.h"
#include "instruments/measurement_table.h"
#include "viewer/units.h"

#include <QObject>
#include <QPoint>
#include <QPointF>
#include <QSize>
#include <QString>
#include <optional>
#include <vector>

// Guides: lines pulled out of the rulers that lie on the edge between two image pixels, for
// checking that things line up. Where they are is kept here, per picture, and worked out
// here; the guide tool draws and moves them. No widgets here.
namespace guide
{

// How near, in screen pixels, a measurement's end must come to a guide to land on it, and a
// guide to a measurement's end.
constexpr int kSnapReach = 4;
// How near the pointer must be to a guide's line to take hold of it.
constexpr int kGrabReach = 2;

struct Guide {
    // Qt::Horizontal: pulled from the ruler along the top, lying along the top edge of row
    // `edge`; Qt::Vertical: along the left edge of column `edge`.
    Qt::Orientation orientation = Qt::Horizontal;
    int edge = 0;
    friend bool operator==(const Guide&, const Guide&) = default;
};

// The viewport row (horizontal guide) or column (vertical) the guide is drawn on: where its
// edge falls at the factor in force; zoomed out, the screen pixel its square is shown on.
int screenLine(const measurement::Placement& placement, const Guide& guide);
// The guide a pointer at this point of the viewport would make: on the top or left edge of
// the image pixel under it, held to the picture (0 to its height or width).
Guide guideAt(const measurement::Placement& placement, Qt::Orientation orientation,
              QPointF inViewport);
// "参考线 y 120 px", "参考线 x 1.25 in": where it lies in the unit chosen.
QString positionText(const Guide& guide, int unit, units::PixelsPerInch perInch);
// Where it lies in the unit chosen, as a number: a typed position starts from it.
double positionIn(const Guide& guide, int unit, units::PixelsPerInch perInch);
// The edge a position typed in the unit chosen lands on, the nearest; none for a position
// off the picture of `image` pixels.
std::optional<int> edgeOfPosition(double position, Qt::Orientation orientation, int unit,
                                  units::PixelsPerInch perInch, QSize image);

// A measurement's end as the pointer at `inViewport` puts it on `pixel`: within kSnapReach
// screen pixels of a guide it lands on the pixel beside the guide on the pointer's side, so
// a box drawn to a guide ends on it; the nearest guide across and down each count.
QPoint snappedToGuides(const measurement::Placement& placement, const std::vector<Guide>& guides,
                       QPointF inViewport, QPoint pixel);
// A guide as the pointer puts it: within kSnapReach screen pixels of an edge of a
// measurement's end pixel it lands on that edge, the nearest.
Guide snappedToEnds(const measurement::Placement& placement, const Guide& guide, QPointF inViewport,
                    const std::vector<QPoint>& ends);

// A guide as a row of the measurements' table: kind 参考线, its position as y1 for a
// horizontal guide and x1 for a vertical one, in the unit chosen.
measurement::Row rowOf(const Guide& guide, int unit, units::PixelsPerInch perInch);

} // namespace guide

// The guides of the picture shown. One store, made where the instruments are attached and
// handed to those that draw, measure or copy, so none needs another; the work keeper puts
// each picture's own in place as it is shown.
class Guides : public QObject
{
    Q_OBJECT
public:
    using Guide = guide::Guide;

    explicit Guides(QObject* parent = nullptr) : QObject(parent) {}

    const std::vector<Guide>& all() const { return guides_; }
    int count() const { return int(guides_.size()); }
    // The ones drawn, snapped to and taken hold of: all, or none while they are hidden.
    const std::vector<Guide>& shownOnes() const;
    bool shown() const { return shown_; }
    void setShown(bool shown);

    void add(const Guide& guide);
    void move(int index, int edge);
    void remove(int index);
    void clear();
    // Puts these in place of those there: the guides kept with another picture, or an
    // undone step.
    void replace(std::vector<Guide> guides);

    // The picture shown was read again and is now of `image` pixels: the guides still on it
    // stay. Which guides another picture has is the work keeper's to say, through replace().
    void pictureReopened(QSize image);

    // The shown guide whose line lies within kGrabReach screen pixels of a point of the
    // viewport, the nearest; none for none.
    std::optional<int> guideNear(const measurement::Placement& placement, QPointF inViewport) const;

signals:
    void changed();

private:
    std::vector<Guide> guides_;
    bool shown_ = true;
};
