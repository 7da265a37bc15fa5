#include "app/command_line.h"
#include "viewer/units.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

QStringList withoutToolkitOptions(const QStringList& arguments)
{
    // As QGuiApplication and QApplication take them, with one dash or two.
    static const QStringList kWithValue =
        QStringLiteral("platform platformpluginpath platformtheme plugin qwindowgeometry "
                       "qwindowtitle qwindowicon display geometry title name session style "
                       "stylesheet qmljsdebugger fn font bg fg btn")
            .split(QLatin1Char(' '));
    static const QStringList kAlone =
        QStringLiteral("reverse widgetcount nograb dograb sync").split(QLatin1Char(' '));
    QStringList kept;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (i == 0 || !argument.startsWith(QLatin1Char('-'))) {
            kept << argument;
            continue;
        }
        if (argument == QLatin1String("--")) {
            kept << arguments.mid(i);
            break;
        }
        const QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
        if (kWithValue.contains(name))
            ++i;
        else if (!kAlone.contains(name))
            kept << argument;
    }
    return kept;
}

CommandLine parseCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Shows a BMP, GIF or JPEG picture between rulers in pixels, inches or "
                       "centimetres, for measuring it on screen."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption ppi(
        QStringLiteral("ppi"),
        QStringLiteral("What inches and centimetres are reckoned from: the screen's logical "
                       "resolution (screen, the default), the resolution the file records "
                       "(file), the monitor's physical resolution (monitor), or N pixels per "
                       "inch across and down."),
        QStringLiteral("screen|file|monitor|N"));
    parser.addOption(ppi);
    const QCommandLineOption compare(
        QStringLiteral("compare"),
        QStringLiteral("A picture to lay over the one opened, to compare them: a design over a "
                       "screenshot, or yesterday's build."),
        QStringLiteral("FILE"));
    parser.addOption(compare);
    const QCommandLineOption capture(
        QStringLiteral("capture"),
        QStringLiteral("Start with a capture of the screen, to measure what is on it now."));
    parser.addOption(capture);
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The picture to open."),
                                 QStringLiteral("[FILE]"));

    CommandLine result;
    const QString program = QFileInfo(arguments.value(0, QStringLiteral("quarnet"))).fileName();
    const auto error = [&](const QString& what) {
        result.action = CommandLine::Action::Error;
        result.text =
            QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n").arg(program, what);
        return result;
    };

    if (!parser.parse(arguments))
        return error(parser.errorText());
    // Asked for help or the version, the program answers that whatever else is there.
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        result.action = CommandLine::Action::Help;
        result.text = parser.helpText();
        return result;
    }
    if (parser.isSet(version)) {
        result.action = CommandLine::Action::Version;
        result.text = QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(),
                                                    QCoreApplication::applicationVersion());
        return result;
    }
    if (parser.isSet(ppi)) {
        result.ppi = parser.value(ppi);
        const bool named = result.ppi == QLatin1String("screen") ||
                           result.ppi == QLatin1String("file") ||
                           result.ppi == QLatin1String("monitor");
        if (!named && !units::pixelsPerInchFrom(result.ppi))
            return error(QStringLiteral("--ppi takes screen, file, monitor or a number of pixels "
                                        "per inch from 0.01 to 100000, not '%1'.")
                             .arg(result.ppi));
    }
    if (parser.isSet(compare)) {
        result.compare = parser.value(compare);
        if (result.compare.isEmpty())
            return error(QStringLiteral("--compare takes the file of a picture."));
    }
    result.capture = parser.isSet(capture);
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1)
        return error(QStringLiteral("one FILE at most, %1 given.").arg(files.size()));
    result.file = files.value(0);
    return result;
}
