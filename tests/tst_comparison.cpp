// Comparing with a second picture: the counts of known differences, alignment, clusters,
// and the real window drawing it pixel for pixel at 2 and 1/2, its keys, its loupe line and
// a file it cannot read.
#include "instruments/comparison.h"
#include "instruments/comparison_drawing.h"
#include "instruments/comparison_tool.h"
#include "instruments/comparison_window.h"
#include "instruments/differences.h"
#include "instruments/loupe.h"
#include "instruments/picture_source.h"
#include "support/test_support.h"
#include "viewer/main_window.h"
#include "viewer/zoomed_drawing.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

using testing::Window;

namespace
{

// White, 40 x 30, with a black box of 5 x 4 at `box`.
QImage withBox(QPoint box, QRgb ink = qRgb(0, 0, 0), QSize size = QSize(40, 30))
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter(&image).fillRect(QRect(box, QSize(5, 4)), QColor(ink));
    return image;
}

QImage whiteWith(const std::vector<QPoint>& dots)
{
    QImage image = withBox(QPoint(-10, -10));
    for (const QPoint& dot : dots)
        image.setPixel(dot, qRgb(0, 0, 0));
    return image;
}

} // namespace

class tst_Comparison : public QObject
{
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void counts_data()
    {
        QTest::addColumn<QImage>("other");
        QTest::addColumn<QPoint>("offset");
        QTest::addColumn<int>("tolerance");
        QTest::addColumn<QString>("text");
        QTest::newRow("the same") << withBox({10, 10}) << QPoint() << 0 << "不同 0 像素（0.00%）";
        // A column of 4 leaves, one comes: 8 of 1200, 0.666 % cut to 0.66.
        QTest::newRow("a one-pixel shift")
            << withBox({11, 10}) << QPoint() << 0 << "不同 8 像素（0.66%）";
        QTest::newRow("laid one to the right")
            << withBox({10, 10}) << QPoint(1, 0) << 0
            << "不同 8 像素（0.68%）  仅图像 30 像素  仅对比图 30 像素";
        // The box a little lighter: 8 is within a tolerance of 8, 9 is not.
        QTest::newRow("8 lighter, tolerance 0")
            << withBox({10, 10}, qRgb(0, 8, 0)) << QPoint() << 0 << "不同 20 像素（1.66%）";
        QTest::newRow("8 lighter, tolerance 8")
            << withBox({10, 10}, qRgb(0, 8, 0)) << QPoint() << 8 << "不同 0 像素（0.00%）";
        QTest::newRow("9 lighter, tolerance 8")
            << withBox({10, 10}, qRgb(0, 0, 9)) << QPoint() << 8 << "不同 20 像素（1.66%）";
        QTest::newRow("smaller, laid top-left")
            << withBox({10, 10}, qRgb(0, 0, 0), QSize(20, 30)) << QPoint() << 0
            << "不同 0 像素（0.00%）  仅图像 600 像素  仅对比图 0 像素";
        QTest::newRow("apart") << withBox({10, 10}) << QPoint(40, 0) << 0 << "两幅图像没有重叠";
    }

    void counts()
    {
        QFETCH(QImage, other);
        QFETCH(QPoint, offset);
        QFETCH(int, tolerance);
        QFETCH(QString, text);
        const QImage picture = withBox({10, 10}, qRgb(0, 0, 0));
        QCOMPARE(differences::countsText(differences::count(picture, other, offset, tolerance)),
                 text);
    }

    void thousandsAreGrouped()
    {
        // 1,234 of 2,000 pixels, the first ones row by row.
        QImage picture(100, 20, QImage::Format_RGB32), other(100, 20, QImage::Format_RGB32);
        picture.fill(Qt::white);
        other.fill(Qt::white);
        for (int i = 0; i < 1234; ++i)
            other.setPixel(i % 100, i / 100, qRgb(0, 0, 0));
        QCOMPARE(differences::countsText(differences::count(picture, other, QPoint(), 0)),
                 QStringLiteral("不同 1,234 像素（61.70%）"));
    }

