// Keeping the work: a picture's measurements, guides and scale come back after a walk, a
// restart, a rename, and not for another picture under the same name; kept files that make
// no sense are passed over; every kind of change undoes and redoes; the picture of the
// findings keeps the picture's pixels outside its marks.
#include "instruments/findings_export.h"
#include "instruments/findings_picture.h"
#include "instruments/folder_walk.h"
#include "instruments/guides.h"
#include "instruments/inch_basis.h"
#include "instruments/kept_work.h"
#include "instruments/measurement_list.h"
#include "instruments/measurement_marks.h"
#include "instruments/recent_files.h"
#include "instruments/work_keeper.h"
#include "support/test_support.h"

#include <QClipboard>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <memory>

using guide::Guide;
using measurement::Kind;
using measurement::Measurement;
using testing::Window;

namespace
{

Guides& guidesOf(const Window& w)
{
    return *w->findChild<Guides*>(QStringLiteral("guides"));
}

// Everything kept on the picture shown.
record::PictureRecord workOf(const Window& w)
{
    return {w->imageSize(), w.measurements().all(), guidesOf(w).all(),
            w->instrument<InchBasis>()->scale()};
}

// A line, a box and a point on a 161 x 97 picture, a guide each way and a scale.
void makeWork(const Window& w)
{
    MeasurementStore& kept = w.measurements();
    kept.add(Measurement{Kind::Line, QPoint(3, 4), QPoint(150, 4), {}, 0xff010203, 0xff040506});
    kept.add(Measurement{Kind::Box, QPoint(160, 96), QPoint(120, 60), {}, 0, 0});
    kept.add(Measurement{Kind::Point, QPoint(7, 90), QPoint(7, 90), {}, 0xff0a0b0c, 0});
    guidesOf(w).add(Guide{Qt::Vertical, 161});
    guidesOf(w).add(Guide{Qt::Horizontal, 0});
    QCOMPARE(w->instrument<InchBasis>()->calibrate(0, 2, InchBasis::Length::Centimetres),
             QString());
}

QString keptFileOf(const QString& picture)
{
    QFile file(picture);
    file.open(QIODevice::ReadOnly);
    return KeptWork::defaultFolder() + QLatin1Char('/') +
           KeptWork::keyOf(QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)) +
           QStringLiteral(".json");
}

void keyClick(const Window& w, Qt::Key key, Qt::KeyboardModifiers modifiers = {})
{
    QTest::keyClick(w->picDisp, key, modifiers);
}

} // namespace

class tst_KeptWork : public QObject
{
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir_;
    QString first_;
    QString second_;

private slots:
    void init()
    {
        QDir(KeptWork::defaultFolder()).removeRecursively();
        QFile::remove(KeptWork::defaultFolder());
        dir_ = std::make_unique<QTemporaryDir>();
        first_ = testing::writeImage(*dir_, "a 1.png", testing::gradientImage(161, 97));
        QImage other = testing::gradientImage(161, 97);
        other.setPixel(80, 40, qRgb(1, 2, 3));
        second_ = testing::writeImage(*dir_, "a 2.png", other);
    }

