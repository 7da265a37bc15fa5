// Where the two rulers sit against the picture, and showing or hiding them.
#include "support/test_support.h"

#include <QTemporaryDir>
#include <QTest>

using testing::Window;

namespace
{

template <class Control> QRectF rectOf(const Control* control)
{
    return QRectF(control->Left(), control->Top(), control->Width(), control->Height());
}

// Opens a white picture of the given size; an empty size opens nothing.
void openPicture(Window& w, const QTemporaryDir& dir, QSize size)
{
    if (size.isEmpty())
        return;
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    w.open(testing::writeImage(dir, QStringLiteral("picture.bmp"), image));
    QVERIFY(w->picOrig->hasPicture());
}

} // namespace

class tst_RulerPlacement : public QObject
{
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void rulersHugThePicture_data()
    {
        QTest::addColumn<QSize>("picture");   // empty: no image
        QTest::addColumn<QPointF>("movedTo"); // null: where loading put it
        QTest::addColumn<QRectF>("across");
        QTest::addColumn<QRectF>("down");

        // Viewport 30, 72, 548 x 308 at 96 ppi; rulers 17 pixels thick.
        QTest::newRow("no image: along the viewport's edges")
            << QSize() << QPointF() << QRectF(30, 55, 548, 17) << QRectF(13, 72, 17, 308);
        QTest::newRow("100 pixels wide at Left 40: one pixel longer")
            << QSize(100, 60) << QPointF(40, 124) << QRectF(70, 179, 101, 17)
            << QRectF(53, 196, 17, 61);
        QTest::newRow("centred at 223.5, 123.5: halves kept")
            << QSize(101, 61) << QPointF() << QRectF(253.5, 178.5, 102, 17)
            << QRectF(236.5, 195.5, 17, 62);
        QTest::newRow("exactly the viewport")
            << QSize(548, 308) << QPointF() << QRectF(30, 55, 549, 17) << QRectF(13, 72, 17, 309);
        // A negative offset must not pull the rulers out of place.
        QTest::newRow("larger than the viewport, scrolled")
            << QSize(800, 500) << QPointF(-100, -50) << QRectF(30, 55, 548, 17)
            << QRectF(13, 72, 17, 308);
        QTest::newRow("wider, not as tall: each axis on its own")
            << QSize(800, 100) << QPointF() << QRectF(30, 159, 548, 17) << QRectF(13, 176, 17, 101);
    }

    void rulersHugThePicture()
    {
        QFETCH(QSize, picture);
        QFETCH(QPointF, movedTo);

        Window w({96, 96}, Qt::FramelessWindowHint);
        openPicture(w, dir_, picture);
        w->lblXY->setVisible(true);
        if (!movedTo.isNull())
            w->picDisp->Move(float(movedTo.x()), float(movedTo.y()));
        w->PlaceRulers();

        QTEST(rectOf(w->picRulerBaseW), "across");
        QTEST(rectOf(w->picRulerBaseH), "down");
        // The strips are as long as the viewport whatever their holders show of them.
        QCOMPARE(QSizeF(w->picRulerW->Width(), w->picRulerH->Height()), QSizeF(548, 308));
        if (picture.isEmpty()) {
            QCOMPARE(rectOf(w->picDisp), QRectF(0, 0, 548, 308));
            QVERIFY2(!w->lblXY->Visible(), "nothing to read out without an image");
        }
        // Ruler 0 and the picture's first pixel share a screen column and row.
        const QPoint corner = w->picDisp->mapTo(&*w, QPoint(0, 0));
        if (w->picDisp->Left() >= 0)
            QCOMPARE(w->picRulerW->mapTo(&*w, QPoint(0, 0)).x(), corner.x());
        if (w->picDisp->Top() >= 0)
            QCOMPARE(w->picRulerH->mapTo(&*w, QPoint(0, 0)).y(), corner.y());
    }

