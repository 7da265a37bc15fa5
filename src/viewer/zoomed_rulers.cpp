// The rulers at the zoom's factors beyond 1 and 2: 1-2-5 steps of the unit chosen, drawn
// straight onto the ruler boxes for the part of the picture in sight, with the tick shapes,
// colours and fonts of the rulers at 1 and 2.
#include "toolkit/gdi.h"
#include "toolkit/services.h"
#include "viewer/main_window.h"
#include "viewer/numbers.h"
#include "viewer/ruler_steps.h"
#include "viewer/ruler_text.h"
#include "viewer/units.h"

#include <cmath>
#include <new>

using namespace toolkit;

namespace
{

constexpr ColorRef kTickGrey = kRulerTickGrey;
constexpr ColorRef kNumberBlue = kRulerNumberBlue;
const QString kRulerFont = QStringLiteral("Arial");
constexpr double kRulerFontPoints = 7;

// One axis of a ruler: the unit's screen pixels, its steps, and the screen pixel of the
// picture at the ruler's first pixel.
struct Axis {
    double screenPerUnit = 1;
    ruler_steps::Steps steps;
    qint32 scrolled = 0;
    qint32 length = 0;

    // The ruler pixel of the count-th step of `step` from the picture's edge.
    double at(qint64 count, double step) const
    {
        return std::floor(double(count) * step * screenPerUnit + 0.5) - scrolled;
    }
    qint64 firstCount(double step) const
    {
        return qint64(std::ceil((scrolled - 0.5) / (step * screenPerUnit)));
    }
    qint64 lastCount(double step) const
    {
        return qint64(std::floor((scrolled + length + 0.5) / (step * screenPerUnit)));
    }
};

// The smallest step a unit offers and how many image pixels one unit is.
struct UnitMeasure {
    double imagePerUnit = 1;
    double smallest = 1;
};

bool measureOf(int unit, double perInch, UnitMeasure& measure)
{
    switch (unit) {
    case units::kPixels:
        measure = {1, 1};
        return true;
    case units::kInches:
        measure = {perInch, 0.125};
        return true;
    case units::kCentimetres:
        measure = {perInch / 2.54, 0.1};
        return true;
    default:
        return false;
    }
}

Axis axisOf(const Zoom& factor, const UnitMeasure& measure, qint32 scrolled, qint32 length)
{
    Axis axis;
    axis.screenPerUnit = measure.imagePerUnit * factor.times / factor.over;
    axis.steps = ruler_steps::stepsFor(axis.screenPerUnit, measure.smallest);
    axis.scrolled = scrolled;
    axis.length = length;
    return axis;
}

// A tick is long at every half of the numbers' step that falls on a tick, else at each number.
double longStepOf(const ruler_steps::Steps& steps)
{
    const double half = steps.numbers / 2;
    const double ticksInHalf = half / steps.ticks;
    return std::abs(ticksInHalf - std::round(ticksInHalf)) < 1e-9 ? half : steps.numbers;
}

bool isMultiple(qint64 count, double step, double of)
{
    const double ratio = double(count) * step / of;
    return std::abs(ratio - std::round(ratio)) < 1e-6;
}

void styleRuler(PictureBox& ruler)
{
    ruler.setPicture(QImage());
    ruler.setFontName(kRulerFont);
    ruler.setFontSize(kRulerFontPoints);
    ruler.setFontBold(false);
    ruler.setForeColor(kTickGrey);
}

void drawTicks(PictureBox& ruler, Qt::Orientation along, const Axis& axis)
{
    const double longStep = longStepOf(axis.steps);
    const double step = axis.steps.ticks;
    for (qint64 count = axis.firstCount(step); count <= axis.lastCount(step); ++count) {
        drawRulerTick(ruler, along, float(axis.at(count, step)), isMultiple(count, step, longStep));
    }
}

} // namespace

void frmVelmora::DrawZoomedRulers()
{
    const units::PixelsPerInch perInch = pixelsPerInch();
    UnitMeasure acrossUnit, downUnit;
    const int unit = cboUnit->ListIndex();
    const bool known =
        measureOf(unit, perInch.x, acrossUnit) && measureOf(unit, perInch.y, downUnit);
    const QPoint origin = pictureOrigin();
    const Axis across =
        axisOf(zoom_, acrossUnit, std::max(0, -origin.x()), numbers::CLng(picRulerW->ScaleWidth()));
    const Axis down =
        axisOf(zoom_, downUnit, std::max(0, -origin.y()), numbers::CLng(picRulerH->ScaleHeight()));

    styleRuler(*picRulerW);
    styleRuler(*picRulerH);
    if (!known) {
        DoEvents();
        return;
    }
    drawTicks(*picRulerW, Qt::Horizontal, across);
    drawTicks(*picRulerH, Qt::Vertical, down);

    // A failure only costs the numbers not yet printed; the rulers stay usable.
    try {
        picRulerW->setForeColor(kNumberBlue);
        const QString two = QStringLiteral("2");
        const float labelTop =
            float(numbers::CLng((picRulerW->ScaleHeight() - picRulerW->TextHeight(two)) / 2));
        const double acrossStep = across.steps.numbers;
        for (qint64 count = across.firstCount(acrossStep); count <= across.lastCount(acrossStep);
             ++count) {
            const QString text = ruler_steps::numberText(count, acrossStep);
            const auto tick = float(across.at(count, acrossStep));
            // A single digit sits just right of its tick; longer numbers are centred on it.
            picRulerW->setCurrentX(text.size() == 1 ? tick - 1
                                                    : tick - picRulerW->TextWidth(text) / 2);
            picRulerW->setCurrentY(labelTop);
            picRulerW->Print(text);
        }
        picRulerH->setForeColor(kNumberBlue);
        const float labelLeft = (picRulerH->ScaleWidth() - picRulerW->TextWidth(two)) / 2 - 1;
        const double downStep = down.steps.numbers;
        for (qint64 count = down.firstCount(downStep); count <= down.lastCount(downStep); ++count)
            printRotatedOn(*picRulerH, ruler_steps::numberText(count, downStep), labelLeft,
                           float(down.at(count, downStep)));
    } catch (const RuntimeError&) {
    } catch (const std::bad_alloc&) {
    }
    picRulerW->setPicture(picRulerW->Image());
    picRulerH->setPicture(picRulerH->Image());
    DoEvents();
}
