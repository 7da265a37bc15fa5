// Scrolling: the bars' ranges against the viewport, and the picture and rulers following the
// bars however they move (code, arrows, trough, thumb, wheel), also when moves come in
// while a change is still being handled.
#include "support/test_support.h"

#include <QStyle>
#include <QStyleOptionSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

using testing::Window;
using toolkit::ScrollBar;

namespace
{

// Where a bar's value puts the picture's near edge: one pixel per step, and at the end of
// travel the far edges of picture and viewport together.
float expectedOffset(const ScrollBar& bar, float picture, float viewport)
{
    return bar.Value() < bar.Max() ? -float(bar.Value()) : -(picture - viewport);
}

// "" when the picture sits where both bars say and the rulers are those a fresh redraw
// gives for the bars' values; otherwise what is out of step.
QString outOfStep(const Window& w)
{
    const QPointF expected(
        expectedOffset(*w->hsrDisp, w->picDisp->ScaleWidth(), w->picDispBase->ScaleWidth()),
        expectedOffset(*w->vsrDisp, w->picDisp->ScaleHeight(), w->picDispBase->ScaleHeight()));
    const QPointF actual(w->picDisp->Left(), w->picDisp->Top());
    if (actual != expected)
        return QStringLiteral("picture at (%1, %2), bars say (%3, %4)")
            .arg(actual.x())
            .arg(actual.y())
            .arg(expected.x())
            .arg(expected.y());
    const QImage across = w->picRulerW->Image(), down = w->picRulerH->Image();
    w->DrawRulers();
    if (const QString d = testing::firstDifference(across, w->picRulerW->Image()); !d.isEmpty())
        return QStringLiteral("ruler across is stale: ") + d;
    if (const QString d = testing::firstDifference(down, w->picRulerH->Image()); !d.isEmpty())
        return QStringLiteral("ruler down is stale: ") + d;
    return QString();
}

// The style's rectangle of one part of a bar (thumb, arrows), in the bar's coordinates.
QRect partOf(const ScrollBar& bar, QStyle::SubControl part)
{
    QStyleOptionSlider option;
    option.initFrom(&bar);
    option.subControls = QStyle::SC_All;
    option.orientation = bar.orientation();
    if (bar.orientation() == Qt::Horizontal)
        option.state |= QStyle::State_Horizontal;
    option.minimum = bar.minimum();
    option.maximum = bar.maximum();
    option.sliderPosition = bar.sliderPosition();
    option.sliderValue = bar.value();
    option.singleStep = bar.singleStep();
    option.pageStep = bar.pageStep();
    option.upsideDown = false;
    return bar.style()->subControlRect(QStyle::CC_ScrollBar, &option, part, &bar);
}

void turnWheel(QWidget* target, QPoint angle)
{
    const QPointF at = QRectF(target->rect()).center();
    QWheelEvent wheel(at, target->mapToGlobal(at), QPoint(), angle, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &wheel);
}

} // namespace

class tst_Scrolling : public QObject
{
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void rangesFollowThePictureAgainstTheViewport_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QSizeF>("viewport");
        QTest::addColumn<int>("maxAcross");
        QTest::addColumn<int>("maxDown");
        QTest::addColumn<bool>("stepsSetAcross");
        QTest::addColumn<bool>("stepsSetDown");

