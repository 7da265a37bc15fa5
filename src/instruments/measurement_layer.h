#pragma once

#include "instruments/measurement.h"
#include "instruments/measurement_marks.h"
#include "instruments/measurement_store.h"
#include "instruments/measurement_table.h"
#include "viewer/picture_view.h"
#include "viewer/units.h"

#include <QPixmap>
#include <QRect>
#include <QRegion>
#include <QSize>
#include <QStaticText>
#include <QString>
#include <optional>
#include <vector>

class QPainter;
class QWidget;

// Where the measurements are painted: two transparent surfaces, one over the picture that
// moves with it and one over the viewport for what lies beside the picture or just past its
// edge. Each kept measurement is drawn with its number, the one being dragged in red, the
// selected in blue, and a figures box beside the current one; only what changed is painted
// again. It reads the window's view, the store and the measurement being dragged, and
// changes none of them.
class MeasurementLayer
{
public:
    MeasurementLayer(const PictureView& view, const MeasurementStore& store,
                     const std::optional<measurement::Measurement>& dragged);
    ~MeasurementLayer();
    MeasurementLayer(const MeasurementLayer&) = delete;
    MeasurementLayer& operator=(const MeasurementLayer&) = delete;

    // The surfaces, for the owner to put over the picture and over the viewport.
    QWidget* overPicture() const;
    QWidget* overViewport() const;

    // What the figures box is about: the one being dragged, else the first selected, else
    // the last; null for none.
    const measurement::Measurement* current() const;
    // The current measurement's figures as the figures box shows them; "" when there is none.
    QString figuresText() const;
    // Where the figures box, and the number of the measurement at `index`, are drawn, in the
    // viewport's coordinates: beside what they are about, never over it where there is room
    // in sight. Empty for no figures box or no such measurement.
    QRect figuresBoxInViewport() const;
    QRect numberInViewport(int index) const;

    // Where on the layer a measurement is drawn, its number included (none for index -1).
    QRect repaintArea(const measurement::Measurement& kept, int index) const;
    // Repaints where something changed, and where the figures box was and is.
    void changed(const QRegion& changed);
    // Repaints all of it.
    void changedAll();
    // The numbers are placed again: after a removal they belong to other measurements.
    void renumbered();
    // Scrolled, or placed anew: what lies beside the picture moves on the margin.
    void pictureMoved();

private:
    class Surface;
    using Look = marks::Look;

    // The picture's place on the layer over it: its (0, 0) is the picture's.
    measurement::Placement onLayer() const;
    void paint(QPainter& painter, const QRegion& dirty);
    void paintKept(QPainter& painter, const measurement::Measurement& kept, Look look) const;
    void paintNumber(QPainter& painter, int index, Look look) const;
    // Where labels may go: the picture's extent where it scrolls, the viewport's where it is
    // smaller. It stays as the picture scrolls, so the numbers do too.
    QRect canvas() const;
    // Where the window's rulers may lie over the canvas, which labels keep clear of: along
    // the top and left edges of a picture smaller than the viewport.
    QRegion underRulers(const QRect& canvas) const;
    // The screen pixels a measurement's marks cover on the layer: its pixels and the
    // outline, rings and arms around them. Numbers and the figures box stay outside it.
    QRect markedBy(const measurement::Measurement& kept) const;
    QRect numberArea(int index) const;
    // The numbers' places, worked out once for the canvas and factor they were placed at.
    struct Labels {
        QRect canvas;
        Zoom factor{0, 0};
        QRegion underRulers;
        std::vector<QRect> numbers;
    };
    const Labels& labels() const;
    // A measurement's number: its text, and its label as drawn when it is not selected.
    struct Number {
        QStaticText text;
        QPixmap plain;
    };
    const Number& number(int index) const;
    // The figures box's text and size for the current measurement.
    struct FiguresBox {
        measurement::Measurement of;
        QString pair;
        int unit;
        units::PixelsPerInch perInch;
        QString text;
        QSize size;
    };
    const FiguresBox* figuresBox() const;
    // With exactly two points selected, the contrast between their colours; "" else.
    QString pairContrast() const;
    QRect figuresBoxArea() const;

    const PictureView& view_;
    const MeasurementStore& store_;
    const std::optional<measurement::Measurement>& dragged_;
    Surface* picture_;      // over the picture, moving with it
    Surface* margin_;       // over the viewport beside the picture and just past its edges
    QRegion besideShown_;   // where the margin last showed what lies beside the picture
    QRect figuresBoxShown_; // where the box was last painted
    mutable std::optional<FiguresBox> figuresBox_;
    mutable std::vector<Number> numbers_;
    mutable Labels labels_;
};
