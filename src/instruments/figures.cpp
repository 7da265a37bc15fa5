#include "instruments/figures.h"

#include "instruments/colours.h"
#include "instruments/contrast.h"
#include "viewer/numbers.h"

#include <QCoreApplication>
#include <cmath>
#include <numbers>
#include <utility>

namespace measurement
{

namespace
{

QString tr(const char* text)
{
    return QCoreApplication::translate("measurement", text);
}

double degrees(double y, double x)
{
    // atan2(0, 0) is 0: a line of no length reads 0.00°.
    return std::atan2(y, x) * 180.0 / std::numbers::pi;
}

bool inLengths(int unit)
{
    return unit == units::kInches || unit == units::kCentimetres;
}

Figures lineFigures(QPoint from, QPoint to, int unit, units::PixelsPerInch perInch)
{
    const qint32 dx = numbers::sub(to.x(), from.x());
    const qint32 dy = numbers::sub(to.y(), from.y());
    Figures figures;
    figures.unit = units::symbol(unit);
    if (inLengths(unit)) {
        figures.across = units::lengthText(unit, dx, perInch.x);
        figures.down = units::lengthText(unit, dy, perInch.y);
        // Both directions in inches first: the pixels need not be square.
        const double inchesX = numbers::fdiv(dx, perInch.x);
        const double inchesY = numbers::fdiv(dy, perInch.y);
        const double scale = unit == units::kCentimetres ? 2.54 : 1.0;
        figures.lengthOrArea = numbers::formatTwoDecimals(std::hypot(inchesX, inchesY) * scale);
        // Up the picture is down the image; -dy is taken in integers so that no -0.0 turns
        // a leftward line's 180° into -180°.
        figures.angle = numbers::formatTwoDecimals(degrees(numbers::fdiv(-dy, perInch.y), inchesX));
    } else {
        figures.across = QString::number(dx);
        figures.down = QString::number(dy);
        figures.lengthOrArea = numbers::formatTwoDecimals(std::hypot(double(dx), double(dy)));
        figures.angle = numbers::formatTwoDecimals(degrees(double(-dy), double(dx)));
    }
    return figures;
}

Figures boxFigures(const Measurement& box, int unit, units::PixelsPerInch perInch)
{
    // Both end pixels belong to the box.
    const qint32 width = numbers::add(std::abs(numbers::sub(box.to.x(), box.from.x())), 1);
    const qint32 height = numbers::add(std::abs(numbers::sub(box.to.y(), box.from.y())), 1);
    Figures figures;
    figures.unit = units::symbol(unit);
    figures.across = units::lengthText(unit, width, perInch.x);
    figures.down = units::lengthText(unit, height, perInch.y);
    figures.lengthOrArea =
        inLengths(unit) ? numbers::formatTwoDecimals(units::lengthIn(unit, width, perInch.x) *
                                                     units::lengthIn(unit, height, perInch.y))
                        : QString::number(qint64(width) * height);
    return figures;
}

Figures angleFigures(const Measurement& angle, int unit, units::PixelsPerInch perInch)
{
    // The second arm as a line, the angle between the arms as they show in the unit, so
    // pixels that are not square do not bend it.
    Figures figures = lineFigures(angle.from, angle.to, unit, perInch);
    const auto inUnits = [&](QPoint end) {
        return std::pair{units::lengthIn(unit, numbers::sub(end.x(), angle.from.x()), perInch.x),
                         units::lengthIn(unit, numbers::sub(end.y(), angle.from.y()), perInch.y)};
    };
    const auto [ax, ay] = inUnits(angle.firstArm);
    const auto [bx, by] = inUnits(angle.to);
    const double between = std::atan2(std::abs(ax * by - ay * bx), ax * bx + ay * by);
    figures.angle = numbers::formatTwoDecimals(between * 180.0 / std::numbers::pi);
    return figures;
}

} // namespace

Figures figuresOf(const Measurement& kept, int unit, units::PixelsPerInch perInch)
{
    switch (kept.kind) {
    case Kind::Line: {
        Figures figures = lineFigures(kept.from, kept.to, unit, perInch);
        figures.contrast = contrast::contrastText(kept.colour, kept.toColour);
        return figures;
    }
    case Kind::Box:
        return boxFigures(kept, unit, perInch);
    case Kind::Angle:
        return angleFigures(kept, unit, perInch);
    case Kind::Point:
        break;
    }
    Figures point;
    point.unit = units::symbol(unit);
    point.colour = colours::hexText(kept.colour);
    return point;
}

QString copyText(const Measurement& kept, const Figures& figures)
{
    switch (kept.kind) {
    case Kind::Line:
        return QStringLiteral("Δx %1  Δy %2  %3 %4  %5°  %6")
            .arg(figures.across, figures.down, figures.lengthOrArea, figures.unit, figures.angle,
                 figures.contrast);
    case Kind::Box:
        return tr("宽 %1  高 %2  面积 %3 %4²")
            .arg(figures.across, figures.down, figures.lengthOrArea, figures.unit);
    case Kind::Point:
        return QStringLiteral("x = %1   y = %2   %3")
            .arg(QString::number(kept.from.x()), QString::number(kept.from.y()), figures.colour);
    case Kind::Angle:
        break;
    }
    return tr("角 %1°  边长 %2 %3").arg(figures.angle, figures.lengthOrArea, figures.unit);
}

QString withTypographicMinus(QString text)
{
    return text.replace(QLatin1Char('-'), QChar(0x2212));
}

QString figuresText(const Measurement& kept, const Figures& figures)
{
    // Only figures can be negative; a unit never is.
    return withTypographicMinus(copyText(kept, figures));
}

} // namespace measurement
