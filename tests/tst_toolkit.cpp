// The classic toolkit services as the window relies on them: block copies that clip,
// colours in 0x00BBGGRR, lines without their end point, surfaces that persist, controls
// that raise their events from code.
#include "support/test_support.h"

#include "toolkit/controls.h"
#include "toolkit/gdi.h"
#include "toolkit/services.h"

#include <QSignalSpy>
#include <QTest>

using namespace toolkit;
using testing::errorOf;

namespace
{

// A box of the given size whose pixel (x, y) is RGB(x, y, 7).
std::unique_ptr<PictureBox> numberedBox(QWidget* parent, int w, int h)
{
    auto box = std::make_unique<PictureBox>(parent);
    box->Move(0, 0, float(w), float(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            box->surface().setPixel(x, y, qRgb(x, y, 7));
    return box;
}

// The nearest-pixel rule written out plainly: pixel (i, j) of the w x h destination block at
// `to` takes source pixel (sx + i * sw / w, sy + j * sh / h), where both lie on their surfaces.
QImage stretchedByRule(const QImage& source, QImage dest, const QRect& to, const QRect& from)
{
    for (int j = 0; j < to.height(); ++j)
        for (int i = 0; i < to.width(); ++i) {
            const QPoint out(to.x() + i, to.y() + j);
            const QPoint in(from.x() + int(qint64(i) * from.width() / to.width()),
                            from.y() + int(qint64(j) * from.height() / to.height()));
            if (dest.valid(out) && source.valid(in))
                dest.setPixel(out, source.pixel(in));
        }
    return dest;
}

} // namespace

class tst_Toolkit : public QObject
{
    Q_OBJECT
private slots:
    void bitBltClips_data();
    void bitBltClips();
    void stretchBltReplicatesPixels();
    void stretchBltTakesTheNearestPixel_data();
    void stretchBltTakesTheNearestPixel();
    void blockCopyWithinOneSurface();
    void wholeSurfaceCopySharesUntilDrawnOn();
    void blankSurfaceReadsAsItsColour();
    void lineLeavesOutItsEndPoint_data();
    void lineLeavesOutItsEndPoint();
    void surfacePersistsAndErases();
    void surfaceLimits_data();
    void surfaceLimits();
    void fontsAreSelectedAndDeleted();
    void comboBoxSelectsOnlyWhenTold();
    void scrollBarRaisesChangeFromCode();
    void checkBoxValues();

private:
    QWidget host;
};

void tst_Toolkit::bitBltClips_data()
{
    // Source 10 x 6 numbered pixels, destination 8 x 5 erased to white.
    QTest::addColumn<QRect>("dest");    // x, y, w, h of the copy
    QTest::addColumn<QPoint>("source"); // sx, sy
    QTest::addColumn<QRect>("changed"); // destination pixels that must change
    QTest::newRow("inside") << QRect(1, 1, 3, 2) << QPoint(2, 2) << QRect(1, 1, 3, 2);
    QTest::newRow("negative destination x")
        << QRect(-54, 0, 60, 5) << QPoint(0, 0) << QRect(0, 0, 0, 0); // source ends at 10 < 54
    QTest::newRow("shifted left, like a scrolled ruler")
        << QRect(-4, 0, 12, 5) << QPoint(0, 0) << QRect(0, 0, 6, 5);
    QTest::newRow("beyond destination") << QRect(6, 3, 10, 10) << QPoint(0, 0) << QRect(6, 3, 2, 2);
    QTest::newRow("beyond source") << QRect(0, 0, 8, 5) << QPoint(7, 4) << QRect(0, 0, 3, 2);
    QTest::newRow("negative source") << QRect(0, 0, 4, 4) << QPoint(-2, -1) << QRect(2, 1, 2, 3);
}

void tst_Toolkit::bitBltClips()
{
    QFETCH(QRect, dest);
    QFETCH(QPoint, source);
    QFETCH(QRect, changed);
    auto src = numberedBox(&host, 10, 6);
    PictureBox dst(&host);
    dst.Move(0, 0, 8, 5);
    QVERIFY(BitBlt(dst.hDC(), dest.x(), dest.y(), dest.width(), dest.height(), src->hDC(),
                   source.x(), source.y(), SRCCOPY));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 8; ++x) {
            const ColorRef expected = changed.contains(x, y) ? RGB(x - dest.x() + source.x(),
                                                                   y - dest.y() + source.y(), 7)
                                                             : RGB(255, 255, 255);
            QVERIFY2(GetPixel(dst.hDC(), x, y) == expected,
                     qPrintable(QString("pixel (%1, %2)").arg(x).arg(y)));
        }
    // Outside the surface there is no colour.
    for (const QPoint& outside : {QPoint(-1, 0), QPoint(0, -1), QPoint(8, 0), QPoint(0, 5)})
        QCOMPARE(GetPixel(dst.hDC(), outside.x(), outside.y()), CLR_INVALID);
}

void tst_Toolkit::stretchBltReplicatesPixels()
{
    auto src = numberedBox(&host, 5, 3);
    PictureBox dst(&host);
    dst.Move(0, 0, 10, 6);
    QVERIFY(StretchBlt(dst.hDC(), 0, 0, 10, 6, src->hDC(), 0, 0, 5, 3, SRCCOPY));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 10; ++x)
            QCOMPARE(GetPixel(dst.hDC(), x, y), RGB(x / 2, y / 2, 7));
}

