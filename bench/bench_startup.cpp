// Start-up to the picture painted, on a real X server: `quarnet FILE` and a stock image viewer
// (ImageMagick's `display`) open the same 1,000 x 800 JPEG, alternately, and the time from
// starting the process to the picture's colour showing on the screen is taken by watching
// the screen itself, so both programs are timed the same way. Wall-clock time, medians.
//
//     bench_startup QUARNET [RUNS]
//
// Needs DISPLAY; exits with 77 when there is no X server or no `display`.
#include <QCoreApplication>
#include <QImage>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace
{

using Clock = std::chrono::steady_clock;

// A colour no desktop shows by itself, flat, so JPEG keeps it to within a step or two.
constexpr int kRed = 255, kGreen = 0, kBlue = 255;

class ScreenWatch
{
public:
    explicit ScreenWatch(Display* display)
        : display_(display), root_(DefaultRootWindow(display)),
          width_(DisplayWidth(display, DefaultScreen(display))),
          height_(DisplayHeight(display, DefaultScreen(display)))
    {
    }

    // Whether a run of at least 40 pixels of the picture's colour lies on any of a few rows
    // across the screen: the picture is painted somewhere.
    bool showsPicture() const
    {
        for (int y = 40; y < height_; y += 60) {
            XImage* row = XGetImage(display_, root_, 0, y, unsigned(width_), 1, AllPlanes, ZPixmap);
            if (!row)
                continue;
            int run = 0;
            bool found = false;
            for (int x = 0; x < width_ && !found; ++x) {
                const unsigned long pixel = XGetPixel(row, x, 0);
                const int r = int((pixel >> 16) & 0xFF), g = int((pixel >> 8) & 0xFF),
                          b = int(pixel & 0xFF);
                const bool near = std::abs(r - kRed) <= 12 && std::abs(g - kGreen) <= 12 &&
                                  std::abs(b - kBlue) <= 12;
                run = near ? run + 1 : 0;
                found = run >= 40;
            }
            XDestroyImage(row);
            if (found)
                return true;
        }
        return false;
    }

private:
    Display* display_;
    Window root_;
    int width_;
    int height_;
};

// Starts the command, waits for the picture to show, and ends the program again. The time
// from the start to the picture on screen, or nothing when it did not show within 20 s.
std::optional<double> timeToPicture(const ScreenWatch& screen,
                                    const std::vector<std::string>& command)
{
    // The previous program's window must be gone first.
    const auto settle = Clock::now();
    while (screen.showsPicture() && Clock::now() - settle < std::chrono::seconds(5))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::vector<char*> argv;
    for (const std::string& part : command)
        argv.push_back(const_cast<char*>(part.c_str()));
    argv.push_back(nullptr);
    const auto start = Clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return std::nullopt;
    std::optional<double> seconds;
    while (Clock::now() - start < std::chrono::seconds(20)) {
        if (screen.showsPicture()) {
            seconds = std::chrono::duration<double>(Clock::now() - start).count();
            break;
        }
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            pid = 0; // ended by itself before showing anything
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    if (pid != 0) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
    return seconds;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_startup QUARNET [RUNS]\n");
        return 2;
    }
    const std::string quarnet = argv[1];
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 11;
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "bench_startup: no X server\n");
        return 77;
    }
    if (QStandardPaths::findExecutable(QStringLiteral("display")).isEmpty()) {
        std::fprintf(stderr, "bench_startup: ImageMagick's display is not installed\n");
        return 77;
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("startup.jpg"));
    QImage picture(1000, 800, QImage::Format_RGB32);
    picture.fill(qRgb(kRed, kGreen, kBlue));
    if (!picture.save(path, "JPEG", 95))
        return 1;
    const std::string file = path.toStdString();
    const ScreenWatch screen(display);

    std::vector<double> ours, stock;
    for (int run = 0; run < runs; ++run) {
        // Alternately, so that neither gets the quieter moments.
        const auto a = timeToPicture(screen, {quarnet, file});
        const auto b = timeToPicture(screen, {"display", file});
        if (!a || !b) {
            std::fprintf(stderr, "bench_startup: a picture did not show (%s)\n",
                         a ? "display" : "quarnet");
            return 1;
        }
        ours.push_back(*a);
        stock.push_back(*b);
    }
    const double q = median(ours), s = median(stock);
    std::printf("| start-up to the picture painted, `quarnet FILE`, 1000x800 JPEG | %.1f ms "
                "| ImageMagick display %.1f ms | %.3f | <= 0.3 |\n",
                q * 1e3, s * 1e3, q / s);
    XCloseDisplay(display);
    return 0;
}
