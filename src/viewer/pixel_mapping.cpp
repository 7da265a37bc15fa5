#include "viewer/pixel_mapping.h"

#include "viewer/numbers.h"
#include "viewer/zoom.h"

#include <cmath>

QPoint pixels::imagePixelAt(QPoint origin, qint32 factor, QPointF inViewport)
{
    // The checked division reports a factor of 0 as the window reports any fault.
    const double x = std::floor(numbers::fdiv(inViewport.x() - origin.x(), factor));
    const double y = std::floor(numbers::fdiv(inViewport.y() - origin.y(), factor));
    return QPoint(numbers::Fix(x), numbers::Fix(y));
}

QPoint pixels::imagePixelAt(QPoint origin, const Zoom& factor, QPointF inViewport)
{
    if (factor.in() && factor.times <= 2)
        return imagePixelAt(origin, factor.times, inViewport);
    return factor.pixelAt(origin, inViewport);
}
