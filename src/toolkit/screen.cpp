#include "toolkit/screen.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace toolkit
{

namespace
{
std::optional<Dpi>& dpiOverride()
{
    static std::optional<Dpi> value;
    return value;
}
} // namespace

Dpi Screen::dpi()
{
    if (dpiOverride())
        return *dpiOverride();
    static std::optional<Dpi> firstReading;
    if (!firstReading) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen)
            return Dpi{};
        firstReading =
            Dpi{qRound(screen->logicalDotsPerInchX()), qRound(screen->logicalDotsPerInchY())};
    }
    return *firstReading;
}

void Screen::setDpiOverride(std::optional<Dpi> dpi)
{
    dpiOverride() = dpi;
}

int Screen::pixelsCovering(double twips, double twipsPerPixel)
{
    // The tolerance keeps an exact quotient such as 9120 / 15 from rounding up a pixel.
    return static_cast<int>(std::ceil(twips / twipsPerPixel - 1e-6));
}

int Screen::pointsToPixels(double points)
{
    return static_cast<int>(std::lround(points * dpi().y / 72.0));
}

} // namespace toolkit
