#pragma once

#include "viewer/measurement.h"

#include <QObject>
#include <QPoint>
#include <QPointF>
#include <QString>
#include <optional>

class frmVelmora;
class QContextMenuEvent;
class QMouseEvent;
class QPainter;
class QShortcut;
class QWidget;

// Measuring between two points of the picture, and copying what the window reads out. It
// adds to the window without changing any of its handlers: it watches the picture's mouse
// events beside them (and never takes one from them), draws on a layer of its own above the
// picture, and answers Ctrl+C, Esc and the picture's context menu.
//
// Press the left button on the picture and drag: a one-pixel line runs from the pressed
// image pixel to the one under the pointer (Shift snaps it to 0, 45, 90, ... degrees), and a
// box beside its end gives the figures in the unit of cboUnit. Releasing leaves both shown,
// unless the line has no length; the next press starts again; Esc, another picture or
// another factor removes them.
class MeasureTool : public QObject
{
    Q_OBJECT
public:
    // Attaches itself to the window's picture, lists and keys; the window owns it.
    explicit MeasureTool(frmVelmora* window);
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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Layer;
    struct Line {
        QPoint from;
        QPoint to;
        QPointF pointer; // where the pointer last was, in the viewport, before snapping
        bool dragging = true;
        // The picture measured on: another picture or factor ends the measurement.
        qint64 pictureKey = 0;
        qint32 factor = 0;
        QSize image;
    };

    measurement::Placement placement() const;
    qint64 pictureKey() const;
    // Drops a measurement taken on a picture that is no longer the one shown.
    void dropIfStale();
    void press(const QMouseEvent& event);
    void drag(QPointF inViewport, bool snap);
    void showContextMenu(const QContextMenuEvent& event);
    void paintLayer(QPainter& painter);
    void layerChanged();

    frmVelmora* window_;
    Layer* layer_;
    QShortcut* escape_;
    std::optional<Line> line_;
};
