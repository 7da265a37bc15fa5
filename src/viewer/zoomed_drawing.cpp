#include "viewer/zoomed_drawing.h"

#include <QColor>
#include <algorithm>
#include <vector>

QImage zoomed::meanOfSquares(const QImage& image, int over)
{
    const QImage source = image.convertToFormat(QImage::Format_RGB32);
    const int width = (source.width() + over - 1) / over;
    const int height = (source.height() + over - 1) / over;
    QImage out(width, height, QImage::Format_RGB32);
    // Sums of a row of squares, gathered one image row at a time so each pixel is read once.
    std::vector<quint64> sums(std::size_t(width) * 3);
    for (int row = 0; row < height; ++row) {
        std::fill(sums.begin(), sums.end(), 0);
        const int top = row * over;
        const int bottom = std::min(top + over, source.height());
        for (int y = top; y < bottom; ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(source.constScanLine(y));
            for (int x = 0; x < source.width(); ++x) {
                quint64* sum = &sums[std::size_t(x / over) * 3];
                sum[0] += quint64(qRed(line[x]));
                sum[1] += quint64(qGreen(line[x]));
                sum[2] += quint64(qBlue(line[x]));
            }
        }
        auto* outLine = reinterpret_cast<QRgb*>(out.scanLine(row));
        for (int column = 0; column < width; ++column) {
            const int across = std::min(over, source.width() - column * over);
            const quint64 count = quint64(across) * quint64(bottom - top);
            const quint64* sum = &sums[std::size_t(column) * 3];
            const auto mean = [count](quint64 total) {
                return int((2 * total + count) / (2 * count));
            };
            outLine[column] = qRgb(mean(sum[0]), mean(sum[1]), mean(sum[2]));
        }
    }
    return out;
}

QRgb zoomed::gridOver(QRgb pixel)
{
    // Integer luma, as the loupe chooses its outline: light pixels take a darker line.
    const int luma = (299 * qRed(pixel) + 587 * qGreen(pixel) + 114 * qBlue(pixel)) / 1000;
    const int towards = luma >= 128 ? 0 : 255;
    const auto half = [towards](int channel) { return (channel + towards + 1) / 2; };
    return qRgb(half(qRed(pixel)), half(qGreen(pixel)), half(qBlue(pixel)));
}

QImage zoomed::drawIn(const QImage& image, int times, QRect exposed, bool grid)
{
    exposed &= QRect(0, 0, image.width() * times, image.height() * times);
    QImage out(exposed.size(), QImage::Format_RGB32);
    if (exposed.isEmpty())
        return out;
    const QImage source =
        image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
            ? image
            : image.convertToFormat(QImage::Format_RGB32);
    for (int y = exposed.top(); y <= exposed.bottom(); ++y) {
        const int imageY = y / times;
        const bool gridRow = grid && y % times == times - 1;
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(imageY));
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y - exposed.top()));
        for (int x = exposed.left(); x <= exposed.right(); ++x) {
            const QRgb pixel = in[x / times] | 0xFF000000u;
            const bool gridColumn = grid && x % times == times - 1;
            line[x - exposed.left()] = gridRow || gridColumn ? gridOver(pixel) : pixel;
        }
    }
    return out;
}
