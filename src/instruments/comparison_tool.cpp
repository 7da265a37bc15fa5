#include "instruments/comparison_tool.h"

#include "filedlg/file_dlg.h"
#include "instruments/clipboard_picture.h"
#include "instruments/comparison.h"
#include "instruments/comparison_drawing.h"
#include "instruments/comparison_window.h"
#include "instruments/differences.h"
#include "instruments/measurement_store.h"
#include "instruments/picture_source.h"
#include "toolkit/picture_decoder.h"
#include "toolkit/runtime_error.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QSettings>
#include <cstdio>
#include <new>

namespace
{

const QString kFolderKey = QStringLiteral("compare/folder");
// Changes to a file come in bursts as it is written: read it once they have settled.
constexpr int kSettleMs = 250;
// B held repeats; the repeats are not more presses.
constexpr qint64 kBlinkRepeatMs = 150;
// B let go after this long was held, not pressed: the picture comes back.
constexpr qint64 kBlinkHeldMs = 300;

} // namespace

ComparisonTool::ComparisonTool(frmVelmora& window, Comparison& comparison,
                               MeasurementStore& measurements)
    : Instrument(window), comparison_(comparison), measurements_(measurements),
      view_(new ComparisonWindow(comparison, dialogOwner()))
{
    setObjectName(QStringLiteral("comparisonTool"));
    // Where it was is remembered; that it was shown is not, as there is nothing to compare
    // when the program starts.
    QSettings().setValue(QStringLiteral("comparison/shown"), false);
    view_->restore();
    addPictureMarks([this](QPainter& painter, const QRect& exposed) {
        comparison_drawing::draw(painter, exposed, this->window().picture(), comparison_,
                                 this->window().factor());
    });
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    countsDue_.setSingleShot(true);
    connect(&settle_, &QTimer::timeout, this, [this] {
        if (comparing() && !comparison_.file().isEmpty())
            runGuarded([this] { load(comparison_.file(), comparison_.file(), true); });
    });
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this] { settle_.start(); });
    connect(&countsDue_, &QTimer::timeout, this, &ComparisonTool::showCounts);
    connect(&comparison_, &Comparison::changed, this, &ComparisonTool::changed);
    connect(view_, &ComparisonWindow::endAsked, this,
            [this] { afterThisEvent([this] { end(); }); });
    connect(view_, &ComparisonWindow::alignAsked, this,
            [this] { afterThisEvent([this] { align(); }); });
    connect(view_, &ComparisonWindow::boxesAsked, this,
            [this] { afterThisEvent([this] { keepBoxes(); }); });

    claimKey(QKeySequence(Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_V),
             [this] { return compareWithClipboard(), true; });
    claimKey(QKeySequence(Qt::Key_D), [this] {
        if (!comparing())
            return false;
        comparison_.setMode(comparison_.mode() == Comparison::Mode::Difference
                                ? Comparison::Mode::Overlay
                                : Comparison::Mode::Difference);
        return true;
    });
    claimKey(QKeySequence(Qt::Key_B), [this] {
        if (!comparing())
            return false;
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        if (now - std::exchange(lastBlink_, now) > kBlinkRepeatMs) {
            comparison_.setAlone(!comparison_.alone());
            blinkPressed_ = now;
        }
        return true;
    });
    // The keys are shortcuts, which hear a press only: the release of a B held down is
    // watched for here, wherever the keyboard is.
    qApp->installEventFilter(this);
    for (int digit = 0; digit <= 9; ++digit)
        claimKey(QKeySequence(Qt::Key_0 + digit), [this, digit] {
            if (!comparing())
                return false;
            comparison_.setMode(Comparison::Mode::Overlay);
            comparison_.setOpacityTenths(digit == 0 ? 10 : digit);
            return true;
        });
    const std::pair<Qt::Key, QPoint> arrows[] = {{Qt::Key_Left, {-1, 0}},
                                                 {Qt::Key_Right, {1, 0}},
                                                 {Qt::Key_Up, {0, -1}},
                                                 {Qt::Key_Down, {0, 1}}};
    // Named, not bound: a lambda cannot capture a structured binding in every compiler used.
    for (const auto& arrow : arrows)
        for (const int by : {1, 10}) {
            const Qt::Key key = arrow.first;
            const QPoint step = arrow.second;
            const Qt::KeyboardModifiers held =
                by == 1 ? Qt::AltModifier : Qt::AltModifier | Qt::ShiftModifier;
            claimKey(QKeySequence(held | key), [this, step, by] {
                if (!comparing())
                    return false;
                comparison_.setOffset(comparison_.offset() + step * by);
                return true;
            });
        }
    changed();
}

ComparisonTool::~ComparisonTool()
{
    qApp->removeEventFilter(this);
}

bool ComparisonTool::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyRelease && comparing() && comparison_.alone()) {
        const auto& key = *static_cast<QKeyEvent*>(event);
        if (key.key() == Qt::Key_B && !key.isAutoRepeat() &&
            QDateTime::currentMSecsSinceEpoch() - blinkPressed_ >= kBlinkHeldMs)
            comparison_.setAlone(false);
    }
    return Instrument::eventFilter(watched, event);
}