    void rulersMeetTheEdgesOnScreen_data()
    {
        QTest::addColumn<int>("dpi");
        QTest::addColumn<QSize>("picture"); // empty: no image

        // Rulers 255 twips thick: 17 pixels at 96 ppi, 21.25 at 120 and 25.5 at 144.
        for (const int dpi : {96, 120, 144}) {
            QTest::addRow("%d ppi, no image", dpi) << dpi << QSize();
            QTest::addRow("%d ppi, centred at whole pixels", dpi) << dpi << QSize(100, 60);
            QTest::addRow("%d ppi, centred at halves", dpi) << dpi << QSize(101, 61);
            QTest::addRow("%d ppi, larger than the viewport", dpi) << dpi << QSize(2000, 1500);
        }
    }

    // On screen, not in the stored fractions: a ruler covering the picture's first row or
    // leaving a row of background before it would misread every measurement by a pixel.
    void rulersMeetTheEdgesOnScreen()
    {
        QFETCH(int, dpi);
        QFETCH(QSize, picture);

        Window w({dpi, dpi}, Qt::FramelessWindowHint);
        openPicture(w, dir_, picture);
        w->PlaceRulers();

        const auto inWindow = [&](const QWidget* control, QPoint at) {
            return control->mapTo(&*w, at);
        };
        // Where the picture starts to show: its corner, or the viewport's when it is cut off.
        const QPoint shown(
            std::max(inWindow(w->picDisp, {0, 0}).x(), inWindow(w->picDispBase, {0, 0}).x()),
            std::max(inWindow(w->picDisp, {0, 0}).y(), inWindow(w->picDispBase, {0, 0}).y()));
        const QWidget* across = w->picRulerBaseW;
        const QWidget* down = w->picRulerBaseH;
        QCOMPARE(inWindow(across, {0, across->height()}).y(), shown.y());
        QCOMPARE(inWindow(down, {down->width(), 0}).x(), shown.x());
        QCOMPARE(inWindow(across, {0, 0}).x(), shown.x());
        QCOMPARE(inWindow(down, {0, 0}).y(), shown.y());
        // The surfaces cover exactly what shows, so nothing drawn is lost or left unpainted.
        QCOMPARE(w->picRulerBaseW->surface().size(), across->size());
        QCOMPARE(w->picRulerBaseH->surface().size(), down->size());
    }

    void checkBoxShowsOrHides_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<bool>("shown");

        QTest::newRow("unticked") << 1 << 0 << false;
        QTest::newRow("greyed hides too") << 1 << 2 << false;
        QTest::newRow("ticked again") << 0 << 1 << true;
    }

    void checkBoxShowsOrHides()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(bool, shown);

        Window w({96, 96}, Qt::FramelessWindowHint);
        openPicture(w, dir_, QSize(100, 60));
        w->ckbShowRulers->setValue(from);
        // Out of place and behind the viewport, to see what showing or hiding puts right.
        w->picRulerBaseW->Move(0, 0, 5, 17);
        w->picRulerBaseH->Move(0, 0, 17, 5);
        w->picRulerW->Move(-50, -3);
        w->picRulerH->Move(-2, -40);
        w->picDispBase->ZOrder();

        w->ckbShowRulers->setValue(to);

        QCOMPARE(w->picRulerBaseW->isVisible(), shown);
        QCOMPARE(w->picRulerBaseH->isVisible(), shown);
        // Placed in both states, so they fit the picture whenever they are shown.
        QCOMPARE(rectOf(w->picRulerBaseW), QRectF(254, 179, 101, 17));
        QCOMPARE(rectOf(w->picRulerBaseH), QRectF(237, 196, 17, 61));
        if (!shown)
            return;
        // In front of the viewport, in whose margin they lie, with the strips back at 0, 0.
        QCOMPARE(w->childAt(264, 185), w->picRulerW);
        QCOMPARE(w->childAt(244, 210), w->picRulerH);
        QCOMPARE(QPointF(w->picRulerW->Left(), w->picRulerW->Top()), QPointF(0, 0));
        QCOMPARE(QPointF(w->picRulerH->Left(), w->picRulerH->Top()), QPointF(0, 0));
    }
};

QTEST_MAIN(tst_RulerPlacement)
#include "tst_ruler_placement.moc"
