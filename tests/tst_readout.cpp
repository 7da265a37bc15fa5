// The pointer readout: the position and colour under the pointer, and the ruler markers,
// driven by real mouse events.
#include "support/test_support.h"

#include <QCursor>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

using testing::Window;

namespace
{

constexpr QRgb kBase = qRgb(10, 20, 30); // distinct red, green and blue

// 200 x 120, all kBase but for a red, a white and a black pixel.
QImage readoutPicture()
{
    QImage image(200, 120, QImage::Format_RGB32);
    image.fill(kBase);
    image.setPixel(120, 45, qRgb(255, 0, 0));
    image.setPixel(5, 6, qRgb(255, 255, 255));
    image.setPixel(7, 8, qRgb(0, 0, 0));
    return image;
}

// Moves the pointer over a control with no button held, through the window system. The
// point is given relative to the window, as QTest takes (0, 0) to mean a widget's centre.
// The platform drops a move to where the pointer already is, so step aside first then.
void pointAt(QWidget* control, QPoint at)
{
    QWidget* window = control->window();
    const QPoint inWindow = control->mapTo(window, at);
    if (QCursor::pos() == window->mapToGlobal(inWindow))
        QTest::mouseMove(window, inWindow + QPoint(1, 1));
    QTest::mouseMove(window, inWindow);
}

// "shown" or "hidden" when the label and both markers agree, as they always should.
QString readout(const Window& w)
{
    const bool label = w->lblXY->Visible();
    if (w->shpMarkerW->Visible() == label && w->shpMarkerH->Visible() == label)
        return label ? QStringLiteral("shown") : QStringLiteral("hidden");
    return QStringLiteral("mixed: label %1, across %2, down %3")
        .arg(label)
        .arg(w->shpMarkerW->Visible())
        .arg(w->shpMarkerH->Visible());
}

QWidget* controlNamed(frmVelmora& form, const QString& name)
{
    if (name == QLatin1String("picRulerW"))
        return form.picRulerW;
    if (name == QLatin1String("picRulerH"))
        return form.picRulerH;
    if (name == QLatin1String("picDispBase"))
        return form.picDispBase;
    if (name == QLatin1String("lblImageSize"))
        return form.lblImageSize;
    if (name == QLatin1String("hsrDisp"))
        return form.hsrDisp;
    if (name == QLatin1String("cboUnit"))
        return form.cboUnit;
    return &form;
}

} // namespace

class tst_Readout : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void readsPositionAndColour_data();
    void readsPositionAndColour();
    void markerFollowsTheScrolledPicture();
    void leavingThePicture_data();
    void leavingThePicture();
    void draggingOutsideHidesTheReadout_data();
    void draggingOutsideHidesTheReadout();
    void noImageShowsNothing();

private:
    QTemporaryDir dir_;
    QString picture_;
};

void tst_Readout::init()
{
    picture_ = testing::writeImage(dir_, QStringLiteral("readout.bmp"), readoutPicture());
}

