// libFuzzer target: arbitrary bytes as what another program put on the clipboard, read the way
// a paste reads it (clipboardPicture), then written for loading as the paste writes it. The
// first byte says which of the types a paste takes the clipboard holds, a bit each; the rest
// is their data. The clipboard is the application's own (offscreen), never the desktop's.
#include "instruments/clipboard_picture.h"

#include <QByteArray>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <memory>

namespace
{

// The types of picture data a paste takes, in the order it prefers them, and the list of
// copied files. One more bit stands for image data in a type only the window system knows
// (TIFF, WebP, ...), which it hands over as an image decoded from the bytes.
const char* const kTypes[] = {"image/png", "image/bmp", "image/jpeg", "image/gif", "text/uri-list"};
constexpr unsigned kImageBit = 1u << std::size(kTypes);

struct Harness {
    std::unique_ptr<QGuiApplication> app;
    std::unique_ptr<QTemporaryDir> dir;
    int pastes = 0;
};

// Made once and never destroyed, as the process ends straight from the fuzzing loop.
Harness& harness()
{
    static Harness* h = new Harness;
    return *h;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Harness& h = harness();
    h.app = std::make_unique<QGuiApplication>(*argc, *argv);
    h.dir = std::make_unique<QTemporaryDir>();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    Harness& h = harness();
    const unsigned held = data[0];
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    auto* mime = new QMimeData;
    for (std::size_t type = 0; type < std::size(kTypes); ++type)
        if (held & (1u << type))
            mime->setData(QLatin1String(kTypes[type]), bytes);
    if (held & kImageBit)
        mime->setImageData(QImage::fromData(bytes));
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setMimeData(mime);

    if (const auto picture = clipboardPicture(); picture && picture->file.isEmpty()) {
        // The paste loads the picture from the file it writes: it must hold the bytes taken.
        const QString path =
            writtenToFile(*picture, h.dir->path(), QStringLiteral("pasted"), ++h.pastes);
        if (path.isEmpty())
            std::abort();
        QFile written(path);
        if (!written.open(QIODevice::ReadOnly) || written.readAll() != picture->bytes)
            std::abort();
        written.remove();
    }
    // Emptied again, so the input frees what it allocated (no second run to look for a leak).
    clipboard->clear();
    return 0;
}
