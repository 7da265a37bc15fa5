#include "toolkit/services.h"

#include "toolkit/picture_box.h"
#include "toolkit/runtime_error.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QMessageBox>
#include <QPainter>
#include <QtEndian>

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

// Flattens any decoded frame to opaque RGB32, transparent pixels over white.
QImage flattenOverWhite(const QImage& frame)
{
    if (!frame.hasAlphaChannel())
        return frame.convertToFormat(QImage::Format_RGB32);
    QImage flat(frame.size(), QImage::Format_RGB32);
    if (flat.isNull())
        raiseError(Err::OutOfMemory);
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, frame);
    return flat;
}

// Qt's BMP decoder knows the 40-, 108- and 124-byte headers but not the 52- and 56-byte
// ones some editors write. Without a palette those are the 40-byte header followed by the
// colour masks it may carry anyway, and the pixels are found through the file header's
// offset, so relabelling the header size makes them readable. Empty for any other file.
QByteArray asPlainBmp(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > qint64(kMaxSurfacePixels) * 4)
        return QByteArray();
    const QByteArray head = file.peek(34);
    if (head.size() < 34 || !head.startsWith("BM"))
        return QByteArray();
    const auto at = [&](int offset) { return qFromLittleEndian<quint32>(head.data() + offset); };
    const quint32 headerSize = at(14), compression = at(30);
    const quint16 bitsPerPixel = qFromLittleEndian<quint16>(head.data() + 28);
    constexpr quint32 kRgb = 0, kBitFields = 3;
    if ((headerSize != 52 && headerSize != 56) || bitsPerPixel <= 8 ||
        (compression != kRgb && compression != kBitFields))
        return QByteArray();
    QByteArray bytes = file.readAll();
    qToLittleEndian<quint32>(40, bytes.data() + 14);
    return bytes;
}

// The first frame as stored, or a null image when the decoder cannot read it. A size the
// header declares is checked before any pixel is decoded.
QImage readFirstFrame(QImageReader& reader)
{
    reader.setAutoTransform(false);
    if (!reader.canRead())
        return QImage();
    const QSize declared = reader.size();
    if (declared.isValid())
        checkSurfaceSize(declared.width(), declared.height());
    QImage frame;
    reader.read(&frame);
    return frame;
}

} // namespace

QImage LoadPicture(const QString& path)
{
    if (path.isEmpty())
        return QImage();
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        raiseError(Err::FileNotFound);
    // The decoder may allocate what a picture box may hold and no more; Qt's own default
    // (128 MB) would refuse an ordinary 6000 x 4000 photo.
    QImageReader::setAllocationLimit(int(kMaxSurfacePixels * 4 / (1024 * 1024)));
    QImageReader reader(path);
    QImage frame = readFirstFrame(reader);
    if (frame.isNull()) {
        QBuffer relabelled;
        relabelled.setData(asPlainBmp(path));
        if (!relabelled.data().isEmpty() && relabelled.open(QIODevice::ReadOnly)) {
            QImageReader plainReader(&relabelled, "bmp");
            frame = readFirstFrame(plainReader);
        }
    }
    if (frame.isNull())
        raiseError(Err::InvalidPicture);
    checkSurfaceSize(frame.width(), frame.height());
    QImage picture = flattenOverWhite(frame);
    if (picture.isNull())
        raiseError(Err::OutOfMemory);
    return picture;
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

void DoEvents()
{
    QCoreApplication::processEvents();
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
