// Measuring on a real window: a drag draws a line above the picture and reads out its
// figures, Ctrl+C and the context menu copy what is shown, and the window's own readout,
// markers and picture stay exactly as they were.
#include "instruments/contrast.h"
#include "instruments/measure_tool.h"
#include "support/test_support.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QCursor>
#include <QMenu>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using measurement::Kind;
using measurement::Measurement;
using testing::pointAt;
using testing::Window;

namespace
{

const QString kUntouched = QStringLiteral("clipboard untouched");

// 600 x 120, wider than the viewport so it scrolls across; no pixel is black or white, so
// the line's pixels tell themselves apart from the picture's.
QImage measuredPicture()
{
    QImage image(600, 120, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(40 + x % 150, 60 + y % 100, 128));
    return image;
}

MeasureTool* toolOf(const Window& w)
{
    return w->instrument<MeasureTool>();
}

void activate(Window& w)
{
    QVERIFY(QTest::qWaitForWindowExposed(&*w));
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&*w));
}

void openOn(Window& w, const QString& path)
{
    activate(w);
    w.open(path);
    QVERIFY(w->picOrig->hasPicture());
}

// Drags on the picture with the left button, from and to points of picDisp, Shift held on
// the way when asked. QTest reads (0, 0) as the widget's centre, so no point may be (0, 0).
void drag(const Window& w, QPoint from, QPoint to, bool shift = false)
{
    const Qt::KeyboardModifiers keys = shift ? Qt::ShiftModifier : Qt::NoModifier;
    QTest::mousePress(w->picDisp, Qt::LeftButton, {}, from);
    QTest::mouseEvent(QTest::MouseMove, w->picDisp, Qt::NoButton, keys, (from + to) / 2);
    QTest::mouseEvent(QTest::MouseMove, w->picDisp, Qt::NoButton, keys, to);
    QTest::mouseRelease(w->picDisp, Qt::LeftButton, keys, to);
}

QString pressCtrlC(const Window& w)
{
    QGuiApplication::clipboard()->setText(kUntouched);
    QTest::keyClick(&*w, Qt::Key_C, Qt::ControlModifier);
    return QGuiApplication::clipboard()->text();
}

QString describe(QRgb c)
{
    return QStringLiteral("RGB(%1, %2, %3)").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c));
}

// A line's figures followed by the contrast between its end pixels, as the picture has them.
QString withContrast(const QString& figures, const QString& picture, QPoint from, QPoint to)
{
    const QImage image(picture);
    return figures + QStringLiteral("  ") +
           contrast::contrastText(image.pixel(from), image.pixel(to));
}

// The box's text for figures written with '-' for the typographic minus.
QString boxed(QString figures)
{
    return figures.replace(QLatin1Char('-'), QChar(0x2212));
}

void contextMenuAt(const Window& w, QPoint at)
{
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, w->picDisp->mapToGlobal(at));
    QApplication::sendEvent(w->picDisp, &event);
}

// The window pixels of image pixels `from` to `to`, both in.
QRect shownOn(const Window& w, QPoint from, QPoint to)
{
    const QRect pixels = QRect(from, QSize(1, 1)) | QRect(to, QSize(1, 1));
    return QRect(w->picDispBase->pos() + w->picDisp->pos() + pixels.topLeft() * w->magnification,
                 pixels.size() * w->magnification);
}

// The first pixel `distance` out from `rect` all round (inside it for 0) whose colour fails
// `ok`, or "".
QString firstFailing(const QImage& shown, const QRect& rect, int distance,
                     const std::function<bool(QPoint, QRgb)>& ok)
{
    const QRect out = rect.adjusted(-distance, -distance, distance, distance);
    for (int y = out.top(); y <= out.bottom(); ++y)
        for (int x = out.left(); x <= out.right(); ++x) {
            const QPoint p(x, y);
            const bool onRing = distance == 0 || !out.adjusted(1, 1, -1, -1).contains(p);
            if (onRing && !ok(p, shown.pixel(p) & 0xFFFFFF))
                return QStringLiteral("(%1, %2) is %3").arg(x).arg(y).arg(describe(shown.pixel(p)));
        }
    return QString();
}

} // namespace

