#include "viewer/ruler_steps.h"
#include "viewer/zoom.h"
#include "viewer/zoomed_drawing.h"

#include <QTest>

Q_DECLARE_METATYPE(Zoom)

class tst_Zoom : public QObject
{
    Q_OBJECT

private slots:
    void pixelUnderAPoint_data()
    {
        QTest::addColumn<Zoom>("zoom");
        QTest::addColumn<QPoint>("origin");
        QTest::addColumn<QPointF>("point");
        QTest::addColumn<QPoint>("pixel");
        QTest::newRow("3: the block's last column")
            << Zoom{3, 1} << QPoint(0, 0) << QPointF(5.9, 3) << QPoint(1, 1);
        QTest::newRow("8: scrolled by an odd count")
            << Zoom{8, 1} << QPoint(-13, -7) << QPointF(2, 0.5) << QPoint(1, 0);
        QTest::newRow("32: just left of the picture")
            << Zoom{32, 1} << QPoint(40, 0) << QPointF(39.5, 31) << QPoint(-1, 0);
        QTest::newRow("1/4: the square's top-left")
            << Zoom{1, 4} << QPoint(3, 3) << QPointF(5, 4) << QPoint(8, 4);
        QTest::newRow("1/4: above the picture")
            << Zoom{1, 4} << QPoint(0, 2) << QPointF(0, 1) << QPoint(0, -4);
    }

    void pixelUnderAPoint()
    {
        QFETCH(Zoom, zoom);
        QFETCH(QPoint, origin);
        QFETCH(QPointF, point);
        QTEST(zoom.pixelAt(origin, point), "pixel");
        QFETCH(QPoint, pixel);
        // Wherever a pixel is found, its block holds the point.
        QVERIFY(zoom.blockOf(origin, pixel)
                    .contains(QPoint(int(std::floor(point.x())), int(std::floor(point.y())))));
    }

    void factors_data()
    {
        QTest::addColumn<QSize>("image");
        QTest::addColumn<QSize>("viewport");
        QTest::addColumn<QString>("fit");
        QTest::newRow("a 4K screenshot, wide") << QSize(3840, 2160) << QSize(1800, 900) << "1/3";
        QTest::newRow("tall, down decides") << QSize(100, 1201) << QSize(800, 600) << "1/3";
        QTest::newRow("an icon") << QSize(16, 16) << QSize(600, 400) << "24";
        QTest::newRow("one pixel too many at 1") << QSize(601, 10) << QSize(600, 400) << "1/2";
        QTest::newRow("nothing fits") << QSize(20000, 10) << QSize(600, 400) << "1/16";
    }

    void factors()
    {
        QFETCH(QSize, image);
        QFETCH(QSize, viewport);
        QTEST(zoom::fitting(image, viewport).name(), "fit");
        QCOMPARE(zoom::stepped({32, 1}, 1), std::nullopt);
        QCOMPARE(zoom::stepped({1, 16}, -1), std::nullopt);
        QCOMPARE(zoom::stepped({1, 2}, 2)->name(), QStringLiteral("2"));
        QCOMPARE(zoom::named(QStringLiteral("1/12")), std::optional<Zoom>(Zoom{1, 12}));
        QCOMPARE(Zoom({1, 4}).shown({9, 8}), QSize(3, 2));
    }

    void drawing()
    {
        QImage image(3, 2, QImage::Format_RGB32);
        const QRgb colours[] = {qRgb(0, 0, 0),    qRgb(255, 255, 255), qRgb(10, 20, 30),
                                qRgb(11, 20, 30), qRgb(12, 20, 31),    qRgb(200, 0, 0)};
        for (int i = 0; i < 6; ++i)
            image.setPixel(i % 3, i / 3, colours[i]);
        // Means: halves up; the last square has only what the image has.
        const QImage means = zoomed::meanOfSquares(image, 2);
        QCOMPARE(means.size(), QSize(2, 1));
        QCOMPARE(means.pixel(0, 0), qRgb(70, 74, 79)); // 69.5 and 73.75
        QCOMPARE(means.pixel(1, 0), qRgb(105, 10, 15));
        // At 8, exposed from the middle of the second block: blocks, the grid on each last row and
        // column.
        const QImage in = zoomed::drawIn(image, 8, QRect(12, 5, 8, 6), true);
        QCOMPARE(in.pixel(0, 0), qRgb(255, 255, 255));
        QCOMPARE(in.pixel(3, 0), zoomed::gridOver(qRgb(255, 255, 255)));
        QCOMPARE(in.pixel(4, 0), qRgb(10, 20, 30));
        QCOMPARE(in.pixel(4, 3), qRgb(200, 0, 0));
        QCOMPARE(in.pixel(0, 2), zoomed::gridOver(qRgb(255, 255, 255)));
        QCOMPARE(zoomed::gridOver(qRgb(255, 255, 255)), qRgb(128, 128, 128));
        QCOMPARE(zoomed::gridOver(qRgb(0, 0, 0)), qRgb(128, 128, 128));
        QCOMPARE(zoomed::drawIn(image, 3, QRect(0, 0, 4, 4), false).pixel(3, 3), qRgb(12, 20, 31));
    }

    void rulerSteps_data()
    {
        QTest::addColumn<double>("screenPerUnit");
        QTest::addColumn<double>("smallest");
        QTest::addColumn<double>("numbers");
        QTest::addColumn<double>("ticks");
        QTest::newRow("pixels at 32") << 32.0 << 1.0 << 2.0 << 1.0;
        QTest::newRow("pixels at 3") << 3.0 << 1.0 << 20.0 << 2.0;
        QTest::newRow("pixels at 1/4") << 0.25 << 1.0 << 200.0 << 20.0;
        QTest::newRow("inches at 120 ppi x 3") << 360.0 << 0.125 << 0.25 << 0.125;
        QTest::newRow("inches at 96 ppi x 1/8") << 12.0 << 0.125 << 5.0 << 0.5;
        QTest::newRow("centimetres at 120 ppi x 4") << 4 * 120 / 2.54 << 0.1 << 0.5 << 0.1;
    }

    void rulerSteps()
    {
        QFETCH(double, screenPerUnit);
        QFETCH(double, smallest);
        const ruler_steps::Steps steps = ruler_steps::stepsFor(screenPerUnit, smallest);
        QTEST(steps.numbers, "numbers");
        QTEST(steps.ticks, "ticks");
    }
};

QTEST_MAIN(tst_Zoom)
#include "tst_zoom.moc"
