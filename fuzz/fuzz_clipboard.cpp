// libFuzzer target: arbitrary bytes as what another program put on the clipboard, read the way
// a paste reads it. The first byte says which of the types a paste takes the clipboard holds,
// a bit each; the rest is their data. The clipboard is the application's own (offscreen).
#include "instruments/clipboard_picture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include <cstddef>
#include <cstdint>
#include <iterator>

namespace
{

// The picture types a paste takes, and the list of copied files; one more bit stands for image
// data only the window system knows (TIFF, WebP, ...), handed over decoded.
const char* const kTypes[] = {"image/png", "image/bmp", "image/jpeg", "image/gif", "text/uri-list"};
constexpr unsigned kImageBit = 1u << std::size(kTypes);

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: the process ends straight from the fuzzing loop.
    new QGuiApplication(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    auto* mime = new QMimeData;
    for (std::size_t type = 0; type < std::size(kTypes); ++type)
        if (data[0] & (1u << type))
            mime->setData(QLatin1String(kTypes[type]), bytes);
    if (data[0] & kImageBit)
        mime->setImageData(QImage::fromData(bytes));
    QGuiApplication::clipboard()->setMimeData(mime);
    clipboardPicture();
    // Emptied again, so the input frees what it allocated (no second run to look for a leak).
    QGuiApplication::clipboard()->clear();
    return 0;
}
