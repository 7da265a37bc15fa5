// Opening an image: what a person sees after choosing a file, or failing to.
#include "instruments/picture_source.h"
#include "support/test_support.h"

#include "filedlg/file_dlg.h"
#include "toolkit/ends_early.h"
#include "toolkit/picture_decoder.h"
#include "toolkit/runtime_error.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImageWriter>
#include <QMimeData>
#include <QMouseEvent>
#include <QProcess>
#include <QTest>

#include <cstdio>
#include <sys/resource.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

using testing::kLoadError;
using testing::Window;

Q_DECLARE_METATYPE(toolkit::Dpi)

namespace
{

QString sizeText(const QString& w, const QString& h, const QString& unit)
{
    return QStringLiteral("图像尺寸  ") + w + QStringLiteral(" x ") + h + QStringLiteral("  (") +
           unit + QStringLiteral(")");
}

// A BMP header that declares width x height at 24 bits but carries no pixels: a bomb.
QByteArray bmpHeaderOnly(qint32 width, qint32 height)
{
    QByteArray bytes(54, '\0');
    auto put32 = [&](int at, quint32 v) {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = char((v >> (8 * i)) & 0xFF);
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, 54);
    put32(10, 54);
    put32(14, 40);
    put32(18, quint32(width));
    put32(22, quint32(height));
    bytes[26] = 1;
    bytes[28] = 24;
    return bytes;
}

// A 2 x 2 BMP, top-down red, green / blue, white, with an information header of headerSize
// bytes: 52 and 56 carry the colour masks (and the alpha mask) inside the header itself.
QByteArray twoByTwoBmp(quint32 headerSize, quint16 bits, quint32 compression)
{
    const QList<QRgb> pixels{qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255),
                             qRgb(255, 255, 255)};
    const bool palette = bits == 8;
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    if (palette)
        for (const QRgb p : pixels)
            out << quint8(qBlue(p)) << quint8(qGreen(p)) << quint8(qRed(p)) << quint8(0);
    const qsizetype pixelStart = body.size();
    for (int row = 0; row < 2; ++row) {
        for (int i = 2 * row; i < 2 * row + 2; ++i) {
            if (palette)
                out << quint8(i);
            else
                out << quint8(qBlue(pixels[i])) << quint8(qGreen(pixels[i]))
                    << quint8(qRed(pixels[i]));
            if (bits == 32)
                out << quint8(0);
        }
        while ((body.size() - pixelStart) % 4)
            out << quint8(0);
    }
    const quint32 offset = 14 + headerSize + quint32(pixelStart);
    QByteArray file;
    QDataStream head(&file, QIODevice::WriteOnly);
    head.setByteOrder(QDataStream::LittleEndian);
    head << quint8('B') << quint8('M') << quint32(offset + body.size() - pixelStart) << quint32(0)
         << offset;
    head << headerSize << qint32(2) << qint32(-2) << quint16(1) << bits << compression
         << quint32(body.size() - pixelStart) << qint32(2835) << qint32(2835)
         << quint32(palette ? 4 : 0) << quint32(0);
    if (headerSize >= 52)
        head << quint32(0x00FF0000) << quint32(0x0000FF00) << quint32(0x000000FF);
    if (headerSize == 56)
        head << quint32(0);
    return file + body;
}

// A 2 x 2 top-down BMP of 16-bit pixels, with colour masks in the header or after it as
// headerSize and compression (0 for the default 5-5-5, 3 for bit fields) call for.
QByteArray sixteenBitBmp(quint32 headerSize, quint32 compression, const QList<quint32>& masks,
                         const QList<quint16>& pixels)
{
    const bool masksAfterHeader = headerSize == 40 && compression == 3;
    const quint32 offset = 14 + headerSize + (masksAfterHeader ? 12 : 0);
    QByteArray file;
    QDataStream out(&file, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint8('B') << quint8('M') << quint32(offset + 8) << quint32(0) << offset;
    out << headerSize << qint32(2) << qint32(-2) << quint16(1) << quint16(16) << compression
        << quint32(8) << qint32(2835) << qint32(2835) << quint32(0) << quint32(0);
    for (int i = 0; i < (headerSize > 40 ? 4 : masksAfterHeader ? 3 : 0); ++i)
        out << (i < masks.size() ? masks[i] : quint32(0));
    while (quint32(file.size()) < offset)
        out << quint8(0); // colour space and gamma of a 108-byte header
    for (const quint16 p : pixels)
        out << p;
    return file;
}

// Small files declaring 16,000 x 16,000 pixels, inside what a picture box holds: a GIF of
// 35 bytes, a 4-bit BMP of 118 and a JPEG of a few hundred whose frame header was enlarged.
constexpr int kHuge = 16000;

QByteArray hugeGif()
{
    return QByteArray::fromHex("474946383961803e803e000000" // screen 16000 x 16000
                               "2c00000000803e803e00"       // one image, all of it
                               "02084444444444444444"
                               "00"
                               "3b"); // a few codes, the end
}

QByteArray hugeBmp()
{
    QByteArray bytes = bmpHeaderOnly(kHuge, kHuge);
    bytes[28] = 4; // 4 bits a pixel, 14 palette entries, then 8 bytes of the first row
    bytes[46] = 14;
    bytes.append(14 * 4, '\x40');
    bytes[10] = char(bytes.size());
    bytes.append(8, '\x12');
    bytes[2] = char(bytes.size());
    return bytes;
}

QByteArray hugeJpeg(bool progressive)
{
    QImage small(16, 16, QImage::Format_RGB32);
    small.fill(qRgb(200, 100, 50));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setOptimizedWrite(progressive);
    writer.setProgressiveScanWrite(progressive);
    writer.write(small);
    QByteArray bytes = buffer.data();
    const qsizetype frame = bytes.indexOf(progressive ? "\xFF\xC2" : "\xFF\xC0");
    for (const int at : {5, 7}) { // height, then width, big-endian
        bytes[frame + at] = char(kHuge >> 8);
        bytes[frame + at + 1] = char(kHuge & 0xFF);
    }
    return bytes;
}

QString writeBytes(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    QFile file(dir.filePath(name));
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return file.fileName();
}

} // namespace

