// The real program on a real X server: it starts, shows its window at the design size and
// shows an image pixel for pixel, whether the image is named on the command line or chosen
// in the open-file dialog. Driven from outside with xdotool and ImageMagick's import, as a
// person at the screen would, so nothing here links the viewer's code.
#include "testcard.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

namespace
{

constexpr int kToolTimeoutMs = 10000;
constexpr int kWaitMs = 10000;

// The window's client area at 96 ppi: 9000 x 6600 twips.
constexpr QSize kDesignClientSize(600, 440);

// The Open button's design rectangle at 96 ppi, in client pixels.
constexpr QRect kOpenButton(26, 8, 69, 25);

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

    // The first visible window of this process whose title matches titlePattern; "" if none
    // appears within the wait.
    QString waitForWindow(const QString& titlePattern) const
    {
        const ToolResult found =
            runTool(QStringLiteral("xdotool"),
                    {QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--all"),
                     QStringLiteral("--onlyvisible"), QStringLiteral("--pid"), pid(),
                     QStringLiteral("--name"), titlePattern},
                    kWaitMs);
        if (!found.finished || found.exitCode != 0)
            return QString();
        return QString::fromLatin1(found.output).split(QLatin1Char('\n')).value(0).trimmed();
    }

private:
    QProcess process_;
};

// Where a window is on the screen and how big its client area is (no window manager, so
// no frame: the window is its client area).
QRect windowGeometry(const QString& window)
{
    const ToolResult result =
        runTool(QStringLiteral("xdotool"),
                {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window});
    QRect geometry;
    for (const QString& line : QString::fromLatin1(result.output).split(QLatin1Char('\n'))) {
        const QString key = line.section(QLatin1Char('='), 0, 0);
        const int value = line.section(QLatin1Char('='), 1).toInt();
        if (key == QLatin1String("X"))
            geometry.moveLeft(value);
        else if (key == QLatin1String("Y"))
            geometry.moveTop(value);
        else if (key == QLatin1String("WIDTH"))
            geometry.setWidth(value);
        else if (key == QLatin1String("HEIGHT"))
            geometry.setHeight(value);
    }
    return geometry;
}

// What a person sees in the window's rectangle, other windows over it included.
QImage screenshot(const QString& window)
{
    const ToolResult result = runTool(QStringLiteral("import"),
                                      {QStringLiteral("-screen"), QStringLiteral("-window"), window,
                                       QStringLiteral("+repage"), QStringLiteral("png:-")});
    return QImage::fromData(result.output, "PNG").convertToFormat(QImage::Format_RGB32);
}

// The bounding box of every pixel of exactly this colour.
std::optional<QRect> boundsOfColour(const QImage& image, QRgb colour)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((line[x] & 0xFFFFFF) == (colour & 0xFFFFFF))
                bounds |= QRect(x, y, 1, 1);
    }
    if (bounds.isEmpty())
        return std::nullopt;
    return bounds;
}

// Where the card's top-left corner is on the screenshot, found by its magenta patch.
std::optional<QPoint> cardOrigin(const QImage& shot)
{
    const std::optional<QRect> patch = boundsOfColour(shot, testcard::kMagentaPatch.colour);
    if (!patch)
        return std::nullopt;
    return patch->topLeft() - testcard::kMagentaPatch.rect.topLeft();
}

// Describes the first card pixel that the screenshot does not show unchanged at origin,
// or returns "" when every pixel is there.
QString firstDifference(const QImage& shot, const QImage& card, QPoint origin)
{
    if (!shot.rect().contains(QRect(origin, card.size())))
        return QStringLiteral("the card at (%1, %2) does not fit in the %3 x %4 window")
            .arg(origin.x())
            .arg(origin.y())
            .arg(shot.width())
            .arg(shot.height());
    for (int y = 0; y < card.height(); ++y)
        for (int x = 0; x < card.width(); ++x) {
            const QRgb seen = shot.pixel(origin + QPoint(x, y)) & 0xFFFFFF;
            const QRgb expected = card.pixel(x, y) & 0xFFFFFF;
            if (seen != expected)
                return QStringLiteral(
                           "card pixel (%1, %2), window pixel (%3, %4): #%5, expected #%6")
                    .arg(x)
                    .arg(y)
                    .arg(origin.x() + x)
                    .arg(origin.y() + y)
                    .arg(seen, 6, 16, QLatin1Char('0'))
                    .arg(expected, 6, 16, QLatin1Char('0'));
        }
    return QString();
}

} // namespace

class EndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void opensFileNamedOnCommandLine();
    void opensFileChosenInDialog();

private:
    // Waits until the window shows the card, then checks it is there pixel for pixel.
    void verifyCardShown(const QString& window);

    QTemporaryDir dir_{QDir::tempPath() + QStringLiteral("/quarnet-e2e-XXXXXX")};
    QString cardPath_;
    QImage card_;
};

void EndToEnd::initTestCase()
{
    QVERIFY2(!qEnvironmentVariableIsEmpty("DISPLAY"), "needs an X server: run under xvfb-run");
    QVERIFY(dir_.isValid());
    // Qt wants a private runtime folder and warns without one; the temporary folder is private.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir_.path()));
    // A copy in a plain ASCII folder, so the dialog test can type its path on any keyboard map.
    cardPath_ = dir_.filePath(QStringLiteral("card.bmp"));
    QVERIFY(QFile::copy(QStringLiteral(QUARNET_TESTCARD), cardPath_));
    QVERIFY(card_.load(cardPath_));
    card_ = card_.convertToFormat(QImage::Format_RGB32);
    QCOMPARE(card_.size(), QSize(testcard::kWidth, testcard::kHeight));
}

void EndToEnd::verifyCardShown(const QString& window)
{
    QImage shot;
    QTRY_VERIFY2_WITH_TIMEOUT(cardOrigin(shot = screenshot(window)).has_value(),
                              "the card's magenta patch never appeared", kWaitMs);

    QVERIFY2(shot.width() >= kDesignClientSize.width() &&
                 shot.height() >= kDesignClientSize.height(),
             qPrintable(QStringLiteral("window is %1 x %2").arg(shot.width()).arg(shot.height())));

    // At factor 1 the 40 x 40 patch covers exactly 40 x 40 screen pixels.
    const QRect patch = *boundsOfColour(shot, testcard::kMagentaPatch.colour);
    QCOMPARE(patch.size(), testcard::kMagentaPatch.rect.size());

    const QString difference = firstDifference(shot, card_, *cardOrigin(shot));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void EndToEnd::opensFileNamedOnCommandLine()
{
    Viewer viewer({cardPath_});
    const QString window = viewer.waitForWindow(QStringLiteral("^Quarnet"));
    QVERIFY2(!window.isEmpty(), "the viewer's window never appeared");

    const QRect geometry = windowGeometry(window);
    QVERIFY2(
        geometry.width() >= kDesignClientSize.width() &&
            geometry.height() >= kDesignClientSize.height(),
        qPrintable(
            QStringLiteral("client area is %1 x %2").arg(geometry.width()).arg(geometry.height())));
    verifyCardShown(window);
}

void EndToEnd::opensFileChosenInDialog()
{
    Viewer viewer({});
    const QString window = viewer.waitForWindow(QStringLiteral("^Quarnet"));
    QVERIFY2(!window.isEmpty(), "the viewer's window never appeared");
    QVERIFY2(!cardOrigin(screenshot(window)), "a picture shows before one was chosen");

    const QPoint button = kOpenButton.center();
    runTool(QStringLiteral("xdotool"),
            {QStringLiteral("mousemove"), QStringLiteral("--window"), window,
             QString::number(button.x()), QString::number(button.y()), QStringLiteral("click"),
             QStringLiteral("1")});
    const QString dialog = viewer.waitForWindow(QStringLiteral("^Open$"));
    QVERIFY2(!dialog.isEmpty(), "pressing Open showed no file dialog");

    // Keys go to the focused window; Qt focuses the dialog itself, this makes sure.
    runTool(QStringLiteral("xdotool"),
            {QStringLiteral("windowfocus"), QStringLiteral("--sync"), dialog});
    runTool(QStringLiteral("xdotool"),
            {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("10"), cardPath_});
    runTool(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Return")});

    verifyCardShown(window);
}

QTEST_GUILESS_MAIN(EndToEnd)
#include "e2e_viewer.moc"
