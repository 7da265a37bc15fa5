// Laying the window out when its size changes: where the viewport, the scroll bars and the
// labels end up, the minimum size, and where a picture sits inside the viewport.
#include "support/test_support.h"

#include <QResizeEvent>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

using testing::Window;

namespace
{

template <class Control> QRectF rectOf(const Control* control)
{
    return QRectF(control->Left(), control->Top(), control->Width(), control->Height());
}

// Counts the Resize events a window receives.
class ResizeCounter : public QObject
{
public:
    explicit ResizeCounter(QWidget* watched) : QObject(watched)
    {
        watched->installEventFilter(this);
    }
    int count = 0;

protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override
    {
        if (event->type() == QEvent::Resize)
            ++count;
        return false;
    }
};

// Opens a plain white picture of the given size in the window.
void openPicture(Window& w, const QTemporaryDir& dir, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    w.open(testing::writeImage(dir, QStringLiteral("picture.bmp"), image));
    QVERIFY(w->picDisp->hasPicture());
}

} // namespace

class tst_Layout : public QObject
{
    Q_OBJECT
private slots:
    void rectanglesFollowTheWindow_data();
    void rectanglesFollowTheWindow();
    void springsBackToTheMinimum_data();
    void springsBackToTheMinimum();
    void windowManagerKnowsTheMinimum_data();
    void windowManagerKnowsTheMinimum();
    void minimisedWindowIsLeftAlone();
    void pictureIsCentredInTheViewport_data();
    void pictureIsCentredInTheViewport();
    void scrolledAxisKeepsTheOtherOffset_data();
    void scrolledAxisKeepsTheOtherOffset();
    void scrollPositionsComeBackWithinRange_data();
    void scrollPositionsComeBackWithinRange();
};

void tst_Layout::rectanglesFollowTheWindow_data()
{
    QTest::addColumn<int>("dpi");
    QTest::addColumn<QSize>("client"); // empty: the design size
    QTest::addColumn<QRectF>("viewport");
    QTest::addColumn<QRectF>("vertical");
    QTest::addColumn<QRectF>("horizontal");
    QTest::addColumn<QPointF>("sizeLabel");
    QTest::addColumn<QPointF>("xyLabel");

    // The bars keep their design thickness (255 twips) and lblXY its width (4515 twips).
    // Without a frame the design width (9000 twips) is less than the minimum outer width
    // (9120 twips), so the window opens 8 pixels wider than designed at 96 ppi, 10 at 120
    // and 12 at 144. Heights are as designed.
    QTest::newRow("96 ppi, opened: 608 x 440")
        << 96 << QSize() << QRectF(30, 72, 548, 308) << QRectF(580, 72, 17, 308)
        << QRectF(30, 382, 548, 17) << QPointF(32, 407) << QPointF(275, 407);
    QTest::newRow("120 ppi, opened: 760 x 550")
        << 120 << QSize() << QRectF(38, 90, 684, 400) << QRectF(724, 90, 21.25, 400)
        << QRectF(38, 492, 684, 21.25) << QPointF(40, 521.25) << QPointF(343.75, 521.25);
    QTest::newRow("144 ppi, opened: 912 x 660")
        << 144 << QSize() << QRectF(45, 108, 822, 492) << QRectF(869, 108, 25.5, 492)
        << QRectF(45, 602, 822, 25.5) << QPointF(47, 635.5) << QPointF(413.5, 635.5);
    QTest::newRow("96 ppi, large window 1000 x 700")
        << 96 << QSize(1000, 700) << QRectF(30, 72, 940, 568) << QRectF(972, 72, 17, 568)
        << QRectF(30, 642, 940, 17) << QPointF(32, 667) << QPointF(667, 667);
}

void tst_Layout::rectanglesFollowTheWindow()
{
    QFETCH(int, dpi);
    QFETCH(QSize, client);
    QFETCH(QRectF, viewport);
    QFETCH(QRectF, vertical);
    QFETCH(QRectF, horizontal);
    QFETCH(QPointF, sizeLabel);
    QFETCH(QPointF, xyLabel);

    Window w({dpi, dpi}, Qt::FramelessWindowHint);
    if (!client.isEmpty())
        w->resize(client);

    QCOMPARE(rectOf(w->picDispBase), viewport);
    QCOMPARE(rectOf(w->vsrDisp), vertical);
    QCOMPARE(rectOf(w->hsrDisp), horizontal);
    QCOMPARE(QPointF(w->lblImageSize->Left(), w->lblImageSize->Top()), sizeLabel);
    QCOMPARE(QPointF(w->lblXY->Left(), w->lblXY->Top()), xyLabel);
    // Fractional places land on the nearest pixel, halves downward-right.
    QCOMPARE(w->lblXY->geometry().topLeft(),
             QPoint(int(std::floor(xyLabel.x() + 0.5)), int(std::floor(xyLabel.y() + 0.5))));
    // The top row never moves.
    const double pixelsPerTwip = dpi / 1440.0;
    QCOMPARE(rectOf(w->cmdOpen), QRectF(390 * pixelsPerTwip, 120 * pixelsPerTwip,
                                        1035 * pixelsPerTwip, 375 * pixelsPerTwip));
}

