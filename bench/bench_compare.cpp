// What a comparison costs: a scroll step and a pointer move, each with its repaint, with a
// comparison laid over a 3840 x 2160 screenshot and without, in turns, at factors 1, 2 and 8
// in each mode; and the counts for two such pictures. Thread CPU time, medians.
#include "instruments/comparison.h"
#include "instruments/comparison_tool.h"
#include "instruments/differences.h"
#include "instruments/instruments.h"
#include "offscreen_app.h"
#include "sample_viewer.h"
#include "viewer/main_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPainter>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace
{

// Lets what a change queued (the counts, the repaint of the whole view) run before the
// timing starts, so that a run times the steps alone.
void settle()
{
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 30)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// Runs with the comparison and without take turns, so a machine getting busier weighs on
// both alike; the ratio of their medians.
double ratio(frmVelmora& w, Comparison& comparison, const QImage& design,
             void (*what)(frmVelmora&, int))
{
    std::vector<double> with, without;
    int step = 0;
    const Comparison::Mode mode = comparison.mode();
    for (int run = 0; run < 15; ++run) {
        comparison.end();
        settle();
        without.push_back(meanOf(20, step, [&](int s) { what(w, s); }));
        comparison.show(design, QString(), false, true);
        comparison.setMode(mode);
        settle();
        with.push_back(meanOf(20, step, [&](int s) { what(w, s); }));
    }
    return medianOf(with) / medianOf(without);
}

} // namespace

int main(int argc, char** argv)
{
    const OffscreenApp app(argc, argv);
    QTemporaryDir dir;
    // A screenshot with some structure, and the design it was built from, a little off.
    QImage shot(3840, 2160, QImage::Format_RGB32);
    shot.fill(qRgb(240, 240, 240));
    {
        QPainter painter(&shot);
        for (int i = 0; i < 40; ++i)
            painter.fillRect(QRect(60 + i * 93, 40 + (i * 53) % 2000, 80, 32), QColor(0, 120, 212));
    }
    QImage design = shot.copy();
    QPainter(&design).fillRect(QRect(1000, 800, 300, 40), QColor(0, 110, 200));
    const auto viewer = viewerShowing(shot, dir);
    if (!viewer) {
        std::fprintf(stderr, "could not write the sample picture\n");
        return 1;
    }
    frmVelmora& w = *viewer;
    auto& comparison = *w.findChild<Comparison*>(QStringLiteral("comparison"));
    comparison.show(design, QString(), false);

    for (const auto mode : {Comparison::Mode::Overlay, Comparison::Mode::Difference})
        for (const int times : {1, 2, 8}) {
            comparison.setMode(mode);
            w.runHandler([&] { w.SetFactor(Zoom{times, 1}); });
            QCoreApplication::processEvents();
            const char* name = mode == Comparison::Mode::Overlay ? "overlay" : "difference";
            // `bench_compare MODE FACTOR` runs that row alone, to look at under a profiler.
            if (argc > 2 && (std::strcmp(argv[1], name) != 0 || std::atoi(argv[2]) != times))
                continue;
            std::printf("| scroll step, %s at %d, 3840x2160 | %.3f | <= 1.25 |\n", name, times,
                        ratio(w, comparison, design, scrollStep));
            std::printf("| pointer move, %s at %d, 3840x2160 | %.3f | <= 1.25 |\n", name, times,
                        ratio(w, comparison, design, pointerMove));
        }

    std::vector<double> counts;
    for (int run = 0; run < 9; ++run) {
        const double start = threadCpuSeconds();
        const auto found = differences::count(shot, design, QPoint(), 0);
        counts.push_back(threadCpuSeconds() - start);
        if (found.differing != 300 * 40)
            std::fprintf(stderr, "counted %lld\n", found.differing);
    }
    std::printf("| counts, two 3840x2160 pictures | %.1f ms | <= 50 ms |\n",
                medianOf(counts) * 1e3);
    return 0;
}
