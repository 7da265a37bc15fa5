#include "instruments/crop_tool.h"

#include "instruments/measurement_store.h"
#include "instruments/scratch_picture.h"

#include <QFileInfo>
#include <QMenu>
#include <algorithm>

CropTool::CropTool(frmVelmora& window, const MeasurementStore& measurements, ScratchPicture& made)
    : Instrument(window), measurements_(measurements), made_(made)
{
    setObjectName(QStringLiteral("cropTool"));
}

std::optional<QRect> CropTool::selectedBox() const
{
    if (measurements_.selection().size() != 1)
        return std::nullopt;
    const auto& box = measurements_.at(measurements_.selection().front());
    if (box.kind != measurement::Kind::Box)
        return std::nullopt;
    // Both corners are the box's own pixels, whichever way it was dragged.
    const QRect pixels =
        QRect(QPoint(std::min(box.from.x(), box.to.x()), std::min(box.from.y(), box.to.y())),
              QPoint(std::max(box.from.x(), box.to.x()), std::max(box.from.y(), box.to.y()))) &
        QRect(QPoint(), window().imageSize());
    if (pixels.isEmpty())
        return std::nullopt;
    return pixels;
}

bool CropTool::crop()
{
    const auto box = selectedBox();
    const QImage picture = window().picture();
    if (!box || picture.isNull())
        return false;
    // The crop keeps the resolution its picture records, so inches read the same on it.
    const units::PixelsPerInch ppi{picture.dotsPerMeterX() * units::kMetresPerInch,
                                   picture.dotsPerMeterY() * units::kMetresPerInch};
    const QString source = window().pictureFrom() == PictureView::From::File
                               ? QFileInfo(window().picturePath()).completeBaseName()
                               : captionNote();
    ++crops_;
    const QString path =
        made_.write(picture.copy(*box), ppi, tr("%1 的裁剪 %2").arg(source).arg(crops_),
                    tr("%1 裁剪 %2").arg(source).arg(crops_));
    if (path.isEmpty()) {
        showBriefNote(tr("无法裁剪：无法写入临时文件"));
        return false;
    }
    showPastedPicture(path);
    return true;
}

void CropTool::addMenuEntries(QMenu& menu, QPointF /*inViewport*/)
{
    // Only where there is a box to crop to.
    if (window().picture().isNull() || !selectedBox())
        return;
    addMenuEntry(menu, tr("裁剪到此框"), [this] { crop(); });
}
