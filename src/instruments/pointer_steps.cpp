#include "instruments/pointer_steps.h"

#include <QCursor>
#include <QWidget>

namespace
{

// Moves a coordinate by whole image pixels of factor screen pixels, as many as stay within
// low to high, so the pointer keeps its place within a pixel's block at factor 2. Zoomed out
// a step is a screen pixel: the next square.
int stepWithin(int at, int pixels, int factor, int low, int high)
{
    int moved = at + pixels * factor;
    while (moved < low)
        moved += factor;
    while (moved > high)
        moved -= factor;
    return moved;
}

} // namespace

PointerSteps::PointerSteps(frmVelmora& window) : Instrument(window)
{
    const std::pair<Qt::Key, QPoint> arrows[] = {{Qt::Key_Left, QPoint(-1, 0)},
                                                 {Qt::Key_Right, QPoint(1, 0)},
                                                 {Qt::Key_Up, QPoint(0, -1)},
                                                 {Qt::Key_Down, QPoint(0, 1)}};
    for (const auto& [key, direction] : arrows) {
        claimKey(QKeySequence(Qt::ControlModifier | key),
                 [this, direction = direction] { return step(direction); });
        claimKey(QKeySequence(Qt::ControlModifier | Qt::ShiftModifier | key),
                 [this, direction = direction] { return step(direction * 10); });
    }
}

bool PointerSteps::step(QPoint pixels)
{
    const PictureView& w = window();
    if (w.picture().isNull())
        return false;
    const QWidget& viewport = w.viewport();
    // The part of the picture in view, in the viewport's pixels.
    const QRect shown =
        viewport.rect().intersected(QRect(w.pictureOrigin(), w.factor().shown(w.imageSize())));
    const QPoint at = viewport.mapFromGlobal(QCursor::pos());
    if (!shown.contains(at))
        return false;
    const int block = w.factor().times;
    const QPoint held(stepWithin(at.x(), pixels.x(), block, shown.left(), shown.right()),
                      stepWithin(at.y(), pixels.y(), block, shown.top(), shown.bottom()));
    if (held != at)
        QCursor::setPos(viewport.mapToGlobal(held));
    return true;
}
