#include "instruments/comparison.h"

#include <algorithm>

void Comparison::show(const QImage& image, const QString& file, bool cutShort, bool keepPlace)
{
    image_ = image.format() == QImage::Format_RGB32 ? image
                                                    : image.convertToFormat(QImage::Format_RGB32);
    file_ = file;
    cutShort_ = cutShort;
    if (!keepPlace) {
        offset_ = QPoint();
        alone_ = false;
    }
    changedCounts();
}

void Comparison::end()
{
    if (!active())
        return;
    image_ = QImage();
    file_.clear();
    alone_ = false;
    changedCounts();
}

void Comparison::setOffset(QPoint offset)
{
    if (offset == offset_)
        return;
    offset_ = offset;
    changedCounts();
}

void Comparison::setMode(Mode mode)
{
    if (mode == mode_)
        return;
    mode_ = mode;
    alone_ = false;
    emit changed();
}

void Comparison::setOpacityTenths(int tenths)
{
    tenths = std::clamp(tenths, 1, 10);
    if (tenths == opacityTenths_)
        return;
    opacityTenths_ = tenths;
    emit changed();
}

void Comparison::setTolerance(int tolerance)
{
    tolerance = std::clamp(tolerance, 0, differences::kMaxTolerance);
    if (tolerance == tolerance_)
        return;
    tolerance_ = tolerance;
    changedCounts();
}

void Comparison::setMarking(bool marking)
{
    if (marking == marking_)
        return;
    marking_ = marking;
    emit changed();
}

void Comparison::setAlone(bool alone)
{
    if (alone == alone_)
        return;
    alone_ = alone;
    emit changed();
}

std::optional<QRgb> Comparison::colourAt(QPoint pixel) const
{
    const QPoint at = pixel - offset_;
    if (!image_.rect().contains(at))
        return std::nullopt;
    return image_.pixel(at);
}

const differences::Counts& Comparison::countsAgainst(const QImage& picture) const
{
    if (!counts_ || countedFor_ != picture.cacheKey()) {
        counts_ = differences::count(picture, image_, offset_, tolerance_);
        countedFor_ = picture.cacheKey();
    }
    return *counts_;
}

void Comparison::changedCounts()
{
    counts_.reset();
    emit changed();
}
