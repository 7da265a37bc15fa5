// The window's side of its instruments: what it tells them, what they may read, and the
// picture's mouse, keys and context menu handed to each of them in the order attached.
#include "viewer/instrument.h"
#include "viewer/main_window.h"
#include "viewer/numbers.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QShortcut>
#include <QToolTip>
#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

void Instrument::claimKey(const QKeySequence& key, std::function<bool()> take)
{
    window_.claimKey(key, std::move(take), false);
}

void Instrument::claimPictureKey(const QKeySequence& key, std::function<bool()> take)
{
    window_.claimKey(key, std::move(take), true);
}

void Instrument::addOverlay(QWidget* layer)
{
    window_.addOverlay(layer);
}

void Instrument::addViewportOverlay(QWidget* layer)
{
    window_.addViewportOverlay(layer);
}

void Instrument::openPicture(const QString& path)
{
    window_.runHandler([&] { window_.OpenPicture(path); });
}

void Instrument::reopenPicture(const QString& path)
{
    window_.runHandler([&] { window_.ReopenPicture(path); });
    // Told now, even inside a handler (F5, a menu entry): what the caller puts back on the
    // picture after this must not be cleared by instruments hearing of it at the end.
    window_.tellWhatChanged();
}

void Instrument::showBriefNote(const QString& text)
{
    constexpr int kShownMs = 3000;
    QWidget& viewport = *window_.picDispBase;
    QToolTip::showText(viewport.mapToGlobal(viewport.rect().center()), text, &viewport, QRect(),
                       kShownMs);
}

void Instrument::setCaptionNote(const QString& note)
{
    // The caption the window was given, before any note.
    static const QString kSeparator = QStringLiteral(" — ");
    const QString caption = window_.windowTitle().section(kSeparator, 0, 0);
    window_.setWindowTitle(note.isEmpty() ? caption : caption + kSeparator + note);
}

void Instrument::setInchBasis(std::optional<units::Basis> basis)
{
    window_.setInchBasis(std::move(basis));
}

void Instrument::runGuarded(const std::function<void()>& f)
{
    window_.runHandler(f);
}

void Instrument::afterThisEvent(std::function<void()> f)
{
    // Queued to the instrument, so nothing runs for one that is gone by then.
    QMetaObject::invokeMethod(
        this, [this, f = std::move(f)] { runGuarded(f); }, Qt::QueuedConnection);
}

QAction* Instrument::addMenuEntry(QMenu& menu, const QString& text, std::function<void()> f)
{
    return menu.addAction(text, this, [this, f = std::move(f)] { afterThisEvent(f); });
}

Instrument* frmVelmora::attach(std::unique_ptr<Instrument> instrument)
{
    instruments_.push_back(std::move(instrument));
    return instruments_.back().get();
}

QImage frmVelmora::picture() const
{
    return picOrig->hasPicture() ? picOrig->Picture().toImage() : QImage();
}

QPoint frmVelmora::pictureOrigin() const
{
    return picDisp->pos();
}

QPoint frmVelmora::imagePixelAt(QPoint origin, qint32 factor, QPointF inViewport)
{
    // Floored, not truncated: a point just left of the picture lies in pixel -1, not 0.
    const double x = std::floor(numbers::fdiv(inViewport.x() - origin.x(), factor));
    const double y = std::floor(numbers::fdiv(inViewport.y() - origin.y(), factor));
    return QPoint(numbers::Fix(x), numbers::Fix(y));
}

QPoint frmVelmora::imagePixelAt(QPointF inViewport) const
{
    return imagePixelAt(pictureOrigin(), magnification, inViewport);
}

units::PixelsPerInch frmVelmora::pixelsPerInch() const
{
    if (inchBasis_)
        return inchBasis_->perInch;
    return units::PixelsPerInch{double(dpiX), double(dpiY)};
}

void frmVelmora::setInchBasis(std::optional<units::Basis> basis)
{
    runHandler([&] {
        inchBasis_ = std::move(basis);
        // As another unit would: the rulers, the size text and the readout at once.
        cboUnit_Click();
    });
}

int frmVelmora::unit() const
{
    return cboUnit->ListIndex();
}

