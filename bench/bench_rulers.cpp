#include "offscreen_app.h"
#include "toolkit/screen.h"
#include "toolkit/services.h"
#include "viewer/main_window.h"

#include <QApplication>
#include <QImage>
#include <QSignalBlocker>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace
{

constexpr int kViewportWidth = 1920;
constexpr int kViewportHeight = 1080;
constexpr int kRulerThickness = 17;

frmVelmora* window = nullptr;

// Rulers along a full-HD viewport, as on a maximised window.
void layOutFullHd(frmVelmora& w)
{
    w.resize(kViewportWidth + 60, kViewportHeight + 120);
    QCoreApplication::processEvents();
    const float left = w.picDispBase->Left(), top = w.picDispBase->Top();
    w.picDispBase->Move(left, top, kViewportWidth, kViewportHeight);
    w.picRulerBaseW->Move(left, top - kRulerThickness, kViewportWidth, kRulerThickness);
    w.picRulerW->Move(0, 0, kViewportWidth, kRulerThickness);
    w.picRulerBaseH->Move(left - kRulerThickness, top, kRulerThickness, kViewportHeight);
    w.picRulerH->Move(0, 0, kRulerThickness, kViewportHeight);
}

// Scrolled part-way into a numbered interval, so both strips are copied with a shift.
void scrollPartWay(frmVelmora& w)
{
    for (toolkit::ScrollBar* bar : {w.hsrDisp, w.vsrDisp}) {
        bar->setMax(32767);
        bar->setValue(150);
    }
}

void BM_DrawRulers(benchmark::State& state)
{
    window->cboUnit->setListIndex(int(state.range(0)));
    window->magnification = int(state.range(1));
    window->DrawRulers();
    for (auto _ : state)
        window->DrawRulers();
}
BENCHMARK(BM_DrawRulers)
    ->ArgNames({"unit", "factor"})
    ->ArgsProduct({{0, 1, 2}, {1, 2}})
    ->Unit(benchmark::kMicrosecond);

// As while the thumb is dragged: every call at another scroll position, so the numbers change
// too. The bars are moved quietly and repainted outside the timing, so only the call counts.
void BM_DrawRulersScrolling(benchmark::State& state)
{
    window->cboUnit->setListIndex(int(state.range(0)));
    window->magnification = int(state.range(1));
    int position = 0;
    for (auto _ : state) {
        state.PauseTiming();
        position = (position + 37) % 3000;
        for (toolkit::ScrollBar* bar : {window->hsrDisp, window->vsrDisp}) {
            const QSignalBlocker quiet(bar);
            bar->setValue(position);
        }
        QCoreApplication::processEvents();
        state.ResumeTiming();
        window->DrawRulers();
    }
}
BENCHMARK(BM_DrawRulersScrolling)
    ->ArgNames({"unit", "factor"})
    ->ArgsProduct({{0, 1, 2}, {1, 2}})
    ->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    const OffscreenApp app(argc, argv);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("picture.bmp"));
    QImage picture(2400, 1400, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    if (!picture.save(path))
        return 1;

    frmVelmora w;
    w.show();
    QCoreApplication::processEvents();
    w.OpenPicture(path);
    layOutFullHd(w);
    scrollPartWay(w);
    window = &w;

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
