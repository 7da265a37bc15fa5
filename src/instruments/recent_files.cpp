#include "instruments/recent_files.h"

#include "instruments/picture_opening.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>

namespace
{

const QString kFilesKey = QStringLiteral("recent/files");

} // namespace

RecentFiles::RecentFiles(frmVelmora& window, const PictureOpening& opening)
    : Instrument(window), opening_(opening)
{
    setObjectName(QStringLiteral("recentFiles"));
}

void RecentFiles::pictureChanged()
{
    if (window().pictureFrom() == PictureView::From::File && !opening_.walking)
        remember(window().picturePath());
}

QStringList RecentFiles::files() const
{
    return QSettings().value(kFilesKey).toStringList();
}

void RecentFiles::remember(const QString& path)
{
    const QString full = QFileInfo(path).absoluteFilePath();
    QStringList list = files();
    list.removeAll(full);
    list.prepend(full);
    QSettings().setValue(kFilesKey, list.mid(0, kKept));
}

void RecentFiles::forget(const QString& path)
{
    QStringList list = files();
    list.removeAll(path);
    QSettings().setValue(kFilesKey, list);
}

bool RecentFiles::open(const QString& path)
{
    if (!QFileInfo::exists(path)) {
        forget(path);
        showBriefNote(tr("%1 已不在，已从最近的文件中去掉").arg(QFileInfo(path).fileName()));
        return false;
    }
    openPicture(path);
    return true;
}

void RecentFiles::addMenuEntries(QMenu& menu, QPointF /*inViewport*/)
{
    const QStringList list = files();
    QMenu* recent = menu.addMenu(tr("最近的文件"));
    recent->setEnabled(!list.isEmpty());
    for (const QString& path : list) {
        const QFileInfo info(path);
        // The name first, where the eye looks; the folder after it to tell alike names apart.
        QAction* entry = addMenuEntry(
            *recent,
            tr("%1  (%2)").arg(info.fileName(), QDir::toNativeSeparators(info.absolutePath())),
            [this, path] { open(path); });
        entry->setData(path);
    }
}
