// Laying the window out when its size changes: the viewport, scroll bars and labels, the
// minimum size, and where a picture sits inside the viewport.
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

// Records the size of every Resize the window receives.
class ResizeRecorder : public QObject
{
public:
    explicit ResizeRecorder(QWidget* watched) : QObject(watched)
    {
        watched->installEventFilter(this);
    }
    QList<QSize> sizes;

protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override
    {
        if (event->type() == QEvent::Resize)
            sizes.append(static_cast<QResizeEvent*>(event)->size());
        return false;
    }
};

} // namespace

class tst_Layout : public QObject
{
    Q_OBJECT
private slots:
    void rectanglesFollowTheWindow_data()
    {
        QTest::addColumn<int>("dpi");
        QTest::addColumn<QRectF>("viewport");
        QTest::addColumn<QRectF>("vertical");
        QTest::addColumn<QRectF>("horizontal");
        QTest::addColumn<QPointF>("sizeLabel");
        QTest::addColumn<QPointF>("xyLabel");

        // Bars 255 twips thick, lblXY 4515 twips wide. Without a frame the design width (9000
        // twips) is under the minimum outer width (9120), so the window opens that much wider.
        QTest::newRow("96 ppi, opened: 608 x 440")
            << 96 << QRectF(30, 72, 548, 308) << QRectF(580, 72, 17, 308)
            << QRectF(30, 382, 548, 17) << QPointF(32, 407) << QPointF(275, 407);
        QTest::newRow("120 ppi, opened: 760 x 550")
            << 120 << QRectF(38, 90, 684, 400) << QRectF(724, 90, 21.25, 400)
            << QRectF(38, 492, 684, 21.25) << QPointF(40, 521.25) << QPointF(343.75, 521.25);
        QTest::newRow("144 ppi, opened: 912 x 660")
            << 144 << QRectF(45, 108, 822, 492) << QRectF(869, 108, 25.5, 492)
            << QRectF(45, 602, 822, 25.5) << QPointF(47, 635.5) << QPointF(413.5, 635.5);
    }

    void rectanglesFollowTheWindow()
    {
        QFETCH(int, dpi);
        Window w({dpi, dpi}, Qt::FramelessWindowHint);

        QTEST(rectOf(w->picDispBase), "viewport");
        QTEST(rectOf(w->vsrDisp), "vertical");
        QTEST(rectOf(w->hsrDisp), "horizontal");
        QTEST(QPointF(w->lblImageSize->Left(), w->lblImageSize->Top()), "sizeLabel");
        QTEST(QPointF(w->lblXY->Left(), w->lblXY->Top()), "xyLabel");
    }

    void keepsToTheMinimum_data()
    {
        QTest::addColumn<int>("dpi");
        QTest::addColumn<bool>("framed");        // the offscreen platform draws a 2-pixel frame
        QTest::addColumn<QList<QSize>>("sizes"); // the request, then each side put right

        // 9120 x 5550 twips outer: 608 x 370 pixels at 96 ppi, 912 x 555 at 144.
        QTest::newRow("too narrow") << 96 << false << QList<QSize>{{500, 440}, {608, 440}};
        QTest::newRow("too low") << 96 << false << QList<QSize>{{620, 300}, {620, 370}};
        QTest::newRow("roomy: as asked") << 96 << false << QList<QSize>{{1000, 700}};
        QTest::newRow("exactly the minimum") << 96 << false << QList<QSize>{{608, 370}};
        QTest::newRow("both, at 144 ppi")
            << 144 << false << QList<QSize>{{800, 500}, {912, 500}, {912, 555}};
        // 633.3 x 385.4 pixels: rounding to nearest would leave the window below the limit.
        QTest::newRow("100 ppi: rounded up to whole pixels")
            << 100 << false << QList<QSize>{{500, 300}, {634, 300}, {634, 386}};
        // The limit is on the outer size, so a frame leaves a smaller client.
        QTest::newRow("framed, both")
            << 96 << true << QList<QSize>{{300, 200}, {604, 200}, {604, 366}};
        QTest::newRow("framed, just above") << 96 << true << QList<QSize>{{606, 368}};
    }

