#include "toolkit/bmp_header.h"

#include "toolkit/header_fields.h"

namespace toolkit
{

std::optional<BmpHeader> readBmpHeader(QByteArrayView bytes)
{
    const HeaderFields fields(bytes);
    const auto offset = fields.le32(10), headerSize = fields.le32(14);
    if (!bytes.startsWith("BM") || !offset || !headerSize)
        return std::nullopt;
    BmpHeader header;
    header.pixelOffset = *offset;
    header.headerSize = *headerSize;
    if (header.isCore()) {
        const auto width = fields.le16(18), height = fields.le16(20);
        if (!width || !height)
            return std::nullopt;
        header.width = *width;
        header.height = *height;
        header.bitsPerPixel = fields.le16(24);
        header.compression = kBmpRgb;
        return header;
    }
    const auto width = fields.le32(18), height = fields.le32(22);
    if (!width || !height)
        return std::nullopt;
    header.width = qint32(*width);
    header.height = qint32(*height);
    header.bitsPerPixel = fields.le16(28);
    header.compression = fields.le32(30);
    header.coloursUsed = fields.le32(46).value_or(0);
    if (header.headerSize >= 40) {
        if (const auto x = fields.le32(38), y = fields.le32(42); x && y) {
            header.pixelsPerMetreX = qint32(*x);
            header.pixelsPerMetreY = qint32(*y);
        }
    }
    if (const auto red = fields.le32(54), green = fields.le32(58), blue = fields.le32(62);
        red && green && blue)
        header.masks = BmpChannelMasks{*red, *green, *blue,
                                       header.headerSize >= 108 ? fields.le32(66).value_or(0) : 0};
    return header;
}

} // namespace toolkit