    void backWithItsPicture_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("back");
        QTest::newRow("walked away and back") << "walk" << true;
        QTest::newRow("another opened, then it again") << "other" << true;
        QTest::newRow("the program started again") << "restart" << true;
        QTest::newRow("renamed, after a restart") << "rename" << true;
        QTest::newRow("another picture under its name") << "replace" << false;
    }

    void backWithItsPicture()
    {
        QFETCH(QString, how);
        QFETCH(bool, back);
        auto w = std::make_unique<Window>();
        w->open(first_);
        makeWork(*w);
        QCoreApplication::processEvents();
        const record::PictureRecord made = workOf(*w);
        QCOMPARE(made.measurements.size(), std::size_t(3));
        QString again = first_;
        if (how == "walk") {
            keyClick(*w, Qt::Key_Space);
            QCOMPARE((*w)->picturePath(), second_);
            QVERIFY(workOf(*w).empty());
            keyClick(*w, Qt::Key_Backspace);
        } else if (how == "other") {
            w->open(second_);
            QVERIFY(workOf(*w).empty());
            w->open(first_);
        } else {
            w.reset();
            QVERIFY(QFile::exists(keptFileOf(first_)));
            if (how == "rename") {
                again = dir_->filePath("elsewhere.png");
                QVERIFY(QFile::rename(first_, again));
            } else if (how == "replace") {
                QFile::remove(first_);
                QVERIFY(QFile::copy(second_, first_));
            }
            w = std::make_unique<Window>(Window::Work::Kept);
            w->open(again);
        }
        QCOMPARE((*w)->picturePath(), again);
        const record::PictureRecord none{QSize(161, 97), {}, {}, std::nullopt};
        QVERIFY(workOf(*w) == (back ? made : none));
        QCOMPARE((*w)->instrument<InchBasis>()->inForce() == InchBasis::Kind::Calibrated, back);
        if (back) {
            // Its own steps came back with it: the scale was the last.
            keyClick(*w, Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(workOf(*w).scale,
                     how == "walk" || how == "other" ? std::nullopt : std::optional(made.scale));
        }
    }

    void keptFilesThatMakeNoSense_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("why");
        const QByteArray good =
            record::toJson({QSize(161, 97),
                            {Measurement{Kind::Box, QPoint(1, 1), QPoint(160, 96), {}, 0, 0}},
                            {},
                            96.0});
        QVERIFY(record::fromJson(good).has_value());
        QByteArray later = good;
        later.replace("\"version\": 1", "\"version\": 2");
        QByteArray off = good;
        off.replace("160,", "161,");
        QByteArray larger = good;
        larger.replace("\"width\": 161", "\"width\": 162");
        QTest::newRow("cut short") << good.left(good.size() / 2) << "not JSON";
        QTest::newRow("not JSON") << QByteArray("\x89PNG\r\n\x1a\n", 8) << "not JSON";
        QTest::newRow("a later version") << later << "version 2";
        QTest::newRow("a pixel one past the edge") << off << "off the picture";
        QTest::newRow("kept for another size") << larger << "162 x 97";
        QTest::newRow("10 MB") << QByteArray(10 * 1024 * 1024, ' ') << "larger than";
        QTest::newRow("JSON of another kind") << QByteArray("[1, 2, 3]") << "not a record";
    }

    void keptFilesThatMakeNoSense()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, why);
        const QString kept = keptFileOf(first_);
        QVERIFY(QDir().mkpath(KeptWork::defaultFolder()));
        QFile file(kept);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        Window w(Window::Work::Kept);
        testing::StderrCapture errors;
        w.open(first_);
        QVERIFY(workOf(w).empty());
        const QStringList lines = errors.text().split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines[0].contains(kept) && lines[0].contains(why), qPrintable(lines[0]));
        // It goes on: what is made now is kept in its place.
        w.measurements().add(Measurement{Kind::Point, QPoint(5, 5), QPoint(5, 5), {}, 0, 0});
        QCoreApplication::processEvents();
        w->instrument<WorkKeeper>()->saveNow();
        QVERIFY(file.open(QIODevice::ReadOnly));
        const auto now = record::fromJson(file.readAll());
        QVERIFY(now);
        QCOMPARE(now->measurements, w.measurements().all());
    }

    // Where the work cannot be written, it is said once, and the work stays.
    void anUnwritableFolder()
    {
        QVERIFY(QDir().mkpath(QFileInfo(KeptWork::defaultFolder()).path()));
        QFile blocker(KeptWork::defaultFolder());
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        Window w(Window::Work::Kept);
        w.open(first_);
        testing::StderrCapture errors;
        makeWork(w);
        w->instrument<WorkKeeper>()->saveNow();
        QVERIFY(QToolTip::text().startsWith("无法保存测量记录"));
        w.measurements().add(Measurement{Kind::Point, QPoint(5, 5), QPoint(5, 5), {}, 0, 0});
        w->instrument<WorkKeeper>()->saveNow();
        w.open(second_);
        w.open(first_);
        QCOMPARE(errors.text().count("cannot keep measurements"), 1);
        QCOMPARE(w.measurements().count(), 4);
    }

    void undoAndRedo_data()
    {
        QTest::addColumn<int>("change");
        const char* names[] = {"a line dragged",
                               "a box dragged with Ctrl",
                               "Esc",
                               "Delete on the selected",
                               "清除全部测量",
                               "a guide added",
                               "a guide dragged",
                               "a guide removed",
                               "a scale set"};
        for (int i = 0; i < 9; ++i)
            QTest::newRow(names[i]) << i;
    }

    void undoAndRedo()
    {
        QFETCH(int, change);
        Window w;
        w.open(first_);
        w->SetFactor(Zoom{3, 1});
        makeWork(w);
        w.measurements().setSelection({1, 2});
        QCoreApplication::processEvents();
        const record::PictureRecord before = workOf(w);
        const auto drag = [&](QPoint from, QPoint to, Qt::KeyboardModifiers keys = {}) {
            QTest::mousePress(w->picDisp, Qt::LeftButton, keys, from);
            QTest::mouseMove(w->picDisp, (from + to) / 2);
            QTest::mouseMove(w->picDisp, to);
            QTest::mouseRelease(w->picDisp, Qt::LeftButton, keys, to);
        };
        switch (change) {
        case 0:
            drag(QPoint(31, 61), QPoint(121, 150));
            break;
        case 1:
            drag(QPoint(31, 61), QPoint(121, 150), Qt::ControlModifier);
            break;
        case 2:
            keyClick(w, Qt::Key_Escape);
            break;
        case 3:
            keyClick(w, Qt::Key_Delete);
            break;
        case 4:
            w.measurements().clear();
            break;
        case 5:
            guidesOf(w).add(Guide{Qt::Horizontal, 50});
            break;
        case 6:
            // The horizontal guide at row 0, taken on its line and dragged down 10 pixels.
            drag(QPoint(100, 0), QPoint(100, 30));
            break;
        case 7:
            guidesOf(w).remove(0);
            break;
        case 8:
            QCOMPARE(w->instrument<InchBasis>()->calibrate(0, 1, InchBasis::Length::Inches),
                     QString());
            break;
        }
        const record::PictureRecord after = workOf(w);
        QVERIFY(after != before);
        keyClick(w, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(workOf(w), before);
        keyClick(w, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(workOf(w), after);
        keyClick(w, Qt::Key_Z, Qt::ControlModifier);
        keyClick(w, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(workOf(w), after);
        // Back through every step to nothing, and no further.
        for (int i = 0; i < 7; ++i)
            keyClick(w, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(workOf(w).empty());
        QCOMPARE(QToolTip::text(), QStringLiteral("没有可撤销的更改"));
    }

    void theFindingsPicture_data()
    {
        QTest::addColumn<int>("factor");
        QTest::newRow("its own size") << 1;
        QTest::newRow("at 3") << 3;
    }

    void theFindingsPicture()
    {
        QFETCH(int, factor);
        Window w;
        // Room beside each measurement for its figures.
        w.open(testing::gradientFile(*dir_, QSize(401, 263)));
        makeWork(w);
        const QImage picture = w->picture().convertToFormat(QImage::Format_ARGB32);
        const findings::Findings found{w.measurements().all(), guidesOf(w).all(), w->unit(),
                                       w->pixelsPerInch()};
        QRegion drawnOn;
        const QImage drawn = findings::draw(picture, found, factor, w->font(), &drawnOn);
        QCOMPARE(drawn.size(), picture.size() * factor);
        const measurement::Placement where{QPoint(), Zoom{factor, 1}, picture.size()};
        int differing = 0;
        for (int y = 0; y < drawn.height(); ++y)
            for (int x = 0; x < drawn.width(); ++x) {
                const bool same = drawn.pixel(x, y) == picture.pixel(x / factor, y / factor);
                differing += !same;
                if (!same && !drawnOn.contains(QPoint(x, y)))
                    QFAIL(qPrintable(QStringLiteral("(%1, %2) changed").arg(x).arg(y)));
            }
        // The measured pixels stay themselves; the line between them is drawn, dashed.
        for (const Measurement& kept : found.measurements)
            for (const QPoint end : {kept.from, kept.to})
                QVERIFY2(drawn.pixel(measurement::viewportPoint(where, end)) == picture.pixel(end),
                         qPrintable(QStringLiteral("(%1, %2) changed").arg(end.x()).arg(end.y())));
        const int row = measurement::viewportPoint(where, QPoint(0, 4)).y();
        QSet<QRgb> onLine;
        for (int x = 10 * factor; x < 140 * factor; ++x)
            onLine << drawn.pixel(x, row);
        QVERIFY(onLine.contains(qRgb(0, 0, 0)) && onLine.contains(qRgb(255, 255, 255)));
        QVERIFY(differing > 0);
        // The copy is the same picture, at its own size.
        w->instrument<FindingsExport>()->copy();
        QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_ARGB32),
                 findings::draw(picture, found, 1, w->font()));
    }

    // A walk fills no list of recent files; the table proposes the picture's name and starts
    // with a byte-order mark, its headers naming their units.
    void walksAndTables()
    {
        Window w;
        w.open(first_);
        keyClick(w, Qt::Key_Space);
        QCOMPARE(w->picturePath(), second_);
        QCOMPARE(w->instrument<RecentFiles>()->files(), QStringList{first_});
        w->cboUnit->setListIndex(units::kCentimetres);
        w.measurements().add(Measurement{Kind::Box, QPoint(1, 1), QPoint(38, 38), {}, 0, 0});
        const QString csv = dir_->filePath("t.csv");
        QVERIFY(w->instrument<MeasurementList>()->saveCsv(csv));
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readLine(),
                 QByteArray("\xEF\xBB\xBF编号,类型,x1 (px),y1 (px),x2 (px),y2 (px),Δx 或宽 (cm),"
                            "Δy 或高 (cm),长度或面积 (cm 或 cm²),角度 (°),颜色,单位,对比度\r\n"));
        const QByteArray row = file.readLine();
        QVERIFY2(row.startsWith("1,矩形,1,1,38,38,") && row.endsWith(",,,cm,\r\n"), row.data());
    }
};

QTEST_MAIN(tst_KeptWork)
#include "tst_kept_work.moc"
