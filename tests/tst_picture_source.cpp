// Where the picture comes from on a real window: pasted, read again when its file changes,
// the next file in the folder, and the recent files.
#include "instruments/folder_walk.h"
#include "instruments/measure_tool.h"
#include "instruments/picture_source.h"
#include "instruments/recent_files.h"
#include "support/test_support.h"

#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using testing::Window;

namespace
{

QByteArray pngBytes(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

PictureSource& sourceOf(const Window& w)
{
    return *w->instrument<PictureSource>();
}

} // namespace

class tst_PictureSource : public QObject
{
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void paste_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QSize>("size");      // empty: no picture shown
        QTest::addColumn<QString>("caption"); // after the window's own

        QTest::newRow("PNG data") << "png" << QSize(37, 21) << " — 剪贴板";
        QTest::newRow("a copied file") << "url" << QSize(37, 21) << " — copied.bmp";
        QTest::newRow("text: nothing changes") << "text" << QSize() << "";
    }

    void paste()
    {
        QFETCH(QString, kind);
        QFETCH(QSize, size);
        const QImage image = testing::gradientImage(37, 21);
        auto* data = new QMimeData;
        if (kind == "png")
            data->setData("image/png", pngBytes(image));
        else if (kind == "url")
            data->setUrls({QUrl::fromLocalFile(testing::writeImage(dir_, "copied.bmp", image))});
        else
            data->setText(QStringLiteral("not a picture"));
        QGuiApplication::clipboard()->setMimeData(data);

        Window w({96, 96}, Qt::FramelessWindowHint);
        const QString caption = w->windowTitle();
        // As a person pastes: Ctrl+V, which tells the window's change once it has ended.
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&*w));
        QTest::keyClick(&*w, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(w->imageSize(), size.isValid() ? size : QSize(0, 0));
        QTEST(w->windowTitle().mid(caption.size()), "caption");
        QVERIFY(w.messages().isEmpty());
        QCOMPARE(sourceOf(w).lastNote().isEmpty(), kind != "text");
        // The scratch file is no file of the person's, and a second paste leaves one, the
        // one shown.
        QCOMPARE(w->instrument<RecentFiles>()->files().isEmpty(), kind != "url");
        QTest::keyClick(&*w, Qt::Key_V, Qt::ControlModifier);
        if (kind == "png")
            QCOMPARE(QDir(PictureSource::pastedFolder()).entryList(QDir::Files),
                     QStringList{w->picturePath().section('/', -1)});
    }

    // What a run that was killed left in the scratch folder goes at the next start; what a
    // run still going wrote stays.
    void staleScratchFilesGo()
    {
        const QString folder = PictureSource::pastedFolder() + "/";
        QVERIFY(QDir().mkpath(folder));
        // No process has a number this high (pid_max is at most 2^22).
        writeBytes(folder + "pasted-99999999-1.png", "left by a killed run");
        const QString running = QString("pasted-%1-1.png").arg(QCoreApplication::applicationPid());
        writeBytes(folder + running, "this run's");
        Window w({96, 96}, Qt::FramelessWindowHint);
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{running});
        QFile::remove(folder + running);
    }

    // F5 and a change on disk read the file again where the person was: factor, scroll
    // position within the new picture, and the measurements that still lie on it. F5 on a
    // file that has gone says so and keeps the picture and what was measured on it.
    void reloadKeepsThePlace_data()
    {
        QTest::addColumn<QSize>("after"); // empty: the file has gone
        QTest::addColumn<int>("measurements");
        QTest::addColumn<QPoint>("scrolled"); // the bars after: at their ends when shrunk
        QTest::newRow("the same size") << QSize(900, 700) << 2 << QPoint(400, 300);
        QTest::newRow("shrunk under the scroll position") << QSize(300, 200) << 1 << QPoint(52, 92);
        QTest::newRow("gone") << QSize() << 2 << QPoint(400, 300);
    }

    void reloadKeepsThePlace()
    {
        QFETCH(QSize, after);
        const QString path =
            testing::writeImage(dir_, "shot.png", testing::gradientImage(900, 700));
        Window w({96, 96}, Qt::FramelessWindowHint);
        w.open(path);
        w->cboMagnify->setListIndex(1);
        w->hsrDisp->setValue(400);
        w->vsrDisp->setValue(300);
        MeasurementStore& kept = w.measurements();
        kept.add({measurement::Kind::Line, {10, 10}, {100, 10}, {}, 0});
        kept.add({measurement::Kind::Box, {500, 400}, {600, 500}, {}, 0});

        if (after.isEmpty())
            QVERIFY(QFile::remove(path));
        else
            testing::writeImage(dir_, "shot.png",
                                testing::gradientImage(after.width(), after.height()));
        // F5, as a person reloads: inside the key's handler, which tells the change last.
        QTest::keyClick(&*w, Qt::Key_F5);
        QCOMPARE(w->imageSize(), after.isEmpty() ? QSize(900, 700) : after);
        QCOMPARE(w->factor(), (Zoom{2, 1}));
        QTEST(QPoint(w->hsrDisp->Value(), w->vsrDisp->Value()), "scrolled");
        QTEST(kept.count(), "measurements");
        QVERIFY(w->windowTitle().endsWith(after.isEmpty() ? " — shot.png（文件已不在）"
                                                          : " — shot.png"));
        QVERIFY(w.messages().isEmpty());
        QCOMPARE(sourceOf(w).lastNote().startsWith("shot.png 已不在"), after.isEmpty());
    }

    // A file caught half written is tried again until it reads; one that goes away stays
    // shown, and the caption says so.
    void changesOnDisk()
    {
        const QString path = testing::writeImage(dir_, "live.png", testing::gradientImage(40, 30));
        Window w({96, 96}, Qt::FramelessWindowHint);
        w.open(path);
        const QByteArray next = pngBytes(testing::gradientImage(64, 48));
        writeBytes(path, next.left(next.size() / 2));
        QTest::qWait(PictureSource::kRetryEveryMs * 2);
        QCOMPARE(w->imageSize(), QSize(40, 30));
        writeBytes(path, next);
        QTRY_COMPARE_WITH_TIMEOUT(w->imageSize(), QSize(64, 48), PictureSource::kRetryForMs);
        QVERIFY(w.messages().isEmpty());

        QFile::remove(path);
        QTRY_VERIFY(w->windowTitle().endsWith("live.png（文件已不在）"));
        QCOMPARE(w->imageSize(), QSize(64, 48));
        QVERIFY(w.messages().isEmpty());
    }

    // Names in the order walked, whatever order the folder lists them in.
    void walkOrder_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::newRow("numbers by value, zeros aside") << QStringList{"01.png", "2.png", "10.png"};
        QTest::newRow("letters, case aside") << QStringList{"a.png", "B.png", "c.png"};
        QTest::newRow("alike but for zeros and case") << QStringList{"A1.png", "a01.png", "a1.png"};
        QTest::newRow("more digits than 64 bits hold")
            << QStringList{"999999999999999999999999.png", "1000000000000000000000000.png"};
    }

    void walkOrder()
    {
        QFETCH(QStringList, names);
        QTemporaryDir folder;
        for (const QString& name : names)
            writeBytes(folder.filePath(name), "");
        QCOMPARE(FolderWalk::walkOrder(folder.path()), names);
    }

    void walksTheFolder()
    {
        QTemporaryDir folder;
        const QImage image = testing::gradientImage(8, 8);
        for (const char* name : {"shot10.png", "shot2.png", "Shot3.PNG", "shot1.jpg"})
            testing::writeImage(folder, name, image);
        writeBytes(folder.filePath("shot4.png"), "not a picture");
        writeBytes(folder.filePath("notes.txt"), "text");
        QCOMPARE(FolderWalk::walkOrder(folder.path()),
                 (QStringList{"shot1.jpg", "shot2.png", "Shot3.PNG", "shot4.png", "shot10.png"}));

        Window w({96, 96}, Qt::FramelessWindowHint);
        w.open(folder.filePath("shot2.png"));
        FolderWalk& walk = *w->instrument<FolderWalk>();
        QCOMPARE(w->focusWidget(), w->picDisp); // shown, it has the keyboard without a click
        // Space walks only while the picture has the keyboard: a focused button keeps it.
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&*w));
        w->cmdOpen->setFocus();
        QTest::keyClick(w->cmdOpen, Qt::Key_Space);
        QVERIFY(sourceOf(w).file().endsWith("shot2.png"));
        w->picDisp->setFocus();
        QTest::keyClick(w->picDisp, Qt::Key_Space);
        QVERIFY(sourceOf(w).file().endsWith("Shot3.PNG"));
        QVERIFY(walk.step(1)); // shot4.png fails to load, as any load fails
        QCOMPARE(w.messages().size(), 1);
        QVERIFY(w->windowTitle().endsWith("shot4.png（无法读取）"));
        QVERIFY(walk.step(1)); // and the walk goes on past it
        QVERIFY(sourceOf(w).file().endsWith("shot10.png"));
        QVERIFY(!walk.step(1));
        QVERIFY(sourceOf(w).file().endsWith("shot10.png"));
    }

    // Newest first, ten at most, once each; one that has gone is dropped, without a box.
    void recentFiles()
    {
        Window w({96, 96}, Qt::FramelessWindowHint);
        RecentFiles& recent = *w->instrument<RecentFiles>();
        QStringList opened;
        for (int i = 0; i <= RecentFiles::kKept; ++i)
            w.open(opened.emplace_back(testing::writeImage(dir_, QString("recent%1.bmp").arg(i),
                                                           testing::gradientImage(4, 4))));
        w.open(opened[1]);
        QCOMPARE(recent.files().mid(0, 2), (QStringList{opened[1], opened.last()}));
        QCOMPARE(recent.files().size(), RecentFiles::kKept);
        QVERIFY(!recent.files().contains(opened[0]));
        w.open(opened[5]); // from the middle of the list: to the front, and only there
        QCOMPARE(recent.files().lastIndexOf(opened[5]), 0);
        QCOMPARE(recent.files().size(), 10);

        QFile::remove(opened.last());
        QVERIFY(!recent.open(opened.last()));
        QVERIFY(!recent.files().contains(opened.last()));
        QVERIFY(w.messages().isEmpty());
    }
};

QTEST_MAIN(tst_PictureSource)
#include "tst_picture_source.moc"
