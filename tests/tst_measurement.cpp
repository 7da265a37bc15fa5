// The arithmetic of measuring: pointer to image pixel and back to the screen, snapping, the
// figures in each unit, the copied readout and where the box goes.
#include "instruments/figures.h"
#include "instruments/measurement.h"
#include "instruments/measurement_table.h"

#include <QTest>

using namespace measurement;

Q_DECLARE_METATYPE(Measurement)

namespace
{

// The box text of a worked example, written with '-' for the typographic minus.
QString box(QString text)
{
    return text.replace(QLatin1Char('-'), QChar(0x2212));
}

} // namespace

class tst_Measurement : public QObject
{
    Q_OBJECT

private slots:
    void pointerAndPixel_data()
    {
        QTest::addColumn<QPoint>("origin");
        QTest::addColumn<int>("factor");
        QTest::addColumn<QPointF>("pointer");
        QTest::addColumn<QPoint>("pixel");
        QTest::addColumn<QPoint>("drawn");

        // The image is 100 x 50 throughout.
        QTest::newRow("factor 1, within a pixel")
            << QPoint(0, 0) << 1 << QPointF(10.9, 20.9) << QPoint(10, 20) << QPoint(10, 20);
        // 7 / 2 = 3.5 would round to 4; a display pixel belongs to the block it lies in, and
        // the line goes through the block's second column and row.
        QTest::newRow("factor 2: blocks, not rounding")
            << QPoint(0, 0) << 2 << QPointF(7, 5) << QPoint(3, 2) << QPoint(7, 5);
        QTest::newRow("factor 2, scrolled by odd counts")
            << QPoint(-31, -40) << 2 << QPointF(0, 0) << QPoint(15, 20) << QPoint(0, 1);
        QTest::newRow("centred small picture: the margin is not the image")
            << QPoint(220, 94) << 1 << QPointF(219, 100) << QPoint(0, 6) << QPoint(220, 100);
        QTest::newRow("past the right and bottom edges: the edge pixel")
            << QPoint(0, 0) << 1 << QPointF(150, 60) << QPoint(99, 49) << QPoint(99, 49);
        QTest::newRow("factor 2, one past the last display pixel")
            << QPoint(0, 0) << 2 << QPointF(200, 100) << QPoint(99, 49) << QPoint(199, 99);
    }

    void pointerAndPixel()
    {
        QFETCH(QPoint, origin);
        QFETCH(int, factor);
        QFETCH(QPointF, pointer);
        QFETCH(QPoint, pixel);

        const Placement placement{origin, Zoom{factor, 1}, QSize(100, 50)};
        QCOMPARE(imagePixel(placement, pointer), pixel);
        QTEST(viewportPoint(placement, pixel), "drawn");
    }

    void snapping_data()
    {
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<QPoint>("snappedTo");

        // The image is 100 x 80 throughout.
        QTest::newRow("no length") << QPoint(5, 5) << QPoint(5, 5) << QPoint(5, 5);
        QTest::newRow("near horizontal: the pointer's x kept")
            << QPoint(50, 50) << QPoint(90, 60) << QPoint(90, 50);
        QTest::newRow("near vertical, upward")
            << QPoint(50, 50) << QPoint(45, 10) << QPoint(50, 10);
        // tan 22.5° = 0.41421...: 28 / 70 lies below it, 29 / 70 above.
        QTest::newRow("22.4°: horizontal") << QPoint(0, 0) << QPoint(70, 28) << QPoint(70, 0);
        QTest::newRow("22.5° crossed: diagonal")
            << QPoint(0, 0) << QPoint(70, 29) << QPoint(49, 49);
        QTest::newRow("67.6°: vertical") << QPoint(0, 0) << QPoint(28, 70) << QPoint(0, 70);
        QTest::newRow("diagonal up and left: the pointer's projection")
            << QPoint(50, 50) << QPoint(20, 25) << QPoint(23, 23);
        QTest::newRow("diagonal cut short by the bottom edge")
            << QPoint(50, 50) << QPoint(95, 79) << QPoint(79, 79);
        QTest::newRow("diagonal cut short by the left edge")
            << QPoint(3, 40) << QPoint(0, 36) << QPoint(0, 37);
    }

    void snapping()
    {
        QFETCH(QPoint, from);
        QFETCH(QPoint, to);
        QTEST(snapped(from, to, QSize(100, 80)), "snappedTo");
    }

