#include "filedlg/file_dlg.h"
#include "toolkit/gdi.h"
#include "toolkit/picture_decoder.h"
#include "toolkit/services.h"
#include "viewer/main_window.h"
#include "viewer/numbers.h"
#include "viewer/units.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QSettings>
#include <QUrl>
#include <algorithm>
#include <cstdio>

using namespace toolkit;

namespace
{

const QString kLoadErrorMessage =
    QStringLiteral("Error occurred on loading picture.  Probably incoming image is of\r\n"
                   "a size greater than PictureBox can handle.");

const QString kSizePrefix = QStringLiteral("图像尺寸  ");
const QString kOpenFilterKey = QStringLiteral("open/filter");
const QString kOpenFolderKey = QStringLiteral("open/folder");

// The dialog's entries: the three formats the window was made for, first, then every format
// the program reads, so that a screenshot in PNG can be opened too.
QString openDialogFilter()
{
    return QStringLiteral("(bmp/jpg/gif)|*.bmp;*.gif;*.jpg|") +
           QCoreApplication::translate("frmVelmora", "所有可读的图像") + QLatin1Char('|') +
           readablePatterns().join(QLatin1Char(';')) + QLatin1Char('|');
}

// One line on standard error about a file, named as it was given. The message box says the
// same whatever went wrong; this line says what did.
void printAboutFile(const QString& path, const QString& what)
{
    std::fprintf(stderr, "quarnet: %s: %s\n", QFile::encodeName(path).constData(),
                 what.toLocal8Bit().constData());
}

} // namespace

QString loadErrorMessage()
{
    return kLoadErrorMessage;
}

void frmVelmora::cmdOpen_Click()
{
    const auto owner = quintptr(winId());
    if (!fileDlg)
        fileDlg = std::make_unique<clsFileDlg>();
    OptionalText filename = QString("");
    // The entry and the folder chosen last time, if any; the first entry otherwise.
    QSettings settings;
    qint32 filterIndex = std::clamp(settings.value(kOpenFilterKey, 1).toInt(), 1, 2);
    const QString folder = settings.value(kOpenFolderKey).toString();
    const QString path =
        fileDlg->ShowOpen(owner, &filename, openDialogFilter(), false, true, false, false,
                          filterIndex, folder.isEmpty() ? std::nullopt : OptionalText(folder),
                          QString(""), std::nullopt, std::nullopt, 0, &filterIndex);
    if (path.isEmpty())
        return; // cancelled: nothing changes, not even the labels
    settings.setValue(kOpenFilterKey, filterIndex);
    settings.setValue(kOpenFolderKey, QFileInfo(path).absolutePath());
    LoadChosenFile(path);
}

void frmVelmora::OpenPicture(const QString& path)
{
    LoadChosenFile(path);
}

void frmVelmora::OpenPastedPicture(const QString& path)
{
    pastedPath_ = path;
    LoadChosenFile(path);
}

void frmVelmora::ReopenPicture(const QString& path)
{
    const Zoom factor = zoom_;
    const qint16 across = hsrDisp->Value();
    const qint16 down = vsrDisp->Value();
    LoadChosenFile(path);
    if (!picOrig->hasPicture())
        return;
    reopened_ = true;
    // Loading starts again at factor 1 and the top left: the factor the person had, and the
    // bars where they were as far as the new picture reaches, as a resize puts them back.
    SetFactor(factor);
    RestoreScrollPositions(across, down);
    // The pointer rests where it was: the readout says what lies under it now.
    RefreshPointerReadout();
}

