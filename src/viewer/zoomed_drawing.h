#pragma once

#include <QImage>
#include <QRect>
#include <QRgb>

// The picture as shown at a factor other than 1 and 2, drawn only where it is exposed and
// straight from the image as loaded: nothing the size of the enlarged picture is made. No
// widgets here.
namespace zoomed
{

// From this factor up, a one-pixel grid line lies between image pixels.
constexpr int kGridFrom = 8;

// The image in squares of over x over pixels, each the mean of its pixels, halves rounded
// up; the squares at the right and bottom edges take what the image has of them.
QImage meanOfSquares(const QImage& image, int over);

// The part `exposed` of the picture zoomed in by `times` (in screen pixels, the picture's
// top-left at 0, 0, clipped to the picture), every image pixel a solid block; with `grid`,
// each block's last column and row in a colour that shows on it, so the pitch stays
// exactly `times`.
QImage drawIn(const QImage& image, int times, QRect exposed, bool grid);

// The grid's colour over a pixel: half way to black on a light one, to white on a dark one.
QRgb gridOver(QRgb pixel);

} // namespace zoomed
