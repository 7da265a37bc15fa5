#include "toolkit/controls.h"
#include "viewer/main_window.h"
#include "viewer/numbers.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScopedValueRollback>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

using namespace toolkit;

namespace
{

// Arrow clicks move one pixel, clicks in the trough five, whatever the viewport's size.
constexpr int kSmallChange = 1;
constexpr int kLargeChange = 5;

// The largest value a bar holds.
constexpr int kBarTravel = 32767;

// Gives a bar the travel of a picture longer than the viewport by `excess` pixels: none
// when the picture fits, and then the steps are left as they were. At 1 and 2 a value is a
// screen pixel. Zoomed in further the picture may be longer than a bar counts, so a value
// is `unit` screen pixels, a whole part of an image pixel's block, and an arrow moves one
// image pixel.
void setTravel(ScrollBar& bar, float excess, const Zoom& factor, qint32& unit)
{
    unit = 1;
    const bool specified = factor.in() && factor.times <= 2;
    if (!specified) {
        const double needed = std::ceil(double(excess) / kBarTravel);
        while (unit < needed || factor.times % unit != 0)
            ++unit;
    }
    bar.setMax(specified ? numbers::CInt(excess) : int(std::ceil(double(excess) / unit)));
    if (bar.Max() <= 0) {
        bar.setMax(0);
    } else if (specified || !factor.in()) {
        bar.setSmallChange(kSmallChange);
        bar.setLargeChange(kLargeChange);
    } else {
        const int pixel = factor.times / unit;
        bar.setSmallChange(pixel);
        bar.setLargeChange(kLargeChange * pixel);
    }
}

// Moves the picture along one axis to where its bar's value puts it. At the end of travel
// the far edge lies exactly on the viewport's far edge, also when the range dropped a
// fraction of a pixel in rounding.
void followBar(frmVelmora& form, Qt::Orientation axis)
{
    const bool across = axis == Qt::Horizontal;
    const ScrollBar& bar = across ? *form.hsrDisp : *form.vsrDisp;
    const qint16 value = bar.Value();
    const qint16 max = bar.Max();
    float offset;
    const qint32 unit = across ? form.scrollUnitX : form.scrollUnitY;
    if (value < max)
        offset = -float(qint32(value) * unit);
    else if (across)
        offset = -(form.picDisp->ScaleWidth() - form.picDispBase->ScaleWidth());
    else
        offset = -(form.picDisp->ScaleHeight() - form.picDispBase->ScaleHeight());
    if (across)
        form.picDisp->setLeft(offset);
    else
        form.picDisp->setTop(offset);
}

// One bar's Change: the picture follows it and the rulers are redrawn. Drawing the rulers
// lets pending events run, and a bar moved then finds busy set and is dropped; so once the
// work is done the picture and rulers catch up with wherever both bars ended, until they
// stand still.
void changeScrollPosition(frmVelmora& form, Qt::Orientation moved)
{
    if (form.busy)
        return;
    // Cleared however the handler ends, so an error cannot leave scrolling switched off.
    const QScopedValueRollback<qint16> guard(form.busy, qint16(-1));
    qint16 shownAcross = form.hsrDisp->Value();
    qint16 shownDown = form.vsrDisp->Value();
    followBar(form, moved);
    form.DrawRulers();
    for (;;) {
        const bool acrossMoved = form.hsrDisp->Value() != shownAcross;
        const bool downMoved = form.vsrDisp->Value() != shownDown;
        if (!acrossMoved && !downMoved)
            break;
        shownAcross = form.hsrDisp->Value();
        shownDown = form.vsrDisp->Value();
        if (acrossMoved)
            followBar(form, Qt::Horizontal);
        if (downMoved)
            followBar(form, Qt::Vertical);
        form.DrawRulers();
    }
}

} // namespace

void frmVelmora::SetupScrollBars()
{
    if (!picOrig->hasPicture()) {
        scrollUnitX = scrollUnitY = 1;
        vsrDisp->setMax(0);
        hsrDisp->setMax(0);
        DrawRulers();
        return;
    }
    setTravel(*vsrDisp, picDisp->ScaleHeight() - picDispBase->ScaleHeight(), zoom_, scrollUnitY);
    setTravel(*hsrDisp, picDisp->ScaleWidth() - picDispBase->ScaleWidth(), zoom_, scrollUnitX);
    // Each assignment that changes a value raises that bar's Change, which moves the picture.
    vsrDisp->setValue(0);
    hsrDisp->setValue(0);
    DrawRulers();
}

