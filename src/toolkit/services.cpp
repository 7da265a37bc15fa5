#include "toolkit/services.h"

#include "toolkit/header_fields.h"
#include "toolkit/picture_box.h"
#include "toolkit/runtime_error.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QMessageBox>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace toolkit
{

namespace
{

std::function<void(const QString&)>& messageBoxHook()
{
    static std::function<void(const QString&)> hook;
    return hook;
}

int& currentPointer()
{
    static int pointer = vbDefault;
    return pointer;
}

// What the decoder may allocate for one picture: as much as a picture box may hold.
constexpr qint64 kMaxDecodeBytes = kMaxSurfacePixels * 4;

[[noreturn]] void raiseNotFound(int error)
{
    raiseError(Err::FileNotFound, QString::fromLocal8Bit(std::strerror(error)));
}

// Opens path for reading. Anything but a readable regular file raises File not found, with
// the system's reason as the error's text. A FIFO is opened without waiting for a writer.
std::unique_ptr<QFile> openRegularFile(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        raiseNotFound(errno);
    struct stat status = {};
    const bool known = ::fstat(fd, &status) == 0;
    if (!known || !S_ISREG(status.st_mode)) {
        const int error = !known ? errno : S_ISDIR(status.st_mode) ? EISDIR : 0;
        ::close(fd);
        if (error != 0)
            raiseNotFound(error);
        raiseError(Err::FileNotFound, QStringLiteral("Not a regular file"));
    }
    auto file = std::make_unique<QFile>();
    if (!file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        raiseError(Err::FileNotFound, file->errorString());
    }
    return file;
}

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
    const HeaderFields fields(head);
    const auto headerSize = fields.le32(14);
    if (!head.startsWith("BM") || !headerSize)
        return std::nullopt;
    if (*headerSize == 12) { // the OS/2 core header: 16-bit sizes
        const auto width = fields.le16(18), height = fields.le16(20);
        if (!width || !height)
            return std::nullopt;
        return std::pair<qint64, qint64>(*width, *height);
    }
    const auto width = fields.le32(18), height = fields.le32(22);
    if (!width || !height)
        return std::nullopt;
    return std::pair<qint64, qint64>(qint32(*width), std::abs(qint64(qint32(*height))));
}

// The colour masks of a BMP's pixels, as the decoder applies them.
struct ChannelMasks {
    quint32 red = 0, green = 0, blue = 0, alpha = 0;
};

constexpr quint32 kBmpRgb = 0, kBmpBitFields = 3;

// The fields of a Windows BMP header that say how its pixels are stored; none for any other
// file or a header cut short.
struct BmpLayout {
    quint32 headerSize;
    quint32 compression;
    quint16 bitsPerPixel;
};

std::optional<BmpLayout> bmpLayout(const QByteArray& head)
{
    const HeaderFields fields(head);
    const auto headerSize = fields.le32(14), compression = fields.le32(30);
    const auto bitsPerPixel = fields.le16(28);
    if (!head.startsWith("BM") || !headerSize || !compression || !bitsPerPixel)
        return std::nullopt;
    return BmpLayout{*headerSize, *compression, *bitsPerPixel};
}

// The masks of a 16- or 32-bit BMP whose pixels are bit fields; none for any other file.
// head is the start of the file: the masks follow the 40 bytes every Windows header
// begins with, and only headers of 108 bytes and more give an alpha mask.
std::optional<ChannelMasks> bmpChannelMasks(const QByteArray& head)
{
    const auto layout = bmpLayout(head);
    if (!layout)
        return std::nullopt;
    const quint32 size = layout->headerSize;
    if (size != 40 && size != 52 && size != 56 && size != 108 && size != 124)
        return std::nullopt;
    if (layout->compression == kBmpRgb && layout->bitsPerPixel == 16)
        return ChannelMasks{0x7C00, 0x03E0, 0x001F, 0};
    if (layout->compression != kBmpBitFields ||
        (layout->bitsPerPixel != 16 && layout->bitsPerPixel != 32))
        return std::nullopt;
    const HeaderFields fields(head);
    const auto red = fields.le32(54), green = fields.le32(58), blue = fields.le32(62);
    if (!red || !green || !blue)
        return std::nullopt;
    const quint32 alpha = size >= 108 ? fields.le32(66).value_or(0) : 0;
    return ChannelMasks{*red, *green, *blue, alpha};
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
void widenNarrowChannels(QImage& frame, const ChannelMasks& masks)
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
qint64 jpegDecodeBytes(QIODevice& device)
{
    const auto bytesAt = [&](qint64 at, int count) {
        return device.seek(at) ? device.read(count) : QByteArray();
    };
    if (!bytesAt(0, 2).startsWith("\xFF\xD8"))
        return 0;
    qint64 width = 0, height = 0;
    bool progressive = false;
    struct Sampling {
        int h, v;
    };
    QList<Sampling> components;
    qint64 at = 2;
    for (int segment = 0; segment < 1000; ++segment) {
        const QByteArray marker = bytesAt(at, 4);
        const HeaderFields fields(marker);
        if (fields.u8(0) != 0xFF || !fields.u8(1))
            return 0;
        const quint8 kind = *fields.u8(1);
        if (kind == 0xFF) { // fill byte
            ++at;
            continue;
        }
        const auto length = fields.be16(2);
        if (!length || *length < 2)
            return 0;
        const bool frameHeader =
            kind >= 0xC0 && kind <= 0xCF && kind != 0xC4 && kind != 0xC8 && kind != 0xCC;
        if (frameHeader) {
            const QByteArray body = bytesAt(at + 4, *length - 2);
            const HeaderFields frame(body);
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
            const auto inScan = HeaderFields(bytesAt(at + 4, 1)).u8(0);
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
        at += 2 + *length;
    }
    return 0;
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
    const auto layout = bmpLayout(head);
    if (!layout || (layout->headerSize != 52 && layout->headerSize != 56) ||
        layout->bitsPerPixel <= 8 ||
        (layout->compression != kBmpRgb && layout->compression != kBmpBitFields))
        return QByteArray();
    QByteArray bytes = file.readAll();
    if (bytes.size() < head.size())
        return QByteArray();
    const quint32 plainHeader = qToLittleEndian<quint32>(40);
    std::memcpy(bytes.data() + 14, &plainHeader, sizeof plainHeader);
    return bytes;
}

// The first frame of what device holds, as stored, or a null image with the decoder's
// reason in why. A size the header declares is checked before any pixel is decoded, and
// so is what decoding it would take. The reader is gone when this returns, so the frame
// owns its pixels alone and can be finished in place.
QImage readFirstFrame(QIODevice& device, QString& why)
{
    const QByteArray head = device.peek(70);
    if (head.startsWith("\xFF\xD8")) {
        const qint64 needed = jpegDecodeBytes(device);
        if (needed > kMaxDecodeBytes)
            raiseError(Err::CantCreateImage,
                       QStringLiteral("decoding would take %1 MB, more than a picture box can "
                                      "hold")
                           .arg(needed >> 20));
        device.seek(0);
    }
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

// Whether a JPEG ends before its end-of-image marker, the mark of a file cut short. Segments
// are stepped over by their lengths, so a thumbnail's marker inside one does not count; in
// the coded data after a scan, 0xFF is only ever followed by a stuffed 0 or a restart
// marker, so the next other marker is found by looking for 0xFF alone. Junk between
// segments is skipped, as the decoder skips it.
bool jpegEndsEarly(QByteArrayView bytes)
{
    const auto* data = reinterpret_cast<const uchar*>(bytes.data());
    const qsizetype size = bytes.size();
    qsizetype at = 2; // after the start-of-image marker
    while (at < size) {
        const auto* found = static_cast<const uchar*>(std::memchr(data + at, 0xFF, size - at));
        if (!found)
            return true;
        at = found - data;
        while (at < size && data[at] == 0xFF)
            ++at;
        if (at >= size)
            return true;
        const uchar kind = data[at++];
        if (kind == 0xD9)
            return false;
        // Markers without a length: a stuffed byte, TEM, a restart, another start of image.
        if (kind == 0x00 || kind == 0x01 || kind == 0xD8 || (kind >= 0xD0 && kind <= 0xD7))
            continue;
        if (size - at < 2)
            return true;
        at += (qsizetype(data[at]) << 8) | data[at + 1];
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
    const HeaderFields fields(bytes);
    const auto headerSize = fields.le32(14);
    const auto offset = fields.le32(10);
    if (!headerSize || !offset)
        return false;
    // The OS/2 core header has 16-bit sizes and no compression.
    const bool core = *headerSize == 12;
    std::optional<qint64> width, height;
    if (core) {
        width = fields.le16(18);
        height = fields.le16(20);
    } else if (const auto w = fields.le32(18), h = fields.le32(22); w && h) {
        width = qint32(*w);
        height = qint32(*h);
    }
    const auto bits = fields.le16(core ? 24 : 28);
    const quint32 compression = core ? kBmpRgb : fields.le32(30).value_or(~0u);
    if (!width || !height || !bits || *width <= 0 || *bits == 0)
        return false;
    const qint64 rows = std::abs(*height);
    qint64 start = 14 + qint64(*headerSize);
    if (*headerSize == 40 && compression == kBmpBitFields)
        start += 12; // the colour masks follow the header
    if (*bits <= 8) {
        const quint32 used = core ? 0 : fields.le32(46).value_or(0);
        const qint64 colours = used > 0 && used < (1u << *bits) ? used : qint64(1) << *bits;
        start += colours * (core ? 3 : 4);
    }
    start = std::max(start, qint64(*offset));
    const qint64 available = bytes.size() - start;
    constexpr quint32 kBmpRle8 = 1, kBmpRle4 = 2;
    if (compression == kBmpRgb || compression == kBmpBitFields) {
        // Divided rather than multiplied: a header may declare more than 64 bits can count.
        const qint64 rowBytes = (*width * *bits + 31) / 32 * 4;
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
    return y < rows - 1 || (y == rows - 1 && x < *width);
}

// Whether a file's bytes end before the picture they hold does, for the formats whose end
// can be told from their structure: JPEG, GIF and BMP.
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

// Whether the file ends before the picture it holds, judged from its bytes, which are
// mapped rather than read where the system allows. The file is left at its start.
bool fileEndsEarly(QFile& file)
{
    bool early = false;
    if (uchar* mapped = file.size() > 0 ? file.map(0, file.size()) : nullptr) {
        early = endsEarly(QByteArrayView(mapped, file.size()));
        file.unmap(mapped);
    } else if (file.seek(0)) {
        early = endsEarly(file.readAll());
    }
    file.seek(0);
    return early;
}

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
    const bool early = fileEndsEarly(*file);
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

void MsgBox(QWidget* parent, const QString& text)
{
    if (messageBoxHook()) {
        messageBoxHook()(text);
        return;
    }
    // Messages break their lines the classic way, with CR LF; Qt wants a plain LF.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), shown, QMessageBox::Ok,
                    parent);
    box.exec();
}

void setMessageBoxHook(std::function<void(const QString&)> hook)
{
    messageBoxHook() = std::move(hook);
}

namespace
{
quint64 yields = 0;
}

void DoEvents()
{
    ++yields;
    QCoreApplication::processEvents();
}

quint64 yieldsSoFar()
{
    return yields;
}

void setMousePointer(int pointer)
{
    if (pointer == currentPointer())
        return;
    if (currentPointer() != vbDefault)
        QApplication::restoreOverrideCursor();
    if (pointer == vbHourglass)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    currentPointer() = pointer;
}

int mousePointer()
{
    return currentPointer();
}

} // namespace toolkit