class tst_Loading : public QObject
{
    Q_OBJECT
private slots:
    void sizeTextInEachUnit_data();
    void sizeTextInEachUnit();
    void showsTheImageUnscaled();
    void dialogIsAskedForImagesThatExist();
    void cancelChangesNothing();
    void loadResetsMagnification();
    void sameSizeFromEveryFormat();
    void gifShowsFirstFrameOverWhite();
    void badInputShowsTheMessageThenRecovers_data();
    void badInputShowsTheMessageThenRecovers();
    void failureAfterTheSizeTextBlanksIt_data();
    void failureAfterTheSizeTextBlanksIt();
    void olderBmpHeadersLoad_data();
    void olderBmpHeadersLoad();
    void narrowChannelsReadAsTheFileMeans_data();
    void narrowChannelsReadAsTheFileMeans();
    void bombIsRefusedBeforeDecoding_data();
    void bombIsRefusedBeforeDecoding();
    void largePhotoLoads_data();
    void largePhotoLoads();
    void smallFilesDeclaringHugeImages_data();
    void smallFilesDeclaringHugeImages();
    void unusualPathsOpen_data();
    void unusualPathsOpen();
    void corpusGoodFiles_data();
    void corpusGoodFiles();
    void corpusBadFilesNeverCrash_data();
    void corpusBadFilesNeverCrash();
    void jpegEndFromItsMarkers_data();
    void jpegEndFromItsMarkers();
};

void tst_Loading::sizeTextInEachUnit_data()
{
    QTest::addColumn<toolkit::Dpi>("dpi");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("unit");
    QTest::addColumn<QString>("expected");
    const QSize vga(640, 480);
    const toolkit::Dpi at96{96, 96};
    QTest::newRow("640x480 pixels") << at96 << vga << 0 << sizeText("640", "480", "像素");
    QTest::newRow("640x480 inches") << at96 << vga << 1 << sizeText("6.67", "5.00", "英寸");
    QTest::newRow("640x480 centimetres") << at96 << vga << 2 << sizeText("16.93", "12.70", "厘米");
    QTest::newRow("12 px is 0.125 in, rounds up")
        << at96 << QSize(12, 96) << 1 << sizeText("0.13", "1.00", "英寸");
    QTest::newRow("96 px is 2.54 cm")
        << at96 << QSize(96, 12) << 2 << sizeText("2.54", "0.32", "厘米");
    QTest::newRow("120 ppi inches")
        << toolkit::Dpi{120, 120} << QSize(300, 60) << 1 << sizeText("2.50", "0.50", "英寸");
    // Across by dpiX, down by dpiY: 150 px is 1.56 in at 96 ppi, 1.25 at 120.
    const toolkit::Dpi unequal{96, 120};
    QTest::newRow("96 x 120 ppi inches")
        << unequal << QSize(150, 150) << 1 << sizeText("1.56", "1.25", "英寸");
    QTest::newRow("96 x 120 ppi centimetres, 3.175 up")
        << unequal << QSize(150, 150) << 2 << sizeText("3.97", "3.18", "厘米");
    QTest::newRow("1x1 pixels") << at96 << QSize(1, 1) << 0 << sizeText("1", "1", "像素");
}

void tst_Loading::sizeTextInEachUnit()
{
    QFETCH(toolkit::Dpi, dpi);
    QFETCH(QSize, size);
    QFETCH(int, unit);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    Window w(dpi);
    w->cboUnit->setListIndex(unit);
    w.open(testing::writeImage(dir, "picture.bmp",
                               testing::gradientImage(size.width(), size.height())));
    QCOMPARE(w->lblImageSize->Caption(), expected);
    QCOMPARE(w->imageWidth, size.width());
    QCOMPARE(w->imageHeight, size.height());
    QVERIFY(w.messages().isEmpty());
}

void tst_Loading::showsTheImageUnscaled()
{
    QTemporaryDir dir;
    Window w;
    const QImage image = testing::gradientImage(50, 30);
    w.open(testing::writeImage(dir, "picture.bmp", image));
    QVERIFY(w->picDisp->hasPicture());
    QVERIFY(w->picOrig->hasPicture());
    QCOMPARE(w->picDisp->ScaleWidth(), 50.0f);
    QCOMPARE(w->picDisp->ScaleHeight(), 30.0f);
    QCOMPARE(testing::firstDifference(w->picDisp->Image(), image), QString());
    QCOMPARE(testing::firstDifference(w->picOrig->Image(), image), QString());
    QCOMPARE(w->magnification, 1);
    QCOMPARE(w->lblXY->Caption(), QString());
}

void tst_Loading::dialogIsAskedForImagesThatExist()
{
    Window w;
    w.openAndCancel();
    QCOMPARE(w.dialog().records().size(), 1);
    const OpenFileRecord& record = w.dialog().records().first();
    QCOMPARE(record.Flags, quint32(0x1000));
    // The window's own entry first, and first chosen; every readable format second.
    QVERIFY(record.lpstrFilter.startsWith(
        QStringLiteral("(bmp/jpg/gif)\0*.bmp;*.gif;*.jpg\0所有可读的图像\0")));
    QVERIFY(record.lpstrFilter.contains(QStringLiteral("*.png;")));
    QCOMPARE(record.nFilterIndex, 1);
    // The dialog object is made once and kept.
    QVERIFY(w->fileDlg);
    const clsFileDlg* first = w->fileDlg.get();
    w.openAndCancel();
    QCOMPARE(w->fileDlg.get(), first);
}

void tst_Loading::cancelChangesNothing()
{
    QTemporaryDir dir;
    Window w;
    w.open(testing::writeImage(dir, "picture.bmp", testing::gradientImage(40, 20)));
    w->lblXY->setCaption("x = 1   y = 2     RGB(0, 0, 0)");
    const QString sizeBefore = w->lblImageSize->Caption();
    const QImage shown = w->picDisp->Image();
    w.openAndCancel();
    QCOMPARE(w->lblImageSize->Caption(), sizeBefore);
    QCOMPARE(w->lblXY->Caption(), QString("x = 1   y = 2     RGB(0, 0, 0)"));
    QCOMPARE(w->imageWidth, 40);
    QCOMPARE(testing::firstDifference(w->picDisp->Image(), shown), QString());
    QVERIFY(w.messages().isEmpty());
}

