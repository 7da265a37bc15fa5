// The real program on a real X server with a window manager, at the resolution the desktop
// sets (QUARNET_E2E_DPI, given by run_under_xvfb): it opens framed at the right size and
// holds the minimum with the frame counted, shows an image pixel for pixel whether it is
// named on the command line or chosen in the open-file dialog, lays the rulers against it,
// follows the pointer, magnifies, scrolls with the thumb, and survives a file that is no
// image. Driven from outside with xdotool and ImageMagick's import, as a person at the
// screen would, so nothing here links the viewer's code; every check reads the screenshot.
#include "testcard.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <optional>

namespace
{

constexpr int kToolTimeoutMs = 10000;
constexpr int kWaitMs = 10000;

constexpr QRgb kRed = qRgb(255, 0, 0);
constexpr QRgb kMagenta = testcard::kMagentaPatch.colour;
constexpr QRgb kRulerCyan = qRgb(128, 255, 255);
constexpr QRgb kTickGrey = qRgb(160, 160, 160);

// Design values in twips, as the window is designed.
constexpr double kDesignClientWidth = 9000, kDesignClientHeight = 6600;
constexpr double kMinOuterWidth = 9120, kMinOuterHeight = 5550;
constexpr double kViewportLeft = 450, kViewportTop = 1080;
constexpr double kRulerThickness = 255; // also the scroll bars' thickness
constexpr double kMarkerWidth = 15;
constexpr double kOpenButtonCentreX = 390 + 1035 / 2.0, kOpenButtonCentreY = 120 + 375 / 2.0;
constexpr double kMagnifyCentreX = 7380 + 615 / 2.0, kMagnifyCentreY = 180 + 315 / 2.0;

struct ToolResult {
    bool finished = false;
    int exitCode = -1;
    QByteArray output;
};

// Runs a command-line tool and waits for it, at most timeoutMs: none of them may hang the test.
ToolResult runTool(const QString& program, const QStringList& arguments,
                   int timeoutMs = kToolTimeoutMs)
{
    QProcess process;
    process.start(program, arguments);
    ToolResult result;
    if (!process.waitForStarted(timeoutMs))
        return result;
    result.finished = process.waitForFinished(timeoutMs);
    if (!result.finished) {
        process.kill();
        process.waitForFinished(1000);
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.output = process.readAllStandardOutput();
    return result;
}

ToolResult xdotool(const QStringList& arguments)
{
    return runTool(QStringLiteral("xdotool"), arguments);
}

// The viewer as its own process; ended however the test ends.
class Viewer
{
public:
    explicit Viewer(const QStringList& arguments)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        for (const char* scaling : {"QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_FONT_DPI"})
            environment.remove(QString::fromLatin1(scaling));
        process_.setProcessEnvironment(environment);
        process_.setProcessChannelMode(QProcess::ForwardedChannels);
        process_.start(QStringLiteral(QUARNET_PROGRAM), arguments);
        process_.waitForStarted(kToolTimeoutMs);
    }
    ~Viewer()
    {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.terminate();
        if (!process_.waitForFinished(3000)) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }
    Viewer(const Viewer&) = delete;
    Viewer& operator=(const Viewer&) = delete;

    bool running() const { return process_.state() == QProcess::Running; }
    QString pid() const { return QString::number(process_.processId()); }

    // The visible windows of this process whose title matches titlePattern; empty if none.
    QStringList windows(const QString& titlePattern) const
    {
        const ToolResult found = runTool(QStringLiteral("xdotool"),
                                         {QStringLiteral("search"), QStringLiteral("--all"),
                                          QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                                          pid(), QStringLiteral("--name"), titlePattern});
        if (!found.finished || found.exitCode != 0)
            return {};
        return QString::fromLatin1(found.output).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    // The first such window, waiting for one to appear; "" if none does. Asked again and
    // again rather than with xdotool's --sync, which gives up when a window it looks at goes
    // away meanwhile, as the previous test's windows do.
    QString waitForWindow(const QString& titlePattern) const
    {
        QStringList found;
        static_cast<void>(
            QTest::qWaitFor([&] { return !(found = windows(titlePattern)).isEmpty(); }, kWaitMs));
        return found.value(0).trimmed();
    }

private:
    QProcess process_;
};

// Where a window's client area is on the screen and how big it is. Read with xwininfo:
// under a reparenting window manager, xdotool's own geometry is off by the frame.
QRect clientGeometry(const QString& window)
{
    const ToolResult result = runTool(QStringLiteral("xwininfo"), {QStringLiteral("-id"), window});
    const QString text = QString::fromLatin1(result.output);
    const auto field = [&](const QString& name) {
        const QRegularExpression pattern(QStringLiteral("%1:\\s*(-?\\d+)").arg(name));
        return pattern.match(text).captured(1).toInt();
    };
    return QRect(field(QStringLiteral("Absolute upper-left X")),
                 field(QStringLiteral("Absolute upper-left Y")), field(QStringLiteral("Width")),
                 field(QStringLiteral("Height")));
}

// The window manager's frame around a window, as outer minus client size; empty until the
// window manager has told it.
std::optional<QSize> frameOf(const QString& window)
{
    const ToolResult result =
        runTool(QStringLiteral("xprop"),
                {QStringLiteral("-id"), window, QStringLiteral("_NET_FRAME_EXTENTS")});
    const QRegularExpression pattern(QStringLiteral("= (\\d+), (\\d+), (\\d+), (\\d+)"));
    const QRegularExpressionMatch match = pattern.match(QString::fromLatin1(result.output));
    if (!match.hasMatch())
        return std::nullopt;
    return QSize(match.captured(1).toInt() + match.captured(2).toInt(),
                 match.captured(3).toInt() + match.captured(4).toInt());
}

// What a person sees in the window's client area, other windows over it included.
QImage screenshot(const QString& window)
{
    const ToolResult result = runTool(QStringLiteral("import"),
                                      {QStringLiteral("-screen"), QStringLiteral("-window"), window,
                                       QStringLiteral("+repage"), QStringLiteral("png:-")});
    return QImage::fromData(result.output, "PNG").convertToFormat(QImage::Format_RGB32);
}

// A screenshot once the window has stopped changing: the viewer paints at every yield of a
// handler, so one shot may catch it half way.
QImage settledScreenshot(const QString& window)
{
    QImage previous = screenshot(window);
    QImage shot;
    static_cast<void>(QTest::qWaitFor(
        [&] {
            shot = screenshot(window);
            const bool same = shot == previous;
            previous = shot;
            return same;
        },
        kWaitMs));
    return shot;
}

// The bounding box of every pixel of exactly this colour within area (the whole image if
// area is empty).
std::optional<QRect> boundsOfColour(const QImage& image, QRgb colour, QRect area = QRect())
{
    area = area.isEmpty() ? image.rect() : area & image.rect();
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = area.left(); x <= area.right(); ++x)
            if ((line[x] & 0xFFFFFF) == (colour & 0xFFFFFF))
                bounds |= QRect(x, y, 1, 1);
    }
    if (bounds.isEmpty())
        return std::nullopt;
    return bounds;
}

