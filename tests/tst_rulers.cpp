#include "support/test_support.h"
#include "toolkit/gdi.h"
#include "toolkit/runtime_error.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <climits>
#include <cmath>
#include <functional>

using toolkit::ColorRef;
using toolkit::PictureBox;

namespace
{

constexpr ColorRef kGrey = 0x00A0A0A0;
constexpr ColorRef kBlue = 0x00DD0000;
constexpr ColorRef kCyan = toolkit::RGB(128, 255, 255);
constexpr int kRulerThickness = 17; // two rows more than the strips, which must stay cyan

enum Unit { Pixels = 0, Inches = 1, Centimetres = 2 };

// Sizes the viewport and the rulers as the placement code would.
void layOut(frmVelmora& w, int viewportWidth, int viewportHeight, int rulerWidth, int rulerHeight)
{
    w.picDispBase->Move(w.picDispBase->Left(), w.picDispBase->Top(), float(viewportWidth),
                        float(viewportHeight));
    w.picRulerW->Move(0, 0, float(rulerWidth), kRulerThickness);
    w.picRulerH->Move(0, 0, kRulerThickness, float(rulerHeight));
}

void loadImage(testing::Window& w, const QTemporaryDir& dir, QSize size = {64, 48})
{
    w.open(testing::writeImage(dir, QStringLiteral("picture.bmp"),
                               testing::gradientImage(size.width(), size.height())));
    QVERIFY(w->picDisp->hasPicture());
}

// Puts both scroll bars at value (screen pixels of the magnified picture).
void scrollBoth(frmVelmora& w, int value)
{
    for (toolkit::ScrollBar* bar : {w.hsrDisp, w.vsrDisp}) {
        bar->setMax(32767);
        bar->setValue(value);
    }
}

// A unit chosen, an image loaded or not, scrolled and magnified, the rulers laid out and
// drawn.
struct Scene {
    int unit = Pixels;
    int magnification = 1;
    bool loaded = true;
    int scroll = 0;
    QSize viewport{500, 500};
    QSize rulers{400, 400};
};

void drawScene(testing::Window& w, const QTemporaryDir& dir, const Scene& scene)
{
    if (scene.loaded)
        loadImage(w, dir);
    w->cboUnit->setListIndex(scene.unit);
    w->magnification = scene.magnification;
    layOut(*w, scene.viewport.width(), scene.viewport.height(), scene.rulers.width(),
           scene.rulers.height());
    scrollBoth(*w, scene.scroll);
    w->DrawRulers();
}

QString hex(ColorRef c)
{
    return QStringLiteral("0x%1").arg(c, 8, 16, QLatin1Char('0'));
}

// Compares a ruler's ticks with ticks every `step` strip pixels, long on every multiple of
// `longStep`, the strip moved back by `shift`. Number ink (blue) may cover any tick pixel;
// every other pixel must be exactly tick grey or the ruler's cyan. "" when they agree.
QString tickDifference(const PictureBox& ruler, Qt::Orientation along, int shift, int step,
                       int longStep)
{
    const bool horizontal = along == Qt::Horizontal;
    const int length = horizontal ? ruler.surface().width() : ruler.surface().height();
    for (int pos = 0; pos < length; ++pos) {
        const int p = pos + shift;
        const bool tick = p % step == 0, isLong = tick && p % longStep == 0;
        for (int depth = 0; depth < kRulerThickness; ++depth) {
            const bool outer = depth >= 11 && depth <= 14;
            const bool grey = isLong ? depth <= 3 || outer : tick && (depth <= 1 || depth >= 13);
            const ColorRef expected = grey && depth < 15 ? kGrey : kCyan;
            const ColorRef actual = horizontal ? testing::pixelAt(ruler, pos, depth)
                                               : testing::pixelAt(ruler, depth, pos);
            if (actual == expected || (actual == kBlue && depth < 15))
                continue;
            return QStringLiteral("at %1 %2, depth %3: %4, expected %5")
                .arg(horizontal ? "x" : "y")
                .arg(pos)
                .arg(depth)
                .arg(hex(actual), hex(expected));
        }
    }
    return QString();
}

QFont crispArial(int pixelSize)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelSize);
    font.setWeight(QFont::Normal);
    font.setStyleStrategy(QFont::NoAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

// The horizontal numbers' font: Arial 7 pt at the screen's resolution.
QFont numberFont(int dpi)
{
    return crispArial(int(std::lround(7.0 * dpi / 72)));
}

// Where the ink of `image` in `ink` differs from the black ink of `reference` inside area.
QString inkDifference(const QImage& image, ColorRef ink, const QImage& reference, QRect area)
{
    area &= image.rect();
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const bool inImage = toolkit::fromQRgb(image.pixel(x, y)) == ink;
            const bool inReference = (reference.pixel(x, y) & 0xFFFFFF) == 0;
            if (inImage != inReference)
                return QStringLiteral("(%1, %2): %3")
                    .arg(x)
                    .arg(y)
                    .arg(inImage ? "ink the reference lacks" : "missing ink");
        }
    return QString();
}

int runtimeErrorOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const toolkit::RuntimeError& error) {
        return error.number();
    }
    return 0;
}

} // namespace

class RulersTest : public QObject
{
    Q_OBJECT

private slots:
    void scales_data();
    void scales();
    void ticks_data();
    void ticks();
    void horizontalNumbers_data();
    void horizontalNumbers();
    void copyCutsOffBeyondOneInterval_data();
    void copyCutsOffBeyondOneInterval();
    void unitChange_data();
    void unitChange();
    void unitChangeWithoutImageChangesNothing();
    void failuresRaiseRuntimeError_data();
    void failuresRaiseRuntimeError();
    void verticalFailureKeepsNewHorizontalRuler();

private:
    QTemporaryDir dir_;
};

void RulersTest::scales_data()
{
    QTest::addColumn<int>("dpiX");
    QTest::addColumn<int>("dpiY");
    QTest::addColumn<int>("unit");
    QTest::addColumn<int>("magnification");
    QTest::addColumn<QList<int>>("x"); // unitPx, minorStep, midStep
    QTest::addColumn<QList<int>>("y");

    const QList<int> pixels{100, 10, 50};
    QTest::newRow("pixels 72") << 72 << 72 << int(Pixels) << 1 << pixels << pixels;
    QTest::newRow("pixels 144") << 144 << 144 << int(Pixels) << 1 << pixels << pixels;
    const QList<std::pair<int, QList<int>>> inches{{72, {72, 9, 36}},
                                                   {96, {96, 12, 48}},
                                                   {100, {100, 12, 50}}, // 12.5 to even
                                                   {120, {120, 15, 60}},
                                                   {144, {144, 18, 72}}};
    for (const auto& [dpi, scale] : inches)
        QTest::addRow("inches %d", dpi) << dpi << dpi << int(Inches) << 1 << scale << scale;
    const QList<std::pair<int, QList<int>>> centimetres{{72, {28, 3, 3}},
                                                        {96, {38, 4, 4}},
                                                        {100, {39, 4, 4}},
                                                        {120, {47, 5, 5}},
                                                        {144, {57, 6, 6}}};
    for (const auto& [dpi, scale] : centimetres)
        QTest::addRow("centimetres %d", dpi)
            << dpi << dpi << int(Centimetres) << 1 << scale << scale;
    QTest::newRow("inches 96 x 120")
        << 96 << 120 << int(Inches) << 1 << QList<int>{96, 12, 48} << QList<int>{120, 15, 60};
    QTest::newRow("centimetres 144 x 72")
        << 144 << 72 << int(Centimetres) << 1 << QList<int>{57, 6, 6} << QList<int>{28, 3, 3};
    QTest::newRow("inches 96 magnified")
        << 96 << 96 << int(Inches) << 2 << QList<int>{96, 12, 48} << QList<int>{96, 12, 48};
}

