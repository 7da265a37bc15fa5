#pragma once

#include "viewer/numbers.h"

#include <QString>
#include <QStringList>
#include <cmath>
#include <optional>

// The positions of cboUnit's entries: what the rulers, the size text and the readout
// measure in.
namespace units
{

constexpr int kPixels = 0;
constexpr int kInches = 1;
constexpr int kCentimetres = 2;

// An inch in metres, as picture files record resolutions per metre.
constexpr double kMetresPerInch = 0.0254;

// How many pixels make an inch, across and down: what inches and centimetres are
// reckoned from.
struct PixelsPerInch {
    double x = 96;
    double y = 96;
    bool operator==(const PixelsPerInch&) const = default;
};

// A resolution other than the screen's logical one that inches and centimetres are reckoned
// from, and its name as the size text gives it: "文件 300 ppi".
struct Basis {
    PixelsPerInch perInch;
    QString name;
    // The name in fewer words, longest first ("文件 300", "文件" for "文件 300 ppi"), for
    // where the whole one has no room; none when it is as short as it gets.
    QStringList shorter;
    bool operator==(const Basis&) const = default;
};

// The resolutions inches can be reckoned from, in pixels per inch: beyond these a figure
// would be nonsense.
constexpr double kFewestPixelsPerInch = 0.01;
constexpr double kMostPixelsPerInch = 100000;

inline bool isSensiblePixelsPerInch(double ppi)
{
    return std::isfinite(ppi) && ppi >= kFewestPixelsPerInch && ppi <= kMostPixelsPerInch;
}

// A number of pixels per inch as text ("300", "96.5"), or none where it is not a number or
// not a sensible resolution.
inline std::optional<double> pixelsPerInchFrom(const QString& text)
{
    bool ok = false;
    const double ppi = text.trimmed().toDouble(&ok);
    if (!ok || !isSensiblePixelsPerInch(ppi))
        return std::nullopt;
    return ppi;
}

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
