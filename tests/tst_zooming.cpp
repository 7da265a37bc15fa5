// The zoom in the real window: the wheel and keys toward a point, the bars at 32x, and the
// readout, the drawing and a measurement agreeing at every factor.
#include "support/test_support.h"
#include "viewer/main_window.h"

#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

using testing::Window;

Q_DECLARE_METATYPE(Zoom)

namespace
{

void turnWheel(Window& w, QPoint inViewport, int notches, Qt::KeyboardModifiers modifiers)
{
    const QPointF local = w->picDisp->mapFrom(w->picDispBase, QPointF(inViewport));
    const QPointF global = w->picDispBase->mapToGlobal(QPointF(inViewport));
    QWheelEvent wheel(local, global, QPoint(), QPoint(0, 120 * notches), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(w->picDisp, &wheel);
}

} // namespace

class tst_Zooming : public QObject
{
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void wheelKeepsThePointersPixel_data()
    {
        QTest::addColumn<Zoom>("from");
        QTest::addColumn<int>("notches");
        QTest::addColumn<QPoint>("pointer");
        QTest::addColumn<Zoom>("to");
        QTest::newRow("1 into the copy at 2") << Zoom{1, 1} << 1 << QPoint(301, 157) << Zoom{2, 1};
        QTest::newRow("2 to 3, off the copy") << Zoom{2, 1} << 1 << QPoint(77, 203) << Zoom{3, 1};
        QTest::newRow("12 out to 8") << Zoom{12, 1} << -1 << QPoint(250, 33) << Zoom{8, 1};
        QTest::newRow("1/3 in to 1/2") << Zoom{1, 3} << 1 << QPoint(101, 99) << Zoom{1, 2};
    }

    void wheelKeepsThePointersPixel()
    {
        QFETCH(Zoom, from);
        QFETCH(int, notches);
        QFETCH(QPoint, pointer);
        Window w;
        w.open(testing::gradientFile(dir_, QSize(2401, 1601)));
        w->SetFactor(from);
        QCOMPARE(w->factor(), from);
        // Somewhere in the middle, so the bars can keep the pixel where it is.
        w->hsrDisp->setValue(w->hsrDisp->Max() / 2);
        w->vsrDisp->setValue(w->vsrDisp->Max() / 3);
        const QPoint before = w->imagePixelAt(pointer);
        turnWheel(w, pointer, notches, Qt::ControlModifier);
        QTEST(w->factor(), "to");
        QFETCH(Zoom, to);
        QCOMPARE(w->cboMagnify->Text(), to.name());
        // Zoomed out, the pixel read is its square's first: the same square at least.
        const QPoint after = w->imagePixelAt(pointer);
        const int within = std::max(from.over, to.over);
        QVERIFY2(std::abs(after.x() - before.x()) < within &&
                     std::abs(after.y() - before.y()) < within,
                 qPrintable(QStringLiteral("(%1, %2) became (%3, %4)")
                                .arg(before.x())
                                .arg(before.y())
                                .arg(after.x())
                                .arg(after.y())));
        // Without Ctrl the wheel scrolls, as before.
        turnWheel(w, pointer, -1, Qt::NoModifier);
        QCOMPARE(w->factor(), to);
    }

    void barsReachTheLastPixelAt32()
    {
        Window w;
        w.open(testing::gradientFile(dir_, QSize(6000, 41)));
        w->SetFactor(Zoom{32, 1});
        QVERIFY(w->scrollUnitX > 1);
        QCOMPARE(32 % w->scrollUnitX, 0);
        w->hsrDisp->setValue(w->hsrDisp->Max());
        const int right = int(w->picDispBase->ScaleWidth()) - 1;
        QCOMPARE(w->imagePixelAt(QPointF(right, 5)).x(), 5999);
        QCOMPARE(w->pictureOrigin().x() + 6000 * 32 - 1, right);
        // One arrow step back moves one image pixel.
        const int before = w->pictureOrigin().x();
        w->hsrDisp->setValue(w->hsrDisp->Max() - w->hsrDisp->SmallChange());
        QCOMPARE(w->hsrDisp->SmallChange() * w->scrollUnitX, 32);
        QVERIFY(w->pictureOrigin().x() > before);
        QCOMPARE((w->pictureOrigin().x() - (-(w->hsrDisp->Value() * w->scrollUnitX))), 0);
    }

