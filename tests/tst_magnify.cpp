// Magnification: every image pixel a solid block, back to the exact original, the rulers and
// readout in image pixels, and a factor too large undone with one message.
#include "support/test_support.h"
#include "toolkit/services.h"
#include "viewer/numbers.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using testing::kMagnifyFailed;
using testing::Window;

namespace
{

// Picks an entry of the factor list as a person would; the list raises its Click.
void pickFactor(Window& w, int factor)
{
    w->cboMagnify->setListIndex(factor - 1);
}

// "" when every screen pixel of the shown picture is the image pixel it stands for.
QString replicationDifference(const Window& w, int factor)
{
    const QImage& shown = w->picDisp->surface();
    const QImage& image = w->picOrig->surface();
    if (shown.size() != image.size() * factor)
        return QStringLiteral("shown %1x%2 for an image of %3x%4")
            .arg(shown.width())
            .arg(shown.height())
            .arg(image.width())
            .arg(image.height());
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if (shown.pixel(x, y) != image.pixel(x / factor, y / factor))
                return QStringLiteral("screen pixel (%1, %2)").arg(x).arg(y);
    return QString();
}

} // namespace

class tst_Magnify : public QObject
{
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void everyImagePixelBecomesABlock_data()
    {
        QTest::addColumn<QSize>("image");
        QTest::newRow("100 x 50") << QSize(100, 50);
        QTest::newRow("odd sizes, 37 x 23") << QSize(37, 23);
        QTest::newRow("one pixel") << QSize(1, 1);
        QTest::newRow("larger than the viewport, 700 x 411") << QSize(700, 411);
    }

    void everyImagePixelBecomesABlock()
    {
        QFETCH(QSize, image);
        Window w({96, 96}, Qt::FramelessWindowHint);
        w.open(testing::gradientFile(dir_, image));
        const QImage loaded = w->picOrig->surface().copy();

        pickFactor(w, 2);

        QCOMPARE(w->magnification, 2);
        QCOMPARE(QSizeF(w->picDisp->ScaleWidth(), w->picDisp->ScaleHeight()), QSizeF(image * 2));
        QCOMPARE(replicationDifference(w, 2), QString());
        // What is shown is the picture itself, not just paint on the surface.
        QCOMPARE(testing::firstDifference(w->picDisp->Picture(), w->picDisp->Image()), QString());
        QCOMPARE(testing::firstDifference(w->picOrig->surface(), loaded), QString());

        pickFactor(w, 1);

        QCOMPARE(w->magnification, 1);
        QCOMPARE(testing::firstDifference(w->picDisp->Image(), loaded), QString());
        QVERIFY(w.messages().isEmpty());
    }

    // Every good file of the shared corpus that loads, there and back.
    void everyCorpusPictureMagnifiesAndReturns_data()
    {
        QTest::addColumn<QString>("path");
        const QString manifest = testing::corpusFile(QStringLiteral("MANIFEST.tsv"));
        // In CI the corpus is always there: a missing one must not pass as a skip.
        if (manifest.isEmpty() && qEnvironmentVariable("CI") == QLatin1String("true"))
            QFAIL("the shared corpus is missing");
        if (manifest.isEmpty())
            QSKIP("the shared corpus is not here");
        QFile file(manifest);
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        while (!file.atEnd()) {
            const QString row = QString::fromUtf8(file.readLine());
            if (row.startsWith(QLatin1String("good/")))
                QTest::newRow(qPrintable(row.section(u'\t', 0, 0)))
                    << testing::corpusFile(row.section(u'\t', 0, 0));
        }
    }

    void everyCorpusPictureMagnifiesAndReturns()
    {
        QFETCH(QString, path);
        Window w({96, 96}, Qt::FramelessWindowHint);
        w.open(path);
        if (!w->picOrig->hasPicture())
            QSKIP("the decoder refuses this file; the loading tests say whether it should");
        const QImage loaded = w->picOrig->surface().copy();
        pickFactor(w, 2);
        QCOMPARE(replicationDifference(w, 2), QString());
        pickFactor(w, 1);
        QCOMPARE(testing::firstDifference(w->picDisp->Image(), loaded), QString());
        QVERIFY(w.messages().isEmpty());
    }

    void scrollRangeAndPlaceFollowTheEnlargedPicture_data()
    {
        QTest::addColumn<QSize>("image");
        QTest::newRow("small enough to centre at 2") << QSize(101, 61);
        QTest::newRow("larger than the viewport only at 2") << QSize(301, 161);
    }

    void scrollRangeAndPlaceFollowTheEnlargedPicture()
    {
        QFETCH(QSize, image);
        Window w({96, 96}, Qt::FramelessWindowHint);
        w.open(testing::gradientFile(dir_, image));
        pickFactor(w, 2);

        const QSizeF viewport(w->picDispBase->ScaleWidth(), w->picDispBase->ScaleHeight());
        const QSizeF excess = QSizeF(image * 2) - viewport;
        QCOMPARE(int(w->hsrDisp->Max()), std::max(0, int(numbers::CInt(excess.width()))));
        QCOMPARE(int(w->vsrDisp->Max()), std::max(0, int(numbers::CInt(excess.height()))));
        const auto placed = [](double excess) { return excess < 0 ? -excess / 2 : 0.0; };
        QCOMPARE(QPointF(w->picDisp->Left(), w->picDisp->Top()),
                 QPointF(placed(excess.width()), placed(excess.height())));
    }

