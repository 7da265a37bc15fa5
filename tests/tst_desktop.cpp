// What a person on a desktop expects beyond the window's own controls: the readout kept true
// under a resting pointer, the wheel and keys scrolling through the bars, Ctrl+O, dropping a
// file, and the command line.
#include "app/application_setup.h"
#include "app/command_line.h"
#include "filedlg/scripted_backend.h"
#include "support/test_support.h"
#include "viewer/window_icon.h"

#include <QApplication>
#include <QCursor>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using testing::pointAt;
using testing::Window;

namespace
{

// 1000 x 800: larger than the 548 x 308 viewport at 96 ppi both ways, so both bars travel.
// Every pixel's colour tells where it is: red = x mod 256, green = y mod 256.
QImage positionPicture()
{
    QImage image(1000, 800, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x % 256, y % 256, 7));
    return image;
}

// The readout in pixels over positionPicture()'s pixel (x, y).
QString readoutText(int x, int y)
{
    return QStringLiteral("x = %1   y = %2     RGB(%3, %4, 7)")
        .arg(x)
        .arg(y)
        .arg(x % 256)
        .arg(y % 256);
}

// The scalable icon as Qt SVG's renderer draws it at 16 x 16; empty when it cannot read it.
QImage renderAt16(const QString& svgPath)
{
    QSvgRenderer drawing(svgPath);
    if (!drawing.isValid())
        return {};
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    drawing.render(&painter);
    return image;
}

// The keys of a desktop entry's main group.
QMap<QString, QString> desktopEntry(const QString& path)
{
    QFile file(path);
    QMap<QString, QString> entry;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return entry;
    bool inMainGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith('['))
            inMainGroup = line == QLatin1String("[Desktop Entry]");
        else if (inMainGroup && line.contains('='))
            entry.insert(line.section('=', 0, 0), line.section('=', 1));
    }
    return entry;
}

} // namespace

