// The zoom beyond the magnification list's 1 and 2: factors from 1/16 to 32 drawn on demand,
// the keys and the wheel that step through them toward a point, the fit and the pixel grid.
#include "toolkit/services.h"
#include "viewer/main_window.h"
#include "viewer/zoomed_drawing.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QSettings>
#include <QShortcut>
#include <cmath>
#include <new>

using namespace toolkit;

namespace
{

const QString kFitEntry = QStringLiteral("适合窗口");
const QString kGridSetting = QStringLiteral("view/pixelGrid");
// One notch of a mouse wheel, in eighths of a degree.
constexpr int kWheelNotch = 120;

} // namespace

bool frmVelmora::isSpecifiedFactor(const Zoom& factor)
{
    return factor.in() && factor.times <= 2;
}

void frmVelmora::AddZoomEntries()
{
    // After "1" and "2": the larger factors, the smaller ones, then the fit.
    for (const Zoom& factor : zoom::factors())
        if (factor.in() && factor.times > 2)
            cboMagnify->AddItem(factor.name());
    const std::vector<Zoom>& all = zoom::factors();
    for (auto factor = all.rbegin(); factor != all.rend(); ++factor)
        if (!factor->in())
            cboMagnify->AddItem(factor->name());
    cboMagnify->AddItem(kFitEntry);
    // The list keeps its narrow place; its drop-down is as wide as its longest entry.
    int widest = 0;
    for (int entry = 0; entry < cboMagnify->ListCount(); ++entry)
        widest = std::max(widest,
                          cboMagnify->fontMetrics().horizontalAdvance(cboMagnify->itemText(entry)));
    constexpr int kEntryMargins = 24;
    cboMagnify->view()->setMinimumWidth(widest + kEntryMargins);
    gridShown = QSettings().value(kGridSetting, true).toBool();
}

void frmVelmora::ConnectZoomKeys()
{
    const auto onKey = [this](QKeyCombination key, auto&& action) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        connect(shortcut, &QShortcut::activated, this, [this, action] { runHandler(action); });
    };
    // Ctrl++ is Ctrl+Shift+= on most keyboards; both step in, as does the keypad's plus.
    for (const Qt::Key in : {Qt::Key_Equal, Qt::Key_Plus})
        onKey(Qt::ControlModifier | in, [this] { StepZoom(1); });
    onKey(Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_Plus, [this] { StepZoom(1); });
    onKey(Qt::ControlModifier | Qt::KeypadModifier | Qt::Key_Plus, [this] { StepZoom(1); });
    onKey(Qt::ControlModifier | Qt::Key_Minus, [this] { StepZoom(-1); });
    onKey(Qt::ControlModifier | Qt::KeypadModifier | Qt::Key_Minus, [this] { StepZoom(-1); });
    onKey(Qt::ControlModifier | Qt::Key_1, [this] { ZoomTo(Zoom{}, viewportCentre()); });
    onKey(Qt::ControlModifier | Qt::Key_0, [this] { ZoomToFit(); });
    onKey(Qt::Key_G, [this] { ToggleGrid(); });
}

QPointF frmVelmora::viewportCentre() const
{
    return QPointF(picDispBase->ScaleWidth() / 2, picDispBase->ScaleHeight() / 2);
}

void frmVelmora::StepZoom(int steps)
{
    if (const auto to = zoom::stepped(zoom_, steps))
        ZoomTo(*to, viewportCentre());
}

void frmVelmora::ZoomByWheel(int angle, QPointF inViewport)
{
    // A touchpad sends parts of a notch; they add up to whole steps.
    wheelZoomAngle_ += angle;
    const int steps = wheelZoomAngle_ / kWheelNotch;
    wheelZoomAngle_ -= steps * kWheelNotch;
    if (steps == 0)
        return;
    const auto to = zoom::stepped(zoom_, steps > 0 ? 1 : -1);
    if (to)
        ZoomTo(*to, inViewport);
}

void frmVelmora::ZoomToFit()
{
    if (picOrig->hasPicture())
        ZoomFromList(kFitEntry);
}

void frmVelmora::ToggleGrid()
{
    gridShown = !gridShown;
    QSettings().setValue(kGridSetting, gridShown);
    if (picDisp->drawnOnDemand() && zoom_.in() && zoom_.times >= zoomed::kGridFrom)
        picDisp->update();
}

