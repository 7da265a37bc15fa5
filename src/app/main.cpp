#include "app/application_setup.h"
#include "app/command_line.h"
#include "instruments/capture_tool.h"
#include "instruments/comparison_tool.h"
#include "instruments/inch_basis.h"
#include "instruments/instruments.h"
#include "viewer/main_window.h"

#include <QApplication>
#include <QStringList>
#include <QTimer>
#include <cstdio>

namespace
{

// Prints what the command line asked for instead of a window; returns the exit status.
int report(const CommandLine& commandLine)
{
    FILE* stream = commandLine.action == CommandLine::Action::Error ? stderr : stdout;
    std::fputs(commandLine.text.toLocal8Bit().constData(), stream);
    return commandLine.exitStatus();
}

} // namespace

int main(int argc, char* argv[])
{
    // --help, --version and a command line it cannot use answer without a display: they
    // need no window, so they are read before the window system is reached, with a plain
    // application object for the names and Qt's own options of the window system set aside.
    {
        int coreArgc = argc;
        const QCoreApplication core(coreArgc, argv);
        setApplicationNames();
        const CommandLine early =
            parseCommandLine(withoutToolkitOptions(QCoreApplication::arguments()));
        if (early.action != CommandLine::Action::Open)
            return report(early);
    }

    // One image pixel is one screen pixel at factor 1: a measuring tool must not let the
    // platform scale the window.
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    QApplication app(argc, argv);
    setApplicationNames();
    carryOverOldSettings();
    loadToolkitTranslations(app);
    // Read again now that Qt has taken its own options (-platform, -display, ...) off the
    // list, so those are not mistaken for unknown ones.
    const CommandLine commandLine = parseCommandLine(QApplication::arguments());
    if (commandLine.action != CommandLine::Action::Open)
        return report(commandLine);

    frmVelmora window;
    attachInstruments(window);
    if (!commandLine.ppi.isEmpty())
        window.instrument<InchBasis>()->chooseFromCommandLine(commandLine.ppi);
    window.show();

    // A file named on the command line opens once the window is up, through the same
    // loading path as the Open button.
    if (!commandLine.file.isEmpty()) {
        const QString path = commandLine.file;
        QTimer::singleShot(
            0, &window, [&window, path] { window.runHandler([&] { window.OpenPicture(path); }); });
    }
    // The comparison after it, through the same loading path.
    if (!commandLine.compare.isEmpty()) {
        const QString path = commandLine.compare;
        QTimer::singleShot(0, &window, [&window, path] {
            window.runHandler([&] { window.instrument<ComparisonTool>()->compareWith(path); });
        });
    }
    // A capture once the window has been shown, so that it steps aside as it would later.
    if (commandLine.capture)
        QTimer::singleShot(0, &window, [&window] {
            window.runHandler([&] { window.instrument<CaptureTool>()->capture(); });
        });
    return QApplication::exec();
}
