// Where a tool window goes the first time it shows: beside the viewer where the screen has
// room, never over it while there is room elsewhere, and always on the screen.
#include "instruments/tool_window.h"
#include "support/test_support.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

class tst_ToolWindow : public QObject
{
    Q_OBJECT

private slots:
    void placedBesideTheViewer_data()
    {
        QTest::addColumn<QRect>("viewer"); // as a share of the screen, in hundredths
        QTest::addColumn<QSize>("tool");
        QTest::addColumn<bool>("roomBeside");
        QTest::newRow("room on the right") << QRect(0, 0, 50, 50) << QSize(101, 77) << true;
        QTest::newRow("at the right edge: on the left")
            << QRect(40, 10, 60, 50) << QSize(101, 77) << true;
        QTest::newRow("as wide as the screen: below")
            << QRect(0, 0, 100, 40) << QSize(333, 99) << true;
        QTest::newRow("at the bottom, as wide: above")
            << QRect(0, 60, 100, 40) << QSize(333, 99) << true;
        QTest::newRow("the whole screen: over it, on the screen")
            << QRect(0, 0, 100, 100) << QSize(333, 99) << false;
    }

    void placedBesideTheViewer()
    {
        QFETCH(QRect, viewer);
        QFETCH(QSize, tool);
        QFETCH(bool, roomBeside);
        const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
        const auto share = [&](int hundredths, int of) { return of * hundredths / 100; };
        QWidget window;
        window.setGeometry(room.left() + share(viewer.left(), room.width()),
                           room.top() + share(viewer.top(), room.height()),
                           share(viewer.width(), room.width()),
                           share(viewer.height(), room.height()));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        ToolWindow placed(&window, QStringLiteral("placing"), ToolWindow::Level::Top);
        placed.resize(tool);
        placed.setShown(true);
        const QRect at = placed.frameGeometry();
        QVERIFY2(room.contains(at), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                   .arg(at.x())
                                                   .arg(at.y())
                                                   .arg(at.width())
                                                   .arg(at.height())));
        QCOMPARE(!at.intersects(window.frameGeometry()), roomBeside);
    }
};

QTEST_MAIN(tst_ToolWindow)
#include "tst_tool_window.moc"
