// What the window tells its instruments: each signal once per change, only when the window
// is whole again; one mapping from a viewport point to an image pixel, the readout's own;
// keys and the picture's menu shared by instruments in the order they were attached.
#include "instruments/loupe.h"
#include "instruments/measure_tool.h"
#include "instruments/measurement_list.h"
#include "support/test_support.h"
#include "toolkit/services.h"
#include "viewer/pixel_mapping.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QCursor>
#include <QMenu>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

using testing::pointAt;
using testing::Window;

namespace
{

// What an instrument would read at a signal; a signal sent half way through an update
// reads something other than what the window ends with.
QString stateOf(const Window& w)
{
    const auto pointed = w->pointedPixel();
    return QStringLiteral(
               "image %1x%2 at %3 factor %4, %5 px shown, %6,%7 unit %8 busy %9, %10 | %11")
        .arg(w->imageSize().width())
        .arg(w->imageSize().height())
        .arg(QStringLiteral("%1,%2").arg(w->pictureOrigin().x()).arg(w->pictureOrigin().y()))
        .arg(w->factor().name())
        .arg(w->picDisp->ScaleWidth())
        .arg(w->hsrDisp->Value())
        .arg(w->vsrDisp->Value())
        .arg(w->unit())
        .arg(w->busy)
        .arg(w->lblImageSize->Caption())
        .arg(pointed ? QStringLiteral("%1,%2").arg(pointed->pixel.x()).arg(pointed->pixel.y())
                     : QStringLiteral("-"));
}

// Counts each signal and keeps the state read at each one.
struct Heard {
    int counts[6] = {};
    QStringList states;
    QPoint pixel;
    QRgb colour = 0;

    explicit Heard(Window& w)
    {
        const auto count = [this, &w](int which) {
            return [this, &w, which] {
                ++counts[which];
                states << stateOf(w);
            };
        };
        QObject::connect(&*w, &frmVelmora::pictureChanged, count(0));
        QObject::connect(&*w, &frmVelmora::magnificationChanged, count(1));
        QObject::connect(&*w, &frmVelmora::pictureMoved, count(2));
        QObject::connect(&*w, &frmVelmora::unitsChanged, count(3));
        QObject::connect(&*w, &frmVelmora::pointerOverPixel, [this, count](QPoint p, QRgb c) {
            pixel = p;
            colour = c;
            count(4)();
        });
        QObject::connect(&*w, &frmVelmora::pointerLeftPicture, count(5));
    }
    QString text() const
    {
        QStringList parts;
        for (int n : counts)
            parts << QString::number(n);
        return parts.join(QLatin1Char(' '));
    }
};

// An instrument that counts what it is told, as Heard does, and asks the window for what
// instruments may ask.
class Hearing : public Instrument
{
public:
    using Instrument::Instrument;
    using Instrument::scrollTo;
    using Instrument::setFactor;
    void pictureChanged() override { ++counts[0]; }
    void magnificationChanged() override { ++counts[1]; }
    void pictureMoved() override { ++counts[2]; }
    void unitsChanged() override { ++counts[3]; }
    void pointerOverPixel(QPoint, QRgb) override { ++counts[4]; }
    void pointerLeftPicture() override { ++counts[5]; }
    QString text() const
    {
        QStringList parts;
        for (int n : counts)
            parts << QString::number(n);
        return parts.join(QLatin1Char(' '));
    }
    int counts[6] = {};
};

Hearing& attachHearing(Window& w)
{
    return *static_cast<Hearing*>(w->attach(std::make_unique<Hearing>(*w)));
}

// An instrument that answers a key and adds a menu entry, and says when it did.
class Answering : public Instrument
{
public:
    Answering(frmVelmora& window, QString name, bool takes, QStringList& log)
        : Instrument(window), name_(std::move(name)), log_(log)
    {
        claimKey(QKeySequence(Qt::Key_Escape), [this, takes] {
            log_ << name_;
            return takes;
        });
    }
    void addMenuEntries(QMenu& menu, QPointF) override { menu.addAction(name_); }

private:
    QString name_;
    QStringList& log_;
};

} // namespace

using Action = std::function<void(Window&)>;
Q_DECLARE_METATYPE(Action)

class tst_InstrumentSeam : public QObject
{
    Q_OBJECT
    QTemporaryDir dir_;
    QString wide_;  // wider than the viewport: scrolls across, centred down
    QString small_; // fits at either factor

private slots:
    void initTestCase()
    {
        wide_ = testing::gradientFile(dir_, QSize(601, 101));
        small_ = testing::gradientFile(dir_, QSize(101, 51));
    }

