#include "instruments/scratch_picture.h"

#include "instruments/picture_source.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QSaveFile>
#include <cmath>

ScratchPicture::~ScratchPicture()
{
    if (!path_.isEmpty())
        QFile::remove(path_);
}

QString ScratchPicture::write(const QImage& image, units::PixelsPerInch ppi, const QString& caption,
                              const QString& fileName)
{
    const QString folder = PictureSource::pastedFolder();
    // A new name each time, so that a reload of the one before cannot read this one.
    const QString path = QStringLiteral("%1/made-%2-%3.png")
                             .arg(folder)
                             .arg(QCoreApplication::applicationPid())
                             .arg(++written_);
    QImage recorded = image;
    recorded.setDotsPerMeterX(int(std::lround(ppi.x / units::kMetresPerInch)));
    recorded.setDotsPerMeterY(int(std::lround(ppi.y / units::kMetresPerInch)));
    QSaveFile file(path);
    QImageWriter writer(&file, "png");
    // Quick rather than small: the file lives only while the picture is shown.
    writer.setCompression(1);
    if (!QDir().mkpath(folder) || !file.open(QIODevice::WriteOnly) || !writer.write(recorded) ||
        !file.commit())
        return QString();
    if (!path_.isEmpty())
        QFile::remove(path_);
    path_ = path;
    caption_ = caption;
    fileName_ = fileName;
    return path;
}

QString ScratchPicture::captionOf(const QString& path) const
{
    return !path_.isEmpty() && path == path_ ? caption_ : QString();
}

QString ScratchPicture::fileNameOf(const QString& path) const
{
    return !path_.isEmpty() && path == path_ ? fileName_ : QString();
}