    void figures_data()
    {
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<int>("unit");
        QTest::addColumn<int>("dpiX");
        QTest::addColumn<int>("dpiY");
        QTest::addColumn<QString>("text");

        QTest::newRow("no length")
            << QPoint(5, 5) << QPoint(5, 5) << 0 << 96 << 96 << "Δx 0  Δy 0  0.00 px  0.00°";
        QTest::newRow("up and right: y counts down, the angle up")
            << QPoint(10, 100) << QPoint(130, 65) << 0 << 96 << 96
            << "Δx 120  Δy -35  125.00 px  16.26°";
        QTest::newRow("down and left") << QPoint(130, 65) << QPoint(10, 100) << 0 << 96 << 96
                                       << "Δx -120  Δy 35  125.00 px  -163.74°";
        QTest::newRow("straight left is 180°, not -180°")
            << QPoint(50, 10) << QPoint(20, 10) << 0 << 96 << 96
            << "Δx -30  Δy 0  30.00 px  180.00°";
        QTest::newRow("length and angle not whole")
            << QPoint(0, 0) << QPoint(1, 2) << 0 << 96 << 96 << "Δx 1  Δy 2  2.24 px  -63.43°";
        QTest::newRow("pixels ignore the resolution") << QPoint(0, 0) << QPoint(96, -120) << 0 << 96
                                                      << 120 << "Δx 96  Δy -120  153.67 px  51.34°";
        // 96 across and 120 down are both an inch on a 96 x 120 ppi screen: a true 45°.
        QTest::newRow("inches at 96 x 120 ppi: each way its own resolution")
            << QPoint(0, 0) << QPoint(96, -120) << 1 << 96 << 120
            << "Δx 1.00  Δy -1.00  1.41 in  45.00°";
        QTest::newRow("centimetres at 96 x 120 ppi") << QPoint(10, 10) << QPoint(58, 70) << 2 << 96
                                                     << 120 << "Δx 1.27  Δy 1.27  1.80 cm  -45.00°";
        // 12 pixels at 96 ppi are 0.125 inch: halves round away from zero, either sign.
        QTest::newRow("inches: halves away from zero")
            << QPoint(12, 0) << QPoint(0, 12) << 1 << 96 << 96
            << "Δx -0.13  Δy 0.13  0.18 in  -135.00°";
        QTest::newRow("no unit selected reads pixels")
            << QPoint(0, 0) << QPoint(3, 4) << -1 << 96 << 96 << "Δx 3  Δy 4  5.00 px  -53.13°";
    }

    void figures()
    {
        QFETCH(QPoint, from);
        QFETCH(QPoint, to);
        QFETCH(int, unit);
        QFETCH(int, dpiX);
        QFETCH(int, dpiY);
        QFETCH(QString, text);
        const Measurement line{Kind::Line, from, to, {}, 0};
        const Figures figures = figuresOf(line, unit, {double(dpiX), double(dpiY)});
        // The clipboard keeps plain minus signs, so the figures paste as numbers; the box
        // sets them as minus signs.
        // Both ends black: a line's contrast comes last.
        const QString withContrast = text + QStringLiteral("  对比度 1.00:1 不达标");
        QCOMPARE(copyText(line, figures), withContrast);
        QCOMPARE(figuresText(line, figures), box(withContrast));
    }

    void copiedReadout_data()
    {
        QTest::addColumn<QString>("readout");
        QTest::addColumn<QRgb>("colour");
        QTest::addColumn<QString>("copied");

        QTest::newRow("pixels") << "x = 100   y = 50     RGB(0, 255, 0)" << qRgb(0, 255, 0)
                                << "x = 100   y = 50     RGB(0, 255, 0)   #00FF00";
        QTest::newRow("two hex digits each, upper case")
            << "x = 0.13   y = 0.40     RGB(10, 20, 171)" << qRgb(10, 20, 171)
            << "x = 0.13   y = 0.40     RGB(10, 20, 171)   #0A14AB";
    }

    void copiedReadout()
    {
        QFETCH(QString, readout);
        QFETCH(QRgb, colour);
        QTEST(readoutCopyText(readout, colour), "copied");
    }

