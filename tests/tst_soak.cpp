// A seeded random sequence of 1,000 actions on a real window: good and bad files, the
// magnification, both scroll bars by value, thumb and wheel, resizing, the unit, the rulers
// check box and the pointer. After every action the window must be sound; after the whole
// sequence it must hold no more memory than after the first 100 actions.
#include "support/test_support.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTest>
#include <QWheelEvent>

#include <malloc.h>

using testing::kLoadError;
using testing::kMagnifyFailed;
using testing::Window;

namespace
{

// Resident memory in kB, after handing freed blocks back to the system.
qint64 residentKb()
{
    ::malloc_trim(0);
    return testing::statusKb("VmRSS:");
}

// Where the picture must stand along one axis for its bar: at -value (times the screen
// pixels a value counts, zoomed far in), and at the end of travel with its far edge on the
// viewport's; "" when it does.
QString pictureAgainstBar(const frmVelmora& w, Qt::Orientation axis)
{
    const bool across = axis == Qt::Horizontal;
    const toolkit::ScrollBar& bar = across ? *w.hsrDisp : *w.vsrDisp;
    // After a failed load the bars keep the range they had; there is no picture to follow.
    if (bar.Max() <= 0 || !w.picOrig->hasPicture())
        return QString();
    const float at = across ? w.picDisp->Left() : w.picDisp->Top();
    const float length = across ? w.picDisp->ScaleWidth() : w.picDisp->ScaleHeight();
    const float view = across ? w.picDispBase->ScaleWidth() : w.picDispBase->ScaleHeight();
    const qint32 unit = across ? w.scrollUnitX : w.scrollUnitY;
    const bool right =
        bar.Value() < bar.Max() ? at == -float(bar.Value() * unit) : at + length == view;
    return right ? QString()
                 : QStringLiteral("%1 bar at %2 of %3, picture at %4")
                       .arg(across ? "across" : "down")
                       .arg(bar.Value())
                       .arg(bar.Max())
                       .arg(at);
}

} // namespace

class tst_Soak : public QObject
{
    Q_OBJECT
private slots:
    void thousandActions();
};

