// The spacing mode and the contrast in the real window: S, the pointer on a button at several
// factors, a click keeping the span, and a line's figures giving the contrast of its ends.
#include "instruments/contrast.h"
#include "instruments/measure_tool.h"
#include "instruments/spacing_tool.h"
#include "support/test_support.h"
#include "viewer/main_window.h"

#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

using testing::Window;

namespace
{

const QRgb kBorder = qRgb(0x3C, 0x3C, 0x3C);
const QRgb kFill = qRgb(0xE1, 0xE1, 0xE1);

// A button of 41 x 21 pixels with a one-pixel border, at (30, 20) on white.
QImage buttonPicture()
{
    QImage image(121, 81, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.fillRect(QRect(30, 20, 41, 21), QColor(kBorder));
    painter.fillRect(QRect(31, 21, 39, 19), QColor(kFill));
    return image;
}

// Points at an image pixel's block, as a person resting the pointer on it.
void pointAtPixel(Window& w, QPoint pixel)
{
    const QPoint origin = w->pictureOrigin();
    testing::pointAt(w->picDisp, w->factor().blockOf(origin, pixel).center() - origin);
}

} // namespace

class tst_Spacing : public QObject
{
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void aButtonsSpan_data()
    {
        QTest::addColumn<int>("factor");
        QTest::newRow("1") << 1;
        QTest::newRow("2") << 2;
        QTest::newRow("8") << 8;
    }

    void aButtonsSpan()
    {
        QFETCH(int, factor);
        Window w;
        w.open(testing::writeImage(dir_, QStringLiteral("button.bmp"), buttonPicture()));
        w->SetFactor(Zoom{factor, 1});
        w->hsrDisp->setValue(0);
        w->vsrDisp->setValue(0);
        SpacingTool& spacing = *w->instrument<SpacingTool>();
        QTest::keyClick(&*w, Qt::Key_S);
        QVERIFY(spacing.on());
        pointAtPixel(w, QPoint(45, 30));
        // Inside the border, both ends included.
        QCOMPARE(spacing.span(), std::optional(QRect(QPoint(31, 21), QPoint(69, 39))));
        QCOMPARE(spacing.figuresText(), QStringLiteral("宽 39  高 19  容差 8"));
        QCOMPARE(w->findChild<QWidget*>(QStringLiteral("spacingLayer"))->isVisible(), true);
        // A click keeps the span as a box, and the measuring tool makes nothing of it.
        QTest::mouseClick(w->picDisp, Qt::LeftButton, {},
                          w->factor().blockOf({}, QPoint(45, 30)).center());
        QCOMPARE(w.measurements().count(), 1);
        QCOMPARE(w.measurements().at(0).kind, measurement::Kind::Box);
        QCOMPARE(w.measurements().at(0).from, QPoint(31, 21));
        QCOMPARE(w.measurements().at(0).to, QPoint(69, 39));
        // Ctrl + click: the two arms as lines.
        QTest::mouseClick(w->picDisp, Qt::LeftButton, Qt::ControlModifier,
                          w->factor().blockOf({}, QPoint(45, 30)).center());
        QCOMPARE(w.measurements().count(), 3);
        QCOMPARE(w.measurements().at(1).to, QPoint(69, 30));
        QCOMPARE(w.measurements().at(2).from, QPoint(45, 21));
        // ] raises the tolerance past the steps onto the border (195 from white) in the end.
        for (int step = 0; step < 47; ++step)
            QTest::keyClick(&*w, Qt::Key_BracketRight);
        QCOMPARE(spacing.tolerance(), 196);
        QCOMPARE(spacing.span(), std::optional(QRect(QPoint(0, 0), QPoint(120, 80))));
        QTest::keyClick(&*w, Qt::Key_S);
        QVERIFY(!spacing.span());
    }

    void aLinesContrast()
    {
        Window w;
        w.open(testing::writeImage(dir_, QStringLiteral("button.bmp"), buttonPicture()));
        // From the border to the fill, at factor 1: dark grey on light grey.
        QTest::mousePress(w->picDisp, Qt::LeftButton, {}, QPoint(30, 30));
        QTest::mouseMove(w->picDisp, QPoint(50, 30));
        QTest::mouseRelease(w->picDisp, Qt::LeftButton, {}, QPoint(50, 30));
        const MeasureTool& tool = *w->instrument<MeasureTool>();
        QVERIFY2(tool.figuresText().endsWith(contrast::contrastText(kBorder, kFill)),
                 qPrintable(tool.figuresText()));
        QVERIFY(tool.copyText().endsWith(QStringLiteral("对比度 8.43:1 AAA")));
    }
};

QTEST_MAIN(tst_Spacing)
#include "tst_spacing.moc"