    void alignmentFindsAShift()
    {
        // The comparison is the picture cut 3 pixels further right and 2 higher.
        QImage picture = testing::gradientImage(121, 91);
        QPainter(&picture).fillRect(QRect(50, 40, 17, 9), Qt::black);
        const QImage other = picture.copy(3, -2, 101, 71);
        QCOMPARE(differences::bestOffset(picture, other, QPoint(), 0), QPoint(3, -2));
        QCOMPARE(differences::count(picture, other, QPoint(3, -2), 0).differing, 0);
    }

    void clusters_data()
    {
        QTest::addColumn<std::vector<QPoint>>("dots");
        QTest::addColumn<int>("found");
        QTest::newRow("3 apart across: one") << std::vector<QPoint>{{10, 10}, {13, 10}} << 1;
        QTest::newRow("4 apart across: two") << std::vector<QPoint>{{10, 10}, {14, 10}} << 2;
        QTest::newRow("3 apart down: one") << std::vector<QPoint>{{10, 10}, {10, 13}} << 1;
        QTest::newRow("4 apart down: two") << std::vector<QPoint>{{10, 10}, {10, 14}} << 2;
        QTest::newRow("through a third")
            << std::vector<QPoint>{{10, 10}, {25, 10}, {13, 13}, {16, 16}, {19, 13}, {22, 10}} << 1;
        QTest::newRow("a chain left, joined late")
            << std::vector<QPoint>{{20, 10}, {23, 11}, {17, 12}, {14, 13}, {30, 20}} << 2;
    }

    void clusters()
    {
        QFETCH(std::vector<QPoint>, dots);
        QFETCH(int, found);
        const QImage picture = whiteWith({});
        const QImage other = whiteWith(dots);
        const auto boxes = differences::clusters(picture, other, QPoint(), 0);
        QCOMPARE(int(boxes.size()), found);
        QRect all;
        for (const QPoint& dot : dots)
            all |= QRect(dot, QSize(1, 1));
        QCOMPARE(differences::boundingBox(picture, other, QPoint(), 0), all);
        if (found == 1)
            QCOMPARE(boxes.front(), all);
    }

