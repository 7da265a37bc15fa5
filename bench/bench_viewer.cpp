// Opening, magnifying, scrolling and pointer moves on a real window (offscreen platform), each
// beside a reference measured in the same run, so a figure is a ratio that a busy machine
// does not move much. Times are the thread's CPU time, medians of repeated runs. The peak
// memory rows come from child processes (this program started again with --memory), each
// reading its own VmHWM. `scripts/bench` builds this in Release and runs it.
#include "instruments/instruments.h"
#include "instruments/loupe.h"
#include "instruments/measure_tool.h"
#include "instruments/measurement_store.h"
#include "offscreen_app.h"
#include "toolkit/controls.h"
#include "toolkit/screen.h"
#include "toolkit/services.h"
#include "viewer/main_window.h"

#include <QApplication>
#include <QFile>
#include <QImageReader>
#include <QMouseEvent>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <ctime>
#include <map>
#include <optional>
#include <set>
#include <string>

namespace
{

constexpr int kViewportWidth = 1920;
constexpr int kViewportHeight = 1080;

struct Sample {
    std::string name;
    QString path;
    QSize size;
};

// A photograph stands in well enough for JPEG's work: smooth shading with fine grain, so
// neither the entropy coder nor the block transforms get an easy ride.
QImage photoLike(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    quint32 noise = 12345;
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            noise = noise * 1664525u + 1013904223u;
            const int grain = int(noise >> 28) - 8;
            row[x] = qRgb(std::clamp(x * 255 / width + grain, 0, 255),
                          std::clamp(y * 255 / height + grain, 0, 255),
                          std::clamp((x + y) % 256 + grain, 0, 255));
        }
    }
    return image;
}

// Qt reads GIF but cannot write it. An 8-bit image as a GIF whose LZW stream sends every
// pixel as its own 9-bit code, with a clear code before the table would grow to 10 bits.
bool writeGif(const QString& path, const QImage& source)
{
    const QImage indexed = source.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    QByteArray out("GIF89a");
    const auto u16 = [&](int v) {
        out.append(char(v & 0xFF));
        out.append(char((v >> 8) & 0xFF));
    };
    u16(indexed.width());
    u16(indexed.height());
    out.append(char(0xF7)); // global colour table of 256 entries
    out.append(char(0));
    out.append(char(0));
    for (int i = 0; i < 256; ++i) {
        const QRgb c = i < indexed.colorCount() ? indexed.color(i) : 0;
        out.append(char(qRed(c)));
        out.append(char(qGreen(c)));
        out.append(char(qBlue(c)));
    }
    out.append(char(0x2C));
    u16(0);
    u16(0);
    u16(indexed.width());
    u16(indexed.height());
    out.append(char(0));
    out.append(char(8)); // minimum code size
    QByteArray data;
    quint32 bits = 0;
    int bitCount = 0;
    const auto code = [&](int c) {
        bits |= quint32(c) << bitCount;
        bitCount += 9;
        while (bitCount >= 8) {
            data.append(char(bits & 0xFF));
            bits >>= 8;
            bitCount -= 8;
        }
    };
    constexpr int kClear = 256, kEnd = 257;
    int sinceClear = 0;
    code(kClear);
    for (int y = 0; y < indexed.height(); ++y) {
        const uchar* row = indexed.constScanLine(y);
        for (int x = 0; x < indexed.width(); ++x) {
            if (sinceClear == 254) {
                code(kClear);
                sinceClear = 0;
            }
            code(row[x]);
            ++sinceClear;
        }
    }
    code(kEnd);
    if (bitCount > 0)
        data.append(char(bits & 0xFF));
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const qsizetype length = std::min<qsizetype>(255, data.size() - at);
        out.append(char(length));
        out.append(data.mid(at, length));
    }
    out.append(char(0));
    out.append(char(0x3B));
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(out) == out.size();
}

frmVelmora* window = nullptr;
MeasurementStore* measurements = nullptr;
QSize defaultWindowSize;
const Sample* largeJpeg = nullptr;

