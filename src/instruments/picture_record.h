#pragma once

#include "instruments/guides.h"
#include "instruments/measurement_table.h"

#include <QByteArray>
#include <QSize>
#include <QString>
#include <optional>
#include <vector>

// What a person made on one picture, as it is kept between runs: its measurements in the
// order they were numbered, its guides and the scale set from a line. Written as JSON
// (docs/kept-work.md describes the format); read back only when every part of it makes
// sense for a picture of its size. No widgets here.
namespace record
{

constexpr int kVersion = 1;
// Files larger than this are not read: no picture's work comes near it.
constexpr qint64 kMaxBytes = 4 * 1024 * 1024;
constexpr int kMaxMeasurements = 100000;
constexpr int kMaxGuides = 10000;

struct PictureRecord {
    QSize image;
    std::vector<measurement::Measurement> measurements;
    std::vector<guide::Guide> guides;
    // Pixels per inch of a scale set from a line, for this picture only.
    std::optional<double> scale;

    bool empty() const { return measurements.empty() && guides.empty() && !scale; }
    friend bool operator==(const PictureRecord&, const PictureRecord&) = default;
};

QByteArray toJson(const PictureRecord& kept);
// The record in `json`; none, with why in `why`, for bytes that are not such a record: not
// JSON, another format, a later version, a part missing or of the wrong type, a pixel off
// the picture, more than the limits.
std::optional<PictureRecord> fromJson(const QByteArray& json, QString* why = nullptr);

} // namespace record
