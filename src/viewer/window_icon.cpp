#include "viewer/window_icon.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>

QIcon makeWindowIcon()
{
    QImage icon(16, 16, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    const QColor cyan(128, 255, 255), grey(160, 160, 160), blue(0, 0, 221), red(255, 0, 0);
    // An L of two ruler strips, ticks every two pixels, long ones every eight.
    painter.fillRect(0, 0, 16, 5, cyan);
    painter.fillRect(0, 0, 5, 16, cyan);
    painter.setPen(grey);
    for (int i = 5; i < 16; i += 2) {
        const int length = (i - 5) % 8 == 0 ? 4 : 2;
        painter.drawLine(i, 0, i, length - 1);
        painter.drawLine(0, i, length - 1, i);
    }
    painter.setPen(blue);
    painter.drawRect(0, 0, 15, 15);
    // The pointer markers.
    painter.fillRect(10, 1, 1, 4, red);
    painter.fillRect(1, 10, 4, 1, red);
    painter.fillRect(6, 6, 9, 9, QColor(255, 255, 255));
    painter.fillRect(10, 10, 1, 1, red);
    painter.end();
    return QIcon(QPixmap::fromImage(icon));
}
