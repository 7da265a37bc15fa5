#pragma once

#include <QString>
#include <QStringList>

// What `quarnet [FILE]` was asked to do.
struct CommandLine {
    enum class Action {
        Open,    // show the window, with `file` opened if one was named
        Help,    // print `text`, the usual help, and end
        Version, // print `text`, the name and version, and end
        Error,   // print `text`, saying what was wrong, and end with status 2
    };
    Action action = Action::Open;
    QString file;
    QString text;
    // --ppi=screen|file|monitor|N: the basis for inches this run, "" for the one remembered.
    QString ppi;
    // --compare=FILE: a picture to lay over the one opened, to compare them.
    QString compare;
    // --capture: start with a capture of the screen.
    bool capture = false;

    // The status the program ends with when it does not show its window: 2 for a command line
    // it cannot use, as command-line tools do, 0 otherwise.
    int exitStatus() const { return action == Action::Error ? 2 : 0; }
};

// The arguments without the options Qt's window system takes for itself (-platform NAME,
// -display NAME, -reverse, ...), so that a command line can be read before there is a
// display to connect to.
QStringList withoutToolkitOptions(const QStringList& arguments);

// Reads the program's arguments, the program's own name first. The application's name and
// version must be set beforehand; they appear in the help and version texts.
CommandLine parseCommandLine(const QStringList& arguments);
