#include "toolkit/gdi.h"
#include "toolkit/services.h"
#include "viewer/main_window.h"
#include "viewer/numbers.h"

#include <new>

using namespace toolkit;

namespace
{

const QString kMagnifyFailedMessage =
    QStringLiteral("Failed to magnify.  Probably magnifying resulted in an image size greater than"
                   "\r\nthe capability of PictureBox.  Please reduce magnification factor.");

// Shows the loaded image in picDisp enlarged by a whole factor, every image pixel a solid
// factor x factor block. picOrig is only read, so every factor starts from the image as
// loaded and nothing is lost going back and forth.
void renderMagnified(frmVelmora& form, qint32 factor)
{
    PictureBox& shown = *form.picDisp;
    shown.setPicture(QImage());
    // Products are checked; the sums keep any border the box has outside its drawing area.
    shown.setWidth(shown.Width() - shown.ScaleWidth() +
                   float(numbers::mul(form.imageWidth, factor)));
    shown.setHeight(shown.Height() - shown.ScaleHeight() +
                    float(numbers::mul(form.imageHeight, factor)));
    StretchBlt(shown.hDC(), 0, 0, numbers::CLng(shown.ScaleWidth()),
               numbers::CLng(shown.ScaleHeight()), form.picOrig->hDC(), 0, 0, form.imageWidth,
               form.imageHeight, SRCCOPY);
    shown.setPicture(shown.Image());
}

// Shows the image again at the factor in force, puts the list back and tells the user.
void recoverFromFailedMagnify(frmVelmora& form)
{
    // The factor in force rendered before, so this is not expected to fail; if it does, the
    // error goes on to the handler's caller, which reports it.
    renderMagnified(form, form.magnification);
    form.SetupScrollBars();
    form.PlacePicture();

    // Back to the entry of the factor in force, without running this handler again. Also on
    // the way down, so the list never names a factor that is not shown.
    form.busy = -1;
    const int inForce = form.magnification - 1;
    if (inForce >= 0 && inForce < form.cboMagnify->ListCount() &&
        inForce != form.cboMagnify->ListIndex())
        form.cboMagnify->setListIndex(inForce);
    form.busy = 0;

    setMousePointer(vbDefault);
    MsgBox(&form, kMagnifyFailedMessage);
}

} // namespace

void frmVelmora::cboMagnify_Click()
{
    // 1., 2. Nothing to enlarge, or a reset made while the window is busy.
    if (busy)
        return;
    if (!picDisp->hasPicture())
        return;
    try {
        // 4., 5.
        setMousePointer(vbHourglass);
        DoEvents();
        // 6.
        const qint32 factor = numbers::CLng(numbers::Val(cboMagnify->Text()));
        // 7. to 9.
        renderMagnified(*this, factor);
        // 10. The rulers drawn here still use the factor that was in force.
        SetupScrollBars();
        // 11. to 13.
        PlacePicture();
        magnification = factor;
        ckbShowRulers_Click();
        // 14.
        setMousePointer(vbDefault);
    } catch (const RuntimeError&) {
        recoverFromFailedMagnify(*this);
    } catch (const std::bad_alloc&) {
        recoverFromFailedMagnify(*this);
    }
}

void frmVelmora::SetFactor(qint32 factor)
{
    // Through the list, as a person would choose it: its handler does the rest.
    for (int entry = 0; entry < cboMagnify->ListCount(); ++entry)
        if (numbers::CLng(numbers::Val(cboMagnify->itemText(entry))) == factor &&
            entry != cboMagnify->ListIndex())
            cboMagnify->setListIndex(entry);
}