void tst_Readout::readsPositionAndColour_data()
{
    QTest::addColumn<int>("unit");
    QTest::addColumn<int>("magnification");
    QTest::addColumn<int>("dpiY"); // 0: the screen's
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<QString>("text");

    QTest::newRow("pixels, a colour")
        << 0 << 1 << 0 << QPoint(60, 30) << "x = 60   y = 30     RGB(10, 20, 30)";
    QTest::newRow("pixels, pure red")
        << 0 << 1 << 0 << QPoint(120, 45) << "x = 120   y = 45     RGB(255, 0, 0)";
    QTest::newRow("pixels, white")
        << 0 << 1 << 0 << QPoint(5, 6) << "x = 5   y = 6     RGB(255, 255, 255)";
    QTest::newRow("pixels, black")
        << 0 << 1 << 0 << QPoint(7, 8) << "x = 7   y = 8     RGB(0, 0, 0)";
    QTest::newRow("pixels, first pixel")
        << 0 << 1 << 0 << QPoint(0, 0) << "x = 0   y = 0     RGB(10, 20, 30)";
    // Display pixels 4 and 5 are both image pixel 2; the colour is the displayed pixel's.
    QTest::newRow("factor 2, odd pixels")
        << 0 << 2 << 0 << QPoint(5, 7) << "x = 2   y = 3     RGB(10, 20, 30)";
    QTest::newRow("factor 2, even pixels")
        << 0 << 2 << 0 << QPoint(4, 6) << "x = 2   y = 3     RGB(10, 20, 30)";
    QTest::newRow("factor 2, colour of the display pixel")
        << 0 << 2 << 0 << QPoint(5, 6) << "x = 2   y = 3     RGB(255, 255, 255)";
    QTest::newRow("inches, 12 and 48 pixels")
        << 1 << 1 << 0 << QPoint(12, 48) << "x = 0.13   y = 0.50     RGB(10, 20, 30)";
    QTest::newRow("inches, origin")
        << 1 << 1 << 0 << QPoint(0, 0) << "x = 0.00   y = 0.00     RGB(10, 20, 30)";
    QTest::newRow("inches, down at 120 ppi")
        << 1 << 1 << 120 << QPoint(12, 48) << "x = 0.13   y = 0.40     RGB(10, 20, 30)";
    QTest::newRow("centimetres, 96 pixels")
        << 2 << 1 << 0 << QPoint(96, 96) << "x = 2.54   y = 2.54     RGB(10, 20, 30)";
    QTest::newRow("centimetres, factor 2")
        << 2 << 2 << 0 << QPoint(193, 96) << "x = 2.54   y = 1.27     RGB(10, 20, 30)";
    QTest::newRow("no unit selected")
        << -1 << 1 << 0 << QPoint(120, 45) << "x =    y =      RGB(255, 0, 0)";
}

void tst_Readout::readsPositionAndColour()
{
    QFETCH(int, unit);
    QFETCH(int, magnification);
    QFETCH(int, dpiY);
    QFETCH(QPoint, at);
    QFETCH(QString, text);

    Window w({96, 96}, Qt::FramelessWindowHint);
    QVERIFY(QTest::qWaitForWindowExposed(&*w));
    w.open(picture_);
    w->cboUnit->setListIndex(unit);
    w->magnification = magnification;
    if (dpiY)
        w->dpiY = dpiY;

    pointAt(w->picDisp, at);

    QTRY_COMPARE(w->lblXY->Caption(), text);
    QCOMPARE(readout(w), QStringLiteral("shown"));
    // Nothing scrolled: the markers sit at the pointer's own column and row.
    QCOMPARE(w->shpMarkerW->Left(), float(at.x()));
    QCOMPARE(w->shpMarkerH->Top(), float(at.y()));
    QCOMPARE(w->shpMarkerW->mapTo(&*w, QPoint(0, 0)).x(), w->picDisp->mapTo(&*w, at).x());
    QCOMPARE(w->shpMarkerH->mapTo(&*w, QPoint(0, 0)).y(), w->picDisp->mapTo(&*w, at).y());
}

void tst_Readout::markerFollowsTheScrolledPicture()
{
    QImage wide(800, 400, QImage::Format_RGB32);
    wide.fill(kBase);
    Window w({96, 96}, Qt::FramelessWindowHint);
    QVERIFY(QTest::qWaitForWindowExposed(&*w));
    w.open(testing::writeImage(dir_, QStringLiteral("wide.bmp"), wide));
    // Scrolled 30 pixels right and 20 down, within the ranges this picture has.
    w->hsrDisp->setMax(800 - 548);
    w->vsrDisp->setMax(400 - 308);
    w->hsrDisp->setValue(30);
    w->vsrDisp->setValue(20);

    pointAt(w->picDisp, QPoint(100, 50));

    QTRY_COMPARE(w->lblXY->Caption(), QStringLiteral("x = 100   y = 50     RGB(10, 20, 30)"));
    QCOMPARE(w->shpMarkerW->Left(), 70.0f);
    QCOMPARE(w->shpMarkerH->Top(), 30.0f);
}

