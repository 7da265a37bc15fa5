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

void openPicture(Window& w, const QTemporaryDir& dir, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    w.open(testing::writeImage(dir, QStringLiteral("picture.bmp"), image));
    QVERIFY(w->picOrig->hasPicture());
}

} // namespace

class tst_RulerPlacement : public QObject
{
    Q_OBJECT
private slots:
    void withoutImageRulersRunAlongTheViewport_data();
    void withoutImageRulersRunAlongTheViewport();
    void rulersHugThePicture_data();
    void rulersHugThePicture();
    void hundredPixelPictureAtForty();
    void checkBoxShowsOrHides_data();
    void checkBoxShowsOrHides();
    void tickingAgainBringsRulersForward();
};

void tst_RulerPlacement::withoutImageRulersRunAlongTheViewport_data()
{
    QTest::addColumn<int>("dpi");
    QTest::addColumn<QRectF>("across");
    QTest::addColumn<QRectF>("down");
    QTest::addColumn<QRectF>("picture");

    // Viewport 30, 72, 548 x 308 at 96 ppi; rulers 255 twips thick (17 pixels).
    QTest::newRow("96 ppi") << 96 << QRectF(30, 55, 548, 17) << QRectF(13, 72, 17, 308)
                            << QRectF(0, 0, 548, 308);
    // Viewport 38, 90, 684 x 400 at 120 ppi; rulers 21.25 pixels thick.
    QTest::newRow("120 ppi") << 120 << QRectF(38, 68.75, 684, 21.25)
                             << QRectF(16.75, 90, 21.25, 400) << QRectF(0, 0, 684, 400);
}

void tst_RulerPlacement::withoutImageRulersRunAlongTheViewport()
{
    QFETCH(int, dpi);
    QFETCH(QRectF, across);
    QFETCH(QRectF, down);
    QFETCH(QRectF, picture);

    Window w({dpi, dpi}, Qt::FramelessWindowHint);
    w->lblXY->setVisible(true);
    w->shpMarkerW->setVisible(true);
    w->PlaceRulers();

    QCOMPARE(rectOf(w->picRulerBaseW), across);
    QCOMPARE(rectOf(w->picRulerBaseH), down);
    QCOMPARE(rectOf(w->picDisp), picture);
    QCOMPARE(w->picRulerW->Width(), float(picture.width()));
    QCOMPARE(w->picRulerH->Height(), float(picture.height()));
    // Nothing to read out without an image.
    QVERIFY(!w->lblXY->Visible());
    QVERIFY(!w->shpMarkerW->Visible());
    QVERIFY(!w->shpMarkerH->Visible());
}

void tst_RulerPlacement::rulersHugThePicture_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QPointF>("scrolledTo"); // null: where loading put it
    QTest::addColumn<QRectF>("across");
    QTest::addColumn<QRectF>("down");

    // Viewport 30, 72, 548 x 308 at 96 ppi (the window opens at its minimum width, 608
    // pixels); rulers 17 pixels thick.
    QTest::newRow("small, centred at 224, 124")
        << QSize(100, 60) << QPointF() << QRectF(254, 179, 101, 17) << QRectF(237, 196, 17, 61);
    QTest::newRow("odd differences, at 223.5, 123.5")
        << QSize(101, 61) << QPointF() << QRectF(253.5, 178.5, 102, 17)
        << QRectF(236.5, 195.5, 17, 62);
    QTest::newRow("exactly the viewport")
        << QSize(548, 308) << QPointF() << QRectF(30, 55, 549, 17) << QRectF(13, 72, 17, 309);
    QTest::newRow("larger than the viewport")
        << QSize(800, 500) << QPointF() << QRectF(30, 55, 548, 17) << QRectF(13, 72, 17, 308);
    QTest::newRow("larger, scrolled") << QSize(800, 500) << QPointF(-100, -50)
                                      << QRectF(30, 55, 548, 17) << QRectF(13, 72, 17, 308);
    QTest::newRow("wider, not as tall, at top 104")
        << QSize(800, 100) << QPointF() << QRectF(30, 159, 548, 17) << QRectF(13, 176, 17, 101);
}