    void keptRows_data()
    {
        QTest::addColumn<Measurement>("kept");
        QTest::addColumn<int>("unit");
        QTest::addColumn<int>("dpiY");
        QTest::addColumn<QString>("row"); // the fields from x1 to unit, '|' between

        const auto box = [](QPoint a, QPoint b) { return Measurement{Kind::Box, a, b, {}, 0}; };
        const auto angle = [](QPoint end) {
            return Measurement{Kind::Angle, QPoint(10, 10), end, QPoint(106, 10), 0};
        };
        QTest::newRow("box around one pixel: 1 x 1")
            << box({5, 5}, {5, 5}) << 0 << 96 << "5|5|5|5|1|1|1|||px";
        QTest::newRow("box dragged up and left over the inch box: 96 x 96")
            << box({115, 195}, {20, 100}) << 0 << 96 << "115|195|20|100|96|96|9216|||px";
        QTest::newRow("box in inches, 120 ppi down")
            << box({0, 0}, {95, 59}) << 1 << 120 << "0|0|95|59|1.00|0.50|0.50|||in";
        QTest::newRow("angle 0") << angle({58, 10}) << 0 << 96 << "10|10|58|10|48|0|48.00|0.00||px";
        QTest::newRow("angle 90") << angle({10, 0}) << 0 << 96
                                  << "10|10|10|0|0|-10|10.00|90.00||px";
        QTest::newRow("angle 180")
            << angle({0, 10}) << 0 << 96 << "10|10|0|10|-10|0|10.00|180.00||px";
        QTest::newRow("angle 135, obtuse")
            << angle({0, 0}) << 0 << 96 << "10|10|0|0|-10|-10|14.14|135.00||px";
        // 96 across and 120 down are an inch each way: 45° in inches, not 51.34° in pixels.
        QTest::newRow("angle in inches, 96 x 120 ppi")
            << angle({106, 130}) << 1 << 120 << "10|10|106|130|1.00|1.00|1.41|45.00||in";
        QTest::newRow("point: position and colour")
            << Measurement{Kind::Point, QPoint(3, 4), {}, {}, qRgb(10, 20, 171)} << 0 << 96
            << "3|4|||||||#0A14AB|px";
    }

    void keptRows()
    {
        QFETCH(Measurement, kept);
        QFETCH(int, unit);
        QFETCH(int, dpiY);
        const QStringList fields = rowOf(kept, 7, unit, 96, dpiY).fields();
        QCOMPARE(fields.value(0), QStringLiteral("7"));
        // None of these kinds has a contrast, the last column.
        QFETCH(QString, row);
        QCOMPARE(fields.mid(2).join(QLatin1Char('|')), row + QLatin1Char('|'));
    }

    // Tab-separated for pasting, CSV with a field that has a comma and quotes.
    void tableTexts()
    {
        const Row line = rowOf(Measurement{Kind::Line, {10, 20}, {13, 16}, {}, 0}, 1, 0, 96, 96);
        Row quoted = line;
        quoted.kind = QStringLiteral("a, \"b\"");
        const QString header = QStringLiteral(
            "编号\t类型\tx1\ty1\tx2\ty2\tΔx 或宽\tΔy 或高\t长度或面积\t角度\t颜色\t单位\t对比度\n");
        QCOMPARE(tabSeparated({line}),
                 header +
                     QStringLiteral(
                         "1\t线段\t10\t20\t13\t16\t3\t-4\t5.00\t53.13\t\tpx\t1.00:1 不达标\n"));
        QCOMPARE(commaSeparated({quoted}),
                 QString(header).replace('\t', ',').replace('\n', QStringLiteral("\r\n")) +
                     QStringLiteral(
                         "1,\"a, \"\"b\"\"\",10,20,13,16,3,-4,5.00,53.13,,px,1.00:1 不达标\r\n"));
    }

    void boxPlace_data()
    {
        QTest::addColumn<QPoint>("anchor");
        QTest::addColumn<QRect>("area");
        QTest::addColumn<QPoint>("topLeft");

        // The box is 200 x 20 throughout.
        const QRect viewport(0, 0, 537, 321);
        QTest::newRow("room below right") << QPoint(100, 100) << viewport << QPoint(118, 108);
        QTest::newRow("ends on the right edge") << QPoint(319, 100) << viewport << QPoint(337, 108);
        QTest::newRow("one past the right edge: left of the pointer")
            << QPoint(320, 100) << viewport << QPoint(114, 108);
        QTest::newRow("one past the bottom edge: above the pointer")
            << QPoint(100, 294) << viewport << QPoint(118, 268);
        QTest::newRow("a viewport narrower than the box: from its left edge")
            << QPoint(10, 10) << QRect(0, 0, 100, 50) << QPoint(0, 18);
    }

    void boxPlace()
    {
        QFETCH(QPoint, anchor);
        QFETCH(QRect, area);
        QFETCH(QPoint, topLeft);
        QCOMPARE(boxBeside(anchor, QSize(200, 20), area), QRect(topLeft, QSize(200, 20)));
    }
};

QTEST_APPLESS_MAIN(tst_Measurement)
#include "tst_measurement.moc"
