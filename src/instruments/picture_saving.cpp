#include "instruments/picture_saving.h"

#include "filedlg/file_dlg.h"
#include "instruments/save_places.h"
#include "instruments/scratch_picture.h"
#include "toolkit/services.h"

#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QMenu>
#include <QSaveFile>
#include <QSettings>

namespace
{

const QString kFolderKey = QStringLiteral("save/folder");

} // namespace

PictureSaving::PictureSaving(frmVelmora& window, const ScratchPicture& made)
    : Instrument(window), made_(made)
{
    setObjectName(QStringLiteral("pictureSaving"));
    claimKey(QKeySequence::Save, [this] {
        if (this->window().picture().isNull())
            return false;
        // The dialog runs once the key's own handling is done.
        afterThisEvent([this] { saveAs(); });
        return true;
    });
}

QString PictureSaving::proposedName() const
{
    return save_places::nameOf(window(), made_) + QStringLiteral(".png");
}

void PictureSaving::saveAs()
{
    if (window().picture().isNull())
        return;
    const QString folder = save_places::folderFor(window(), kFolderKey);
    OptionalText name = proposedName();
    const QString path = clsFileDlg().ShowSave(quintptr(dialogOwner()->winId()), &name,
                                               tr("PNG 图像 (*.png)") + QStringLiteral("|*.png"), 1,
                                               folder, QStringLiteral("png"), tr("另存为"));
    if (path.isEmpty())
        return;
    QSettings().setValue(kFolderKey, QFileInfo(path).absolutePath());
    save(path);
}

bool PictureSaving::save(const QString& path)
{
    const QImage picture = window().picture();
    if (picture.isNull())
        return false;
    // Written whole or not at all: a failure leaves a file already there as it was.
    QSaveFile file(path);
    QImageWriter writer(&file, "png");
    if (!file.open(QIODevice::WriteOnly) || !writer.write(picture) || !file.commit()) {
        const QString why = writer.error() != QImageWriter::UnknownError ? writer.errorString()
                                                                         : file.errorString();
        toolkit::MsgBox(dialogOwner(),
                        tr("无法保存 %1：%2").arg(QDir::toNativeSeparators(path), why));
        return false;
    }
    // Read back as the file it now is, keeping what lies on it and the view.
    reopenPicture(path);
    return true;
}

void PictureSaving::addMenuEntries(QMenu& menu, QPointF /*inViewport*/)
{
    if (window().picture().isNull())
        return;
    addMenuEntry(menu, tr("另存为…"), [this] { saveAs(); })->setShortcut(QKeySequence::Save);
}