// Makes the viewport 1920 x 1080 through the window's own layout.
void layOutFullHd()
{
    for (int round = 0; round < 2; ++round) {
        const int dw = kViewportWidth - int(window->picDispBase->Width());
        const int dh = kViewportHeight - int(window->picDispBase->Height());
        window->resize(window->width() + dw, window->height() + dh);
        QCoreApplication::processEvents();
    }
}

// The window at the size it opens with, as `quarnet FILE` shows it.
void layOutAsOpened()
{
    if (window->size() != defaultWindowSize) {
        window->resize(defaultWindowSize);
        QCoreApplication::processEvents();
    }
}

// The large JPEG open at factor 1 in a full-HD viewport, for the benchmarks that work on it.
// Benchmarks run in random order, so each sets up what it needs before its timing starts.
void largeJpegInFullHd()
{
    layOutFullHd();
    if (window->picOrig->surfaceSize() != largeJpeg->size)
        window->OpenPicture(largeJpeg->path);
    window->cboMagnify->setListIndex(0);
    QCoreApplication::processEvents();
}

QImage decode(const QString& path)
{
    QImageReader reader(path);
    return reader.read();
}

// One fresh copy of the image as the window holds it (32 bits a pixel): allocating it,
// touching its pages and filling them.
void BM_Copy(benchmark::State& state, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    for (auto _ : state) {
        const QImage copy = image.copy();
        benchmark::DoNotOptimize(copy.constBits());
    }
}

// Opening, from the call to the picture shown with its scroll bars and rulers in the window
// as it first opens, beside decoding the same file alone with QImageReader. Each iteration
// does both, one after the other, so the overhead (open - decode) is taken from pairs and a
// machine whose load drifts during the run does not bias it. The reported time is the
// open's; the counters give the decode and the overhead, all thread CPU time.
void BM_Open(benchmark::State& state, const Sample& sample)
{
    layOutAsOpened();
    double decoding = 0, overhead = 0;
    for (auto _ : state) {
        const double start = threadCpuSeconds();
        {
            const QImage image = decode(sample.path);
            benchmark::DoNotOptimize(image.constBits());
        }
        const double decoded = threadCpuSeconds();
        window->OpenPicture(sample.path);
        QCoreApplication::processEvents();
        const double opened = threadCpuSeconds();
        state.SetIterationTime(opened - decoded);
        decoding += decoded - start;
        overhead += (opened - decoded) - (decoded - start);
    }
    if (window->picDisp->ScaleWidth() != float(sample.size.width()))
        state.SkipWithError("the picture did not open");
    state.counters["decode"] = benchmark::Counter(decoding, benchmark::Counter::kAvgIterations);
    state.counters["overhead"] = benchmark::Counter(overhead, benchmark::Counter::kAvgIterations);
}

bool magnifies()
{
    return window->cboMagnify->ListIndex() == 1 &&
           window->picDisp->ScaleWidth() == 2 * window->picOrig->ScaleWidth();
}

// Picking factor 2 from factor 1; the way back is not timed.
void BM_Magnify(benchmark::State& state)
{
    largeJpegInFullHd();
    for (auto _ : state) {
        state.PauseTiming();
        window->cboMagnify->setListIndex(0);
        QCoreApplication::processEvents();
        state.ResumeTiming();
        window->cboMagnify->setListIndex(1);
        QCoreApplication::processEvents();
    }
    if (!magnifies())
        state.SkipWithError("magnification is not built");
    window->cboMagnify->setListIndex(0);
}

// One step of each scroll bar in turn, as a person dragging diagonally; the change handler
// moves the picture and redraws the rulers, and the window repaints.
void scrollSteps(benchmark::State& state)
{
    toolkit::ScrollBar* bars[] = {window->hsrDisp, window->vsrDisp};
    int step = 0;
    for (auto _ : state) {
        toolkit::ScrollBar* bar = bars[step % 2];
        const int range = std::max<int>(1, bar->Max());
        bar->setValue(qint16((step / 2 * 37 + 37) % range));
        QCoreApplication::processEvents();
        ++step;
    }
    if (window->hsrDisp->Max() <= 0)
        state.SkipWithError("scrolling is not built");
}

