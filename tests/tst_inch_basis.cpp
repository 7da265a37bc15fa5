// Bases for inches on a real window: the file's recorded resolution as the size text and the
// rulers show it, the fallbacks, and a scale set from a line.
#include "instruments/file_density.h"
#include "instruments/inch_basis.h"
#include "instruments/measure_tool.h"
#include "support/test_support.h"

#include <QDataStream>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <limits>
#include <sys/stat.h>

using measurement::Kind;
using testing::Window;

namespace
{

// A file written by Qt, then its header's resolution overwritten where `at` says, in the
// byte order and width the format keeps it.
QString patched(const QTemporaryDir& dir, const QString& name, const QImage& image,
                const std::function<void(QByteArray&)>& patch)
{
    const QString path = testing::writeImage(dir, name, image);
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return QString();
    QByteArray bytes = file.readAll();
    patch(bytes);
    file.seek(0);
    file.write(bytes);
    return path;
}

// A BMP recording x and y pixels per metre.
std::function<void(QByteArray&)> bmpPerMetre(qint32 x, qint32 y)
{
    return [x, y](QByteArray& bytes) {
        qToLittleEndian(x, bytes.data() + 38);
        qToLittleEndian(y, bytes.data() + 42);
    };
}

// A JPEG whose JFIF density is `density` in `unit` (1 inches, 2 centimetres).
std::function<void(QByteArray&)> jfifDensity(quint8 unit, quint16 density)
{
    return [unit, density](QByteArray& bytes) {
        bytes[13] = char(unit);
        qToBigEndian(density, bytes.data() + 14);
        qToBigEndian(density, bytes.data() + 16);
    };
}

// A TIFF structure in the byte order `order` names ("II" or "MM") whose directory records x
// and y pixels per `unit` (2 inch, 3 centimetre), followed, for a picture of `size`, by its
// grey pixels.
QByteArray tiff(const char* order, quint32 x, quint32 y, quint16 unit, QSize size = QSize())
{
    QByteArray bytes(order, 2);
    QDataStream out(&bytes, QIODevice::Append);
    out.setByteOrder(order[0] == 'M' ? QDataStream::BigEndian : QDataStream::LittleEndian);
    const quint16 entries = size.isEmpty() ? 3 : 11;
    const quint32 rationals = 8 + 2 + 12 * entries + 4, pixels = rationals + 16;
    out << quint16(42) << quint32(8) << entries;
    const auto entry = [&](quint16 tag, quint16 type, quint32 value) {
        out << tag << type << quint32(1);
        if (type == 3) // a short, left in its four bytes
            out << quint16(value) << quint16(0);
        else
            out << value;
    };
    if (!size.isEmpty()) { // in tag order: 8 bits, uncompressed, black is zero, one strip
        const quint32 w = size.width(), h = size.height();
        entry(256, 4, w);
        entry(257, 4, h);
        entry(258, 3, 8);
        entry(259, 3, 1);
        entry(262, 3, 1);
        entry(273, 4, pixels);
        entry(278, 4, h);
        entry(279, 4, w * h);
    }
    entry(282, 5, rationals);
    entry(283, 5, rationals + 8);
    entry(296, 3, unit);
    out << quint32(0) << x << quint32(1) << y << quint32(1);
    return bytes + QByteArray(size.width() * size.height(), '\x80');
}

// A JPEG whose JFIF records only an aspect ratio, and whose Exif records what `exif` holds.
std::function<void(QByteArray&)> exifDensity(const QByteArray& exif)
{
    return [exif](QByteArray& bytes) {
        bytes[13] = 0;
        const QByteArray body = QByteArray("Exif\0\0", 6) + exif;
        QByteArray segment("\xFF\xE1\0\0", 4);
        qToBigEndian(quint16(body.size() + 2), segment.data() + 2);
        bytes.insert(20, segment + body); // after JFIF's segment
    };
}

QString written(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    QFile file(dir.filePath(name));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? file.fileName()
                                                                                : QString();
}

QString pngSuite(const char* name)
{
    return QStringLiteral(QUARNET_CORPUS_PNG "/good/png/pngsuite/%1.png").arg(name);
}

} // namespace

class tst_InchBasis : public QObject
{
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void fileBasis_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("size");
        // The rulers' image pixels per inch, per tick and per long tick, across then down.
        QTest::addColumn<QList<int>>("steps");

