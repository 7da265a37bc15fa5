#include "instruments/findings_export.h"

#include "filedlg/file_dlg.h"
#include "instruments/guides.h"
#include "instruments/measurement_store.h"
#include "instruments/save_places.h"
#include "instruments/scratch_picture.h"
#include "toolkit/services.h"

#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <QMenu>
#include <QMimeData>
#include <QSaveFile>
#include <QSettings>

namespace
{

const QString kFolderKey = QStringLiteral("export/folder");

} // namespace

FindingsExport::FindingsExport(frmVelmora& window, const MeasurementStore& store,
                               const Guides& guides, const ScratchPicture& made)
    : Instrument(window), store_(store), guides_(guides), made_(made)
{
    setObjectName(QStringLiteral("findingsExport"));
}

QImage FindingsExport::findingsPicture(int factor) const
{
    const findings::Findings found{store_.all(), guides_.shownOnes(), window().unit(),
                                   window().pixelsPerInch()};
    return findings::draw(window().picture(), found, factor, dialogOwner()->font());
}

QString FindingsExport::proposedName() const
{
    return tr("%1 测量.png").arg(save_places::nameOf(window(), made_));
}

void FindingsExport::exportAs()
{
    if (window().picture().isNull())
        return;
    const QString folder = save_places::folderFor(window(), kFolderKey);
    // The factor is the dialog's second file type, offered where it enlarges.
    const Zoom factor = window().factor();
    const bool enlarged =
        factor.in() && factor.times > 1 && findings::fits(factor.shown(window().imageSize()));
    QString types = tr("PNG 图像，原始大小 (*.png)") + QStringLiteral("|*.png");
    if (enlarged)
        types += QStringLiteral("|") + tr("PNG 图像，按当前倍数 %1× (*.png)").arg(factor.times) +
                 QStringLiteral("|*.png");
    OptionalText name = proposedName();
    qint32 chosen = 1;
    const QString path =
        clsFileDlg().ShowSave(quintptr(dialogOwner()->winId()), &name, types, 1, folder,
                              QStringLiteral("png"), tr("导出带测量的图像"), &chosen);
    if (path.isEmpty())
        return;
    QSettings().setValue(kFolderKey, QFileInfo(path).absolutePath());
    exportTo(path, enlarged && chosen == 2 ? factor.times : 1);
}

bool FindingsExport::exportTo(const QString& path, int factor)
{
    const QImage drawn = findingsPicture(factor);
    if (drawn.isNull())
        return false;
    // Written whole or not at all.
    QSaveFile file(path);
    QImageWriter writer(&file, "png");
    if (file.open(QIODevice::WriteOnly) && writer.write(drawn) && file.commit())
        return true;
    const QString why =
        writer.error() != QImageWriter::UnknownError ? writer.errorString() : file.errorString();
    toolkit::MsgBox(dialogOwner(), tr("无法保存 %1：%2").arg(QDir::toNativeSeparators(path), why));
    return false;
}

void FindingsExport::copy()
{
    const QImage drawn = findingsPicture(1);
    if (drawn.isNull())
        return;
    // As PNG for what pastes files' bytes, and as an image for the rest.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    drawn.save(&buffer, "PNG");
    auto* data = new QMimeData;
    data->setData(QStringLiteral("image/png"), png);
    data->setImageData(drawn);
    QGuiApplication::clipboard()->setMimeData(data);
    showBriefNote(tr("已复制带测量的图像（%1 × %2）").arg(drawn.width()).arg(drawn.height()));
}

void FindingsExport::addMenuEntries(QMenu& menu, QPointF /*inViewport*/)
{
    if (window().picture().isNull())
        return;
    addMenuEntry(menu, tr("导出带测量的图像…"), [this] { exportAs(); });
    addMenuEntry(menu, tr("复制带测量的图像"), [this] { copy(); });
}
