#include "toolkit/jpeg_segments.h"

#include "toolkit/header_fields.h"

#include <algorithm>

namespace toolkit
{

namespace
{

// Markers without a length: a stuffed 0 (after 0xFF in coded data), TEM, the restarts, start
// and end of image.
bool standsAlone(quint8 kind)
{
    return kind == 0x00 || kind == 0x01 || (kind >= 0xD0 && kind <= 0xD9);
}

} // namespace

std::optional<JpegSegment> jpegSegmentAt(QByteArrayView bytes, qint64 at)
{
    const HeaderFields fields(bytes);
    if (fields.u8(at) != 0xFF)
        return std::nullopt;
    while (fields.u8(at + 1) == 0xFF) // fill bytes
        ++at;
    const auto kind = fields.u8(at + 1);
    if (!kind)
        return std::nullopt;
    if (standsAlone(*kind))
        return JpegSegment{*kind, at, std::nullopt};
    const auto length = fields.be16(at + 2);
    if (!length)
        return std::nullopt;
    return JpegSegment{*kind, at, *length};
}

QByteArrayView jpegSegmentBody(QByteArrayView bytes, const JpegSegment& segment)
{
    const qint64 from = std::min<qint64>(segment.bodyAt(), bytes.size());
    return bytes.sliced(from, std::clamp<qint64>(segment.bodySize(), 0, bytes.size() - from));
}

} // namespace toolkit