void tst_Toolkit::stretchBltTakesTheNearestPixel_data()
{
    // Source 7 x 5 numbered pixels, or blank in one colour; destination 14 x 10, grey where
    // nothing is copied.
    QTest::addColumn<QRect>("dest");   // x, y, w, h of the destination block
    QTest::addColumn<QRect>("source"); // sx, sy, sw, sh
    QTest::addColumn<bool>("blankSource");
    const QRect all(0, 0, 7, 5);
    QTest::newRow("factor 2, the whole destination") << QRect(0, 0, 14, 10) << all << false;
    QTest::newRow("factor 2 from a blank source") << QRect(0, 0, 14, 10) << all << true;
    QTest::newRow("factor 2 part of a blank source")
        << QRect(3, 1, 6, 4) << QRect(1, 1, 3, 2) << true;
    QTest::newRow("factor 3 across, 1 down") << QRect(0, 0, 21, 5) << all << false;
    QTest::newRow("factor 1 across, 2 down") << QRect(2, 0, 7, 10) << all << false;
    QTest::newRow("factor 1, a block copy") << QRect(2, 1, 7, 5) << all << false;
    QTest::newRow("factor 2 at an odd place, cut by the far edges")
        << QRect(3, 5, 14, 10) << all << false;
    QTest::newRow("starts off the destination, cut inside a block")
        << QRect(-3, -1, 14, 10) << all << false;
    QTest::newRow("source partly above and left of its surface")
        << QRect(0, 0, 14, 10) << QRect(-2, -1, 7, 5) << false;
    QTest::newRow("source partly beyond its surface")
        << QRect(1, 0, 14, 10) << QRect(4, 3, 7, 5) << false;
    QTest::newRow("source wholly beyond its surface")
        << QRect(0, 0, 14, 10) << QRect(7, 0, 7, 5) << false;
    QTest::newRow("factors 2 and 3, unequal") << QRect(1, 1, 6, 9) << QRect(2, 1, 3, 3) << false;
    QTest::newRow("a ratio that is no whole factor") << QRect(0, 0, 13, 9) << all << false;
    QTest::newRow("shrinking") << QRect(1, 1, 3, 2) << all << false;
}

void tst_Toolkit::stretchBltTakesTheNearestPixel()
{
    QFETCH(QRect, dest);
    QFETCH(QRect, source);
    QFETCH(bool, blankSource);
    auto src = numberedBox(&host, 7, 5);
    if (blankSource)
        src->setBackColor(RGB(40, 50, 60));
    PictureBox dst(&host);
    dst.Move(0, 0, 14, 10);
    dst.surface().fill(qRgb(200, 200, 200));
    const QImage expected = stretchedByRule(src->surface(), dst.surface().copy(), dest, source);
    QVERIFY(StretchBlt(dst.hDC(), dest.x(), dest.y(), dest.width(), dest.height(), src->hDC(),
                       source.x(), source.y(), source.width(), source.height(), SRCCOPY));
    QCOMPARE(testing::firstDifference(dst.Image(), expected), QString());
    // The source is only read.
    if (!blankSource)
        QCOMPARE(GetPixel(src->hDC(), 6, 4), RGB(6, 4, 7));
}

