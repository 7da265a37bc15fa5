// The zoom's speed and memory beside their references in the same run: a scroll step at every
// factor against the step at 1, a factor change against a frame, the fit's mean colours
// against decoding the picture, a pointer move at 32 against one at 1, and peak memory at 32
// against 1. Thread CPU time, medians of repeated runs; memory in child processes.
#include "instruments/instruments.h"
#include "offscreen_app.h"
#include "toolkit/screen.h"
#include "toolkit/services.h"
#include "viewer/main_window.h"
#include "viewer/zoomed_drawing.h"

#include <QApplication>
#include <QFile>
#include <QImageReader>
#include <QMouseEvent>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace
{

constexpr int kRepetitions = 9;

// The median over repetitions of the mean CPU time of `rounds` calls, each after `prepare`.
double medianSeconds(int rounds, const std::function<void(int)>& run,
                     const std::function<void()>& prepare = {})
{
    std::vector<double> times;
    for (int repetition = 0; repetition < kRepetitions; ++repetition) {
        double total = 0;
        for (int round = 0; round < rounds; ++round) {
            if (prepare)
                prepare();
            const double start = threadCpuSeconds();
            run(round);
            total += threadCpuSeconds() - start;
        }
        times.push_back(total / rounds);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// A picture with detail everywhere, so no drawing path can skip work.
QImage screenshotLike(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qRgb((x * 7) & 255, (y * 5) & 255, ((x ^ y) * 3) & 255);
    }
    return image;
}

void layOut(frmVelmora& w, QSize viewport)
{
    for (int round = 0; round < 2; ++round) {
        const int dw = viewport.width() - int(w.picDispBase->Width());
        const int dh = viewport.height() - int(w.picDispBase->Height());
        w.resize(w.width() + dw, w.height() + dh);
        QCoreApplication::processEvents();
    }
}

void showAt(frmVelmora& w, Zoom factor)
{
    w.SetFactor(factor);
    QCoreApplication::processEvents();
}

// One step of each bar in turn, with the repaint of what came into sight.
double scrollStep(frmVelmora& w)
{
    toolkit::ScrollBar* bars[] = {w.hsrDisp, w.vsrDisp};
    return medianSeconds(40, [&](int step) {
        toolkit::ScrollBar* bar = bars[step % 2];
        const int range = std::max<int>(1, bar->Max());
        bar->setValue((step / 2 * 37 + 37) % range);
        QCoreApplication::processEvents();
    });
}

double pointerMove(frmVelmora& w)
{
    return medianSeconds(200, [&](int step) {
        const QPointF at(300 + (step * 7) % 900, 200 + (step * 3) % 500);
        QMouseEvent move(QEvent::MouseMove, at, w.picDisp->mapToGlobal(at), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w.picDisp, &move);
        QCoreApplication::processEvents();
    });
}

// --memory=TIMES PATH: the peak resident memory after opening the picture, showing it at the
// factor and scrolling it end to end, in kB.
int memoryChild(int times, const QString& path)
{
    frmVelmora w;
    w.show();
    layOut(w, QSize(1920, 1080));
    w.OpenPicture(path);
    showAt(w, Zoom{times, 1});
    for (int value : {w.hsrDisp->Max() / 2, int(w.hsrDisp->Max())}) {
        w.hsrDisp->setValue(value);
        w.vsrDisp->setValue(std::min<int>(value, w.vsrDisp->Max()));
        QCoreApplication::processEvents();
    }
    std::printf("%lld %d\n", static_cast<long long>(peakResidentKb()),
                w.factor() == Zoom{times, 1} ? 1 : 0);
    return 0;
}

std::optional<qint64> peakMemoryAt(int times, const QString& path)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--memory=%1").arg(times), path});
    if (!child.waitForFinished(300000) || child.exitCode() != 0)
        return std::nullopt;
    const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
    if (fields.size() != 2 || fields[1] != "1")
        return std::nullopt;
    return fields[0].toLongLong();
}

} // namespace

