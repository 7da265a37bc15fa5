// The list of measurements beside a real window: it follows what is kept, selects in both
// directions, removes, and saves CSV or says why it could not.
#include "filedlg/file_dlg.h"
#include "instruments/measure_tool.h"
#include "instruments/measurement_list.h"
#include "support/test_support.h"

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QApplication>
#include <QFile>
#include <QItemSelectionModel>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using measurement::Kind;
using measurement::Measurement;
using testing::Window;

namespace
{

using Action = std::function<void(Window&, MeasurementStore&)>;

// Three measurements: a line, a box, a point.
void keepThree(MeasurementStore& kept)
{
    kept.add({Kind::Line, {10, 10}, {130, 10}, {}, 0});
    kept.add({Kind::Box, {20, 40}, {59, 49}, {}, 0});
    kept.add({Kind::Point, {100, 50}, {100, 50}, {}, qRgb(0x8C, 0x6E, 0x80)});
}

// The list's column of numbers and of kinds, a row each.
QStringList listed(const QTableView& table)
{
    QStringList rows;
    const QAbstractItemModel& model = *table.model();
    for (int row = 0; row < model.rowCount(); ++row)
        rows << model.index(row, 0).data().toString() + QLatin1Char(' ') +
                    model.index(row, 1).data().toString();
    return rows;
}

} // namespace

class tst_MeasurementList : public QObject
{
    Q_OBJECT
    QTemporaryDir dir_;
    QString picture_;

private slots:
    void initTestCase()
    {
        QImage image(300, 120, QImage::Format_RGB32);
        image.fill(qRgb(0x8C, 0x6E, 0x80));
        picture_ = testing::writeImage(dir_, QStringLiteral("listed.bmp"), image);
    }

    void removing_data()
    {
        QTest::addColumn<Action>("action");
        QTest::addColumn<QStringList>("left");

        QTest::newRow("Esc: the last")
            << Action([](Window& w, MeasurementStore&) { QTest::keyClick(&*w, Qt::Key_Escape); })
            << QStringList{"1 线段", "2 矩形"};
        QTest::newRow("Delete: the selected, the rest numbered anew")
            << Action([](Window& w, MeasurementStore& kept) {
                   kept.setSelection({0, 1});
                   QTest::keyClick(&*w, Qt::Key_Delete);
               })
            << QStringList{"1 点"};
        // The window's keys reach it from the list as well: a key of the list's own beside
        // them would make both ambiguous, and the key would do nothing.
        QTest::newRow("Delete in the list: the selected")
            << Action([](Window& w, MeasurementStore& kept) {
                   QTableView& table = *w->instrument<MeasurementList>()->table();
                   table.window()->show();
                   QApplication::setActiveWindow(table.window());
                   table.setFocus();
                   kept.setSelection({2});
                   QTest::keyClick(&table, Qt::Key_Delete);
               })
            << QStringList{"1 线段", "2 矩形"};
        QTest::newRow("Delete with none selected: nothing")
            << Action([](Window& w, MeasurementStore&) { QTest::keyClick(&*w, Qt::Key_Delete); })
            << QStringList{"1 线段", "2 矩形", "3 点"};
        QTest::newRow("the list's button: all") << Action([](Window& w, MeasurementStore&) {
            for (auto* button : w->findChildren<QAbstractButton*>())
                if (button->text() == QStringLiteral("全部清除"))
                    button->click();
        }) << QStringList{};
    }

    void removing()
    {
        QFETCH(Action, action);
        Window w({96, 96}, Qt::FramelessWindowHint);
        w.open(picture_);
        MeasurementStore& kept = w.measurements();
        keepThree(kept);
        action(w, kept);
        // A button's work runs once its click has been handled.
        QCoreApplication::processEvents();
        QTEST(listed(*w->instrument<MeasurementList>()->table()), "left");
        QCOMPARE(kept.count(), listed(*w->instrument<MeasurementList>()->table()).size());
    }

