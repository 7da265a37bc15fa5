#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRgb>

// Edges found from a pixel, as a person checking a UI looks for them: where the picture
// changes from one pixel to the next, not where it has drifted from the first one, so a
// gradient or a soft shadow lets an arm run on while a one-pixel border stops it. No
// widgets here.
namespace edges
{

// The tolerance the spacing mode starts with: a smooth gradient or a soft shadow changes
// less than this from one pixel to the next, a drawn border more.
constexpr int kDefaultTolerance = 8;
constexpr int kToleranceStep = 4;
constexpr int kMaxTolerance = 255;

// Whether two neighbouring pixels differ by more than the tolerance in any channel.
bool differs(QRgb a, QRgb b, int tolerance);

// From `pixel`, the last pixel left, right, up and down before an edge (or the picture's
// own edge), as the rectangle they bound: both ends included. `pixel` must lie on the image.
QRect spanAround(const QImage& image, QPoint pixel, int tolerance);
// The same with `turned`, the image's transpose (its pixel (y, x) is the image's (x, y)), so
// the walk up and down runs along a row in memory: a column of a large picture crosses a
// cache line at every pixel.
QRect spanAround(const QImage& image, const QImage& turned, QPoint pixel, int tolerance);
// The image's transpose, in 32-bit pixels.
QImage transposed(const QImage& image);

} // namespace edges