void RulersTest::scales()
{
    QFETCH(int, dpiX);
    QFETCH(int, dpiY);
    QFETCH(int, unit);
    QFETCH(int, magnification);
    QFETCH(QList<int>, x);
    QFETCH(QList<int>, y);

    testing::Window w({dpiX, dpiY});
    w->cboUnit->setListIndex(unit);
    w->magnification = magnification;
    w->DrawRulers();

    QCOMPARE((QList<int>{w->unitPxX, w->minorStepX, w->midStepX}), x);
    QCOMPARE((QList<int>{w->unitPxY, w->minorStepY, w->midStepY}), y);
    QCOMPARE(w->unitPxMagX, x[0] * magnification);
    QCOMPARE(w->unitPxMagY, y[0] * magnification);
}

void RulersTest::ticks_data()
{
    QTest::addColumn<int>("dpi");
    QTest::addColumn<int>("unit");
    QTest::addColumn<int>("magnification");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<int>("scroll");
    QTest::addColumn<int>("step");     // screen pixels between ticks
    QTest::addColumn<int>("longStep"); // screen pixels between long ticks
    QTest::addColumn<int>("shift");    // screen pixels the strip is moved back

    for (int dpi : {72, 96, 100, 120, 144})
        QTest::addRow("pixels %d", dpi) << dpi << int(Pixels) << 1 << true << 0 << 10 << 50 << 0;
    const QList<QList<int>> inches{
        {72, 9, 36}, {96, 12, 48}, {100, 12, 50}, {120, 15, 60}, {144, 18, 72}};
    for (const QList<int>& s : inches)
        QTest::addRow("inches %d", s[0])
            << s[0] << int(Inches) << 1 << true << 0 << s[1] << s[2] << 0;
    const QList<QList<int>> centimetres{
        {72, 3, 3}, {96, 4, 4}, {100, 4, 4}, {120, 5, 5}, {144, 6, 6}};
    for (const QList<int>& s : centimetres)
        QTest::addRow("centimetres %d", s[0])
            << s[0] << int(Centimetres) << 1 << true << 0 << s[1] << s[2] << 0;

    QTest::newRow("inches 96 magnified") << 96 << int(Inches) << 2 << true << 0 << 24 << 96 << 0;
    QTest::newRow("inches 96 scrolled 150")
        << 96 << int(Inches) << 1 << true << 150 << 12 << 48 << 54;
    QTest::newRow("inches 96 magnified, scrolled 300")
        << 96 << int(Inches) << 2 << true << 300 << 24 << 96 << 108;
    QTest::newRow("inches 96 magnified, scrolled 301 (150.5 to even)")
        << 96 << int(Inches) << 2 << true << 301 << 24 << 96 << 108;
    QTest::newRow("inches 96 magnified, scrolled 303 (151.5 to even)")
        << 96 << int(Inches) << 2 << true << 303 << 24 << 96 << 112;
    QTest::newRow("pixels scrolled 250") << 96 << int(Pixels) << 1 << true << 250 << 10 << 50 << 50;
    QTest::newRow("pixels magnified, scrolled 500")
        << 96 << int(Pixels) << 2 << true << 500 << 20 << 100 << 100;
    QTest::newRow("centimetres 96 scrolled 100")
        << 96 << int(Centimetres) << 1 << true << 100 << 4 << 4 << 24;
    QTest::newRow("no image: scroll bars ignored")
        << 96 << int(Inches) << 1 << false << 150 << 12 << 48 << 0;
}

void RulersTest::ticks()
{
    QFETCH(int, dpi);
    QFETCH(int, unit);
    QFETCH(int, magnification);
    QFETCH(bool, loaded);
    QFETCH(int, scroll);
    QFETCH(int, step);
    QFETCH(int, longStep);
    QFETCH(int, shift);

    testing::Window w({dpi, dpi});
    drawScene(w, dir_, {unit, magnification, loaded, scroll});

    const QString horizontal = tickDifference(*w->picRulerW, Qt::Horizontal, shift, step, longStep);
    QVERIFY2(horizontal.isEmpty(), qPrintable(horizontal));
    const QString vertical = tickDifference(*w->picRulerH, Qt::Vertical, shift, step, longStep);
    QVERIFY2(vertical.isEmpty(), qPrintable(vertical));
}

