#include "support/test_support.h"
#include "toolkit/gdi.h"
#include "toolkit/runtime_error.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QTransform>
#include <climits>
#include <cmath>

using toolkit::ColorRef;
using toolkit::PictureBox;

namespace
{

constexpr ColorRef kGrey = 0x00A0A0A0;
constexpr ColorRef kBlue = 0x00DD0000;
constexpr ColorRef kCyan = toolkit::RGB(128, 255, 255);
constexpr int kRulerThickness = 17; // two rows more than the strips, which must stay cyan
constexpr int kLength = 1000;       // of the viewport and of both rulers

enum Unit { Pixels = 0, Inches = 1, Centimetres = 2 };

using Scale = QList<int>; // unitPx, minorStep, midStep

struct Scene {
    toolkit::Dpi dpi;
    int unit = Pixels;
    int magnification = 1;
    int scroll = 0; // both scroll bars, screen pixels of the magnified picture
    bool loaded = true;
    double rulerPoints = 6.75; // picRulerW's font, which places the vertical numbers
    int length = kLength;      // of the viewport and both rulers
};

// Compares both rulers with ticks every minorStep x m strip pixels, long on multiples of
// midStep x m, the strips moved back by shift: long ticks cover rows 0-3 and 11-14, short
// ones 0-1 and 13-14. Number blue may cover tick rows; the last `cut` columns (rows) and the
// two rows past the strips must be the ruler's cyan. "" when they agree.
QString tickDifference(const frmVelmora& w, int m, int shift, int cut, const Scale& x,
                       const Scale& y)
{
    for (const bool horizontal : {true, false}) {
        const PictureBox& ruler = horizontal ? *w.picRulerW : *w.picRulerH;
        const int step = (horizontal ? x : y)[1] * m, longStep = (horizontal ? x : y)[2] * m;
        const int length = horizontal ? ruler.surface().width() : ruler.surface().height();
        for (int along = 0; along < length; ++along)
            for (int depth = 0; depth < kRulerThickness; ++depth) {
                const int p = along + shift;
                const bool covered = along < length - cut && depth < 15;
                const bool tick = covered && p % step == 0, isLong = tick && p % longStep == 0;
                const bool grey =
                    isLong ? depth <= 3 || depth >= 11 : tick && (depth <= 1 || depth >= 13);
                const ColorRef expected = grey ? kGrey : kCyan;
                const int px = horizontal ? along : depth, py = horizontal ? depth : along;
                const ColorRef actual = testing::pixelAt(ruler, px, py);
                if (actual != expected && !(covered && actual == kBlue))
                    return QString::asprintf("%s ruler (%d, %d): 0x%08x, expected 0x%08x",
                                             horizontal ? "horizontal" : "vertical", px, py, actual,
                                             expected);
            }
    }
    return QString();
}

QFont crispArial(int pixelSize)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelSize);
    font.setStyleStrategy(QFont::NoAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

// Where a ruler's number ink differs from `text` drawn independently: upright, its cell's top
// left corner at (x, y), then turned as the ruler shows it. Checked within three pixels of it.
QString numberDifference(const QImage& ruler, const QTransform& turn, const QFont& font, int x,
                         int y, const QString& text)
{
    const QSize upright = turn.isRotating() ? ruler.size().transposed() : ruler.size();
    QImage reference(upright, QImage::Format_RGB32);
    reference.fill(Qt::white);
    QPainter painter(&reference);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(x, y + QFontMetrics(font).ascent(), text);
    painter.end();
    reference = reference.transformed(turn);
    const QRectF around(x - 3, 0, QFontMetrics(font).horizontalAdvance(text) + 6, kRulerThickness);
    const QRect area =
        QImage::trueMatrix(turn, upright.width(), upright.height()).mapRect(around).toRect() &
        ruler.rect();
    if (area.isEmpty())
        return QStringLiteral("nothing of the number on the ruler");
    for (int ry = area.top(); ry <= area.bottom(); ++ry)
        for (int rx = area.left(); rx <= area.right(); ++rx) {
            const bool inRuler = toolkit::fromQRgb(ruler.pixel(rx, ry)) == kBlue;
            if (inRuler != ((reference.pixel(rx, ry) & 0xFFFFFF) == 0))
                return QString::asprintf("(%d, %d): %s", rx, ry,
                                         inRuler ? "ink the reference lacks" : "missing ink");
        }
    return QString();
}

// The first row in [from, to] with number ink on it, or -1.
int firstInkRow(const PictureBox& box, int from, int to)
{
    for (int y = std::max(from, 0); y <= std::min(to, box.surface().height() - 1); ++y)
        for (int x = 0; x < box.surface().width(); ++x)
            if (testing::pixelAt(box, x, y) == kBlue)
                return y;
    return -1;
}

} // namespace