// Drawing the rulers lets a resize through too, which finds busy set; once busy is let go,
// the layout catches up with the window's size.
void frmVelmora::vsrDisp_Change()
{
    changeScrollPosition(*this, Qt::Vertical);
    CatchUpResize();
}

void frmVelmora::hsrDisp_Change()
{
    changeScrollPosition(*this, Qt::Horizontal);
    CatchUpResize();
}

// While the thumb is dragged the picture and rulers follow it at every step, not only
// when it is let go.
void frmVelmora::vsrDisp_Scroll()
{
    vsrDisp_Change();
}

void frmVelmora::hsrDisp_Scroll()
{
    hsrDisp_Change();
}

namespace
{

// How far one notch of the wheel scrolls, per line the desktop sets (3 by default): a line
// is 20 pixels, as in Qt's own scroll areas.
constexpr int kWheelLinePixels = 20;
// One notch of a mouse wheel, in eighths of a degree.
constexpr int kWheelNotch = 120;

// Sets a bar's Value moved by delta, kept within its range; the bar's Change handler moves
// the picture and redraws the rulers, only when the value really changes.
void scrollBarBy(ScrollBar& bar, int delta)
{
    const int value = std::clamp(bar.Value() + delta, bar.minimum(), bar.maximum());
    if (value != bar.Value())
        bar.setValue(value);
}

} // namespace

bool frmVelmora::scrollByWheel(const QWheelEvent& event)
{
    if (busy)
        return true;
    // Pixel deltas come from touchpads that know them; a wheel gives angles.
    QPoint pixels = event.pixelDelta();
    if (pixels.isNull())
        pixels =
            event.angleDelta() * QApplication::wheelScrollLines() * kWheelLinePixels / kWheelNotch;
    // Shift turns the ordinary wheel sideways, as elsewhere on the desktop.
    if (event.modifiers() & Qt::ShiftModifier && pixels.x() == 0)
        pixels = QPoint(pixels.y(), 0);
    // Ctrl turns the wheel into the zoom, toward the pointer.
    if (event.modifiers() & Qt::ControlModifier) {
        ZoomByWheel(event.angleDelta().y(), picDispBase->mapFromGlobal(event.globalPosition()));
        return true;
    }
    // Turning the wheel away (positive) shows what lies above or to the left. Where a value
    // counts several screen pixels, a small turn still moves one.
    const auto inUnits = [](int delta, qint32 unit) {
        return unit == 1 || delta == 0 ? delta
                                       : (delta > 0 ? 1 : -1) * std::max(1, std::abs(delta) / unit);
    };
    scrollBarBy(*hsrDisp, -inUnits(pixels.x(), scrollUnitX));
    scrollBarBy(*vsrDisp, -inUnits(pixels.y(), scrollUnitY));
    return true;
}

bool frmVelmora::scrollByKey(const QKeyEvent& event)
{
    if (event.modifiers() & ~Qt::KeypadModifier)
        return false; // Ctrl+O and the like are not scrolling
    // Arrows step as the bars' own arrows do; a page is what the viewport shows.
    const int page = std::max(1, int(picDispBase->ScaleHeight()) / scrollUnitY);
    std::pair<ScrollBar*, int> step;
    switch (event.key()) {
    case Qt::Key_Left:
        step = {hsrDisp, -hsrDisp->SmallChange()};
        break;
    case Qt::Key_Right:
        step = {hsrDisp, hsrDisp->SmallChange()};
        break;
    case Qt::Key_Up:
        step = {vsrDisp, -vsrDisp->SmallChange()};
        break;
    case Qt::Key_Down:
        step = {vsrDisp, vsrDisp->SmallChange()};
        break;
    case Qt::Key_PageUp:
        step = {vsrDisp, -page};
        break;
    case Qt::Key_PageDown:
        step = {vsrDisp, page};
        break;
    default:
        return false;
    }
    // A scrolling key is taken even while busy, so it does nothing else meanwhile.
    if (!busy)
        scrollBarBy(*step.first, step.second);
    return true;
}
