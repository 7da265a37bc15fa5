#include "instruments/capture_tool.h"

#include "instruments/scratch_picture.h"

#include <QActionGroup>
#include <QApplication>
#include <QDateTime>
#include <QGuiApplication>
#include <QMenu>
#include <QPixmap>
#include <QSettings>
#include <QToolTip>

namespace
{

const QString kDelayKey = QStringLiteral("capture/delaySeconds");
constexpr int kSecondMs = 1000;

bool onWayland()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland")) ||
           qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland");
}

// The whole screen as the X server holds it, one pixel for each of the screen's own.
QImage grabbedFromX(QScreen* screen)
{
    if (!screen)
        return QImage();
    QImage image = screen->grabWindow(0).toImage();
    image.setDevicePixelRatio(1);
    return image.convertToFormat(QImage::Format_RGB32);
}

} // namespace

CaptureTool::CaptureTool(frmVelmora& window, ScratchPicture& made) : Instrument(window), made_(made)
{
    setObjectName(QStringLiteral("captureTool"));
    wait_.setSingleShot(true);
    connect(&wait_, &QTimer::timeout, this, [this] {
        if (secondsLeft_ > 0)
            countDown();
        else
            take();
    });
    noteDue_.setSingleShot(true);
    connect(&noteDue_, &QTimer::timeout, this, &CaptureTool::showPendingNote);
    claimKey(QKeySequence(Qt::ControlModifier | Qt::AltModifier | Qt::Key_A), [this] {
        capture();
        return true;
    });
}

int CaptureTool::delaySeconds() const
{
    const int seconds = QSettings().value(kDelayKey, 0).toInt();
    return std::find(std::begin(kDelays), std::end(kDelays), seconds) != std::end(kDelays) ? seconds
                                                                                           : 0;
}

void CaptureTool::setDelaySeconds(int seconds)
{
    QSettings().setValue(kDelayKey, seconds);
}

void CaptureTool::capture(bool choosing)
{
    if (capturing_)
        return;
    capturing_ = true;
    choosing_ = choosing;
    screen_ = window().viewport().screen();
    captionNote_ = captionNote();
    stepAside();
    secondsLeft_ = delaySeconds();
    if (secondsLeft_ > 0)
        countDown();
    else
        wait_.start(kStepAsideMs);
}

void CaptureTool::countDown()
{
    setCaptionNote(tr("%1 秒后截屏").arg(secondsLeft_));
    --secondsLeft_;
    // The last second ends with the windows long gone.
    wait_.start(kSecondMs);
}

void CaptureTool::stepAside()
{
    // Hidden, not minimised: a minimising window is drawn shrinking for a moment.
    QToolTip::hideText();
    hidden_.clear();
    // The tool windows are the viewer's own and go with it, each remembering that it was
    // shown.
    for (QWidget* top : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = top->windowType();
        if (top->isVisible() && !top->parentWidget() && type != Qt::Popup && type != Qt::ToolTip) {
            hidden_.append(top);
            top->hide();
        }
    }
}

void CaptureTool::comeBack()
{
    for (const QPointer<QWidget>& top : std::as_const(hidden_))
        if (top)
            top->show();
    hidden_.clear();
    setCaptionNote(captionNote_);
    if (QWidget* main = window().viewport().window()) {
        main->raise();
        main->activateWindow();
    }
}

void CaptureTool::take()
{
    if (choosing_ || usePortal_ || onWayland()) {
        portal_.take(choosing_, [this](const PortalScreenshot::Outcome& outcome) {
            runGuarded([&] { taken(outcome); });
        });
        return;
    }
    QImage image = grabbedFromX(screen_);
    if (!image.isNull()) {
        runGuarded([&] { taken({PortalScreenshot::Outcome::Kind::Taken, image, QString()}); });
        return;
    }
    // An X server that gives nothing (a Wayland desktop's own): the portal may.
    portal_.take(false, [this](const PortalScreenshot::Outcome& outcome) {
        runGuarded([&] { taken(outcome); });
    });
}

void CaptureTool::taken(const PortalScreenshot::Outcome& outcome)
{
    capturing_ = false;
    comeBack();
    using Kind = PortalScreenshot::Outcome::Kind;
    if (outcome.kind == Kind::Cancelled) {
        note(tr("截屏已取消"));
        return;
    }
    if (outcome.kind == Kind::Failed) {
        note(tr("无法截屏：%1").arg(outcome.reason));
        return;
    }
    const QDateTime now = QDateTime::currentDateTime();
    const QString path =
        made_.write(outcome.image, window().screenPixelsPerInch(),
                    tr("屏幕截图 %1").arg(now.toString(QStringLiteral("HH:mm:ss"))),
                    tr("屏幕截图 %1").arg(now.toString(QStringLiteral("yyyy-MM-dd HH-mm-ss"))));
    if (path.isEmpty()) {
        note(tr("无法截屏：无法写入临时文件"));
        return;
    }
    showPastedPicture(path);
}

void CaptureTool::note(const QString& text)
{
    lastNote_ = text;
    pendingNote_ = text;
    noteWaits_ = 0;
    noteDue_.start(kNoteAfterMs);
}

void CaptureTool::showPendingNote()
{
    // Once the window has been made active again, which would hide a note shown before; a
    // window manager that never makes it so is not waited for long.
    const QWidget* main = window().viewport().window();
    if (main && !main->isActiveWindow() && ++noteWaits_ < kNoteWaits) {
        noteDue_.start(kNoteAfterMs);
        return;
    }
    showBriefNote(pendingNote_);
}

void CaptureTool::addMenuEntries(QMenu& menu, QPointF /*inViewport*/)
{
    menu.addSeparator();
    addMenuEntry(menu, tr("截取屏幕"), [this] {
        capture();
    })->setShortcut(QKeySequence(Qt::ControlModifier | Qt::AltModifier | Qt::Key_A));
    addMenuEntry(menu, tr("截取…"), [this] { capture(true); });
    QMenu* delays = menu.addMenu(tr("截屏延时"));
    auto* group = new QActionGroup(delays);
    for (const int seconds : kDelays) {
        QAction* entry =
            addMenuEntry(*delays, seconds == 0 ? tr("不延时") : tr("%1 秒").arg(seconds),
                         [this, seconds] { setDelaySeconds(seconds); });
        entry->setCheckable(true);
        entry->setChecked(seconds == delaySeconds());
        group->addAction(entry);
    }
}