int main(int argc, char** argv)
{
    const OffscreenApp app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]).startsWith("--memory="))
        return memoryChild(QByteArray(argv[1] + 9).toInt(), QString::fromLocal8Bit(argv[2]));

    QTemporaryDir dir;
    const QString screenshot = dir.filePath(QStringLiteral("4k.bmp"));
    const QString photo = dir.filePath(QStringLiteral("photo.jpg"));
    if (!screenshotLike(3840, 2160).save(screenshot) || !screenshotLike(6000, 4000).save(photo)) {
        std::fprintf(stderr, "could not write the sample pictures\n");
        return 1;
    }

    frmVelmora w;
    attachInstruments(w);
    w.show();
    layOut(w, QSize(1920, 1080));

    std::printf(
        "| figure | measured | reference (same run) | ratio | target |\n|---|---|---|---|---|\n");
    // Scrolling a 4K screenshot in a full-HD viewport.
    w.OpenPicture(screenshot);
    QCoreApplication::processEvents();
    showAt(w, Zoom{});
    const double atOne = scrollStep(w);
    for (const Zoom& factor : zoom::factors()) {
        showAt(w, factor);
        if (w.hsrDisp->Max() <= 0 && w.vsrDisp->Max() <= 0) {
            std::printf("| scroll step at %s | fits, no travel | | | |\n",
                        qPrintable(factor.name()));
            continue;
        }
        const double step = scrollStep(w);
        std::printf("| scroll step at %s, 3840x2160 in 1920x1080 | %.3f ms | at 1: %.3f ms | %.2f "
                    "| <= 1.25 |\n",
                    qPrintable(factor.name()), step * 1e3, atOne * 1e3, step / atOne);
    }
    // Pointer moves with their repaint at 32 against 1.
    showAt(w, Zoom{});
    const double pointerAtOne = pointerMove(w);
    showAt(w, Zoom{32, 1});
    const double pointerAt32 = pointerMove(w);
    std::printf("| pointer move and repaint at 32 | %.2f us | at 1: %.2f us | %.2f | <= 1.25 |\n",
                pointerAt32 * 1e6, pointerAtOne * 1e6, pointerAt32 / pointerAtOne);

    // Factor changes on a 6000 x 4000 photo, each from 1.
    w.OpenPicture(photo);
    QCoreApplication::processEvents();
    const double frame = 1.0 / 60;
    for (const Zoom& factor : zoom::factors()) {
        if (factor == Zoom{} || factor == Zoom{2, 1})
            continue;
        const double change = medianSeconds(
            1,
            [&](int) {
                w.SetFactor(factor);
                QCoreApplication::processEvents();
            },
            [&] { showAt(w, Zoom{}); });
        std::printf("| factor change 1 to %s, 6000x4000, means kept | %.2f ms | a frame: 16.7 ms "
                    "| %.2f | <= 1 |\n",
                    qPrintable(factor.name()), change * 1e3, change / frame);
    }
    const QImage loaded = w.picture();
    const double decode = medianSeconds(1, [&](int) {
        QImageReader reader(photo);
        const QImage image = reader.read();
        Q_UNUSED(image.constBits());
    });
    const auto fit = zoom::fitting(loaded.size(), QSize(1920, 1080));
    const double means = medianSeconds(
        1, [&](int) { Q_UNUSED(zoomed::meanOfSquares(loaded, fit.over).constBits()); });
    std::printf("| the fit's (%s) mean colours, once | %.1f ms | decoding the photo %.1f ms | %.2f "
                "| <= 0.5 |\n",
                qPrintable(fit.name()), means * 1e3, decode * 1e3, means / decode);

    const auto one = peakMemoryAt(1, photo);
    const auto thirtyTwo = peakMemoryAt(32, photo);
    if (one && thirtyTwo)
        std::printf("| peak memory at 32, 6000x4000 scrolled end to end | %lld kB | at 1: %lld kB "
                    "| %.3f | <= 1.10 |\n",
                    static_cast<long long>(*thirtyTwo), static_cast<long long>(*one),
                    double(*thirtyTwo) / double(*one));
    else
        std::printf("| peak memory at 32 | n/a | | | |\n");
    return 0;
}