void tst_Loading::loadResetsMagnification()
{
    QTemporaryDir dir;
    Window w;
    w.open(testing::writeImage(dir, "a.bmp", testing::gradientImage(40, 20)));
    w->cboMagnify->setListIndex(1);
    QCOMPARE(w->magnification, 2);
    w.open(testing::writeImage(dir, "b.bmp", testing::gradientImage(30, 10)));
    QCOMPARE(w->magnification, 1);
    QCOMPARE(w->cboMagnify->ListIndex(), 0);
    QCOMPARE(w->busy, qint16(0));
}

void tst_Loading::sameSizeFromEveryFormat()
{
    // GIF, JPEG and BMP of one picture: the size comes from the pixels, not from any
    // resolution the file stores.
    QTemporaryDir dir;
    Window w;
    w.open(testing::dataFile("odd_size_37x23.gif"));
    QCOMPARE(w->imageWidth, 37);
    QCOMPARE(w->imageHeight, 23);
    const QImage fromGif = w->picOrig->Image();
    QImage withResolution = fromGif;
    withResolution.setDotsPerMeterX(11811); // 300 ppi stored in the file
    withResolution.setDotsPerMeterY(11811);
    for (const char* name : {"same.bmp", "same.jpg"}) {
        w.open(testing::writeImage(dir, name, withResolution));
        QCOMPARE(w->imageWidth, 37);
        QCOMPARE(w->imageHeight, 23);
    }
    // The BMP holds exactly the GIF's pixels.
    w.open(dir.filePath("same.bmp"));
    QCOMPARE(testing::firstDifference(w->picDisp->Image(), fromGif), QString());
    QCOMPARE(testing::pixelAt(*w->picDisp, 0, 0), toolkit::RGB(250, 20, 30));
    QCOMPARE(testing::pixelAt(*w->picDisp, 36, 22), toolkit::RGB(0, 0, 0));
    QCOMPARE(testing::pixelAt(*w->picDisp, 20, 10), toolkit::RGB(10, 120, 200));
}

void tst_Loading::gifShowsFirstFrameOverWhite()
{
    Window w;
    w.open(testing::dataFile("animated_red_then_blue.gif"));
    QCOMPARE(testing::pixelAt(*w->picDisp, 4, 3), toolkit::RGB(255, 0, 0));
    w.open(testing::dataFile("transparent_right_half.gif"));
    QCOMPARE(testing::pixelAt(*w->picDisp, 1, 1), toolkit::RGB(0, 128, 0));
    QCOMPARE(testing::pixelAt(*w->picDisp, 5, 3), toolkit::RGB(255, 255, 255));
}

void tst_Loading::badInputShowsTheMessageThenRecovers_data()
{
    // The message box says the same for every cause; standard error gives the real one.
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    const auto row = [](const char* name, const char* kind, const char* reason) {
        QTest::newRow(name) << QString(kind) << QString(reason);
    };
    row("text file named .bmp", "not an image", "Unsupported image format");
    row("empty file", "empty", "Unsupported image format");
    row("truncated bmp header", "truncated header", "Unable to read image data");
    row("corrupt jpeg header", "corrupt jpeg", "Unable to read image data");
    row("a directory", "directory", "Is a directory");
    row("file vanished after it was chosen", "vanished", "No such file or directory");
    row("a FIFO, not waited on", "fifo", "Not a regular file");
    row("a file nobody may read", "unreadable", "Permission denied");
    row("a symbolic link loop", "loop", "Too many levels of symbolic links");
    row("text file, after a picture at factor 2", "factor 2", "Unsupported image format");
}

void tst_Loading::badInputShowsTheMessageThenRecovers()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QString path;
    if (kind == "not an image" || kind == "factor 2")
        path = testing::dataFile("not_an_image.bmp");
    else if (kind == "empty")
        path = writeBytes(dir, "empty.gif", {});
    else if (kind == "truncated header")
        path = writeBytes(dir, "short.bmp", bmpHeaderOnly(10, 10).left(20));
    else if (kind == "corrupt jpeg")
        path = writeBytes(dir, "bad.jpg", QByteArray::fromHex("FFD8FFC00011") + "garbage");
    else if (kind == "directory")
        path = dir.path();
    else if (kind == "vanished")
        path = dir.filePath("gone.bmp");
    else if (kind == "fifo")
        QVERIFY(::mkfifo(qPrintable(path = dir.filePath("pipe.bmp")), 0600) == 0);
    else if (kind == "unreadable") {
        if (::geteuid() == 0)
            QSKIP("root may read any file");
        path = writeBytes(dir, "secret.bmp", bmpHeaderOnly(2, 2));
        QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions()));
    } else if (kind == "loop")
        QVERIFY(QFile::link(path = dir.filePath("loop.bmp"), dir.filePath("loop.bmp")));

    Window w;
    // A good image first, so the failure has something to clear.
    w.open(testing::writeImage(dir, "good.bmp", testing::gradientImage(64, 48)));
    w->lblXY->setCaption("x = 1   y = 1     RGB(1, 2, 3)");
    if (kind == "factor 2") {
        w->cboMagnify->setListIndex(1);
        QCOMPARE(w->picDisp->pixelBytes(), 128 * 96 * 4);
    }
    {
        const testing::StderrCapture stderrText;
        w.open(path);
        QVERIFY2(stderrText.text().contains(QStringLiteral("quarnet: %1: %2\n").arg(path, reason)),
                 qPrintable(stderrText.text()));
    }

    QCOMPARE(w.messages(), QStringList{kLoadError});
    QVERIFY(!w->picOrig->hasPicture());
    QVERIFY(!w->picDisp->hasPicture());
    QCOMPARE(w->lblImageSize->Caption(), QString());
    QCOMPARE(w->lblXY->Caption(), QString());
    QCOMPARE(w->imageWidth, 0);
    QCOMPARE(w->busy, qint16(0));
    // Nothing of the picture that was shown stays in memory, as loaded or as magnified.
    QCOMPARE(w->picOrig->pixelBytes(), 0);
    QCOMPARE(w->picDisp->pixelBytes(), 0);
    // The empty picture box fills the viewport again.
    QCOMPARE(w->picDisp->Left(), 0.0f);
    QCOMPARE(w->picDisp->Top(), 0.0f);
    QCOMPARE(w->picDisp->Width(), w->picDispBase->Width());
    QCOMPARE(w->picDisp->Height(), w->picDispBase->Height());
    QCOMPARE(testing::pixelAt(*w->picDisp, 3, 3), toolkit::RGB(255, 255, 255));

    // And the next good file loads normally.
    const QImage next = testing::gradientImage(20, 10);
    w.open(testing::writeImage(dir, "next.bmp", next));
    QCOMPARE(w.messages().size(), 1);
    QCOMPARE(w->imageWidth, 20);
    QCOMPARE(testing::firstDifference(w->picDisp->Image(), next), QString());
    QVERIFY(!w->lblImageSize->Caption().isEmpty());
}

