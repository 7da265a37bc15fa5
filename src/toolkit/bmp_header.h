#pragma once

#include <QByteArrayView>
#include <optional>

namespace toolkit
{

// The compressions a BMP header names.
constexpr quint32 kBmpRgb = 0, kBmpRle8 = 1, kBmpRle4 = 2, kBmpBitFields = 3;

// Colour masks of a BMP's pixels: which bits of a pixel hold each channel.
struct BmpChannelMasks {
    quint32 red = 0, green = 0, blue = 0, alpha = 0;
};

// The fields of a BMP's file and information headers, as stored. The OS/2 core header (12
// bytes) has 16-bit sizes and no compression; Windows headers (40 bytes and more) have the
// rest. Fields the bytes at hand do not reach are absent.
struct BmpHeader {
    quint32 pixelOffset = 0; // where the pixels start, from the file's start
    quint32 headerSize = 0;  // of the information header
    // A negative height is a picture stored top down.
    qint64 width = 0, height = 0;
    std::optional<quint16> bitsPerPixel;
    std::optional<quint32> compression; // kBmpRgb for the core header
    quint32 coloursUsed = 0;            // 0 where the palette is as long as the bits allow
    std::optional<qint32> pixelsPerMetreX, pixelsPerMetreY;
    // The bytes where colour masks would be, after the 40 bytes every Windows header begins
    // with; only headers of 108 bytes and more give an alpha mask. They mean something only
    // where the compression is bit fields.
    std::optional<BmpChannelMasks> masks;

    bool isCore() const { return headerSize == 12; }
};

// The header of the BMP whose first bytes are given; none for any other file or a header
// cut short before the picture's size.
std::optional<BmpHeader> readBmpHeader(QByteArrayView bytes);

} // namespace toolkit