bool ComparisonTool::comparing() const
{
    return comparison_.active();
}

void ComparisonTool::compareWith(const QString& path)
{
    load(path, QFileInfo(path).absoluteFilePath(), false);
}

bool ComparisonTool::compareWithClipboard()
{
    const auto held = clipboardPicture();
    if (!held) {
        showBriefNote(tr("剪贴板里没有图像"));
        return false;
    }
    if (!held->file.isEmpty()) {
        compareWith(held->file);
        return true;
    }
    // Read once, then let go.
    const QString path = writtenToFile(*held, PictureSource::pastedFolder(),
                                       QStringLiteral("compared"), ++clipboardPictures_);
    if (path.isEmpty()) {
        showBriefNote(tr("无法保存剪贴板里的图像"));
        return false;
    }
    load(path, QString(), false);
    QFile::remove(path);
    return true;
}

void ComparisonTool::load(const QString& path, const QString& file, bool keepPlace)
{
    bool cutShort = false;
    QImage image;
    try {
        image = toolkit::LoadPicture(path, &cutShort);
    } catch (const toolkit::RuntimeError& error) {
        std::fprintf(stderr, "quarnet: %s: %s\n", QFile::encodeName(path).constData(),
                     error.message().toLocal8Bit().constData());
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "quarnet: %s: out of memory\n", QFile::encodeName(path).constData());
    }
    view_->setShown(true);
    if (image.isNull()) {
        // Said where the comparison is set, not in a box over the picture, which stays.
        view_->setNote(loadErrorMessage());
        return;
    }
    if (!watcher_.files().isEmpty())
        watcher_.removePaths(watcher_.files());
    if (!file.isEmpty())
        watcher_.addPath(file);
    view_->setNote(cutShort ? tr("对比图像的文件在结尾前断了：只读到了一部分") : QString());
    comparison_.show(image, file, cutShort, keepPlace);
}

void ComparisonTool::end()
{
    if (!watcher_.files().isEmpty())
        watcher_.removePaths(watcher_.files());
    comparison_.end();
    view_->setNote(QString());
    view_->setShown(false);
}

void ComparisonTool::align()
{
    const QImage picture = window().picture();
    if (!comparing() || picture.isNull())
        return;
    comparison_.setOffset(differences::bestOffset(picture, comparison_.image(),
                                                  comparison_.offset(), comparison_.tolerance()));
}

int ComparisonTool::keepBoxes()
{
    const QImage picture = window().picture();
    if (!comparing() || picture.isNull())
        return 0;
    const QImage& other = comparison_.image();
    const QPoint offset = comparison_.offset();
    const int tolerance = comparison_.tolerance();
    const QRect all = differences::boundingBox(picture, other, offset, tolerance);
    if (all.isEmpty()) {
        showBriefNote(tr("没有不同的像素"));
        return 0;
    }
    std::vector<QRect> boxes = differences::clusters(picture, other, offset, tolerance);
    // One cluster is the bounding box itself.
    if (boxes.size() == 1)
        boxes.clear();
    boxes.insert(boxes.begin(), all);
    for (const QRect& box : boxes)
        measurements_.add(measurement::Measurement{
            measurement::Kind::Box, box.topLeft(), box.bottomRight(), {}, 0});
    return int(boxes.size());
}

void ComparisonTool::pictureChanged()
{
    // A reload of the picture reads the design again too: it may have been replaced as well.
    if (comparing() && window().reopened() && !comparison_.file().isEmpty())
        load(comparison_.file(), comparison_.file(), true);
    changed();
}

void ComparisonTool::changed()
{
    if (!window().imageSize().isEmpty())
        repaintPicture(QRegion(QRect(QPoint(), window().factor().shown(window().imageSize()))));
    view_->showState(view_->countsText());
    // Counted once things have settled: a run of Alt + arrows counts once.
    countsDue_.start(0);
}

void ComparisonTool::showCounts()
{
    const QImage picture = window().picture();
    QString text;
    if (comparing() && !picture.isNull())
        text = differences::countsText(comparison_.countsAgainst(picture));
    view_->showState(text);
}

void ComparisonTool::chooseFile()
{
    QSettings settings;
    OptionalText name = QString();
    const QString filter = QStringLiteral("(bmp/jpg/gif)|*.bmp;*.gif;*.jpg|") +
                           tr("所有可读的图像") + QLatin1Char('|') +
                           toolkit::readablePatterns().join(QLatin1Char(';')) + QLatin1Char('|');
    const QString folder = settings.value(kFolderKey).toString();
    const QString path =
        clsFileDlg().ShowOpen(quintptr(dialogOwner()->winId()), &name, filter, false, true, false,
                              false, 2, folder.isEmpty() ? std::nullopt : OptionalText(folder),
                              QString(), std::nullopt, OptionalText(tr("对比图像")));
    if (path.isEmpty())
        return;
    settings.setValue(kFolderKey, QFileInfo(path).absolutePath());
    compareWith(path);
}

void ComparisonTool::addMenuEntries(QMenu& menu, QPointF /*inViewport*/)
{
    if (window().picture().isNull())
        return;
    addMenuEntry(menu, tr("对比图像…"), [this] { chooseFile(); });
}
