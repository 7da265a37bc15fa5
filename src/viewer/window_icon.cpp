#include "viewer/window_icon.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace
{

// The installed scalable icon, compiled in (desktop/icons/quarnet.svg).
const QString kIconResource = QStringLiteral(":/icons/quarnet.svg");

} // namespace

QIcon makeWindowIcon()
{
    QSvgRenderer drawing(kIconResource);
    QIcon icon;
    if (!drawing.isValid())
        return icon;
    for (const int side : {16, 32, 48, 64}) {
        QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        drawing.render(&painter);
        painter.end();
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}
