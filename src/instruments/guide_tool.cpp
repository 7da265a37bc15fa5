#include "instruments/guide_tool.h"

#include "instruments/measurement_marks.h"
#include "instruments/measurement_store.h"

#include <QFontMetrics>
#include <QInputDialog>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <vector>

using guide::Guide;
using measurement::Placement;

namespace
{

// The box beside the pointer looks as the measurements' figures box does.
constexpr int kBoxPaddingX = 4;
constexpr int kBoxPaddingY = 2;
constexpr int kBoxOffset = 16;

} // namespace

// Where the guides are drawn beside the picture: over the viewport, masked to the margins.
// Over the picture they are drawn as it is painted (addPictureMarks), so they cost a scroll
// nothing. Both paint in the viewport's coordinates.
class GuideTool::Layer : public QWidget
{
public:
    explicit Layer(GuideTool& tool) : tool_(tool)
    {
        setObjectName(QStringLiteral("guidesBesidePicture"));
        setAttribute(Qt::WA_NoSystemBackground);
        hide();
    }

    // Where the viewport's (0, 0) lies on this layer.
    static QPoint viewportOrigin()
    {
        constexpr int rim = Instrument::kViewportRim;
        return QPoint(rim, rim);
    }

    void repaint(const QRegion& inViewport)
    {
        if (!isHidden())
            update(inViewport.translated(viewportOrigin()));
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPainter painter(this);
        painter.setClipRegion(event->region());
        tool_.paint(painter, viewportOrigin(), event->rect());
    }

private:
    GuideTool& tool_;
};

GuideTool::GuideTool(frmVelmora& window, Guides& guides, const MeasurementStore& measurements)
    : Instrument(window), guides_(guides), measurements_(measurements),
      besidePicture_(new Layer(*this))
{
    setObjectName(QStringLiteral("guideTool"));
    addPictureMarks([this](QPainter& painter, const QRect& exposed) {
        paint(painter, -this->window().pictureOrigin(), exposed);
    });
    addViewportOverlay(besidePicture_);
    claimKey(QKeySequence(Qt::ControlModifier | Qt::Key_Semicolon), [this] {
        if (!hasPicture())
            return false;
        guides_.setShown(!guides_.shown());
        return true;
    });
    connect(&guides_, &Guides::changed, this, &GuideTool::repaint);
}

GuideTool::~GuideTool() = default;

Placement GuideTool::placement() const
{
    return Placement{window().pictureOrigin(), window().factor(), window().imageSize()};
}

std::optional<Guide> GuideTool::dragged() const
{
    if (drag_ && drag_->offRuler)
        return drag_->guide;
    return std::nullopt;
}

QString GuideTool::draggedText() const
{
    const auto guide = dragged();
    return guide ? guide::positionText(*guide, window().unit(), window().pixelsPerInch())
                 : QString();
}

QRect GuideTool::draggedBoxInViewport() const
{
    const QString text = draggedText();
    if (text.isEmpty())
        return QRect();
    const QSize size = QFontMetrics(besidePicture_->font()).size(Qt::TextSingleLine, text) +
                       QSize(2 * kBoxPaddingX, 2 * kBoxPaddingY);
    // Below and right of the pointer, kept in sight: near the right or bottom edge it goes to
    // the other side.
    const QRect view = window().viewport().rect();
    const QPoint pointer = drag_->pointer.toPoint();
    QPoint at = pointer + QPoint(kBoxOffset, kBoxOffset);
    if (at.x() + size.width() > view.right())
        at.setX(pointer.x() - kBoxOffset - size.width());
    if (at.y() + size.height() > view.bottom())
        at.setY(pointer.y() - kBoxOffset - size.height());
    at.setX(std::clamp(at.x(), 0, std::max(0, view.width() - size.width())));
    at.setY(std::clamp(at.y(), 0, std::max(0, view.height() - size.height())));
    return QRect(at, size);
}

QRect GuideTool::lineInViewport(const Guide& guide) const
{
    const QSize view = window().viewport().size();
    const int line = guide::screenLine(placement(), guide);
    return guide.orientation == Qt::Vertical ? QRect(line, 0, 1, view.height())
                                             : QRect(0, line, view.width(), 1);
}

bool GuideTool::hasPicture() const
{
    return window().pictureFrom() != PictureView::From::Nothing && !window().imageSize().isEmpty();
}

