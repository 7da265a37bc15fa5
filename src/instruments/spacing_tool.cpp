#include "instruments/spacing_tool.h"

#include "instruments/edges.h"
#include "instruments/guides.h"
#include "instruments/measurement.h"
#include "instruments/measurement_marks.h"
#include "instruments/measurement_store.h"
#include "instruments/pointer_mode.h"

#include <QFontMetrics>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QSettings>
#include <QWidget>
#include <algorithm>
#include <vector>

using namespace measurement;

namespace
{

const QString kToleranceKey = QStringLiteral("spacing/tolerance");
// Magenta shows on the greys and whites of most UIs, and is seldom a UI's own colour.
const QColor kArmInk(255, 0, 255);
// How far an arm's end tick reaches each side, and the labels' padding.
constexpr int kTick = 3;
constexpr int kPaddingX = 3;
constexpr int kPaddingY = 1;
// The box's place beside the pointer's pixel.
constexpr int kBoxOffset = 12;

// An arm from one screen point to another, with its length's text.
struct Arm {
    QPoint from;
    QPoint to;
    QString length;
};

} // namespace

// The arms, their lengths and the box, over the picture in its coordinates, passing the
// mouse through. Only where they lie is painted, so a pointer move costs the arms' pixels.
class SpacingTool::Layer : public QWidget
{
public:
    explicit Layer(SpacingTool& tool) : tool_(tool)
    {
        setObjectName(QStringLiteral("spacingLayer"));
        setAttribute(Qt::WA_NoSystemBackground);
        hide();
    }

    // Repaints what was drawn and what is to be drawn now.
    void refresh()
    {
        const QRegion arms = armMarks();
        const QRegion labels = labelMarks();
        if (arms.isEmpty() && labels.isEmpty()) {
            if (isVisible())
                update(drawnArms_ | drawnLabels_);
            hide();
        } else {
            if (isHidden()) {
                raise();
                show();
            }
            // An arm that stayed where it was needs no repaint; a label may read anew.
            update(drawnArms_.xored(arms) | drawnLabels_ | labels);
        }
        drawnArms_ = arms;
        drawnLabels_ = labels;
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPainter painter(this);
        painter.setClipRegion(event->region());
        painter.setFont(font());
        for (const Arm& arm : arms()) {
            painter.setPen(QPen(kArmInk, 1));
            painter.drawLine(arm.from, arm.to);
            // A tick across the far end.
            const bool across = arm.from.y() == arm.to.y();
            const QPoint tick = across ? QPoint(0, kTick) : QPoint(kTick, 0);
            painter.drawLine(arm.to - tick, arm.to + tick);
        }
        for (const auto& [area, text] : labels()) {
            painter.fillRect(area, marks::kLabelGround);
            painter.setPen(marks::kLabelInk);
            painter.drawText(area, Qt::AlignCenter, text);
        }
    }

private:
    Placement placement() const
    {
        const PictureView& view = tool_.window();
        return Placement{QPoint(0, 0), view.factor(), view.imageSize()};
    }

    QRect inSight() const
    {
        const PictureView& view = tool_.window();
        return QRect(-view.pictureOrigin(), view.viewport().size());
    }

    std::vector<Arm> arms() const
    {
        std::vector<Arm> all;
        if (!tool_.span_ || !tool_.pointer_)
            return all;
        const Placement where = placement();
        const QPoint p = *tool_.pointer_;
        const QRect span = *tool_.span_;
        const QRect block = blockOf(where, p);
        const QPoint middle = viewportPoint(where, p);
        const int unit = tool_.window().unit();
        const units::PixelsPerInch perInch = tool_.window().pixelsPerInch();
        const auto add = [&](int pixels, QPoint from, QPoint to, double perUnit) {
            if (pixels > 0)
                all.push_back(Arm{from, to, units::lengthText(unit, pixels, perUnit)});
        };
        add(p.x() - span.left(), QPoint(block.left() - 1, middle.y()),
            QPoint(blockOf(where, {span.left(), p.y()}).left(), middle.y()), perInch.x);
        add(span.right() - p.x(), QPoint(block.right() + 1, middle.y()),
            QPoint(blockOf(where, {span.right(), p.y()}).right(), middle.y()), perInch.x);
        add(p.y() - span.top(), QPoint(middle.x(), block.top() - 1),
            QPoint(middle.x(), blockOf(where, {p.x(), span.top()}).top()), perInch.y);
        add(span.bottom() - p.y(), QPoint(middle.x(), block.bottom() + 1),
            QPoint(middle.x(), blockOf(where, {p.x(), span.bottom()}).bottom()), perInch.y);
        return all;
    }