using Action = std::function<void(Window&)>;
Q_DECLARE_METATYPE(Action)
Q_DECLARE_METATYPE(measurement::Measurement)

class tst_MeasureTool : public QObject
{
    Q_OBJECT
    QTemporaryDir dir_;
    QString picture_;
    QString other_;
    QString copy_;
    QString icon_;

private slots:
    void initTestCase()
    {
        picture_ = testing::writeImage(dir_, QStringLiteral("measured.bmp"), measuredPicture());
        // Another picture of the same size: one pixel tells it apart.
        QImage other = measuredPicture();
        other.setPixel(599, 119, qRgb(1, 2, 3));
        other_ = testing::writeImage(dir_, QStringLiteral("other.bmp"), other);
        copy_ = testing::writeImage(dir_, QStringLiteral("copy.bmp"), measuredPicture());
        // No pixel of it is white, black or a mark's ink either.
        icon_ = testing::gradientFile(dir_, QSize(16, 16));
    }

    void dragReadsFigures_data()
    {
        QTest::addColumn<int>("factor");
        QTest::addColumn<int>("unit");
        QTest::addColumn<int>("dpiY");
        QTest::addColumn<QPoint>("pressAt");
        QTest::addColumn<QPoint>("releaseAt");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<QString>("figures");

        QTest::newRow("factor 1") << 1 << 0 << 96 << QPoint(10, 100) << QPoint(130, 65) << false
                                  << QPoint(10, 100) << QPoint(130, 65)
                                  << "Δx 120  Δy -35  125.00 px  16.26°";
        // Display points 3 and 195 lie in image pixels 1 and 97; 60 down is half an inch.
        QTest::newRow("factor 2, inches at 120 ppi down")
            << 2 << 1 << 120 << QPoint(3, 3) << QPoint(195, 123) << false << QPoint(1, 1)
            << QPoint(97, 61) << "Δx 1.00  Δy 0.50  1.12 in  -26.57°";
        QTest::newRow("Shift: snapped to 45°")
            << 1 << 0 << 96 << QPoint(10, 10) << QPoint(50, 36) << true << QPoint(10, 10)
            << QPoint(43, 43) << "Δx 33  Δy 33  46.67 px  -45.00°";
        QTest::newRow("dragged past the right edge: ends on the last column")
            << 1 << 0 << 96 << QPoint(590, 5) << QPoint(640, 5) << false << QPoint(590, 5)
            << QPoint(599, 5) << "Δx 9  Δy 0  9.00 px  0.00°";
    }

    void dragReadsFigures()
    {
        QFETCH(int, factor);
        QFETCH(int, unit);
        QFETCH(int, dpiY);
        QFETCH(QPoint, pressAt);
        QFETCH(QPoint, releaseAt);
        QFETCH(bool, shift);
        QFETCH(QPoint, from);
        QFETCH(QPoint, to);
        QFETCH(QString, figures);

        Window w({96, dpiY}, Qt::FramelessWindowHint);
        openOn(w, picture_);
        MeasureTool* tool = toolOf(w);
        QVERIFY(tool);
        w->cboMagnify->setListIndex(factor - 1);
        QCOMPARE(w->magnification, factor);
        w->cboUnit->setListIndex(unit);

        drag(w, pressAt, releaseAt, shift);

        QVERIFY(tool->measuring());
        QCOMPARE(tool->from(), from);
        QCOMPARE(tool->to(), to);
        const QString line = withContrast(figures, picture_, from, to);
        QCOMPARE(tool->figuresText(), boxed(line));
        QCOMPARE(pressCtrlC(w), line);
    }

    void lineLiesAboveThePicture_data()
    {
        QTest::addColumn<int>("factor");
        QTest::addColumn<int>("scrolledAcross");

        QTest::newRow("factor 1") << 1 << 0;
        QTest::newRow("factor 1, scrolled 30 across") << 1 << 30;
        QTest::newRow("factor 2, scrolled 31 across") << 2 << 31;
    }