std::optional<frmVelmora::PointedPixel> frmVelmora::pointedPixel() const
{
    // A load empties the readout's text without hiding it: it reads out nothing then.
    if (!lblXY->Visible() || lblXY->Caption().isEmpty())
        return std::nullopt;
    return pointed_;
}

QString frmVelmora::readoutText() const
{
    return pointedPixel() ? lblXY->Caption() : QString();
}

frmVelmora::HandlerScope::HandlerScope(frmVelmora& window) : window_(window)
{
    ++window_.handlerDepth_;
}

frmVelmora::HandlerScope::~HandlerScope()
{
    if (--window_.handlerDepth_ > 0)
        return;
    window_.tellWhatChanged();
    for (Overlay& overlay : window_.overlays_)
        if (overlay.layer && !overlay.putOff.isEmpty())
            overlay.layer->update(std::exchange(overlay.putOff, QRegion()));
}

frmVelmora::Seen frmVelmora::seenNow() const
{
    return Seen{loads_, magnification, pictureOrigin(), unit(), pixelsPerInch(), pointedPixel()};
}

void frmVelmora::tellWhatChanged()
{
    const Seen before = seen_;
    const Seen now = seenNow();
    seen_ = now;
    // A listener may run a handler of its own; that one tells its own changes as it ends.
    try {
        if (now.picture != before.picture)
            emit pictureChanged();
        if (now.factor != before.factor)
            emit magnificationChanged();
        if (now.origin != before.origin)
            emit pictureMoved();
        if (now.unit != before.unit || now.pixelsPerInch != before.pixelsPerInch)
            emit unitsChanged();
        if (now.pointed && now.pointed != before.pointed)
            emit pointerOverPixel(now.pointed->pixel, now.pointed->colour);
        else if (!now.pointed && before.pointed)
            emit pointerLeftPicture();
    } catch (const toolkit::RuntimeError& error) {
        reportRuntimeError(error);
    } catch (const std::bad_alloc&) {
        reportRuntimeError(
            toolkit::RuntimeError(toolkit::Err::OutOfMemory, QStringLiteral("Out of memory")));
    }
}

void frmVelmora::claimKey(const QKeySequence& key, std::function<bool()> take, bool pictureOnly)
{
    // One shortcut per key, however many instruments claim it: two shortcuts for one key
    // would each make the other ambiguous, and neither would fire.
    const auto claim = std::pair{key, pictureOnly};
    KeyClaims& claims = keyClaims_[claim];
    if (!claims.shortcut) {
        claims.shortcut = pictureOnly ? new QShortcut(key, picDispBase) : new QShortcut(key, this);
        if (pictureOnly)
            claims.shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(claims.shortcut, &QShortcut::activated, this, [this, claim] {
            runHandler([&] {
                for (const auto& take : keyClaims_[claim].takers)
                    if (take())
                        return;
            });
        });
    }
    claims.takers.push_back(std::move(take));
}

void frmVelmora::addOverlay(QWidget* layer)
{
    // A child of the picture rather than of the viewport: a sibling over the picture would
    // keep the window from scrolling it by moving what is already on screen.
    layer->setParent(picDisp);
    layer->setAttribute(Qt::WA_TransparentForMouseEvents);
    layer->setFocusPolicy(Qt::NoFocus);
    layer->setGeometry(picDisp->rect());
    layer->installEventFilter(this);
    overlays_.push_back(Overlay{layer, QRegion()});
}

void frmVelmora::addViewportOverlay(QWidget* layer)
{
    // A child of the window, as the rulers are, so it can lie above them.
    layer->setParent(this);
    layer->setAttribute(Qt::WA_TransparentForMouseEvents);
    layer->setFocusPolicy(Qt::NoFocus);
    layer->installEventFilter(this);
    overlays_.push_back(Overlay{layer, QRegion(), true});
    fitViewportOverlays();
    raiseViewportOverlays();
}

