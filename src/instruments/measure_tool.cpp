#include "instruments/measure_tool.h"

#include "instruments/figures.h"
#include "instruments/guides.h"
#include "instruments/pointer_mode.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <cmath>
#include <initializer_list>

using namespace measurement;

MeasureTool::MeasureTool(frmVelmora& window, MeasurementStore& store, const Guides& guides,
                         const PointerMode& mode)
    : Instrument(window), store_(store), guides_(guides), mode_(mode),
      layer_(this->window(), store, dragged_)
{
    constexpr int kEdgeScrollMs = 30;
    edgeScroll_.setInterval(kEdgeScrollMs);
    connect(&edgeScroll_, &QTimer::timeout, this, &MeasureTool::scrollTowardPointer);
    setObjectName(QStringLiteral("measureTool"));
    addOverlay(layer_.overPicture());
    addViewportOverlay(layer_.overViewport());
    claimKey(QKeySequence::Copy, [this] {
        copy();
        return true;
    });
    claimKey(QKeySequence(Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_C), [this] {
        copyTable();
        return true;
    });
    claimKey(QKeySequence(Qt::Key_Escape), [this] { return removeLast(); });
    claimKey(QKeySequence(Qt::Key_Delete), [this] { return store_.removeSelected(); });
    connect(&store_, &MeasurementStore::added, this, &MeasureTool::added);
    connect(&store_, &MeasurementStore::removed, this, &MeasureTool::removed);
    connect(&store_, &MeasurementStore::selectionChanged, this, &MeasureTool::selectionChanged);
}

MeasureTool::~MeasureTool() = default;

void MeasureTool::pictureChanged()
{
    // Measurements belong to the picture they were taken on, in its own pixels: they stay
    // through scrolling and another factor, and a reload of the same file keeps those that
    // still lie on it. Which another picture has is the work keeper's to say.
    dragged_.reset();
    store_.setDraggedFrom(std::nullopt);
    edgeScroll_.stop();
    if (window().reopened())
        store_.keepWithin(window().imageSize());
    // The picture's size and place may be new even where every measurement stayed.
    layer_.changedAll();
}

void MeasureTool::magnificationChanged()
{
    layer_.changedAll();
}

void MeasureTool::pictureMoved()
{
    layer_.pictureMoved();
}

void MeasureTool::unitsChanged()
{
    // The layer moves with the picture, and the numbers stay in any unit: only the box, which
    // stays in sight and gives figures in the unit, changes with either.
    layer_.changed(QRegion());
}

bool MeasureTool::measuring() const
{
    return layer_.current() != nullptr;
}

QPoint MeasureTool::from() const
{
    return measuring() ? layer_.current()->from : QPoint();
}

QPoint MeasureTool::to() const
{
    return measuring() ? layer_.current()->to : QPoint();
}

QString MeasureTool::figuresText() const
{
    return layer_.figuresText();
}

QRect MeasureTool::figuresBoxInViewport() const
{
    return layer_.figuresBoxInViewport();
}

QRect MeasureTool::numberInViewport(int index) const
{
    return layer_.numberInViewport(index);
}

QString MeasureTool::summary(const Measurement& kept) const
{
    return measurement::copyText(kept, figuresOf(kept, window().unit(), window().pixelsPerInch()));
}

QString MeasureTool::copyText() const
{
    if (!dragged_ && !store_.selection().empty()) {
        QStringList lines;
        for (const int index : store_.selection())
            lines << summary(store_.at(index));
        return lines.join(QLatin1Char('\n'));
    }
    if (measuring())
        return summary(*layer_.current());
    if (const auto pointed = window().pointedPixel())
        return readoutCopyText(window().readoutText(), pointed->colour);
    return QString();
}

QString MeasureTool::tableText() const
{
    if (store_.count() == 0 && guides_.count() == 0)
        return QString();
    const int unit = window().unit();
    const auto perInch = window().pixelsPerInch();
    QList<Row> rows = rowsOf(store_.all(), unit, perInch);
    for (const guide::Guide& kept : guides_.all())
        rows << guide::rowOf(kept, unit, perInch);
    return tabSeparated(rows);
}

