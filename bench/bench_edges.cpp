// The spacing mode's cost on a pointer move: the same run of pointer moves, with their
// repaints, over a 3840 x 2160 screenshot whose arms run its full width and height, with the
// mode off and on. Thread CPU time, medians of repeated runs.
#include "instruments/instruments.h"
#include "instruments/spacing_tool.h"
#include "offscreen_app.h"
#include "sample_viewer.h"
#include "toolkit/screen.h"
#include "toolkit/services.h"
#include "viewer/main_window.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace
{

// The median over nine runs of the mean CPU time of a pointer move and its repaint.
double pointerMove(frmVelmora& w)
{
    std::vector<double> times;
    for (int repetition = 0; repetition < 9; ++repetition) {
        const double start = threadCpuSeconds();
        constexpr int kMoves = 300;
        for (int step = 0; step < kMoves; ++step) {
            const QPointF at(300 + (step * 7) % 900, 200 + (step * 3) % 500);
            QMouseEvent move(QEvent::MouseMove, at, w.picDisp->mapToGlobal(at), Qt::NoButton,
                             Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(w.picDisp, &move);
            QCoreApplication::processEvents();
        }
        times.push_back((threadCpuSeconds() - start) / kMoves);
    }
    return medianOf(times);
}

} // namespace

int main(int argc, char** argv)
{
    const OffscreenApp app(argc, argv);

    // A flat screenshot: no edge anywhere, so every arm runs to the picture's edge.
    QTemporaryDir dir;
    QImage flat(3840, 2160, QImage::Format_RGB32);
    flat.fill(qRgb(240, 240, 240));
    const auto viewer = viewerShowing(flat, dir);
    if (!viewer) {
        std::fprintf(stderr, "could not write the sample picture\n");
        return 1;
    }
    frmVelmora& w = *viewer;
    SpacingTool& spacing = *w.instrument<SpacingTool>();
    // Off, on, and off again, so a machine getting busier during the run shows.
    const double off = pointerMove(w);
    spacing.setOn(true);
    const double on = pointerMove(w);
    spacing.setOn(false);
    const double offAgain = pointerMove(w);
    const double reference = std::min(off, offAgain);
    std::printf("| pointer move and repaint, spacing on, arms 3840 x 2160 | %.2f us | off %.2f us "
                "(again %.2f us) | %.2f us more | <= 50 us more |\n",
                on * 1e6, off * 1e6, offAgain * 1e6, (on - reference) * 1e6);
    return 0;
}
