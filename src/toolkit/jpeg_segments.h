#pragma once

#include <QByteArrayView>
#include <optional>

namespace toolkit
{

// One marker of a JPEG file and the segment it begins: 0xFF, the marker's kind, then, for
// all but the markers that stand alone, a big-endian length that counts itself and the
// segment's body.
struct JpegSegment {
    quint8 kind = 0; // 0xD8 start of image, 0xDA start of scan, 0xD9 end of image, ...
    qint64 at = 0;   // where the marker's 0xFF is, after any fill bytes before it
    std::optional<quint16> length; // as stored; none for a marker that stands alone

    // Whether the length is less than its own two bytes: a broken file.
    bool badLength() const { return length && *length < 2; }
    qint64 bodyAt() const { return at + 4; }
    qint64 bodySize() const { return length ? qint64(*length) - 2 : 0; }
    // Where the next marker should begin.
    qint64 end() const { return at + 2 + length.value_or(0); }
};

// The segment whose marker is at `at`, stepping over fill bytes (0xFF) before it. None where
// no 0xFF is there, or the bytes end before the marker's length does.
std::optional<JpegSegment> jpegSegmentAt(QByteArrayView bytes, qint64 at);

// The body of a segment, as far as the bytes reach.
QByteArrayView jpegSegmentBody(QByteArrayView bytes, const JpegSegment& segment);

} // namespace toolkit