void tst_Layout::springsBackToTheMinimum_data()
{
    QTest::addColumn<int>("dpi");
    QTest::addColumn<bool>("framed"); // the offscreen platform draws a 2-pixel frame
    QTest::addColumn<QSize>("requested");
    QTest::addColumn<QSize>("expected");
    QTest::addColumn<int>("resizes"); // the request, plus one nested pass per corrected side

    // 9120 x 5550 twips outer: 608 x 370 pixels at 96 ppi, 912 x 555 at 144 ppi.
    QTest::newRow("narrower") << 96 << false << QSize(500, 440) << QSize(608, 440) << 2;
    QTest::newRow("lower") << 96 << false << QSize(620, 300) << QSize(620, 370) << 2;
    QTest::newRow("both") << 96 << false << QSize(300, 200) << QSize(608, 370) << 3;
    QTest::newRow("exactly the minimum") << 96 << false << QSize(608, 370) << QSize(608, 370) << 1;
    QTest::newRow("one pixel above") << 96 << false << QSize(609, 371) << QSize(609, 371) << 1;
    QTest::newRow("both at 144 ppi") << 144 << false << QSize(800, 500) << QSize(912, 555) << 3;
    // The frame counts: a 600-pixel client is 604 outer, less than the minimum.
    QTest::newRow("framed, design size") << 96 << true << QSize(600, 440) << QSize(604, 440) << 2;
    QTest::newRow("framed, both") << 96 << true << QSize(300, 200) << QSize(604, 366) << 3;
}

void tst_Layout::springsBackToTheMinimum()
{
    QFETCH(int, dpi);
    QFETCH(bool, framed);
    QFETCH(QSize, requested);
    QFETCH(QSize, expected);
    QFETCH(int, resizes);

    Window w({dpi, dpi}, framed ? Qt::WindowFlags() : Qt::FramelessWindowHint);
    // Without the window manager's limit, as when a window system ignores it.
    w->setMinimumSize(0, 0);
    ResizeCounter counter(&*w);
    w->resize(requested);

    QCOMPARE(w->size(), expected);
    QCOMPARE(counter.count, resizes);
    const double twipsPerPixel = 1440.0 / dpi;
    const QSize outer = w->frameGeometry().size();
    QCOMPARE(outer - w->size(), framed ? QSize(4, 4) : QSize(0, 0));
    QCOMPARE(w->Width(), float(outer.width() * twipsPerPixel));
    QCOMPARE(w->Height(), float(outer.height() * twipsPerPixel));
    // Laid out for the corrected size, not the requested one.
    QCOMPARE(w->picDispBase->Width(), float(expected.width() - 2 * w->baseLeft));
    QCOMPARE(w->picDispBase->Height(), float(expected.height() - w->baseTop - 60));
    // And the window manager is told the limit again.
    QCOMPARE(w->minimumSize() + (outer - w->size()),
             QSize(int(std::lround(9120 / twipsPerPixel)), int(std::lround(5550 / twipsPerPixel))));
}

void tst_Layout::windowManagerKnowsTheMinimum_data()
{
    QTest::addColumn<bool>("framed");
    QTest::addColumn<QSize>("minimum");

    QTest::newRow("no frame") << false << QSize(608, 370);
    QTest::newRow("2-pixel frame") << true << QSize(604, 366);
}

void tst_Layout::windowManagerKnowsTheMinimum()
{
    QFETCH(bool, framed);
    QFETCH(QSize, minimum);

    Window w({96, 96}, framed ? Qt::WindowFlags() : Qt::FramelessWindowHint);
    QCOMPARE(w->minimumSize(), minimum);
    // With the limit in force the window cannot be made smaller at all.
    w->resize(100, 100);
    QCOMPARE(w->size(), minimum);
    QCOMPARE(w->Width(), 9120.0f);
    QCOMPARE(w->Height(), 5550.0f);
}

void tst_Layout::minimisedWindowIsLeftAlone()
{
    Window w({96, 96}, Qt::FramelessWindowHint);
    QVERIFY(QTest::qWaitForWindowExposed(&*w));
    // A rectangle the layout would never choose, to see whether it runs.
    w->picDispBase->Move(1, 2, 3, 4);

    w->showMinimized();
    QTRY_VERIFY(w->isMinimized());
    QCOMPARE(rectOf(w->picDispBase), QRectF(1, 2, 3, 4));

    w->showNormal();
    QTRY_VERIFY(!w->isMinimized());
    QCOMPARE(rectOf(w->picDispBase), QRectF(30, 72, 548, 308));
    QCOMPARE(rectOf(w->hsrDisp), QRectF(30, 382, 548, 17));
}