void tst_Toolkit::blockCopyWithinOneSurface()
{
    // Overlapping blocks of one surface: every pixel is copied as it was before the copy.
    auto box = numberedBox(&host, 10, 6);
    QVERIFY(BitBlt(box->hDC(), 1, 1, 9, 5, box->hDC(), 0, 0, SRCCOPY));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 10; ++x) {
            const ColorRef expected = x >= 1 && y >= 1 ? RGB(x - 1, y - 1, 7) : RGB(x, y, 7);
            QVERIFY2(GetPixel(box->hDC(), x, y) == expected,
                     qPrintable(QString("pixel (%1, %2)").arg(x).arg(y)));
        }
}

void tst_Toolkit::wholeSurfaceCopySharesUntilDrawnOn()
{
    auto src = numberedBox(&host, 6, 4);
    const QImage original = src->Image();
    PictureBox dst(&host);
    dst.Move(0, 0, 6, 4);
    // A block larger than both surfaces still copies each pixel to its own place.
    QVERIFY(BitBlt(dst.hDC(), -2, -1, 9, 7, src->hDC(), -2, -1, SRCCOPY));
    QCOMPARE(testing::firstDifference(dst.Image(), original), QString());
    QCOMPARE(std::as_const(dst).surface().constBits(), std::as_const(*src).surface().constBits());
    dst.setForeColor(RGB(1, 1, 1));
    dst.Line(0, 0, 6, 0);
    QCOMPARE(testing::firstDifference(src->Image(), original), QString());
    QCOMPARE(GetPixel(dst.hDC(), 5, 0), RGB(1, 1, 1));
    QCOMPARE(GetPixel(dst.hDC(), 5, 1), RGB(5, 1, 7));

    QVERIFY(BitBlt(dst.hDC(), 0, 0, 6, 4, src->hDC(), 0, 0, SRCCOPY));
    src->setForeColor(RGB(2, 2, 2));
    src->Line(0, 3, 6, 3);
    QCOMPARE(testing::firstDifference(dst.Image(), original), QString());
}

void tst_Toolkit::blankSurfaceReadsAsItsColour()
{
    const ColorRef back = RGB(10, 20, 30);
    PictureBox box(&host);
    box.setBackColor(back);
    box.Move(0, 0, 5, 3);
    const auto pixel = [&](int x, int y) { return GetPixel(box.hDC(), x, y); };
    QVERIFY(box.Image().isUniform());
    QCOMPARE(pixel(4, 2), back);
    QCOMPARE(fromQRgb(box.grab().toImage().pixel(4, 2)), back);
    // A one-colour picture of another colour covers the surface; growing shows the
    // background beside it, shrinking keeps it.
    const QRgb red = qRgb(255, 0, 0);
    const ColorRef redRef = RGB(255, 0, 0);
    box.setPicture(Bitmap::uniform(QSize(5, 3), red));
    QCOMPARE(pixel(4, 2), redRef);
    box.Move(0, 0, 7, 4);
    QCOMPARE(pixel(4, 2), redRef);
    QCOMPARE(pixel(5, 2), back);
    QCOMPARE(pixel(4, 3), back);
    box.setPicture(Bitmap::uniform(QSize(7, 4), red));
    box.Move(0, 0, 2, 2);
    QCOMPARE(pixel(1, 1), redRef);
    // A smaller picture with pixels is drawn at the top-left over the background.
    box.Move(0, 0, 4, 4);
    auto small = numberedBox(&host, 3, 2);
    box.setPicture(small->Image());
    QCOMPARE(pixel(2, 1), RGB(2, 1, 7));
    QCOMPARE(pixel(3, 1), back);
    QCOMPARE(pixel(0, 2), back);
    // Drawing on a blank surface keeps the colour everywhere else.
    box.setBackColor(back);
    box.setForeColor(RGB(0, 0, 0));
    box.Line(1, 1, 2, 1);
    QCOMPARE(pixel(1, 1), RGB(0, 0, 0));
    QCOMPARE(pixel(2, 1), back);
    QCOMPARE(pixel(3, 3), back);
}

