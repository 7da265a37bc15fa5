#pragma once

#include <optional>

namespace toolkit
{

// Pixels per logical inch of the screen, horizontal and vertical.
struct Dpi {
    int x = 96;
    int y = 96;
};

// The screen-resolution service. The program reads the primary screen's logical DPI;
// tests replace it with any pair so the window can be checked at 72, 96, 120 or 144 ppi.
class Screen
{
public:
    // The resolution in force: the override if one is set, else the primary screen's as
    // first read. A later change of the desktop's setting would leave the window's layout,
    // fonts and ruler scales disagreeing, so it is not followed.
    static Dpi dpi();
    static void setDpiOverride(std::optional<Dpi> dpi);

    // Twips (1/1440 inch) per pixel across and down: 15 at 96 ppi.
    static double twipsPerPixelX() { return 1440.0 / dpi().x; }
    static double twipsPerPixelY() { return 1440.0 / dpi().y; }
    // The fewest whole pixels covering a length in twips, so a window held to a minimum in
    // twips is never below it where a pixel is not a whole number of twips (100 ppi).
    static int pixelsCoveringX(double twips) { return pixelsCovering(twips, twipsPerPixelX()); }
    static int pixelsCoveringY(double twips) { return pixelsCovering(twips, twipsPerPixelY()); }
    // A font size in points as a whole-pixel em height, as the classic toolkit rounds it.
    static int pointsToPixels(double points);

private:
    static int pixelsCovering(double twips, double twipsPerPixel);
};

} // namespace toolkit
