#pragma once

#include "viewer/numbers.h"

#include <QString>

// The positions of cboUnit's entries: what the rulers, the size text and the readout
// measure in.
namespace units
{

constexpr int kPixels = 0;
constexpr int kInches = 1;
constexpr int kCentimetres = 2;

// How many pixels make an inch, across and down: what inches and centimetres are
// reckoned from.
struct PixelsPerInch {
    double x = 96;
    double y = 96;
    bool operator==(const PixelsPerInch&) const = default;
};

// The j-th number of a ruler strip whose first number is labelBase: pixel rulers count in
// steps of unitPx image pixels, inch and centimetre rulers in whole units. "" for no unit.
inline QString rulerNumberText(int unit, qint32 j, qint32 unitPx, qint32 labelBase)
{
    if (unit == kPixels)
        return QString::number(numbers::add(numbers::mul(j, unitPx), labelBase));
    if (unit == kInches || unit == kCentimetres)
        return QString::number(numbers::add(j, labelBase));
    return QString();
}

// A length of image pixels in the unit: pixels as they are, inches as pixels / dpi,
// centimetres divided first, then times 2.54. Anything else reads as pixels.
inline double lengthIn(int unit, qint32 pixels, double dpi)
{
    if (unit == kInches)
        return numbers::fdiv(pixels, dpi);
    if (unit == kCentimetres)
        return numbers::fdiv(pixels, dpi) * 2.54;
    return pixels;
}

// A length of image pixels as the unit shows it: plain digits in pixels, two decimals in
// inches and centimetres. "" for no unit.
inline QString lengthText(int unit, qint32 pixels, double dpi)
{
    switch (unit) {
    case kPixels:
        return QString::number(pixels);
    case kInches:
    case kCentimetres:
        return numbers::formatTwoDecimals(lengthIn(unit, pixels, dpi));
    default:
        return QString();
    }
}

// The unit's symbol after figures: "in", "cm", and "px" for pixels or anything else.
inline QString symbol(int unit)
{
    if (unit == kInches)
        return QStringLiteral("in");
    if (unit == kCentimetres)
        return QStringLiteral("cm");
    return QStringLiteral("px");
}

} // namespace units
