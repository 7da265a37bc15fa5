#include "instruments/contrast.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>

namespace
{

// The guidelines' levels: normal text at AA and AAA, large text at AA.
constexpr double kAAA = 7.0;
constexpr double kAA = 4.5;
constexpr double kAALarge = 3.0;

double linear(int channel)
{
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

QString tr(const char* text)
{
    return QCoreApplication::translate("contrast", text);
}

} // namespace

double contrast::luminance(QRgb colour)
{
    return 0.2126 * linear(qRed(colour)) + 0.7152 * linear(qGreen(colour)) +
           0.0722 * linear(qBlue(colour));
}

double contrast::ratio(QRgb a, QRgb b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QString contrast::ratioText(double ratio)
{
    // A hair above the cut, so 21 reckoned as 20.999999999999996 still reads 21.00.
    const double cut = std::floor(ratio * 100 + 1e-9) / 100;
    return QString::number(cut, 'f', 2) + QStringLiteral(":1");
}

QString contrast::levelText(double ratio)
{
    if (ratio >= kAAA)
        return QStringLiteral("AAA");
    if (ratio >= kAA)
        return QStringLiteral("AA");
    if (ratio >= kAALarge)
        return tr("AA 大字");
    return tr("不达标");
}

QString contrast::contrastText(QRgb a, QRgb b)
{
    const double r = ratio(a, b);
    return tr("对比度 %1 %2").arg(ratioText(r), levelText(r));
}
