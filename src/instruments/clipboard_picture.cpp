#include "instruments/clipboard_picture.h"

#include <QBuffer>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QUrl>
#include <utility>

namespace
{

const std::pair<const char*, const char*> kPictureTypes[] = {
    {"image/png", "png"}, {"image/bmp", "bmp"}, {"image/jpeg", "jpg"}, {"image/gif", "gif"}};

} // namespace

std::optional<ClipboardPicture> clipboardPicture()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data)
        return std::nullopt;
    if (data->hasUrls() && !data->urls().isEmpty() && data->urls().first().isLocalFile())
        return ClipboardPicture{data->urls().first().toLocalFile(), QByteArray(), QString()};
    ClipboardPicture picture;
    for (const auto& [type, extension] : kPictureTypes)
        if (data->hasFormat(QLatin1String(type))) {
            picture.bytes = data->data(QLatin1String(type));
            picture.suffix = QLatin1String(extension);
            break;
        }
    if (picture.bytes.isEmpty() && data->hasImage()) {
        QBuffer buffer(&picture.bytes);
        buffer.open(QIODevice::WriteOnly);
        qvariant_cast<QImage>(data->imageData()).save(&buffer, "PNG");
        picture.suffix = QStringLiteral("png");
    }
    if (picture.bytes.isEmpty())
        return std::nullopt;
    return picture;
}

QString writtenToFile(const ClipboardPicture& picture, const QString& folder, const QString& stem,
                      int number)
{
    const QString path = QStringLiteral("%1/%2-%3-%4.%5")
                             .arg(folder, stem)
                             .arg(QCoreApplication::applicationPid())
                             .arg(number)
                             .arg(picture.suffix);
    QFile file(path);
    if (!QDir().mkpath(folder) || !file.open(QIODevice::WriteOnly) ||
        file.write(picture.bytes) != picture.bytes.size())
        return QString();
    return path;
}