// Where the card's top-left corner is on the screenshot at a magnification, found by its
// magenta patch, the one colour that appears nowhere else.
std::optional<QPoint> cardOrigin(const QImage& shot, int factor = 1)
{
    const std::optional<QRect> patch = boundsOfColour(shot, kMagenta);
    if (!patch || patch->size() != testcard::kMagentaPatch.rect.size() * factor)
        return std::nullopt;
    return patch->topLeft() - testcard::kMagentaPatch.rect.topLeft() * factor;
}

QString hex(QRgb colour)
{
    return QStringLiteral("#%1").arg(colour & 0xFFFFFF, 6, 16, QLatin1Char('0'));
}

// Describes the first pixel of area (window coordinates) where the screenshot does not show
// the card magnified by factor with its top-left corner at origin; "" when all agree.
QString firstDifference(const QImage& shot, const QImage& card, QPoint origin, QRect area,
                        int factor)
{
    if (!shot.rect().contains(area))
        return QStringLiteral("the area (%1, %2) %3 x %4 is not all in the %5 x %6 window")
            .arg(area.x())
            .arg(area.y())
            .arg(area.width())
            .arg(area.height())
            .arg(shot.width())
            .arg(shot.height());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QPoint cardPixel((x - origin.x()) / factor, (y - origin.y()) / factor);
            const QRgb seen = shot.pixel(x, y) & 0xFFFFFF;
            const QRgb expected = card.pixel(cardPixel) & 0xFFFFFF;
            if (seen != expected)
                return QStringLiteral("card pixel (%1, %2), window pixel (%3, %4): %5, expected %6")
                    .arg(cardPixel.x())
                    .arg(cardPixel.y())
                    .arg(x)
                    .arg(y)
                    .arg(hex(seen), hex(expected));
        }
    return QString();
}