    // A horizontal line from image pixel (40, 50) to (100, 50): on screen every pixel of
    // it between its ends is black or white, the ends themselves and the rows either side
    // show the picture, and the picture's own pixels, which the readout reads, are the same
    // as before.
    void lineLiesAboveThePicture()
    {
        QFETCH(int, factor);
        QFETCH(int, scrolledAcross);

        Window w({96, 96}, Qt::FramelessWindowHint);
        openOn(w, picture_);
        w->cboMagnify->setListIndex(factor - 1);
        const QImage before = std::as_const(*w->picDisp).surface().copy();

        const QPoint pressAt(40 * factor, 50 * factor), releaseAt(100 * factor, 50 * factor);
        drag(w, pressAt, releaseAt);
        // Scrolled after the drag: the line moves with the picture.
        w->hsrDisp->setValue(scrolledAcross);
        QCOMPARE(w->picDisp->pos().x(), -scrolledAcross);

        const QImage shown = w->picDispBase->grab().toImage();
        const QPoint origin = w->picDisp->pos();
        const int middle = factor / 2;
        const int row = origin.y() + 50 * factor + middle;
        const auto column = [&](int x) { return origin.x() + x * factor + middle; };
        const auto picture = [&](int c, int r) {
            return describe(before.pixel(QPoint(c, r) - origin));
        };
        for (int x = 41; x <= 99; ++x) {
            const QRgb c = shown.pixel(column(x), row) & 0xFFFFFF;
            QVERIFY2(c == 0 || c == 0xFFFFFF,
                     qPrintable(QStringLiteral("image pixel %1: %2").arg(x).arg(describe(c))));
            // Beside the rings round the ends.
            if (x > 41 && x < 99)
                for (int dy : {-1, 1})
                    QCOMPARE(describe(shown.pixel(column(x), row + dy)),
                             picture(column(x), row + dy));
        }
        // The ends, and just past their rings: the picture.
        for (int x : {38, 40, 100, 102})
            QCOMPARE(describe(shown.pixel(column(x), row)), picture(column(x), row));

        QCOMPARE(testing::firstDifference(std::as_const(*w->picDisp).surface(), before), QString());
        // The readout over the line reads the picture, not the line.
        pointAt(w->picDisp, QPoint(70 * factor, 50 * factor));
        const QRgb under = measuredPicture().pixel(70, 50);
        QTRY_COMPARE(w->lblXY->Caption(),
                     QStringLiteral("x = 70   y = 50     %1").arg(describe(under)));
    }

    void readoutAndMarkersFollowWhileHeld()
    {
        Window w({96, 96}, Qt::FramelessWindowHint);
        openOn(w, picture_);
        w->hsrDisp->setValue(30);

        QTest::mousePress(w->picDisp, Qt::LeftButton, {}, QPoint(60, 30));
        const auto release = qScopeGuard(
            [&] { QTest::mouseRelease(w->picDisp, Qt::LeftButton, {}, QPoint(100, 50)); });
        QTest::mouseEvent(QTest::MouseMove, w->picDisp, Qt::NoButton, Qt::ShiftModifier,
                          QPoint(100, 50));

        QVERIFY(toolOf(w)->measuring());
        QCOMPARE(w->lblXY->Caption(), QStringLiteral("x = 100   y = 50     %1")
                                          .arg(describe(measuredPicture().pixel(100, 50))));
        QVERIFY(w->lblXY->Visible());
        QVERIFY(w->shpMarkerW->Visible());
        QCOMPARE(QPointF(w->shpMarkerW->Left(), w->shpMarkerH->Top()), QPointF(70, 50));
    }

