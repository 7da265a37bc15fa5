#include "support/test_support.h"
#include "toolkit/gdi.h"

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

constexpr ColorRef kBlue = 0x00DD0000;
constexpr ColorRef kCyan = toolkit::RGB(128, 255, 255);
constexpr int kRulerThickness = 17;

enum Unit { Pixels = 0, Inches = 1, Centimetres = 2 };

// The rotated numbers' font: Arial with a 10-pixel character cell.
QFont labelFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(9);
    font.setWeight(QFont::Normal);
    font.setStyleStrategy(QFont::NoAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

// Whole device pixel of a fractional position.
int pixelOf(double v)
{
    return int(std::floor(v + 0.5));
}

// Ink rows (y) of the blue number pixels of a vertical ruler within [from, to].
QList<int> inkRows(const PictureBox& ruler, int from, int to)
{
    QList<int> rows;
    for (int y = std::max(from, 0); y <= std::min(to, ruler.surface().height() - 1); ++y)
        for (int x = 0; x < ruler.surface().width(); ++x)
            if (testing::pixelAt(ruler, x, y) == kBlue) {
                rows.append(y);
                break;
            }
    return rows;
}

} // namespace

class RulerLabelsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void verticalNumbersReadUpwardCentredOnTicks_data();
    void verticalNumbersReadUpwardCentredOnTicks();
    void fontsReleasedAfterDrawing_data();
    void fontsReleasedAfterDrawing();
    void overflowEndsQuietlyKeepingPrintedNumbers();

private:
    QTemporaryDir dir_;
    QString image_;
};

void RulerLabelsTest::initTestCase()
{
    QVERIFY(dir_.isValid());
    image_ =
        testing::writeImage(dir_, QStringLiteral("picture.bmp"), testing::gradientImage(64, 48));
    // The reference font must have the rotated font's 10-pixel cell.
    QCOMPARE(QFontMetrics(labelFont()).height(), 10);
}

void RulerLabelsTest::verticalNumbersReadUpwardCentredOnTicks_data()
{
    QTest::addColumn<int>("dpi");
    QTest::addColumn<int>("unit");
    QTest::addColumn<int>("magnification");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<int>("scroll");
    QTest::addColumn<double>("rulerFontPoints"); // the horizontal ruler's font, which sets x
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("tick"); // the number's position down the ruler

    const bool loaded = true;
    QTest::newRow("inches 96: 0 half cut off")
        << 96 << int(Inches) << 1 << loaded << 0 << 6.75 << "0" << 0;
    QTest::newRow("inches 96: 1") << 96 << int(Inches) << 1 << loaded << 0 << 6.75 << "1" << 96;
    QTest::newRow("inches 96: 5") << 96 << int(Inches) << 1 << loaded << 0 << 6.75 << "5" << 480;
    QTest::newRow("inches 96: 10") << 96 << int(Inches) << 1 << loaded << 0 << 6.75 << "10" << 960;
    QTest::newRow("inches 72: 2") << 72 << int(Inches) << 1 << loaded << 0 << 6.75 << "2" << 144;
    QTest::newRow("inches 120: 1") << 120 << int(Inches) << 1 << loaded << 0 << 6.75 << "1" << 120;
    QTest::newRow("inches 144: 3") << 144 << int(Inches) << 1 << loaded << 0 << 6.75 << "3" << 432;
    QTest::newRow("centimetres 96: 1")
        << 96 << int(Centimetres) << 1 << loaded << 0 << 6.75 << "1" << 38;
    QTest::newRow("centimetres 72: 12")
        << 72 << int(Centimetres) << 1 << loaded << 0 << 6.75 << "12" << 336;
    QTest::newRow("pixels 96: 100")
        << 96 << int(Pixels) << 1 << loaded << 0 << 6.75 << "100" << 100;
    QTest::newRow("pixels scrolled 250: 300")
        << 96 << int(Pixels) << 1 << loaded << 250 << 6.75 << "300" << 50;
    QTest::newRow("pixels magnified, scrolled 500: 300")
        << 96 << int(Pixels) << 2 << loaded << 500 << 6.75 << "300" << 100;
    QTest::newRow("inches scrolled 150: 2")
        << 96 << int(Inches) << 1 << loaded << 150 << 6.75 << "2" << 42;
    QTest::newRow("no image, scrolled 150: 1")
        << 96 << int(Inches) << 1 << !loaded << 150 << 6.75 << "1" << 96;
    QTest::newRow("larger ruler font: 1 further left")
        << 96 << int(Inches) << 1 << loaded << 0 << 13.5 << "1" << 96;
}

