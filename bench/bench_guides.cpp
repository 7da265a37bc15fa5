// What guides cost a scroll step: the same steps of each bar in turn, with the repaint of what
// came into sight, over a 3840 x 2160 screenshot in a full-HD viewport, with 50 guides across
// it and with them hidden, in turns. Thread CPU time, medians of repeated runs.
#include "instruments/guides.h"
#include "instruments/instruments.h"
#include "offscreen_app.h"
#include "sample_viewer.h"
#include "viewer/main_window.h"

#include <QApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char** argv)
{
    const OffscreenApp app(argc, argv);
    QTemporaryDir dir;
    QImage shot(3840, 2160, QImage::Format_RGB32);
    shot.fill(qRgb(240, 240, 240));
    const auto viewer = viewerShowing(shot, dir);
    if (!viewer) {
        std::fprintf(stderr, "could not write the sample picture\n");
        return 1;
    }
    frmVelmora& w = *viewer;
    auto& guides = *w.findChild<Guides*>(QStringLiteral("guides"));

    // 25 each way, 37 pixels apart, so that every step brings some into sight. Runs with the
    // guides hidden and shown take turns, so a machine getting busier weighs on both alike.
    for (int i = 0; i < 25; ++i) {
        guides.add({Qt::Horizontal, 20 + 37 * i});
        guides.add({Qt::Vertical, 20 + 37 * i});
    }
    std::vector<double> without, with;
    int step = 0;
    for (int run = 0; run < 31; ++run) {
        guides.setShown(false);
        QCoreApplication::processEvents();
        without.push_back(meanOf(20, step, [&](int s) { scrollStep(w, s); }));
        guides.setShown(true);
        QCoreApplication::processEvents();
        with.push_back(meanOf(20, step, [&](int s) { scrollStep(w, s); }));
    }
    const double none = medianOf(without);
    const double fifty = medianOf(with);
    std::printf("| scroll step with 50 guides, 3840x2160 in 1920x1080 | %.3f ms | none %.3f ms | "
                "%.3f | <= 1.05 |\n",
                fifty * 1e3, none * 1e3, fifty / none);
    return 0;
}