    void whatRemovesIt_data()
    {
        QTest::addColumn<Action>("action");
        QTest::addColumn<QString>("figures"); // "" when the measurement is gone

        const QString pixels = QStringLiteral("Δx 120  Δy 0  120.00 px  0.00°");
        QTest::newRow("Esc") << Action([](Window& w) { QTest::keyClick(&*w, Qt::Key_Escape); })
                             << QString();
        QTest::newRow("another picture") << Action([&](Window& w) { w.open(other_); }) << QString();
        // A picture is known by its bytes: its measurements come back with it.
        QTest::newRow("the same file again keeps it")
            << Action([&](Window& w) { w.open(picture_); }) << pixels;
        QTest::newRow("a copy of it keeps it")
            << Action([&](Window& w) { w.open(copy_); }) << pixels;
        QTest::newRow("a failed open")
            << Action([&](Window& w) { w.open(dir_.filePath(QStringLiteral("missing.bmp"))); })
            << QString();
        QTest::newRow("factor 2 keeps it")
            << Action([](Window& w) { w->cboMagnify->setListIndex(1); }) << pixels;
        QTest::newRow("a click keeps it") << Action([](Window& w) {
            QTest::mouseClick(w->picDisp, Qt::LeftButton, {}, QPoint(200, 20));
        }) << pixels;
        QTest::newRow("a new drag starts anew")
            << Action([](Window& w) { drag(w, QPoint(200, 20), QPoint(210, 15)); })
            << QStringLiteral("Δx 10  Δy -5  11.18 px  26.57°");
        QTest::newRow("another unit: the same line, in it")
            << Action([](Window& w) { w->cboUnit->setListIndex(2); })
            << QStringLiteral("Δx 3.18  Δy 0.00  3.18 cm  0.00°");
        QTest::newRow("scrolling keeps it")
            << Action([](Window& w) { w->hsrDisp->setValue(25); }) << pixels;
        QTest::newRow("opening cancelled keeps it")
            << Action([](Window& w) { w.openAndCancel(); }) << pixels;
    }

    void whatRemovesIt()
    {
        QFETCH(Action, action);
        QFETCH(QString, figures);
        const bool removed = figures.isEmpty();

        Window w({96, 96}, Qt::FramelessWindowHint);
        openOn(w, picture_);
        MeasureTool* tool = toolOf(w);
        drag(w, QPoint(10, 10), QPoint(130, 10));
        QVERIFY(tool->measuring());

        action(w);
        // A picture of the same size shows up on the next paint.
        QTRY_COMPARE(tool->measuring(), !removed);
        QCOMPARE(w->findChild<QWidget*>(QStringLiteral("measureLayer"))->isVisible(), !removed);
        QCOMPARE(tool->figuresText(),
                 removed ? QString()
                         : boxed(withContrast(figures, picture_, tool->from(), tool->to())));
    }

    void kindsOfMeasurement_data()
    {
        QTest::addColumn<Action>("action");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("copied"); // Ctrl+C: the last one

        // A line from image pixel (10, 10) to (130, 10) is kept before each.
        const auto ctrlDrag = [](QPoint from, QPoint to) {
            return Action([from, to](Window& w) {
                QTest::mousePress(w->picDisp, Qt::LeftButton, Qt::ControlModifier, from);
                QTest::mouseEvent(QTest::MouseMove, w->picDisp, Qt::NoButton, Qt::ControlModifier,
                                  to);
                QTest::mouseRelease(w->picDisp, Qt::LeftButton, Qt::ControlModifier, to);
            });
        };
        QTest::newRow("Ctrl + drag: a box, both end pixels in")
            << ctrlDrag({20, 10}, {115, 105}) << 2 << "宽 96  高 96  面积 9216 px²";
        QTest::newRow("Ctrl + click: a point and its colour")
            << ctrlDrag({100, 50}, {100, 50}) << 2 << "x = 100   y = 50   #8C6E80";
        QTest::newRow("a drag from 3 pixels off the line's end: an angle")
            << Action([](Window& w) { drag(w, QPoint(132, 12), QPoint(130, 60)); }) << 2
            << "角 90.00°  边长 50.00 px";
        QTest::newRow("Esc: the last one goes, the first stays")
            << Action([](Window& w) {
                   drag(w, QPoint(20, 40), QPoint(60, 40));
                   QTest::keyClick(&*w, Qt::Key_Escape);
               })
            << 1
            << withContrast(QStringLiteral("Δx 120  Δy 0  120.00 px  0.00°"), picture_,
                            QPoint(10, 10), QPoint(130, 10));
    }

