#pragma once

#include "instruments/measurement.h"
#include "viewer/instrument.h"

#include <QPoint>
#include <QPointF>
#include <QString>
#include <optional>

class QPainter;

// Measuring between two points of the picture, and copying what the window reads out. It
// adds to the window without changing any of its handlers: it hears the picture's mouse
// beside them (and never takes one from them), draws on a layer of its own above the
// picture, and answers Ctrl+C, Esc and the picture's context menu.
//
// Press the left button on the picture and drag: a one-pixel line runs from the pressed
// image pixel to the one under the pointer (Shift snaps it to 0, 45, 90, ... degrees), and a
// box beside its end gives the figures in the unit chosen. Releasing leaves both shown,
// unless the line has no length; the next press starts again; Esc, another picture or
// another factor removes them.
class MeasureTool : public Instrument
{
    Q_OBJECT
public:
    explicit MeasureTool(frmVelmora& window);
    ~MeasureTool() override;

    // Whether a measurement is shown (also while it is being dragged).
    bool measuring() const;
    // The image pixels the shown line runs between.
    QPoint from() const;
    QPoint to() const;
    // The figures the box shows; "" when no measurement is shown.
    QString boxText() const;
    // What Ctrl+C copies now: the measurement's figures while one is shown, else the
    // readout's text and colour while the readout is shown, else "".
    QString copyText() const;

    // Removes the measurement, if one is shown.
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
    struct Line {
        QPoint from;
        QPoint to;
        QPointF pointer; // where the pointer last was, in the viewport, before snapping
        bool dragging = true;
    };

    measurement::Placement placement() const;
    measurement::Figures figures() const;
    void drag(QPointF inViewport, bool snap);
    void paintLayer(QPainter& painter);
    void layerChanged();

    Layer* layer_;
    std::optional<Line> line_;
};
