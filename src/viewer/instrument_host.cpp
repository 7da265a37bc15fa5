// The window's side of its instruments: what it tells them, and the picture's mouse, keys
// and context menu handed to each of them in the order attached.
#include "viewer/instrument_host.h"
#include "viewer/instrument.h"
#include "viewer/main_window.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QShortcut>
#include <QToolTip>
#include <algorithm>
#include <new>
#include <utility>

const PictureView& Instrument::window() const
{
    return window_;
}

QWidget* Instrument::dialogOwner() const
{
    return &window_;
}

void Instrument::claimKey(const QKeySequence& key, std::function<bool()> take)
{
    window_.host_.claimKey(key, std::move(take), false);
}

void Instrument::claimPictureKey(const QKeySequence& key, std::function<bool()> take)
{
    window_.host_.claimKey(key, std::move(take), true);
}

void Instrument::addOverlay(QWidget* layer)
{
    window_.host_.addOverlay(layer);
}

void Instrument::addPictureMarks(std::function<void(QPainter&, const QRect&)> paint)
{
    window_.host_.addPictureMarks(std::move(paint));
}

void Instrument::repaintPicture(const QRegion& inPicture)
{
    window_.picDisp->update(inPicture);
}

void Instrument::addViewportOverlay(QWidget* layer)
{
    window_.host_.addViewportOverlay(layer);
}

void Instrument::openPicture(const QString& path)
{
    window_.runHandler([&] { window_.OpenPicture(path); });
}

void Instrument::showPastedPicture(const QString& path)
{
    window_.runHandler([&] { window_.OpenPastedPicture(path); });
}

void Instrument::reopenPicture(const QString& path)
{
    window_.runHandler([&] { window_.ReopenPicture(path); });
}

void Instrument::setFactor(Zoom factor)
{
    window_.runHandler([&] { window_.SetFactor(factor); });
}

void Instrument::scrollTo(QPoint scrolled)
{
    window_.runHandler([&] {
        window_.RestoreScrollPositions(std::max(0, scrolled.x()) / window_.scrollUnitX,
                                       std::max(0, scrolled.y()) / window_.scrollUnitY);
    });
}

void Instrument::showBriefNote(const QString& text)
{
    constexpr int kShownMs = 3000;
    QWidget& viewport = *window_.picDispBase;
    QToolTip::showText(viewport.mapToGlobal(viewport.rect().center()), text, &viewport, QRect(),
                       kShownMs);
}

namespace
{

// Between the caption the window was given and the note after it.
const QString kCaptionSeparator = QStringLiteral(" — ");

} // namespace

QString Instrument::captionNote() const
{
    return window_.windowTitle().section(kCaptionSeparator, 1);
}

