#pragma once

#include <QRect>
#include <QRgb>
#include <array>

// The layout of the sample test card: a pixel grid to read positions against, pure
// colours to read back with the pointer, and boxes of exact sizes to measure with the
// rulers. make_testcard draws it; the end-to-end test looks for the same patches on screen.
namespace testcard
{

// Small enough that the whole card shows at 1x in the viewport of the window's design size.
constexpr int kWidth = 480;
constexpr int kHeight = 300;

constexpr QRgb kWhite = qRgb(255, 255, 255);
constexpr QRgb kBlack = qRgb(0, 0, 0);

// Grid lines: every 10 pixels light, every 50 darker, every 100 darkest. The right and
// bottom edges get a darkest line too, so the card's extent shows against a white viewport.
constexpr QRgb kGridLine10 = qRgb(208, 208, 208);
constexpr QRgb kGridLine50 = qRgb(160, 160, 160);
constexpr QRgb kGridLine100 = qRgb(96, 96, 96);

struct Patch {
    QRect rect;
    QRgb colour;
};

// Pure colours, 40 x 40 each, one row. Magenta appears nowhere else in the window, which
// makes it the patch the end-to-end test looks for.
constexpr std::array<Patch, 8> kColourPatches = {{
    {QRect(20, 20, 40, 40), qRgb(255, 0, 0)},
    {QRect(70, 20, 40, 40), qRgb(0, 255, 0)},
    {QRect(120, 20, 40, 40), qRgb(0, 0, 255)},
    {QRect(170, 20, 40, 40), qRgb(0, 255, 255)},
    {QRect(220, 20, 40, 40), qRgb(255, 0, 255)},
    {QRect(270, 20, 40, 40), qRgb(255, 255, 0)},
    {QRect(320, 20, 40, 40), qRgb(0, 0, 0)},
    {QRect(370, 20, 40, 40), qRgb(128, 128, 128)},
}};
constexpr Patch kMagentaPatch = kColourPatches[4];

// Boxes to measure: one inch and one centimetre (37.8 px, so 38) at 96 ppi, and a
// rectangle twice as wide as tall.
constexpr Patch kInchBox = {QRect(20, 90, 96, 96), qRgb(255, 160, 0)};
constexpr Patch kCentimetreBox = {QRect(140, 90, 38, 38), qRgb(0, 160, 255)};
constexpr Patch kWideBox = {QRect(200, 90, 100, 50), qRgb(160, 0, 255)};

// A one-pixel black and white checkerboard: any scaling or smoothing turns it grey.
constexpr QRect kCheckerboard(320, 90, 40, 40);

// A grey ramp from 0 to 255, one level per column.
constexpr QRect kGreyRamp(20, 210, 256, 40);

} // namespace testcard
