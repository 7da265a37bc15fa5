#include "instruments/file_density.h"

#include "toolkit/bmp_header.h"
#include "toolkit/header_fields.h"
#include "toolkit/jpeg_segments.h"
#include "toolkit/regular_file.h"
#include "toolkit/runtime_error.h"

namespace density
{

namespace
{

using toolkit::HeaderFields;

constexpr double kInchesPerMetre = 1 / 0.0254;
constexpr double kCentimetresPerInch = 2.54;
constexpr qint64 kHeaderBytes = 256 * 1024;

std::optional<units::PixelsPerInch> sensible(double x, double y)
{
    const auto ok = [](double v) { return v > 0 && v <= units::kMostPixelsPerInch; };
    if (!ok(x) || !ok(y))
        return std::nullopt;
    return units::PixelsPerInch{x, y};
}

std::optional<units::PixelsPerInch> fromBmp(const QByteArray& data)
{
    // A BITMAPINFOHEADER or any later header records pixels per metre; the core header none.
    const auto header = toolkit::readBmpHeader(data);
    if (!header || !header->pixelsPerMetreX || !header->pixelsPerMetreY)
        return std::nullopt;
    return sensible(*header->pixelsPerMetreX * 0.0254, *header->pixelsPerMetreY * 0.0254);
}

std::optional<units::PixelsPerInch> fromPng(const QByteArray& data)
{
    // Chunks up to the image data; pHYs must come before it.
    const HeaderFields bytes(data, HeaderFields::Order::Big);
    for (qsizetype at = 8; at + 8 <= data.size();) {
        const auto length = bytes.u32(at);
        const QByteArray type = data.mid(at + 4, 4);
        if (!length || type == "IDAT" || type == "IEND")
            break;
        if (type == "pHYs") {
            const auto x = bytes.u32(at + 8);
            const auto y = bytes.u32(at + 12);
            const auto unit = bytes.u8(at + 16);
            // Unit 0 gives the pixels' aspect ratio only.
            if (!x || !y || unit != 1u)
                return std::nullopt;
            return sensible(*x / kInchesPerMetre, *y / kInchesPerMetre);
        }
        at += 12 + qsizetype(*length);
    }
    return std::nullopt;
}

// A TIFF structure's first directory: XResolution, YResolution and ResolutionUnit
// (2 inches, the default; 3 centimetres; 1 none).
std::optional<units::PixelsPerInch> fromTiff(const QByteArray& tiff)
{
    if (tiff.size() < 8 || (!tiff.startsWith("II") && !tiff.startsWith("MM")))
        return std::nullopt;
    const HeaderFields bytes(tiff, tiff.startsWith("MM") ? HeaderFields::Order::Big
                                                         : HeaderFields::Order::Little);
    const auto first = bytes.u32(4);
    const auto entries = first ? bytes.u16(*first) : std::nullopt;
    if (!entries)
        return std::nullopt;
    std::optional<double> x, y;
    quint32 unit = 2;
    const auto rational = [&](qsizetype entry) -> std::optional<double> {
        const auto offset = bytes.u32(entry + 8);
        const auto numerator = offset ? bytes.u32(*offset) : std::nullopt;
        const auto denominator = offset ? bytes.u32(*offset + 4) : std::nullopt;
        if (!numerator || !denominator || *denominator == 0)
            return std::nullopt;
        return double(*numerator) / *denominator;
    };
    for (quint32 i = 0; i < *entries; ++i) {
        const qsizetype entry = qsizetype(*first) + 2 + 12 * qsizetype(i);
        const auto tag = bytes.u16(entry);
        if (!tag)
            break;
        if (*tag == 282)
            x = rational(entry);
        else if (*tag == 283)
            y = rational(entry);
        else if (*tag == 296)
            unit = bytes.u16(entry + 8).value_or(2);
    }
    if (!x || !y || (unit != 2 && unit != 3))
        return std::nullopt;
    const double scale = unit == 3 ? kCentimetresPerInch : 1;
    return sensible(*x * scale, *y * scale);
}

std::optional<units::PixelsPerInch> fromJpeg(const QByteArray& data)
{
    // Segments up to the start of the scan: JFIF's APP0 first, else Exif's APP1.
    std::optional<units::PixelsPerInch> exif;
    for (qint64 at = 2;;) {
        const auto segment = toolkit::jpegSegmentAt(data, at);
        if (!segment || segment->badLength() || segment->kind == 0xDA || segment->kind == 0xD9)
            break;
        const QByteArray body = toolkit::jpegSegmentBody(data, *segment).toByteArray();
        if (segment->kind == 0xE0 && body.startsWith(QByteArray("JFIF\0", 5)) &&
            body.size() >= 12) {
            const HeaderFields jfif(body, HeaderFields::Order::Big);
            const quint32 unit = *jfif.u8(7);
            // Unit 0 gives the pixels' aspect ratio only.
            if (unit == 1 || unit == 2) {
                const double scale = unit == 2 ? kCentimetresPerInch : 1;
                return sensible(*jfif.u16(8) * scale, *jfif.u16(10) * scale);
            }
        } else if (segment->kind == 0xE1 && body.startsWith(QByteArray("Exif\0\0", 6)) && !exif) {
            exif = fromTiff(body.mid(6));
        }
        at = segment->end();
    }
    return exif;
}

} // namespace

std::optional<units::PixelsPerInch> recorded(const QByteArray& header)
{
    if (header.startsWith("BM"))
        return fromBmp(header);
    if (header.startsWith("\x89PNG\r\n\x1a\n"))
        return fromPng(header);
    if (header.startsWith("\xFF\xD8"))
        return fromJpeg(header);
    return fromTiff(header);
}

std::optional<units::PixelsPerInch> recordedIn(const QString& path)
{
    if (path.isEmpty())
        return std::nullopt;
    // Opened as the decoder opens it: a FIFO or a device there must not hang the program.
    try {
        return recorded(toolkit::openRegularFile(path)->read(kHeaderBytes));
    } catch (const toolkit::RuntimeError&) {
        return std::nullopt;
    }
}

} // namespace density