GuideTool::Drawn GuideTool::drawnNow() const
{
    Drawn drawn;
    if (!hasPicture())
        return drawn;
    const std::vector<Guide>& shown = guides_.shownOnes();
    for (int i = 0; i < int(shown.size()); ++i)
        if (!drag_ || drag_->index != i)
            drawn.lines.push_back(shown[std::size_t(i)]);
    if (const auto guide = dragged()) {
        drawn.lines.push_back(*guide);
        drawn.box = draggedBoxInViewport();
    }
    return drawn;
}

QRegion GuideTool::regionOf(const Drawn& drawn) const
{
    QRegion region(drawn.box);
    for (const Guide& line : drawn.lines)
        region |= lineInViewport(line);
    return region;
}

void GuideTool::paint(QPainter& painter, QPoint viewportOrigin, const QRect& dirty) const
{
    const Drawn drawn = drawnNow();
    for (const Guide& guide : drawn.lines) {
        const QRect line = lineInViewport(guide).translated(viewportOrigin);
        if (line.intersects(dirty))
            painter.fillRect(line, marks::kGuideInk);
    }
    if (!drawn.box.isEmpty()) {
        const QRect box = drawn.box.translated(viewportOrigin);
        // The font the box was measured in, whichever surface it is drawn on.
        painter.setFont(besidePicture_->font());
        painter.fillRect(box, marks::kLabelGround);
        painter.setPen(marks::kLabelInk);
        painter.drawRect(box.adjusted(0, 0, -1, -1));
        painter.drawText(box, Qt::AlignCenter, draggedText());
    }
}

QRegion GuideTool::besideThePicture() const
{
    const QRect picture(window().pictureOrigin(), window().factor().shown(window().imageSize()));
    return QRegion(window().viewport().rect()) - QRegion(picture);
}

void GuideTool::repaint()
{
    const Drawn now = drawnNow();
    // Where the lines lay and lie, both reckoned where the picture is now: those drawn over
    // it moved with it.
    const QRegion changed = regionOf(drawn_) | regionOf(now);
    repaintPicture(changed.translated(-window().pictureOrigin()));
    drawn_ = now;
    showBesidePicture(changed);
}

void GuideTool::showBesidePicture(const QRegion& changed)
{
    // Shown only where there is a margin: a layer over the viewport, even one masked to its
    // rim, keeps a scroll from moving what is on screen, and every step would cost a tenth
    // more.
    const QRegion beside = besideThePicture();
    if (drawn_.lines.empty() || beside.isEmpty()) {
        besidePicture_->hide();
    } else if (besidePicture_->isHidden()) {
        besidePicture_->show();
        besidePicture_->update();
    } else {
        besidePicture_->repaint(changed & beside);
    }
}

void GuideTool::pictureChanged()
{
    drag_.reset();
    if (window().reopened())
        guides_.pictureReopened(window().imageSize());
    magnificationChanged();
}

void GuideTool::magnificationChanged()
{
    // Every line has moved; the picture is painted anew at the new factor anyway.
    besidePicture_->update();
    repaint();
}

void GuideTool::pictureMoved()
{
    // The lines over the picture move with it. The box stays with the viewport, so it lies
    // elsewhere on the picture now, and so do the lines beside it, where there is a margin.
    if (!drawn_.box.isEmpty())
        repaintPicture(QRegion(window().viewport().rect().translated(-window().pictureOrigin())));
    drawn_ = drawnNow();
    showBesidePicture(besideThePicture());
}

void GuideTool::unitsChanged()
{
    if (drag_)
        repaint();
}

bool GuideTool::pastRuler(Qt::Orientation orientation, QPointF pointer) const
{
    // Past the ruler's inner edge, toward the picture; without rulers, inside the viewport.
    const QRect ruler = window().rulerInViewport(orientation);
    if (orientation == Qt::Horizontal)
        return pointer.y() >= (ruler.isEmpty() ? 0 : ruler.bottom() + 1);
    return pointer.x() >= (ruler.isEmpty() ? 0 : ruler.right() + 1);
}

void GuideTool::startDrag(std::optional<int> index, Guide guide, QPointF pointer)
{
    drag_ = Drag{index, guide, pointer, index.has_value()};
    repaint();
}

