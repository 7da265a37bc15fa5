#include "instruments/edges.h"

#include <cstdlib>

bool edges::differs(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) > tolerance || std::abs(qGreen(a) - qGreen(b)) > tolerance ||
           std::abs(qBlue(a) - qBlue(b)) > tolerance;
}

QRect edges::spanAround(const QImage& image, QPoint pixel, int tolerance)
{
    const QImage rgb =
        image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
            ? image
            : image.convertToFormat(QImage::Format_RGB32);
    const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(pixel.y()));
    int left = pixel.x();
    while (left > 0 && !differs(row[left - 1], row[left], tolerance))
        --left;
    int right = pixel.x();
    while (right < rgb.width() - 1 && !differs(row[right + 1], row[right], tolerance))
        ++right;
    const auto at = [&rgb, x = pixel.x()](int y) {
        return reinterpret_cast<const QRgb*>(rgb.constScanLine(y))[x];
    };
    int top = pixel.y();
    while (top > 0 && !differs(at(top - 1), at(top), tolerance))
        --top;
    int bottom = pixel.y();
    while (bottom < rgb.height() - 1 && !differs(at(bottom + 1), at(bottom), tolerance))
        ++bottom;
    return QRect(QPoint(left, top), QPoint(right, bottom));
}
