#pragma once

#include "instruments/measurement.h"
#include "instruments/measurement_layer.h"
#include "instruments/measurement_store.h"
#include "instruments/measurement_table.h"
#include "viewer/instrument.h"
#include "viewer/units.h"

class Guides;
class PointerMode;

#include <QPoint>
#include <QPointF>
#include <QString>
#include <QTimer>
#include <functional>
#include <optional>
#include <vector>

// Measuring on the picture, and copying what the window reads out. It adds to the window
// without changing any of its handlers: it hears the picture's mouse beside them (and never
// takes one from them), draws on a layer of its own above the picture, and answers Ctrl+C,
// Ctrl+Shift+C, Esc and the picture's context menu.
//
// Every drag adds a measurement and keeps the earlier ones, numbered 1, 2, 3, ...: a line
// (Shift snaps it to 0, 45, 90, ... degrees); with Ctrl a box over the pixels from the
// pressed one to the one under the pointer; Ctrl + click a point; a drag that starts on the
// end of a line a second arm, measuring the angle between them. A figures box beside the pointer
// gives the figures of the one being dragged, else the selected, else the last, in the unit
// chosen. A click on a measurement selects it. Esc removes the one being dragged, else the
// last; Delete the selected; another picture removes them all. What is kept is the store's,
// which the list and the inch basis share.
class MeasureTool : public Instrument
{
    Q_OBJECT
public:
    // Presses on the picture are the spacing mode's while `mode` says so, and a guide's when
    // on one; a drag's ends snap to the guides.
    MeasureTool(frmVelmora& window, MeasurementStore& store, const Guides& guides,
                const PointerMode& mode);
    ~MeasureTool() override;

    // Whether any measurement is shown, the one being dragged included.
    bool measuring() const;
    // The image pixels the current measurement (the one being dragged, else the first
    // selected, else the last) runs between.
    QPoint from() const;
    QPoint to() const;
    // The current measurement's figures as the figures box shows them; "" when there is none.
    QString figuresText() const;
    // Where the figures box, and the number of the measurement at `index`, are drawn, in the
    // viewport's coordinates: beside what they are about, never over it where there is room
    // in sight. Empty for no figures box or no such measurement.
    QRect figuresBoxInViewport() const;
    QRect numberInViewport(int index) const;
    // What Ctrl+C copies now: the figures of the one being dragged, else of every selected
    // one a line each, else of the last, else the readout's text and colour while the
    // readout is shown, else "".
    QString copyText() const;
    // What Ctrl+Shift+C copies: every kept measurement, then every guide, as tab-separated
    // rows under a header; "" when neither is kept.
    QString tableText() const;

    // Removes the measurement being dragged, else the last one; false when there is none.
    bool removeLast();
    // Removes them all, the one being dragged too.
    void clear();
    // Puts copyText() on the clipboard; leaves the clipboard alone when it is "".
    void copy();
    // Puts tableText() on the clipboard, the same way.
    void copyTable();

    void mousePressed(const PictureMouse& mouse) override;
    void mouseMoved(const PictureMouse& mouse) override;
    void mouseReleased(const PictureMouse& mouse) override;
    void modifiersChanged(Qt::KeyboardModifiers held) override;
    void addMenuEntries(QMenu& menu, QPointF inViewport) override;
    void pictureChanged() override;
    void magnificationChanged() override;
    // Scrolled, or placed anew: what lies beside the picture moves on the margin.
    void pictureMoved() override;
    void unitsChanged() override;

private:
    // Where the picture lies in the viewport, which the mouse is given in.
    measurement::Placement placement() const;
    // What the store told: repaints where it changed.
    void added(int index);
    void removed();
    void selectionChanged();
    // Puts a text on the clipboard, unless it is "".
    void putOnClipboard(const std::function<QString()>& text);
    // The current measurement's figures in one line, with '-' for minus.
    QString summary(const measurement::Measurement& kept) const;
    // A drag that starts within reach of a line's end draws an angle's second arm from it.
    std::optional<measurement::Measurement> angleFrom(QPointF inViewport) const;
    void drag(QPointF inViewport, Qt::KeyboardModifiers modifiers);
    // The image pixel a drag's end is put on from this point: snapped to a guide within
    // reach unless Alt is held.
    QPoint endPixel(QPointF inViewport, Qt::KeyboardModifiers modifiers) const;
    // While a drag's pointer rests past the viewport's edge, the picture scrolls toward it
    // and the end follows, so a measurement can be longer than the viewport.
    void scrollTowardPointer();

    MeasurementStore& store_;
    const Guides& guides_;
    const PointerMode& mode_;
    std::optional<measurement::Measurement> dragged_;
    QPointF dragPointer_; // where the pointer last was while dragging, before snapping
    Qt::KeyboardModifiers dragModifiers_; // Shift to the eight directions, Alt not to guides
    QTimer edgeScroll_;
    std::vector<int> selectionShown_; // as the layer last drew it
    MeasurementLayer layer_;
};
