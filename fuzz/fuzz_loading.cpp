// libFuzzer target: arbitrary bytes as a picture file, through a real window's whole loading
// path (offscreen), decoder included, as a downloaded file would go. Any crash, sanitizer
// finding, leak or hang is a finding; refusing the bytes is not.
#include "toolkit/screen.h"
#include "toolkit/services.h"
#include "viewer/main_window.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace
{

struct Harness {
    std::unique_ptr<QApplication> app;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<frmVelmora> window;
    QString path;
};

// Made once and never destroyed: the process ends straight from the fuzzing loop, and a
// window torn down at exit would only test the exit.
Harness& harness()
{
    static Harness* h = new Harness;
    return *h;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    Harness& h = harness();
    h.app = std::make_unique<QApplication>(*argc, *argv);
    QApplication::setApplicationName(QStringLiteral("Quarnet"));
    toolkit::Screen::setDpiOverride(toolkit::Dpi{96, 96});
    // The load-error message is expected for most inputs; it must not wait for a click.
    toolkit::setMessageBoxHook([](const QString&) {});
    h.dir = std::make_unique<QTemporaryDir>();
    h.path = h.dir->filePath(QStringLiteral("input"));
    h.window = std::make_unique<frmVelmora>();
    h.window->show();
    QCoreApplication::processEvents();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Harness& h = harness();
    {
        QFile file(h.path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    h.window->runHandler([&] { h.window->OpenPicture(h.path); });
    QCoreApplication::processEvents();
    // A failed load (a folder is no picture) lets go of every pixel the input's picture
    // took, so each input frees what it allocated: libFuzzer runs an input a second time,
    // to look for a leak, whenever it ends with more allocated than freed, and a picture
    // kept up to the next input would cost every input that, and up to 2 GB besides.
    h.window->runHandler([&] { h.window->OpenPicture(h.dir->path()); });
    return 0;
}
