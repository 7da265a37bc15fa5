#include "toolkit/picture_decoder.h"

#include "toolkit/bmp_header.h"
#include "toolkit/ends_early.h"
#include "toolkit/header_fields.h"
#include "toolkit/jpeg_segments.h"
#include "toolkit/picture_box.h"
#include "toolkit/regular_file.h"
#include "toolkit/runtime_error.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>

namespace toolkit
{

namespace
{

// What the decoder may allocate for one picture: as much as a picture box may hold.
constexpr qint64 kMaxDecodeBytes = kMaxSurfacePixels * 4;

// Refuses a picture that no picture box could hold, naming its size.
void checkPictureSize(qint64 width, qint64 height)
{
    try {
        checkSurfaceSize(width, height);
    } catch (const RuntimeError& error) {
        raiseError(error.number(),
                   QStringLiteral("%1 x %2 pixels is more than a picture box can hold")
                       .arg(width)
                       .arg(height));
    }
}

// The size a BMP's header declares, where the decoder will not say: it gives none for a
// size it refuses to allocate. Width and height as stored, the sign of a top-down height
// dropped; nothing for any other file or a header cut short.
std::optional<std::pair<qint64, qint64>> declaredBmpSize(const QByteArray& head)
{
    const auto header = readBmpHeader(head);
    if (!header)
        return std::nullopt;
    return std::pair<qint64, qint64>(header->width, std::abs(header->height));
}

// The masks of a 16- or 32-bit BMP whose pixels are bit fields, as the decoder applies them;
// none for any other file. head is the start of the file.
std::optional<BmpChannelMasks> bmpChannelMasks(const QByteArray& head)
{
    const auto header = readBmpHeader(head);
    if (!header || !header->bitsPerPixel || !header->compression)
        return std::nullopt;
    const quint32 size = header->headerSize;
    if (size != 40 && size != 52 && size != 56 && size != 108 && size != 124)
        return std::nullopt;
    const quint16 bits = *header->bitsPerPixel;
    if (*header->compression == kBmpRgb && bits == 16)
        return BmpChannelMasks{0x7C00, 0x03E0, 0x001F, 0};
    if (*header->compression != kBmpBitFields || (bits != 16 && bits != 32))
        return std::nullopt;
    return header->masks;
}

// How a channel's decoded 8-bit value should read. The decoder widens an n-bit field by
// shifting it (31 of 5 bits reads 248); the format means the top bits to repeat into the
// low ones (31 reads 255, 16 reads 132), as every other reader of the format does. Fields
// of 8 bits or more, empty ones and ones with gaps are left as they are.
std::array<quint8, 256> widening(quint32 mask)
{
    std::array<quint8, 256> table;
    for (int value = 0; value < 256; ++value)
        table[value] = quint8(value);
    const quint32 field = mask ? mask >> std::countr_zero(mask) : 0;
    const int bits = std::popcount(field);
    if (bits == 0 || bits >= 8 || (field & (field + 1)) != 0)
        return table;
    for (int value = 0; value < 256; ++value) {
        const int stored = value >> (8 - bits);
        int wide = 0;
        for (int shift = 8 - bits; shift > -bits; shift -= bits)
            wide |= shift >= 0 ? stored << shift : stored >> -shift;
        table[value] = quint8(wide);
    }
    return table;
}

// Rewrites the channels of a decoded BMP narrower than 8 bits, in place.
void widenNarrowChannels(QImage& frame, const BmpChannelMasks& masks)
{
    if (frame.format() != QImage::Format_RGB32 && frame.format() != QImage::Format_ARGB32)
        return;
    const auto red = widening(masks.red), green = widening(masks.green),
               blue = widening(masks.blue), alpha = widening(masks.alpha);
    const auto unchanged = widening(0);
    if (red == unchanged && green == unchanged && blue == unchanged &&
        (alpha == unchanged || !frame.hasAlphaChannel()))
        return;
    for (int y = 0; y < frame.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(frame.scanLine(y));
        for (int x = 0; x < frame.width(); ++x) {
            const QRgb p = line[x];
            line[x] = qRgba(red[qRed(p)], green[qGreen(p)], blue[qBlue(p)], alpha[qAlpha(p)]);
        }
    }
}

// Flattens a decoded frame to opaque RGB32, transparent pixels over white. 32-bit frames
// are flattened in place: a picture costs one buffer of its pixels, not two.
QImage flattenOverWhite(QImage frame)
{
    switch (frame.format()) {
    case QImage::Format_RGB32:
        return frame;
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        break;
    default:
        frame = frame.convertToFormat(frame.hasAlphaChannel() ? QImage::Format_ARGB32
                                                              : QImage::Format_RGB32);
        if (frame.isNull())
            raiseError(Err::OutOfMemory);
        if (frame.format() == QImage::Format_RGB32)
            return frame;
    }
    const bool premultiplied = frame.format() == QImage::Format_ARGB32_Premultiplied;
    for (int y = 0; y < frame.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(frame.scanLine(y));
        for (int x = 0; x < frame.width(); ++x) {
            // Source over white: the colour weighted by its alpha, plus white for the rest.
            const QRgb p = premultiplied ? line[x] : qPremultiply(line[x]);
            const int white = 255 - qAlpha(p);
            line[x] = qRgb(qRed(p) + white, qGreen(p) + white, qBlue(p) + white);
        }
    }
    frame.reinterpretAsFormat(QImage::Format_RGB32);
    return frame;
}

// What decoding a JPEG takes: its pixels at 4 bytes each, plus, for a progressive file or
// one whose first scan lacks some components, the store of every DCT coefficient (two bytes
// each) libjpeg decodes it from. 0 for a file whose headers it cannot make out.
qint64 jpegDecodeBytes(QByteArrayView bytes)
{
    if (!bytes.startsWith("\xFF\xD8"))
        return 0;
    qint64 width = 0, height = 0;
    bool progressive = false;
    struct Sampling {
        int h, v;
    };
    QList<Sampling> components;
    qint64 at = 2;
    for (int segments = 0; segments < 1000; ++segments) {
        const auto segment = jpegSegmentAt(bytes, at);
        if (!segment || segment->badLength())
            return 0;
        const quint8 kind = segment->kind;
        const bool frameHeader =
            kind >= 0xC0 && kind <= 0xCF && kind != 0xC4 && kind != 0xC8 && kind != 0xCC;
        if (frameHeader) {
            const HeaderFields frame(jpegSegmentBody(bytes, *segment));
            const auto h = frame.be16(1), w = frame.be16(3);
            const auto count = frame.u8(5);
            if (!h || !w || !count)
                return 0;
            height = *h;
            width = *w;
            progressive = kind == 0xC2 || kind == 0xC6 || kind == 0xCA || kind == 0xCE;
            for (int c = 0; c < *count; ++c) {
                const auto sampling = frame.u8(6 + 3 * c + 1);
                if (!sampling || (*sampling >> 4) == 0 || (*sampling & 15) == 0)
                    return 0;
                components.append({*sampling >> 4, *sampling & 15});
            }
        } else if (kind == 0xDA) { // start of scan
            const auto inScan = HeaderFields(bytes).u8(segment->bodyAt());
            if (components.isEmpty() || !inScan)
                return 0;
            int maxH = 1, maxV = 1;
            for (const Sampling& s : components) {
                maxH = std::max(maxH, s.h);
                maxV = std::max(maxV, s.v);
            }
            const auto blocks = [](qint64 pixels, int factor, int max) {
                const qint64 count = (pixels * factor + 8 * max - 1) / (8 * max);
                return (count + factor - 1) / factor * factor;
            };
            qint64 total = width * height * 4;
            if (!progressive && *inScan == components.size())
                return total;
            for (const Sampling& s : components)
                total += blocks(width, s.h, maxH) * blocks(height, s.v, maxV) * 64 * 2;
            return total;
        }
        at = segment->end();
    }
    return 0;
}

// Refuses a JPEG whose decoding would take more than a picture box may hold, before any of
// it is decoded.
void checkJpegDecodeBytes(QByteArrayView bytes)
{
    const qint64 needed = jpegDecodeBytes(bytes);
    if (needed > kMaxDecodeBytes)
        raiseError(Err::CantCreateImage,
                   QStringLiteral("decoding would take %1 MB, more than a picture box can "
                                  "hold")
                       .arg(needed >> 20));
}

// Qt's BMP decoder knows the 40-, 108- and 124-byte headers but not the 52- and 56-byte
// ones some editors write. Without a palette those are the 40-byte header followed by the
// colour masks it may carry anyway, and the pixels are found through the file header's
// offset, so relabelling the header size makes them readable. Empty for any other file.
QByteArray asPlainBmp(QFile& file)
{
    if (file.size() > kMaxDecodeBytes || !file.seek(0))
        return QByteArray();
    const QByteArray head = file.peek(34);
    const auto header = readBmpHeader(head);
    if (!header || !header->bitsPerPixel || !header->compression ||
        (header->headerSize != 52 && header->headerSize != 56) || *header->bitsPerPixel <= 8 ||
        (*header->compression != kBmpRgb && *header->compression != kBmpBitFields))
        return QByteArray();
    QByteArray bytes = file.readAll();
    if (bytes.size() < head.size())
        return QByteArray();
    const quint32 plainHeader = qToLittleEndian<quint32>(40);
    std::memcpy(bytes.data() + 14, &plainHeader, sizeof plainHeader);
    return bytes;
}

// The first frame of what device holds, as stored, or a null image with the decoder's
// reason in why. A size the header declares is checked before any pixel is decoded. The
// reader is gone when this returns, so the frame owns its pixels alone and can be finished
// in place.
QImage readFirstFrame(QIODevice& device, QString& why)
{
    const QByteArray head = device.peek(70);
    QImageReader reader(&device);
    reader.setAutoTransform(false);
    if (!reader.canRead()) {
        why = reader.errorString();
        return QImage();
    }
    const QByteArray format = reader.format();
    const QSize declared = reader.size();
    if (declared.isValid())
        checkPictureSize(declared.width(), declared.height());
    else if (const auto bmp = declaredBmpSize(head))
        checkPictureSize(bmp->first, bmp->second);
    QImage frame;
    if (!reader.read(&frame)) {
        why = reader.errorString();
        return QImage();
    }
    if (format == "bmp")
        if (const auto masks = bmpChannelMasks(head))
            widenNarrowChannels(frame, *masks);
    return frame;
}

// Keeps what the decoder says about a file cut short off standard error while it lives: its
// warnings do not name the file, and the viewer says what happened in its own words.
class QuietDecoder
{
public:
    QuietDecoder() : previous_(qInstallMessageHandler(&ignore)) {}
    ~QuietDecoder() { qInstallMessageHandler(previous_); }
    QuietDecoder(const QuietDecoder&) = delete;
    QuietDecoder& operator=(const QuietDecoder&) = delete;

private:
    static void ignore(QtMsgType, const QMessageLogContext&, const QString&) {}
    QtMessageHandler previous_;
};

// The bytes of a file, mapped rather than read where the system allows, while this lives.
// The file is left at its start.
class FileBytes
{
public:
    explicit FileBytes(QFile& file) : file_(file)
    {
        mapped_ = file.size() > 0 ? file.map(0, file.size()) : nullptr;
        if (mapped_)
            view_ = QByteArrayView(mapped_, file.size());
        else if (file.seek(0))
            view_ = read_ = file.readAll();
    }
    ~FileBytes()
    {
        if (mapped_)
            file_.unmap(mapped_);
        file_.seek(0);
    }
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    QByteArrayView view() const { return view_; }

private:
    QFile& file_;
    uchar* mapped_ = nullptr;
    QByteArray read_;
    QByteArrayView view_;
};

} // namespace

QImage LoadPicture(const QString& path, bool* cutShort)
{
    if (cutShort)
        *cutShort = false;
    if (path.isEmpty())
        return QImage();
    const std::unique_ptr<QFile> file = openRegularFile(path);
    // The decoder may allocate what a picture box may hold and no more; Qt's own default
    // (128 MB) would refuse an ordinary 6000 x 4000 photo.
    QImageReader::setAllocationLimit(int(kMaxDecodeBytes / (1024 * 1024)));
    // Both judged from the file's bytes before any pixel is decoded.
    bool early = false;
    {
        const FileBytes bytes(*file);
        early = endsEarly(bytes.view());
        checkJpegDecodeBytes(bytes.view());
    }
    std::optional<QuietDecoder> quiet;
    if (early)
        quiet.emplace();
    QString why;
    QImage frame = readFirstFrame(*file, why);
    if (frame.isNull()) {
        QBuffer relabelled;
        relabelled.setData(asPlainBmp(*file));
        QString ignored;
        if (!relabelled.data().isEmpty() && relabelled.open(QIODevice::ReadOnly))
            frame = readFirstFrame(relabelled, ignored);
    }
    if (frame.isNull())
        raiseError(Err::InvalidPicture, why.isEmpty() ? QStringLiteral("Invalid picture") : why);
    checkPictureSize(frame.width(), frame.height());
    if (cutShort)
        *cutShort = early;
    return flattenOverWhite(std::move(frame));
}

QStringList readablePatterns()
{
    QStringList patterns;
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        patterns << QStringLiteral("*.") + QString::fromLatin1(format);
    return patterns;
}

} // namespace toolkit