    void eachChangeToldOnceWhenWhole_data()
    {
        QTest::addColumn<Action>("setup");
        QTest::addColumn<Action>("action");
        QTest::addColumn<QString>("heard"); // picture, factor, moved, units, over, left

        const Action none = [](Window&) {};
        const Action pointed = [](Window& w) { pointAt(w->picDisp, QPoint(10, 20)); };
        const Action open = [this](Window& w) { w.open(small_); };
        QTest::newRow("another picture") << none << open << "1 0 1 0 0 0";
        QTest::newRow("the same file again")
            << none << Action([this](Window& w) { w.open(wide_); }) << "1 0 0 0 0 0";
        QTest::newRow("a failed load") << none << Action([this](Window& w) {
            w.open(dir_.filePath(QStringLiteral("missing.bmp")));
        }) << "1 0 1 0 0 0";
        QTest::newRow("opening cancelled")
            << none << Action([](Window& w) { w.openAndCancel(); }) << "0 0 0 0 0 0";
        QTest::newRow("another picture at factor 2: back to 1")
            << Action([](Window& w) { w->cboMagnify->setListIndex(1); }) << open << "1 1 1 0 0 0";
        QTest::newRow("factor 2: the picture re-centred down")
            << none << Action([](Window& w) { w->cboMagnify->setListIndex(1); }) << "0 1 1 0 0 0";
        QTest::newRow("scrolled: once, though the rulers yield")
            << none << Action([](Window& w) { w->hsrDisp->setValue(30); }) << "0 0 1 0 0 0";
        QTest::newRow("the window resized: re-centred down")
            << none << Action([](Window& w) { w->resize(w->width() + 40, w->height() + 40); })
            << "0 0 1 0 0 0";
        QTest::newRow("inches") << none << Action([](Window& w) { w->cboUnit->setListIndex(1); })
                                << "0 0 0 1 0 0";
        QTest::newRow("the pointer onto the picture") << none << pointed << "0 0 0 0 1 0";
        QTest::newRow("the next pixel")
            << pointed << Action([](Window& w) { pointAt(w->picDisp, QPoint(11, 20)); })
            << "0 0 0 0 1 0";
        QTest::newRow("factor 2, within the same pixel's block") << Action([](Window& w) {
            w->cboMagnify->setListIndex(1);
            pointAt(w->picDisp, QPoint(20, 40));
        }) << Action([](Window& w) { pointAt(w->picDisp, QPoint(21, 41)); })
                                                                 << "0 0 0 0 0 0";
        QTest::newRow("scrolled under a resting pointer")
            << pointed << Action([](Window& w) { w->hsrDisp->setValue(30); }) << "0 0 1 0 1 0";
        QTest::newRow("the pointer off the picture")
            << pointed << Action([](Window& w) { pointAt(w->picDispBase, QPoint(2, 2)); })
            << "0 0 0 0 0 1";
        QTest::newRow("an instrument sets factor 2") << none << Action([](Window& w) {
            attachHearing(w).setFactor(Zoom{2, 1});
        }) << "0 1 1 0 0 0";
        QTest::newRow("an instrument scrolls") << none << Action([](Window& w) {
            attachHearing(w).scrollTo({30, 0});
        }) << "0 0 1 0 0 0";
    }

    void eachChangeToldOnceWhenWhole()
    {
        QFETCH(Action, setup);
        QFETCH(Action, action);
        QFETCH(QString, heard);

        Window w({96, 120}, Qt::FramelessWindowHint);
        QVERIFY(QTest::qWaitForWindowExposed(&*w));
        w.open(wide_);
        pointAt(w->picDispBase, QPoint(2, 2));
        setup(w);

        const Heard told(w);
        const Hearing& instrument = attachHearing(w);
        action(w);
        QCOMPARE(told.text(), heard);
        QCOMPARE(instrument.text(), heard);
        // Read at any signal, the window was already what it ends as.
        for (const QString& state : told.states)
            QCOMPARE(state, stateOf(w));
        if (told.counts[4]) {
            const QPointF pointer = w->picDispBase->mapFromGlobal(QPointF(QCursor::pos()));
            QCOMPARE(told.pixel, w->imagePixelAt(pointer));
            QCOMPARE(QColor(told.colour), w->picture().pixelColor(told.pixel));
        }
    }

