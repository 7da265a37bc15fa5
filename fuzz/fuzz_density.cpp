// libFuzzer target: arbitrary bytes as the start of a picture file, through the reader of the
// resolution it records (BMP pixels per metre, PNG pHYs, JPEG JFIF and Exif, TIFF in either
// byte order). It must never read past the bytes, and what it gives must be a resolution the
// viewer can reckon with.
#include "instruments/file_density.h"

#include <QByteArray>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The input's own bytes, not a copy with a terminator after them: a read one byte past
    // them is a finding.
    const QByteArray header =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto recorded = density::recorded(header);
    const auto sensible = [](double v) {
        return std::isfinite(v) && v > 0 && v <= units::kMostPixelsPerInch;
    };
    if (recorded && (!sensible(recorded->x) || !sensible(recorded->y)))
        std::abort();
    return 0;
}