void frmVelmora::LoadChosenFile(const QString& path)
{
    // The zoom a picture file was left at comes back with it, below.
    if (pictureFrom() == From::File)
        zoomOfPicture_.insert(picturePath_, zoom_);
    // Whatever comes of it, what was shown is gone: instruments hear of a new picture.
    ++loads_;
    reopened_ = false;
    try {
        lblImageSize->setCaption(QString());
        lblXY->setCaption(QString());
        lblCutShort->setVisible(false);

        // Back to factor 1 without running the magnification.
        busy = -1;
        cboMagnify->setListIndex(0);
        busy = 0;

        imageWidth = 0;
        imageHeight = 0;
        magnification = 1;
        zoom_ = Zoom{};
        meansOf_.clear();

        picturePath_.clear();
        failedPath_.clear();
        bool cutShort = false;
        picOrig->setPicture(LoadPicture(path, &cutShort));
        // From here on picOrig holds a plain bitmap, whatever the file's format was.
        picOrig->setPicture(picOrig->Image());
        imageWidth = numbers::CLng(picOrig->ScaleWidth());
        imageHeight = numbers::CLng(picOrig->ScaleHeight());

        LeaveDrawingOnDemand();
        picDisp->setPicture(QImage());
        picDisp->setWidth(picDisp->Width() - picDisp->ScaleWidth() + picOrig->ScaleWidth());
        picDisp->setHeight(picDisp->Height() - picDisp->ScaleHeight() + picOrig->ScaleHeight());
        picDisp->setPicture(picDisp->Image());
        BitBlt(picDisp->hDC(), 0, 0, imageWidth, imageHeight, picOrig->hDC(), 0, 0, SRCCOPY);

        ShowImageSize();
        SetupScrollBars();
        PlacePicture();
        ckbShowRulers_Click();
        picturePath_ = path;
        // What could be read is shown, and said to be no more than that, for as long as it is.
        if (cutShort) {
            printAboutFile(path, QStringLiteral("the file ends early; only part of the picture "
                                                "could be read"));
            lblCutShort->setVisible(true);
        }
    } catch (const RuntimeError& error) {
        printAboutFile(path, error.text());
        failedPath_ = path;
        RecoverFromFailedLoad();
    } catch (const std::bad_alloc&) {
        printAboutFile(path, QStringLiteral("Out of memory"));
        failedPath_ = path;
        RecoverFromFailedLoad();
    }
    // Beyond 1 and 2 only: at those a load starts at 1, as it always has.
    const Zoom left = zoomOfPicture_.value(path);
    if (picOrig->hasPicture() && picturePath_ == path && !isSpecifiedFactor(left))
        ZoomTo(left, viewportCentre());
    // However the picture came, the keyboard is the picture's, as in any viewer: Space walks
    // on and the arrows scroll at once, instead of pressing a button that kept the focus.
    picDisp->setFocus(Qt::OtherFocusReason);
}

void frmVelmora::RecoverFromFailedLoad()
{
    busy = 0;
    // A step after the size text, or a readout let through by a yield, may have written a
    // label already; it must not describe a picture that is gone.
    lblImageSize->setCaption(QString());
    lblXY->setCaption(QString());
    lblCutShort->setVisible(false);
    picOrig->setPicture(QImage());
    LeaveDrawingOnDemand();
    zoom_ = Zoom{};
    meansOf_.clear();
    picDisp->setPicture(QImage());
    picDisp->Move(0, 0, picDispBase->Width(), picDispBase->Height());
    // Nothing is shown now, so nothing of the picture that was stays in memory: not the one
    // as loaded, nor the one magnified, nor a buffer kept for the next drawing.
    picOrig->releaseBlankBuffer();
    picDisp->releaseBlankBuffer();
    PlaceRulers();
    // Instruments hear that the picture has gone before the box waits for its OK: the loupe
    // and the measurements must not go on showing it behind the box.
    host_.tellWhatChanged();
    MsgBox(this, kLoadErrorMessage);
}

void frmVelmora::ShowImageSize()
{
    const int unit = cboUnit->ListIndex();
    QString unitName;
    switch (unit) {
    case units::kPixels:
        unitName = QStringLiteral("像素");
        break;
    case units::kInches:
        unitName = QStringLiteral("英寸");
        break;
    case units::kCentimetres:
        unitName = QStringLiteral("厘米");
        break;
    default:
        return; // nothing selected: the text stays as it is
    }
    const units::PixelsPerInch perInch = pixelsPerInch();
    const QString size = kSizePrefix + units::lengthText(unit, imageWidth, perInch.x) +
                         QStringLiteral(" x ") + units::lengthText(unit, imageHeight, perInch.y);
    if (unit == units::kPixels || !inchBasis_) {
        lblImageSize->setCaption(size + QStringLiteral("  (%1)").arg(unitName));
        lblImageSize->setToolTip(QString());
        return;
    }
    // The basis by its whole name where the label has room for it, else by its brief one,
    // with the whole one a pointer's rest away: the text never runs into the readout.
    const auto named = [&](const QString& basis) {
        return size + tr("  (%1, %2)").arg(unitName, basis);
    };
    QString text = named(inchBasis_->name);
    for (const QString& shorter : inchBasis_->shorter)
        if (lblImageSize->fontMetrics().horizontalAdvance(text) > lblImageSize->width())
            text = named(shorter);
    lblImageSize->setCaption(text);
    lblImageSize->setToolTip(named(inchBasis_->name).trimmed());
}

QString frmVelmora::droppedFile(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return QString();
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.first().isLocalFile())
        return QString();
    const QString path = urls.first().toLocalFile();
    if (path.isEmpty() || QFileInfo(path).isDir())
        return QString();
    return path;
}