void tst_Toolkit::lineLeavesOutItsEndPoint_data()
{
    QTest::addColumn<QLine>("line");
    QTest::addColumn<QList<QPoint>>("painted");
    QTest::newRow("vertical tick 0..4")
        << QLine(3, 0, 3, 4) << QList<QPoint>{{3, 0}, {3, 1}, {3, 2}, {3, 3}};
    QTest::newRow("vertical past the strip")
        << QLine(2, 13, 2, 16) << QList<QPoint>{{2, 13}, {2, 14}};
    QTest::newRow("horizontal") << QLine(0, 5, 3, 5) << QList<QPoint>{{0, 5}, {1, 5}, {2, 5}};
    QTest::newRow("leftward") << QLine(3, 1, 0, 1) << QList<QPoint>{{3, 1}, {2, 1}, {1, 1}};
    QTest::newRow("diagonal") << QLine(0, 0, 3, 3) << QList<QPoint>{{0, 0}, {1, 1}, {2, 2}};
    QTest::newRow("a point paints nothing") << QLine(4, 4, 4, 4) << QList<QPoint>{};
}

void tst_Toolkit::lineLeavesOutItsEndPoint()
{
    QFETCH(QLine, line);
    QFETCH(QList<QPoint>, painted);
    PictureBox box(&host);
    box.Move(0, 0, 8, 15);
    box.setForeColor(RGB(0xA0, 0xA0, 0xA0));
    box.Line(line.x1(), line.y1(), line.x2(), line.y2());
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool expected = painted.contains(QPoint(x, y));
            QVERIFY2((GetPixel(box.hDC(), x, y) == RGB(0xA0, 0xA0, 0xA0)) == expected,
                     qPrintable(QString("pixel (%1, %2)").arg(x).arg(y)));
        }
}

void tst_Toolkit::surfacePersistsAndErases()
{
    PictureBox box(&host);
    box.setBackColor(RGB(128, 255, 255));
    box.Move(0, 0, 4, 4);
    box.setForeColor(RGB(0, 0, 0xDD));
    box.Line(0, 0, 4, 0);
    // Growing keeps what was drawn and fills the new part with the background.
    box.setWidth(6);
    QCOMPARE(GetPixel(box.hDC(), 3, 0), RGB(0, 0, 0xDD));
    QCOMPARE(GetPixel(box.hDC(), 5, 0), RGB(128, 255, 255));
    // Making what is drawn the picture, then drawing more, leaves the picture as it was.
    box.setPicture(box.Image());
    QVERIFY(box.hasPicture());
    box.Line(0, 2, 4, 2);
    QCOMPARE(box.Picture().pixel(0, 2), toQRgb(RGB(128, 255, 255)));
    // Removing the picture erases everything to the background.
    box.setPicture(QImage());
    QVERIFY(!box.hasPicture());
    QCOMPARE(GetPixel(box.hDC(), 0, 0), RGB(128, 255, 255));
    // Setting the background colour erases too.
    box.Line(0, 1, 2, 1);
    box.setBackColor(RGB(1, 2, 3));
    QCOMPARE(GetPixel(box.hDC(), 0, 1), RGB(1, 2, 3));
}

void tst_Toolkit::surfaceLimits_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("32767 wide") << QSize(32767, 1) << true;
    QTest::newRow("32768 high") << QSize(1, 32768) << false;
    QTest::newRow("2^28 pixels") << QSize(16384, 16384) << true;
    QTest::newRow("over 2^28 pixels") << QSize(16385, 16384) << false;
}