void tst_Layout::pictureIsCentredInTheViewport_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QPointF>("opened");       // viewport 548 x 308
    QTest::addColumn<QPointF>("afterGrowing"); // viewport 641 x 369

    QTest::newRow("even differences")
        << QSize(100, 60) << QPointF(224, 124) << QPointF(270.5, 154.5);
    QTest::newRow("odd differences")
        << QSize(101, 61) << QPointF(223.5, 123.5) << QPointF(270, 154);
    QTest::newRow("wider than the viewport")
        << QSize(800, 60) << QPointF(0, 124) << QPointF(0, 154.5);
    QTest::newRow("taller than the viewport")
        << QSize(100, 400) << QPointF(224, 0) << QPointF(270.5, 0);
    QTest::newRow("exactly the viewport")
        << QSize(548, 308) << QPointF(0, 0) << QPointF(46.5, 30.5);
    QTest::newRow("larger than the viewport") << QSize(800, 500) << QPointF(0, 0) << QPointF(0, 0);
}

void tst_Layout::pictureIsCentredInTheViewport()
{
    QFETCH(QSize, picture);
    QFETCH(QPointF, opened);
    QFETCH(QPointF, afterGrowing);

    QTemporaryDir dir;
    Window w({96, 96}, Qt::FramelessWindowHint);
    openPicture(w, dir, picture);

    auto expectAt = [&](QPointF expected) {
        QCOMPARE(QPointF(w->picDisp->Left(), w->picDisp->Top()), expected);
        // The half pixel is kept in the control and shown at the nearest pixel.
        QCOMPARE(w->picDisp->geometry().topLeft(),
                 QPoint(int(std::floor(expected.x() + 0.5)), int(std::floor(expected.y() + 0.5))));
    };
    expectAt(opened);
    w->resize(701, 501);
    expectAt(afterGrowing);
}

void tst_Layout::scrolledAxisKeepsTheOtherOffset_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<int>("across");
    QTest::addColumn<int>("down");
    QTest::addColumn<QSize>("grownTo");
    QTest::addColumn<bool>("checkTop"); // else the left edge
    QTest::addColumn<float>("expected");

    // 800 x 100 in 548 x 308 sits at top 104; grown to 608 x 540 the centre is 154.
    QTest::newRow("scrolled across: top stays")
        << QSize(800, 100) << 30 << 0 << QSize(608, 540) << true << 104.0f;
    QTest::newRow("not scrolled: top re-centred")
        << QSize(800, 100) << 0 << 0 << QSize(608, 540) << true << 154.0f;
    // 100 x 500 sits at left 224; grown to 800 x 440 the centre is 320.
    QTest::newRow("scrolled down: left stays")
        << QSize(100, 500) << 0 << 20 << QSize(800, 440) << false << 224.0f;
    QTest::newRow("not scrolled: left re-centred")
        << QSize(100, 500) << 0 << 0 << QSize(800, 440) << false << 320.0f;
}

void tst_Layout::scrolledAxisKeepsTheOtherOffset()
{
    QFETCH(QSize, picture);
    QFETCH(int, across);
    QFETCH(int, down);
    QFETCH(QSize, grownTo);
    QFETCH(bool, checkTop);
    QFETCH(float, expected);

    QTemporaryDir dir;
    Window w({96, 96}, Qt::FramelessWindowHint);
    openPicture(w, dir, picture);
    // The ranges the scroll bars have for this picture in this viewport.
    w->hsrDisp->setMax(std::max(0, picture.width() - 548));
    w->vsrDisp->setMax(std::max(0, picture.height() - 308));
    w->hsrDisp->setValue(across);
    w->vsrDisp->setValue(down);

    w->resize(grownTo);

    QCOMPARE(int(w->hsrDisp->Value()), across);
    QCOMPARE(int(w->vsrDisp->Value()), down);
    QCOMPARE(checkTop ? w->picDisp->Top() : w->picDisp->Left(), expected);
}

void tst_Layout::scrollPositionsComeBackWithinRange_data()
{
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("old");
    QTest::addColumn<int>("expected");

    QTest::newRow("below the new maximum") << 100 << 40 << 40;
    QTest::newRow("at the new maximum") << 100 << 100 << 100;
    QTest::newRow("beyond a shrunken maximum") << 100 << 150 << 100;
    QTest::newRow("no travel left") << 0 << 150 << 0;
}

void tst_Layout::scrollPositionsComeBackWithinRange()
{
    QFETCH(int, max);
    QFETCH(int, old);
    QFETCH(int, expected);

    Window w({96, 96}, Qt::FramelessWindowHint);
    for (toolkit::ScrollBar* bar : {w->hsrDisp, w->vsrDisp}) {
        bar->setMax(max);
        bar->setValue(max == 0 ? 0 : 1);
    }
    w->RestoreScrollPositions(old, old);
    QCOMPARE(int(w->hsrDisp->Value()), expected);
    QCOMPARE(int(w->vsrDisp->Value()), expected);
}

QTEST_MAIN(tst_Layout)
#include "tst_layout.moc"
