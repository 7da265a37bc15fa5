// Where a tool window goes the first time it shows: beside the viewer where the screen has
// room, else where it covers least of the viewer, always on the screen; and above the viewer.
#include "instruments/tool_window.h"

#include <QApplication>
#include <QScreen>
#include <QTest>

class tst_ToolWindow : public QObject
{
    Q_OBJECT

private slots:
    void placedBesideTheViewer_data()
    {
        QTest::addColumn<QRect>("viewer"); // in hundredths of the screen
        QTest::addColumn<QSize>("tool");
        QTest::addColumn<QString>("side");
        QTest::newRow("room on the right") << QRect(0, 0, 50, 50) << QSize(101, 77) << "right";
        QTest::newRow("at the right edge") << QRect(40, 10, 60, 50) << QSize(101, 77) << "left";
        QTest::newRow("as wide as the screen") << QRect(0, 0, 100, 40) << QSize(333, 99) << "below";
        QTest::newRow("at the bottom, as wide")
            << QRect(0, 60, 100, 40) << QSize(333, 99) << "above";
        QTest::newRow("the whole screen") << QRect(0, 0, 100, 100) << QSize(333, 99) << "over";
    }

    void placedBesideTheViewer()
    {
        QFETCH(QRect, viewer);
        QFETCH(QSize, tool);
        const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
        QWidget window;
        window.setGeometry(QTransform::fromScale(room.width() / 100.0, room.height() / 100.0)
                               .mapRect(viewer)
                               .translated(room.topLeft()));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        ToolWindow placed(&window, QStringLiteral("placing"), ToolWindow::Level::Top);
        placed.resize(tool);
        placed.setShown(true);
        const QRect at = placed.frameGeometry();
        const QRect v = window.frameGeometry();
        QVERIFY2(room.contains(at), qPrintable(QDebug::toString(at)));
        QTEST(QString(at.left() > v.right()   ? "right"
                      : at.right() < v.left() ? "left"
                      : at.top() > v.bottom() ? "below"
                      : at.bottom() < v.top() ? "above"
                                              : "over"),
              "side");
        // Raised whenever the viewer comes to the front: this platform says it cannot raise.
        QTest::ignoreMessage(QtWarningMsg, "This plugin does not support raise()");
        QEvent activated(QEvent::WindowActivate);
        QApplication::sendEvent(&window, &activated);
    }
};

QTEST_MAIN(tst_ToolWindow)
#include "tst_tool_window.moc"