        // Across and down differ in every row, so a swapped axis shows.
        QTest::newRow("smaller on both axes")
            << QSize(300, 200) << QSizeF(400, 250) << 0 << 0 << false << false;
        QTest::newRow("exactly the viewport's size")
            << QSize(400, 250) << QSizeF(400, 250) << 0 << 0 << false << false;
        QTest::newRow("wider only")
            << QSize(451, 100) << QSizeF(400, 250) << 51 << 0 << true << false;
        QTest::newRow("half a pixel rounds to even: none")
            << QSize(400, 250) << QSizeF(399.5, 249.5) << 0 << 0 << false << false;
        QTest::newRow("1.5 up to 2, 2.5 down to 2")
            << QSize(400, 250) << QSizeF(398.5, 247.5) << 2 << 2 << true << true;
        QTest::newRow("3.5 up to 4, 98.5 down to 98")
            << QSize(400, 350) << QSizeF(396.5, 251.5) << 4 << 98 << true << true;
        QTest::newRow("the largest range, over a viewport of nothing")
            << QSize(32767, 3) << QSizeF(0, 1) << 32767 << 2 << true << true;
    }

    void rangesFollowThePictureAgainstTheViewport()
    {
        QFETCH(QSize, picture);
        QFETCH(QSizeF, viewport);
        Window w({96, 96}, Qt::FramelessWindowHint);
        w.open(testing::gradientFile(dir_, picture));
        QVERIFY(w->picOrig->hasPicture());
        // Steps a bar without travel must keep, and values to go back to 0.
        for (ScrollBar* bar : {w->hsrDisp, w->vsrDisp}) {
            bar->setMax(32767);
            bar->setValue(9);
            bar->setSmallChange(7);
            bar->setLargeChange(8);
        }
        w->picDispBase->Move(w->picDispBase->Left(), w->picDispBase->Top(), float(viewport.width()),
                             float(viewport.height()));

        w->SetupScrollBars();

        QTEST(int(w->hsrDisp->Max()), "maxAcross");
        QTEST(int(w->vsrDisp->Max()), "maxDown");
        QCOMPARE(w->hsrDisp->Value(), 0);
        QCOMPARE(w->vsrDisp->Value(), 0);
        QFETCH(bool, stepsSetAcross);
        QFETCH(bool, stepsSetDown);
        QCOMPARE(QPoint(w->hsrDisp->SmallChange(), w->hsrDisp->LargeChange()),
                 stepsSetAcross ? QPoint(1, 5) : QPoint(7, 8));
        QCOMPARE(QPoint(w->vsrDisp->SmallChange(), w->vsrDisp->LargeChange()),
                 stepsSetDown ? QPoint(1, 5) : QPoint(7, 8));
        QCOMPARE(outOfStep(w), QString());
    }

    void withoutAnImageNeitherBarHasTravel()
    {
        Window w({96, 96}, Qt::FramelessWindowHint);
        w->hsrDisp->setMax(100);
        w->hsrDisp->setValue(40);
        w->SetupScrollBars();
        QCOMPARE(QPoint(w->hsrDisp->Max(), w->vsrDisp->Max()), QPoint(0, 0));
        QCOMPARE(w->hsrDisp->Value(), 0);
    }

    void farEdgeMeetsTheViewportsFarEdge_data()
    {
        QTest::addColumn<QSizeF>("viewport");
        QTest::addColumn<int>("fromEnd");
        QTest::addColumn<QPointF>("placed");

        // The picture is 400 x 300. A difference of 50.5 gives Max 50 (half to even), one of
        // 39.5 gives Max 40: at the end the fraction the range dropped or added still counts.
        QTest::newRow("at Max, range rounded down")
            << QSizeF(349.5, 260.5) << 0 << QPointF(-50.5, -39.5);
        QTest::newRow("one short of Max: whole steps")
            << QSizeF(349.5, 260.5) << 1 << QPointF(-49, -39);
        QTest::newRow("at Max, whole difference") << QSizeF(301, 211) << 0 << QPointF(-99, -89);
    }

    void farEdgeMeetsTheViewportsFarEdge()
    {
        QFETCH(QSizeF, viewport);
        QFETCH(int, fromEnd);
        Window w({96, 96}, Qt::FramelessWindowHint);
        w.open(testing::gradientFile(dir_, QSize(400, 300)));
        w->picDispBase->Move(w->picDispBase->Left(), w->picDispBase->Top(), float(viewport.width()),
                             float(viewport.height()));
        w->SetupScrollBars();

        w->hsrDisp->setValue(w->hsrDisp->Max() - fromEnd);
        w->vsrDisp->setValue(w->vsrDisp->Max() - fromEnd);

        QTEST(QPointF(w->picDisp->Left(), w->picDisp->Top()), "placed");
        QCOMPARE(outOfStep(w), QString());
    }

    void changeWhileBusyIsDropped()
    {
        Window w({96, 96}, Qt::FramelessWindowHint);
        w.open(testing::gradientFile(dir_, QSize(900, 700)));
        const QImage rulerBefore = w->picRulerW->Image();
        w->busy = -1;
        w->hsrDisp->setValue(25);
        QCOMPARE(w->picDisp->Left(), 0.0f);
        QCOMPARE(testing::firstDifference(w->picRulerW->Image(), rulerBefore), QString());
        QCOMPARE(w->busy, qint16(-1));
        w->busy = 0;
    }

    void movesDuringAChangeAreCaughtUp_data()
    {
        QTest::addColumn<bool>("sameBar");
        QTest::addColumn<QSize>("grownBy"); // the window, also meanwhile
        QTest::newRow("the other bar moved meanwhile") << false << QSize();
        QTest::newRow("the same bar moved on meanwhile") << true << QSize();
        QTest::newRow("the window resized meanwhile too") << false << QSize(120, 50);
    }

    void movesDuringAChangeAreCaughtUp()
    {
        QFETCH(bool, sameBar);
        QFETCH(QSize, grownBy);
        Window w({96, 96}, Qt::FramelessWindowHint);
        w.open(testing::gradientFile(dir_, QSize(900, 700)));
        // Delivered while the first change redraws the rulers, so dropped as busy.
        ScrollBar* meanwhile = sameBar ? w->hsrDisp : w->vsrDisp;
        QMetaObject::invokeMethod(
            meanwhile, [meanwhile] { meanwhile->setValue(40); }, Qt::QueuedConnection);
        const QSize size = w->size() + grownBy.expandedTo(QSize(0, 0));
        QMetaObject::invokeMethod(
            &*w, [&w, size] { w->resize(size); }, Qt::QueuedConnection);

        w->hsrDisp->setValue(30);

        QCOMPARE(meanwhile->Value(), qint16(40));
        QCOMPARE(outOfStep(w), QString());
        QCOMPARE(w->busy, qint16(0));
        // Laid out for the window's size, however it came.
        QCOMPARE(w->size(), size);
        QCOMPARE(w->picDispBase->Width(), float(size.width() - 2 * w->baseLeft));
        QCOMPARE(w->picDispBase->Height(), float(size.height() - w->baseTop - 60));
        QCOMPARE(w->hsrDisp->Width(), w->picDispBase->Width());
    }

    void thumbDragMovesPictureAndRulersAtEveryStep_data()
    {
        QTest::addColumn<Qt::Orientation>("orientation");
        QTest::newRow("across") << Qt::Horizontal;
        QTest::newRow("down") << Qt::Vertical;
    }

    void thumbDragMovesPictureAndRulersAtEveryStep()
    {
        QFETCH(Qt::Orientation, orientation);
        Window w({96, 96}, Qt::FramelessWindowHint);
        w.open(testing::gradientFile(dir_, QSize(1500, 1200)));
        ScrollBar* bar = orientation == Qt::Horizontal ? w->hsrDisp : w->vsrDisp;
        const QPoint start = partOf(*bar, QStyle::SC_ScrollBarSlider).center();
        const QPoint step = orientation == Qt::Horizontal ? QPoint(9, 0) : QPoint(0, 9);

        QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, start);
        qint16 last = bar->Value();
        for (int i = 1; i <= 4; ++i) {
            QTest::mouseMove(bar, start + i * step);
            QVERIFY2(bar->Value() > last, "the thumb did not move the bar");
            last = bar->Value();
            QCOMPARE(outOfStep(w), QString());
        }
        // Far past the end of the trough: the picture's far edge on the viewport's.
        QTest::mouseMove(bar, start + 100 * step);
        QCOMPARE(bar->Value(), bar->Max());
        QCOMPARE(outOfStep(w), QString());
        QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, start + 100 * step);
        QCOMPARE(outOfStep(w), QString());
    }

    void arrowsTroughAndWheelMoveByTheirSteps_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("expected");
        QTest::newRow("arrow") << "arrow" << 1;
        QTest::newRow("trough") << "trough" << 5;
        // One notch is three lines of one pixel each.
        QTest::newRow("wheel over the bar") << "wheel" << 3;
    }

    void arrowsTroughAndWheelMoveByTheirSteps()
    {
        QFETCH(QString, action);
        Window w({96, 96}, Qt::FramelessWindowHint);
        w.open(testing::gradientFile(dir_, QSize(1500, 1200)));
        for (ScrollBar* bar : {w->hsrDisp, w->vsrDisp}) {
            if (action == QLatin1String("arrow"))
                QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier,
                                  partOf(*bar, QStyle::SC_ScrollBarAddLine).center());
            else if (action == QLatin1String("trough"))
                QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier,
                                  partOf(*bar, QStyle::SC_ScrollBarAddPage).center());
            else
                turnWheel(bar, QPoint(0, -120));
            QTEST(int(bar->Value()), "expected");
            QCOMPARE(outOfStep(w), QString());
        }
    }

    void resizeKeepsTheFarEdgeInPlace()
    {
        Window w({96, 96}, Qt::FramelessWindowHint);
        w.open(testing::gradientFile(dir_, QSize(1000, 700)));
        w->hsrDisp->setValue(w->hsrDisp->Max());
        w->vsrDisp->setValue(17);

        w->resize(w->width() + 101, w->height() + 33);

        QCOMPARE(w->hsrDisp->Value(), w->hsrDisp->Max());
        QCOMPARE(w->vsrDisp->Value(), qint16(17));
        QCOMPARE(w->picDisp->Left() + w->picDisp->Width(), w->picDispBase->Width());
        QCOMPARE(outOfStep(w), QString());

        // Room for the whole picture across while scrolled down: no travel left, and the
        // picture is not re-centred, its far edge stays on the viewport's.
        w->resize(1200, w->height());
        QCOMPARE(w->hsrDisp->Max(), qint16(0));
        QCOMPARE(w->picDisp->Left(), w->picDispBase->Width() - 1000);
        QCOMPARE(outOfStep(w), QString());
    }
};

QTEST_MAIN(tst_Scrolling)
#include "tst_scrolling.moc"
