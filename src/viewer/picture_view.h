#pragma once

#include "viewer/units.h"
#include "viewer/zoom.h"

#include <QImage>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QRgb>
#include <QSize>
#include <QString>
#include <optional>

class QWidget;

// The image pixel the window's readout shows and its colour.
struct PointedPixel {
    QPoint pixel;
    QRgb colour = 0;
    bool operator==(const PointedPixel&) const = default;
};

// What an instrument may read of the window: the picture shown and how it is shown. Read
// only; an instrument asks the window for a change through Instrument's operations.
class PictureView
{
public:
    // Where the picture shown came from.
    enum class From { Nothing, File, Clipboard };

    // The picture as loaded, before magnification; null when none is shown.
    virtual QImage picture() const = 0;
    virtual QSize imageSize() const = 0;
    virtual From pictureFrom() const = 0;
    // The file the picture shown was read from (for a pasted one, where it was written to be
    // read); "" when none is shown.
    virtual QString picturePath() const = 0;
    // The file the last load failed on, while nothing is shown for that failure; "" else.
    virtual QString failedPath() const = 0;
    // Whether the picture shown is the same file read again keeping the view (F5, a change on
    // disk), rather than another picture: what lay on it may stay.
    virtual bool reopened() const = 0;
    // Whether the picture is only the part of a file cut short that could be read.
    virtual bool cutShort() const = 0;

    // The factor the picture is shown at: 1 and 2 as the magnification list names them, or
    // any other the zoom offers.
    virtual Zoom factor() const = 0;
    // The viewport the picture is shown in: pictureOrigin and imagePixelAt are in its
    // coordinates, and it maps them to the screen's.
    virtual const QWidget& viewport() const = 0;
    // The viewport pixel where image pixel (0, 0) begins: negative when scrolled, the whole
    // pixel a centred picture at a half lands on.
    virtual QPoint pictureOrigin() const = 0;
    // The image pixel under a point of the viewport; it lies outside the image where the
    // point does. The readout takes its position from here.
    virtual QPoint imagePixelAt(QPointF inViewport) const = 0;

    // Where a ruler lies, in the viewport's coordinates (Qt::Horizontal for the one along the
    // top); empty while the rulers are hidden.
    virtual QRect rulerInViewport(Qt::Orientation ruler) const = 0;

    // The unit chosen in the unit list (units::kPixels, ...), -1 for none.
    virtual int unit() const = 0;
    // How many image pixels an inch is across and down, for every figure in inches or
    // centimetres: the screen's logical resolution unless another basis is in force.
    virtual units::PixelsPerInch pixelsPerInch() const = 0;
    virtual std::optional<units::Basis> inchBasis() const = 0;
    // The screen's logical resolution, the one the window is laid out for.
    virtual units::PixelsPerInch screenPixelsPerInch() const = 0;
    // The screen's physical resolution as the desktop reports it; 0 where it reports none.
    virtual units::PixelsPerInch physicalPixelsPerInch() const = 0;

    // The image pixel the readout shows and its colour, while the readout is shown.
    virtual std::optional<PointedPixel> pointedPixel() const = 0;
    // The readout's text while it is shown, else "".
    virtual QString readoutText() const = 0;

protected:
    ~PictureView() = default;
};

// The wording of the window's message for a picture it cannot load, for others that load
// pictures through the same path and say so in their own place.
QString loadErrorMessage();