void RulersTest::horizontalNumbers_data()
{
    QTest::addColumn<int>("dpi");
    QTest::addColumn<int>("unit");
    QTest::addColumn<int>("magnification");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<int>("scroll");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("tick"); // the number's position on the ruler

    const bool loaded = true;
    QTest::newRow("inches 96: 0 at the left edge")
        << 96 << int(Inches) << 1 << loaded << 0 << "0" << 0;
    QTest::newRow("inches 96: 1") << 96 << int(Inches) << 1 << loaded << 0 << "1" << 96;
    QTest::newRow("inches 96: 10 centred") << 96 << int(Inches) << 1 << loaded << 0 << "10" << 960;
    QTest::newRow("inches 100: 1 between ticks")
        << 100 << int(Inches) << 1 << loaded << 0 << "1" << 100;
    QTest::newRow("inches 72: 1") << 72 << int(Inches) << 1 << loaded << 0 << "1" << 72;
    QTest::newRow("inches 120: 2") << 120 << int(Inches) << 1 << loaded << 0 << "2" << 240;
    QTest::newRow("inches 144: 3") << 144 << int(Inches) << 1 << loaded << 0 << "3" << 432;
    QTest::newRow("inches 96 magnified: 2") << 96 << int(Inches) << 2 << loaded << 0 << "2" << 384;
    QTest::newRow("centimetres 96: 1") << 96 << int(Centimetres) << 1 << loaded << 0 << "1" << 38;
    QTest::newRow("centimetres 96: 25")
        << 96 << int(Centimetres) << 1 << loaded << 0 << "25" << 950;
    QTest::newRow("centimetres 72: 12")
        << 72 << int(Centimetres) << 1 << loaded << 0 << "12" << 336;
    QTest::newRow("centimetres 144: 10")
        << 144 << int(Centimetres) << 1 << loaded << 0 << "10" << 570;
    QTest::newRow("pixels 96: 100") << 96 << int(Pixels) << 1 << loaded << 0 << "100" << 100;
    QTest::newRow("pixels 120: 900") << 120 << int(Pixels) << 1 << loaded << 0 << "900" << 900;
    QTest::newRow("inches scrolled 150: 2") << 96 << int(Inches) << 1 << loaded << 150 << "2" << 42;
    QTest::newRow("inches magnified, scrolled 300: 2")
        << 96 << int(Inches) << 2 << loaded << 300 << "2" << 84;
    QTest::newRow("inches magnified, scrolled 301: 2")
        << 96 << int(Inches) << 2 << loaded << 301 << "2" << 84;
    QTest::newRow("inches magnified, scrolled 303: 2")
        << 96 << int(Inches) << 2 << loaded << 303 << "2" << 80;
    QTest::newRow("pixels scrolled 250: 300")
        << 96 << int(Pixels) << 1 << loaded << 250 << "300" << 50;
    QTest::newRow("pixels magnified, scrolled 500: 300")
        << 96 << int(Pixels) << 2 << loaded << 500 << "300" << 100;
    QTest::newRow("inches scrolled 960: 10 cut at the left")
        << 96 << int(Inches) << 1 << loaded << 960 << "10" << 0;
    QTest::newRow("no image, scrolled 150: 1")
        << 96 << int(Inches) << 1 << !loaded << 150 << "1" << 96;
}

