// The window as it starts: controls, lists, state, and the order of its own events.
#include "support/test_support.h"

#include "toolkit/services.h"

#include <QApplication>
#include <QTest>

using testing::Window;

class tst_MainWindow : public QObject
{
    Q_OBJECT
private slots:
    void startState();
    void designRectanglesAt96Dpi_data();
    void designRectanglesAt96Dpi();
    void unstyledBoxesTakeTheDesktopColours();
    void viewportOriginFollowsDpi_data();
    void viewportOriginFollowsDpi();
    void fractionalDesignPositionsReadBack();
    void listEventsDuringLoadChangeNothing();
    void activateRunsOnceAfterFirstLayout();
    void escapedErrorIsReportedAndReleasesBusy_data();
    void escapedErrorIsReportedAndReleasesBusy();
    void closingWithoutAnImageReleasesNothing();
};

void tst_MainWindow::startState()
{
    Window w;
    // "1" and "2" first; then the zoom's 3 to 32, 1/2 to 1/16 and the fit.
    QCOMPARE(w->cboMagnify->ListCount(), 18);
    QCOMPARE(w->cboMagnify->itemText(0), QString("1"));
    QCOMPARE(w->cboMagnify->itemText(1), QString("2"));
    QCOMPARE(w->cboMagnify->itemText(2), QString("3"));
    QCOMPARE(w->cboMagnify->itemText(10), QString("1/2"));
    QCOMPARE(w->cboMagnify->itemText(17), QStringLiteral("适合窗口"));
    QCOMPARE(w->cboMagnify->Text(), QString("1"));
    QCOMPARE(w->cboUnit->ListCount(), 3);
    QCOMPARE(w->cboUnit->Text(), QStringLiteral("像素"));
    QCOMPARE(w->cboUnit->itemText(1), QStringLiteral("英寸"));
    QCOMPARE(w->cboUnit->itemText(2), QStringLiteral("厘米"));
    QCOMPARE(w->lblXY->Caption(), QString());
    QCOMPARE(w->lblImageSize->Caption(), QString());
    QCOMPARE(w->ckbShowRulers->Value(), 1);
    QVERIFY(w->picRulerBaseW->Visible());
    QVERIFY(w->picRulerBaseH->Visible());
    QVERIFY(!w->picOrig->Visible());
    QVERIFY(!w->picTemp1->Visible());
    QVERIFY(!w->picTemp2->Visible());
    QCOMPARE(w->magnification, 1);
    QCOMPARE(w->busy, qint16(0));
    QCOMPARE(w->dpiX, 96);
    QCOMPARE(w->dpiY, 96);
    QVERIFY(!w->fileDlg);
    QVERIFY(!w->picDisp->hasPicture());
    QVERIFY(w->windowTitle().startsWith("Quarnet "));
    QVERIFY(!w->windowIcon().isNull());
    QCOMPARE(w->windowIcon().availableSizes().value(0), QSize(16, 16));
    // The ruler holders lie in front of the viewport, the vertical one in front of both.
    const QObjectList order = w->children();
    const auto z = [&](QObject* o) { return order.indexOf(o); };
    QVERIFY(z(w->picRulerBaseH) > z(w->picRulerBaseW));
    QVERIFY(z(w->picRulerBaseW) > z(w->picDispBase));
    QVERIFY(z(w->picRulerBaseW) > z(w->hsrDisp));
}

void tst_MainWindow::designRectanglesAt96Dpi_data()
{
    // The controls the layout never moves, at their design places: twips / 15 at 96 ppi.
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRectF>("expected");
    QTest::newRow("cmdOpen") << "cmdOpen" << QRectF(26, 8, 69, 25);
    QTest::newRow("ckbShowRulers") << "ckbShowRulers" << QRectF(186, 16, 87, 13);
    QTest::newRow("lblUnit") << "lblUnit" << QRectF(288, 16, 43, 19);
    QTest::newRow("cboUnit") << "cboUnit" << QRectF(326, 12, 61, 20);
    QTest::newRow("lblMagnification") << "lblMagnification" << QRectF(422, 16, 69, 19);
    QTest::newRow("cboMagnify") << "cboMagnify" << QRectF(492, 12, 41, 21);
    QTest::newRow("picOrig") << "picOrig" << QRectF(470, 28, 47, 43);
    // Between Open and the rulers' check box, where nothing else lies.
    QTest::newRow("lblCutShort") << "lblCutShort" << QRectF(101, 16, 81, 19);
}

namespace
{
QRectF rectOf(const frmVelmora& w, const QString& name)
{
    auto r = [](const auto* c) { return QRectF(c->Left(), c->Top(), c->Width(), c->Height()); };
    if (name == "cmdOpen")
        return r(w.cmdOpen);
    if (name == "ckbShowRulers")
        return r(w.ckbShowRulers);
    if (name == "lblUnit")
        return r(w.lblUnit);
    if (name == "cboUnit")
        return r(w.cboUnit);
    if (name == "lblMagnification")
        return r(w.lblMagnification);
    if (name == "cboMagnify")
        return r(w.cboMagnify);
    if (name == "picOrig")
        return r(w.picOrig);
    if (name == "lblCutShort")
        return r(w.lblCutShort);
    return {};
}
} // namespace

