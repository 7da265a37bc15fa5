// libFuzzer target: arbitrary bytes as the settings file (~/.config/Quarnet/Quarnet.conf) and
// as the one earlier versions left, read back as the program reads them as it starts and
// as it is used: the pixel grid, the inch basis, the spacing tolerance, the loupe's count, the
// tool windows' geometry and whether they are shown, the capture delay, the recent files (any
// bytes as paths) and the Open dialog's entry and folder. The settings are in a scratch
// folder; the window is made anew for every input, as the program makes it once per run.
#include "app/application_setup.h"
#include "filedlg/scripted_backend.h"
#include "instruments/instruments.h"
#include "toolkit/screen.h"
#include "toolkit/services.h"
#include "viewer/main_window.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace
{

struct Harness {
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<QApplication> app;
    QString today;  // the settings file
    QString before; // the file of earlier versions
    qint64 inputs = 0;
};

// Made once and never destroyed, as the process ends straight from the fuzzing loop.
Harness& harness()
{
    static Harness* h = new Harness;
    return *h;
}

// Writes a settings file with a time of its own for every input: QSettings reads a file again
// only when its size or time has changed, and two inputs of one size written within the same
// millisecond would otherwise read as the first.
void writeSettingsFile(const QString& path, const QByteArray& bytes, qint64 input)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    file.write(bytes);
    file.setFileTime(QDateTime::fromSecsSinceEpoch(1'000'000'000 + input, Qt::UTC),
                     QFileDevice::FileModificationTime);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    Harness& h = harness();
    h.dir = std::make_unique<QTemporaryDir>();
    // Nothing of the person's: settings, kept work, pasted pictures and the session bus are
    // the scratch folder's, the last one a socket that is not there.
    const QString scratch = h.dir->path();
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        qputenv(name, QFile::encodeName(scratch + QLatin1Char('/') + QLatin1String(name)));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(scratch)); // the temporary folder is 0700
    qputenv("DBUS_SESSION_BUS_ADDRESS", QFile::encodeName("unix:path=" + scratch + "/no-bus"));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    h.app = std::make_unique<QApplication>(*argc, *argv);
    setApplicationNames();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       scratch + QStringLiteral("/XDG_CONFIG_HOME"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope,
                       scratch + QStringLiteral("/system"));
    h.today = QSettings().fileName();
    h.before =
        QSettings(QStringLiteral("Unknown Organization"), QCoreApplication::applicationName())
            .fileName();
    toolkit::Screen::setDpiOverride(toolkit::Dpi{96, 96});
    toolkit::setMessageBoxHook([](const QString&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Harness& h = harness();
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    ++h.inputs;
    // The first start after an upgrade: the earlier version's file carried over...
    QFile::remove(h.today);
    writeSettingsFile(h.before, bytes, h.inputs);
    carryOverOldSettings();
    // ...and then the file as anyone may have left it, read by the window as it starts.
    writeSettingsFile(h.today, bytes, h.inputs);
    // Every dialog is cancelled, once it has been handed its folder and entry; a fresh back
    // end each time, so the records it keeps do not pile up.
    ScriptedOpenFileBackend::install();
    {
        frmVelmora window;
        attachInstruments(window);
        window.show();
        // The tool windows remembered as shown come up once the viewer is.
        QCoreApplication::processEvents();
        // Read on demand: the picture's menu (recent files, capture delay, ...) and Open.
        QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(1, 1),
                               window.picDisp->mapToGlobal(QPoint(1, 1)));
        QCoreApplication::sendEvent(window.picDisp, &menu);
        for (QMenu* shown : window.findChildren<QMenu*>())
            shown->close();
        window.runHandler([&] { window.cmdOpen_Click(); });
        QCoreApplication::processEvents();
    }
    // What the window wrote back goes with the next input's file.
    QCoreApplication::processEvents();
    return 0;
}
