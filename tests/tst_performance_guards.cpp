// What keeps opening fast and the pixels held once: a picture beyond the decoder's default
// allocation limit still opens, and at factor 1 the shown picture shares the loaded image's
// pixels until one of them is drawn on, without either ever showing the other's drawing.
#include "support/test_support.h"

#include "toolkit/gdi.h"

#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

using namespace toolkit;
using testing::Window;

namespace
{

// A picture as large as the biggest photographs: 10,000 x 8,000 pixels is 320 MB at 32 bits
// a pixel, well past the 128 MB a decoder may allocate by default.
constexpr int kHugeWidth = 10000;
constexpr int kHugeHeight = 8000;

// Flat grey with solid squares at the four corners, big enough to come through JPEG's
// blocks unchanged in their middles.
QImage cornerSquares(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(qRgb(128, 128, 128));
    QPainter painter(&image);
    painter.fillRect(0, 0, 64, 64, QColor(255, 0, 0));
    painter.fillRect(width - 64, 0, 64, 64, QColor(0, 255, 0));
    painter.fillRect(0, height - 64, 64, 64, QColor(0, 0, 255));
    painter.fillRect(width - 64, height - 64, 64, 64, QColor(255, 255, 0));
    return image;
}

// Whether two colours differ by at most a little in every channel (JPEG's rounding).
bool near(ColorRef actual, ColorRef expected)
{
    return std::abs(redOf(actual) - redOf(expected)) <= 8 &&
           std::abs(greenOf(actual) - greenOf(expected)) <= 8 &&
           std::abs(blueOf(actual) - blueOf(expected)) <= 8;
}

} // namespace

class tst_PerformanceGuards : public QObject
{
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void pictureBeyondTheDecodersDefaultLimitOpens();
    void factorOneSharesPixelsUntilDrawnOn_data();
    void factorOneSharesPixelsUntilDrawnOn();
    void blankPictureHoldsNoPixels();
};

void tst_PerformanceGuards::pictureBeyondTheDecodersDefaultLimitOpens()
{
    const QString path = testing::writeImage(dir_, QStringLiteral("huge.jpg"),
                                             cornerSquares(kHugeWidth, kHugeHeight));
    Window w;
    w.open(path);
    QVERIFY2(w.messages().isEmpty(), qPrintable(w.messages().join('\n')));
    QCOMPARE(w->imageWidth, kHugeWidth);
    QCOMPARE(w->imageHeight, kHugeHeight);
    QCOMPARE(w->lblImageSize->Caption(), QStringLiteral("图像尺寸  10000 x 8000  (像素)"));
    QCOMPARE(w->picDisp->surfaceSize(), QSize(kHugeWidth, kHugeHeight));
    // Every corner of the picture is there to be read.
    const struct {
        QPoint at;
        ColorRef color;
    } corners[] = {{{20, 20}, RGB(255, 0, 0)},
                   {{kHugeWidth - 20, 20}, RGB(0, 255, 0)},
                   {{20, kHugeHeight - 20}, RGB(0, 0, 255)},
                   {{kHugeWidth - 20, kHugeHeight - 20}, RGB(255, 255, 0)}};
    for (const auto& corner : corners)
        QVERIFY2(near(GetPixel(w->picDisp->hDC(), corner.at.x(), corner.at.y()), corner.color),
                 qPrintable(QString("(%1, %2)").arg(corner.at.x()).arg(corner.at.y())));
    // And the viewport shows its top-left corner on screen.
    const QImage viewport = w->picDispBase->grab().toImage();
    QVERIFY(!viewport.isNull());
    QVERIFY(near(fromQRgb(viewport.pixel(20, 20)), RGB(255, 0, 0)));
    QVERIFY(near(fromQRgb(viewport.pixel(100, 100)), RGB(128, 128, 128)));
}

void tst_PerformanceGuards::factorOneSharesPixelsUntilDrawnOn_data()
{
    QTest::addColumn<bool>("drawOnShown");  // else on the loaded image
    QTest::addColumn<bool>("viaFactorTwo"); // back to 1 from factor 2 first
    QTest::addColumn<QString>("drawing");
    for (const bool viaTwo : {false, true})
        for (const char* drawing : {"line", "block copy", "pixel"}) {
            const QString suffix = viaTwo ? QStringLiteral(", after factor 2") : QString();
            QTest::addRow("%s on picDisp%s", drawing, qPrintable(suffix))
                << true << viaTwo << QString(drawing);
            QTest::addRow("%s on picOrig%s", drawing, qPrintable(suffix))
                << false << viaTwo << QString(drawing);
        }
}

