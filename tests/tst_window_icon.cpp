// The window's own 16 x 16 icon, pixel by pixel: a ruler corner with a red pointer marker.
#include "support/test_support.h"
#include "viewer/window_icon.h"

#include <QTest>

namespace
{

const QRgb kCyan = qRgb(128, 255, 255), kGrey = qRgb(160, 160, 160), kBlue = qRgb(0, 0, 221),
           kRed = qRgb(255, 0, 0), kWhite = qRgb(255, 255, 255), kClear = 0;

} // namespace

class tst_WindowIcon : public QObject
{
    Q_OBJECT
private slots:
    void pixels_data();
    void pixels();
};

void tst_WindowIcon::pixels_data()
{
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<QRgb>("colour"); // ARGB; 0 for a transparent pixel
    QTest::newRow("frame, top left") << QPoint(0, 0) << kBlue;
    QTest::newRow("frame, bottom right") << QPoint(15, 15) << kBlue;
    QTest::newRow("frame over a tick") << QPoint(5, 0) << kBlue;
    QTest::newRow("ruler across") << QPoint(8, 3) << kCyan;
    QTest::newRow("ruler down") << QPoint(3, 8) << kCyan;
    QTest::newRow("long tick across: 4 rows") << QPoint(5, 3) << kGrey;
    QTest::newRow("long tick down: 4 columns") << QPoint(3, 13) << kGrey;
    QTest::newRow("short tick across: 2 rows") << QPoint(7, 1) << kGrey;
    QTest::newRow("short tick across ends") << QPoint(7, 2) << kCyan;
    QTest::newRow("short tick down ends") << QPoint(2, 9) << kCyan;
    QTest::newRow("marker across, top") << QPoint(10, 1) << kRed;
    QTest::newRow("marker across, bottom") << QPoint(10, 4) << kRed;
    QTest::newRow("marker down") << QPoint(4, 10) << kRed;
    QTest::newRow("picture corner") << QPoint(6, 6) << kWhite;
    QTest::newRow("picture, far corner") << QPoint(14, 14) << kWhite;
    QTest::newRow("pointer on the picture") << QPoint(10, 10) << kRed;
    QTest::newRow("beside the pointer") << QPoint(11, 10) << kWhite;
    QTest::newRow("gap between rulers and picture") << QPoint(5, 10) << kClear;
    QTest::newRow("inner corner") << QPoint(5, 5) << kClear;
}

void tst_WindowIcon::pixels()
{
    QFETCH(QPoint, at);
    QFETCH(QRgb, colour);
    // The icon the window shows, not just the one the function makes.
    testing::Window w;
    const QIcon icon = w->windowIcon();
    QVERIFY(icon.availableSizes().contains(QSize(16, 16)));
    const QImage pixels =
        icon.pixmap(QSize(16, 16)).toImage().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(pixels.size(), QSize(16, 16));
    const QRgb actual = pixels.pixel(at);
    if (colour == kClear)
        QCOMPARE(qAlpha(actual), 0);
    else
        QCOMPARE(QColor::fromRgba(actual), QColor::fromRgba(colour));
}

QTEST_MAIN(tst_WindowIcon)
#include "tst_window_icon.moc"
