#include "instruments/colours.h"

#include <QColor>
#include <algorithm>
#include <cmath>

namespace colours
{

namespace
{

struct Hsl {
    int hue;        // 0 to 359
    int saturation; // percent
    int lightness;  // percent
};

Hsl hslOf(QRgb colour)
{
    float h = 0, s = 0, l = 0;
    QColor(colour).getHslF(&h, &s, &l);
    // A grey has no hue; Qt says -1.
    const int hue = h < 0 ? 0 : int(std::lround(h * 360)) % 360;
    return Hsl{hue, int(std::lround(s * 100)), int(std::lround(l * 100))};
}

QString hslWith(const char* name, QRgb colour)
{
    const Hsl hsl = hslOf(colour);
    return QStringLiteral("%1(%2, %3%, %4%)")
        .arg(QLatin1String(name))
        .arg(hsl.hue)
        .arg(hsl.saturation)
        .arg(hsl.lightness);
}

QString rgbWith(const char* name, QRgb colour)
{
    return QStringLiteral("%1(%2, %3, %4)")
        .arg(QLatin1String(name))
        .arg(qRed(colour))
        .arg(qGreen(colour))
        .arg(qBlue(colour));
}

} // namespace

QString rgbText(QRgb colour)
{
    return rgbWith("RGB", colour);
}

QString hexText(QRgb colour)
{
    return QColor(colour).name().toUpper();
}

QString hslText(QRgb colour)
{
    return hslWith("HSL", colour);
}

QString cssRgbText(QRgb colour)
{
    return rgbWith("rgb", colour);
}

QString cssHslText(QRgb colour)
{
    return hslWith("hsl", colour);
}

QRgb meanAround(const QImage& image, QPoint centre, int radius)
{
    const int left = std::max(0, centre.x() - radius);
    const int right = std::min(image.width() - 1, centre.x() + radius);
    const int top = std::max(0, centre.y() - radius);
    const int bottom = std::min(image.height() - 1, centre.y() + radius);
    long sums[3] = {0, 0, 0};
    long count = 0;
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x) {
            const QRgb c = image.pixel(x, y);
            sums[0] += qRed(c);
            sums[1] += qGreen(c);
            sums[2] += qBlue(c);
            ++count;
        }
    if (count == 0)
        return qRgb(0, 0, 0);
    // Rounded, halves up, in integers: no floating point to make 0.5 into 0.4999.
    const auto mean = [count](long sum) { return int((2 * sum + count) / (2 * count)); };
    return qRgb(mean(sums[0]), mean(sums[1]), mean(sums[2]));
}

bool blackShowsOn(QRgb colour)
{
    // Rec. 601 luma, in thousandths.
    return 299 * qRed(colour) + 587 * qGreen(colour) + 114 * qBlue(colour) >= 128 * 1000;
}

} // namespace colours
