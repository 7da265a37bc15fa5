#pragma once

#include <QString>
#include <QtGlobal>

// How a ruler is graduated at a factor other than 1 and 2: in 1-2-5 steps of its unit, the
// numbers at least kNumbersApart screen pixels apart and the ticks at least kTicksApart. No
// widgets here.
namespace ruler_steps
{

constexpr double kNumbersApart = 50;
constexpr double kTicksApart = 5;

// A step between numbers and between ticks, in the unit's own measure (pixels; inches;
// centimetres), and whether a long tick falls every other step of the numbers' halves.
struct Steps {
    double numbers = 1;
    double ticks = 1;
};

// For `screenPerUnit` screen pixels to one of the unit (pixels: the factor; inches: factor
// x pixels per inch), the smallest 1-2-5 steps that keep the spacing. `smallest` is the
// finest step the unit offers (a pixel: 1; an inch: 1/8; a centimetre: 0.1).
Steps stepsFor(double screenPerUnit, double smallest);

// A number of the ruler, `count` steps of `step` from 0: whole numbers as they are, parts
// with as many decimals as the step needs ("0.125", "2.5"), never "-0".
QString numberText(qint64 count, double step);

} // namespace ruler_steps
