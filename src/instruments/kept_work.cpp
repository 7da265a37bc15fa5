#include "instruments/kept_work.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <cstdio>

KeptWork::KeptWork(QString folder) : folder_(std::move(folder)) {}

QString KeptWork::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/pictures");
}

QString KeptWork::keyOf(const QByteArray& sha256)
{
    return QString::fromLatin1(sha256.toHex());
}

QString KeptWork::fileOf(const QString& key) const
{
    return folder_ + QLatin1Char('/') + key + QStringLiteral(".json");
}

namespace
{

void ignoring(const QString& file, const QString& why)
{
    std::fprintf(stderr, "quarnet: ignoring the kept measurements in %s: %s\n",
                 qPrintable(QDir::toNativeSeparators(file)), qPrintable(why));
}

} // namespace

std::optional<record::PictureRecord> KeptWork::load(const QString& key, QSize image) const
{
    const QString path = fileOf(key);
    const QFileInfo info(path);
    if (!info.exists())
        return std::nullopt;
    // Only a plain file of a sensible size is read: nothing here may hang or fill memory.
    if (!info.isFile()) {
        ignoring(path, QStringLiteral("not a regular file"));
        return std::nullopt;
    }
    if (info.size() > record::kMaxBytes) {
        ignoring(path, QStringLiteral("larger than %1 bytes").arg(record::kMaxBytes));
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ignoring(path, file.errorString());
        return std::nullopt;
    }
    QString why;
    std::optional<record::PictureRecord> kept =
        record::fromJson(file.read(record::kMaxBytes), &why);
    if (!kept) {
        ignoring(path, why);
        return std::nullopt;
    }
    if (kept->image != image) {
        ignoring(path, QStringLiteral("kept for a picture of %1 x %2 pixels")
                           .arg(kept->image.width())
                           .arg(kept->image.height()));
        return std::nullopt;
    }
    file.close();
    // Used now: the last forgotten.
    if (file.open(QIODevice::ReadWrite))
        file.setFileTime(QDateTime::currentDateTimeUtc(), QFileDevice::FileModificationTime);
    return kept;
}

bool KeptWork::save(const QString& key, const record::PictureRecord& work, QString* why) const
{
    const QString path = fileOf(key);
    if (work.empty()) {
        if (QFile::exists(path) && !QFile::remove(path)) {
            *why = QStringLiteral("%1 cannot be removed").arg(QDir::toNativeSeparators(path));
            return false;
        }
        return true;
    }
    if (!QDir().mkpath(folder_)) {
        *why = QStringLiteral("%1 cannot be made").arg(QDir::toNativeSeparators(folder_));
        return false;
    }
    const bool isNew = !QFile::exists(path);
    // Written whole or not at all: a crash mid-write leaves the last one kept.
    QSaveFile file(path);
    const QByteArray bytes = record::toJson(work);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        *why = file.errorString();
        return false;
    }
    if (isNew)
        forgetOldest();
    return true;
}

void KeptWork::forgetOldest() const
{
    const QFileInfoList kept =
        QDir(folder_).entryInfoList({QStringLiteral("*.json")}, QDir::Files, QDir::Time);
    // Newest first.
    for (qsizetype i = kKept; i < kept.size(); ++i)
        QFile::remove(kept[i].filePath());
}
