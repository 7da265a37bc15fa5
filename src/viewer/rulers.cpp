#include "toolkit/gdi.h"
#include "toolkit/services.h"
#include "viewer/main_window.h"
#include "viewer/numbers.h"
#include "viewer/ruler_text.h"
#include "viewer/units.h"

#include <cstdlib>

using namespace toolkit;
using namespace units;
using numbers::add;
using numbers::CLng;
using numbers::mul;

namespace
{

constexpr ColorRef kTickGrey = kRulerTickGrey;
constexpr ColorRef kNumberBlue = kRulerNumberBlue;
// Thickness of the scratch strips; the rows (columns) between the tick ends hold the numbers.
constexpr float kStripThickness = 15;
const QString kStripFont = QStringLiteral("Arial");
constexpr double kStripFontPoints = 7;

// Image pixels per number, per tick and per long tick along one axis.
struct Scale {
    qint32 unitPx;
    qint32 minorStep;
    qint32 midStep;
};

// The scale of a unit at a resolution; false for an index that names no unit.
bool scaleOf(int unit, double dpi, Scale& scale)
{
    switch (unit) {
    case kPixels:
        scale = {100, 10, 50};
        return true;
    case kInches:
        scale = {CLng(dpi), CLng(numbers::fdiv(dpi, 8)), CLng(numbers::fdiv(dpi, 2))};
        return true;
    case kCentimetres: {
        // Not rounded before the division by ten: a tick is a tenth of the exact centimetre.
        const double perCm = numbers::fdiv(dpi, 2.54);
        scale = {CLng(perCm), CLng(numbers::fdiv(perCm, 10)), CLng(numbers::fdiv(perCm, 10))};
        return true;
    }
    default:
        return false;
    }
}

// Where a strip starts after scrolling: the number at its first tick, and how many screen
// pixels of the first numbered interval have scrolled out of view.
struct StripStart {
    qint32 labelBase = 0;
    qint32 stripShift = 0;
};

StripStart stripStartOf(int unit, qint16 scrollValue, qint32 m, qint32 unitPx)
{
    StripStart start;
    const qint32 scrollOffset = std::abs(CLng(numbers::fdiv(scrollValue, m)));
    const qint32 wholeIntervals = numbers::idiv(scrollOffset, unitPx);
    if (unit == kPixels)
        start.labelBase = mul(wholeIntervals, unitPx);
    else if (unit == kInches || unit == kCentimetres)
        start.labelBase = wholeIntervals;
    start.stripShift = mul(numbers::imod(scrollOffset, unitPx), m);
    return start;
}

// The viewport's length cut down to whole blocks, plus two blocks.
qint32 stripLengthFor(float viewportLength, qint32 block)
{
    return add(mul(numbers::Fix(numbers::fdiv(viewportLength, block)), block), mul(2, block));
}

// Gives a box a new inner size; any border stays outside the drawable area.
void setInnerSize(PictureBox& box, float width, float height)
{
    box.Move(box.Left(), box.Top(), box.Width() - box.ScaleWidth() + width,
             box.Height() - box.ScaleHeight() + height);
}

void setStripStyle(PictureBox& strip, const PictureBox& ruler)
{
    strip.setFontName(kStripFont);
    strip.setFontSize(kStripFontPoints);
    strip.setBackColor(ruler.BackColor());
    strip.setForeColor(kTickGrey);
}

// The ticks along a strip, every step pixels up to its length; those on a multiple of
// longStep are long. The ends of a tick leave the strip's middle free for the numbers.
void drawTicks(PictureBox& strip, Qt::Orientation along, qint32 length, qint32 step,
               qint32 longStep)
{
    // A step below one pixel would never reach the strip's end (only below 5 ppi).
    if (step < 1)
        raiseError(Err::InvalidProcedureCall);
    for (qint32 i = 0; i <= length; i = add(i, step)) {
        drawRulerTick(strip, along, float(i), numbers::imod(i, longStep) == 0);
    }
}

void printHorizontalNumbers(PictureBox& strip, int unit, qint32 unitPx, qint32 unitPxMag,
                            qint32 labelBase)
{
    strip.setForeColor(kNumberBlue);
    const QString two = QStringLiteral("2");
    const qint32 labelTop = CLng((strip.ScaleHeight() - strip.TextHeight(two)) / 2);
    const qint32 count = CLng(numbers::fdiv(strip.ScaleWidth(), unitPxMag));
    for (qint32 j = 0; j <= count; j = add(j, 1)) {
        const QString text = units::rulerNumberText(unit, j, unitPx, labelBase);
        const float width = strip.TextWidth(text);
        const qint32 tick = mul(j, unitPxMag);
        // A single digit sits just right of its tick; longer numbers are centred on it.
        strip.setCurrentX(text.size() == 1 ? float(tick) - 1 : float(tick) - width / 2);
        strip.setCurrentY(float(labelTop));
        strip.Print(text);
    }
}

// Replaces a ruler's picture with part of its strip, the strip moved to (x, y).
void copyStripInto(PictureBox& ruler, const PictureBox& strip, qint32 x, qint32 y, qint32 width,
                   qint32 height)
{
    ruler.setPicture(QImage());
    BitBlt(ruler.hDC(), x, y, width, height, strip.hDC(), 0, 0, SRCCOPY);
    ruler.setPicture(ruler.Image());
}

} // namespace

