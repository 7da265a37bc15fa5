#pragma once

#include "toolkit/picture_box.h"

#include <QString>

// The rulers' ink: grey ticks and blue numbers.
constexpr toolkit::ColorRef kRulerTickGrey = 0x00A0A0A0;
constexpr toolkit::ColorRef kRulerNumberBlue = 0x00DD0000;

// One tick across a ruler at `at`: its two ends leave the middle free for the numbers, a long
// one reaching further in.
void drawRulerTick(toolkit::PictureBox& strip, Qt::Orientation along, float at, bool isLong);

// Prints a vertical ruler's number reading upward, centred on the tick at `tick`, its cell to
// the right of x = left, in the ruler's own rotated font.
void printRotatedOn(toolkit::PictureBox& strip, const QString& text, float left, float tick);
