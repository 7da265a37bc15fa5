#pragma once

#include "instruments/guides.h"
#include "viewer/instrument.h"

#include <QPointF>
#include <QRect>
#include <QRegion>
#include <optional>
#include <vector>

class MeasurementStore;
class QPainter;

// Guides on the picture: dragged from the ruler along the top a horizontal one, from the
// ruler on the left a vertical one, each a one-pixel cyan line across the viewport on the
// screen row or column its edge falls on. A guide is dragged to move it and back onto its
// ruler to remove it; a double click types its position; Ctrl+; hides and shows them all;
// the context menu clears them. While one is dragged its position shows beside the pointer,
// and it lands on a measurement's end within reach (not with Alt).
class GuideTool : public Instrument
{
    Q_OBJECT
public:
    GuideTool(frmVelmora& window, Guides& guides, const MeasurementStore& measurements);
    ~GuideTool() override;

    // The guide being dragged, while one is over the picture's side of its ruler.
    std::optional<guide::Guide> dragged() const;
    // The box beside the pointer while a guide is dragged: its text and where it lies in the
    // viewport; "" and empty else.
    QString draggedText() const;
    QRect draggedBoxInViewport() const;

    void pictureChanged() override;
    void magnificationChanged() override;
    void pictureMoved() override;
    void unitsChanged() override;
    void mousePressed(const PictureMouse& mouse) override;
    void mouseMoved(const PictureMouse& mouse) override;
    void mouseReleased(const PictureMouse& mouse) override;
    void mouseDoubleClicked(const PictureMouse& mouse) override;
    void rulerPressed(Qt::Orientation ruler, const PictureMouse& mouse) override;
    void rulerMoved(Qt::Orientation ruler, const PictureMouse& mouse) override;
    void rulerReleased(Qt::Orientation ruler, const PictureMouse& mouse) override;
    void addMenuEntries(QMenu& menu, QPointF inViewport) override;

private:
    class Layer;
    struct Drag {
        std::optional<int> index; // the guide moved; none for a new one from its ruler
        guide::Guide guide;
        QPointF pointer;
        bool offRuler = false; // on the picture's side of its ruler, where it is kept
    };

    measurement::Placement placement() const;
    bool hasPicture() const;
    void startDrag(std::optional<int> index, guide::Guide guide, QPointF pointer);
    void dragTo(QPointF pointer, Qt::KeyboardModifiers modifiers);
    void endDrag(QPointF pointer, Qt::KeyboardModifiers modifiers);
    // Whether the pointer has left the guide's ruler toward the picture.
    bool pastRuler(Qt::Orientation orientation, QPointF pointer) const;
    void typePosition(int index);
    // What the layers draw, in the viewport's coordinates: the lines and the box.
    void paint(QPainter& painter, QPoint viewportOrigin, const QRect& dirty) const;
    // Where a guide's line lies in the viewport's coordinates, across the viewport.
    QRect lineInViewport(const guide::Guide& guide) const;
    // What is drawn: the lines (the dragged one instead of where it was) and the box.
    struct Drawn {
        std::vector<guide::Guide> lines;
        QRect box; // in the viewport's coordinates
    };
    Drawn drawnNow() const;
    // Where it lies in the viewport as the picture lies now.
    QRegion regionOf(const Drawn& drawn) const;
    // The viewport less the picture.
    QRegion besideThePicture() const;
    // Repaints where the lines and the box lie now and where they lay when last painted.
    void repaint();
    // Shows the layer beside the picture while lines lie there, repainting what changed.
    void showBesidePicture(const QRegion& changed);

    Guides& guides_;
    const MeasurementStore& measurements_;
    std::optional<Drag> drag_;
    Layer* besidePicture_;
    Drawn drawn_; // as last painted
};
