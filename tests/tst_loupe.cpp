// The loupe against the picture's own pixels, the checks past them, its outline and means, the
// colour notations, its keys, and stepping the pointer one image pixel at a time.
#include "instruments/colours.h"
#include "instruments/loupe.h"
#include "instruments/loupe_squares.h"
#include "support/test_support.h"

#include <QCursor>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using testing::pointAt;
using testing::Window;

namespace
{

// 60 x 40, no two pixels alike and none grey, so a square shows which pixel it copies.
QImage loupePicture()
{
    return testing::gradientImage(60, 40);
}

Loupe* loupeOf(const Window& w)
{
    return w->instrument<Loupe>();
}

} // namespace

Q_DECLARE_METATYPE(toolkit::Dpi)

class tst_Loupe : public QObject
{
    Q_OBJECT
    QTemporaryDir dir_;
    QString picture_;

private slots:
    void initTestCase()
    {
        picture_ = testing::writeImage(dir_, QStringLiteral("loupe.bmp"), loupePicture());
    }

    void squaresAreThePicturesPixels_data()
    {
        QTest::addColumn<toolkit::Dpi>("dpi");
        QTest::addColumn<int>("factor");
        QTest::addColumn<QPoint>("centre");
        QTest::addColumn<int>("cell");    // screen pixels a side of one image pixel
        QTest::addColumn<int>("presses"); // times + is pressed, or - where negative
        QTest::addColumn<int>("count");

        QTest::newRow("corner, factor 1, 96 ppi")
            << toolkit::Dpi{96, 96} << 1 << QPoint(0, 0) << 10 << 0 << 15;
        QTest::newRow("far edge, factor 2, 96 x 120 ppi")
            << toolkit::Dpi{96, 120} << 2 << QPoint(59, 20) << 10 << 0 << 15;
        QTest::newRow("middle, factor 2, 120 ppi")
            << toolkit::Dpi{120, 120} << 2 << QPoint(30, 39) << 12 << 0 << 15;
        QTest::newRow("far corner, - once past the fewest, 96 x 120 ppi")
            << toolkit::Dpi{96, 120} << 1 << QPoint(59, 39) << 10 << -4 << 7;
        QTest::newRow("top right, + once past the most, 120 ppi")
            << toolkit::Dpi{120, 120} << 1 << QPoint(59, 0) << 12 << 3 << 31;
    }

    // Every pixel of the squares: the image pixel it stands for, a checker grey beyond the
    // image, grid grey between, and the outline around the centre.
    void squaresAreThePicturesPixels()
    {
        QFETCH(toolkit::Dpi, dpi);
        QFETCH(int, factor);
        QFETCH(QPoint, centre);
        QFETCH(int, cell);
        QFETCH(int, presses);
        QFETCH(int, count);

        Window w(dpi, Qt::FramelessWindowHint);
        QVERIFY(QTest::qWaitForWindowExposed(&*w));
        w.open(picture_);
        w->cboMagnify->setListIndex(factor - 1);
        QTest::keyClick(&*w, Qt::Key_L);
        QVERIFY(loupeOf(w)->shown());
        QCOMPARE(loupeOf(w)->view()->windowTitle(), QStringLiteral("放大镜"));
        for (int i = 0; i < std::abs(presses); ++i)
            QTest::keyClick(&*w, presses > 0 ? Qt::Key_Plus : Qt::Key_Minus);
        QCOMPARE(loupeOf(w)->count(), count);
        pointAt(w->picDisp, centre * factor + QPoint(factor - 1, factor - 1));
        QTRY_COMPARE(loupeOf(w)->centre(), std::optional(centre));

        const QImage shot = loupeOf(w)->view()->grab().toImage();
        const QImage picture = loupePicture();
        const int pitch = cell + 1, margin = 6;
        for (int y = 0; y <= count * pitch; ++y)
            for (int x = 0; x <= count * pitch; ++x) {
                const QPoint cellAt((x - 1) / pitch, (y - 1) / pitch);
                const QPoint pixel = centre + cellAt - QPoint(count / 2, count / 2);
                const bool gridX = x % pitch == 0, gridY = y % pitch == 0;
                const bool ring = (gridX || gridY) &&
                                  std::abs(x - count / 2 * pitch - pitch / 2) <= pitch / 2 + 1 &&
                                  std::abs(y - count / 2 * pitch - pitch / 2) <= pitch / 2 + 1;
                const QRgb seen = shot.pixel(margin + x, margin + y) | 0xFF000000;
                if (ring)
                    continue; // the outline, checked on its own
                if (gridX || gridY)
                    QCOMPARE(seen, loupe::kGridGrey);
                else if (picture.valid(pixel))
                    QCOMPARE(seen, picture.pixel(pixel));
                else
                    QVERIFY(seen == loupe::kCheckLight || seen == loupe::kCheckDark);
            }
    }