    void keepsToTheMinimum()
    {
        QFETCH(int, dpi);
        QFETCH(bool, framed);
        QFETCH(QList<QSize>, sizes);

        Window w({dpi, dpi}, framed ? Qt::WindowFlags() : Qt::FramelessWindowHint);
        // As on a window system that ignores the advised minimum.
        w->setMinimumSize(0, 0);
        ResizeRecorder recorder(&*w);
        w->resize(sizes.first());

        QCOMPARE(recorder.sizes, sizes);
        const QSize expected = sizes.last();
        // Laid out for the corrected size, not the requested one.
        QCOMPARE(rectOf(w->picDispBase).size(),
                 QSizeF(expected) - QSizeF(2 * w->baseLeft, w->baseTop + 60));
        // And the window manager is told the limit again, as a client size, in the whole
        // pixels that reach it.
        const QSize frame = w->frameGeometry().size() - w->size();
        QCOMPARE(w->minimumSize() + frame,
                 QSize(int(std::ceil(9120 * dpi / 1440.0)), int(std::ceil(5550 * dpi / 1440.0))));
    }

    void minimumCountsTheFrame_data()
    {
        QTest::addColumn<int>("dpi");
        QTest::addColumn<QSize>("asked"); // client size
        QTest::addColumn<QSize>("frame"); // outer minus client
        QTest::addColumn<QSize>("held");  // client size after the spring-back

        // A window manager's frame: 1 + 1 pixels across, a title of 20 and a bottom edge of 5.
        const QSize wm(2, 25);
        // The design client opens 2 pixels short of the 608-pixel outer minimum, not 8.
        QTest::newRow("96 ppi, opened in a frame")
            << 96 << QSize(600, 440) << wm << QSize(606, 440);
        QTest::newRow("96 ppi, opened with the frame unknown")
            << 96 << QSize(600, 440) << QSize(0, 0) << QSize(608, 440);
        QTest::newRow("96 ppi, shrunk in a frame")
            << 96 << QSize(300, 200) << wm << QSize(606, 345);
        // At the limit the size is set to what it is; one pixel over is left alone.
        QTest::newRow("96 ppi, exactly the minimum")
            << 96 << QSize(606, 345) << wm << QSize(606, 345);
        QTest::newRow("96 ppi, one over") << 96 << QSize(607, 346) << wm << QSize(607, 346);
        QTest::newRow("96 ppi, one under") << 96 << QSize(605, 344) << wm << QSize(606, 345);
        // 760 x 462.5 outer: the half pixel is covered, not dropped.
        QTest::newRow("120 ppi, opened in a frame")
            << 120 << QSize(750, 550) << QSize(2, 26) << QSize(758, 550);
        QTest::newRow("120 ppi, shrunk in a frame")
            << 120 << QSize(500, 300) << QSize(2, 26) << QSize(758, 437);
        QTest::newRow("144 ppi, opened in a frame")
            << 144 << QSize(900, 660) << wm << QSize(910, 660);
        QTest::newRow("144 ppi, shrunk in a frame")
            << 144 << QSize(10, 10) << wm << QSize(910, 530);
        QTest::newRow("unequal 96 x 120 ppi") << 0 << QSize(10, 10) << wm << QSize(606, 438);
    }

    void minimumCountsTheFrame()
    {
        QFETCH(int, dpi);
        QFETCH(QSize, asked);
        QFETCH(QSize, frame);
        toolkit::Screen::setDpiOverride(dpi ? toolkit::Dpi{dpi, dpi} : toolkit::Dpi{96, 120});
        const QSize held = frmVelmora::clientSizeHeldToMinimum(asked, frame);
        toolkit::Screen::setDpiOverride(std::nullopt);
        QTEST(held, "held");
    }