void tst_Loading::failureAfterTheSizeTextBlanksIt_data()
{
    QTest::addColumn<bool>("pointerDuringLoad");
    QTest::newRow("size text written, then the rulers fail") << false;
    // A pointer move let through by the yield at the end of the first ruler drawing writes
    // the readout; the rulers fail after it, when they are placed.
    QTest::newRow("readout written during the load, then the rulers fail") << true;
}

void tst_Loading::failureAfterTheSizeTextBlanksIt()
{
    QFETCH(bool, pointerDuringLoad);
    QTemporaryDir dir;
    Window w;
    // At 3 ppi the size text is written, then an inch has less than one pixel per tick and
    // drawing the rulers fails, in the load and again in its recovery.
    w->cboUnit->setListIndex(1);
    QString readoutDuringLoad;
    if (pointerDuringLoad) {
        const QPointF at(5, 5);
        QCoreApplication::postEvent(
            w->picDisp, new QMouseEvent(QEvent::MouseMove, at, w->picDisp->mapToGlobal(at),
                                        Qt::NoButton, Qt::NoButton, Qt::NoModifier));
        QMetaObject::invokeMethod(
            &*w,
            [&] {
                readoutDuringLoad = w->lblXY->Caption();
                w->dpiX = w->dpiY = 3;
            },
            Qt::QueuedConnection);
    } else {
        w->dpiX = w->dpiY = 3;
    }
    w.open(testing::writeImage(dir, "good.bmp", testing::gradientImage(64, 48)));

    QCOMPARE(w.messages().size(), 1);
    QVERIFY2(w.messages().first().startsWith("Run-time error '5': "), qPrintable(w.messages()[0]));
    if (pointerDuringLoad)
        QVERIFY2(readoutDuringLoad.startsWith("x = "), "the pointer move came too late");
    QCOMPARE(w->lblImageSize->Caption(), QString());
    QCOMPARE(w->lblXY->Caption(), QString());
    QVERIFY(!w->picDisp->hasPicture());
    QCOMPARE(w->busy, qint16(0));
}

void tst_Loading::olderBmpHeadersLoad_data()
{
    QTest::addColumn<quint32>("headerSize");
    QTest::addColumn<quint16>("bits");
    QTest::addColumn<quint32>("compression");
    QTest::addColumn<bool>("loads");

    QTest::newRow("40 bytes, 24 bits, as Qt knows it") << 40u << quint16(24) << 0u << true;
    QTest::newRow("52 bytes, 24 bits") << 52u << quint16(24) << 0u << true;
    QTest::newRow("56 bytes, 24 bits") << 56u << quint16(24) << 0u << true;
    QTest::newRow("52 bytes, 32-bit masks") << 52u << quint16(32) << 3u << true;
    QTest::newRow("56 bytes, 32-bit masks") << 56u << quint16(32) << 3u << true;
    // A palette would have to be moved as well: refused with the message instead.
    QTest::newRow("56 bytes with a palette") << 56u << quint16(8) << 0u << false;
}

void tst_Loading::olderBmpHeadersLoad()
{
    QFETCH(quint32, headerSize);
    QFETCH(quint16, bits);
    QFETCH(quint32, compression);
    QFETCH(bool, loads);
    QTemporaryDir dir;
    Window w;
    w.open(writeBytes(dir, "old.bmp", twoByTwoBmp(headerSize, bits, compression)));

    if (!loads) {
        QCOMPARE(w.messages(), QStringList{kLoadError});
        return;
    }
    QVERIFY2(w.messages().isEmpty(), qPrintable(w.messages().join('|')));
    QImage expected(2, 2, QImage::Format_RGB32);
    expected.setPixel(0, 0, qRgb(255, 0, 0));
    expected.setPixel(1, 0, qRgb(0, 255, 0));
    expected.setPixel(0, 1, qRgb(0, 0, 255));
    expected.setPixel(1, 1, qRgb(255, 255, 255));
    QCOMPARE(testing::firstDifference(w->picDisp->Image(), expected), QString());
}