void BM_ScrollStep(benchmark::State& state)
{
    largeJpegInFullHd();
    window->cboMagnify->setListIndex(int(state.range(0)) - 1);
    QCoreApplication::processEvents();
    scrollSteps(state);
    window->cboMagnify->setListIndex(0);
}

// A pointer move over the picture: the handler alone, then with the repaint of what it
// dirtied (the two markers and the readout).
void BM_PointerMove(benchmark::State& state)
{
    largeJpegInFullHd();
    const bool repaint = state.range(0) != 0;
    int x = 0;
    for (auto _ : state) {
        x = (x + 7) % 900;
        window->picDisp_MouseMove(0, 0, float(100 + x), float(100 + x / 2));
        if (repaint)
            QCoreApplication::processEvents();
    }
}

// The next of a run of pointer moves across the picture, sent as the window system sends
// them: the picture's event goes past the instruments (the program's own, attached) to the
// readout, and what changed is told after.
void sendNextPointerMove(int& x)
{
    x = (x + 7) % 900;
    const QPointF at(100 + x, 100 + x / 2);
    QMouseEvent move(QEvent::MouseMove, at, window->picDisp->mapToGlobal(at), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window->picDisp, &move);
}

void BM_PointerEvent(benchmark::State& state)
{
    largeJpegInFullHd();
    int x = 0;
    for (auto _ : state)
        sendNextPointerMove(x);
}

// A pointer move as an event with everything it repaints, the loupe hidden or shown: what
// showing the loupe adds to a move, its own update and repaint included.
void BM_PointerWithLoupe(benchmark::State& state)
{
    largeJpegInFullHd();
    Loupe& loupe = *window->instrument<Loupe>();
    loupe.setShown(state.range(0) != 0);
    QCoreApplication::processEvents();
    int x = 0;
    for (auto _ : state) {
        sendNextPointerMove(x);
        QCoreApplication::processEvents();
    }
    loupe.setShown(false);
}

// `count` measurements kept on the large picture, spread over it as a person checking a
// layout would leave them: lines, boxes, points and angles of up to 200 pixels, so that some
// are in sight wherever the viewport is.
MeasurementStore& keepMeasurements(int count)
{
    // A picture opened from outside a handler is told to the instruments as the next handler
    // ends; a pointer move is one, so the opening does not remove what is kept below.
    int x = 0;
    sendNextPointerMove(x);
    MeasurementStore& kept = *measurements;
    kept.clear();
    quint32 noise = 2026;
    const auto below = [&noise](int limit) {
        noise = noise * 1664525u + 1013904223u;
        return int((noise >> 8) % quint32(limit));
    };
    for (int i = 0; i < count; ++i) {
        const QPoint from(below(5700), below(3700));
        const QPoint to = from + QPoint(below(200), below(200));
        const auto kind = measurement::Kind(i % 4);
        kept.add({kind, from, kind == measurement::Kind::Point ? from : to,
                  from + QPoint(below(200), 0), 0});
    }
    QCoreApplication::processEvents();
    return kept;
}

// A scroll step and a pointer move with the repaints they cause, with none or a thousand
// measurements kept.
void BM_ScrollWithKept(benchmark::State& state)
{
    largeJpegInFullHd();
    MeasurementStore& kept = keepMeasurements(int(state.range(0)));
    scrollSteps(state);
    if (kept.count() != state.range(0))
        state.SkipWithError("the measurements were not kept");
    kept.clear();
}

void BM_PointerWithKept(benchmark::State& state)
{
    largeJpegInFullHd();
    MeasurementStore& kept = keepMeasurements(int(state.range(0)));
    int x = 0;
    for (auto _ : state) {
        sendNextPointerMove(x);
        QCoreApplication::processEvents();
    }
    if (kept.count() != state.range(0))
        state.SkipWithError("the measurements were not kept");
    kept.clear();
}