    // A row picked in the list is the measurement picked on the picture, and a click on a
    // measurement picks its row.
    void selectsBothWays()
    {
        Window w({96, 96}, Qt::FramelessWindowHint);
        w.open(picture_);
        MeasureTool& tool = *w->instrument<MeasureTool>();
        MeasurementStore& kept = w.measurements();
        keepThree(kept);
        QTableView& table = *w->instrument<MeasurementList>()->table();

        table.selectRow(1);
        QCOMPARE(kept.selection(), std::vector<int>{1});
        QCOMPARE(tool.figuresText(), QStringLiteral("宽 40  高 10  面积 400 px²"));

        // Beside the line, two screen pixels under it: the line, not the box below.
        QTest::mouseClick(w->picDisp, Qt::LeftButton, {}, QPoint(70, 12));
        QCOMPARE(kept.selection(), std::vector<int>{0});
        QCOMPARE(table.selectionModel()->selectedRows().size(), 1);
        QCOMPARE(table.selectionModel()->selectedRows().constFirst().row(), 0);
        QCOMPARE(kept.count(), 3);

        // Off every measurement: none selected, all kept.
        QTest::mouseClick(w->picDisp, Qt::LeftButton, {}, QPoint(250, 100));
        QVERIFY(kept.selection().empty());
        QVERIFY(!table.selectionModel()->hasSelection());
        QCOMPARE(kept.count(), 3);
    }

    void savesCsv_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("written");
        QTest::addColumn<QString>("dialog"); // the list's button, chosen or cancelled; or none
        QTest::newRow("a file") << "测量.csv" << true << "";
        QTest::newRow("in a folder that does not exist") << "missing/测量.csv" << false << "";
        QTest::newRow("the button, a name chosen") << "chosen.csv" << true << "chosen";
        QTest::newRow("the button, cancelled") << "cancelled.csv" << false << "cancelled";
    }

    void savesCsv()
    {
        QFETCH(QString, name);
        QFETCH(bool, written);
        QFETCH(QString, dialog);
        Window w({96, 96}, Qt::FramelessWindowHint);
        w.open(picture_);
        MeasurementStore& kept = w.measurements();
        keepThree(kept);
        const QString path = dir_.filePath(name);

        if (dialog.isEmpty()) {
            QCOMPARE(w->instrument<MeasurementList>()->saveCsv(path), written);
        } else {
            dialog == "chosen" ? w.dialog().answer(path) : w.dialog().cancel();
            for (auto* button : w->findChildren<QAbstractButton*>())
                if (button->text() == QStringLiteral("另存为 CSV…"))
                    button->click();
            QCoreApplication::processEvents();
            QCOMPARE(w.dialog().records().constLast().lpstrTitle, OptionalText("另存为 CSV"));
            QCOMPARE(TrimNull(w.dialog().records().constLast().lpstrFile), "listed 测量.csv");
            QCOMPARE(QSettings().value("measurements/folder").toString(),
                     written ? dir_.path() : "");
        }
        QFile file(path);
        QCOMPARE(file.open(QIODevice::ReadOnly), written);
        if (written) {
            const QByteArray bytes = file.readAll();
            QCOMPARE(
                bytes,
                QByteArray("\xEF\xBB\xBF编号,类型,x1 (px),y1 (px),x2 (px),y2 (px),Δx 或宽 (px),"
                           "Δy 或高 (px),长度或面积 (px 或 px²),角度 (°),颜色,单位,对比度\r\n"
                           "1,线段,10,10,130,10,120,0,120.00,0.00,,px,1.00:1 不达标\r\n"
                           "2,矩形,20,40,59,49,40,10,400,,,px,\r\n"
                           "3,点,100,50,,,,,,,#8C6E80,px,\r\n"));
        } else if (dialog.isEmpty()) {
            QVERIFY(w.messages().constLast().contains(QDir::toNativeSeparators(path)));
        }
        QCOMPARE(kept.count(), 3);
    }
};

QTEST_MAIN(tst_MeasurementList)
#include "tst_measurement_list.moc"