void frmVelmora::fitViewportOverlays()
{
    constexpr int rim = Instrument::kViewportRim;
    const QRect over = picDispBase->geometry().adjusted(-rim, -rim, rim, rim);
    // Never empty, which would be no mask at all: the rim stays in it.
    const QRegion beside = QRegion(over.translated(-over.topLeft())) -
                           QRegion(picDisp->geometry().translated(QPoint(rim, rim)) &
                                   QRect(QPoint(rim, rim), picDispBase->size()));
    for (const Overlay& o : overlays_) {
        if (!o.layer || !o.overViewport)
            continue;
        o.layer->setGeometry(over);
        if (o.layer->mask() != beside)
            o.layer->setMask(beside);
    }
}

void frmVelmora::raiseViewportOverlays()
{
    for (const Overlay& o : overlays_)
        if (o.layer && o.overViewport)
            o.layer->raise();
}

namespace
{

PictureMouse pictureMouse(const QWidget& picture, const QMouseEvent& event)
{
    return PictureMouse{picture.mapToParent(event.position()), event.button(), event.buttons(),
                        event.modifiers()};
}

// The modifiers held once a key event is done: a modifier key's own event may or may not
// count it yet, depending on the window system.
std::optional<Qt::KeyboardModifiers> modifiersAfter(const QKeyEvent& event)
{
    Qt::KeyboardModifier changed;
    switch (event.key()) {
    case Qt::Key_Shift:
        changed = Qt::ShiftModifier;
        break;
    case Qt::Key_Control:
        changed = Qt::ControlModifier;
        break;
    case Qt::Key_Alt:
        changed = Qt::AltModifier;
        break;
    default:
        return std::nullopt;
    }
    if (event.isAutoRepeat())
        return std::nullopt;
    Qt::KeyboardModifiers held = event.modifiers();
    held.setFlag(changed, event.type() == QEvent::KeyPress);
    return held;
}

} // namespace

bool frmVelmora::tellInstruments(QObject* watched, QEvent* event)
{
    const auto overlay = std::find_if(overlays_.begin(), overlays_.end(),
                                      [watched](const Overlay& o) { return o.layer == watched; });
    if (event->type() == QEvent::Paint && handlerDepth_ > 0 && overlay != overlays_.end()) {
        // A yield inside a handler lets paints through while the picture, its place and its
        // factor may disagree; the overlay is painted there once the handler has ended.
        overlay->putOff |= static_cast<QPaintEvent*>(event)->region();
        return true;
    }
    if ((watched == picDisp || watched == picDispBase) &&
        (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        fitViewportOverlays();
    if (watched != picDisp || instruments_.empty())
        return false;
    if (event->type() == QEvent::Resize)
        for (const Overlay& o : overlays_)
            if (o.layer && !o.overViewport)
                o.layer->setGeometry(picDisp->rect());
    using Hears = void (Instrument::*)(const PictureMouse&);
    const auto tellMouse = [&](Hears hears) {
        const PictureMouse mouse = pictureMouse(*picDisp, *static_cast<QMouseEvent*>(event));
        runHandler([&] {
            for (const auto& instrument : instruments_)
                (instrument.get()->*hears)(mouse);
        });
    };
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        tellMouse(&Instrument::mousePressed);
        break;
    case QEvent::MouseMove:
        tellMouse(&Instrument::mouseMoved);
        break;
    case QEvent::MouseButtonRelease:
        tellMouse(&Instrument::mouseReleased);
        break;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        if (const auto held = modifiersAfter(*static_cast<QKeyEvent*>(event)))
            runHandler([&] {
                for (const auto& instrument : instruments_)
                    instrument->modifiersChanged(*held);
            });
        break;
    case QEvent::ContextMenu: {
        const auto& menuEvent = *static_cast<QContextMenuEvent*>(event);
        runHandler([&] {
            openPictureMenu(picDisp->mapToParent(QPointF(menuEvent.pos())), menuEvent.globalPos());
        });
        return true;
    }
    default:
        break;
    }
    return false;
}

void frmVelmora::openPictureMenu(QPointF inViewport, QPoint global)
{
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (const auto& instrument : instruments_)
        instrument->addMenuEntries(*menu, inViewport);
    if (menu->isEmpty()) {
        delete menu;
        return;
    }
    menu->popup(global);
}
