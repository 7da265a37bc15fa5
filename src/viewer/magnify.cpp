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
    // Back from a zoomed picture, drawn on demand, to a surface of its own.
    form.LeaveDrawingOnDemand();
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

} // namespace

void frmVelmora::cboMagnify_Click()
{
    // 1., 2. Nothing to enlarge, or a reset made while the window is busy.
    if (busy)
        return;
    if (!picDisp->hasPicture())
        return;
    // The entries after "1" and "2" are the zoom's, which keeps the view where it is.
    const QString entry = cboMagnify->Text();
    if (entry != QStringLiteral("1") && entry != QStringLiteral("2")) {
        ZoomFromList(entry);
        return;
    }
    const Zoom before = zoom_;
    try {
        // 4., 5.
        setMousePointer(vbHourglass);
        DoEvents();
        // 6.
        const qint32 factor = numbers::CLng(numbers::Val(cboMagnify->Text()));
        // 7. to 9.
        renderMagnified(*this, factor);
        zoom_ = Zoom{factor, 1};
        // 10. The rulers drawn here still use the factor that was in force.
        SetupScrollBars();
        // 11. to 13.
        PlacePicture();
        magnification = factor;
        ckbShowRulers_Click();
        // 14.
        setMousePointer(vbDefault);
    } catch (const RuntimeError&) {
        RecoverFromFailedZoom(before);
    } catch (const std::bad_alloc&) {
        RecoverFromFailedZoom(before);
    }
}

void frmVelmora::ShowMagnifiedCopy(qint32 factor)
{
    renderMagnified(*this, factor);
}

void frmVelmora::RecoverFromFailedZoom(Zoom before)
{
    // The factor in force showed before, so showing it again is not expected to fail; if it
    // does, the error goes on to the handler's caller, which reports it.
    ShowAtFactor(before);
    SetupScrollBars();
    PlacePicture();
    // Back to the entry of the factor in force, without running this handler again. Also on
    // the way down, so the list never names a factor that is not shown.
    ShowFactorInList();
    setMousePointer(vbDefault);
    MsgBox(this, kMagnifyFailedMessage);
}