void MeasureTool::added(int index)
{
    layer_.changed(layer_.repaintArea(store_.at(index), index));
}

void MeasureTool::removed()
{
    // The numbers after the first one removed change, and where it was: all of it.
    layer_.renumbered();
    selectionShown_ = store_.selection();
    layer_.changedAll();
}

void MeasureTool::selectionChanged()
{
    QRegion changed;
    for (const std::vector<int>* list :
         std::initializer_list<const std::vector<int>*>{&selectionShown_, &store_.selection()})
        for (const int index : *list)
            if (index < store_.count())
                changed |= layer_.repaintArea(store_.at(index), index);
    selectionShown_ = store_.selection();
    layer_.changed(changed);
}

bool MeasureTool::removeLast()
{
    if (!dragged_)
        return store_.removeLast();
    const QRect was = layer_.repaintArea(*dragged_, -1);
    dragged_.reset();
    store_.setDraggedFrom(std::nullopt);
    layer_.changed(was);
    return true;
}

void MeasureTool::clear()
{
    if (dragged_) {
        dragged_.reset();
        store_.setDraggedFrom(std::nullopt);
        layer_.changedAll();
    }
    store_.clear();
}

void MeasureTool::copy()
{
    putOnClipboard([this] { return copyText(); });
}

void MeasureTool::copyTable()
{
    // Said, not silent: the clipboard keeps what it held, and the paste elsewhere would
    // otherwise bring that instead.
    if (store_.count() == 0 && guides_.count() == 0) {
        showBriefNote(tr("没有测量可复制"));
        return;
    }
    putOnClipboard([this] { return tableText(); });
}

void MeasureTool::putOnClipboard(const std::function<QString()>& text)
{
    // The figures are worked out with the window's checked arithmetic; a fault is reported
    // as the window reports any handler's.
    runGuarded([&text] {
        const QString copied = text();
        if (!copied.isEmpty())
            QGuiApplication::clipboard()->setText(copied);
    });
}

Placement MeasureTool::placement() const
{
    return Placement{window().pictureOrigin(), window().factor(), window().imageSize()};
}

std::optional<Measurement> MeasureTool::angleFrom(QPointF inViewport) const
{
    const Placement where = placement();
    for (auto kept = store_.all().rbegin(); kept != store_.all().rend(); ++kept) {
        if (kept->kind != Kind::Line)
            continue;
        for (const auto& [end, other] : {std::pair{kept->from, kept->to}, {kept->to, kept->from}}) {
            const QPointF offset = inViewport - QPointF(viewportPoint(where, end));
            if (std::hypot(offset.x(), offset.y()) <= MeasurementStore::kReach)
                return Measurement{Kind::Angle, end, end, other, 0};
        }
    }
    return std::nullopt;
}

void MeasureTool::mousePressed(const PictureMouse& mouse)
{
    if (mouse.button != Qt::LeftButton || mode_.spacing())
        return;
    if (window().picture().isNull() || window().imageSize().isEmpty() ||
        window().factor().times < 1)
        return;
    // A press on a guide moves the guide.
    if (guides_.guideNear(placement(), mouse.inViewport))
        return;
    const QPoint pixel = endPixel(mouse.inViewport, mouse.modifiers);
    const bool ctrl = mouse.modifiers & Qt::ControlModifier;
    std::optional<Measurement> angle = ctrl ? std::nullopt : angleFrom(mouse.inViewport);
    dragged_ = angle.value_or(Measurement{ctrl ? Kind::Box : Kind::Line, pixel, pixel, {}, 0});
    if (dragged_->kind == Kind::Line) {
        dragged_->colour = dragged_->toColour = window().picture().pixel(pixel);
        store_.setDraggedFrom(pixel);
    }
    dragPointer_ = mouse.inViewport;
    dragModifiers_ = mouse.modifiers;
    layer_.changed(layer_.repaintArea(*dragged_, -1));
}

void MeasureTool::mouseMoved(const PictureMouse& mouse)
{
    if (dragged_ && (mouse.buttons & Qt::LeftButton))
        drag(mouse.inViewport, mouse.modifiers);
}