void drawRulerTick(PictureBox& strip, Qt::Orientation along, float at, bool isLong)
{
    const float innerEnd = isLong ? 4 : 2;
    const float outerStart = isLong ? 11 : 13;
    if (along == Qt::Horizontal) {
        strip.Line(at, 0, at, innerEnd);
        strip.Line(at, outerStart, at, 16);
    } else {
        strip.Line(0, at, innerEnd, at);
        strip.Line(outerStart, at, 16, at);
    }
}

void frmVelmora::DrawRulers()
{
    if (!isSpecifiedFactor(zoom_)) {
        DrawZoomedRulers();
        return;
    }
    const int unit = cboUnit->ListIndex();
    const qint32 m = magnification;
    const qint32 block = mul(100, m);

    const units::PixelsPerInch perInch = pixelsPerInch();
    Scale x, y;
    if (scaleOf(unit, perInch.x, x) && scaleOf(unit, perInch.y, y)) {
        unitPxX = x.unitPx;
        unitPxY = y.unitPx;
        minorStepX = x.minorStep;
        minorStepY = y.minorStep;
        midStepX = x.midStep;
        midStepY = y.midStep;
    }

    const qint32 stripWidth = stripLengthFor(picDispBase->ScaleWidth(), block);
    const qint32 stripHeight = stripLengthFor(picDispBase->ScaleHeight(), block);

    picTemp1->setPicture(QImage());
    picTemp2->setPicture(QImage());
    setInnerSize(*picTemp1, float(stripWidth), kStripThickness);
    setInnerSize(*picTemp2, kStripThickness, float(stripHeight));

    // Without an image the scroll bars mean nothing: both rulers start at 0.
    StripStart startX, startY;
    if (picDisp->hasPicture()) {
        startX = stripStartOf(unit, hsrDisp->Value(), m, unitPxX);
        startY = stripStartOf(unit, vsrDisp->Value(), m, unitPxY);
    }

    picTemp1->setFontBold(false);
    setStripStyle(*picTemp1, *picRulerW);
    drawTicks(*picTemp1, Qt::Horizontal, CLng(picTemp1->ScaleWidth()), mul(minorStepX, m),
              mul(midStepX, m));

    unitPxMagX = mul(unitPxX, m);
    unitPxMagY = mul(unitPxY, m);

    printHorizontalNumbers(*picTemp1, unit, unitPxX, unitPxMagX, startX.labelBase);
    copyStripInto(*picRulerW, *picTemp1, -startX.stripShift, 0,
                  add(CLng(picRulerW->ScaleWidth()), block), CLng(picRulerW->ScaleHeight()));

    setStripStyle(*picTemp2, *picRulerH);
    drawTicks(*picTemp2, Qt::Vertical, CLng(picTemp2->ScaleHeight()), mul(minorStepY, m),
              mul(midStepY, m));
    picTemp2->setForeColor(kNumberBlue);
    DrawVerticalLabels(*picTemp2, startY.labelBase);
    copyStripInto(*picRulerH, *picTemp2, 0, -startY.stripShift, CLng(picRulerH->ScaleWidth()),
                  add(CLng(picRulerH->ScaleHeight()), block));

    DoEvents();
}

void frmVelmora::cboUnit_Click()
{
    // With no image the new unit simply waits for the next redraw.
    if (!picDisp->hasPicture())
        return;
    DrawRulers();
    ShowImageSize();
    // The readout under a resting pointer must not stay in the old unit.
    RefreshPointerReadout();
}
