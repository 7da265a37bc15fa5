#include "instruments/save_places.h"

#include "instruments/scratch_picture.h"
#include "viewer/picture_view.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace save_places
{

QString nameOf(const PictureView& view, const ScratchPicture& made)
{
    const QString path = view.picturePath();
    QString name = made.fileNameOf(path);
    if (name.isEmpty() && view.pictureFrom() == PictureView::From::Clipboard)
        name =
            QCoreApplication::translate("PictureSaving", "剪贴板 %1")
                .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH-mm-ss")));
    if (name.isEmpty())
        name = QFileInfo(path).completeBaseName();
    return name;
}

QString folderFor(const PictureView& view, const QString& lastKey)
{
    QString folder = view.pictureFrom() == PictureView::From::File
                         ? QFileInfo(view.picturePath()).absolutePath()
                         : QSettings().value(lastKey).toString();
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return folder;
}

} // namespace save_places
