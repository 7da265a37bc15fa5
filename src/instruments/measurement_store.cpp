#include "instruments/measurement_store.h"

#include <QRect>
#include <QRectF>
#include <algorithm>

using namespace measurement;

void MeasurementStore::add(const Measurement& kept)
{
    kept_.push_back(kept);
    emit added(count() - 1);
}

bool MeasurementStore::removeLast()
{
    if (kept_.empty())
        return false;
    kept_.pop_back();
    const bool wasSelected = !selected_.empty() && selected_.back() == count();
    if (wasSelected)
        selected_.pop_back();
    emit removed();
    if (wasSelected)
        emit selectionChanged();
    return true;
}

bool MeasurementStore::removeSelected()
{
    if (selected_.empty())
        return false;
    // From the back, so the indexes still to remove stay where they are.
    for (auto index = selected_.rbegin(); index != selected_.rend(); ++index)
        kept_.erase(kept_.begin() + *index);
    selected_.clear();
    emit removed();
    emit selectionChanged();
    return true;
}

void MeasurementStore::clear()
{
    if (kept_.empty())
        return;
    const bool hadSelection = !selected_.empty();
    kept_.clear();
    selected_.clear();
    emit removed();
    if (hadSelection)
        emit selectionChanged();
}

void MeasurementStore::replace(std::vector<Measurement> kept)
{
    if (kept == kept_)
        return;
    const bool hadSelection = !selected_.empty();
    kept_ = std::move(kept);
    selected_.clear();
    emit removed();
    if (hadSelection)
        emit selectionChanged();
}

void MeasurementStore::keepWithin(QSize image)
{
    const QRect on(QPoint(0, 0), image);
    const auto off = [&on](const Measurement& m) {
        return !on.contains(m.from) || !on.contains(m.to) ||
               (m.kind == Kind::Angle && !on.contains(m.firstArm));
    };
    if (std::none_of(kept_.begin(), kept_.end(), off))
        return;
    std::erase_if(kept_, off);
    // The numbers after the first one gone have moved: a selection would name others.
    const bool hadSelection = !selected_.empty();
    selected_.clear();
    emit removed();
    if (hadSelection)
        emit selectionChanged();
}

bool MeasurementStore::isSelected(int index) const
{
    return std::binary_search(selected_.begin(), selected_.end(), index);
}

void MeasurementStore::setSelection(std::vector<int> indexes)
{
    std::erase_if(indexes, [this](int index) { return index < 0 || index >= count(); });
    std::sort(indexes.begin(), indexes.end());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    if (indexes == selected_)
        return;
    selected_ = std::move(indexes);
    emit selectionChanged();
}

std::optional<int> MeasurementStore::measurementAt(const Placement& where, QPointF inViewport) const
{
    const auto onScreen = [&](QPoint pixel) { return QPointF(viewportPoint(where, pixel)); };
    for (int index = count() - 1; index >= 0; --index) {
        const Measurement& kept = at(index);
        double distance = distanceToSegment(inViewport, onScreen(kept.from), onScreen(kept.to));
        if (kept.kind == Kind::Angle)
            distance = std::min(distance, distanceToSegment(inViewport, onScreen(kept.from),
                                                            onScreen(kept.firstArm)));
        else if (kept.kind == Kind::Box)
            distance = QRectF(blockOf(where, kept.from) | blockOf(where, kept.to))
                               .adjusted(-kReach, -kReach, kReach, kReach)
                               .contains(inViewport)
                           ? 0
                           : kReach + 1;
        if (distance <= kReach)
            return index;
    }
    return std::nullopt;
}

std::optional<int> MeasurementStore::lineFor(const Placement& where,
                                             std::optional<QPointF> inViewport) const
{
    const auto isLine = [this](int index) { return at(index).kind == Kind::Line; };
    if (inViewport)
        if (const auto under = measurementAt(where, *inViewport); under && isLine(*under))
            return under;
    if (selected_.size() == 1 && isLine(selected_.front()))
        return selected_.front();
    return std::nullopt;
}

std::optional<QPoint> MeasurementStore::contrastReference() const
{
    if (draggedFrom_)
        return draggedFrom_;
    if (selected_.empty())
        return std::nullopt;
    const Measurement& chosen = at(selected_.front());
    if (chosen.kind == measurement::Kind::Point || chosen.kind == measurement::Kind::Line)
        return chosen.from;
    return std::nullopt;
}
