#pragma once

#include <QRgb>
#include <QString>

// The contrast between two colours as the web's accessibility guidelines (WCAG 2) reckon it,
// for text on its background. No widgets here.
namespace contrast
{

// The relative luminance of an sRGB colour, 0 (black) to 1 (white).
double luminance(QRgb colour);
// (lighter + 0.05) / (darker + 0.05): 1 for equal colours, 21 for black on white.
double ratio(QRgb a, QRgb b);
// The ratio cut (never rounded up) to two decimals, so a pair that falls short of a level
// never reads as reaching it: "4.54:1".
QString ratioText(double ratio);
// The levels the ratio passes, highest first: "AAA", "AA", "AA 大字" (large text) or "不达标".
QString levelText(double ratio);
// "对比度 4.54:1 AA" for the figures, the list and the clipboard.
QString contrastText(QRgb a, QRgb b);

} // namespace contrast