void tst_Loading::narrowChannelsReadAsTheFileMeans_data()
{
    QTest::addColumn<quint32>("headerSize");
    QTest::addColumn<quint32>("compression");
    QTest::addColumn<QList<quint32>>("masks");
    QTest::addColumn<QList<quint16>>("pixels");
    QTest::addColumn<QList<QRgb>>("shown");

    // A field's top bits repeat into the low ones: 31 of 5 bits is 255 (a shift gives 248),
    // 16 is 132, 30 is 247, 1 is 8; 63 of 6 bits is 255, 32 is 130, 1 is 4.
    QTest::newRow("5-5-5 by default")
        << 40u << 0u << QList<quint32>{} << QList<quint16>{0x7FFF, 16 << 10, 30 << 5, 1}
        << QList<QRgb>{qRgb(255, 255, 255), qRgb(132, 0, 0), qRgb(0, 247, 0), qRgb(0, 0, 8)};
    const QList<quint32> rgb565{0xF800, 0x07E0, 0x001F};
    const QList<quint16> pixels565{0xFFFF, (16 << 11) | (1 << 5), 32 << 5, 30};
    const QList<QRgb> shown565{qRgb(255, 255, 255), qRgb(132, 4, 0), qRgb(0, 130, 0),
                               qRgb(0, 0, 247)};
    QTest::newRow("5-6-5 bit fields") << 40u << 3u << rgb565 << pixels565 << shown565;
    QTest::newRow("5-6-5 in a 56-byte header") << 56u << 3u << rgb565 << pixels565 << shown565;
    // Alpha widens too, before the pixel is laid over white: 8 of 4 bits is 136, not 128.
    QTest::newRow("4-4-4-4 with alpha")
        << 108u << 3u << QList<quint32>{0x0F00, 0x00F0, 0x000F, 0xF000}
        << QList<quint16>{0xF000, 0x8F00, 0xFF80, 0x0000}
        << QList<QRgb>{qRgb(0, 0, 0), qRgb(255, 119, 119), qRgb(255, 136, 0), qRgb(255, 255, 255)};
}

void tst_Loading::narrowChannelsReadAsTheFileMeans()
{
    QFETCH(quint32, headerSize);
    QFETCH(quint32, compression);
    QFETCH(QList<quint32>, masks);
    QFETCH(QList<quint16>, pixels);
    QFETCH(QList<QRgb>, shown);
    QTemporaryDir dir;
    Window w;
    w.open(writeBytes(dir, "16.bmp", sixteenBitBmp(headerSize, compression, masks, pixels)));
    QVERIFY2(w.messages().isEmpty(), qPrintable(w.messages().join('|')));
    QImage expected(2, 2, QImage::Format_RGB32);
    for (int i = 0; i < 4; ++i)
        expected.setPixel(i % 2, i / 2, shown[i]);
    QCOMPARE(testing::firstDifference(w->picDisp->Image(), expected), QString());
}

void tst_Loading::bombIsRefusedBeforeDecoding_data()
{
    QTest::addColumn<QSize>("declared");
    QTest::addColumn<int>("error"); // what the decoder raises
    const int tooLarge = toolkit::Err::CantCreateImage, notAPicture = toolkit::Err::InvalidPicture;
    // Refused from the header, without 14 GB of pixels.
    QTest::newRow("60,000 x 60,000 in 54 bytes") << QSize(60000, 60000) << tooLarge;
    QTest::newRow("one over the side limit") << QSize(32768, 1) << tooLarge;
    QTest::newRow("16385 x 16385: just over 2^28 pixels") << QSize(16385, 16385) << tooLarge;
    // Inside the limits the header passes, and the missing pixels fail as a bad picture.
    QTest::newRow("on the side limit") << QSize(32767, 1) << notAPicture;
}

void tst_Loading::bombIsRefusedBeforeDecoding()
{
    QFETCH(QSize, declared);
    QFETCH(int, error);
    QTemporaryDir dir;
    const QString path =
        writeBytes(dir, "bomb.bmp", bmpHeaderOnly(declared.width(), declared.height()));
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(testing::errorOf([&] { toolkit::LoadPicture(path); }), error);
    Window w;
    w.open(path);
    QVERIFY2(timer.elapsed() < 2000, "the bomb took long enough to have been decoded");
    QCOMPARE(w.messages(), QStringList{kLoadError});
    QVERIFY(!w->picOrig->hasPicture());
    QCOMPARE(w->imageWidth, 0);
}

void tst_Loading::largePhotoLoads_data()
{
    QTest::addColumn<QSize>("size");
    // Both over Qt's default decoder limit (128 MiB), well inside what a picture box holds.
    QTest::newRow("6000 x 4000, 96 MB") << QSize(6000, 4000);
    QTest::newRow("8193 x 4096, just over 128 MiB") << QSize(8193, 4096);
}

void tst_Loading::largePhotoLoads()
{
    QFETCH(QSize, size);
    QTemporaryDir dir;
    QImage photo(size, QImage::Format_RGB32);
    photo.fill(qRgb(30, 60, 90));
    const QString path = testing::writeImage(dir, "photo.jpg", photo);
    photo = QImage();
    Window w;
    w.open(path);
    QVERIFY2(w.messages().isEmpty(), qPrintable(w.messages().join('|')));
    QCOMPARE(QSize(w->imageWidth, w->imageHeight), size);
    // Decoded to the last pixel: as the first, which is the colour to JPEG's rounding.
    const toolkit::ColorRef first = testing::pixelAt(*w->picDisp, 0, 0);
    QCOMPARE(testing::pixelAt(*w->picDisp, size.width() - 1, size.height() - 1), first);
    QVERIFY2(std::abs(toolkit::redOf(first) - 30) + std::abs(toolkit::greenOf(first) - 60) +
                     std::abs(toolkit::blueOf(first) - 90) <=
                 6,
             qPrintable(QString::number(first, 16)));
}

