#pragma once

#include "instruments/instruments.h"
#include "offscreen_app.h"
#include "viewer/main_window.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

// A viewer as a person has it on a full-HD screen, with every instrument, showing `picture`
// through the window's own loading path (written to a scratch file first); null when the
// file cannot be written.
inline std::unique_ptr<frmVelmora> viewerShowing(const QImage& picture, const QTemporaryDir& dir)
{
    const QString path = dir.filePath(QStringLiteral("sample.bmp"));
    if (!picture.save(path))
        return nullptr;
    auto w = std::make_unique<frmVelmora>();
    attachInstruments(*w);
    w->show();
    w->resize(1960, 1200);
    QCoreApplication::processEvents();
    w->runHandler([&] { w->OpenPicture(path); });
    QCoreApplication::processEvents();
    return w;
}

inline double medianOf(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Step `step` of a run of scroll steps, each bar in turn, with the repaint of what came into
// sight.
inline void scrollStep(frmVelmora& w, int step)
{
    toolkit::ScrollBar* bars[] = {w.hsrDisp, w.vsrDisp};
    toolkit::ScrollBar* bar = bars[step % 2];
    const int range = std::max<int>(1, bar->Max());
    bar->setValue((step / 2 * 37 + 37) % range);
    QCoreApplication::processEvents();
}

// Step `step` of a run of pointer moves over the picture, with their repaints.
inline void pointerMove(frmVelmora& w, int step)
{
    const QPointF at(300 + (step * 7) % 900, 200 + (step * 3) % 500);
    QMouseEvent move(QEvent::MouseMove, at, w.picDisp->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(w.picDisp, &move);
    QCoreApplication::processEvents();
}

// The mean CPU time of one of `count` calls of f, going on from `step`.
inline double meanOf(int count, int& step, const std::function<void(int)>& f)
{
    const double start = threadCpuSeconds();
    for (int i = 0; i < count; ++i, ++step)
        f(step);
    return (threadCpuSeconds() - start) / count;
}
