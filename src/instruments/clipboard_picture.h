#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// What the clipboard holds as a picture: a copied file, or picture data in one of the
// formats a paste takes (PNG, BMP, JPEG, GIF, else any image Qt holds, as PNG) with the
// suffix a file of it needs. None when it holds no picture.
struct ClipboardPicture {
    QString file;
    QByteArray bytes;
    QString suffix;
};
std::optional<ClipboardPicture> clipboardPicture();

// Writes the picture's bytes to a new file in `folder`, named `stem-PID-number.suffix`, so
// that it is read as any picture file is (the same limits, the same error); its path, or ""
// when it cannot be written.
QString writtenToFile(const ClipboardPicture& picture, const QString& folder, const QString& stem,
                      int number);
