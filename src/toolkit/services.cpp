#include "toolkit/services.h"

#include "toolkit/picture_box.h"
#include "toolkit/runtime_error.h"

#include <QApplication>
#include <QFileInfo>
#include <QImageReader>
#include <QMessageBox>
#include <QPainter>

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
    reader.setAutoTransform(false);
    if (!reader.canRead())
        raiseError(Err::InvalidPicture);
    const QSize declared = reader.size();
    if (declared.isValid())
        checkSurfaceSize(declared.width(), declared.height());
    QImage frame;
    if (!reader.read(&frame) || frame.isNull())
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
