#include "instruments/tool_window.h"

#include <QHideEvent>
#include <QScreen>
#include <QSettings>
#include <QTimer>
#include <QWindow>
#include <algorithm>

namespace
{

// Between the viewer's frame and the tool window's, in screen pixels.
constexpr int kGap = 8;

} // namespace

ToolWindow::ToolWindow(QWidget* viewer, const QString& settingsGroup, Level level)
    : QWidget(viewer, Qt::Tool), group_(settingsGroup), level_(level)
{
    setFont(viewer->font());
    // Shown by a key or the menu, it leaves the keyboard with the picture: Space still walks
    // and the arrows still scroll.
    setAttribute(Qt::WA_ShowWithoutActivating);
    viewer->installEventFilter(this);
}

bool ToolWindow::eventFilter(QObject* watched, QEvent* event)
{
    // Above the viewer whenever it comes to the front, maximised or not, also where the
    // window manager let the viewer over its tool windows.
    if (watched == parentWidget() && event->type() == QEvent::WindowActivate && isVisible())
        raise();
    const bool viewerUp =
        (watched == parentWidget() && event->type() == QEvent::Show) ||
        (watched == parentWidget()->windowHandle() && event->type() == QEvent::Expose);
    if (viewerUp && showWhenViewerIsUp_)
        QTimer::singleShot(0, this, [this] { showOnceViewerIsUp(); });
    return false;
}

void ToolWindow::setShown(bool shown)
{
    showWhenViewerIsUp_ = false;
    if (shown == this->shown())
        return;
    if (shown) {
        if (!placed_) {
            placeBesideViewer();
            placed_ = true;
        }
        show();
    } else {
        hide();
    }
    remember();
}

// The first time it shows: beside the viewer's right edge, else its left edge, else below or
// above it, wherever the screen has room without covering the viewer; where none has, the
// place that covers least of it.
void ToolWindow::placeBesideViewer()
{
    const QWidget& viewer = *parentWidget();
    const QRect frame = viewer.frameGeometry();
    // Not shown yet, it has no frame of its own: reckon with one like the viewer's.
    const QSize size =
        isVisible() ? frameGeometry().size() : this->size() + (frame.size() - viewer.size());
    const int level = level_ == Level::Top ? frame.top() : frame.bottom() + 1 - size.height();
    const QPoint candidates[] = {
        {frame.right() + 1 + kGap, level},
        {frame.left() - kGap - size.width(), level},
        {frame.left(), frame.bottom() + 1 + kGap},
        {frame.left(), frame.top() - kGap - size.height()},
    };
    const QScreen* screen = viewer.screen();
    if (!screen) {
        move(candidates[0]);
        return;
    }
    const QRect room = screen->availableGeometry();
    const auto onScreen = [&](QPoint at) {
        return QPoint(
            std::clamp(at.x(), room.left(), std::max(room.left(), room.right() + 1 - size.width())),
            std::clamp(at.y(), room.top(),
                       std::max(room.top(), room.bottom() + 1 - size.height())));
    };
    const auto covered = [&](QPoint at) {
        const QRect overlap = QRect(at, size) & frame;
        return overlap.isEmpty() ? 0LL : qint64(overlap.width()) * overlap.height();
    };
    QPoint best = onScreen(candidates[0]);
    for (const QPoint& candidate : candidates) {
        const QPoint at = onScreen(candidate);
        if (covered(at) < covered(best))
            best = at;
        if (covered(best) == 0)
            break;
    }
    move(best);
}

void ToolWindow::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    // Wherever the person puts it, even if the program does not end normally.
    if (isVisible())
        remember();
}

void ToolWindow::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // Closed from its title bar, or hidden with its key: remembered either way. Hidden with
    // the viewer as the program ends, it opens again next time.
    if (!event->spontaneous() && parentWidget()->isVisible())
        remember();
}

void ToolWindow::remember() const
{
    QSettings settings;
    settings.setValue(group_ + QStringLiteral("/shown"), shown());
    if (isVisible())
        settings.setValue(group_ + QStringLiteral("/geometry"), saveGeometry());
}

void ToolWindow::restore()
{
    QSettings settings;
    placed_ = restoreGeometry(settings.value(group_ + QStringLiteral("/geometry")).toByteArray());
    if (settings.value(group_ + QStringLiteral("/shown"), false).toBool()) {
        showWhenViewerIsUp_ = true;
        QTimer::singleShot(0, this, [this] { showOnceViewerIsUp(); });
    }
}

void ToolWindow::showOnceViewerIsUp()
{
    // Only once the window manager has put the viewer on screen: a tool window mapped before
    // is not known to belong to it, and the viewer then covers it.
    if (!showWhenViewerIsUp_)
        return;
    QWindow* viewer = parentWidget()->windowHandle();
    if (!viewer || !viewer->isExposed()) {
        if (viewer)
            viewer->installEventFilter(this);
        return;
    }
    setShown(true);
}