void Instrument::setCaptionNote(const QString& note)
{
    const QString caption = window_.windowTitle().section(kCaptionSeparator, 0, 0);
    window_.setWindowTitle(note.isEmpty() ? caption : caption + kCaptionSeparator + note);
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

InstrumentHost::HandlerScope::HandlerScope(InstrumentHost& host) : host_(host)
{
    ++host_.handlerDepth_;
}

InstrumentHost::HandlerScope::~HandlerScope()
{
    if (--host_.handlerDepth_ > 0)
        return;
    host_.tellWhatChanged();
    for (Overlay& overlay : host_.overlays_)
        if (overlay.layer && !overlay.putOff.isEmpty())
            overlay.layer->update(std::exchange(overlay.putOff, QRegion()));
}

Instrument* InstrumentHost::attach(std::unique_ptr<Instrument> instrument)
{
    instruments_.push_back(std::move(instrument));
    return instruments_.back().get();
}

InstrumentHost::Seen InstrumentHost::seenNow() const
{
    return Seen{window_.loads_, window_.zoom_,           window_.pictureOrigin(),
                window_.unit(), window_.pixelsPerInch(), window_.pointedPixel()};
}

void InstrumentHost::rememberSeen()
{
    seen_ = seenNow();
}

void InstrumentHost::tellWhatChanged()
{
    const Seen before = seen_;
    const Seen now = seenNow();
    seen_ = now;
    // A listener may run a handler of its own; that one tells its own changes as it ends.
    try {
        // The window's signal first, then each instrument in the order attached.
        const auto tell = [this](auto signal, auto hook) {
            signal();
            for (const auto& instrument : instruments_)
                hook(*instrument);
        };
        if (now.picture != before.picture)
            tell([this] { emit window_.pictureChanged(); },
                 [](Instrument& i) { i.pictureChanged(); });
        if (now.factor != before.factor)
            tell([this] { emit window_.magnificationChanged(); },
                 [](Instrument& i) { i.magnificationChanged(); });
        if (now.origin != before.origin)
            tell([this] { emit window_.pictureMoved(); }, [](Instrument& i) { i.pictureMoved(); });
        if (now.unit != before.unit || now.pixelsPerInch != before.pixelsPerInch)
            tell([this] { emit window_.unitsChanged(); }, [](Instrument& i) { i.unitsChanged(); });
        if (const auto pointed = now.pointed; pointed && pointed != before.pointed)
            tell([&] { emit window_.pointerOverPixel(pointed->pixel, pointed->colour); },
                 [&](Instrument& i) { i.pointerOverPixel(pointed->pixel, pointed->colour); });
        else if (!now.pointed && before.pointed)
            tell([this] { emit window_.pointerLeftPicture(); },
                 [](Instrument& i) { i.pointerLeftPicture(); });
    } catch (const toolkit::RuntimeError& error) {
        window_.reportRuntimeError(error);
    } catch (const std::bad_alloc&) {
        window_.reportRuntimeError(
            toolkit::RuntimeError(toolkit::Err::OutOfMemory, QStringLiteral("Out of memory")));
    }
}

void InstrumentHost::claimKey(const QKeySequence& key, std::function<bool()> take, bool pictureOnly)
{
    // One shortcut per key, however many instruments claim it: two shortcuts for one key
    // would each make the other ambiguous, and neither would fire.
    const auto claim = std::pair{key, pictureOnly};
    KeyClaims& claims = keyClaims_[claim];
    if (!claims.shortcut) {
        claims.shortcut =
            pictureOnly ? new QShortcut(key, window_.picDispBase) : new QShortcut(key, &window_);
        if (pictureOnly)
            claims.shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        QObject::connect(claims.shortcut, &QShortcut::activated, &window_, [this, claim] {
            window_.runHandler([&] {
                for (const auto& take : keyClaims_[claim].takers)
                    if (take())
                        return;
            });
        });
    }
    claims.takers.push_back(std::move(take));
}

void InstrumentHost::addOverlay(QWidget* layer)
{
    // A child of the picture rather than of the viewport: a sibling over the picture would
    // keep the window from scrolling it by moving what is already on screen.
    layer->setParent(window_.picDisp);
    layer->setAttribute(Qt::WA_TransparentForMouseEvents);
    layer->setFocusPolicy(Qt::NoFocus);
    layer->setGeometry(window_.picDisp->rect());
    layer->installEventFilter(&window_);
    overlays_.push_back(Overlay{layer, QRegion()});
}

void InstrumentHost::addPictureMarks(std::function<void(QPainter&, const QRect&)> paint)
{
    if (pictureMarks_.empty())
        window_.picDisp->setPaintedOver([this](QPainter& painter, const QRect& exposed) {
            for (const auto& marks : pictureMarks_) {
                painter.save();
                marks(painter, exposed);
                painter.restore();
            }
        });
    pictureMarks_.push_back(std::move(paint));
}

void InstrumentHost::addViewportOverlay(QWidget* layer)
{
    // A child of the window, as the rulers are, so it can lie above them.
    layer->setParent(&window_);
    layer->setAttribute(Qt::WA_TransparentForMouseEvents);
    layer->setFocusPolicy(Qt::NoFocus);
    layer->installEventFilter(&window_);
    overlays_.push_back(Overlay{layer, QRegion(), true});
    fitViewportOverlays();
    raiseViewportOverlays();
}

void InstrumentHost::fitViewportOverlays()
{
    constexpr int rim = Instrument::kViewportRim;
    const QRect over = window_.picDispBase->geometry().adjusted(-rim, -rim, rim, rim);
    // Never empty, which would be no mask at all: the rim stays in it.
    const QRegion beside = QRegion(over.translated(-over.topLeft())) -
                           QRegion(window_.picDisp->geometry().translated(QPoint(rim, rim)) &
                                   QRect(QPoint(rim, rim), window_.picDispBase->size()));
    for (const Overlay& o : overlays_) {
        if (!o.layer || !o.overViewport)
            continue;
        o.layer->setGeometry(over);
        if (o.layer->mask() != beside)
            o.layer->setMask(beside);
    }
}

void InstrumentHost::raiseViewportOverlays()
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

bool InstrumentHost::tellInstruments(QObject* watched, QEvent* event)
{
    const auto overlay = std::find_if(overlays_.begin(), overlays_.end(),
                                      [watched](const Overlay& o) { return o.layer == watched; });
    if (event->type() == QEvent::Paint && handlerDepth_ > 0 && overlay != overlays_.end()) {
        // A yield inside a handler lets paints through while the picture, its place and its
        // factor may disagree; the overlay is painted there once the handler has ended.
        overlay->putOff |= static_cast<QPaintEvent*>(event)->region();
        return true;
    }
    if ((watched == window_.picDisp || watched == window_.picDispBase) &&
        (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        fitViewportOverlays();
    if (instruments_.empty())
        return false;
    if (const auto ruler = rulerOf(watched))
        return tellRulerMouse(*ruler, event);
    if (watched != window_.picDisp)
        return false;
    if (event->type() == QEvent::Resize)
        for (const Overlay& o : overlays_)
            if (o.layer && !o.overViewport)
                o.layer->setGeometry(window_.picDisp->rect());
    using Hears = void (Instrument::*)(const PictureMouse&);
    const auto tellMouse = [&](Hears hears) {
        const PictureMouse mouse =
            pictureMouse(*window_.picDisp, *static_cast<QMouseEvent*>(event));
        window_.runHandler([&] {
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
    case QEvent::MouseButtonDblClick:
        tellMouse(&Instrument::mouseDoubleClicked);
        break;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        if (const auto held = modifiersAfter(*static_cast<QKeyEvent*>(event)))
            window_.runHandler([&] {
                for (const auto& instrument : instruments_)
                    instrument->modifiersChanged(*held);
            });
        break;
    case QEvent::ContextMenu: {
        const auto& menuEvent = *static_cast<QContextMenuEvent*>(event);
        window_.runHandler([&] {
            openPictureMenu(window_.picDisp->mapToParent(QPointF(menuEvent.pos())),
                            menuEvent.globalPos());
        });
        return true;
    }
    default:
        break;
    }
    return false;
}

std::optional<Qt::Orientation> InstrumentHost::rulerOf(const QObject* watched) const
{
    if (watched == window_.picRulerW || watched == window_.picRulerBaseW)
        return Qt::Horizontal;
    if (watched == window_.picRulerH || watched == window_.picRulerBaseH)
        return Qt::Vertical;
    return std::nullopt;
}

bool InstrumentHost::tellRulerMouse(Qt::Orientation ruler, QEvent* event)
{
    using Hears = void (Instrument::*)(Qt::Orientation, const PictureMouse&);
    Hears hears = nullptr;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        hears = &Instrument::rulerPressed;
        break;
    case QEvent::MouseMove:
        // Only drags: a pointer merely passing over a ruler is the readout's alone.
        if (static_cast<QMouseEvent*>(event)->buttons() == Qt::NoButton)
            return false;
        hears = &Instrument::rulerMoved;
        break;
    case QEvent::MouseButtonRelease:
        hears = &Instrument::rulerReleased;
        break;
    default:
        return false;
    }
    const auto& mouse = *static_cast<QMouseEvent*>(event);
    // The ruler keeps the mouse from the press on, wherever the pointer goes; its strip and
    // the base behind it are one ruler to the instruments.
    const PictureMouse told{window_.picDispBase->mapFromGlobal(mouse.globalPosition()),
                            mouse.button(), mouse.buttons(), mouse.modifiers()};
    window_.runHandler([&] {
        for (const auto& instrument : instruments_)
            (instrument.get()->*hears)(ruler, told);
    });
    // The rulers do nothing with a press of their own; taken here, it does not reach the
    // base as well. Moves go on to the window's readout.
    return event->type() != QEvent::MouseMove;
}

void InstrumentHost::openPictureMenu(QPointF inViewport, QPoint global)
{
    auto* menu = new QMenu(&window_);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (const auto& instrument : instruments_)
        instrument->addMenuEntries(*menu, inViewport);
    if (menu->isEmpty()) {
        delete menu;
        return;
    }
    menu->popup(global);
}
