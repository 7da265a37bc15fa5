// The pointer readout: the position and colour under the pointer, and the ruler markers,
// driven by real mouse events.
#include "support/test_support.h"

#include <QCursor>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

using testing::pointAt;
using testing::Window;

// A control the pointer can move onto; null stands for the window's own background.
using Control = toolkit::PictureBox* frmVelmora::*;
Q_DECLARE_METATYPE(Control)

namespace
{

// 600 x 120, all a colour with distinct red, green and blue but for one white pixel. Wider
// than the 548-pixel viewport, so it scrolls across, and lower, so a margin shows above it.
QImage readoutPicture()
{
    QImage image(600, 120, QImage::Format_RGB32);
    image.fill(qRgb(10, 20, 30));
    image.setPixel(5, 7, qRgb(255, 255, 255));
    return image;
}

// Whether the label and the markers across and down are visible, e.g. "110"; the three
// always go together, so "111" or "000".
QString readout(const Window& w)
{
    return QStringLiteral("%1%2%3")
        .arg(int(w->lblXY->Visible()))
        .arg(int(w->shpMarkerW->Visible()))
        .arg(int(w->shpMarkerH->Visible()));
}

const QString kShown = QStringLiteral("111");
const QString kHidden = QStringLiteral("000");

} // namespace

class tst_Readout : public QObject
{
    Q_OBJECT
    QTemporaryDir dir_;
    QString picture_;

private slots:
    void initTestCase()
    {
        picture_ = testing::writeImage(dir_, QStringLiteral("readout.bmp"), readoutPicture());
    }

    void readsPositionAndColour_data()
    {
        QTest::addColumn<int>("unit");
        QTest::addColumn<int>("magnification");
        QTest::addColumn<int>("dpiY");
        QTest::addColumn<int>("scrolledAcross");
        QTest::addColumn<QPointF>("at"); // a fractional one is handed to the handler
        QTest::addColumn<QString>("text");

        QTest::newRow("pixels: red, green and blue in order")
            << 0 << 1 << 96 << 0 << QPointF(60, 30) << "x = 60   y = 30     RGB(10, 20, 30)";
        // 11 / 2 and 15 / 2 are truncated, not rounded; the colour is the displayed pixel's,
        // the white one's block.
        QTest::newRow("factor 2: truncated, colour at the display pixel")
            << 0 << 2 << 96 << 0 << QPointF(11, 15) << "x = 5   y = 7     RGB(255, 255, 255)";
        QTest::newRow("inches: 12 is 0.13, down at its own 120 ppi")
            << 1 << 1 << 120 << 0 << QPointF(12, 48) << "x = 0.13   y = 0.40     RGB(10, 20, 30)";
        QTest::newRow("centimetres: 96 is 2.54")
            << 2 << 1 << 96 << 0 << QPointF(96, 96) << "x = 2.54   y = 2.54     RGB(10, 20, 30)";
        QTest::newRow("scrolled 30 across: marker at 70 for X = 100")
            << 0 << 1 << 96 << 30 << QPointF(100, 50) << "x = 100   y = 50     RGB(10, 20, 30)";
        // The colour's pixel is rounded, halves to even; the position is truncated. The one
        // white pixel is at (5, 7).
        QTest::newRow("4.5 reads the pixel at 4, not 5, and shows 4")
            << 0 << 1 << 96 << 0 << QPointF(4.5, 7) << "x = 4   y = 7     RGB(10, 20, 30)";
        QTest::newRow("5.5 reads the pixel at 6, not 5, but shows 5")
            << 0 << 1 << 96 << 0 << QPointF(5.5, 7) << "x = 5   y = 7     RGB(10, 20, 30)";
        QTest::newRow("4.6 and 6.6 read the white pixel, shown as 4 and 6")
            << 0 << 1 << 96 << 0 << QPointF(4.6, 6.6) << "x = 4   y = 6     RGB(255, 255, 255)";
        QTest::newRow("factor 2: 11.5 / 2 shows 5, not 6")
            << 0 << 2 << 96 << 0 << QPointF(11.5, 7) << "x = 5   y = 3     RGB(10, 20, 30)";
    }