void MeasureTool::mouseReleased(const PictureMouse& mouse)
{
    if (mouse.button != Qt::LeftButton || !dragged_)
        return;
    drag(mouse.inViewport, mouse.modifiers);
    Measurement kept = *dragged_;
    const QRect was = layer_.repaintArea(kept, -1);
    dragged_.reset();
    store_.setDraggedFrom(std::nullopt);
    edgeScroll_.stop();
    layer_.changed(was);
    if (kept.to == kept.from) {
        // A click: with Ctrl it marks a point; without, it selects what it is on and keeps
        // every measurement as it was.
        if (kept.kind != Kind::Box) {
            const auto hit = store_.measurementAt(placement(), mouse.inViewport);
            store_.setSelection(hit ? std::vector{*hit} : std::vector<int>{});
            return;
        }
        kept.kind = Kind::Point;
        kept.colour = window().picture().pixel(kept.from);
    }
    store_.add(kept);
}

void MeasureTool::modifiersChanged(Qt::KeyboardModifiers held)
{
    // Shift or Alt pressed or let go mid-drag snaps or frees the end where the pointer rests.
    if (dragged_)
        drag(dragPointer_, held);
}

QPoint MeasureTool::endPixel(QPointF inViewport, Qt::KeyboardModifiers modifiers) const
{
    const Placement where = placement();
    const QPoint pixel = imagePixel(where, inViewport);
    if (modifiers & Qt::AltModifier)
        return pixel;
    return guide::snappedToGuides(where, guides_.shownOnes(), inViewport, pixel);
}

void MeasureTool::drag(QPointF inViewport, Qt::KeyboardModifiers modifiers)
{
    const Placement where = placement();
    dragPointer_ = inViewport;
    dragModifiers_ = modifiers;
    const bool snap = modifiers & Qt::ShiftModifier;
    if (!window().viewport().rect().contains(inViewport.toPoint()) && !edgeScroll_.isActive())
        edgeScroll_.start();
    Measurement& kept = *dragged_;
    QRegion changed = layer_.repaintArea(kept, -1);
    const QPoint end = snap ? imagePixel(where, inViewport) : endPixel(inViewport, modifiers);
    kept.to = snap && kept.kind != Kind::Box ? snapped(kept.from, end, where.image) : end;
    if (kept.kind == Kind::Line)
        kept.toColour = window().picture().pixel(kept.to);
    changed |= layer_.repaintArea(kept, -1);
    layer_.changed(changed);
}

void MeasureTool::scrollTowardPointer()
{
    const QRect view = window().viewport().rect();
    const QPointF at = dragPointer_;
    if (!dragged_ || !(QApplication::mouseButtons() & Qt::LeftButton) ||
        view.contains(at.toPoint())) {
        edgeScroll_.stop();
        return;
    }
    // Faster the further past the edge, and never less than an image pixel.
    const int pixel = window().factor().times;
    const auto stepPast = [pixel](double at, int length) {
        const double past = at < 0 ? at : at >= length ? at - length + 1 : 0;
        if (past == 0)
            return 0;
        const int step = std::max(pixel, int(std::abs(past)));
        return past < 0 ? -step : step;
    };
    const QPoint origin = window().pictureOrigin();
    const QPoint scrolled(std::max(0, -origin.x()), std::max(0, -origin.y()));
    scrollTo(scrolled + QPoint(stepPast(at.x(), view.width()), stepPast(at.y(), view.height())));
    if (dragged_)
        drag(dragPointer_, dragModifiers_);
}

void MeasureTool::addMenuEntries(QMenu& menu, QPointF /*inViewport*/)
{
    if (window().picture().isNull())
        return;
    // What the readout says as the menu opens, so the entry copies what was read out there.
    // The colour alone, in each notation, is the loupe's.
    const auto pointed = window().pointedPixel();
    const QString both =
        pointed ? readoutCopyText(window().readoutText(), pointed->colour) : QString();
    QAction* copyBoth = addMenuEntry(menu, tr("复制位置和颜色"),
                                     [both] { QGuiApplication::clipboard()->setText(both); });
    copyBoth->setEnabled(pointed.has_value());
}