Q_DECLARE_METATYPE(Scene)

class RulersTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void rulers_data();
    void rulers();
    void failuresRaiseRuntimeError_data();
    void failuresRaiseRuntimeError();
    void verticalLabelErrorEndsQuietly();
    void unitClick_data();
    void unitClick();

private:
    // A unit chosen, the image loaded or not, the rulers laid out, scrolled and drawn.
    void drawScene(testing::Window& w, const Scene& scene)
    {
        if (scene.loaded)
            w.open(image_);
        QCOMPARE(w->picDisp->hasPicture(), scene.loaded);
        w->cboUnit->setListIndex(scene.unit);
        // Only a loaded picture can be enlarged: a scene at factor 2 has one.
        w->cboMagnify->setListIndex(scene.magnification - 1);
        QCOMPARE(w->magnification, scene.magnification);
        w->picRulerW->setFontSize(scene.rulerPoints);
        w->picDispBase->Move(w->picDispBase->Left(), w->picDispBase->Top(), scene.length,
                             scene.length);
        w->picRulerW->Move(0, 0, scene.length, kRulerThickness);
        w->picRulerH->Move(0, 0, kRulerThickness, scene.length);
        for (toolkit::ScrollBar* bar : {w->hsrDisp, w->vsrDisp}) {
            bar->setMax(32767);
            bar->setValue(scene.scroll);
        }
        w->DrawRulers();
    }

    QTemporaryDir dir_;
    QString image_;
};

void RulersTest::initTestCase()
{
    QVERIFY(dir_.isValid());
    image_ =
        testing::writeImage(dir_, QStringLiteral("picture.bmp"), testing::gradientImage(64, 48));
    // The reference for the vertical numbers must have the rotated font's 10-pixel cell.
    QCOMPARE(QFontMetrics(crispArial(9)).height(), 10);
}

