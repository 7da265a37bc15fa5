// libFuzzer target: arbitrary bytes as a picture's kept work (the JSON file kept for it), read
// as opening the picture reads it. Bytes it takes must make sense for the picture they name:
// written back and read again they give the same work, and every measurement's figures can
// be worked out in every unit, at the scale kept or at 96 pixels per inch.
#include "instruments/measurement_table.h"
#include "instruments/picture_record.h"

#include <QByteArray>
#include <QRect>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto kept = record::fromJson(bytes);
    if (!kept)
        return 0;
    const QRect picture(QPoint(0, 0), kept->image);
    for (const measurement::Measurement& m : kept->measurements)
        if (!picture.contains(m.from) || !picture.contains(m.to) ||
            (m.kind == measurement::Kind::Angle && !picture.contains(m.firstArm)))
            std::abort();
    if (record::fromJson(record::toJson(*kept)) != kept)
        std::abort();
    const double perInch = kept->scale.value_or(96.0);
    for (int unit : {units::kPixels, units::kInches, units::kCentimetres})
        measurement::rowsOf(kept->measurements, unit, units::PixelsPerInch{perInch, perInch});
    return 0;
}
