#include "toolkit/screen.h"
#include "toolkit/services.h"
#include "viewer/main_window.h"

#include <cmath>
#include <new>

using namespace toolkit;

namespace
{

// The smallest outer size of the window, in twips (608 x 370 pixels at 96 ppi).
constexpr float kMinOuterWidthTwips = 9120;
constexpr float kMinOuterHeightTwips = 5550;
// Space kept free under the viewport for the scroll bar and the two labels.
constexpr float kSpaceBelowViewport = 60;
// Gap between the viewport and each scroll bar.
constexpr float kScrollBarGap = 2;
// Extra space between the horizontal scroll bar and the labels.
constexpr float kLabelGap = 10;
// How far the labels sit inside the viewport's left and right edges.
constexpr float kLabelInset = 2;

// Runs one step of the layout on its own: a step that fails is dropped without a word and
// the layout goes on with the next, so a refused size never leaves the window half laid out.
template <class Step> void layoutStep(Step&& step)
{
    try {
        step();
    } catch (const RuntimeError&) {
    } catch (const std::bad_alloc&) {
    }
}

} // namespace

void frmVelmora::Form_Resize()
{
    // 1.
    layoutStep(DoEvents);
    // 2., 3.
    if (busy)
        return;
    if (isMinimized())
        return;
    // 4., 5. Setting a size raises Resize again at once; that nested pass lays the window
    // out with the corrected size and this one then repeats it with the same result.
    const QSize asked = size();
    const QSize frame = frameSize();
    layoutStep([this] {
        if (Width() <= kMinOuterWidthTwips)
            setWidth(kMinOuterWidthTwips);
    });
    layoutStep([this] {
        if (Height() <= kMinOuterHeightTwips)
            setHeight(kMinOuterHeightTwips);
    });
    // Remembered so the spring-back can be redone once the frame is known (see
    // fitToFrame). A nested pass changes nothing more, so the outer one has the
    // last word.
    if (size() != asked)
        springBack_ = SpringBack{asked, size(), frame};
    // Only after the spring-back: with the limit already set, Qt would clamp the size itself.
    layoutStep([this] { adviseMinimumSize(); });
    // 6.
    layoutStep(DoEvents);
    // 7. From here on the layout is made for this size, whichever steps fail.
    laidOutSize = size();
    layoutStep([this] {
        picDispBase->Move(float(baseLeft), float(baseTop), ScaleWidth() - float(2 * baseLeft),
                          ScaleHeight() - float(baseTop) - kSpaceBelowViewport);
    });
    // 8.
    if (picDisp->hasPicture()) {
        qint32 oldH = 0;
        qint32 oldV = 0;
        layoutStep([&] {
            oldH = hsrDisp->Value();
            oldV = vsrDisp->Value();
        });
        layoutStep([this] { SetupScrollBars(); });
        layoutStep([&] { RestoreScrollPositions(oldH, oldV); });
        layoutStep([&] {
            if (oldH == 0 && oldV == 0)
                PlacePicture();
        });
        // With a bar away from 0 the picture is not placed again. On an axis where the new
        // size has made it at least as large as the viewport, it would keep the offset that
        // centred it, its far edge out of reach and the ruler, now laid against the
        // viewport's edge, off its pixels: there it goes where its bar says.
        layoutStep([&] {
            if (oldH == 0 && oldV == 0)
                return;
            if (picDisp->ScaleWidth() >= picDispBase->ScaleWidth() && picDisp->Left() > 0)
                hsrDisp_Change();
            if (picDisp->ScaleHeight() >= picDispBase->ScaleHeight() && picDisp->Top() > 0)
                vsrDisp_Change();
        });
        layoutStep(DoEvents);
    }
    // 9.
    layoutStep([this] {
        vsrDisp->Move(picDispBase->Left() + picDispBase->Width() + kScrollBarGap,
                      picDispBase->Top(), vsrDisp->Width(), picDispBase->Height());
    });
    // 10.
    layoutStep([this] {
        hsrDisp->Move(picDispBase->Left(),
                      picDispBase->Top() + picDispBase->Height() + kScrollBarGap,
                      picDispBase->Width(), hsrDisp->Height());
    });
    // 11.
    layoutStep(DoEvents);
    // 12.
    layoutStep([this] {
        lblImageSize->setTop(picDispBase->Top() + picDispBase->Height() + hsrDisp->Height() +
                             kLabelGap);
        lblImageSize->setLeft(picDispBase->Left() + kLabelInset);
    });
    // 13. The label keeps its width, so its right edge stays just inside the viewport's.
    layoutStep([this] {
        lblXY->setTop(lblImageSize->Top());
        lblXY->setLeft(picDispBase->Left() + picDispBase->Width() - lblXY->Width() - kLabelInset);
    });
    // 14.
    layoutStep([this] { PlaceRulers(); });
}