// The whole device pixel a fractional position lands on, as the viewer maps them.
int devicePixel(double v)
{
    return int(std::floor(v + 0.5));
}

// Rounds halves to the even neighbour, as the viewer rounds its viewport origin.
int roundHalfEven(double v)
{
    return int(std::nearbyint(v));
}

} // namespace

class EndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void opensFramedAndHoldsTheMinimumWithTheFrame();
    void opensFileNamedOnCommandLine();
    void opensChosenFileAndFollowsThePointer();
    void fileThatIsNoImageLeavesTheViewerRunning();

private:
    // The window's layout at this resolution, in client pixels.
    double twips() const { return 1440.0 / dpi_; }
    int baseLeft() const { return roundHalfEven(kViewportLeft / twips()); }
    int baseTop() const { return roundHalfEven(kViewportTop / twips()); }
    QSize viewportSize(QSize client) const
    {
        return QSize(client.width() - 2 * baseLeft(), client.height() - baseTop() - 60);
    }
    // The client size the window opens at inside a frame: the design size, held to the
    // outer minimum with the frame counted.
    QSize openedClientSize(QSize frame) const;
    QSize minimumClientSize(QSize frame) const;

    // The main window, once the window manager has framed it and it has taken its size.
    QString waitForFramedWindow(const Viewer& viewer, QSize* frame);
    void click(const QString& window, QPoint at);
    void chooseInDialog(const Viewer& viewer, const QString& window, const QString& path);
    // Waits until the window shows the card at a magnification and returns where.
    std::optional<QPoint> waitForCard(const QString& window, int factor, QImage* shot);

    int dpi_ = 96;
    QTemporaryDir dir_{QDir::tempPath() + QStringLiteral("/quarnet-e2e-XXXXXX")};
    QString cardPath_;
    QString notAnImagePath_;
    QImage card_;
};

QSize EndToEnd::openedClientSize(QSize frame) const
{
    QSize client(int(std::lround(kDesignClientWidth / twips())),
                 int(std::lround(kDesignClientHeight / twips())));
    const QSize minimum = minimumClientSize(frame);
    if ((client.width() + frame.width()) * twips() <= kMinOuterWidth)
        client.setWidth(minimum.width());
    if ((client.height() + frame.height()) * twips() <= kMinOuterHeight)
        client.setHeight(minimum.height());
    return client;
}

QSize EndToEnd::minimumClientSize(QSize frame) const
{
    return QSize(int(std::ceil(kMinOuterWidth / twips() - 1e-9)),
                 int(std::ceil(kMinOuterHeight / twips() - 1e-9))) -
           frame;
}