class tst_Desktop : public QObject
{
    Q_OBJECT
    QTemporaryDir dir_;
    QString picture_;
    QString smallPicture_;

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        picture_ = testing::writeImage(dir_, QStringLiteral("position.bmp"), positionPicture());
        smallPicture_ =
            testing::writeImage(dir_, QStringLiteral("small.bmp"), testing::gradientImage(37, 23));
        // Three lines a notch, whatever the desktop says, so steps are known.
        QApplication::setWheelScrollLines(3);
    }

    void readoutFollowsWhatLiesUnderARestingPointer_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("expected"); // "" for a hidden readout

        // The pointer rests on picture pixel (120, 45), readout showing, then one thing
        // changes without the pointer moving.
        QTest::newRow("unit to inches: 1.25 and 0.47 (0.46875)")
            << "inches"
            << "x = 1.25   y = 0.47     RGB(120, 45, 7)";
        QTest::newRow("unit to centimetres: 3.175 and 1.190625")
            << "centimetres"
            << "x = 3.18   y = 1.19     RGB(120, 45, 7)";
        // The picture moves 30 left, or 17 up, under the pointer.
        QTest::newRow("scrolled across") << "scroll across" << readoutText(150, 45);
        QTest::newRow("scrolled down") << "scroll down" << readoutText(120, 62);
        // The bars go back to 0 and every image pixel is 2 x 2 on the screen.
        QTest::newRow("magnified 2") << "magnify" << readoutText(60, 22);
        // The pointer went onto a bar, which has no move handler, so the readout was still
        // showing the picture's values.
        QTest::newRow("unit changed with the pointer on a scroll bar") << "off picture"
                                                                       << "";
    }

    void readoutFollowsWhatLiesUnderARestingPointer()
    {
        QFETCH(QString, change);
        Window w({96, 96}, Qt::FramelessWindowHint);
        w.open(picture_);
        QVERIFY(w->picDisp->hasPicture());
        pointAt(w->picDisp, QPoint(120, 45));
        QCOMPARE(w->lblXY->Caption(), readoutText(120, 45));
        QVERIFY(w->lblXY->Visible());

        if (change == "inches") {
            w->cboUnit->setListIndex(1);
        } else if (change == "centimetres") {
            w->cboUnit->setListIndex(2);
        } else if (change == "scroll across") {
            w->hsrDisp->setValue(30);
        } else if (change == "scroll down") {
            w->vsrDisp->setValue(17);
        } else if (change == "magnify") {
            w->hsrDisp->setValue(30);
            w->cboMagnify->setListIndex(1);
        } else if (change == "off picture") {
            QCursor::setPos(w->vsrDisp->mapToGlobal(w->vsrDisp->rect().center()));
            w->cboUnit->setListIndex(1);
        }

        QFETCH(QString, expected);
        if (expected.isEmpty()) {
            QVERIFY(!w->lblXY->Visible());
            QVERIFY(!w->shpMarkerW->Visible());
            QVERIFY(!w->shpMarkerH->Visible());
            return;
        }
        QVERIFY(w->lblXY->Visible());
        QCOMPARE(w->lblXY->Caption(), expected);
        // The markers stay on the pointer's column and row within the viewport.
        const QPoint inViewport = w->picDispBase->mapFromGlobal(QCursor::pos());
        QCOMPARE(w->picRulerW->mapFromGlobal(w->shpMarkerW->mapToGlobal(QPoint())).x(),
                 inViewport.x());
        QCOMPARE(w->picRulerH->mapFromGlobal(w->shpMarkerH->mapToGlobal(QPoint())).y(),
                 inViewport.y());
    }

    void readoutWaitsWhileBusy()
    {
        Window w({96, 96}, Qt::FramelessWindowHint);
        w.open(picture_);
        pointAt(w->picDisp, QPoint(120, 45));
        const QString before = w->lblXY->Caption();
        // The picture moved under the pointer by something still under way.
        w->picDisp->setLeft(-30);
        w->busy = -1;
        w->RefreshPointerReadout();
        QCOMPARE(w->lblXY->Caption(), before);
        w->busy = 0;
        w->RefreshPointerReadout();
        QCOMPARE(w->lblXY->Caption(), readoutText(150, 45));
    }

    void hiddenReadoutStaysHidden()
    {
        // The pointer rests on the margin beside a small picture; a new unit shows nothing.
        Window w({96, 96}, Qt::FramelessWindowHint);
        w.open(smallPicture_);
        pointAt(w->picDispBase, QPoint(3, 3));
        QVERIFY(!w->lblXY->Visible());
        w->cboUnit->setListIndex(2);
        QVERIFY(!w->lblXY->Visible());
    }

    void wheelAndKeysSetTheBars_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("times");
        QTest::addColumn<QPoint>("expected"); // hsrDisp, vsrDisp after the action

        // Ranges: 1000 - 548 = 452 across, 800 - 308 = 492 down. A notch is 3 lines of 20.
        QTest::newRow("wheel towards the user: down a notch") << "wheel down" << 1 << QPoint(0, 60);
        QTest::newRow("wheel away at the top: nothing") << "wheel up" << 1 << QPoint(0, 0);
        QTest::newRow("shift and wheel: sideways") << "shift wheel down" << 2 << QPoint(120, 0);
        QTest::newRow("horizontal wheel") << "tilt right" << 1 << QPoint(60, 0);
        QTest::newRow("wheel over the margin") << "margin wheel down" << 1 << QPoint(0, 60);
        QTest::newRow("wheel held to the end of travel") << "wheel down" << 9 << QPoint(0, 492);
        QTest::newRow("arrow down: one pixel") << "Down" << 3 << QPoint(0, 3);
        QTest::newRow("arrow right: one pixel") << "Right" << 2 << QPoint(2, 0);
        QTest::newRow("arrow left at the edge: nothing") << "Left" << 1 << QPoint(0, 0);
        QTest::newRow("page down: what the viewport shows") << "PageDown" << 1 << QPoint(0, 308);
        QTest::newRow("page down twice: held at the end") << "PageDown" << 2 << QPoint(0, 492);
        QTest::newRow("busy: the wheel does nothing") << "busy wheel down" << 1 << QPoint(0, 0);
        QTest::newRow("busy: the keys do nothing") << "busy Down" << 1 << QPoint(0, 0);
    }

    void wheelAndKeysSetTheBars()
    {
        QFETCH(QString, action);
        QFETCH(int, times);
        Window w({96, 96}, Qt::FramelessWindowHint);
        w.open(picture_);
        QCOMPARE(QPoint(w->hsrDisp->Max(), w->vsrDisp->Max()), QPoint(452, 492));
        const bool busy = action.startsWith("busy ");
        if (busy)
            action.remove(0, 5);
        // Keys need the picture to have the keyboard; the wheel works without it.
        const bool wheel = action.contains("wheel") || action.startsWith("tilt");
        if (!wheel) {
            QTest::mouseClick(w->picDisp, Qt::LeftButton, {}, QPoint(10, 10));
            QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w->picDisp));
        }
        if (busy)
            w->busy = -1;
        for (int i = 0; i < times; ++i) {
            if (wheel) {
                QPoint angle(0, action.endsWith("down") ? -120 : 120);
                if (action.startsWith("tilt"))
                    angle = QPoint(-120, 0);
                const Qt::KeyboardModifiers modifiers =
                    action.startsWith("shift") ? Qt::ShiftModifier : Qt::NoModifier;
                const bool margin = action.startsWith("margin");
                QWidget* under = margin ? w->picDispBase : w->picDisp;
                const QPointF at = margin ? QPointF(2, 2) : QPointF(50, 50);
                QWheelEvent wheel(at, under->mapToGlobal(at), QPoint(), angle, Qt::NoButton,
                                  modifiers, Qt::NoScrollPhase, false);
                QApplication::sendEvent(under, &wheel);
            } else {
                const QMetaEnum keys = QMetaEnum::fromType<Qt::Key>();
                const auto key =
                    Qt::Key(keys.keyToValue(qPrintable(QStringLiteral("Key_") + action)));
                QTest::keyClick(w->picDisp, key);
            }
        }
        if (busy)
            w->busy = 0;

        QFETCH(QPoint, expected);
        QCOMPARE(QPoint(w->hsrDisp->Value(), w->vsrDisp->Value()), expected);
        // Through the bars' Change handlers: the picture followed.
        QCOMPARE(QPointF(w->picDisp->Left(), w->picDisp->Top()), -QPointF(expected));
    }

    void ctrlOPressesOpen_data()
    {
        QTest::addColumn<bool>("busy");
        QTest::newRow("idle: the dialog opens") << false;
        QTest::newRow("busy: nothing happens") << true;
    }

    void ctrlOPressesOpen()
    {
        QFETCH(bool, busy);
        Window w({96, 96}, Qt::FramelessWindowHint);
        QVERIFY(QTest::qWaitForWindowActive(&*w));
        w.dialog().answer(smallPicture_);
        w->busy = busy ? -1 : 0;
        QTest::keyClick(&*w, Qt::Key_O, Qt::ControlModifier);
        w->busy = 0;
        QCOMPARE(w.dialog().records().size(), busy ? 0 : 1);
        QCOMPARE(w->picDisp->hasPicture(), !busy);
    }

    void dropOpensOneFile_data()
    {
        QTest::addColumn<QStringList>("urls");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<bool>("opens");

        QTest::newRow("one file") << QStringList{"SMALL"} << QString() << false << true;
        QTest::newRow("two files") << QStringList{"SMALL", "SMALL"} << QString() << false << false;
        QTest::newRow("a web address")
            << QStringList{"https://example.org/a.bmp"} << QString() << false << false;
        QTest::newRow("a folder") << QStringList{"FOLDER"} << QString() << false << false;
        QTest::newRow("plain text naming a file") << QStringList{} << "SMALL" << false << false;
        QTest::newRow("one file while busy") << QStringList{"SMALL"} << QString() << true << false;
    }

    void dropOpensOneFile()
    {
        QFETCH(QStringList, urls);
        QFETCH(QString, text);
        QFETCH(bool, busy);
        QFETCH(bool, opens);
        const auto resolve = [&](const QString& name) {
            if (name == "SMALL")
                return smallPicture_;
            if (name == "FOLDER")
                return dir_.path();
            return name;
        };
        QList<QUrl> list;
        for (const QString& url : urls) {
            const QString resolved = resolve(url);
            list.append(resolved.contains("://") ? QUrl(resolved) : QUrl::fromLocalFile(resolved));
        }

        Window w({96, 96}, Qt::FramelessWindowHint);
        QMimeData data;
        if (!list.isEmpty())
            data.setUrls(list);
        if (!text.isEmpty())
            data.setText(resolve(text));
        w->busy = busy ? -1 : 0;
        const QPoint at = w->picDisp->mapTo(&*w, QPoint(5, 5));
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&*w, &enter);
        QCOMPARE(enter.isAccepted(), opens);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&*w, &drop);
        w->busy = 0;

        QCOMPARE(w->picDisp->hasPicture(), opens);
        QCOMPARE(w->lblImageSize->Caption().isEmpty(), !opens);
        QVERIFY(w.messages().isEmpty());
    }

    void missingFileShowsTheLoadError()
    {
        Window w({96, 96}, Qt::FramelessWindowHint);
        w->OpenPicture(dir_.filePath(QStringLiteral("no such picture.bmp")));
        QCOMPARE(w.messages().size(), 1);
        QCOMPARE(w.messages().first(), testing::kLoadError);
        QVERIFY(!w->picDisp->hasPicture());
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("text"); // what the printed text must contain

        using A = CommandLine::Action;
        QTest::newRow("nothing: the empty window") << QStringList{} << int(A::Open) << ""
                                                   << "";
        QTest::newRow("a file") << QStringList{"card.bmp"} << int(A::Open) << "card.bmp"
                                << "";
        QTest::newRow("a file named like an option, after --")
            << QStringList{"--", "-v.bmp"} << int(A::Open) << "-v.bmp"
            << "";
        QTest::newRow("--help") << QStringList{"--help"} << int(A::Help) << ""
                                << " [options] [FILE]\n";
        QTest::newRow("--help lists --ppi") << QStringList{"--help"} << int(A::Help) << ""
                                            << "--ppi <screen|file|monitor|N>";
        QTest::newRow("-h beside a file") << QStringList{"a.bmp", "-h"} << int(A::Help) << ""
                                          << "--version";
        QTest::newRow("--version") << QStringList{"--version"} << int(A::Version) << ""
                                   << "Quarnet 1.00\n";
        QTest::newRow("unknown option")
            << QStringList{"--bogus"} << int(A::Error) << ""
            << "quarnet: Unknown option 'bogus'.\nTry 'quarnet --help' for more information.\n";
        QTest::newRow("unknown option beside --help")
            << QStringList{"--help", "--bogus"} << int(A::Error) << ""
            << "'bogus'";
        QTest::newRow("two files") << QStringList{"a.bmp", "b.bmp"} << int(A::Error) << ""
                                   << "one FILE at most, 2 given";
        QTest::newRow("--ppi=300 beside a file")
            << QStringList{"--ppi=300", "scan.png"} << int(A::Open) << "scan.png"
            << "";
        QTest::newRow("--ppi=abc") << QStringList{"--ppi=abc"} << int(A::Error) << ""
                                   << "not 'abc'";
        QTest::newRow("--ppi=0") << QStringList{"--ppi=0"} << int(A::Error) << ""
                                 << "not '0'";
        QTest::newRow("--ppi beyond 100000") << QStringList{"--ppi=100001"} << int(A::Error) << ""
                                             << "not '100001'";
        QTest::newRow("--compare beside a file")
            << QStringList{"shot.png", "--compare=design.png"} << int(A::Open) << "shot.png"
            << "";
        QTest::newRow("--compare with nothing") << QStringList{"--compare="} << int(A::Error) << ""
                                                << "--compare takes";
    }

    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, text);
        QCoreApplication::setApplicationVersion(QStringLiteral("1.00"));
        const CommandLine read =
            parseCommandLine(QStringList{QStringLiteral("/usr/bin/quarnet")} + arguments);
        QTEST(int(read.action), "action");
        QTEST(read.file, "file");
        QVERIFY2(read.text.contains(text), qPrintable(read.text));
        QCOMPARE(read.compare, arguments.contains(QStringLiteral("--compare=design.png"))
                                   ? QStringLiteral("design.png")
                                   : QString());
        QCOMPARE(read.exitStatus(), read.action == CommandLine::Action::Error ? 2 : 0);
    }

    void installGivesAValidDesktopEntry();

    // Settings go under the program's organisation; an earlier version's, kept where Qt
    // puts them for a program without one, come over once: while today's file does not exist.
    void oldSettingsCarriedOverOnce()
    {
        QStandardPaths::setTestModeEnabled(true);
        setApplicationNames();
        QSettings today;
        QVERIFY2(today.fileName().endsWith("/.qttest/config/Quarnet/Quarnet.conf"),
                 qPrintable(today.fileName()));
        QFile::remove(today.fileName());
        QSettings old(QStringLiteral("Unknown Organization"), QStringLiteral("Quarnet"));
        for (const int count : {21, 31}) {
            old.setValue("loupe/count", count);
            old.sync();
            carryOverOldSettings();
            today.sync();
            QCOMPARE(today.value("loupe/count").toInt(), 21);
        }
        QFile::remove(old.fileName());
    }

    // Qt's own buttons in the window's language; the program's own English texts stay.
    void toolkitSpeaksChinese()
    {
        QVERIFY(loadToolkitTranslations(*QCoreApplication::instance()));
        QMessageBox box(QMessageBox::NoIcon, "Quarnet", "Error occurred on loading picture.",
                        QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(box.button(QMessageBox::Ok)->text(), QStringLiteral("确定"));
        QCOMPARE(box.button(QMessageBox::Cancel)->text(), QStringLiteral("取消"));
        QCOMPARE(box.text(), QStringLiteral("Error occurred on loading picture."));
    }

    void programAnswersWithoutADisplay_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("output"); // on standard output, or on errors for status 2

        QTest::newRow("--version") << QStringList{"--version"} << 0 << "Quarnet 1.00";
        QTest::newRow("--help") << QStringList{"--help"} << 0 << "[FILE]";
        QTest::newRow("unknown option: status 2")
            << QStringList{"--frobnicate"} << 2 << "Unknown option 'frobnicate'";
        QTest::newRow("unknown option after Qt's own: still status 2")
            << QStringList{"-platform", "xcb", "--style", "fusion", "-reverse", "--frobnicate"} << 2
            << "Unknown option 'frobnicate'";
    }

    void programAnswersWithoutADisplay()
    {
        QFETCH(QStringList, arguments);
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(QUARNET_PROGRAM), arguments);
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QTEST(program.exitCode(), "status");
        QFETCH(int, status);
        QFETCH(QString, output);
        const QByteArray printed =
            status == 2 ? program.readAllStandardError() : program.readAllStandardOutput();
        QVERIFY2(printed.contains(output.toUtf8()), printed.constData());
    }
};

