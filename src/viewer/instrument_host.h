#pragma once

#include "viewer/instrument.h"
#include "viewer/units.h"

#include <QKeySequence>
#include <QPoint>
#include <QPointer>
#include <QRegion>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class frmVelmora;
class QEvent;
class QObject;
class QPainter;
class QShortcut;
class QWidget;

// The window's side of its instruments: it owns them, tells them what changed once the
// outermost handler ends, hands them the picture's mouse, keys and context menu in the order
// attached, and keeps their shortcuts and overlays. The window holds one, as its last member.
class InstrumentHost
{
public:
    explicit InstrumentHost(frmVelmora& window) : window_(window) {}
    InstrumentHost(const InstrumentHost&) = delete;
    InstrumentHost& operator=(const InstrumentHost&) = delete;

    // Counts the handlers under way; the outermost one tells what changed as it ends.
    class HandlerScope
    {
    public:
        explicit HandlerScope(InstrumentHost& host);
        ~HandlerScope();
        HandlerScope(const HandlerScope&) = delete;
        HandlerScope& operator=(const HandlerScope&) = delete;

    private:
        InstrumentHost& host_;
    };

    // Takes an instrument for the window's lifetime; it is told in the order attached.
    Instrument* attach(std::unique_ptr<Instrument> instrument);
    // The attached instrument of type T, or null.
    template <class T> T* instrument()
    {
        for (const auto& attached : instruments_)
            if (auto* found = dynamic_cast<T*>(attached.get()))
                return found;
        return nullptr;
    }

    // Takes the window as it is now as what instruments were last told: once it is built.
    void rememberSeen();
    // Emits the window's signal for each change since instruments were last told.
    void tellWhatChanged();
    void claimKey(const QKeySequence& key, std::function<bool()> take, bool pictureOnly);
    void addOverlay(QWidget* layer);
    void addViewportOverlay(QWidget* layer);
    void addPictureMarks(std::function<void(QPainter&, const QRect&)> paint);
    void raiseViewportOverlays();
    // The picture's mouse, keys and context menu, handed to every instrument; true when the
    // event was the context menu, which the window then takes.
    bool tellInstruments(QObject* watched, QEvent* event);

private:
    // What instruments are told about, as they were last told it. A list's or a bar's own
    // value has changed before its handler begins, so a change is only known against this.
    struct Seen {
        quint64 picture = 0;
        Zoom factor{0, 0};
        QPoint origin;
        int unit = -1;
        units::PixelsPerInch pixelsPerInch;
        std::optional<PointedPixel> pointed;
    };
    Seen seenNow() const;
    // Over the viewport and its rim, less the picture, and above the rulers.
    void fitViewportOverlays();
    void openPictureMenu(QPointF inViewport, QPoint global);
    // Which ruler a control belongs to, if any.
    std::optional<Qt::Orientation> rulerOf(const QObject* watched) const;
    // Hands a ruler's mouse to the instruments; true when the event is taken.
    bool tellRulerMouse(Qt::Orientation ruler, QEvent* event);

    frmVelmora& window_;
    int handlerDepth_ = 0;
    Seen seen_;
    struct KeyClaims {
        QShortcut* shortcut = nullptr;
        std::vector<std::function<bool()>> takers;
    };
    // By key, and whether only while the picture has the keyboard.
    std::map<std::pair<QKeySequence, bool>, KeyClaims> keyClaims_;
    // Each overlay, and where a paint of it was put off until the handler ends.
    struct Overlay {
        QPointer<QWidget> layer;
        QRegion putOff;
        bool overViewport = false; // else over the picture
    };
    std::vector<Overlay> overlays_;
    // What instruments draw over the picture as it is painted, in the order attached.
    std::vector<std::function<void(QPainter&, const QRect&)>> pictureMarks_;
    // Last, so instruments go first, while every control they may touch still stands.
    std::vector<std::unique_ptr<Instrument>> instruments_;
};