    void outlineShowsOnTheCentre_data()
    {
        QTest::addColumn<QRgb>("colour");
        QTest::addColumn<QRgb>("outline");
        QTest::newRow("black") << qRgb(0, 0, 0) << qRgb(255, 255, 255);
        QTest::newRow("white") << qRgb(255, 255, 255) << qRgb(0, 0, 0);
        QTest::newRow("mid grey") << qRgb(128, 128, 128) << qRgb(0, 0, 0);
        QTest::newRow("just darker than mid grey") << qRgb(127, 128, 128) << qRgb(255, 255, 255);
        // Luma exactly half in thousandths, not in floating point; greys hide the weights.
        QTest::newRow("green-heavy, luma just half") << qRgb(23, 191, 79) << qRgb(0, 0, 0);
        QTest::newRow("the same, blue one less") << qRgb(23, 191, 78) << qRgb(255, 255, 255);
    }

    void outlineShowsOnTheCentre()
    {
        QFETCH(QRgb, colour);
        QFETCH(QRgb, outline);
        QImage picture(5, 5, QImage::Format_RGB32);
        picture.fill(colour);
        const QImage squares = loupe::drawSquares(picture, QPoint(2, 2), 7, 10);
        // The ring lies on the grid lines around square 3 of 7: 33 to 44.
        for (const QPoint at : {QPoint(33, 33), QPoint(44, 38), QPoint(38, 44)})
            QCOMPARE(squares.pixel(at), outline);
        QCOMPARE(squares.pixel(38, 38), colour);
        QCOMPARE(squares.pixel(22, 38), loupe::kGridGrey);
    }

    void squaresBeyondTheEdge_data()
    {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<QRgb>("colour");
        // 7 squares of 10 around (2, 1), the last pixel of a 3 x 2 picture: square (i, j)
        // shows pixel (i - 1, j - 2) from (11i + 1, 11j + 1), or checks of 2, light first.
        QTest::newRow("last column, first row") << QPoint(38, 27) << qRgb(240, 40, 9);
        QTest::newRow("past the last column") << QPoint(45, 23) << loupe::kCheckLight;
        QTest::newRow("past the last row, a check across") << QPoint(14, 45) << loupe::kCheckDark;
        QTest::newRow("above, a check down") << QPoint(1, 4) << loupe::kCheckDark;
        QTest::newRow("above, a check down and across") << QPoint(3, 4) << loupe::kCheckLight;
        QTest::newRow("above, the next square light again") << QPoint(12, 1) << loupe::kCheckLight;
    }

    void squaresBeyondTheEdge()
    {
        QImage picture(3, 2, QImage::Format_RGB32);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                picture.setPixel(x, y, qRgb(40 + 100 * x, 40 + 100 * y, 9));
        QFETCH(QPoint, at);
        QTEST(loupe::drawSquares(picture, QPoint(2, 1), 7, 10).pixel(at), "colour");
    }

    void meansCountOnlyTheImage_data()
    {
        QTest::addColumn<QPoint>("centre");
        QTest::addColumn<int>("radius");
        QTest::addColumn<QRgb>("mean");
        // Red is x, green is y x 10 in a 4 x 3 picture.
        QTest::newRow("corner, 3 x 3: four pixels, halves up")
            << QPoint(0, 0) << 1 << qRgb(1, 5, 9);
        QTest::newRow("corner, 5 x 5: nine pixels") << QPoint(0, 0) << 2 << qRgb(1, 10, 9);
        QTest::newRow("inside, 3 x 3") << QPoint(1, 1) << 1 << qRgb(1, 10, 9);
        QTest::newRow("far edge, 5 x 5: the whole row span") << QPoint(3, 2) << 2 << qRgb(2, 10, 9);
    }

