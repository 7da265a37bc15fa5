#pragma once

#include "viewer/picture_view.h"
#include "viewer/units.h"

#include <QColor>
#include <QKeySequence>
#include <QObject>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <functional>
#include <optional>

class frmVelmora;
class QAction;
class QMenu;
class QPainter;
class QRegion;
class QWidget;

// The picture's mouse as an instrument hears it: the point in the viewport's pixels (the
// coordinates of PictureView::pictureOrigin and imagePixelAt), the button pressed or let go
// (none for a move), the buttons held and the keyboard's modifiers.
struct PictureMouse {
    QPointF inViewport;
    Qt::MouseButton button = Qt::NoButton;
    Qt::MouseButtons buttons;
    Qt::KeyboardModifiers modifiers;
};

// An addition to the window that lives beside it: it reads the window through a read-only
// view, asks for changes through the operations below, draws on overlays of its own and
// hears what changed, the picture's mouse and the keys it claimed. The window owns it once
// attached (frmVelmora::attach) and tells its instruments in the order they were attached;
// no instrument can take an event from the window or from another instrument, and none
// knows another: what they share, such as the measurements, is handed to them when made.
class Instrument : public QObject
{
    Q_OBJECT
public:
    explicit Instrument(frmVelmora& window) : window_(window) {}

    // How far a viewport overlay (addViewportOverlay) reaches past the viewport's edges: the
    // width of a mark round a pixel at the picture's edge.
    static constexpr int kViewportRim = 1;

    // What changed, each told once when the outermost handler that changed it has ended.
    // Another picture, the same file again or a failed load: all else may have changed too.
    virtual void pictureChanged() {}
    virtual void magnificationChanged() {}
    // Scrolled, centred or placed anew after a resize: pictureOrigin() moved.
    virtual void pictureMoved() {}
    // Another unit, or another number of pixels to the inch.
    virtual void unitsChanged() {}
    // The readout shows another pixel, or the same pixel in another colour.
    virtual void pointerOverPixel(QPoint /*pixel*/, QRgb /*colour*/) {}
    // The readout went away: the pointer left the picture, or the picture went.
    virtual void pointerLeftPicture() {}

    // The left, middle or right button pressed, the pointer moved, a button let go over the
    // picture (or dragged on from it). The window's readout and markers see each as well.
    virtual void mousePressed(const PictureMouse&) {}
    virtual void mouseMoved(const PictureMouse&) {}
    virtual void mouseReleased(const PictureMouse&) {}
    // The left button pressed twice over the picture, after the first press and release.
    virtual void mouseDoubleClicked(const PictureMouse&) {}
    // A button pressed on a ruler (Qt::Horizontal for the one along the top), the pointer
    // dragged from it, the button let go: in the viewport's coordinates,
    // so a drag from the ruler onto the picture reads as being over the picture.
    virtual void rulerPressed(Qt::Orientation, const PictureMouse&) {}
    virtual void rulerMoved(Qt::Orientation, const PictureMouse&) {}
    virtual void rulerReleased(Qt::Orientation, const PictureMouse&) {}
    // Shift, Ctrl or Alt pressed or let go while the picture has the keyboard: the modifiers
    // now held.
    virtual void modifiersChanged(Qt::KeyboardModifiers) {}
    // The picture's context menu is opening at a point of the viewport: add entries to it.
    // The menu shows only when some instrument added one.
    virtual void addMenuEntries(QMenu&, QPointF /*inViewport*/) {}

protected:
    const PictureView& window() const;
    // Offers a key of the window to this instrument: when it is pressed, the instruments
    // that claimed it are asked in turn until one's `take` returns true.
    void claimKey(const QKeySequence& key, std::function<bool()> take);
    // The same, only while the picture has the keyboard (once clicked, as for the arrows):
    // for keys that a focused button or list must keep, such as Space.
    void claimPictureKey(const QKeySequence& key, std::function<bool()> take);
    // Puts a layer over the picture, passing the mouse through: it covers picDisp, in
    // picDisp's coordinates, moves with it as it scrolls (so what is drawn on it moves with
    // the picture, and only what scrolls into sight is painted) and keeps its size as the
    // picture changes. Shown and hidden by its owner.
    void addOverlay(QWidget* layer);
    // Puts a layer over the viewport and kViewportRim pixels beyond its edges, above the
    // picture and the rulers, passing the mouse through: for what goes beside the picture
    // or just past its edge, where the rulers lie. Its mask leaves out the picture, so a
    // scroll still moves what is on screen. The viewport's (0, 0) is its (kViewportRim,
    // kViewportRim). Shown and hidden by its owner.
    void addViewportOverlay(QWidget* layer);
    // Draws thin marks straight over the picture as it is painted, in picDisp's coordinates,
    // after the picture and under every layer: they move with it as it scrolls, and cost a
    // scroll nothing but their own pixels, where a layer of their own would cost a scroll
    // step a fifth more. They never reach the picture's pixels. `paint` must only draw.
    void addPictureMarks(std::function<void(QPainter&, const QRect& exposed)> paint);
    // Paints a part of the picture again, in picDisp's coordinates, with its marks.
    void repaintPicture(const QRegion& inPicture);
    // Opens a picture file through the window's own loading path, as Open does: the same
    // limits, error message, factor back to 1 and size text.
    void openPicture(const QString& path);
    // Shows a picture written from the clipboard, through the same path: its origin reads
    // From::Clipboard.
    void showPastedPicture(const QString& path);
    // Reads the file shown again, keeping the factor, the unit and the scroll position as
    // far as the new picture reaches (F5): reopened() is true then.
    void reopenPicture(const QString& path);
    // Shows the picture at another factor: 1 and 2 as the magnification list would.
    void setFactor(Zoom factor);
    // Scrolls the picture `scrolled` screen pixels across and down from its top-left corner,
    // as far as the scroll bars reach: the bars' values.
    void scrollTo(QPoint scrolled);
    // The window, for what a dialog is shown over.
    QWidget* dialogOwner() const;
    // Shows a short note over the middle of the picture for a few seconds, without a box to
    // close: for what changes nothing but should not pass unsaid.
    void showBriefNote(const QString& text);
    // Writes a note after the window's caption ("Quarnet https://… — shot.png"); "" for the
    // caption alone.
    void setCaptionNote(const QString& note);
    // The note after the caption now; "" for none.
    QString captionNote() const;
    // Reckons inches and centimetres from another resolution, or the screen's for none.
    void setInchBasis(std::optional<units::Basis> basis);
    // Runs f as the window runs its handlers: a run-time error is shown in the window's
    // message instead of ending the program, and what f changed is told afterwards.
    void runGuarded(const std::function<void()>& f);
    // Runs f guarded, once the event being handled now is done: what a menu entry, a tool
    // window's button or a dialog asks of the window. The window's procedures let pending
    // events run, and run inside a menu's own handling they delete the menu under its feet.
    void afterThisEvent(std::function<void()> f);
    // A menu entry that runs f after the menu has closed (afterThisEvent).
    QAction* addMenuEntry(QMenu& menu, const QString& text, std::function<void()> f);

private:
    frmVelmora& window_;
};