// Collects the median CPU time of every benchmark, in seconds, while printing as usual.
class MedianCollector : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            // Named by function and arguments only, not by the repetition settings.
            std::string name = run.run_name.function_name;
            if (!run.run_name.args.empty())
                name += "/" + run.run_name.args;
            if (run.error_occurred)
                skipped.insert(name);
            else if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                const double unit = benchmark::GetTimeUnitMultiplier(run.time_unit);
                medians[name] = run.GetAdjustedCPUTime() / unit;
                // Where the benchmark sets the time itself (open), it is this one.
                medians[name + "#time"] = run.GetAdjustedRealTime() / unit;
                for (const auto& [counter, value] : run.counters)
                    medians[name + "#" + counter] = value.value;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::optional<double> median(const std::string& name) const
    {
        const auto it = medians.find(name);
        if (it == medians.end())
            return std::nullopt;
        return it->second;
    }
    std::map<std::string, double> medians;
    std::set<std::string> skipped;
};

// --memory=open|magnify PATH: opens the picture (and magnifies it to 2) in a fresh process
// and prints the peak resident memory of the empty window and after, in kB.
int memoryChild(const QString& what, const QString& path)
{
    frmVelmora w;
    w.show();
    QCoreApplication::processEvents();
    const qint64 empty = peakResidentKb();
    w.OpenPicture(path);
    QCoreApplication::processEvents();
    if (what == QLatin1String("magnify")) {
        w.cboMagnify->setListIndex(1);
        QCoreApplication::processEvents();
    }
    const bool done = what == QLatin1String("magnify")
                          ? w.picDisp->ScaleWidth() == 2 * w.picOrig->ScaleWidth()
                          : w.picOrig->hasPicture();
    std::printf("%lld %lld %d\n", static_cast<long long>(empty),
                static_cast<long long>(peakResidentKb()), done ? 1 : 0);
    return 0;
}

// The extra peak memory of a child that opened (and magnified) the picture, in units of
// the picture's own bytes (W x H x 4).
std::optional<double> peakMemoryRatio(const QString& what, const Sample& sample)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--memory=") + what, sample.path});
    if (!child.waitForFinished(120000) || child.exitCode() != 0)
        return std::nullopt;
    const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
    if (fields.size() != 3 || fields[2] != "1")
        return std::nullopt;
    const double extraBytes = double(fields[1].toLongLong() - fields[0].toLongLong()) * 1024;
    return extraBytes / (double(sample.size.width()) * sample.size.height() * 4);
}

QString figure(std::optional<double> value, const char* format)
{
    return value ? QString::asprintf(format, *value) : QStringLiteral("n/a");
}

