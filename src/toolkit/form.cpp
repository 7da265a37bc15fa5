#include "toolkit/form.h"

#include "toolkit/screen.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QWindow>

#if __has_include(<xcb/xcb.h>)
#include <xcb/xcb.h>
#define QUARNET_WATCH_XCB 1
#endif

namespace toolkit
{

// Watches the X server's events for the ones that can give the window a new frame: the
// window manager reparenting it into its frame, configuring it, or setting one of its
// properties (_NET_FRAME_EXTENTS among them). Qt takes note of the frame but tells the
// window nothing, so the form asks again once Qt has handled such an event.
class Form::FrameWatcher : public QAbstractNativeEventFilter
{
public:
    explicit FrameWatcher(Form& form) : form_(form)
    {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* /*result*/) override
    {
#ifdef QUARNET_WATCH_XCB
        if (eventType != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        xcb_window_t window = XCB_WINDOW_NONE;
        switch (event->response_type & 0x7f) {
        case XCB_REPARENT_NOTIFY:
            window = reinterpret_cast<const xcb_reparent_notify_event_t*>(event)->window;
            break;
        case XCB_CONFIGURE_NOTIFY:
            window = reinterpret_cast<const xcb_configure_notify_event_t*>(event)->window;
            break;
        case XCB_PROPERTY_NOTIFY:
            window = reinterpret_cast<const xcb_property_notify_event_t*>(event)->window;
            break;
        default:
            return false;
        }
        if (window == form_.internalWinId() && !queued_) {
            queued_ = true;
            QMetaObject::invokeMethod(
                &form_,
                [this] {
                    queued_ = false;
                    form_.frameMayHaveChanged();
                },
                Qt::QueuedConnection);
        }
#else
        Q_UNUSED(eventType);
        Q_UNUSED(message);
#endif
        return false;
    }

private:
    Form& form_;
    bool queued_ = false;
};

Form::Form(QWidget* parent) : QWidget(parent) {}

Form::~Form() = default;

float Form::Width() const
{
    return float((width() + frameSize().width()) * Screen::twipsPerPixelX());
}

float Form::Height() const
{
    return float((height() + frameSize().height()) * Screen::twipsPerPixelY());
}

void Form::setWidth(float twips)
{
    resize(Screen::pixelsCoveringX(twips) - frameSize().width(), height());
}

void Form::setHeight(float twips)
{
    resize(width(), Screen::pixelsCoveringY(twips) - frameSize().height());
}

QSize Form::frameSize() const
{
    // Straight from the window system: the widget's own frame geometry is only brought up
    // to date when the window moves or changes size, and a window manager may frame it later.
    QSize frame = frameGeometry().size() - size();
    if (const QWindow* handle = windowHandle()) {
        const QMargins margins = handle->frameMargins();
        frame = QSize(margins.left() + margins.right(), margins.top() + margins.bottom());
    }
    // While a window manager builds its frame, Qt can measure the window against a frame
    // that is not yet grown around it (1 x 1 under openbox): that is no frame yet.
    if (frame.width() < 0 || frame.height() < 0)
        return QSize(0, 0);
    return frame;
}

void Form::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The window manager's frame shows up once the window is mapped: its first exposure is
    // the first moment it can be known.
    if (QWindow* handle = windowHandle())
        handle->installEventFilter(this);
    if (!frameWatcher_)
        frameWatcher_ = std::make_unique<FrameWatcher>(*this);
}

void Form::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // A window manager may also tell the frame late, around activation.
    if (event->type() == QEvent::ActivationChange)
        frameMayHaveChanged();
}

bool Form::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == windowHandle()) {
        if (event->type() == QEvent::Expose)
            frameMayHaveChanged();
        return false;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace toolkit