void tst_Soak::thousandActions()
{
    const quint32 seed = qEnvironmentVariableIsSet("QUARNET_SOAK_SEED")
                             ? quint32(qEnvironmentVariableIntValue("QUARNET_SOAK_SEED"))
                             : 20261207u;
    qInfo("seed %u (QUARNET_SOAK_SEED repeats a run)", seed);
    QRandomGenerator random(seed);

    QTemporaryDir dir;
    // Larger and smaller than the viewport, in each format, and some that never load.
    const QStringList good{
        testing::writeImage(dir, "wide.bmp", testing::gradientImage(1500, 300)),
        testing::writeImage(dir, "tall.jpg", testing::gradientImage(250, 1100)),
        testing::writeImage(dir, "big.bmp", testing::gradientImage(1301, 977)),
        testing::writeImage(dir, "small.bmp", testing::gradientImage(37, 23)),
        testing::dataFile("odd_size_37x23.gif"),
        testing::dataFile("transparent_right_half.gif"),
    };
    QFile empty(dir.filePath("empty.bmp"));
    QVERIFY(empty.open(QIODevice::WriteOnly));
    empty.close();
    const QStringList bad{testing::dataFile("not_an_image.bmp"), empty.fileName(),
                          dir.filePath("missing.jpg"), dir.path()};

    Window w;
    qint64 residentAfter100 = 0;
    for (int step = 1; step <= 1000; ++step) {
        const int action = random.bounded(10);
        QString what;
        switch (action) {
        case 0:
            what = good[random.bounded(good.size())];
            w.open(what);
            break;
        case 1:
            what = bad[random.bounded(bad.size())];
            w.open(what);
            break;
        case 2:
            what = QStringLiteral("magnify %1").arg(random.bounded(w->cboMagnify->ListCount()));
            w->cboMagnify->setListIndex(what.section(' ', 1).toInt());
            break;
        case 3: {
            toolkit::ScrollBar* bar = random.bounded(2) ? w->hsrDisp : w->vsrDisp;
            const int value = random.bounded(bar->Max() + 1);
            what = QStringLiteral("scroll to %1").arg(value);
            bar->setValue(value);
            break;
        }
        case 4: { // drag a thumb through three places, then let go
            toolkit::ScrollBar* bar = random.bounded(2) ? w->hsrDisp : w->vsrDisp;
            what = QStringLiteral("drag");
            bar->setSliderDown(true);
            for (int i = 0; i < 3; ++i)
                bar->setSliderPosition(random.bounded(bar->Max() + 1));
            bar->setSliderDown(false);
            break;
        }
        case 5: {
            const QPoint delta(random.bounded(2) ? 0 : 120 * (random.bounded(3) - 1),
                               120 * (random.bounded(5) - 2));
            what = QStringLiteral("wheel %1, %2").arg(delta.x()).arg(delta.y());
            const QPointF at(3, 3);
            QWheelEvent wheel(at, w->picDisp->mapToGlobal(at), QPoint(), delta, Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(w->picDisp, &wheel);
            break;
        }
        case 6: {
            const QSize size(400 + random.bounded(1100), 300 + random.bounded(800));
            what = QStringLiteral("resize %1 x %2").arg(size.width()).arg(size.height());
            w->resize(size);
            break;
        }
        case 7:
            what = QStringLiteral("unit %1").arg(random.bounded(3));
            w->cboUnit->setListIndex(what.section(' ', 1).toInt());
            break;
        case 8:
            what = QStringLiteral("rulers %1").arg(1 - w->ckbShowRulers->Value());
            w->ckbShowRulers->setValue(1 - w->ckbShowRulers->Value());
            break;
        default: {
            const QPoint at(random.bounded(std::max(1, int(w->picDisp->ScaleWidth()))),
                            random.bounded(std::max(1, int(w->picDisp->ScaleHeight()))));
            what = QStringLiteral("pointer to %1, %2").arg(at.x()).arg(at.y());
            QTest::mouseMove(w->picDisp, at);
            break;
        }
        }
        QCoreApplication::processEvents();
        const QString where = QStringLiteral("step %1 (%2), seed %3").arg(step).arg(what).arg(seed);

        for (const QString& message : w.messages())
            QVERIFY2(message == kLoadError || message == kMagnifyFailed,
                     qPrintable(where + ": " + message));
        QVERIFY2(w->busy == 0, qPrintable(where + ": busy while idle"));
        for (const Qt::Orientation axis : {Qt::Horizontal, Qt::Vertical}) {
            const QString off = pictureAgainstBar(*w, axis);
            QVERIFY2(off.isEmpty(), qPrintable(where + ": " + off));
        }
        // The rulers on show are what drawing them afresh for the bars' values gives. (With
        // no picture, a new unit waits for the next redraw, as it should.)
        if (step % 10 == 0 && w->picDisp->hasPicture()) {
            const QImage across = w->picRulerW->surface().copy();
            const QImage down = w->picRulerH->surface().copy();
            w->runHandler([&] { w->DrawRulers(); });
            QVERIFY2(w.messages().isEmpty() || w.messages().last() != QString(), qPrintable(where));
            const QString a = testing::firstDifference(w->picRulerW->surface(), across);
            QVERIFY2(a.isEmpty(), qPrintable(where + ": ruler across " + a));
            const QString d = testing::firstDifference(w->picRulerH->surface(), down);
            QVERIFY2(d.isEmpty(), qPrintable(where + ": ruler down " + d));
        }

        if (step == 100 || step == 1000) {
            // Measured with the same picture open at the same size, so only a leak differs.
            w->resize(800, 600);
            w.open(good[0]);
            QCoreApplication::processEvents();
            const qint64 resident = residentKb();
            if (step == 100) {
                residentAfter100 = resident;
            } else {
                qInfo("resident memory after 100 actions %lld kB, after 1000 %lld kB",
                      residentAfter100, resident);
#ifndef QUARNET_ASAN
                QVERIFY2(resident <= residentAfter100 * 11 / 10,
                         qPrintable(QStringLiteral("%1 kB after 100, %2 kB after 1000")
                                        .arg(residentAfter100)
                                        .arg(resident)));
#endif
            }
        }
    }
}

QTEST_MAIN(tst_Soak)
#include "tst_soak.moc"