void frmVelmora::ZoomTo(Zoom to, QPointF keep)
{
    if (busy || zooming_ || !picOrig->hasPicture() || to == zoom_)
        return;
    const QScopedValueRollback<bool> guard(zooming_, true);
    // The viewport is painted once, at the new factor and place, not at each step on the way.
    picDispBase->setUpdatesEnabled(false);
    const auto paintAgain = qScopeGuard([this] { picDispBase->setUpdatesEnabled(true); });
    const Zoom before = zoom_;
    // The point of the image under `keep`, in image pixels and fractions of one.
    const QPoint origin = pictureOrigin();
    const double imageX = (keep.x() - origin.x()) * before.over / before.times;
    const double imageY = (keep.y() - origin.y()) * before.over / before.times;
    try {
        ShowAtFactor(to);
    } catch (const RuntimeError&) {
        RecoverFromFailedZoom(before);
        return;
    } catch (const std::bad_alloc&) {
        RecoverFromFailedZoom(before);
        return;
    }
    SetupScrollBars();
    PlacePicture();
    // Scrolled so that point lies under `keep` again, as far as the bars reach.
    const auto barValue = [](double screen, qint32 unit, const ScrollBar& bar) {
        const double value = std::round(screen / unit);
        return int(std::clamp(value, 0.0, double(std::max<qint16>(0, bar.Max()))));
    };
    const int across = barValue(imageX * to.times / to.over - keep.x(), scrollUnitX, *hsrDisp);
    const int down = barValue(imageY * to.times / to.over - keep.y(), scrollUnitY, *vsrDisp);
    if (across != hsrDisp->Value())
        hsrDisp->setValue(across);
    if (down != vsrDisp->Value())
        vsrDisp->setValue(down);
    ShowFactorInList();
    ckbShowRulers_Click();
    RefreshPointerReadout();
}

void frmVelmora::ZoomFromList(const QString& entry)
{
    const QSize viewport(int(picDispBase->ScaleWidth()), int(picDispBase->ScaleHeight()));
    const std::optional<Zoom> to =
        entry == kFitEntry ? zoom::fitting(imageSize(), viewport) : zoom::named(entry);
    if (!to)
        return;
    if (*to == zoom_) {
        // The fit may be the factor in force already: the list names it again.
        ShowFactorInList();
        return;
    }
    ZoomTo(*to, viewportCentre());
}

void frmVelmora::ShowAtFactor(Zoom to)
{
    if (isSpecifiedFactor(to)) {
        ShowMagnifiedCopy(to.times);
    } else {
        ShowOnDemand(to);
    }
    zoom_ = to;
    magnification = isSpecifiedFactor(to) ? to.times : 1;
}

void frmVelmora::ShowOnDemand(Zoom to)
{
    // The mean colours of squares are made once per factor and picture, before anything
    // changes, so a failure leaves the picture as it was.
    if (!to.in() && !meansOf_.contains(to.over)) {
        const QImage means = zoomed::meanOfSquares(picOrig->Picture().toImage(), to.over);
        if (means.isNull())
            throw std::bad_alloc();
        meansOf_.insert(to.over, means);
    }
    PictureBox& shown = *picDisp;
    shown.setDrawnOnDemand(
        [this](QPainter& painter, const QRect& exposed) { paintZoomed(painter, exposed); });
    const QSize size = to.shown(imageSize());
    shown.setWidth(shown.Width() - shown.ScaleWidth() + float(size.width()));
    shown.setHeight(shown.Height() - shown.ScaleHeight() + float(size.height()));
    // The picture as loaded stands for what is shown, sharing its pixels: nothing is copied.
    shown.setPicture(picOrig->Picture());
}

void frmVelmora::paintZoomed(QPainter& painter, const QRect& exposed) const
{
    const QRect picture(QPoint(0, 0), zoom_.shown(imageSize()));
    const QRect drawn = exposed & picture;
    if (drawn.isEmpty())
        return;
    if (zoom_.in()) {
        const bool grid = gridShown && zoom_.times >= zoomed::kGridFrom;
        painter.drawImage(drawn.topLeft(),
                          zoomed::drawIn(picOrig->Picture().toImage(), zoom_.times, drawn, grid));
    } else if (const auto means = meansOf_.constFind(zoom_.over); means != meansOf_.cend()) {
        painter.drawImage(drawn.topLeft(), *means, drawn);
    }
}

void frmVelmora::LeaveDrawingOnDemand()
{
    if (!picDisp->drawnOnDemand())
        return;
    picDisp->setPicture(QImage());
    picDisp->Move(picDisp->Left(), picDisp->Top(), picDisp->Width() - picDisp->ScaleWidth() + 1,
                  picDisp->Height() - picDisp->ScaleHeight() + 1);
    picDisp->setDrawnOnDemand({});
}

void frmVelmora::ShowFactorInList()
{
    const int entry = cboMagnify->findText(zoom_.name());
    if (entry < 0 || entry == cboMagnify->ListIndex())
        return;
    const QScopedValueRollback<qint16> quiet(busy, qint16(-1));
    cboMagnify->setListIndex(entry);
}

void frmVelmora::SetFactor(Zoom factor)
{
    if (isSpecifiedFactor(factor)) {
        // Through the list, as a person would choose it: its handler does the rest.
        const int entry = cboMagnify->findText(factor.name());
        if (entry >= 0 && entry != cboMagnify->ListIndex())
            cboMagnify->setListIndex(entry);
        return;
    }
    ZoomTo(factor, viewportCentre());
}