    // Scrolling asked for by an instrument goes as far as the bars reach, and no further.
    void scrollToStaysInReach_data()
    {
        QTest::addColumn<QPoint>("asked");
        QTest::addColumn<QPoint>("bars");
        QTest::newRow("within") << QPoint(30, 0) << QPoint(30, 0);
        QTest::newRow("before the start") << QPoint(-5, -1) << QPoint(0, 0);
        // 601 pixels in a viewport 548 wide; 101 high, centred down with room to spare.
        QTest::newRow("past the end") << QPoint(100000, 7) << QPoint(53, 0);
    }

    void scrollToStaysInReach()
    {
        QFETCH(QPoint, asked);
        Window w({96, 120}, Qt::FramelessWindowHint);
        w.open(wide_);
        attachHearing(w).scrollTo(asked);
        QTEST(QPoint(w->hsrDisp->Value(), w->vsrDisp->Value()), "bars");
        QCOMPARE(w->pictureOrigin().x(), -w->hsrDisp->Value());
    }

    void pixelUnderAPoint_data()
    {
        QTest::addColumn<QPoint>("origin");
        QTest::addColumn<int>("factor");
        QTest::addColumn<QPointF>("point");
        QTest::addColumn<QPoint>("pixel");

        QTest::newRow("factor 1, within a pixel")
            << QPoint(0, 0) << 1 << QPointF(10.9, 20.9) << QPoint(10, 20);
        QTest::newRow("factor 2: blocks, not rounding")
            << QPoint(0, 0) << 2 << QPointF(7, 5) << QPoint(3, 2);
        QTest::newRow("factor 2, scrolled by odd counts")
            << QPoint(-31, -40) << 2 << QPointF(0, 0) << QPoint(15, 20);
        QTest::newRow("just left of and above a centred picture: -1, not 0")
            << QPoint(221, 110) << 1 << QPointF(220.5, 109) << QPoint(-1, -1);
        QTest::newRow("factor 2, the last column of block 7")
            << QPoint(221, 110) << 2 << QPointF(236, 125) << QPoint(7, 7);
    }

    void pixelUnderAPoint()
    {
        QFETCH(QPoint, origin);
        QFETCH(int, factor);
        QFETCH(QPointF, point);
        QTEST(pixels::imagePixelAt(origin, factor, point), "pixel");
    }

    // On a real window the readout reads the pixel the mapping gives, at the whole pixel a
    // centred picture at a half lands on.
    void readoutUsesTheMapping_data()
    {
        QTest::addColumn<int>("factor");
        QTest::newRow("factor 1") << 1;
        QTest::newRow("factor 2") << 2;
    }

    void readoutUsesTheMapping()
    {
        QFETCH(int, factor);
        Window w({96, 120}, Qt::FramelessWindowHint);
        QVERIFY(QTest::qWaitForWindowExposed(&*w));
        w.open(small_);
        w->cboMagnify->setListIndex(factor - 1);
        const float left = w->picDisp->Left(), top = w->picDisp->Top();
        // The viewport's even width and height leave a half only around an odd picture.
        if (factor == 1)
            QVERIFY2(left != std::floor(left) && top != std::floor(top), "no half to land");
        QCOMPARE(w->pictureOrigin(),
                 QPoint(toolkit::toDevicePixels(left), toolkit::toDevicePixels(top)));
        for (const int block : {0, 5, 50}) {
            for (const int within : {0, factor - 1}) {
                const QPoint inPicture(block * factor + within, block / 2 * factor + within);
                pointAt(w->picDisp, inPicture);
                QTRY_VERIFY(w->pointedPixel().has_value());
                const QPoint expected(block, block / 2);
                QCOMPARE(w->pointedPixel()->pixel, expected);
                QCOMPARE(w->imagePixelAt(QPointF(inPicture + w->pictureOrigin())), expected);
                QVERIFY(w->readoutText().startsWith(
                    QStringLiteral("x = %1   y = %2 ").arg(block).arg(block / 2)));
            }
        }
    }

    // Events the window sees on its own behalf (through its native window, say) are not the
    // picture's: a drag delivered as the window system delivers it measures the right pixels.
    void dragThroughTheWindowSystem()
    {
        Window w({96, 96}, Qt::FramelessWindowHint);
        QVERIFY(QTest::qWaitForWindowExposed(&*w));
        w.open(wide_);
        QWindow* native = w->windowHandle();
        const auto at = [&](QPoint pixel) { return w->picDisp->mapTo(&*w, pixel); };
        QTest::mousePress(native, Qt::LeftButton, {}, at(QPoint(20, 30)));
        QTest::mouseMove(native, at(QPoint(60, 40)));
        QTest::mouseRelease(native, Qt::LeftButton, {}, at(QPoint(116, 30)));
        const auto* tool = w->instrument<MeasureTool>();
        QVERIFY(tool->measuring());
        QCOMPARE(tool->from(), QPoint(20, 30));
        QCOMPARE(tool->to(), QPoint(116, 30));
    }