QSize frmVelmora::clientSizeHeldToMinimum(QSize asked, QSize frame)
{
    // The same comparisons as Form_Resize, on the outer size in twips.
    const QSize outer = asked + frame;
    QSize held = asked;
    if (float(outer.width() * Screen::twipsPerPixelX()) <= kMinOuterWidthTwips)
        held.setWidth(Screen::pixelsCoveringX(kMinOuterWidthTwips) - frame.width());
    if (float(outer.height() * Screen::twipsPerPixelY()) <= kMinOuterHeightTwips)
        held.setHeight(Screen::pixelsCoveringY(kMinOuterHeightTwips) - frame.height());
    return held;
}

// Tells the window manager the same minimum, as a client size: a person dragging an edge
// then meets a stop instead of watching the window spring back.
void frmVelmora::adviseMinimumSize()
{
    advisedFrame_ = frameSize();
    const QSize minimumClient = clientSizeHeldToMinimum(QSize(0, 0), advisedFrame_);
    if (minimumSize() != minimumClient)
        setMinimumSize(minimumClient);
}

// The first layout pass runs before a window manager has framed the window, so it counts the
// frame as nothing and holds the client itself to the minimum outer size: a window that
// opened at 600 pixels is widened to 608 where 606 inside a 2-pixel frame would do, and the
// window manager is told a minimum client 2 pixels too large. Once the frame is known, both
// are put right as a layout pass with that frame would have done. A window the user has
// resized since is left as it is.
void frmVelmora::frameMayHaveChanged()
{
    runHandler([this] { fitToFrame(); });
}

void frmVelmora::fitToFrame()
{
    if (busy || isMinimized() || !isVisible())
        return; // asked again at the next sign of a new frame
    const QSize frame = frameSize();
    if (frame != advisedFrame_)
        layoutStep([this] { adviseMinimumSize(); });
    if (!springBack_ || size() != springBack_->given)
        return;
    if (frame == springBack_->frame)
        return;
    const QSize held = clientSizeHeldToMinimum(springBack_->asked, frame);
    springBack_.reset();
    // Resizing raises Form_Resize, which lays the window out for its new size.
    if (held != size())
        layoutStep([&] { resize(held); });
}

// A resize that comes while a handler holds busy finds Form_Resize returning at once and is
// not repeated, so the viewport, the bars and the labels would keep the old size, for good
// where the window manager resizes in one step. The handlers that yield while busy call this
// once they have let go, as they catch up with a scroll they dropped.
void frmVelmora::CatchUpResize()
{
    if (busy || !isVisible() || isMinimized() || size() == laidOutSize)
        return;
    Form_Resize();
}

void frmVelmora::PlacePicture()
{
    // The halves stay unrounded: an odd difference leaves the picture at .5, which the
    // toolkit maps to the same whole pixel as the ruler laid against it.
    if (picDisp->ScaleWidth() >= picDispBase->ScaleWidth())
        picDisp->setLeft(0);
    else
        picDisp->setLeft(float((double(picDispBase->ScaleWidth()) - picDisp->ScaleWidth()) / 2));

    if (picDisp->ScaleHeight() >= picDispBase->ScaleHeight())
        picDisp->setTop(0);
    else
        picDisp->setTop(float((double(picDispBase->ScaleHeight()) - picDisp->ScaleHeight()) / 2));

    DoEvents();
}

void frmVelmora::RestoreScrollPositions(qint32 oldH, qint32 oldV)
{
    // Each assignment raises the bar's Change, which moves the picture to match.
    if (oldH < hsrDisp->Max())
        hsrDisp->setValue(oldH);
    else
        hsrDisp->setValue(hsrDisp->Max());

    if (oldV < vsrDisp->Max())
        vsrDisp->setValue(oldV);
    else
        vsrDisp->setValue(vsrDisp->Max());
}
