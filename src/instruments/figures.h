#pragma once

#include "instruments/measurement_table.h"
#include "viewer/units.h"

#include <QString>

// The figures of a measurement of any kind, worked out here and only here in the unit
// chosen; the list's table, the figures box beside the pointer and the clipboard only set
// them out. No widgets here.
namespace measurement
{

// A measurement's figures as texts with the decimals shown on screen and '-' for minus, ""
// where its kind has none. In inches and centimetres each direction is converted with its
// own resolution first, so that a length and an angle agree with the differences shown.
struct Figures {
    QString across;       // a line's or an arm's Δx, a box's width
    QString down;         // Δy taken image-down, as the readout counts; a box's height
    QString lengthOrArea; // a line's length, a box's area, an angle's second arm's length
    QString angle;        // a line's, counter-clockwise from the x axis in (-180, 180]; the
                          // one between an angle's arms, 0 to 180
    QString colour;       // a point's, #RRGGBB
    QString unit;         // "px", "in", "cm"
    QString contrast;     // a line's, between its end pixels: "对比度 4.54:1 AA"
};

// In a unit of the unit list (anything else reads as pixels), at pixels per inch across and
// down. A box covers both end pixels: one pixel is 1 x 1.
Figures figuresOf(const Measurement& kept, int unit, units::PixelsPerInch perInch);

// The figures in one line for the clipboard, plain minus signs so they paste as numbers:
// "Δx 120  Δy -35  125.00 px  16.26°  对比度 4.54:1 AA", "宽 40  高 10  面积 400 px²", "x = 100   y
// = 50 #8C6E80", "角 90.00°  边长 30.00 px".
QString copyText(const Measurement& kept, const Figures& figures);
// The same line in the figures box, with typographic minus signs.
QString figuresText(const Measurement& kept, const Figures& figures);
// A text with each '-' set as the typographic minus sign, for figures on screen.
QString withTypographicMinus(QString text);

} // namespace measurement