    void meansCountOnlyTheImage()
    {
        QImage picture(4, 3, QImage::Format_RGB32);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x)
                picture.setPixel(x, y, qRgb(x, y * 10, 9));
        QFETCH(QPoint, centre);
        QFETCH(int, radius);
        QTEST(colours::meanAround(picture, centre, radius), "mean");
    }

    void notations_data()
    {
        QTest::addColumn<QRgb>("colour");
        QTest::addColumn<QString>("text");
        QTest::newRow("red") << qRgb(255, 0, 0) << "RGB(255, 0, 0) #FF0000 HSL(0, 100%, 50%)";
        QTest::newRow("grey: no hue")
            << qRgb(128, 128, 128) << "RGB(128, 128, 128) #808080 HSL(0, 0%, 50%)";
        QTest::newRow("orange: hue 30.1, lightness 50.2")
            << qRgb(255, 128, 0) << "RGB(255, 128, 0) #FF8000 HSL(30, 100%, 50%)";
        QTest::newRow("pink: hue 329.9")
            << qRgb(255, 0, 128) << "RGB(255, 0, 128) #FF0080 HSL(330, 100%, 50%)";
        QTest::newRow("hue 359.8: round, so 0")
            << qRgb(255, 0, 1) << "RGB(255, 0, 1) #FF0001 HSL(0, 100%, 50%)";
        QTest::newRow("saturation 47.6, lightness 58.8")
            << qRgb(200, 100, 100) << "RGB(200, 100, 100) #C86464 HSL(0, 48%, 59%)";
    }

    void notations()
    {
        QFETCH(QRgb, colour);
        QTEST(QStringList(
                  {colours::rgbText(colour), colours::hexText(colour), colours::hslText(colour)})
                  .join(QLatin1Char(' ')),
              "text");
    }

    // L shows and hides it, + and - step its count, and both are remembered; with no picture
    // it says so.
    void keysAndMemory()
    {
        Window w({96, 96}, Qt::FramelessWindowHint);
        QVERIFY(QTest::qWaitForWindowExposed(&*w));
        Loupe* loupe = loupeOf(w);
        QTest::keyClick(&*w, Qt::Key_L);
        QVERIFY(loupe->shown());
        QCOMPARE(loupe->lines(), QStringList{"没有图像"});
        QTest::keyClick(&*w, Qt::Key_Plus);
        QCOMPARE(loupe->count(), 21);
        QTest::keyClick(loupe->view(), Qt::Key_Minus);
        QTest::keyClick(loupe->view(), Qt::Key_Minus);
        QCOMPARE(loupe->count(), 11);
        QTest::keyClick(&*w, Qt::Key_L);
        QVERIFY(!loupe->shown());
        QCOMPARE(QSettings().value("loupe/shown").toBool(), false);
        QCOMPARE(QSettings().value("loupe/count").toInt(), 11);

        w.open(picture_);
        QCOMPARE(loupe->lines().value(0), QStringLiteral("位置  0, 0"));
        w.open(dir_.filePath(QStringLiteral("missing.bmp")));
        QCOMPARE(loupe->lines(), QStringList{"没有图像"});
    }

    void ctrlArrowsStepImagePixels_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QPoint>("to");
        QTest::newRow("right: one pixel, two screen pixels")
            << int(Qt::Key_Right) << false << QPoint(10, 10) << QPoint(11, 10);
        QTest::newRow("up with Shift: ten")
            << int(Qt::Key_Up) << true << QPoint(10, 15) << QPoint(10, 5);
        QTest::newRow("left with Shift near the edge: stops on 0")
            << int(Qt::Key_Left) << true << QPoint(4, 10) << QPoint(0, 10);
        QTest::newRow("down at the last row: stays")
            << int(Qt::Key_Down) << false << QPoint(10, 39) << QPoint(10, 39);
    }

    void ctrlArrowsStepImagePixels()
    {
        QFETCH(int, key);
        QFETCH(bool, shift);
        QFETCH(QPoint, from);
        QFETCH(QPoint, to);

        Window w({96, 96}, Qt::FramelessWindowHint);
        QVERIFY(QTest::qWaitForWindowExposed(&*w));
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&*w));
        w.open(picture_);
        w->cboMagnify->setListIndex(1);
        // The second screen pixel of the block: it stays the second.
        pointAt(w->picDisp, from * 2 + QPoint(1, 1));
        QTRY_COMPARE(w->pointedPixel()->pixel, from);
        const QPoint before = QCursor::pos();

        const Qt::KeyboardModifiers keys =
            shift ? Qt::ControlModifier | Qt::ShiftModifier : Qt::ControlModifier;
        QTest::keyClick(&*w, Qt::Key(key), keys);
        QTRY_COMPARE(w->pointedPixel()->pixel, to);
        QCOMPARE(QCursor::pos() - before, (to - from) * 2);
        QCOMPARE(loupeOf(w)->centre(), std::optional(to));
        // The picture did not scroll.
        QCOMPARE(w->hsrDisp->Value() + w->vsrDisp->Value(), 0);
    }
};

QTEST_MAIN(tst_Loupe)
#include "tst_loupe.moc"