namespace
{

// The memory tests run the loading in a child process (this program, told so by the
// environment), where peak memory can be read and the address space limited. The child's part:
// opens the file in a real window, then a small picture, and prints what happened with the peak
// resident and virtual memory in kB.
int loadInChild(const QString& path)
{
    Window w;
    w.open(path);
    std::printf("messages %lld\nwidth %d\nheight %d\n", qlonglong(w.messages().size()),
                w->imageWidth, w->imageHeight);
    w.open(testing::dataFile("odd_size_37x23.gif"));
    std::printf("afterwards %d\nhwm %lld\npeak %lld\n", w->imageWidth, testing::statusKb("VmHWM:"),
                testing::statusKb("VmPeak:"));
    return 0;
}

struct ChildRun {
    bool finished = false;
    QMap<QString, qint64> values;
    QString output;
};

// Runs loadInChild on path in a child process. With room above 0 the child has that much
// memory beyond what an empty window took (peakKb of address space): its address space is
// capped there, or, under AddressSanitizer, no single block may be larger.
ChildRun runLoadInChild(const QString& path, qint64 peakKb = 0, qint64 room = 0)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QUARNET_LOAD_CHILD"), path);
#ifdef QUARNET_ASAN
    Q_UNUSED(peakKb)
    // The sanitizer reserves terabytes of address space, so no address limit can apply;
    // its allocator refuses large blocks instead, as the system would refuse them.
    if (room > 0)
        environment.insert(QStringLiteral("ASAN_OPTIONS"),
                           environment.value(QStringLiteral("ASAN_OPTIONS")) +
                               QStringLiteral(":allocator_may_return_null=1:"
                                              "max_allocation_size_mb=%1")
                                   .arg(room >> 20));
#else
    const qint64 limitBytes = (peakKb << 10) + room;
    if (room > 0)
        child.setChildProcessModifier([limitBytes] {
            const rlimit limit{rlim_t(limitBytes), rlim_t(limitBytes)};
            ::setrlimit(RLIMIT_AS, &limit);
        });
#endif
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {});
    ChildRun run;
    run.finished = child.waitForFinished(180000) && child.exitStatus() == QProcess::NormalExit &&
                   child.exitCode() == 0;
    run.output = QString::fromLocal8Bit(child.readAllStandardOutput());
    for (const QString& line : run.output.split('\n', Qt::SkipEmptyParts))
        run.values.insert(line.section(' ', 0, 0), line.section(' ', 1).toLongLong());
    return run;
}

} // namespace

void tst_Loading::smallFilesDeclaringHugeImages_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QSize>("size"); // empty when refused before decoding
    const QSize huge(kHuge, kHuge);
    QTest::newRow("35-byte GIF") << hugeGif() << huge;
    QTest::newRow("118-byte BMP") << hugeBmp() << huge;
    QTest::newRow("baseline JPEG") << hugeJpeg(false) << huge;
    // Decoded from a store of every coefficient, 768 MB on top of the 1 GB of pixels.
    QTest::newRow("progressive JPEG") << hugeJpeg(true) << QSize();
    QFile gif(testing::corpusFile("bad/gif/image-gif/issue-96-small-codesize-2.gif"));
    if (gif.open(QIODevice::ReadOnly))
        QTest::newRow("26-byte GIF of the corpus") << gif.readAll() << QSize(11390, 12595);
}

void tst_Loading::smallFilesDeclaringHugeImages()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QSize, size);
    QTemporaryDir dir;
    const QString path = writeBytes(dir, "huge", bytes);

    static const ChildRun empty = runLoadInChild(QString());
    QVERIFY2(empty.finished, qPrintable(empty.output));

    // Accepted, it costs about one surface of pixels; refused, next to nothing.
    const ChildRun free = runLoadInChild(path);
    QVERIFY2(free.finished, qPrintable(free.output));
    QCOMPARE(free.values.value("messages"), size.isEmpty() ? 1 : 0);
    QCOMPARE(QSize(free.values.value("width"), free.values.value("height")),
             size.isEmpty() ? QSize(0, 0) : size);
    QCOMPARE(free.values.value("afterwards"), 37);
    const double surfaces = double(free.values.value("hwm") - empty.values.value("hwm")) * 1024 /
                            (double(kHuge) * kHuge * 4);
    qInfo("peak memory above an empty window: %.2f of a 16000 x 16000 surface", surfaces);
#ifndef QUARNET_ASAN
    QVERIFY2(surfaces < (size.isEmpty() ? 0.05 : 1.3), qPrintable(free.output));
#endif

    // With no room for the pixels, the load ends in the message, and the window works on.
    if (size.isEmpty())
        return;
    const ChildRun tight =
        runLoadInChild(path, empty.values.value("peak"), qint64(size.width()) * size.height() * 2);
    QVERIFY2(tight.finished, qPrintable(tight.output));
    QCOMPARE(tight.values.value("messages"), 1);
    QCOMPARE(tight.values.value("width"), 0);
    QCOMPARE(tight.values.value("afterwards"), 37);
}

void tst_Loading::unusualPathsOpen_data()
{
    QTest::addColumn<QString>("relative");
    QTest::newRow("chinese and blanks") << QStringLiteral("测试 图片/小 图.bmp");
    QTest::newRow("longer than 260 characters")
        << QString("%1/%2/%3.bmp").arg(QString(120, 'a'), QString(120, 'b'), QString(40, 'c'));
    QTest::newRow("upper-case extension") << QStringLiteral("PHOTO.JPG");
}

void tst_Loading::unusualPathsOpen()
{
    QFETCH(QString, relative);
    QTemporaryDir dir;
    const QString path = dir.filePath(relative);
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QVERIFY(testing::gradientImage(33, 17).save(path, relative.endsWith("JPG") ? "JPG" : "BMP"));
    Window w;
    w.open(path);
    QVERIFY2(w.messages().isEmpty(), qPrintable(w.messages().join('|')));
    QCOMPARE(w->imageWidth, 33);
    QCOMPARE(w->imageHeight, 17);
}