void printTable(const MedianCollector& times, const std::vector<Sample>& samples,
                std::optional<double> openMemory, std::optional<double> magnifyMemory)
{
    std::printf("\n| figure | measured | reference (same run) | ratio | target |\n");
    std::printf("|---|---|---|---|---|\n");
    for (const Sample& s : samples) {
        const auto open = times.median("open/" + s.name + "#time");
        const auto dec = times.median("open/" + s.name + "#decode");
        const auto overhead = times.median("open/" + s.name + "#overhead");
        const auto copy = times.median("copy/" + s.name);
        std::optional<double> ratio;
        if (overhead && copy)
            ratio = *overhead / *copy;
        std::printf("| open %dx%d %s, overhead (open - decode) | open %s ms, decode %s ms "
                    "| one copy %s ms | %s | <= 0.25 |\n",
                    s.size.width(), s.size.height(), s.name.c_str(),
                    qPrintable(figure(open ? std::optional(*open * 1e3) : std::nullopt, "%.1f")),
                    qPrintable(figure(dec ? std::optional(*dec * 1e3) : std::nullopt, "%.1f")),
                    qPrintable(figure(copy ? std::optional(*copy * 1e3) : std::nullopt, "%.1f")),
                    qPrintable(figure(ratio, "%.3f")));
    }
    const auto fixed = times.median("open/tiny#time");
    std::printf("| open a 16x16 BMP: the share of any open that does not grow with the picture "
                "| %s ms | | | |\n",
                qPrintable(figure(fixed ? std::optional(*fixed * 1e3) : std::nullopt, "%.2f")));
    std::printf("| memory after opening the JPEG (peak, less the empty window's) | | W x H x 4 "
                "| %s | <= 1.2 |\n",
                qPrintable(figure(openMemory, "%.3f")));
    const auto magnify = times.median("magnify/2");
    const auto enlarged = times.median("copy/enlarged");
    std::optional<double> magnifyRatio;
    if (magnify && enlarged)
        magnifyRatio = *magnify / *enlarged;
    std::printf(
        "| magnify the JPEG to 2 | %s ms | one copy of the enlarged image %s ms | %s "
        "| <= 1.5 |\n",
        qPrintable(figure(magnify ? std::optional(*magnify * 1e3) : std::nullopt, "%.1f")),
        qPrintable(figure(enlarged ? std::optional(*enlarged * 1e3) : std::nullopt, "%.1f")),
        qPrintable(figure(magnifyRatio, "%.3f")));
    std::printf("| memory at factor 2 (peak, less the empty window's) | | W x H x 4 | %s "
                "| <= 5.2 |\n",
                qPrintable(figure(magnifyMemory, "%.3f")));
    for (int factor : {1, 2}) {
        const auto step = times.median("scroll/factor:" + std::to_string(factor));
        std::printf("| one scroll step at 1920x1080, factor %d | %s ms | | | <= 0.5 ms |\n", factor,
                    qPrintable(figure(step ? std::optional(*step * 1e3) : std::nullopt, "%.3f")));
    }
    const auto handler = times.median("pointer/repaint:0");
    const auto painted = times.median("pointer/repaint:1");
    std::printf("| one pointer move, handler | %s us | | | <= 3 us |\n",
                qPrintable(figure(handler ? std::optional(*handler * 1e6) : std::nullopt, "%.2f")));
    std::printf("| one pointer move, handler and repaint | %s us | | | <= 20 us |\n",
                qPrintable(figure(painted ? std::optional(*painted * 1e6) : std::nullopt, "%.2f")));
    const auto event = times.median("pointer-event");
    std::optional<double> eventRatio;
    if (event && handler)
        eventRatio = *event / *handler;
    std::printf(
        "| one pointer move as an event, instruments told, no repaint | %s us | handler %s us "
        "| %s | |\n",
        qPrintable(figure(event ? std::optional(*event * 1e6) : std::nullopt, "%.2f")),
        qPrintable(figure(handler ? std::optional(*handler * 1e6) : std::nullopt, "%.2f")),
        qPrintable(figure(eventRatio, "%.2f")));
    for (const auto& [what, name] :
         {std::pair{"one scroll step", "kept-scroll"},
          {"one pointer move as an event and its repaint", "kept-pointer"}}) {
        const auto none = times.median(std::string(name) + "/kept:0");
        const auto many = times.median(std::string(name) + "/kept:1000");
        std::optional<double> ratio;
        if (none && many)
            ratio = *many / *none;
        std::printf("| %s, 1,000 measurements kept | %s us | none kept %s us | %s | <= 1.2 |\n",
                    what,
                    qPrintable(figure(many ? std::optional(*many * 1e6) : std::nullopt, "%.2f")),
                    qPrintable(figure(none ? std::optional(*none * 1e6) : std::nullopt, "%.2f")),
                    qPrintable(figure(ratio, "%.3f")));
    }
    const auto without = times.median("pointer-loupe/shown:0");
    const auto with = times.median("pointer-loupe/shown:1");
    std::optional<double> added;
    if (without && with)
        added = (*with - *without) * 1e6;
    std::printf(
        "| one pointer move as an event and its repaint, loupe shown | %s us | loupe hidden "
        "%s us | %s us more | <= 50 us more |\n",
        qPrintable(figure(with ? std::optional(*with * 1e6) : std::nullopt, "%.2f")),
        qPrintable(figure(without ? std::optional(*without * 1e6) : std::nullopt, "%.2f")),
        qPrintable(figure(added, "%.2f")));
}

} // namespace

