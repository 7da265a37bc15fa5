// Guides: where an edge is drawn and read at every kind of factor from an origin that is not
// round, their position in inches at a resolution that differs across and down, snapping
// both ways, and the real window's rulers, picture, keys, table and pictures.
#include "instruments/guide_tool.h"
#include "instruments/guides.h"
#include "instruments/measure_tool.h"
#include "support/test_support.h"
#include "viewer/main_window.h"

#include <QTemporaryDir>
#include <QTest>

using guide::Guide;
using measurement::Placement;
using testing::Window;

class tst_Guides : public QObject
{
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void anEdgesScreenLine_data()
    {
        QTest::addColumn<int>("times");
        QTest::addColumn<int>("over");
        QTest::addColumn<int>("edge");
        QTest::addColumn<int>("line");
        // Origin (-37, 13): scrolled across, centred down.
        QTest::newRow("1") << 1 << 1 << 50 << 13 + 50;
        QTest::newRow("3") << 3 << 1 << 50 << 13 + 150;
        QTest::newRow("8, the picture's end") << 8 << 1 << 61 << 13 + 488;
        QTest::newRow("1/3 on a square's edge") << 1 << 3 << 48 << 13 + 16;
        QTest::newRow("1/3 inside a square") << 1 << 3 << 50 << 13 + 16;
    }

    void anEdgesScreenLine()
    {
        QFETCH(int, times);
        QFETCH(int, over);
        QFETCH(int, edge);
        QFETCH(int, line);
        const Placement at{QPoint(-37, 13), Zoom{times, over}, QSize(83, 61)};
        QCOMPARE(guide::screenLine(at, Guide{Qt::Horizontal, edge}), line);
        QCOMPARE(guide::screenLine(at, Guide{Qt::Vertical, edge}), line - 13 - 37);
        // A pointer anywhere on the line's screen row makes the guide of its square's edge;
        // one row up, the edge before it.
        const int square = edge - edge % over;
        const int before = std::max(0, square - over);
        const int first = std::min(square, 61);
        QCOMPARE(guide::guideAt(at, Qt::Horizontal, QPointF(5, line + 0.9)).edge, first);
        QCOMPARE(guide::guideAt(at, Qt::Horizontal, QPointF(5, line - 0.1)).edge,
                 edge == 61 && times > 1 ? 60 : before);
    }

    void aPositionInEachUnit_data()
    {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<int>("unit");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("typed");
        QTest::addColumn<int>("edge");
        // 96 pixels to the inch across, 120 down: each direction takes its own.
        QTest::newRow("px") << int(Qt::Vertical) << units::kPixels << "参考线 x 120 px" << 119.0
                            << 119;
        QTest::newRow("in across")
            << int(Qt::Vertical) << units::kInches << "参考线 x 1.25 in" << 0.5 << 48;
        QTest::newRow("in down") << int(Qt::Horizontal) << units::kInches << "参考线 y 1.00 in"
                                 << 0.5 << 60;
        // 1 cm at 120 ppi is 47.24 pixels; 0.51 cm at 96 is 19.28.
        QTest::newRow("cm down") << int(Qt::Horizontal) << units::kCentimetres << "参考线 y 2.54 cm"
                                 << 1.0 << 47;
        QTest::newRow("cm across, a half up")
            << int(Qt::Vertical) << units::kCentimetres << "参考线 x 3.18 cm" << 0.0529166 << 2;
    }

    void aPositionInEachUnit()
    {
        QFETCH(int, orientation);
        QFETCH(int, unit);
        QFETCH(QString, text);
        QFETCH(double, typed);
        QFETCH(int, edge);
        const units::PixelsPerInch perInch{96, 120};
        const Guide guide{Qt::Orientation(orientation), 120};
        QCOMPARE(guide::positionText(guide, unit, perInch), text);
        const QSize image(300, 200);
        QCOMPARE(guide::edgeOfPosition(typed, guide.orientation, unit, perInch, image), edge);
        QCOMPARE(guide::edgeOfPosition(-0.6, guide.orientation, unit, perInch, image),
                 std::nullopt);
        // The picture's far end is the last place a guide may lie.
        const int side = guide.orientation == Qt::Vertical ? image.width() : image.height();
        for (const int end : {side, side + 1})
            QCOMPARE(
                guide::edgeOfPosition(guide::positionIn({guide.orientation, end}, unit, perInch),
                                      guide.orientation, unit, perInch, image),
                end == side ? std::optional(side) : std::nullopt);
    }

    void snapping_data()
    {
        QTest::addColumn<double>("pointerX");
        QTest::addColumn<int>("endX");
        QTest::addColumn<int>("guideEdge");
        // A vertical guide on edge 50 at factor 3 from origin 7: screen column 157. A guide
        // dragged there lands on an edge of pixel 50 (columns 157 and 160), the nearer.
        QTest::newRow("4 left: the pixel before the edge") << 153.0 << 49 << 50;
        QTest::newRow("on the line: the pixel after it") << 157.0 << 50 << 50;
        QTest::newRow("4 right") << 161.0 << 50 << 51;
        QTest::newRow("5 right: free") << 162.0 << 51 << 51;
        QTest::newRow("5 left: free") << 152.0 << 48 << 48;
    }

