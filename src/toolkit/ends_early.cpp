#include "toolkit/ends_early.h"

#include "toolkit/bmp_header.h"
#include "toolkit/header_fields.h"
#include "toolkit/jpeg_segments.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace toolkit
{

namespace
{

// Whether a JPEG ends before its end-of-image marker. Segments are stepped over by their
// lengths, so a thumbnail's marker inside one does not count; in the coded data after a
// scan, 0xFF is only ever followed by a stuffed 0 or a restart marker, so the next other
// marker is found by looking for 0xFF alone. Junk between segments is skipped, as the
// decoder skips it.
bool jpegEndsEarly(QByteArrayView bytes)
{
    const auto* data = reinterpret_cast<const uchar*>(bytes.data());
    const qsizetype size = bytes.size();
    qsizetype at = 2; // after the start-of-image marker
    while (at < size) {
        const auto* found = static_cast<const uchar*>(std::memchr(data + at, 0xFF, size - at));
        if (!found)
            return true;
        const auto segment = jpegSegmentAt(bytes, found - data);
        if (!segment)
            return true;
        if (segment->kind == 0xD9)
            return false;
        at = segment->end();
    }
    return true;
}

// Whether a GIF ends before its trailer: its blocks are stepped over by their lengths, an
// image's data by its sub-blocks, so a cut anywhere, also in the image data, shows. Where
// another block should begin, anything else is where the decoder stops as well.
bool gifEndsEarly(QByteArrayView bytes)
{
    const HeaderFields fields(bytes);
    // The size of a colour table a flags byte announces.
    const auto tableBytes = [](quint8 flags) { return flags & 0x80 ? 3 * (2 << (flags & 7)) : 0; };
    const auto screenFlags = fields.u8(10);
    if (!screenFlags)
        return true;
    qsizetype at = 13 + tableBytes(*screenFlags);
    // Steps over sub-blocks up to their terminator; false when the bytes end first.
    const auto skipSubBlocks = [&] {
        for (;;) {
            const auto length = fields.u8(at++);
            if (!length)
                return false;
            if (*length == 0)
                return true;
            at += *length;
        }
    };
    for (;;) {
        const auto block = fields.u8(at++);
        if (block == 0x3B)
            return false;
        if (block == 0x21) { // an extension: its label, then sub-blocks
            ++at;
            if (!skipSubBlocks())
                return true;
        } else if (block == 0x2C) { // an image: descriptor, colour table, code size, data
            const auto imageFlags = fields.u8(at + 8);
            if (!imageFlags)
                return true;
            at += 9 + tableBytes(*imageFlags) + 1;
            if (!skipSubBlocks())
                return true;
        } else {
            return true;
        }
    }
}

// Whether a BMP's pixel data is shorter than its header says: fewer bytes after the pixels'
// start than its rows take, or a run-length stream that stops before its end marker with
// rows still to fill. The pixels start at the header's offset, or after the palette where
// the offset points into it, as the decoder reads them.
bool bmpEndsEarly(QByteArrayView bytes)
{
    const auto header = readBmpHeader(bytes);
    if (!header || !header->bitsPerPixel || header->width <= 0 || *header->bitsPerPixel == 0)
        return false;
    const qint64 width = header->width;
    const quint16 bits = *header->bitsPerPixel;
    const quint32 compression = header->compression.value_or(~0u);
    const qint64 rows = std::abs(header->height);
    qint64 start = 14 + qint64(header->headerSize);
    if (header->headerSize == 40 && compression == kBmpBitFields)
        start += 12; // the colour masks follow the header
    if (bits <= 8) {
        const quint32 used = header->coloursUsed;
        const qint64 colours = used > 0 && used < (1u << bits) ? used : qint64(1) << bits;
        start += colours * (header->isCore() ? 3 : 4);
    }
    start = std::max(start, qint64(header->pixelOffset));
    const qint64 available = bytes.size() - start;
    if (compression == kBmpRgb || compression == kBmpBitFields) {
        // Divided rather than multiplied: a header may declare more than 64 bits can count.
        const qint64 rowBytes = (width * bits + 31) / 32 * 4;
        return available < 0 || available / rowBytes < rows;
    }
    if (compression != kBmpRle8 && compression != kBmpRle4)
        return false;
    // Runs, then escapes: 0 ends a row, 1 the bitmap, 2 moves on, more is that many pixels
    // stored as they are, padded to a whole word.
    const auto* data = reinterpret_cast<const uchar*>(bytes.data());
    qint64 at = start, x = 0, y = 0;
    while (at + 2 <= bytes.size()) {
        const uchar count = data[at], code = data[at + 1];
        at += 2;
        if (count > 0) {
            x += count;
        } else if (code == 0) {
            x = 0;
            ++y;
        } else if (code == 1) {
            return false;
        } else if (code == 2) {
            if (at + 2 > bytes.size())
                break;
            x += data[at];
            y += data[at + 1];
            at += 2;
        } else {
            const qint64 stored = compression == kBmpRle8 ? code : (code + 1) / 2;
            at += stored + (stored & 1);
            x += code;
        }
    }
    // Without its end marker, a stream that has filled every row is whole all the same.
    return y < rows - 1 || (y == rows - 1 && x < width);
}

} // namespace

bool endsEarly(QByteArrayView bytes)
{
    if (bytes.startsWith("\xFF\xD8"))
        return jpegEndsEarly(bytes);
    if (bytes.startsWith("GIF8"))
        return gifEndsEarly(bytes);
    if (bytes.startsWith("BM"))
        return bmpEndsEarly(bytes);
    return false;
}

} // namespace toolkit