int main(int argc, char** argv)
{
    const OffscreenApp app(argc, argv);

    if (argc == 3 && QByteArray(argv[1]).startsWith("--memory="))
        return memoryChild(QString::fromLatin1(argv[1] + 9), QString::fromLocal8Bit(argv[2]));

    QTemporaryDir dir;
    const QImage large = photoLike(6000, 4000);
    std::vector<Sample> samples = {
        {"jpeg", dir.filePath(QStringLiteral("large.jpg")), large.size()},
        {"bmp", dir.filePath(QStringLiteral("large.bmp")), large.size()},
        {"gif", dir.filePath(QStringLiteral("square.gif")), QSize(2000, 2000)},
    };
    if (!large.save(samples[0].path) || !large.save(samples[1].path) ||
        !writeGif(samples[2].path, photoLike(2000, 2000)) ||
        !photoLike(16, 16).save(dir.filePath(QStringLiteral("tiny.bmp")))) {
        std::fprintf(stderr, "could not write the sample pictures\n");
        return 1;
    }

    frmVelmora w;
    measurements = &attachInstruments(w);
    w.show();
    QCoreApplication::processEvents();
    window = &w;
    defaultWindowSize = w.size();
    largeJpeg = &samples[0];

    // Medians of repeated runs: on a shared machine a single run can land on a busy moment.
    const auto repeated = [](benchmark::internal::Benchmark* b, benchmark::TimeUnit unit) {
        b->Unit(unit)->Repetitions(7)->ReportAggregatesOnly(true);
    };
    for (const Sample& s : samples) {
        repeated(benchmark::RegisterBenchmark(("copy/" + s.name).c_str(), BM_Copy, s.size),
                 benchmark::kMillisecond);
        // Longer runs: the overhead is a small difference of two large, noisy times.
        repeated(benchmark::RegisterBenchmark(("open/" + s.name).c_str(), BM_Open, s)
                     ->UseManualTime()
                     ->MinTime(2.0),
                 benchmark::kMillisecond);
    }
    // Opening a picture of next to no pixels: what the window's own work costs.
    const Sample tiny{"tiny", dir.filePath(QStringLiteral("tiny.bmp")), QSize(16, 16)};
    repeated(benchmark::RegisterBenchmark("open/tiny", BM_Open, tiny)->UseManualTime(),
             benchmark::kMillisecond);
    const Sample& jpeg = samples[0];
    repeated(benchmark::RegisterBenchmark("copy/enlarged", BM_Copy, jpeg.size * 2),
             benchmark::kMillisecond);
    repeated(benchmark::RegisterBenchmark("magnify/2", BM_Magnify), benchmark::kMillisecond);
    repeated(
        benchmark::RegisterBenchmark("scroll", BM_ScrollStep)->ArgName("factor")->Arg(1)->Arg(2),
        benchmark::kMicrosecond);
    repeated(
        benchmark::RegisterBenchmark("pointer", BM_PointerMove)->ArgName("repaint")->Arg(0)->Arg(1),
        benchmark::kMicrosecond);
    repeated(benchmark::RegisterBenchmark("pointer-event", BM_PointerEvent),
             benchmark::kMicrosecond);
    repeated(benchmark::RegisterBenchmark("pointer-loupe", BM_PointerWithLoupe)
                 ->ArgName("shown")
                 ->Arg(0)
                 ->Arg(1),
             benchmark::kMicrosecond);

    for (const auto& [name, run] :
         {std::pair{"kept-scroll", &BM_ScrollWithKept}, {"kept-pointer", &BM_PointerWithKept}})
        repeated(
            benchmark::RegisterBenchmark(name, run)->ArgName("kept")->Arg(0)->Arg(1)->Arg(1000),
            benchmark::kMicrosecond);

    // Repetitions of all benchmarks in random order, so that a machine getting busier or
    // quieter during the run does not favour whichever ran first.
    std::vector<char*> arguments(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    arguments.insert(arguments.begin() + 1, interleave);
    int count = int(arguments.size());
    MedianCollector collector;
    benchmark::Initialize(&count, arguments.data());
    if (benchmark::ReportUnrecognizedArguments(count, arguments.data()))
        return 1;
    benchmark::RunSpecifiedBenchmarks(&collector);
    benchmark::Shutdown();

    printTable(collector, samples, peakMemoryRatio(QStringLiteral("open"), jpeg),
               peakMemoryRatio(QStringLiteral("magnify"), jpeg));
    return 0;
}