    void kindsOfMeasurement()
    {
        QFETCH(Action, action);
        Window w({96, 96}, Qt::FramelessWindowHint);
        openOn(w, picture_);
        drag(w, QPoint(10, 10), QPoint(130, 10));
        action(w);
        QTEST(w.measurements().count(), "count");
        QTEST(pressCtrlC(w), "copied");
    }

    // Ctrl+Shift+C: every measurement as tab-separated rows under a header.
    void copyAllAsTable()
    {
        Window w({96, 96}, Qt::FramelessWindowHint);
        openOn(w, picture_);
        drag(w, QPoint(10, 10), QPoint(130, 10));
        drag(w, QPoint(20, 40), QPoint(20, 100));
        QGuiApplication::clipboard()->setText(kUntouched);
        QTest::keyClick(&*w, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        const QStringList rows = QGuiApplication::clipboard()->text().split(QLatin1Char('\n'));
        QCOMPARE(rows.size(), 4); // header, two rows, and the last line's end
        const QImage image(picture_);
        const double ratio = contrast::ratio(image.pixel(20, 40), image.pixel(20, 100));
        QCOMPARE(rows[2], QStringLiteral("2\t线段\t20\t40\t20\t100\t0\t60\t60.00\t-90.00\t\tpx\t") +
                              contrast::ratioText(ratio) + QLatin1Char(' ') +
                              contrast::levelText(ratio));
    }

    void ctrlCCopiesWhatIsShown()
    {
        Window w({96, 96}, Qt::FramelessWindowHint);
        activate(w);
        // No picture: nothing to copy.
        QCOMPARE(pressCtrlC(w), kUntouched);

        w.open(picture_);
        const QString readout = QStringLiteral("x = 100   y = 50     RGB(140, 110, 128)   #8C6E80");
        QCOMPARE(describe(measuredPicture().pixel(100, 50)), "RGB(140, 110, 128)");

        pointAt(w->picDisp, QPoint(100, 50));
        QTRY_VERIFY(w->lblXY->Visible());
        QCOMPARE(pressCtrlC(w), readout);

        // Readout and measurement both shown: the measurement.
        drag(w, QPoint(100, 50), QPoint(100, 20));
        QVERIFY(w->lblXY->Visible());
        QCOMPARE(pressCtrlC(w), withContrast(QStringLiteral("Δx 0  Δy -30  30.00 px  90.00°"),
                                             picture_, QPoint(100, 50), QPoint(100, 20)));

        // Gone with Esc: the readout again.
        QTest::keyClick(&*w, Qt::Key_Escape);
        QVERIFY(!toolOf(w)->measuring());
        pointAt(w->picDisp, QPoint(100, 50));
        QTRY_COMPARE(pressCtrlC(w), readout);

        // The pointer off the picture: the readout hides, and nothing is copied.
        pointAt(w->picDispBase, QPoint(5, 5));
        QTRY_VERIFY(!w->lblXY->Visible());
        QCOMPARE(pressCtrlC(w), kUntouched);
    }

    void contextMenuCopies_data()
    {
        QTest::addColumn<bool>("readoutShown");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("copied"); // kUntouched: the entry is disabled

        const QString readout = "x = 100   y = 50     RGB(140, 110, 128)   #8C6E80";
        QTest::newRow("position and colour") << true << "复制位置和颜色" << readout;
        QTest::newRow("#RRGGBB") << true << "复制颜色 #RRGGBB"
                                 << "#8C6E80";
        QTest::newRow("rgb()") << true << "复制颜色 rgb(r, g, b)"
                               << "rgb(140, 110, 128)";
        // Hue 360 - 60 x 18 / 30; lightness 125 / 255; saturation (30 / 255) / (1 - 5 / 255).
        QTest::newRow("hsl()") << true << "复制颜色 hsl(h, s%, l%)"
                               << "hsl(324, 12%, 49%)";
        QTest::newRow("readout hidden: no position to copy")
            << false << "复制位置和颜色" << kUntouched;
        QTest::newRow("readout hidden: the loupe's last pixel") << false << "复制颜色 #RRGGBB"
                                                                << "#8C6E80";
    }

    void contextMenuCopies()
    {
        QFETCH(bool, readoutShown);
        QFETCH(QString, entry);
        QFETCH(QString, copied);

        Window w({96, 96}, Qt::FramelessWindowHint);
        openOn(w, picture_);
        pointAt(w->picDisp, QPoint(100, 50));
        QTRY_VERIFY(w->lblXY->Visible());
        if (!readoutShown)
            pointAt(w->picDispBase, QPoint(2, 2));
        QTRY_COMPARE(w->lblXY->Visible(), readoutShown);

        contextMenuAt(w, QPoint(100, 50));
        QTRY_VERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()));
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QAction* chosen = nullptr;
        for (QAction* action : menu->actions())
            if (action->text() == entry)
                chosen = action;
        QVERIFY(chosen);
        QCOMPARE(chosen->isEnabled(), copied != kUntouched);