    void readsPositionAndColour()
    {
        QFETCH(int, unit);
        QFETCH(int, magnification);
        QFETCH(int, dpiY);
        QFETCH(int, scrolledAcross);
        QFETCH(QPointF, at);
        QFETCH(QString, text);

        Window w({96, dpiY}, Qt::FramelessWindowHint);
        QVERIFY(QTest::qWaitForWindowExposed(&*w));
        w.open(picture_);
        w->cboUnit->setListIndex(unit);
        w->cboMagnify->setListIndex(magnification - 1);
        w->hsrDisp->setValue(scrolledAcross);

        if (at.toPoint() == at)
            pointAt(w->picDisp, at.toPoint());
        else
            w->runHandler([&] { w->picDisp_MouseMove(0, 0, float(at.x()), float(at.y())); });

        QTRY_COMPARE(w->lblXY->Caption(), text);
        QCOMPARE(readout(w), kShown);
        // In the viewport's coordinates, which the ruler strips share.
        QCOMPARE(QPointF(w->shpMarkerW->Left(), w->shpMarkerH->Top()),
                 QPointF(float(at.x()) - float(scrolledAcross), float(at.y())));
    }

    void leavingThePictureHides_data()
    {
        QTest::addColumn<Control>("control");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<bool>("buttonHeld");

        // The picture sits at 0, 94 in the viewport, its ruler across in the margin above.
        QTest::newRow("onto the ruler across") << &frmVelmora::picRulerW << QPoint(50, 5) << false;
        QTest::newRow("onto the ruler down") << &frmVelmora::picRulerH << QPoint(5, 50) << false;
        QTest::newRow("onto the viewport's margin")
            << &frmVelmora::picDispBase << QPoint(5, 5) << false;
        QTest::newRow("onto the window's background") << Control() << QPoint(3, 200) << false;
        // The picture keeps getting the moves while a button is held, but has no pixel there.
        QTest::newRow("dragged off the picture's bottom edge")
            << &frmVelmora::picDisp << QPoint(60, 120) << true;
    }

    void leavingThePictureHides()
    {
        QFETCH(Control, control);
        QFETCH(QPoint, at);
        QFETCH(bool, buttonHeld);

        Window w({96, 96}, Qt::FramelessWindowHint);
        QVERIFY(QTest::qWaitForWindowExposed(&*w));
        w.open(picture_);
        pointAt(w->picDisp, QPoint(60, 30));
        const QString reading = QStringLiteral("x = 60   y = 30     RGB(10, 20, 30)");
        QTRY_COMPARE(w->lblXY->Caption(), reading);

        QWidget* target = control ? static_cast<QWidget*>(&*w->*control) : &*w;
        if (buttonHeld) {
            QTest::mousePress(w->picDisp, Qt::LeftButton, {}, QPoint(60, 30));
            QTest::mouseMove(w->picDisp, at);
        } else {
            QCOMPARE(w->childAt(target->mapTo(&*w, at)), control ? target : nullptr);
            pointAt(target, at);
        }
        // Released whatever happens, so a failure leaves no button held for later tests.
        const auto release = qScopeGuard([&] {
            if (buttonHeld)
                QTest::mouseRelease(w->picDisp, Qt::LeftButton, {}, at);
        });

        QTRY_COMPARE(readout(w), kHidden);
        QCOMPARE(w->lblXY->Caption(), reading);
    }

    void noImageShowsNothing()
    {
        Window w({96, 96}, Qt::FramelessWindowHint);
        QVERIFY(QTest::qWaitForWindowExposed(&*w));
        w->lblXY->setVisible(true);
        w->shpMarkerW->setVisible(true);
        w->shpMarkerH->setVisible(true);

        pointAt(w->picDisp, QPoint(100, 100));

        QTRY_COMPARE(readout(w), kHidden);
        QCOMPARE(w->lblXY->Caption(), QString());
    }
};

QTEST_MAIN(tst_Readout)
#include "tst_readout.moc"
