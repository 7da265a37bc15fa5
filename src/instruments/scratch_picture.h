#pragma once

#include "viewer/units.h"

#include <QImage>
#include <QObject>
#include <QString>

// A picture made here rather than read from a file (a capture of the screen, a crop of a
// box), written as a PNG file so that it is shown through the window's own loading path, as
// a paste is, with the name its caption gives it. One at a time: the one before goes when
// another is written, and the last when the program ends. Shared by those that make such
// pictures and the one that names the picture shown.
class ScratchPicture : public QObject
{
    Q_OBJECT
public:
    explicit ScratchPicture(QObject* parent = nullptr) : QObject(parent) {}
    ~ScratchPicture() override;

    // Writes `image` as PNG in the pasted pictures' folder, recording `ppi` as its
    // resolution (its "文件" basis for inches), under a new name; its path, or "" when it
    // cannot be written. `fileName` is the name proposed when it is saved, without a suffix.
    QString write(const QImage& image, units::PixelsPerInch ppi, const QString& caption,
                  const QString& fileName);
    // The caption of the picture written at `path`, and the name proposed for saving it; ""
    // for any other file.
    QString captionOf(const QString& path) const;
    QString fileNameOf(const QString& path) const;

private:
    QString path_;
    QString caption_;
    QString fileName_;
    int written_ = 0;
};
