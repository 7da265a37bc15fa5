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

// A length of image pixels as the unit shows it: plain digits in pixels, two decimals in
// inches (pixels / dpi) and centimetres (divided first, then times 2.54). "" for no unit.
inline QString lengthText(int unit, qint32 pixels, double dpi)
{
    switch (unit) {
    case kPixels:
        return QString::number(pixels);
    case kInches:
        return numbers::formatTwoDecimals(numbers::fdiv(pixels, dpi));
    case kCentimetres:
        return numbers::formatTwoDecimals(numbers::fdiv(pixels, dpi) * 2.54);
    default:
        return QString();
    }
}

} // namespace units
