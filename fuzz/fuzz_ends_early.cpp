// libFuzzer target: arbitrary bytes through the check for files that end early, which walks
// a JPEG's segments, a GIF's blocks and a BMP's rows and run-length stream by the lengths the
// bytes themselves give. It must end, and never read past the bytes.
#include "toolkit/ends_early.h"

#include <QByteArrayView>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The input's own bytes, not a copy with a terminator after them: a read one byte past
    // them is a finding.
    toolkit::endsEarly(QByteArrayView(data, qsizetype(size)));
    return 0;
}
