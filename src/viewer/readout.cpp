#include "toolkit/gdi.h"
#include "viewer/main_window.h"
#include "viewer/numbers.h"
#include "viewer/units.h"

#include <QApplication>
#include <QCursor>
#include <algorithm>

using namespace toolkit;

void frmVelmora::picDisp_MouseMove(int /*button*/, int /*shift*/, float X, float Y)
{
    // 1.
    if (!picOrig->hasPicture()) {
        HidePointerReadout();
        return;
    }
    // While a button is held the picture keeps getting the moves after the pointer has left
    // it; there is no pixel under the pointer then, and a colour made of the invalid value
    // would be nonsense. The readout goes as if the pointer had left the picture.
    // Zoomed beyond 1 and 2 the picture has no surface: the colour is the image's own pixel.
    const ColorRef c = picDisp->drawnOnDemand()
                           ? zoomedColourAt(X, Y)
                           : GetPixel(picDisp->hDC(), numbers::CLng(X), numbers::CLng(Y));
    if (c == CLR_INVALID) {
        HidePointerReadout();
        return;
    }

    // 2.
    shpMarkerW->setVisible(true);
    shpMarkerH->setVisible(true);
    lblXY->setVisible(true);

    // 3. Within the viewport, which is the ruler strip's coordinate system when scrolled.
    // Zoomed, the marker stands on the middle of the pointer's image pixel.
    if (picDisp->drawnOnDemand()) {
        const QPoint on = imagePixelAt(QPointF(X, Y) + QPointF(pictureOrigin()));
        const QRect block = zoom_.blockOf(QPoint(), on);
        const QPoint scrolled(std::max(0, -pictureOrigin().x()), std::max(0, -pictureOrigin().y()));
        shpMarkerW->setLeft(float(block.left() + block.width() / 2 - scrolled.x()));
        shpMarkerH->setTop(float(block.top() + block.height() / 2 - scrolled.y()));
    } else {
        shpMarkerW->setLeft(X - float(hsrDisp->Value()));
        shpMarkerH->setTop(Y - float(vsrDisp->Value()));
    }

    // 4.
    const auto colour = qint32(c);
    const auto red = qint16(numbers::imod(colour, 256));
    const auto green = qint16(numbers::imod(numbers::idiv(colour, 256), 256));
    const auto blue = qint16(numbers::imod(numbers::idiv(colour, 65536), 256));

    // 5. Display pixels back to image pixels: at factor 2, pixels 4 and 5 both read 2. The
    // same mapping as every instrument's, from the viewport the picture lies in.
    const QPoint pixel = imagePixelAt(QPointF(X, Y) + QPointF(pictureOrigin()));
    const qint32 px = pixel.x();
    const qint32 py = pixel.y();

    // 6.
    const units::PixelsPerInch perInch = pixelsPerInch();
    const QString sx = units::lengthText(cboUnit->ListIndex(), px, perInch.x);
    const QString sy = units::lengthText(cboUnit->ListIndex(), py, perInch.y);

    // 7., 8.
    const QString colourText = QStringLiteral("RGB(%1, %2, %3)").arg(red).arg(green).arg(blue);
    lblXY->setCaption(QStringLiteral("x = ") + sx + QStringLiteral("   y = ") + sy +
                      QStringLiteral("     ") + colourText);
    pointed_ = PointedPixel{pixel, qRgb(red, green, blue)};
}

ColorRef frmVelmora::zoomedColourAt(float X, float Y) const
{
    const QPoint pixel = imagePixelAt(QPointF(X, Y) + QPointF(pictureOrigin()));
    if (!QRect(QPoint(), imageSize()).contains(pixel))
        return CLR_INVALID;
    return GetPixel(picOrig->hDC(), pixel.x(), pixel.y());
}

void frmVelmora::RefreshPointerReadout()
{
    // A hidden readout stays hidden: the pointer was not over the picture, or nothing was
    // loaded, and the next move over the picture shows it.
    if (!lblXY->Visible())
        return;
    // Half way through an update (a load resetting the magnification list) the picture is
    // not yet what will be shown: the handler that holds busy ends by showing it.
    if (busy)
        return;
    // The top-most widget under the pointer, so a list's open drop-down or another window
    // in front of the picture counts as the pointer having left it.
    const QPoint global = QCursor::pos();
    if (QApplication::widgetAt(global) != picDisp) {
        HidePointerReadout();
        return;
    }
    const QPointF at = picDisp->mapFromGlobal(QPointF(global));
    picDisp_MouseMove(mouseButtonState(QApplication::mouseButtons()),
                      mouseShiftState(QApplication::keyboardModifiers()), float(at.x()),
                      float(at.y()));
}

void frmVelmora::HidePointerReadout()
{
    // The caption stays: the next move over the picture rewrites it.
    shpMarkerW->setVisible(false);
    shpMarkerH->setVisible(false);
    lblXY->setVisible(false);
}

void frmVelmora::picDispBase_MouseMove(int /*button*/, int /*shift*/, float /*X*/, float /*Y*/)
{
    HidePointerReadout();
}

void frmVelmora::picRulerW_MouseMove(int /*button*/, int /*shift*/, float /*X*/, float /*Y*/)
{
    HidePointerReadout();
}

void frmVelmora::picRulerH_MouseMove(int /*button*/, int /*shift*/, float /*X*/, float /*Y*/)
{
    HidePointerReadout();
}

void frmVelmora::Form_MouseMove(int /*button*/, int /*shift*/, float /*X*/, float /*Y*/)
{
    HidePointerReadout();
}
