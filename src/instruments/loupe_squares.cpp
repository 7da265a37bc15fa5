#include "instruments/loupe_squares.h"

#include "instruments/colours.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace loupe
{

int cellPixels(units::PixelsPerInch screen)
{
    // Whole pixels, rounded down: 12, not 12.5 rounded up, at 120 ppi.
    return std::max(1, int(10 * screen.x / 96));
}

namespace
{

// One row of image pixels: a grid line's row, then cell rows of squares. The rows of a
// square differ only in the checkerboard's phase, so two are drawn and the rest copied.
void drawRow(QImage& out, int top, const std::vector<std::optional<QRgb>>& colours, int cell)
{
    const int pitch = cell + 1;
    const int check = std::max(1, cell / 5);
    const auto row = [&](int r) { return reinterpret_cast<QRgb*>(out.scanLine(top + 1 + r)); };
    std::fill_n(reinterpret_cast<QRgb*>(out.scanLine(top)), out.width(), kGridGrey);
    for (int phase = 0; phase < 2 && phase * check < cell; ++phase) {
        QRgb* line = row(phase * check);
        line[0] = kGridGrey;
        for (std::size_t i = 0; i < colours.size(); ++i) {
            QRgb* square = line + i * pitch + 1;
            if (colours[i]) {
                std::fill_n(square, cell, *colours[i]);
            } else {
                for (int c = 0; c < cell; ++c)
                    square[c] = (c / check + phase) % 2 ? kCheckDark : kCheckLight;
            }
            square[cell] = kGridGrey;
        }
    }
    const std::size_t bytes = std::size_t(out.width()) * sizeof(QRgb);
    for (int r = 0; r < cell; ++r) {
        const int phaseRow = (r / check) % 2 * check;
        if (r != phaseRow)
            std::memcpy(row(r), row(phaseRow), bytes);
    }
}

// A ring of one pixel on the grid lines around the square at (left, top).
void outline(QImage& out, int left, int top, int cell, QRgb colour)
{
    const int right = left + cell + 1, bottom = top + cell + 1;
    for (int x = left; x <= right; ++x) {
        out.setPixel(x, top, colour);
        out.setPixel(x, bottom, colour);
    }
    for (int y = top; y <= bottom; ++y) {
        out.setPixel(left, y, colour);
        out.setPixel(right, y, colour);
    }
}

} // namespace

QImage drawSquares(const QImage& picture, QPoint centre, int count, int cell, QImage into)
{
    const int pitch = cell + 1;
    const int side = count * pitch + 1;
    QImage out = std::move(into);
    if (out.size() != QSize(side, side) || out.format() != QImage::Format_RGB32)
        out = QImage(side, side, QImage::Format_RGB32);
    const QPoint corner = centre - QPoint(count / 2, count / 2);
    std::vector<std::optional<QRgb>> colours(count);
    for (int j = 0; j < count; ++j) {
        const int y = corner.y() + j;
        for (int i = 0; i < count; ++i) {
            const int x = corner.x() + i;
            colours[i] = picture.valid(x, y) ? std::optional(picture.pixel(x, y) | 0xFF000000u)
                                             : std::nullopt;
        }
        drawRow(out, j * pitch, colours, cell);
    }
    std::fill_n(reinterpret_cast<QRgb*>(out.scanLine(side - 1)), side, kGridGrey);
    if (picture.valid(centre)) {
        const bool black = colours::blackShowsOn(picture.pixel(centre));
        const int at = count / 2 * pitch;
        outline(out, at, at, cell, black ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    }
    return out;
}

} // namespace loupe