void tst_MainWindow::designRectanglesAt96Dpi()
{
    QFETCH(QString, name);
    QFETCH(QRectF, expected);
    Window w;
    QCOMPARE(rectOf(*w, name), expected);
}

// A dark desktop theme: the ruler holders follow it, the ruler surfaces and the viewport
// keep their own colours.
void tst_MainWindow::unstyledBoxesTakeTheDesktopColours()
{
    const QPalette before = QApplication::palette();
    QPalette dark = before;
    dark.setColor(QPalette::Base, QColor(30, 31, 32));
    dark.setColor(QPalette::Text, QColor(220, 221, 222));
    QApplication::setPalette(dark);
    Window w;
    QApplication::setPalette(before);

    // (The scratch strips take the rulers' colours as soon as the rulers are drawn.)
    for (const toolkit::PictureBox* box : {w->picRulerBaseW, w->picRulerBaseH}) {
        QCOMPARE(box->BackColor(), toolkit::RGB(30, 31, 32));
        QCOMPARE(box->ForeColor(), toolkit::RGB(220, 221, 222));
    }
    QCOMPARE(w->picRulerW->BackColor(), toolkit::RGB(128, 255, 255));
    QCOMPARE(w->picDispBase->BackColor(), toolkit::RGB(192, 192, 192));
}

void tst_MainWindow::viewportOriginFollowsDpi_data()
{
    QTest::addColumn<int>("dpiX");
    QTest::addColumn<int>("dpiY");
    QTest::addColumn<int>("baseLeft");
    QTest::addColumn<int>("baseTop");
    QTest::newRow("96 ppi") << 96 << 96 << 30 << 72;
    QTest::newRow("120 ppi: 37.5 rounds to even 38") << 120 << 120 << 38 << 90;
    QTest::newRow("144 ppi") << 144 << 144 << 45 << 108;
    QTest::newRow("72 ppi: 22.5 rounds to even 22") << 72 << 72 << 22 << 54;
    QTest::newRow("unequal 96 x 120") << 96 << 120 << 30 << 90;
}

void tst_MainWindow::viewportOriginFollowsDpi()
{
    QFETCH(int, dpiX);
    QFETCH(int, dpiY);
    QFETCH(int, baseLeft);
    QFETCH(int, baseTop);
    Window w({dpiX, dpiY});
    QCOMPARE(w->baseLeft, baseLeft);
    QCOMPARE(w->baseTop, baseTop);
    QCOMPARE(w->dpiX, dpiX);
    QCOMPARE(w->dpiY, dpiY);
}

void tst_MainWindow::fractionalDesignPositionsReadBack()
{
    // 450 twips at 120 ppi is 37.5 pixels: kept exactly, shown at floor(37.5 + 0.5).
    Window w({120, 120});
    QCOMPARE(w->cmdOpen->Left(), 32.5f);
    QCOMPARE(w->cmdOpen->geometry().left(), 33);
    QCOMPARE(w->picOrig->Left(), 587.5f);
}

void tst_MainWindow::listEventsDuringLoadChangeNothing()
{
    // Form_Load selects both lists while busy and before any image: no drawing, no text,
    // no message.
    Window w;
    QVERIFY(w.messages().isEmpty());
    QCOMPARE(w->lblImageSize->Caption(), QString());
    QCOMPARE(w->imageWidth, 0);
    // Selecting a unit with no image loaded changes nothing either.
    w->cboUnit->setListIndex(2);
    QCOMPARE(w->lblImageSize->Caption(), QString());
    QVERIFY(w.messages().isEmpty());
}

void tst_MainWindow::activateRunsOnceAfterFirstLayout()
{
    Window w;
    QVERIFY(w->activated());
    // Hiding and showing again, as after a dialog, is not a new activation: the rulers the
    // person hid stay hidden.
    w->ckbShowRulers->setValue(0);
    w->hide();
    w->show();
    QCoreApplication::processEvents();
    QCOMPARE(w->ckbShowRulers->Value(), 0);
}

void tst_MainWindow::escapedErrorIsReportedAndReleasesBusy_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("message");
    QTest::newRow("overflow") << int(toolkit::Err::Overflow)
                              << QStringLiteral("Run-time error '6': Overflow");
    QTest::newRow("division by zero") << int(toolkit::Err::DivisionByZero)
                                      << QStringLiteral("Run-time error '11': Division by zero");
}

void tst_MainWindow::escapedErrorIsReportedAndReleasesBusy()
{
    QFETCH(int, number);
    QFETCH(QString, message);
    Window w;
    w->runHandler([&] {
        w->busy = -1;
        toolkit::raiseError(number);
    });
    QCOMPARE(w.messages(), QStringList{message});
    QCOMPARE(w->busy, qint16(0));
    QVERIFY(w->isVisible());
}

void tst_MainWindow::closingWithoutAnImageReleasesNothing()
{
    Window w;
    QVERIFY(w->close());
    QVERIFY(!w->fileDlg);
    QVERIFY(w.messages().isEmpty());
}

QTEST_MAIN(tst_MainWindow)
#include "tst_main_window.moc"
