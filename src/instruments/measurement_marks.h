#pragma once

#include "instruments/measurement.h"
#include "instruments/measurement_table.h"

#include <QColor>
#include <QRect>

class QPainter;

// How a kept measurement is drawn over the picture, on screen and in a picture of the
// findings alike: around the pixels measured, never on them, white under dashes so every
// mark shows on any picture.
namespace marks
{

enum class Look { Plain, Selected, Dragged };

// The selected measurements' dashes and numbers.
const QColor kSelectedInk(0, 102, 204);
// Labels and figures boxes: black text on a pale yellow ground inside a black frame, like a
// tooltip, wherever they are drawn.
const QColor kLabelGround(255, 255, 225);
const QColor kLabelInk(0, 0, 0);
// Guides: cyan shows on the greys and whites of most UIs.
const QColor kGuideInk(0, 255, 255);

// The screen pixels a measurement's marks cover, for the picture placed as given: its
// pixels and the outline, rings and arms around them.
QRect markedBy(const measurement::Placement& where, const measurement::Measurement& kept);
// Draws its marks, in the placement's coordinates, without antialiasing.
void draw(QPainter& painter, const measurement::Placement& where,
          const measurement::Measurement& kept, Look look);

} // namespace marks
