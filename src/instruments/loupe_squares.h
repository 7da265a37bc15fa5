#pragma once

#include "viewer/units.h"

#include <QImage>
#include <QPoint>
#include <QRgb>

// What a loupe shows: count x count image pixels centred on one, each an exact square of
// cell screen pixels, one-pixel grid lines between and around them, the centre outlined in
// black or white, whichever shows on it, and a fine checkerboard where the image ends.
namespace loupe
{

const QRgb kGridGrey = qRgb(136, 136, 136);
const QRgb kCheckLight = qRgb(224, 224, 224);
const QRgb kCheckDark = qRgb(184, 184, 184);

// Screen pixels a side of one image pixel: 10 at 96 ppi, following the screen's logical
// resolution across as the rest of the window does.
int cellPixels(units::PixelsPerInch screen);
// The squares for picture around centre; count * (cell + 1) + 1 pixels a side. Drawn into
// `into` when it has that size already, so following the pointer allocates nothing.
QImage drawSquares(const QImage& picture, QPoint centre, int count, int cell,
                   QImage into = QImage());

} // namespace loupe