        QGuiApplication::clipboard()->setText(kUntouched);
        if (chosen->isEnabled())
            chosen->trigger();
        menu->close();
        // An entry's work runs once the menu has closed.
        QTRY_COMPARE(QGuiApplication::clipboard()->text(), copied);
    }

    // Figures that cannot be worked out end in the window's run-time error message, not in
    // a crash, and copy nothing.
    void faultInFiguresIsReported()
    {
        Window w({96, 96}, Qt::FramelessWindowHint);
        openOn(w, picture_);
        w->cboUnit->setListIndex(1);
        drag(w, QPoint(10, 10), QPoint(50, 10));
        w->dpiX = 0;
        const qsizetype before = w.messages().size();

        QCOMPARE(pressCtrlC(w), kUntouched);
        QCOMPARE(w.messages().size(), before + 1);
        w->picDispBase->grab(); // paints the layer, which leaves the box out
        QVERIFY(toolOf(w)->measuring());
    }

    void marksLeaveTheMeasuredPixelsInSight_data()
    {
        QTest::addColumn<bool>("icon"); // else the 600 x 120 picture
        QTest::addColumn<int>("factor");
        QTest::addColumn<Measurement>("kept");
        QTest::addColumn<bool>("selected");
        const auto row = [](const char* name, bool icon, int factor, Measurement kept,
                            bool sel = false) {
            QTest::newRow(name) << icon << factor << kept << sel;
        };
        row("box, factor 1", false, 1, {Kind::Box, {20, 10}, {60, 40}, {}, 0});
        row("box at the picture's left edge, factor 2, selected", false, 2,
            {Kind::Box, {0, 11}, {8, 37}, {}, 0}, true);
        // Its top and left outline lie where the rulers hug the icon.
        row("box over a whole icon, factor 1", true, 1, {Kind::Box, {0, 0}, {15, 15}, {}, 0});
        row("box over an icon, dragged up and left, factor 2", true, 2,
            {Kind::Box, {15, 15}, {0, 0}, {}, 0});
        row("line, factor 2", false, 2, {Kind::Line, {10, 50}, {130, 25}, {}, 0});
        row("line to the next pixel down and right, factor 1", false, 1,
            {Kind::Line, {40, 50}, {41, 51}, {}, 0});
        row("point at an icon's corner, factor 2", true, 2, {Kind::Point, {15, 0}, {15, 0}, {}, 0});
        row("angle on an icon, factor 1", true, 1, {Kind::Angle, {3, 12}, {14, 12}, {3, 0}, 0});
    }

    // With the rulers shown, the pixels measured (a box's, or each end's) show what they
    // showed before; the marks lie on the pixels just round them, a box's outline one pixel
    // wide. The number and the box of figures lie whole in the viewport, clear of the
    // rulers, of what is measured and of each other.
    void marksLeaveTheMeasuredPixelsInSight()
    {
        QFETCH(bool, icon);
        QFETCH(int, factor);
        QFETCH(Measurement, kept);
        QFETCH(bool, selected);

        Window w({96, 96}, Qt::FramelessWindowHint);
        openOn(w, icon ? icon_ : picture_);
        w->cboMagnify->setListIndex(factor - 1);
        const QImage before = w->grab().toImage();
        w.measurements().add(kept);
        if (selected)
            w.measurements().setSelection({0});
        const QImage after = w->grab().toImage();

        QList<QRect> measured{shownOn(w, kept.from, kept.to)};
        if (kept.kind != Kind::Box)
            measured = {shownOn(w, kept.from, kept.from), shownOn(w, kept.to, kept.to)};
        if (kept.kind == Kind::Angle)
            measured << shownOn(w, kept.firstArm, kept.firstArm);
        const QRgb ink = selected ? 0x0066CC : 0;
        const auto unchanged = [&](QPoint p, QRgb c) { return c == (before.pixel(p) & 0xFFFFFF); };
        const auto marked = [&](QPoint p, QRgb c) {
            // Where ends touch, the other end's pixels are left alone.
            return c == 0xFFFFFF || c == ink ||
                   std::any_of(measured.begin(), measured.end(),
                               [&](const QRect& r) { return r.contains(p); });
        };
        QRect all;
        for (const QRect& pixels : measured) {
            all |= pixels;
            QCOMPARE(firstFailing(after, pixels, 0, unchanged), QString());
            QCOMPARE(firstFailing(after, pixels, 1, marked), QString());
            if (kept.kind == Kind::Box)
                QCOMPARE(firstFailing(after, pixels, 2, unchanged), QString());
        }

        const QPoint viewport = w->picDispBase->pos();
        const QRect number = toolOf(w)->numberInViewport(0).translated(viewport);
        const QRect box = toolOf(w)->figuresBoxInViewport().translated(viewport);
        for (const QRect& label : {number, box}) {
            QVERIFY(w->picDispBase->geometry().contains(label));
            QVERIFY(!label.intersects(all));
            QVERIFY(!label.intersects(w->picRulerBaseW->geometry()));
            QVERIFY(!label.intersects(w->picRulerBaseH->geometry()));
        }
        QVERIFY(!number.intersects(box));
        // Drawn there whole: the number's ground at its corners, the box's frame at its own.
        for (const QPoint p : {number.topLeft(), number.bottomRight(), box.topLeft() + QPoint(1, 1),
                               box.bottomRight() - QPoint(1, 1)})
            QCOMPARE(describe(after.pixel(p)),
                     describe(number.contains(p) && selected ? ink : 0xFFFFE1));
        for (const QPoint p : {box.topLeft(), box.bottomRight()})
            QCOMPARE(describe(after.pixel(p)), describe(0));
    }

    // Before any picture: no line, and a menu only of ways to a picture.
    void noPictureNoMeasurement()
    {
        Window w({96, 96}, Qt::FramelessWindowHint);
        QVERIFY(QTest::qWaitForWindowExposed(&*w));
        drag(w, QPoint(10, 10), QPoint(50, 50));
        QVERIFY(!toolOf(w)->measuring());
        QVERIFY(!w->findChild<QWidget*>(QStringLiteral("measureLayer"))->isVisible());

        contextMenuAt(w, QPoint(10, 10));
        QTRY_VERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()));
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QStringList entries;
        for (const QAction* action : menu->actions())
            if (!action->isSeparator())
                entries << action->text();
        menu->close();
        QCOMPARE(entries,
                 (QStringList{"粘贴", "重新载入", "截取屏幕", "截取…", "截屏延时", "最近的文件"}));
    }
};

QTEST_MAIN(tst_MeasureTool)
#include "tst_measure_tool.moc"