    // A key claimed by two instruments goes to the first that takes it, in the order they
    // were attached; the picture's menu lists their entries in that order.
    void keysAndMenuInAttachOrder()
    {
        Window w({96, 96}, Qt::FramelessWindowHint);
        QVERIFY(QTest::qWaitForWindowExposed(&*w));
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&*w));
        w.open(wide_);
        QStringList log;
        w->attach(std::make_unique<Answering>(*w, QStringLiteral("first"), false, log));
        w->attach(std::make_unique<Answering>(*w, QStringLiteral("second"), true, log));
        w->attach(std::make_unique<Answering>(*w, QStringLiteral("third"), true, log));

        // No measurement: the measuring tool lets Esc go on.
        QTest::keyClick(&*w, Qt::Key_Escape);
        QCOMPARE(log, QStringList({"first", "second"}));

        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                                w->picDisp->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(w->picDisp, &event);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QStringList entries;
        for (const QAction* entry : menu->actions())
            entries << entry->text();
        menu->close();
        QCOMPARE(entries.mid(entries.size() - 3), QStringList({"first", "second", "third"}));
    }

    // Every entry of these menus, submenus' too, does its work only once the menu has closed:
    // what it asks of the window lets pending events run, and inside the menu's own handling
    // that deletes the menu under its feet. A dialog an entry opens is cancelled.
    void menuEntriesWaitForTheMenuToClose_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::newRow("the picture's") << "picture";
        QTest::newRow("the loupe's") << "loupe";
        QTest::newRow("the list's rows") << "list";
    }

    void menuEntriesWaitForTheMenuToClose()
    {
        QFETCH(QString, menu);
        Window w({96, 96}, Qt::FramelessWindowHint);
        QVERIFY(QTest::qWaitForWindowExposed(&*w));
        w.open(wide_);
        w.open(small_);              // a recent file to open from the menu
        w->cboUnit->setListIndex(1); // the size text names the inch basis
        QTest::keyClick(&*w, Qt::Key_L);
        int dialogs = 0;
        QTimer cancel;
        connect(&cancel, &QTimer::timeout, [&dialogs] {
            if (QWidget* dialog = QApplication::activeModalWidget())
                dialogs += dialog->close();
        });
        cancel.start(20);
        // The nth entry, a submenu's in its place, of the menu opened afresh over a line kept
        // and selected, once the one before has closed and its entry's work is done.
        const auto entryAt = [&](int n) {
            if (QWidget* popup = QApplication::activePopupWidget())
                popup->close();
            QTest::qWait(30);
            if (w.measurements().count() == 0)
                w.measurements().add({measurement::Kind::Line, {10, 10}, {40, 10}, {}, 0});
            w.measurements().setSelection({0});
            QGuiApplication::clipboard()->setImage(testing::gradientImage(3, 2)); // to paste
            pointAt(w->picDisp, QPoint(20, 10)); // for the readout's entry
            QList<QAction*> entries = w->instrument<MeasurementList>()->table()->actions();
            if (menu != "list") {
                QWidget* over = menu == "loupe" ? w->instrument<Loupe>()->view() : w->picDisp;
                QContextMenuEvent event(QContextMenuEvent::Mouse, {20, 10},
                                        over->mapToGlobal(QPoint(20, 10)));
                QApplication::sendEvent(over, &event);
                entries = QApplication::activePopupWidget()->actions();
            }
            QList<QAction*> flat;
            for (QAction* entry : entries)
                flat << (entry->menu() ? entry->menu()->actions() : QList{entry});
            return flat.value(n);
        };
        // All an entry could change at once, none of which may change before the menu closes.
        const auto seen = [&] {
            QString text;
            QDebug(&text) << stateOf(w) << w->windowTitle() << QGuiApplication::clipboard()->text()
                          << w.measurements().count() << toolkit::yieldsSoFar() << dialogs
                          << w->instrument<Loupe>()->shown()
                          << w->instrument<MeasurementList>()->shown();
            return text;
        };
        int n = 0;
        for (; QAction* entry = entryAt(n); ++n) {
            if (entry->isEnabled() && !entry->isSeparator()) {
                const QString before = seen();
                entry->trigger();
                QVERIFY2(seen() == before, qPrintable(entry->text() + ": " + seen()));
            }
        }
        QVERIFY(n > 0);
    }
};

QTEST_MAIN(tst_InstrumentSeam)
#include "tst_instrument_seam.moc"
