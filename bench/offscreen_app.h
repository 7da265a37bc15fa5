#pragma once

#include "toolkit/screen.h"
#include "toolkit/services.h"

#include <QApplication>
#include <QFile>
#include <cstdio>
#include <ctime>

// The application every benchmark runs in: offscreen, unscaled, at 96 ppi, and a run-time
// error printed rather than waiting in a modal box.
class OffscreenApp
{
public:
    OffscreenApp(int& argc, char** argv) : environment_(setEnvironment()), app_(argc, argv)
    {
        QApplication::setApplicationName(QStringLiteral("Quarnet"));
        toolkit::Screen::setDpiOverride(toolkit::Dpi{96, 96});
        toolkit::setMessageBoxHook(
            [](const QString& text) { std::fprintf(stderr, "message: %s\n", qPrintable(text)); });
    }

private:
    // Before the application is made, which reads them.
    static bool setEnvironment()
    {
        // Offscreen unless another platform is asked for, such as xcb on a virtual X server.
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
        return true;
    }

    bool environment_;
    QApplication app_;
};

// The CPU time this thread has used, in seconds: what the benchmarks measure.
inline double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// This process's peak resident memory in kB, as /proc gives it; -1 where it cannot be read.
inline qint64 peakResidentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}