void RulersTest::rulers_data()
{
    QTest::addColumn<Scene>("scene");
    QTest::addColumn<Scale>("x");
    QTest::addColumn<Scale>("y");
    QTest::addColumn<int>("shift"); // screen pixels the strips are moved back
    QTest::addColumn<int>("cut");   // the copy is only 100 m longer than the ruler
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("tick"); // where that number belongs along both rulers

    const Scale px{100, 10, 50}, in96{96, 12, 48}, cm96{38, 4, 4}, in144{144, 18, 72};
    QTest::newRow("pixels: independent of ppi, numbered in image pixels")
        << Scene{{144, 144}} << px << px << 0 << 0 << "100" << 100;
    const QList<Scale> inches{{72, 9, 36}, {96, 12, 48}, {100, 12, 50}, {120, 15, 60}, in144};
    for (const Scale& s : inches)
        QTest::addRow("inches %d%s", s[0], s[0] == 100 ? ": 12.5 to even, 1 between ticks" : "")
            << Scene{{s[0], s[0]}, Inches} << s << s << 0 << 0 << "1" << s[0];
    const QList<Scale> centimetres{
        {72, 28, 3, 3}, {96, 38, 4, 4}, {120, 47, 5, 5}, {139, 55, 5, 5}, {144, 57, 6, 6}};
    for (const Scale& s : centimetres)
        QTest::addRow("centimetres %d%s", s[0], s[0] == 139 ? ": tick from the unrounded cm" : "")
            << Scene{{s[0], s[0]}, Centimetres} << s.mid(1) << s.mid(1) << 0 << 0 << "1" << s[1];

    QTest::newRow("96 x 120: across and down kept apart, 0 at the start")
        << Scene{{96, 120}, Inches} << in96 << Scale{120, 15, 60} << 0 << 0 << "0" << 0;
    QTest::newRow("10: longer numbers centred")
        << Scene{{}, Inches} << in96 << in96 << 0 << 0 << "10" << 960;
    QTest::newRow("vertical numbers placed by the ruler's font")
        << Scene{{}, Inches, 1, 0, true, 13.5} << in96 << in96 << 0 << 0 << "1" << 96;
    QTest::newRow("magnified: ticks and numbers m times apart")
        << Scene{{}, Inches, 2} << in96 << in96 << 0 << 0 << "2" << 384;
    QTest::newRow("scrolled 150: shift 54, numbers from 1")
        << Scene{{}, Inches, 1, 150} << in96 << in96 << 54 << 0 << "2" << 42;
    QTest::newRow("magnified, scrolled 301: offset 150.5 to even")
        << Scene{{}, Inches, 2, 301} << in96 << in96 << 108 << 0 << "2" << 84;
    QTest::newRow("magnified, scrolled 303: offset 151.5 to even")
        << Scene{{}, Inches, 2, 303} << in96 << in96 << 112 << 0 << "2" << 80;
    QTest::newRow("pixels scrolled 250: in 100-pixel intervals")
        << Scene{{}, Pixels, 1, 250} << px << px << 50 << 0 << "300" << 50;
    QTest::newRow("pixels magnified, scrolled 500: 300 at 50 x m")
        << Scene{{}, Pixels, 2, 500} << px << px << 100 << 0 << "300" << 100;
    QTest::newRow("centimetres scrolled 100: in rounded centimetres")
        << Scene{{}, Centimetres, 1, 100} << cm96 << cm96 << 24 << 0 << "3" << 14;
    QTest::newRow("no image: scroll bars ignored")
        << Scene{{}, Inches, 1, 150, false} << in96 << in96 << 0 << 0 << "1" << 96;
    QTest::newRow("shift 140: the last 40 uncovered")
        << Scene{{144, 144}, Inches, 1, 140} << in144 << in144 << 140 << 40 << "1" << 4;
    QTest::newRow("magnified, shift 260: the copy 200 longer")
        << Scene{{144, 144}, Inches, 2, 260} << in144 << in144 << 260 << 60 << "1" << 28;
    // A viewport that is no multiple of 100: the strips are its length cut down to whole
    // hundreds plus 200, so the copy, 100 longer than the ruler, still comes off the strip.
    QTest::newRow("viewport 1075, shift 140: strip 1200, the last 40 uncovered")
        << Scene{{144, 144}, Inches, 1, 140, true, 6.75, 1075} << in144 << in144 << 140 << 40 << "1"
        << 4;
    QTest::newRow("magnified, viewport 1075, shift 260: strip 1400")
        << Scene{{144, 144}, Inches, 2, 260, true, 6.75, 1075} << in144 << in144 << 260 << 60 << "1"
        << 28;
    QTest::newRow("96 x 120 in a viewport of 937")
        << Scene{{96, 120}, Inches, 1, 0, true, 6.75, 937} << in96 << Scale{120, 15, 60} << 0 << 0
        << "0" << 0;
}

// Scales, ticks and one number on each ruler. Across, a digit starts one pixel left of its
// tick and longer numbers are centred on it. Down, numbers read upward centred on their ticks:
// one reading downward or mirrored would not match the upright text turned a quarter turn.
void RulersTest::rulers()
{
    QFETCH(Scene, scene);
    QFETCH(Scale, x);
    QFETCH(Scale, y);
    QFETCH(int, shift);
    QFETCH(int, cut);
    QFETCH(QString, text);
    QFETCH(int, tick);

    testing::Window w(scene.dpi);
    const int fontsBefore = toolkit::liveFontCount();
    drawScene(w, scene);
    QCOMPARE(toolkit::liveFontCount(), fontsBefore);
    QCOMPARE(w->picTemp2->hDC()->selectedFont(), toolkit::HFONT(0));

    QCOMPARE((Scale{w->unitPxX, w->minorStepX, w->midStepX}), x);
    QCOMPARE((Scale{w->unitPxY, w->minorStepY, w->midStepY}), y);
    QCOMPARE(w->unitPxMagX, x[0] * scene.magnification);
    QCOMPARE(w->unitPxMagY, y[0] * scene.magnification);
    const QString ticks = tickDifference(*w, scene.magnification, shift, cut, x, y);
    QVERIFY2(ticks.isEmpty(), qPrintable(ticks));

    const QFont across = crispArial(int(std::lround(7.0 * scene.dpi.y / 72))); // 7 pt, a height
    const int width = QFontMetrics(across).horizontalAdvance(text);
    const int top = int(std::nearbyint((15 - QFontMetrics(across).height()) / 2.0));
    const int left = text.size() == 1 ? tick - 1 : qRound(tick - width / 2.0);
    QString difference =
        numberDifference(w->picRulerW->surface(), QTransform(), across, left, top, text);
    QVERIFY2(difference.isEmpty(), qPrintable("horizontal ruler " + difference));

    const int twoWidth =
        QFontMetrics(w->picRulerW->boxFont()).horizontalAdvance(QStringLiteral("2"));
    const int downWidth = QFontMetrics(crispArial(9)).horizontalAdvance(text);
    // Upright, the start of the text (the bottom of its upward run) is at its left end.
    const int start = w->picRulerH->surface().height() - qRound(tick + downWidth / 2.0);
    difference = numberDifference(w->picRulerH->surface(), QTransform().rotate(-90), crispArial(9),
                                  start, qRound((15 - twoWidth) / 2.0 - 1), text);
    QVERIFY2(difference.isEmpty(), qPrintable("vertical ruler " + difference));
}

