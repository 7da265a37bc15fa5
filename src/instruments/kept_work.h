#pragma once

#include "instruments/picture_record.h"

#include <QByteArray>
#include <QSize>
#include <QString>
#include <optional>

// The folder where each picture's work is kept between runs, one small JSON file per picture
// named by the SHA-256 of its bytes, so a file renamed or moved keeps its work and another
// picture under the same name has none. At most kKept are kept: writing one more forgets the
// one used longest ago. No widgets here.
class KeptWork
{
public:
    static constexpr int kKept = 1000;

    // The folder under the user's data location, unless another is given.
    explicit KeptWork(QString folder = defaultFolder());
    static QString defaultFolder();
    const QString& folder() const { return folder_; }

    // The name a picture of these bytes is kept under.
    static QString keyOf(const QByteArray& sha256);
    // What is kept for the picture, which is of `image` pixels; none where nothing is. A file
    // that cannot be read, holds nonsense or was kept for a picture of another size is left
    // alone with one line on standard error naming it. Reading it marks it as used.
    std::optional<record::PictureRecord> load(const QString& key, QSize image) const;
    // Keeps the work, replacing what was kept; an empty record removes the file. False with
    // why in `why` where the folder cannot be written.
    bool save(const QString& key, const record::PictureRecord& work, QString* why) const;

private:
    QString fileOf(const QString& key) const;
    // Forgets the ones used longest ago beyond kKept.
    void forgetOldest() const;

    QString folder_;
};
