// Edges found from a pixel, and the contrast between two colours: widget-free.
#include "instruments/contrast.h"
#include "instruments/edges.h"

#include <QTest>

namespace
{

// A row of pixels with these grey levels, three rows high; the pixel looked from is in the
// middle row.
QImage greys(std::initializer_list<int> levels)
{
    QImage image(int(levels.size()), 3, QImage::Format_RGB32);
    int x = 0;
    for (const int level : levels) {
        for (int y = 0; y < 3; ++y)
            image.setPixel(x, y, qRgb(level, level, level));
        ++x;
    }
    return image;
}

} // namespace

class tst_EdgesContrast : public QObject
{
    Q_OBJECT

private slots:
    void armsAcrossARow_data()
    {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("tolerance");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("right");
        QTest::newRow("a gradient of 5 a pixel runs through")
            << greys({0, 5, 10, 15, 20, 25, 30}) << 3 << 8 << 0 << 6;
        QTest::newRow("a one-pixel border stops it, the border left out")
            << greys({200, 60, 200, 201, 200, 60, 200}) << 3 << 8 << 2 << 4;
        QTest::newRow("a soft shadow of 8 a step does not stop it")
            << greys({255, 247, 239, 231, 223, 60}) << 1 << 8 << 0 << 4;
        QTest::newRow("the picture's own edge") << greys({9, 9, 9, 9}) << 2 << 8 << 0 << 3;
        QTest::newRow("tolerance 0: any change is an edge")
            << greys({0, 5, 5, 5, 6}) << 2 << 0 << 1 << 3;
        QTest::newRow("tolerance 24: 24 passes, 25 stops")
            << greys({100, 124, 148, 173, 173}) << 1 << 24 << 0 << 2;
    }

    void armsAcrossARow()
    {
        QFETCH(QImage, image);
        QFETCH(int, from);
        QFETCH(int, tolerance);
        const QRect span = edges::spanAround(image, QPoint(from, 1), tolerance);
        QTEST(span.left(), "left");
        QTEST(span.right(), "right");
        // Every row is alike: up and down run to the picture's edges.
        QCOMPARE(span.top(), 0);
        QCOMPARE(span.bottom(), 2);
        // Down a column the same way as across a row.
        const QImage turned = image.transformed(QTransform().rotate(90));
        const QRect down = edges::spanAround(turned, QPoint(1, from), tolerance);
        QCOMPARE(down.top(), span.left());
        QCOMPARE(down.bottom(), span.right());
    }

    void contrast_data()
    {
        QTest::addColumn<QRgb>("text");
        QTest::addColumn<QRgb>("ground");
        QTest::addColumn<QString>("shown");
        QTest::newRow("black on white") << qRgb(0, 0, 0) << qRgb(255, 255, 255) << "21.00:1 AAA";
        QTest::newRow("white on black, the same")
            << qRgb(255, 255, 255) << qRgb(0, 0, 0) << "21.00:1 AAA";
        QTest::newRow("#767676 on white, the lightest grey that passes")
            << qRgb(0x76, 0x76, 0x76) << qRgb(255, 255, 255) << "4.54:1 AA";
        QTest::newRow("#777777 on white falls short")
            << qRgb(0x77, 0x77, 0x77) << qRgb(255, 255, 255) << "4.47:1 AA 大字";
        // 4.4998: rounded it would read 4.50 and seem to pass.
        QTest::newRow("#E31976 on white, just under 4.5")
            << qRgb(0xE3, 0x19, 0x76) << qRgb(255, 255, 255) << "4.49:1 AA 大字";
        QTest::newRow("the same colour")
            << qRgb(10, 200, 30) << qRgb(10, 200, 30) << QStringLiteral("1.00:1 不达标");
    }

    void contrast()
    {
        QFETCH(QRgb, text);
        QFETCH(QRgb, ground);
        const double ratio = contrast::ratio(text, ground);
        QTEST(contrast::ratioText(ratio) + QLatin1Char(' ') + contrast::levelText(ratio), "shown");
    }
};

QTEST_MAIN(tst_EdgesContrast)
#include "tst_edges_contrast.moc"
