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
    // The resolution in force: the override if one is set, else the primary screen's.
    static Dpi dpi();
    static void setDpiOverride(std::optional<Dpi> dpi);

    // Twips (1/1440 inch) per pixel across and down: 15 at 96 ppi.
    static double twipsPerPixelX() { return 1440.0 / dpi().x; }
    static double twipsPerPixelY() { return 1440.0 / dpi().y; }
    // A font size in points as a whole-pixel em height, as the classic toolkit rounds it.
    static int pointsToPixels(double points);
};

} // namespace toolkit