namespace
{

struct ManifestRow {
    QString path, cls, pillowSize, pillowMode, magickSize, rgb00, rgbCentre, note;
    QString file; // the full path
};

// The rows of the corpus of BMP, GIF and JPEG files, then of PngSuite, which has a manifest
// of the same form.
QList<ManifestRow> manifest()
{
    QList<ManifestRow> rows;
    for (const QString& root :
         {QStringLiteral(QUARNET_CORPUS), QStringLiteral(QUARNET_CORPUS_PNG)}) {
        QFile file(QDir(root).filePath("MANIFEST.tsv"));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        file.readLine(); // header
        while (!file.atEnd()) {
            const QStringList f = QString::fromUtf8(file.readLine()).chopped(1).split('\t');
            if (f.size() >= 9)
                rows.append(
                    {f[0], f[2], f[3], f[4], f[5], f[6], f[7], f[8], QDir(root).filePath(f[0])});
        }
    }
    return rows;
}

bool isPngSuite(const QString& file)
{
    return file.startsWith(QStringLiteral(QUARNET_CORPUS_PNG));
}

// Shows a file's bytes as the clipboard's PNG data, with Ctrl+V.
void pasteFile(Window& w, const QString& path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    auto* data = new QMimeData;
    data->setData("image/png", file.readAll());
    QGuiApplication::clipboard()->setMimeData(data);
    w->instrument<PictureSource>()->paste();
}

QSize parseSize(const QString& text)
{
    const QStringList parts = text.split('x');
    return parts.size() == 2 ? QSize(parts[0].toInt(), parts[1].toInt()) : QSize();
}

QColor parseRgb(const QString& text)
{
    const QStringList parts = text.split(',');
    return parts.size() == 3 ? QColor(parts[0].toInt(), parts[1].toInt(), parts[2].toInt())
                             : QColor();
}

// Where the manifest's note gives a pixel's alpha ("RGBA(0,0)=r,g,b,a"), the colour shown is
// that pixel over white; elsewhere the RGB column as it stands.
QColor shownOverWhite(const QColor& rgb, const QString& note, const QString& where)
{
    const QString key = QStringLiteral("RGBA(%1)=").arg(where);
    const qsizetype at = note.indexOf(key);
    if (!rgb.isValid() || at < 0)
        return rgb;
    // Ended by a blank, or by the ';' before the next remark.
    const QStringList parts = note.mid(at + key.size()).section(' ', 0, 0).remove(';').split(',');
    if (parts.size() != 4)
        return rgb;
    const int alpha = parts[3].toInt();
    const auto over = [&](int c) { return (c * alpha + 255 * (255 - alpha) + 127) / 255; };
    return QColor(over(rgb.red()), over(rgb.green()), over(rgb.blue()));
}

} // namespace

void tst_Loading::corpusGoodFiles_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QColor>("corner");
    QTest::addColumn<QColor>("centre");
    QTest::addColumn<int>("tolerance");
    QTest::addColumn<QString>("twin"); // a file of the same picture, where the suite has one
    QUARNET_REQUIRE_CORPUS();
    const QList<ManifestRow> rows = manifest();
    // Where the manifest has no colours to go by, or wrong ones, the suites' own word that two
    // files hold the same picture is the expectation, pixel for pixel.
    const QMap<QString, QString> twins{
        // Pillow garbles this RLE4 file, so the manifest's colours for it are wrong.
        {"good/bmp/bmpsuite/pal4rle.bmp", "good/bmp/bmpsuite/pal4.bmp"},
        {"good/bmp/bmpsuite/rgb32bf.bmp", "good/bmp/bmpsuite/rgb32.bmp"},
        {"good/bmp/image-rs/V3_R5_G6_B5_Top_Down.bmp",
         "good/bmp/image-rs/Info_R8_G8_B8_Top_Down.bmp"},
    };
    for (const ManifestRow& row : rows) {
        if (row.cls != "good")
            continue;
        // Where one reference decoder refuses a file the other reads, the other's size is
        // the expectation; where they disagree, the manifest gives none to test against.
        const QSize pillow = parseSize(row.pillowSize), magick = parseSize(row.magickSize);
        const QSize size = pillow.isValid() ? pillow : magick;
        if (!size.isValid() || (pillow.isValid() && magick.isValid() && pillow != magick))
            continue;
        QColor corner = shownOverWhite(parseRgb(row.rgb00), row.note, "0,0");
        QColor centre = shownOverWhite(parseRgb(row.rgbCentre), row.note, "centre");
        // Pixels are the file's colours exactly; a JPEG's only up to the rounding of its
        // colour conversion.
        const int tolerance = row.path.contains("/jpeg/") ? 1 : 0;
        const QString twin = isPngSuite(row.file) ? QString() : twins.value(row.path);
        // Pillow clips 16-bit grey rather than scaling it: its colours are no reference there.
        // Qt 6.4 reads 16-bit RGB with a transparent colour (tRNS) as partly transparent
        // where both references see opaque grey; known and not ours to mend here.
        const bool qtMisreads =
            row.path.endsWith("/tbbn2c16.png") || row.path.endsWith("/tbgn2c16.png");
        if (!twin.isEmpty() || row.pillowMode == "I" || qtMisreads)
            corner = centre = QColor();
        QTest::newRow(qPrintable(row.path))
            << row.file << size << corner << centre << tolerance
            << (twin.isEmpty() ? QString() : testing::corpusFile(twin));
    }
}

void tst_Loading::corpusGoodFiles()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    QFETCH(QColor, corner);
    QFETCH(QColor, centre);
    QFETCH(int, tolerance);
    QFETCH(QString, twin);
    Window w;
    w.open(path);
    // A PNG shows the same pasted as opened.
    if (isPngSuite(path))
        pasteFile(w, path);
    QVERIFY2(w.messages().isEmpty(), qPrintable(w.messages().join('|')));
    QCOMPARE(QSize(w->imageWidth, w->imageHeight), size);
    if (!twin.isEmpty()) {
        const QImage shown = w->picDisp->Image();
        w.open(twin);
        QCOMPARE(testing::firstDifference(shown, w->picDisp->Image()), QString());
        return;
    }
    const auto check = [&](const QColor& expected, int x, int y) {
        if (!expected.isValid())
            return;
        const toolkit::ColorRef c = testing::pixelAt(*w->picDisp, x, y);
        const int diff = std::max({std::abs(toolkit::redOf(c) - expected.red()),
                                   std::abs(toolkit::greenOf(c) - expected.green()),
                                   std::abs(toolkit::blueOf(c) - expected.blue())});
        QVERIFY2(diff <= tolerance, qPrintable(QString("(%1, %2) is RGB(%3, %4, %5), expected %6")
                                                   .arg(x)
                                                   .arg(y)
                                                   .arg(toolkit::redOf(c))
                                                   .arg(toolkit::greenOf(c))
                                                   .arg(toolkit::blueOf(c))
                                                   .arg(expected.name())));
    };
    check(corner, 0, 0);
    check(centre, size.width() / 2, size.height() / 2);
}

