#pragma once

#include "instruments/measurement.h"
#include "instruments/measurement_table.h"

#include <QObject>
#include <QPointF>
#include <QSize>
#include <optional>
#include <vector>

// The measurements kept on the picture shown, numbered from 1 in the order kept, and which
// of them are selected: one store, made where the instruments are attached and handed to
// each that measures, lists or scales, so none of them needs another. What changes it is
// told once, by a signal, to all of them.
class MeasurementStore : public QObject
{
    Q_OBJECT
public:
    using Measurement = measurement::Measurement;

    explicit MeasurementStore(QObject* parent = nullptr) : QObject(parent) {}

    const std::vector<Measurement>& all() const { return kept_; }
    int count() const { return int(kept_.size()); }
    const Measurement& at(int index) const { return kept_[std::size_t(index)]; }

    // Keeps one more, at the end.
    void add(const Measurement& kept);
    // Removes the last one; false when there is none.
    bool removeLast();
    // Removes the selected ones; false when none is.
    bool removeSelected();
    // Removes them all.
    void clear();
    // Keeps these instead of those kept, with none selected: the work kept with another
    // picture, or an undone step.
    void replace(std::vector<Measurement> kept);
    // Keeps only those lying wholly on a picture of `image` pixels: the same file read again
    // may have shrunk.
    void keepWithin(QSize image);

    // The indexes (from 0) of the selected ones, ascending.
    const std::vector<int>& selection() const { return selected_; }
    bool isSelected(int index) const;
    // Selects these, leaving out indexes that are not kept.
    void setSelection(std::vector<int> indexes);

    // The kept measurement drawn under a point of the viewport for the picture placed as
    // given, the latest first: within reach of a line or an arm, or of a box's outline.
    std::optional<int> measurementAt(const measurement::Placement& placement,
                                     QPointF inViewport) const;
    // The line a scale would be set from: the one under the point, else the one selected alone.
    std::optional<int> lineFor(const measurement::Placement& placement,
                               std::optional<QPointF> inViewport) const;

    // Asks for a scale to be set from the kept line at `index` (a menu entry or the list):
    // whoever sets scales hears scaleRequested.
    void requestScale(int index) { emit scaleRequested(index); }

    // The first end of a line being dragged, while one is: the loupe reckons the contrast from
    // it.
    std::optional<QPoint> draggedFrom() const { return draggedFrom_; }
    void setDraggedFrom(std::optional<QPoint> from) { draggedFrom_ = from; }
    // The pixel the loupe's contrast is reckoned against: the first end of the line being
    // dragged, else the selected point or the first end of the selected line.
    std::optional<QPoint> contrastReference() const;

    // How near a line's end or a box's outline a point must lie to be on it, in screen pixels.
    static constexpr double kReach = 4;

signals:
    // A measurement was kept, at the end: `index` is count() - 1.
    void added(int index);
    // Measurements were removed, or all replaced; the ones left may be numbered anew.
    void removed();
    void selectionChanged();
    void scaleRequested(int index);

private:
    std::vector<Measurement> kept_;
    std::vector<int> selected_;
    std::optional<QPoint> draggedFrom_;
};
