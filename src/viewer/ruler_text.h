#pragma once

#include "toolkit/picture_box.h"

#include <QString>

// Prints a vertical ruler's number reading upward, centred on the tick at `tick`, its cell to
// the right of x = left, in the ruler's own rotated font.
void printRotatedOn(toolkit::PictureBox& strip, const QString& text, float left, float tick);