    void rulersStretchAndTheReadoutStaysInImagePixels()
    {
        Window w({96, 120}, Qt::FramelessWindowHint);
        w.open(testing::gradientFile(dir_, QSize(300, 200)));
        w->cboUnit->setListIndex(1); // inches: 96 across, 120 down
        const QImage rulerAt1 = w->picRulerW->Image();

        pickFactor(w, 2);

        QCOMPARE(QPoint(w->unitPxMagX, w->unitPxMagY), QPoint(192, 240));
        const QImage rulerAt2 = w->picRulerW->Image();
        QVERIFY(testing::firstDifference(rulerAt2, rulerAt1) != QString());
        // The rulers are those a redraw at the new factor gives, not those at the old one.
        w->DrawRulers();
        QCOMPARE(testing::firstDifference(w->picRulerW->Image(), rulerAt2), QString());

        // Screen pixel (193, 241) is image pixel (96, 120): one inch on both axes.
        w->picDisp_MouseMove(0, 0, 193, 241);
        QVERIFY(w->lblXY->Caption().startsWith(QStringLiteral("x = 1.00   y = 1.00")));
    }

    void loadingAtTwoComesBackToOne()
    {
        Window w({96, 96}, Qt::FramelessWindowHint);
        w.open(testing::gradientFile(dir_, QSize(100, 50)));
        pickFactor(w, 2);
        w.open(testing::gradientFile(dir_, QSize(37, 23)));
        QCOMPARE(w->magnification, 1);
        QCOMPARE(w->cboMagnify->ListIndex(), 0);
        QCOMPARE(replicationDifference(w, 1), QString());
    }

    void nothingHappensWithoutAPictureOrWhileBusy_data()
    {
        QTest::addColumn<bool>("loaded");
        QTest::newRow("before any image") << false;
        QTest::newRow("while busy") << true;
    }

    void nothingHappensWithoutAPictureOrWhileBusy()
    {
        QFETCH(bool, loaded);
        Window w({96, 96}, Qt::FramelessWindowHint);
        if (loaded)
            w.open(testing::gradientFile(dir_, QSize(100, 50)));
        const QSizeF before(w->picDisp->Width(), w->picDisp->Height());
        int pointerSeen = toolkit::vbDefault;
        QMetaObject::invokeMethod(
            &*w, [&pointerSeen] { pointerSeen = toolkit::mousePointer(); }, Qt::QueuedConnection);
        w->busy = loaded ? -1 : 0;

        pickFactor(w, 2);

        w->busy = 0;
        QCOMPARE(w->magnification, 1);
        QCOMPARE(QSizeF(w->picDisp->Width(), w->picDisp->Height()), before);
        QCOMPARE(pointerSeen, toolkit::vbDefault);
        QVERIFY(w.messages().isEmpty());
    }

    void theHourglassShowsWhileEnlarging()
    {
        Window w({96, 96}, Qt::FramelessWindowHint);
        w.open(testing::gradientFile(dir_, QSize(100, 50)));
        int pointerSeen = toolkit::vbDefault;
        QMetaObject::invokeMethod(
            &*w, [&pointerSeen] { pointerSeen = toolkit::mousePointer(); }, Qt::QueuedConnection);
        pickFactor(w, 2);
        QCOMPARE(pointerSeen, toolkit::vbHourglass);
        QCOMPARE(toolkit::mousePointer(), toolkit::vbDefault);
    }

    void aFactorTooLargeIsUndone_data()
    {
        QTest::addColumn<QSize>("image");
        QTest::addColumn<bool>("fits");
        // A side of the enlarged surface may be 32,767 pixels at most.
        QTest::newRow("16,383 across: 32,766 fits") << QSize(16383, 2) << true;
        QTest::newRow("16,384 across: one over") << QSize(16384, 2) << false;
        QTest::newRow("16,384 down: one over") << QSize(3, 16384) << false;
    }

    void aFactorTooLargeIsUndone()
    {
        QFETCH(QSize, image);
        QFETCH(bool, fits);
        Window w({96, 96}, Qt::FramelessWindowHint);
        w.open(testing::gradientFile(dir_, image));
        const QImage loaded = w->picOrig->surface().copy();
        const QPoint rangeAt1(w->hsrDisp->Max(), w->vsrDisp->Max());

        pickFactor(w, 2);

        if (fits) {
            QCOMPARE(w->magnification, 2);
            QCOMPARE(replicationDifference(w, 2), QString());
            QVERIFY(w.messages().isEmpty());
            return;
        }
        QCOMPARE(w.messages(), QStringList{kMagnifyFailed});
        QCOMPARE(w->magnification, 1);
        QCOMPARE(w->cboMagnify->ListIndex(), 0);
        QCOMPARE(testing::firstDifference(w->picDisp->Image(), loaded), QString());
        QCOMPARE(QPoint(w->hsrDisp->Max(), w->vsrDisp->Max()), rangeAt1);
        QCOMPARE(toolkit::mousePointer(), toolkit::vbDefault);
        QCOMPARE(w->busy, qint16(0));
        // Nothing is lost: the factor that fits still works afterwards.
        pickFactor(w, 1);
        QCOMPARE(testing::firstDifference(w->picDisp->Image(), loaded), QString());
        QCOMPARE(w.messages().size(), 1);
    }

    void factorIsReadFromTheEntrysLeadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("a digit") << "2" << 2.0;
        QTest::newRow("leading blanks, trailing text") << " \t12x" << 12.0;
        QTest::newRow("a fraction") << "1.5" << 1.5;
        QTest::newRow("a sign and an exponent") << "-3e2" << -300.0;
        QTest::newRow("an exponent without digits stops before it") << "4e" << 4.0;
        QTest::newRow("a lone point") << "." << 0.0;
        QTest::newRow("no number") << "x2" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
    }

    void factorIsReadFromTheEntrysLeadingNumber()
    {
        QFETCH(QString, text);
        QTEST(numbers::Val(text), "value");
    }
};

QTEST_MAIN(tst_Magnify)
#include "tst_magnify.moc"
