#pragma once

#include <QImage>
#include <QPoint>
#include <QString>

// A pixel's colour in the notations people paste elsewhere, and the colour around a pixel.
namespace colours
{

// "RGB(255, 128, 0)", as the window's readout writes it.
QString rgbText(QRgb colour);
// "#FF8000".
QString hexText(QRgb colour);
// "HSL(30, 100%, 50%)": hue in whole degrees, saturation and lightness in whole percent.
QString hslText(QRgb colour);
// The same as a style sheet takes them: "rgb(255, 128, 0)", "hsl(30, 100%, 50%)".
QString cssRgbText(QRgb colour);
QString cssHslText(QRgb colour);

// The mean colour of the square of side 2 * radius + 1 around centre, counting only the
// pixels inside the image, each channel rounded to a whole value (halves up). The centre
// must lie inside the image.
QRgb meanAround(const QImage& image, QPoint centre, int radius);

// Whether black shows better than white on the colour (its luma is at least half way).
bool blackShowsOn(QRgb colour);

} // namespace colours