// Turning the ruler a quarter turn clockwise must give the number upright, as the same font
// draws it, with its advance centred on the tick and its cell starting at the label column.
// A number reading downward or mirrored would come out upside down or reversed.
void RulerLabelsTest::verticalNumbersReadUpwardCentredOnTicks()
{
    QFETCH(int, dpi);
    QFETCH(int, unit);
    QFETCH(int, magnification);
    QFETCH(bool, loaded);
    QFETCH(int, scroll);
    QFETCH(double, rulerFontPoints);
    QFETCH(QString, text);
    QFETCH(int, tick);

    testing::Window w({dpi, dpi});
    if (loaded)
        w.open(image_);
    QCOMPARE(w->picDisp->hasPicture(), loaded);
    w->cboUnit->setListIndex(unit);
    w->magnification = magnification;
    w->picRulerW->setFontSize(rulerFontPoints);
    w->picDispBase->Move(w->picDispBase->Left(), w->picDispBase->Top(), 400, 1000);
    w->picRulerH->Move(0, 0, kRulerThickness, 1000);
    w->vsrDisp->setMax(32767);
    w->vsrDisp->setValue(scroll);
    w->DrawRulers();

    const QImage& ruler = w->picRulerH->surface();
    const int height = ruler.height();
    const QImage turnedBack = ruler.transformed(QTransform().rotate(90));

    const QFont font = labelFont();
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(text);
    const int twoWidth =
        QFontMetrics(w->picRulerW->boxFont()).horizontalAdvance(QStringLiteral("2"));
    const int left = pixelOf((15 - twoWidth) / 2.0 - 1);
    // The text's start, at the bottom of its run, becomes its left end once turned back.
    const int start = height - pixelOf(tick + width / 2.0);

    QImage reference(turnedBack.size(), QImage::Format_RGB32);
    reference.fill(Qt::white);
    QPainter painter(&reference);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(start, left + metrics.ascent(), text);
    painter.end();

    const QRect around = QRect(start - 3, 0, width + 6, kRulerThickness) & turnedBack.rect();
    QVERIFY(!around.isEmpty());
    for (int y = around.top(); y <= around.bottom(); ++y)
        for (int x = around.left(); x <= around.right(); ++x) {
            const bool inRuler = toolkit::fromQRgb(turnedBack.pixel(x, y)) == kBlue;
            const bool inReference = (reference.pixel(x, y) & 0xFFFFFF) == 0;
            if (inRuler != inReference)
                QFAIL(qPrintable(QStringLiteral("ruler (%1, %2): %3")
                                     .arg(y)
                                     .arg(height - 1 - x)
                                     .arg(inRuler ? "ink not in the upright number"
                                                  : "ink of the upright number missing")));
        }
}

void RulerLabelsTest::fontsReleasedAfterDrawing_data()
{
    QTest::addColumn<int>("unit");
    QTest::newRow("pixels") << int(Pixels);
    QTest::newRow("inches") << int(Inches);
    QTest::newRow("centimetres") << int(Centimetres);
}

// One font per number is made and deleted; none outlives the drawing or stays selected.
void RulerLabelsTest::fontsReleasedAfterDrawing()
{
    QFETCH(int, unit);
    testing::Window w({96, 96});
    w->cboUnit->setListIndex(unit);
    const int fontsBefore = toolkit::liveFontCount();
    w->DrawRulers();
    QCOMPARE(toolkit::liveFontCount(), fontsBefore);
    QCOMPARE(w->picTemp2->hDC()->selectedFont(), toolkit::HFONT(0));
    QVERIFY(!inkRows(*w->picRulerH, 0, w->picRulerH->surface().height()).isEmpty());
}

// The fourth number overflows 32 bits: the routine returns normally with the first three
// printed, the rest missing, and no font left behind.
void RulerLabelsTest::overflowEndsQuietlyKeepingPrintedNumbers()
{
    testing::Window w({96, 96});
    w->cboUnit->setListIndex(Pixels);
    w->unitPxY = 100;
    w->unitPxMagY = 100;
    PictureBox strip(&*w);
    strip.Move(0, 0, 15, 500);
    strip.setBackColor(kCyan);
    strip.setForeColor(kBlue);
    const int fontsBefore = toolkit::liveFontCount();

    w->DrawVerticalLabels(strip, INT_MAX - 299);

    QCOMPARE(toolkit::liveFontCount(), fontsBefore);
    QCOMPARE(strip.hDC()->selectedFont(), toolkit::HFONT(0));
    // Ten digits are 50 pixels long, centred on their ticks.
    for (int tick : {100, 200})
        QCOMPARE(inkRows(strip, tick - 30, tick + 30).isEmpty(), false);
    QCOMPARE(inkRows(strip, 270, 499), QList<int>());
}

QTEST_MAIN(RulerLabelsTest)
#include "tst_ruler_labels.moc"