    void readoutDrawingAndMeasurementAgree_data()
    {
        QTest::addColumn<Zoom>("factor");
        QTest::newRow("3, centred on a half") << Zoom{3, 1};
        QTest::newRow("8, with the grid") << Zoom{8, 1};
        QTest::newRow("1/4, squares") << Zoom{1, 4};
    }

    void readoutDrawingAndMeasurementAgree()
    {
        QFETCH(Zoom, factor);
        Window w;
        // Odd sizes, so a centred picture lies at a half pixel.
        const QImage image = testing::gradientImage(67, 45);
        w.open(testing::writeImage(dir_, QStringLiteral("odd.bmp"), image));
        w->SetFactor(factor);
        w->hsrDisp->setValue(0);
        w->vsrDisp->setValue(0);
        const QImage drawn = w->picDisp->grab().toImage();
        const QPoint origin = w->pictureOrigin();
        for (const QPoint pixel : {QPoint(0, 0), QPoint(32, 20), QPoint(60, 32)}) {
            const QRect block = factor.blockOf(origin, pixel);
            // The block's first and last screen pixels read the pixel, the next one does not.
            for (const QPoint at : {block.topLeft(), block.bottomRight()}) {
                QCOMPARE(w->imagePixelAt(at), pixel);
                testing::pointAt(w->picDisp, at - origin);
                QVERIFY(w->pointedPixel());
                QCOMPARE(w->pointedPixel()->pixel, pixel);
                QCOMPARE(w->pointedPixel()->colour, image.pixel(pixel) | 0xFF000000u);
            }
            QCOMPARE(w->imagePixelAt(block.bottomRight() + QPoint(1, 1)),
                     pixel + QPoint(factor.over, factor.over));
            // Zoomed in, the block's first screen pixel is the image pixel's own colour.
            if (factor.in())
                QCOMPARE(drawn.pixel(block.topLeft() - origin), image.pixel(pixel) | 0xFF000000u);
        }
        // A drag from one block's middle to another's keeps those image pixels.
        const auto middle = [&](QPoint pixel) {
            return factor.blockOf(origin, pixel).center() - origin;
        };
        QTest::mousePress(w->picDisp, Qt::LeftButton, {}, middle(QPoint(4, 8)));
        QTest::mouseMove(w->picDisp, middle(QPoint(40, 28)));
        QTest::mouseRelease(w->picDisp, Qt::LeftButton, {}, middle(QPoint(40, 28)));
        QCOMPARE(w.measurements().count(), 1);
        QCOMPARE(w.measurements().at(0).from, QPoint(4, 8));
        QCOMPARE(w.measurements().at(0).to, QPoint(40, 28));
    }

    void aPictureKeepsItsZoomAndOneGoesBackToTheCopy()
    {
        Window w;
        const QString first = testing::gradientFile(dir_, QSize(300, 200));
        const QString second = testing::gradientFile(dir_, QSize(301, 201));
        w.open(first);
        w->SetFactor(Zoom{8, 1});
        QVERIFY(w->picDisp->drawnOnDemand());
        w.open(second);
        QCOMPARE(w->factor(), (Zoom{1, 1}));
        w.open(first);
        QCOMPARE(w->factor(), (Zoom{8, 1}));
        QCOMPARE(w->cboMagnify->Text(), QStringLiteral("8"));
        // G hides the grid: the block's last column takes the pixel's own colour.
        const QPoint last(7, 7);
        const QRgb withGrid = w->picDisp->grab().toImage().pixel(last);
        QTest::keyClick(&*w, Qt::Key_G);
        QVERIFY(w->picDisp->grab().toImage().pixel(last) != withGrid);
        QTest::keyClick(&*w, Qt::Key_G);
        // "1" from the list is the specified copy again, scrolled to the top left.
        w->hsrDisp->setValue(w->hsrDisp->Max());
        w->cboMagnify->setListIndex(0);
        QVERIFY(!w->picDisp->drawnOnDemand());
        QCOMPARE(w->factor(), (Zoom{1, 1}));
        QCOMPARE(w->magnification, 1);
        QCOMPARE(w->hsrDisp->Value(), 0);
        QCOMPARE(testing::pixelAt(*w->picDisp, 299, 0), testing::pixelAt(*w->picOrig, 299, 0));
    }
};

QTEST_MAIN(tst_Zooming)
#include "tst_zooming.moc"