    void snapping()
    {
        QFETCH(double, pointerX);
        QFETCH(int, endX);
        QFETCH(int, guideEdge);
        const Placement at{QPoint(7, 0), Zoom{3, 1}, QSize(90, 40)};
        const QPointF pointer(pointerX, 10);
        const QPoint pixel = measurement::imagePixel(at, pointer);
        QCOMPARE(guide::snappedToGuides(at, {Guide{Qt::Vertical, 50}}, pointer, pixel),
                 QPoint(endX, 3));
        const Guide dragged = guide::guideAt(at, Qt::Vertical, pointer);
        QCOMPARE(guide::snappedToEnds(at, dragged, pointer, {QPoint(50, 30)}).edge, guideEdge);
    }

    // The window at 96 x 120 ppi, with a picture smaller than the viewport, centred: drag from
    // each ruler, move, remove, hide, copy, reload and come back.
    void throughTheRulers()
    {
        Window w({96, 120});
        const QString first = testing::gradientFile(dir_, QSize(161, 97));
        w.open(first);
        w->SetFactor(Zoom{3, 1});
        auto& guides = *w->findChild<Guides*>(QStringLiteral("guides"));
        const GuideTool& tool = *w->instrument<GuideTool>();
        const QPoint origin = w->pictureOrigin();
        const QRect ruler = w->rulerInViewport(Qt::Horizontal);
        QVERIFY(!ruler.isEmpty());
        // From the top ruler down onto image row 20 (screen row origin + 60 .. 62).
        const QPoint onRuler =
            w->picRulerW->mapFrom(&*w, w->picDispBase->mapTo(&*w, ruler.center()));
        QTest::mousePress(w->picRulerW, Qt::LeftButton, {}, onRuler);
        QVERIFY(!tool.dragged());
        QTest::mouseMove(w->picRulerW, onRuler + QPoint(0, origin.y() + 61 - ruler.center().y()));
        QCOMPARE(tool.dragged(), std::optional(Guide{Qt::Horizontal, 20}));
        QCOMPARE(tool.draggedText(), QStringLiteral("参考线 y 20 px"));
        QTest::mouseRelease(w->picRulerW, Qt::LeftButton, {},
                            onRuler + QPoint(0, origin.y() + 61 - ruler.center().y()));
        QCOMPARE(guides.all(), (std::vector{Guide{Qt::Horizontal, 20}}));

        // A drag that ends near it ends beside it; with Alt, where the pointer is.
        const MeasureTool& measure = *w->instrument<MeasureTool>();
        for (const auto modifiers : {Qt::NoModifier, Qt::AltModifier}) {
            const int x = modifiers == Qt::AltModifier ? 60 : 30;
            QTest::mousePress(w->picDisp, Qt::LeftButton, modifiers, QPoint(x, 30));
            QTest::mouseMove(w->picDisp, QPoint(x, 63));
            QTest::mouseRelease(w->picDisp, Qt::LeftButton, modifiers, QPoint(x, 63));
            QCOMPARE(measure.to().y(), modifiers == Qt::AltModifier ? 21 : 20);
        }

        // Taken on its line and moved; then dragged back onto its ruler, gone.
        QTest::mousePress(w->picDisp, Qt::LeftButton, {}, QPoint(100, 61));
        QTest::mouseMove(w->picDisp, QPoint(100, 91));
        QTest::mouseRelease(w->picDisp, Qt::LeftButton, {}, QPoint(100, 91));
        QCOMPARE(guides.all(), (std::vector{Guide{Qt::Horizontal, 30}}));
        QCOMPARE(w.measurements().count(), 2);
        const QString table = measure.tableText();
        QVERIFY2(table.endsWith(QStringLiteral("\t参考线\t\t30\t\t\t\t\t\t\t\tpx\t\n")),
                 qPrintable(table));
        QTest::keyClick(&*w, Qt::Key_Semicolon, Qt::ControlModifier);
        QVERIFY(guides.shownOnes().empty());
        QVERIFY(!guides.guideNear({origin, w->factor(), w->imageSize()},
                                  QPointF(origin + QPoint(100, 91))));
        QTest::keyClick(&*w, Qt::Key_Semicolon, Qt::ControlModifier);
        QTest::mousePress(w->picDisp, Qt::LeftButton, {}, QPoint(100, 91));
        QTest::mouseMove(w->picDisp, QPoint(100, ruler.top() - origin.y() + 2));
        QTest::mouseRelease(w->picDisp, Qt::LeftButton, {},
                            QPoint(100, ruler.top() - origin.y() + 2));
        QVERIFY(guides.all().empty());

        // Each picture has its own; a reload keeps them.
        guides.add(Guide{Qt::Vertical, 161});
        w.open(first);
        QCOMPARE(guides.count(), 1);
        w.open(testing::gradientFile(dir_, QSize(40, 30)));
        QCOMPARE(guides.count(), 0);
        w.open(first);
        QCOMPARE(guides.all(), (std::vector{Guide{Qt::Vertical, 161}}));
    }
};

QTEST_MAIN(tst_Guides)
#include "tst_guides.moc"
