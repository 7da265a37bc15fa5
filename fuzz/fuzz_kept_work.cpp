// libFuzzer target: arbitrary bytes as a picture's kept work (the JSON file kept for it), read
// as opening the picture reads it. Work it takes, written back and read again, is the same,
// and its figures can be worked out in every unit at the scale kept (or 96 pixels per inch).
#include "instruments/measurement_table.h"
#include "instruments/picture_record.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto kept = record::fromJson(bytes);
    if (!kept)
        return 0;
    if (record::fromJson(record::toJson(*kept)) != kept)
        std::abort();
    const double perInch = kept->scale.value_or(96.0);
    for (int unit : {units::kPixels, units::kInches, units::kCentimetres})
        measurement::rowsOf(kept->measurements, unit, units::PixelsPerInch{perInch, perInch});
    return 0;
}