void tst_Loading::corpusBadFilesNeverCrash_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("cutShort"); // shown as far as it goes, and said to be
    QUARNET_REQUIRE_CORPUS();
    const QStringList cutShort{
        "bad/bmp/bmpsuite/shortfile.bmp",
        "bad/bmp/pillow/mmap_error.bmp",
        "bad/bmp/image-rs/Bad_unusual_extend_buffer_usage.bmp",
        "bad/gif/image-gif/issue-117-out-of-range.gif",
        "bad/gif/image-gif/issue-96-small-codesize-2.gif",
        "bad/jpeg/pillow/truncated_jpeg.jpg",
        "bad/jpeg/jpeg-decoder/imagetestsuite/32d08f4a5eb10332506ebedbb9bc7257.jpg",
        "bad/jpeg/jpeg-decoder/imagetestsuite/75e4bd7544a85af6438497980b62fba5.jpg"};
    const QList<ManifestRow> rows = manifest();
    for (const ManifestRow& row : rows)
        if (row.cls != "good")
            QTest::newRow(qPrintable(row.path)) << row.file << cutShort.contains(row.path);
    // Good files cut in the middle of their pixels, as by a download that stopped.
    static const QTemporaryDir cut;
    for (const char* good : {"good/jpeg/pillow/hopper.jpg", "good/gif/pillow/hopper.gif",
                             "good/bmp/bmpsuite/rgb24.bmp", "good/bmp/bmpsuite/pal8os2.bmp"}) {
        QFile file(testing::corpusFile(good));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QTest::newRow(qPrintable(QStringLiteral("%1 cut in half").arg(good)))
            << writeBytes(cut, QFileInfo(good).fileName(), file.read(file.size() / 2)) << true;
    }
    // Where a walk through a JPEG's markers could slip: an end marker inside an Exif thumbnail
    // is not the file's, fill bytes may come before a marker, restart markers have no length.
    const auto bytesOf = [](const char* good) {
        QFile file(testing::corpusFile(good));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray hopper = bytesOf("good/jpeg/pillow/hopper.jpg");
    const QByteArray thumbnail =
        hopper.left(2) + QByteArray::fromHex("FFE1000C457869660000FFD8FFD9") + hopper.mid(2);
    const QList<std::tuple<const char*, QByteArray, bool>> built{
        {"JPEG with an Exif thumbnail, cut after it", thumbnail.left(thumbnail.size() / 2), true},
        {"JPEG with fill bytes before a marker", hopper.left(2) + "\xFF\xFF\xFF" + hopper.mid(2),
         false},
        {"JPEG with restart markers", bytesOf("good/jpeg/jpeg-decoder/restarts.jpg"), false}};
    for (const auto& [name, bytes, early] : built)
        QTest::newRow(name) << writeBytes(cut, QString::fromLatin1(name) + ".jpg", bytes) << early;
}

void tst_Loading::corpusBadFilesNeverCrash()
{
    // Broken and doubtful files either show as a picture of a sane size or bring up the
    // load-error message; either way quickly, and the window works afterwards.
    QFETCH(QString, path);
    QFETCH(bool, cutShort);
    Window w;
    QElapsedTimer timer;
    timer.start();
    {
        const testing::StderrCapture stderrText;
        w.open(path);
        // Said once, naming the file; the decoder's own warning, which does not, is not.
        const QString said = QStringLiteral("quarnet: %1: the file ends early; only part of "
                                            "the picture could be read\n")
                                 .arg(path);
        QCOMPARE(stderrText.text().contains("ends early"), cutShort);
        if (cutShort)
            QCOMPARE(stderrText.text(), said);
    }
    // A 26-byte GIF may still declare 143 million pixels, which are allocated and cleared:
    // seconds, not a hang.
    QVERIFY2(timer.elapsed() < 30000, "loading hung");
    QCOMPARE(w->lblCutShort->isVisible(), cutShort);
    if (cutShort) {
        QVERIFY2(w.messages().isEmpty(), qPrintable(w.messages().join('|')));
        QVERIFY(w->lblCutShort->sizeHint().width() <= w->lblCutShort->width());
    }
    if (w.messages().isEmpty()) {
        QVERIFY(w->picDisp->hasPicture());
        QVERIFY(w->imageWidth > 0 && w->imageHeight > 0);
        QVERIFY(qint64(w->imageWidth) * w->imageHeight <= toolkit::kMaxSurfacePixels);
    } else {
        QCOMPARE(w.messages(), QStringList{kLoadError});
        QVERIFY(!w->picDisp->hasPicture());
    }
    // PngSuite's broken files are refused, opened or pasted.
    if (isPngSuite(path)) {
        QCOMPARE(w.messages(), QStringList{kLoadError});
        pasteFile(w, path);
        QCOMPARE(w.messages(), (QStringList{kLoadError, kLoadError}));
    }
    w.open(testing::dataFile("odd_size_37x23.gif"));
    QCOMPARE(w->imageWidth, 37);
    QVERIFY(!w->lblCutShort->isVisible());
}

void tst_Loading::jpegEndFromItsMarkers_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("early");
    // The start, an Exif thumbnail with an end marker of its own, a scan's header, coded data.
    const auto jpeg = [](const char* data) {
        return QByteArray::fromHex("FFD8FFE1000C457869660000FFD8FFD9FFDA000801010000003F00" +
                                   QByteArray(data));
    };
    QTest::newRow("whole, after a thumbnail's end marker") << jpeg("12FF0034FFD9") << false;
    QTest::newRow("cut, after a thumbnail's end marker") << jpeg("12FF0034") << true;
    QTest::newRow("fill bytes before the end marker") << jpeg("12FFFFFFD9") << false;
    QTest::newRow("restart markers in the coded data") << jpeg("12FFD034FFD756FFD9") << false;
    QTest::newRow("cut after a restart marker") << jpeg("12FFD034") << true;
}

void tst_Loading::jpegEndFromItsMarkers()
{
    QFETCH(QByteArray, bytes);
    QTEST(toolkit::endsEarly(bytes), "early");
}

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("QUARNET_LOAD_CHILD"))
        return loadInChild(qEnvironmentVariable("QUARNET_LOAD_CHILD"));
    tst_Loading test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_loading.moc"