    // The window at factor 2 and 1/2: the difference and the overlay pixel for pixel, the
    // digits' opacity, the loupe's line, boxes kept, and the end.
    void inTheWindow()
    {
        Window w;
        QImage design = testing::gradientImage(64, 48);
        design.setPixel(5, 5, qRgb(0, 0, 0));
        QImage shot = testing::gradientImage(64, 48);
        w.open(testing::writeImage(dir_, QStringLiteral("shot.bmp"), shot));
        auto& tool = *w->instrument<ComparisonTool>();
        auto& comparison = *w->findChild<Comparison*>(QStringLiteral("comparison"));
        tool.compareWith(testing::writeImage(dir_, QStringLiteral("design.png"), design));
        QVERIFY(comparison.active());
        QCOMPARE(tool.view()->isVisible(), true);
        const auto screen = [&] {
            return w->picDisp->grab().toImage().convertToFormat(QImage::Format_RGB32);
        };

        QTest::keyClick(&*w, Qt::Key_D);
        QCOMPARE(comparison.mode(), Comparison::Mode::Difference);
        w->SetFactor(Zoom{2, 1});
        QImage shown = screen();
        QCOMPARE(shown.pixel(10, 10), comparison_drawing::kMarking);
        QCOMPARE(shown.pixel(11, 11), comparison_drawing::kMarking);
        QCOMPARE(shown.pixel(12, 11), qRgb(0, 0, 0));
        QCOMPARE(shown.pixel(9, 10), qRgb(0, 0, 0));
        w->SetFactor(Zoom{1, 2});
        shown = screen();
        QCOMPARE(shown.pixel(2, 2), comparison_drawing::kMarking);
        QCOMPARE(shown.pixel(3, 2), qRgb(0, 0, 0));

        // The overlay at 100 %: the comparison's squares' means, then its blocks.
        QTest::keyClick(&*w, Qt::Key_0);
        QCOMPARE(comparison.mode(), Comparison::Mode::Overlay);
        QCOMPARE(comparison.opacityTenths(), 10);
        const QImage means = zoomed::meanOfSquares(design, 2);
        QCOMPARE(testing::firstDifference(screen().copy(0, 0, 32, 24), means), QString());
        for (const int times : {3, 8, 2}) {
            w->SetFactor(Zoom{times, 1});
            QCOMPARE(testing::firstDifference(
                         screen().copy(0, 0, 64 * times, 48 * times),
                         zoomed::drawIn(design, times, QRect(0, 0, 64 * times, 48 * times), false)),
                     QString());
        }
        // 3: 30 % black over the picture's own colour at (5, 5).
        QTest::keyClick(&*w, Qt::Key_3);
        const QRgb own = shot.pixel(5, 5);
        const QRgb blended = screen().pixel(10, 10);
        QVERIFY2(std::abs(qRed(blended) - qRed(own) * 7 / 10) <= 1 &&
                     std::abs(qGreen(blended) - qGreen(own) * 7 / 10) <= 1,
                 qPrintable(QString::number(blended, 16)));

        // B: the comparison alone, whatever the opacity, and back; its repeats are ignored.
        QTest::keyClick(&*w, Qt::Key_B);
        QCOMPARE(screen().pixel(10, 10), qRgb(0, 0, 0));
        QTest::keyClick(&*w, Qt::Key_B);
        QVERIFY(comparison.alone());
        QTest::qWait(200);
        QTest::keyClick(&*w, Qt::Key_B);
        QVERIFY(!comparison.alone());
        // Held, it shows the comparison until let go.
        QTest::qWait(200);
        QTest::keyPress(&*w, Qt::Key_B);
        QVERIFY(comparison.alone());
        QTest::qWait(350);
        QTest::keyRelease(&*w, Qt::Key_B);
        QVERIFY(!comparison.alone());

        // Alt + arrows move it; the loupe reads both colours.
        QTest::keyClick(&*w, Qt::Key_Right, Qt::AltModifier | Qt::ShiftModifier);
        QTest::keyClick(&*w, Qt::Key_Up, Qt::AltModifier);
        QCOMPARE(comparison.offset(), QPoint(10, -1));
        comparison.setOffset(QPoint());
        auto& loupe = *w->instrument<Loupe>();
        testing::pointAt(w->picDisp, QPoint(11, 11));
        QVERIFY2(loupe.lines().last() == QStringLiteral("对比图  #000000  差 %1, %2, %3")
                                             .arg(qRed(own))
                                             .arg(qGreen(own))
                                             .arg(qBlue(own)),
                 qPrintable(loupe.lines().join(QLatin1Char('|'))));
        QCOMPARE(tool.keepBoxes(), 1);
        QCOMPARE(w.measurements().at(0).from, QPoint(5, 5));

        // Ended, the picture is as it was.
        emit tool.view()->endAsked();
        QCoreApplication::processEvents();
        QVERIFY(!comparison.active());
        QVERIFY(!tool.view()->isVisible());
        QCOMPARE(screen().pixel(10, 10), shot.pixel(5, 5));
    }

    // At 1 the difference is worked out where the picture was just painted: every pixel as
    // defined, at an offset, marked or not, and nothing outside the part repainted.
    void differenceAtOne_data()
    {
        QTest::addColumn<int>("tolerance");
        QTest::addColumn<bool>("marking");
        QTest::addColumn<QPoint>("offset");
        QTest::addColumn<QRegion>("repainted");
        const QRegion all(0, 0, 37, 23);
        QTest::newRow("0, marked") << 0 << true << QPoint() << all;
        QTest::newRow("8, marked, moved") << 8 << true << QPoint(2, -1) << all;
        QTest::newRow("8, unmarked") << 8 << false << QPoint(-3, 1) << all;
        QTest::newRow("8, two strips")
            << 8 << true << QPoint(1, 2) << (QRegion(5, 3, 7, 19) + QRegion(20, 3, 5, 6));
    }

