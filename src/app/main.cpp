#include "viewer/main_window.h"

#include <QApplication>
#include <QStringList>
#include <QTimer>

int main(int argc, char* argv[])
{
    // One image pixel is one screen pixel at factor 1: a measuring tool must not let the
    // platform scale the window.
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quarnet"));
    QApplication::setApplicationVersion(QStringLiteral("1.00"));

    frmVelmora window;
    window.show();

    // A file named on the command line opens once the window is up, through the same
    // loading path as the Open button.
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1) {
        const QString path = arguments.at(1);
        QTimer::singleShot(
            0, &window, [&window, path] { window.runHandler([&] { window.OpenPicture(path); }); });
    }
    return QApplication::exec();
}