void tst_RulerPlacement::rulersHugThePicture()
{
    QFETCH(QSize, picture);
    QFETCH(QPointF, scrolledTo);
    QFETCH(QRectF, across);
    QFETCH(QRectF, down);

    QTemporaryDir dir;
    Window w({96, 96}, Qt::FramelessWindowHint);
    openPicture(w, dir, picture);
    if (!scrolledTo.isNull()) {
        w->picDisp->Move(float(scrolledTo.x()), float(scrolledTo.y()));
        w->PlaceRulers();
    }

    QCOMPARE(rectOf(w->picRulerBaseW), across);
    QCOMPARE(rectOf(w->picRulerBaseH), down);
    // The strips are as long as the viewport whatever their holders show of them.
    QCOMPARE(w->picRulerW->Width(), 548.0f);
    QCOMPARE(w->picRulerH->Height(), 308.0f);
    // Ruler 0 and the picture's first pixel share a screen column and row.
    if (scrolledTo.isNull()) {
        const QPoint pictureCorner = w->picDisp->mapTo(&*w, QPoint(0, 0));
        QCOMPARE(w->picRulerW->mapTo(&*w, QPoint(0, 0)).x(), pictureCorner.x());
        QCOMPARE(w->picRulerH->mapTo(&*w, QPoint(0, 0)).y(), pictureCorner.y());
    }
}

void tst_RulerPlacement::hundredPixelPictureAtForty()
{
    QTemporaryDir dir;
    Window w({96, 96}, Qt::FramelessWindowHint);
    openPicture(w, dir, QSize(100, 60));
    w->picDisp->setLeft(40);
    w->PlaceRulers();

    QCOMPARE(w->picRulerBaseW->Left(), w->picDispBase->Left() + 40);
    QCOMPARE(w->picRulerBaseW->Width(), w->picDisp->Width() + 1);
    QCOMPARE(w->picRulerBaseH->Left() + w->picRulerBaseH->Width(), w->picDispBase->Left() + 40);
}

void tst_RulerPlacement::checkBoxShowsOrHides_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<bool>("shown");

    QTest::newRow("unticked") << 1 << 0 << false;
    QTest::newRow("greyed") << 1 << 2 << false;
    QTest::newRow("ticked again") << 0 << 1 << true;
    QTest::newRow("ticked from greyed") << 2 << 1 << true;
}

void tst_RulerPlacement::checkBoxShowsOrHides()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(bool, shown);

    QTemporaryDir dir;
    Window w({96, 96}, Qt::FramelessWindowHint);
    openPicture(w, dir, QSize(100, 60));
    w->ckbShowRulers->setValue(from);
    // Out of place, to see that placement runs in both states.
    w->picRulerBaseW->Move(0, 0);
    w->picRulerBaseW->setWidth(5);
    w->picRulerBaseH->Move(0, 0);
    w->picRulerBaseH->setHeight(5);

    w->ckbShowRulers->setValue(to);

    QCOMPARE(w->picRulerBaseW->Visible(), shown);
    QCOMPARE(w->picRulerBaseH->Visible(), shown);
    QCOMPARE(w->picRulerBaseW->isVisible(), shown);
    QCOMPARE(rectOf(w->picRulerBaseW), QRectF(254, 179, 101, 17));
    QCOMPARE(rectOf(w->picRulerBaseH), QRectF(237, 196, 17, 61));
    // Showing or hiding moves nothing else.
    QCOMPARE(rectOf(w->picDispBase), QRectF(30, 72, 548, 308));
}

void tst_RulerPlacement::tickingAgainBringsRulersForward()
{
    QTemporaryDir dir;
    Window w({96, 96}, Qt::FramelessWindowHint);
    openPicture(w, dir, QSize(100, 60));
    // The viewport covers the rulers lying in its margin, and the strips are off their corners.
    w->picDispBase->ZOrder();
    w->picRulerW->Move(-50, -3);
    w->picRulerH->Move(-2, -40);
    const QPoint onRulerAcross(264, 185); // inside the viewport's margin
    const QPoint onRulerDown(244, 210);
    QCOMPARE(w->childAt(onRulerAcross), w->picDispBase);

    w->ckbShowRulers->setValue(0);
    w->ckbShowRulers->setValue(1);

    QCOMPARE(w->childAt(onRulerAcross), w->picRulerW);
    QCOMPARE(w->childAt(onRulerDown), w->picRulerH);
    QCOMPARE(QPointF(w->picRulerW->Left(), w->picRulerW->Top()), QPointF(0, 0));
    QCOMPARE(QPointF(w->picRulerH->Left(), w->picRulerH->Top()), QPointF(0, 0));
}

QTEST_MAIN(tst_RulerPlacement)
#include "tst_ruler_placement.moc"