void tst_Readout::leavingThePicture_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<bool>("stillShown");

    // The picture sits at 174, 94 in the viewport; its rulers lie in the viewport's margin.
    QTest::newRow("onto the ruler across") << "picRulerW" << QPoint(50, 5) << false;
    QTest::newRow("onto the ruler down") << "picRulerH" << QPoint(5, 50) << false;
    QTest::newRow("onto the viewport's margin") << "picDispBase" << QPoint(5, 5) << false;
    QTest::newRow("onto the window's background") << "form" << QPoint(3, 200) << false;
    // Controls without a handler of their own leave the last reading up.
    QTest::newRow("onto the size label") << "lblImageSize" << QPoint(5, 5) << true;
    QTest::newRow("onto a scroll bar") << "hsrDisp" << QPoint(100, 5) << true;
    QTest::newRow("onto the unit list") << "cboUnit" << QPoint(5, 5) << true;
}

void tst_Readout::leavingThePicture()
{
    QFETCH(QString, control);
    QFETCH(QPoint, at);
    QFETCH(bool, stillShown);

    Window w({96, 96}, Qt::FramelessWindowHint);
    QVERIFY(QTest::qWaitForWindowExposed(&*w));
    w.open(picture_);
    pointAt(w->picDisp, QPoint(120, 45));
    const QString reading = QStringLiteral("x = 120   y = 45     RGB(255, 0, 0)");
    QTRY_COMPARE(w->lblXY->Caption(), reading);

    QWidget* target = controlNamed(*w, control);
    if (target == &*w)
        QCOMPARE(w->childAt(at), nullptr);
    pointAt(target, at);

    QTRY_COMPARE(readout(w), stillShown ? QStringLiteral("shown") : QStringLiteral("hidden"));
    QCOMPARE(w->lblXY->Caption(), reading);
}

void tst_Readout::draggingOutsideHidesTheReadout_data()
{
    QTest::addColumn<QPoint>("outside");

    QTest::newRow("left of the picture") << QPoint(-20, 30);
    QTest::newRow("right of the picture") << QPoint(200, 30);
    QTest::newRow("below the picture") << QPoint(60, 121);
    QTest::newRow("out of the window") << QPoint(-300, -200);
}

void tst_Readout::draggingOutsideHidesTheReadout()
{
    QFETCH(QPoint, outside);

    Window w({96, 96}, Qt::FramelessWindowHint);
    QVERIFY(QTest::qWaitForWindowExposed(&*w));
    w.open(picture_);
    // With the button held the picture keeps the moves however far the pointer goes.
    QTest::mousePress(w->picDisp, Qt::LeftButton, {}, QPoint(60, 30));
    // Released whatever happens, so a failure here leaves no button held for later tests.
    const auto release =
        qScopeGuard([&] { QTest::mouseRelease(w->picDisp, Qt::LeftButton, {}, QPoint(62, 30)); });
    QTest::mouseMove(w->picDisp, QPoint(61, 30));
    QTRY_COMPARE(readout(w), QStringLiteral("shown"));
    const QString reading = w->lblXY->Caption();
    QCOMPARE(reading, QStringLiteral("x = 61   y = 30     RGB(10, 20, 30)"));

    QTest::mouseMove(w->picDisp, outside);
    QTRY_COMPARE(readout(w), QStringLiteral("hidden"));
    QCOMPARE(w->lblXY->Caption(), reading);

    // Back over the picture, still dragging: the readout returns.
    QTest::mouseMove(w->picDisp, QPoint(62, 30));
    QTRY_COMPARE(readout(w), QStringLiteral("shown"));
}

void tst_Readout::noImageShowsNothing()
{
    Window w({96, 96}, Qt::FramelessWindowHint);
    QVERIFY(QTest::qWaitForWindowExposed(&*w));
    w->lblXY->setVisible(true);
    w->shpMarkerW->setVisible(true);
    w->shpMarkerH->setVisible(true);

    pointAt(w->picDisp, QPoint(100, 100));

    QTRY_COMPARE(readout(w), QStringLiteral("hidden"));
    QCOMPARE(w->lblXY->Caption(), QString());
}

QTEST_MAIN(tst_Readout)
#include "tst_readout.moc"
