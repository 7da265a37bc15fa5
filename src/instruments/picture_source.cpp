#include "instruments/picture_source.h"

#include "instruments/clipboard_picture.h"
#include "instruments/scratch_picture.h"
#include "toolkit/picture_decoder.h"
#include "toolkit/runtime_error.h"

#include <QBuffer>
#include <QClipboard>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>
#include <utility>

namespace
{

// Changes to a file come in bursts as it is written: read it once they have settled.
constexpr int kSettleMs = 150;

// The picture types a clipboard may hold, as they are written to a file for loading.
QString stampOf(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QString();
    return QString::number(info.size()) + QLatin1Char('@') +
           QString::number(info.lastModified().toMSecsSinceEpoch());
}

// Whether the file reads whole now, as the window would read it: one cut short is being
// written still.
bool readsNow(const QString& path)
{
    try {
        bool cutShort = false;
        return !toolkit::LoadPicture(path, &cutShort).isNull() && !cutShort;
    } catch (const toolkit::RuntimeError&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// A pasted picture's file is named after the run that wrote it ("pasted-1234-1.png"): the
// process number, unless that process still runs.
bool writtenByAnEndedRun(const QString& name)
{
    static const QRegularExpression kPasted(QStringLiteral("^(?:pasted|made)-(\\d+)-\\d+\\."));
    const QRegularExpressionMatch match = kPasted.match(name);
    if (!match.hasMatch())
        return false;
    const qint64 pid = match.captured(1).toLongLong();
    return pid != QCoreApplication::applicationPid() &&
           !QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid));
}

} // namespace

QString PictureSource::pastedFolder()
{
    // Without a runtime folder of the session's, Qt would make one in /tmp and complain.
    const bool runtime = !qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR");
    return QStandardPaths::writableLocation(runtime ? QStandardPaths::RuntimeLocation
                                                    : QStandardPaths::CacheLocation) +
           QStringLiteral("/quarnet-pasted");
}

PictureSource::PictureSource(frmVelmora& window, const ScratchPicture& made)
    : Instrument(window), made_(made)
{
    // What runs that were killed left behind goes now; the files of one still running stay.
    QDir pasted(pastedFolder());
    for (const QString& name : pasted.entryList(QDir::Files))
        if (writtenByAnEndedRun(name))
            pasted.remove(name);
    setObjectName(QStringLiteral("pictureSource"));
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    retry_.setSingleShot(true);
    retry_.setInterval(kRetryEveryMs);
    connect(&settle_, &QTimer::timeout, this, &PictureSource::changedOnDisk);
    connect(&retry_, &QTimer::timeout, this, &PictureSource::retry);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, &settle_, qOverload<>(&QTimer::start));
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, &settle_,
            qOverload<>(&QTimer::start));
    claimKey(QKeySequence::Paste, [this] {
        paste();
        return true;
    });
    claimKey(QKeySequence(Qt::Key_F5), [this] { return reload(); });
}

PictureSource::~PictureSource()
{
    if (!pastedFile_.isEmpty())
        QFile::remove(pastedFile_);
}

void PictureSource::pictureChanged()
{
    pasted_ = window().pictureFrom() == PictureView::From::Clipboard;
    file_ = pasted_ ? QString() : window().picturePath();
    stamp_ = stampOf(file_);
    retry_.stop();
    // A file that would not load is still named: it is where the person is in the folder.
    const QString failed = window().failedPath();
    if (pasted_) {
        const QString made = made_.captionOf(window().picturePath());
        setCaptionNote(made.isEmpty() ? tr("剪贴板") : made);
    } else if (file_.isEmpty() && !failed.isEmpty())
        setCaptionNote(tr("%1（无法读取）").arg(failedName(failed)));
    else
        setCaptionNote(QFileInfo(file_).fileName());
    follow();
}

QString PictureSource::failedName(const QString& failed) const
{
    if (failed == pastedFile_)
        return tr("剪贴板");
    const QString made = made_.captionOf(failed);
    return made.isEmpty() ? QFileInfo(failed).fileName() : made;
}

void PictureSource::follow()
{
    if (!watcher_.files().isEmpty())
        watcher_.removePaths(watcher_.files());
    if (!watcher_.directories().isEmpty())
        watcher_.removePaths(watcher_.directories());
    if (file_.isEmpty())
        return;
    // The folder too: a file saved by writing another and renaming it over this one, or
    // deleted and written anew, is no longer the file first watched.
    watcher_.addPath(file_);
    watcher_.addPath(QFileInfo(file_).absolutePath());
}

void PictureSource::changedOnDisk()
{
    if (file_.isEmpty())
        return;
    const QString stamp = stampOf(file_);
    if (stamp.isEmpty()) {
        // Gone: the picture stays, and the caption says so.
        setCaptionNote(tr("%1（文件已不在）").arg(QFileInfo(file_).fileName()));
        return;
    }
    if (!watcher_.files().contains(file_))
        watcher_.addPath(file_);
    if (stamp == stamp_ || retry_.isActive())
        return;
    setCaptionNote(QFileInfo(file_).fileName());
    retrying_.start();
    retry();
}

void PictureSource::retry()
{
    // A file still being written does not read yet: try again shortly, and let the load
    // error show only once it has had a few seconds.
    if (!readsNow(file_) && retrying_.elapsed() < kRetryForMs) {
        retry_.start();
        return;
    }
    // One change, as F5 makes it: the picture, its factor and its place at once.
    runGuarded([this] { reload(); });
}

bool PictureSource::reload()
{
    if (file_.isEmpty())
        return false;
    retry_.stop();
    // A file that has gone leaves the picture and its measurements as they are.
    if (!QFileInfo::exists(file_)) {
        note(tr("%1 已不在，无法重新载入").arg(QFileInfo(file_).fileName()));
        setCaptionNote(tr("%1（文件已不在）").arg(QFileInfo(file_).fileName()));
        return true;
    }
    // What lies on the picture and still fits the new one stays: the instruments keeping it
    // hear reopened().
    reopenPicture(file_);
    return true;
}

bool PictureSource::paste()
{
    const auto held = clipboardPicture();
    if (!held) {
        note(tr("剪贴板里没有图像"));
        return false;
    }
    // A copied file opens as that file, with its name.
    if (!held->file.isEmpty()) {
        openPicture(held->file);
        return true;
    }
    // A new name each time, so a reload of the one before cannot read this one.
    const QString path = writtenToFile(*held, pastedFolder(), QStringLiteral("pasted"), ++pastes_);
    if (path.isEmpty()) {
        note(tr("无法保存剪贴板里的图像"));
        return false;
    }
    // The picture pasted before is no longer shown, whether or not this one loads.
    if (const QString before = std::exchange(pastedFile_, path); !before.isEmpty())
        QFile::remove(before);
    showPastedPicture(path);
    return true;
}

void PictureSource::note(const QString& text)
{
    lastNote_ = text;
    showBriefNote(text);
}

void PictureSource::addMenuEntries(QMenu& menu, QPointF /*inViewport*/)
{
    menu.addSeparator();
    addMenuEntry(menu, tr("粘贴"), [this] { paste(); })->setShortcut(QKeySequence::Paste);
    QAction* again = addMenuEntry(menu, tr("重新载入"), [this] { reload(); });
    again->setShortcut(QKeySequence(Qt::Key_F5));
    again->setEnabled(!file_.isEmpty());
}