    void differenceAtOne()
    {
        QFETCH(int, tolerance);
        QFETCH(bool, marking);
        QFETCH(QPoint, offset);
        QFETCH(QRegion, repainted);
        // Sizes that are not round, channels off by 8 (not beyond) and 9 (beyond) apart.
        const QImage shot = testing::gradientImage(37, 23);
        QImage design = testing::gradientImage(37, 23).mirrored(true, false);
        for (int x = std::max(0, -offset.x()); x < std::min(37, 37 - offset.x()); x += 3)
            design.setPixel(x, 7, shot.pixel(x + offset.x(), 7 + offset.y()) ^ (x % 2 ? 8 : 9));
        Comparison comparison;
        comparison.show(design, QString(), false, true);
        comparison.setMode(Comparison::Mode::Difference);
        comparison.setTolerance(tolerance);
        comparison.setMarking(marking);
        comparison.setOffset(offset);

        const QRgb untouched = qRgb(1, 2, 3);
        QImage target(40, 30, QImage::Format_RGB32);
        target.fill(untouched);
        {
            QPainter painter(&target);
            painter.translate(2, 3);
            painter.setClipRegion(repainted);
            painter.drawImage(QPoint(), shot);
            comparison_drawing::draw(painter, repainted.boundingRect(), shot, comparison,
                                     Zoom{1, 1});
        }
        const QRect covered = QRect(offset, design.size()) & shot.rect();
        for (int y = 0; y < 23; ++y)
            for (int x = 0; x < 37; ++x) {
                const QRgb a = shot.pixel(x, y);
                QRgb expected = a;
                if (!repainted.contains(QPoint(x, y))) {
                    expected = untouched;
                } else if (covered.contains(x, y)) {
                    const QRgb b = design.pixel(x - offset.x(), y - offset.y());
                    const int r = std::abs(qRed(a) - qRed(b)), g = std::abs(qGreen(a) - qGreen(b)),
                              bl = std::abs(qBlue(a) - qBlue(b));
                    expected = marking && std::max({r, g, bl}) > tolerance
                                   ? comparison_drawing::kMarking
                                   : qRgb(r, g, bl);
                }
                if (target.pixel(x + 2, y + 3) != expected)
                    QFAIL(qPrintable(QStringLiteral("(%1, %2): %3, not %4")
                                         .arg(x)
                                         .arg(y)
                                         .arg(target.pixel(x + 2, y + 3), 0, 16)
                                         .arg(expected, 0, 16)));
            }
    }

    // Ctrl+Shift+V: the clipboard's picture, through a scratch file that does not stay.
    void theClipboardsPicture()
    {
        Window w;
        w.open(testing::gradientFile(dir_, QSize(30, 20)));
        auto& comparison = *w->findChild<Comparison*>(QStringLiteral("comparison"));
        QGuiApplication::clipboard()->setImage(withBox({2, 2}));
        QTest::keyClick(&*w, Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(comparison.active());
        QCOMPARE(comparison.image().size(), QSize(40, 30));
        QCOMPARE(comparison.file(), QString());
        QCOMPARE(comparison.colourAt(QPoint(2, 2)), std::optional(qRgb(0, 0, 0)));
        QVERIFY(QDir(PictureSource::pastedFolder())
                    .entryList({QStringLiteral("compared-*")}, QDir::Files)
                    .isEmpty());
    }

    void aFileItCannotRead()
    {
        Window w;
        w.open(testing::gradientFile(dir_, QSize(30, 20)));
        auto& tool = *w->instrument<ComparisonTool>();
        const QString broken = dir_.filePath(QStringLiteral("broken.png"));
        QFile file(broken);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("\x89PNG\r\n\x1a\n not a picture");
        file.close();
        tool.compareWith(broken);
        QCOMPARE(tool.view()->note(), loadErrorMessage());
        QVERIFY(w.messages().isEmpty());
        QVERIFY(!w->findChild<Comparison*>(QStringLiteral("comparison"))->active());
        QCOMPARE(w->imageSize(), QSize(30, 20));
    }
};

QTEST_MAIN(tst_Comparison)
#include "tst_comparison.moc"