void tst_PerformanceGuards::factorOneSharesPixelsUntilDrawnOn()
{
    QFETCH(bool, drawOnShown);
    QFETCH(bool, viaFactorTwo);
    QFETCH(QString, drawing);
    const QImage image = testing::gradientImage(61, 37);
    Window w;
    w.open(testing::writeImage(dir_, QStringLiteral("picture.bmp"), image));
    if (viaFactorTwo) {
        w->cboMagnify->setListIndex(1);
        QCOMPARE(w->picDisp->surfaceSize(), QSize(122, 74));
        w->cboMagnify->setListIndex(0);
    }
    QVERIFY(w.messages().isEmpty());
    QCOMPARE(testing::firstDifference(w->picDisp->Image(), image), QString());
    QCOMPARE(testing::firstDifference(w->picOrig->Image(), image), QString());
    // One copy of the pixels: the loaded image, its picture and the shown surface.
    const uchar* const loaded = w->picOrig->surface().constBits();
    QCOMPARE(w->picDisp->surface().constBits(), loaded);
    QCOMPARE(w->picOrig->Picture().pixels().constBits(), loaded);

    PictureBox& drawnOn = drawOnShown ? *w->picDisp : *w->picOrig;
    const PictureBox& other = drawOnShown ? *w->picOrig : *w->picDisp;
    const QImage otherBefore = other.Image();
    const ColorRef ink = RGB(1, 2, 3);
    const QPoint at(13, 7);
    if (drawing == QLatin1String("line")) {
        drawnOn.setForeColor(ink);
        drawnOn.Line(float(at.x()), float(at.y()), float(at.x()) + 5, float(at.y()));
    } else if (drawing == QLatin1String("block copy")) {
        PictureBox source(&*w);
        source.setBackColor(ink);
        source.Move(0, 0, 4, 4);
        source.setForeColor(RGB(9, 9, 9));
        source.Line(3, 3, 3, 4); // the source has pixels of its own, not just a colour
        QVERIFY(BitBlt(drawnOn.hDC(), at.x(), at.y(), 4, 4, source.hDC(), 0, 0, SRCCOPY));
    } else {
        drawnOn.surface().setPixel(at, toQRgb(ink));
    }
    QCOMPARE(GetPixel(drawnOn.hDC(), at.x(), at.y()), ink);
    QCOMPARE(testing::firstDifference(other.Image(), otherBefore), QString());
    QCOMPARE(testing::firstDifference(other.Image(), image), QString());
    // The loaded image's picture is untouched whichever side was drawn on.
    QCOMPARE(testing::firstDifference(w->picOrig->Picture(), image), QString());
}

void tst_PerformanceGuards::blankPictureHoldsNoPixels()
{
    // The blank picture picDisp is given before the copy: its colour and size, no pixels;
    // erasing and resizing on the way there make no pixels either.
    Window w;
    PictureBox& box = *w->picDisp;
    box.setPicture(QImage());
    box.setWidth(4001);
    box.setHeight(3001);
    box.setPicture(box.Image());
    QVERIFY(box.hasPicture());
    QVERIFY(box.Picture().isUniform());
    QCOMPARE(box.Picture().size(), QSize(4001, 3001));
    QCOMPARE(box.Picture().uniformColor(), toQRgb(box.BackColor()));
    QCOMPARE(GetPixel(box.hDC(), 4000, 3000), box.BackColor());
    QCOMPARE(GetPixel(box.hDC(), 4001, 3000), CLR_INVALID);
    // It still paints as the background colour it stands for.
    const QImage painted = box.grab(QRect(0, 0, 8, 8)).toImage();
    QCOMPARE(painted.pixel(7, 7) & 0xFFFFFF, toQRgb(box.BackColor()) & 0xFFFFFF);
}

QTEST_MAIN(tst_PerformanceGuards)
#include "tst_performance_guards.moc"