void tst_Desktop::installGivesAValidDesktopEntry()
{
    QTemporaryDir prefix;
    QVERIFY(prefix.isValid());
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(QStringLiteral(QUARNET_CMAKE),
                  {"--install", QStringLiteral(QUARNET_BUILD_DIR), "--prefix", prefix.path()});
    QVERIFY(install.waitForFinished(60000));
    QVERIFY2(install.exitCode() == 0, install.readAll().constData());

    const QDir root(prefix.path());
    QVERIFY(QFileInfo(root.filePath("bin/quarnet")).isExecutable());
    const QString entryPath = root.filePath("share/applications/quarnet.desktop");
    const QString pngPath = root.filePath("share/icons/hicolor/16x16/apps/quarnet.png");
    const QString svgPath = root.filePath("share/icons/hicolor/scalable/apps/quarnet.svg");

    const QMap<QString, QString> entry = desktopEntry(entryPath);
    QCOMPARE(entry.value("Exec"), QString("quarnet %f"));
    QCOMPARE(entry.value("Icon"), QString("quarnet"));
    QCOMPARE(entry.value("MimeType"), QString("image/bmp;image/gif;image/jpeg;"));
    QCOMPARE(entry.value("Categories"), QString("Graphics;Viewer;"));
    for (const char* key : {"Name", "GenericName", "Comment"})
        QVERIFY2(!entry.value(key).isEmpty(), key);

    // Both icons are the window's own.
    const QImage windowIcon =
        makeWindowIcon().pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
    QImage png;
    QVERIFY(png.load(pngPath));
    QCOMPARE(testing::firstDifference(png.convertToFormat(QImage::Format_ARGB32), windowIcon),
             QString());
    const QImage svg = renderAt16(svgPath);
    QVERIFY2(!svg.isNull(), "the scalable icon is no SVG drawing");
    QCOMPARE(testing::firstDifference(svg, windowIcon), QString());

    const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
    if (validator.isEmpty())
        QSKIP("desktop-file-validate is not installed (scripts/setup installs it)");
    QProcess validate;
    validate.setProcessChannelMode(QProcess::MergedChannels);
    validate.start(validator, {entryPath});
    QVERIFY(validate.waitForFinished(20000));
    const QByteArray said = validate.readAll();
    QVERIFY2(validate.exitCode() == 0 && said.trimmed().isEmpty(), said.constData());
}

QTEST_MAIN(tst_Desktop)
#include "tst_desktop.moc"