void EndToEnd::initTestCase()
{
    QVERIFY2(!qEnvironmentVariableIsEmpty("DISPLAY"),
             "needs an X server: run under run_under_xvfb");
    dpi_ = qEnvironmentVariableIntValue("QUARNET_E2E_DPI");
    QVERIFY2(dpi_ > 0, "QUARNET_E2E_DPI names the resolution run_under_xvfb set");
    QVERIFY(dir_.isValid());
    // Qt wants a private runtime folder and warns without one; the temporary folder is private.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir_.path()));
    // Copies in a plain ASCII folder, so the dialog tests can type their paths on any keyboard.
    cardPath_ = dir_.filePath(QStringLiteral("card.bmp"));
    QVERIFY(QFile::copy(QStringLiteral(QUARNET_TESTCARD), cardPath_));
    QVERIFY(card_.load(cardPath_));
    card_ = card_.convertToFormat(QImage::Format_RGB32);
    QCOMPARE(card_.size(), QSize(testcard::kWidth, testcard::kHeight));
    notAnImagePath_ = dir_.filePath(QStringLiteral("notes.bmp"));
    QFile notes(notAnImagePath_);
    QVERIFY(notes.open(QIODevice::WriteOnly));
    notes.write("a line of text with a picture's name\n");
}

QString EndToEnd::waitForFramedWindow(const Viewer& viewer, QSize* frame)
{
    const QString window = viewer.waitForWindow(QStringLiteral("^Quarnet "));
    if (window.isEmpty())
        return window;
    std::optional<QSize> known;
    static_cast<void>(
        QTest::qWaitFor([&] { return (known = frameOf(window)).has_value(); }, kWaitMs));
    *frame = known.value_or(QSize());
    return window;
}

void EndToEnd::click(const QString& window, QPoint at)
{
    const QPoint screen = clientGeometry(window).topLeft() + at;
    xdotool({QStringLiteral("mousemove"), QString::number(screen.x()), QString::number(screen.y()),
             QStringLiteral("click"), QStringLiteral("1")});
}

void EndToEnd::chooseInDialog(const Viewer& viewer, const QString& window, const QString& path)
{
    click(window, QPoint(devicePixel(kOpenButtonCentreX / twips()),
                         devicePixel(kOpenButtonCentreY / twips())));
    // Qt's own dialog, in the window's language.
    const QString dialog = viewer.waitForWindow(QStringLiteral("^打开$"));
    QVERIFY2(!dialog.isEmpty(), "pressing Open showed no file dialog");
    // Keys go to the focused window; Qt focuses the dialog itself, this makes sure.
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), dialog});
    // Typed only once the dialog has finished drawing itself, so no key is lost to it.
    settledScreenshot(dialog);
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("5"), path});
    xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    QTRY_VERIFY2_WITH_TIMEOUT(
        viewer.windows(QStringLiteral("^打开$")).isEmpty(),
        qPrintable(QStringLiteral("the dialog stayed open after typing %1").arg(path)), kWaitMs);
}

std::optional<QPoint> EndToEnd::waitForCard(const QString& window, int factor, QImage* shot)
{
    std::optional<QPoint> origin;
    static_cast<void>(QTest::qWaitFor(
        [&] {
            return (origin = cardOrigin(*shot = settledScreenshot(window), factor)).has_value();
        },
        kWaitMs));
    return origin;
}

