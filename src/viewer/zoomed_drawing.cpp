#include "viewer/zoomed_drawing.h"

#include <QColor>
#include <algorithm>
#include <cstring>
#include <vector>

QImage zoomed::meanOfSquares(const QImage& image, int over)
{
    const QImage source = image.convertToFormat(QImage::Format_RGB32);
    const int width = (source.width() + over - 1) / over;
    const int height = (source.height() + over - 1) / over;
    QImage out(width, height, QImage::Format_RGB32);
    // Sums of a row of squares, gathered one image row at a time so each pixel is read once;
    // 16 x 16 x 255 fits 32 bits.
    std::vector<quint32> sums(std::size_t(width) * 3);
    for (int row = 0; row < height; ++row) {
        std::fill(sums.begin(), sums.end(), 0);
        const int top = row * over;
        const int bottom = std::min(top + over, source.height());
        for (int y = top; y < bottom; ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(source.constScanLine(y));
            quint32* sum = sums.data();
            for (int x = 0; x < source.width(); sum += 3) {
                const int end = std::min(x + over, source.width());
                quint32 red = 0, green = 0, blue = 0;
                for (; x < end; ++x) {
                    red += (line[x] >> 16) & 0xFFu;
                    green += (line[x] >> 8) & 0xFFu;
                    blue += line[x] & 0xFFu;
                }
                sum[0] += red;
                sum[1] += green;
                sum[2] += blue;
            }
        }
        auto* outLine = reinterpret_cast<QRgb*>(out.scanLine(row));
        for (int column = 0; column < width; ++column) {
            const int across = std::min(over, source.width() - column * over);
            const quint32 count = quint32(across) * quint32(bottom - top);
            const quint32* sum = &sums[std::size_t(column) * 3];
            const auto mean = [count](quint32 total) {
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
    const auto width = std::size_t(exposed.width());
    int madeFor = -1; // the image row and grid state the last screen row was made for
    for (int y = exposed.top(); y <= exposed.bottom(); ++y) {
        const int imageY = y / times;
        const bool gridRow = grid && y % times == times - 1;
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y - exposed.top()));
        // Every screen row of a block is the same: made once, copied for the rest.
        const int key = imageY * 2 + int(gridRow);
        if (key == madeFor) {
            std::memcpy(line, out.constScanLine(y - exposed.top() - 1), width * sizeof(QRgb));
            continue;
        }
        madeFor = key;
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(imageY));
        // In runs of one image pixel: its block's columns, the last one the grid's.
        for (int x = exposed.left(); x <= exposed.right();) {
            const int imageX = x / times;
            const QRgb pixel = in[imageX] | 0xFF000000u;
            const int blockEnd = std::min(exposed.right(), imageX * times + times - 1);
            const bool gridHere = grid && blockEnd == imageX * times + times - 1;
            const QRgb fill = gridRow ? gridOver(pixel) : pixel;
            std::fill(line + (x - exposed.left()), line + (blockEnd - exposed.left()) + 1, fill);
            if (gridHere)
                line[blockEnd - exposed.left()] = gridOver(pixel);
            x = blockEnd + 1;
        }
    }
    return out;
}