void tst_Toolkit::surfaceLimits()
{
    QFETCH(QSize, size);
    QFETCH(bool, allowed);
    PictureBox box(&host);
    box.Move(0, 0, 10, 10);
    const int error = errorOf([&] { checkSurfaceSize(size.width(), size.height()); });
    QCOMPARE(error, allowed ? 0 : int(Err::CantCreateImage));
    if (!allowed) {
        // A refused size leaves the box as it was.
        QCOMPARE(errorOf([&] { box.Move(5, 6, float(size.width()), float(size.height())); }),
                 int(Err::CantCreateImage));
        QCOMPARE(QRectF(box.Left(), box.Top(), box.Width(), box.Height()), QRectF(0, 0, 10, 10));
        QCOMPARE(box.geometry(), QRect(0, 0, 10, 10));
        QCOMPARE(box.surface().size(), QSize(10, 10));
    }
}

void tst_Toolkit::fontsAreSelectedAndDeleted()
{
    PictureBox box(&host);
    box.Move(0, 0, 15, 100);
    const int before = liveFontCount();
    const HFONT font = CreateFontA(10, 0, 900, 900, 400, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
    QCOMPARE(liveFontCount(), before + 1);
    const float upright = box.TextWidth("1234");
    const HGDIOBJ previous = SelectObject(box.hDC(), font);
    QCOMPARE(previous, HGDIOBJ(0));
    QCOMPARE(box.hDC()->selectedFont(), font);
    // The rotated font's cell is 10 pixels high, whatever the box's own font is.
    QVERIFY(box.TextHeight("1") >= 9 && box.TextHeight("1") <= 11);
    QVERIFY(box.TextWidth("1234") > 0);
    QCOMPARE(SelectObject(box.hDC(), previous), font);
    QCOMPARE(box.TextWidth("1234"), upright);
    QVERIFY(DeleteObject(font));
    QVERIFY(!DeleteObject(font));
    QCOMPARE(liveFontCount(), before);
}

void tst_Toolkit::comboBoxSelectsOnlyWhenTold()
{
    ComboBox list(&host);
    QSignalSpy clicks(&list, &ComboBox::Click);
    list.AddItem("1");
    list.AddItem("2");
    QCOMPARE(list.ListIndex(), -1);
    QCOMPARE(clicks.count(), 0);
    list.setListIndex(1);
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(list.Text(), QString("2"));
    QCOMPARE(errorOf([&] { list.setListIndex(2); }), int(Err::InvalidProcedureCall));
}

void tst_Toolkit::scrollBarRaisesChangeFromCode()
{
    ScrollBar bar(Qt::Horizontal, &host);
    QSignalSpy changes(&bar, &ScrollBar::Change);
    QCOMPARE(bar.Max(), qint16(32767));
    bar.setMax(100);
    bar.setValue(80);
    QCOMPARE(changes.count(), 1);
    // Lowering Max below Value pulls Value down and raises Change.
    bar.setMax(50);
    QCOMPARE(bar.Value(), qint16(50));
    QCOMPARE(changes.count(), 2);
    // A negative Max reads back as set; the bar has no travel.
    bar.setMax(-3);
    QCOMPARE(bar.Max(), qint16(-3));
    QCOMPARE(bar.Value(), qint16(0));
    QCOMPARE(errorOf([&] { bar.setMax(32768); }), int(Err::Overflow));
    bar.setMax(10);
    QVERIFY(errorOf([&] { bar.setValue(11); }) != 0);
    // Setting the same value again is no change.
    const int count = changes.count();
    bar.setValue(0);
    QCOMPARE(changes.count(), count);
}

void tst_Toolkit::checkBoxValues()
{
    CheckBox box(&host);
    QSignalSpy clicks(&box, &CheckBox::Click);
    // Code may grey the box, and that is a click too; a person's click toggles between
    // unchecked and checked only.
    box.setValue(2);
    QCOMPARE(clicks.count(), 1);
    box.click();
    QCOMPARE(box.Value(), 1);
    box.click();
    QCOMPARE(box.Value(), 0);
}

QTEST_MAIN(tst_Toolkit)
#include "tst_toolkit.moc"