    QRect labelRect(const QString& text, QPoint at) const
    {
        const QFontMetrics metrics(font());
        return QRect(at, QSize(metrics.horizontalAdvance(text) + 2 * kPaddingX,
                               metrics.height() + 2 * kPaddingY));
    }

    // Each arm's length beside the middle of the part of it in sight, and the box.
    std::vector<std::pair<QRect, QString>> labels() const
    {
        std::vector<std::pair<QRect, QString>> all;
        const QRect sight = inSight();
        for (const Arm& arm : arms()) {
            const QRect line = QRect(arm.from, arm.to).normalized() & sight;
            if (line.isEmpty())
                continue;
            const bool across = arm.from.y() == arm.to.y();
            QRect label = labelRect(arm.length, QPoint());
            // An arm too short for its length's label leaves it to the box's figures.
            if ((across ? line.width() : line.height()) < (across ? label.width() : label.height()))
                continue;
            if (across)
                label.moveCenter(QPoint(line.center().x(), line.top() - label.height() / 2 - 2));
            else
                label.moveCenter(QPoint(line.left() + label.width() / 2 + 3, line.center().y()));
            all.emplace_back(label, arm.length);
        }
        if (tool_.on() && tool_.pointer_) {
            const QRect block = blockOf(placement(), *tool_.pointer_);
            const QString text = tool_.figuresText();
            QRect box = labelRect(text, block.bottomRight() + QPoint(kBoxOffset, kBoxOffset));
            // Kept in sight: to the pointer's other side where it would run out.
            if (box.right() > sight.right())
                box.moveRight(block.left() - kBoxOffset);
            if (box.bottom() > sight.bottom())
                box.moveBottom(block.top() - kBoxOffset);
            all.emplace_back(box, text);
        }
        return all;
    }

    QRegion armMarks() const
    {
        // One rectangle an arm, as wide as its end tick: a region of fewer rectangles costs
        // about half as much to repaint on a move (bench_edges).
        QRegion region;
        for (const Arm& arm : arms()) {
            const bool across = arm.from.y() == arm.to.y();
            region |= QRect(arm.from, arm.to)
                          .normalized()
                          .adjusted(across ? 0 : -kTick, across ? -kTick : 0, across ? 0 : kTick,
                                    across ? kTick : 0);
        }
        return region & inSight();
    }

    QRegion labelMarks() const
    {
        QRegion region;
        for (const auto& label : labels())
            region |= label.first;
        return region & inSight();
    }

    SpacingTool& tool_;
    QRegion drawnArms_;
    QRegion drawnLabels_;
};

SpacingTool::SpacingTool(frmVelmora& window, MeasurementStore& store, const Guides& guides,
                         PointerMode& mode)
    : Instrument(window), store_(store), guides_(guides), mode_(mode), layer_(new Layer(*this)),
      tolerance_(std::clamp(QSettings().value(kToleranceKey, edges::kDefaultTolerance).toInt(), 0,
                            edges::kMaxTolerance))
{
    setObjectName(QStringLiteral("spacing"));
    addOverlay(layer_);
    claimKey(QKeySequence(Qt::Key_S), [this] {
        setOn(!on());
        return true;
    });
    claimKey(QKeySequence(Qt::Key_BracketLeft), [this] {
        if (!on())
            return false;
        stepTolerance(-1);
        return true;
    });
    claimKey(QKeySequence(Qt::Key_BracketRight), [this] {
        if (!on())
            return false;
        stepTolerance(1);
        return true;
    });
}