void EndToEnd::opensFramedAndHoldsTheMinimumWithTheFrame()
{
    Viewer viewer({});
    QSize frame;
    const QString window = waitForFramedWindow(viewer, &frame);
    QVERIFY2(!window.isEmpty(), "the viewer's window never appeared");
    QVERIFY2(frame.width() > 0 && frame.height() > 0, "the window manager drew no frame");

    // Opened at the design size, widened only as far as the frame leaves short of the
    // minimum: at 96 ppi 606 x 440 inside a 2-pixel-wide frame, not 608.
    const QSize opened = openedClientSize(frame);
    QTRY_COMPARE_WITH_TIMEOUT(clientGeometry(window).size(), opened, kWaitMs);

    // The viewport: without a picture the empty picture box fills it, white on grey.
    QImage shot;
    const QRect viewport(QPoint(baseLeft(), baseTop()), viewportSize(opened));
    const QRect belowTheTopRow(0, baseTop() - 4, opened.width(), opened.height());
    QTRY_COMPARE_WITH_TIMEOUT(
        boundsOfColour(shot = screenshot(window), testcard::kWhite, belowTheTopRow)
            .value_or(QRect()),
        viewport, kWaitMs);

    // Dragged far too small, it springs back to the minimum outer size, frame included.
    xdotool({QStringLiteral("windowsize"), window, QStringLiteral("300"), QStringLiteral("200")});
    const QSize minimum = minimumClientSize(frame);
    QTRY_COMPARE_WITH_TIMEOUT(clientGeometry(window).size(), minimum, kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(
        boundsOfColour(shot = screenshot(window), testcard::kWhite, belowTheTopRow)
            .value_or(QRect()),
        QRect(QPoint(baseLeft(), baseTop()), viewportSize(minimum)), kWaitMs);
}

void EndToEnd::opensFileNamedOnCommandLine()
{
    Viewer viewer({cardPath_});
    QSize frame;
    const QString window = waitForFramedWindow(viewer, &frame);
    QVERIFY2(!window.isEmpty(), "the viewer's window never appeared");
    QTRY_COMPARE_WITH_TIMEOUT(clientGeometry(window).size(), openedClientSize(frame), kWaitMs);

    QImage shot;
    const std::optional<QPoint> origin = waitForCard(window, 1, &shot);
    QVERIFY2(origin, "the card never appeared whole at 1x");
    const QString difference =
        firstDifference(shot, card_, *origin, QRect(*origin, card_.size()), 1);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void EndToEnd::opensChosenFileAndFollowsThePointer()
{
    Viewer viewer({});
    QSize frame;
    const QString window = waitForFramedWindow(viewer, &frame);
    QVERIFY2(!window.isEmpty(), "the viewer's window never appeared");
    const QSize client = openedClientSize(frame);
    QTRY_COMPARE_WITH_TIMEOUT(clientGeometry(window).size(), client, kWaitMs);
    QVERIFY2(!cardOrigin(screenshot(window)), "a picture shows before one was chosen");

    chooseInDialog(viewer, window, cardPath_);
    QImage shot;
    std::optional<QPoint> found = waitForCard(window, 1, &shot);
    QVERIFY2(found, "the chosen card never appeared whole at 1x");
    const QPoint origin = *found;

    // Centred in the viewport, halves mapped as the viewer maps them.
    const QSize viewport = viewportSize(client);
    const double left = (viewport.width() - testcard::kWidth) / 2.0;
    const double top = (viewport.height() - testcard::kHeight) / 2.0;
    QCOMPARE(origin, QPoint(baseLeft() + devicePixel(left), baseTop() + devicePixel(top)));
    QString difference = firstDifference(shot, card_, origin, QRect(origin, card_.size()), 1);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));

    // The rulers lie against the picture: the horizontal one's first row has a tick on the
    // picture's first column and every 10th after it, cyan between, up to one past the
    // picture's width; the vertical one's first column the same down the picture's rows.
    const double thickness = kRulerThickness / twips();
    const int rulerRow = devicePixel(baseTop() + top - thickness);
    const int rulerColumn = devicePixel(baseLeft() + left - thickness);
    QVERIFY2(shot.pixel(origin.x() - 1, rulerRow) != kRulerCyan &&
                 shot.pixel(origin.x() - 1, rulerRow) != kTickGrey,
             "the horizontal ruler starts left of the picture");
    for (int i = 0; i <= testcard::kWidth; ++i) {
        const QRgb seen = shot.pixel(origin.x() + i, rulerRow) & 0xFFFFFF;
        const QRgb expected = (i % 10 == 0 ? kTickGrey : kRulerCyan) & 0xFFFFFF;
        QVERIFY2(seen == expected, qPrintable(QStringLiteral("horizontal ruler at picture column "
                                                             "%1: %2, expected %3")
                                                  .arg(i)
                                                  .arg(hex(seen), hex(expected))));
    }
    for (int i = 0; i <= testcard::kHeight; ++i) {
        const QRgb seen = shot.pixel(rulerColumn, origin.y() + i) & 0xFFFFFF;
        const QRgb expected = (i % 10 == 0 ? kTickGrey : kRulerCyan) & 0xFFFFFF;
        QVERIFY2(seen == expected, qPrintable(QStringLiteral("vertical ruler at picture row "
                                                             "%1: %2, expected %3")
                                                  .arg(i)
                                                  .arg(hex(seen), hex(expected))));
    }

    // The pointer over image pixel (123, 77): a red marker in that column on the horizontal
    // ruler and in that row on the vertical one, and the readout's red text below.
    const QRect horizontalRuler(origin.x(), rulerRow, testcard::kWidth + 1, origin.y() - rulerRow);
    const QRect verticalRuler(rulerColumn, origin.y(), origin.x() - rulerColumn,
                              testcard::kHeight + 1);
    const QRect readoutBand(baseLeft(), baseTop() + viewport.height() + int(thickness) + 2,
                            viewport.width(), client.height());
    QVERIFY2(!boundsOfColour(shot, kRed, readoutBand), "the readout shows before the pointer");
    const QPoint pixel(123, 77);
    const QPoint onScreen = clientGeometry(window).topLeft() + origin + pixel;
    xdotool({QStringLiteral("mousemove"), QString::number(onScreen.x()),
             QString::number(onScreen.y())});
    QTRY_VERIFY_WITH_TIMEOUT(
        boundsOfColour(shot = settledScreenshot(window), kRed, horizontalRuler), kWaitMs);
    const QRect markerAcross = *boundsOfColour(shot, kRed, horizontalRuler);
    // The marker's left edge on the pointer's column; it is 15 twips wide, one pixel at 96
    // and 120 ppi, two at 144.
    const int markerWidth = devicePixel(kMarkerWidth / twips());
    QCOMPARE(std::pair(markerAcross.left(), markerAcross.width()),
             std::pair(origin.x() + pixel.x(), markerWidth));
    const std::optional<QRect> markerDown = boundsOfColour(shot, kRed, verticalRuler);
    QVERIFY2(markerDown, "no marker on the vertical ruler");
    QCOMPARE(markerDown->top(), origin.y() + pixel.y());
    QVERIFY2(boundsOfColour(shot, kRed, readoutBand), "no readout text under the viewport");

    // Factor 2: every image pixel a 2 x 2 block, from the picture's corner, which now lies
    // on the viewport's corner.
    click(window,
          QPoint(devicePixel(kMagnifyCentreX / twips()), devicePixel(kMagnifyCentreY / twips())));
    xdotool({QStringLiteral("key"), QStringLiteral("Down"), QStringLiteral("Return")});
    found = waitForCard(window, 2, &shot);
    QVERIFY2(found, "the card never appeared at 2x");
    QCOMPARE(*found, QPoint(baseLeft(), baseTop()));
    const QRect shown(QPoint(baseLeft(), baseTop()), viewport);
    difference = firstDifference(shot, card_, *found, shown, 2);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));

    // Dragging the horizontal bar's thumb: the picture and the ruler move together. The
    // thumb stands at the start of the groove, just after the bar's left arrow.
    const QRect rulerBand(baseLeft(), devicePixel(baseTop() - thickness), viewport.width(),
                          baseTop() - devicePixel(baseTop() - thickness));
    const QImage rulerBefore = shot.copy(rulerBand);
    const int barMiddle = baseTop() + viewport.height() + 2 + int(thickness / 2);
    const QPoint grab =
        clientGeometry(window).topLeft() + QPoint(baseLeft() + int(thickness) + 4, barMiddle);
    xdotool({QStringLiteral("mousemove"), QString::number(grab.x()), QString::number(grab.y()),
             QStringLiteral("mousedown"), QStringLiteral("1")});
    for (int step = 1; step <= 4; ++step)
        xdotool({QStringLiteral("mousemove"), QString::number(grab.x() + 15 * step),
                 QString::number(grab.y())});
    xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
    int moved = 0;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            const std::optional<QRect> patch =
                boundsOfColour(shot = settledScreenshot(window), kMagenta);
            moved =
                patch ? 2 * testcard::kMagentaPatch.rect.left() + baseLeft() - patch->left() : 0;
            return patch && patch->height() == 80 && moved > 0;
        }(),
        kWaitMs);
    // The picture shows the card from display column `moved` on.
    difference = firstDifference(shot, card_, QPoint(baseLeft() - moved, baseTop()), shown, 2);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    // The ruler moved with it: ticks every 20 screen pixels of the magnified picture, and the
    // numbers where they were, shifted by the same amount. The ruler counts in image pixels,
    // so an odd scroll position at factor 2 is rounded to the even one, halves to even.
    const int rulerMoved = 2 * roundHalfEven(moved / 2.0);
    const QImage rulerAfter = shot.copy(rulerBand);
    for (int x = 0; x < rulerBand.width(); ++x) {
        const QRgb seen = rulerAfter.pixel(x, 0) & 0xFFFFFF;
        const QRgb expected = ((x + rulerMoved) % 20 == 0 ? kTickGrey : kRulerCyan) & 0xFFFFFF;
        QVERIFY2(seen == expected,
                 qPrintable(QStringLiteral("scrolled by %1, ruler column %2: %3, expected %4")
                                .arg(moved)
                                .arg(x)
                                .arg(hex(seen), hex(expected))));
    }
    // Away from both ends, where a number may be cut by the ruler's edge.
    for (int y = 0; y < rulerBand.height(); ++y)
        for (int x = 50; x + rulerMoved < rulerBand.width() - 50; ++x)
            QVERIFY2(rulerAfter.pixel(x, y) == rulerBefore.pixel(x + rulerMoved, y),
                     qPrintable(QStringLiteral("scrolled by %1, the ruler at (%2, %3) is not "
                                               "what was at (%4, %3)")
                                    .arg(moved)
                                    .arg(x)
                                    .arg(y)
                                    .arg(x + rulerMoved)));
}

void EndToEnd::fileThatIsNoImageLeavesTheViewerRunning()
{
    Viewer viewer({});
    QSize frame;
    const QString window = waitForFramedWindow(viewer, &frame);
    QVERIFY2(!window.isEmpty(), "the viewer's window never appeared");

    chooseInDialog(viewer, window, notAnImagePath_);
    const QString message = viewer.waitForWindow(QStringLiteral("^Quarnet$"));
    QVERIFY2(!message.isEmpty(), "no message box for a file that is no image");
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), message});
    xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    QTRY_VERIFY_WITH_TIMEOUT(viewer.windows(QStringLiteral("^Quarnet$")).isEmpty(), kWaitMs);

    QVERIFY(viewer.running());
    QCOMPARE(viewer.windows(QStringLiteral("^Quarnet ")).size(), 1);
    QVERIFY2(!cardOrigin(screenshot(window)), "a picture shows after a failed load");
    // Still answering: the Open button brings the dialog again.
    chooseInDialog(viewer, window, cardPath_);
    QImage shot;
    QVERIFY2(waitForCard(window, 1, &shot), "the card did not open after the failed load");
}

QTEST_GUILESS_MAIN(EndToEnd)
#include "e2e_viewer.moc"