        QImage image(600, 400, QImage::Format_RGB32);
        image.fill(Qt::gray);
        const QString none = QStringLiteral("文件无→屏幕");
        QTest::newRow("BMP 3,780 pixels per metre")
            << patched(dir_, "a.bmp", image, bmpPerMetre(3780, 3780))
            << "图像尺寸  6.25 x 4.17  (英寸, 文件 96.01 ppi)" << QList{96, 12, 48, 96, 12, 48};
        QTest::newRow("BMP 300 x 150 ppi")
            << patched(dir_, "b.bmp", image, bmpPerMetre(11811, 5906))
            << "图像尺寸  2.00 x 2.67  (英寸, 文件 300 × 150.01 ppi)"
            << QList{300, 37, 150, 150, 19, 75};
        QTest::newRow("BMP none recorded")
            << patched(dir_, "c.bmp", image, bmpPerMetre(0, 0))
            << "图像尺寸  6.25 x 4.17  (英寸, " + none + ")" << QList{96, 12, 48, 96, 12, 48};
        QTest::newRow("BMP beyond 100,000 ppi")
            << patched(dir_, "d.bmp", image, bmpPerMetre(5000000, 5000000))
            << "图像尺寸  6.25 x 4.17  (英寸, " + none + ")" << QList{96, 12, 48, 96, 12, 48};
        QTest::newRow("JPEG 300 dots per inch")
            << patched(dir_, "e.jpg", image, jfifDensity(1, 300))
            << "图像尺寸  2.00 x 1.33  (英寸, 文件 300 ppi)" << QList{300, 38, 150, 300, 38, 150};
        QTest::newRow("JPEG 118 dots per centimetre")
            << patched(dir_, "f.jpg", image, jfifDensity(2, 118))
            << "图像尺寸  2.00 x 1.33  (英寸, 文件 299.72 ppi)"
            << QList{300, 37, 150, 300, 37, 150};
        QTest::newRow("JPEG aspect ratio only")
            << patched(dir_, "g.jpg", image, jfifDensity(0, 2))
            << "图像尺寸  6.25 x 4.17  (英寸, " + none + ")" << QList{96, 12, 48, 96, 12, 48};
        // A TIFF structure's fields in each byte order, one alone and one as a JPEG's Exif.
        const QSize tiffSize(300, 150);
        QTest::newRow("TIFF II, 300 x 150 ppi")
            << written(dir_, "h.tif", tiff("II", 300, 150, 2, tiffSize))
            << "图像尺寸  1.00 x 1.00  (英寸, 文件 300 × 150 ppi)"
            << QList{300, 38, 150, 150, 19, 75};
        QTest::newRow("JPEG Exif MM, 120 x 60 per centimetre")
            << patched(dir_, "k.jpg", image, exifDensity(tiff("MM", 120, 60, 3)))
            << "图像尺寸  1.97 x 2.62  (英寸, 文件 304.8 × 152.4 ppi)"
            << QList{305, 38, 152, 152, 19, 76};
        QTest::newRow("PngSuite cdun2c08: 1,000 pixels per metre")
            << pngSuite("cdun2c08") << "图像尺寸  1.26 x 1.26  (英寸, 文件 25.4 ppi)"
            << QList{25, 3, 13, 25, 3, 13};
        for (const char* aspect : {"cdfn2c08", "cdhn2c08", "cdsn2c08"})
            QTest::newRow(QByteArray("PngSuite ") + aspect + ": an aspect ratio, no unit")
                << pngSuite(aspect) << QString() << QList{96, 12, 48, 96, 12, 48};
    }

    void fileBasis()
    {
        QFETCH(QString, path);
        QFETCH(QString, size);
        QFETCH(QList<int>, steps);
        Window w({96, 96}, Qt::FramelessWindowHint);
        w->instrument<InchBasis>()->choose(InchBasis::Kind::File);
        w->cboUnit->setListIndex(1);
        w.open(path);
        QVERIFY(w->picOrig->hasPicture());
        // The whole text is the label's tooltip; the label shows as much of it as fits.
        if (size.isEmpty())
            QVERIFY(w->lblImageSize->Caption().endsWith("文件无→屏幕)"));
        else
            QCOMPARE(w->lblImageSize->toolTip(), size);
        QCOMPARE(
            (QList{w->unitPxX, w->minorStepX, w->midStepX, w->unitPxY, w->minorStepY, w->midStepY}),
            steps);
    }

    // What is not a regular file records nothing, and is not waited on: a FIFO without a
    // writer would block a plain open, and the test with it, until its time runs out.
    void fifoRecordsNothing()
    {
        const QString fifo = dir_.filePath("pipe.bmp");
        QVERIFY(::mkfifo(qPrintable(fifo), 0600) == 0);
        QVERIFY(!density::recordedIn(fifo));
    }

    // However long the basis's name, the size text fits its label and leaves the readout
    // beside it alone, at every resolution; what it leaves out is in the tooltip.
    void sizeTextFitsItsLabel_data()
    {
        QTest::addColumn<int>("dpi");
        for (const int dpi : {96, 120, 144})
            QTest::newRow(QByteArray::number(dpi) + " ppi") << dpi;
    }

    void sizeTextFitsItsLabel()
    {
        QFETCH(int, dpi);
        Window w({dpi, dpi}, Qt::FramelessWindowHint);
        QVERIFY(w->instrument<InchBasis>()->chooseFromCommandLine("12345.67"));
        w->cboUnit->setListIndex(2);
        w.open(testing::gradientFile(dir_, QSize(6789, 43)));
        const QString caption = w->lblImageSize->Caption();
        QVERIFY2(w->lblImageSize->fontMetrics().horizontalAdvance(caption) <=
                         w->lblImageSize->width() &&
                     caption.startsWith("图像尺寸  ") && caption.contains("(厘米, 指定"),
                 qPrintable(caption));
        QVERIFY(w->lblImageSize->toolTip().endsWith("(厘米, 指定 12345.67 ppi)"));
    }

    void calibration_data()
    {
        QTest::addColumn<QPoint>("lineEnd"); // the line starts at image pixel (10, 10)
        QTest::addColumn<double>("length");
        QTest::addColumn<int>("unit");
        QTest::addColumn<QString>("refused"); // a word of the message, "" when taken
        QTest::addColumn<QString>("box");     // the 96-pixel box's figures afterwards

        const QString screen = QStringLiteral("宽 2.54  高 2.54  面积 6.45 cm²");
        const int mm = int(InchBasis::Length::Millimetres);
        QTest::newRow("200 pixels as 50 mm: 4 pixels a millimetre")
            << QPoint(210, 10) << 50.0 << mm << ""
            << "宽 2.40  高 2.40  面积 5.76 cm²";
        QTest::newRow("a diagonal, 3-4-5, as 0.5 in")
            << QPoint(130, 170) << 0.5 << int(InchBasis::Length::Inches) << ""
            << "宽 0.61  高 0.61  面积 0.37 cm²";
        QTest::newRow("a line of no length")
            << QPoint(10, 10) << 50.0 << mm << "长度为零" << screen;
        QTest::newRow("zero") << QPoint(210, 10) << 0.0 << mm << "大于零" << screen;
        QTest::newRow("negative") << QPoint(210, 10) << -5.0 << mm << "大于零" << screen;
        QTest::newRow("not a number") << QPoint(210, 10) << std::numeric_limits<double>::quiet_NaN()
                                      << mm << "大于零" << screen;
        QTest::newRow("beyond 100,000 ppi") << QPoint(210, 10) << 0.001 << mm << "超出" << screen;
        QTest::newRow("under 0.01 ppi")
            << QPoint(210, 10) << 30000.0 << int(InchBasis::Length::Inches) << "超出" << screen;
    }

    void calibration()
    {
        QFETCH(QPoint, lineEnd);
        QFETCH(double, length);
        QFETCH(int, unit);
        QFETCH(QString, refused);
        QImage image(300, 200, QImage::Format_RGB32);
        image.fill(Qt::gray);
        const QString path = testing::writeImage(dir_, QStringLiteral("calibrated.bmp"), image);
        Window w({96, 96}, Qt::FramelessWindowHint);
        w.open(path);
        w->cboUnit->setListIndex(2);
        MeasureTool& tool = *w->instrument<MeasureTool>();
        InchBasis& basis = *w->instrument<InchBasis>();
        w.measurements().add({Kind::Line, {10, 10}, lineEnd, {}, 0});
        w.measurements().add({Kind::Box, {20, 40}, {115, 135}, {}, 0});

        const QString answer = basis.calibrate(0, length, InchBasis::Length(unit));
        QVERIFY2(refused.isEmpty() ? answer.isEmpty() : answer.contains(refused),
                 qPrintable(answer));
        QTEST(tool.figuresText(), "box");
        QCOMPARE(basis.inForce(),
                 refused.isEmpty() ? InchBasis::Kind::Calibrated : InchBasis::Kind::Screen);

        // The scale belongs to that picture, and comes back with it.
        image.setPixel(299, 199, qRgb(1, 2, 3));
        w.open(testing::writeImage(dir_, QStringLiteral("another.bmp"), image));
        QCOMPARE(basis.inForce(), InchBasis::Kind::Screen);
        QCOMPARE(w->lblImageSize->Caption(), QStringLiteral("图像尺寸  7.94 x 5.29  (厘米)"));
        w.open(path);
        QCOMPARE(basis.inForce(),
                 refused.isEmpty() ? InchBasis::Kind::Calibrated : InchBasis::Kind::Screen);
    }
};

QTEST_MAIN(tst_InchBasis)
#include "tst_inch_basis.moc"
