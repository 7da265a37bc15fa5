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

// Tells the window manager the same minimum, as a client size: a person dragging an edge
// then meets a stop instead of watching the window spring back. The frame is only known
// once the window is managed, so this is redone on every layout pass.
void adviseMinimumSize(frmVelmora& form)
{
    const QRect frame = form.frameGeometry();
    const QSize frameSize(frame.width() - form.width(), frame.height() - form.height());
    const QSize minimumOuter(Screen::pixelsCoveringX(kMinOuterWidthTwips),
                             Screen::pixelsCoveringY(kMinOuterHeightTwips));
    const QSize minimumClient = minimumOuter - frameSize;
    if (form.minimumSize() != minimumClient)
        form.setMinimumSize(minimumClient);
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
    layoutStep([this] {
        if (Width() <= kMinOuterWidthTwips)
            setWidth(kMinOuterWidthTwips);
    });
    layoutStep([this] {
        if (Height() <= kMinOuterHeightTwips)
            setHeight(kMinOuterHeightTwips);
    });
    // Only after the spring-back: with the limit already set, Qt would clamp the size itself.
    layoutStep([this] { adviseMinimumSize(*this); });
    // 6.
    layoutStep(DoEvents);
    // 7.
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
