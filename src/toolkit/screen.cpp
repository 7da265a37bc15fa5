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
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return Dpi{};
    return Dpi{qRound(screen->logicalDotsPerInchX()), qRound(screen->logicalDotsPerInchY())};
}

void Screen::setDpiOverride(std::optional<Dpi> dpi)
{
    dpiOverride() = dpi;
}

int Screen::pointsToPixels(double points)
{
    return static_cast<int>(std::lround(points * dpi().y / 72.0));
}

} // namespace toolkit