void GuideTool::dragTo(QPointF pointer, Qt::KeyboardModifiers modifiers)
{
    Drag& drag = *drag_;
    drag.pointer = pointer;
    drag.guide = guide::guideAt(placement(), drag.guide.orientation, pointer);
    if (!(modifiers & Qt::AltModifier)) {
        std::vector<QPoint> ends;
        for (const auto& kept : measurements_.all()) {
            ends.push_back(kept.from);
            ends.push_back(kept.to);
            if (kept.kind == measurement::Kind::Angle)
                ends.push_back(kept.firstArm);
        }
        drag.guide = guide::snappedToEnds(placement(), drag.guide, pointer, ends);
    }
    drag.offRuler = pastRuler(drag.guide.orientation, pointer);
    repaint();
}

void GuideTool::endDrag(QPointF pointer, Qt::KeyboardModifiers modifiers)
{
    dragTo(pointer, modifiers);
    const Drag done = *drag_;
    drag_.reset();
    if (done.offRuler && done.index)
        guides_.move(*done.index, done.guide.edge);
    else if (done.offRuler)
        guides_.add(done.guide);
    else if (done.index)
        guides_.remove(*done.index);
    repaint();
}

void GuideTool::rulerPressed(Qt::Orientation ruler, const PictureMouse& mouse)
{
    if (mouse.button != Qt::LeftButton || !hasPicture())
        return;
    // A new guide brings the hidden ones back, rather than appearing alone.
    guides_.setShown(true);
    startDrag(std::nullopt, guide::guideAt(placement(), ruler, mouse.inViewport), mouse.inViewport);
    drag_->offRuler = pastRuler(ruler, mouse.inViewport);
}

void GuideTool::rulerMoved(Qt::Orientation /*ruler*/, const PictureMouse& mouse)
{
    if (drag_ && (mouse.buttons & Qt::LeftButton))
        dragTo(mouse.inViewport, mouse.modifiers);
}

void GuideTool::rulerReleased(Qt::Orientation /*ruler*/, const PictureMouse& mouse)
{
    if (drag_ && mouse.button == Qt::LeftButton)
        endDrag(mouse.inViewport, mouse.modifiers);
}

void GuideTool::mousePressed(const PictureMouse& mouse)
{
    if (mouse.button != Qt::LeftButton || !hasPicture())
        return;
    if (const auto index = guides_.guideNear(placement(), mouse.inViewport))
        startDrag(*index, guides_.all()[std::size_t(*index)], mouse.inViewport);
}

void GuideTool::mouseMoved(const PictureMouse& mouse)
{
    if (drag_ && (mouse.buttons & Qt::LeftButton))
        dragTo(mouse.inViewport, mouse.modifiers);
}

void GuideTool::mouseReleased(const PictureMouse& mouse)
{
    if (drag_ && mouse.button == Qt::LeftButton)
        endDrag(mouse.inViewport, mouse.modifiers);
}

void GuideTool::mouseDoubleClicked(const PictureMouse& mouse)
{
    if (mouse.button != Qt::LeftButton || !hasPicture())
        return;
    if (const auto index = guides_.guideNear(placement(), mouse.inViewport))
        afterThisEvent([this, index = *index] { typePosition(index); });
}

void GuideTool::typePosition(int index)
{
    if (index >= guides_.count())
        return;
    const Guide was = guides_.all()[std::size_t(index)];
    const int unit = window().unit();
    const auto perInch = window().pixelsPerInch();
    const QSize image = window().imageSize();
    const int side = was.orientation == Qt::Vertical ? image.width() : image.height();
    bool ok = false;
    const double typed = QInputDialog::getDouble(
        dialogOwner(), tr("参考线"), tr("位置（%1）：").arg(units::symbol(unit)),
        guide::positionIn(was, unit, perInch), 0,
        guide::positionIn({was.orientation, side}, unit, perInch), unit == units::kPixels ? 0 : 2,
        &ok);
    // The picture may have changed while the dialog was open; then the guide is not there.
    if (!ok || index >= guides_.count() || guides_.all()[std::size_t(index)] != was)
        return;
    if (const auto edge =
            guide::edgeOfPosition(typed, was.orientation, unit, perInch, window().imageSize()))
        guides_.move(index, *edge);
}

void GuideTool::addMenuEntries(QMenu& menu, QPointF /*inViewport*/)
{
    if (!hasPicture())
        return;
    addMenuEntry(menu, tr("清除参考线"), [this] {
        guides_.clear();
    })->setEnabled(guides_.count() > 0);
}
