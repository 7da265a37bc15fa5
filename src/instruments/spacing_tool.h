#pragma once

#include "viewer/instrument.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QString>
#include <optional>

class Guides;
class MeasurementStore;
class PointerMode;

// The spacing mode (间距), switched with S: from the image pixel under the pointer four arms
// run left, right, up and down to the last pixel before an edge, drawn with their lengths,
// and a box gives the span across and down, both ends included, in the unit chosen. [ and ]
// change the tolerance an edge must pass (remembered). A click keeps the span as a box
// measurement; Ctrl + click keeps the two arms as two lines.
class SpacingTool : public Instrument
{
    Q_OBJECT
public:
    // A press on a guide is the guide's, not a click that keeps the span.
    SpacingTool(frmVelmora& window, MeasurementStore& store, const Guides& guides,
                PointerMode& mode);
    ~SpacingTool() override;

    bool on() const;
    void setOn(bool on);
    int tolerance() const { return tolerance_; }
    // Steps the tolerance by kToleranceStep, up for steps > 0, within 0 to 255.
    void stepTolerance(int steps);
    // The span found from the pixel under the pointer, while the mode is on over the picture.
    std::optional<QRect> span() const { return span_; }
    // The box's text: "宽 120  高 32  容差 8".
    QString figuresText() const;

    void pictureChanged() override;
    void magnificationChanged() override;
    void unitsChanged() override;
    void pointerOverPixel(QPoint pixel, QRgb colour) override;
    void pointerLeftPicture() override;
    void mousePressed(const PictureMouse& mouse) override;
    void mouseReleased(const PictureMouse& mouse) override;
    void addMenuEntries(QMenu& menu, QPointF inViewport) override;

private:
    class Layer;
    void find();
    void changed();

    MeasurementStore& store_;
    const Guides& guides_;
    PointerMode& mode_;
    Layer* layer_;
    int tolerance_;
    std::optional<QPoint> pointer_;
    std::optional<QRect> span_;
    std::optional<QPoint> pressed_;
    // The picture's transpose, made when the mode first looks at a picture, for the arms up
    // and down; the picture it was made from.
    QImage turned_;
    qint64 turnedFrom_ = 0;
};