SpacingTool::~SpacingTool() = default;

bool SpacingTool::on() const
{
    return mode_.spacing();
}

void SpacingTool::setOn(bool on)
{
    mode_.setSpacing(on);
    pressed_.reset();
    // The pointer may rest on the picture already: its span shows at once.
    const std::optional<PointedPixel> pointed = window().pointedPixel();
    pointer_ = pointed ? std::optional(pointed->pixel) : std::nullopt;
    find();
}

void SpacingTool::stepTolerance(int steps)
{
    tolerance_ = std::clamp(tolerance_ + steps * edges::kToleranceStep, 0, edges::kMaxTolerance);
    QSettings().setValue(kToleranceKey, tolerance_);
    find();
}

QString SpacingTool::figuresText() const
{
    if (!span_)
        return tr("间距  容差 %1").arg(tolerance_);
    const int unit = window().unit();
    const units::PixelsPerInch perInch = window().pixelsPerInch();
    return tr("宽 %1  高 %2  容差 %3")
        .arg(units::lengthText(unit, span_->width(), perInch.x),
             units::lengthText(unit, span_->height(), perInch.y))
        .arg(tolerance_);
}

void SpacingTool::find()
{
    const QImage picture = window().picture();
    if (on() && pointer_ && picture.rect().contains(*pointer_)) {
        if (turned_.isNull() || turnedFrom_ != picture.cacheKey()) {
            turned_ = edges::transposed(picture);
            turnedFrom_ = picture.cacheKey();
        }
        span_ = edges::spanAround(picture, turned_, *pointer_, tolerance_);
    } else {
        span_.reset();
    }
    changed();
}

void SpacingTool::changed()
{
    layer_->refresh();
}

void SpacingTool::pictureChanged()
{
    turned_ = QImage();
    pointer_.reset();
    pressed_.reset();
    find();
}

void SpacingTool::magnificationChanged()
{
    find();
}

void SpacingTool::unitsChanged()
{
    changed();
}

void SpacingTool::pointerOverPixel(QPoint pixel, QRgb /*colour*/)
{
    pointer_ = pixel;
    if (on())
        find();
}

void SpacingTool::pointerLeftPicture()
{
    pointer_.reset();
    if (on())
        find();
}

void SpacingTool::mousePressed(const PictureMouse& mouse)
{
    const Placement where{window().pictureOrigin(), window().factor(), window().imageSize()};
    if (on() && mouse.button == Qt::LeftButton && span_ &&
        !guides_.guideNear(where, mouse.inViewport))
        pressed_ = pointer_;
}

void SpacingTool::mouseReleased(const PictureMouse& mouse)
{
    if (!on() || mouse.button != Qt::LeftButton || !pressed_ || !span_ || pressed_ != pointer_) {
        pressed_.reset();
        return;
    }
    pressed_.reset();
    const QImage picture = window().picture();
    const QRect span = *span_;
    const QPoint p = *pointer_;
    if (mouse.modifiers & Qt::ControlModifier) {
        // The two arms as lines, each with its ends' colours for the contrast.
        for (const auto& [from, to] :
             {std::pair{QPoint(span.left(), p.y()), QPoint(span.right(), p.y())},
              {QPoint(p.x(), span.top()), QPoint(p.x(), span.bottom())}}) {
            Measurement line{Kind::Line, from, to, {}, picture.pixel(from)};
            line.toColour = picture.pixel(to);
            store_.add(line);
        }
    } else {
        store_.add(Measurement{Kind::Box, span.topLeft(), span.bottomRight(), {}, 0});
    }
}

void SpacingTool::addMenuEntries(QMenu& menu, QPointF /*inViewport*/)
{
    if (window().picture().isNull())
        return;
    QAction* toggle = addMenuEntry(menu, tr("间距"), [this] { setOn(!on()); });
    toggle->setCheckable(true);
    toggle->setChecked(on());
    toggle->setShortcut(QKeySequence(Qt::Key_S));
}
