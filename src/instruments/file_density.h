#pragma once

#include "viewer/units.h"

#include <QByteArray>
#include <QString>
#include <optional>

// The resolution a picture file records for itself, read from its header: BMP pixels per
// metre, PNG pHYs in metres, JPEG JFIF density in inches or centimetres (else Exif's), TIFF
// resolution. None where the file records none, records only an aspect ratio (a unit of
// 0), or records a value that makes no sense (0, or beyond 100,000 pixels per inch).
// QImage cannot tell these apart: it gives a file that records none the screen's default.
namespace density
{

std::optional<units::PixelsPerInch> recorded(const QByteArray& header);
// The first 256 KiB of the file: where any of these formats keeps its resolution.
std::optional<units::PixelsPerInch> recordedIn(const QString& path);

} // namespace density
