#pragma once

#include "instruments/guides.h"
#include "instruments/measurement_table.h"
#include "viewer/units.h"
#include "viewer/zoom.h"

#include <QFont>
#include <QImage>
#include <QRegion>
#include <vector>

// The picture of the findings, for a bug report: the picture as loaded (never the screen),
// at its own size or enlarged by a factor, with every measurement drawn as on screen and,
// beside each, its number and figures in a box with a background, and the guides as cyan
// lines. Outside the marks and boxes its pixels are the picture's own. No widgets here.
namespace findings
{

struct Findings {
    std::vector<measurement::Measurement> measurements;
    std::vector<guide::Guide> guides;
    int unit = 0;
    units::PixelsPerInch perInch;
};

// The largest picture of the findings made, as the largest picture shown.
constexpr int kMaxSide = 32767;
constexpr qint64 kMaxPixels = qint64(1) << 28;
bool fits(QSize size);

// `factor` enlarges by whole image pixels only (1, 2, 3, ...); anything else draws at 1. A
// null image where the result would pass the limits above. `drawnOn`, when given, receives
// where anything was drawn.
QImage draw(const QImage& picture, const Findings& found, int factor, const QFont& font,
            QRegion* drawnOn = nullptr);

} // namespace findings
