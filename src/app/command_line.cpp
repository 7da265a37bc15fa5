#include "app/command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

CommandLine parseCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Shows a BMP, GIF or JPEG picture between rulers in pixels, inches or "
                       "centimetres, for measuring it on screen."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
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
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1)
        return error(QStringLiteral("one FILE at most, %1 given.").arg(files.size()));
    result.file = files.value(0);
    return result;
}