// Each number is checked against the same text drawn independently where it belongs: a
// single digit one pixel left of its tick, longer numbers centred on it, all at the same top.
void RulersTest::horizontalNumbers()
{
    QFETCH(int, dpi);
    QFETCH(int, unit);
    QFETCH(int, magnification);
    QFETCH(bool, loaded);
    QFETCH(int, scroll);
    QFETCH(QString, text);
    QFETCH(int, tick);

    testing::Window w({dpi, dpi});
    drawScene(w, dir_, {unit, magnification, loaded, scroll, {1000, 400}, {1000, 300}});

    const QFont font = numberFont(dpi);
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(text);
    const int start = text.size() == 1 ? tick - 1 : int(std::floor(tick - width / 2.0 + 0.5));
    const int top = int(std::nearbyint((15 - metrics.height()) / 2.0));

    const QImage& ruler = w->picRulerW->surface();
    QImage reference(ruler.size(), QImage::Format_RGB32);
    reference.fill(Qt::white);
    QPainter painter(&reference);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(start, top + metrics.ascent(), text);
    painter.end();

    const QRect around(start - 3, 0, width + 6, kRulerThickness);
    const QString difference = inkDifference(ruler, kBlue, reference, around);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void RulersTest::copyCutsOffBeyondOneInterval_data()
{
    QTest::addColumn<int>("dpi");
    QTest::addColumn<int>("magnification");
    QTest::addColumn<int>("scroll");
    QTest::addColumn<int>("shift");
    QTest::addColumn<int>("cut"); // trailing columns (rows) left at the background colour

    QTest::newRow("144 ppi, shift 140") << 144 << 1 << 140 << 140 << 40;
    QTest::newRow("144 ppi magnified, shift 260") << 144 << 2 << 260 << 260 << 60;
    QTest::newRow("120 ppi, shift 110") << 120 << 1 << 110 << 110 << 10;
    QTest::newRow("144 ppi, shift 90: nothing cut") << 144 << 1 << 90 << 90 << 0;
}

// The copy is only one numbered interval (100 m) longer than the ruler, so a larger shift
// leaves the ruler's far end uncovered.
void RulersTest::copyCutsOffBeyondOneInterval()
{
    QFETCH(int, dpi);
    QFETCH(int, magnification);
    QFETCH(int, scroll);
    QFETCH(int, shift);
    QFETCH(int, cut);

    testing::Window w({dpi, dpi});
    drawScene(w, dir_, {Inches, magnification, true, scroll, {500, 500}, {500, 500}});

    struct Pair {
        PictureBox* ruler;
        PictureBox* strip;
        bool horizontal;
    };
    for (const Pair& pair :
         {Pair{w->picRulerW, w->picTemp1, true}, Pair{w->picRulerH, w->picTemp2, false}}) {
        for (int along = 0; along < 500; ++along)
            for (int across = 0; across < kRulerThickness; ++across) {
                const int x = pair.horizontal ? along : across;
                const int y = pair.horizontal ? across : along;
                const bool covered = along < 500 - cut && across < 15;
                const ColorRef expected =
                    covered ? testing::pixelAt(*pair.strip, pair.horizontal ? x + shift : x,
                                               pair.horizontal ? y : y + shift)
                            : kCyan;
                const ColorRef actual = testing::pixelAt(*pair.ruler, x, y);
                if (actual != expected)
                    QFAIL(qPrintable(QStringLiteral("%1 ruler (%2, %3): %4, expected %5")
                                         .arg(pair.horizontal ? "horizontal" : "vertical")
                                         .arg(x)
                                         .arg(y)
                                         .arg(hex(actual), hex(expected))));
            }
    }
}

void RulersTest::unitChange_data()
{
    QTest::addColumn<int>("unit");
    QTest::addColumn<QString>("sizeText");
    QTest::addColumn<int>("step"); // ticks at 96 ppi, screen pixels
    QTest::addColumn<int>("longStep");

    QTest::newRow("inches") << int(Inches) << QStringLiteral("图像尺寸  2.08 x 1.04  (英寸)") << 12
                            << 48;
    QTest::newRow("centimetres") << int(Centimetres)
                                 << QStringLiteral("图像尺寸  5.29 x 2.65  (厘米)") << 4 << 4;
}

void RulersTest::unitChange()
{
    QFETCH(int, unit);
    QFETCH(QString, sizeText);
    QFETCH(int, step);
    QFETCH(int, longStep);

    testing::Window w({96, 96});
    loadImage(w, dir_, {200, 100});
    layOut(*w, 500, 500, 400, 400);
    w->DrawRulers();

    w->cboUnit->setListIndex(unit); // raises Click, as picking from the list does
    QCOMPARE(w->lblImageSize->Caption(), sizeText);
    const QString horizontal = tickDifference(*w->picRulerW, Qt::Horizontal, 0, step, longStep);
    QVERIFY2(horizontal.isEmpty(), qPrintable(horizontal));
    const QString vertical = tickDifference(*w->picRulerH, Qt::Vertical, 0, step, longStep);
    QVERIFY2(vertical.isEmpty(), qPrintable(vertical));
    QVERIFY(w.messages().isEmpty());
}

void RulersTest::unitChangeWithoutImageChangesNothing()
{
    testing::Window w({96, 96});
    layOut(*w, 500, 500, 400, 400);
    w->DrawRulers();
    const QImage horizontal = w->picRulerW->surface().copy();
    const QImage vertical = w->picRulerH->surface().copy();
    const QString sizeText = w->lblImageSize->Caption();

    w->cboUnit->setListIndex(Inches);

    QCOMPARE(testing::firstDifference(w->picRulerW->surface(), horizontal), QString());
    QCOMPARE(testing::firstDifference(w->picRulerH->surface(), vertical), QString());
    QCOMPARE(w->lblImageSize->Caption(), sizeText);
    QCOMPARE(w->unitPxX, 100);
    // The new unit counts from the next redraw on.
    w->DrawRulers();
    QCOMPARE(w->unitPxX, 96);
}

void RulersTest::failuresRaiseRuntimeError_data()
{
    QTest::addColumn<int>("dpi");
    QTest::addColumn<int>("unit");
    QTest::addColumn<int>("magnification");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<int>("error");

    QTest::newRow("magnification too large for 32 bits")
        << 96 << int(Pixels) << 21474837 << false << int(toolkit::Err::Overflow);
    QTest::newRow("0 ppi in inches, image loaded")
        << 0 << int(Inches) << 1 << true << int(toolkit::Err::DivisionByZero);
    // A tick step of 0 pixels would never reach the end of the strip.
    QTest::newRow("3 ppi in inches: ticks 0 apart")
        << 3 << int(Inches) << 1 << false << int(toolkit::Err::InvalidProcedureCall);
}

// The errors reach the caller instead of hanging or wrapping around.
void RulersTest::failuresRaiseRuntimeError()
{
    QFETCH(int, dpi);
    QFETCH(int, unit);
    QFETCH(int, magnification);
    QFETCH(bool, loaded);
    QFETCH(int, error);

    testing::Window w({96, 96});
    if (loaded)
        loadImage(w, dir_);
    w->cboUnit->setListIndex(unit);
    w->dpiX = w->dpiY = dpi;
    w->magnification = magnification;
    QCOMPARE(runtimeErrorOf([&] { w->DrawRulers(); }), error);
}

void RulersTest::verticalFailureKeepsNewHorizontalRuler()
{
    testing::Window w({96, 96});
    layOut(*w, 500, 500, 400, 400);
    w->DrawRulers();
    const QImage vertical = w->picRulerH->surface().copy();

    w->cboUnit->setListIndex(Centimetres); // no image: nothing redrawn yet
    w->dpiY = 10;                          // a tick step of 0 pixels down the vertical ruler
    QVERIFY(runtimeErrorOf([&] { w->DrawRulers(); }) != 0);

    const QString horizontal = tickDifference(*w->picRulerW, Qt::Horizontal, 0, 4, 4);
    QVERIFY2(horizontal.isEmpty(), qPrintable(horizontal));
    QCOMPARE(testing::firstDifference(w->picRulerH->surface(), vertical), QString());
}

QTEST_MAIN(RulersTest)
#include "tst_rulers.moc"