    void minimisedWindowIsLeftAlone()
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
    }

    void pictureIsPlacedOnResize_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QPoint>("scrolled"); // scroll bar values before the resize
        QTest::addColumn<QPointF>("opened");  // in a 548 x 308 viewport
        QTest::addColumn<QPointF>("grown");   // in a 641 x 369 viewport

        // Halves stay unrounded so the picture and its ruler land on the same pixel.
        QTest::newRow("even differences")
            << QSize(100, 60) << QPoint() << QPointF(224, 124) << QPointF(270.5, 154.5);
        QTest::newRow("odd differences")
            << QSize(101, 61) << QPoint() << QPointF(223.5, 123.5) << QPointF(270, 154);
        QTest::newRow("wider than the viewport: only the top centred")
            << QSize(800, 60) << QPoint() << QPointF(0, 124) << QPointF(0, 154.5);
        // A picture scrolled on either axis stays scrolled and is not re-centred on the other.
        QTest::newRow("scrolled across: top stays")
            << QSize(800, 100) << QPoint(30, 0) << QPointF(0, 104) << QPointF(-30, 104);
        QTest::newRow("scrolled down: left stays")
            << QSize(100, 500) << QPoint(0, 20) << QPointF(224, 0) << QPointF(224, -20);
    }

    void pictureIsPlacedOnResize()
    {
        QFETCH(QSize, picture);
        QFETCH(QPoint, scrolled);

        QTemporaryDir dir;
        QImage image(picture, QImage::Format_RGB32);
        image.fill(Qt::white);
        Window w({96, 96}, Qt::FramelessWindowHint);
        w.open(testing::writeImage(dir, QStringLiteral("picture.bmp"), image));
        QVERIFY(w->picDisp->hasPicture());
        QTEST(QPointF(w->picDisp->Left(), w->picDisp->Top()), "opened");
        w->hsrDisp->setValue(scrolled.x());
        w->vsrDisp->setValue(scrolled.y());

        w->resize(701, 501);

        QTEST(QPointF(w->picDisp->Left(), w->picDisp->Top()), "grown");
        QCOMPARE(QPoint(w->hsrDisp->Value(), w->vsrDisp->Value()), scrolled);
    }

    void pictureOutgrowingTheViewportFollowsItsBar_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QPoint>("scrolled"); // bar values before the window shrinks
        QTest::addColumn<QPointF>("opened");  // in a 940 x 568 viewport
        QTest::addColumn<QPointF>("shrunk");  // in a 548 x 308 viewport

        // Centred across in the large viewport, scrolled down: shrunk, it is wider than the
        // viewport and must stand where its bar, at 0, says.
        QTest::newRow("across, the other bar away from 0")
            << QSize(701, 800) << QPoint(0, 20) << QPointF(119.5, -20) << QPointF(0, -20);
        QTest::newRow("down, the other bar away from 0")
            << QSize(1200, 401) << QPoint(30, 0) << QPointF(-30, 83.5) << QPointF(-30, 0);
        // Exactly as wide as the new viewport: the bar has no travel, the picture sits at 0.
        QTest::newRow("exactly the new width")
            << QSize(548, 800) << QPoint(0, 20) << QPointF(196, -20) << QPointF(0, -20);
        // Still narrower than the new viewport: it keeps its offset, as the layout says.
        QTest::newRow("still narrower keeps its offset")
            << QSize(500, 800) << QPoint(0, 20) << QPointF(220, -20) << QPointF(220, -20);
    }

    void pictureOutgrowingTheViewportFollowsItsBar()
    {
        QFETCH(QSize, picture);
        QFETCH(QPoint, scrolled);

        QTemporaryDir dir;
        Window w({96, 96}, Qt::FramelessWindowHint);
        w->resize(1000, 700);
        w.open(testing::gradientFile(dir, picture));
        w->hsrDisp->setValue(scrolled.x());
        w->vsrDisp->setValue(scrolled.y());
        QTEST(QPointF(w->picDisp->Left(), w->picDisp->Top()), "opened");

        w->resize(608, 440);

        QTEST(QPointF(w->picDisp->Left(), w->picDisp->Top()), "shrunk");
        QCOMPARE(QPoint(w->hsrDisp->Value(), w->vsrDisp->Value()), scrolled);
        // The rulers lie against the picture's pixels: on a scrolling axis, at the
        // viewport's edge, where the picture's scrolled-out part ends.
        QFETCH(QPointF, shrunk);
        QCOMPARE(w->picRulerBaseW->Left(),
                 w->picDispBase->Left() + std::max(0.f, float(shrunk.x())));
        QCOMPARE(w->picRulerBaseH->Top(), w->picDispBase->Top() + std::max(0.f, float(shrunk.y())));
    }

    void scrollPositionsComeBackWithinRange()
    {
        Window w({96, 96}, Qt::FramelessWindowHint);
        w->hsrDisp->setMax(100);
        w->vsrDisp->setMax(100);
        // One position still in range, one beyond a maximum that has shrunk.
        w->RestoreScrollPositions(40, 150);
        QCOMPARE(QPoint(w->hsrDisp->Value(), w->vsrDisp->Value()), QPoint(40, 100));
    }
};

QTEST_MAIN(tst_Layout)
#include "tst_layout.moc"
