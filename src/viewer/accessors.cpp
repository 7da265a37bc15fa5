// What the window lets its instruments read, and the inch basis they may set.
#include "viewer/main_window.h"
#include "viewer/numbers.h"
#include "viewer/pixel_mapping.h"

#include <QScreen>
#include <cmath>
#include <utility>

QImage frmVelmora::picture() const
{
    return picOrig->hasPicture() ? picOrig->Picture().toImage() : QImage();
}

PictureView::From frmVelmora::pictureFrom() const
{
    if (picturePath_.isEmpty())
        return From::Nothing;
    return picturePath_ == pastedPath_ ? From::Clipboard : From::File;
}

bool frmVelmora::cutShort() const
{
    return lblCutShort && lblCutShort->Visible();
}

QPoint frmVelmora::pictureOrigin() const
{
    return picDisp->pos();
}

QPoint frmVelmora::imagePixelAt(QPointF inViewport) const
{
    return pixels::imagePixelAt(pictureOrigin(), zoom_, inViewport);
}

QRect frmVelmora::rulerInViewport(Qt::Orientation ruler) const
{
    const QWidget* base = ruler == Qt::Horizontal ? picRulerBaseW : picRulerBaseH;
    if (base->isHidden())
        return QRect();
    return QRect(picDispBase->mapFromGlobal(base->mapToGlobal(QPoint(0, 0))), base->size());
}

units::PixelsPerInch frmVelmora::pixelsPerInch() const
{
    if (inchBasis_)
        return inchBasis_->perInch;
    return screenPixelsPerInch();
}

units::PixelsPerInch frmVelmora::screenPixelsPerInch() const
{
    return units::PixelsPerInch{double(dpiX), double(dpiY)};
}

units::PixelsPerInch frmVelmora::physicalPixelsPerInch() const
{
    const QScreen* glass = screen();
    if (!glass)
        return units::PixelsPerInch{0, 0};
    return units::PixelsPerInch{glass->physicalDotsPerInchX(), glass->physicalDotsPerInchY()};
}

void frmVelmora::setInchBasis(std::optional<units::Basis> basis)
{
    runHandler([&] {
        inchBasis_ = std::move(basis);
        // As another unit would: the rulers, the size text and the readout at once.
        cboUnit_Click();
    });
}

int frmVelmora::unit() const
{
    return cboUnit->ListIndex();
}

std::optional<PointedPixel> frmVelmora::pointedPixel() const
{
    // A load empties the readout's text without hiding it: it reads out nothing then.
    if (!lblXY->Visible() || lblXY->Caption().isEmpty())
        return std::nullopt;
    return pointed_;
}

QString frmVelmora::readoutText() const
{
    return pointedPixel() ? lblXY->Caption() : QString();
}
