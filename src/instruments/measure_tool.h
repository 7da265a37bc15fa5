#pragma once

#include "instruments/measurement.h"
#include "instruments/measurement_table.h"
#include "viewer/instrument.h"

#include <QPoint>
#include <QPointF>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

class QPainter;

// Measuring on the picture, and copying what the window reads out. It adds to the window
// without changing any of its handlers: it hears the picture's mouse beside them (and never
// takes one from them), draws on a layer of its own above the picture, and answers Ctrl+C,
// Ctrl+Shift+C, Esc and the picture's context menu.
//
// Every drag adds a measurement and keeps the earlier ones, numbered 1, 2, 3, ...: a line
// (Shift snaps it to 0, 45, 90, ... degrees); with Ctrl a box over the pixels from the
// pressed one to the one under the pointer; Ctrl + click a point; a drag that starts on the
// end of a line a second arm, measuring the angle between them. A box beside the pointer
// gives the figures of the one being dragged, else the last, in the unit chosen. Esc removes
// the one being dragged, else the last; another picture removes them all.
class MeasureTool : public Instrument
{
    Q_OBJECT
public:
    explicit MeasureTool(frmVelmora& window);
    ~MeasureTool() override;

    // Whether any measurement is shown, the one being dragged included.
    bool measuring() const;
    // How many are kept, the one being dragged not counted.
    int count() const { return int(kept_.size()); }
    // The image pixels the current measurement (the one being dragged, else the last) runs
    // between.
    QPoint from() const;
    QPoint to() const;
    // The current measurement's figures as the box shows them; "" when there is none.
    QString boxText() const;
    // What Ctrl+C copies now: the current measurement's figures, else the readout's text and
    // colour while the readout is shown, else "".
    QString copyText() const;
    // What Ctrl+Shift+C copies: every kept measurement as tab-separated rows under a header;
    // "" when none is kept.
    QString tableText() const;

    // Removes the measurement being dragged, else the last one; false when there is none.
    bool removeLast();
    // Removes them all.
    void clear();
    // Puts copyText() on the clipboard; leaves the clipboard alone when it is "".
    void copy();

    void mousePressed(const PictureMouse& mouse) override;
    void mouseMoved(const PictureMouse& mouse) override;
    void mouseReleased(const PictureMouse& mouse) override;
    void modifiersChanged(Qt::KeyboardModifiers held) override;
    void addMenuEntries(QMenu& menu, QPointF inViewport) override;

private:
    class Layer;
    struct Drag {
        measurement::Kept kept;
        QPointF pointer; // where the pointer last was, in the viewport, before snapping
    };

    measurement::Placement placement() const;
    const measurement::Kept* current() const;
    // Puts a text on the clipboard, unless it is "".
    void putOnClipboard(const std::function<QString()>& text);
    // The current measurement's figures in one line, with '-' for minus.
    QString summary() const;
    // A drag that starts within reach of a line's end draws an angle's second arm from it.
    std::optional<measurement::Kept> angleFrom(QPointF inViewport) const;
    void drag(QPointF inViewport, bool snap);
    void paintLayer(QPainter& painter);
    void paintKept(QPainter& painter, const measurement::Kept& kept, bool standsOut) const;
    void layerChanged();

    Layer* layer_;
    std::vector<measurement::Kept> kept_;
    std::optional<Drag> drag_;
};
