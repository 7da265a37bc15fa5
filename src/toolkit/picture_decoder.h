#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

namespace toolkit
{

// The picture decoder. An empty path gives the empty picture. Any file the decoder cannot
// read (missing, unreadable, not an image, corrupt, or larger than a picture box can
// hold) raises an error; a too-large image is refused from its header, before its pixels
// are allocated. Animated images give their first frame; transparent pixels show over white.
// A file that ends before its picture does (a JPEG without its end marker, a GIF without its
// trailer or with its image data cut, a BMP with fewer pixel bytes than its header declares)
// gives what could be decoded, and cutShort, where given, says so.
QImage LoadPicture(const QString& path, bool* cutShort = nullptr);
// The names of the files the decoder reads, as patterns ("*.png", ...): for the Open
// dialog's second entry and the folder walk alike.
QStringList readablePatterns();

} // namespace toolkit
