#pragma once

#include "viewer/zoom.h"

#include <QImage>
#include <QRect>
#include <QRgb>

class Comparison;
class QPainter;

// The comparison as it is laid over the picture, drawn only where the picture is exposed
// and straight from both pictures as loaded, at any factor: in the overlay at its opacity;
// as the difference of the two, channel by channel, pixels beyond the tolerance in the
// marking colour; alone. Nothing is kept between paints. No widgets here.
namespace comparison_drawing
{

// Pixels that differ beyond the tolerance, in the difference: red shows on black and on
// the dark greys of near matches.
constexpr QRgb kMarking = 0xFFFF0000;

// Draws over `exposed` of the picture as shown at `factor`, in screen pixels with the
// picture's top-left at (0, 0).
void draw(QPainter& painter, const QRect& exposed, const QImage& picture,
          const Comparison& comparison, Zoom factor);

} // namespace comparison_drawing