void RulersTest::failuresRaiseRuntimeError_data()
{
    QTest::addColumn<Scene>("scene");
    QTest::addColumn<int>("error");

    QTest::newRow("magnification too large for 32 bits")
        << Scene{{}, Pixels, 21474837, 0, false} << int(toolkit::Err::Overflow);
    QTest::newRow("0 ppi in inches, image loaded")
        << Scene{{0, 0}, Inches} << int(toolkit::Err::DivisionByZero);
    QTest::newRow("3 ppi in inches: ticks 0 apart would never end")
        << Scene{{3, 3}, Inches, 1, 0, false} << int(toolkit::Err::InvalidProcedureCall);
}

// The errors reach the caller instead of hanging, crashing or wrapping around.
void RulersTest::failuresRaiseRuntimeError()
{
    QFETCH(Scene, scene);
    QFETCH(int, error);

    testing::Window w;
    if (scene.loaded)
        w.open(image_);
    w->cboUnit->setListIndex(scene.unit);
    w->dpiX = scene.dpi.x;
    w->dpiY = scene.dpi.y;
    w->magnification = scene.magnification;
    QCOMPARE(testing::errorOf([&] { w->DrawRulers(); }), error);
}

// The fourth number overflows 32 bits: the routine returns normally with the first three
// printed, the rest missing, and no font left behind.
void RulersTest::verticalLabelErrorEndsQuietly()
{
    testing::Window w;
    w->cboUnit->setListIndex(Pixels);
    w->unitPxY = w->unitPxMagY = 100;
    PictureBox strip(&*w);
    strip.Move(0, 0, 15, 500);
    strip.setBackColor(kCyan);
    strip.setForeColor(kBlue);
    const int fontsBefore = toolkit::liveFontCount();

    w->DrawVerticalLabels(strip, INT_MAX - 299);

    QCOMPARE(toolkit::liveFontCount(), fontsBefore);
    QCOMPARE(strip.hDC()->selectedFont(), toolkit::HFONT(0));
    // Ten digits are 50 pixels long, centred on their ticks.
    QVERIFY(firstInkRow(strip, 70, 130) >= 0 && firstInkRow(strip, 170, 230) >= 0);
    QCOMPARE(firstInkRow(strip, 270, 499), -1);
}

void RulersTest::unitClick_data()
{
    QTest::addColumn<bool>("loaded");
    QTest::newRow("with an image: redrawn at once") << true;
    QTest::newRow("without: drawn at the next redraw") << false;
}

void RulersTest::unitClick()
{
    QFETCH(bool, loaded);
    testing::Window w;
    drawScene(w, Scene{{}, Pixels, 1, 0, loaded});
    const QImage horizontal = w->picRulerW->surface().copy();
    const QImage vertical = w->picRulerH->surface().copy();
    const QString sizeText = w->lblImageSize->Caption();

    w->cboUnit->setListIndex(Centimetres); // raises Click, as picking from the list does

    // 64 x 48 pixels at 96 ppi: 64 / 96 x 2.54 and 48 / 96 x 2.54.
    QCOMPARE(w->lblImageSize->Caption(),
             loaded ? QStringLiteral("图像尺寸  1.69 x 1.27  (厘米)") : sizeText);
    if (!loaded) {
        QCOMPARE(testing::firstDifference(w->picRulerW->surface(), horizontal), QString());
        QCOMPARE(testing::firstDifference(w->picRulerH->surface(), vertical), QString());
        QCOMPARE(w->unitPxX, 100);
        w->DrawRulers();
    }
    const QString ticks = tickDifference(*w, 1, 0, 0, {38, 4, 4}, {38, 4, 4});
    QVERIFY2(ticks.isEmpty(), qPrintable(ticks));
    QVERIFY(w.messages().isEmpty());
}

QTEST_MAIN(RulersTest)
#include "tst_rulers.moc"
